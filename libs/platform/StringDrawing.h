#pragma once
// Measuring and drawing strings in system fonts (Font.h) into a canvas.
//
// Implemented features:
//  [x] single-line measuring (newlines count as spaces), measuring within a
//      size, drawing in a rectangle with line breaks, alignment and tail
//      truncation with U+2026, drawing at a point;
//  [x] the line breaking of the custom-font text layout, so system and
//      custom fonts wrap alike (below).
// Missing features:
//  [ ] head and middle truncation lay out like word wrap;
//  [ ] no kerning, ligatures, bidirectional text or complex shaping: one
//      glyph per code point, placed by its advance.
//
// Layout, line by line from the top of the box:
//  - LF and U+0085 end a line; CR ends it too, together with a following LF.
//    Single-line forms turn those characters into spaces first (CR LF into
//    one space).
//  - A line takes characters while they fit the width (always at least one).
//    Break positions are spaces and the first letter or digit after any
//    other character; when a character does not fit, word-wrapping modes
//    end the line at the last break position (skipping the spaces there) and
//    character wrap ends it before that character. The last line in clip
//    mode is cut at the character that does not fit.
//  - A line is laid out only when its top + the font's ascender lies within
//    the box height, except that the first line always is.
//  - Tail truncation: when text is left over after the last line, characters
//    come off its end until it and "…" fit the width (one always stays),
//    then trailing spaces, and "…" is appended.
//  - The size is the widest line by the number of lines × the font's line
//    height, each rounded up to a whole point.
//
// Drawing expects a canvas whose CTM makes y grow downward (the texture
// code's flipped context): the rectangle's origin is its top-left corner.
// Alignment: 0 left, 1 centre, 2 right within the rectangle's width.

#include "platform/Geometry.h"

#include <string_view>

namespace platform {

class Canvas;
class Font;

/// Line-break modes.
enum LineBreakMode : int {
  kLineBreakWordWrap = 0,
  kLineBreakCharacterWrap = 1,
  kLineBreakClip = 2,
  kLineBreakHeadTruncation = 3,
  kLineBreakTailTruncation = 4,
  kLineBreakMiddleTruncation = 5,
};

/// Horizontal alignments.
enum TextAlignment : int {
  kTextAlignmentLeft = 0,
  kTextAlignmentCenter = 1,
  kTextAlignmentRight = 2,
};

/// The platform's newline characters: U+000A to U+000D, U+0085, U+2028 and
/// U+2029.
bool isNewlineCharacter(char32_t c);
/// Letters, marks and digits (Unicode categories L, M and N): the characters
/// that make up words for line breaking.
bool isAlphanumericCharacter(char32_t c);

/// The size of `text` (UTF-8) on one line: newline characters measure as
/// spaces; the height is one line even for empty text. Whole points. A null
/// font gives zero.
CGSize sizeWithFont(std::string_view text, const Font* font);
/// The size `text` takes when laid out within `constraint` in `lineBreakMode`.
/// Empty text gives zero. Whole points.
CGSize sizeWithFont(std::string_view text, const Font* font, CGSize constraint, int lineBreakMode);

/// Draws `text` into `rect` of `canvas` (nullptr: Canvas::current()) with the
/// canvas's fill colour. Returns the size used (whole points). Draws nothing
/// and returns zero without a canvas or a font.
CGSize drawInRect(Canvas* canvas, std::string_view text, const Font* font, const CGRect& rect, int lineBreakMode,
                  int alignment);
/// Draws `text` as one line starting at `point` (top-left of the line).
CGSize drawAtPoint(Canvas* canvas, std::string_view text, const Font* font, CGPoint point);
/// Draws `text` as one line starting at `point`, within `width` in
/// `lineBreakMode` (tail truncation ends the line with "…").
CGSize drawAtPoint(Canvas* canvas, std::string_view text, const Font* font, CGPoint point, float width,
                   int lineBreakMode);

}  // namespace platform
