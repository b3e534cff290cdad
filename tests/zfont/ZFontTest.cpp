// Custom fonts: metrics in points, names from the 'name' table (encodings,
// record choice, malformed tables), size variants, and the font manager's
// loading of font resources by name.

#include "TrueTypeBuilder.h"
#include "platform/Facts.h"
#include "platform/FontFace.h"
#include "support/TestSupport.h"
#include "zfont/FontManager.h"
#include "zfont/ZFont.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace zfont_test;
using platform::FontFace;

namespace {

constexpr const char* kDejaVuMono = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
constexpr const char* kLiberationMono = "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf";

FontFace* faceFromFile(const char* path) { return FontFace::fontFaceWithContentsOfFile(path); }

FontFace* faceWithTable(const Bytes& name) {
  FontSpec spec;
  spec.extraTables["name"] = name;
  return FontFace::fontFaceWithData(buildFont(spec));
}

Bytes bytesOf(std::initializer_list<uint8_t> bytes) { return Bytes(bytes); }

// An OS/2 table of version 2 with the given x-height and cap height.
Bytes os2(int16_t xHeight, int16_t capHeight) {
  Bytes out(96, 0);
  set16(out, 0, 2);
  set16(out, 86, uint16_t(xHeight));
  set16(out, 88, uint16_t(capHeight));
  return out;
}

}  // namespace

// [SECTION] Metrics and variants

TEST(ZFontTest, MetricsAreFontUnitsScaledAndRoundedOutward) {
  FontSpec spec;
  spec.unitsPerEm = 2048;
  spec.ascender = 1901;
  spec.descender = -483;
  spec.extraTables["OS/2"] = os2(1062, 1493);
  ZFont* font = ZFont::fontWithCGFont(FontFace::fontFaceWithData(buildFont(spec)), 12);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->ratio(), 12.0f / 2048.0f);
  EXPECT_EQ(font->ascender(), 12.0f);   // 11.14 up
  EXPECT_EQ(font->descender(), -3.0f);  // -2.83 down
  EXPECT_EQ(font->leading(), 15.0f);
  EXPECT_EQ(font->xHeight(), 7.0f);     // 6.22 up
  EXPECT_EQ(font->capHeight(), 9.0f);   // 8.75 up
}

TEST(ZFontTest, SizeVariantsShareTheFaceAndMisuseInvalid) {
  FontFace* face = faceFromFile(kDejaVuMono);
  if (!face) GTEST_SKIP() << "DejaVu Sans Mono not installed";
  ZFont* font = ZFont::fontWithCGFont(face, 12);
  EXPECT_EQ(font->fontWithSize(12), font);
  ZFont* larger = font->fontWithSize(24);
  ASSERT_NE(larger, font);
  EXPECT_EQ(larger->cgFont(), face);
  EXPECT_EQ(larger->ratio(), 24.0f / 2048.0f);
  EXPECT_FALSE(larger->isEqual(font));
  EXPECT_TRUE(ZFont::fontWithCGFont(face, 24)->isEqual(larger));

  testing_support::AssertionRecorder assertions;
  EXPECT_EQ(font->fontWithSize(0), nullptr);
  EXPECT_FALSE(platform::Ref<ZFont>::adopt(new ZFont())->init());
  EXPECT_EQ(ZFont::fontWithUIFont(nullptr), nullptr);
  EXPECT_EQ(assertions.messages(),
            (std::vector<std::string>{"fontSize > 0.0", "-init is not valid for ZFont", "uiFont != nil"}));
  EXPECT_EQ(assertions.files().front(), "libs/zfont/ZFont.cpp");
}

// [SECTION] Name table

TEST(ZFontTest, NamesOfInstalledFonts) {
  struct Case {
    const char* path;
    const char* family;
    const char* full;
    const char* postScript;
  };
  for (const Case& c : {Case{kDejaVuMono, "DejaVu Sans Mono", "DejaVu Sans Mono", "DejaVuSansMono"},
                        Case{kLiberationMono, "Liberation Mono", "Liberation Mono", "LiberationMono"}}) {
    FontFace* face = faceFromFile(c.path);
    if (!face) continue;
    ZFont* font = ZFont::fontWithCGFont(face, 12);
    EXPECT_EQ(font->familyName(), c.family);
    EXPECT_EQ(font->fontName(), c.full);
    EXPECT_EQ(font->postScriptName(), c.postScript);
  }
}

