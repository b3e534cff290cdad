// The audio manager over loopback devices: modes, music on its channel,
// application lifecycle with each resign behaviour, interruptions and the
// session's activation retries, mute and enable, the singleton.

#include "audio/CDAudioManager.h"

#include "audio/LongAudioTestSupport.h"
#include "platform/Notifications.h"
#include "platform/Ref.h"
#include "platform/Selector.h"
#include "platform/Time.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

namespace {

using audio::CDAudioManager;
using audio::CDLongAudioSource;
using audio::CDSoundEngine;
using platform::NotificationCenter;
using platform::audio::AudioSession;
using Category = platform::audio::AudioSession::Category;
using testing::HasSubstr;

class CompletionListener : public platform::Object {
  PLATFORM_CLASS(CompletionListener, platform::Object)
 public:
  void musicFinished() {
    ++calls;
    onMainThread = platform::isMainThread();
  }
  int calls = 0;
  bool onMainThread = false;
};

class CDAudioManagerTest : public long_audio::LongAudioTest {
 protected:
  void SetUp() override {
    LongAudioTest::SetUp();
    music_ = writeLevelWav("music.wav", long_audio::kRate / 2);
  }
  void TearDown() override {
    CDAudioManager::end();
    CDAudioManager::configure(CDAudioManager::kModeEffectsAndMusicUnlessOtherAudio);
    LongAudioTest::TearDown();
  }

  CDAudioManager* manager(int mode = CDAudioManager::kModeEffectsAndMusic) {
    CDAudioManager::configure(mode);
    return CDAudioManager::sharedManager();
  }
  static void post(const char* name) { NotificationCenter::defaultCenter().post(name); }

