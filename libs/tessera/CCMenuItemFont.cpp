#include "tessera/CCMenuItemFont.h"

#include "platform/Assert.h"
#include "tessera/CCLabelTTF.h"

namespace {

std::string& menuFontName() {
  static std::string name = "Marker Felt";
  return name;
}

float menuFontSize = 32;

CCLabelTTF* makeLabel(const std::string& value) {
  CCAssert(!value.empty(), "Value length must be greater than 0");
  if (value.empty()) return nullptr;
  return CCLabelTTF::labelWithString(value, menuFontName(), menuFontSize);
}

}  // namespace

CCMenuItemFont* CCMenuItemFont::itemFromString(const std::string& value) {
  return itemFromString(value, nullptr, platform::Selector());
}

CCMenuItemFont* CCMenuItemFont::itemFromString(const std::string& value, platform::Object* target,
                                               const platform::Selector& selector) {
  return platform::createAutoreleased<CCMenuItemFont>(
      [&](CCMenuItemFont& item) { return item.initFromString(value, target, selector); });
}

CCMenuItemFont* CCMenuItemFont::itemFromString(const std::string& value, Block block) {
  return platform::createAutoreleased<CCMenuItemFont>(
      [&](CCMenuItemFont& item) { return item.initFromString(value, std::move(block)); });
}

const std::string& CCMenuItemFont::fontName() { return menuFontName(); }

void CCMenuItemFont::setFontName(const std::string& name) { menuFontName() = name; }

float CCMenuItemFont::fontSize() { return menuFontSize; }

void CCMenuItemFont::setFontSize(float size) { menuFontSize = size; }

bool CCMenuItemFont::initFromString(const std::string& value, platform::Object* target,
                                    const platform::Selector& selector) {
  CCLabelTTF* label = makeLabel(value);
  return label != nullptr && initWithLabel(label, target, selector);
}

bool CCMenuItemFont::initFromString(const std::string& value, Block block) {
  CCLabelTTF* label = makeLabel(value);
  return label != nullptr && initWithLabel(label, std::move(block));
}
