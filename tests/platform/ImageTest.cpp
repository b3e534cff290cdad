#include "platform/Image.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <jpeglib.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

using namespace platform;
using testing_support::LogCapture;

namespace {

using Bytes = std::vector<uint8_t>;
using Rgba = std::array<uint8_t, 4>;

// [SECTION] A PNG writer independent of the code under test: chunks by hand,
// zlib for the data stream, filter type 0 on every scanline.

void putBigEndian(Bytes& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void putChunk(Bytes& out, const char* type, const Bytes& data) {
  putBigEndian(out, static_cast<uint32_t>(data.size()));
  Bytes body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  putBigEndian(out, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

struct PngFixture {
  uint32_t width = 2;
  uint32_t height = 1;
  int depth = 8;
  int colourType = 6;
  std::vector<Bytes> scanlines;  // packed samples, without the filter byte
  Bytes palette;                 // PLTE body
  Bytes transparency;            // tRNS body
  bool interlaced = false;       // scanlines are then the Adam7 pass rows in order
};

PngFixture pngFixture(uint32_t width, uint32_t height, int depth, int colourType, std::vector<Bytes> scanlines,
                Bytes palette = {}, Bytes transparency = {}, bool interlaced = false) {
  PngFixture fixture;
  fixture.width = width;
  fixture.height = height;
  fixture.depth = depth;
  fixture.colourType = colourType;
  fixture.scanlines = std::move(scanlines);
  fixture.palette = std::move(palette);
  fixture.transparency = std::move(transparency);
  fixture.interlaced = interlaced;
  return fixture;
}

Bytes makePng(const PngFixture& fixture) {
  Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  putBigEndian(header, fixture.width);
  putBigEndian(header, fixture.height);
  header.insert(header.end(), {uint8_t(fixture.depth), uint8_t(fixture.colourType), 0, 0, uint8_t(fixture.interlaced)});
  putChunk(out, "IHDR", header);
  if (!fixture.palette.empty()) putChunk(out, "PLTE", fixture.palette);
  if (!fixture.transparency.empty()) putChunk(out, "tRNS", fixture.transparency);
  Bytes raw;
  for (const Bytes& line : fixture.scanlines) {
    raw.push_back(0);
    raw.insert(raw.end(), line.begin(), line.end());
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes compressed(size);
  compress(compressed.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
  compressed.resize(size);
  putChunk(out, "IDAT", compressed);
  putChunk(out, "IEND", {});
  return out;
}

std::vector<Rgba> pixelsOf(const Image& image) {
  std::vector<Rgba> pixels;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const uint8_t* p = image.pixels().data() + image.rowBytes() * y + 4 * x;
      pixels.push_back({p[0], p[1], p[2], p[3]});
    }
  }
  return pixels;
}

// [SECTION] PNG facts: the table the texture code's format choice depends on.

struct PngCase {
  const char* name;
  PngFixture fixture;
  int alphaInfo;
  int bitsPerComponent;
  std::vector<Rgba> pixels;  // decoded R, G, B, A (straight alpha), row by row
};

const PngCase kPngCases[] = {
    {"RGBA8", pngFixture(2, 1, 8, 6, {{255, 0, 0, 128, 0, 255, 0, 255}}), 3, 8, {{255, 0, 0, 128}, {0, 255, 0, 255}}},
    {"RGB8", pngFixture(2, 1, 8, 2, {{10, 20, 30, 40, 50, 60}}), 0, 8, {{10, 20, 30, 255}, {40, 50, 60, 255}}},
    {"RGB8WithColourKey", pngFixture(2, 1, 8, 2, {{10, 20, 30, 40, 50, 60}}, {}, {0, 10, 0, 20, 0, 30}), 3, 8,
     {{10, 20, 30, 0}, {40, 50, 60, 255}}},
    {"Grey8", pngFixture(2, 1, 8, 0, {{0, 200}}), 0, 8, {{0, 0, 0, 255}, {200, 200, 200, 255}}},
    {"Grey1", pngFixture(2, 1, 1, 0, {{0x80}}), 0, 1, {{255, 255, 255, 255}, {0, 0, 0, 255}}},
    {"GreyAlpha8", pngFixture(2, 1, 8, 4, {{100, 50, 200, 255}}), 3, 8, {{100, 100, 100, 50}, {200, 200, 200, 255}}},
    {"Palette8", pngFixture(2, 1, 8, 3, {{1, 0}}, {255, 0, 0, 0, 0, 255}), 0, 8, {{0, 0, 255, 255}, {255, 0, 0, 255}}},
    {"Palette8WithTransparency", pngFixture(2, 1, 8, 3, {{0, 1}}, {255, 0, 0, 0, 0, 255}, {128}), 3, 8,
     {{255, 0, 0, 128}, {0, 0, 255, 255}}},
    {"Palette4", pngFixture(2, 1, 4, 3, {{0x10}}, {255, 0, 0, 0, 0, 255}), 0, 4, {{0, 0, 255, 255}, {255, 0, 0, 255}}},
    {"RGB16", pngFixture(1, 1, 16, 2, {{0xFF, 0xFF, 0x00, 0x00, 0x80, 0x80}}), 0, 16, {{255, 0, 128, 255}}},
    {"RGBA16", pngFixture(1, 1, 16, 6, {{0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0x80}}), 3, 16, {{0, 255, 0, 128}}},
    // Adam7 with 2 × 2 pixels: pass 1 holds (0,0), pass 6 (1,0), pass 7 row 1.
    {"RGB8Interlaced", pngFixture(2, 2, 8, 2, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9, 10, 11, 12}}, {}, {}, true), 0, 8,
     {{1, 2, 3, 255}, {4, 5, 6, 255}, {7, 8, 9, 255}, {10, 11, 12, 255}}},
};

class ImagePngFactsTest : public testing::TestWithParam<PngCase> {};

TEST_P(ImagePngFactsTest, DecodesToTheFactsAndPixelsOfTheContract) {
  const PngCase& c = GetParam();
  Bytes png = makePng(c.fixture);
  Image* image = Image::imageWithData(png);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width(), int(c.fixture.width));
  EXPECT_EQ(image->height(), int(c.fixture.height));
  EXPECT_EQ(image->alphaInfo(), c.alphaInfo);
  EXPECT_EQ(image->bitsPerComponent(), c.bitsPerComponent);
  EXPECT_TRUE(image->hasColorSpace());
  EXPECT_EQ(image->layout(), c.alphaInfo == Image::kAlphaLast ? PixelLayout::RGBA : PixelLayout::RGBX);
  EXPECT_EQ(pixelsOf(*image), c.pixels);
}

INSTANTIATE_TEST_SUITE_P(Formats, ImagePngFactsTest, testing::ValuesIn(kPngCases),
                         [](const auto& info) { return std::string(info.param.name); });

// [SECTION] Bad input: never a crash, always nullptr and a log line.

TEST(ImageDecodeTest, TruncatedOrCorruptPngIsRefusedWithALogLine) {
  PngFixture fixture = pngFixture(4, 4, 8, 2, std::vector<Bytes>(4, Bytes(12, 7)));
  Bytes png = makePng(fixture);
  // Cut inside the header, inside the image data, and just before IEND.
  for (std::size_t length : {std::size_t{20}, png.size() / 2, png.size() - 12, png.size() - 1}) {
    LogCapture log;
    Bytes cut(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_EQ(Image::imageWithData(cut), nullptr) << "length " << length;
    ASSERT_EQ(log.lines().size(), 1u) << "length " << length;
    EXPECT_NE(log.text().find("PNG"), std::string::npos);
  }
  Bytes badCrc = png;
  ASSERT_GT(badCrc.size(), 16u);
  badCrc[badCrc.size() - 16] ^= 0xFF;  // a byte of the IDAT CRC
  LogCapture log;
  EXPECT_EQ(Image::imageWithData(badCrc), nullptr);
  EXPECT_EQ(log.lines().size(), 1u);
}

TEST(ImageDecodeTest, OversizedImagesAreRefusedBeforeAllocating) {
  LogCapture log;
  // Too wide for any texture, and within the side limit but 1 GiB of pixels.
  EXPECT_EQ(Image::imageWithData(makePng(pngFixture(20000, 1, 8, 0, {Bytes(20000)}))), nullptr);
  EXPECT_EQ(Image::imageWithData(makePng(pngFixture(16384, 16384, 8, 0, {Bytes(16)}))), nullptr);
  ASSERT_EQ(log.lines().size(), 2u);
  EXPECT_NE(log.lines()[1].find("16384x16384"), std::string::npos) << log.text();
}

TEST(ImageDecodeTest, OtherDataAndMissingFilesGiveNothing) {
  LogCapture log;
  EXPECT_EQ(Image::imageWithData(Bytes{}), nullptr);
  EXPECT_EQ(Image::imageWithData(Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0}), nullptr);
  EXPECT_EQ(Image::imageWithContentsOfFile("/nonexistent/ball.png"), nullptr);
  EXPECT_EQ(Image::imageWithContentsOfFile(std::filesystem::temp_directory_path().string()), nullptr);
  ASSERT_EQ(log.lines().size(), 4u);
  EXPECT_NE(log.lines()[2].find("/nonexistent/ball.png"), std::string::npos);
}

TEST(ImageDecodeTest, TruncatedOrCorruptJpegIsRefusedWithALogLine) {
  Bytes pixels(16 * 16 * 4, 90);
  auto jpeg = Image::imageWithPixels(16, 16, PixelLayout::RGBX, 64, pixels)->encodeJPEG(0.8f);
  ASSERT_TRUE(jpeg);
  ASSERT_NE(Image::imageWithData(*jpeg), nullptr);
  Bytes half(jpeg->begin(), jpeg->begin() + static_cast<std::ptrdiff_t>(jpeg->size() / 2));
  Bytes garbage = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x03, 0x00, 0x12, 0x34};
  for (const Bytes& bad : {half, garbage}) {
    LogCapture log;
    EXPECT_EQ(Image::imageWithData(bad), nullptr);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_NE(log.text().find("JPEG"), std::string::npos);
  }
}

