#include "tessera/CCSprite.h"

#include "SpriteTestSupport.h"
#include "platform/Log.h"
#include "support/TestSupport.h"
#include "tessera/CCAnimation.h"
#include "tessera/CCAnimationCache.h"
#include "tessera/CCSpriteFrame.h"
#include "tessera/Support/CCArray.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>

using platform::Ref;
using testing::ElementsAre;
using namespace sprite_test;

namespace {

testing::AssertionResult texCoordIs(ccTex2F expected, ccTex2F actual) {
  if (expected.u == actual.u && expected.v == actual.v) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "expected (" << expected.u << ", " << expected.v << "), got (" << actual.u
                                     << ", " << actual.v << ")";
}

testing::AssertionResult colorIs(ccColor4B expected, ccColor4B actual) {
  if (expected == actual) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "expected (" << int(expected.r) << "," << int(expected.g) << ","
                                     << int(expected.b) << "," << int(expected.a) << "), got (" << int(actual.r)
                                     << "," << int(actual.g) << "," << int(actual.b) << "," << int(actual.a) << ")";
}

class CCSpriteTest : public SpriteGLTest {
 protected:
  // The test sheet's frames, from a format-2 list.
  void loadSheet() {
    writePNG("sheet.png", sheetPicture());
    writeList("sheet.plist", sheetList(2));
    CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile("sheet.plist");
    ASSERT_EQ(sheetFrames().size(), CCSpriteFrameCache::sharedSpriteFrameCache()->frameCount());
  }
  static CCSpriteFrame* frame(const char* name) {
    return CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name);
  }
  // A sprite of a sheet frame, centred at (x, y).
  static CCSprite* spriteAt(const char* name, float x, float y) {
    CCSprite* sprite = CCSprite::spriteWithSpriteFrameName(name);
    if (sprite) sprite->setPosition(CGPointMake(x, y));
    return sprite;
  }
};

// [SECTION] Texture coordinates and vertices

TEST_F(CCSpriteTest, AWholeTextureMapsOnlyItsPicture) {
  Ref<CCTexture2D> texture = blankTexture(128, 64, CGSizeMake(100, 60));
  CCSprite* sprite = CCSprite::spriteWithTexture(texture);
  ASSERT_NE(nullptr, sprite);
  const ccV3F_C4B_T2F_Quad& q = sprite->quad();
  EXPECT_TRUE(texCoordIs({0, 0.9375f}, q.bl.texCoords));
  EXPECT_TRUE(texCoordIs({0.78125f, 0}, q.tr.texCoords));
  EXPECT_EQ(100, q.tr.vertices.x);
  EXPECT_EQ(60, q.tr.vertices.y);
}

TEST_F(CCSpriteTest, FrameCoordinatesHonourRotationAndFlips) {
  Ref<CCTexture2D> texture = blankTexture(256, 256, CGSizeMake(256, 256));
  const float left = 10 / 256.0f, top = 20 / 256.0f;
  CCSprite* sprite =
      CCSprite::spriteWithSpriteFrame(CCSpriteFrame::frameWithTexture(texture, CGRectMake(10, 20, 16, 8), false,
                                                                      CGPointZero, CGSizeMake(16, 8)));
  ASSERT_NE(nullptr, sprite);
  EXPECT_TRUE(texCoordIs({0.1015625f, top}, sprite->quad().tr.texCoords));
  sprite->setFlipX(true);
  EXPECT_TRUE(texCoordIs({0.1015625f, 0.109375f}, sprite->quad().bl.texCoords));

  // Stored turned: the region is 8 wide and 16 high, and the picture's
  // bottom-left corner is the region's top-left one.
  CCSprite* turned = CCSprite::spriteWithSpriteFrame(
      CCSpriteFrame::frameWithTexture(texture, CGRectMake(10, 20, 16, 8), true, CGPointZero, CGSizeMake(16, 8)));
  ASSERT_NE(nullptr, turned);
  EXPECT_TRUE(texCoordIs({left, top}, turned->quad().bl.texCoords));
  EXPECT_TRUE(texCoordIs({left + 8 / 256.0f, top + 16 / 256.0f}, turned->quad().tr.texCoords));
  EXPECT_EQ(16, turned->quad().br.vertices.x) << "drawn upright: 16 wide";
}

