#include "platform/Canvas.h"
#include "platform/Font.h"
#include "platform/FontFace.h"
#include "platform/StringDrawing.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

using namespace platform;
using testing_support::LogCapture;

namespace {

using Bytes = std::vector<uint8_t>;

uint16_t bigEndian16(const Bytes& bytes, std::size_t offset) {
  return static_cast<uint16_t>(bytes[offset] << 8 | bytes[offset + 1]);
}

// [SECTION] Lookup by name

TEST(FontLookupTest, UnknownNamesGiveNullInsteadOfASubstitute) {
  EXPECT_EQ(Font::fontWithName("No Such Font", 12), nullptr);
  EXPECT_EQ(Font::fontWithName("DejaVu", 12), nullptr);  // no prefix matching
  EXPECT_EQ(Font::fontWithName("", 12), nullptr);
}

TEST(FontLookupTest, FamilyFullAndPostScriptNamesMatchIgnoringCase) {
  Font* family = Font::fontWithName("dejavu sans", 12);
  ASSERT_NE(family, nullptr);
  EXPECT_EQ(family->name(), "DejaVuSans");  // the regular face, not Bold or Condensed
  EXPECT_EQ(Font::fontWithName("DEJAVUSANS-BOLD", 12)->name(), "DejaVuSans-Bold");
  EXPECT_EQ(Font::fontWithName("DejaVu Sans Bold", 12)->name(), "DejaVuSans-Bold");
  EXPECT_EQ(Font::fontWithName("DejaVu Sans", 20)->face(), family->face());  // one face per file
}

TEST(FontLookupTest, HandheldNamesResolveThroughAliases) {
  for (const char* name : {"Helvetica", "Arial", "Courier", "Marker Felt"}) {
    Font* font = Font::fontWithName(name, 12);
    ASSERT_NE(font, nullptr) << name;
    EXPECT_FALSE(font->name().empty());
  }
  EXPECT_NE(Font::fontWithName("Courier", 12)->name(), Font::fontWithName("Helvetica", 12)->name());
}

TEST(FontLookupTest, BadSizesAreRefusedWithALogLine) {
  LogCapture log;
  EXPECT_EQ(Font::fontWithName("DejaVu Sans", 0), nullptr);
  EXPECT_EQ(Font::systemFontOfSize(NAN), nullptr);
  EXPECT_EQ(log.lines().size(), 2u);
}

TEST(FontLookupTest, SystemFontHasWholeLineHeight) {
  Font* font = Font::systemFontOfSize(12);
  ASSERT_NE(font, nullptr);
  EXPECT_GT(font->ascender(), 0);
  EXPECT_LT(font->descender(), 0);
  EXPECT_EQ(font->lineHeight(), std::ceil(font->lineHeight()));
  EXPECT_GE(font->lineHeight(), font->ascender() - font->descender());
}

// [SECTION] Faces from files: tables and advances

TEST(FontFaceTest, DejaVuFileGivesTablesUnitsAndAdvances) {
  std::string path = FontFace::fontFaceWithName("DejaVu Sans")->path();
  FontFace* face = FontFace::fontFaceWithContentsOfFile(path);
  ASSERT_NE(face, nullptr);
  EXPECT_EQ(face->unitsPerEm(), 2048);
  auto name = face->copyTable(fontTableTag("name"));
  auto cmap = face->copyTable(fontTableTag("cmap"));
  ASSERT_TRUE(name && cmap);
  EXPECT_EQ(bigEndian16(*name, 0), 0);
  EXPECT_EQ(bigEndian16(*cmap, 0), 0);
  EXPECT_FALSE(face->copyTable(fontTableTag("zzzz")));
  uint16_t glyphs[] = {face->glyphForCodePoint('M'), face->glyphForCodePoint('i'), uint16_t(face->glyphCount())};
  int advances[3] = {-1, -1, -1};
  EXPECT_FALSE(face->glyphAdvances(glyphs, advances));  // the last glyph does not exist
  EXPECT_GT(advances[0], advances[1]);
  EXPECT_EQ(advances[2], 0);
  EXPECT_EQ(face->glyphForCodePoint(0x10FFFF), 0);
}

TEST(FontFaceTest, DataThatIsNotAFontIsRefused) {
  LogCapture log;
  EXPECT_EQ(FontFace::fontFaceWithData(Bytes(100, 0x42)), nullptr);
  EXPECT_EQ(FontFace::fontFaceWithContentsOfFile("/nonexistent.ttf"), nullptr);
  EXPECT_EQ(log.lines().size(), 2u);
}

// [SECTION] Measuring and drawing strings

// A grey buffer set up like the texture code's text path: flipped so that
// y grows downward from the first row, white fill, current canvas.
class TextDrawingTest : public testing::Test {
 protected:
  static constexpr int kWidth = 200;
  static constexpr int kHeight = 64;

