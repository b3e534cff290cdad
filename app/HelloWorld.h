#pragma once
// HelloWorld: the radar screen, the application's one layer.
//
// Layout (480 × 320 points, origin bottom left): the title centred at
// (winSize.width / 2, 300); two columns of six-digit readouts at x = 50; the
// instruction words, the Latin word, the answer and the red ghost word on the
// right; the radar base and its sweeping arm at the window's centre and the
// finger-print pad at (140, 100), all three drawn by one sprite batch node
// under the labels (the labels have z 999); the instruction text at (90, 60).
// The arm turns 360 degrees clockwise every second, for ever.
//
// The readouts change through RadarReadouts: tick() every frame and logic()
// every ten seconds are scheduled on the layer and forwarded to it.
//
// Ad banner: while the layer is running, and when the platform has the ad
// service, a 480 × 32 banner floats over the GL view along the bottom edge,
// hidden until an ad loads. A full-screen ad action that stays in the
// application stops and pauses the director until it finishes.

#include "RadarReadouts.h"
#include "agsprite.h"

#include "platform/AdBannerView.h"
#include "platform/Ref.h"
#include "tessera/CCLabelBMFont.h"
#include "tessera/CCLayer.h"
#include "tessera/CCScene.h"
#include "tessera/CCSpriteBatchNode.h"

class HelloWorld : public CCLayer, public platform::ADBannerViewDelegate {
  PLATFORM_CLASS(HelloWorld, CCLayer)
 public:
  CC_NODE_FACTORY(HelloWorld)

  /// A scene (autoreleased) holding one HelloWorld layer.
  static CCScene* scene();

  /// Builds the screen. Returns false when the layer's own init fails.
  /// Expects the resources (sprite sheet and fonts) to be loadable; a
  /// missing one fails in the sprite or label code.
  bool init() override;
  /// The node behaviour, then the ad banner when the service exists.
  void onEnter() override;
  /// Removes the ad banner, then the node behaviour.
  void onExit() override;

  /// Every frame: the readouts' flicker. `dt` is not used.
  void tick(float dt);
  /// Every ten seconds: the ghost and instruction words. `dt` is not used.
  void logic(float dt);

  /// Does nothing.
  void Debug1() {}
  /// Whether an ad action may run: always true.
  bool allowActionToRun() { return true; }
  /// The director runs again: stopAnimation, resume, startAnimation.
  void startActionsForAd();
  /// The director stops for an ad: stopAnimation, pause.
  void stopActionsForAd();

  // Ad banner delegate.
  void bannerViewDidLoadAd(platform::ADBannerView* banner) override;
  void bannerViewDidFailToReceiveAdWithError(platform::ADBannerView* banner,
                                             const platform::ADError& error) override;
  bool bannerViewActionShouldBegin(platform::ADBannerView* banner, bool willLeaveApplication) override;
  void bannerViewActionDidFinish(platform::ADBannerView* banner) override;

  /// The banner while the layer runs with the ad service, else nullptr.
  platform::ADBannerView* adBannerView() const { return adBannerView_.get(); }
  /// The readout logic (its label fields point at this layer's labels).
  RadarReadouts& readouts() { return readouts_; }
  /// The ghost word list.
  const std::vector<std::string>& ghostwords() const { return readouts_.ghostwords; }

  // The labels and pictures, children of the layer (or of the batch node)
  // and owned through it.
  CCLabelBMFont* title = nullptr;
  CCLabelBMFont* TL1 = nullptr;
  CCLabelBMFont* TL2 = nullptr;
  CCLabelBMFont* TL3 = nullptr;
  CCLabelBMFont* ML1 = nullptr;
  CCLabelBMFont* ML2 = nullptr;
  CCLabelBMFont* ML3 = nullptr;
  CCLabelBMFont* Tword1 = nullptr;
  CCLabelBMFont* Tword2 = nullptr;
  CCLabelBMFont* MR1 = nullptr;
  CCLabelBMFont* LR1 = nullptr;
  CCLabelBMFont* ghost = nullptr;
  CCSpriteBatchNode* spriteSheet = nullptr;
  agsprite* radararm = nullptr;

 protected:
  /// dealloc: the ghost word list (with the readouts), then the layer's teardown.
  ~HelloWorld() override;

 private:
  // Makes a label, places it and adds it with z 999; nullptr when it fails.
  CCLabelBMFont* addLabel(const char* text, const char* font, CGPoint position);
  void createBanner();
  void removeBanner();

  platform::Ref<platform::ADBannerView> adBannerView_;
  RadarReadouts readouts_;
};
