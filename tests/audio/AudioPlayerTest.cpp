// The platform's audio file player, mixed through a loopback device: loop
// counts, pause, stop and seeking, the finish callback, refused files, and
// interruptions through the audio session.

#include "platform/audio/AudioPlayer.h"

#include "audio/LongAudioTestSupport.h"
#include "platform/Ref.h"
#include "platform/audio/AudioSession.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

namespace {

using platform::Ref;
using platform::audio::AudioPlayer;
using platform::audio::AudioSession;
using testing::HasSubstr;

/// Records what a player reports and on which thread.
struct RecordingDelegate : platform::audio::AudioPlayerDelegate {
  void audioPlayerDidFinishPlaying(AudioPlayer* player, bool successfully) override {
    events.push_back(successfully ? "finished" : "failed");
    onMainThread = onMainThread && std::this_thread::get_id() == mainThread;
  }
  void audioPlayerBeginInterruption(AudioPlayer*) override { events.push_back("begin"); }
  void audioPlayerEndInterruption(AudioPlayer* player) override {
    events.push_back("end");
    if (playOnEnd) player->play();
  }
  std::vector<std::string> events;
  std::thread::id mainThread = std::this_thread::get_id();
  bool onMainThread = true;
  bool playOnEnd = false;
};

class AudioPlayerTest : public long_audio::LongAudioTest {
 protected:
  Ref<AudioPlayer> open(const std::string& path) {
    Ref<AudioPlayer> player = AudioPlayer::playerWithContentsOfFile(path);
    if (player) player->setDelegate(&delegate_);
    return player;
  }

