#include "platform/Assert.h"
#include "platform/AutoreleasePool.h"
#include "platform/Object.h"
#include "platform/Ref.h"
#include "platform/Selector.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::AutoreleasePool;
using platform::Object;
using platform::Ref;

namespace {

std::vector<std::string> g_trace;

class Probe : public Object {
  PLATFORM_CLASS(Probe, Object)
 public:
  static Probe* probe(std::string name) {
    return platform::createAutoreleased<Probe>([&](Probe& p) {
      p.name_ = std::move(name);
      return true;
    });
  }
  static Probe* failing() {
    return platform::createAutoreleased<Probe>([](Probe&) { return false; });
  }
  void tick(float dt) { g_trace.push_back(name_ + " tick " + std::to_string(dt)); }
  void ping() { g_trace.push_back(name_ + " ping"); }
  void take(Probe* other) { g_trace.push_back(name_ + " took " + (other ? other->name_ : "nil")); }
  std::string name_;

 protected:
  ~Probe() override { g_trace.push_back(name_ + " dealloc"); }
};

class SubProbe : public Probe {
  PLATFORM_CLASS(SubProbe, Probe)
};

class ObjectTest : public testing::Test {
 protected:
  void SetUp() override { g_trace.clear(); }
};

TEST_F(ObjectTest, FactoryObjectCountsItsPendingReleaseUntilThePoolDrains) {
  Probe* p = nullptr;
  {
    AutoreleasePool pool;
    p = Probe::probe("a");
    EXPECT_EQ(p->retainCount(), 1u);
    p->retain();
    EXPECT_EQ(p->retainCount(), 2u);
  }
  EXPECT_EQ(p->retainCount(), 1u);
  EXPECT_TRUE(g_trace.empty());
  p->release();
  EXPECT_EQ(g_trace, std::vector<std::string>{"a dealloc"});
}

TEST_F(ObjectTest, PoolReleasesOncePerAutoreleaseNewestFirst) {
  {
    AutoreleasePool pool;
    Probe* a = Probe::probe("a");
    a->retain();
    a->autorelease();  // two pending releases of a
    Probe::probe("b");
  }
  EXPECT_EQ(g_trace, (std::vector<std::string>{"b dealloc", "a dealloc"}));
}

TEST_F(ObjectTest, NestedPoolsDrainOnlyTheirOwnObjects) {
  AutoreleasePool outer;
  Probe* kept = Probe::probe("outer");
  {
    AutoreleasePool inner;
    Probe::probe("inner");
  }
  EXPECT_EQ(g_trace, std::vector<std::string>{"inner dealloc"});
  EXPECT_EQ(kept->retainCount(), 1u);
}

TEST_F(ObjectTest, FailedInitReleasesTheObjectAndReturnsNull) {
  EXPECT_EQ(Probe::failing(), nullptr);
  EXPECT_EQ(g_trace, std::vector<std::string>{" dealloc"});
}

TEST_F(ObjectTest, RefAssignmentOfItsOwnValueKeepsTheObjectAlive) {
  Probe* p = new Probe();
  p->name_ = "p";
  Ref<Probe> ref = Ref<Probe>::adopt(p);
  ref = ref.get();
  ref = ref;
  EXPECT_EQ(p->retainCount(), 1u);
  EXPECT_TRUE(g_trace.empty());
  ref = nullptr;
  EXPECT_EQ(g_trace, std::vector<std::string>{"p dealloc"});
}

TEST_F(ObjectTest, ClassInformationNamesTheMostDerivedClass) {
  AutoreleasePool pool;
  SubProbe* sub = platform::createAutoreleased<SubProbe>([](SubProbe&) { return true; });
  EXPECT_STREQ(sub->className(), "SubProbe");
  EXPECT_TRUE(sub->isKindOf(Probe::classInfo_));
  EXPECT_FALSE(Probe::probe("x")->isKindOf(SubProbe::classInfo_));
  EXPECT_THAT(sub->description(), testing::MatchesRegex("<SubProbe = [0-9A-F]{8,}>"));
  EXPECT_EQ(platform::describe(nullptr), "(null)");

  const platform::ClassInfo* found = platform::ClassInfo::named("SubProbe");
  ASSERT_EQ(found, &SubProbe::classInfo_);
  Object* fresh = found->newInstance();
  EXPECT_STREQ(fresh->className(), "SubProbe");
  fresh->release();
  EXPECT_EQ(platform::ClassInfo::named("NoSuchClass"), nullptr);
}

TEST_F(ObjectTest, SelectorsCompareByNameAcrossClassesAndCallTheBoundMethod) {
  platform::Selector tick = CC_SEL(Probe::tick);
  platform::Selector subTick = CC_SEL(SubProbe::tick);
  platform::Selector ping = CC_SEL(Probe::ping);
  platform::Selector take = CC_SEL(Probe::take);
  EXPECT_STREQ(tick.name(), "tick:");
  EXPECT_STREQ(ping.name(), "ping");
  EXPECT_STREQ(take.name(), "take:");
  EXPECT_EQ(tick, subTick);
  EXPECT_FALSE(tick == ping);
  EXPECT_EQ(tick, platform::Selector::named("tick:"));
  EXPECT_TRUE(platform::Selector().isNull());

  AutoreleasePool pool;
  Probe* a = Probe::probe("a");
  Probe* b = Probe::probe("b");
  tick(a, 0.5f);
  ping(a);
  take(a, b);
  take(a);
  EXPECT_EQ(g_trace, (std::vector<std::string>{"a tick 0.500000", "a ping", "a took b", "a took nil"}));
}

TEST_F(ObjectTest, CopyOfTheRootObjectIsRefusedWithAnAssertion) {
  testing_support::AssertionRecorder asserts;
  AutoreleasePool pool;
  EXPECT_EQ(Probe::probe("a")->copy(), nullptr);
  ASSERT_EQ(asserts.messages().size(), 1u);
  EXPECT_EQ(asserts.files()[0], "libs/platform/Object.cpp");
}

TEST(AssertionDeathTest, ReportNamesFunctionRepositoryFileAndMessage) {
  EXPECT_DEATH(CCAssert(1 + 1 == 3, "Argument must be %s", "non-nil"),
               "\\*\\*\\* Assertion failure in TestBody\\(\\), tests/platform/ObjectTest.cpp:[0-9]+\n"
               "Argument must be non-nil");
}

}  // namespace
