// The bitmap-font label on a small font generated here: layout, re-layout,
// colour propagation and drawing through a headless GL context.

#include "tessera/CCLabelBMFont.h"

#include "SpriteTestSupport.h"
#include "platform/StringUtils.h"
#include "support/TestSupport.h"
#include "tessera/CCBMFontConfiguration.h"
#include "tessera/CCSprite.h"
#include "tessera/CCTextureCache.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace sprite_test;
using platform::Ref;
using testing::ElementsAre;
using testing_support::AssertionRecorder;
using testing_support::LogCapture;

namespace {

// Line height 10. 'A' red 4x6, 'V' green 4x6, 'B' blue 4x8 side by side on a
// 32x16 page. Pairs: A-V -2, V-B +1, and B as the first character of a text
// (kerned against 65535) +4.
const char* const kFont =
    "info face=\"T\" size=10\n"
    "common lineHeight=10 base=8 scaleW=32 scaleH=16 pages=1 packed=0\n"
    "page id=0 file=\"page.png\"\n"
    "chars count=3\n"
    "char id=65 x=0 y=0 width=4 height=6 xoffset=1 yoffset=2 xadvance=6 page=0 chnl=15\n"
    "char id=86 x=8 y=0 width=4 height=6 xoffset=0 yoffset=2 xadvance=5 page=0 chnl=15\n"
    "char id=66 x=16 y=0 width=4 height=8 xoffset=0 yoffset=1 xadvance=5 page=0 chnl=15\n"
    "kerning first=65 second=86 amount=-2\n"
    "kerning first=86 second=66 amount=1\n"
    "kerning first=65535 second=66 amount=4\n";

class CCLabelBMFontTest : public SpriteGLTest {
 protected:
  void SetUp() override {
    SpriteGLTest::SetUp();
    if (IsSkipped()) return;
    Picture page(32, 16);
    page.fill(0, 0, 4, 6, kRed);
    page.fill(8, 0, 4, 6, kGreen);
    page.fill(16, 0, 4, 8, kBlue);
    writePNG("page.png", page);
    writeText("t.fnt", kFont);
  }
  void TearDown() override {
    CCLabelBMFont::purgeCachedData();
    SpriteGLTest::TearDown();
  }
  static CCSprite* glyph(CCLabelBMFont* label, int tag) { return dynamic_cast<CCSprite*>(label->getChildByTag(tag)); }
  // "x,y" of the centre of the glyph with `tag`, pixels.
  static std::string centre(CCLabelBMFont* label, int tag) {
    const CGPoint p = glyph(label, tag)->positionInPixels();
    return platform::formatString("%g,%g", p.x, p.y);
  }
  static std::string size(CCLabelBMFont* label) {
    const CGSize s = label->contentSizeInPixels();
    return platform::formatString("%gx%g", s.width, s.height);
  }
};

// [SECTION] Layout

TEST_F(CCLabelBMFontTest, LinesKerningAndSizeFollowTheFontMetrics) {
  CCLabelBMFont* label = CCLabelBMFont::labelWithString("AV\nB", "t.fnt");
  ASSERT_NE(nullptr, label);
  // Two lines, the first band 10..20. Centre: pen + xoffset + w/2 + kerning,
  // band top - yoffset - h/2.
  EXPECT_EQ("3,15", centre(label, 0));  // A: no pair with 65535
  EXPECT_EQ("6,15", centre(label, 1));  // V: pen 6, A-V -2
  EXPECT_EQ(nullptr, label->getChildByTag(2)) << "a line feed has no sprite";
  EXPECT_EQ("3,5", centre(label, 3));  // B: kerned against V across the line feed
  EXPECT_EQ("9x20", size(label)) << "the first line, narrowed by the A-V pair";

  label->setString("B");  // the first character meets the 65535 pair
  EXPECT_EQ("6,5", centre(label, 0));
  EXPECT_EQ("9x10", size(label));
  label->setString("AV\n");  // a final line feed adds no line
  EXPECT_EQ("9x10", size(label));

  label->setString("AA");
  const std::string second = centre(label, 1);
  label->setString("AzA");  // 'z' is not in the font: no room, nothing drawn
  EXPECT_EQ(second, centre(label, 2));
  EXPECT_EQ("12x10", size(label));
  EXPECT_TRUE(CGRectEqualToRect(CGRectZero, glyph(label, 1)->textureRectInPixels()));
}

TEST_F(CCLabelBMFontTest, ShorterTextHidesSurplusSpritesAndLongerReusesThem) {
  CCLabelBMFont* label = CCLabelBMFont::labelWithString("AVBAVB", "t.fnt");
  std::vector<CCSprite*> sprites;
  for (int tag = 0; tag < 6; ++tag) sprites.push_back(glyph(label, tag));
  sprites[3]->setOpacity(7);

  label->setString("VA");
  std::vector<bool> visible;
  for (CCSprite* sprite : sprites) visible.push_back(sprite->visible());
  EXPECT_THAT(visible, ElementsAre(true, true, false, false, false, false));
  EXPECT_EQ(6u, label->children()->count()) << "the label never removes sprites";
  EXPECT_EQ("11x10", size(label));

  label->setString("");
  EXPECT_FALSE(sprites[0]->visible());
  EXPECT_EQ("11x10", size(label)) << "the empty text keeps the previous size";

  label->setString("AVBAVB");
  for (int tag = 0; tag < 6; ++tag) {
    EXPECT_EQ(sprites[tag], glyph(label, tag)) << "reused by index";
    EXPECT_TRUE(sprites[tag]->visible());
  }
  EXPECT_TRUE(CGRectEqualToRect(CGRectMake(16, 0, 4, 8), sprites[2]->textureRectInPixels()));
  EXPECT_EQ(255, sprites[3]->opacity()) << "reset to opaque on reuse";
}

// A font with Cyrillic and CJK glyphs, as real fonts have: 'Ж' (1046) is the
// red box, '中' (20013) the blue one, with a pair between them.
TEST_F(CCLabelBMFontTest, DrawsCharactersOfAnyCodeTheFontDefines) {
  writeText("wide.fnt",
            "common lineHeight=10 base=8 scaleW=32 scaleH=16 pages=1\n"
            "page id=0 file=\"page.png\"\n"
            "char id=65 x=0 y=0 width=4 height=6 xoffset=1 yoffset=2 xadvance=6\n"
            "char id=1046 x=0 y=0 width=4 height=6 xoffset=0 yoffset=1 xadvance=5\n"
            "char id=20013 x=16 y=0 width=4 height=8 xoffset=1 yoffset=0 xadvance=7\n"
            "kerning first=1046 second=20013 amount=-1\n");
  AssertionRecorder assertions;
  CCLabelBMFont* label = CCLabelBMFont::labelWithString("A\xD0\x96\xE4\xB8\xAD", "wide.fnt");  // "AЖ中"
  ASSERT_NE(nullptr, label);
  EXPECT_TRUE(assertions.empty());
  EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 4, 6), glyph(label, 1)->textureRectInPixels()));
  EXPECT_TRUE(CGRectEqualToRect(CGRectMake(16, 0, 4, 8), glyph(label, 2)->textureRectInPixels()));
  EXPECT_EQ("8,6", centre(label, 1));   // pen 6 + 0 + 2, band top 10 - 1 - 3
  EXPECT_EQ("13,6", centre(label, 2));  // pen 11 + 1 + 2 - 1, 10 - 0 - 4
  EXPECT_EQ("17x10", size(label));

  label->setAnchorPoint(CGPointMake(0, 0));
  render(label);
  EXPECT_TRUE(colorNear(kRed, pixel(7, 5)));
  EXPECT_TRUE(colorNear(kBlue, pixel(12, 5)));

  // Codes the font lacks, including both halves of a character outside the
  // basic plane, draw nothing and take no room; the next glyph is kerned
  // against the last code unit.
  label->setString("\xD0\x96\xF0\x9F\x98\x80\xE4\xB8\xAD");  // Ж, U+1F600, 中
  EXPECT_EQ(4u, label->utf16String().size());
  EXPECT_TRUE(CGRectEqualToRect(CGRectZero, glyph(label, 1)->textureRectInPixels()));
  EXPECT_EQ("8,6", centre(label, 3)) << "no pair with the low surrogate";
  EXPECT_EQ("12x10", size(label));
  EXPECT_TRUE(assertions.empty());
}

