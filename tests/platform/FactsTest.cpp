#include "platform/Facts.h"
#include "platform/Random.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

using testing::HasSubstr;

namespace {

const char* const kVariables[] = {"TESSERA_SCREEN",     "TESSERA_SYSTEM_VERSION", "TESSERA_ORIENTATION",
                                  "TESSERA_HEADLESS",   "TESSERA_ADS",            "TESSERA_RESOURCE_DIR",
                                  "TESSERA_DOCUMENTS_DIR", "TESSERA_FAKE_CLOCK",  "TESSERA_CAPTURE",
                                  "TESSERA_CAPTURE_AT", "TESSERA_SEED"};

// Clears the facts' variables for the test and restores them afterwards.
class FactsTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kVariables) {
      const char* value = std::getenv(name);
      saved_.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name, value->c_str(), 1);
      } else {
        unsetenv(name);
      }
    }
    platform::resetFacts();
  }

 private:
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(FactsTest, EnvironmentOverridesEveryFact) {
  setenv("TESSERA_SCREEN", "320x480@2", 1);
  setenv("TESSERA_SYSTEM_VERSION", "4.3.1", 1);
  setenv("TESSERA_ORIENTATION", "4", 1);
  setenv("TESSERA_HEADLESS", "1", 1);
  setenv("TESSERA_ADS", "off", 1);
  setenv("TESSERA_FAKE_CLOCK", "yes", 1);
  setenv("TESSERA_CAPTURE", "/tmp/frame.png", 1);
  setenv("TESSERA_CAPTURE_AT", "1.5", 1);
  setenv("TESSERA_RESOURCE_DIR", "/res", 1);
  platform::resetFacts();
  const platform::Facts& facts = platform::facts();
  EXPECT_EQ(facts.screenSize.width, 320);
  EXPECT_EQ(facts.screenSize.height, 480);
  EXPECT_EQ(facts.screenScale, 2);
  EXPECT_EQ(facts.systemVersion, "4.3.1");
  EXPECT_EQ(facts.initialOrientation, 4);
  EXPECT_TRUE(facts.headless);
  EXPECT_FALSE(facts.adServiceAvailable);
  EXPECT_TRUE(facts.fakeClock);
  EXPECT_EQ(facts.captureFile, "/tmp/frame.png");
  EXPECT_DOUBLE_EQ(facts.captureAt, 1.5);
  EXPECT_EQ(facts.resourceDir, "/res");
}

struct BadValue {
  const char* variable;
  const char* value;
};

class FactsBadValueTest : public FactsTest, public testing::WithParamInterface<BadValue> {};

TEST_P(FactsBadValueTest, IsLoggedAndIgnored) {
  setenv(GetParam().variable, GetParam().value, 1);
  testing_support::LogCapture log;
  platform::resetFacts();
  const platform::Facts& facts = platform::facts();
  EXPECT_THAT(log.text(), HasSubstr(GetParam().variable));
  EXPECT_EQ(facts.screenSize.width, 320);
  EXPECT_EQ(facts.screenSize.height, 480);
  EXPECT_EQ(facts.screenScale, 1);
  EXPECT_EQ(facts.systemVersion, "3.2");
  EXPECT_EQ(facts.initialOrientation, 3);
  EXPECT_FALSE(facts.headless);
  EXPECT_TRUE(facts.adServiceAvailable);
  EXPECT_EQ(facts.captureAt, 0);
}

INSTANTIATE_TEST_SUITE_P(Facts, FactsBadValueTest,
                         testing::Values(BadValue{"TESSERA_SCREEN", "320x"}, BadValue{"TESSERA_SCREEN", "big"},
                                         BadValue{"TESSERA_SCREEN", "320x480@0"},
                                         BadValue{"TESSERA_SCREEN", "320x480@2x"},
                                         BadValue{"TESSERA_SYSTEM_VERSION", "3..2"},
                                         BadValue{"TESSERA_ORIENTATION", "5"},
                                         BadValue{"TESSERA_HEADLESS", "maybe"},
                                         BadValue{"TESSERA_ADS", "sometimes"},
                                         BadValue{"TESSERA_CAPTURE_AT", "-1"}));

// [SECTION] Seed and capture path

TEST_F(FactsTest, SeedComesFromTheVariableElseFixedOnTheFakeClockElseEntropy) {
  platform::resetFacts();
  const std::uint64_t entropySeed = platform::randomSeed();
  EXPECT_EQ(platform::randomSeed(), entropySeed);  // drawn once per process
  EXPECT_NE(entropySeed, platform::kFakeClockSeed);
  platform::facts().fakeClock = true;
  EXPECT_EQ(platform::randomSeed(), platform::kFakeClockSeed);

  setenv("TESSERA_SEED", "18446744073709551615", 1);
  platform::resetFacts();
  EXPECT_EQ(platform::randomSeed(), 18446744073709551615u);

  testing_support::LogCapture log;
  for (const char* bad : {"-1", "12x", "18446744073709551616", " 5"}) {
    setenv("TESSERA_SEED", bad, 1);
    platform::resetFacts();
    EXPECT_FALSE(platform::facts().seed.has_value()) << bad;
  }
  EXPECT_EQ(log.lines().size(), 4u);
  EXPECT_THAT(log.text(), HasSubstr("TESSERA_SEED=\"12x\""));
}

TEST_F(FactsTest, RelativeCapturePathIsTakenFromTheWorkingDirectory) {
  setenv("TESSERA_CAPTURE", "shots/../frame.png", 1);
  platform::resetFacts();
  EXPECT_EQ(platform::facts().captureFile, (std::filesystem::current_path() / "frame.png").string());
  setenv("TESSERA_CAPTURE", "/tmp/frame.png", 1);
  platform::resetFacts();
  EXPECT_EQ(platform::facts().captureFile, "/tmp/frame.png");
}

// [SECTION] Random sources

TEST(RandomTest, SameSeedRepeatsBothSourcesAndAnotherSeedDoesNot) {
  auto draw = [] {
    std::vector<long> values;
    for (int i = 0; i < 8; ++i) {
      values.push_back(static_cast<long>(platform::arc4random()));
      values.push_back(platform::random());
    }
    return values;
  };
  platform::seedRandomSources(42);
  const std::vector<long> first = draw();
  platform::seedRandomSources(42);
  EXPECT_EQ(draw(), first);
  platform::seedRandomSources(43);
  EXPECT_NE(draw(), first);
  for (std::size_t i = 1; i < first.size(); i += 2) {
    EXPECT_GE(first[i], 0);
    EXPECT_LE(first[i], 0x7FFFFFFFL);
  }

  // A test source wins over the seed and keeps its own state.
  platform::setArc4randomSource([n = 0u]() mutable { return n++; });
  platform::seedRandomSources(42);
  EXPECT_EQ(platform::arc4random(), 0u);
  EXPECT_EQ(platform::arc4random(), 1u);
  platform::setArc4randomSource({});
}

}  // namespace
