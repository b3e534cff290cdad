#pragma once
// CCMultiplexLayer: holds several layers and shows exactly one of them.

#include "platform/Ref.h"
#include "tessera/CCLayer.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

/// Holds several layers and shows exactly one of them.
///
/// The multiplexer owns every layer in its list; the one shown is also its
/// only child. Switching removes the shown layer with cleanup (its actions and
/// scheduled callbacks stop) and adds the chosen one.
///
/// Main thread only.
class CCMultiplexLayer : public CCLayer {
  PLATFORM_CLASS(CCMultiplexLayer, CCLayer)

 public:
  // [SECTION] Creation

  /// A multiplexer with no layers (layer init only); switchTo() has nothing
  /// to switch to.
  CC_NODE_FACTORY(CCMultiplexLayer)
  /// initWithLayers(layers), autoreleased; nullptr when it fails.
  /// \param layers the layers, up to the first nullptr.
  static CCMultiplexLayer* layerWithLayers(std::initializer_list<CCLayer*> layers);

  CCMultiplexLayer() = default;

  /// Layer init; takes `layers` up to the first nullptr (which ends the list)
  /// and retains them; shows the first (index 0) as the only child. Fails
  /// (returns false) when the list has no first layer.
  /// \param layers the layers, up to the first nullptr.
  virtual bool initWithLayers(std::vector<CCLayer*> layers);

  // [SECTION] Switching

  /// Removes the shown layer with cleanup and shows layer `n`; `n` may be the
  /// shown layer, which is then removed and added again. Expects n < the
  /// number of layers ("Invalid index in MultiplexLayer switchTo message");
  /// nothing changes when it is not.
  /// \param n the index of the layer to show.
  void switchTo(std::uint32_t n);
  /// As switchTo(n), but also gives up the list's reference to the layer that
  /// was shown: its slot becomes empty (it may be destroyed here). Switching
  /// to an empty slot is not supported: it adds nothing and fails the child
  /// assertion.
  /// \param n the index of the layer to show.
  void switchToAndReleaseMe(std::uint32_t n);

  /// Index of the layer shown now. Default 0.
  std::uint32_t enabledLayer() const { return enabledLayer_; }
  /// Every layer, in order; released slots are empty.
  const std::vector<platform::Ref<CCLayer>>& layers() const { return layers_; }

 protected:
  /// dealloc: releases the list.
  ~CCMultiplexLayer() override = default;

 private:
  std::uint32_t enabledLayer_ = 0;
  std::vector<platform::Ref<CCLayer>> layers_;  // retained
};
