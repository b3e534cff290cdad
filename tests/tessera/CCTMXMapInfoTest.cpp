// Reading tile maps: the map, tilesets (embedded and external), layers with
// Base64 (plain, gzip, zlib) and CSV data, object groups, properties at every
// level, and the refusals of bad files. Every map is written by the test.

#include "tessera/CCTMXMapInfo.h"

#include "../support/TestSupport.h"
#include "platform/AutoreleasePool.h"
#include "platform/Facts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using testing::HasSubstr;

Bytes littleEndian(const std::vector<uint32_t>& tiles) {
  Bytes bytes;
  for (uint32_t tile : tiles) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(tile >> shift));
  }
  return bytes;
}

std::string base64(const Bytes& bytes) {
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t group = static_cast<uint32_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) group |= static_cast<uint32_t>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) group |= bytes[i + 2];
    out += alphabet[(group >> 18) & 63];
    out += alphabet[(group >> 12) & 63];
    out += i + 1 < bytes.size() ? alphabet[(group >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? alphabet[group & 63] : '=';
  }
  return out;
}

/// Deflates `bytes` with a gzip (windowBits 31) or zlib (15) wrapper.
Bytes deflated(const Bytes& bytes, int windowBits) {
  z_stream stream{};
  EXPECT_EQ(Z_OK, deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY));
  Bytes out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 32);
  stream.next_in = const_cast<Bytef*>(bytes.data());
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(Z_STREAM_END, deflate(&stream, Z_FINISH));
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

std::string text(CGSize size) { return NSStringFromCGSize(size); }
std::string text(CGPoint point) { return NSStringFromCGPoint(point); }
// Geometry compared through its string form, which also reads well on failure.
#define EXPECT_GEOMETRY(expected, actual) EXPECT_EQ(text(expected), text(actual))

constexpr const char* kTileset =
    "<tileset firstgid=\"1\" name=\"ground\" tilewidth=\"32\" tileheight=\"32\" spacing=\"1\" margin=\"2\">"
    "<image source=\"ground.png\"/></tileset>";

