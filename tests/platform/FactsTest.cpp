#include "platform/Facts.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

using testing::HasSubstr;

namespace {

const char* const kVariables[] = {"TESSERA_SCREEN",     "TESSERA_SYSTEM_VERSION", "TESSERA_ORIENTATION",
                                  "TESSERA_HEADLESS",   "TESSERA_ADS",            "TESSERA_RESOURCE_DIR",
                                  "TESSERA_DOCUMENTS_DIR", "TESSERA_FAKE_CLOCK",  "TESSERA_CAPTURE",
                                  "TESSERA_CAPTURE_AT"};

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

}  // namespace