TEST_F(CCLabelBMFontTest, BadFontFilesGiveNoLabelAndALoggedReason) {
  writeText("two.fnt", "common lineHeight=10 base=8 scaleW=32 scaleH=16 pages=2\n"
                       "page id=0 file=\"page.png\"\npage id=1 file=\"page2.png\"\n");
  writeText("empty.fnt", "");
  writeText("xml.fnt", "<?xml version=\"1.0\"?>\n<font><common lineHeight=\"10\" pages=\"1\"/>\n<pages><page id=\"0\"");
  writeText("nopage.fnt", "common lineHeight=10 base=8 scaleW=32 scaleH=16 pages=1\npage id=0 file=\"gone.png\"\n");
  AssertionRecorder assertions;
  LogCapture log;
  EXPECT_EQ(nullptr, CCLabelBMFont::labelWithString("A", "two.fnt"));
  EXPECT_THAT(log.text(), testing::HasSubstr("two.fnt has 2 pages"));
  EXPECT_THAT(log.text(), testing::HasSubstr("Error creating config for BitmapFontAtlas from two.fnt"));
  EXPECT_EQ(nullptr, CCLabelBMFont::labelWithString("AV", "empty.fnt"));
  EXPECT_THAT(log.text(), testing::HasSubstr("empty.fnt names no page image"));
  EXPECT_EQ(nullptr, CCLabelBMFont::labelWithString("A", "xml.fnt"));
  EXPECT_THAT(log.text(), testing::HasSubstr("xml.fnt is not well-formed XML"));
  EXPECT_EQ(nullptr, CCLabelBMFont::labelWithString("A", "missing.fnt"));
  EXPECT_THAT(log.text(), testing::HasSubstr("missing.fnt"));
  EXPECT_EQ(nullptr, CCLabelBMFont::labelWithString("A", "nopage.fnt"));
  EXPECT_THAT(log.text(), testing::HasSubstr("cannot load the page image gone.png of nopage.fnt"));
  EXPECT_TRUE(assertions.empty()) << assertions.messages().front();

  // A fixed bad file is read again: refusals are not cached.
  writeText("empty.fnt", kFont);
  EXPECT_NE(nullptr, CCLabelBMFont::labelWithString("A", "empty.fnt"));

  // Naming no image at all is a caller's bug, whichever overload is used.
  CCTextureCache* cache = CCTextureCache::sharedTextureCache();
  EXPECT_EQ(nullptr, cache->addImage(std::string()));
  EXPECT_EQ(nullptr, cache->addImage(""));
  cache->addImageAsync(std::string(), nullptr, platform::Selector());  // no thread is started for it
  EXPECT_THAT(assertions.messages(), ElementsAre("TextureCache: fileimage MUST not be nill",
                                                 "TextureCache: fileimage MUST not be nill",
                                                 "TextureCache: fileimage MUST not be nill"));
}