// [SECTION] Headers that claim more than the data holds

// A grey JPEG from libjpeg directly, baseline or progressive; `shade` gives
// each pixel's value.
template <typename Shade>
Bytes greyJpeg(int width, int height, bool progressive, int quality, Shade shade) {
  jpeg_compress_struct codec;
  jpeg_error_mgr errors;
  codec.err = jpeg_std_error(&errors);
  jpeg_create_compress(&codec);
  unsigned char* data = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&codec, &data, &size);
  codec.image_width = static_cast<JDIMENSION>(width);
  codec.image_height = static_cast<JDIMENSION>(height);
  codec.input_components = 1;
  codec.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&codec);
  jpeg_set_quality(&codec, quality, TRUE);
  if (progressive) jpeg_simple_progression(&codec);
  jpeg_start_compress(&codec, TRUE);
  Bytes row(static_cast<std::size_t>(width));
  while (codec.next_scanline < codec.image_height) {
    for (int x = 0; x < width; ++x) row[static_cast<std::size_t>(x)] = shade(x, static_cast<int>(codec.next_scanline));
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&codec, rows, 1);
  }
  jpeg_finish_compress(&codec);
  jpeg_destroy_compress(&codec);
  Bytes jpeg(data, data + size);
  std::free(data);
  return jpeg;
}

