#pragma once
// CCLabelAtlas: a label whose characters are cells of a character-map image.

#include "tessera/CCAtlasNode.h"
#include "tessera/CCProtocols.h"

#include <string>

/// A label whose characters are cells of a character-map image.
///
/// The image is a grid of equal cells, row by row from the top left, holding
/// the characters in code order from startCharMap on: character c shows cell
/// (c - startCharMap) mod 256. Text is kept as UTF-16 code units; each unit
/// picks its cell by its low byte. Characters below startCharMap wrap to high
/// cell numbers, and cells beyond the image give texture coordinates outside
/// the image (drawn with the texture's wrap mode).
///
/// Each character is one quad of the atlas, laid out left to right from the
/// origin; the content size is (length × cell width, cell height) in pixels.
/// The atlas grows to fit a longer text and never shrinks; only as many quads
/// as the current text has characters are drawn.
///
/// The director's frames-per-second readout is one of these.
///
/// Main thread only.
class CCLabelAtlas : public CCAtlasNode, public CCLabelProtocol {
  PLATFORM_CLASS(CCLabelAtlas, CCAtlasNode)

 public:
  // [SECTION] Creation

  /// A new autoreleased label showing `text`, or nullptr when the character
  /// map can't be loaded. Cell sizes are in points.
  /// \param text the text, UTF-8.
  /// \param charMapFile the character-map image, looked up like any resource.
  /// \param itemWidth the width of a cell.
  /// \param itemHeight the height of a cell.
  /// \param startCharMap the character in the first cell.
  static CCLabelAtlas* labelWithString(const std::string& text, const std::string& charMapFile, int itemWidth,
                                       int itemHeight, char startCharMap);
  /// The older name of labelWithString().
  /// \param text the text, UTF-8.
  /// \param charMapFile the character-map image, looked up like any resource.
  /// \param itemWidth the width of a cell.
  /// \param itemHeight the height of a cell.
  /// \param startCharMap the character in the first cell.
  static CCLabelAtlas* labelAtlasWithString(const std::string& text, const std::string& charMapFile,
                                            int itemWidth, int itemHeight, char startCharMap);
  static CCLabelAtlas* atlasWithTileFile(const std::string&, int, int, int) = delete;

  CCLabelAtlas() = default;

  /// An atlas node on `charMapFile` with room for as many quads as `text`
  /// has characters, then setString(text). False when the character map
  /// can't be loaded.
  /// \param text the text, UTF-8.
  /// \param charMapFile the character-map image, looked up like any resource.
  /// \param itemWidth the width of a cell.
  /// \param itemHeight the height of a cell.
  /// \param startCharMap the character in the first cell.
  virtual bool initWithString(const std::string& text, const std::string& charMapFile, int itemWidth,
                              int itemHeight, char startCharMap);

  // [SECTION] Text (CCLabelProtocol)

  /// Replaces the text (UTF-8; invalid sequences become U+FFFD), growing the
  /// atlas to exactly its length when it has fewer quads in use, refills the
  /// quads and sets the content size.
  void setString(const std::string& text) override;
  /// The text, UTF-8.
  std::string string() const override;
  /// The text as UTF-16 code units, one per character cell.
  const std::u16string& utf16String() const { return string_; }
  /// The character of the image's first cell.
  char mapStartChar() const { return mapStartChar_; }

  // [SECTION] Quads and drawing

  /// One quad per character: cell (c - startCharMap) mod 256 of the image,
  /// placed at (index × cell width, 0) in pixels.
  void updateAtlasValues() override;
  /// Draws as many quads as the text has characters.
  void draw() override;

 protected:
  /// dealloc: releases the text.
  ~CCLabelAtlas() override;

 private:
  std::u16string string_;
  char mapStartChar_ = 0;
};
