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
  EXPECT_THAT(parse("")->description(), testing::EndsWith("| Kernings:0 | Image = (null)>"));
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
                                      "kerning first=1 second=65602 amount=5\n"  // second's low 16 bits only
                                      "common lineHeight=-1 base=0 scaleW=1 scaleH=1 pages=1\n");
  expectGlyph(font->fontDef(66), 66, CGRectMake(7, 5, 12, 0), -3, INT32_MAX, 0);
  expectGlyph(font->fontDef(67), 67, CGRectZero, 0, 0, 0);  // missing fields read as 0
  expectGlyph(font->fontDef(68), 68, CGRectMake(1, 2, 0, 0), 0, 0, 0);
  EXPECT_EQ(5, font->kerningAmount(1, 66));
  EXPECT_EQ(UINT32_MAX, font->commonHeight()) << "the line height is unsigned";

  // CR LF keeps a '\r' at each line end, which harms nothing.
  font = parse("common lineHeight=14 base=10 scaleW=1 scaleH=1 pages=1\r\npage id=0 file=\"m.png\"\r\n"
               "char id=65 x=1 y=2 width=3 height=4 xoffset=5 yoffset=6 xadvance=7\r\n");
  EXPECT_EQ(14u, font->commonHeight());
  EXPECT_EQ("fonts/m.png", font->atlasName());
  expectGlyph(font->fontDef(65), 65, CGRectMake(1, 2, 3, 4), 5, 6, 7);
  // A byte-order mark or leading space hides a line's prefix.
  font = parse("\xEF\xBB\xBF" "common lineHeight=14 base=10 scaleW=1 scaleH=1 pages=1\n char id=65 x=1\n");
  EXPECT_EQ(0u, font->commonHeight());
  EXPECT_EQ(0u, font->fontDef(65).charID);
}

TEST_F(CCBMFontConfigurationTest, ChecksInvalid) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"char id=2048 x=1 y=1 width=1 height=1 xoffset=0 yoffset=0 xadvance=9", "BitmpaFontAtlas: CharID bigger than supported"},
      {"char id=-1 x=1 y=1 width=1 height=1 xoffset=0 yoffset=0 xadvance=9", "BitmpaFontAtlas: CharID bigger than supported"},
      {"char id=4294967296 x=1", "BitmpaFontAtlas: CharID bigger than supported"},
      {"common lineHeight=14 base=10 scaleW=128 scaleH=64 pages=2", "CCBitfontAtlas: only supports 1 page"},
      {"common lineHeight=14 base=10 scaleW=128 scaleH=64", "CCBitfontAtlas: only supports 1 page"},
      {"common lineHeight=14 base=10 scaleW=100000 scaleH=64 pages=1", "CCLabelBMFont: page can't be larger than supported"},
      {"common lineHeight=14 base=10 scaleW=64 scaleH=100000 pages=1", "CCLabelBMFont: page can't be larger than supported"},
      {"page id=1 file=\"a.png\"", "XXX: BitmapFontAtlas only supports 1 page"},
      {"page id=0 file=mono.png", "BitmapFontAtlas file could not be found"},
  };
  for (const Case& c : cases) {
    AssertionRecorder assertions;
    CCBMFontConfiguration* font = parse(std::string("page id=0 file=\"a.png\"\n") + c.text + "\nchar id=0 x=3 xadvance=2");
    EXPECT_THAT(assertions.messages(), ElementsAre(c.message)) << c.text;
    EXPECT_THAT(assertions.files(), ElementsAre("libs/tessera/CCBMFontConfiguration.cpp"));
    // Reading goes on; a refused character stores nothing, a nameless page
    // keeps the earlier name.
    EXPECT_EQ(3.0f, font->fontDef(0).rect.origin.x) << c.text;
    EXPECT_EQ("fonts/a.png", font->atlasName()) << c.text;
  }
}

TEST_F(CCBMFontConfigurationTest, UnreadableOrHostileText) {
  LogCapture log;
  EXPECT_EQ(nullptr, CCBMFontConfiguration::configurationWithFNTFile((folder_ / "missing.fnt").string()));
  EXPECT_EQ(nullptr, CCBMFontConfiguration::configurationWithFNTFile((folder_ / "fonts").string()));
  EXPECT_EQ(nullptr, CCBMFontConfiguration::configurationWithFNTFile(writeFont("latin1.fnt", "info face=\"Caf\xE9\"\n")));
  EXPECT_EQ(nullptr, CCBMFontConfiguration::configurationWithFNTData("\xED\xA0\x80", "s.fnt")) << "a surrogate";
  EXPECT_THAT(log.text(), HasSubstr("missing.fnt"));
  EXPECT_THAT(log.text(), HasSubstr("latin1.fnt is not UTF-8"));
  EXPECT_NE(nullptr, CCBMFontConfiguration::configurationWithFNTFile(writeFont("empty.fnt", ""))) << "empty is readable";

  AssertionRecorder assertions;
  CCBMFontConfiguration* font =
      parse("kerning first=" + std::string(200000, '=') + "\nchar id=5" + std::string(100000, '9') +
            "\nchar\npage id=0 file=\"../up.png\ncommon lineHeight");
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
  writeFont("fonts/mono.fnt", "common lineHeight=20 base=10 scaleW=128 scaleH=64 pages=1\n");
  EXPECT_EQ(first.get(), CCBMFontConfiguration::cachedConfiguration("fonts/mono.fnt"));
  const uint32_t heldBefore = first->retainCount();
  CCBMFontConfiguration::purgeCachedData();
  EXPECT_EQ(heldBefore - 1, first->retainCount());
  EXPECT_EQ(20u, CCBMFontConfiguration::cachedConfiguration("fonts/mono.fnt")->commonHeight());
  EXPECT_EQ(14u, first->commonHeight());

  // A file that cannot be read is not cached.
  LogCapture log;
  EXPECT_EQ(nullptr, CCBMFontConfiguration::cachedConfiguration("late.fnt"));
  writeFont("late.fnt", "common lineHeight=9 base=1 scaleW=1 scaleH=1 pages=1\n");
  ASSERT_NE(nullptr, CCBMFontConfiguration::cachedConfiguration("late.fnt"));
  EXPECT_EQ(9u, CCBMFontConfiguration::cachedConfiguration("late.fnt")->commonHeight());
}

}  // namespace
