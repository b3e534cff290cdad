// Tile maps: layers built from generated maps (tile positions in the three
// orientations, automatic z, the quad list kept in tile order through
// setTileGID/removeTileAt/tileAt, the refusals and assertions) and the map
// node (layers, object groups, properties). Drawing goes through the real
// director and is read back. Every map and tileset picture is written by the
// test.

#include "OffscreenTestSupport.h"
#include "SpriteTestSupport.h"
#include "support/TestSupport.h"
#include "tessera/CCTMXLayer.h"
#include "tessera/CCTMXTiledMap.h"
#include "tessera/CCTextureAtlas.h"
#include "tessera/CCTextureCache.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using platform::Ref;
using testing::HasSubstr;

namespace {

namespace fs = std::filesystem;
using Rgba = std::array<int, 4>;

// [SECTION] Generated maps

// Tile colours by global number - 1: a tileset picture of 4 x 2 tiles.
const std::vector<Rgba> kTileColors = {{255, 0, 0, 255},   {0, 255, 0, 255},   {0, 0, 255, 255},
                                       {255, 255, 0, 255}, {0, 255, 255, 255}, {255, 0, 255, 255},
                                       {255, 255, 255, 255}, {128, 128, 128, 255}};
constexpr Rgba kClear = {0, 0, 0, 255};

enum class Encoding { Base64, Gzip, Zlib, CSV };

std::string base64(const std::vector<std::uint8_t>& bytes) {
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) group |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) group |= bytes[i + 2];
    out += alphabet[(group >> 18) & 63];
    out += alphabet[(group >> 12) & 63];
    out += i + 1 < bytes.size() ? alphabet[(group >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? alphabet[group & 63] : '=';
  }
  return out;
}

std::vector<std::uint8_t> deflated(const std::vector<std::uint8_t>& bytes, int windowBits) {
  z_stream stream{};
  deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
  std::vector<std::uint8_t> out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 32);
  stream.next_in = const_cast<Bytef*>(bytes.data());
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

// A <data> element holding `tiles` in `encoding`.
std::string dataElement(const std::vector<std::uint32_t>& tiles, Encoding encoding) {
  if (encoding == Encoding::CSV) {
    std::string csv;
    for (std::size_t i = 0; i < tiles.size(); ++i) {
      if (i) csv += ',';
      csv += std::to_string(tiles[i]);
    }
    return "<data encoding=\"csv\">" + csv + "</data>";
  }
  std::vector<std::uint8_t> bytes;
  for (std::uint32_t tile : tiles) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(tile >> shift));
  }
  if (encoding == Encoding::Gzip) return "<data encoding=\"base64\" compression=\"gzip\">" + base64(deflated(bytes, 31)) + "</data>";
  if (encoding == Encoding::Zlib) return "<data encoding=\"base64\" compression=\"zlib\">" + base64(deflated(bytes, 15)) + "</data>";
  return "<data encoding=\"base64\">" + base64(bytes) + "</data>";
}

struct LayerFixture {
  LayerFixture(std::string name, int width, int height, std::vector<std::uint32_t> tiles,
            Encoding encoding = Encoding::Base64, std::string extra = "", std::string properties = "")
      : name(std::move(name)), width(width), height(height), tiles(std::move(tiles)), encoding(encoding),
        extra(std::move(extra)), properties(std::move(properties)) {}
  std::string name;
  int width, height;
  std::vector<std::uint32_t> tiles;  // row by row from the top
  Encoding encoding;
  std::string extra;       // more attributes of <layer>
  std::string properties;  // <property> elements
};

