#include "tessera/CCBMFontConfiguration.h"

#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/Ref.h"
#include "support/TestSupport.h"
#include "tessera/CCConfiguration.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>

using platform::Ref;
using testing::ElementsAre;
using testing::HasSubstr;
using testing_support::AssertionRecorder;
using testing_support::LogCapture;

namespace {

// A small font as font tools write it. 'A' is defined twice (the second
// wins), a pair is given twice (the last wins), "chars count" must not read
// as a character line, and the text has no final line feed.
const std::string kFont =
    "info face=\"Mono12\" size=12 bold=0 italic=0 charset=\"\" unicode=1 padding=0,0,0,0 spacing=1,1\n"
    "common lineHeight=14 base=10 scaleW=128 scaleH=64 pages=1 packed=0\n"
    "page id=0 file=\"mono.png\"\n"
    "chars count=4\n"
    "char id=32   x=0 y=0 width=0 height=0 xoffset=0 yoffset=10 xadvance=7 page=0 chnl=15\n"
    "char id=65 x=1 y=1 width=1 height=1 xoffset=0 yoffset=0 xadvance=1 page=0 chnl=15\n"
    "char id=86 x=24 y=13 width=8 height=9 xoffset=-1 yoffset=1 xadvance=7 page=0 chnl=15\n"
    "char id=65 x=16 y=13 width=7 height=9 xoffset=0 yoffset=1 xadvance=7 page=0 chnl=15\n"
    "char id=2047 x=100 y=50 width=2 height=3 xoffset=4 yoffset=5 xadvance=6 page=0 chnl=15\n"
    "kernings count=3\n"
    "kerning first=65 second=86 amount=-2\n"
    "kerning first=65535 second=65 amount=3\n"
    "kerning first=86 second=65 amount=-1\n"
    "kerning first=86 second=65 amount=-4";

class CCBMFontConfigurationTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("tessera-fnt-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_ / "fonts");
    // The page size check needs the GL's real limit.
    context_ = platform::GLContext::contextWithAPI(platform::GLContext::API::ES1);
    if (!context_ || !platform::GLContext::setCurrentContext(context_)) GTEST_SKIP() << "no OpenGL ES 1.1 context";
    CCConfiguration::purgeSharedConfigurationForTesting();
    CCBMFontConfiguration::purgeCachedData();
  }
  void TearDown() override {
    CCBMFontConfiguration::purgeCachedData();
    CCConfiguration::purgeSharedConfigurationForTesting();
    platform::GLContext::setCurrentContext(nullptr);
    platform::resetFacts();
    std::filesystem::remove_all(folder_);
  }

