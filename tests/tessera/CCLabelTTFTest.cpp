// Text labels: textures rendered from strings in system fonts, and the
// pixels they draw through the real director (display-refresh director on a
// manual clock, frames presented headless and read back). White text is
// drawn on a black 320 x 480 screen and found by its ink: the pixels brighter
// than half. Tests skip when no GL context can be made.

#include "DirectorTestSupport.h"
#include "platform/Font.h"
#include "platform/GLContext.h"
#include "platform/RunLoop.h"
#include "platform/StringDrawing.h"
#include "platform/Time.h"
#include "platform/Window.h"
#include "support/TestSupport.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLabelTTF.h"
#include "tessera/CCScene.h"
#include "tessera/Platforms/iOS/EAGLView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

using platform::Ref;

namespace {

constexpr int kScreenHeight = 480;

// The bounding box of the ink in screen pixels, rows counted down from the
// top, and how many pixels are ink.
struct Ink {
  int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
  int count = 0;
  long sumX = 0;
  float centreX() const { return count ? static_cast<float>(sumX) / static_cast<float>(count) : 0.0f; }
  int width() const { return right - left + 1; }
  int height() const { return bottom - top + 1; }
};

class CCLabelTTFTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::facts().headless = true;
    Ref<EAGLView> probe = EAGLView::viewWithFrame(CGRectMake(0, 0, 8, 8));
    if (!probe) GTEST_SKIP() << "no OpenGL ES 1.1 context can be made here";
    ASSERT_TRUE(CCDirector::setDirectorType(kCCDirectorTypeDisplayLink));
    director_ = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    director_->setPixelFormat(kCCPixelFormatRGBA8888);
    window_ = platform::Window::windowWithFrame(CGRectMake(0, 0, 320, kScreenHeight));
    ASSERT_TRUE(director_->attachInWindow(window_.get()));
    scene_ = CCScene::node();
    director_->runWithScene(scene_.get());
    window_->makeKeyAndVisible();
  }
  void TearDown() override {
    scene_ = nullptr;
    CCDirector::purgeSharedDirector();
    window_ = nullptr;
    testing_support::purgeDirectorAndLoop();
  }

  // Shows only `label` and finds its ink.
  Ink draw(CCNode* label) {
    scene_->removeAllChildrenWithCleanup(true);
    scene_->addChild(label);
    platform::forgetLastPresentedFrame();
    platform::RunLoop::main().runFor(0.05);
    const platform::CapturedFrame frame = platform::captureLastPresentedFrame();
    Ink ink;
    for (int row = 0; row < frame.height; ++row) {
      for (int column = 0; column < frame.width; ++column) {
        const std::uint8_t* p = &frame.rgba[(static_cast<std::size_t>(row) * frame.width + column) * 4];
        if (p[0] < 128) continue;
        ++ink.count;
        ink.sumX += column;
        ink.left = std::min(ink.left, column);
        ink.right = std::max(ink.right, column);
        ink.top = std::min(ink.top, row);
        ink.bottom = std::max(ink.bottom, row);
      }
    }
    return ink;
  }

  // The label's box on screen (anchor (0.5, 0.5)): left, right, top and
  // bottom in screen pixels, rows down from the top.
  struct Box {
    float left, right, top, bottom;
  };
  static Box boxOf(const CCNode* label) {
    const CGSize size = label->contentSize();
    const CGPoint p = label->position();
    return {p.x - size.width / 2, p.x + size.width / 2, kScreenHeight - (p.y + size.height / 2),
            kScreenHeight - (p.y - size.height / 2)};
  }

  platform::ManualClock clock_;
  CCDirectorIOS* director_ = nullptr;
  Ref<platform::Window> window_;
  Ref<CCScene> scene_;
};

// [SECTION] One line

