#include "tessera/CCTexturePVR.h"

#include "platform/GLContext.h"
#include "platform/Ref.h"
#include "support/TestSupport.h"
#include "tessera/CCConfiguration.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using platform::Ref;
using testing::ElementsAre;
using testing::ElementsAreArray;

namespace {

constexpr std::uint32_t kRGBA8888 = 0x12, kRGB565 = 0x13, kPVRTC2 = 0x18, kPVRTC4 = 0x19, kBGRA8888 = 0x1A;

struct PVRHeader {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t type = kRGBA8888;
  std::uint32_t alphaMask = 0;
  std::int64_t dataLength = -1;  // -1: the real length of the pixel data
  std::uint32_t tag = 0x21525650;
};

std::string pvrFile(const PVRHeader& header, const std::string& pixels) {
  std::string bytes;
  const auto dataLength = static_cast<std::uint32_t>(header.dataLength < 0 ? pixels.size() : header.dataLength);
  for (std::uint32_t word : {52u, header.height, header.width, 0u, header.type | 0x8000u, dataLength, 32u, 0u, 0u, 0u,
                             header.alphaMask, header.tag, 1u}) {
    for (int shift : {0, 8, 16, 24}) bytes += static_cast<char>((word >> shift) & 0xFF);
  }
  return bytes + pixels;
}

struct Parsed {
  bool ok = false;
  CCPVRData data;
  std::vector<unsigned> lengths;
};

Parsed parse(const std::string& file) {
  Parsed parsed;
  const auto* bytes = reinterpret_cast<const unsigned char*>(file.data());
  parsed.ok = CCTexturePVR::unpackPVRData(bytes, file.size(), parsed.data);
  const unsigned char* expectedAddress = bytes + 52;
  for (int i = 0; i < parsed.data.numberOfMipmaps; ++i) {
    EXPECT_EQ(expectedAddress, parsed.data.mipmaps[i].address) << "levels follow each other from byte 52";
    expectedAddress += parsed.data.mipmaps[i].len;
    parsed.lengths.push_back(parsed.data.mipmaps[i].len);
  }
  return parsed;
}

// [SECTION] Parsing

TEST(CCTexturePVRTest, PVRTCLevelsKeepTheTwoBlockMinimum) {
  const Parsed pvrtc4 = parse(pvrFile({256, 256, kPVRTC4}, std::string(32768 + 8192 + 2048 + 512 + 128 + 4 * 32, 'x')));
  ASSERT_TRUE(pvrtc4.ok);
  EXPECT_THAT(pvrtc4.lengths, ElementsAre(32768, 8192, 2048, 512, 128, 32, 32, 32, 32));
  EXPECT_EQ(kPVRTC4, CCTexturePVR::pixelFormatInfo(pvrtc4.data.tableFormatIndex)->pvrType);

  // 8 × 4 blocks of 8 bytes: 64 × 64 is 8 × 16 blocks, then 4 × 8, 2 × 4, and 2 × 2 from 8 × 8 down.
  const Parsed pvrtc2 = parse(pvrFile({64, 64, kPVRTC2}, std::string(1024 + 256 + 64 + 32 + 32, 'x')));
  ASSERT_TRUE(pvrtc2.ok);
  EXPECT_THAT(pvrtc2.lengths, ElementsAre(1024, 256, 64, 32, 32));
}

// glCompressedTexImage2D would read every block of a level: a level cut
// short is refused like an uncompressed one, whichever level it is.
TEST(CCTexturePVRTest, CompressedLevelsShorterThanTheirBlocksInvalid) {
  struct Case {
    const char* what;
    std::string file;
    const char* detail;
  };
  const Case cases[] = {
      {"PVRTC2 last level", pvrFile({64, 64, kPVRTC2}, std::string(1024 + 256 + 64 + 32 + 20, 'x')),
       "level 4 (4x4) has 20 bytes, its blocks need 32"},
      {"PVRTC4 first level", pvrFile({256, 256, kPVRTC4}, std::string(32767, 'x')),
       "level 0 (256x256) has 32767 bytes, its blocks need 32768"},
      {"2^31 sides", pvrFile({0x80000000u, 0x80000000u, kPVRTC4}, std::string(32, 'x')),
       "its blocks need 2305843009213693952"},
  };
  for (const Case& c : cases) {
    testing_support::LogCapture log;
    const Parsed parsed = parse(c.file);
    EXPECT_FALSE(parsed.ok) << c.what;
    EXPECT_EQ(0, parsed.data.numberOfMipmaps) << c.what;
    ASSERT_EQ(1u, log.lines().size()) << c.what;
    EXPECT_THAT(log.text(), testing::HasSubstr(c.detail)) << c.what;
  }
}

TEST(CCTexturePVRTest, UncompressedLevelsHalveDownToOnePixel) {
  const Parsed parsed = parse(pvrFile({256, 128, kRGBA8888, 0xFF}, std::string(174784, 'x')));
  ASSERT_TRUE(parsed.ok);
  EXPECT_EQ(256u, parsed.data.width);
  EXPECT_EQ(128u, parsed.data.height);
  EXPECT_TRUE(parsed.data.hasAlpha);
  EXPECT_THAT(parsed.lengths, ElementsAre(131072, 32768, 8192, 2048, 512, 128, 32, 16, 16));

  // A tightly packed chain (64 + 16 + 4 bytes) loads too: its last level is the 4 bytes left.
  const Parsed packed = parse(pvrFile({4, 4, kRGBA8888}, std::string(84, 'x')));
  ASSERT_TRUE(packed.ok);
  EXPECT_FALSE(packed.data.hasAlpha);
  EXPECT_THAT(packed.lengths, ElementsAre(64, 16, 4));
}

TEST(CCTexturePVRTest, MalformedFilesInvalid) {
  struct Case {
    const char* what;
    std::string file;
  };
  const std::string level(256, 'x');
  const Case cases[] = {
      {"100 x 100", pvrFile({100, 100}, std::string(40000, 'x'))},
      {"tag PVR?", pvrFile({8, 8, kRGBA8888, 0, -1, 0x3F525650}, level)},
      {"unknown type", pvrFile({8, 8, 0x20}, level)},
      {"width 0", pvrFile({0, 8}, level)},
      {"height 0", pvrFile({8, 0}, level)},
      {"header cut short", pvrFile({8, 8}, level).substr(0, 51)},
      {"data length beyond the file", pvrFile({8, 8, kRGBA8888, 0, 1 << 20}, std::string(48, 'x'))},
      {"level shorter than its pixels", pvrFile({8, 8}, std::string(100, 'x'))},
      {"2^31 sides, uncompressed", pvrFile({0x80000000u, 0x80000000u}, std::string(16, 'x'))},
      {"no pixel data", pvrFile({8, 8}, "")},
  };
  testing_support::LogCapture log;
  for (const Case& c : cases) {
    const Parsed parsed = parse(c.file);
    EXPECT_FALSE(parsed.ok) << c.what;
    EXPECT_EQ(0, parsed.data.numberOfMipmaps) << c.what;
  }
}

TEST(CCTexturePVRTest, SixteenLevelsFillTheTable) {
  testing_support::AssertionRecorder assertions;
  const Parsed full = parse(pvrFile({1, 1}, std::string(16 * 16, 'x')));
  EXPECT_TRUE(full.ok);
  EXPECT_EQ(16u, full.lengths.size());
  EXPECT_THAT(assertions.messages(),
              ElementsAre("TexturePVR: Maximum number of mimpaps reached. Increate the CC_PVRMIPMAP_MAX value"));

  assertions.clear();
  EXPECT_FALSE(parse(pvrFile({1, 1}, std::string(17 * 16, 'x'))).ok) << "no room for a 17th level";
  EXPECT_EQ(1u, assertions.messages().size());
}

class CCTexturePVRDeviceTest : public testing::Test {
 protected:
  void TearDown() override {
    CCConfiguration::purgeSharedConfigurationForTesting();
    CCConfiguration::setExtensionStringForTesting(std::nullopt);
  }
  static void useExtensions(const std::string& extensions) {
    CCConfiguration::purgeSharedConfigurationForTesting();
    CCConfiguration::setExtensionStringForTesting(extensions);
  }
};

TEST_F(CCTexturePVRDeviceTest, BGRANeedsTheDevicesSupport) {
  const std::string file = pvrFile({2, 2, kBGRA8888}, std::string(16, 'x'));
  const auto* bytes = reinterpret_cast<const unsigned char*>(file.data());
  Ref<CCTexturePVR> reader = Ref<CCTexturePVR>::adopt(new CCTexturePVR());
  useExtensions("GL_OES_framebuffer_object");
  EXPECT_FALSE(reader->unpackPVRData(bytes, static_cast<unsigned>(file.size())));
  useExtensions("GL_APPLE_texture_format_BGRA8888");
  EXPECT_TRUE(reader->unpackPVRData(bytes, static_cast<unsigned>(file.size())));
  EXPECT_EQ(1, reader->numberOfMipmaps());
}

// [SECTION] GL textures

// A current OpenGL ES 1 context; skips when none can be made.
class CCTexturePVRGLTest : public CCTexturePVRDeviceTest {
 protected:
  void SetUp() override {
    context_ = platform::GLContext::contextWithAPI(platform::GLContext::API::ES1);
    if (!context_) GTEST_SKIP() << "no OpenGL ES 1 context on this machine";
    ASSERT_TRUE(platform::GLContext::setCurrentContext(context_));
    useExtensions("");
    directory_ = fs::temp_directory_path() / ("tessera-pvr-" + std::to_string(::getpid()));
    fs::create_directories(directory_);
  }
  void TearDown() override {
    if (!context_) return;
    platform::GLContext::setCurrentContext(nullptr);
    fs::remove_all(directory_);
    CCTexturePVRDeviceTest::TearDown();
  }
  std::string write(const std::string& name, const std::string& contents) {
    const fs::path path = directory_ / name;
    std::ofstream(path, std::ios::binary) << contents;
    return path.string();
  }
  std::string writeGZip(const std::string& name, const std::string& contents) {
    const std::string path = (directory_ / name).string();
    gzFile file = gzopen(path.c_str(), "wb");
    gzwrite(file, contents.data(), static_cast<unsigned>(contents.size()));
    gzclose(file);
    return path;
  }
  Ref<platform::GLContext> context_;
  fs::path directory_;
};

TEST_F(CCTexturePVRGLTest, PlainAndPackedFilesMakeTheSameTexture) {
  const std::string pvr = pvrFile({2, 2, kRGBA8888, 0xFF}, std::string(16 + 16, '\x7f'));
  std::string zlib(compressBound(pvr.size()), '\0');
  uLongf zlibLength = zlib.size();
  compress(reinterpret_cast<Bytef*>(zlib.data()), &zlibLength, reinterpret_cast<const Bytef*>(pvr.data()), pvr.size());
  const std::string ccz = "CCZ!" + std::string("\0\0\0\2\0\0\0\0\0\0\0", 11) + static_cast<char>(pvr.size()) +
                          zlib.substr(0, zlibLength);
  for (const std::string& path : {write("a.pvr", pvr), write("a.pvr.ccz", ccz), writeGZip("a.PVR.GZ", pvr),
                                  writeGZip("b.pvr.gz", pvr)}) {
    Ref<CCTexturePVR> texture = CCTexturePVR::pvrTextureWithContentsOfFile(path);
    ASSERT_TRUE(texture) << path;
    EXPECT_EQ(GL_TRUE, glIsTexture(texture->name()));
    EXPECT_EQ(2u, texture->width());
    EXPECT_EQ(2u, texture->height());
    EXPECT_TRUE(texture->hasAlpha());
    EXPECT_EQ(2, texture->numberOfMipmaps());
  }
  EXPECT_FALSE(CCTexturePVR::pvrTextureWithContentsOfFile(write("a.gz.pvr", ccz))) << "read as it is";
  EXPECT_FALSE(CCTexturePVR::pvrTextureWithContentsOfFile((directory_ / "missing.pvr").string()));
}

TEST_F(CCTexturePVRGLTest, NarrowLevelsUploadTightlyPackedRows) {
  // 1 × 2 RGB565: a red texel above a blue one, 2 bytes per row.
  const std::string pvr = pvrFile({1, 2, kRGB565}, std::string("\x00\xF8\x1F\x00", 4));
  Ref<CCTexturePVR> texture = CCTexturePVR::pvrTextureWithContentsOfFile(write("narrow.pvr", pvr));
  ASSERT_TRUE(texture);
  GLint alignment = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  EXPECT_EQ(4, alignment) << "the default is restored";

  const auto& gl = platform::glExtensions();
  ASSERT_NE(nullptr, gl.glGenFramebuffersOES);
  GLuint framebuffer = 0;
  gl.glGenFramebuffersOES(1, &framebuffer);
  gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer);
  gl.glFramebufferTexture2DOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D, texture->name(), 0);
  if (gl.glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES) == GL_FRAMEBUFFER_COMPLETE_OES) {
    unsigned char pixels[8] = {};
    glReadPixels(0, 0, 1, 2, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    EXPECT_THAT(std::vector<int>(pixels, pixels + 8), ElementsAreArray({255, 0, 0, 255, 0, 0, 255, 255}));
  }
  gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, 0);
  gl.glDeleteFramebuffersOES(1, &framebuffer);
}

