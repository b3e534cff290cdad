// Particle systems drawn through the real director (display-refresh director
// on a manual clock, frames presented headless and read back): a quad system
// with normal and additive blending, a point system, and a system read from a
// property list with an embedded image. Each test skips when no GL context
// can be made.
//
// Every system holds one particle that does not move, at the centre of a
// blue 320 x 480 screen. Its square is measured along the row and column
// through the centre; the default 3-D projection may move an edge by one
// pixel, so sizes allow 1 pixel either way and colours are sampled inside.

#include "DirectorTestSupport.h"
#include "ParticleTestSupport.h"
#include "platform/Application.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/RunLoop.h"
#include "platform/Time.h"
#include "platform/Window.h"
#include "support/TestSupport.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCParticleSystemPoint.h"
#include "tessera/CCParticleSystemQuad.h"
#include "tessera/CCScene.h"
#include "tessera/CCTextureCache.h"
#include "tessera/Platforms/iOS/EAGLView.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>

using platform::Ref;
using platform::Value;

namespace {

constexpr int kCentreColumn = 160;
constexpr int kCentreRow = 240;  // rows count down from the top

struct Span {
  int across = 0, down = 0;  // pixels unlike the background through the centre
  std::array<int, 3> centre{};
};

class CCParticleSystemRenderTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::facts().headless = true;
    Ref<EAGLView> probe = EAGLView::viewWithFrame(CGRectMake(0, 0, 8, 8));
    if (!probe) GTEST_SKIP() << "no OpenGL ES 1.1 context can be made here";
    folder_.emplace();
    ASSERT_TRUE(CCDirector::setDirectorType(kCCDirectorTypeDisplayLink));
    director_ = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    director_->setPixelFormat(kCCPixelFormatRGBA8888);
    window_ = platform::Window::windowWithFrame(CGRectMake(0, 0, 320, 480));
    ASSERT_TRUE(director_->attachInWindow(window_.get()));
  }
  void TearDown() override {
    if (!director_) return;
    CCDirector::purgeSharedDirector();
    window_ = nullptr;
    CCTextureCache::purgeSharedTextureCache();
    folder_.reset();
    testing_support::purgeDirectorAndLoop();
  }

  // One still particle of `size` points and `color` at the centre.
  template <class System>
  System* still(float size, ccColor4F color) {
    System* system =
        platform::createAutoreleased<System>([](System& s) { return s.initWithTotalParticles(1); });
    configureStill(system, size, color);
    return system;
  }
  static void configureStill(CCParticleSystem* system, float size, ccColor4F color) {
    system->setDuration(kCCParticleDurationInfinity);
    system->setEmissionRate(1000);
    system->setLife(100);
    system->setLifeVar(0);
    system->setStartSize(size);
    system->setEndSize(kCCParticleStartSizeEqualToEndSize);
    system->setStartColor(color);
    system->setEndColor(color);
    system->setPosVar(CGPointZero);
    system->setPosition(CGPointMake(kCentreColumn, 480 - kCentreRow));
  }
  CCTexture2D* whiteTexture() {
    folder_->write("white.png", particle_test::solidPNG(16, 255, 255, 255));
    return CCTextureCache::sharedTextureCache()->addImage("white.png");
  }

  // Shows `system` over blue, draws a few frames and measures the square.
  Span draw(CCParticleSystem* system) {
    CCScene* scene = CCScene::node();
    scene->addChild(CCLayerColor::layerWithColor({0, 0, 255, 255}));
    scene->addChild(system);
    director_->runWithScene(scene);
    window_->makeKeyAndVisible();
    platform::forgetLastPresentedFrame();
    platform::RunLoop::main().runFor(0.05);
    const platform::CapturedFrame frame = platform::captureLastPresentedFrame();
    Span span;
    if (frame.width != 320 || frame.height != 480) {
      ADD_FAILURE() << "captured " << frame.width << "x" << frame.height;
      return span;
    }
    auto pixel = [&](int column, int row) { return &frame.rgba[(std::size_t(row) * frame.width + column) * 4]; };
    auto isBackground = [&](int column, int row) {
      const std::uint8_t* p = pixel(column, row);
      return p[0] < 40 && p[1] < 40 && p[2] > 215;
    };
    for (int column = 0; column < frame.width; ++column) span.across += !isBackground(column, kCentreRow);
    for (int row = 0; row < frame.height; ++row) span.down += !isBackground(kCentreColumn, row);
    const std::uint8_t* c = pixel(kCentreColumn, kCentreRow);
    span.centre = {c[0], c[1], c[2]};
    return span;
  }

  platform::ManualClock clock_;
  std::optional<particle_test::ResourceFolder> folder_;
  particle_test::ZeroVarianceDraws draws_;
  CCDirectorIOS* director_ = nullptr;
  Ref<platform::Window> window_;
};

