#pragma once
// CCMenuItemFont: a label item whose label is a CCLabelTTF in the class-wide
// menu font: "Marker Felt" (an alias of an installed sans-serif family) at
// 32 points until setFontName() and setFontSize() change them for the items
// made afterwards.
//
// Main thread only.

#include "tessera/CCMenuItemLabel.h"

#include <string>

class CCMenuItemFont : public CCMenuItemLabel {
  PLATFORM_CLASS(CCMenuItemFont, CCMenuItemLabel)

 public:
  /// A new autoreleased item showing `value` in the menu font. An empty
  /// value fails "Value length must be greater than 0" and gives nullptr.
  static CCMenuItemFont* itemFromString(const std::string& value);
  static CCMenuItemFont* itemFromString(const std::string& value, platform::Object* target,
                                        const platform::Selector& selector);
  static CCMenuItemFont* itemFromString(const std::string& value, Block block);

  /// The class-wide font name and size (points) of new items.
  static const std::string& fontName();
  static void setFontName(const std::string& name);
  static float fontSize();
  static void setFontSize(float size);

  CCMenuItemFont() = default;

  virtual bool initFromString(const std::string& value, platform::Object* target,
                              const platform::Selector& selector);
  virtual bool initFromString(const std::string& value, Block block);
};
