#include "platform/Label.h"

#include "platform/StringDrawing.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

using namespace platform;

namespace {

// The ink of a label picture: the box of pixels with any alpha, and the
// colour of the most opaque one.
struct Ink {
  int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
  uint8_t rgba[4] = {0, 0, 0, 0};
  bool empty() const { return right < 0; }
  int width() const { return right - left + 1; }
  int height() const { return bottom - top + 1; }
};

Ink inkOf(const Image* image) {
  Ink ink;
  if (!image) return ink;
  const auto& px = image->pixels();
  for (int y = 0; y < image->height(); ++y) {
    for (int x = 0; x < image->width(); ++x) {
      const uint8_t* p = &px[(std::size_t(y) * image->width() + x) * 4];
      if (p[3] == 0) continue;
      ink.left = std::min(ink.left, x);
      ink.right = std::max(ink.right, x);
      ink.top = std::min(ink.top, y);
      ink.bottom = std::max(ink.bottom, y);
      if (p[3] > ink.rgba[3]) std::copy(p, p + 4, ink.rgba);
    }
  }
  return ink;
}

class LabelTest : public testing::Test {
 protected:
  Label* label(float w, float h, const std::string& text, float size = 20) {
    Label* l = Label::labelWithFrame(CGRectMake(0, 0, w, h));
    l->setFont(Font::fontWithName("DejaVu Sans Mono", size));
    l->setText(text);
    return l;
  }
};

}  // namespace

TEST_F(LabelTest, DefaultsAreOneTailTruncatedLineInBlackSystemFont) {
  Label* l = Label::labelWithFrame(CGRectMake(0, 0, 100, 30));
  ASSERT_NE(l->font(), nullptr);
  EXPECT_EQ(l->font()->pointSize(), 17);
  EXPECT_EQ(l->numberOfLines(), 1);
  EXPECT_EQ(l->lineBreakMode(), kLineBreakTailTruncation);
  EXPECT_EQ(l->textColor(), Color::black());
  EXPECT_FALSE(l->highlightedTextColor().has_value());
  EXPECT_EQ(inkOf(l->displayedImage()).right, -1);  // no text, nothing drawn
}

TEST_F(LabelTest, OneLineIsCentredVerticallyAndPlacedByAlignment) {
  Label* l = label(200, 40, "HHH");
  Font* font = l->font();
  const float textWidth = sizeWithFont("HHH", font).width;
  const float top = std::round((40 - font->lineHeight()) / 2);

  Ink left = inkOf(l->displayedImage());
  ASSERT_FALSE(left.empty());
  EXPECT_LE(left.left, 3);
  // Cap tops sit below the line's top by at most the ascender.
  EXPECT_GE(left.top, top);
  EXPECT_LE(left.bottom, top + font->ascender() + 1);

  l->setTextAlignment(kTextAlignmentRight);
  Ink right = inkOf(l->displayedImage());
  EXPECT_EQ(right.left - left.left, std::lround(200 - textWidth));
  EXPECT_EQ(right.top, left.top);

  l->setTextAlignment(kTextAlignmentCenter);
  Ink centre = inkOf(l->displayedImage());
  EXPECT_NEAR(centre.left - left.left, (200 - textWidth) / 2, 1);
}

TEST_F(LabelTest, TextAndHighlightColours) {
  Label* l = label(120, 30, "HHH");
  l->setTextColor(Color{1, 0, 0, 1});
  Ink ink = inkOf(l->displayedImage());
  EXPECT_EQ(ink.rgba[0], 255);
  EXPECT_EQ(ink.rgba[1], 0);

  l->setHighlighted(true);  // no highlighted colour: white
  ink = inkOf(l->displayedImage());
  EXPECT_EQ(ink.rgba[0], 255);
  EXPECT_EQ(ink.rgba[1], 255);
  EXPECT_EQ(ink.rgba[2], 255);

  l->setHighlightedTextColor(Color{0, 0, 1, 1});
  ink = inkOf(l->displayedImage());
  EXPECT_EQ(ink.rgba[0], 0);
  EXPECT_EQ(ink.rgba[2], 255);
}