void expectColour(std::array<int, 3> expected, std::array<int, 3> actual) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(expected[i], actual[i], 3) << "channel " << i;
}

TEST_F(CCParticleSystemRenderTest, QuadWithNormalBlendingCoversItsSquare) {
  CCParticleSystemQuad* system = still<CCParticleSystemQuad>(32, {1, 0, 0, 1});
  system->setTexture(whiteTexture());
  const Span span = draw(system);
  EXPECT_NEAR(32, span.across, 1);
  EXPECT_NEAR(32, span.down, 1);
  expectColour({255, 0, 0}, span.centre);  // opaque: the blue is replaced
}

TEST_F(CCParticleSystemRenderTest, QuadWithAdditiveBlendingAddsToTheBackground) {
  CCParticleSystemQuad* system = still<CCParticleSystemQuad>(24, {1, 0, 0, 1});
  system->setTexture(whiteTexture());
  system->setBlendAdditive(true);
  const Span span = draw(system);
  EXPECT_NEAR(24, span.across, 1);
  EXPECT_NEAR(24, span.down, 1);
  expectColour({255, 0, 255}, span.centre);  // red added to blue
}

TEST_F(CCParticleSystemRenderTest, PointSpriteCoversItsSize) {
  CCParticleSystemPoint* system = still<CCParticleSystemPoint>(16, {0, 1, 0, 1});
  system->setTexture(whiteTexture());
  const Span span = draw(system);
  EXPECT_NEAR(16, span.across, 1);
  EXPECT_NEAR(16, span.down, 1);
  expectColour({0, 255, 0}, span.centre);
}

TEST_F(CCParticleSystemRenderTest, FileWithEmbeddedImageDrawsThatImage) {
  Value d = particle_test::gravityDictionary();
  Value::Dict* keys = d.asMutableDict();
  keys->set("maxParticles", 1);
  keys->set("textureFileName", "embedded-yellow.png");
  keys->set("textureImageData", particle_test::base64(particle_test::pack(particle_test::solidPNG(16, 255, 255, 0), true)));
  keys->set("blendFuncSource", 1);
  keys->set("blendFuncDestination", 771);
  for (const char* key : {"startColorRed", "startColorGreen", "startColorBlue", "startColorAlpha", "finishColorRed",
                          "finishColorGreen", "finishColorBlue", "finishColorAlpha"}) {
    keys->set(key, 1.0);
  }
  keys->set("startColorVarianceRed", 0.0);
  folder_->writePlist("yellow.plist", d);
  CCParticleSystemQuad* system = CCParticleSystemQuad::particleWithFile("yellow.plist");
  ASSERT_NE(nullptr, system);
  ASSERT_NE(nullptr, system->texture());
  configureStill(system, 20, {1, 1, 1, 1});
  system->setSpeed(0);
  system->setGravity(CGPointZero);
  system->setRadialAccel(0);
  system->setTangentialAccel(0);
  const Span span = draw(system);
  EXPECT_NEAR(20, span.across, 1);
  EXPECT_NEAR(20, span.down, 1);
  expectColour({255, 255, 0}, span.centre);  // white particles show the image's yellow
}

}  // namespace
