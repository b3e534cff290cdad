#include "RadarReadouts.h"

#include "platform/Object.h"
#include "platform/Random.h"
#include "platform/Selector.h"
#include "tessera/CCScheduler.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

// A label that only remembers its text and how often it was set.
struct FakeLabel final : CCLabelProtocol {
  explicit FakeLabel(std::string initial = "") : text(std::move(initial)) {}
  void setString(const std::string& value) override {
    text = value;
    ++sets;
  }
  std::string string() const override { return text; }
  std::string text;
  int sets = 0;
};

// Feeds arc4random() from a fixed script; the test fails when the code draws
// more or fewer values than scripted.
class ScriptedRandom {
 public:
  ScriptedRandom(std::initializer_list<std::uint32_t> values) : values_(values) {
    platform::setArc4randomSource([this] {
      if (values_.empty()) {
        ADD_FAILURE() << "drew more random values than scripted";
        return std::uint32_t{1};  // fails every test: changes nothing
      }
      const std::uint32_t value = values_.front();
      values_.pop_front();
      return value;
    });
  }
  ~ScriptedRandom() {
    platform::setArc4randomSource({});
    EXPECT_TRUE(values_.empty()) << values_.size() << " scripted values left undrawn";
  }

 private:
  std::deque<std::uint32_t> values_;
};

using Texts = std::array<std::string, 11>;

class RadarReadoutsTest : public testing::Test {
 protected:
  RadarReadoutsTest() { attach(r_); }
  void attach(RadarReadouts& r) {
    CCLabelProtocol** fields[] = {&r.TL1, &r.TL2, &r.TL3, &r.ML1,    &r.ML2,    &r.ML3,
                                  &r.MR1, &r.LR1, &r.Tword1, &r.Tword2, &r.ghost};
    for (std::size_t i = 0; i < labels_.size(); ++i) *fields[i] = &labels_[i];
  }
  // TL1 TL2 TL3 ML1 ML2 ML3 MR1 LR1 Tword1 Tword2 ghost
  Texts texts() const {
    Texts all;
    for (std::size_t i = 0; i < labels_.size(); ++i) all[i] = labels_[i].text;
    return all;
  }
  int totalSets() const {
    int n = 0;
    for (const FakeLabel& label : labels_) n += label.sets;
    return n;
  }

  static inline const Texts kInitial{"999999", "888888", "777777", "999999", "888888", "777777",
                                     "", "", "", "", ""};
  std::array<FakeLabel, 11> labels_{FakeLabel("999999"), FakeLabel("888888"), FakeLabel("777777"),
                                    FakeLabel("999999"), FakeLabel("888888"), FakeLabel("777777"),
                                    FakeLabel(), FakeLabel(), FakeLabel(), FakeLabel(), FakeLabel()};
  RadarReadouts r_;
};

TEST(RadarReadingTest, SpansSixDigitsFrom111111To999998) {
  EXPECT_EQ(RadarReadouts::reading(0), "111111");
  EXPECT_EQ(RadarReadouts::reading(888888), "111111");
  EXPECT_EQ(RadarReadouts::reading(888887), "999998");
  EXPECT_EQ(RadarReadouts::reading(2 * 888888 - 1), "999998");
  EXPECT_EQ(RadarReadouts::reading(UINT32_MAX), "860478");  // 4294967295 % 888888 = 749367
}

TEST(RadarWordListTest, Holds56WordsInOrderAndSurvivesARebuild) {
  RadarReadouts r;
  r.buildGhostWords();
  ASSERT_EQ(r.ghostwords.size(), 56u);
  EXPECT_EQ(r.ghostwords.front(), "Michael");
  EXPECT_EQ(r.ghostwords[12], "innocence");
  EXPECT_EQ(r.ghostwords[51], "cave");
  EXPECT_EQ(r.ghostwords.back(), "dress");
}

TEST_F(RadarReadoutsTest, TickWhoseTestsAllFailChangesNothing) {
  ScriptedRandom random{1, 19, 499, 501};
  r_.tick(1.0f / 60);
  EXPECT_EQ(texts(), kInitial);
  EXPECT_EQ(totalSets(), 0);
}

TEST_F(RadarReadoutsTest, TickRefreshesAWholeColumnFromThreeDrawsTopToBottom) {
  {
    ScriptedRandom random{40, 0, 888887, 5, 1, 1, 1};
    r_.tick(0);
  }
  Texts want = kInitial;
  want[0] = "111111", want[1] = "999998", want[2] = "111116";
  EXPECT_EQ(texts(), want);
  {
    ScriptedRandom random{3, 20, 10, 20, 30, 1, 1};
    r_.tick(0);
  }
  want[3] = "111121", want[4] = "111131", want[5] = "111141";
  EXPECT_EQ(texts(), want);
  EXPECT_EQ(totalSets(), 6);
}

TEST_F(RadarReadoutsTest, TickSetsLatinWordAndAnswerByLowTwoBits) {
  const std::uint32_t draws[] = {0, 5, 0xFFFFFFFEu, 0xFFFFFFFFu};  // & 3: 0, 1, 2, 3
  const char* latin[] = {"equum", "bellum", "terram", "ignis"};
  const char* answer[] = {"YES", "YES", "NO", "NO"};
  for (int i = 0; i < 4; ++i) {
    ScriptedRandom random{1, 1, 1000, draws[i], 500, draws[3 - i]};
    r_.tick(0);
    EXPECT_EQ(labels_[6].text, latin[i]);
    EXPECT_EQ(labels_[7].text, answer[3 - i]);
  }
  EXPECT_EQ(totalSets(), 8);
}

