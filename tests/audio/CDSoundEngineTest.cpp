// The sound effect engine against OpenAL Soft's silent device: source choice
// in groups, the return codes, buffers, mute, handles, and an engine whose
// device cannot be opened.

#include "audio/CDSoundEngine.h"
#include "audio/CDSoundSource.h"

#include "audio/SoundFixtures.h"
#include "platform/AutoreleasePool.h"
#include "platform/Facts.h"
#include "platform/Notifications.h"
#include "platform/Ref.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

using audio::CDSoundEngine;
using audio::CDSoundSource;
using platform::Ref;
using testing::HasSubstr;
using testing_support::LogCapture;

constexpr int kTone = 0;

class CDSoundEngineTest : public testing::Test {
 protected:
  void SetUp() override {
    engine_ = CDSoundEngine::soundEngine();
    if (!engine_->functioning()) GTEST_SKIP() << "no OpenAL device (set ALSOFT_DRIVERS=null)";
    tone_ = sound_fixtures::sampleBytes(sound_fixtures::toneSamples(22050, 1, 22050, 440, 0.5));
    ASSERT_TRUE(engine_->loadBufferFromData(kTone, tone_.data(), AL_FORMAT_MONO16, static_cast<int>(tone_.size()),
                                            22050));
  }

  ALuint play(int group, bool loop = true) { return engine_->playSound(kTone, group, 1, 0, 1, loop); }

  Ref<CDSoundEngine> engine_;
  std::vector<std::uint8_t> tone_;
};

TEST_F(CDSoundEngineTest, StartsWithAllSourcesInOneGroupAndAWorkingGain) {
  EXPECT_EQ(engine_->sourceTotal(), CDSoundEngine::kMaxSources);
  EXPECT_EQ(engine_->sourceGroupTotal(), 1);
  EXPECT_EQ(engine_->bufferTotal(), CDSoundEngine::kInitialBuffers);
  EXPECT_TRUE(engine_->getGainWorks());
  EXPECT_TRUE(engine_->enabled());
  EXPECT_FALSE(engine_->mute());
}

TEST_F(CDSoundEngineTest, GroupsTakeConsecutiveSourcesRoundRobin) {
  const int sizes[] = {2, 3};
  ASSERT_TRUE(engine_->defineSourceGroups(sizes, 2));
  const ALuint first = play(0), second = play(0), third = play(0);
  EXPECT_NE(first, second);
  EXPECT_EQ(third, first) << "an interruptible group steals its oldest source";

  std::vector<ALuint> groupOne;
  for (int i = 0; i < 4; ++i) groupOne.push_back(play(1));
  EXPECT_EQ((std::set<ALuint>{groupOne[0], groupOne[1], groupOne[2]}).size(), 3u);
  EXPECT_EQ(groupOne[3], groupOne[0]);
  for (ALuint source : {groupOne[0], groupOne[1], groupOne[2]}) {
    EXPECT_NE(source, first);
    EXPECT_NE(source, second);
  }
}

TEST_F(CDSoundEngineTest, NonNumberGroupSizesCountAsZeroAndOversizedGroupsAreRefused) {
  ASSERT_TRUE(engine_->defineSourceGroups({platform::Value(1), platform::Value("three"), platform::Value(2)}));
  EXPECT_EQ(engine_->sourceGroupTotal(), 3);
  EXPECT_EQ(play(1), CDSoundEngine::kNoSourceCode) << "an empty group has nothing to play on";
  EXPECT_EQ(play(0), play(0)) << "a group of one reuses its source";

  LogCapture log;
  const int tooMany[] = {30, 3};
  EXPECT_FALSE(engine_->defineSourceGroups(tooMany, 2));
  const int negative[] = {-1};
  EXPECT_FALSE(engine_->defineSourceGroups(negative, 1));
  EXPECT_FALSE(engine_->defineSourceGroups(negative, -2));
  EXPECT_EQ(engine_->sourceGroupTotal(), 3) << "a refused definition keeps the old groups";
  EXPECT_THAT(log.text(), HasSubstr("33 sources refused, only 32"));
}

TEST_F(CDSoundEngineTest, NonInterruptibleGroupRefusesWhenEverySourcePlays) {
  const int sizes[] = {2};
  ASSERT_TRUE(engine_->defineSourceGroups(sizes, 1));
  engine_->setSourceGroupNonInterruptible(0, true);
  const ALuint first = play(0);
  const ALuint second = play(0);
  ASSERT_NE(first, CDSoundEngine::kNoSourceCode);
  ASSERT_NE(second, CDSoundEngine::kNoSourceCode);
  EXPECT_EQ(play(0), CDSoundEngine::kNoSourceCode);

  engine_->stopSound(second);
  EXPECT_EQ(play(0), second) << "a stopped source is free again";
}

