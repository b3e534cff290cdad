// Fades: the three curves against formulas written out here, and modifiers
// driving real OpenAL sources, the listener gain and a long source, stepped
// frame by frame on a fake 60 Hz clock as a scheduled callback would.

#include "audio/CDFloatInterpolator.h"
#include "audio/CDLongAudioSource.h"
#include "audio/CDLongAudioSourceFader.h"
#include "audio/CDPropertyModifier.h"
#include "audio/CDSoundEngine.h"
#include "audio/CDSoundSource.h"

#include "audio/LongAudioTestSupport.h"
#include "audio/SoundFixtures.h"
#include "platform/Ref.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using audio::CDFloatInterpolator;
using audio::CDSoundEngine;
using audio::CDSoundSource;
using audio::CDSoundSourceFader;
using platform::Ref;
using testing::HasSubstr;

// The curves written independently of the interpolator, in double precision.
double expectedValue(int type, double start, double end, double t) {
  if (t >= 1) return end;
  switch (type) {
    case CDFloatInterpolator::kLinear: return start + (end - start) * t;
    case CDFloatInterpolator::kSCurve: return start + (end - start) * (3 * t * t - 2 * t * t * t);
    case CDFloatInterpolator::kExponential:
      if (end > start) return t == 0 ? start : start + (end - start) * (std::exp2(10 * t - 10) - 0.001);
      return start + (end - start) * (1 - std::exp2(-10 * t));
    default: return 0;
  }
}

// [SECTION] Curves

struct Curve {
  const char* name;
  int type;
  float start, end;
};

class CurveTest : public testing::TestWithParam<Curve> {};

TEST_P(CurveTest, FollowsItsFormulaAndEndsExactlyOnTheEndValue) {
  const Curve& curve = GetParam();
  Ref<CDFloatInterpolator> interpolator = CDFloatInterpolator::interpolator(curve.type, curve.start, curve.end);
  for (int step = 0; step < 64; ++step) {
    const float t = static_cast<float>(step) / 64.0f;
    EXPECT_NEAR(interpolator->interpolate(t), expectedValue(curve.type, curve.start, curve.end, t), 2e-6) << t;
  }
  for (float t : {1.0f, 2.0f, std::numeric_limits<float>::infinity(), std::nanf("")}) {
    EXPECT_EQ(interpolator->interpolate(t), curve.end) << t;
  }
}

INSTANTIATE_TEST_SUITE_P(AllCurves, CurveTest,
                         testing::Values(Curve{"LinearDown", CDFloatInterpolator::kLinear, 0.8f, 0.1f},
                                         Curve{"SCurveUp", CDFloatInterpolator::kSCurve, 0.2f, 0.9f},
                                         Curve{"ExponentialUp", CDFloatInterpolator::kExponential, 0.5f, 2.0f},
                                         Curve{"ExponentialDown", CDFloatInterpolator::kExponential, 1.0f, 0.0f},
                                         Curve{"ExponentialFlat", CDFloatInterpolator::kExponential, 0.5f, 0.5f},
                                         Curve{"UnknownType", 7, 0.4f, 0.6f}),
                         [](const testing::TestParamInfo<Curve>& info) { return std::string(info.param.name); });

TEST(CDFloatInterpolatorTest, KnownPointsOfEachCurve) {
  EXPECT_EQ(CDFloatInterpolator::interpolator(CDFloatInterpolator::kLinear, 0, 1)->interpolate(0.25f), 0.25f);
  Ref<CDFloatInterpolator> sCurve = CDFloatInterpolator::interpolator(CDFloatInterpolator::kSCurve, 0, 1);
  EXPECT_EQ(sCurve->interpolate(0.5f), 0.5f);
  EXPECT_EQ(sCurve->interpolate(0.25f), 0.15625f);
  Ref<CDFloatInterpolator> up = CDFloatInterpolator::interpolator(CDFloatInterpolator::kExponential, 0, 1);
  EXPECT_EQ(up->interpolate(0.0f), 0.0f) << "a rising exponential starts exactly on its start value";
  EXPECT_FLOAT_EQ(up->interpolate(0.5f), 0.03125f - 0.001f);
  Ref<CDFloatInterpolator> down = CDFloatInterpolator::interpolator(CDFloatInterpolator::kExponential, 1, 0);
  EXPECT_FLOAT_EQ(down->interpolate(0.5f), 0.03125f);
}