// Writes "tiles.png" (4 x 2 solid tiles of `tile` pixels, colours kTileColors)
// and a map of `layers` into `folder`; returns the map's path.
std::string writeMap(const fs::path& folder, const std::string& orientation, CGSize tile,
                     const std::vector<LayerFixture>& layers, const std::string& more = "", int firstGid = 1) {
  const int tw = static_cast<int>(tile.width), th = static_cast<int>(tile.height);
  sprite_test::Picture picture(tw * 4, th * 2);
  for (int i = 0; i < 8; ++i) picture.fill(i % 4 * tw, i / 4 * th, tw, th, kTileColors[static_cast<std::size_t>(i)]);
  Ref<platform::Image> image = platform::Image::imageWithPixels(
      picture.width, picture.height, platform::PixelLayout::RGBA, static_cast<std::size_t>(picture.width * 4),
      std::span<const std::uint8_t>(picture.rgba));
  const auto png = image->encodePNG();
  fs::create_directories(folder);
  std::ofstream(folder / "tiles.png", std::ios::binary)
      .write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));

  const int mapWidth = layers.empty() ? 1 : layers[0].width, mapHeight = layers.empty() ? 1 : layers[0].height;
  std::string xml = "<?xml version=\"1.0\"?>\n<map version=\"1.0\" orientation=\"" + orientation + "\" width=\"" +
                    std::to_string(mapWidth) + "\" height=\"" + std::to_string(mapHeight) + "\" tilewidth=\"" +
                    std::to_string(tw) + "\" tileheight=\"" + std::to_string(th) + "\">\n" +
                    "<tileset firstgid=\"" + std::to_string(firstGid) + "\" name=\"colours\" tilewidth=\"" +
                    std::to_string(tw) + "\" tileheight=\"" + std::to_string(th) +
                    "\"><image source=\"tiles.png\"/></tileset>\n" + more;
  for (const LayerFixture& layer : layers) {
    xml += "<layer name=\"" + layer.name + "\" width=\"" + std::to_string(layer.width) + "\" height=\"" +
           std::to_string(layer.height) + "\" " + layer.extra + ">";
    if (!layer.properties.empty()) xml += "<properties>" + layer.properties + "</properties>";
    xml += dataElement(layer.tiles, layer.encoding) + "</layer>\n";
  }
  xml += "</map>\n";
  const fs::path path = folder / "map.tmx";
  std::ofstream(path, std::ios::binary) << xml;
  return path.string();
}

// Tiles numbered by `gidAt(column, row)`.
std::vector<std::uint32_t> grid(int width, int height, const std::function<std::uint32_t(int, int)>& gidAt) {
  std::vector<std::uint32_t> tiles;
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) tiles.push_back(gidAt(column, row));
  }
  return tiles;
}

std::string text(CGPoint point) { return NSStringFromCGPoint(point); }

// [SECTION] Layers and maps (texture loading needs a GL context)

class CCTMXTiledMapTest : public sprite_test::SpriteGLTest {
 protected:
  CCTMXTiledMap* map(const std::string& orientation, CGSize tile, const std::vector<LayerFixture>& layers,
                     const std::string& more = "") {
    return CCTMXTiledMap::tiledMapWithTMXFile(writeMap(resources_, orientation, tile, layers, more));
  }
  CCTMXLayer* layer(const std::string& orientation, CGSize tile, const LayerFixture& fixture) {
    CCTMXTiledMap* built = map(orientation, tile, {fixture});
    return built ? built->layerNamed(fixture.name) : nullptr;
  }

  // Checks everything the layer keeps about its quads: the index list is
  // ascending and names exactly the non-empty tiles, and quad i shows the
  // tile the list names at that tile's position.
  static void expectConsistent(CCTMXLayer* layer) {
    const ccCArray* list = layer->atlasIndexArray();
    const auto width = static_cast<std::uint32_t>(layer->layerSize().width);
    const auto count = width * static_cast<std::uint32_t>(layer->layerSize().height);
    std::vector<std::uint32_t> expected;
    for (std::uint32_t z = 0; z < count; ++z) {
      if (layer->tiles()[z] != 0) expected.push_back(z);
    }
    ASSERT_EQ(expected, std::vector<std::uint32_t>(list->arr, list->arr + list->num));
    ASSERT_EQ(expected.size(), layer->textureAtlas()->totalQuads());
    for (std::uint32_t i = 0; i < list->num; ++i) {
      const std::uint32_t z = list->arr[i];
      const CGPoint corner = layer->positionAt(CGPointMake(static_cast<float>(z % width), static_cast<float>(z / width)));
      const ccV3F_C4B_T2F_Quad& quad = layer->textureAtlas()->quads()[i];
      EXPECT_EQ(text(corner), text(CGPointMake(quad.bl.vertices.x, quad.bl.vertices.y))) << "quad " << i;
      const CGRect rect = layer->tileset()->rectForGID(layer->tiles()[z]);
      EXPECT_FLOAT_EQ(rect.origin.x / static_cast<float>(layer->texture()->pixelsWide()), quad.tl.texCoords.u)
          << "quad " << i;
    }
  }
};

