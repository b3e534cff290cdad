#pragma once
// Support for tests of long audio (audio file players, the audio manager):
// every device is a loopback device, so sound advances only when a test
// mixes it, and short generated WAV files in a folder of the test's own.

#include "audio/SoundFixtures.h"
#include "platform/Facts.h"
#include "platform/RunLoop.h"
#include "platform/audio/AudioPlayer.h"
#include "platform/audio/AudioSession.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace long_audio {

/// The players' output rate: files at this rate play without resampling.
constexpr int kRate = 44100;

class LongAudioTest : public testing::Test {
 protected:
  void SetUp() override {
    savedDevice_ = platform::facts().audioDevice;
    platform::facts().audioDevice = "loopback";
    platform::audio::AudioSession::sharedInstance().reset();
    folder_ = std::filesystem::path(testing::TempDir()) /
              ("long-audio-" + std::to_string(getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }

  void TearDown() override {
    drainMainThreadCalls();
    platform::audio::AudioSession::sharedInstance().reset();
    platform::facts().audioDevice = savedDevice_;
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  /// A mono 16-bit WAV of `frames` frames holding one constant level, so
  /// every frame it plays is audible.
  std::string writeLevelWav(const std::string& name, int frames, short level = 16384) {
    const std::vector<short> samples(static_cast<std::size_t>(frames), level);
    const std::string path = (folder_ / name).string();
    sound_fixtures::writeFile(path, sound_fixtures::wavBytes({.sampleRate = kRate}, sound_fixtures::sampleBytes(samples)));
    return path;
  }

  /// Mixes `frames` frames of the players' output in small steps, refilling
  /// the players between steps as their streaming threads would. Returns
  /// the frames in which something sounded.
  int render(int frames) {
    constexpr int kStep = 512;
    std::vector<float> out(2 * kStep);
    int audible = 0;
    for (int done = 0; done < frames; done += kStep) {
      const int step = std::min(kStep, frames - done);
      platform::audio::AudioPlayer::service();
      if (!platform::audio::AudioPlayer::renderOutput(out.data(), step)) return audible;
      for (int i = 0; i < step; ++i) {
        if (std::fabs(out[2 * static_cast<std::size_t>(i)]) > 1e-3f) ++audible;
      }
      platform::audio::AudioPlayer::service();
    }
    return audible;
  }

  /// Runs the calls queued for the main thread (finish deliveries).
  static void drainMainThreadCalls() {
    while (platform::RunLoop::main().runOnce(false)) {
    }
  }

  std::filesystem::path folder_;

 private:
  std::string savedDevice_;
};

}  // namespace long_audio
