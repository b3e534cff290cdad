#pragma once
// ZLabel: the platform label view (platform::Label) drawing its text in a
// custom font (ZFont) or as an attributed string (ZAttributedString) through
// the custom-font text layout (ZFontStringDrawing.h). Without a custom font
// and without attributed text it measures and draws exactly like the
// platform label.

#include "platform/Canvas.h"
#include "platform/FontFace.h"
#include "platform/Geometry.h"
#include "platform/Label.h"
#include "platform/Ref.h"
#include "zfont/ZAttributedString.h"
#include "zfont/ZFont.h"

#include <string>

/// The platform label view (platform::Label) drawing its text in a custom font
/// (ZFont) or as an attributed string (ZAttributedString) through the
/// custom-font text layout (ZFontStringDrawing.h). Without a custom font and without
/// attributed text it measures and draws exactly like the platform label.
///
/// Attributed text wins over the font: it draws with its own fonts, colours,
/// backgrounds and underlines, centred vertically in the label, and while the
/// label is highlighted every range without a foreground colour is drawn
/// white. With a custom font only, the label's text is drawn in the label's
/// text colour (the highlighted colour while highlighted), one line centred by
/// the font's leading and shrunk to fit the width when asked, or several lines
/// centred as a block.
class ZLabel : public platform::Label {
  PLATFORM_CLASS(ZLabel, platform::Label)
 public:
  /// An autoreleased label with `frame` drawing in `font` (may be nullptr).
  /// \param frame the label's frame in its superview, points.
  /// \param font the font to draw in, or nullptr for the platform label's own
  ///   font.
  static ZLabel* labelWithFrame(const CGRect& frame, ZFont* font);
  /// An autoreleased label with the font manager's font `fontName` at
  /// `pointSize` (no custom font when the manager has none of that name).
  /// \param frame the label's frame in its superview, points.
  /// \param fontName a font the font manager loads by name.
  /// \param pointSize the size, points.
  static ZLabel* labelWithFrame(const CGRect& frame, const std::string& fontName, float pointSize);

  ZLabel() = default;

  using platform::Label::initWithFrame;
  /// The platform label with `frame`; retains `font`.
  /// \param frame the label's frame in its superview, points.
  /// \param font the font to draw in, or nullptr for the platform label's own
  ///   font.
  bool initWithFrame(const CGRect& frame, ZFont* font);
  /// The font from FontManager::zFontWithName(fontName, pointSize).
  /// \param frame the label's frame in its superview, points.
  /// \param fontName a font the font manager loads by name.
  /// \param pointSize the size, points.
  bool initWithFrame(const CGRect& frame, const std::string& fontName, float pointSize);
  /// A ZFont of the face `font` at `pointSize`.
  /// \param frame the label's frame in its superview, points.
  /// \param font the font to draw in, or nullptr for the platform label's own
  ///   font.
  /// \param pointSize the size, points.
  bool initWithFrame(const CGRect& frame, platform::FontFace* font, float pointSize);

  // [SECTION] Font and attributed text

  ZFont* zFont() const { return zFont_.get(); }
  /// Retains `font`; marks the label for redrawing when it changes.
  void setZFont(ZFont* font);
  /// The face of the custom font, or nullptr.
  platform::FontFace* cgFont() const;
  /// When `font` differs from the current face: the custom font becomes
  /// `font` at the current size (the platform font's size when there is no
  /// custom font yet).
  void setCGFont(platform::FontFace* font);
  /// The custom font's size, or 0 without one.
  float pointSize() const;
  /// When `pointSize` differs: the custom font becomes the current face at
  /// that size.
  void setPointSize(float pointSize);

  ZAttributedString* zAttributedText() const { return zAttributedText_.get(); }
  /// When `text` is another object than the one held: keeps a copy (an
  /// immutable string is its own copy, so setting it again changes nothing; a
  /// mutable one is snapshotted each time) and marks the label for redrawing.
  void setZAttributedText(ZAttributedString* text);

  // [SECTION] Drawing (the platform label's when neither is set)

  CGRect textRectForBounds(const CGRect& bounds, int numberOfLines) const override;
  void drawTextInRect(platform::Canvas* canvas, const CGRect& rect) override;

 protected:
  /// dealloc: releases the font and the attributed text.
  ~ZLabel() override = default;

 private:
  [[maybe_unused]] void* reserved_ = nullptr;  // kept free for subclasses' private use
  platform::Ref<ZFont> zFont_;
  platform::Ref<ZAttributedString> zAttributedText_;

  void drawAttributedText(platform::Canvas* canvas, const CGRect& rect);
  void drawCustomFontText(platform::Canvas* canvas, const CGRect& rect);
};