TEST_F(LabelTest, ShrinksToFitDownToTheMinimumAndKeepsTheBaseline) {
  // 10 characters of a 20-point monospace font are about 120 points wide.
  const std::string text = "HHHHHHHHHH";
  Label* full = label(400, 40, text);
  Ink fullInk = inkOf(full->displayedImage());
  const float fullWidth = sizeWithFont(text, full->font()).width;

  Label* l = label(fullWidth / 2, 40, text);
  l->setAdjustsFontSizeToFitWidth(true);
  l->setMinimumFontSize(8);
  Ink half = inkOf(l->displayedImage());
  // Drawn at 10 points: half the cap height, the whole text, same baseline.
  EXPECT_NEAR(half.height(), fullInk.height() / 2.0, 1.5);
  EXPECT_NEAR(half.width(), fullInk.width() / 2.0, 2);
  EXPECT_NEAR(half.bottom, fullInk.bottom, 1);

  l->setMinimumFontSize(12);  // not below 12: the end is cut off with an ellipsis
  Ink twelve = inkOf(l->displayedImage());
  EXPECT_NEAR(twelve.height(), fullInk.height() * 12 / 20.0, 1.5);
  EXPECT_LE(twelve.right, static_cast<int>(fullWidth / 2));

  l->setMinimumFontSize(8);
  l->setBaselineAdjustment(kBaselineAdjustmentAlignCenters);
  Ink centred = inkOf(l->displayedImage());
  // The smaller line is centred where the full-size line was: higher than
  // with aligned baselines.
  EXPECT_LT(centred.bottom, half.bottom);
  EXPECT_NEAR((centred.top + centred.bottom) / 2.0, (fullInk.top + fullInk.bottom) / 2.0, 3);
}

TEST_F(LabelTest, SeveralLinesAreMeasuredLimitedAndCentred) {
  Label* l = label(80, 200, "aaaa bbbb cccc dddd");
  l->setNumberOfLines(0);
  l->setLineBreakMode(kLineBreakWordWrap);
  const float lh = l->font()->lineHeight();
  CGRect all = l->textRectForBounds(l->bounds(), 0);
  EXPECT_EQ(all.size.height, 4 * lh);
  CGRect two = l->textRectForBounds(l->bounds(), 2);
  EXPECT_EQ(two.size.height, 2 * lh);
  CGRect one = l->textRectForBounds(l->bounds(), 1);
  EXPECT_EQ(one.size.width, 80);  // the one-line width, limited by the bounds
  EXPECT_EQ(one.size.height, lh);

  Ink four = inkOf(l->displayedImage());
  EXPECT_NEAR(four.top + four.bottom, 200, lh);  // centred vertically
  EXPECT_GT(four.height(), 3 * lh);

  l->setNumberOfLines(2);
  Ink limited = inkOf(l->displayedImage());
  EXPECT_LT(limited.height(), 2 * lh);
  EXPECT_GT(limited.height(), lh);
}

TEST_F(LabelTest, RedrawsOnlyAfterAChange) {
  Label* l = label(100, 30, "abc");
  ASSERT_NE(l->displayedImage(), nullptr);
  EXPECT_FALSE(l->needsDisplay());
  Image* first = l->displayedImage();
  l->setText("abc");
  l->setTextAlignment(kTextAlignmentLeft);
  EXPECT_FALSE(l->needsDisplay());
  EXPECT_EQ(l->displayedImage(), first);

  l->setText("abd");
  EXPECT_TRUE(l->needsDisplay());
  EXPECT_NE(l->displayedImage(), first);

  // A new size is a new picture even without setNeedsDisplay.
  l->setFrame(CGRectMake(0, 0, 50, 30));
  Image* resized = l->displayedImage();
  ASSERT_NE(resized, nullptr);
  EXPECT_EQ(resized->width(), 50);
  l->setFrame(CGRectMake(0, 0, 0, 30));
  EXPECT_EQ(l->displayedImage(), nullptr);
}
