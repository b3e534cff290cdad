// Text layout and drawing in custom fonts. Line breaking is checked on a
// synthetic font whose advances are round numbers (at 10 points: letters,
// digits and punctuation 5, space 2.5, "…" 6, the missing glyph 7), by
// drawing each run's background into a canvas and reading where every line's
// fill lies. Glyph drawing, colours, underline and alignment are checked with
// an installed font.

#include "TrueTypeBuilder.h"
#include "platform/Canvas.h"
#include "platform/FontFace.h"
#include "platform/StringDrawing.h"
#include "zfont/ZAttributedString.h"
#include "zfont/ZFont.h"
#include "zfont/ZFontStringDrawing.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <string>

using namespace zfont_test;
using platform::Canvas;
using platform::FontFace;
using platform::Ref;

// Sizes compare exactly: every expected value here is exact in binary.
bool operator==(const CGSize& a, const CGSize& b) { return CGSizeEqualToSize(a, b); }

namespace {

constexpr const char* kDejaVuMono = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

// Glyph 0 missing (700), 1..95 for ' '..'~' (space 250, the rest 500),
// 96 "…" (600), 97 U+1F47B (800). `ascender`/`descender` in units of 1000.
FontFace* syntheticFace(int16_t ascender = 800, int16_t descender = -200) {
  FontSpec spec;
  spec.ascender = ascender;
  spec.descender = descender;
  spec.advances.assign(98, 500);
  spec.advances[0] = 700;
  spec.advances[1] = 250;
  spec.advances[96] = 600;
  spec.advances[97] = 800;
  spec.extraTables["cmap"] =
      cmapTable({{0, 4, format12({{' ', '~', 1}, {0x2026, 0x2026, 96}, {0x1F47B, 0x1F47B, 97}})}});
  return FontFace::fontFaceWithData(buildFont(spec));
}

// A top-left-origin RGBA canvas, y down, as the texture code draws.
struct TestCanvas {
  TestCanvas(int width, int height) : width(width), height(height), pixels(std::size_t(width) * height * 4, 0) {
    canvas = Canvas::canvasWithBuffer(pixels.data(), width, height, std::size_t(width) * 4,
                                      platform::CanvasLayout::RGBAPremultiplied);
    canvas->translate(0, float(height));
    canvas->scale(1, -1);
  }
  const uint8_t* at(int x, int y) const { return &pixels[(std::size_t(y) * width + x) * 4]; }

  // Columns [first, last] of row `y` whose pixels are not empty, or {-1, -1}.
  std::pair<int, int> filledColumns(int y) const {
    int first = -1, last = -1;
    for (int x = 0; x < width; ++x) {
      if (at(x, y)[3] == 0) continue;
      if (first < 0) first = x;
      last = x;
    }
    return {first, last};
  }

  int width, height;
  std::vector<uint8_t> pixels;
  Ref<Canvas> canvas;
};

struct LineFill {
  int x;
  int width;
  friend bool operator==(const LineFill&, const LineFill&) = default;
};
std::ostream& operator<<(std::ostream& out, const LineFill& line) {
  return out << "{x " << line.x << ", width " << line.width << "}";
}

struct Layout {
  std::vector<LineFill> lines;
  CGSize size;
};

// Lays `text` out in one run of the synthetic font with a background, and
// reads every 10-point line's fill from the middle row of the line.
Layout layOut(std::u16string_view text, float width, float height, unsigned maxLines, int mode,
              int alignment = platform::kTextAlignmentLeft) {
  TestCanvas canvas(200, 100);
  zfont::TextRun run{0, ZFont::fontWithCGFont(syntheticFace(), 10)};
  run.background = {1, 1, 1, 1};
  Layout result;
  result.size =
      zfont::layoutText(canvas.canvas.get(), text, {&run, 1}, CGSizeMake(width, height), maxLines, mode, alignment,
                        false);
  for (int y = 5; y < canvas.height; y += 10) {
    auto [first, last] = canvas.filledColumns(y);
    if (first < 0) break;
    result.lines.push_back({first, last - first + 1});
  }
  return result;
}

using Lines = std::vector<LineFill>;

}  // namespace

// [SECTION] Line breaking