  RecordingDelegate delegate_;
};

constexpr int kShort = 2205;  // 0.05 s

TEST_F(AudioPlayerTest, PlaysTheFileOncePerLoopThenReportsTheEndOnTheMainThread) {
  struct Case {
    int loops;
    int plays;
  };
  for (const Case& c : {Case{0, 1}, Case{2, 3}}) {
    SCOPED_TRACE(c.loops);
    delegate_.events.clear();
    Ref<AudioPlayer> player = open(writeLevelWav("short.wav", kShort));
    ASSERT_TRUE(player);
    EXPECT_NEAR(player->duration(), 0.05, 1e-9);
    player->setNumberOfLoops(c.loops);
    ASSERT_TRUE(player->play());
    const int audible = render(kShort * (c.plays + 2));
    EXPECT_NEAR(audible, kShort * c.plays, 64) << "every loop plays the whole file, no more";
    EXPECT_FALSE(player->isPlaying());
    EXPECT_TRUE(delegate_.events.empty()) << "the end is delivered through the run loop";
    drainMainThreadCalls();
    EXPECT_EQ(delegate_.events, std::vector<std::string>{"finished"});
    EXPECT_TRUE(delegate_.onMainThread);
    EXPECT_EQ(player->currentTime(), 0.0) << "a finished player is back at the start";
  }
}

TEST_F(AudioPlayerTest, ForeverLoopsUntilStopped) {
  Ref<AudioPlayer> player = open(writeLevelWav("short.wav", kShort));
  ASSERT_TRUE(player);
  player->setNumberOfLoops(-1);
  player->play();
  EXPECT_EQ(render(kShort * 10), kShort * 10);
  EXPECT_TRUE(player->isPlaying());
  player->stop();
  drainMainThreadCalls();
  EXPECT_TRUE(delegate_.events.empty());
}

TEST_F(AudioPlayerTest, PauseAndStopKeepThePositionAndSeekingMovesIt) {
  Ref<AudioPlayer> player = open(writeLevelWav("long.wav", long_audio::kRate));
  ASSERT_TRUE(player);
  player->play();
  render(long_audio::kRate / 10);
  player->pause();
  EXPECT_FALSE(player->isPlaying());
  EXPECT_NEAR(player->currentTime(), 0.1, 0.01);
  EXPECT_EQ(render(4410), 0) << "a paused player is silent";
  EXPECT_NEAR(player->currentTime(), 0.1, 0.01);

  player->play();
  render(long_audio::kRate / 10);
  player->stop();
  EXPECT_NEAR(player->currentTime(), 0.2, 0.01) << "stop does not rewind";
  player->setCurrentTime(0.9);
  EXPECT_NEAR(player->currentTime(), 0.9, 1e-6);
  player->play();
  EXPECT_NEAR(render(long_audio::kRate), long_audio::kRate / 10, 64) << "plays from 0.9 s to the end";
  drainMainThreadCalls();
  EXPECT_EQ(delegate_.events, std::vector<std::string>{"finished"});
  player->setCurrentTime(99);
  EXPECT_NEAR(player->currentTime(), 1.0, 1e-6) << "a seek past the end lands on the end";
  player->setCurrentTime(-1);
  EXPECT_EQ(player->currentTime(), 0.0);
}

TEST_F(AudioPlayerTest, StopOrPauseBeforeTheEndIsDeliveredCancelsTheCallback) {
  Ref<AudioPlayer> player = open(writeLevelWav("short.wav", kShort));
  ASSERT_TRUE(player);
  player->play();
  render(kShort * 2);
  player->play();  // starts over: the pending end belongs to the earlier run
  player->stop();
  drainMainThreadCalls();
  EXPECT_TRUE(delegate_.events.empty());
}

TEST_F(AudioPlayerTest, VolumeScalesTheOutput) {
  Ref<AudioPlayer> player = open(writeLevelWav("long.wav", long_audio::kRate));
  ASSERT_TRUE(player);
  player->setVolume(0);
  player->play();
  EXPECT_EQ(render(4410), 0);
  player->setVolume(7);
  EXPECT_EQ(player->volume(), 1.0f) << "clamped";
  EXPECT_GT(render(4410), 4000);
}

TEST_F(AudioPlayerTest, RefusesFilesItCannotPlay) {
  testing_support::LogCapture log;
  EXPECT_FALSE(AudioPlayer::playerWithContentsOfFile((folder_ / "missing.ogg").string()));
  EXPECT_THAT(log.text(), HasSubstr("missing.ogg"));

  const std::string surround = (folder_ / "surround.wav").string();
  sound_fixtures::writeWithSndfile(surround, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 3, long_audio::kRate,
                                   std::vector<short>(300, 100));
  EXPECT_FALSE(AudioPlayer::playerWithContentsOfFile(surround));
  EXPECT_THAT(log.text(), HasSubstr("3 channels"));

  const std::string empty = writeLevelWav("empty.wav", 0);
  EXPECT_FALSE(AudioPlayer::playerWithContentsOfFile(empty));
  EXPECT_EQ(AudioPlayer::outputDevice(), nullptr) << "refused players leave no output open";
}

TEST_F(AudioPlayerTest, StreamsOtherFormatsAndStereo) {
  const std::string path = (folder_ / "stereo.flac").string();
  sound_fixtures::writeWithSndfile(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, long_audio::kRate,
                                   std::vector<short>(2 * 10000, 12000));
  Ref<AudioPlayer> player = open(path);
  ASSERT_TRUE(player);
  EXPECT_EQ(player->channels(), 2);
  player->play();
  EXPECT_NEAR(render(20000), 10000, 64);
}

TEST_F(AudioPlayerTest, AnInterruptionPausesPlayingPlayersAndTheirDelegatesDecide) {
  Ref<AudioPlayer> resumes = open(writeLevelWav("a.wav", long_audio::kRate));
  RecordingDelegate other;
  Ref<AudioPlayer> idle = AudioPlayer::playerWithContentsOfFile(writeLevelWav("b.wav", long_audio::kRate));
  ASSERT_TRUE(resumes && idle);
  idle->setDelegate(&other);
  delegate_.playOnEnd = true;
  resumes->play();
  render(1000);

  AudioSession& session = AudioSession::sharedInstance();
  session.beginInterruption();
  EXPECT_FALSE(resumes->isPlaying());
  EXPECT_EQ(render(2000), 0);
  session.endInterruption();
  EXPECT_TRUE(resumes->isPlaying());
  EXPECT_EQ(delegate_.events, (std::vector<std::string>{"begin", "end"}));
  EXPECT_TRUE(other.events.empty()) << "a player that was not playing is not interrupted";
}

}  // namespace