  std::string music_;
};

TEST_F(CDAudioManagerTest, EachModeSetsTheSessionCategoryAndWhetherMusicPlays) {
  struct Case {
    int mode;
    bool otherAudio;
    Category category;
    bool music;
  };
  const Case cases[] = {
      {CDAudioManager::kModeEffectsOnly, false, Category::Ambient, false},
      {CDAudioManager::kModeEffectsAndMusic, true, Category::SoloAmbient, true},
      {CDAudioManager::kModeEffectsAndMusicUnlessOtherAudio, false, Category::SoloAmbient, true},
      {CDAudioManager::kModeEffectsAndMusicUnlessOtherAudio, true, Category::Ambient, false},
      {CDAudioManager::kModeMediaPlayback, false, Category::Playback, true},
      {CDAudioManager::kModePlayAndRecord, false, Category::PlayAndRecord, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << (c.otherAudio ? " with other audio" : ""));
    AudioSession::sharedInstance().setOtherAudioPlaying(c.otherAudio);
    CDAudioManager* am = manager(c.mode);
    EXPECT_EQ(AudioSession::sharedInstance().category(), c.category);
    EXPECT_TRUE(AudioSession::sharedInstance().isActive());
    EXPECT_EQ(am->willPlayBackgroundMusic(), c.music);
    am->playBackgroundMusic(music_, true);
    EXPECT_TRUE(am->backgroundMusic()->audioSourcePlayer()) << "the file is loaded in every mode";
    EXPECT_EQ(am->isBackgroundMusicPlaying(), c.music);
    CDAudioManager::end();
  }
}

TEST_F(CDAudioManagerTest, PlayingTheSameMusicAgainRestartsItWithoutReopening) {
  CDAudioManager* am = manager();
  am->playBackgroundMusic(music_, true);
  platform::audio::AudioPlayer* first = am->backgroundMusic()->audioSourcePlayer();
  render(4410);
  EXPECT_NEAR(first->currentTime(), 0.1, 0.01);
  am->playBackgroundMusic(music_, true);
  EXPECT_EQ(am->backgroundMusic()->audioSourcePlayer(), first);
  EXPECT_EQ(first->currentTime(), 0.0);
  EXPECT_TRUE(am->isBackgroundMusicPlaying());
  EXPECT_EQ(first->numberOfLoops(), -1);

  am->playBackgroundMusic(writeLevelWav("other.wav", 1000), false);
  EXPECT_NE(am->backgroundMusic()->audioSourcePlayer(), first);
  EXPECT_EQ(am->backgroundMusic()->audioSourcePlayer()->numberOfLoops(), 0);
}

TEST_F(CDAudioManagerTest, MusicPlaysItsLoopsThenCallsTheCompletionListenerOnce) {
  CDAudioManager* am = manager();
  platform::Ref<CompletionListener> listener = platform::createAutoreleased<CompletionListener>(
      [](CompletionListener&) { return true; });
  am->setBackgroundMusicCompletionListener(listener.get(), CC_SEL(CompletionListener::musicFinished));
  const std::string jingle = writeLevelWav("jingle.wav", 2205);

  CDLongAudioSource* second = am->audioSourceLoad(jingle, CDAudioManager::kChannelSecondary);
  ASSERT_TRUE(second);
  second->setNumberOfLoops(2);
  second->play();
  EXPECT_NEAR(render(2205 * 5), 2205 * 3, 64) << "channel 1 plays three times";
  drainMainThreadCalls();
  EXPECT_EQ(listener->calls, 0) << "only the music channel reports to the listener";

  am->playBackgroundMusic(jingle, false);
  EXPECT_NEAR(render(2205 * 3), 2205, 64);
  EXPECT_EQ(listener->calls, 0) << "the end arrives through the run loop";
  drainMainThreadCalls();
  EXPECT_EQ(listener->calls, 1);
  EXPECT_TRUE(listener->onMainThread);
  EXPECT_EQ(am->audioSourceForChannel(2), nullptr);
}

TEST_F(CDAudioManagerTest, PauseAndResumeBehaviourResumesOnlyWhatWasPlaying) {
  CDAudioManager* am = manager();
  am->setResignBehavior(CDAudioManager::kResignPauseAndResume, true);
  am->setResignBehavior(CDAudioManager::kResignPauseAndResume, true);  // observes once
  am->playBackgroundMusic(music_, true);
  CDLongAudioSource* second = am->audioSourceLoad(writeLevelWav("voice.wav", 20000), 1);
  second->play();
  render(4410);
  second->pause();

  post(platform::kApplicationWillResignActiveNotification);
  EXPECT_TRUE(am->isResigned());
  EXPECT_EQ(AudioSession::sharedInstance().category(), Category::Ambient);
  EXPECT_FALSE(am->isBackgroundMusicPlaying());
  EXPECT_TRUE(am->backgroundMusic()->systemPaused());
  EXPECT_NEAR(am->backgroundMusic()->systemPauseLocation(), 0.1, 0.01);
  EXPECT_FALSE(second->systemPaused());
  EXPECT_EQ(render(4410), 0);

  post(platform::kApplicationDidBecomeActiveNotification);
  EXPECT_FALSE(am->isResigned());
  EXPECT_EQ(AudioSession::sharedInstance().category(), Category::SoloAmbient);
  EXPECT_TRUE(am->isBackgroundMusicPlaying());
  EXPECT_FALSE(am->backgroundMusic()->systemPaused());
  EXPECT_NEAR(am->backgroundMusic()->audioSourcePlayer()->currentTime(), 0.1, 0.01) << "resumed where it stopped";
  EXPECT_FALSE(second->isPlaying()) << "paused before resigning, so it stays paused";
}

TEST_F(CDAudioManagerTest, StopBehaviourAndTerminationStopTheMusic) {
  CDAudioManager* am = manager();
  am->setResignBehavior(CDAudioManager::kResignStop, true);
  am->playBackgroundMusic(music_, true);
  post(platform::kApplicationWillResignActiveNotification);
  EXPECT_FALSE(am->isBackgroundMusicPlaying());
  post(platform::kApplicationDidBecomeActiveNotification);
  EXPECT_FALSE(am->isBackgroundMusicPlaying());

  am->playBackgroundMusic(music_, true);
  post(platform::kApplicationWillTerminateNotification);
  EXPECT_FALSE(am->isBackgroundMusicPlaying());
}

TEST_F(CDAudioManagerTest, WithoutAutoHandlingApplicationEventsAreIgnored) {
  CDAudioManager* am = manager();
  am->setResignBehavior(CDAudioManager::kResignStop, false);
  am->playBackgroundMusic(music_, true);
  post(platform::kApplicationWillResignActiveNotification);
  EXPECT_FALSE(am->isResigned());
  EXPECT_TRUE(am->isBackgroundMusicPlaying());
}

TEST_F(CDAudioManagerTest, AnInterruptionDetachesTheContextAndItsEndRestoresEverything) {
  CDAudioManager* am = manager();
  ASSERT_TRUE(am->soundEngine()->functioning());
  am->playBackgroundMusic(music_, true);
  AudioSession& session = AudioSession::sharedInstance();

  session.beginInterruption();
  EXPECT_TRUE(am->isInterrupted());
  EXPECT_FALSE(session.isActive());
  EXPECT_EQ(alcGetCurrentContext(), nullptr);
  EXPECT_FALSE(am->isBackgroundMusicPlaying());

  session.endInterruption(AudioSession::kInterruptionShouldResume);
  EXPECT_FALSE(am->isInterrupted());
  EXPECT_TRUE(session.isActive());
  EXPECT_EQ(alcGetCurrentContext(), am->soundEngine()->context());
  EXPECT_TRUE(am->isBackgroundMusicPlaying()) << "the music channel plays on";

  am->setMode(CDAudioManager::kModeEffectsOnly);
  session.beginInterruption();
  session.endInterruption(AudioSession::kInterruptionShouldResume);
  EXPECT_FALSE(am->isBackgroundMusicPlaying()) << "no music in a mode without music";
}

TEST_F(CDAudioManagerTest, SessionActivationIsRetriedHalfASecondApart) {
  platform::ManualClock clock;
  CDAudioManager* am = manager();
  AudioSession& session = AudioSession::sharedInstance();

  session.beginInterruption();
  session.failNextActivations(3);
  const int before = session.activationAttempts();
  const auto start = clock.monotonicMicroseconds();
  session.endInterruption(AudioSession::kInterruptionShouldResume);
  EXPECT_EQ(session.activationAttempts() - before, 4);
  EXPECT_TRUE(am->audioSessionActive());
  EXPECT_EQ(clock.monotonicMicroseconds() - start, 1500000);

  testing_support::LogCapture log;
  session.beginInterruption();
  session.failNextActivations(100);
  session.endInterruption(AudioSession::kInterruptionShouldResume);
  EXPECT_EQ(session.activationAttempts() - before, 4 + CDAudioManager::kSessionActivationAttempts);
  EXPECT_FALSE(am->audioSessionActive());
  EXPECT_THAT(log.text(), HasSubstr("could not be activated"));
  EXPECT_EQ(alcGetCurrentContext(), am->soundEngine()->context()) << "effects work again even so";
}

TEST_F(CDAudioManagerTest, AFailedPlayWithoutAContextRecoversAnInterruptedManager) {
  platform::ManualClock clock;
  CDAudioManager* am = manager();
  AudioSession& session = AudioSession::sharedInstance();
  std::vector<std::uint8_t> tone = sound_fixtures::sampleBytes(std::vector<short>(1000, 1000));
  ASSERT_TRUE(am->soundEngine()->loadBufferFromData(0, tone.data(), AL_FORMAT_MONO16, 2000, long_audio::kRate));

  session.beginInterruption();
  session.endInterruption(0);  // the system says not to resume: the manager waits
  EXPECT_TRUE(am->isInterrupted());
  EXPECT_EQ(alcGetCurrentContext(), nullptr);

  EXPECT_EQ(am->soundEngine()->playSound(0, 0, 1, 0, 1, false), CDSoundEngine::kNoSourceCode);
  EXPECT_FALSE(am->isInterrupted());
  EXPECT_TRUE(session.isActive());
  EXPECT_EQ(alcGetCurrentContext(), am->soundEngine()->context());
  EXPECT_NE(am->soundEngine()->playSound(0, 0, 1, 0, 1, false), CDSoundEngine::kNoSourceCode);
}

TEST_F(CDAudioManagerTest, MuteAndEnableReachTheEngineAndEveryChannel) {
  CDAudioManager* am = manager();
  am->playBackgroundMusic(music_, true);
  am->setMute(true);
  EXPECT_TRUE(am->soundEngine()->mute());
  EXPECT_EQ(render(4410), 0);
  am->playBackgroundMusic(writeLevelWav("muted.wav", 5000), true);
  EXPECT_FALSE(am->isBackgroundMusicPlaying()) << "no music starts while muted";
  am->setMute(false);
  am->resumeBackgroundMusic();
  EXPECT_GT(render(4410), 4000);

  am->setEnabled(false);
  EXPECT_FALSE(am->soundEngine()->enabled());
  EXPECT_FALSE(am->isBackgroundMusicPlaying());
  EXPECT_EQ(am->backgroundMusic()->audioSourcePlayer()->currentTime(), 0.0) << "disabling rewinds";
  am->backgroundMusic()->play();
  EXPECT_FALSE(am->isBackgroundMusicPlaying());
}

TEST_F(CDAudioManagerTest, DeviceStateComesFromTheSession) {
  CDAudioManager* am = manager();
  EXPECT_FALSE(am->isDeviceMuted());
  AudioSession::sharedInstance().setRoute("");
  EXPECT_TRUE(am->isDeviceMuted());
  AudioSession::sharedInstance().setOtherAudioPlaying(true);
  EXPECT_TRUE(am->isOtherAudioPlaying());
}

TEST_F(CDAudioManagerTest, OneSingletonWhetherCreatedInTheBackgroundOrNot) {
  EXPECT_EQ(CDAudioManager::sharedManagerState(), CDAudioManager::kStateNotInitialised);
  CDAudioManager::initAsynchronously(CDAudioManager::kModeMediaPlayback);
  CDAudioManager* am = CDAudioManager::sharedManager();
  EXPECT_EQ(CDAudioManager::sharedManagerState(), CDAudioManager::kStateInitialised);
  EXPECT_EQ(am->mode(), CDAudioManager::kModeMediaPlayback);
  CDAudioManager::initAsynchronously(CDAudioManager::kModeEffectsOnly);  // already there: nothing
  CDAudioManager::end();
  EXPECT_EQ(CDAudioManager::existingManager(), nullptr);
  EXPECT_EQ(CDAudioManager::sharedManagerState(), CDAudioManager::kStateNotInitialised);

  CDAudioManager::initAsynchronously(CDAudioManager::kModeEffectsOnly);
  CDAudioManager::end();  // waits for the background creation, then ends it

  manager();
  testing_support::AssertionRecorder assertions;
  auto* second = new CDAudioManager();
  EXPECT_EQ(assertions.messages(), std::vector<std::string>{"Attempted to allocate a second instance of a singleton."});
  EXPECT_EQ(CDAudioManager::existingManager() == second, false);
  second->release();
  EXPECT_TRUE(CDAudioManager::existingManager());
}

}  // namespace
