#include "tessera/Platforms/iOS/CCTouchDispatcher.h"

#include "platform/AutoreleasePool.h"
#include "platform/Touch.h"
#include "support/TestSupport.h"
#include "tessera/Platforms/iOS/CCStandardTouchHandler.h"
#include "tessera/Platforms/iOS/CCTargetedTouchHandler.h"
#include "tessera/Platforms/iOS/CCTouchDelegateProtocol.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

using platform::Event;
using platform::Object;
using platform::Touch;
using platform::TouchSet;
using testing::ElementsAre;
using testing::IsEmpty;
using testing_support::AssertionRecorder;
using Lines = std::vector<std::string>;

namespace {

// The transcript every probe writes to, and the names the tests gave touches.
Lines g_log;
std::map<const Touch*, std::string> g_touchNames;

std::string names(const TouchSet* touches) {
  std::string text;
  for (Touch* touch : *touches) text += (text.empty() ? "" : ",") + g_touchNames[touch];
  return text;
}

/// A delegate of both kinds that records each callback as "<name> <phase>
/// <touches>", claims every touch it has not been told to decline, reports the
/// mask it is given for both protocols, and runs `hook_` once, from inside its
/// first callback.
class Probe : public Object, public CCTargetedTouchDelegate, public CCStandardTouchDelegate {
  PLATFORM_CLASS(Probe, Object)

 public:
  static Probe* probe(std::string name, unsigned mask = kCCTouchSelectorAllBits) {
    return platform::createAutoreleased<Probe>([&](Probe& p) {
      p.name_ = std::move(name);
      p.mask_ = mask;
      return true;
    });
  }

  bool ccTouchBegan(Touch* t, Event*) override {
    record("began " + g_touchNames[t]);
    return !declined_.count(g_touchNames[t]);
  }
  void ccTouchMoved(Touch* t, Event*) override { record("moved " + g_touchNames[t]); }
  void ccTouchEnded(Touch* t, Event*) override { record("ended " + g_touchNames[t]); }
  void ccTouchCancelled(Touch* t, Event*) override { record("cancelled " + g_touchNames[t]); }
  void ccTouchesBegan(TouchSet* set, Event*) override { record("touchesBegan", set); }
  void ccTouchesMoved(TouchSet* set, Event*) override { record("touchesMoved", set); }
  void ccTouchesEnded(TouchSet* set, Event*) override { record("touchesEnded", set); }
  void ccTouchesCancelled(TouchSet* set, Event*) override { record("touchesCancelled", set); }
  unsigned touchSelectorMask() const override { return mask_; }
  unsigned touchesSelectorMask() const override { return mask_; }

  std::string name_;
  unsigned mask_ = kCCTouchSelectorAllBits;
  std::set<std::string> declined_;
  std::function<void()> hook_;
  const TouchSet* lastSet_ = nullptr;

 protected:
  ~Probe() override { g_log.push_back(name_ + " dealloc"); }

 private:
  void record(const std::string& line, const TouchSet* set = nullptr) {
    if (set) lastSet_ = set;
    std::string entry = name_;
    entry.append(" ").append(line);
    if (set) entry.append(" ").append(names(set));
    g_log.push_back(std::move(entry));
    if (hook_) std::exchange(hook_, nullptr)();
  }
};

class NotADelegate : public Object {
  PLATFORM_CLASS(NotADelegate, Object)
};

class CCTouchDispatcherTest : public testing::Test {
 protected:
  void SetUp() override { g_log.clear(); g_touchNames.clear(); }
  void TearDown() override { CCTouchDispatcher::purgeSharedDispatcher(); }

  static CCTouchDispatcher* dispatcher() { return CCTouchDispatcher::sharedDispatcher(); }
  static Touch* touch(const std::string& name) {
    Touch* touch = Touch::touch();
    g_touchNames[touch] = name;
    return touch;
  }
  /// Dispatches `touches` in `phase` through the view's entry points and
  /// returns the transcript it produced.
  Lines send(uint32_t phase, TouchSet touches) {
    g_log.clear();
    CCTouchDispatcher* d = dispatcher();
    if (phase == kCCTouchBegan) d->touchesBegan(&touches, event_);
    if (phase == kCCTouchMoved) d->touchesMoved(&touches, event_);
    if (phase == kCCTouchEnded) d->touchesEnded(&touches, event_);
    if (phase == kCCTouchCancelled) d->touchesCancelled(&touches, event_);
    return g_log;
  }