TEST_F(CCSpriteTest, TrimmedFramesSitInTheirUntrimmedBox) {
  Ref<CCTexture2D> texture = blankTexture(64, 64, CGSizeMake(64, 64));
  CCSpriteFrame* trimmed = CCSpriteFrame::frameWithTexture(texture, CGRectMake(0, 0, 20, 30), false,
                                                           CGPointMake(3, -2), CGSizeMake(40, 40));
  CCSprite* sprite = CCSprite::spriteWithSpriteFrame(trimmed);
  ASSERT_NE(nullptr, sprite);
  EXPECT_TRUE(CGPointEqualToPoint(CGPointMake(13, 3), sprite->offsetPositionInPixels()));
  EXPECT_TRUE(CGSizeEqualToSize(CGSizeMake(40, 40), sprite->contentSizeInPixels()));
  EXPECT_EQ(13, sprite->quad().bl.vertices.x);
  EXPECT_EQ(33, sprite->quad().tr.vertices.y);

  // Flipped before the frame is shown: the offset is mirrored.
  CCSprite* mirrored = CCSprite::spriteWithTexture(texture);
  mirrored->setFlipX(true);
  mirrored->setDisplayFrame(trimmed);
  EXPECT_TRUE(CGPointEqualToPoint(CGPointMake(7, 3), mirrored->offsetPositionInPixels()));

  // Flipped afterwards: the box shrinks to the trimmed size.
  sprite->setFlipX(true);
  EXPECT_TRUE(CGSizeEqualToSize(CGSizeMake(20, 30), sprite->contentSizeInPixels()));
  EXPECT_TRUE(CGPointEqualToPoint(CGPointMake(-3, -2), sprite->offsetPositionInPixels()));
}

// [SECTION] Colour and blending

TEST_F(CCSpriteTest, PremultipliedTexturesScaleTheColourByTheOpacity) {
  loadSheet();
  CCSprite* sprite = CCSprite::spriteWithSpriteFrameName("white.png");
  ASSERT_NE(nullptr, sprite);
  ASSERT_TRUE(sprite->texture()->hasPremultipliedAlpha());
  EXPECT_EQ((ccBlendFunc{GL_ONE, GL_ONE_MINUS_SRC_ALPHA}), sprite->blendFunc());

  sprite->setColor(ccc3(255, 100, 0));
  sprite->setOpacity(128);
  for (const ccV3F_C4B_T2F* v : {&sprite->quad().bl, &sprite->quad().br, &sprite->quad().tl, &sprite->quad().tr}) {
    EXPECT_TRUE(colorIs(ccc4(128, 50, 0, 128), v->colors));
  }
  EXPECT_EQ(ccc3(255, 100, 0), sprite->color()) << "the colour as set";

  sprite->setOpacityModifyRGB(false);
  EXPECT_TRUE(colorIs(ccc4(255, 100, 0, 128), sprite->quad().tr.colors));
  EXPECT_EQ(ccc3(255, 100, 0), sprite->color());
  sprite->setOpacityModifyRGB(true);
  EXPECT_TRUE(colorIs(ccc4(128, 50, 0, 128), sprite->quad().tl.colors));

  // Straight alpha: the colour stays and blending goes by source alpha.
  CCSprite* straight = CCSprite::spriteWithTexture(blankTexture(8, 8, CGSizeMake(8, 8)));
  EXPECT_EQ((ccBlendFunc{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}), straight->blendFunc());
  straight->setColor(ccc3(255, 100, 0));
  straight->setOpacity(128);
  EXPECT_TRUE(colorIs(ccc4(255, 100, 0, 128), straight->quad().bl.colors));
}

// [SECTION] Frames

TEST_F(CCSpriteTest, FramesOnDisplayAreRecognisedByRectangleAndGLName) {
  loadSheet();
  CCSprite* sprite = CCSprite::spriteWithSpriteFrameName("red.png");
  ASSERT_NE(nullptr, sprite);
  EXPECT_TRUE(sprite->isFrameDisplayed(frame("red.png")));
  EXPECT_FALSE(sprite->isFrameDisplayed(frame("green.png")));

  Ref<CCTexture2D> other = blankTexture(64, 64, CGSizeMake(64, 64));
  EXPECT_FALSE(sprite->isFrameDisplayed(CCSpriteFrame::frameWithTexture(other, CGRectMake(0, 0, 16, 16))));

  sprite->setDisplayFrame(frame("trimmed.png"));
  CCSpriteFrame* shown = sprite->displayedFrame();
  EXPECT_TRUE(CGRectEqualToRect(CGRectMake(32, 16, 16, 16), shown->rect()));
  EXPECT_TRUE(CGPointEqualToPoint(CGPointZero, shown->offsetInPixels()));
  EXPECT_TRUE(CGSizeEqualToSize(CGSizeMake(16, 16), shown->originalSizeInPixels()));
  EXPECT_EQ(sprite->texture(), shown->texture());
  EXPECT_TRUE(sprite->isFrameDisplayed(shown));

  // A frame of another texture brings its texture along.
  sprite->setDisplayFrame(CCSpriteFrame::frameWithTexture(other, CGRectMake(0, 0, 8, 8)));
  EXPECT_EQ(other.get(), sprite->texture());
}

