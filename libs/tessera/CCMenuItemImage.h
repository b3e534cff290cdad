#pragma once
// CCMenuItemImage: a sprite item whose images are sprites made from image
// files (looked up like any sprite file, "-hd" variants included).

#include "tessera/CCMenuItemSprite.h"

#include <string>

/// A sprite item whose images are sprites made from image files (looked up like
/// any sprite file, "-hd" variants included).
///
/// Main thread only.
class CCMenuItemImage : public CCMenuItemSprite {
  PLATFORM_CLASS(CCMenuItemImage, CCMenuItemSprite)

 public:
  /// An empty selected or disabled name means no such image. Returns nullptr,
  /// with a log line naming the file, when an image can't be loaded.
  /// \param normal the image file shown normally.
  /// \param selected the image file shown while pressed; empty for none.
  static CCMenuItemImage* itemFromNormalImage(const std::string& normal, const std::string& selected);
  /// \overload
  /// \param normal the image file shown normally.
  /// \param selected the image file shown while pressed; empty for none.
  /// \param target the object to call when the item is activated (not
  ///   retained), or nullptr.
  /// \param selector a void(CCMenuItem*) method of `target`, made with
  ///   menu_selector().
  static CCMenuItemImage* itemFromNormalImage(const std::string& normal, const std::string& selected,
                                              platform::Object* target, const platform::Selector& selector);
  /// \overload
  /// \param normal the image file shown normally.
  /// \param selected the image file shown while pressed; empty for none.
  /// \param disabled the image file shown while disabled; empty for none.
  static CCMenuItemImage* itemFromNormalImage(const std::string& normal, const std::string& selected,
                                              const std::string& disabled);
  /// \overload
  /// \param normal the image file shown normally.
  /// \param selected the image file shown while pressed; empty for none.
  /// \param disabled the image file shown while disabled; empty for none.
  /// \param target the object to call when the item is activated (not
  ///   retained), or nullptr.
  /// \param selector a void(CCMenuItem*) method of `target`, made with
  ///   menu_selector().
  static CCMenuItemImage* itemFromNormalImage(const std::string& normal, const std::string& selected,
                                              const std::string& disabled, platform::Object* target,
                                              const platform::Selector& selector);
  /// \overload
  /// \param normal the image file shown normally.
  /// \param selected the image file shown while pressed; empty for none.
  /// \param block the function to call with the item when it is activated.
  static CCMenuItemImage* itemFromNormalImage(const std::string& normal, const std::string& selected, Block block);
  /// \overload
  /// \param normal the image file shown normally.
  /// \param selected the image file shown while pressed; empty for none.
  /// \param disabled the image file shown while disabled; empty for none.
  /// \param block the function to call with the item when it is activated.
  static CCMenuItemImage* itemFromNormalImage(const std::string& normal, const std::string& selected,
                                              const std::string& disabled, Block block);

  CCMenuItemImage() = default;

  /// A sprite item whose images are new sprites of the named files. False, with
  /// a log line naming the file, when an image can't be loaded.
  /// \param normal the image file shown normally.
  /// \param selected the image file shown while pressed; empty for none.
  /// \param disabled the image file shown while disabled; empty for none.
  /// \param target the object to call when the item is activated (not
  ///   retained), or nullptr.
  /// \param selector a void(CCMenuItem*) method of `target`, made with
  ///   menu_selector().
  virtual bool initFromNormalImage(const std::string& normal, const std::string& selected,
                                   const std::string& disabled, platform::Object* target,
                                   const platform::Selector& selector);
  /// A sprite item whose images are new sprites of the named files. False, with
  /// a log line naming the file, when an image can't be loaded.
  /// \param normal the image file shown normally.
  /// \param selected the image file shown while pressed; empty for none.
  /// \param disabled the image file shown while disabled; empty for none.
  /// \param block the function to call with the item when it is activated.
  virtual bool initFromNormalImage(const std::string& normal, const std::string& selected,
                                   const std::string& disabled, Block block);

 private:
  bool loadImages(const std::string& normal, const std::string& selected, const std::string& disabled);
};