TEST_F(CCTMXTiledMapTest, TilePositionsInTheThreeOrientations) {
  const auto full = [](int, int) { return 1u; };
  CCTMXLayer* ortho = layer("orthogonal", CGSizeMake(32, 32), {"o", 10, 10, grid(10, 10, full)});
  ASSERT_NE(nullptr, ortho);
  EXPECT_EQ("{0, 288}", text(ortho->positionAt(CGPointMake(0, 0))));
  EXPECT_EQ("{288, 0}", text(ortho->positionAt(CGPointMake(9, 9))));
  expectConsistent(ortho);

  CCTMXLayer* iso = layer("isometric", CGSizeMake(64, 32), {"i", 10, 10, grid(10, 10, full)});
  ASSERT_NE(nullptr, iso);
  EXPECT_EQ("{288, 288}", text(iso->positionAt(CGPointMake(0, 0))));
  EXPECT_EQ("{576, 144}", text(iso->positionAt(CGPointMake(9, 0))));
  EXPECT_EQ("{640, 320}", text(CGPointMake(iso->contentSizeInPixels().width, iso->contentSizeInPixels().height)));
  expectConsistent(iso);

  CCTMXLayer* hex = layer("hexagonal", CGSizeMake(32, 32), {"h", 4, 2, grid(4, 2, full)});
  ASSERT_NE(nullptr, hex);
  EXPECT_EQ("{0, 32}", text(hex->positionAt(CGPointMake(0, 0))));
  EXPECT_EQ("{24, 16}", text(hex->positionAt(CGPointMake(1, 0)))) << "odd columns half a tile lower";
  EXPECT_EQ("{48, 32}", text(hex->positionAt(CGPointMake(2, 0))));
  expectConsistent(hex);
}

TEST_F(CCTMXTiledMapTest, LayerOffsetsAndVertexZProperties) {
  const auto full = [](int, int) { return 2u; };
  CCTMXLayer* automatic = layer("orthogonal", CGSizeMake(32, 32),
                                {"a", 10, 10, grid(10, 10, full), Encoding::Base64, "x=\"2\" y=\"1\"",
                                 "<property name=\"cc_vertexz\" value=\"automatic\"/>"
                                 "<property name=\"cc_alpha_func\" value=\"0.5\"/>"});
  ASSERT_NE(nullptr, automatic);
  EXPECT_TRUE(automatic->useAutomaticVertexZ());
  EXPECT_FLOAT_EQ(0.5f, automatic->alphaFuncValue());
  EXPECT_EQ("{64, -32}", text(automatic->positionInPixels()));
  EXPECT_FLOAT_EQ(-7, automatic->tileAt(CGPointMake(4, 3))->vertexZ()) << "row 3 of 10";
  EXPECT_FLOAT_EQ(-7, automatic->textureAtlas()->quads()[34].tl.vertices.z);

  CCTMXLayer* isoAutomatic = layer("isometric", CGSizeMake(64, 32),
                                   {"ia", 10, 10, grid(10, 10, full), Encoding::Base64, "",
                                    "<property name=\"cc_vertexz\" value=\"automatic\"/>"});
  EXPECT_FLOAT_EQ(-15, isoAutomatic->tileAt(CGPointMake(2, 3))->vertexZ());

  CCTMXLayer* fixed = layer("orthogonal", CGSizeMake(32, 32),
                            {"f", 10, 10, grid(10, 10, full), Encoding::Base64, "opacity=\"0.5\"",
                             "<property name=\"cc_vertexz\" value=\"-5\"/>"});
  EXPECT_FALSE(fixed->useAutomaticVertexZ());
  EXPECT_EQ(-5, fixed->vertexZvalue());
  EXPECT_FLOAT_EQ(-5, fixed->textureAtlas()->quads()[99].br.vertices.z);
  // The layer's opacity reaches every quad and every tile sprite.
  EXPECT_EQ(127, fixed->textureAtlas()->quads()[0].tl.colors.a);
  EXPECT_EQ(127, fixed->textureAtlas()->quads()[99].br.colors.a);
  EXPECT_EQ(127, fixed->tileAt(CGPointMake(5, 5))->opacity());
}