TEST_F(CDSoundEngineTest, PlayReturnsTheMutedCodeWhenItCannotPlayAtAll) {
  EXPECT_EQ(engine_->playSound(5, 0, 1, 0, 1, false), CDSoundEngine::kMutedCode) << "nothing loaded";
  {
    LogCapture log;
    EXPECT_EQ(engine_->playSound(-1, 0, 1, 0, 1, false), CDSoundEngine::kMutedCode);
    EXPECT_EQ(engine_->playSound(9999, 0, 1, 0, 1, false), CDSoundEngine::kMutedCode);
    EXPECT_EQ(engine_->playSound(kTone, 7, 1, 0, 1, false), CDSoundEngine::kMutedCode);
    EXPECT_THAT(log.text(), HasSubstr("no sound 9999"));
    EXPECT_THAT(log.text(), HasSubstr("no source group 7"));
  }

  const ALuint playing = play(0);
  engine_->setSourceGroupEnabled(0, true);  // true switches the group off
  EXPECT_TRUE(engine_->sourceGroupEnabled(0));
  EXPECT_EQ(play(0), CDSoundEngine::kMutedCode);
  ALint state = 0;
  alGetSourcei(playing, AL_SOURCE_STATE, &state);
  EXPECT_NE(state, AL_PLAYING) << "switching a group off stops its sources";
  engine_->setSourceGroupEnabled(0, false);
  EXPECT_NE(play(0), CDSoundEngine::kMutedCode);

  const ALuint again = play(0);
  engine_->setEnabled(false);
  alGetSourcei(again, AL_SOURCE_STATE, &state);
  EXPECT_NE(state, AL_PLAYING) << "disabling stops every sound";
  EXPECT_EQ(play(0), CDSoundEngine::kMutedCode);
  engine_->setEnabled(true);
  EXPECT_NE(play(0), CDSoundEngine::kMutedCode);
}

TEST_F(CDSoundEngineTest, BuffersGrowBySixteenAndReportTheirDuration) {
  const std::uint8_t stereo8[8] = {};
  ASSERT_TRUE(engine_->loadBufferFromData(70, stereo8, AL_FORMAT_STEREO8, 8, 4));
  EXPECT_EQ(engine_->bufferTotal(), 80);
  EXPECT_TRUE(engine_->validateBufferId(79));
  EXPECT_FALSE(engine_->validateBufferId(80));
  EXPECT_FLOAT_EQ(engine_->bufferDurationInSeconds(70), 1.0f);  // 8 bytes / 4 Hz × 0.5
  EXPECT_FLOAT_EQ(engine_->bufferDurationInSeconds(kTone), 1.0f);
  EXPECT_EQ(engine_->bufferSizeInBytes(kTone), 44100);
  EXPECT_EQ(engine_->bufferFrequencyInHertz(kTone), 22050);
  EXPECT_EQ(engine_->bufferDurationInSeconds(-1), -1.0f);
  EXPECT_EQ(engine_->bufferSizeInBytes(80), -1);

  EXPECT_FALSE(engine_->loadBufferFromData(-1, stereo8, AL_FORMAT_STEREO8, 8, 4));
  EXPECT_FALSE(engine_->loadBufferFromData(3, nullptr, AL_FORMAT_MONO8, 8, 4));
  LogCapture log;
  EXPECT_FALSE(engine_->loadBufferFromData(4, stereo8, AL_FORMAT_STEREO8, 8, 0));
  EXPECT_FALSE(engine_->loadBufferFromData(4, stereo8, AL_FORMAT_STEREO16, 3, 8000)) << "not whole frames";
  EXPECT_EQ(engine_->playSound(4, 0, 1, 0, 1, false), CDSoundEngine::kMutedCode);
  EXPECT_THAT(log.text(), HasSubstr("sound 4"));
}

TEST_F(CDSoundEngineTest, UnloadingStopsItsSourcesAndLeavesTheSlotEmpty) {
  const ALuint source = play(0);
  ASSERT_TRUE(engine_->unloadBuffer(kTone));
  ALint state = 0, buffer = -1;
  alGetSourcei(source, AL_SOURCE_STATE, &state);
  alGetSourcei(source, AL_BUFFER, &buffer);
  EXPECT_NE(state, AL_PLAYING);
  EXPECT_EQ(buffer, 0);
  EXPECT_EQ(play(0), CDSoundEngine::kMutedCode);
  // Reloading over a loaded buffer works too.
  ASSERT_TRUE(engine_->loadBufferFromData(kTone, tone_.data(), AL_FORMAT_MONO16, 100, 22050));
  ASSERT_TRUE(engine_->loadBufferFromData(kTone, tone_.data(), AL_FORMAT_MONO16, 200, 22050));
  EXPECT_EQ(engine_->bufferSizeInBytes(kTone), 200);
  EXPECT_NE(play(0), CDSoundEngine::kMutedCode);
}

TEST_F(CDSoundEngineTest, MuteKeepsTheMasterGainAndUnmuteRestoresIt) {
  engine_->setMasterGain(0.8f);
  engine_->setMute(true);
  engine_->setMute(true);  // twice must not forget the gain
  ALfloat listener = -1;
  alGetListenerf(AL_GAIN, &listener);
  EXPECT_EQ(listener, 0.0f);
  EXPECT_FLOAT_EQ(engine_->masterGain(), 0.8f);
  engine_->setMasterGain(0.5f);
  alGetListenerf(AL_GAIN, &listener);
  EXPECT_EQ(listener, 0.0f) << "setting the gain while muted stays silent";
  engine_->setMute(false);
  alGetListenerf(AL_GAIN, &listener);
  EXPECT_FLOAT_EQ(listener, 0.5f);
  EXPECT_FLOAT_EQ(engine_->masterGain(), 0.5f);
}

