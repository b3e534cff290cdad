#pragma once
// Measuring and drawing text in custom fonts (ZFont): plain strings in one
// font, and attributed strings whose runs choose the font, the colours and
// an underline. Glyphs come from each font's own 'cmap' table
// (ZCharacterGlyphTable), advances from the font face.
//
// Every entry point goes through one layout routine (zfont::layoutText):
//  - With at most one line, newline characters become spaces (CR LF one).
//  - LF and U+0085 end a line; CR ends it too, with a following LF.
//  - A line takes characters while they fit the width (always at least
//    one; a surrogate pair is one character). Break positions are spaces and
//    the first letter or digit after any other character. When a character
//    does not fit, the line ends at the last break position, and the spaces
//    there belong to neither line; character wrap (1) ends it before the
//    character, and so does clip (2) on the last line. Head (3) and middle
//    (5) truncation lay out like word wrap (0).
//  - A line is the last when the next line's top plus its ascent would pass
//    the height, when the line count reaches the maximum (0: none), or when a
//    taller font met on the line pushes its own ascent past the height.
//  - Tail truncation (4): when text is left after the last line, characters
//    come off its end until it and "…" (U+2026, in the font at the line's
//    end) fit the width (one always stays), then trailing spaces, and "…" is
//    appended.
//  - A line is as high as the largest leading of the fonts on it; its
//    baseline is its top plus their largest ascender. The result is the
//    widest line by the sum of the line heights.
//
// Drawing expects a canvas whose CTM makes y grow downward (as the texture
// code's flipped context does); the point or rectangle origin is the top-left
// corner. Plain strings draw with the canvas's fill colour; attributed
// strings fill each run's background (unless clear), draw in its foreground
// colour (black by default) and underline it 1 point high at the baseline.
// Alignment: 0 left, 1 centre, 2 right within the width.
//
// Measuring entry points round both sides up to whole points; drawing entry
// points return the size as laid out.
//
// Cost: one layout call allocates its glyph and advance buffers once (text
// length + 1) and one character-to-glyph table per face; nothing per line or
// per character.

#include "platform/Canvas.h"
#include "platform/FontFace.h"
#include "platform/Geometry.h"
#include "platform/Value.h"

#include <cstdint>
#include <span>
#include <string_view>

class ZAttributedString;
class ZFont;

// [SECTION] Attributes

/// A ZFont (a Value holding the object). Default: the system font at 12.
inline constexpr const char* kZFontAttributeName = "ZFontAttributeName";
/// A colour: a Value array {red, green, blue[, alpha]} of numbers in 0..1.
/// Default opaque black.
inline constexpr const char* kZForegroundColorAttributeName = "ZForegroundColorAttributeName";
/// A colour as above. Default clear (nothing is filled).
inline constexpr const char* kZBackgroundColorAttributeName = "ZBackgroundColorAttributeName";
/// A number; not 0 underlines. Default 0.
inline constexpr const char* kZUnderlineStyleAttributeName = "ZUnderlineStyleAttributeName";

namespace zfont {

/// A colour, components 0..1, not premultiplied.
struct Color {
  float red = 0, green = 0, blue = 0, alpha = 0;
  bool isClear() const { return !(alpha > 0); }
};

/// The Value form of a colour, for the colour attributes.
platform::Value colorValue(float red, float green, float blue, float alpha = 1.0f);
/// The colour a Value holds (an array of 3 or 4 numbers), or `fallback`.
Color colorFromValue(const platform::Value* value, Color fallback);

/// One attribute run resolved for layout: it covers the characters from
/// `index` to the next run's index (the last to the end of the text).
struct TextRun {
  uint32_t index = 0;
  ZFont* font = nullptr;  ///< nullptr: the system font at 12
  Color foreground{0, 0, 0, 1};
  Color background{};
  bool underline = false;
};

/// The layout routine behind every entry point. Lays `text` out within
/// `constraint` with `runs` (ordered by index; characters before the first
/// run take the defaults), and, when `canvas` is not null, draws it there
/// with its origin at the canvas's current user-space origin. `maxLines` 0
/// means no limit. Returns the size used (not rounded).
CGSize layoutText(platform::Canvas* canvas, std::u16string_view text, std::span<const TextRun> runs,
                  CGSize constraint, unsigned maxLines, int lineBreakMode, int alignment, bool ignoreColors);

/// The runs of an attributed string, resolved from its attribute
/// dictionaries. The fonts are borrowed from the string.
std::vector<TextRun> textRunsOf(const ZAttributedString& text);

}  // namespace zfont

