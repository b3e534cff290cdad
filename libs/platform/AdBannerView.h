#pragma once
// The ad service: a banner view that shows house ads shipped with the
// application and reports loads, failures and user actions to a delegate.

#include "platform/Image.h"
#include "platform/Ref.h"
#include "platform/RunLoop.h"
#include "platform/View.h"

#include <set>
#include <string>
#include <vector>

namespace platform {

class ADBannerView;

/// Size identifier of the landscape banner: 480 × 32 points.
inline constexpr const char* ADBannerContentSizeIdentifier480x32 = "ADBannerContentSizeIdentifier480x32";
/// Size identifier of the portrait banner: 320 × 50 points.
inline constexpr const char* ADBannerContentSizeIdentifier320x50 = "ADBannerContentSizeIdentifier320x50";

/// Why an ad did not load.
struct ADError {
  /// The error codes: InventoryUnavailable when no house ad could be read.
  enum Code { Unknown = 0, InventoryUnavailable = 3 };
  int code = Unknown;
  std::string description;
};

/// What a banner tells its delegate, on the main thread. Every method is
/// optional.
class ADBannerViewDelegate {
 public:
  virtual ~ADBannerViewDelegate() = default;
  /// A new ad is loaded and shown in the banner.
  virtual void bannerViewDidLoadAd(ADBannerView* banner) {}
  /// No ad could be loaded; the banner has nothing to show.
  virtual void bannerViewDidFailToReceiveAdWithError(ADBannerView* banner, const ADError& error) {}
  /// The user clicked the banner. Return false to refuse the action. Default true.
  virtual bool bannerViewActionShouldBegin(ADBannerView* banner, bool willLeaveApplication) { return true; }
  /// The full-screen ad was closed.
  virtual void bannerViewActionDidFinish(ADBannerView* banner) {}
};

/// Registers "ADBannerView" when facts().adServiceAvailable is true and hides
/// it otherwise. Returns whether the service is on. Safe to call again.
bool registerAdService();

/// Closes the full-screen ad of every banner with an action in progress, as
/// a click on it would (the window sends the Escape key here). Returns
/// whether one was closed.
bool finishBannerViewActions();

/// The ad service's banner view: shows house ads shipped with the application
/// and reports loads, failures and user actions to a delegate.
///
/// Availability: the class is found by name ("ADBannerView") only after
/// registerAdService() ran while facts().adServiceAvailable was true (the
/// default; TESSERA_ADS=off turns it off). The application calls it once in
/// main, before applicationMain(); code that wants a banner looks the class up
/// with ClassInfo::named and runs without one when it is absent.
///
/// House ads: the resource folder's "house-ad-1.png", "house-ad-2.png", … (the
/// numbering stops at the first missing file) are the 480 × 32 banners;
/// "house-ad-N-full.png" is the full-screen ad a click opens. On a screen of
/// scale 2 the "-hd" file is preferred when it exists.
///
/// Timeline (run-loop timers on the main loop):
///   created                      loading starts
///   + kFirstLoadDelay (1 s)      the first ad loads: bannerViewDidLoadAd, or
///                                bannerViewDidFailToReceiveAdWithError when no
///                                house ad can be read
///   every kRotationInterval      the next ad loads (skipped while an action
///   (30 s)                       is in progress)
///   click on the loaded banner   bannerViewActionShouldBegin(banner, false);
///   (touch began and ended       when it answers true the banner covers its
///   inside it)                   superview with the full-screen ad
///   click on the full-screen ad  the banner returns to its frame, then
///   (its close box or anywhere   bannerViewActionDidFinish
///   else), or the Escape key
///
/// Drawing: the banner shows its current image above the GL drawing through a
/// view overlay (ViewOverlays.h), in the window and in captured frames, while
/// it is visible, loaded and inside the presented GL view. The full-screen ad
/// carries a close box in its top-right corner. Beginning and ending an
/// action ask for a redisplay, so the ad shows (over the last frame) even
/// when the delegate stops the engine's drawing for it.
///
/// Implemented:
///  [x] 480 × 32 and 320 × 50 size identifiers; load, failure, rotation;
///      in-application full-screen action with its delegate calls.
/// Missing:
///  [ ] no network ads and no actions that leave the application
///      (willLeaveApplication is always false).
class ADBannerView : public View {
  PLATFORM_CLASS_ON_DEMAND(ADBannerView, View)
 public:
  /// Seconds from creation to the first load.
  static constexpr double kFirstLoadDelay = 1.0;
  /// Seconds between loads after the first.
  static constexpr double kRotationInterval = 30.0;