TEST_F(CCTMXTiledMapTest, ChangingTilesKeepsTheQuadsInTileOrder) {
  // A checkerboard: every other tile empty.
  CCTMXLayer* board = layer("orthogonal", CGSizeMake(8, 8),
                            {"b", 6, 5, grid(6, 5, [](int c, int r) { return (c + r) % 2 ? 0u : 1u + c % 8; })});
  ASSERT_NE(nullptr, board);
  expectConsistent(board);
  CCSprite* late = board->tileAt(CGPointMake(4, 4));
  CCSprite* early = board->tileAt(CGPointMake(0, 0));
  ASSERT_TRUE(late && early);
  EXPECT_EQ(late, board->tileAt(CGPointMake(4, 4))) << "asked twice, the same sprite";
  EXPECT_EQ(nullptr, board->tileAt(CGPointMake(1, 0))) << "an empty tile has no sprite";
  const std::uint32_t lateIndex = late->atlasIndex();

  board->setTileGID(3, CGPointMake(1, 0));  // empty: a new quad before `late`
  EXPECT_EQ(3u, board->tileGIDAt(CGPointMake(1, 0)));
  EXPECT_EQ(lateIndex + 1, late->atlasIndex());
  EXPECT_EQ(0u, early->atlasIndex());
  expectConsistent(board);

  const unsigned quads = board->textureAtlas()->totalQuads();
  board->setTileGID(3, CGPointMake(1, 0));  // the current number: nothing
  board->setTileGID(5, CGPointMake(2, 0));  // a quad rewritten in place
  EXPECT_EQ(quads, board->textureAtlas()->totalQuads());
  expectConsistent(board);

  board->setTileGID(6, CGPointMake(4, 4));  // through the sprite
  EXPECT_EQ(6u, board->tileGIDAt(CGPointMake(4, 4)));
  EXPECT_EQ(board->tileset()->rectForGID(6).origin.x, late->textureRectInPixels().origin.x);

  board->setTileGID(0, CGPointMake(0, 0));  // removes the first quad and its sprite
  EXPECT_EQ(nullptr, early->parent());
  EXPECT_EQ(lateIndex, late->atlasIndex());
  board->removeTileAt(CGPointMake(2, 0));
  board->removeTileAt(CGPointMake(3, 0));  // empty already: nothing
  EXPECT_EQ(quads - 2, board->textureAtlas()->totalQuads());
  EXPECT_EQ(lateIndex - 1, late->atlasIndex());

  // Drawing lets the sprite rewrite its quad: it must still be the tile's.
  board->visit();
  expectConsistent(board);

  board->removeChild(late, true);
  EXPECT_EQ(0u, board->tileGIDAt(CGPointMake(4, 4)));
  expectConsistent(board);
}

