#include "zfont/ZFontStringDrawing.h"

#include "platform/Font.h"
#include "platform/StringDrawing.h"
#include "platform/StringUtils.h"
#include "zfont/ZAttributedString.h"
#include "zfont/ZCharacterGlyphTable.h"
#include "zfont/ZFont.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

// [SECTION] Attributes
// [SECTION] Layout
// [SECTION] Entry points: plain strings
// [SECTION] Entry points: attributed strings

namespace {

constexpr char32_t kEllipsis = 0x2026;
constexpr float kUnlimited = FLT_MAX;

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

// [SECTION] Attributes

namespace zfont {

platform::Value colorValue(float red, float green, float blue, float alpha) {
  return platform::Value(platform::Value::Array{red, green, blue, alpha});
}

Color colorFromValue(const platform::Value* value, Color fallback) {
  if (value == nullptr || !value->isArray()) return fallback;
  const platform::Value::Array& components = value->asArray();
  if (components.size() != 3 && components.size() != 4) return fallback;
  for (const platform::Value& component : components) {
    if (!component.isNumber()) return fallback;
  }
  return Color{components[0].floatValue(), components[1].floatValue(), components[2].floatValue(),
               components.size() == 4 ? components[3].floatValue() : 1.0f};
}

std::vector<TextRun> textRunsOf(const ZAttributedString& text) {
  std::vector<TextRun> runs;
  runs.reserve(text.attributes().size());
  const TextRun defaults;
  for (const platform::Ref<ZAttributeRun>& source : text.attributes()) {
    const platform::Value::Dict& attributes = source->attributes();
    TextRun run;
    run.index = source->index();
    if (const platform::Value* font = attributes.find(kZFontAttributeName)) {
      run.font = dynamic_cast<ZFont*>(font->asObject());
    }
    run.foreground = colorFromValue(attributes.find(kZForegroundColorAttributeName), defaults.foreground);
    run.background = colorFromValue(attributes.find(kZBackgroundColorAttributeName), defaults.background);
    if (const platform::Value* underline = attributes.find(kZUnderlineStyleAttributeName)) {
      run.underline = underline->doubleValue() != 0;
    }
    runs.push_back(run);
  }
  return runs;
}

// [SECTION] Layout

namespace {

// A run as laid out: its characters [start, end) of the copied text, its
// font (never null unless no system font exists) and the font's glyph table.
struct LayoutRun {
  std::size_t start = 0;
  std::size_t end = 0;
  const TextRun* attributes = nullptr;
  ZFont* font = nullptr;
  ZCharacterGlyphTable* table = nullptr;
};

float leadingOf(const ZFont* font) { return font ? font->leading() : 0.0f; }
float ascenderOf(const ZFont* font) { return font ? font->ascender() : 0.0f; }

class Layout {
 public:
  Layout(platform::Canvas* canvas, std::u16string_view source, std::span<const TextRun> runs, CGSize constraint,
         unsigned maxLines, int mode, int alignment, bool ignoreColors)
      : canvas_(canvas),
        constraint_(constraint),
        maxLines_(maxLines),
        mode_(mode),
        alignment_(alignment),
        ignoreColors_(ignoreColors) {
    copyText(source, runs);
    mapGlyphs();
  }

  CGSize run();

 private:
  void copyText(std::u16string_view source, std::span<const TextRun> runs);
  void mapGlyphs();
  ZFont* defaultFont();
  ZCharacterGlyphTable* tableFor(ZFont* font);
  std::size_t runAt(std::size_t index);
  float widthOf(std::size_t start, std::size_t end) const;
  void drawLine(std::size_t start, std::size_t end, float width, float top, float height, float ascent,
                bool ellipsis, std::size_t ellipsisRun);
  void drawSegment(const LayoutRun& run, std::size_t glyphCount, float x, float width, float top, float height,
                   float baseline);

  platform::Canvas* canvas_;
  CGSize constraint_;
  unsigned maxLines_;
  int mode_;
  int alignment_;
  bool ignoreColors_;

