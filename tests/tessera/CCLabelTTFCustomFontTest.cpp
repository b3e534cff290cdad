// Text labels in a font that only the application's resources hold: the
// texture falls back on the custom-font manager and lays the text out with
// the font's own glyph mapping. A monospaced font is copied into a resource
// folder under a made-up name; the label must measure and draw in it (pixels
// read back through the real director), not in a system substitute.

#include "DirectorTestSupport.h"
#include "platform/Font.h"
#include "platform/RunLoop.h"
#include "platform/Window.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLabelTTF.h"
#include "tessera/CCScene.h"
#include "tessera/Platforms/iOS/EAGLView.h"
#include "zfont/FontManager.h"
#include "zfont/ZFont.h"
#include "zfont/ZFontStringDrawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;
using platform::Ref;

namespace {

constexpr const char* kMonospaced = "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf";
constexpr const char* kCustomName = "Ghostly Typewriter";

class CCLabelTTFCustomFontTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kMonospaced)) GTEST_SKIP() << "Liberation Mono not installed";
    platform::facts().headless = true;
    Ref<EAGLView> probe = EAGLView::viewWithFrame(CGRectMake(0, 0, 8, 8));
    if (!probe) GTEST_SKIP() << "no OpenGL ES 1.1 context can be made here";
    folder_ = fs::temp_directory_path() / ("tessera-custom-font-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
    fs::copy_file(kMonospaced, folder_ / (std::string(kCustomName) + ".ttf"), fs::copy_options::overwrite_existing);
    platform::facts().resourceDir = folder_.string();
    FontManager::purgeSharedManager();

    ASSERT_TRUE(CCDirector::setDirectorType(kCCDirectorTypeDisplayLink));
    director_ = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    director_->setPixelFormat(kCCPixelFormatRGBA8888);
    window_ = platform::Window::windowWithFrame(CGRectMake(0, 0, 320, 480));
    ASSERT_TRUE(director_->attachInWindow(window_.get()));
    scene_ = CCScene::node();
    director_->runWithScene(scene_.get());
    window_->makeKeyAndVisible();
  }
  void TearDown() override {
    if (folder_.empty()) return;
    scene_ = nullptr;
    CCDirector::purgeSharedDirector();
    window_ = nullptr;
    testing_support::purgeDirectorAndLoop();
    FontManager::purgeSharedManager();
    fs::remove_all(folder_);
  }

  // Shows only `label` and returns the columns and rows its white ink spans.
  CGRect inkOf(CCNode* label) {
    scene_->removeAllChildrenWithCleanup(true);
    scene_->addChild(label);
    platform::forgetLastPresentedFrame();
    platform::RunLoop::main().runFor(0.05);
    const platform::CapturedFrame frame = platform::captureLastPresentedFrame();
    int left = frame.width, right = -1, top = frame.height, bottom = -1;
    for (int row = 0; row < frame.height; ++row) {
      for (int column = 0; column < frame.width; ++column) {
        if (frame.rgba[(std::size_t(row) * frame.width + column) * 4] < 128) continue;
        left = std::min(left, column), right = std::max(right, column);
        top = std::min(top, row), bottom = std::max(bottom, row);
      }
    }
    return right < 0 ? CGRectZero : CGRectMake(left, top, right - left + 1, bottom - top + 1);
  }

  fs::path folder_;
  CCDirectorIOS* director_ = nullptr;
  Ref<platform::Window> window_;
  Ref<CCScene> scene_;
};

}  // namespace

TEST_F(CCLabelTTFCustomFontTest, ANameOnlyTheResourcesHoldDrawsInThatFont) {
  ASSERT_EQ(platform::Font::fontWithName(kCustomName, 30), nullptr) << "the name must not be a system font";
  CCLabelTTF* ems = CCLabelTTF::labelWithString("MMMM", kCustomName, 30);
  CCLabelTTF* dots = CCLabelTTF::labelWithString("....", kCustomName, 30);
  ASSERT_NE(ems, nullptr);
  ASSERT_NE(dots, nullptr);

  // Measured by the custom font: monospaced, so both labels are as wide,
  // which no proportional substitute would give.
  ZFont* font = FontManager::sharedManager()->zFontWithName(kCustomName, 30);
  ASSERT_NE(font, nullptr);
  const CGSize measured = sizeWithZFont("MMMM", font);
  EXPECT_EQ(measured.width, ems->contentSize().width);
  EXPECT_EQ(measured.height, ems->contentSize().height);
  EXPECT_EQ(ems->contentSize().width, dots->contentSize().width);
  EXPECT_EQ(measured.width, std::ceil(4 * 1229.0f * 30 / 2048));  // the font's advance of every character

  // Drawn with the font's glyphs: the capitals fill most of the box and
  // stand about a cap height tall; the full stops are small.
  ems->setPosition(CGPointMake(160, 240));
  const CGRect emInk = inkOf(ems);
  ASSERT_GT(emInk.size.width, 0) << "nothing drawn";
  EXPECT_GT(emInk.size.width, measured.width * 0.8f);
  EXPECT_LE(emInk.size.width, measured.width + 1);
  EXPECT_NEAR(emInk.size.height, font->capHeight(), 2.0);
  EXPECT_GE(emInk.origin.x, 160 - measured.width / 2 - 1);

  dots->setPosition(CGPointMake(160, 240));
  const CGRect dotInk = inkOf(dots);
  ASSERT_GT(dotInk.size.width, 0);
  EXPECT_LT(dotInk.size.height, font->capHeight() / 2);
  EXPECT_GT(CGRectGetMinY(dotInk), CGRectGetMinY(emInk) + font->capHeight() / 2) << "full stops sit low";
}