TEST(ZFontLayoutTest, WordWrapBreaksBeforeTheWordThatDoesNotFit) {
  // "hello" 25 + " " 2.5 + "world" 25 in 40: the space is on neither line.
  Layout layout = layOut(u"hello world", 40, FLT_MAX, 0, platform::kLineBreakWordWrap);
  EXPECT_EQ(layout.lines, (Lines{{0, 25}, {0, 25}}));
  EXPECT_EQ(layout.size.width, 25.0f);
  EXPECT_EQ(layout.size.height, 20.0f);
  // Punctuation stays with its word; the next word starts the line.
  EXPECT_EQ(layOut(u"foo,bar", 25, FLT_MAX, 0, platform::kLineBreakWordWrap).lines, (Lines{{0, 20}, {0, 15}}));
  // Several spaces at the break are skipped too; a word longer than the
  // width breaks where it overflows.
  EXPECT_EQ(layOut(u"ab   abcdefghijk", 40, FLT_MAX, 0, platform::kLineBreakWordWrap).lines,
            (Lines{{0, 10}, {0, 40}, {0, 15}}));
}

TEST(ZFontLayoutTest, ModesThatCutAtTheOverflowingCharacter) {
  // Character wrap: "hello wo" is 37.5 wide (37 pixel centres); "rld" follows.
  Layout wrap = layOut(u"hello world", 40, FLT_MAX, 0, platform::kLineBreakCharacterWrap);
  EXPECT_EQ(wrap.lines, (Lines{{0, 37}, {0, 15}}));
  EXPECT_EQ(wrap.size.width, 37.5f);
  // Clip cuts the last line at the overflow and drops the rest; lines before
  // the last wrap at words.
  EXPECT_EQ(layOut(u"hello world", 40, FLT_MAX, 1, platform::kLineBreakClip).lines, (Lines{{0, 37}}));
  EXPECT_EQ(layOut(u"hello world", 40, FLT_MAX, 0, platform::kLineBreakClip).lines, (Lines{{0, 25}, {0, 25}}));
  // Head and middle truncation lay out like word wrap.
  for (int mode : {platform::kLineBreakHeadTruncation, platform::kLineBreakMiddleTruncation}) {
    EXPECT_EQ(layOut(u"hello world", 40, FLT_MAX, 1, mode).lines, (Lines{{0, 25}}));
  }
  // A character wider than the line still takes a line of its own.
  EXPECT_EQ(layOut(u"ab", 3, FLT_MAX, 0, platform::kLineBreakWordWrap).lines, (Lines{{0, 5}, {0, 5}}));
}

TEST(ZFontLayoutTest, TailTruncationEndsWithAnEllipsisWithinTheWidth) {
  // One long word in 40: "abcdefgh" fits, then characters come off until
  // the ellipsis (6) fits as well: "abcdef…" is 36.
  Layout word = layOut(u"abcdefghijklmnop", 40, FLT_MAX, 1, platform::kLineBreakTailTruncation);
  EXPECT_EQ(word.lines, (Lines{{0, 36}}));
  EXPECT_EQ(word.size, CGSizeMake(36, 10));
  // Words: the line ends at a word, trailing spaces go, then "…": "ab cd…"
  // is 28.5.
  EXPECT_EQ(layOut(u"ab cd efgh", 40, FLT_MAX, 1, platform::kLineBreakTailTruncation).lines, (Lines{{0, 28}}));
  // The last line by height gets the ellipsis even when it fits; earlier
  // lines do not.
  Layout tall = layOut(u"a\nb\nc\nd", 100, 25, 0, platform::kLineBreakTailTruncation);
  EXPECT_EQ(tall.lines, (Lines{{0, 5}, {0, 11}}));
  // Nothing left over: no ellipsis.
  EXPECT_EQ(layOut(u"abc", 40, FLT_MAX, 1, platform::kLineBreakTailTruncation).lines, (Lines{{0, 15}}));
  // One character always stays, even if it and the ellipsis overflow.
  EXPECT_EQ(layOut(u"abc", 8, FLT_MAX, 1, platform::kLineBreakTailTruncation).lines, (Lines{{0, 11}}));
}

TEST(ZFontLayoutTest, NewlinesAndLineLimits) {
  EXPECT_EQ(layOut(u"ab\ncd", 100, FLT_MAX, 0, 0).lines, (Lines{{0, 10}, {0, 10}}));
  EXPECT_EQ(layOut(u"ab\r\ncd\rx\x85y", 100, FLT_MAX, 0, 0).lines, (Lines{{0, 10}, {0, 10}, {0, 5}, {0, 5}}));
  // One line at most: newline characters are spaces, CR LF a single one.
  EXPECT_EQ(layOut(u"ab\ncd", 100, FLT_MAX, 1, 0).lines, (Lines{{0, 22}}));
  EXPECT_EQ(layOut(u"ab\r\ncd", 100, FLT_MAX, 1, 0).size, CGSizeMake(22.5f, 10));
  EXPECT_EQ(layOut(u"ab\u2028cd", 100, FLT_MAX, 1, 0).size, CGSizeMake(22.5f, 10));
  // A line limit and a height limit (the next line's top + ascent 8 must fit).
  EXPECT_EQ(layOut(u"a\nb\nc\nd", 100, FLT_MAX, 3, 0).lines.size(), 3u);
  EXPECT_EQ(layOut(u"a\nb\nc\nd", 100, 28, 0, 0).size.height, 30.0f);
  EXPECT_EQ(layOut(u"a\nb\nc\nd", 100, 27.9f, 0, 0).size.height, 20.0f);
  // The first line is laid out even when it does not fit the height.
  EXPECT_EQ(layOut(u"a\nb", 100, 1, 0, 0).lines, (Lines{{0, 5}}));
  EXPECT_EQ(layOut(u"", 100, 100, 0, 0).size, CGSizeMake(0, 0));
}