  std::u16string text_;
  std::vector<LayoutRun> runs_;
  std::vector<uint16_t> glyphs_;  // one per code unit; kNoGlyph after a joined pair's high half
  std::vector<float> advances_;   // points, one per code unit
  std::vector<uint16_t> lineGlyphs_;  // glyphs of one segment being drawn
  std::size_t runCursor_ = 0;

  TextRun defaultAttributes_;
  platform::Ref<ZFont> defaultFont_;
  bool defaultFontTried_ = false;
  std::vector<std::pair<platform::FontFace*, platform::Ref<ZCharacterGlyphTable>>> tables_;
};

void Layout::copyText(std::u16string_view source, std::span<const TextRun> runs) {
  // Runs out of order or beyond the text are pulled back, so the list always
  // covers the text from 0 in increasing order.
  if (runs.empty() || runs.front().index != 0) runs_.push_back(LayoutRun{0, 0, &defaultAttributes_});
  for (const TextRun& run : runs) {
    std::size_t start = std::min<std::size_t>(run.index, source.size());
    if (!runs_.empty()) start = std::max(start, runs_.back().start);
    runs_.push_back(LayoutRun{start, 0, &run});
  }

  // With one line at most, newline characters become spaces (CR LF one
  // space); run starts move with the characters they point at.
  const bool singleLine = maxLines_ == 1;
  text_.reserve(source.size());
  std::size_t next = 0;
  for (std::size_t i = 0; i < source.size(); ++i) {
    while (next < runs_.size() && runs_[next].start <= i) runs_[next++].start = text_.size();
    char16_t c = source[i];
    if (singleLine && platform::isNewlineCharacter(c)) {
      if (c == u'\r' && i + 1 < source.size() && source[i + 1] == u'\n') ++i;
      c = u' ';
    }
    text_.push_back(c);
  }
  while (next < runs_.size()) runs_[next++].start = text_.size();
  for (std::size_t k = 0; k < runs_.size(); ++k) {
    runs_[k].end = k + 1 < runs_.size() ? runs_[k + 1].start : text_.size();
  }
}

ZFont* Layout::defaultFont() {
  if (!defaultFontTried_) {
    defaultFontTried_ = true;
    if (platform::Font* system = platform::Font::systemFontOfSize(12.0f)) defaultFont_ = ZFont::fontWithUIFont(system);
  }
  return defaultFont_.get();
}

ZCharacterGlyphTable* Layout::tableFor(ZFont* font) {
  platform::FontFace* face = font->cgFont();
  for (auto& entry : tables_) {
    if (entry.first == face) return entry.second.get();
  }
  tables_.emplace_back(face, ZCharacterGlyphTable::tableWithFont(face));
  return tables_.back().second.get();
}

void Layout::mapGlyphs() {
  const std::size_t count = text_.size();
  glyphs_.assign(count + 1, 0);
  advances_.assign(count + 1, 0.0f);
  std::vector<int> units(count + 1, 0);
  for (LayoutRun& run : runs_) {
    run.font = run.attributes->font ? run.attributes->font : defaultFont();
    if (run.font == nullptr || run.end <= run.start) continue;
    run.table = tableFor(run.font);
    const std::size_t length = run.end - run.start;
    run.table->glyphsForCodeUnits(std::u16string_view(text_).substr(run.start, length), &glyphs_[run.start]);
    // A joined pair's marker is no glyph of the face: it gets advance 0.
    run.font->cgFont()->glyphAdvances({&glyphs_[run.start], length}, {&units[run.start], length});
    const float ratio = run.font->ratio();
    for (std::size_t i = run.start; i < run.end; ++i) advances_[i] = static_cast<float>(units[i]) * ratio;
  }
}

std::size_t Layout::runAt(std::size_t index) {
  while (runCursor_ + 1 < runs_.size() && runs_[runCursor_ + 1].start <= index) ++runCursor_;
  while (runCursor_ > 0 && runs_[runCursor_].start > index) --runCursor_;
  return runCursor_;
}

float Layout::widthOf(std::size_t start, std::size_t end) const {
  float width = 0;
  for (std::size_t i = start; i < end; ++i) width += advances_[i];
  return width;
}

CGSize Layout::run() {
  const std::size_t count = text_.size();
  const float maxWidth = constraint_.width;
  const float maxHeight = constraint_.height;
  if (canvas_) lineGlyphs_.resize(count + 2);

  float top = 0, widest = 0;
  unsigned lineCount = 0;
  std::size_t position = 0;
  while (position < count) {
    const std::size_t start = position;
    std::size_t metRun = runAt(start);
    float height = leadingOf(runs_[metRun].font);
    float ascent = ascenderOf(runs_[metRun].font);
    bool last = maxLines_ != 0 && lineCount + 1 >= maxLines_;

    // Take characters while they fit, noting word boundaries.
    std::size_t i = start, end = count, next = count, breakAt = start;
    bool overflow = false;
    float width = 0;
    char32_t previous = 0;
    while (i < count) {
      const char16_t unit = text_[i];
      if (unit == u'\n' || unit == 0x85) {
        end = i;
        next = i + 1;
        break;
      }
      if (unit == u'\r') {
        end = i;
        next = i + 1 < count && text_[i + 1] == u'\n' ? i + 2 : i + 1;
        break;
      }
      const bool pair = isHighSurrogate(unit) && i + 1 < count && isLowSurrogate(text_[i + 1]);
      const char32_t code = pair ? 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text_[i + 1] - 0xDC00) : unit;
      const float advance = pair ? advances_[i] + advances_[i + 1] : advances_[i];
      if (i > start) {
        const bool alphanumeric = platform::isAlphanumericCharacter(code);
        if (unit == u' ' || (alphanumeric && !platform::isAlphanumericCharacter(previous))) breakAt = i;
        if (width + advance > maxWidth) {
          overflow = true;
          end = next = i;
          break;
        }
      }
      // A taller font met on the line raises it, and may make it the last.
      const std::size_t k = runAt(i);
      if (k != metRun) {
        metRun = k;
        const float leading = leadingOf(runs_[k].font), ascender = ascenderOf(runs_[k].font);
        const bool raised = leading > height || ascender > ascent;
        height = std::max(height, leading);
        ascent = std::max(ascent, ascender);
        if (raised && top + ascent > maxHeight) last = true;
      }
      width += advance;
      previous = code;
      i += pair ? 2 : 1;
    }

    // The next line must fit below this one.
    if (!last && next < count) {
      const float nextAscent = ascenderOf(runs_[runAt(overflow ? i : next)].font);
      if (top + height + nextAscent > maxHeight) last = true;
    }

    // Word-wrapping modes end the line at its last word boundary; the spaces
    // there belong to neither line.
    if (overflow && mode_ != platform::kLineBreakCharacterWrap && breakAt > start &&
        !(last && mode_ == platform::kLineBreakClip)) {
      end = next = breakAt;
      while (end > start && text_[end - 1] == u' ') --end;
      while (next < count && text_[next] == u' ') ++next;
      width = widthOf(start, end);
    }

    // Tail truncation: room for the ellipsis on the last line when text is
    // left over.
    bool ellipsis = false;
    std::size_t ellipsisRun = runAt(start);
    if (last && next < count && mode_ == platform::kLineBreakTailTruncation) {
      ellipsisRun = runAt(end > start ? end - 1 : start);
      ZFont* font = runs_[ellipsisRun].font;
      float ellipsisWidth = 0;
      if (font) {
        std::size_t hint = 0;
        uint16_t glyph = runs_[ellipsisRun].table ? runs_[ellipsisRun].table->glyphForCodePoint(kEllipsis, hint)
                                                  : tableFor(font)->glyphForCodePoint(kEllipsis, hint);
        int units = 0;
        font->cgFont()->glyphAdvances({&glyph, 1}, {&units, 1});
        ellipsisWidth = static_cast<float>(units) * font->ratio();
      }
      const std::size_t first = isHighSurrogate(text_[start]) && start + 1 < end && isLowSurrogate(text_[start + 1])
                                    ? start + 2
                                    : start + 1;
      while (end > first && width + ellipsisWidth > maxWidth) {
        end -= end - 2 >= start && isLowSurrogate(text_[end - 1]) && isHighSurrogate(text_[end - 2]) ? 2 : 1;
        width = widthOf(start, end);
      }
      while (end > start && text_[end - 1] == u' ') --end;
      width = widthOf(start, end) + ellipsisWidth;
      ellipsisRun = runAt(end > start ? end - 1 : start);
      ellipsis = true;
    }

    if (canvas_) drawLine(start, end, width, top, height, ascent, ellipsis, ellipsisRun);
    ++lineCount;
    widest = std::max(widest, width);
    top += height;
    position = next;
    if (last) break;
  }
  return CGSizeMake(widest, top);
}

void Layout::drawLine(std::size_t start, std::size_t end, float width, float top, float height, float ascent,
                      bool ellipsis, std::size_t ellipsisRun) {
  float x = 0;
  if (alignment_ == platform::kTextAlignmentCenter) x = (constraint_.width - width) / 2;
  if (alignment_ == platform::kTextAlignmentRight) x = constraint_.width - width;
  const float baseline = top + ascent;

  bool ellipsisDrawn = !ellipsis;
  for (std::size_t k = runAt(start); k < runs_.size() && runs_[k].start < std::max(end, start + 1); ++k) {
    const LayoutRun& run = runs_[k];
    const std::size_t from = std::max(start, run.start), to = std::min(end, run.end);
    std::size_t glyphCount = 0;
    for (std::size_t i = from; i < to; ++i) {
      if (glyphs_[i] != ZCharacterGlyphTable::kNoGlyph) lineGlyphs_[glyphCount++] = glyphs_[i];
    }
    float segmentWidth = widthOf(from, to);
    if (!ellipsisDrawn && k == ellipsisRun) {
      // The ellipsis joins the line's last segment, in its font and colours.
      std::size_t hint = 0;
      lineGlyphs_[glyphCount++] = run.table ? run.table->glyphForCodePoint(kEllipsis, hint) : 0;
      segmentWidth += width - widthOf(start, end);
      ellipsisDrawn = true;
    }
    if (glyphCount == 0 && segmentWidth == 0) continue;
    drawSegment(run, glyphCount, x, segmentWidth, top, height, baseline);
    x += segmentWidth;
  }
}

void Layout::drawSegment(const LayoutRun& run, std::size_t glyphCount, float x, float width, float top,
                         float height, float baseline) {
  if (run.font == nullptr) return;
  platform::Canvas& canvas = *canvas_;
  canvas.setFont(run.font->cgFont(), run.font->pointSize());
  if (!ignoreColors_) {
    const Color& background = run.attributes->background;
    if (!background.isClear()) {
      canvas.setFillColor(background.red, background.green, background.blue, background.alpha);
      canvas.fillRect(CGRectMake(x, top, width, height));
    }
    const Color& foreground = run.attributes->foreground;
    canvas.setFillColor(foreground.red, foreground.green, foreground.blue, foreground.alpha);
  }
  canvas.showGlyphs({lineGlyphs_.data(), glyphCount}, CGPointMake(x, baseline));
  if (run.attributes->underline) canvas.fillRect(CGRectMake(x, baseline, width, 1));
}

}  // namespace

CGSize layoutText(platform::Canvas* canvas, std::u16string_view text, std::span<const TextRun> runs,
                  CGSize constraint, unsigned maxLines, int lineBreakMode, int alignment, bool ignoreColors) {
  Layout layout(canvas, text, runs, constraint, maxLines, lineBreakMode, alignment, ignoreColors);
  return layout.run();
}

}  // namespace zfont

