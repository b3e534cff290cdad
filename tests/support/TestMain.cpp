// gtest main: every test runs inside its own autorelease pool, which is
// drained when the test ends, so autoreleased objects do not outlive it.

#include "platform/AutoreleasePool.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class PoolPerTest : public testing::EmptyTestEventListener {
 public:
  void OnTestStart(const testing::TestInfo&) override { token_ = platform::AutoreleasePool::push(); }
  void OnTestEnd(const testing::TestInfo&) override { platform::AutoreleasePool::pop(token_); }

 private:
  std::size_t token_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  // Headless everywhere unless the caller chose otherwise: SDL's offscreen
  // driver, OpenAL's null device, and llvmpipe rendering on the calling thread
  // (its worker threads make LeakSanitizer's exit-time scan crash now and then).
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("ALSOFT_DRIVERS", "null", 0);
  setenv("LP_NUM_THREADS", "0", 0);
  testing::InitGoogleTest(&argc, argv);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  testing::UnitTest::GetInstance()->listeners().Append(new PoolPerTest);
  return RUN_ALL_TESTS();
}
