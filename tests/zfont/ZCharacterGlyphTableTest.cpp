// Character-to-glyph mapping through a font's own 'cmap' table: the choice of
// subtable, formats 4 and 12 checked against FreeType's mapping of installed
// fonts, and malformed tables that must map to glyph 0 without reading past
// the table.

#include "TrueTypeBuilder.h"
#include "platform/FontFace.h"
#include "support/TestSupport.h"
#include "zfont/ZCharacterGlyphTable.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace zfont_test;
using platform::FontFace;

namespace {

constexpr const char* kDejaVuMono = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
constexpr const char* kLiberationMono = "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf";

ZCharacterGlyphTable* tableOf(const Bytes& cmap) {
  FontSpec spec;
  spec.advances.assign(300, 500);
  spec.extraTables["cmap"] = cmap;
  return ZCharacterGlyphTable::tableWithFont(FontFace::fontFaceWithData(buildFont(spec)));
}

std::vector<uint16_t> glyphsOf(const ZCharacterGlyphTable* table, std::u16string_view text) {
  std::vector<uint16_t> glyphs(text.size());
  glyphs.resize(table->glyphsForCharacters(text, glyphs.data()));
  return glyphs;
}

uint16_t glyphOf(const ZCharacterGlyphTable* table, char32_t c) {
  std::size_t hint = 0;
  return table->glyphForCodePoint(c, hint);
}

// Test strings from code points (astral ones become surrogate pairs).
std::u16string utf16(std::initializer_list<char32_t> codes) {
  std::u16string out;
  for (char32_t c : codes) {
    if (c >= 0x10000) {
      out.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(char16_t(c));
    }
  }
  return out;
}

}  // namespace

// [SECTION] Installed fonts against FreeType's own mapping