namespace {

CGSize roundedUp(CGSize size) { return CGSizeMake(std::ceil(size.width), std::ceil(size.height)); }

// Draws with y growing downward from `origin`, restoring the canvas after.
CGSize drawText(platform::Canvas* canvas, std::u16string_view text, std::span<const zfont::TextRun> runs,
                const CGRect& rect, unsigned maxLines, int mode, int alignment, bool ignoreColors) {
  if (canvas == nullptr) canvas = platform::Canvas::current();
  if (canvas == nullptr) return CGSizeZero;
  canvas->save();
  canvas->setTextMatrix(CGAffineTransformMake(1, 0, 0, -1, 0, 0));
  canvas->translate(rect.origin.x, rect.origin.y);
  CGSize used = zfont::layoutText(canvas, text, runs, rect.size, maxLines, mode, alignment, ignoreColors);
  canvas->restore();
  return used;
}

CGSize measurePlain(std::string_view text, ZFont* font, CGSize size, unsigned maxLines, int mode) {
  if (font == nullptr) return CGSizeZero;
  const zfont::TextRun run{0, font};
  return roundedUp(zfont::layoutText(nullptr, platform::utf8ToUtf16(text), {&run, 1}, size, maxLines, mode,
                                     platform::kTextAlignmentLeft, true));
}

CGSize drawPlain(platform::Canvas* canvas, std::string_view text, const CGRect& rect, ZFont* font,
                 unsigned maxLines, int mode, int alignment) {
  if (font == nullptr) return CGSizeZero;
  const zfont::TextRun run{0, font};
  return drawText(canvas, platform::utf8ToUtf16(text), {&run, 1}, rect, maxLines, mode, alignment, true);
}

CGSize measureAttributed(const ZAttributedString* text, CGSize size, unsigned maxLines, int mode) {
  if (text == nullptr) return CGSizeZero;
  std::vector<zfont::TextRun> runs = zfont::textRunsOf(*text);
  return roundedUp(zfont::layoutText(nullptr, text->string(), runs, size, maxLines, mode,
                                     platform::kTextAlignmentLeft, false));
}

CGSize drawAttributed(platform::Canvas* canvas, const ZAttributedString* text, const CGRect& rect,
                      unsigned maxLines, int mode, int alignment) {
  if (text == nullptr) return CGSizeZero;
  std::vector<zfont::TextRun> runs = zfont::textRunsOf(*text);
  return drawText(canvas, text->string(), runs, rect, maxLines, mode, alignment, false);
}

CGRect pointRect(CGPoint point, float width) { return CGRect{point, CGSizeMake(width, kUnlimited)}; }

}  // namespace

