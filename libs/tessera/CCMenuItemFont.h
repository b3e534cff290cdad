#pragma once
// CCMenuItemFont: a label item whose label is a CCLabelTTF in the class-wide
// menu font: "Marker Felt" (an alias of an installed sans-serif family) at
// 32 points until setFontName() and setFontSize() change them for the items
// made afterwards.

#include "tessera/CCMenuItemLabel.h"

#include <string>

/// A label item whose label is a CCLabelTTF in the class-wide menu font:
/// "Marker Felt" (an alias of an installed sans-serif family) at 32 points until
/// setFontName() and setFontSize() change them for the items made afterwards.
///
/// Main thread only.
class CCMenuItemFont : public CCMenuItemLabel {
  PLATFORM_CLASS(CCMenuItemFont, CCMenuItemLabel)

 public:
  /// A new autoreleased item showing `value` in the menu font. An empty
  /// value fails "Value length must be greater than 0" and gives nullptr.
  /// \param value the text, UTF-8; must not be empty.
  static CCMenuItemFont* itemFromString(const std::string& value);
  /// \overload
  /// \param value the text, UTF-8; must not be empty.
  /// \param target the object to call when the item is activated (not
  ///   retained), or nullptr.
  /// \param selector a void(CCMenuItem*) method of `target`, made with
  ///   menu_selector().
  static CCMenuItemFont* itemFromString(const std::string& value, platform::Object* target,
                                        const platform::Selector& selector);
  /// \overload
  /// \param value the text, UTF-8; must not be empty.
  /// \param block the function to call with the item when it is activated.
  static CCMenuItemFont* itemFromString(const std::string& value, Block block);

  /// The class-wide font name and size (points) of new items.
  static const std::string& fontName();
  static void setFontName(const std::string& name);
  static float fontSize();
  static void setFontSize(float size);

  CCMenuItemFont() = default;

  /// A label item showing `value` in a new CCLabelTTF of the class-wide font
  /// name and size.
  /// \param value the text, UTF-8; must not be empty.
  /// \param target the object to call when the item is activated (not
  ///   retained), or nullptr.
  /// \param selector a void(CCMenuItem*) method of `target`, made with
  ///   menu_selector().
  virtual bool initFromString(const std::string& value, platform::Object* target,
                              const platform::Selector& selector);
  /// A label item showing `value` in a new CCLabelTTF of the class-wide font
  /// name and size.
  /// \param value the text, UTF-8; must not be empty.
  /// \param block the function to call with the item when it is activated.
  virtual bool initFromString(const std::string& value, Block block);
};