class CCTMXMapInfoTest : public testing::Test {
 protected:
  void SetUp() override {
    savedResourceDir_ = platform::facts().resourceDir;
    folder_ = fs::temp_directory_path() / ("tessera-tmx-" + std::to_string(::getpid()) + "-" +
                                           testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    platform::facts().resourceDir = savedResourceDir_;
    fs::remove_all(folder_);
  }

  std::string write(const std::string& name, const std::string& text) const {
    const fs::path path = folder_ / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }
  /// A 10 x 10 map of 32-pixel tiles with `body` inside <map>.
  CCTMXMapInfo* read(const std::string& body, const std::string& mapAttributes = "") {
    const std::string path =
        write("map.tmx", "<?xml version=\"1.0\"?>\n<map version=\"1.0\" orientation=\"orthogonal\" width=\"10\" "
                         "height=\"10\" tilewidth=\"32\" tileheight=\"32\" " +
                             mapAttributes + ">\n" + body + "\n</map>\n");
    return CCTMXMapInfo::formatWithTMXFile(path);
  }
  static std::vector<uint32_t> tilesOf(const CCTMXLayerInfo& layer) {
    return std::vector<uint32_t>(layer.tiles(), layer.tiles() + layer.tileCount());
  }

  platform::AutoreleasePool pool_;
  fs::path folder_;
  std::string savedResourceDir_;
};

// [SECTION] Map, tilesets, tiles

TEST_F(CCTMXMapInfoTest, ReadsTheMapHeaderAndOrientations) {
  struct Case {
    const char* orientation;
    int32_t expected;
  };
  for (const Case& c : {Case{"isometric", CCTMXOrientationIso}, Case{"hexagonal", CCTMXOrientationHex},
                        Case{"orthogonal", CCTMXOrientationOrtho}, Case{"staggered", CCTMXOrientationOrtho}}) {
    SCOPED_TRACE(c.orientation);
    const std::string path = write("o.tmx", std::string("<map orientation=\"") + c.orientation +
                                                "\" width=\"12\" height=\"7\" tilewidth=\"64\" tileheight=\"32\"/>");
    CCTMXMapInfo* map = CCTMXMapInfo::formatWithTMXFile(path);
    ASSERT_NE(nullptr, map);
    EXPECT_EQ(c.expected, map->orientation());
    EXPECT_GEOMETRY(CGSizeMake(12, 7), map->mapSize());
    EXPECT_GEOMETRY(CGSizeMake(64, 32), map->tileSize());
    EXPECT_EQ(path, map->filename());
  }
}

TEST_F(CCTMXMapInfoTest, EmbeddedTilesetsAndTilePropertiesByGlobalNumber) {
  CCTMXMapInfo* map = read(std::string(kTileset) +
                           "<tileset firstgid=\"10\" name=\"walls\" tilewidth=\"16\" tileheight=\"8\">"
                           "<image source=\"art/walls.png\"/>"
                           "<tile id=\"3\"><properties><property name=\"solid\" value=\"1\"/>"
                           "<property name=\"kind\" value=\"brick\"/></properties></tile>"
                           "<tile id=\"0\"/></tileset>");
  ASSERT_NE(nullptr, map);
  ASSERT_EQ(2u, map->tilesets().size());
  const CCTMXTilesetInfo& ground = *map->tilesets()[0];
  EXPECT_EQ("ground", ground.name());
  EXPECT_EQ(1u, ground.firstGid());
  EXPECT_GEOMETRY(CGSizeMake(32, 32), ground.tileSize());
  EXPECT_EQ(1u, ground.spacing());
  EXPECT_EQ(2u, ground.margin());
  EXPECT_EQ((folder_ / "ground.png").string(), ground.sourceImage()) << "beside the map";
  const CCTMXTilesetInfo& walls = *map->tilesets()[1];
  EXPECT_EQ(10u, walls.firstGid());
  EXPECT_EQ((folder_ / "art/walls.png").string(), walls.sourceImage());

  ASSERT_EQ(2u, map->tileProperties().size());
  const platform::Value::Dict& tile13 = map->tileProperties().at(13);
  EXPECT_EQ("1", tile13.get("solid").asString());
  EXPECT_EQ("brick", tile13.get("kind").asString());
  EXPECT_TRUE(map->tileProperties().at(10).empty()) << "a tile without properties still gets an entry";
}

TEST_F(CCTMXMapInfoTest, ExternalTilesetsAreReadFromTheMapsFolderWithTheMapsFirstGid) {
  write("maps/sets/outdoor.tsx",
        "<?xml version=\"1.0\"?><tileset name=\"outdoor\" tilewidth=\"16\" tileheight=\"16\" spacing=\"2\">"
        "<image source=\"outdoor.png\" width=\"64\" height=\"64\"/>"
        "<tile id=\"1\"><properties><property name=\"water\" value=\"yes\"/></properties></tile></tileset>");
  const std::string path = write(
      "maps/level.tmx", "<map width=\"2\" height=\"1\" tilewidth=\"16\" tileheight=\"16\">"
                        "<properties><property name=\"before\" value=\"1\"/></properties>"
                        "<tileset firstgid=\"5\" source=\"sets/outdoor.tsx\"/>"
                        "<layer name=\"l\" width=\"2\" height=\"1\"><data encoding=\"csv\">5,6</data></layer></map>");
  CCTMXMapInfo* map = CCTMXMapInfo::formatWithTMXFile(path);
  ASSERT_NE(nullptr, map);
  ASSERT_EQ(1u, map->tilesets().size());
  const CCTMXTilesetInfo& tileset = *map->tilesets()[0];
  EXPECT_EQ("outdoor", tileset.name());
  EXPECT_EQ(5u, tileset.firstGid()) << "the tileset file has no firstgid: the map's element gives it";
  EXPECT_EQ(2u, tileset.spacing());
  EXPECT_EQ((folder_ / "maps/sets/outdoor.png").string(), tileset.sourceImage())
      << "an image is relative to the file that names it";
  EXPECT_EQ("yes", map->tileProperties().at(6).get("water").asString());
  ASSERT_EQ(1u, map->layers().size()) << "the map's parse went on after the tileset's";
  EXPECT_THAT(tilesOf(*map->layers()[0]), testing::ElementsAre(5u, 6u));
  EXPECT_EQ("1", map->properties().get("before").asString());
}

TEST_F(CCTMXMapInfoTest, ExternalTilesetsResolveThroughTheResourceFolder) {
  write("res/ts.tsx", "<tileset name=\"t\" tilewidth=\"8\" tileheight=\"8\"><image source=\"t.png\"/></tileset>");
  write("res/m.tmx", "<map width=\"1\" height=\"1\"><tileset firstgid=\"1\" source=\"ts.tsx\"/></map>");
  platform::facts().resourceDir = (folder_ / "res").string();
  CCTMXMapInfo* map = CCTMXMapInfo::formatWithTMXFile("m.tmx");
  ASSERT_NE(nullptr, map);
  ASSERT_EQ(1u, map->tilesets().size());
  EXPECT_EQ("t.png", map->tilesets()[0]->sourceImage()) << "joined onto the name as passed";
}

TEST_F(CCTMXMapInfoTest, ExternalTilesetsOutsideTheMapsFolderAreRefused) {
  write("secret.tsx", "<tileset name=\"secret\"/>");
  for (const char* source : {"../secret.tsx", "../../../../../../etc/passwd", "/etc/passwd", "a/../../secret.tsx", "",
                             "."}) {
    SCOPED_TRACE(source);
    testing_support::LogCapture log;
    write("inner/map.tmx", std::string("<map><tileset firstgid=\"1\" source=\"") + source + "\"/></map>");
    EXPECT_EQ(nullptr, CCTMXMapInfo::formatWithTMXFile((folder_ / "inner/map.tmx").string()));
    EXPECT_THAT(log.text(), HasSubstr("not inside the map's folder"));
  }
}

TEST_F(CCTMXMapInfoTest, TilesetsThatNameTilesetsAreRefusedRatherThanFollowedForever) {
  write("loop.tsx", "<tileset source=\"loop.tsx\"/>");
  testing_support::LogCapture log;
  EXPECT_EQ(nullptr, read("<tileset firstgid=\"1\" source=\"loop.tsx\"/>"));
  EXPECT_THAT(log.text(), HasSubstr("names another external tileset"));
  EXPECT_THAT(log.lines(), testing::SizeIs(1)) << "one refusal, one line";
}

TEST_F(CCTMXMapInfoTest, BrokenOrMissingExternalTilesetsRefuseTheMap) {
  write("broken.tsx", "<tileset name=\"b\">");
  testing_support::LogCapture log;
  EXPECT_EQ(nullptr, read("<tileset firstgid=\"1\" source=\"broken.tsx\"/>"));
  EXPECT_THAT(log.text(), HasSubstr("Error parsing file: " + (folder_ / "broken.tsx").string() + "."));
  EXPECT_EQ(nullptr, read("<tileset firstgid=\"1\" source=\"absent.tsx\"/>"));
  EXPECT_THAT(log.text(), HasSubstr("cannot read"));
}

// [SECTION] Layers and their data

TEST_F(CCTMXMapInfoTest, LayerAttributes) {
  CCTMXMapInfo* map = read(
      "<layer name=\"ground\" width=\"3\" height=\"2\" opacity=\"0.5\" visible=\"0\" x=\"1\" y=\"-2\">"
      "<properties><property name=\"cc_vertexz\" value=\"automatic\"/></properties></layer>"
      "<layer name=\"top\" width=\"1\" height=\"1\" visible=\"false\"/>"
      "<layer name=\"loud\" opacity=\"3\"/><layer name=\"neg\" opacity=\"-1\"/>");
  ASSERT_NE(nullptr, map);
  ASSERT_EQ(4u, map->layers().size());
  const CCTMXLayerInfo& ground = *map->layers()[0];
  EXPECT_EQ("ground", ground.name());
  EXPECT_GEOMETRY(CGSizeMake(3, 2), ground.layerSize());
  EXPECT_EQ(127, ground.opacity());
  EXPECT_FALSE(ground.visible());
  EXPECT_GEOMETRY(CGPointMake(1, -2), ground.offset());
  EXPECT_EQ("automatic", ground.properties().get("cc_vertexz").asString());
  EXPECT_EQ(nullptr, ground.tiles()) << "no data element";
  EXPECT_EQ(100000u, ground.minGID());
  EXPECT_TRUE(ground.ownTiles());
  const CCTMXLayerInfo& top = *map->layers()[1];
  EXPECT_TRUE(top.visible()) << "only \"0\" hides a layer";
  EXPECT_EQ(255, top.opacity()) << "absent opacity is opaque";
  EXPECT_EQ(255, map->layers()[2]->opacity()) << "clamped, not wrapped round the byte";
  EXPECT_EQ(0, map->layers()[3]->opacity());
}

TEST_F(CCTMXMapInfoTest, DecodesEveryDataEncoding) {
  const std::vector<uint32_t> tiles{1, 0, 2, 0x01020304u, 70000, 3};
  const Bytes raw = littleEndian(tiles);
  // Base64 broken over indented lines, as editors write it.
  std::string wrapped = base64(raw);
  wrapped.insert(8, "\n      ");
  CCTMXMapInfo* map = read(
      "<layer name=\"plain\" width=\"3\" height=\"2\"><data encoding=\"base64\">\n   " + wrapped + "\n  </data></layer>"
      "<layer name=\"gzip\" width=\"3\" height=\"2\"><data encoding=\"base64\" compression=\"gzip\">" +
      base64(deflated(raw, 31)) +
      "</data></layer>"
      "<layer name=\"zlib\" width=\"3\" height=\"2\"><data encoding=\"base64\" compression=\"zlib\">" +
      base64(deflated(raw, 15)) +
      "</data></layer>"
      "<layer name=\"csv\" width=\"3\" height=\"2\"><data encoding=\"csv\">\n1,0,2,\n16909060, 70000,3\n</data></layer>"
      "<layer name=\"after\" width=\"3\" height=\"2\"><data encoding=\"base64\">" +
      base64(raw) + "</data></layer>");
  ASSERT_NE(nullptr, map);
  ASSERT_EQ(5u, map->layers().size());
  for (const auto& layer : map->layers()) {
    SCOPED_TRACE(layer->name());
    EXPECT_EQ(tiles, tilesOf(*layer)) << "a compressed layer does not make the next plain one inflate";
  }
  EXPECT_EQ(TMXLayerAttribNone | TMXLayerAttribBase64 | TMXLayerAttribGzip | TMXLayerAttribZlib | TMXLayerAttribCSV,
            map->layerAttribs());
  EXPECT_TRUE(map->currentString().empty());
  EXPECT_FALSE(map->storingCharacters());
}

TEST_F(CCTMXMapInfoTest, UndecodableDataLeavesOnlyThatLayerWithoutTiles) {
  testing_support::LogCapture log;
  CCTMXMapInfo* map = read(
      "<layer name=\"badBase64\" width=\"1\" height=\"1\"><data encoding=\"base64\">AQIDB</data></layer>"
      "<layer name=\"badGzip\" width=\"1\" height=\"1\"><data encoding=\"base64\" compression=\"gzip\">" +
      base64(Bytes{0x1f, 0x8b, 8, 0, 1, 2, 3}) +
      "</data></layer>"
      "<layer name=\"badCsv\" width=\"2\" height=\"1\"><data encoding=\"csv\">1,x</data></layer>"
      "<layer name=\"hugeCsv\" width=\"1\" height=\"1\"><data encoding=\"csv\">4294967296</data></layer>"
      "<layer name=\"holeCsv\" width=\"3\" height=\"1\"><data encoding=\"csv\">1,,2</data></layer>"
      "<layer name=\"good\" width=\"1\" height=\"1\"><data encoding=\"base64\">" +
      base64(littleEndian({7})) + "</data></layer>");
  ASSERT_NE(nullptr, map);
  ASSERT_EQ(6u, map->layers().size());
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(map->layers()[i]->name());
    EXPECT_EQ(nullptr, map->layers()[i]->tiles());
    EXPECT_EQ(0u, map->layers()[i]->tileCount());
    EXPECT_THAT(log.text(), HasSubstr("layer \"" + map->layers()[i]->name() + "\""));
  }
  EXPECT_THAT(tilesOf(*map->layers()[5]), testing::ElementsAre(7u)) << "no characters left over from failures";
  EXPECT_THAT(log.text(), HasSubstr(folder_.string()));
}

