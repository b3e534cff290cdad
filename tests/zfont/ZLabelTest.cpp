// The label view with custom fonts, drawn for real: each label's picture is
// read back and its ink compared with positions worked out from the font's
// metrics.

#include "zfont/ZLabel.h"

#include "platform/Font.h"
#include "platform/FontFace.h"
#include "platform/StringDrawing.h"
#include "zfont/ZFontStringDrawing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

using platform::Color;
using platform::FontFace;
using platform::Image;
using platform::Ref;
using platform::Value;

namespace {

constexpr const char* kDejaVuMono = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
constexpr const char* kLiberationMono = "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf";

// The box of the pixels of a picture that pass `keep`, or right = -1.
struct Ink {
  int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
  int width() const { return right - left + 1; }
  int height() const { return bottom - top + 1; }
};

template <class Keep>
Ink inkWhere(const Image* image, Keep keep) {
  Ink ink;
  if (!image) return ink;
  const auto& px = image->pixels();
  for (int y = 0; y < image->height(); ++y) {
    for (int x = 0; x < image->width(); ++x) {
      const uint8_t* p = &px[(std::size_t(y) * image->width() + x) * 4];
      if (!keep(p)) continue;
      ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
      ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
    }
  }
  return ink;
}
Ink anyInk(const Image* image) {
  return inkWhere(image, [](const uint8_t* p) { return p[3] > 128; });
}
Ink redInk(const Image* image) {
  return inkWhere(image, [](const uint8_t* p) { return p[0] > 128 && p[1] < 64 && p[2] < 64; });
}
Ink blueInk(const Image* image) {
  return inkWhere(image, [](const uint8_t* p) { return p[2] > 200 && p[0] < 64 && p[1] < 64; });
}
Ink whiteInk(const Image* image) {
  return inkWhere(image, [](const uint8_t* p) { return p[0] > 128 && p[1] > 128 && p[2] > 128; });
}
Ink blackInk(const Image* image) {
  return inkWhere(image, [](const uint8_t* p) { return p[3] > 128 && p[0] < 64 && p[1] < 64 && p[2] < 64; });
}

class ZLabelTest : public testing::Test {
 protected:
  void SetUp() override {
    face_ = FontFace::fontFaceWithContentsOfFile(kDejaVuMono);
    if (!face_) GTEST_SKIP() << "DejaVu Sans Mono not installed";
    font_ = ZFont::fontWithCGFont(face_.get(), 20);
  }
  ZLabel* label(float w, float h, const std::string& text) {
    ZLabel* l = ZLabel::labelWithFrame(CGRectMake(0, 0, w, h), font_.get());
    l->setText(text);
    return l;
  }
  // Where a one-line label of height h puts its baseline at full size.
  float baseline(float h) const { return std::round((h - font_->leading()) / 2) + font_->ascender(); }

  Ref<FontFace> face_;
  Ref<ZFont> font_;
};

}  // namespace

// [SECTION] Without a custom font

TEST(ZLabelFallbackTest, DrawsAndMeasuresLikeThePlatformLabel) {
  for (int lines : {1, 0}) {
    platform::Label* plain = platform::Label::labelWithFrame(CGRectMake(0, 0, 90, 60));
    ZLabel* zl = ZLabel::labelWithFrame(CGRectMake(0, 0, 90, 60), static_cast<ZFont*>(nullptr));
    for (platform::Label* l : {plain, static_cast<platform::Label*>(zl)}) {
      l->setText("Ghostly words here");
      l->setNumberOfLines(lines);
      l->setTextAlignment(platform::kTextAlignmentCenter);
    }
    EXPECT_TRUE(CGRectEqualToRect(plain->textRectForBounds(plain->bounds(), lines),
                                  zl->textRectForBounds(zl->bounds(), lines)));
    ASSERT_NE(plain->displayedImage(), nullptr);
    EXPECT_EQ(plain->displayedImage()->pixels(), zl->displayedImage()->pixels()) << lines << " lines";
    EXPECT_GT(anyInk(zl->displayedImage()).width(), 10);
  }
}

// [SECTION] Custom font

TEST_F(ZLabelTest, OneLineIsCentredByLeadingAndPlacedByAlignment) {
  ZLabel* l = label(200, 40, "HHH");
  l->setTextColor(Color{1, 0, 0, 1});
  const float width = sizeWithZFont("HHH", font_.get()).width;
  Ink left = redInk(l->displayedImage());
  ASSERT_GT(left.right, 0);
  EXPECT_LE(left.left, 3);
  EXPECT_NEAR(left.bottom + 1, baseline(40), 1);
  EXPECT_NEAR(left.height(), font_->capHeight(), 1.5);

  l->setTextAlignment(platform::kTextAlignmentRight);
  Ink right = redInk(l->displayedImage());
  EXPECT_NEAR(right.left - left.left, 200 - width, 1);
  EXPECT_LE(right.right, 199);
  l->setTextAlignment(platform::kTextAlignmentCenter);
  Ink centre = redInk(l->displayedImage());
  EXPECT_NEAR(centre.left - left.left, (200 - width) / 2, 1);
  EXPECT_EQ(centre.top, left.top);
}

