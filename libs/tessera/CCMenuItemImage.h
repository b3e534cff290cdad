#pragma once
// CCMenuItemImage: a sprite item whose images are sprites made from image
// files (looked up like any sprite file, "-hd" variants included).
//
// Main thread only.

#include "tessera/CCMenuItemSprite.h"

#include <string>

class CCMenuItemImage : public CCMenuItemSprite {
  PLATFORM_CLASS(CCMenuItemImage, CCMenuItemSprite)

 public:
  /// An empty selected or disabled name means no such image. Returns nullptr,
  /// with a log line naming the file, when an image can't be loaded.
  static CCMenuItemImage* itemFromNormalImage(const std::string& normal, const std::string& selected);
  static CCMenuItemImage* itemFromNormalImage(const std::string& normal, const std::string& selected,
                                              platform::Object* target, const platform::Selector& selector);
  static CCMenuItemImage* itemFromNormalImage(const std::string& normal, const std::string& selected,
                                              const std::string& disabled);
  static CCMenuItemImage* itemFromNormalImage(const std::string& normal, const std::string& selected,
                                              const std::string& disabled, platform::Object* target,
                                              const platform::Selector& selector);
  static CCMenuItemImage* itemFromNormalImage(const std::string& normal, const std::string& selected, Block block);
  static CCMenuItemImage* itemFromNormalImage(const std::string& normal, const std::string& selected,
                                              const std::string& disabled, Block block);

  CCMenuItemImage() = default;

  virtual bool initFromNormalImage(const std::string& normal, const std::string& selected,
                                   const std::string& disabled, platform::Object* target,
                                   const platform::Selector& selector);
  virtual bool initFromNormalImage(const std::string& normal, const std::string& selected,
                                   const std::string& disabled, Block block);

 private:
  bool loadImages(const std::string& normal, const std::string& selected, const std::string& disabled);
};
