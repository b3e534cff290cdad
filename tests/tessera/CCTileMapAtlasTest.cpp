// The TGA reader on files built here byte by byte, and the tile-map atlas on
// a tile sheet and maps written to a resource folder: quads and the tile
// index against a GL context, then whole frames through the real director.

#include "tessera/CCTileMapAtlas.h"

#include "OffscreenTestSupport.h"
#include "ParticleTestSupport.h"
#include "SpriteTestSupport.h"
#include "platform/Exception.h"
#include "support/TestSupport.h"
#include "tessera/CCTextureCache.h"
#include "tessera/Support/TGAlib.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <span>
#include <memory>
#include <string>
#include <vector>

using platform::Ref;

namespace {

using Bytes = std::vector<std::uint8_t>;
using TGA = std::unique_ptr<sImageTGA, TGADeleter>;

// [SECTION] Building TGA files

// The 18-byte header followed by `body` (an image ID, if any, is part of the body).
Bytes tgaFile(std::uint8_t type, std::uint8_t depth, int width, int height, const Bytes& body,
              std::uint8_t descriptor = 0, std::uint8_t idLength = 0) {
  Bytes file = {idLength, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                static_cast<std::uint8_t>(width & 0xFF), static_cast<std::uint8_t>((width >> 8) & 0xFF),
                static_cast<std::uint8_t>(height & 0xFF), static_cast<std::uint8_t>((height >> 8) & 0xFF),
                depth, descriptor};
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

TGA load(const Bytes& file) { return TGA(tgaLoadBuffer(file.data(), file.size())); }

// A 24-bit uncompressed map: one red value per tile, (x, y) at x + y × width
// with row 0 at the bottom, stored blue, green, red.
Bytes mapFile(int width, int height, const Bytes& reds, std::uint8_t green = 0) {
  Bytes body;
  for (std::uint8_t red : reds) body.insert(body.end(), {7, green, red});
  return tgaFile(2, 24, width, height, body);
}

std::string pixelText(const sImageTGA* info) {
  std::string text;
  const std::size_t bytes = static_cast<std::size_t>(info->width) * info->height * tgaBytesPerPixel(info);
  for (std::size_t i = 0; i < bytes; ++i) {
    if (i) text += ' ';
    text += std::to_string(info->imageData[i]);
  }
  return text;
}

// [SECTION] Reader: pixel layouts

TEST(TGAlibTest, UncompressedPixelsSwapBlueAndRedAndKeepTheRest) {
  // 24 bits: BGR to RGB.
  TGA rgb = load(tgaFile(2, 24, 2, 1, {1, 2, 3, 4, 5, 6}));
  ASSERT_EQ(kTGAStatusOK, rgb->status);
  EXPECT_EQ("3 2 1 6 5 4", pixelText(rgb.get()));
  // 32 bits: the alpha byte stays in place.
  TGA rgba = load(tgaFile(2, 32, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}));
  ASSERT_EQ(kTGAStatusOK, rgba->status);
  EXPECT_EQ("3 2 1 4 7 6 5 8", pixelText(rgba.get()));
  // 8-bit grey: nothing to swap.
  TGA grey = load(tgaFile(3, 8, 3, 1, {9, 8, 7}));
  ASSERT_EQ(kTGAStatusOK, grey->status);
  EXPECT_EQ("9 8 7", pixelText(grey.get()));
  EXPECT_EQ(3, grey->type);
  EXPECT_EQ(8, grey->pixelDepth);
}

TEST(TGAlibTest, RunLengthPacketsRepeatOrCopyPixelsAcrossRows) {
  // 0x83: one pixel four times, swapped once (every copy reads RGB).
  TGA run = load(tgaFile(10, 24, 2, 2, {0x83, 10, 20, 30}));
  ASSERT_EQ(kTGAStatusOK, run->status);
  EXPECT_EQ("30 20 10 30 20 10 30 20 10 30 20 10", pixelText(run.get()));
  // 0x03: four raw pixels follow.
  TGA raw = load(tgaFile(10, 8, 4, 1, {0x03, 1, 2, 3, 4}));
  ASSERT_EQ(kTGAStatusOK, raw->status);
  EXPECT_EQ("1 2 3 4", pixelText(raw.get()));
  // A run crossing from the first row into the second, then a raw packet.
  TGA mixed = load(tgaFile(10, 8, 3, 2, {0x83, 5, 0x01, 6, 7}));
  ASSERT_EQ(kTGAStatusOK, mixed->status);
  EXPECT_EQ("5 5 5 5 6 7", pixelText(mixed.get()));
  // A packet longer than the pixels left stops at the image's end.
  TGA overlong = load(tgaFile(10, 8, 2, 1, {0xFF, 9}));
  ASSERT_EQ(kTGAStatusOK, overlong->status);
  EXPECT_EQ("9 9", pixelText(overlong.get()));
}

TEST(TGAlibTest, TopFirstFilesAreStoredBottomRowFirst) {
  const Bytes rows = {1, 2, 3, 4, 5, 6};  // three rows of two grey pixels
  TGA asRead = load(tgaFile(3, 8, 2, 3, rows));
  EXPECT_EQ("1 2 3 4 5 6", pixelText(asRead.get()));
  EXPECT_EQ(0, asRead->flipped);
  TGA reversed = load(tgaFile(3, 8, 2, 3, rows, 0x20));
  ASSERT_EQ(kTGAStatusOK, reversed->status);
  EXPECT_EQ("5 6 3 4 1 2", pixelText(reversed.get()));
  EXPECT_EQ(0, reversed->flipped) << "cleared once the rows are reversed";
  TGA runLength = load(tgaFile(10, 8, 2, 2, {0x81, 1, 0x01, 2, 3}, 0x20));
  EXPECT_EQ("2 3 1 1", pixelText(runLength.get()));
}

TEST(TGAlibTest, ImageIdIsReadAsPixelData) {
  // The two ID bytes are not skipped: they become the first pixel's bytes,
  // and the image takes the bytes after them only as far as it needs.
  TGA image = load(tgaFile(3, 8, 4, 1, {0xAA, 0xBB, 1, 2}, 0, 2));
  ASSERT_EQ(kTGAStatusOK, image->status);
  EXPECT_EQ("170 187 1 2", pixelText(image.get()));
}

// [SECTION] Reader: refusals

TEST(TGAlibTest, StatusCodesForTypesAndMissingFiles) {
  EXPECT_EQ(kTGAStatusIndexedColor, load(tgaFile(1, 8, 1, 1, {0}))->status);
  for (std::uint8_t type : {0, 9, 11, 32}) {
    TGA image = load(tgaFile(type, 8, 1, 1, {0}));
    EXPECT_EQ(kTGAStatusUnsupportedType, image->status) << "type " << int(type);
    EXPECT_EQ(nullptr, image->imageData);
  }
  testing_support::LogCapture log;
  TGA missing(tgaLoad("/nonexistent/tessera/map.tga"));
  ASSERT_NE(nullptr, missing);
  EXPECT_EQ(kTGAStatusCannotOpen, missing->status);
  EXPECT_NE(std::string::npos, log.text().find("/nonexistent/tessera/map.tga"));
  TGA directory(tgaLoad("/tmp"));
  EXPECT_EQ(kTGAStatusCannotOpen, directory->status);
}

TEST(TGAlibTest, HostileSizesAndCutDataAreRefusedWithoutAnImage) {
  testing_support::LogCapture log;
  struct Case {
    const char* what;
    Bytes file;
    std::int32_t status;
  };
  const Case cases[] = {
      {"shorter than the header", Bytes(17, 0), kTGAStatusReadError},
      {"width 40000 reads as negative", tgaFile(2, 24, 40000, 1, Bytes(120000, 0)), kTGAStatusReadError},
      {"negative height", tgaFile(10, 8, 1, 0x8000, {0xFF, 0}), kTGAStatusReadError},
      {"uncompressed data one byte short", tgaFile(2, 24, 2, 2, Bytes(11, 0)), kTGAStatusReadError},
      {"run-length data ends inside a raw packet", tgaFile(10, 24, 4, 1, {0x03, 1, 2, 3, 4, 5, 6}),
       kTGAStatusReadError},
      {"run-length data ends before a run's pixel", tgaFile(10, 32, 2, 1, {0x81, 1, 2}), kTGAStatusReadError},
      {"8000 x 8000 promised by two bytes", tgaFile(10, 8, 8000, 8000, {0xFF, 1}), kTGAStatusReadError},
      {"4 GiB of pixels", tgaFile(10, 32, 32767, 32767, {0xFF, 1, 2, 3, 4}), kTGAStatusOutOfMemory},
  };
  for (const Case& c : cases) {
    TGA image = load(c.file);
    ASSERT_NE(nullptr, image) << c.what;
    EXPECT_EQ(c.status, image->status) << c.what;
    EXPECT_EQ(nullptr, image->imageData) << c.what;
  }
  EXPECT_EQ(std::size(cases), log.lines().size()) << "one log line per refusal";
}

TEST(TGAlibTest, EmptyAndOddDepthImagesStayInBounds) {
  TGA empty = load(tgaFile(2, 24, 0, 5, {}));
  EXPECT_EQ(kTGAStatusOK, empty->status);
  EXPECT_NE(nullptr, empty->imageData) << "a loaded image always has a buffer";
  // 25 bits: pixels of three bytes, swapped at a stride of three; the
  // buffer holds width × height × 25 / 8 bytes and its last byte is copied
  // but belongs to no pixel.
  Bytes body;
  for (int i = 0; i < 25; ++i) body.push_back(static_cast<std::uint8_t>(i));
  TGA odd = load(tgaFile(2, 25, 8, 1, body));
  ASSERT_EQ(kTGAStatusOK, odd->status);
  EXPECT_EQ(3u, tgaBytesPerPixel(odd.get()));
  EXPECT_EQ(2, odd->imageData[0]);
  EXPECT_EQ(0, odd->imageData[2]);
  EXPECT_EQ(23, odd->imageData[21]);
  EXPECT_EQ(24, odd->imageData[24]);
}

// [SECTION] Tile map: quads and the tile index

// A 64 x 64 sheet of 16 x 16 cells, four to a row. Cell n is drawn in
// kCellColours[n].
const sprite_test::Rgba kCellColours[] = {sprite_test::kWhite, sprite_test::kRed,   sprite_test::kGreen,
                                          sprite_test::kBlue,  sprite_test::kYellow, sprite_test::kCyan,
                                          sprite_test::kMagenta};

sprite_test::Picture sheetPicture() {
  sprite_test::Picture sheet(64, 64);
  for (int cell = 0; cell < 7; ++cell) sheet.fill((cell % 4) * 16, (cell / 4) * 16, 16, 16, kCellColours[cell]);
  return sheet;
}

class CCTileMapAtlasTest : public sprite_test::SpriteGLTest {
 protected:
  void SetUp() override {
    SpriteGLTest::SetUp();
    if (IsSkipped()) return;
    writePNG("sheet.png", sheetPicture());
  }
  void writeBytes(const std::string& name, const Bytes& bytes) {
    writeText(name, std::string(bytes.begin(), bytes.end()));
  }
  static std::vector<std::string> keysInQuadOrder(const CCTileMapAtlas* atlas) {
    std::vector<std::string> keys(atlas->posToAtlasIndex()->size());
    for (const auto& [key, index] : *atlas->posToAtlasIndex()) keys.at(static_cast<std::size_t>(index)) = key;
    return keys;
  }
};

TEST_F(CCTileMapAtlasTest, OneQuadPerNonEmptyTileInColumnOrder) {
  // 4 x 4, tiles at (3, 0), (1, 2) and (1, 1).
  Bytes reds(16, 0);
  reds[3 + 0 * 4] = 1;
  reds[1 + 2 * 4] = 2;
  reds[1 + 1 * 4] = 5;
  writeBytes("map.tga", mapFile(4, 4, reds));
  CCTileMapAtlas* atlas = CCTileMapAtlas::tileMapAtlasWithTileFile("sheet.png", "map.tga", 16, 16);
  ASSERT_NE(nullptr, atlas);
  EXPECT_EQ(3, atlas->itemsToRender());
  EXPECT_EQ(3u, atlas->textureAtlas()->totalQuads());
  EXPECT_EQ((std::vector<std::string>{"1,1", "1,2", "3,0"}), keysInQuadOrder(atlas));
  EXPECT_EQ(64.0f, atlas->contentSize().width);
  EXPECT_EQ(64.0f, atlas->contentSize().height);

  // Quad 0 is tile (1, 1), value 5: column 1, row 1 of a four-wide sheet.
  const ccV3F_C4B_T2F_Quad& quad = atlas->textureAtlas()->quads()[0];
  EXPECT_FLOAT_EQ(0.25f, quad.tl.texCoords.u);
  EXPECT_FLOAT_EQ(0.25f, quad.tl.texCoords.v);
  EXPECT_FLOAT_EQ(0.5f, quad.br.texCoords.u);
  EXPECT_FLOAT_EQ(0.5f, quad.br.texCoords.v);
  EXPECT_FLOAT_EQ(16.0f, quad.bl.vertices.x);
  EXPECT_FLOAT_EQ(16.0f, quad.bl.vertices.y);
  EXPECT_FLOAT_EQ(32.0f, quad.tr.vertices.x);
  EXPECT_FLOAT_EQ(32.0f, quad.tr.vertices.y);
  EXPECT_EQ(ccc3(5, 0, 7), atlas->tileAt(ccg(1, 1))) << "the pixel as red, green, blue";
}

TEST_F(CCTileMapAtlasTest, SetTileChangesOnlyExistingTiles) {
  writeBytes("map.tga", mapFile(2, 2, {1, 0, 2, 3}));
  CCTileMapAtlas* atlas = CCTileMapAtlas::tileMapAtlasWithTileFile("sheet.png", "map.tga", 16, 16);
  ASSERT_NE(nullptr, atlas);
  const std::vector<ccV3F_C4B_T2F_Quad> before(atlas->textureAtlas()->quads(), atlas->textureAtlas()->quads() + 3);

  atlas->setTile(ccc3(6, 1, 2), ccg(1, 0));  // empty: no quad to change
  EXPECT_EQ(ccc3(0, 0, 7), atlas->tileAt(ccg(1, 0)));

  atlas->setTile(ccc3(6, 1, 2), ccg(0, 1));  // value 2 -> 6: quad 1
  EXPECT_EQ(ccc3(6, 1, 2), atlas->tileAt(ccg(0, 1)));
  const ccV3F_C4B_T2F_Quad* after = atlas->textureAtlas()->quads();
  EXPECT_EQ(0, std::memcmp(&before[0], &after[0], sizeof(ccV3F_C4B_T2F_Quad)));
  EXPECT_EQ(0, std::memcmp(&before[2], &after[2], sizeof(ccV3F_C4B_T2F_Quad)));
  EXPECT_FLOAT_EQ(0.5f, after[1].tl.texCoords.u);
  EXPECT_FLOAT_EQ(0.25f, after[1].tl.texCoords.v);
  EXPECT_FLOAT_EQ(16.0f, after[1].bl.vertices.y) << "the quad stays on its tile";
}

TEST_F(CCTileMapAtlasTest, ThirtyTwoBitMapsReadEachPixelAtItsOwnStride) {
  // Blue, green, red, alpha per tile; reds 0, 3, 0, 4.
  const Bytes body = {0, 0, 0, 255, 0, 0, 3, 255, 0, 0, 0, 255, 0, 0, 4, 255};
  writeBytes("map32.tga", tgaFile(2, 32, 4, 1, body));
  CCTileMapAtlas* atlas = CCTileMapAtlas::tileMapAtlasWithTileFile("sheet.png", "map32.tga", 16, 16);
  ASSERT_NE(nullptr, atlas);
  EXPECT_EQ((std::vector<std::string>{"1,0", "3,0"}), keysInQuadOrder(atlas));
  EXPECT_EQ(ccc3(4, 0, 0), atlas->tileAt(ccg(3, 0)));
}

TEST_F(CCTileMapAtlasTest, MapsThatCannotBeLoadedThrowTheLoadException) {
  testing_support::LogCapture log;
  writeBytes("grey.tga", tgaFile(3, 8, 2, 2, {1, 2, 3, 4}));
  writeBytes("indexed.tga", tgaFile(1, 8, 1, 1, {0}));
  for (const char* map : {"missing.tga", "grey.tga", "indexed.tga"}) {
    try {
      CCTileMapAtlas::tileMapAtlasWithTileFile("sheet.png", map, 16, 16);
      ADD_FAILURE() << map << ": no exception";
    } catch (const platform::Exception& e) {
      EXPECT_EQ("TileMapAtlasLoadTGA", e.name()) << map;
      EXPECT_EQ("TileMapAtas cannot load TGA file", e.reason()) << map;
    }
  }
  // A sheet that can't be loaded is an ordinary failure.
  writeBytes("map.tga", mapFile(1, 1, {1}));
  EXPECT_EQ(nullptr, CCTileMapAtlas::tileMapAtlasWithTileFile("missing.png", "map.tga", 16, 16));
}

TEST_F(CCTileMapAtlasTest, MoreTilesThanAnAtlasHoldsIsRefused) {
  testing_support::LogCapture log;
  const int side = 129;  // 16641 tiles
  writeBytes("huge.tga", mapFile(side, side, Bytes(side * side, 1)));
  EXPECT_EQ(nullptr, CCTileMapAtlas::tileMapAtlasWithTileFile("sheet.png", "huge.tga", 16, 16));
  EXPECT_NE(std::string::npos, log.text().find("16641 tiles"));
}

TEST_F(CCTileMapAtlasTest, TileAccessOutsideTheMapOrAfterReleaseInvalid) {
  writeBytes("map.tga", mapFile(2, 2, {1, 0, 2, 3}));
  CCTileMapAtlas* atlas = CCTileMapAtlas::tileMapAtlasWithTileFile("sheet.png", "map.tga", 16, 16);
  ASSERT_NE(nullptr, atlas);
  testing_support::AssertionRecorder assertions;

  EXPECT_EQ(ccBLACK, atlas->tileAt(ccg(2, 0)));
  EXPECT_EQ(ccBLACK, atlas->tileAt(ccg(0, -1)));
  atlas->setTile(ccc3(1, 1, 1), ccg(-1, 0));
  atlas->setTile(ccc3(0, 1, 1), ccg(0, 0));
  EXPECT_EQ((std::vector<std::string>{"Invalid position.x", "Invalid position.y", "Invalid position.x",
                                      "R component must be non 0"}),
            assertions.messages());
  EXPECT_EQ("libs/tessera/CCTileMapAtlas.cpp", assertions.files().at(0));
  EXPECT_EQ(ccc3(1, 0, 7), atlas->tileAt(ccg(0, 0))) << "a refused tile changes nothing";

  assertions.clear();
  atlas->releaseMap();
  EXPECT_EQ(nullptr, atlas->tgaInfo());
  EXPECT_EQ(ccBLACK, atlas->tileAt(ccg(0, 0)));
  atlas->setTile(ccc3(1, 1, 1), ccg(0, 0));
  EXPECT_EQ((std::vector<std::string>{"tgaInfo must not be nil", "tgaInfo must not be nil",
                                      "posToAtlasIndex must not be nil"}),
            assertions.messages());
  EXPECT_EQ(3u, atlas->textureAtlas()->totalQuads()) << "the quads stay";
}

// [SECTION] Tile map: drawn through the director

class CCTileMapAtlasDrawTest : public offscreen_test::OffscreenTest {
 protected:
  void SetUp() override {
    OffscreenTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    folder_ = std::make_unique<particle_test::ResourceFolder>();
    const sprite_test::Picture sheet = sheetPicture();
    Ref<platform::Image> image = platform::Image::imageWithPixels(
        sheet.width, sheet.height, platform::PixelLayout::RGBA, static_cast<std::size_t>(sheet.width * 4),
        std::span<const std::uint8_t>(sheet.rgba));
    folder_->write("sheet.png", *image->encodePNG());
  }
  void TearDown() override {
    if (folder_) {
      scene_ = nullptr;
      CCDirector::purgeSharedDirector();
      CCTextureCache::purgeSharedTextureCache();
      folder_.reset();
    }
    OffscreenTest::TearDown();
  }