// [SECTION] Entry points: plain strings

CGSize sizeWithZFont(std::string_view text, ZFont* font) {
  return measurePlain(text, font, CGSizeMake(kUnlimited, kUnlimited), 1, platform::kLineBreakClip);
}
CGSize sizeWithZFont(std::string_view text, ZFont* font, CGSize size) {
  return measurePlain(text, font, size, 0, platform::kLineBreakWordWrap);
}
CGSize sizeWithZFont(std::string_view text, ZFont* font, CGSize size, int lineBreakMode) {
  return measurePlain(text, font, size, 0, lineBreakMode);
}
CGSize sizeWithZFont(std::string_view text, ZFont* font, CGSize size, int lineBreakMode, unsigned numberOfLines) {
  return measurePlain(text, font, size, numberOfLines, lineBreakMode);
}

CGSize drawAtPoint(platform::Canvas* canvas, std::string_view text, CGPoint point, ZFont* font) {
  return drawPlain(canvas, text, pointRect(point, kUnlimited), font, 1, platform::kLineBreakClip,
                   platform::kTextAlignmentLeft);
}
CGSize drawAtPoint(platform::Canvas* canvas, std::string_view text, CGPoint point, float width, ZFont* font,
                   int lineBreakMode) {
  return drawPlain(canvas, text, pointRect(point, width), font, 1, lineBreakMode, platform::kTextAlignmentLeft);
}
CGSize drawInRect(platform::Canvas* canvas, std::string_view text, const CGRect& rect, ZFont* font) {
  return drawPlain(canvas, text, rect, font, 0, platform::kLineBreakWordWrap, platform::kTextAlignmentLeft);
}
CGSize drawInRect(platform::Canvas* canvas, std::string_view text, const CGRect& rect, ZFont* font,
                  int lineBreakMode) {
  return drawPlain(canvas, text, rect, font, 0, lineBreakMode, platform::kTextAlignmentLeft);
}
CGSize drawInRect(platform::Canvas* canvas, std::string_view text, const CGRect& rect, ZFont* font,
                  int lineBreakMode, int alignment) {
  return drawPlain(canvas, text, rect, font, 0, lineBreakMode, alignment);
}
CGSize drawInRect(platform::Canvas* canvas, std::string_view text, const CGRect& rect, ZFont* font,
                  int lineBreakMode, int alignment, unsigned numberOfLines) {
  return drawPlain(canvas, text, rect, font, numberOfLines, lineBreakMode, alignment);
}