TEST_F(CCTMXTiledMapTest, MapBuildsVisibleLayersWithItsGroupsAndProperties) {
  const std::string more =
      "<objectgroup name=\"spawns\"><object name=\"hero\" x=\"16\" y=\"16\"/></objectgroup>";
  CCTMXTiledMap* built = CCTMXTiledMap::tiledMapWithTMXFile(writeMap(
      resources_, "orthogonal", CGSizeMake(16, 16),
      {{"ground", 4, 3, grid(4, 3, [](int, int) { return 1u; })},
       {"hidden", 4, 3, grid(4, 3, [](int, int) { return 2u; }), Encoding::Base64, "visible=\"0\""},
       {"top", 5, 2, grid(5, 2, [](int c, int) { return c == 0 ? 3u : 0u; })}},
      "<properties><property name=\"level\" value=\"3\"/></properties>"
      "<tileset firstgid=\"100\" name=\"unused\" tilewidth=\"16\" tileheight=\"16\"><image source=\"tiles.png\"/>"
      "<tile id=\"1\"><properties><property name=\"solid\" value=\"yes\"/></properties></tile></tileset>" +
          more));
  ASSERT_NE(nullptr, built);
  ASSERT_EQ(2u, built->children()->count()) << "invisible layers are not added";
  CCTMXLayer* top = built->layerNamed("top");
  ASSERT_NE(nullptr, top);
  EXPECT_EQ(1, top->zOrder()) << "z and tag count visible layers only";
  EXPECT_EQ(1, top->tag());
  EXPECT_EQ(nullptr, built->layerNamed("hidden"));
  EXPECT_EQ(1u, top->tileset()->firstGid()) << "the last tileset starting at or below a tile";
  EXPECT_EQ("{80, 48}", NSStringFromCGSize(built->contentSize()));
  EXPECT_EQ(3, built->propertyNamed("level").intValue());
  ASSERT_NE(nullptr, built->objectGroupNamed("spawns"));
  EXPECT_EQ(built->objectGroupNamed("spawns"), built->groupNamed("spawns"));
  EXPECT_EQ(nullptr, built->objectGroupNamed("nothing"));
  ASSERT_NE(nullptr, built->propertiesForGID(101));
  EXPECT_EQ("yes", built->propertiesForGID(101)->get("solid").stringValue());
  EXPECT_EQ(nullptr, built->propertiesForGID(1));
}

// [SECTION] Bad data and misuse

TEST_F(CCTMXTiledMapTest, TileDataThatDoesNotFitTheLayerIsRefused) {
  testing_support::LogCapture log;
  LayerFixture shortLayer{"short", 4, 4, grid(4, 3, [](int, int) { return 1u; }), Encoding::CSV};
  EXPECT_EQ(nullptr, map("orthogonal", CGSizeMake(8, 8), {shortLayer}));
  EXPECT_THAT(log.text(), HasSubstr("layer \"short\" is 4x4 tiles but its data holds 12 tile numbers"));
  LayerFixture longLayer{"long", 2, 2, grid(3, 2, [](int, int) { return 1u; })};
  EXPECT_EQ(nullptr, map("orthogonal", CGSizeMake(8, 8), {longLayer}));
  EXPECT_THAT(log.text(), HasSubstr("holds 6 tile numbers"));

  // The record's buffer: a layer takes it over once (the record is then
  // empty, so a second layer is refused); a buffer the record does not own
  // is copied. ASan checks that nothing is freed twice or leaked.
  CCTMXMapInfo* info = CCTMXMapInfo::formatWithTMXFile(
      writeMap(resources_, "orthogonal", CGSizeMake(8, 8), {{"l", 2, 2, {1, 0, 0, 2}}}));
  ASSERT_NE(nullptr, info);
  CCTMXLayerInfo* record = info->layers()[0].get();
  CCTMXTilesetInfo* tileset = info->tilesets()[0].get();
  EXPECT_NE(nullptr, CCTMXLayer::layerWithTilesetInfo(tileset, record, info));
  EXPECT_EQ(nullptr, record->tiles());
  EXPECT_EQ(nullptr, CCTMXLayer::layerWithTilesetInfo(tileset, record, info));
  std::vector<std::uint32_t> mine = {0, 3, 3, 0};
  auto* buffer = static_cast<std::uint32_t*>(std::malloc(4 * sizeof(std::uint32_t)));
  std::copy(mine.begin(), mine.end(), buffer);
  record->setTiles(buffer, 4);
  record->setOwnTiles(false);
  CCTMXLayer* copy = CCTMXLayer::layerWithTilesetInfo(tileset, record, info);
  ASSERT_NE(nullptr, copy);
  EXPECT_NE(buffer, copy->tiles());
  EXPECT_EQ(3u, copy->tiles()[1]);
  std::free(buffer);
}

