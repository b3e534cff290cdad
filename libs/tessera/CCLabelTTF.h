#pragma once
// CCLabelTTF: a sprite whose texture is its text rendered in a system font.

#include "platform/StringDrawing.h"
#include "tessera/CCProtocols.h"
#include "tessera/CCSprite.h"

#include <string>

/// Horizontal alignments of text in a label's box.
enum CCTextAlignment : int {
  kCCTextAlignmentLeft = platform::kTextAlignmentLeft,
  kCCTextAlignmentCenter = platform::kTextAlignmentCenter,
  kCCTextAlignmentRight = platform::kTextAlignmentRight,
};

/// A sprite whose texture is its text rendered in a system font.
///
/// Every setString() renders a new alpha-only texture (white text, coverage
/// in alpha) through CCTexture2D's text initialiser and shows it whole; the
/// previous texture is released. Rendered textures are not cached. This is the
/// most expensive label to change: use a bitmap-font or character-map label
/// for text that changes every frame.
///
/// Two layouts:
///  - without a box (dimensions zero), the texture is one line of text,
///    centred, as large as the text measures;
///  - with a box, the text is word-wrapped into the box and aligned left,
///    centre or right (platform::TextAlignment); lines that do not fit the
///    box's height are left out and the label keeps the box's size whatever
///    the text.
///
/// Dimensions and font size are given in points and stored in pixels (times
/// the content scale factor), so a label on a scale-2 screen renders at twice
/// the size and reports its content size in points.
///
/// A font name that is neither installed nor an alias of an installed family
/// gives no texture: the texture initialiser logs the name, and the label
/// shows nothing (content size zero) until a string is set with a known font.
///
/// Main thread only.
class CCLabelTTF : public CCSprite, public CCLabelProtocol {
  PLATFORM_CLASS(CCLabelTTF, CCSprite)

 public:
  // [SECTION] Creation

  /// A new autoreleased one-line label of `text` in `fontName` at `fontSize`
  /// points.
  /// \param text the text, UTF-8.
  /// \param fontName an installed font's name or family, or a custom font's file.
  /// \param fontSize the font size, points.
  static CCLabelTTF* labelWithString(const std::string& text, const std::string& fontName, float fontSize);
  /// A new autoreleased label of `text` laid out in a box of `dimensions`
  /// points with `alignment` (0 left, 1 centre, 2 right).
  /// \param text the text, UTF-8.
  /// \param dimensions the box's size, points.
  /// \param alignment 0 left, 1 centre, 2 right (platform::TextAlignment).
  /// \param fontName an installed font's name or family, or a custom font's file.
  /// \param fontSize the font size, points.
  static CCLabelTTF* labelWithString(const std::string& text, CGSize dimensions, int alignment,
                                     const std::string& fontName, float fontSize);

  /// Not supported: init() fails (see below).
  CC_NODE_FACTORY(CCLabelTTF)

  CCLabelTTF() = default;

  /// Not supported: fails "CCLabelTTF: Init not supported. Use initWithString"
  /// and returns false (so node() gives nullptr).
  bool init() override;
  /// A one-line label; the texture is rendered at once.
  /// \param text the text, UTF-8.
  /// \param fontName an installed font's name or family, or a custom font's file.
  /// \param fontSize the font size, points.
  virtual bool initWithString(const std::string& text, const std::string& fontName, float fontSize);
  /// A label laid out in a box; the texture is rendered at once.
  /// \param text the text, UTF-8.
  /// \param dimensions the box's size, points.
  /// \param alignment 0 left, 1 centre, 2 right (platform::TextAlignment).
  /// \param fontName an installed font's name or family, or a custom font's file.
  /// \param fontSize the font size, points.
  virtual bool initWithString(const std::string& text, CGSize dimensions, int alignment,
                              const std::string& fontName, float fontSize);

  // [SECTION] Text (CCLabelProtocol)

  /// Stores the text and renders a new texture for it, even when the text
  /// is unchanged; the texture rectangle becomes the whole new texture.
  void setString(const std::string& text) override;
  std::string string() const override { return string_; }

  // [SECTION] Properties

  /// The layout box in pixels; zero for a one-line label.
  CGSize dimensionsInPixels() const { return dimensions_; }
  int alignment() const { return alignment_; }
  const std::string& fontName() const { return fontName_; }
  /// The font size in pixels.
  float fontSizeInPixels() const { return fontSize_; }

  /// "<CCLabelTTF = ADDRESS | FontName = name, FontSize = pixels>".
  std::string description() const override;

 private:
  bool initLabel(const std::string& text, CGSize dimensions, int alignment, const std::string& fontName,
                 float fontSize);

  CGSize dimensions_{};
  int alignment_ = 1;
  std::string fontName_;
  float fontSize_ = 0;
  std::string string_;
};