  // The colour name of each 16 x 16 tile's centre in a row of the map drawn
  // at (100, 200): the letters of kNames, '.' for the black background.
  static std::string tileRow(const offscreen_test::Frame& frame, int row, int columns) {
    const std::pair<sprite_test::Rgba, char> names[] = {
        {sprite_test::kRed, 'r'},    {sprite_test::kGreen, 'g'}, {sprite_test::kBlue, 'b'},
        {sprite_test::kYellow, 'y'}, {sprite_test::kCyan, 'c'},  {sprite_test::kMagenta, 'm'},
        {sprite_test::kBlack, '.'}};
    std::string text;
    for (int column = 0; column < columns; ++column) {
      const offscreen_test::Rgba p = frame.at(100 + column * 16 + 8, 200 + row * 16 + 8);
      char letter = '?';
      for (const auto& [colour, name] : names) {
        if (offscreen_test::near(colour, p, 24, 3)) letter = name;
      }
      text += letter;
    }
    return text;
  }

  std::unique_ptr<particle_test::ResourceFolder> folder_;
};

TEST_F(CCTileMapAtlasDrawTest, MapDrawsItsTilesAndSetTileRedrawsExactlyOne) {
  // Bottom row: red, empty, blue, cyan; top row: green, yellow, empty, magenta.
  folder_->write("map.tga", mapFile(4, 2, {1, 0, 3, 5, 2, 4, 0, 6}));
  CCTileMapAtlas* atlas = CCTileMapAtlas::tileMapAtlasWithTileFile("sheet.png", "map.tga", 16, 16);
  ASSERT_NE(nullptr, atlas);
  atlas->setPosition(CGPointMake(100, 200));
  scene()->addChild(atlas);

  offscreen_test::Frame frame = drawFrame();
  ASSERT_EQ(offscreen_test::kWidth, frame.width);
  EXPECT_EQ("r.bc", tileRow(frame, 0, 4));
  EXPECT_EQ("gy.m", tileRow(frame, 1, 4));

  atlas->setTile(ccc3(4, 0, 0), ccg(3, 1));  // magenta -> yellow
  atlas->setTile(ccc3(4, 0, 0), ccg(2, 1));  // empty: stays empty
  frame = drawFrame();
  EXPECT_EQ("r.bc", tileRow(frame, 0, 4));
  EXPECT_EQ("gy.y", tileRow(frame, 1, 4));
}

}  // namespace