std::size_t markerAt(const Bytes& jpeg, uint8_t marker) {
  for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == marker) return i;
  }
  return jpeg.size();
}

TEST(ImageDecodeTest, SizesTheDataCannotHoldAreRefusedBeforeAllocating) {
  // 8192 × 8192 RGBA (256 MiB, within the pixel limit) in a 70-byte file.
  Bytes tinyPng = makePng(pngFixture(8192, 8192, 8, 6, {Bytes(16)}));
  ASSERT_LT(tinyPng.size(), 100u);
  // An 8 × 8 JPEG whose frame header is changed to claim 8192 × 8192.
  Bytes tinyJpeg = greyJpeg(8, 8, false, 75, [](int, int) { return 128; });
  const std::size_t frame = markerAt(tinyJpeg, 0xC0);
  ASSERT_LT(frame + 9, tinyJpeg.size());
  for (std::size_t at : {frame + 5, frame + 7}) {
    tinyJpeg[at] = 0x20;  // 8192, big-endian
    tinyJpeg[at + 1] = 0x00;
  }
  for (const Bytes& bad : {tinyPng, tinyJpeg}) {
    LogCapture log;
    EXPECT_EQ(Image::imageWithData(bad), nullptr);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_NE(log.text().find("8192x8192"), std::string::npos) << log.text();
    EXPECT_NE(log.text().find("cannot hold"), std::string::npos) << log.text();
  }
}

