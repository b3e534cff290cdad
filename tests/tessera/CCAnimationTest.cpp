// Frame animations, the animation cache, and the action that plays them on
// a sprite.

#include "tessera/CCAnimate.h"
#include "tessera/CCAnimation.h"
#include "tessera/CCAnimationCache.h"

#include "SpriteTestSupport.h"
#include "support/TestSupport.h"
#include "tessera/CCSprite.h"
#include "tessera/CCSpriteFrame.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace sprite_test;
using platform::Ref;
using testing::ElementsAre;
using testing::MatchesRegex;
using testing_support::AssertionRecorder;

namespace {

// [SECTION] Animation and cache

using CCAnimationCacheTest = SpriteTestBase;

TEST_F(CCAnimationCacheTest, AnimationKeepsACopyOfTheCallersFrames) {
  CCAnimation* empty = CCAnimation::animation();
  ASSERT_NE(nullptr, empty->frames()) << "empty, not absent";
  empty->addFrame(CCSpriteFrame::frameWithTexture(nullptr, CGRectZero));
  EXPECT_EQ(1u, empty->frames()->count());

  CCSpriteFrame* frame = CCSpriteFrame::frameWithTexture(nullptr, CGRectZero);
  CCArray* callers = CCArray::arrayWithObjects({frame, frame, frame});
  CCAnimation* animation = CCAnimation::animationWithName("walk", 0.1f, callers);
  callers->removeAllObjects();
  EXPECT_EQ(3u, animation->frames()->count());
  EXPECT_THAT(animation->description(), MatchesRegex("<CCAnimation = [0-9A-F]{8,} \\| frames=3, delay:0\\.100000>"));
}

TEST_F(CCAnimationCacheTest, FilesByTheGivenNameAndReleasesWhatItDrops) {
  CCAnimationCache* cache = CCAnimationCache::sharedAnimationCache();
  Ref<CCAnimation> walk = Ref<CCAnimation>::adopt(new CCAnimation());
  walk->initWithName("walk");
  Ref<CCAnimation> run = Ref<CCAnimation>::adopt(new CCAnimation());
  run->init();

  cache->addAnimation(walk, "run");
  EXPECT_EQ(nullptr, cache->animationByName("walk")) << "the animation's own name is not used";
  cache->addAnimation(run, "run");
  EXPECT_EQ(run.get(), cache->animationByName("run"));
  EXPECT_EQ(1u, walk->retainCount()) << "the replaced animation is released";
  cache->removeAnimationByName("unknown");
  EXPECT_THAT(cache->description(), MatchesRegex("<CCAnimationCache = [0-9A-F]{8,} \\| num of animations = 1>"));

  CCAnimationCache::purgeSharedAnimationCache();
  EXPECT_EQ(1u, run->retainCount());
  EXPECT_EQ(nullptr, CCAnimationCache::sharedAnimationCache()->animationByName("run")) << "a new, empty cache";

  AssertionRecorder assertions;
  (new CCAnimationCache())->release();
  EXPECT_THAT(assertions.messages(), ElementsAre("Attempted to allocate a second instance of a singleton."));
  EXPECT_THAT(assertions.files(), ElementsAre("libs/tessera/CCAnimationCache.cpp"));
}

// [SECTION] Playing on a sprite

// A 32x8 texture; frame i shows the 4x4 cell at x = 4i, and the sprite
// starts on a rectangle no frame uses.
class CCAnimateTest : public SpriteGLTest {
 protected:
  void SetUp() override {
    SpriteGLTest::SetUp();
    if (IsSkipped()) return;
    texture_ = blankTexture(32, 8, CGSizeMake(32, 8));
    sprite_ = CCSprite::spriteWithTexture(texture_, kOriginal);
  }
  void TearDown() override {
    sprite_ = nullptr;
    texture_ = nullptr;
    SpriteGLTest::TearDown();
  }
  CCAnimation* animationOf(int frames, float delay) {
    CCAnimation* animation = CCAnimation::animationWithFrames(nullptr, delay);
    for (int i = 0; i < frames; ++i) animation->addFrameWithTexture(texture_, CGRectMake(4.0f * i, 0, 4, 4));
    return animation;
  }
  // The index of the frame the sprite shows, or -1 for the original rectangle.
  int shown() const {
    const CGRect rect = sprite_->textureRect();
    return CGRectEqualToRect(rect, kOriginal) ? -1 : static_cast<int>(rect.origin.x / 4);
  }

