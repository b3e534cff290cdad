#include "platform/StringDrawing.h"

#include "platform/Canvas.h"
#include "platform/Font.h"
#include "platform/FontFace.h"
#include "platform/StringUtils.h"

#include <algorithm>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cwctype>
#include <locale.h>
#include <vector>

namespace platform {

namespace {

constexpr char32_t kEllipsis = 0x2026;

struct Character {
  char32_t code = 0;
  uint16_t glyph = 0;
  float advance = 0;
};

struct Line {
  std::size_t start = 0;
  std::size_t end = 0;  // one past the last character drawn
  float width = 0;      // including the ellipsis
  bool ellipsis = false;
};

struct TextLayout {
  std::vector<Line> lines;
  float width = 0;
  float height = 0;
};

bool isNewline(char32_t c) { return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029; }

// Combining marks count as parts of words.
bool isMark(char32_t c) {
  return (c >= 0x0300 && c <= 0x036F) || (c >= 0x0483 && c <= 0x0489) || (c >= 0x0591 && c <= 0x05BD) ||
         (c >= 0x0610 && c <= 0x061A) || (c >= 0x064B && c <= 0x065F) || (c >= 0x0900 && c <= 0x0903) ||
         (c >= 0x093A && c <= 0x094F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
         (c >= 0x20D0 && c <= 0x20FF) || (c >= 0x302A && c <= 0x302F) || (c >= 0xFE20 && c <= 0xFE2F);
}

// Letters, marks and digits (Unicode categories L, M and N).
bool isAlphanumeric(char32_t c) {
  if (c < 0x80) return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  if (isMark(c)) return true;
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  if (unicode) return iswalnum_l(static_cast<wint_t>(c), unicode) != 0;
  // Without a Unicode locale: everything beyond Latin-1 punctuation is a letter.
  return c >= 0xC0 && c != 0xD7 && c != 0xF7;
}

// The text as code points with glyphs and advances in points. Single-line
// text has its newline characters turned into spaces (CR LF into one).
std::vector<Character> charactersOf(std::string_view utf8, const Font& font, bool singleLine) {
  std::u16string units = utf8ToUtf16(utf8);
  std::vector<Character> text;
  text.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t code = units[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    if (singleLine && isNewline(code)) {
      if (code == '\r' && i + 1 < units.size() && units[i + 1] == '\n') ++i;
      code = ' ';
    }
    text.push_back(Character{code, 0, 0});
  }
  FontFace* face = font.face();
  std::vector<uint16_t> glyphs(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) glyphs[i] = text[i].glyph = face->glyphForCodePoint(text[i].code);
  std::vector<int> advances(text.size());
  face->glyphAdvances(glyphs, advances);
  for (std::size_t i = 0; i < text.size(); ++i) text[i].advance = float(advances[i]) * font.scale();
  return text;
}

float widthOf(const std::vector<Character>& text, std::size_t start, std::size_t end) {
  float width = 0;
  for (std::size_t i = start; i < end; ++i) width += text[i].advance;
  return width;
}

float ellipsisAdvance(const Font& font) {
  uint16_t glyph = font.face()->glyphForCodePoint(kEllipsis);
  int advance = 0;
  font.face()->glyphAdvances({&glyph, 1}, {&advance, 1});
  return float(advance) * font.scale();
}

void truncateTail(const std::vector<Character>& text, Line& line, float maxWidth, const Font& font) {
  float ellipsis = ellipsisAdvance(font);
  std::size_t end = line.end;
  float width = widthOf(text, line.start, end);
  while (end > line.start + 1 && width + ellipsis > maxWidth) width = widthOf(text, line.start, --end);
  while (end > line.start && text[end - 1].code == ' ') --end;
  line.end = end;
  line.width = widthOf(text, line.start, end) + ellipsis;
  line.ellipsis = true;
}

TextLayout layOut(const std::vector<Character>& text, const Font& font, float maxWidth, float maxHeight,
                  std::size_t maxLines, int mode) {
  TextLayout layout;
  const float lineHeight = font.lineHeight();
  const float ascender = font.ascender();
  const std::size_t count = text.size();
  std::size_t i = 0;
  float top = 0;
  while (i < count) {
    const std::size_t start = i;
    std::size_t end = count, next = count;
    std::size_t breakAt = 0;  // 0: none (a break is always after the start)
    bool overflow = false;
    float width = 0;
    while (i < count) {
      char32_t c = text[i].code;
      if (c == '\n' || c == 0x85) {
        end = i;
        next = i + 1;
        break;
      }
      if (c == '\r') {
        end = i;
        next = i + 1 < count && text[i + 1].code == '\n' ? i + 2 : i + 1;
        break;
      }
      if (i > start && (c == ' ' || (isAlphanumeric(c) && !isAlphanumeric(text[i - 1].code)))) breakAt = i;
      if (i > start && width + text[i].advance > maxWidth) {
        overflow = true;
        end = next = i;
        break;
      }
      width += text[i].advance;
      ++i;
    }
    bool last = (maxLines != 0 && layout.lines.size() + 1 >= maxLines) || top + lineHeight + ascender > maxHeight;
    if (overflow && mode != kLineBreakCharacterWrap && breakAt != 0 && !(last && mode == kLineBreakClip)) {
      end = next = breakAt;
      while (next < count && text[next].code == ' ') ++next;
      width = widthOf(text, start, end);
    }
    Line line{start, end, width, false};
    if (last && next < count && mode == kLineBreakTailTruncation) truncateTail(text, line, maxWidth, font);
    layout.lines.push_back(line);
    layout.width = std::max(layout.width, line.width);
    top += lineHeight;
    i = next;
    if (last) break;
  }
  layout.height = top;
  return layout;
}

CGSize roundedUp(float width, float height) { return CGSizeMake(std::ceil(width), std::ceil(height)); }

void drawLines(Canvas& canvas, const std::vector<Character>& text, const TextLayout& layout, const Font& font,
               const CGRect& rect, int alignment) {
  canvas.save();
  canvas.setTextMatrix(CGAffineTransformMake(1, 0, 0, -1, 0, 0));
  canvas.setFont(font.face(), font.pointSize());
  uint16_t ellipsis = font.face()->glyphForCodePoint(kEllipsis);
  std::vector<uint16_t> glyphs;
  float top = rect.origin.y;
  for (const Line& line : layout.lines) {
    glyphs.clear();
    for (std::size_t i = line.start; i < line.end; ++i) glyphs.push_back(text[i].glyph);
    if (line.ellipsis) glyphs.push_back(ellipsis);
    float x = rect.origin.x;
    if (alignment == kTextAlignmentCenter) x += (rect.size.width - line.width) / 2;
    if (alignment == kTextAlignmentRight) x += rect.size.width - line.width;
    canvas.showGlyphs(glyphs, CGPointMake(x, top + font.ascender()));
    top += font.lineHeight();
  }
  canvas.restore();
}

CGSize draw(Canvas* canvas, std::string_view utf8, const Font* font, const CGRect& rect, std::size_t maxLines,
            int mode, int alignment) {
  if (!canvas) canvas = Canvas::current();
  if (!canvas || !font) return CGSizeZero;
  auto text = charactersOf(utf8, *font, maxLines == 1);
  TextLayout layout = layOut(text, *font, rect.size.width, rect.size.height, maxLines, mode);
  drawLines(*canvas, text, layout, *font, rect, alignment);
  return roundedUp(layout.width, layout.height);
}

}  // namespace

bool isNewlineCharacter(char32_t c) { return isNewline(c); }
bool isAlphanumericCharacter(char32_t c) { return isAlphanumeric(c); }

CGSize sizeWithFont(std::string_view text, const Font* font) {
  if (!font) return CGSizeZero;
  auto characters = charactersOf(text, *font, true);
  TextLayout layout = layOut(characters, *font, FLT_MAX, FLT_MAX, 1, kLineBreakClip);
  return roundedUp(layout.width, font->lineHeight());
}

CGSize sizeWithFont(std::string_view text, const Font* font, CGSize constraint, int lineBreakMode) {
  if (!font) return CGSizeZero;
  auto characters = charactersOf(text, *font, false);
  TextLayout layout = layOut(characters, *font, constraint.width, constraint.height, 0, lineBreakMode);
  return roundedUp(layout.width, layout.height);
}

CGSize drawInRect(Canvas* canvas, std::string_view text, const Font* font, const CGRect& rect, int lineBreakMode,
                  int alignment) {
  return draw(canvas, text, font, rect, 0, lineBreakMode, alignment);
}

CGSize drawAtPoint(Canvas* canvas, std::string_view text, const Font* font, CGPoint point) {
  return drawAtPoint(canvas, text, font, point, FLT_MAX, kLineBreakClip);
}

CGSize drawAtPoint(Canvas* canvas, std::string_view text, const Font* font, CGPoint point, float width,
                   int lineBreakMode) {
  return draw(canvas, text, font, CGRect{point, CGSizeMake(width, FLT_MAX)}, 1, lineBreakMode,
              kTextAlignmentLeft);
}

}  // namespace platform
