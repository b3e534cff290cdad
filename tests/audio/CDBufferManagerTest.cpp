// Sound files to sound ids: each file loaded once, ids reused last-in first
// out, failures keeping the id for the next file; and the path rule that
// finds files in the application's resources.

#include "audio/CDBufferManager.h"
#include "audio/CDSoundEngine.h"
#include "audio/CDUtilities.h"

#include "audio/SoundFixtures.h"
#include "platform/Facts.h"
#include "platform/Ref.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using audio::CDBufferManager;
using audio::CDSoundEngine;
using audio::CDUtilities;
using platform::Ref;
using testing_support::LogCapture;

class CDBufferManagerTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::path(testing::TempDir()) / ("buffer-manager-" + std::to_string(getpid()));
    fs::create_directories(folder_ / "sounds");
    savedResources_ = platform::facts().resourceDir;
    platform::facts().resourceDir = folder_.string();
    for (const char* name : {"a", "b", "c", "d"}) write(std::string("sounds/") + name + ".wav");
    sound_fixtures::writeFile((folder_ / "broken.wav").string(), {'R', 'I', 'F', 'F'});

    engine_ = CDSoundEngine::soundEngine();
    if (!engine_->functioning()) GTEST_SKIP() << "no OpenAL device (set ALSOFT_DRIVERS=null)";
    manager_ = CDBufferManager::managerWithEngine(engine_.get());
  }
  void TearDown() override { platform::facts().resourceDir = savedResources_; }

  void write(const std::string& name) {
    sound_fixtures::WavSpec spec;
    sound_fixtures::writeFile((folder_ / name).string(),
                              sound_fixtures::wavBytes(spec, std::vector<std::uint8_t>(200, 0x10)));
  }

  fs::path folder_;
  std::string savedResources_;
  Ref<CDSoundEngine> engine_;
  Ref<CDBufferManager> manager_;
};

TEST_F(CDBufferManagerTest, LoadsEachFileOnceIntoIdsFromZero) {
  EXPECT_EQ(manager_->bufferForFile("sounds/a.wav", false), -1) << "not loaded and not asked to";
  EXPECT_EQ(manager_->bufferForFile("sounds/a.wav", true), 0);
  EXPECT_EQ(manager_->bufferForFile("sounds/b.wav", true), 1);
  EXPECT_EQ(manager_->bufferForFile("sounds/a.wav", true), 0);
  EXPECT_EQ(manager_->bufferForFile("sounds/a.wav", false), 0);
  EXPECT_EQ(engine_->bufferSizeInBytes(1), 200);
  EXPECT_NE(engine_->playSound(1, 0, 1, 0, 1, false), CDSoundEngine::kMutedCode);
}

TEST_F(CDBufferManagerTest, ReleasedIdsAreReusedLastInFirstOut) {
  ASSERT_EQ(manager_->bufferForFile("sounds/a.wav", true), 0);
  ASSERT_EQ(manager_->bufferForFile("sounds/b.wav", true), 1);
  ASSERT_EQ(manager_->bufferForFile("sounds/c.wav", true), 2);
  manager_->releaseBufferForFile("sounds/a.wav");
  manager_->releaseBufferForFile("sounds/c.wav");
  manager_->releaseBufferForFile("never loaded.wav");
  EXPECT_EQ(engine_->playSound(2, 0, 1, 0, 1, false), CDSoundEngine::kMutedCode) << "released buffers are empty";

  EXPECT_EQ(manager_->bufferForFile("sounds/d.wav", true), 2);
  EXPECT_EQ(manager_->bufferForFile("sounds/a.wav", true), 0);
  EXPECT_EQ(manager_->bufferForFile("sounds/c.wav", true), 3);
}

TEST_F(CDBufferManagerTest, AFailedLoadGivesMinusOneAndKeepsTheIdForTheNextFile) {
  LogCapture log;
  EXPECT_EQ(manager_->bufferForFile("broken.wav", true), -1);
  EXPECT_EQ(manager_->bufferForFile("missing.wav", true), -1);
  EXPECT_EQ(manager_->bufferForFile("broken.wav", false), -1) << "a failure is not remembered as loaded";
  EXPECT_EQ(manager_->bufferForFile("sounds/a.wav", true), 0);
  EXPECT_EQ(manager_->bufferForFile("sounds/b.wav", true), 1);
  EXPECT_THAT(log.text(), testing::HasSubstr("broken.wav"));
}

TEST_F(CDBufferManagerTest, PathsResolveInTheResourcesOrStayAsGiven) {
  EXPECT_EQ(CDUtilities::fullPathFromRelativePath("sounds/a.wav"), (folder_ / "sounds/a.wav").string());
  EXPECT_EQ(CDUtilities::fullPathFromRelativePath("/abs/x.wav"), "/abs/x.wav");
  EXPECT_EQ(CDUtilities::fullPathFromRelativePath("sounds/none.wav"), "sounds/none.wav");
  EXPECT_EQ(CDUtilities::fullPathFromRelativePath("a.wav"), "a.wav") << "looked up only in the named folder";
}

}  // namespace
