#include "tessera/Support/CCFileUtils.h"

#include "platform/Facts.h"
#include "support/TestSupport.h"
#include "tessera/ccMacros.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace fs = std::filesystem;

namespace {

// A resource folder of its own holding `files`, at content scale factor 1
// unless a test changes it.
class CCFileUtilsTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(resources_ + "/images");
    platform::facts().resourceDir = resources_;
    for (const char* name : {"ball.png", "ball-hd.png", "sheet.pvr.ccz", "sheet-hd.pvr.ccz", "tiles.gz", "tiles-hd.gz",
                             "images/ball.png", "images/ball-hd.png", "plain.png"}) {
      std::ofstream(at(name)) << "x";
    }
  }
  void TearDown() override {
    ccSetContentScaleFactor(1);
    platform::resetFacts();
    fs::remove_all(resources_);
  }
  std::string at(const std::string& name) const { return resources_ + "/" + name; }
  std::string resources_ = (fs::temp_directory_path() / ("tessera-files-" + std::to_string(::getpid()))).string();
};

TEST_F(CCFileUtilsTest, ScaleFactorOneFindsResourcesAsNamed) {
  EXPECT_EQ(at("ball.png"), CCFileUtils::fullPathFromRelativePath("ball.png"));
  EXPECT_EQ(at("images/ball.png"), CCFileUtils::fullPathFromRelativePath(std::string("images/ball.png")));
  EXPECT_EQ(at("ball-hd.png"), CCFileUtils::fullPathFromRelativePath("ball-hd.png"));
  EXPECT_EQ("missing.png", CCFileUtils::fullPathFromRelativePath("missing.png")) << "not found: kept as given";
  EXPECT_EQ("/elsewhere/a.png", CCFileUtils::fullPathFromRelativePath("/elsewhere/a.png"));
  EXPECT_EQ("images/ball-hd.png", CCFileUtils::removeHDSuffixFromFile("images/ball-hd.png"));
}

TEST_F(CCFileUtilsTest, ScaleFactorTwoPrefersExistingHDFiles) {
  ccSetContentScaleFactor(2);
  EXPECT_EQ(at("ball-hd.png"), CCFileUtils::fullPathFromRelativePath("ball.png"));
  EXPECT_EQ(at("images/ball-hd.png"), CCFileUtils::fullPathFromRelativePath("images/ball.png"));
  EXPECT_EQ(at("sheet-hd.pvr.ccz"), CCFileUtils::fullPathFromRelativePath("sheet.pvr.ccz"));
  EXPECT_EQ(at("tiles-hd.gz"), CCFileUtils::fullPathFromRelativePath("tiles.gz")) << "no inner extension";
  EXPECT_EQ(at("ball-hd.png"), CCFileUtils::fullPathFromRelativePath("ball-hd.png")) << "already high resolution";
  EXPECT_EQ(at("plain.png"), CCFileUtils::fullPathFromRelativePath("plain.png")) << "no -hd file: the plain one";

  ccSetContentScaleFactor(1.5f);
  EXPECT_EQ(at("ball.png"), CCFileUtils::fullPathFromRelativePath("ball.png")) << "only exactly 2 counts";
}

TEST_F(CCFileUtilsTest, ScaleFactorTwoKeysDropHDFromTheFileName) {
  ccSetContentScaleFactor(2);
  EXPECT_EQ("images/ball.png", CCFileUtils::removeHDSuffixFromFile("images/ball-hd.png"));
  EXPECT_EQ("/a-hd/sheet.pvr.ccz", CCFileUtils::removeHDSuffixFromFile("/a-hd/sheet-hd.pvr.ccz"));
  EXPECT_EQ("x.png", CCFileUtils::removeHDSuffixFromFile("x-hd-hd.png")) << "every occurrence goes";
  EXPECT_EQ("/a-hd/ball.png", CCFileUtils::removeHDSuffixFromFile("/a-hd/ball.png"));
}

TEST_F(CCFileUtilsTest, NullPathInvalid) {
  testing_support::AssertionRecorder assertions;
  EXPECT_EQ("", CCFileUtils::fullPathFromRelativePath(static_cast<const char*>(nullptr)));
  EXPECT_THAT(assertions.messages(), testing::ElementsAre("CCFileUtils: Invalid path"));
}

TEST_F(CCFileUtilsTest, LoadsWholeRegularFilesOnly) {
  std::string contents(70000, '\0');
  for (std::size_t i = 0; i < contents.size(); ++i) contents[i] = static_cast<char>(i * 31);
  std::ofstream(at("blob"), std::ios::binary) << contents;
  std::ofstream(at("empty"));
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {at("blob"), contents}, {at("empty"), ""}, {at("missing"), std::nullopt}, {at("images"), std::nullopt},
      {"/dev/zero", std::nullopt}};
  for (const auto& [path, expected] : cases) {
    unsigned char* out = reinterpret_cast<unsigned char*>(1);  // must be overwritten
    const int length = ccLoadFileIntoMemory(path.c_str(), &out);
    if (!expected) {
      EXPECT_EQ(-1, length) << path;
      EXPECT_EQ(nullptr, out) << path;
    } else {
      ASSERT_NE(nullptr, out) << path << ": even an empty file gives a buffer to free";
      EXPECT_EQ(*expected, std::string(reinterpret_cast<char*>(out), std::max(length, 0)));
    }
    std::free(out);
  }
  EXPECT_DEATH(ccLoadFileIntoMemory("/dev/null", nullptr), "out");
}

}  // namespace
