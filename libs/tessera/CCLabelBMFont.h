#pragma once
// CCLabelBMFont: a text label drawn with a bitmap font (a ".fnt" description
// and its page image).

#include "platform/Ref.h"
#include "tessera/CCBMFontConfiguration.h"
#include "tessera/CCProtocols.h"
#include "tessera/CCSpriteBatchNode.h"
#include "tessera/CCTextureAtlas.h"
#include "tessera/Support/CCArray.h"
#include "tessera/ccTypes.h"

#include <cstdint>
#include <string>

/// A text label drawn with a bitmap font (a ".fnt" description and its page
/// image).
///
/// The label is a sprite batch node on the font's page image, and every
/// character of its text is one child sprite showing that character's
/// rectangle, so the whole label draws in one call. The sprite of the
/// character at UTF-16 index i has tag i. Sprites are made on demand and
/// reused by later texts; the label never removes them, a shorter text only
/// hides the surplus.
///
/// Layout, with L the font's line height and n the text's UTF-16 length: the
/// label is (longest line, L × lines) pixels, where a line feed starts a new
/// line unless it is the last code unit. The first line's band is the top
/// one; a glyph's top sits yOffset pixels below the top of its band and its
/// left edge xOffset pixels right of the pen. The pen moves by the glyph's
/// advance plus the kerning between the previous code unit and this one; the
/// first character of the text is kerned against 65535, and kerning carries
/// across line feeds. A character the font does not define draws nothing and
/// takes no room. The default anchor (0.5, 0.5) centres the label on its
/// position.
///
/// Fonts are shared: labels naming the same .fnt file use one parsed
/// configuration from the process-wide cache (CCBMFontConfiguration).
///
/// Any UTF-16 code unit the font defines is drawn, whatever its code; a
/// character outside the basic plane is two code units, which a font's ids
/// (Unicode code points) never match, so it draws nothing.
///
/// Cost: per character one glyph lookup (an index for codes below 2048, a
/// binary search among the font's higher codes otherwise) and one kerning
/// hash probe; no allocation. Changing the text reuses the sprites by index
/// and makes only the missing ones.
///
/// Main thread only.
class CCLabelBMFont : public CCSpriteBatchNode, public CCLabelProtocol, public CCRGBAProtocol {
  PLATFORM_CLASS(CCLabelBMFont, CCSpriteBatchNode)

 public:
  // [SECTION] Creation

  /// A new autoreleased label showing `text` (UTF-8) in the font `fntFile`,
  /// or nullptr when the label can't be made.
  /// \param text the text, UTF-8.
  /// \param fntFile the font description (.fnt, text or XML), looked up like any
  ///   resource.
  static CCLabelBMFont* labelWithString(const std::string& text, const std::string& fntFile);
  /// The older name of labelWithString().
  /// \param text the text, UTF-8.
  /// \param fntFile the font description (.fnt, text or XML), looked up like any
  ///   resource.
  static CCLabelBMFont* bitmapFontAtlasWithString(const std::string& text, const std::string& fntFile);

  // A label is made from a text and a font, never from an image alone.
  static CCLabelBMFont* node() = delete;
  static CCSpriteBatchNode* batchNodeWithFile(const std::string&, std::uint32_t = 0) = delete;
  static CCSpriteBatchNode* batchNodeWithTexture(CCTexture2D*, std::uint32_t = 0) = delete;
  static CCSpriteBatchNode* spriteSheetWithFile(const std::string&, std::uint32_t = 0) = delete;
  static CCSpriteBatchNode* spriteSheetWithTexture(CCTexture2D*, std::uint32_t = 0) = delete;

  /// Drops every cached font configuration (labels keep theirs), so the next
  /// label on a font reads its file again.
  static void purgeCachedData();

  CCLabelBMFont() = default;

  /// Takes the configuration of `fntFile` from the cache, becomes a batch
  /// node on its page image with room for as many sprites as `text` has
  /// UTF-16 code units, opaque white, opacityModifyRGB as the page's
  /// premultiplied-alpha flag, anchor (0.5, 0.5), then setString(text).
  /// False, with a logged error naming the file, when the font file can't be
  /// read or is refused ("Error creating config for BitmapFontAtlas from
  /// ...") or its page image can't be loaded. May run again on a live label.
  /// \param text the text, UTF-8.
  /// \param fntFile the font description (.fnt, text or XML), looked up like any
  ///   resource.
  virtual bool initWithString(const std::string& text, const std::string& fntFile);

  // [SECTION] Text (CCLabelProtocol)

  /// Stores the text (UTF-8; invalid sequences become U+FFFD), hides every
  /// child and lays the text out.
  void setString(const std::string& text) override;
  /// setString() of a NUL-terminated UTF-8 byte string; nullptr is the
  /// empty text.
  void setCString(const char* text);
  /// The text, UTF-8.
  std::string string() const override;
  /// The text as UTF-16 code units (the unit at index i is the sprite with
  /// tag i).
  const std::u16string& utf16String() const { return string_; }

  /// The font (retained).
  CCBMFontConfiguration* configuration() const { return configuration_.get(); }
  /// The kerning stored for the pair (first, second), or 0.
  /// \param first the UTF-16 unit on the left.
  /// \param second the UTF-16 unit on the right.
  /// \return the amount the font file gives the pair, or 0.
  int kerningAmountForFirst(std::uint16_t first, std::uint16_t second) const;

  /// Lays the text out (see the class comment): positions, shows and colours
  /// the sprites of tags 0 .. n - 1, making the missing ones, and sets the
  /// content size. An empty text changes nothing.
  void createFontChars();

  // [SECTION] Colour (CCRGBAProtocol)

  /// Stores the colour and gives it to every child.
  void setColor(const ccColor3B& color) override;
  ccColor3B color() const override { return color_; }
  GLubyte opacity() const override { return opacity_; }
  /// Stores the opacity and gives it to every child.
  void setOpacity(GLubyte opacity) override;
  /// Stores the flag and gives it to every child.
  void setOpacityModifyRGB(bool modify) override;
  bool doesOpacityModifyRGB() const override { return opacityModifyRGB_; }

  // [SECTION] Node overrides

  /// The current anchor point changes nothing; otherwise the node behaviour,
  /// then the text is laid out again.
  void setAnchorPoint(CGPoint anchorPoint) override;

 protected:
  /// dealloc: releases the text and the configuration.
  ~CCLabelBMFont() override;

 private:
  std::u16string string_;
  platform::Ref<CCBMFontConfiguration> configuration_;
  GLubyte opacity_ = 255;
  ccColor3B color_ = ccWHITE;
  bool opacityModifyRGB_ = false;
};