// [SECTION] Modifiers on real sources

class CDPropertyModifierTest : public testing::Test {
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
  }

  float alGain() const {
    ALfloat gain = -1;
    alGetSourcef(source_->sourceId(), AL_GAIN, &gain);
    return gain;
  }

  Ref<CDSoundEngine> engine_;
  Ref<CDSoundSource> source_;
};

TEST_F(CDPropertyModifierTest, SteppedFadeFollowsItsCurveThenStopsTheSourceOnTheLastFrame) {
  for (int type : {CDFloatInterpolator::kLinear, CDFloatInterpolator::kSCurve, CDFloatInterpolator::kExponential}) {
    SCOPED_TRACE(type);
    source_->setGain(1);
    ASSERT_TRUE(source_->play());
    Ref<CDSoundSourceFader> fader = CDSoundSourceFader::modifierWithTarget(source_.get(), type, 1.0f, 0.0f);
    fader->setStopTargetWhenComplete(true);
    // Half a second of 60 Hz frames: each passes the fraction elapsed.
    for (int frame = 1; frame < 30; ++frame) {
      fader->modify(static_cast<float>(frame) / 30.0f);
      EXPECT_NEAR(alGain(), expectedValue(type, 1, 0, frame / 30.0), 1e-5) << "frame " << frame;
      EXPECT_TRUE(source_->isPlaying()) << "frame " << frame;
    }
    fader->modify(1.0f);
    EXPECT_EQ(alGain(), 0.0f) << "the end gain is set exactly";
    EXPECT_FALSE(source_->isPlaying()) << "stopTargetWhenComplete stops the source with the last step";
  }
}

TEST_F(CDPropertyModifierTest, FadeLeftHalfWayKeepsPlayingAndCanBeResumedFromTheCurrentGain) {
  Ref<CDSoundSourceFader> fadeOut =
      CDSoundSourceFader::modifierWithTarget(source_.get(), CDFloatInterpolator::kLinear, 1.0f, 0.0f);
  fadeOut->setStopTargetWhenComplete(true);
  for (int frame = 1; frame <= 30; ++frame) fadeOut->modify(static_cast<float>(frame) / 60.0f);
  fadeOut = nullptr;  // the caller stops stepping: nothing moves on by itself
  EXPECT_NEAR(alGain(), 0.5f, 1e-5);
  EXPECT_TRUE(source_->isPlaying()) << "only reaching the end stops the source";

  Ref<CDSoundSourceFader> fadeIn =
      CDSoundSourceFader::modifierWithTarget(source_.get(), CDFloatInterpolator::kLinear, 0.0f, 1.0f);
  fadeIn->setStartValue(fadeIn->_getTargetProperty());
  fadeIn->setEndValue(0.6f);
  fadeIn->modify(0.5f);
  EXPECT_NEAR(alGain(), 0.55f, 1e-5) << "new start and end values reach the interpolator";
  fadeIn->modify(1.0f);
  EXPECT_EQ(alGain(), 0.6f);
  EXPECT_TRUE(source_->isPlaying()) << "stopTargetWhenComplete is off by default";
}