TEST_F(CCLabelTTFTest, OneLineSizesToTheTextAndDrawsItsGlyphsInsideTheLabel) {
  CCLabelTTF* label = CCLabelTTF::labelWithString("Hello, menu", "Helvetica", 24);
  ASSERT_NE(label, nullptr);
  ASSERT_NE(label->texture(), nullptr);
  const CGSize measured =
      platform::sizeWithFont("Hello, menu", platform::Font::fontWithName("Helvetica", 24));
  EXPECT_FLOAT_EQ(measured.width, label->contentSize().width);
  EXPECT_FLOAT_EQ(measured.height, label->contentSize().height);
  EXPECT_EQ(measured.width, label->textureRect().size.width);

  label->setPosition(CGPointMake(160, 240));
  const Ink ink = draw(label);
  const Box box = boxOf(label);
  ASSERT_GT(ink.count, 0) << "nothing drawn";
  EXPECT_GE(ink.left, box.left - 1);
  EXPECT_LE(ink.right, box.right + 1);
  EXPECT_GE(ink.top, box.top - 1);
  EXPECT_LE(ink.bottom, box.bottom + 1);
  // The text fills most of its measured width and is upright: ascenders
  // reach well above the bottom of the line box.
  EXPECT_GT(ink.width(), measured.width * 0.8f);
  EXPECT_GT(ink.height(), 24 * 0.6f);
}

TEST_F(CCLabelTTFTest, DifferentCharactersDrawDifferentGlyphsNotMissingGlyphBoxes) {
  // A font without these characters would draw the same box for each of
  // them; real full stops draw far less ink than real capital Ms.
  for (const char* font : {"Marker Felt", "Courier", "Arial"}) {
    SCOPED_TRACE(font);
    CCLabelTTF* dots = CCLabelTTF::labelWithString("....", font, 30);
    CCLabelTTF* ems = CCLabelTTF::labelWithString("MMMM", font, 30);
    ASSERT_NE(dots, nullptr);
    ASSERT_NE(ems, nullptr);
    dots->setPosition(CGPointMake(160, 240));
    ems->setPosition(CGPointMake(160, 240));
    const Ink d = draw(dots);
    const Ink m = draw(ems);
    ASSERT_GT(d.count, 0);
    EXPECT_LT(d.count * 3, m.count);
    EXPECT_LT(d.height() * 3, m.height()) << "full stops sit on the baseline, capitals rise above it";
  }
}

// [SECTION] Boxed paragraphs

TEST_F(CCLabelTTFTest, BoxedParagraphWrapsWithinTheBoxAndAlignmentMovesTheInk) {
  const char* text = "one two three four five six seven";
  Ink inks[3];
  Box box{};
  for (int alignment = 0; alignment < 3; ++alignment) {
    CCLabelTTF* label = CCLabelTTF::labelWithString(text, CGSizeMake(200, 120), alignment, "Helvetica", 20);
    ASSERT_NE(label, nullptr);
    EXPECT_FLOAT_EQ(200, label->contentSize().width) << "a boxed label keeps the box's size";
    EXPECT_FLOAT_EQ(120, label->contentSize().height);
    label->setPosition(CGPointMake(160, 240));
    box = boxOf(label);
    inks[alignment] = draw(label);
    ASSERT_GT(inks[alignment].count, 0);
    EXPECT_GE(inks[alignment].left, box.left - 1);
    EXPECT_LE(inks[alignment].right, box.right + 1);
    EXPECT_GE(inks[alignment].top, box.top - 1);
    EXPECT_LE(inks[alignment].bottom, box.bottom + 1);
    // The text is wider than the box: it takes at least two lines, and the
    // first line starts at the top of the box.
    EXPECT_GT(inks[alignment].height(), 2 * 20 * 0.8f) << "alignment " << alignment;
    EXPECT_LT(inks[alignment].top, box.top + 8);
  }
  const Ink& left = inks[0];
  const Ink& centre = inks[1];
  const Ink& right = inks[2];
  EXPECT_LE(left.left, box.left + 3) << "left-aligned text starts at the box's left edge";
  EXPECT_GE(right.right, box.right - 4) << "right-aligned text ends at the box's right edge";
  EXPECT_GT(right.centreX(), centre.centreX() + 5) << "alignment did not move the ink";
  EXPECT_GT(centre.centreX(), left.centreX() + 5) << "alignment did not move the ink";
  // Centred: the widest line sits midway, so the margins match.
  EXPECT_NEAR(centre.left - box.left, box.right - centre.right, 3);
  EXPECT_GT(centre.left, left.left);
  EXPECT_LT(centre.right, right.right);
}