TEST_F(RadarReadoutsTest, LogicFailingOneInThreeDrawsOnceAndKeepsTheWords) {
  for (std::uint32_t r : {1u, 2u, 0xFFFFFFFEu}) {
    ScriptedRandom random{r};
    r_.logic(10);
  }
  EXPECT_EQ(totalSets(), 0);
}

TEST_F(RadarReadoutsTest, LogicSetsGhostActionAndDirectionTogether) {
  {
    ScriptedRandom random{3, 52 + 7, 1, 2};
    r_.logic(10);
  }
  Texts want = kInitial;
  want[8] = "LISTEN", want[9] = "LEFT", want[10] = "Sam";
  EXPECT_EQ(texts(), want);
  {
    ScriptedRandom random{0xFFFFFFFFu, 51, 0, 3};
    r_.logic(10);
  }
  want[8] = "LOOK", want[9] = "RIGHT", want[10] = "cave";
  EXPECT_EQ(texts(), want);
}

TEST_F(RadarReadoutsTest, LogicNeverShowsTheLastFourWords) {
  std::vector<std::uint32_t> picks;
  for (std::uint32_t r = 0; r < 56; ++r) picks.push_back(r);
  for (std::uint32_t r : {52u * 1000 + 52, 0xFFFFFFFFu, 0xFFFFFFF0u}) picks.push_back(r);
  for (std::uint32_t pick : picks) {
    ScriptedRandom random{0, pick, 0, 0};
    r_.logic(10);
    for (const char* hidden : {"child", "church", "clown", "dress"}) EXPECT_NE(labels_[10].text, hidden);
  }
  ScriptedRandom random{0, 55, 0, 0};  // wraps to index 3
  r_.logic(10);
  EXPECT_EQ(labels_[10].text, "Joseph");
}

TEST_F(RadarReadoutsTest, LogicWithAShortWordListKeepsTheGhostAndDrawsAsUsual) {
  r_.ghostwords.resize(5);
  labels_[10].text = "Ben";
  ScriptedRandom random{0, 5, 2, 0};
  r_.logic(10);
  EXPECT_EQ(labels_[10].text, "Ben");
  EXPECT_EQ(labels_[8].text, "TOUCH");
  EXPECT_EQ(labels_[9].text, "UP");
}

TEST(RadarNullLabelsTest, MissingLabelsAreSkippedButStillDrawn) {
  RadarReadouts r;
  ScriptedRandom random{0, 1, 2, 3, 0, 4, 5, 6, 0, 7, 0, 8, /* logic */ 0, 9, 10, 11};
  r.tick(0);
  r.logic(10);
}

// A counted target standing in for the screen's layer: it owns the readouts
// and forwards its scheduled callbacks to them.
class RadarHost : public platform::Object {
  PLATFORM_CLASS(RadarHost, platform::Object)
 public:
  void tick(float dt) { readouts.tick(dt); }
  void logic(float dt) { readouts.logic(dt); }
  RadarReadouts readouts;
};

// Every draw is 0, so every test passes: a tick sets all six numbers, MR1 and
// LR1 (12 draws) and a logic sets the three words (4 draws).
class RadarSchedulingTest : public RadarReadoutsTest {
 protected:
  void SetUp() override {
    platform::setArc4randomSource([this] {
      ++draws_;
      return 0u;
    });
    attach(host_->readouts);
    scheduler_->scheduleSelector(schedule_selector(RadarHost::tick), host_, RadarReadouts::kTickInterval,
                                 false);
    scheduler_->scheduleSelector(schedule_selector(RadarHost::logic), host_,
                                 RadarReadouts::kLogicInterval, false);
  }
  void TearDown() override {
    CCScheduler::purgeSharedScheduler();
    host_->release();
    platform::setArc4randomSource({});
  }
  static constexpr float kFrame = 1.0f / 60;
  RadarHost* host_ = new RadarHost;
  CCScheduler* scheduler_ = CCScheduler::sharedScheduler();
  long draws_ = 0;
};

TEST_F(RadarSchedulingTest, TickRunsEveryFrameAndLogicOnceTenSecondsHaveAccumulated) {
  // A timer ignores its first step's dt and fires once the later ones sum to 10.
  int logicFrame = 1;
  for (float elapsed = 0; elapsed < 10.0f; elapsed += kFrame) ++logicFrame;
  ASSERT_NEAR(logicFrame, 601, 1);
  for (int frame = 1; frame <= logicFrame; ++frame) {
    scheduler_->tick(kFrame);
    ASSERT_EQ(labels_[0].sets, frame);
    ASSERT_EQ(labels_[10].sets, frame == logicFrame ? 1 : 0) << "frame " << frame;
  }
  EXPECT_EQ(draws_, 12L * logicFrame + 4);
  EXPECT_EQ(texts(), (Texts{"111111", "111111", "111111", "111111", "111111", "111111", "equum", "YES",
                            "LOOK", "UP", "Michael"}));
}

TEST_F(RadarSchedulingTest, PausedHostFreezesEveryReadout) {
  scheduler_->tick(kFrame);
  const int sets = totalSets();
  const long drawn = draws_;
  scheduler_->pauseTarget(host_);
  for (int frame = 0; frame < 700; ++frame) scheduler_->tick(kFrame);
  EXPECT_EQ(totalSets(), sets);
  EXPECT_EQ(draws_, drawn);
  scheduler_->resumeTarget(host_);
  scheduler_->tick(kFrame);
  EXPECT_EQ(draws_, drawn + 12);  // ticking again; logic's ten seconds still ahead
}

}  // namespace