TEST_F(CDPropertyModifierTest, EachModifierDrivesOnlyItsOwnProperty) {
  Ref<audio::CDSoundSourcePanner> panner =
      audio::CDSoundSourcePanner::modifierWithTarget(source_.get(), CDFloatInterpolator::kSCurve, -1.0f, 1.0f);
  panner->modify(0.25f);
  Ref<audio::CDSoundSourcePitchBender> bender =
      audio::CDSoundSourcePitchBender::modifierWithTarget(source_.get(), CDFloatInterpolator::kLinear, 1.0f, 2.0f);
  bender->setInterpolationType(CDFloatInterpolator::kExponential);
  bender->modify(0.5f);
  EXPECT_NEAR(source_->pan(), -1.0f + 2.0f * 0.15625f, 1e-6);
  EXPECT_NEAR(source_->pitch(), expectedValue(CDFloatInterpolator::kExponential, 1, 2, 0.5), 1e-6);
  EXPECT_EQ(alGain(), 1.0f);

  // The engine fader moves the listener gain, even while muted (unmuting
  // restores the faded value), and its stop action stops every sound.
  const ALuint other = engine_->playSound(0, 0, 1, 0, 1, true);
  Ref<audio::CDSoundEngineFader> engineFader =
      audio::CDSoundEngineFader::modifierWithTarget(engine_.get(), CDFloatInterpolator::kLinear, 1.0f, 0.2f);
  engineFader->setStopTargetWhenComplete(true);
  engine_->setMute(true);
  engineFader->modify(0.75f);
  engine_->setMute(false);
  ALfloat listener = 0;
  alGetListenerf(AL_GAIN, &listener);
  EXPECT_NEAR(listener, 0.4f, 1e-6);
  engineFader->modify(1.0f);
  EXPECT_EQ(engine_->masterGain(), 0.2f);
  ALint state = 0;
  alGetSourcei(other, AL_SOURCE_STATE, &state);
  EXPECT_NE(state, AL_PLAYING);
  EXPECT_FALSE(source_->isPlaying());
}

TEST_F(CDPropertyModifierTest, InitInvalidWithoutATargetOrWithOneOfAnotherKind) {
  testing_support::LogCapture log;
  EXPECT_EQ(CDSoundSourceFader::modifierWithTarget(nullptr, CDFloatInterpolator::kLinear, 0, 1), nullptr);
  EXPECT_THAT(log.text(), HasSubstr("CDSoundSourceFader: no target"));
  // Through the base initialiser any object can be passed; a fader refuses
  // the engine rather than treating it as a source.
  Ref<CDSoundSourceFader> fader = Ref<CDSoundSourceFader>::adopt(new CDSoundSourceFader());
  EXPECT_FALSE(fader->init(engine_.get(), CDFloatInterpolator::kLinear, 0, 1));
  EXPECT_THAT(log.text(), HasSubstr("a CDSoundEngine cannot be modified, the target must be a CDSoundSource"));
  fader->modify(0.5f);  // never initialised: does nothing
  EXPECT_EQ(alGain(), 1.0f);
}

// [SECTION] Long sources

class CDLongAudioSourceFaderTest : public long_audio::LongAudioTest {};

TEST_F(CDLongAudioSourceFaderTest, FadesTheVolumeThenPausesWhereItGotTo) {
  Ref<audio::CDLongAudioSource> music = audio::CDLongAudioSource::longAudioSource();
  ASSERT_TRUE(music->load(writeLevelWav("music.wav", long_audio::kRate)));
  music->play();
  render(4096);
  Ref<audio::CDLongAudioSourceFader> fader =
      audio::CDLongAudioSourceFader::modifierWithTarget(music.get(), CDFloatInterpolator::kSCurve, 1.0f, 0.0f);
  fader->setStopTargetWhenComplete(true);
  for (int frame = 1; frame < 10; ++frame) {
    fader->modify(static_cast<float>(frame) / 10.0f);
    EXPECT_NEAR(music->audioSourcePlayer()->volume(), expectedValue(CDFloatInterpolator::kSCurve, 1, 0, frame / 10.0),
                1e-6);
    render(512);
  }
  EXPECT_TRUE(music->isPlaying());
  fader->modify(1.0f);
  EXPECT_EQ(music->volume(), 0.0f);
  EXPECT_FALSE(music->isPlaying()) << "the stop action pauses";
  EXPECT_GT(music->audioSourcePlayer()->currentTime(), 0.0) << "a pause is not a rewind";
}

}  // namespace
