#include "platform/Exception.h"
#include "platform/Ref.h"
#include "support/TestSupport.h"
#include "tessera/CCActionInterval.h"
#include "tessera/CCRepeatForever.h"
#include "tessera/CCSpeed.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <vector>

using platform::Ref;
using testing::ElementsAre;

namespace {

/// An interval action that remembers every fraction it is given.
class FractionProbe : public CCActionInterval {
  PLATFORM_CLASS(FractionProbe, CCActionInterval)
 public:
  static FractionProbe* actionWithDuration(float duration) {
    return platform::createAutoreleased<FractionProbe>(
        [&](FractionProbe& a) { return a.initWithDuration(duration); });
  }
  void update(float t) override { fractions.push_back(t); }
  std::vector<float> steps(std::initializer_list<float> dts) {
    fractions.clear();
    for (float dt : dts) step(dt);
    return fractions;
  }
  std::vector<float> fractions;
};

class TaggedProbe : public CCAction {
  PLATFORM_CLASS(TaggedProbe, CCAction)
};

TEST(CCActionIntervalTest, FirstStepAppliesZeroThenElapsedOverDurationCappedAtOne) {
  FractionProbe* a = FractionProbe::actionWithDuration(1.0f);
  a->startWithTarget(a);
  EXPECT_THAT(a->steps({0.5f, 0.25f, 0.5f}), ElementsAre(0.0f, 0.25f, 0.75f));
  EXPECT_FALSE(a->isDone());
  EXPECT_THAT(a->steps({0.5f}), ElementsAre(1.0f));
  EXPECT_TRUE(a->isDone());
  a->startWithTarget(a);  // a restart forgets the elapsed time
  EXPECT_FALSE(a->isDone());
  EXPECT_THAT(a->steps({0.9f, 0.1f}), ElementsAre(0.0f, 0.1f));
}

TEST(CCActionIntervalTest, ZeroDurationIsEpsilonAndNotANumberAppliesOne) {
  FractionProbe* a = FractionProbe::actionWithDuration(0.0f);
  EXPECT_EQ(std::bit_cast<uint32_t>(a->duration()), 0x34000000u);
  a->startWithTarget(a);
  EXPECT_THAT(a->steps({0.0f}), ElementsAre(0.0f));
  EXPECT_FALSE(a->isDone());
  EXPECT_THAT(a->steps({1.0f / 60}), ElementsAre(1.0f));
  EXPECT_TRUE(a->isDone());

  a->setDuration(0.0f);  // the first step now computes 0 / 0
  a->startWithTarget(a);
  EXPECT_THAT(a->steps({0.1f}), ElementsAre(1.0f));
}

TEST(CCActionIntervalTest, MisuseIsInvalid) {
  testing_support::AssertionRecorder recorder;
  auto init = [](CCActionInterval& a) { return a.init(); };
  EXPECT_EQ(platform::createAutoreleased<CCActionInterval>(init), nullptr);
  EXPECT_EQ(CCActionInterval::actionWithDuration(1.0f)->reverse(), nullptr);
  EXPECT_THAT(recorder.messages(), ElementsAre("IntervalActionInit: Init not supported. Use InitWithDuration",
                                               "CCIntervalAction: reverse not implemented."));
  EXPECT_THAT(recorder.files(), testing::Each(std::string("libs/tessera/CCActionInterval.cpp")));
  EXPECT_THAT([] { CCActionInterval::actionWithDuration(1.0f)->setAmplitudeRate(0.5f); },
              testing::Throws<platform::Exception>(testing::AllOf(
                  testing::Property(&platform::Exception::name, "IntervalAction (Amplitude)"),
                  testing::Property(&platform::Exception::reason, "Abstract class needs implementation"))));
}

TEST(CCActionTest, CopiesKeepTheClassAndFollowEachClassesTagRule) {
  testing_support::AssertionRecorder recorder;  // a failed copy reports instead of aborting the run
  TaggedProbe* plain = platform::createAutoreleased<TaggedProbe>([](TaggedProbe& a) { return a.init(); });
  plain->setTag(7);
  plain->startWithTarget(plain);
  auto plainCopy = Ref<CCAction>::adopt(plain->copy());
  EXPECT_STREQ(plainCopy->className(), "TaggedProbe");
  EXPECT_EQ(plainCopy->tag(), 7);
  EXPECT_EQ(plainCopy->originalTarget(), nullptr);

  FractionProbe* interval = FractionProbe::actionWithDuration(2.0f);
  interval->setTag(7);
  auto intervalCopy = Ref<CCActionInterval>::adopt(interval->copy());
  EXPECT_STREQ(intervalCopy->className(), "FractionProbe");
  EXPECT_EQ(intervalCopy->duration(), 2.0f);
  EXPECT_EQ(intervalCopy->tag(), kCCActionTagInvalid);

  // Wrappers (whose destructors are protected) copy their inner action too.
  auto repeat = Ref<CCRepeatForever>::adopt(CCRepeatForever::actionWithAction(interval)->copy());
  auto speed = Ref<CCSpeed>::adopt(CCSpeed::actionWithAction(interval, 1.5f)->copy());
  ASSERT_TRUE(repeat && speed) << testing::PrintToString(recorder.messages());
  EXPECT_NE(repeat->innerAction(), interval);
  EXPECT_STREQ(repeat->innerAction()->className(), "FractionProbe");
  EXPECT_NE(speed->innerAction(), interval);
  EXPECT_EQ(speed->speed(), 1.5f);
  EXPECT_TRUE(recorder.empty());
}

TEST(CCActionTest, BaseClassDescribesItselfAndLogsUnimplementedSteps) {
  testing_support::LogCapture log;
  CCAction* a = CCAction::action();
  a->setTag(5);
  EXPECT_THAT(a->description(), testing::MatchesRegex("<CCAction = [0-9A-F]{8,} \\| Tag = 5>"));
  a->step(0.1f);
  a->update(0.5f);
  EXPECT_THAT(log.lines(), ElementsAre("[Action step]. override me", "[Action update]. override me"));
}

}  // namespace