  void SetUp() override {
    font_ = Font::fontWithName("DejaVu Sans Mono", 20);
    ASSERT_NE(font_, nullptr);
    canvas_ = Canvas::canvasWithBuffer(buffer_.data(), kWidth, kHeight, kWidth, CanvasLayout::Grey8);
    canvas_->translate(0, kHeight);
    canvas_->scale(1, -1);
    canvas_->setFillGrey(1, 1);
    Canvas::pushCurrent(canvas_);
  }
  void TearDown() override { Canvas::popCurrent(); }

  struct Ink {
    int left = kWidth, right = -1, top = kHeight, bottom = -1;
  };
  Ink inkIn(int firstRow, int endRow) const {
    Ink ink;
    for (int row = firstRow; row < endRow; ++row) {
      for (int x = 0; x < kWidth; ++x) {
        if (buffer_[std::size_t(row) * kWidth + x] == 0) continue;
        ink.left = std::min(ink.left, x);
        ink.right = std::max(ink.right, x);
        ink.top = std::min(ink.top, row);
        ink.bottom = std::max(ink.bottom, row);
      }
    }
    return ink;
  }
  Bytes drawn(const std::string& text, float width, int mode) {
    std::fill(buffer_.begin(), buffer_.end(), 0);
    drawAtPoint(nullptr, text, font_, CGPointMake(0, 0), width, mode);
    return buffer_;
  }