TEST_F(CCTMXMapInfoTest, DataLengthIsNotCheckedHereButCountedExactly) {
  // The layer node refuses a grid of the wrong length; the record must say
  // how many numbers it really holds (a trailing partial number is dropped).
  Bytes raw = littleEndian({1, 2});
  raw.push_back(9);
  CCTMXMapInfo* map = read("<layer name=\"short\" width=\"4\" height=\"4\"><data encoding=\"base64\">" + base64(raw) +
                           "</data></layer>"
                           "<layer name=\"empty\" width=\"4\" height=\"4\"><data encoding=\"base64\"></data></layer>");
  ASSERT_NE(nullptr, map);
  EXPECT_THAT(tilesOf(*map->layers()[0]), testing::ElementsAre(1u, 2u));
  EXPECT_EQ(0u, map->layers()[1]->tileCount());
}

TEST_F(CCTMXMapInfoTest, UnsupportedDataIsRefused) {
  struct Case {
    const char* body;
    const char* message;
  };
  const Case cases[] = {
      {"<layer><data encoding=\"base64\" compression=\"zstd\">AAAA</data></layer>", "TMX: unsupported compression method"},
      {"<layer><data encoding=\"csv\" compression=\"gzip\">1</data></layer>", "TMX: unsupported compression method"},
      {"<layer><data><tile gid=\"1\"/></data></layer>", "TMX tile map: Only base64 and/or gzip maps are supported"},
      {"<layer><data encoding=\"xml\">1</data></layer>", "TMX tile map: Only base64 and/or gzip maps are supported"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    testing_support::LogCapture log;
    EXPECT_EQ(nullptr, read(c.body));
    EXPECT_THAT(log.text(), HasSubstr(c.message));
    EXPECT_THAT(log.text(), HasSubstr("map.tmx"));
  }
}

TEST_F(CCTMXMapInfoTest, TheEncodingCarriesOverToLaterDataThatNamesNone) {
  // After a Base64 layer, a <data> without an encoding is read as Base64
  // too; its <tile> cells are not taken for tileset tiles.
  CCTMXMapInfo* map = read(std::string(kTileset) +
                           "<layer name=\"a\" width=\"1\" height=\"1\"><data encoding=\"base64\">" +
                           base64(littleEndian({1})) +
                           "</data></layer>"
                           "<layer name=\"b\" width=\"1\" height=\"1\"><data>\n<tile gid=\"1\"/>\n</data></layer>");
  ASSERT_NE(nullptr, map);
  EXPECT_EQ(0u, map->layers()[1]->tileCount());
  EXPECT_TRUE(map->tileProperties().empty());
}

// [SECTION] Objects and properties

TEST_F(CCTMXMapInfoTest, ObjectGroupsAndObjects) {
  CCTMXMapInfo* map = read(
      "<objectgroup name=\"spawns\" x=\"1\" y=\"2\"><properties><property name=\"team\" value=\"red\"/></properties>"
      "<object name=\"hero\" type=\"player\" x=\"40\" y=\"32\" width=\"8\" height=\"16\">"
      "<properties><property name=\"hp\" value=\"3\"/></properties></object>"
      "<object x=\"5.9\" y=\"0\"/>"
      "<object name=\"hero\" x=\"0\" y=\"0\" height=\"4\"/></objectgroup>"
      "<objectgroup name=\"plain\"><object name=\"door\" x=\"0\" y=\"32\" height=\"16\"/></objectgroup>");
  ASSERT_NE(nullptr, map);
  ASSERT_EQ(2u, map->objectGroups().size());
  const CCTMXObjectGroup& spawns = *map->objectGroups()[0];
  EXPECT_EQ("spawns", spawns.groupName());
  EXPECT_GEOMETRY(CGPointMake(32, 64), spawns.positionOffset()) << "tiles times the tile size";
  EXPECT_EQ("red", spawns.propertyNamed("team").asString());
  EXPECT_TRUE(spawns.propertyNamed("absent").isNull());
  ASSERT_EQ(3u, spawns.objects().size());

  const platform::Value::Dict* hero = spawns.objectNamed("hero");
  ASSERT_EQ(&spawns.objects()[0], hero) << "the first of two with that name";
  EXPECT_EQ("player", hero->get("type").asString());
  EXPECT_EQ(72, hero->get("x").intValue());
  EXPECT_TRUE(hero->get("x").isInteger());
  EXPECT_EQ(320 - (32 + 64) - 16, hero->get("y").intValue()) << "y measured up from the bottom";
  EXPECT_EQ("8", hero->get("width").asString());
  EXPECT_EQ("16", hero->get("height").asString());
  EXPECT_EQ("3", hero->get("hp").asString());

  const platform::Value::Dict& point = spawns.objects()[1];
  EXPECT_FALSE(point.contains("name"));
  EXPECT_FALSE(point.contains("width")) << "absent attributes are absent keys";
  EXPECT_EQ(37, point.get("x").intValue()) << "the file's x is read as an integer";
  EXPECT_EQ(nullptr, spawns.objectNamed("nobody"));

  const platform::Value::Dict* door = map->objectGroups()[1]->objectNamed("door");
  ASSERT_NE(nullptr, door);
  EXPECT_EQ(272, door->get("y").intValue());
}

TEST_F(CCTMXMapInfoTest, PropertiesGoToTheElementTheyFollow) {
  CCTMXMapInfo* map = read(
      "<properties><property name=\"music\" value=\"calm.mp3\"/><property name=\"music\" value=\"storm.mp3\"/>"
      "</properties>" +
      std::string(kTileset) +
      "<layer name=\"l\" width=\"1\" height=\"1\"><properties><property name=\"depth\" value=\"2\"/></properties>"
      "</layer>"
      "<property name=\"stray\" value=\"after a layer ends\"/>"
      "<objectgroup name=\"g\"><object name=\"o\"/><property name=\"late\" value=\"x\"/></objectgroup>"
      "<property name=\"orphan\" value=\"\"/>");
  ASSERT_NE(nullptr, map);
  EXPECT_EQ("storm.mp3", map->properties().get("music").asString()) << "a repeated name replaces";
  EXPECT_EQ(1u, map->properties().size());
  EXPECT_EQ("2", map->layers()[0]->properties().get("depth").asString());
  EXPECT_EQ(1u, map->layers()[0]->properties().size());
  EXPECT_TRUE(map->objectGroups()[0]->properties().empty());
  EXPECT_FALSE(map->objectGroups()[0]->objects()[0].contains("late")) << "the object had ended";
  EXPECT_EQ(TMXPropertyNone, map->parentElement());
}

TEST_F(CCTMXMapInfoTest, StrayElementsWithoutTheirParentsAreIgnored) {
  // A tile before any tileset, an image without one, an object without a
  // group, data outside a layer: nothing to attach them to.
  CCTMXMapInfo* map = read("<tile id=\"1\"><property name=\"p\" value=\"v\"/></tile><image source=\"x.png\"/>"
                           "<object name=\"o\"><property name=\"p\" value=\"v\"/></object>"
                           "<data encoding=\"base64\">AQAAAA==</data>");
  ASSERT_NE(nullptr, map);
  EXPECT_TRUE(map->tileProperties().empty());
  EXPECT_TRUE(map->objectGroups().empty());
  EXPECT_TRUE(map->layers().empty());
}

// [SECTION] Bad files

TEST_F(CCTMXMapInfoTest, MalformedOrMissingFilesAreRefusedWithTheirName) {
  testing_support::LogCapture log;
  const std::string path = write("bad.tmx", "<map width=\"1\">\n<layer>\n</map>");
  EXPECT_EQ(nullptr, CCTMXMapInfo::formatWithTMXFile(path));
  EXPECT_THAT(log.text(), HasSubstr("Error parsing file: " + path + "."));
  EXPECT_THAT(log.text(), HasSubstr("line 3"));

  EXPECT_EQ(nullptr, CCTMXMapInfo::formatWithTMXFile((folder_ / "none.tmx").string()));
  EXPECT_THAT(log.text(), HasSubstr("none.tmx"));

  const std::string entities = write(
      "laughs.tmx", "<!DOCTYPE map [<!ENTITY a \"aaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]><map><property "
                    "name=\"p\" value=\"&b;\"/></map>");
  EXPECT_EQ(nullptr, CCTMXMapInfo::formatWithTMXFile(entities));
  EXPECT_THAT(log.text(), HasSubstr("entity"));
}

TEST_F(CCTMXMapInfoTest, InitialisingAgainStartsFromAnEmptyMap) {
  CCTMXMapInfo* map = read(std::string(kTileset) + "<layer name=\"l\"/><objectgroup name=\"g\"/>");
  ASSERT_NE(nullptr, map);
  const std::string other = write("other.tmx", "<map orientation=\"isometric\" width=\"2\" height=\"3\"/>");
  ASSERT_TRUE(map->initWithTMXFile(other));
  EXPECT_TRUE(map->layers().empty());
  EXPECT_TRUE(map->tilesets().empty());
  EXPECT_TRUE(map->objectGroups().empty());
  EXPECT_EQ(CCTMXOrientationIso, map->orientation());
  EXPECT_EQ(TMXLayerAttribNone, map->layerAttribs());
}

TEST_F(CCTMXMapInfoTest, LayerRecordsHandTheirTilesOver) {
  CCTMXMapInfo* map = read("<layer name=\"l\" width=\"1\" height=\"1\"><data encoding=\"csv\">9</data></layer>");
  ASSERT_NE(nullptr, map);
  platform::Ref<CCTMXLayerInfo> layer = map->layers()[0];
  uint32_t* tiles = layer->tiles();
  layer->setOwnTiles(false);  // a layer node takes the buffer
  map->layers().clear();
  layer = nullptr;
  EXPECT_EQ(9u, tiles[0]) << "still alive after the record is gone";
  std::free(tiles);
}

}  // namespace
