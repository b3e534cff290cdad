#include "platform/AdBannerView.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/Image.h"
#include "platform/RunLoop.h"
#include "platform/Time.h"
#include "platform/Touch.h"
#include "platform/ViewOverlays.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using platform::ADBannerView;
using platform::ADError;
using platform::ClassInfo;
using platform::Image;
using platform::Ref;
using platform::RunLoop;
using platform::View;
using testing::ElementsAre;

namespace {

// Writes a solid w × h PNG of one colour.
void writeSolidPNG(const fs::path& path, int width, int height, std::array<uint8_t, 4> rgba) {
  std::vector<uint8_t> pixels;
  for (int i = 0; i < width * height; ++i) pixels.insert(pixels.end(), rgba.begin(), rgba.end());
  Ref<Image> image = Image::imageWithPixels(width, height, platform::PixelLayout::RGBA,
                                            static_cast<std::size_t>(width) * 4, pixels);
  auto png = image->encodePNG();
  ASSERT_TRUE(png.has_value());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png->data()),
                                              static_cast<std::streamsize>(png->size()));
}

// Records every delegate call; answers bannerViewActionShouldBegin with `allow`.
class TracingBannerDelegate : public platform::ADBannerViewDelegate {
 public:
  void bannerViewDidLoadAd(ADBannerView* banner) override {
    trace.push_back("load " + std::to_string(banner->currentAdIndex()));
  }
  void bannerViewDidFailToReceiveAdWithError(ADBannerView*, const ADError& error) override {
    trace.push_back("fail " + std::to_string(error.code));
  }
  bool bannerViewActionShouldBegin(ADBannerView*, bool willLeave) override {
    trace.push_back(std::string("shouldBegin ") + (willLeave ? "leave" : "stay"));
    return allow;
  }
  void bannerViewActionDidFinish(ADBannerView*) override { trace.push_back("finish"); }

  std::vector<std::string> trace;
  bool allow = true;
};

// A resource folder with `ads` house ads (banner red-ish, full-screen blue),
// a manual clock, and the service registered.
class AdBannerViewTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("ad-banner-test-" + std::to_string(getpid()));
    fs::create_directories(folder_);
    platform::facts().resourceDir = folder_.string();
    platform::facts().adServiceAvailable = true;
    ASSERT_TRUE(platform::registerAdService());
    RunLoop::main().runFor(0);  // leftovers of earlier tests
  }
  void TearDown() override {
    fs::remove_all(folder_);
    platform::resetFacts();
  }
  void writeHouseAds(int count) {
    for (int n = 1; n <= count; ++n) {
      writeSolidPNG(folder_ / ("house-ad-" + std::to_string(n) + ".png"), 480, 32, {200, 0, 0, 255});
      writeSolidPNG(folder_ / ("house-ad-" + std::to_string(n) + "-full.png"), 480, 320, {0, 0, 200, 255});
    }
  }
  ADBannerView* makeBanner() {
    const ClassInfo* info = ClassInfo::named("ADBannerView");
    if (info == nullptr) return nullptr;
    auto* banner = dynamic_cast<ADBannerView*>(info->newInstance());
    if (banner == nullptr || !banner->initWithFrame(CGRectZero)) return nullptr;
    banner->setDelegate(&delegate_);
    return banner;
  }

  platform::ManualClock clock_;
  fs::path folder_;
  TracingBannerDelegate delegate_;
};

TEST(AdServiceTest, ClassIsFoundByNameOnlyWhileTheServiceIsOn) {
  platform::facts().adServiceAvailable = false;
  EXPECT_FALSE(platform::registerAdService());
  EXPECT_EQ(ClassInfo::named("ADBannerView"), nullptr);
  platform::facts().adServiceAvailable = true;
  EXPECT_TRUE(platform::registerAdService());
  EXPECT_EQ(ClassInfo::named("ADBannerView"), &ADBannerView::classInfo_);
  platform::resetFacts();
}

TEST_F(AdBannerViewTest, FirstAdLoadsAfterTheDelayThenRotates) {
  writeHouseAds(2);
  Ref<ADBannerView> banner = Ref<ADBannerView>::adopt(makeBanner());
  ASSERT_TRUE(banner);
  RunLoop::main().runFor(ADBannerView::kFirstLoadDelay - 0.1);
  EXPECT_TRUE(delegate_.trace.empty());
  EXPECT_FALSE(banner->isBannerLoaded());
  EXPECT_EQ(banner->currentImage(), nullptr);

  RunLoop::main().runFor(0.2);
  EXPECT_THAT(delegate_.trace, ElementsAre("load 0"));
  ASSERT_TRUE(banner->isBannerLoaded());
  EXPECT_EQ(banner->currentImage()->width(), 480);

  RunLoop::main().runFor(ADBannerView::kRotationInterval * 2);
  EXPECT_THAT(delegate_.trace, ElementsAre("load 0", "load 1", "load 0"));
  banner->setDelegate(nullptr);
}

