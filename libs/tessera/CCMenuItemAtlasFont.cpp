#include "tessera/CCMenuItemAtlasFont.h"

#include "platform/Assert.h"
#include "tessera/CCLabelAtlas.h"

namespace {

CCLabelAtlas* makeLabel(const std::string& value, const std::string& charMapFile, int itemWidth, int itemHeight,
                        char startCharMap) {
  CCAssert(!value.empty(), "value length must be greater than 0");
  if (value.empty()) return nullptr;
  return CCLabelAtlas::labelWithString(value, charMapFile, itemWidth, itemHeight, startCharMap);
}

}  // namespace

CCMenuItemAtlasFont* CCMenuItemAtlasFont::itemFromString(const std::string& value, const std::string& charMapFile,
                                                         int itemWidth, int itemHeight, char startCharMap) {
  return itemFromString(value, charMapFile, itemWidth, itemHeight, startCharMap, nullptr, platform::Selector());
}

CCMenuItemAtlasFont* CCMenuItemAtlasFont::itemFromString(const std::string& value, const std::string& charMapFile,
                                                         int itemWidth, int itemHeight, char startCharMap,
                                                         platform::Object* target,
                                                         const platform::Selector& selector) {
  return platform::createAutoreleased<CCMenuItemAtlasFont>([&](CCMenuItemAtlasFont& item) {
    return item.initFromString(value, charMapFile, itemWidth, itemHeight, startCharMap, target, selector);
  });
}

CCMenuItemAtlasFont* CCMenuItemAtlasFont::itemFromString(const std::string& value, const std::string& charMapFile,
                                                         int itemWidth, int itemHeight, char startCharMap,
                                                         Block block) {
  return platform::createAutoreleased<CCMenuItemAtlasFont>([&](CCMenuItemAtlasFont& item) {
    return item.initFromString(value, charMapFile, itemWidth, itemHeight, startCharMap, std::move(block));
  });
}

bool CCMenuItemAtlasFont::initFromString(const std::string& value, const std::string& charMapFile, int itemWidth,
                                         int itemHeight, char startCharMap, platform::Object* target,
                                         const platform::Selector& selector) {
  CCLabelAtlas* label = makeLabel(value, charMapFile, itemWidth, itemHeight, startCharMap);
  return label != nullptr && initWithLabel(label, target, selector);
}

bool CCMenuItemAtlasFont::initFromString(const std::string& value, const std::string& charMapFile, int itemWidth,
                                         int itemHeight, char startCharMap, Block block) {
  CCLabelAtlas* label = makeLabel(value, charMapFile, itemWidth, itemHeight, startCharMap);
  return label != nullptr && initWithLabel(label, std::move(block));
}
