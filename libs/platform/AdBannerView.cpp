#include "platform/AdBannerView.h"

#include "platform/Bundle.h"
#include "platform/Facts.h"
#include "platform/Log.h"
#include "platform/RunLoop.h"
#include "platform/Screen.h"
#include "platform/Touch.h"
#include "platform/ViewOverlays.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>

namespace platform {

// [SECTION] Service registration and drawing

namespace {

// Live banners, in creation order: the overlay provider draws them. Main thread.
std::vector<ADBannerView*>& liveBanners() {
  static std::vector<ADBannerView*> banners;
  return banners;
}

// Whether `view` lies inside `ancestor` with nothing hidden on the way up.
bool isShownInside(const View* view, const View* ancestor) {
  for (const View* v = view; v != nullptr; v = v->superview()) {
    if (v == ancestor) return true;
    if (v->isHidden()) return false;
  }
  return false;
}

std::vector<ViewOverlay> bannerOverlays(const View* glView) {
  std::vector<ViewOverlay> overlays;
  for (ADBannerView* banner : liveBanners()) {
    if (banner == glView || !isShownInside(banner, glView)) continue;
    Image* image = banner->currentImage();
    if (image == nullptr) continue;
    overlays.push_back({image, banner->convertRectToView(banner->bounds(), glView)});
    if (banner->isBannerViewActionInProgress()) {
      if (Image* closeBox = ADBannerView::closeBoxImage()) {
        overlays.push_back({closeBox, banner->convertRectToView(banner->closeBoxFrame(), glView)});
      }
    }
  }
  return overlays;
}

// The close box, drawn in memory: kSide pixels square, a dark grey face, a
// white rim and a white cross. Drawn at 2 pixels per point so it stays sharp
// on a scale 2 screen.
Image* makeCloseBoxImage() {
  constexpr int kSide = static_cast<int>(ADBannerView::kCloseBoxSize) * 2;
  constexpr int kRim = 3;
  constexpr int kInset = 13;      // the cross keeps this far from the edges
  constexpr float kStroke = 3.5f;  // half the cross's thickness
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kSide) * kSide * 4);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      std::uint8_t* p = pixels.data() + (static_cast<std::size_t>(y) * kSide + x) * 4;
      const bool rim = x < kRim || y < kRim || x >= kSide - kRim || y >= kSide - kRim;
      const bool insideCross = x >= kInset && y >= kInset && x < kSide - kInset && y < kSide - kInset;
      const float centre = (kSide - 1) / 2.0f;
      const float fromFirstDiagonal = std::abs((x - centre) - (y - centre)) / 1.41421356f;
      const float fromSecondDiagonal = std::abs((x - centre) + (y - centre)) / 1.41421356f;
      const bool cross = insideCross && (fromFirstDiagonal <= kStroke || fromSecondDiagonal <= kStroke);
      const std::uint8_t grey = rim || cross ? 255 : 48;
      p[0] = p[1] = p[2] = grey;
      p[3] = 255;
    }
  }
  return Image::imageWithPixels(kSide, kSide, PixelLayout::RGBA, static_cast<std::size_t>(kSide) * 4, pixels);
}

void ensureOverlayProvider() {
  static std::once_flag once;
  std::call_once(once, [] { addViewOverlayProvider(&bannerOverlays); });
}

// The house ad file `name` ("house-ad-1.png"), the "-hd" one on a scale 2
// screen when present; nullptr when neither can be decoded.
Image* readHouseAdImage(const std::string& stem) {
  const Bundle& bundle = Bundle::mainBundle();
  std::optional<std::string> path;
  if (Screen::mainScreen()->scale() == 2.0f) path = bundle.pathForResource(stem + "-hd", "png");
  if (!path) path = bundle.pathForResource(stem, "png");
  if (!path) return nullptr;
  return Image::imageWithContentsOfFile(*path);
}

}  // namespace

bool finishBannerViewActions() {
  bool closed = false;
  const std::vector<ADBannerView*> banners = liveBanners();  // finishing may create or destroy banners
  for (ADBannerView* banner : banners) {
    if (std::find(liveBanners().begin(), liveBanners().end(), banner) == liveBanners().end()) continue;
    if (!banner->isBannerViewActionInProgress()) continue;
    Ref<ADBannerView> keep(banner);
    banner->click();
    closed = true;
  }
  return closed;
}

bool registerAdService() {
  if (facts().adServiceAvailable) {
    ClassInfo::registerClass(ADBannerView::classInfo_);
    return true;
  }
  ClassInfo::unregisterClass(ADBannerView::classInfo_);
  return false;
}

// [SECTION] Creation and teardown

bool ADBannerView::initWithFrame(const CGRect& frame) {
  if (!View::initWithFrame(frame)) return false;
  ensureOverlayProvider();
  if (std::find(liveBanners().begin(), liveBanners().end(), this) == liveBanners().end()) {
    liveBanners().push_back(this);
  }
  if (firstLoadTimer_) firstLoadTimer_->invalidate();
  if (rotationTimer_) rotationTimer_->invalidate();
  rotationTimer_ = nullptr;
  // The timers hold the banner weakly: the destructor invalidates them.
  firstLoadTimer_ = Timer::scheduledTimer(kFirstLoadDelay, false, [this](Timer*) {
    firstLoadTimer_ = nullptr;
    if (!actionInProgress_) loadNextAd();
    rotationTimer_ = Timer::scheduledTimer(kRotationInterval, true, [this](Timer*) {
      if (!actionInProgress_) loadNextAd();
    });
  });
  return true;
}

