#pragma once
// Label: a view that shows one or more lines of read-only text in a system
// font (Font.h), drawn with the platform's string drawing (StringDrawing.h).

#include "platform/Canvas.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/Geometry.h"
#include "platform/Image.h"
#include "platform/Ref.h"
#include "platform/View.h"

#include <optional>
#include <string>

namespace platform {

/// Vertical adjustment of a one-line text drawn in a smaller font.
enum BaselineAdjustment : int {
  kBaselineAdjustmentAlignBaselines = 0,
  kBaselineAdjustmentAlignCenters = 1,
};

/// A view that shows one or more lines of read-only text in a system font
/// (Font.h), drawn with the platform's string drawing (StringDrawing.h).
///
/// Drawing: drawRect() draws the text into a canvas whose CTM makes y grow
/// downward with the view's bounds at the user-space origin; the default draws
/// drawTextInRect(canvas, bounds). Subclasses that draw text another way
/// override textRectForBounds() and drawTextInRect(). A label placed inside
/// the GL view (a subview of it, or deeper) is shown above the GL drawing as a
/// view overlay (ViewOverlays.h): its picture is drawn on first need after
/// setNeedsDisplay() (or a change of size) and kept until the next one.
/// Every property change that alters the picture calls setNeedsDisplay().
///
/// Default drawing, in the rectangle (x, y, w, h):
///  - fill colour: the highlighted text colour (white when none) while
///    highlighted, otherwise the text colour (black by default);
///  - one line (numberOfLines 1): the line is centred vertically by the font's
///    line height. With adjustsFontSizeToFitWidth on, a text wider than w is
///    drawn in a smaller font, w ÷ text width × the size, but not below
///    minimumFontSize (nor 1 point); the baseline adjustment then keeps the
///    baseline (0) or the centre of the line (1) where the full-size font had
///    it. The line is placed by the alignment and drawn within w in the line
///    break mode;
///  - several lines: measured within (w, h) (at most numberOfLines lines of
///    the font's line height when numberOfLines > 0), centred vertically and
///    drawn in that box with the alignment and line break mode.
///
/// Cost: a picture is drawn only when the label changed; one RGBA buffer of
/// bounds × content scale per redraw.
class Label : public View {
  PLATFORM_CLASS(Label, View)
 public:
  /// An autoreleased label with `frame`.
  static Label* labelWithFrame(const CGRect& frame);

  Label() = default;

  /// A view with `frame`, no text, the system font at 17 points, black text,
  /// left aligned, tail truncation, one line.
  bool initWithFrame(const CGRect& frame) override;

  // [SECTION] Properties. Setters mark the label for redrawing when the value changes.

  /// The text (UTF-8). Default empty.
  const std::string& text() const { return text_; }
  void setText(const std::string& text);
  /// The font. Default the system font at 17 points. nullptr restores it.
  Font* font() const { return font_.get(); }
  void setFont(Font* font);
  /// Default opaque black.
  const Color& textColor() const { return textColor_; }
  void setTextColor(const Color& color);
  /// The text colour while highlighted; none by default (white is used).
  const std::optional<Color>& highlightedTextColor() const { return highlightedTextColor_; }
  void setHighlightedTextColor(const std::optional<Color>& color);
  bool isHighlighted() const { return highlighted_; }
  void setHighlighted(bool highlighted);
  /// 0 left, 1 centre, 2 right (TextAlignment). Default left.
  int textAlignment() const { return textAlignment_; }
  void setTextAlignment(int alignment);
  /// LineBreakMode. Default tail truncation.
  int lineBreakMode() const { return lineBreakMode_; }
  void setLineBreakMode(int mode);
  /// Maximum number of lines; 0 means no limit. Default 1.
  int numberOfLines() const { return numberOfLines_; }
  void setNumberOfLines(int lines);
  /// Shrink one-line text to fit the width (down to minimumFontSize). Default off.
  bool adjustsFontSizeToFitWidth() const { return adjustsFontSizeToFitWidth_; }
  void setAdjustsFontSizeToFitWidth(bool adjusts);
  /// Default 0.
  float minimumFontSize() const { return minimumFontSize_; }
  void setMinimumFontSize(float size);
  /// BaselineAdjustment. Default align baselines.
  int baselineAdjustment() const { return baselineAdjustment_; }
  void setBaselineAdjustment(int adjustment);

  // [SECTION] Drawing

  /// The rectangle the text takes inside `bounds` with at most
  /// `numberOfLines` lines (0: no limit), at the bounds' origin.
  virtual CGRect textRectForBounds(const CGRect& bounds, int numberOfLines) const;
  /// Draws the text into `rect` of `canvas` (y down).
  virtual void drawTextInRect(Canvas* canvas, const CGRect& rect);
  /// Draws the view's content: drawTextInRect(canvas, bounds()).
  virtual void drawRect(Canvas* canvas, const CGRect& rect);

  /// Marks the label for redrawing; its picture is drawn again on next need.
  void setNeedsDisplay();
  /// Whether a redraw is pending.
  bool needsDisplay() const { return needsDisplay_; }
  /// The label's picture (bounds × content scale pixels, RGBA premultiplied,
  /// transparent where nothing is drawn), drawn first if a redraw is
  /// pending; nullptr for an empty bounds.
  Image* displayedImage();

 protected:
  /// dealloc: leaves the list of shown labels.
  ~Label() override;

 private:
  std::string text_;
  Ref<Font> font_;
  Color textColor_ = Color::black();
  std::optional<Color> highlightedTextColor_;
  bool highlighted_ = false;
  int textAlignment_ = 0;
  int lineBreakMode_ = 4;
  int numberOfLines_ = 1;
  bool adjustsFontSizeToFitWidth_ = false;
  float minimumFontSize_ = 0;
  int baselineAdjustment_ = 0;

  bool needsDisplay_ = true;
  Ref<Image> image_;
  CGSize imageSize_{};
};

}  // namespace platform