  Font* font_ = nullptr;
  Canvas* canvas_ = nullptr;
  Bytes buffer_ = Bytes(kWidth * kHeight, 0);
};

TEST_F(TextDrawingTest, MeasuringIsOneLineInWholePoints) {
  CGSize size = sizeWithFont("ab\ncd", font_);
  EXPECT_EQ(size.width, sizeWithFont("ab cd", font_).width);
  EXPECT_EQ(size.height, font_->lineHeight());
  EXPECT_EQ(size.width, std::ceil(size.width));
  EXPECT_EQ(sizeWithFont("", font_).height, font_->lineHeight());
  CGSize wrapped = sizeWithFont("ab\ncd", font_, CGSizeMake(500, 500), kLineBreakWordWrap);
  EXPECT_EQ(wrapped.height, 2 * font_->lineHeight());
}

TEST_F(TextDrawingTest, TextStartsAtTheTopRowUprightAndAlignmentMovesTheInk) {
  drawInRect(nullptr, "L", font_, CGRectMake(0, 0, kWidth, kHeight), kLineBreakWordWrap, kTextAlignmentLeft);
  Ink left = inkIn(0, kHeight);
  ASSERT_GE(left.right, 0);
  EXPECT_LT(left.top, font_->lineHeight());
  EXPECT_LT(left.left, 4);
  // Upright: the foot of the L is its widest row.
  auto inkWidth = [&](int row) { return inkIn(row, row + 1).right - inkIn(row, row + 1).left; };
  EXPECT_GT(inkWidth(left.bottom), inkWidth(left.top) + 4);

  std::fill(buffer_.begin(), buffer_.end(), 0);
  drawInRect(nullptr, "L", font_, CGRectMake(0, 0, kWidth, kHeight), kLineBreakWordWrap, kTextAlignmentRight);
  Ink right = inkIn(0, kHeight);
  EXPECT_GT(right.right, kWidth - 5);
  EXPECT_NEAR(right.right - right.left, left.right - left.left, 1);
}

TEST_F(TextDrawingTest, WordWrapBreaksBeforeTheWordThatDoesNotFit) {
  // Eight monospaced cells fit: "abc defg" would, "abc defghi" does not.
  float cell = sizeWithFont("a", font_).width;
  float width = 8.5f * (sizeWithFont("aaaaaaaaaa", font_).width / 10);
  ASSERT_LT(width, 9 * cell);
  CGSize used = drawInRect(nullptr, "abc defghi", font_, CGRectMake(0, 0, width, kHeight), kLineBreakWordWrap,
                           kTextAlignmentLeft);
  EXPECT_EQ(used.height, 2 * font_->lineHeight());
  Bytes twoLines = buffer_;

  // The same picture as the two words drawn separately: no leading space on
  // the second line, nothing of it on the first.
  std::fill(buffer_.begin(), buffer_.end(), 0);
  drawAtPoint(nullptr, "abc", font_, CGPointMake(0, 0));
  drawAtPoint(nullptr, "defghi", font_, CGPointMake(0, font_->lineHeight()));
  EXPECT_EQ(twoLines, buffer_);

  // The space that does not fit is the break, and is skipped too.
  std::fill(buffer_.begin(), buffer_.end(), 0);
  drawInRect(nullptr, "abcdefgh ij", font_, CGRectMake(0, 0, width, kHeight), kLineBreakWordWrap,
             kTextAlignmentLeft);
  twoLines = buffer_;
  std::fill(buffer_.begin(), buffer_.end(), 0);
  drawAtPoint(nullptr, "abcdefgh", font_, CGPointMake(0, 0));
  drawAtPoint(nullptr, "ij", font_, CGPointMake(0, font_->lineHeight()));
  EXPECT_EQ(twoLines, buffer_);
}

TEST_F(TextDrawingTest, LinesThatDoNotFitTheHeightAreLeftOut) {
  float height = font_->lineHeight() + font_->ascender() - 1;  // second baseline just outside
  CGSize used = sizeWithFont("one two", font_, CGSizeMake(3.5f * sizeWithFont("a", font_).width, height),
                             kLineBreakWordWrap);
  EXPECT_EQ(used.height, font_->lineHeight());
  // At least one line even when none fits.
  EXPECT_EQ(sizeWithFont("one", font_, CGSizeMake(500, 1), kLineBreakWordWrap).height, font_->lineHeight());
}

TEST_F(TextDrawingTest, TailTruncationEndsInAnEllipsisWithinTheWidth) {
  Bytes truncated = drawn("abcdefghijklmnop", 100, kLineBreakTailTruncation);
  Ink ink = inkIn(0, kHeight);
  EXPECT_LT(ink.right, 100);
  // Seven monospaced cells of 12.04 points and the ellipsis fit in 100.
  EXPECT_EQ(truncated, drawn("abcdefg\u2026", 1000, kLineBreakClip));
  CGSize measured = sizeWithFont("abcdefghijklmnop", font_, CGSizeMake(100, font_->lineHeight()),
                                 kLineBreakTailTruncation);
  EXPECT_LE(measured.width, 100);
}

TEST_F(TextDrawingTest, ClipCutsTheLastLineAtTheCharacterThatDoesNotFit) {
  Bytes clipped = drawn("abc defghijk", 100, kLineBreakClip);
  EXPECT_EQ(clipped, drawn("abc defg", 1000, kLineBreakClip));
}

}  // namespace