TEST(ZFontLayoutTest, AlignmentPlacesEachLineInTheWidth) {
  const std::u16string sixteen = u"abcdefghijklmnop";  // 80 wide
  EXPECT_EQ(layOut(sixteen, 100, FLT_MAX, 0, 0, platform::kTextAlignmentRight).lines, (Lines{{20, 80}}));
  EXPECT_EQ(layOut(sixteen, 100, FLT_MAX, 0, 0, platform::kTextAlignmentCenter).lines, (Lines{{10, 80}}));
  EXPECT_EQ(layOut(u"abcd ab", 20, FLT_MAX, 0, 0, platform::kTextAlignmentRight).lines, (Lines{{0, 20}, {10, 10}}));
}

TEST(ZFontLayoutTest, CharactersOutsideTheFontAndSurrogatePairs) {
  // é is not mapped: the missing glyph's advance 7 counts.
  EXPECT_EQ(layOut(u"a\u00E9b", 100, FLT_MAX, 1, 0).lines, (Lines{{0, 17}}));
  // The ghost is one character of advance 8, never split from its pair.
  EXPECT_EQ(layOut(u"a\U0001F47Bb", 100, FLT_MAX, 1, 0).lines, (Lines{{0, 18}}));
  EXPECT_EQ(layOut(u"a\U0001F47Bb", 12, FLT_MAX, 0, platform::kLineBreakCharacterWrap).lines,
            (Lines{{0, 5}, {0, 8}, {0, 5}}));
}

TEST(ZFontLayoutTest, MeasuringEntryPointsRoundUp) {
  ZFont* font = ZFont::fontWithCGFont(syntheticFace(), 10);
  EXPECT_EQ(sizeWithZFont("ab\nc", font), CGSizeMake(18, 10));  // one line: 17.5
  EXPECT_EQ(sizeWithZFont("hello world", font, CGSizeMake(40, 100), platform::kLineBreakCharacterWrap),
            CGSizeMake(38, 20));
  EXPECT_EQ(sizeWithZFont("a b c d", font, CGSizeMake(5, 100), platform::kLineBreakWordWrap, 2), CGSizeMake(5, 20));
  EXPECT_EQ(sizeWithCGFont("abc", syntheticFace(), 20), CGSizeMake(30, 20));
}

// [SECTION] Attributed text

TEST(ZFontLayoutTest, RunsChooseFontsAndATallerFontRaisesTheLine) {
  ZFont* small = ZFont::fontWithCGFont(syntheticFace(), 10);
  ZFont* tall = ZFont::fontWithCGFont(syntheticFace(1600, -400), 10);  // ascender 16, leading 20
  Ref<ZMutableAttributedString> text = ZMutableAttributedString::attributedStringWithString(u"ab cd ef");
  text->addAttribute(kZFontAttributeName, platform::Value(small), NSRange{0, 8});
  text->addAttribute(kZBackgroundColorAttributeName, zfont::colorValue(0, 0, 1), NSRange{0, 3});
  text->addAttribute(kZFontAttributeName, platform::Value(tall), NSRange{3, 2});
  text->addAttribute(kZBackgroundColorAttributeName, zfont::colorValue(1, 0, 0), NSRange{3, 5});
  EXPECT_EQ(sizeOfAttributedString(text.get()), CGSizeMake(35, 20));
  // Wrapped after "ab cd": the first line is 20 high, the second 10.
  EXPECT_EQ(sizeConstrainedToSize(text.get(), CGSizeMake(30, 100)), CGSizeMake(23, 30));

  TestCanvas canvas(60, 40);
  drawInRect(canvas.canvas.get(), text.get(), CGRectMake(0, 0, 30, 100));
  // Line 1: "ab " blue over the whole line height (0..19), "cd" red; line 2
  // "ef" red.
  EXPECT_EQ(canvas.at(2, 0)[2], 255);
  EXPECT_EQ(canvas.at(2, 19)[2], 255);
  EXPECT_EQ(canvas.at(2, 20)[2], 0);
  EXPECT_EQ(canvas.at(14, 10)[0], 255);
  EXPECT_EQ(canvas.filledColumns(10), (std::pair<int, int>{0, 21}));
  EXPECT_EQ(canvas.filledColumns(25), (std::pair<int, int>{0, 9}));
  EXPECT_EQ(canvas.at(5, 25)[0], 255);
}