// Files compressed as well as their formats allow stay within the bounds.
TEST(ImageDecodeTest, HighlyCompressedImagesStillDecode) {
  // 2048 × 2048 grey zeros: zlib packs the 4 MiB to about 4 KiB.
  Image* png = Image::imageWithData(makePng(pngFixture(2048, 2048, 8, 0, std::vector<Bytes>(2048, Bytes(2048)))));
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(png->width(), 2048);
  // 1-bit grey, the most pixels per sample byte.
  Image* bits = Image::imageWithData(makePng(pngFixture(4096, 1024, 1, 0, std::vector<Bytes>(1024, Bytes(512)))));
  ASSERT_NE(bits, nullptr);
  EXPECT_EQ(pixelsOf(*bits)[4096 * 1023], (Rgba{0, 0, 0, 255}));
  // One flat colour, baseline and progressive, at the lowest quality.
  for (bool progressive : {false, true}) {
    Bytes flat = greyJpeg(1024, 1024, progressive, 1, [](int, int) { return 77; });
    Image* jpeg = Image::imageWithData(flat);
    ASSERT_NE(jpeg, nullptr) << (progressive ? "progressive " : "baseline ") << flat.size() << " bytes";
    const std::vector<Rgba> pixels = pixelsOf(*jpeg);
    EXPECT_NEAR(pixels[1024 * 512 + 3][0], 77, 16) << "quality 1 quantises coarsely";
    EXPECT_EQ(pixels.front(), pixels.back());
  }
}

// libjpeg pads data cut off by a marker with grey and only warns: the
// picture must fail instead. Stray bytes between headers lose nothing.
TEST(ImageDecodeTest, JpegCutOffByAMarkerIsRefusedButStrayBytesAreNot) {
  for (bool progressive : {false, true}) {
    Bytes noisy = greyJpeg(64, 64, progressive, 90, [](int x, int y) { return (x * 37 + y * 101 + x * y) & 0xFF; });
    ASSERT_NE(Image::imageWithData(noisy), nullptr);
    const std::size_t scan = markerAt(noisy, 0xDA);
    ASSERT_LT(scan, noisy.size() - 200);
    for (std::size_t keep : {std::size_t{40}, (noisy.size() - scan) / 2}) {
      Bytes cut(noisy.begin(), noisy.begin() + static_cast<std::ptrdiff_t>(scan + keep));
      cut.insert(cut.end(), {0xFF, 0xD9});
      LogCapture log;
      EXPECT_EQ(Image::imageWithData(cut), nullptr) << keep;
      ASSERT_EQ(log.lines().size(), 1u);
      EXPECT_NE(log.text().find("JPEG"), std::string::npos);
    }
  }

  Bytes jpeg = greyJpeg(16, 16, false, 90, [](int x, int y) { return x * 8 + y; });
  Bytes padded = jpeg;
  const std::size_t tables = markerAt(padded, 0xDB);
  padded.insert(padded.begin() + static_cast<std::ptrdiff_t>(tables), {0x00, 0x42, 0x42});
  Image* clean = Image::imageWithData(jpeg);
  Image* stray = Image::imageWithData(padded);
  ASSERT_NE(clean, nullptr);
  ASSERT_NE(stray, nullptr);
  EXPECT_EQ(clean->pixels(), stray->pixels());
}

