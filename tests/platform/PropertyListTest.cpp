#include "platform/PropertyList.h"

#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <plist/plist.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using platform::PropertyListFormat;
using platform::Value;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

std::span<const uint8_t> bytesOf(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::vector<std::string> keysOf(const Value& dict) {
  std::vector<std::string> keys;
  for (const Value::Dict::Entry& entry : dict.asDict()) keys.push_back(entry.key);
  return keys;
}

std::string xmlList(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
         "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n" +
         body + "\n</plist>\n";
}

// A sprite sheet as the frame cache reads it: frames not in alphabetical
// order, a negative integer, a geometry string, aliases, nested arrays.
const std::string kSpriteSheet = xmlList(R"(<dict>
  <key>frames</key>
  <dict>
    <key>zeta.png</key>
    <dict><key>offsetX</key><real>-1.5</real><key>originalWidth</key><integer>-20</integer></dict>
    <key>alpha.png</key>
    <dict>
      <key>textureRect</key><string>{{10,20},{99,99}}</string>
      <key>textureRotated</key><true/>
      <key>aliases</key><array><string>a1</string><string>a&amp;2</string></array>
    </dict>
    <key>mid.png</key><dict><key>rotated</key><false/></dict>
  </dict>
  <key>metadata</key>
  <dict>
    <key>blob</key><data>AAEC/w==</data>
    <key>when</key><date>2001-01-02T00:00:00Z</date>
    <key>grid</key><array><array><string>a</string></array><array/></array>
  </dict>
</dict>)");

// Converted to binary by libplist itself, so the fixture does not depend on
// the reader's own writer.
std::string binaryOf(const std::string& xml) {
  plist_t root = nullptr;
  plist_from_xml(xml.data(), static_cast<uint32_t>(xml.size()), &root);
  char* bytes = nullptr;
  uint32_t length = 0;
  plist_to_bin(root, &bytes, &length);
  std::string binary(bytes, length);
  std::free(bytes);
  plist_free(root);
  return binary;
}

class PropertyListTest : public testing::TestWithParam<PropertyListFormat> {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("tessera-plist-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::filesystem::path folder_;
};

TEST_P(PropertyListTest, KeepsFileOrderAndTypes) {
  const std::string path = (folder_ / "sheet.plist").string();
  std::ofstream(path, std::ios::binary) << (GetParam() == PropertyListFormat::XML ? kSpriteSheet : binaryOf(kSpriteSheet));
  std::optional<Value> sheet = platform::readPropertyListFile(path);
  ASSERT_TRUE(sheet.has_value());
  const Value& frames = (*sheet)["frames"];
  EXPECT_THAT(keysOf(frames), ElementsAre("zeta.png", "alpha.png", "mid.png"));

  const Value& zeta = frames["zeta.png"];
  EXPECT_TRUE(zeta["originalWidth"].isInteger());
  EXPECT_EQ(-20, zeta["originalWidth"].intValue());
  EXPECT_TRUE(zeta["offsetX"].isReal());
  EXPECT_FLOAT_EQ(-1.5f, zeta["offsetX"].floatValue());
  EXPECT_EQ(0, zeta["offsetY"].intValue()) << "a missing key reads as 0";

  const Value& alpha = frames["alpha.png"];
  EXPECT_EQ("{{10,20},{99,99}}", alpha["textureRect"].asString());
  EXPECT_TRUE(alpha["textureRotated"].isBool());
  EXPECT_TRUE(alpha["textureRotated"].boolValue());
  EXPECT_EQ((Value::Array{Value("a1"), Value("a&2")}), alpha["aliases"].asArray());
  EXPECT_TRUE(frames["mid.png"]["rotated"].isBool());

  const Value& metadata = (*sheet)["metadata"];
  EXPECT_EQ((Value::Data{0x00, 0x01, 0x02, 0xff}), metadata["blob"].asData());
  EXPECT_DOUBLE_EQ(86400.0, metadata["when"].doubleValue()) << "seconds since 2001-01-01";
  EXPECT_EQ("a", metadata["grid"][0][0].asString());
  EXPECT_TRUE(metadata["grid"][1].isArray());
}

// Written lists read back equal, with order, signs and kinds kept.
TEST_P(PropertyListTest, WrittenListsReadBack) {
  Value::Dict inner;
  inner.set("z", Value(INT64_MIN));
  inner.set("a", Value(0.25));
  Value::Dict root;
  root.set("second", Value(std::move(inner)));
  root.set("first", Value(Value::Array{Value(true), Value(int64_t{-20}), Value("x<&>"), Value(Value::Data{1, 2})}));
  const Value original(std::move(root));

  const std::string path = (folder_ / "out.plist").string();
  ASSERT_TRUE(platform::writePropertyListFile(path, original, GetParam()));
  std::optional<Value> back = platform::readPropertyListFile(path);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(original, *back);
  EXPECT_THAT(keysOf(*back), ElementsAre("second", "first"));
  EXPECT_THAT(keysOf((*back)["second"]), ElementsAre("z", "a"));
  EXPECT_TRUE((*back)["first"][0].isBool());

  // Property lists have no null, no objects and no NUL inside strings.
  EXPECT_FALSE(platform::writePropertyList(Value(Value::Array{Value(1), Value()}), GetParam()).has_value());
  EXPECT_FALSE(platform::writePropertyList(Value(std::string("a\0b", 3)), GetParam()).has_value());
  EXPECT_FALSE(platform::writePropertyList(Value("caf\xE9 au lait"), GetParam()).has_value()) << "not UTF-8";
  EXPECT_TRUE(platform::writePropertyList(Value("caf\xC3\xA9"), GetParam()).has_value());
}

INSTANTIATE_TEST_SUITE_P(Encodings, PropertyListTest,
                         testing::Values(PropertyListFormat::XML, PropertyListFormat::Binary),
                         [](const auto& info) { return info.param == PropertyListFormat::XML ? "XML" : "Binary"; });

TEST(PropertyListReadTest, RepeatedKeyKeepsFirstPositionAndLastValue) {
  std::optional<Value> list = platform::readPropertyListData(bytesOf(xmlList(
      "<dict><key>a</key><integer>1</integer><key>b</key><integer>2</integer><key>a</key><integer>3</integer></dict>")));
  ASSERT_TRUE(list.has_value());
  EXPECT_THAT(keysOf(*list), ElementsAre("a", "b"));
  EXPECT_EQ(3, (*list)["a"].intValue());
}

// A binary list holding "aXb" with its 'X' bytes zeroed: a string with U+0000.
std::string binaryWithZeroIn(const char* text, const std::string& marker) {
  std::string list = binaryOf(xmlList(std::string("<string>") + text + "</string>"));
  list.replace(list.find(marker), marker.size(), std::string(marker.size(), '\0'));
  return list;
}

// Every malformed input gives no value and a log line, never a crash.
TEST(PropertyListReadTest, MalformedInputInvalid) {
  std::string deep;
  for (int i = 0; i <= platform::kMaxPropertyListDepth + 1; ++i) deep += "<array>";
  for (int i = 0; i <= platform::kMaxPropertyListDepth + 1; ++i) deep += "</array>";
  const std::string binary = binaryOf(kSpriteSheet);
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"empty", ""},
      {"plain text", "hello, world"},
      {"truncated XML", kSpriteSheet.substr(0, kSpriteSheet.size() / 2)},
      {"unclosed tag", xmlList("<dict><key>a</key><integer>1</dict>")},
      {"magic only", "bplist00"},
      {"truncated binary", binary.substr(0, binary.size() - 10)},
      {"nested too deep", xmlList(deep)},
      {"NUL in XML", xmlList(std::string("<string>a\0b</string>", 20))},
      {"NUL in a binary ASCII string", binaryWithZeroIn("aXb", "X")},
      {"NUL in a binary UTF-16 string", binaryWithZeroIn("\xC3\xA9X", std::string("\0X", 2))},
  };
  for (const auto& [name, bytes] : cases) {
    testing_support::LogCapture log;
    EXPECT_FALSE(platform::readPropertyListData(bytesOf(bytes)).has_value()) << name;
    EXPECT_THAT(log.text(), HasSubstr("PropertyList")) << name;
  }

  testing_support::LogCapture log;
  EXPECT_FALSE(platform::readPropertyListFile("/nonexistent/missing.plist").has_value());
  EXPECT_FALSE(platform::readPropertyListFile(std::filesystem::temp_directory_path().string()).has_value());
  EXPECT_THAT(log.text(), HasSubstr("missing.plist"));
  EXPECT_THAT(log.text(), HasSubstr("is a directory"));
}