TEST_F(CCTMXTiledMapTest, MisuseFailsItsAssertionAndChangesNothing) {
  testing_support::AssertionRecorder assertions;
  CCTMXLayer* small = layer("orthogonal", CGSizeMake(8, 8), {"s", 3, 3, grid(3, 3, [](int, int) { return 2u; })});
  ASSERT_NE(nullptr, small);
  EXPECT_EQ(0u, small->tileGIDAt(CGPointMake(3, 0)));
  EXPECT_EQ(nullptr, small->tileAt(CGPointMake(-1, 0)));
  small->setTileGID(1, CGPointMake(0, 3));
  small->addChild(CCSprite::node(), 0, 0);
  CCSprite* stranger = CCSprite::node();
  small->removeChild(stranger, true);
  small->releaseMap();
  small->removeTileAt(CGPointMake(0, 0));
  EXPECT_THAT(assertions.messages(),
              testing::ElementsAre("TMXLayer: invalid position", "TMXLayer: invalid position",
                                   "TMXLayer: invalid position",
                                   "addChild: is not supported on CCTMXLayer. Instead use setTileGID:at:/tileAt:",
                                   "Tile does not belong to TMXLayer", "TMXLayer: the tiles map has been released"));
  EXPECT_EQ(9u, small->textureAtlas()->totalQuads());
  EXPECT_EQ(0u, small->children()->count());
  EXPECT_THAT(assertions.files()[0], HasSubstr("libs/tessera/CCTMXLayer"));

  // A tileset starting above some of the layer's numbers.
  assertions.clear();
  CCTMXTiledMap::tiledMapWithTMXFile(writeMap(
      resources_, "orthogonal", CGSizeMake(8, 8), {{"two", 2, 1, {3, 12}}},
      "<tileset firstgid=\"10\" name=\"b\" tilewidth=\"8\" tileheight=\"8\"><image source=\"tiles.png\"/></tileset>"));
  EXPECT_THAT(assertions.messages(), testing::ElementsAre("TMX: Only 1 tilset per layer is supported"));
}

TEST_F(CCTMXTiledMapTest, LayersBeyondOneDrawCallOfQuadsHoldEveryTile) {
  // 200 x 100 tiles: more quads than 16-bit indices reach in one draw.
  CCTMXLayer* big = layer("orthogonal", CGSizeMake(2, 2), {"big", 200, 100, grid(200, 100, [](int c, int r) {
                                                             return static_cast<std::uint32_t>(1 + (c + r) % 8);
                                                           }), Encoding::Zlib});
  ASSERT_NE(nullptr, big);
  EXPECT_EQ(20000u, big->textureAtlas()->totalQuads());
  EXPECT_EQ(20000u, big->textureAtlas()->capacity()) << "sized once to the tiles";
  big->removeTileAt(CGPointMake(0, 0));
  big->setTileGID(4, CGPointMake(0, 0));
  big->setTileGID(2, CGPointMake(199, 99));
  expectConsistent(big);
}

// [SECTION] Drawing through the director