TEST_F(CCSpriteTest, NamedAnimationsShowTheirFrames) {
  loadSheet();
  CCSprite* sprite = CCSprite::spriteWithSpriteFrameName("red.png");
  CCArray* frames = CCArray::arrayWithObjects({frame("green.png"), frame("blue.png")});
  sprite->addAnimation(CCAnimation::animationWithName("walk", 0.1f, frames));
  sprite->setDisplayFrame("walk", 1);
  EXPECT_TRUE(sprite->isFrameDisplayed(frame("blue.png")));

  CCAnimationCache::sharedAnimationCache()->addAnimation(CCAnimation::animationWithFrames(frames), "run");
  sprite->setDisplayFrameWithAnimationName("run", 0);
  EXPECT_TRUE(sprite->isFrameDisplayed(frame("green.png")));

  testing_support::AssertionRecorder assertions;
  sprite->setDisplayFrame("walk", 2);
  sprite->setDisplayFrame("walk", -1);
  sprite->setDisplayFrameWithAnimationName("fly", 0);
  EXPECT_THAT(assertions.messages(),
              ElementsAre("CCSprite#setDisplayFrame. Invalid frame", "CCSprite#setDisplayFrame. Invalid frame",
                          "CCSprite#setDisplayFrameWithAnimationName: Frame not found"));
  EXPECT_TRUE(sprite->isFrameDisplayed(frame("green.png"))) << "unchanged";
}

TEST_F(CCSpriteTest, InvalidSourcesAssertOrGiveNoSprite) {
  testing_support::AssertionRecorder assertions;
  EXPECT_EQ(nullptr, CCSprite::spriteWithTexture(nullptr));
  EXPECT_EQ(nullptr, CCSprite::spriteWithFile(""));
  EXPECT_EQ(nullptr, CCSprite::spriteWithSpriteFrame(nullptr));
  EXPECT_EQ(nullptr, CCSprite::spriteWithCGImage(nullptr));
  EXPECT_THAT(assertions.messages(), ElementsAre("Invalid texture for sprite", "Invalid filename for sprite",
                                                 "Invalid spriteFrame for sprite", "Invalid CGImageRef for sprite"));

  // A file that cannot be loaded is no programming error: nothing asserts.
  assertions.clear();
  platform::setLogSink([](std::string_view) {});
  EXPECT_EQ(nullptr, CCSprite::spriteWithFile("missing.png"));
  platform::setLogSink({});
  EXPECT_TRUE(assertions.empty());
}

// [SECTION] Drawing

class CCSpriteFlipTest : public CCSpriteTest, public testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(CCSpriteFlipTest, RotatedFramesDrawLikeTheUprightPicture) {
  // The same picture, stored upright and stored turned, must draw the same
  // under every flip: the upright copy is the oracle.
  const auto [flipX, flipY] = GetParam();
  loadSheet();
  for (const char* name : {"quad.png", "quadRotated.png"}) {
    SCOPED_TRACE(name);
    CCSprite* sprite = spriteAt(name, 32, 32);
    sprite->setScale(2);  // 32 x 16 on screen: x 16..48, y 24..40
    sprite->setFlipX(flipX);
    sprite->setFlipY(flipY);
    render(sprite);
    for (int px : {1, 6, 9, 14}) {
      for (int py : {1, 2, 5, 6}) {
        const int sourceX = flipX ? 15 - px : px;
        const int sourceY = flipY ? 7 - py : py;
        EXPECT_TRUE(colorNear(quadColor(sourceX, sourceY), pixel(16 + 2 * px + 1, 40 - 2 * py - 1)))
            << "picture pixel (" << px << ", " << py << ")";
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Flips, CCSpriteFlipTest, testing::Combine(testing::Bool(), testing::Bool()));

TEST_F(CCSpriteTest, RotationTurnsClockwiseAboutTheAnchor) {
  loadSheet();
  CCSprite* sprite = spriteAt("quadRotated.png", 32, 32);
  sprite->setScale(2);
  sprite->setRotation(90);  // 16 x 32 on screen: x 24..40, y 16..48
  render(sprite);
  // The picture's top edge (blue, yellow) now faces right.
  EXPECT_TRUE(colorNear(kBlue, pixel(37, 44)));
  EXPECT_TRUE(colorNear(kYellow, pixel(37, 20)));
  EXPECT_TRUE(colorNear(kCyan, pixel(27, 44)));
  EXPECT_TRUE(colorNear(kMagenta, pixel(27, 20)));
  EXPECT_TRUE(colorNear(kBlack, pixel(20, 32)));
}

TEST_F(CCSpriteTest, OpacityAndTintBlendOverWhatIsBehind) {
  loadSheet();
  struct Case {
    const char* frame;
    ccColor3B color;
    GLubyte opacity;
    Rgba expected;
  };
  const Case cases[] = {
      {"white.png", ccc3(255, 100, 0), 255, {255, 100, 0, 255}},
      {"white.png", ccc3(255, 100, 0), 128, {128, 50, 0, 255}},
      {"red.png", ccWHITE, 128, {128, 0, 0, 255}},
      {"red.png", ccWHITE, 0, kBlack},
  };
  for (const Case& c : cases) {
    CCSprite* sprite = spriteAt(c.frame, 32, 32);
    sprite->setColor(c.color);
    sprite->setOpacity(c.opacity);
    render(sprite);
    EXPECT_TRUE(colorNear(c.expected, pixel(32, 32))) << c.frame << " at opacity " << int(c.opacity);
  }
}

}  // namespace