// [SECTION] Colour and sharing

TEST_F(CCLabelBMFontTest, ColourOpacityAndModifyFlagReachEveryChildIncludingNewOnes) {
  CCLabelBMFont* label = CCLabelBMFont::labelWithString("AV", "t.fnt");
  EXPECT_TRUE(label->doesOpacityModifyRGB()) << "as the page's premultiplied alpha";
  label->setColor(ccc3(10, 20, 30));
  label->setOpacity(100);
  label->setOpacityModifyRGB(false);
  label->setString("AVBA");  // two new sprites
  for (int tag = 0; tag < 4; ++tag) {
    EXPECT_EQ(ccc3(10, 20, 30), glyph(label, tag)->color()) << tag;
    EXPECT_EQ(100, glyph(label, tag)->opacity()) << tag;
    EXPECT_FALSE(glyph(label, tag)->doesOpacityModifyRGB()) << tag;
  }
}

TEST_F(CCLabelBMFontTest, LabelsShareAFontUntilTheCacheIsPurged) {
  Ref<CCLabelBMFont> first, second;
  {
    platform::AutoreleasePool pool;  // counts then hold owners only
    first = CCLabelBMFont::labelWithString("A", "t.fnt");
    second = CCLabelBMFont::bitmapFontAtlasWithString("V", "t.fnt");
  }
  EXPECT_EQ(first->configuration(), second->configuration());
  CCLabelBMFont::purgeCachedData();
  EXPECT_EQ(2u, first->configuration()->retainCount()) << "only the two labels hold it now";
  EXPECT_NE(first->configuration(), CCLabelBMFont::labelWithString("B", "t.fnt")->configuration());
}

// [SECTION] Drawing

TEST_F(CCLabelBMFontTest, DrawsEachGlyphWhereTheLayoutPutsItAndHidesSurplus) {
  CCLabelBMFont* label = CCLabelBMFont::labelWithString("AV\nB", "t.fnt");
  label->setAnchorPoint(CGPointMake(0, 0));
  render(label);
  // A covers x 1..5, V x 4..8 (drawn later), both y 12..18; B x 1..5, y 1..9.
  EXPECT_TRUE(colorNear(kRed, pixel(2, 15)));
  EXPECT_TRUE(colorNear(kGreen, pixel(6, 15)));
  EXPECT_TRUE(colorNear(kBlue, pixel(3, 5)));
  EXPECT_TRUE(colorNear(kBlack, pixel(8, 5)));

  label->setString("B");  // B alone moves to x 4..8; A and V are hidden
  render(label);
  EXPECT_TRUE(colorNear(kBlue, pixel(6, 5)));
  EXPECT_TRUE(colorNear(kBlack, pixel(2, 15)));
  EXPECT_TRUE(colorNear(kBlack, pixel(6, 15)));
  EXPECT_TRUE(colorNear(kBlack, pixel(2, 5)));
}

}  // namespace
