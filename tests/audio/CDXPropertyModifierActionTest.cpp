// A fade run by the engine's action manager: the action steps its modifier
// with the fraction of its duration each frame, ends on the exact end value
// and stops the source on its last frame; stopping the action half way
// leaves the gain where it got to.

#include "audio/CDPropertyModifier.h"
#include "audio/CDSoundEngine.h"
#include "audio/CDSoundSource.h"
#include "audio/CDXPropertyModifierAction.h"

#include "audio/SoundFixtures.h"
#include "platform/Ref.h"
#include "support/TestSupport.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCNode.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

using audio::CDSoundEngine;
using audio::CDSoundSource;
using audio::CDSoundSourceFader;
using audio::CDXPropertyModifierAction;
using platform::Ref;

class CDXPropertyModifierActionTest : public testing::Test {
 protected:
  void SetUp() override {
    engine_ = CDSoundEngine::soundEngine();
    if (!engine_->functioning()) GTEST_SKIP() << "no OpenAL device (set ALSOFT_DRIVERS=null)";
    const std::vector<std::uint8_t> tone =
        sound_fixtures::sampleBytes(sound_fixtures::toneSamples(4410, 1, 44100, 440, 0.5));
    ASSERT_TRUE(engine_->loadBufferFromData(0, tone.data(), AL_FORMAT_MONO16, static_cast<int>(tone.size()), 44100));
    source_ = engine_->soundSourceForSound(0, 0);
    ASSERT_TRUE(source_);
    source_->setLooping(true);
    ASSERT_TRUE(source_->play());
    node_ = CCNode::node();
  }
  void TearDown() override { CCActionManager::purgeSharedManager(); }

  // One 60 Hz frame of the action manager.
  static void frame() { CCActionManager::sharedManager()->update(1.0f / 60); }

  Ref<CDSoundEngine> engine_;
  Ref<CDSoundSource> source_;
  Ref<CCNode> node_;
};

TEST_F(CDXPropertyModifierActionTest, FadeFollowsTheActionsTimeThenStopsTheSourceOnTheLastFrame) {
  CDSoundSourceFader* fader = CDSoundSourceFader::modifierWithTarget(source_.get(), 0, 1.0f, 0.0f);
  fader->setStopTargetWhenComplete(true);
  CDXPropertyModifierAction* fade = CDXPropertyModifierAction::actionWithDuration(0.5f, fader);
  ASSERT_NE(fade, nullptr);
  CCActionManager::sharedManager()->addAction(fade, node_.get(), false);

  // An interval action's first step is at time 0; each later frame adds
  // 1/60 s, so frame i applies t = (i - 1) / 30 of this linear fade.
  for (int i = 1; i <= 30; ++i) {
    frame();
    EXPECT_NEAR(source_->gain(), 1.0f - static_cast<float>(i - 1) / 30.0f, 1e-4) << "frame " << i;
    EXPECT_TRUE(source_->isPlaying()) << "frame " << i;
  }
  frame();
  EXPECT_EQ(source_->gain(), 0.0f);
  EXPECT_FALSE(source_->isPlaying());
  EXPECT_EQ(CCActionManager::sharedManager()->numberOfRunningActionsInTarget(node_.get()), 0u);
}

TEST_F(CDXPropertyModifierActionTest, StoppedHalfWayLeavesTheGainWhereItGotAndTheSourcePlaying) {
  CDSoundSourceFader* fader = CDSoundSourceFader::modifierWithTarget(source_.get(), 0, 0.8f, 0.2f);
  fader->setStopTargetWhenComplete(true);
  CDXPropertyModifierAction* fade = CDXPropertyModifierAction::actionWithDuration(1.0f, fader);
  Ref<CDXPropertyModifierAction> copy = Ref<CDXPropertyModifierAction>::adopt(fade->copy());
  EXPECT_EQ(copy->modifier(), fader);
  EXPECT_EQ(copy->duration(), 1.0f);

  CCActionManager::sharedManager()->addAction(fade, node_.get(), false);
  for (int i = 0; i < 31; ++i) frame();  // t = 0.5
  CCActionManager::sharedManager()->removeAllActionsFromTarget(node_.get());
  for (int i = 0; i < 60; ++i) frame();
  EXPECT_NEAR(source_->gain(), 0.5f, 1e-4);
  EXPECT_TRUE(source_->isPlaying());
}

TEST(CDXPropertyModifierActionInitTest, InvalidWithoutAModifier) {
  testing_support::LogCapture log;
  EXPECT_EQ(CDXPropertyModifierAction::actionWithDuration(1.0f, nullptr), nullptr);
  EXPECT_THAT(log.text(), testing::HasSubstr("no modifier to run"));
}

}  // namespace
