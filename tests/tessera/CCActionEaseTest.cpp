// Easing wrappers: every curve sampled against its closed form (written here
// in double precision, independently of the engine's single-precision code),
// exact end points, reverses that mirror the curve, copies, and eased
// actions driven by the action manager.

#include "platform/Ref.h"
#include "support/TestSupport.h"
#include "tessera/CCActionEase.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCMoveBy.h"
#include "tessera/CCNode.h"
#include "tessera/CCScheduler.h"
#include "tessera/CCSequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

using platform::Ref;

namespace {

constexpr double kPi = 3.14159265358979323846;

/// Records the fraction its wrapper hands it. Its reverse is another probe.
class Probe : public CCActionInterval {
  PLATFORM_CLASS(Probe, CCActionInterval)
 public:
  static Probe* make(float duration = 1) {
    return platform::createAutoreleased<Probe>([&](Probe& p) { return p.initWithDuration(duration); });
  }
  void update(float t) override {
    last = t;
    ++updates;
  }
  Probe* reverse() const override { return make(duration_); }
  float last = -100;
  int updates = 0;
};

/// The fraction `ease` passes on at `t`.
float eased(CCActionEase* ease, float t) {
  auto* probe = static_cast<Probe*>(ease->innerAction());
  ease->update(t);
  return probe->last;
}

// [SECTION] Closed forms

double bounce(double t) {
  if (t < 1 / 2.75) return 7.5625 * t * t;
  if (t < 2 / 2.75) {
    t -= 1.5 / 2.75;
    return 7.5625 * t * t + 0.75;
  }
  if (t < 2.5 / 2.75) {
    t -= 2.25 / 2.75;
    return 7.5625 * t * t + 0.9375;
  }
  t -= 2.625 / 2.75;
  return 7.5625 * t * t + 0.984375;
}

double elasticIn(double t, double p) {
  if (t == 0 || t == 1) return t;
  return std::pow(2.0, 10 * (t - 1)) * std::sin((t - 1 - p / 4) * (-2 * kPi / p));
}
double elasticOut(double t, double p) {
  if (t == 0 || t == 1) return t;
  return std::pow(2.0, -10 * t) * std::sin((t - p / 4) * 2 * kPi / p) + 1;
}
double elasticInOut(double t, double p) {
  if (t == 0 || t == 1) return t;
  const double u = 2 * t - 1;
  const double wave = std::sin((u - p / 4) * 2 * kPi / p);
  return u < 0 ? -0.5 * std::pow(2.0, 10 * u) * wave : 0.5 * std::pow(2.0, -10 * u) * wave + 1;
}

double backIn(double t, double s) { return t * t * ((s + 1) * t - s); }
double backOut(double t, double s) { return 1 - backIn(1 - t, s); }

struct CurveCase {
  std::string name;
  std::function<CCActionEase*(CCActionInterval*)> make;
  std::function<double(double)> curve;
  const char* reverseClass;  // the class of the reverse
  double tolerance = 2e-6;   // of the curve, from single-precision rounding
};

std::vector<CurveCase> curveCases() {
  constexpr double s = 1.70158;
  constexpr double s2 = 1.70158 * 1.525;
  std::vector<CurveCase> cases = {
      {"ExponentialIn", [](CCActionInterval* a) { return CCEaseExponentialIn::actionWithAction(a); },
       [](double t) { return t == 0 || t == 1 ? t : std::pow(2.0, 10 * (t - 1)) - 0.001; }, "CCEaseExponentialOut"},
      {"ExponentialOut", [](CCActionInterval* a) { return CCEaseExponentialOut::actionWithAction(a); },
       [](double t) { return t == 1 ? 1 : 1 - std::pow(2.0, -10 * t); }, "CCEaseExponentialIn"},
      {"ExponentialInOut", [](CCActionInterval* a) { return CCEaseExponentialInOut::actionWithAction(a); },
       [](double t) {
         if (t == 0 || t == 1) return t;
         return t < 0.5 ? 0.5 * std::pow(2.0, 10 * (2 * t - 1)) : 0.5 * (2 - std::pow(2.0, -10 * (2 * t - 1)));
       },
       "CCEaseExponentialInOut"},
      {"SineIn", [](CCActionInterval* a) { return CCEaseSineIn::actionWithAction(a); },
       [](double t) { return 1 - std::cos(t * kPi / 2); }, "CCEaseSineOut"},
      {"SineOut", [](CCActionInterval* a) { return CCEaseSineOut::actionWithAction(a); },
       [](double t) { return std::sin(t * kPi / 2); }, "CCEaseSineIn"},
      {"SineInOut", [](CCActionInterval* a) { return CCEaseSineInOut::actionWithAction(a); },
       [](double t) { return 0.5 * (1 - std::cos(kPi * t)); }, "CCEaseSineInOut"},
      {"BounceIn", [](CCActionInterval* a) { return CCEaseBounceIn::actionWithAction(a); },
       [](double t) { return 1 - bounce(1 - t); }, "CCEaseBounceOut"},
      {"BounceOut", [](CCActionInterval* a) { return CCEaseBounceOut::actionWithAction(a); }, bounce,
       "CCEaseBounceIn"},
      {"BounceInOut", [](CCActionInterval* a) { return CCEaseBounceInOut::actionWithAction(a); },
       [](double t) { return t < 0.5 ? 0.5 * (1 - bounce(1 - 2 * t)) : 0.5 * bounce(2 * t - 1) + 0.5; },
       "CCEaseBounceInOut"},
      {"BackIn", [](CCActionInterval* a) { return CCEaseBackIn::actionWithAction(a); },
       [=](double t) { return backIn(t, s); }, "CCEaseBackOut"},
      {"BackOut", [](CCActionInterval* a) { return CCEaseBackOut::actionWithAction(a); },
       [=](double t) { return backOut(t, s); }, "CCEaseBackIn"},
      {"BackInOut", [](CCActionInterval* a) { return CCEaseBackInOut::actionWithAction(a); },
       [=](double t) { return t < 0.5 ? 0.5 * backIn(2 * t, s2) : 0.5 * backOut(2 * t - 1, s2) + 0.5; },
       "CCEaseBackInOut"},
  };
  for (double p : {0.3, 0.45, 0.6}) {
    const std::string suffix = " period " + std::to_string(p).substr(0, 4);
    const float period = static_cast<float>(p);
    cases.push_back({"ElasticIn" + suffix,
                     [=](CCActionInterval* a) { return CCEaseElasticIn::actionWithAction(a, period); },
                     [=](double t) { return elasticIn(t, p); }, "CCEaseElasticOut", 1e-5});
    cases.push_back({"ElasticOut" + suffix,
                     [=](CCActionInterval* a) { return CCEaseElasticOut::actionWithAction(a, period); },
                     [=](double t) { return elasticOut(t, p); }, "CCEaseElasticIn", 1e-5});
    cases.push_back({"ElasticInOut" + suffix,
                     [=](CCActionInterval* a) { return CCEaseElasticInOut::actionWithAction(a, period); },
                     [=](double t) { return elasticInOut(t, p); }, "CCEaseElasticInOut", 1e-5});
  }
  for (double r : {2.0, 3.0, 2.5, 0.5}) {
    const std::string suffix = " rate " + std::to_string(r).substr(0, 3);
    const float rate = static_cast<float>(r);
    cases.push_back({"In" + suffix, [=](CCActionInterval* a) { return CCEaseIn::actionWithAction(a, rate); },
                     [=](double t) { return std::pow(t, r); }, "CCEaseIn"});
    cases.push_back({"Out" + suffix, [=](CCActionInterval* a) { return CCEaseOut::actionWithAction(a, rate); },
                     [=](double t) { return std::pow(t, 1 / r); }, "CCEaseOut"});
    cases.push_back({"InOut" + suffix, [=](CCActionInterval* a) { return CCEaseInOut::actionWithAction(a, rate); },
                     [=](double t) { return t < 0.5 ? 0.5 * std::pow(2 * t, r) : 1 - 0.5 * std::pow(2 - 2 * t, r); },
                     "CCEaseInOut"});
  }
  return cases;
}

class CCActionEaseTest : public testing::Test {
 protected:
  void TearDown() override {
    CCActionManager::purgeSharedManager();
    CCScheduler::purgeSharedScheduler();
  }
};

class EaseCurveTest : public CCActionEaseTest, public testing::WithParamInterface<CurveCase> {};

// [SECTION] Curves

TEST_P(EaseCurveTest, FollowsItsClosedFormAndEndsExactlyAtZeroAndOne) {
  const CurveCase& c = GetParam();
  CCActionEase* ease = c.make(Probe::make());
  ASSERT_NE(nullptr, ease);
  ease->startWithTarget(CCNode::node());
  for (int i = 0; i <= 256; ++i) {
    const double t = i / 256.0;
    EXPECT_NEAR(c.curve(t), eased(ease, static_cast<float>(t)), c.tolerance) << "t = " << t;
  }
  EXPECT_EQ(0.0f, eased(ease, 0.0f));
  EXPECT_EQ(1.0f, eased(ease, 1.0f));
}

TEST_P(EaseCurveTest, ReverseMirrorsTheCurve) {
  const CurveCase& c = GetParam();
  CCActionEase* ease = c.make(Probe::make());
  CCActionEase* reversed = static_cast<CCActionEase*>(ease->reverse());
  ASSERT_NE(nullptr, reversed);
  EXPECT_STREQ(c.reverseClass, reversed->className());
  EXPECT_NE(ease->innerAction(), reversed->innerAction());
  reversed->startWithTarget(CCNode::node());

  // The rate forms reflect t^rate about the diagonal: the reverse undoes the
  // curve. Every other reverse retraces it backwards in time.
  const bool inverse = c.reverseClass == std::string("CCEaseIn") || c.reverseClass == std::string("CCEaseOut");
  // The exponential in-curve stops 0.001 short of the out-curve's mirror.
  const double tolerance = c.reverseClass == std::string("CCEaseExponentialOut") ||
                                   c.reverseClass == std::string("CCEaseExponentialIn")
                               ? 1.1e-3
                               : 20 * c.tolerance;
  for (int i = 1; i < 64; ++i) {
    const double s = i / 64.0;
    if (inverse) {
      EXPECT_NEAR(s, eased(reversed, static_cast<float>(c.curve(s))), 1e-5) << "s = " << s;
    } else {
      EXPECT_NEAR(1 - c.curve(1 - s), eased(reversed, static_cast<float>(s)), tolerance) << "s = " << s;
    }
  }
}

std::string curveName(const testing::TestParamInfo<CurveCase>& info) {
  std::string name;
  for (char ch : info.param.name) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Curves, EaseCurveTest, testing::ValuesIn(curveCases()), curveName);

TEST_F(CCActionEaseTest, CurvesPassTheDocumentedLandmarks) {
  // Rate 2 in-out at 0.75: 1 - 0.5 × 0.5² = 0.875.
  CCActionEase* inOut = CCEaseInOut::actionWithAction(Probe::make(), 2);
  EXPECT_FLOAT_EQ(0.875f, eased(inOut, 0.75f));
  // A fractional rate's second half is finite (a negative base to a
  // fractional power would not be).
  CCActionEase* fractional = CCEaseInOut::actionWithAction(Probe::make(), 2.5f);
  EXPECT_TRUE(std::isfinite(eased(fractional, 0.75f)));

  // The back curves leave 0..1: the inner action overshoots.
  CCActionEase* backIn = CCEaseBackIn::actionWithAction(Probe::make());
  EXPECT_LT(eased(backIn, 0.3f), 0.0f);
  CCActionEase* backOut = CCEaseBackOut::actionWithAction(Probe::make());
  EXPECT_GT(eased(backOut, 0.7f), 1.0f);

  CCEaseBounce* bounceEase = CCEaseBounce::actionWithAction(Probe::make());
  EXPECT_EQ(1.0f, bounceEase->bounceTime(1.0f));
  EXPECT_EQ(0.0f, bounceEase->bounceTime(0.0f));
}

TEST_F(CCActionEaseTest, ElasticDefaultsToPeriodPointThreeAndInOutReplacesZero) {
  EXPECT_EQ(0.3f, CCEaseElasticOut::actionWithAction(Probe::make())->period());
  CCEaseElasticInOut* inOut = CCEaseElasticInOut::actionWithAction(Probe::make(), 0);
  eased(inOut, 0.0f);  // the ends need no period
  EXPECT_EQ(0.0f, inOut->period());
  eased(inOut, 0.3f);
  EXPECT_EQ(0.45000002f, inOut->period());
  EXPECT_NEAR(elasticInOut(0.3, 0.45000002), eased(inOut, 0.3f), 1e-5);
}

// [SECTION] Copies, reverses and misuse

TEST_F(CCActionEaseTest, CopyKeepsClassRateAndPeriodAroundACopyOfTheInnerAction) {
  CCEaseIn* in = CCEaseIn::actionWithAction(Probe::make(2), 3);
  in->setTag(5);
  auto inCopy = Ref<CCEaseIn>::adopt(static_cast<CCEaseIn*>(in->copy()));
  EXPECT_STREQ("CCEaseIn", inCopy->className());
  EXPECT_EQ(3, inCopy->rate());
  EXPECT_EQ(2, inCopy->duration());
  EXPECT_EQ(-1, inCopy->tag());
  EXPECT_NE(in->innerAction(), inCopy->innerAction());
  EXPECT_STREQ("Probe", inCopy->innerAction()->className());

  CCEaseElasticOut* elastic = CCEaseElasticOut::actionWithAction(Probe::make(), 0.7f);
  auto elasticCopy = Ref<CCActionEase>::adopt(elastic->copy());
  EXPECT_STREQ("CCEaseElasticOut", elasticCopy->className());
  EXPECT_EQ(0.7f, static_cast<CCEaseElastic*>(elasticCopy.get())->period());

  auto bounceCopy = Ref<CCActionEase>::adopt(CCEaseBounceInOut::actionWithAction(Probe::make())->copy());
  EXPECT_STREQ("CCEaseBounceInOut", bounceCopy->className());
}

TEST_F(CCActionEaseTest, RateReversesInvertTheRateExceptInOut) {
  EXPECT_EQ(0.5f, CCEaseIn::actionWithAction(Probe::make(), 2)->reverse()->rate());
  EXPECT_EQ(0.25f, CCEaseOut::actionWithAction(Probe::make(), 4)->reverse()->rate());
  EXPECT_EQ(3.0f, CCEaseInOut::actionWithAction(Probe::make(), 3)->reverse()->rate());
  EXPECT_EQ(0.7f, static_cast<CCEaseElastic*>(CCEaseElasticIn::actionWithAction(Probe::make(), 0.7f)->reverse())
                      ->period());
}

TEST_F(CCActionEaseTest, MissingActionAndElasticBaseReverseInvalid) {
  testing_support::AssertionRecorder assertions;
  EXPECT_EQ(nullptr, CCEaseSineIn::actionWithAction(nullptr));
  EXPECT_EQ(nullptr, CCEaseElastic::actionWithAction(Probe::make())->reverse());
  ASSERT_EQ(2u, assertions.messages().size());
  EXPECT_EQ("Ease: arguments must be non-nil", assertions.messages()[0]);
  EXPECT_EQ("Override me", assertions.messages()[1]);
  EXPECT_EQ("libs/tessera/CCActionEase.cpp", assertions.files()[1]);
}

// [SECTION] Eased actions under the action manager

TEST_F(CCActionEaseTest, EveryEasedMoveEndsExactlyAtItsDestination) {
  for (const CurveCase& c : curveCases()) {
    CCNode* node = CCNode::node();
    node->onEnter();
    node->setPosition(CGPointMake(10, 20));
    node->runAction(c.make(CCMoveBy::actionWithDuration(0.5f, CGPointMake(100, -40))));
    for (int frame = 0; frame < 100 && node->numberOfRunningActions() > 0; ++frame) {
      CCScheduler::sharedScheduler()->tick(1.0f / 60);
    }
    EXPECT_EQ(0u, node->numberOfRunningActions()) << c.name;
    EXPECT_FLOAT_EQ(110, node->position().x) << c.name;
    EXPECT_FLOAT_EQ(-20, node->position().y) << c.name;
    node->onExit();
  }
}

TEST_F(CCActionEaseTest, EasedSequenceFollowsTheEasedFractionOutsideZeroToOne) {
  // Back-in dips below 0 at first: the sequence's first move runs backwards
  // (its fraction is negative), then the second move finishes the path.
  CCNode* node = CCNode::node();
  CCFiniteTimeAction* path = CCSequence::actions(
      {CCMoveBy::actionWithDuration(1, CGPointMake(100, 0)), CCMoveBy::actionWithDuration(1, CGPointMake(0, 50))});
  CCEaseBackIn* ease = CCEaseBackIn::actionWithAction(static_cast<CCActionInterval*>(path));
  ease->startWithTarget(node);
  ease->update(0.2f);
  const double dip = backIn(0.2, 1.70158);  // below 0
  EXPECT_NEAR(100 * 2 * dip, node->position().x, 1e-3);
  ease->update(1.0f);
  EXPECT_FLOAT_EQ(100, node->position().x);
  EXPECT_FLOAT_EQ(50, node->position().y);
  ease->stop();
}

}  // namespace