  static constexpr CGRect kOriginal{{28, 4}, {4, 4}};
  Ref<CCTexture2D> texture_;
  Ref<CCSprite> sprite_;
};

TEST_F(CCAnimateTest, ShowsTheFrameForTheTimeAndRestoresTheOriginal) {
  CCAnimate* action = CCAnimate::actionWithAnimation(animationOf(4, 0.25f));
  EXPECT_FLOAT_EQ(1.0f, action->duration());
  action->startWithTarget(sprite_);
  std::vector<int> frames;
  for (float t : {0.0f, 0.24f, 0.25f, 0.5f, 0.99f, 1.0f}) {
    action->update(t);
    frames.push_back(shown());
  }
  EXPECT_THAT(frames, ElementsAre(0, 0, 1, 2, 3, 3)) << "t = 1 stays on the last frame";
  action->stop();
  EXPECT_EQ(-1, shown());

  CCAnimate* keep = CCAnimate::actionWithAnimation(animationOf(4, 0.25f), false);
  keep->startWithTarget(sprite_);
  keep->update(1.0f);
  keep->stop();
  EXPECT_EQ(3, shown()) << "without the flag the last frame stays";
}

TEST_F(CCAnimateTest, StepsThroughTimeAndSeesFramesAddedWhilePlaying) {
  CCAnimation* animation = animationOf(4, 0.25f);
  CCAnimate* action = CCAnimate::actionWithAnimation(animation);
  action->startWithTarget(sprite_);
  action->step(0.3f);  // the first step only starts the clock
  EXPECT_EQ(0, shown());
  action->step(0.5f);
  EXPECT_EQ(2, shown());
  for (int i = 4; i < 8; ++i) animation->addFrameWithTexture(texture_, CGRectMake(4.0f * i, 0, 4, 4));
  action->step(0.3f);  // t = 0.8 of eight frames
  EXPECT_EQ(6, shown());

  CCAnimate* empty = CCAnimate::actionWithDuration(1.0f, CCAnimation::animation(), true);
  empty->startWithTarget(sprite_);
  empty->update(0.5f);  // no frame to show: nothing changes
  EXPECT_EQ(6, shown());
}

TEST_F(CCAnimateTest, CopySharesTheAnimationReverseCopiesFramesBackwards) {
  CCAnimation* animation = animationOf(3, 0.2f);
  Ref<CCAnimate> action = CCAnimate::actionWithDuration(2.0f, animation, false);
  Ref<CCAnimate> copy = Ref<CCAnimate>::adopt(action->copy());
  EXPECT_EQ(animation, copy->animation());
  EXPECT_EQ(2.0f, copy->duration());

  auto* reversed = dynamic_cast<CCAnimate*>(action->reverse());
  ASSERT_NE(nullptr, reversed);
  EXPECT_EQ(2.0f, reversed->duration());
  EXPECT_FALSE(reversed->restoreOriginalFrame());
  EXPECT_EQ(0.2f, reversed->animation()->delay());
  ASSERT_EQ(3u, reversed->animation()->frames()->count());
  for (std::uint32_t i = 0; i < 3; ++i) {
    auto* frame = static_cast<CCSpriteFrame*>(reversed->animation()->frames()->objectAtIndex(i));
    EXPECT_EQ(4.0f * (2 - i), frame->rect().origin.x);
    EXPECT_NE(animation->frames()->objectAtIndex(2 - i), frame) << "copies, not the same frames";
  }

  AssertionRecorder assertions;
  EXPECT_EQ(nullptr, CCAnimate::actionWithDuration(1.0f, nullptr, true));
  EXPECT_THAT(assertions.messages(), ElementsAre("Animate: argument Animation must be non-nil"));
}

TEST_F(CCAnimateTest, FrameFromAFileCoversTheImageNotItsPowerOfTwoTexture) {
  writePNG("frame.png", Picture(3, 5));
  CCAnimation* animation = CCAnimation::animation();
  animation->addFrameWithFilename("frame.png");
  auto* frame = static_cast<CCSpriteFrame*>(animation->frames()->objectAtIndex(0));
  EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 3, 5), frame->rect()));
  EXPECT_EQ(8u, frame->texture()->pixelsHigh());
}

}  // namespace