TEST_F(CDSoundEngineTest, LockedHandleKeepsItsSourceUntilReleased) {
  const int sizes[] = {2};
  ASSERT_TRUE(engine_->defineSourceGroups(sizes, 1));
  ALuint locked = 0;
  {
    platform::AutoreleasePool pool;
    CDSoundSource* handle = engine_->soundSourceForSound(kTone, 0);
    ASSERT_NE(handle, nullptr);
    locked = handle->sourceId();
    EXPECT_EQ(handle->soundId(), kTone);
    EXPECT_FLOAT_EQ(handle->gain(), 1.0f);
    EXPECT_FLOAT_EQ(handle->pitch(), 1.0f);
    EXPECT_FLOAT_EQ(handle->pan(), 0.0f);
    EXPECT_FALSE(handle->looping());
    EXPECT_FLOAT_EQ(handle->durationInSeconds(), 1.0f);

    const ALuint other = play(0);
    EXPECT_NE(other, locked);
    EXPECT_EQ(play(0), other) << "the locked source is never chosen";
    EXPECT_NE(engine_->soundSourceForSound(kTone, 0), nullptr) << "the other source can still be locked";
    EXPECT_EQ(engine_->soundSourceForSound(kTone, 0), nullptr) << "every source is locked";
    EXPECT_EQ(play(0), CDSoundEngine::kNoSourceCode);
  }
  // The pool released both handles: their sources are back in the pool.
  std::set<ALuint> seen = {play(0), play(0)};
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen.count(locked), 1u);
}

TEST_F(CDSoundEngineTest, HandleMutesDisablesAndOutlivesItsEngine) {
  Ref<CDSoundSource> handle = engine_->soundSourceForSound(kTone, 0);
  ASSERT_TRUE(handle);
  handle->setGain(0.6f);
  handle->setMute(true);
  ALfloat gain = -1;
  alGetSourcef(handle->sourceId(), AL_GAIN, &gain);
  EXPECT_EQ(gain, 0.0f);
  EXPECT_FLOAT_EQ(handle->gain(), 0.6f);
  handle->setMute(false);
  EXPECT_FLOAT_EQ(handle->gain(), 0.6f);

  handle->setLooping(true);
  EXPECT_TRUE(handle->play());
  EXPECT_TRUE(handle->isPlaying());
  handle->setEnabled(false);
  EXPECT_FALSE(handle->isPlaying());
  EXPECT_FALSE(handle->play()) << "a disabled handle ignores play";

  handle->setSoundId(500);
  EXPECT_NE(handle->lastError(), AL_NO_ERROR);
  EXPECT_EQ(handle->soundId(), kTone);

  engine_ = nullptr;  // the engine goes first
  EXPECT_FALSE(handle->play());
  EXPECT_FALSE(handle->isPlaying());
}

TEST_F(CDSoundEngineTest, PlayWithoutACurrentContextAnnouncesItAndFindsNoSource) {
  int announced = 0;
  auto& center = platform::NotificationCenter::defaultCenter();
  const auto token = center.addObserver(this, CDSoundEngine::kBadContextNotification,
                                        [&](const platform::Notification&) { ++announced; });
  alcMakeContextCurrent(nullptr);
  EXPECT_EQ(play(0), CDSoundEngine::kNoSourceCode);
  alcMakeContextCurrent(engine_->context());
  center.removeObserver(token);
  EXPECT_EQ(announced, 1);
  EXPECT_NE(engine_->lastErrorCode(), AL_NO_ERROR);
  EXPECT_NE(play(0), CDSoundEngine::kNoSourceCode) << "playing works again once the context is back";
}

TEST(CDSoundEngineDeviceTest, UnopenableDeviceLeavesTheEngineNotFunctioning) {
  const std::string saved = platform::facts().audioDevice;
  platform::facts().audioDevice = "no such audio device";
  LogCapture log;
  Ref<CDSoundEngine> engine = CDSoundEngine::soundEngine();
  platform::facts().audioDevice = saved;

  EXPECT_FALSE(engine->functioning());
  EXPECT_THAT(log.text(), HasSubstr("audio device \"no such audio device\" cannot be opened"));
  const std::uint8_t samples[4] = {};
  EXPECT_FALSE(engine->loadBufferFromData(0, samples, AL_FORMAT_MONO8, 4, 8000));
  EXPECT_EQ(engine->playSound(0, 0, 1, 0, 1, false), CDSoundEngine::kMutedCode);
  EXPECT_EQ(engine->soundSourceForSound(0, 0), nullptr);
  engine->stopAllSounds();
  engine->setMute(true);
  engine->setMasterGain(0.3f);
  engine->setMute(false);
  EXPECT_FLOAT_EQ(engine->masterGain(), 0.3f);
}

}  // namespace
