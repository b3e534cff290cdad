#include "platform/InsertionOrderedMap.h"
#include "platform/Random.h"
#include "platform/Time.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Map = platform::InsertionOrderedMap<const void*, std::string>;

std::vector<std::string> valuesOf(const Map& map) {
  std::vector<std::string> values;
  for (const auto& entry : map) values.push_back(entry.value);
  return values;
}

int a, b, c, d;

TEST(InsertionOrderedMapTest, WalksInInsertionOrderAndSendsReaddedKeysToTheEnd) {
  Map map;
  map.insert(&c, "c");
  map.insert(&a, "a");
  map.insert(&b, "b");
  EXPECT_EQ(valuesOf(map), (std::vector<std::string>{"c", "a", "b"}));

  EXPECT_TRUE(map.erase(&c));
  map.insert(&c, "c again");
  EXPECT_EQ(valuesOf(map), (std::vector<std::string>{"a", "b", "c again"}));
  EXPECT_FALSE(map.erase(&d));
  EXPECT_EQ(map.findValue(&d), nullptr);
  ASSERT_NE(map.findValue(&b), nullptr);
  EXPECT_EQ(*map.findValue(&b), "b");
}

TEST(InsertionOrderedMapTest, AWalkSurvivesErasingOtherEntriesAndAddingNewOnes) {
  Map map;
  map.insert(&a, "a");
  map.insert(&b, "b");
  map.insert(&c, "c");
  std::vector<std::string> visited;
  for (auto it = map.begin(); it != map.end();) {
    visited.push_back(it->value);
    if (it->key == &a) {
      map.erase(&b);         // the entry after the running one
      map.insert(&d, "d");   // appended: visited later in the same walk
    }
    ++it;  // the successor is read after the entry's turn
  }
  EXPECT_EQ(visited, (std::vector<std::string>{"a", "c", "d"}));
}

TEST(RandomSourceTest, InstalledSourcesReplaceTheLibraryAndCanBeRemoved) {
  platform::setArc4randomSource([] { return 42u; });
  platform::setRandomSource([] { return 7L; });
  EXPECT_EQ(platform::arc4random(), 42u);
  EXPECT_EQ(platform::random(), 7L);
  platform::setArc4randomSource({});
  platform::setRandomSource({});
  long r = platform::random();
  EXPECT_GE(r, 0);
  EXPECT_LE(r, 0x7FFFFFFFL);
}

TEST(ManualClockTest, DrivesWallClockMonotonicClockAndSleeping) {
  platform::ManualClock clock({100, 999999});
  clock.advance(0.000001);
  EXPECT_EQ(platform::wallClock().seconds, 101);
  EXPECT_EQ(platform::wallClock().microseconds, 0);
  double before = platform::monotonicSeconds();
  platform::sleepFor(1.5);
  EXPECT_DOUBLE_EQ(platform::monotonicSeconds() - before, 1.5);
  clock.advance(-2.0);  // a clock that steps back
  EXPECT_EQ(platform::wallClock().seconds, 100);
  EXPECT_EQ(platform::wallClock().microseconds, 500000);
}

}  // namespace