CGSize sizeWithCGFont(std::string_view text, platform::FontFace* font, float pointSize) {
  return sizeWithZFont(text, ZFont::fontWithCGFont(font, pointSize));
}
CGSize sizeWithCGFont(std::string_view text, platform::FontFace* font, float pointSize, CGSize size,
                      int lineBreakMode) {
  return sizeWithZFont(text, ZFont::fontWithCGFont(font, pointSize), size, lineBreakMode);
}
CGSize drawAtPoint(platform::Canvas* canvas, std::string_view text, CGPoint point, platform::FontFace* font,
                   float pointSize) {
  return drawAtPoint(canvas, text, point, ZFont::fontWithCGFont(font, pointSize));
}
CGSize drawInRect(platform::Canvas* canvas, std::string_view text, const CGRect& rect, platform::FontFace* font,
                  float pointSize, int lineBreakMode, int alignment) {
  return drawInRect(canvas, text, rect, ZFont::fontWithCGFont(font, pointSize), lineBreakMode, alignment);
}

// [SECTION] Entry points: attributed strings

CGSize sizeOfAttributedString(const ZAttributedString* text) {
  return measureAttributed(text, CGSizeMake(kUnlimited, kUnlimited), 1, platform::kLineBreakClip);
}
CGSize sizeConstrainedToSize(const ZAttributedString* text, CGSize size) {
  return measureAttributed(text, size, 0, platform::kLineBreakWordWrap);
}
CGSize sizeConstrainedToSize(const ZAttributedString* text, CGSize size, int lineBreakMode) {
  return measureAttributed(text, size, 0, lineBreakMode);
}
CGSize sizeConstrainedToSize(const ZAttributedString* text, CGSize size, int lineBreakMode,
                             unsigned numberOfLines) {
  return measureAttributed(text, size, numberOfLines, lineBreakMode);
}
CGSize drawAtPoint(platform::Canvas* canvas, const ZAttributedString* text, CGPoint point) {
  return drawAttributed(canvas, text, pointRect(point, kUnlimited), 1, platform::kLineBreakClip,
                        platform::kTextAlignmentLeft);
}
CGSize drawAtPoint(platform::Canvas* canvas, const ZAttributedString* text, CGPoint point, float width,
                   int lineBreakMode) {
  return drawAttributed(canvas, text, pointRect(point, width), 1, lineBreakMode, platform::kTextAlignmentLeft);
}
CGSize drawInRect(platform::Canvas* canvas, const ZAttributedString* text, const CGRect& rect) {
  return drawAttributed(canvas, text, rect, 0, platform::kLineBreakWordWrap, platform::kTextAlignmentLeft);
}
CGSize drawInRect(platform::Canvas* canvas, const ZAttributedString* text, const CGRect& rect,
                  int lineBreakMode) {
  return drawAttributed(canvas, text, rect, 0, lineBreakMode, platform::kTextAlignmentLeft);
}
CGSize drawInRect(platform::Canvas* canvas, const ZAttributedString* text, const CGRect& rect,
                  int lineBreakMode, int alignment) {
  return drawAttributed(canvas, text, rect, 0, lineBreakMode, alignment);
}
CGSize drawInRect(platform::Canvas* canvas, const ZAttributedString* text, const CGRect& rect,
                  int lineBreakMode, int alignment, unsigned numberOfLines) {
  return drawAttributed(canvas, text, rect, numberOfLines, lineBreakMode, alignment);
}