class CCTMXTiledMapDrawingTest : public offscreen_test::OffscreenTest {
 protected:
  void SetUp() override {
    offscreen_test::OffscreenTest::SetUp();
    folder_ = fs::temp_directory_path() /
              ("tessera-tilemap-" + std::to_string(::getpid()) + "-" + std::to_string(++serial_));
  }
  void TearDown() override {
    // The tileset pictures went through the shared cache: later tests expect
    // it empty.
    CCTextureCache::purgeSharedTextureCache();
    offscreen_test::OffscreenTest::TearDown();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  CCTMXTiledMap* mapAt(const std::string& name, CGPoint position, const std::string& orientation, CGSize tile,
                       const LayerFixture& layer) {
    CCTMXTiledMap* map = CCTMXTiledMap::tiledMapWithTMXFile(writeMap(folder_ / name, orientation, tile, {layer}));
    if (map) {
      map->setPosition(position);
      scene()->addChild(map);
    }
    return map;
  }
  // Expects tile (c, r) of `layer` in `map` to show `gid`'s colour (or the
  // clear colour for 0), sampled at `inside` from the tile's corner (by
  // default its centre).
  static void expectTile(const offscreen_test::Frame& frame, CCTMXTiledMap* map, CCTMXLayer* layer, int c, int r,
                         std::uint32_t gid, CGPoint inside = CGPointMake(-1, -1)) {
    if (inside.x < 0) inside = CGPointMake(map->tileSize().width / 2, map->tileSize().height / 2);
    const CGPoint corner = layer->positionAt(CGPointMake(static_cast<float>(c), static_cast<float>(r)));
    const int x = static_cast<int>(map->position().x + corner.x + inside.x);
    const int y = static_cast<int>(map->position().y + corner.y + inside.y);
    const Rgba want = gid == 0 ? kClear : kTileColors[gid - 1];
    EXPECT_TRUE(offscreen_test::near(want, frame.at(x, y), 2, 3))
        << "tile (" << c << ", " << r << ") at (" << x << ", " << y << ") shows " << frame.at(x, y)[0] << ","
        << frame.at(x, y)[1] << "," << frame.at(x, y)[2];
  }

  static inline int serial_ = 0;
  fs::path folder_;
};

TEST_F(CCTMXTiledMapDrawingTest, EveryEncodingDrawsTheRightTileAtTheRightPlace) {
  const auto gidAt = [](int c, int r) { return (c * 3 + r) % 9 == 8 ? 0u : static_cast<std::uint32_t>((c * 3 + r) % 9 + 1); };
  const std::vector<std::uint32_t> tiles = grid(4, 5, gidAt);
  std::vector<CCTMXTiledMap*> maps;
  const Encoding encodings[] = {Encoding::Base64, Encoding::Gzip, Encoding::Zlib, Encoding::CSV};
  for (int i = 0; i < 4; ++i) {
    maps.push_back(mapAt("ortho" + std::to_string(i), CGPointMake(8 + 78.0f * i, 20), "orthogonal",
                         CGSizeMake(16, 16), {"l", 4, 5, tiles, encodings[i]}));
    ASSERT_NE(nullptr, maps.back());
  }
  CCTMXTiledMap* iso = mapAt("iso", CGPointMake(20, 150), "isometric", CGSizeMake(32, 16),
                             {"l", 4, 4, grid(4, 4, gidAt), Encoding::Zlib});
  CCTMXTiledMap* hex = mapAt("hex", CGPointMake(180, 150), "hexagonal", CGSizeMake(16, 16),
                             {"l", 5, 3, grid(5, 3, gidAt), Encoding::CSV});
  ASSERT_TRUE(iso && hex);

  const offscreen_test::Frame frame = drawFrame();
  for (CCTMXTiledMap* map : maps) {
    for (int r = 0; r < 5; ++r) {
      for (int c = 0; c < 4; ++c) expectTile(frame, map, map->layerNamed("l"), c, r, gidAt(c, r));
    }
  }
  // Isometric tiles overlap their four neighbours by a quarter each: the
  // upper-left quarter of a tile is covered only by tiles drawn before it.
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      if (gidAt(c, r) != 0) expectTile(frame, iso, iso->layerNamed("l"), c, r, gidAt(c, r), CGPointMake(12, 12));
    }
  }
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 5; ++c) expectTile(frame, hex, hex->layerNamed("l"), c, r, gidAt(c, r));
  }
}

TEST_F(CCTMXTiledMapDrawingTest, SetTileGIDAndRemoveTileAtChangeExactlyOneTile) {
  CCTMXTiledMap* map = mapAt("edit", CGPointMake(40, 40), "orthogonal", CGSizeMake(16, 16),
                             {"l", 6, 4, grid(6, 4, [](int c, int r) { return static_cast<std::uint32_t>(1 + (c + r) % 7); })});
  ASSERT_NE(nullptr, map);
  CCTMXLayer* layer = map->layerNamed("l");
  const offscreen_test::Frame before = drawFrame();

  // Pixels that differ between two frames, as the tiles they fall in.
  const auto changedTiles = [&](const offscreen_test::Frame& after) {
    std::vector<std::pair<int, int>> tiles;
    for (int y = 0; y < offscreen_test::kHeight; ++y) {
      for (int x = 0; x < offscreen_test::kWidth; ++x) {
        if (offscreen_test::near(before.at(x, y), after.at(x, y), 2)) continue;
        const std::pair<int, int> tile{(x - 40) / 16, 3 - (y - 40) / 16};
        if (std::find(tiles.begin(), tiles.end(), tile) == tiles.end()) tiles.push_back(tile);
      }
    }
    return tiles;
  };

  layer->setTileGID(8, CGPointMake(2, 1));
  offscreen_test::Frame after = drawFrame();
  EXPECT_THAT(changedTiles(after), testing::ElementsAre(std::pair{2, 1}));
  expectTile(after, map, layer, 2, 1, 8);

  layer->setTileGID(8, CGPointMake(2, 1));
  layer->removeTileAt(CGPointMake(5, 3));
  after = drawFrame();
  EXPECT_THAT(changedTiles(after), testing::UnorderedElementsAre(std::pair{2, 1}, std::pair{5, 3}));
  expectTile(after, map, layer, 5, 3, 0);

  // A tile sprite moved away leaves its place empty and shows elsewhere.
  layer->tileAt(CGPointMake(0, 0))->setPosition(CGPointMake(200, 200));
  after = drawFrame();
  expectTile(after, map, layer, 0, 0, 0);
  EXPECT_TRUE(offscreen_test::near(kTileColors[0], after.at(40 + 208, 40 + 208), 2, 3));
}