TEST_F(ZLabelTest, HighlightedPlainTextUsesTheHighlightColourOrWhite) {
  ZLabel* l = label(120, 30, "HH");
  EXPECT_GT(blackInk(l->displayedImage()).width(), 5);  // black by default
  l->setHighlighted(true);
  EXPECT_GT(whiteInk(l->displayedImage()).width(), 5);
  l->setHighlightedTextColor(Color{0, 0, 1, 1});
  EXPECT_GT(blueInk(l->displayedImage()).width(), 5);
}

TEST_F(ZLabelTest, ShrinksToFitWidthDownToTheMinimumOnTheSameBaseline) {
  // Text about 200 points wide at 20 points in a label 100 wide.
  const std::string text(17, 'H');
  ZLabel* l = label(100, 40, text);
  l->setAdjustsFontSizeToFitWidth(true);
  l->setMinimumFontSize(8);
  const float fullWidth = sizeWithZFont(text, font_.get()).width;
  ZFont* fitted = font_->fontWithSize(100 / fullWidth * 20);  // about 10 points
  Ink ink = anyInk(l->displayedImage());
  EXPECT_NEAR(ink.height(), fitted->capHeight(), 1.5);
  EXPECT_LE(ink.right, 99);
  EXPECT_GT(ink.width(), 90);  // all of it, not truncated
  EXPECT_NEAR(ink.bottom + 1, baseline(40), 1);

  l->setMinimumFontSize(12);  // not below 12: the tail is truncated instead
  Ink twelve = anyInk(l->displayedImage());
  EXPECT_NEAR(twelve.height(), font_->fontWithSize(12)->capHeight(), 1.5);
  EXPECT_LE(twelve.right, 99);
  EXPECT_NEAR(twelve.bottom + 1, baseline(40), 1);

  // Aligning centres instead: the smaller line moves up to the middle.
  l->setMinimumFontSize(8);
  l->setBaselineAdjustment(platform::kBaselineAdjustmentAlignCenters);
  Ink centred = anyInk(l->displayedImage());
  EXPECT_LT(centred.bottom, ink.bottom);
}

TEST_F(ZLabelTest, SeveralLinesAreLimitedByLeadingAndCentredAsABlock) {
  ZLabel* l = label(60, 200, "aaa bbb ccc");
  l->setLineBreakMode(platform::kLineBreakWordWrap);
  l->setNumberOfLines(0);
  const float leading = font_->leading();
  EXPECT_EQ(l->textRectForBounds(l->bounds(), 0).size.height, 3 * leading);
  EXPECT_EQ(l->textRectForBounds(l->bounds(), 2).size.height, 2 * leading);
  CGRect one = l->textRectForBounds(l->bounds(), 1);
  EXPECT_EQ(one.size.width, 60);
  EXPECT_EQ(one.size.height, leading);

  Ink ink = anyInk(l->displayedImage());
  const float top = std::round((200 - 3 * leading) / 2);
  EXPECT_GE(ink.top, top);
  EXPECT_LE(ink.bottom, top + 3 * leading);
  EXPECT_GT(ink.height(), 2 * leading);
}

TEST_F(ZLabelTest, FontAndSizeChangeTogetherOnlyWhenTheyDiffer) {
  ZLabel* l = label(100, 30, "x");
  ZFont* before = l->zFont();
  l->setPointSize(20);
  EXPECT_EQ(l->zFont(), before);
  l->setPointSize(30);
  EXPECT_EQ(l->cgFont(), face_.get());
  EXPECT_EQ(l->pointSize(), 30);

  Ref<FontFace> other = FontFace::fontFaceWithContentsOfFile(kLiberationMono);
  if (other) {
    l->setCGFont(other.get());
    EXPECT_EQ(l->cgFont(), other.get());
    EXPECT_EQ(l->pointSize(), 30);
  }
  // Without a custom font, a face takes the platform font's size, not 0.
  ZLabel* plain = ZLabel::labelWithFrame(CGRectMake(0, 0, 100, 30), static_cast<ZFont*>(nullptr));
  plain->setCGFont(face_.get());
  ASSERT_NE(plain->zFont(), nullptr);
  EXPECT_EQ(plain->pointSize(), plain->font()->pointSize());
}

// [SECTION] Attributed text

