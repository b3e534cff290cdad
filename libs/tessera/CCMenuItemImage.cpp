#include "tessera/CCMenuItemImage.h"

#include "platform/Log.h"
#include "tessera/CCSprite.h"
#include "tessera/ccMacros.h"

namespace {

// The sprite of `file`, or nullptr with `ok` cleared when a named file can't
// be loaded. An empty name is no image.
CCSprite* spriteFromFile(const std::string& file, bool& ok) {
  if (file.empty()) return nullptr;
  CCSprite* sprite = CCSprite::spriteWithFile(file);
  if (sprite == nullptr) {
    CCLOG("tessera: CCMenuItemImage: cannot load the image '%s'", file.c_str());
    ok = false;
  }
  return sprite;
}

}  // namespace

CCMenuItemImage* CCMenuItemImage::itemFromNormalImage(const std::string& normal, const std::string& selected) {
  return itemFromNormalImage(normal, selected, std::string(), nullptr, platform::Selector());
}

CCMenuItemImage* CCMenuItemImage::itemFromNormalImage(const std::string& normal, const std::string& selected,
                                                      platform::Object* target,
                                                      const platform::Selector& selector) {
  return itemFromNormalImage(normal, selected, std::string(), target, selector);
}

CCMenuItemImage* CCMenuItemImage::itemFromNormalImage(const std::string& normal, const std::string& selected,
                                                      const std::string& disabled) {
  return itemFromNormalImage(normal, selected, disabled, nullptr, platform::Selector());
}

CCMenuItemImage* CCMenuItemImage::itemFromNormalImage(const std::string& normal, const std::string& selected,
                                                      const std::string& disabled, platform::Object* target,
                                                      const platform::Selector& selector) {
  return platform::createAutoreleased<CCMenuItemImage>(
      [&](CCMenuItemImage& item) { return item.initFromNormalImage(normal, selected, disabled, target, selector); });
}

CCMenuItemImage* CCMenuItemImage::itemFromNormalImage(const std::string& normal, const std::string& selected,
                                                      Block block) {
  return itemFromNormalImage(normal, selected, std::string(), std::move(block));
}

CCMenuItemImage* CCMenuItemImage::itemFromNormalImage(const std::string& normal, const std::string& selected,
                                                      const std::string& disabled, Block block) {
  return platform::createAutoreleased<CCMenuItemImage>([&](CCMenuItemImage& item) {
    return item.initFromNormalImage(normal, selected, disabled, std::move(block));
  });
}

bool CCMenuItemImage::initFromNormalImage(const std::string& normal, const std::string& selected,
                                          const std::string& disabled, platform::Object* target,
                                          const platform::Selector& selector) {
  return initWithTarget(target, selector) && loadImages(normal, selected, disabled);
}

bool CCMenuItemImage::initFromNormalImage(const std::string& normal, const std::string& selected,
                                          const std::string& disabled, Block block) {
  return initWithBlock(std::move(block)) && loadImages(normal, selected, disabled);
}

bool CCMenuItemImage::loadImages(const std::string& normal, const std::string& selected,
                                 const std::string& disabled) {
  bool ok = true;
  CCSprite* normalSprite = spriteFromFile(normal, ok);
  if (normalSprite == nullptr) {
    if (normal.empty()) CCLOG("tessera: CCMenuItemImage: no normal image named");
    return false;
  }
  CCSprite* selectedSprite = spriteFromFile(selected, ok);
  CCSprite* disabledSprite = spriteFromFile(disabled, ok);
  return ok && initImages(normalSprite, selectedSprite, disabledSprite);
}