  /// Also starts loading ads (first load after kFirstLoadDelay).
  bool initWithFrame(const CGRect& frame) override;

  /// The delegate (not retained). Default nullptr. Clear it before the
  /// delegate goes away.
  ADBannerViewDelegate* delegate() const { return delegate_; }
  void setDelegate(ADBannerViewDelegate* delegate) { delegate_ = delegate; }

  /// Identifiers the banner may be sized to. Default: both identifiers.
  const std::set<std::string>& requiredContentSizeIdentifiers() const { return requiredSizes_; }
  /// Unknown identifiers are dropped (and logged).
  void setRequiredContentSizeIdentifiers(const std::set<std::string>& identifiers);
  /// The identifier the banner is sized by. Default: the portrait one.
  const std::string& currentContentSizeIdentifier() const { return currentSize_; }
  /// Resizes the banner (keeping its origin) to the identifier's size.
  /// Logs and changes nothing when the identifier is unknown or not among
  /// the required ones.
  void setCurrentContentSizeIdentifier(const std::string& identifier);
  /// The size of an identifier in points, or zero when unknown.
  static CGSize sizeFromContentSizeIdentifier(const std::string& identifier);

  /// Whether an ad is loaded (the latest load succeeded).
  bool isBannerLoaded() const { return loaded_; }
  /// Whether the full-screen ad of a click is showing.
  bool isBannerViewActionInProgress() const { return actionInProgress_; }
  /// What the banner draws now: the banner image, the full-screen image
  /// during an action, or nullptr before a load.
  Image* currentImage() const;
  /// Index (0-based) of the house ad loaded last, or -1.
  int currentAdIndex() const { return adIndex_; }
  /// Side of the full-screen ad's close box, in points.
  static constexpr float kCloseBoxSize = 24;
  /// Where the close box is drawn during an action, in the banner's own
  /// coordinates (kCloseBoxSize square, 4 points in from the top-right
  /// corner); zero when no action is in progress.
  CGRect closeBoxFrame() const;
  /// The close box's picture: a white cross on dark grey with a white rim.
  static Image* closeBoxImage();

  // Test hooks; the timers call the first two.
  /// Loads the next house ad now (or reports the failure).
  void loadNextAd();
  /// Drops the loaded ad and reports `error` to the delegate.
  void failToReceiveAd(const ADError& error);
  /// A click on the banner: what a touch that begins and ends inside it does.
  void click();

  void touchesBegan(TouchSet* touches, Event* event) override;
  void touchesEnded(TouchSet* touches, Event* event) override;
  void touchesCancelled(TouchSet* touches, Event* event) override;

 protected:
  /// dealloc: stops the timers and stops being drawn; the delegate is not told.
  ~ADBannerView() override;

 private:
  struct HouseAd {
    Ref<Image> banner;
    Ref<Image> full;
  };

  void readHouseAds();
  void beginAction();
  void finishAction();

  ADBannerViewDelegate* delegate_ = nullptr;  // weak
  std::set<std::string> requiredSizes_{ADBannerContentSizeIdentifier320x50, ADBannerContentSizeIdentifier480x32};
  std::string currentSize_ = ADBannerContentSizeIdentifier320x50;
  std::vector<HouseAd> houseAds_;
  bool houseAdsRead_ = false;
  int adIndex_ = -1;
  bool loaded_ = false;
  bool actionInProgress_ = false;
  bool touchInside_ = false;
  CGRect frameBeforeAction_{};
  Ref<Timer> firstLoadTimer_;
  Ref<Timer> rotationTimer_;
};

}  // namespace platform
