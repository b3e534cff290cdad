#pragma once
// CCMenuItemAtlasFont: a label item whose label is a character-map label
// (CCLabelAtlas) made from a string and a character-map image.
//
// Main thread only.

#include "tessera/CCMenuItemLabel.h"

#include <string>

class CCMenuItemAtlasFont : public CCMenuItemLabel {
  PLATFORM_CLASS(CCMenuItemAtlasFont, CCMenuItemLabel)

 public:
  /// A new autoreleased item showing `value` from `charMapFile` (cells of
  /// `itemWidth` × `itemHeight` points starting at `startCharMap`); nullptr
  /// when the character map can't be loaded. An empty value fails "value
  /// length must be greater than 0".
  static CCMenuItemAtlasFont* itemFromString(const std::string& value, const std::string& charMapFile,
                                             int itemWidth, int itemHeight, char startCharMap);
  static CCMenuItemAtlasFont* itemFromString(const std::string& value, const std::string& charMapFile,
                                             int itemWidth, int itemHeight, char startCharMap,
                                             platform::Object* target, const platform::Selector& selector);
  static CCMenuItemAtlasFont* itemFromString(const std::string& value, const std::string& charMapFile,
                                             int itemWidth, int itemHeight, char startCharMap, Block block);

  CCMenuItemAtlasFont() = default;

  virtual bool initFromString(const std::string& value, const std::string& charMapFile, int itemWidth,
                              int itemHeight, char startCharMap, platform::Object* target,
                              const platform::Selector& selector);
  virtual bool initFromString(const std::string& value, const std::string& charMapFile, int itemWidth,
                              int itemHeight, char startCharMap, Block block);
};