TEST_F(CCLabelTTFTest, BoxedLabelKeepsItsBoxForAnyTextAndLeavesOutLinesThatDoNotFit) {
  CCLabelTTF* label = CCLabelTTF::labelWithString("short", CGSizeMake(100, 30), 0, "Helvetica", 20);
  ASSERT_NE(label, nullptr);
  label->setString("a much longer text that cannot fit into the box at all, however it is broken");
  EXPECT_FLOAT_EQ(100, label->contentSize().width);
  EXPECT_FLOAT_EQ(30, label->contentSize().height);
  label->setPosition(CGPointMake(160, 240));
  const Box box = boxOf(label);
  const Ink ink = draw(label);
  ASSERT_GT(ink.count, 0);
  EXPECT_LE(ink.bottom, box.bottom + 1) << "a line below the box was drawn";
}

// [SECTION] Strings, textures and scale

TEST_F(CCLabelTTFTest, EverySetStringRendersANewTextureAndReleasesTheOldOne) {
  CCLabelTTF* label = CCLabelTTF::labelWithString("same", "Helvetica", 16);
  ASSERT_NE(label, nullptr);
  Ref<CCTexture2D> first(label->texture());
  ASSERT_TRUE(first);
  EXPECT_EQ(2u, first->retainCount()) << "the label and this test are the only owners";
  label->setString("same");
  EXPECT_NE(first.get(), label->texture());
  EXPECT_EQ(1u, first->retainCount()) << "the old texture was not released";
  EXPECT_EQ("same", label->string());

  label->setString("a longer string");
  EXPECT_GT(label->contentSize().width, first->contentSize().width);
}

TEST_F(CCLabelTTFTest, ScaleFactorTwoRendersInPixelsAndReportsPoints) {
  ccSetContentScaleFactor(2.0f);
  CCLabelTTF* label = CCLabelTTF::labelWithString("Scaled", "Helvetica", 12);
  ASSERT_NE(label, nullptr);
  EXPECT_FLOAT_EQ(24, label->fontSizeInPixels());
  const CGSize pixels = platform::sizeWithFont("Scaled", platform::Font::fontWithName("Helvetica", 24));
  EXPECT_FLOAT_EQ(pixels.width, label->texture()->contentSizeInPixels().width);
  EXPECT_FLOAT_EQ(pixels.width / 2, label->contentSize().width);
  EXPECT_FLOAT_EQ(pixels.height / 2, label->contentSize().height);

  CCLabelTTF* boxed = CCLabelTTF::labelWithString("Scaled", CGSizeMake(50, 20), 1, "Helvetica", 12);
  ASSERT_NE(boxed, nullptr);
  EXPECT_FLOAT_EQ(100, boxed->dimensionsInPixels().width);
  EXPECT_FLOAT_EQ(50, boxed->contentSize().width);
  ccSetContentScaleFactor(1.0f);
}

// [SECTION] Failures

TEST_F(CCLabelTTFTest, UnknownFontIsLoggedAndLeavesTheLabelWithoutATexture) {
  testing_support::LogCapture log;
  CCLabelTTF* label = CCLabelTTF::labelWithString("ghost", "No Such Font Anywhere", 20);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(nullptr, label->texture());
  EXPECT_FLOAT_EQ(0, label->contentSize().width);
  EXPECT_NE(log.text().find("No Such Font Anywhere"), std::string::npos) << log.text();
  EXPECT_EQ(0, draw(label).count) << "a label without a font drew something";
}

TEST_F(CCLabelTTFTest, PlainInitIsRefusedAndDescriptionNamesTheFont) {
  {
    testing_support::AssertionRecorder asserts;
    EXPECT_EQ(nullptr, CCLabelTTF::node());
    ASSERT_EQ(1u, asserts.messages().size());
    EXPECT_EQ("CCLabelTTF: Init not supported. Use initWithString", asserts.messages()[0]);
  }
  CCLabelTTF* label = CCLabelTTF::labelWithString("x", "Courier", 13);
  ASSERT_NE(label, nullptr);
  const std::string text = label->description();
  EXPECT_EQ(0u, text.find("<CCLabelTTF = ")) << text;
  EXPECT_NE(text.find(" | FontName = Courier, FontSize = 13.0>"), std::string::npos) << text;
}

}  // namespace