TEST_F(AdBannerViewTest, NoHouseAdsReportsFailureAndLoadsNothing) {
  Ref<ADBannerView> banner = Ref<ADBannerView>::adopt(makeBanner());
  ASSERT_TRUE(banner);
  RunLoop::main().runFor(ADBannerView::kFirstLoadDelay + 0.1);
  EXPECT_THAT(delegate_.trace, ElementsAre("fail " + std::to_string(ADError::InventoryUnavailable)));
  EXPECT_FALSE(banner->isBannerLoaded());
  banner->click();  // nothing to click on
  EXPECT_EQ(delegate_.trace.size(), 1u);
  banner->setDelegate(nullptr);
}

TEST_F(AdBannerViewTest, FailureAfterALoadDropsTheAd) {
  writeHouseAds(1);
  Ref<ADBannerView> banner = Ref<ADBannerView>::adopt(makeBanner());
  banner->loadNextAd();
  banner->failToReceiveAd({ADError::Unknown, "test"});
  EXPECT_THAT(delegate_.trace, ElementsAre("load 0", "fail 0"));
  EXPECT_FALSE(banner->isBannerLoaded());
  EXPECT_EQ(banner->currentImage(), nullptr);
  banner->setDelegate(nullptr);
}

TEST_F(AdBannerViewTest, ContentSizeIdentifierSizesTheBannerAndRejectsOthers) {
  Ref<ADBannerView> banner = Ref<ADBannerView>::adopt(makeBanner());
  banner->setRequiredContentSizeIdentifiers({platform::ADBannerContentSizeIdentifier480x32});
  banner->setCurrentContentSizeIdentifier(platform::ADBannerContentSizeIdentifier480x32);
  banner->setCenter(CGPointMake(240, 304));
  EXPECT_TRUE(CGRectEqualToRect(banner->frame(), CGRectMake(0, 288, 480, 32)));
  banner->setCurrentContentSizeIdentifier(platform::ADBannerContentSizeIdentifier320x50);  // not required
  EXPECT_EQ(banner->currentContentSizeIdentifier(), platform::ADBannerContentSizeIdentifier480x32);
  EXPECT_TRUE(CGRectEqualToRect(banner->frame(), CGRectMake(0, 288, 480, 32)));
  banner->setDelegate(nullptr);
}

TEST_F(AdBannerViewTest, ClickRunsTheFullScreenActionUntilClickedAgain) {
  writeHouseAds(1);
  Ref<View> glView = View::viewWithFrame(CGRectMake(0, 0, 480, 320));
  Ref<ADBannerView> banner = Ref<ADBannerView>::adopt(makeBanner());
  glView->addSubview(banner);
  banner->setRequiredContentSizeIdentifiers({platform::ADBannerContentSizeIdentifier480x32});
  banner->setCurrentContentSizeIdentifier(platform::ADBannerContentSizeIdentifier480x32);
  banner->setCenter(CGPointMake(240, 304));
  banner->loadNextAd();

  // A touch that begins inside and ends outside is no click.
  Ref<platform::Touch> touch = platform::Touch::touch();
  touch->setView(banner);
  touch->setLocation(CGPointMake(10, 10));
  platform::TouchSet touches{touch.get()};
  banner->touchesBegan(&touches, nullptr);
  touch->setLocation(CGPointMake(10, 40));
  banner->touchesEnded(&touches, nullptr);
  EXPECT_FALSE(banner->isBannerViewActionInProgress());

  touch->setLocation(CGPointMake(10, 10));
  banner->touchesBegan(&touches, nullptr);
  banner->touchesEnded(&touches, nullptr);
  ASSERT_TRUE(banner->isBannerViewActionInProgress());
  EXPECT_TRUE(CGRectEqualToRect(banner->frame(), glView->bounds()));  // covers the GL view
  EXPECT_EQ(banner->currentImage()->height(), 320);                   // the full-screen ad

  // Rotation waits while the action runs.
  RunLoop::main().runFor(ADBannerView::kFirstLoadDelay + ADBannerView::kRotationInterval + 0.1);
  banner->click();
  EXPECT_THAT(delegate_.trace, ElementsAre("load 0", "shouldBegin stay", "finish"));
  EXPECT_FALSE(banner->isBannerViewActionInProgress());
  EXPECT_TRUE(CGRectEqualToRect(banner->frame(), CGRectMake(0, 288, 480, 32)));
  banner->setDelegate(nullptr);
}