// [SECTION] Nesting and object graphs measured before parsing

// A binary list built byte by byte: object i is an array holding the objects
// listed in children[i]; object 0 is the top. Offsets and references take
// four bytes each.
std::string binaryArrays(const std::vector<std::vector<uint32_t>>& children) {
  const auto bigEndian = [](std::string& out, uint64_t value, int width) {
    for (int shift = (width - 1) * 8; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
  };
  std::string list = "bplist00";
  std::vector<uint32_t> offsets;
  for (const std::vector<uint32_t>& references : children) {
    offsets.push_back(static_cast<uint32_t>(list.size()));
    if (references.size() < 15) {
      list += static_cast<char>(0xA0 | references.size());
    } else {
      list += static_cast<char>(0xAF);
      list += static_cast<char>(0x12);  // the count as a four-byte integer object
      bigEndian(list, references.size(), 4);
    }
    for (uint32_t reference : references) bigEndian(list, reference, 4);
  }
  const std::size_t table = list.size();
  for (uint32_t offset : offsets) bigEndian(list, offset, 4);
  list += std::string(6, '\0');
  list += '\x04';  // offset size
  list += '\x04';  // reference size
  bigEndian(list, children.size(), 8);
  bigEndian(list, 0, 8);  // top object
  bigEndian(list, table, 8);
  return list;
}

// `levels` arrays, each holding the next; the last is empty.
std::string binaryChain(uint32_t levels) {
  std::vector<std::vector<uint32_t>> children(levels);
  for (uint32_t i = 0; i + 1 < levels; ++i) children[i] = {i + 1};
  return binaryArrays(children);
}

std::string xmlChain(std::size_t levels, const std::string& between = "") {
  std::string body;
  body.reserve(levels * (15 + between.size()));
  for (std::size_t i = 0; i < levels; ++i) body += "<array>" + between;
  for (std::size_t i = 0; i < levels; ++i) body += "</array>";
  return xmlList(body);
}

// Depth of nested single-element arrays, counting the root as 1.
int chainDepth(const Value& value) {
  int depth = 0;
  for (const Value* at = &value; at->isArray(); at = at->asArray().empty() ? nullptr : &at->asArray()[0]) {
    ++depth;
    if (at->asArray().empty()) break;
  }
  return depth;
}

void expectRefused(const std::string& bytes, const char* reason, const char* name) {
  testing_support::LogCapture log;
  EXPECT_FALSE(platform::readPropertyListData(bytesOf(bytes)).has_value()) << name;
  EXPECT_THAT(log.text(), HasSubstr(reason)) << name;
}

TEST(PropertyListNestingTest, LimitIsExactInBothFormats) {
  const int limit = platform::kMaxPropertyListDepth;
  for (const std::string& list : {xmlChain(limit), binaryChain(limit)}) {
    std::optional<Value> value = platform::readPropertyListData(bytesOf(list));
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(limit, chainDepth(*value));
  }
  expectRefused(xmlChain(limit + 1), "nested deeper than 256 levels", "XML");
  expectRefused(binaryChain(limit + 1), "nested deeper than 256 levels", "binary");
}

// Lists deep enough to exhaust the stack inside libplist are refused before
// it sees them, in time linear in their size.
TEST(PropertyListNestingTest, HostileDepthIsRefusedBeforeParsing) {
  expectRefused(xmlChain(1000000), "nested deeper", "a million XML levels");
  expectRefused(binaryChain(100000), "nested deeper", "a hundred thousand binary levels");
  std::string dicts;
  for (int i = 0; i < 100000; ++i) dicts += "<dict><key>k</key>";
  expectRefused(xmlList(dicts), "nested deeper", "unclosed dictionaries");
}

// What an XML parser skips must neither hide nesting nor invent it.
TEST(PropertyListNestingTest, XmlMarkupThatIsNotElementsIsSkipped) {
  const int over = platform::kMaxPropertyListDepth + 44;
  // A close tag inside a comment, CDATA, an attribute or a quoted DOCTYPE
  // literal closes nothing.
  expectRefused(xmlChain(over, "<!-- </array> -->"), "nested deeper", "close tags in comments");
  expectRefused(xmlChain(over, "<string><![CDATA[</array>]]></string>"), "nested deeper", "close tags in CDATA");
  expectRefused(xmlChain(over, "<?pi </array> ?>"), "nested deeper", "close tags in instructions");
  expectRefused(xmlChain(over, "<string note=\"a></array>\">s</string>"), "nested deeper", "close tags in attributes");
  std::string closes;
  for (int i = 0; i < over; ++i) closes += "</array>";
  std::string chain;
  for (int i = 0; i < over; ++i) chain += "<array>";
  expectRefused("<!DOCTYPE plist [ <!ENTITY e \"" + closes + "\"> ]><plist>" + chain + "</plist>", "nested deeper",
                "close tags in a DOCTYPE");

  // Open tags there open nothing, and <array/> is empty.
  std::string opens;
  for (int i = 0; i < over; ++i) opens += "<array>";
  const std::string shallow = xmlList("<array><!-- " + opens + " --><string><![CDATA[" + opens +
                                      "]]></string><string>&lt;array&gt;</string>" +
                                      std::string("<array/><dict/><array />") + "</array>");
  std::optional<Value> value = platform::readPropertyListData(bytesOf(shallow));
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(5u, value->asArray().size());
  EXPECT_EQ(opens, (*value)[0].asString());
  std::string empties = "<array>";
  for (int i = 0; i < 2000; ++i) empties += "<array/><dict/>";
  EXPECT_TRUE(platform::readPropertyListData(bytesOf(xmlList(empties + "</array>"))).has_value());
}

// libplist copies an object once per reference: shared objects count as
// often as they are referenced, for depth and for size, and cycles are
// refused.
TEST(PropertyListNestingTest, BinaryObjectGraphsAreBounded) {
  expectRefused(binaryArrays({{0}}), "contains itself", "an array holding itself");
  expectRefused(binaryArrays({{1}, {2}, {1}}), "contains itself", "a longer cycle");
  expectRefused(binaryArrays({{1, 7}, {}}), "reference to object 7 of 2", "a dangling reference");

  // Forty levels that each hold the next one twice: 2^40 nodes once copied.
  std::vector<std::vector<uint32_t>> doubling(41);
  for (uint32_t i = 0; i < 40; ++i) doubling[i] = {i + 1, i + 1};
  expectRefused(binaryArrays(doubling), "nodes once shared objects are copied", "doubling references");

  // A 200-level chain reached first from the top, then again from the end of
  // a 100-level chain: 301 levels deep through the shared object.
  std::vector<std::vector<uint32_t>> shared(301);
  shared[0] = {1, 201};
  for (uint32_t i = 1; i < 200; ++i) shared[i] = {i + 1};
  for (uint32_t i = 201; i < 300; ++i) shared[i] = {i + 1};
  shared[300] = {1};
  expectRefused(binaryArrays(shared), "nested deeper", "depth through a shared object");

  // Sharing within the limits reads as copies.
  std::optional<Value> copies = platform::readPropertyListData(bytesOf(binaryArrays({{1, 1, 1}, {2}, {}})));
  ASSERT_TRUE(copies.has_value());
  ASSERT_EQ(3u, copies->asArray().size());
  EXPECT_EQ(2, chainDepth((*copies)[2]));
}

}  // namespace