// [SECTION] Drawing glyphs (installed font)

class ZFontDrawingTest : public testing::Test {
 protected:
  void SetUp() override {
    FontFace* face = FontFace::fontFaceWithContentsOfFile(kDejaVuMono);
    if (!face) GTEST_SKIP() << "DejaVu Sans Mono not installed";
    font_ = ZFont::fontWithCGFont(face, 20);
  }
  // Bounding box of the pixels whose channel `channel` is above half.
  static CGRect inkOf(const TestCanvas& canvas, int channel) {
    int left = canvas.width, right = -1, top = canvas.height, bottom = -1;
    for (int y = 0; y < canvas.height; ++y) {
      for (int x = 0; x < canvas.width; ++x) {
        if (canvas.at(x, y)[channel] <= 128) continue;
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
    return right < 0 ? CGRectZero : CGRectMake(left, top, right - left + 1, bottom - top + 1);
  }
  Ref<ZFont> font_;
};

TEST_F(ZFontDrawingTest, PlainTextDrawsGlyphsInTheCanvasFillBelowTheOrigin) {
  TestCanvas canvas(120, 60);
  canvas.canvas->setFillColor(0, 1, 0, 1);
  CGSize used = drawAtPoint(canvas.canvas.get(), "HH", CGPointMake(10, 5), font_.get());
  // Advance of DejaVu Sans Mono: 1233 units of 2048.
  const float advance = 1233.0f * 20 / 2048;
  EXPECT_FLOAT_EQ(used.width, 2 * advance);
  EXPECT_EQ(used.height, font_->leading());
  CGRect ink = inkOf(canvas, 1);
  // The capitals stand on the baseline (origin + ascender) and reach up
  // about the cap height; they lie inside the two advances.
  const float baseline = 5 + font_->ascender();
  EXPECT_NEAR(CGRectGetMaxY(ink), baseline, 1.0);
  EXPECT_NEAR(ink.size.height, font_->capHeight(), 1.5);
  EXPECT_GE(ink.origin.x, 10);
  EXPECT_LE(CGRectGetMaxX(ink), 10 + 2 * advance + 1);
  EXPECT_GT(ink.size.width, advance);  // both letters drawn
  EXPECT_EQ(inkOf(canvas, 0).size.width, 0);  // only green: the colour was the canvas's
}

TEST_F(ZFontDrawingTest, AttributedColoursBackgroundAndUnderline) {
  Ref<ZMutableAttributedString> text = ZMutableAttributedString::attributedStringWithString(u"Hi");
  text->addAttribute(kZFontAttributeName, platform::Value(font_.get()), NSRange{0, 2});
  text->addAttribute(kZForegroundColorAttributeName, zfont::colorValue(1, 0, 0), NSRange{0, 2});
  text->addAttribute(kZBackgroundColorAttributeName, zfont::colorValue(0, 0, 1), NSRange{0, 1});
  text->addAttribute(kZUnderlineStyleAttributeName, platform::Value(1), NSRange{1, 1});
  TestCanvas canvas(80, 40);
  drawAtPoint(canvas.canvas.get(), text.get(), CGPointMake(0, 0));
  const int advance = int(1233.0f * 20 / 2048);  // 12.04
  const int baseline = int(font_->ascender());
  // "H": red ink on a blue box that fills the line.
  EXPECT_GT(inkOf(canvas, 0).size.height, 10);
  EXPECT_EQ(canvas.at(0, 0)[2], 255);
  EXPECT_EQ(canvas.at(advance - 1, int(font_->leading()) - 1)[2], 255);
  EXPECT_EQ(canvas.at(advance + 6, 0)[3], 0);  // no background behind "i"
  // "i": underlined in red one point high at the baseline, across its advance.
  for (int x = advance + 1; x < 2 * advance; ++x) {
    EXPECT_EQ(canvas.at(x, baseline)[0], 255) << x;
    EXPECT_EQ(canvas.at(x, baseline + 1)[0], 0) << x;
  }
  EXPECT_EQ(canvas.at(advance / 2, baseline + 1)[0], 0);  // "H" is not underlined
}