TEST_F(CCTMXTiledMapDrawingTest, LayersLargerThanOneDrawCallDrawEveryBlock) {
  // 160 x 120 tiles of 2 x 2 pixels: 19200 quads, the last 2816 drawn in a
  // second block. Red rows above, blue rows below.
  CCTMXTiledMap* map = mapAt("big", CGPointZero, "orthogonal", CGSizeMake(2, 2),
                             {"l", 160, 120, grid(160, 120, [](int, int r) { return r < 60 ? 1u : 3u; }),
                              Encoding::Gzip});
  ASSERT_NE(nullptr, map);
  const offscreen_test::Frame frame = drawFrame();
  EXPECT_TRUE(offscreen_test::near(kTileColors[0], frame.at(100, 200), 2, 3));
  EXPECT_TRUE(offscreen_test::near(kTileColors[2], frame.at(100, 100), 2, 3));
  EXPECT_TRUE(offscreen_test::near(kTileColors[2], frame.at(100, 10), 2, 3)) << "the second block";
  EXPECT_TRUE(offscreen_test::near(kTileColors[2], frame.at(316, 2), 2, 3));
  EXPECT_TRUE(offscreen_test::near(kClear, frame.at(100, 300), 2, 3));
}

TEST_F(CCTMXTiledMapDrawingTest, ScrolledAndScaledMapsShowEveryTileThatReachesTheScreen) {
  // Only the tiles that can reach the screen are drawn: every tile centre on
  // the screen, up to its edges, must still show its tile.
  const auto gidAt = [](int c, int r) { return 1 + static_cast<std::uint32_t>(c * 3 + r * 5) % 8; };
  for (const float scale : {1.0f, 0.5f, 1.7f}) {
    SCOPED_TRACE(scale);
    CCTMXTiledMap* map = mapAt("scroll" + std::to_string(scale), CGPointMake(-333, -517), "orthogonal",
                               CGSizeMake(16, 16), {"l", 100, 100, grid(100, 100, gidAt), Encoding::Zlib});
    ASSERT_NE(nullptr, map);
    map->setScale(scale);
    const offscreen_test::Frame frame = drawFrame();
    int checked = 0;
    for (int r = 0; r < 100; ++r) {
      for (int c = 0; c < 100; ++c) {
        const float x = -333 + (static_cast<float>(c) * 16 + 8) * scale;
        const float y = -517 + (static_cast<float>(99 - r) * 16 + 8) * scale;
        if (x < 1 || y < 1 || x > offscreen_test::kWidth - 2 || y > offscreen_test::kHeight - 2) continue;
        const Rgba got = frame.at(static_cast<int>(x), static_cast<int>(y));
        EXPECT_TRUE(offscreen_test::near(kTileColors[gidAt(c, r) - 1], got, 2, 3))
            << "tile (" << c << ", " << r << ") at (" << x << ", " << y << ")";
        ++checked;
      }
    }
    EXPECT_GT(checked, 150);
    scene()->removeChild(map, true);
  }
}

}  // namespace
