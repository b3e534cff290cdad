// The one-object audio interface: effects by file name, music, volumes, mute
// and enable, over loopback devices.

#include "audio/SimpleAudioEngine.h"

#include "audio/LongAudioTestSupport.h"
#include "platform/Ref.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using audio::CDAudioManager;
using audio::CDSoundEngine;
using audio::SimpleAudioEngine;

class SimpleAudioEngineTest : public long_audio::LongAudioTest {
 protected:
  void SetUp() override {
    LongAudioTest::SetUp();
    CDAudioManager::configure(CDAudioManager::kModeEffectsAndMusic);
    engine_ = SimpleAudioEngine::sharedEngine();
    if (!engine_->audioManager()->soundEngine()->functioning()) GTEST_SKIP() << "OpenAL has no loopback device";
    effect_ = writeLevelWav("effect.wav", 4000);
    music_ = writeLevelWav("music.wav", 20000);
  }
  void TearDown() override {
    SimpleAudioEngine::end();
    CDAudioManager::configure(CDAudioManager::kModeEffectsAndMusicUnlessOtherAudio);
    LongAudioTest::TearDown();
  }

  static ALint sourceState(ALuint source) {
    ALint state = 0;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state;
  }

  SimpleAudioEngine* engine_ = nullptr;
  std::string effect_;
  std::string music_;
};

TEST_F(SimpleAudioEngineTest, EffectsLoadOncePlayAndStopByFile) {
  engine_->preloadEffect(effect_);
  const int soundId = engine_->bufferManager()->bufferForFile(effect_, false);
  EXPECT_EQ(soundId, 0);

  const ALuint source = engine_->playEffect(effect_);
  ASSERT_NE(source, CDSoundEngine::kMutedCode);
  ASSERT_NE(source, CDSoundEngine::kNoSourceCode);
  EXPECT_EQ(sourceState(source), AL_PLAYING);
  ALint looping = AL_TRUE;
  alGetSourcei(source, AL_LOOPING, &looping);
  EXPECT_EQ(looping, AL_FALSE);
  EXPECT_EQ(engine_->bufferManager()->bufferForFile(effect_, false), soundId) << "not loaded twice";
  engine_->stopEffect(source);
  EXPECT_EQ(sourceState(source), AL_STOPPED);

  ALfloat pitch = 0;
  const ALuint bent = engine_->playEffect(effect_, 1.5f, 0, 0.5f);
  alGetSourcef(bent, AL_PITCH, &pitch);
  EXPECT_EQ(pitch, 1.5f);

  engine_->unloadEffect(effect_);
  EXPECT_EQ(engine_->bufferManager()->bufferForFile(effect_, false), -1);
  EXPECT_NE(engine_->playEffect(effect_), CDSoundEngine::kMutedCode) << "played again after loading anew";
}

TEST_F(SimpleAudioEngineTest, AFileThatCannotBeDecodedPlaysAsMuted) {
  testing_support::LogCapture log;
  const std::string garbage = (folder_ / "garbage.m4a").string();
  sound_fixtures::writeFile(garbage, {1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_EQ(engine_->playEffect(garbage), CDSoundEngine::kMutedCode);
  EXPECT_EQ(engine_->playEffect((folder_ / "missing.wav").string()), CDSoundEngine::kMutedCode);
  EXPECT_EQ(engine_->soundSourceForFile(garbage), nullptr);
  EXPECT_TRUE(engine_->soundSourceForFile(effect_));
}

TEST_F(SimpleAudioEngineTest, VolumesAndMuteReachEffectsAndMusic) {
  engine_->setEffectsVolume(0.5f);
  EXPECT_EQ(engine_->effectsVolume(), 0.5f);
  ALfloat listener = 0;
  alGetListenerf(AL_GAIN, &listener);
  EXPECT_EQ(listener, 0.5f);

  engine_->playBackgroundMusic(music_);
  EXPECT_TRUE(engine_->isBackgroundMusicPlaying());
  EXPECT_EQ(engine_->audioManager()->backgroundMusic()->audioSourcePlayer()->numberOfLoops(), -1);
  engine_->setBackgroundMusicVolume(0.25f);
  platform::audio::AudioPlayer* player = engine_->audioManager()->backgroundMusic()->audioSourcePlayer();
  EXPECT_EQ(player->volume(), 0.25f);

  engine_->setMute(true);
  EXPECT_TRUE(engine_->audioManager()->mute());
  EXPECT_EQ(player->volume(), 0.0f);
  EXPECT_EQ(engine_->backgroundMusicVolume(), 0.25f) << "muting keeps the volume";
  EXPECT_EQ(render(2000), 0);
  alGetListenerf(AL_GAIN, &listener);
  EXPECT_EQ(listener, 0.0f);
  engine_->setMute(false);
  EXPECT_EQ(player->volume(), 0.25f);
  EXPECT_EQ(engine_->effectsVolume(), 0.5f);
  EXPECT_GT(render(2000), 1900);
}

TEST_F(SimpleAudioEngineTest, MusicPausesResumesAndRewinds) {
  engine_->preloadBackgroundMusic(music_);
  EXPECT_FALSE(engine_->isBackgroundMusicPlaying());
  engine_->playBackgroundMusic(music_, false);
  render(4410);
  engine_->pauseBackgroundMusic();
  EXPECT_FALSE(engine_->isBackgroundMusicPlaying());
  engine_->resumeBackgroundMusic();
  EXPECT_TRUE(engine_->isBackgroundMusicPlaying());
  platform::audio::AudioPlayer* player = engine_->audioManager()->backgroundMusic()->audioSourcePlayer();
  EXPECT_NEAR(player->currentTime(), 0.1, 0.01);
  engine_->rewindBackgroundMusic();
  EXPECT_EQ(player->currentTime(), 0.0);
  engine_->stopBackgroundMusic();
  EXPECT_FALSE(engine_->isBackgroundMusicPlaying());
  EXPECT_TRUE(engine_->willPlayBackgroundMusic());
}

TEST_F(SimpleAudioEngineTest, DisablingSilencesEverythingUntilEnabledAgain) {
  engine_->playBackgroundMusic(music_);
  engine_->setEnabled(false);
  EXPECT_FALSE(engine_->isBackgroundMusicPlaying());
  EXPECT_EQ(engine_->playEffect(effect_), CDSoundEngine::kMutedCode);
  engine_->playBackgroundMusic(music_);
  EXPECT_FALSE(engine_->isBackgroundMusicPlaying());
  engine_->setEnabled(true);
  EXPECT_NE(engine_->playEffect(effect_), CDSoundEngine::kMutedCode);
  engine_->playBackgroundMusic(music_);
  EXPECT_TRUE(engine_->isBackgroundMusicPlaying());
}

TEST_F(SimpleAudioEngineTest, EndingGivesAFreshEngineAndManager) {
  engine_->setMute(true);
  SimpleAudioEngine::end();
  EXPECT_EQ(CDAudioManager::existingManager(), nullptr);
  SimpleAudioEngine* fresh = SimpleAudioEngine::sharedEngine();
  EXPECT_FALSE(fresh->mute());
  EXPECT_FALSE(fresh->audioManager()->mute());
  EXPECT_NE(fresh->playEffect(effect_), CDSoundEngine::kMutedCode);

  testing_support::AssertionRecorder assertions;
  auto* second = new SimpleAudioEngine();
  EXPECT_EQ(assertions.messages(), std::vector<std::string>{"Attempted to allocate a second instance of a singleton."});
  second->release();
}

}  // namespace
