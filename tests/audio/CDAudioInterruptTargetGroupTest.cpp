// Interrupt groups: switches reaching every member in order, only on a
// change, members joining a switched group, nested groups, removal by
// identity, and real sources and the engine as members.

#include "audio/CDAudioInterruptTargetGroup.h"
#include "audio/CDSoundEngine.h"
#include "audio/CDSoundSource.h"

#include "audio/SoundFixtures.h"
#include "platform/Ref.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using audio::CDAudioInterruptTargetGroup;
using audio::CDSoundEngine;
using audio::CDSoundSource;
using platform::Ref;
using testing::ElementsAre;
using testing::IsEmpty;

// A member that writes every switch it receives into a shared transcript.
class RecordingTarget : public platform::Object {
  PLATFORM_CLASS(RecordingTarget, platform::Object)
 public:
  static RecordingTarget* make(std::string name, std::vector<std::string>* transcript) {
    auto* target = new RecordingTarget();
    target->name_ = std::move(name);
    target->transcript_ = transcript;
    target->autorelease();
    return target;
  }
  void setMute(bool mute) {
    transcript_->push_back(name_ + (mute ? " mute" : " unmute"));
    if (onSwitch_) onSwitch_();
  }
  void setEnabled(bool enabled) { transcript_->push_back(name_ + (enabled ? " enable" : " disable")); }
  std::function<void()> onSwitch_;

 private:
  std::string name_;
  std::vector<std::string>* transcript_ = nullptr;
};

class CDAudioInterruptTargetGroupTest : public testing::Test {
 protected:
  RecordingTarget* target(const std::string& name) { return RecordingTarget::make(name, &transcript_); }

  std::vector<std::string> transcript_;
  Ref<CDAudioInterruptTargetGroup> group_ = CDAudioInterruptTargetGroup::group();
};

TEST_F(CDAudioInterruptTargetGroupTest, SwitchesReachEveryTargetInOrderOnlyOnAChange) {
  group_->addAudioInterruptTarget(target("a"));
  group_->addAudioInterruptTarget(target("b"));
  EXPECT_THAT(transcript_, ElementsAre("a unmute", "a enable", "b unmute", "b enable"))
      << "a new member takes the group's flags";
  transcript_.clear();

  group_->setMute(true);
  group_->setMute(true);
  group_->setEnabled(true);
  group_->setEnabled(false);
  EXPECT_THAT(transcript_, ElementsAre("a mute", "b mute", "a disable", "b disable"));
  transcript_.clear();
  group_->addAudioInterruptTarget(target("late"));
  EXPECT_THAT(transcript_, ElementsAre("late mute", "late disable")) << "a member joining a muted group is muted";
}

TEST_F(CDAudioInterruptTargetGroupTest, NestedGroupsPassSwitchesDownAndSettleWhenTheyContainEachOther) {
  Ref<CDAudioInterruptTargetGroup> inner = CDAudioInterruptTargetGroup::group();
  inner->addAudioInterruptTarget(target("inner"));
  group_->addAudioInterruptTarget(target("outer"));
  group_->addAudioInterruptTarget(inner.get());
  transcript_.clear();

  group_->setMute(true);
  EXPECT_TRUE(inner->mute());
  inner->addAudioInterruptTarget(target("joined"));
  EXPECT_THAT(transcript_, ElementsAre("outer mute", "inner mute", "joined mute", "joined enable"));
  transcript_.clear();

  // Each group tells the other; the stored flag ends the round.
  inner->addAudioInterruptTarget(group_.get());
  inner->setMute(false);
  EXPECT_FALSE(group_->mute());
  EXPECT_THAT(transcript_, ElementsAre("inner unmute", "joined unmute", "outer unmute"));
  inner->removeAudioInterruptTarget(group_.get());  // break the cycle of references
}

TEST_F(CDAudioInterruptTargetGroupTest, RemovalTakesEveryOccurrenceOfThatVeryObject) {
  RecordingTarget* twice = target("twice");
  Ref<RecordingTarget> leaver = target("leaver");
  leaver->onSwitch_ = [this, object = leaver.get()] { group_->removeAudioInterruptTarget(object); };
  group_->addAudioInterruptTarget(twice);
  group_->addAudioInterruptTarget(leaver.get());
  group_->addAudioInterruptTarget(twice);
  group_->addAudioInterruptTarget(target("kept"));
  group_->removeAudioInterruptTarget(target("twice"));  // equal name, other object
  EXPECT_EQ(group_->audioInterruptTargetCount(), 4u);
  group_->removeAudioInterruptTarget(twice);
  transcript_.clear();

  // The leaver goes while being switched; the member after it is not skipped.
  group_->setMute(true);
  group_->setMute(false);
  EXPECT_THAT(transcript_, ElementsAre("leaver mute", "kept mute", "kept unmute"));
  EXPECT_EQ(group_->audioInterruptTargetCount(), 1u);
}

TEST_F(CDAudioInterruptTargetGroupTest, AddingTheGroupToItselfInvalid) {
  testing_support::LogCapture log;
  const std::uint32_t count = group_->retainCount();
  group_->addAudioInterruptTarget(group_.get());
  EXPECT_EQ(group_->audioInterruptTargetCount(), 0u);
  EXPECT_EQ(group_->retainCount(), count) << "the group would own itself";
  EXPECT_THAT(log.text(), testing::HasSubstr("cannot be its own target"));
}

TEST(CDAudioInterruptTargetGroupAudioTest, MutesAndDisablesRealSourcesAndTheEngine) {
  Ref<CDSoundEngine> engine = CDSoundEngine::soundEngine();
  if (!engine->functioning()) GTEST_SKIP() << "no OpenAL device (set ALSOFT_DRIVERS=null)";
  const std::vector<std::uint8_t> tone =
      sound_fixtures::sampleBytes(sound_fixtures::toneSamples(4410, 1, 44100, 440, 0.5));
  ASSERT_TRUE(engine->loadBufferFromData(0, tone.data(), AL_FORMAT_MONO16, static_cast<int>(tone.size()), 44100));
  Ref<CDSoundSource> source = engine->soundSourceForSound(0, 0);
  ASSERT_TRUE(source);
  source->setGain(0.8f);
  engine->setMasterGain(0.5f);
  Ref<CDAudioInterruptTargetGroup> group = CDAudioInterruptTargetGroup::group();
  group->addAudioInterruptTarget(source.get());
  group->addAudioInterruptTarget(engine.get());

  ALfloat sourceGain = -1, listenerGain = -1;
  group->setMute(true);
  alGetSourcef(source->sourceId(), AL_GAIN, &sourceGain);
  alGetListenerf(AL_GAIN, &listenerGain);
  EXPECT_EQ(sourceGain, 0.0f);
  EXPECT_EQ(listenerGain, 0.0f);
  group->setMute(false);
  alGetSourcef(source->sourceId(), AL_GAIN, &sourceGain);
  alGetListenerf(AL_GAIN, &listenerGain);
  EXPECT_EQ(sourceGain, 0.8f);
  EXPECT_EQ(listenerGain, 0.5f);

  group->setEnabled(false);
  EXPECT_FALSE(source->play()) << "a disabled source ignores play";
  EXPECT_EQ(engine->playSound(0, 0, 1, 0, 1, false), CDSoundEngine::kMutedCode);
  group->setEnabled(true);
  EXPECT_NE(engine->playSound(0, 0, 1, 0, 1, false), CDSoundEngine::kMutedCode);
}

}  // namespace