// [SECTION] JPEG facts and conversions

TEST(ImageJpegTest, DecodesOpaqueRgbWithSkippedFourthByte) {
  Bytes grey(8 * 8, 100);
  auto jpeg = Image::imageWithPixels(8, 8, PixelLayout::Grey8, 8, grey)->encodeJPEG(1.0f);
  ASSERT_TRUE(jpeg);
  Image* image = Image::imageWithData(*jpeg);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->alphaInfo(), Image::kAlphaNoneSkipLast);
  EXPECT_EQ(image->bitsPerComponent(), 8);
  EXPECT_TRUE(image->hasColorSpace());
  for (const Rgba& p : pixelsOf(*image)) {
    EXPECT_NEAR(p[0], 100, 1);
    EXPECT_EQ(p[0], p[1]);  // grey files come out as RGB
    EXPECT_EQ(p[1], p[2]);
    EXPECT_EQ(p[3], 255);
  }
}

// Adobe CMYK files store inverted inks; decoding must not give the negative.
TEST(ImageJpegTest, ConvertsInvertedAdobeCmykToRgb) {
  jpeg_compress_struct codec;
  jpeg_error_mgr errors;
  codec.err = jpeg_std_error(&errors);
  jpeg_create_compress(&codec);
  unsigned char* data = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&codec, &data, &size);
  codec.image_width = 8;
  codec.image_height = 8;
  codec.input_components = 4;
  codec.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&codec);
  jpeg_set_quality(&codec, 100, TRUE);
  jpeg_start_compress(&codec, TRUE);
  Bytes row;
  for (int x = 0; x < 8; ++x) row.insert(row.end(), {255, 0, 0, 255});  // red: no cyan, full magenta and yellow
  while (codec.next_scanline < 8) {
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&codec, rows, 1);
  }
  jpeg_finish_compress(&codec);
  jpeg_destroy_compress(&codec);
  Bytes cmyk(data, data + size);
  std::free(data);
  Image* image = Image::imageWithData(cmyk);
  ASSERT_NE(image, nullptr);
  Rgba p = pixelsOf(*image)[27];
  EXPECT_NEAR(p[0], 255, 4);
  EXPECT_NEAR(p[1], 0, 4);
  EXPECT_NEAR(p[2], 0, 4);
  EXPECT_EQ(p[3], 255);
}

// [SECTION] Wrapping raw pixels

TEST(ImagePixelsTest, LayoutsGiveTheirFactsAndRowPaddingIsDropped) {
  struct Case {
    PixelLayout layout;
    int alphaInfo;
    bool colour;
  };
  for (Case c : {Case{PixelLayout::RGBAPremultiplied, 1, true}, Case{PixelLayout::RGBA, 3, true},
                 Case{PixelLayout::RGBX, 5, true}, Case{PixelLayout::Grey8, 0, true},
                 Case{PixelLayout::Alpha8, 7, false}}) {
    std::size_t rowBytes = 2 * bytesPerPixel(c.layout) + 3;
    Bytes bytes(rowBytes + 2 * bytesPerPixel(c.layout));
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
    Image* image = Image::imageWithPixels(2, 2, c.layout, rowBytes, bytes);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->alphaInfo(), c.alphaInfo);
    EXPECT_EQ(image->hasColorSpace(), c.colour);
    EXPECT_EQ(image->bitsPerComponent(), 8);
    // The second row starts after the padding.
    EXPECT_EQ(image->pixels()[image->rowBytes()], bytes[rowBytes]);
  }
}