TEST(ZFontTest, NameRecordChoiceAndDecoding) {
  struct Case {
    const char* name;
    std::vector<NameRecord> records;
    std::optional<std::string> expected;
  };
  const Bytes spooky = utf16BE(u"Spooky");
  const std::vector<Case> cases = {
      {"Windows symbol encoding is skipped", {{3, 0, 1, utf16BE(u"Symbol")}, {3, 10, 1, spooky}, {3, 1, 1, utf16BE(u"Win")}},
       "Win"},
      {"Mac Roman upper half", {{1, 0, 1, bytesOf({'C', 'a', 'f', 0x8E, ' ', 0xA9, 0xC9, 0xF0})}},
       "Caf\xC3\xA9 \xC2\xA9\xE2\x80\xA6\xEF\xA3\xBF"},
      {"Unicode platform with a surrogate pair", {{0, 4, 1, utf16BE(u"A\U0001F47B")}}, "A\xF0\x9F\x91\xBB"},
      {"Mac UTF-16", {{1, 1, 1, spooky}}, "Spooky"},
      {"first matching record wins", {{1, 0, 1, bytesOf({'M', 'a', 'c'})}, {3, 1, 1, spooky}}, "Mac"},
      {"other name IDs are passed over", {{3, 1, 2, utf16BE(u"Regular")}, {3, 1, 1, spooky}}, "Spooky"},
      {"offset 0 gives none and ends the search", {{3, 1, 1, spooky, true}, {1, 0, 1, bytesOf({'M'})}}, std::nullopt},
      {"no record for the ID", {{3, 1, 2, spooky}}, std::nullopt},
      {"odd UTF-16 length drops the last byte", {{3, 1, 1, bytesOf({0, 'O', 0, 'K', 0})}}, "OK"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FontFace* face = faceWithTable(nameTable(c.records));
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(ZFont::fontWithCGFont(face, 10)->copyNameTableEntryForID(1), c.expected);
  }
}

TEST(ZFontTest, MalformedNameTablesInvalid) {
  // A string running past the end of the table, and a record count far
  // beyond the records there: nothing is read outside the table.
  Bytes pastTheEnd = nameTable({{3, 1, 1, utf16BE(u"Spooky")}});
  set16(pastTheEnd, 6 + 8, 200);
  EXPECT_EQ(ZFont::fontWithCGFont(faceWithTable(pastTheEnd), 10)->familyName(), "");
  Bytes manyRecords = nameTable({{3, 1, 2, utf16BE(u"Style")}});
  set16(manyRecords, 2, 0xFFFF);
  EXPECT_EQ(ZFont::fontWithCGFont(faceWithTable(manyRecords), 10)->copyNameTableEntryForID(2), "Style");

  testing_support::AssertionRecorder assertions;
  ZFont* noTable = ZFont::fontWithCGFont(FontFace::fontFaceWithData(buildFont(FontSpec{})), 10);
  EXPECT_EQ(noTable->copyNameTableEntryForID(1), std::nullopt);
  ZFont* badFormat = ZFont::fontWithCGFont(faceWithTable(nameTable({{3, 1, 1, utf16BE(u"X")}}, 1)), 10);
  EXPECT_EQ(badFormat->copyNameTableEntryForID(1), std::nullopt);
  EXPECT_EQ(assertions.messages(),
            (std::vector<std::string>{
                "CGFontCopyTableForTag returned NULL for 'name' tag in font " + platform::describe(noTable->cgFont()),
                "name table for font " + platform::describe(badFormat->cgFont()) + " has bad version number"}));
}

// [SECTION] Font manager

class FontManagerTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kDejaVuMono)) GTEST_SKIP() << "DejaVu Sans Mono not installed";
    folder_ = fs::temp_directory_path() / ("zfont-manager-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
    fs::copy_file(kDejaVuMono, folder_ / "Spooky.ttf", fs::copy_options::overwrite_existing);
    fs::copy_file(kDejaVuMono, folder_ / "Exact.font", fs::copy_options::overwrite_existing);
    std::ofstream(folder_ / "Broken.ttf") << "not a font";
    savedFacts_ = platform::facts();
    platform::facts().resourceDir = folder_.string();
    FontManager::purgeSharedManager();
  }
  void TearDown() override {
    if (folder_.empty()) return;
    FontManager::purgeSharedManager();
    platform::facts() = savedFacts_;
    fs::remove_all(folder_);
  }

  fs::path folder_;
  platform::Facts savedFacts_;
};

TEST_F(FontManagerTest, LoadsAResourceByNameOnce) {
  FontManager* manager = FontManager::sharedManager();
  EXPECT_EQ(FontManager::sharedManager(), manager);
  ZFont* font = manager->zFontWithName("Spooky", 12);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->pointSize(), 12.0f);
  EXPECT_EQ(font->postScriptName(), "DejaVuSansMono");
  const std::string path = (folder_ / "Spooky.ttf").string();
  EXPECT_EQ(manager->urls(), (std::map<std::string, std::string>{{"Spooky", path}}));

  // Asking again finds the same face without loading the file again.
  fs::remove(folder_ / "Spooky.ttf");
  ZFont* again = manager->zFontWithName("Spooky", 20);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->cgFont(), font->cgFont());
  EXPECT_EQ(manager->copyAllFonts().size(), 1u);
  EXPECT_EQ(manager->zFontWithURL(path, 9)->cgFont(), font->cgFont());

  // A resource without the "ttf" extension is found by its exact name.
  ASSERT_NE(manager->zFontWithName("Exact.font", 10), nullptr);
  EXPECT_EQ(manager->urls().at("Exact.font"), (folder_ / "Exact.font").string());
}

TEST_F(FontManagerTest, UnknownOrBrokenFontsGiveNoneAndRememberNothing) {
  FontManager* manager = FontManager::sharedManager();
  testing_support::LogCapture log;
  EXPECT_EQ(manager->zFontWithName("Missing", 12), nullptr);
  EXPECT_EQ(manager->zFontWithName("Broken", 12), nullptr);
  EXPECT_EQ(manager->zFontWithURL((folder_ / "nothing.ttf").string(), 12), nullptr);
  EXPECT_TRUE(manager->urls().empty());
  EXPECT_TRUE(manager->copyAllFonts().empty());

  // File URLs load directly; purging forgets every font.
  ASSERT_NE(manager->zFontWithURL("file://" + (folder_ / "Spooky.ttf").string(), 12), nullptr);
  FontManager::purgeSharedManager();
  EXPECT_TRUE(FontManager::sharedManager()->copyAllFonts().empty());
}