ADBannerView::~ADBannerView() {
  if (firstLoadTimer_) firstLoadTimer_->invalidate();
  if (rotationTimer_) rotationTimer_->invalidate();
  std::erase(liveBanners(), this);
}

// [SECTION] Sizes

CGSize ADBannerView::sizeFromContentSizeIdentifier(const std::string& identifier) {
  if (identifier == ADBannerContentSizeIdentifier480x32) return CGSizeMake(480, 32);
  if (identifier == ADBannerContentSizeIdentifier320x50) return CGSizeMake(320, 50);
  return CGSizeMake(0, 0);
}

void ADBannerView::setRequiredContentSizeIdentifiers(const std::set<std::string>& identifiers) {
  requiredSizes_.clear();
  for (const std::string& identifier : identifiers) {
    if (sizeFromContentSizeIdentifier(identifier).width > 0) {
      requiredSizes_.insert(identifier);
    } else {
      log("tessera: ADBannerView: unknown content size identifier %s ignored", identifier.c_str());
    }
  }
}

void ADBannerView::setCurrentContentSizeIdentifier(const std::string& identifier) {
  const CGSize size = sizeFromContentSizeIdentifier(identifier);
  if (size.width <= 0 || !requiredSizes_.contains(identifier)) {
    log("tessera: ADBannerView: content size identifier %s is not among the required ones", identifier.c_str());
    return;
  }
  currentSize_ = identifier;
  CGRect frame = actionInProgress_ ? frameBeforeAction_ : this->frame();
  frame.size = size;
  if (actionInProgress_) {
    frameBeforeAction_ = frame;
  } else {
    setFrame(frame);
  }
}

// [SECTION] Loading

void ADBannerView::readHouseAds() {
  if (houseAdsRead_) return;
  houseAdsRead_ = true;
  for (int number = 1;; ++number) {
    const std::string stem = "house-ad-" + std::to_string(number);
    Image* banner = readHouseAdImage(stem);
    if (banner == nullptr) break;
    Image* full = readHouseAdImage(stem + "-full");
    houseAds_.push_back({banner, full ? full : banner});
  }
}

Image* ADBannerView::currentImage() const {
  if (!loaded_ || adIndex_ < 0 || adIndex_ >= static_cast<int>(houseAds_.size())) return nullptr;
  const HouseAd& ad = houseAds_[static_cast<std::size_t>(adIndex_)];
  return actionInProgress_ ? ad.full.get() : ad.banner.get();
}

void ADBannerView::loadNextAd() {
  readHouseAds();
  if (houseAds_.empty()) {
    failToReceiveAd({ADError::InventoryUnavailable,
                     "no house ads (house-ad-1.png) in " + Bundle::mainBundle().resourcePath()});
    return;
  }
  Ref<ADBannerView> keep(this);
  adIndex_ = (adIndex_ + 1) % static_cast<int>(houseAds_.size());
  loaded_ = true;
  if (delegate_) delegate_->bannerViewDidLoadAd(this);
}

void ADBannerView::failToReceiveAd(const ADError& error) {
  Ref<ADBannerView> keep(this);
  loaded_ = false;
  if (delegate_) delegate_->bannerViewDidFailToReceiveAdWithError(this, error);
}

// [SECTION] Clicks and the full-screen action

Image* ADBannerView::closeBoxImage() {
  static Image* image = [] {
    Image* made = makeCloseBoxImage();
    if (made) made->retain();  // kept for the life of the process
    return made;
  }();
  return image;
}

CGRect ADBannerView::closeBoxFrame() const {
  if (!actionInProgress_) return CGRectZero;
  constexpr float kMargin = 4;
  const CGRect bounds = this->bounds();
  return CGRectMake(bounds.origin.x + bounds.size.width - kMargin - kCloseBoxSize, bounds.origin.y + kMargin,
                    kCloseBoxSize, kCloseBoxSize);
}

void ADBannerView::click() {
  if (actionInProgress_) {
    finishAction();
  } else {
    beginAction();
  }
}

void ADBannerView::beginAction() {
  if (!loaded_) return;
  Ref<ADBannerView> keep(this);
  const bool allowed = delegate_ ? delegate_->bannerViewActionShouldBegin(this, false) : true;
  if (!allowed || !loaded_) return;
  actionInProgress_ = true;
  frameBeforeAction_ = frame();
  // Cover the superview (the GL view) so the full-screen ad takes the touches.
  if (View* parent = superview()) {
    setFrame(parent->bounds());
  }
  setNeedsRedisplay();  // the delegate may have stopped the engine's drawing
}

void ADBannerView::finishAction() {
  if (!actionInProgress_) return;
  Ref<ADBannerView> keep(this);
  actionInProgress_ = false;
  setFrame(frameBeforeAction_);
  setNeedsRedisplay();  // skipped when the engine draws a frame first
  if (delegate_) delegate_->bannerViewActionDidFinish(this);
}

void ADBannerView::touchesBegan(TouchSet* touches, Event*) {
  Touch* touch = touches ? touches->anyObject() : nullptr;
  touchInside_ = touch != nullptr && pointInside(touch->locationInView(this));
}

void ADBannerView::touchesEnded(TouchSet* touches, Event*) {
  Touch* touch = touches ? touches->anyObject() : nullptr;
  const bool click = touchInside_ && touch != nullptr && pointInside(touch->locationInView(this));
  touchInside_ = false;
  if (click) this->click();
}

void ADBannerView::touchesCancelled(TouchSet*, Event*) { touchInside_ = false; }

}  // namespace platform