TEST(ImagePixelsTest, ShortBuffersAndBadSizesAreRefused) {
  LogCapture log;
  Bytes bytes(4 * 4 * 4);
  EXPECT_EQ(Image::imageWithPixels(4, 4, PixelLayout::RGBA, 16, Bytes(63)), nullptr);
  EXPECT_EQ(Image::imageWithPixels(4, 4, PixelLayout::RGBA, 12, bytes), nullptr);
  EXPECT_EQ(Image::imageWithPixels(0, 4, PixelLayout::RGBA, 16, bytes), nullptr);
  EXPECT_EQ(Image::imageWithPixels(4, -1, PixelLayout::RGBA, 16, bytes), nullptr);
  // A row length whose multiple wraps around must not pass the size check.
  EXPECT_EQ(Image::imageWithPixels(4, 3, PixelLayout::RGBA, SIZE_MAX / 2 + 1, bytes), nullptr);
  EXPECT_EQ(log.lines().size(), 5u);
}

TEST(ImagePixelsTest, PremultipliedPixelRoundsHalfDown) {
  Bytes straight = {255, 0, 0, 128, 10, 20, 30, 0};
  Image* image = Image::imageWithPixels(2, 1, PixelLayout::RGBA, 8, straight);
  EXPECT_EQ(image->premultipliedPixel(0, 0), (Rgba{128, 0, 0, 128}));
  EXPECT_EQ(image->premultipliedPixel(1, 0), (Rgba{0, 0, 0, 0}));
}

// [SECTION] Encoding round trips

TEST(ImageEncodeTest, PngFromPremultipliedDecodesUnpremultipliedWithinOne) {
  Bytes premultiplied = {128, 0, 0, 128, 10, 20, 30, 40, 0, 0, 0, 0, 255, 255, 255, 255};
  auto png = Image::imageWithPixels(4, 1, PixelLayout::RGBAPremultiplied, 16, premultiplied)->encodePNG();
  ASSERT_TRUE(png);
  Image* decoded = Image::imageWithData(*png);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->alphaInfo(), Image::kAlphaLast);
  std::vector<Rgba> expected = {{255, 0, 0, 128}, {64, 128, 191, 40}, {0, 0, 0, 0}, {255, 255, 255, 255}};
  auto actual = pixelsOf(*decoded);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(actual[i][c], expected[i][c], 1) << "pixel " << i << " channel " << c;
  }
}

TEST(ImageEncodeTest, OpaquePngStaysWithoutAlpha) {
  auto png = Image::imageWithPixels(1, 1, PixelLayout::RGBX, 4, Bytes{1, 2, 3, 99})->encodePNG();
  Image* decoded = Image::imageWithData(*png);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->alphaInfo(), Image::kAlphaNone);
  EXPECT_EQ(pixelsOf(*decoded)[0], (Rgba{1, 2, 3, 255}));
}

TEST(ImageEncodeTest, JpegAtBestQualityRoundTripsWithSmallMeanError) {
  const int size = 64;
  Bytes pixels;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) pixels.insert(pixels.end(), {uint8_t(x * 4), uint8_t(y * 4), uint8_t(128 + x), 255});
  }
  Image* source = Image::imageWithPixels(size, size, PixelLayout::RGBAPremultiplied, size * 4, pixels);
  auto best = source->encodeJPEG(1.0f);
  auto rough = source->encodeJPEG(0.1f);
  ASSERT_TRUE(best && rough);
  EXPECT_LT(rough->size(), best->size());
  Image* decoded = Image::imageWithData(*best);
  ASSERT_NE(decoded, nullptr);
  double error = 0;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    if (i % 4 != 3) error += std::abs(int(decoded->pixels()[i]) - int(pixels[i]));
  }
  EXPECT_LT(error / (size * size * 3), 2.0);
}

TEST(ImageEncodeTest, JpegDropsAlphaByCompositingOverBlack) {
  Bytes halfRed(8 * 8 * 4);
  for (std::size_t i = 0; i < halfRed.size(); i += 4) {
    halfRed[i] = 255;
    halfRed[i + 3] = 128;
  }
  auto jpeg = Image::imageWithPixels(8, 8, PixelLayout::RGBA, 32, halfRed)->encodeJPEG(1.0f);
  Image* decoded = Image::imageWithData(*jpeg);
  ASSERT_NE(decoded, nullptr);
  EXPECT_NEAR(decoded->pixels()[0], 128, 3);
  EXPECT_NEAR(decoded->pixels()[1], 0, 3);
}

}  // namespace