TEST(ZCharacterGlyphTableTest, InstalledFontsMapLikeFreeType) {
  struct Case {
    const char* path;
    int format;
  };
  for (const Case& c : {Case{kDejaVuMono, 12}, Case{kLiberationMono, 4}}) {
    FontFace* face = FontFace::fontFaceWithContentsOfFile(c.path);
    if (!face) continue;
    SCOPED_TRACE(c.path);
    ZCharacterGlyphTable* table = ZCharacterGlyphTable::tableWithFont(face);
    EXPECT_EQ(table->format(), c.format);
    // Every code point of the basic plane and the first astral plane, one
    // by one (a fresh hint each time) ...
    int mapped = 0, mismatches = 0;
    for (char32_t code = 0; code < 0x20000; ++code) {
      if (code >= 0xD800 && code <= 0xDFFF) continue;
      const uint16_t expected = face->glyphForCodePoint(code);
      if (glyphOf(table, code) != expected && ++mismatches < 5) ADD_FAILURE() << "U+" << std::hex << uint32_t(code);
      mapped += expected != 0;
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(mapped, 500);

    // ... and as text, ASCII, Latin-1 and scattered characters in random
    // order, so searches start from unrelated groups.
    std::u16string text;
    std::vector<uint16_t> expected;
    std::mt19937 random(7);
    for (int i = 0; i < 4000; ++i) {
      char32_t code = i < 95 ? 32 + i : i < 191 ? 0xA0 + (i - 95) : random() % 0x3000;
      if (code >= 0xD800 && code <= 0xDFFF) code = 'x';
      text.push_back(char16_t(code));
      expected.push_back(face->glyphForCodePoint(code));
    }
    EXPECT_EQ(glyphsOf(table, text), expected);
  }
}

// [SECTION] Choosing the subtable

TEST(ZCharacterGlyphTableTest, SubtableChoice) {
  const Bytes a = format4({{'A', 'A', int16_t(10 - 'A')}});   // 'A' → 10
  const Bytes b = format4({{'A', 'A', int16_t(20 - 'A')}});   // 'A' → 20
  const Bytes c = format12({{'A', 'A', 30}});                // 'A' → 30
  struct Case {
    const char* name;
    std::vector<CmapRecord> records;
    uint16_t glyph;
  };
  const std::vector<Case> cases = {
      {"Windows Unicode BMP alone", {{3, 1, a}}, 10},
      {"Mac Roman only: no table", {{1, 0, a}}, 0},
      {"Windows symbol and UCS-4 are not considered", {{3, 0, a}, {3, 10, c}}, 0},
      {"a later Unicode record with a higher encoding replaces", {{0, 3, a}, {0, 4, c}}, 30},
      {"a later record with a lower encoding does not", {{0, 4, c}, {0, 3, a}}, 30},
      {"Windows after Unicode does not replace", {{0, 3, a}, {3, 1, b}}, 10},
      {"Unicode with a higher encoding replaces Windows", {{3, 1, a}, {0, 3, b}}, 20},
      {"Unicode with a lower encoding does not replace Windows", {{3, 1, a}, {0, 0, b}}, 10},
      {"format 12 with a reserved field is skipped", {{0, 3, a}, {0, 4, format12({{'A', 'A', 30}}, 1)}}, 10},
      {"other formats are skipped", {{0, 3, Bytes{0, 6, 0, 0}}, {0, 4, b}}, 20},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    EXPECT_EQ(glyphOf(tableOf(cmapTable(test.records)), 'A'), test.glyph);
  }
}

// [SECTION] Format 4

TEST(ZCharacterGlyphTableTest, Format4SegmentsDeltasAndGlyphArrays) {
  ZCharacterGlyphTable* table = tableOf(cmapTable({{3, 1, format4({
                                                             {'0', '9', 5},                     // delta
                                                             {'a', 'c', 0, {40, 0, 42}},         // glyph array
                                                             {0x2000, 0x2001, 7, {0x100, 1}},  // array + delta
                                                             {0xFFF0, 0xFFF2, 0x20},              // wraps past 65535
                                                         })}}));
  EXPECT_EQ(table->format(), 4);
  EXPECT_EQ(glyphOf(table, '0'), '0' + 5);
  EXPECT_EQ(glyphOf(table, '9'), '9' + 5);
  EXPECT_EQ(glyphOf(table, '/'), 0);      // below the first segment's start
  EXPECT_EQ(glyphOf(table, 'a'), 40);
  EXPECT_EQ(glyphOf(table, 'b'), 0);      // a 0 entry stays 0, delta or not
  EXPECT_EQ(glyphOf(table, 'c'), 42);
  EXPECT_EQ(glyphOf(table, 'd'), 0);      // between segments
  EXPECT_EQ(glyphOf(table, 0x2000), 0x107);
  EXPECT_EQ(glyphOf(table, 0x2001), 8);
  EXPECT_EQ(glyphOf(table, 0xFFF1), (0xFFF1 + 0x20) & 0xFFFF);
  EXPECT_EQ(glyphOf(table, 0xFFFF), 0);   // the closing segment
  EXPECT_EQ(glyphOf(table, 0x1F47B), 0);  // beyond 16 bits
  // A surrogate pair is two code units and two glyphs in format 4.
  EXPECT_EQ(glyphsOf(table, utf16({'1', 0x1F47B, '2'})), (std::vector<uint16_t>{'1' + 5, 0, 0, '2' + 5}));
}

// [SECTION] Format 12

TEST(ZCharacterGlyphTableTest, Format12GroupsAndSurrogatePairs) {
  // Many small groups, so searches have to cover distance in both directions.
  std::vector<Group> groups = {{' ', '~', 1}};
  for (uint32_t i = 0; i < 60; ++i) groups.push_back({0x400 + 4 * i, 0x400 + 4 * i + 1, 100 + 2 * i});
  groups.push_back({0x1F400, 0x1F4FF, 300});
  ZCharacterGlyphTable* table = tableOf(cmapTable({{0, 4, format12(groups)}}));
  ASSERT_EQ(table->format(), 12);

  EXPECT_EQ(glyphOf(table, 'A'), 'A' - ' ' + 1);
  EXPECT_EQ(glyphOf(table, '\t'), 0);
  EXPECT_EQ(glyphOf(table, 0x7F), 0);
  // Forward, far forward, backward and misses between groups, one text.
  const std::u16string text = utf16({0x400, 0x401, 0x402, 0x4ED, 0x4EC, 0x405, 0x3FF, 0x4F0, 'Z', 0x1F47B, 0xFFFF});
  EXPECT_EQ(glyphsOf(table, text),
            (std::vector<uint16_t>{100, 101, 0, 100 + 2 * 59 + 1, 100 + 2 * 59, 103, 0, 0, 'Z' - ' ' + 1,
                                   300 + 0x7B, 0}));
  // A lone surrogate maps on its own; a pair is one glyph.
  EXPECT_EQ(glyphsOf(table, std::u16string{0xD83D, u'A', 0xDC7B}), (std::vector<uint16_t>{0, 'A' - ' ' + 1, 0}));
  std::vector<uint16_t> units(2);
  table->glyphsForCodeUnits(utf16({0x1F400}), units.data());
  EXPECT_EQ(units, (std::vector<uint16_t>{300, ZCharacterGlyphTable::kNoGlyph}));
}

// [SECTION] Malformed tables

TEST(ZCharacterGlyphTableTest, MalformedCmapTablesInvalid) {
  // Counts that claim arrays beyond the table: the subtable is refused and
  // another acceptable one, if any, is used.
  Bytes segments = format4({{'A', 'Z', 1}});
  set16(segments, 6, 0xFFFE);
  EXPECT_EQ(tableOf(cmapTable({{3, 1, segments}}))->format(), 0);
  Bytes groups = format12({{'A', 'Z', 1}});
  groups[12] = 0x10;  // group count 0x10000001
  ZCharacterGlyphTable* fallback = tableOf(cmapTable({{0, 3, format4({{'A', 'A', 1}})}, {0, 4, groups}}));
  EXPECT_EQ(fallback->format(), 4);
  EXPECT_EQ(glyphOf(fallback, 'A'), 'A' + 1);
  // A subtable offset past the end of the table.
  Bytes cmap = cmapTable({{3, 1, format4({{'A', 'A', 1}})}});
  cmap[8] = 0x7F;
  EXPECT_EQ(tableOf(cmap)->format(), 0);
  // A range offset pointing past the end of the table maps to 0.
  Bytes farArray = format4({{'A', 'B', 0, {7, 8}}});
  set16(farArray, 14 + 3 * 4 + 2, 0xFFF0);  // the first range offset
  EXPECT_EQ(glyphOf(tableOf(cmapTable({{3, 1, farArray}})), 'B'), 0);

  // No 'cmap' table, or version 1: asserted, and every character maps to 0.
  testing_support::AssertionRecorder assertions;
  FontFace* noCmap = FontFace::fontFaceWithData(buildFont(FontSpec{}));
  EXPECT_EQ(glyphOf(ZCharacterGlyphTable::tableWithFont(noCmap), 'A'), 0);
  EXPECT_EQ(glyphOf(tableOf(cmapTable({{3, 1, format4({{'A', 'A', 1}})}}, 1)), 'A'), 0);
  ASSERT_EQ(assertions.messages().size(), 2u);
  EXPECT_EQ(assertions.messages()[0],
            "CGFontCopyTableForTag returned NULL for 'cmap' tag in font " + platform::describe(noCmap));
  EXPECT_TRUE(assertions.messages()[1].starts_with("cmap table for font <FontFace"));
  EXPECT_TRUE(assertions.messages()[1].ends_with("> has bad version number"));
}