TEST_F(ZLabelTest, AttributedTextDrawsBackgroundAndUnderlineCentred) {
  Ref<ZMutableAttributedString> text = ZMutableAttributedString::attributedStringWithString(u"Hi");
  text->addAttribute(kZFontAttributeName, Value(font_.get()), NSMakeRange(0, 2));
  text->addAttribute(kZForegroundColorAttributeName, zfont::colorValue(1, 0, 0), NSMakeRange(0, 2));
  text->addAttribute(kZBackgroundColorAttributeName, zfont::colorValue(0, 0, 1), NSMakeRange(0, 2));
  text->addAttribute(kZUnderlineStyleAttributeName, Value(1), NSMakeRange(0, 2));
  ZLabel* l = label(200, 40, "ignored");
  l->setZAttributedText(text.get());
  l->setTextAlignment(platform::kTextAlignmentCenter);

  const float width = sizeOfAttributedString(text.get()).width;
  const float top = std::round((40 - font_->leading()) / 2);
  // Measured as attributed text, not as the label's plain text.
  EXPECT_EQ(l->textRectForBounds(l->bounds(), 1).size.width, width);
  Ink background = blueInk(l->displayedImage());
  EXPECT_NEAR(background.left, (200 - width) / 2, 1);
  EXPECT_NEAR(background.right + 1, (200 + width) / 2, 1);
  EXPECT_NEAR(background.top, top, 1);
  EXPECT_NEAR(background.bottom + 1, top + font_->leading(), 1);
  // The underline: a red row at the baseline across the whole text.
  const Image* image = l->displayedImage();
  const int row = static_cast<int>(top + font_->ascender());
  int underlined = 0;
  for (int x = 0; x < 200; ++x) {
    const uint8_t* p = &image->pixels()[(std::size_t(row) * 200 + x) * 4];
    underlined += p[0] > 200 && p[2] < 64;
  }
  EXPECT_NEAR(underlined, width, 2);

  // Left and right alignment move the whole box.
  l->setTextAlignment(platform::kTextAlignmentRight);
  EXPECT_NEAR(blueInk(l->displayedImage()).right, 199, 1);
  l->setTextAlignment(platform::kTextAlignmentLeft);
  EXPECT_EQ(blueInk(l->displayedImage()).left, 0);
}

TEST_F(ZLabelTest, HighlightedAttributedTextWhitensOnlyRunsWithoutAColour) {
  Ref<ZMutableAttributedString> text = ZMutableAttributedString::attributedStringWithString(u"HHHH    IIII");
  text->addAttribute(kZFontAttributeName, Value(font_.get()), NSMakeRange(0, 12));
  text->addAttribute(kZForegroundColorAttributeName, zfont::colorValue(1, 0, 0), NSMakeRange(0, 4));
  ZLabel* l = label(200, 40, "");
  l->setZAttributedText(text.get());

  const float advance = 1233.0f * 20 / 2048;  // every glyph of DejaVu Sans Mono
  Ink red = redInk(l->displayedImage());
  Ink black = blackInk(l->displayedImage());
  EXPECT_LT(red.right, 4 * advance);
  EXPECT_GT(black.left, 8 * advance - 1);
  EXPECT_EQ(whiteInk(l->displayedImage()).right, -1);

  l->setHighlighted(true);
  Ink redLit = redInk(l->displayedImage());
  Ink white = whiteInk(l->displayedImage());
  EXPECT_EQ(redLit.left, red.left);
  EXPECT_EQ(redLit.right, red.right);
  EXPECT_EQ(white.left, black.left);
  EXPECT_EQ(white.right, black.right);
  EXPECT_EQ(blackInk(l->displayedImage()).right, -1);
  // The label's own text is untouched by highlighting.
  EXPECT_TRUE(l->zAttributedText()->isEqual(text.get()));
}

TEST_F(ZLabelTest, SameAttributedTextAgainDoesNotRedraw) {
  Ref<ZAttributedString> fixed = ZAttributedString::attributedStringWithString(u"boo");
  ZLabel* l = label(100, 30, "");
  l->setZAttributedText(fixed.get());
  EXPECT_EQ(l->zAttributedText(), fixed.get());  // an immutable string is its own copy
  ASSERT_NE(l->displayedImage(), nullptr);
  EXPECT_FALSE(l->needsDisplay());
  l->setZAttributedText(fixed.get());
  EXPECT_FALSE(l->needsDisplay());

  // A mutable string is copied: later edits do not reach the label, and
  // setting it again takes a fresh copy.
  Ref<ZMutableAttributedString> editable = ZMutableAttributedString::attributedStringWithString(u"boo");
  l->setZAttributedText(editable.get());
  EXPECT_TRUE(l->needsDisplay());
  editable->replaceCharactersInRange(NSMakeRange(0, 3), u"BOO!");
  EXPECT_EQ(l->zAttributedText()->string(), u"boo");
  l->displayedImage();
  l->setZAttributedText(editable.get());
  EXPECT_TRUE(l->needsDisplay());
  EXPECT_EQ(l->zAttributedText()->string(), u"BOO!");
}