TEST_F(AdBannerViewTest, RefusedActionLeavesTheBannerAsItWas) {
  writeHouseAds(1);
  Ref<ADBannerView> banner = Ref<ADBannerView>::adopt(makeBanner());
  banner->loadNextAd();
  delegate_.allow = false;
  banner->click();
  EXPECT_THAT(delegate_.trace, ElementsAre("load 0", "shouldBegin stay"));
  EXPECT_FALSE(banner->isBannerViewActionInProgress());
  banner->setDelegate(nullptr);
}

TEST_F(AdBannerViewTest, OverlayShowsOnlyALoadedVisibleBannerInsideTheGLView) {
  writeHouseAds(1);
  Ref<View> glView = View::viewWithFrame(CGRectMake(0, 0, 480, 320));
  Ref<ADBannerView> banner = Ref<ADBannerView>::adopt(makeBanner());
  banner->setRequiredContentSizeIdentifiers({platform::ADBannerContentSizeIdentifier480x32});
  banner->setCurrentContentSizeIdentifier(platform::ADBannerContentSizeIdentifier480x32);
  banner->setCenter(CGPointMake(240, 304));
  auto overlays = [&] {
    platform::detail::recordViewOverlays(glView);
    return platform::lastPresentedOverlays().overlays;
  };
  banner->loadNextAd();
  EXPECT_TRUE(overlays().empty());  // not in the GL view
  glView->addSubview(banner);
  banner->setHidden(true);
  EXPECT_TRUE(overlays().empty());
  banner->setHidden(false);
  ASSERT_EQ(overlays().size(), 1u);
  EXPECT_TRUE(CGRectEqualToRect(overlays()[0].frame, CGRectMake(0, 288, 480, 32)));
  banner->removeFromSuperview();
  platform::detail::recordViewOverlays(nullptr);
  banner->setDelegate(nullptr);
}

// [SECTION] Compositing into captured frames

TEST(ViewOverlaysTest, CompositeScalesClipsAndBlendsSourceOver) {
  platform::CapturedFrame frame;
  frame.width = 8;  // a 4 × 2 point view at scale 2
  frame.height = 4;
  frame.rgba.assign(8 * 4 * 4, 0);
  for (std::size_t i = 3; i < frame.rgba.size(); i += 4) frame.rgba[i] = 255;  // opaque black

  // Left pixel opaque white, right pixel half-transparent red (straight alpha).
  const std::vector<uint8_t> pixels{255, 255, 255, 255, 255, 0, 0, 128};
  Ref<Image> image = Image::imageWithPixels(2, 1, platform::PixelLayout::RGBA, 8, pixels);
  // Two points wide, one high, hanging one point off the right edge.
  platform::compositeViewOverlays({{image, CGRectMake(3, 1, 2, 1)}}, CGSizeMake(4, 2), frame);

  auto at = [&](int x, int y) {
    const std::size_t i = (static_cast<std::size_t>(y) * frame.width + x) * 4;
    return std::array<int, 4>{frame.rgba[i], frame.rgba[i + 1], frame.rgba[i + 2], frame.rgba[i + 3]};
  };
  EXPECT_EQ(at(6, 2), (std::array<int, 4>{255, 255, 255, 255}));  // white covers 2 × 2 pixels
  EXPECT_EQ(at(7, 3), (std::array<int, 4>{255, 255, 255, 255}));
  EXPECT_EQ(at(5, 2), (std::array<int, 4>{0, 0, 0, 255}));        // left of the overlay
  EXPECT_EQ(at(6, 1), (std::array<int, 4>{0, 0, 0, 255}));        // above it
  // The red half lies past the right edge: nothing written out of bounds.
  EXPECT_EQ(frame.rgba.size(), 8u * 4 * 4);

  platform::compositeViewOverlays({{image, CGRectMake(0, 0, 2, 1)}}, CGSizeMake(4, 2), frame);
  EXPECT_EQ(at(2, 0)[0], 128);  // half-transparent red over black
  EXPECT_EQ(at(2, 0)[3], 255);
}

}  // namespace