  Event* event_ = Event::event();
};

// [SECTION] Order, claims and swallowing

TEST_F(CCTouchDispatcherTest, SwallowedClaimNeverReachesLaterHandlerButDeclinedTouchDoes) {
  Touch* t1 = touch("t1");
  Touch* t2 = touch("t2");
  Probe* late = Probe::probe("late");
  Probe* early = Probe::probe("early");
  early->declined_ = {"t2"};
  dispatcher()->addTargetedDelegate(late, 0, false);
  dispatcher()->addTargetedDelegate(early, -128, true);
  EXPECT_EQ(send(kCCTouchBegan, {t1, t2}),
            Lines({"early began t1", "early began t2", "late began t2"}));
  EXPECT_EQ(send(kCCTouchMoved, {t1, t2}), Lines({"early moved t1", "late moved t2"}));
  EXPECT_EQ(send(kCCTouchEnded, {t1, t2}), Lines({"early ended t1", "late ended t2"}));
}

TEST_F(CCTouchDispatcherTest, SwallowedTouchesAreTakenOutOfTheStandardSetOnly) {
  Touch* t1 = touch("t1");
  Touch* t2 = touch("t2");
  Probe* targeted = Probe::probe("targeted");
  targeted->declined_ = {"t2"};
  Probe* standard = Probe::probe("standard");
  dispatcher()->addTargetedDelegate(targeted, 0, true);
  dispatcher()->addStandardDelegate(standard, 0);
  TouchSet both{t1, t2};
  g_log.clear();
  dispatcher()->touchesBegan(&both, event_);
  EXPECT_EQ(g_log, Lines({"targeted began t1", "targeted began t2", "standard touchesBegan t2"}));
  EXPECT_EQ(both.count(), 2u) << "the caller's set must not be changed";
  // Every touch swallowed: the standard delegate is not called at all.
  EXPECT_EQ(send(kCCTouchMoved, {t1}), Lines({"targeted moved t1"}));
  // Standard delegates alone receive the caller's set itself, uncopied.
  dispatcher()->removeDelegate(targeted);
  dispatcher()->touchesEnded(&both, event_);
  EXPECT_EQ(standard->lastSet_, &both);
}

TEST_F(CCTouchDispatcherTest, ClaimsThatDoNotSwallowPassOnByAscendingPriorityLaterAddedFirst) {
  const std::pair<const char*, int32_t> registrations[] = {
      {"p10", 10}, {"first0", 0}, {"m10", -10}, {"second0", 0}};
  for (auto [name, priority] : registrations) {
    dispatcher()->addTargetedDelegate(Probe::probe(std::string("T") + name), priority, false);
    dispatcher()->addStandardDelegate(Probe::probe(std::string("S") + name), priority);
  }
  EXPECT_EQ(send(kCCTouchBegan, {touch("t")}),
            Lines({"Tm10 began t", "Tsecond0 began t", "Tfirst0 began t", "Tp10 began t",
                   "Sm10 touchesBegan t", "Ssecond0 touchesBegan t", "Sfirst0 touchesBegan t",
                   "Sp10 touchesBegan t"}));
}

TEST_F(CCTouchDispatcherTest, ClaimWithoutCallbacksStillSwallowsUntilEndedOrCancelled) {
  dispatcher()->addTargetedDelegate(Probe::probe("silent", 0), -1, true);
  dispatcher()->addTargetedDelegate(Probe::probe("later"), 0, false);
  dispatcher()->addStandardDelegate(Probe::probe("s"), 0);
  for (uint32_t end : {kCCTouchEnded, kCCTouchCancelled}) {
    SCOPED_TRACE(end);
    Touch* t1 = touch("t1");
    EXPECT_EQ(send(kCCTouchBegan, {t1}), Lines({"silent began t1"}));
    EXPECT_THAT(send(kCCTouchMoved, {t1}), IsEmpty());
    EXPECT_THAT(send(end, {t1}), IsEmpty());
    // The claim ended with the gesture: a stray event for it is not swallowed.
    EXPECT_EQ(send(kCCTouchMoved, {t1}), Lines({"s touchesMoved t1"}));
  }
}

TEST_F(CCTouchDispatcherTest, EnabledSelectorsFollowTheMasks) {
  const unsigned mask = kCCTouchSelectorMovedBit | kCCTouchSelectorCancelledBit;
  dispatcher()->addTargetedDelegate(Probe::probe("t", mask), 0, false);
  dispatcher()->addStandardDelegate(Probe::probe("s", mask), 0);
  EXPECT_EQ(dispatcher()->targetedHandlers()[0]->enabledSelectors(), mask | kCCTouchSelectorBeganBit);
  EXPECT_EQ(dispatcher()->standardHandlers()[0]->enabledSelectors(), mask);
  EXPECT_EQ(send(kCCTouchBegan, {touch("x")}), Lines({"t began x"}));  // s has no touchesBegan
}

TEST_F(CCTouchDispatcherTest, EventsAreDroppedWhileDispatchIsOffAndClaimsSurvive) {
  Touch* t1 = touch("t1");
  dispatcher()->addTargetedDelegate(Probe::probe("p"), 0, false);
  send(kCCTouchBegan, {t1});
  dispatcher()->setDispatchEvents(false);
  EXPECT_THAT(send(kCCTouchBegan, {touch("t2")}), IsEmpty());
  EXPECT_THAT(send(kCCTouchEnded, {t1}), IsEmpty());
  dispatcher()->setDispatchEvents(true);
  EXPECT_EQ(send(kCCTouchMoved, {t1}), Lines({"p moved t1"}));
}

// [SECTION] Changes made during a dispatch

TEST_F(CCTouchDispatcherTest, SelfRemovalFinishesTheEventThenReleasesTheDelegate) {
  Probe* quitter = Probe::probe("quitter");
  const uint32_t baseline = quitter->retainCount();
  quitter->hook_ = [quitter] { dispatcher()->removeDelegate(quitter); };
  {
    platform::AutoreleasePool pool;  // the handlers are autoreleased, as per event
    dispatcher()->addTargetedDelegate(quitter, 0, false);
    dispatcher()->addStandardDelegate(Probe::probe("s"), 0);
  }
  EXPECT_EQ(quitter->retainCount(), baseline + 1);
  EXPECT_EQ(send(kCCTouchBegan, {touch("t1"), touch("t2")}),
            Lines({"quitter began t1", "quitter began t2", "s touchesBegan t1,t2"}));
  EXPECT_EQ(quitter->retainCount(), baseline);
  EXPECT_EQ(send(kCCTouchBegan, {touch("t3")}), Lines({"s touchesBegan t3"}));
}

TEST_F(CCTouchDispatcherTest, QueuedRemovalsApplyBeforeQueuedAdditions) {
  AssertionRecorder asserts;
  Probe* mover = Probe::probe("mover");
  Probe* newcomer = Probe::probe("newcomer");
  // mover re-registers itself at a later priority; newcomer is added and then
  // removed in the same callback.
  mover->hook_ = [&] {
    dispatcher()->removeDelegate(mover);
    dispatcher()->addTargetedDelegate(mover, 5, false);
    dispatcher()->addTargetedDelegate(newcomer, 0, false);
    dispatcher()->removeDelegate(newcomer);
  };
  dispatcher()->addTargetedDelegate(mover, -5, false);
  EXPECT_EQ(send(kCCTouchBegan, {touch("t1")}), Lines({"mover began t1"}));
  EXPECT_EQ(send(kCCTouchBegan, {touch("t2")}), Lines({"newcomer began t2", "mover began t2"}));
  EXPECT_TRUE(asserts.empty());
}

TEST_F(CCTouchDispatcherTest, RemoveAllDuringDispatchAlsoRemovesHandlersAddedInIt) {
  Probe* host = Probe::probe("host");
  host->hook_ = [] {
    dispatcher()->addStandardDelegate(Probe::probe("guest"), 0);
    dispatcher()->removeAllDelegates();
  };
  dispatcher()->addTargetedDelegate(host, 0, false);
  dispatcher()->addTargetedDelegate(Probe::probe("other"), 1, false);
  EXPECT_EQ(send(kCCTouchBegan, {touch("t1")}), Lines({"host began t1", "other began t1"}));
  EXPECT_TRUE(dispatcher()->targetedHandlers().empty());
  EXPECT_TRUE(dispatcher()->standardHandlers().empty());
}

TEST_F(CCTouchDispatcherTest, NestedDispatchDefersChangesToTheOutermost) {
  Probe* a = Probe::probe("a");
  Probe* b = Probe::probe("b");
  a->hook_ = [&] {
    dispatcher()->removeDelegate(b);
    TouchSet inner{touch("inner")};
    dispatcher()->touchesBegan(&inner, event_);
  };
  dispatcher()->addTargetedDelegate(a, 0, false);
  dispatcher()->addTargetedDelegate(b, 1, false);
  EXPECT_EQ(send(kCCTouchBegan, {touch("t1")}),
            Lines({"a began t1", "a began inner", "b began inner", "b began t1"}));
  EXPECT_EQ(dispatcher()->targetedHandlers().size(), 1u);
}

TEST_F(CCTouchDispatcherTest, PurgeFromCallbackLetsTheDispatchFinish) {
  Probe* a = Probe::probe("a");
  a->hook_ = [] { CCTouchDispatcher::purgeSharedDispatcher(); };
  {
    platform::AutoreleasePool pool;
    dispatcher()->addTargetedDelegate(a, 0, false);
    dispatcher()->addTargetedDelegate(Probe::probe("b"), 1, false);
  }
  // b had only its handler; it goes with the dispatcher, once the dispatch is over.
  EXPECT_EQ(send(kCCTouchBegan, {touch("t1")}), Lines({"a began t1", "b began t1", "b dealloc"}));
  EXPECT_EQ(a->retainCount(), 1u);
  EXPECT_TRUE(dispatcher()->targetedHandlers().empty());
}

// [SECTION] Ownership and misuse

TEST_F(CCTouchDispatcherTest, HandlersKeepDelegatesAliveUntilRemoved) {
  Probe* probe = nullptr;
  {
    platform::AutoreleasePool pool;
    probe = Probe::probe("p");
    dispatcher()->addTargetedDelegate(probe, 0, false);
    dispatcher()->addStandardDelegate(probe, 0);
  }
  g_log.clear();
  dispatcher()->removeDelegate(nullptr);
  dispatcher()->removeDelegate(Probe::probe("stranger"));
  EXPECT_THAT(g_log, IsEmpty());
  dispatcher()->removeDelegate(probe);  // leaves both lists
  EXPECT_THAT(g_log, ElementsAre("p dealloc"));
}

TEST_F(CCTouchDispatcherTest, MisuseInvalid) {
  AssertionRecorder asserts;
  Probe* probe = Probe::probe("p");
  dispatcher()->addTargetedDelegate(probe, 0, false);
  dispatcher()->addStandardDelegate(probe, 0);  // the other list: fine
  EXPECT_TRUE(asserts.empty());
  dispatcher()->addTargetedDelegate(probe, 3, true);
  dispatcher()->addTargetedDelegate(nullptr, 0, false);
  dispatcher()->addStandardDelegate(platform::autoreleased(new NotADelegate()), 0);
  dispatcher()->setPriority(7, probe);
  TouchSet touches{touch("t")};
  g_log.clear();
  dispatcher()->touches(&touches, event_, kCCTouchMax);
  EXPECT_THAT(g_log, IsEmpty());
  (new CCTouchDispatcher())->release();
  EXPECT_THAT(asserts.messages(),
              ElementsAre("Delegate already added to touch dispatcher.", "Touch delegate may not be nil",
                          "CCStandardTouchHandler: NotADelegate does not adopt CCStandardTouchDelegate",
                          "Set priority no implemented yet. Don't forget to report this bug!",
                          "Invalid idx value", "Attempted to allocate a second instance of a singleton."));
  EXPECT_EQ(dispatcher()->standardHandlers().size(), 1u);
  EXPECT_EQ(dispatcher()->targetedHandlers()[0]->priority(), 0);
}

// [SECTION] Touch and TouchSet

TEST(CCTouchTypesTest, TouchSetKeepsDeliveryOrderWithoutDuplicatesAndRetains) {
  Touch* a = Touch::touch();
  Touch* b = Touch::touch();
  Touch* c = Touch::touch();
  TouchSet set{a, b, a, nullptr, c};
  EXPECT_FALSE(set.add(b));
  EXPECT_EQ(a->retainCount(), 2u);
  {
    TouchSet copy = set;
    EXPECT_EQ(a->retainCount(), 3u);
    EXPECT_TRUE(copy.remove(b));
    EXPECT_FALSE(copy.remove(b));
    EXPECT_THAT(std::vector<Touch*>(copy.begin(), copy.end()), ElementsAre(a, c));
  }
  EXPECT_THAT(std::vector<Touch*>(set.begin(), set.end()), ElementsAre(a, b, c));
  EXPECT_EQ(b->retainCount(), 2u);
  EXPECT_EQ(set.anyObject(), a);
}

}  // namespace