// [SECTION] Plain strings (UTF-8) in a ZFont

/// One line (newlines as spaces), unlimited width, clip mode. Whole points.
CGSize sizeWithZFont(std::string_view text, ZFont* font);
/// Within `size` in word wrap with no line limit. Whole points.
CGSize sizeWithZFont(std::string_view text, ZFont* font, CGSize size);
CGSize sizeWithZFont(std::string_view text, ZFont* font, CGSize size, int lineBreakMode);
CGSize sizeWithZFont(std::string_view text, ZFont* font, CGSize size, int lineBreakMode, unsigned numberOfLines);

/// One line at `point` (top-left), unlimited width, clip mode. `canvas`
/// nullptr means platform::Canvas::current(); without a canvas or a font
/// nothing is drawn and the result is zero.
CGSize drawAtPoint(platform::Canvas* canvas, std::string_view text, CGPoint point, ZFont* font);
/// One line at `point` within `width` in `lineBreakMode`.
CGSize drawAtPoint(platform::Canvas* canvas, std::string_view text, CGPoint point, float width, ZFont* font,
                   int lineBreakMode);
/// In `rect`: word wrap, left aligned, no line limit unless given.
CGSize drawInRect(platform::Canvas* canvas, std::string_view text, const CGRect& rect, ZFont* font);
CGSize drawInRect(platform::Canvas* canvas, std::string_view text, const CGRect& rect, ZFont* font,
                  int lineBreakMode);
CGSize drawInRect(platform::Canvas* canvas, std::string_view text, const CGRect& rect, ZFont* font,
                  int lineBreakMode, int alignment);
CGSize drawInRect(platform::Canvas* canvas, std::string_view text, const CGRect& rect, ZFont* font,
                  int lineBreakMode, int alignment, unsigned numberOfLines);

// [SECTION] Plain strings in a font face at a point size (wrapped in a ZFont)

CGSize sizeWithCGFont(std::string_view text, platform::FontFace* font, float pointSize);
CGSize sizeWithCGFont(std::string_view text, platform::FontFace* font, float pointSize, CGSize size,
                      int lineBreakMode);
CGSize drawAtPoint(platform::Canvas* canvas, std::string_view text, CGPoint point, platform::FontFace* font,
                   float pointSize);
CGSize drawInRect(platform::Canvas* canvas, std::string_view text, const CGRect& rect, platform::FontFace* font,
                  float pointSize, int lineBreakMode, int alignment);

// [SECTION] Attributed strings (colours used)

/// One line, unlimited width, clip mode. Whole points; zero for null text.
CGSize sizeOfAttributedString(const ZAttributedString* text);
/// Within `size`: word wrap and no line limit unless given. Whole points.
CGSize sizeConstrainedToSize(const ZAttributedString* text, CGSize size);
CGSize sizeConstrainedToSize(const ZAttributedString* text, CGSize size, int lineBreakMode);
CGSize sizeConstrainedToSize(const ZAttributedString* text, CGSize size, int lineBreakMode,
                             unsigned numberOfLines);
CGSize drawAtPoint(platform::Canvas* canvas, const ZAttributedString* text, CGPoint point);
CGSize drawAtPoint(platform::Canvas* canvas, const ZAttributedString* text, CGPoint point, float width,
                   int lineBreakMode);
CGSize drawInRect(platform::Canvas* canvas, const ZAttributedString* text, const CGRect& rect);
CGSize drawInRect(platform::Canvas* canvas, const ZAttributedString* text, const CGRect& rect,
                  int lineBreakMode);
CGSize drawInRect(platform::Canvas* canvas, const ZAttributedString* text, const CGRect& rect,
                  int lineBreakMode, int alignment);
CGSize drawInRect(platform::Canvas* canvas, const ZAttributedString* text, const CGRect& rect,
                  int lineBreakMode, int alignment, unsigned numberOfLines);
