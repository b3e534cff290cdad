#pragma once
// CCMenuItemAtlasFont: a label item whose label is a character-map label
// (CCLabelAtlas) made from a string and a character-map image.

#include "tessera/CCMenuItemLabel.h"

#include <string>

/// A label item whose label is a character-map label (CCLabelAtlas) made from a
/// string and a character-map image.
///
/// Main thread only.
class CCMenuItemAtlasFont : public CCMenuItemLabel {
  PLATFORM_CLASS(CCMenuItemAtlasFont, CCMenuItemLabel)

 public:
  /// A new autoreleased item showing `value` from `charMapFile` (cells of
  /// `itemWidth` × `itemHeight` points starting at `startCharMap`); nullptr
  /// when the character map can't be loaded. An empty value fails "value
  /// length must be greater than 0".
  /// \param value the text, UTF-8; must not be empty.
  /// \param charMapFile the character-map image, looked up like any resource.
  /// \param itemWidth the width of a cell, points.
  /// \param itemHeight the height of a cell, points.
  /// \param startCharMap the character in the first cell.
  static CCMenuItemAtlasFont* itemFromString(const std::string& value, const std::string& charMapFile,
                                             int itemWidth, int itemHeight, char startCharMap);
  /// \overload
  /// \param value the text, UTF-8; must not be empty.
  /// \param charMapFile the character-map image, looked up like any resource.
  /// \param itemWidth the width of a cell, points.
  /// \param itemHeight the height of a cell, points.
  /// \param startCharMap the character in the first cell.
  /// \param target the object to call when the item is activated (not
  ///   retained), or nullptr.
  /// \param selector a void(CCMenuItem*) method of `target`, made with
  ///   menu_selector().
  static CCMenuItemAtlasFont* itemFromString(const std::string& value, const std::string& charMapFile,
                                             int itemWidth, int itemHeight, char startCharMap,
                                             platform::Object* target, const platform::Selector& selector);
  /// \overload
  /// \param value the text, UTF-8; must not be empty.
  /// \param charMapFile the character-map image, looked up like any resource.
  /// \param itemWidth the width of a cell, points.
  /// \param itemHeight the height of a cell, points.
  /// \param startCharMap the character in the first cell.
  /// \param block the function to call with the item when it is activated.
  static CCMenuItemAtlasFont* itemFromString(const std::string& value, const std::string& charMapFile,
                                             int itemWidth, int itemHeight, char startCharMap, Block block);

  CCMenuItemAtlasFont() = default;

  /// A label item showing `value` in a new CCLabelAtlas.
  /// \param value the text, UTF-8; must not be empty.
  /// \param charMapFile the character-map image, looked up like any resource.
  /// \param itemWidth the width of a cell, points.
  /// \param itemHeight the height of a cell, points.
  /// \param startCharMap the character in the first cell.
  /// \param target the object to call when the item is activated (not
  ///   retained), or nullptr.
  /// \param selector a void(CCMenuItem*) method of `target`, made with
  ///   menu_selector().
  virtual bool initFromString(const std::string& value, const std::string& charMapFile, int itemWidth,
                              int itemHeight, char startCharMap, platform::Object* target,
                              const platform::Selector& selector);
  /// A label item showing `value` in a new CCLabelAtlas.
  /// \param value the text, UTF-8; must not be empty.
  /// \param charMapFile the character-map image, looked up like any resource.
  /// \param itemWidth the width of a cell, points.
  /// \param itemHeight the height of a cell, points.
  /// \param startCharMap the character in the first cell.
  /// \param block the function to call with the item when it is activated.
  virtual bool initFromString(const std::string& value, const std::string& charMapFile, int itemWidth,
                              int itemHeight, char startCharMap, Block block);
};
