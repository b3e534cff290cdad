// What the engine actually plays: a 440 Hz tone rendered through a loopback
// device, measured by RMS and zero crossings, at several gains and muted.

#include "audio/CDSoundEngine.h"

#include "audio/SoundFixtures.h"
#include "platform/Facts.h"
#include "platform/Ref.h"
#include "platform/audio/AudioDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using audio::CDSoundEngine;
using platform::Ref;

constexpr int kRate = 44100;
constexpr int kFrames = kRate / 10;  // 0.1 s: 44 periods of the tone

struct Measure {
  double rms = 0;
  int crossings = 0;
};

class CDSoundEngineOutputTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::string saved = platform::facts().audioDevice;
    platform::facts().audioDevice = "loopback";
    engine_ = CDSoundEngine::soundEngine();
    platform::facts().audioDevice = saved;
    if (!engine_->functioning()) GTEST_SKIP() << "OpenAL has no loopback device";
    const auto tone = sound_fixtures::sampleBytes(sound_fixtures::toneSamples(kRate, 1, kRate, 440, 0.5));
    ASSERT_TRUE(engine_->loadBufferFromData(0, tone.data(), AL_FORMAT_MONO16, static_cast<int>(tone.size()), kRate));
  }

  /// Renders 0.1 s and measures the left channel.
  Measure render() {
    std::vector<float> out(2 * kFrames);
    EXPECT_TRUE(platform::audio::renderLoopbackSamples(engine_->device(), out.data(), kFrames));
    Measure measure;
    double energy = 0;
    for (int i = 0; i < kFrames; ++i) {
      const float left = out[2 * static_cast<std::size_t>(i)];
      energy += double(left) * left;
      if (i > 0 && (out[2 * static_cast<std::size_t>(i - 1)] < 0) != (left < 0)) ++measure.crossings;
    }
    measure.rms = std::sqrt(energy / kFrames);
    return measure;
  }

  Ref<CDSoundEngine> engine_;
};

TEST_F(CDSoundEngineOutputTest, PlaysTheToneScaledBySourceAndMasterGain) {
  EXPECT_EQ(render().rms, 0.0) << "silence before anything plays";

  const ALuint source = engine_->playSound(0, 0, 1, 0, 1, true);
  ASSERT_NE(source, CDSoundEngine::kMutedCode);
  render();  // let the source's gain settle
  const Measure full = render();
  EXPECT_GT(full.rms, 0.05);
  EXPECT_NEAR(full.crossings, 88, 2) << "440 Hz over 0.1 s";

  alSourcef(source, AL_GAIN, 0.5f);
  render();
  EXPECT_NEAR(render().rms / full.rms, 0.5, 0.02);

  alSourcef(source, AL_GAIN, 1.0f);
  engine_->setMasterGain(0.25f);
  render();
  EXPECT_NEAR(render().rms / full.rms, 0.25, 0.02);
}

TEST_F(CDSoundEngineOutputTest, MutedEngineRendersSilenceAndUnmutingBringsTheToneBack) {
  ASSERT_NE(engine_->playSound(0, 0, 1, 0, 1, true), CDSoundEngine::kMutedCode);
  render();
  const Measure full = render();
  ASSERT_GT(full.rms, 0.05);

  engine_->setMute(true);
  render();
  EXPECT_LT(render().rms, 1e-6);
  engine_->setMute(false);
  render();
  EXPECT_NEAR(render().rms / full.rms, 1.0, 0.02);
}

TEST(CDSoundEngineLoopbackTest, OnlyLoopbackDevicesRender) {
  float out[2] = {};
  EXPECT_FALSE(platform::audio::renderLoopbackSamples(nullptr, out, 1));
}

}  // namespace