  std::string writeFont(const std::string& relativePath, const std::string& text) {
    const std::string path = (folder_ / relativePath).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // `text` parsed in memory as "fonts/t.fnt".
  static CCBMFontConfiguration* parse(const std::string& text) {
    CCBMFontConfiguration* configuration = CCBMFontConfiguration::configurationWithFNTData(text, "fonts/t.fnt");
    EXPECT_NE(nullptr, configuration);
    return configuration;
  }

  std::filesystem::path folder_;
  Ref<platform::GLContext> context_;
};

void expectGlyph(const BMFontDef& glyph, uint32_t id, CGRect rect, int32_t xOffset, int32_t yOffset, int32_t xAdvance) {
  EXPECT_EQ(id, glyph.charID);
  EXPECT_TRUE(CGRectEqualToRect(rect, glyph.rect)) << "glyph " << id;
  EXPECT_EQ(xOffset, glyph.xOffset) << "glyph " << id;
  EXPECT_EQ(yOffset, glyph.yOffset) << "glyph " << id;
  EXPECT_EQ(xAdvance, glyph.xAdvance) << "glyph " << id;
}

TEST_F(CCBMFontConfigurationTest, ReadsGlyphsKerningsAndPageImage) {
  AssertionRecorder assertions;
  CCBMFontConfiguration* font =
      CCBMFontConfiguration::configurationWithFNTFile(writeFont("fonts/mono.fnt", kFont));
  ASSERT_NE(nullptr, font);
  EXPECT_TRUE(assertions.empty());

  EXPECT_EQ(14u, font->commonHeight());
  EXPECT_EQ((folder_ / "fonts/mono.png").string(), font->atlasName());
  expectGlyph(font->fontDef(32), 32, CGRectMake(0, 0, 0, 0), 0, 10, 7);
  expectGlyph(font->fontDef(65), 65, CGRectMake(16, 13, 7, 9), 0, 1, 7);
  expectGlyph(font->fontDef(86), 86, CGRectMake(24, 13, 8, 9), -1, 1, 7);
  expectGlyph(font->fontDef(2047), 2047, CGRectMake(100, 50, 2, 3), 4, 5, 6);
  expectGlyph(font->fontDef(66), 0, CGRectZero, 0, 0, 0);  // undefined: draws nothing, takes no room

  EXPECT_EQ(-2, font->kerningAmount(65, 86));
  EXPECT_EQ(0, font->kerningAmount(86, 86));
  EXPECT_EQ(3, font->kerningAmount(65535, 65)) << "what the first character of a text meets";
  EXPECT_EQ(-4, font->kerningAmount(86, 65)) << "the pair read last wins";
  EXPECT_THAT(font->description(),
              testing::MatchesRegex("<CCBMFontConfiguration = [0-9A-F]{8,} \\| Kernings:3 \\| Image = .*/fonts/mono.png>"));
  Ref<CCBMFontConfiguration> unread = Ref<CCBMFontConfiguration>::adopt(new CCBMFontConfiguration());
  EXPECT_THAT(unread->description(), testing::EndsWith("| Kernings:0 | Image = (null)>"));
}

TEST_F(CCBMFontConfigurationTest, RelativeNamesPlaceThePageBesideTheNameAsPassed) {
  writeFont("fonts/mono.fnt", kFont);
  platform::facts().resourceDir = folder_.string();
  CCBMFontConfiguration* font = CCBMFontConfiguration::configurationWithFNTFile("fonts/mono.fnt");
  ASSERT_NE(nullptr, font);
  EXPECT_EQ("fonts/mono.png", font->atlasName());
}

// Values are taken by position from the start of each field: white space
// skipped, optional sign, digits up to the first other character, saturated.
TEST_F(CCBMFontConfigurationTest, FieldValuesFollowTheDecimalPrefixRule) {
  CCBMFontConfiguration* font = parse("char id=66 x= 7 y=+5 width=12px height=abc xoffset=-3 yoffset=99999999999\n"
                                      "char id=67\n"
                                      "char id=68x y=1 x=2\n"  // keys are never compared
                                      "kerning first=1 second=65602 amount=5\n"
                                      "common lineHeight=-1 base=0 scaleW=1 scaleH=1 pages=1\n"
                                      "page id=0 file=\"m.png\"");
  expectGlyph(font->fontDef(66), 66, CGRectMake(7, 5, 12, 0), -3, INT32_MAX, 0);
  expectGlyph(font->fontDef(67), 67, CGRectZero, 0, 0, 0);  // missing fields read as 0
  expectGlyph(font->fontDef(68), 68, CGRectMake(1, 2, 0, 0), 0, 0, 0);
  EXPECT_EQ(0, font->kerningAmount(1, 66)) << "a second id of 65602 is not 66";
  EXPECT_EQ(1u, font->kerningCount());
  EXPECT_EQ(UINT32_MAX, font->commonHeight()) << "the line height is unsigned";

  // CR LF keeps a '\r' at each line end, which harms nothing.
  font = parse("common lineHeight=14 base=10 scaleW=1 scaleH=1 pages=1\r\npage id=0 file=\"m.png\"\r\n"
               "char id=65 x=1 y=2 width=3 height=4 xoffset=5 yoffset=6 xadvance=7\r\n");
  EXPECT_EQ(14u, font->commonHeight());
  EXPECT_EQ("fonts/m.png", font->atlasName());
  expectGlyph(font->fontDef(65), 65, CGRectMake(1, 2, 3, 4), 5, 6, 7);
  // A byte-order mark or leading space hides a line's prefix.
  font = parse("\xEF\xBB\xBF" "common lineHeight=14 base=10 scaleW=1 scaleH=1 pages=1\n char id=65 x=1\n"
               "page id=0 file=\"m.png\"");
  EXPECT_EQ(0u, font->commonHeight());
  EXPECT_EQ(0u, font->fontDef(65).charID);
}

// Files a font tool can write, or that are damaged, are refused with a logged
// reason naming the file and the numbers: never an abort.
TEST_F(CCBMFontConfigurationTest, UnsupportedOrIncompleteFontsAreRefusedWithAReason) {
  struct Case {
    const char* text;
    const char* reason;
  };
  const Case cases[] = {
      {"common lineHeight=14 base=10 scaleW=128 scaleH=64 pages=2\npage id=0 file=\"a.png\"\npage id=1 file=\"b.png\"",
       "fonts/t.fnt has 2 pages; only fonts of 1 page are supported"},
      {"common lineHeight=14 base=10 scaleW=128 scaleH=64\npage id=0 file=\"a.png\"",
       "fonts/t.fnt has 0 pages"},
      {"common lineHeight=14 base=10 scaleW=100000 scaleH=64 pages=1\npage id=0 file=\"a.png\"",
       "its page of 100000x64 is larger than the maximum texture size"},
      {"common lineHeight=14 base=10 scaleW=64 scaleH=100000 pages=1\npage id=0 file=\"a.png\"",
       "its page of 64x100000 is larger"},
      {"page id=1 file=\"a.png\"", "fonts/t.fnt names page 1; only page 0 is supported"},
      {"page id=0 file=mono.png", "fonts/t.fnt: its page line names no image file"},
      {"page id=0 file=\"\"", "fonts/t.fnt: its page line names no image file"},
      {"", "fonts/t.fnt names no page image (no page line)"},
      {"common lineHeight=14 base=10 scaleW=128 scaleH=64 pages=1\nchar id=65 x=1", "(no page line)"},
  };
  for (const Case& c : cases) {
    AssertionRecorder assertions;
    LogCapture log;
    EXPECT_EQ(nullptr, CCBMFontConfiguration::configurationWithFNTData(c.text, "fonts/t.fnt")) << c.text;
    EXPECT_THAT(log.text(), HasSubstr(c.reason)) << c.text;
    EXPECT_TRUE(assertions.empty()) << c.text;
  }

  LogCapture log;
  EXPECT_EQ(nullptr, CCBMFontConfiguration::configurationWithFNTFile(writeFont("empty.fnt", "")));
  EXPECT_THAT(log.text(), HasSubstr("empty.fnt names no page image"));
}

// Real fonts define Cyrillic, Greek, symbols and CJK: ids of any size are
// kept, each findable by its code, the last definition of a code winning.
TEST_F(CCBMFontConfigurationTest, GlyphsOfAnyIdAreKept) {
  AssertionRecorder assertions;
  LogCapture log;
  CCBMFontConfiguration* font = parse("page id=0 file=\"a.png\"\n"
                                      "char id=20013 x=9 y=1 width=12 height=12 xoffset=0 yoffset=1 xadvance=13\n"
                                      "char id=1046 x=1 y=1 width=8 height=9 xoffset=1 yoffset=2 xadvance=9\n"
                                      "char id=2048 x=3 y=3 width=1 height=1 xoffset=0 yoffset=0 xadvance=1\n"
                                      "char id=1046 x=2 y=2 width=8 height=9 xoffset=1 yoffset=2 xadvance=10\n"
                                      "char id=65535 x=4 y=4 width=1 height=1 xoffset=0 yoffset=0 xadvance=2\n"
                                      "char id=128512 x=5 y=5 width=1 height=1 xoffset=0 yoffset=0 xadvance=3\n"
                                      "char id=20013 x=30 y=1 width=12 height=12 xoffset=0 yoffset=1 xadvance=14\n"
                                      "char id=4294967296 x=6\n"
                                      "char id=-1 x=7 y=7 width=1 height=1 xoffset=0 yoffset=0 xadvance=9\n");
  ASSERT_NE(nullptr, font);
  EXPECT_TRUE(assertions.empty());
  expectGlyph(font->fontDef(1046), 1046, CGRectMake(2, 2, 8, 9), 1, 2, 10);
  expectGlyph(font->fontDef(20013), 20013, CGRectMake(30, 1, 12, 12), 0, 1, 14);
  expectGlyph(font->fontDef(2048), 2048, CGRectMake(3, 3, 1, 1), 0, 0, 1);
  expectGlyph(font->fontDef(65535), 65535, CGRectMake(4, 4, 1, 1), 0, 0, 2);
  expectGlyph(font->fontDef(128512), 128512, CGRectMake(5, 5, 1, 1), 0, 0, 3);
  expectGlyph(font->fontDef(INT32_MAX), INT32_MAX, CGRectMake(6, 0, 0, 0), 0, 0, 0);  // the id saturates
  expectGlyph(font->fontDef(20014), 0, CGRectZero, 0, 0, 0);
  expectGlyph(font->fontDef(UINT32_MAX), 0, CGRectZero, 0, 0, 0);  // a negative id is no character
  EXPECT_THAT(log.text(), HasSubstr("fonts/t.fnt: skipped 1 character(s) with a negative id"));
  std::vector<uint32_t> highIds;
  for (const BMFontDef& glyph : font->highFontDefs()) highIds.push_back(glyph.charID);
  EXPECT_THAT(highIds, ElementsAre(2048, 20013, 65535, 128512, uint32_t(INT32_MAX)));

  // Kerning pairs keep ids apart that a 16-bit key would merge.
  font = parse("page id=0 file=\"a.png\"\nkerning first=1046 second=20013 amount=-3\n"
               "kerning first=66582 second=20013 amount=7\nkerning first=-1 second=65 amount=4");
  EXPECT_EQ(-3, font->kerningAmount(1046, 20013)) << "66582 << 16 would overflow into 1046 << 16";
  EXPECT_EQ(0, font->kerningAmount(65535, 65)) << "first=-1 is not 65535";
  EXPECT_EQ(3u, font->kerningCount());
}

// [SECTION] The XML form

// kFont plus a Cyrillic and a CJK glyph, as a font tool writes it in XML:
// attributes in the tool's own order, some reordered, an entity in the file
// name, a byte-order mark and white space before the declaration.
const std::string kXMLFont =
    "\xEF\xBB\xBF\n  <?xml version=\"1.0\"?>\n"
    "<font>\n"
    "  <info face=\"Mono12\" size=\"12\" bold=\"0\" italic=\"0\" charset=\"\" unicode=\"1\" padding=\"0,0,0,0\"/>\n"
    "  <common lineHeight=\"14\" base=\"10\" scaleW=\"128\" scaleH=\"64\" pages=\"1\" packed=\"0\"/>\n"
    "  <pages>\n    <page id=\"0\" file=\"mono&amp;&quot;x&quot;.png\" />\n  </pages>\n"
    "  <chars count=\"6\">\n"
    "    <char id=\"32\" x=\"0\" y=\"0\" width=\"0\" height=\"0\" xoffset=\"0\" yoffset=\"10\" xadvance=\"7\" "
    "page=\"0\" chnl=\"15\" />\n"
    "    <char xadvance=\"7\" id=\"86\" y=\"13\" x=\"24\" height=\"9\" width=\"8\" yoffset=\"1\" xoffset=\"-1\"/>\n"
    "    <char id=\"65\" x=\"1\" y=\"1\" width=\"1\" height=\"1\" xoffset=\"0\" yoffset=\"0\" xadvance=\"1\"/>\n"
    "    <char id=\"65\" x=\"16\" y=\"13\" width=\"7\" height=\"9\" xoffset=\"0\" yoffset=\"1\" xadvance=\"7\"/>\n"
    "    <char id=\"2047\" x=\"100\" y=\"50\" width=\"2\" height=\"3\" xoffset=\"4\" yoffset=\"5\" xadvance=\"6\"/>\n"
    "    <char id=\"1046\" x=\"40\" y=\"1\" width=\"8\" height=\"9\" xoffset=\"1\" yoffset=\"2\" xadvance=\"9\"/>\n"
    "    <char id=\"20013\" x=\"50\" y=\"1\" width=\"12\" height=\"12\" xoffset=\"0\" yoffset=\"1\" xadvance=\"13\"/>\n"
    "  </chars>\n"
    "  <kernings count=\"4\">\n"
    "    <kerning first=\"65\" second=\"86\" amount=\"-2\" />\n"
    "    <kerning amount=\"3\" second=\"65\" first=\"65535\" />\n"
    "    <kerning first=\"86\" second=\"65\" amount=\"-1\" />\n"
    "    <kerning first=\"86\" second=\"65\" amount=\"-4\" />\n"
    "  </kernings>\n"
    "</font>\n";

TEST_F(CCBMFontConfigurationTest, XMLFontGivesTheSameFontAsTheTextForm) {
  const std::string text = kFont +
                           "\nchar id=1046 x=40 y=1 width=8 height=9 xoffset=1 yoffset=2 xadvance=9\n"
                           "char id=20013 x=50 y=1 width=12 height=12 xoffset=0 yoffset=1 xadvance=13\n";
  AssertionRecorder assertions;
  CCBMFontConfiguration* fromText = parse(text);
  CCBMFontConfiguration* fromXML = CCBMFontConfiguration::configurationWithFNTFile(writeFont("fonts/x.fnt", kXMLFont));
  ASSERT_TRUE(fromText && fromXML);
  EXPECT_TRUE(assertions.empty());

  EXPECT_EQ(fromText->commonHeight(), fromXML->commonHeight());
  EXPECT_EQ((folder_ / "fonts/mono&\"x\".png").string(), fromXML->atlasName()) << "entities decoded";
  for (uint32_t code = 0; code < CCBMFontConfiguration::kDirectTableSize; ++code) {
    const BMFontDef& want = fromText->fontDef(code);
    expectGlyph(fromXML->fontDef(code), want.charID, want.rect, want.xOffset, want.yOffset, want.xAdvance);
  }
  expectGlyph(fromXML->fontDef(20013), 20013, CGRectMake(50, 1, 12, 12), 0, 1, 13);
  EXPECT_EQ(fromText->highFontDefs().size(), fromXML->highFontDefs().size());
  EXPECT_EQ(fromText->kerningCount(), fromXML->kerningCount());
  for (auto [first, second] : {std::pair<uint16_t, uint16_t>{65, 86}, {65535, 65}, {86, 65}, {86, 86}}) {
    EXPECT_EQ(fromText->kerningAmount(first, second), fromXML->kerningAmount(first, second)) << first << "," << second;
  }
  EXPECT_EQ(-4, fromXML->kerningAmount(86, 65)) << "the pair read last wins";
}

TEST_F(CCBMFontConfigurationTest, MalformedOrUnsupportedXMLIsRefusedWithAReason) {
  const std::string page = "<common lineHeight=\"9\" scaleW=\"8\" scaleH=\"8\" pages=\"1\"/><page id=\"0\" file=\"a.png\"/>";
  struct Case {
    std::string text;
    const char* reason;
  };
  const Case cases[] = {
      {"<font>" + page + "<chars><char id=\"65\"></chars></font>", "fonts/t.fnt is not well-formed XML: mismatched tag at line 1"},
      {"<font>" + page, "fonts/t.fnt is not well-formed XML: no element found"},
      {"<?xml version=\"1.0\"?>\n<font>" + page + "<char id=\"65\" x=\"1\" x=\"2\"/></font>", "duplicate attribute at line 2"},
      {"<font>" + page + "<char id=\"&bogus;\"/></font>", "undefined entity"},
      {"<?xml version=\"1.0\"?><!DOCTYPE font [<!ENTITY a \"aaaaaaaa\">]><font>" + page + "</font>",
       "fonts/t.fnt declares a document type; not read"},
      {"<?xml version=\"1.0\"?><fonts>" + page + "</fonts>", "the root element is <fonts>, not <font>"},
      {"<font><common lineHeight=\"9\" pages=\"2\"/><pages><page id=\"0\" file=\"a.png\"/><page id=\"1\" file=\"b.png\"/>"
       "</pages></font>",
       "fonts/t.fnt has 2 pages"},
      {"<font><pages><page id=\"0\"/></pages></font>", "its page line names no image file"},
      {"<font><chars count=\"0\"/></font>", "fonts/t.fnt names no page image (no <page> element)"},
  };
  for (const Case& c : cases) {
    AssertionRecorder assertions;
    LogCapture log;
    EXPECT_EQ(nullptr, CCBMFontConfiguration::configurationWithFNTData(c.text, "fonts/t.fnt")) << c.text;
    EXPECT_THAT(log.text(), HasSubstr(c.reason)) << c.text;
    EXPECT_TRUE(assertions.empty()) << c.text;
  }
  // Only a leading "<?xml" or "<font" selects the XML form.
  LogCapture log;
  EXPECT_EQ(nullptr, CCBMFontConfiguration::configurationWithFNTData("x<font>" + page + "</font>", "fonts/t.fnt"));
  EXPECT_THAT(log.text(), HasSubstr("(no page line)"));
}

TEST_F(CCBMFontConfigurationTest, UnreadableOrHostileText) {
  LogCapture log;
  EXPECT_EQ(nullptr, CCBMFontConfiguration::configurationWithFNTFile((folder_ / "missing.fnt").string()));
  EXPECT_EQ(nullptr, CCBMFontConfiguration::configurationWithFNTFile((folder_ / "fonts").string()));
  EXPECT_EQ(nullptr, CCBMFontConfiguration::configurationWithFNTFile(writeFont("latin1.fnt", "info face=\"Caf\xE9\"\n")));
  EXPECT_EQ(nullptr, CCBMFontConfiguration::configurationWithFNTData("\xED\xA0\x80", "s.fnt")) << "a surrogate";
  EXPECT_THAT(log.text(), HasSubstr("missing.fnt"));
  EXPECT_THAT(log.text(), HasSubstr("latin1.fnt is not UTF-8"));

  AssertionRecorder assertions;
  CCBMFontConfiguration* font =
      parse("kerning first=" + std::string(200000, '=') + "\nchar id=5" + std::string(100000, '9') +
            "\nchar\npage id=0 file=\"../up.png\nchar id=");
  EXPECT_EQ(0, font->kerningAmount(0, 0));
  EXPECT_EQ("fonts/../up.png", font->atlasName()) << "the name is text, joined to the font's folder";
}

TEST_F(CCBMFontConfigurationTest, CacheSharesByExactNameUntilPurged) {
  writeFont("fonts/mono.fnt", kFont);
  platform::facts().resourceDir = folder_.string();

  Ref<CCBMFontConfiguration> first = CCBMFontConfiguration::cachedConfiguration("fonts/mono.fnt");
  ASSERT_NE(nullptr, first.get());
  EXPECT_EQ(first.get(), CCBMFontConfiguration::cachedConfiguration("fonts/mono.fnt"));
  CCBMFontConfiguration* other = CCBMFontConfiguration::cachedConfiguration("./fonts/mono.fnt");
  ASSERT_NE(nullptr, other);
  EXPECT_NE(first.get(), other) << "another spelling is another entry";

  // The cache serves what it read, even after the file changes, until purged;
  // holders keep their own reference.
  writeFont("fonts/mono.fnt", "common lineHeight=20 base=10 scaleW=128 scaleH=64 pages=1\npage id=0 file=\"m.png\"\n");
  EXPECT_EQ(first.get(), CCBMFontConfiguration::cachedConfiguration("fonts/mono.fnt"));
  const uint32_t heldBefore = first->retainCount();
  CCBMFontConfiguration::purgeCachedData();
  EXPECT_EQ(heldBefore - 1, first->retainCount());
  EXPECT_EQ(20u, CCBMFontConfiguration::cachedConfiguration("fonts/mono.fnt")->commonHeight());
  EXPECT_EQ(14u, first->commonHeight());

  // A file that cannot be read is not cached.
  LogCapture log;
  EXPECT_EQ(nullptr, CCBMFontConfiguration::cachedConfiguration("late.fnt"));
  writeFont("late.fnt", "common lineHeight=9 base=1 scaleW=1 scaleH=1 pages=1\npage id=0 file=\"l.png\"\n");
  ASSERT_NE(nullptr, CCBMFontConfiguration::cachedConfiguration("late.fnt"));
  EXPECT_EQ(9u, CCBMFontConfiguration::cachedConfiguration("late.fnt")->commonHeight());
}

}  // namespace
