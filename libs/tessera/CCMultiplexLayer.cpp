#include "tessera/CCMultiplexLayer.h"

#include "platform/Assert.h"

namespace {

// Room for a typical set of menus without growing.
constexpr std::size_t kLayersCapacity = 5;

}  // namespace

// [SECTION] Creation

CCMultiplexLayer* CCMultiplexLayer::layerWithLayers(std::initializer_list<CCLayer*> layers) {
  return platform::createAutoreleased<CCMultiplexLayer>([&](CCMultiplexLayer& multiplex) {
    return multiplex.initWithLayers(std::vector<CCLayer*>(layers));
  });
}

bool CCMultiplexLayer::initWithLayers(std::vector<CCLayer*> layers) {
  if (!CCLayer::init()) return false;
  layers_.clear();
  layers_.reserve(kLayersCapacity);
  for (CCLayer* layer : layers) {
    if (layer == nullptr) break;
    layers_.emplace_back(layer);
  }
  // Without a first layer there is nothing to show.
  if (layers_.empty()) return false;
  enabledLayer_ = 0;
  addChild(layers_[enabledLayer_]);
  return true;
}

// [SECTION] Switching

void CCMultiplexLayer::switchTo(std::uint32_t n) {
  CCAssert(n < layers_.size(), "Invalid index in MultiplexLayer switchTo message");
  if (n >= layers_.size()) return;
  removeChild(layers_[enabledLayer_], true);
  enabledLayer_ = n;
  addChild(layers_[n]);
}

void CCMultiplexLayer::switchToAndReleaseMe(std::uint32_t n) {
  CCAssert(n < layers_.size(), "Invalid index in MultiplexLayer switchTo message");
  if (n >= layers_.size()) return;
  removeChild(layers_[enabledLayer_], true);
  layers_[enabledLayer_] = nullptr;
  enabledLayer_ = n;
  addChild(layers_[n]);
}