TEST_F(CCTexturePVRGLTest, PVRTCRefusedWithoutDeviceSupport) {
  EXPECT_FALSE(CCTexturePVR::pvrTextureWithContentsOfFile(write("c.pvr", pvrFile({8, 8, kPVRTC4}, std::string(32, 'x')))));
}

TEST_F(CCTexturePVRGLTest, NameDeletedUnlessRetained) {
  const std::string path = write("d.pvr", pvrFile({2, 2}, std::string(16, 'x')));
  for (bool retain : {false, true}) {
    CCTexturePVR* texture = new CCTexturePVR();
    ASSERT_TRUE(texture->initWithContentsOfFile(path));
    texture->setRetainName(retain);
    GLuint name = texture->name();
    texture->release();
    EXPECT_EQ(retain ? GL_TRUE : GL_FALSE, glIsTexture(name)) << retain;
    glDeleteTextures(1, &name);
  }
}

TEST_F(CCTexturePVRGLTest, OnlyFileURLsAreRead) {
  const std::string path = write("with space.pvr", pvrFile({2, 2}, std::string(16, 'x')));
  const std::string encoded = (directory_ / "with%20space.pvr").string();
  EXPECT_TRUE(CCTexturePVR::pvrTextureWithContentsOfURL("file://" + encoded));
  EXPECT_TRUE(CCTexturePVR::pvrTextureWithContentsOfURL("FILE://localhost" + encoded));
  EXPECT_FALSE(CCTexturePVR::pvrTextureWithContentsOfURL("http://localhost" + encoded));
  EXPECT_FALSE(CCTexturePVR::pvrTextureWithContentsOfURL(path)) << "a bare path is no URL";
}

}  // namespace
