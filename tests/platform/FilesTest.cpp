#include "platform/Bundle.h"
#include "platform/Facts.h"
#include "platform/Files.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace platform;
using testing_support::LogCapture;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

// A fresh folder per test, removed afterwards; facts restored.
class FileTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = facts();
    folder_ = fs::temp_directory_path() /
              ("tessera-files-" + std::to_string(::getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    facts() = saved_;
    fs::remove_all(folder_);
  }

  std::string path(const std::string& name) const { return (folder_ / name).string(); }
  void put(const std::string& name, const std::string& text) const {
    fs::create_directories(fs::path(path(name)).parent_path());
    std::ofstream(path(name), std::ios::binary) << text;
  }
  std::vector<std::string> names() const {
    std::vector<std::string> result;
    for (const auto& entry : fs::directory_iterator(folder_)) result.push_back(entry.path().filename().string());
    std::sort(result.begin(), result.end());
    return result;
  }

  Facts saved_;
  fs::path folder_;
};

TEST_F(FileTest, ReadFileGivesRegularFilesOnly) {
  put("data.bin", std::string("a\0b", 3));
  put("empty", "");
  EXPECT_EQ(readFile(path("data.bin")), (Bytes{'a', 0, 'b'}));
  EXPECT_EQ(readFile(path("empty")), Bytes{});
  EXPECT_FALSE(readFile(path("missing")));
  EXPECT_FALSE(readFile(folder_.string()));
  EXPECT_TRUE(fileExists(folder_.string()));
  EXPECT_FALSE(fileExists(path("missing")));
  EXPECT_FALSE(fileExists(""));
}

TEST_F(FileTest, AtomicWriteReplacesWholeFilesAndLeavesNoTemporaries) {
  Bytes first = {1, 2, 3}, second = {9};
  ASSERT_TRUE(writeFileAtomically(path("out.png"), first));
  ASSERT_TRUE(writeFileAtomically(path("out.png"), second));
  EXPECT_EQ(readFile(path("out.png")), second);
  EXPECT_EQ(names(), std::vector<std::string>{"out.png"});
  // Permissions follow the umask, not the temporary file's private mode.
  mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(fs::status(path("out.png")).permissions(), fs::perms(0666 & ~mask));
}

TEST_F(FileTest, FailedWritesLeaveTheOldFileIntact) {
  put("keep.jpg", "old contents");
  Bytes big(4096, 7);
  // A file-size limit makes the write itself fail, even for root.
  rlimit original{};
  ::getrlimit(RLIMIT_FSIZE, &original);
  auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = original;
  small.rlim_cur = 100;
  ::setrlimit(RLIMIT_FSIZE, &small);
  bool written = true;
  {
    LogCapture log;
    written = writeFileAtomically(path("keep.jpg"), big);
    ::setrlimit(RLIMIT_FSIZE, &original);
    EXPECT_EQ(log.lines().size(), 1u);
  }
  std::signal(SIGXFSZ, previousHandler);
  EXPECT_FALSE(written);
  EXPECT_EQ(readFile(path("keep.jpg")), (Bytes{'o', 'l', 'd', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't', 's'}));
  EXPECT_EQ(names(), std::vector<std::string>{"keep.jpg"});

  LogCapture log;
  fs::create_directory(path("folder"));
  EXPECT_FALSE(writeFileAtomically(path("folder"), big));
  EXPECT_TRUE(fs::is_directory(path("folder")));
  EXPECT_FALSE(writeFileAtomically(path("no/such/folder/file"), big));
  EXPECT_EQ(names(), (std::vector<std::string>{"folder", "keep.jpg"}));
  EXPECT_EQ(log.lines().size(), 2u);
}

TEST_F(FileTest, BundleFindsResourcesByNameTypeAndFolder) {
  facts().resourceDir = folder_.string();
  put("ball.png", "x");
  put("fonts/Thin.ttf", "x");
  put("noext", "x");
  Bundle& bundle = Bundle::mainBundle();
  EXPECT_EQ(bundle.resourcePath(), folder_.string());
  EXPECT_EQ(bundle.pathForResource("ball", "png"), path("ball.png"));
  EXPECT_EQ(bundle.pathForResource("ball.png", ""), path("ball.png"));
  EXPECT_EQ(bundle.pathForResource("Thin", "ttf", "fonts"), path("fonts/Thin.ttf"));
  EXPECT_EQ(bundle.pathForResource("noext", ""), path("noext"));
  EXPECT_FALSE(bundle.pathForResource("Thin", "ttf"));
  EXPECT_FALSE(bundle.pathForResource("ball", "jpg"));
  EXPECT_FALSE(bundle.pathForResource("", ""));
}

TEST_F(FileTest, DocumentsFolderComesFromFactsOrTheDataHomeAndIsCreated) {
  facts().documentsDir = path("docs/nested");
  EXPECT_EQ(documentsDirectory(), path("docs/nested"));
  EXPECT_TRUE(fs::is_directory(path("docs/nested")));

  facts().documentsDir.clear();
  const char* previous = std::getenv("XDG_DATA_HOME");
  std::string saved = previous ? previous : "";
  ::setenv("XDG_DATA_HOME", folder_.c_str(), 1);
  std::string documents = documentsDirectory();
  if (previous) {
    ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_DATA_HOME");
  }
  EXPECT_EQ(documents, path("umbrascope/Documents"));
  EXPECT_TRUE(fs::is_directory(documents));
}

}  // namespace
