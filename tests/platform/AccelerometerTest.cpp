#include "platform/Accelerometer.h"

#include "platform/RunLoop.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// Delivery on the main thread and the delegate rules are covered through the
// engine's layers; this covers readings from a sensor thread.
TEST(AccelerometerTest, ReadingFromAnotherThreadReachesTheDelegateOnTheMainLoop) {
  struct Recorder : platform::AccelerometerDelegate {
    void accelerometerDidAccelerate(platform::Accelerometer*, const platform::Acceleration& a) override {
      EXPECT_TRUE(platform::isMainThread());
      x += a.x;
    }
    double x = 0;
  } recorder;
  platform::Accelerometer::sharedAccelerometer()->setDelegate(&recorder);
  std::thread([] { platform::Accelerometer::sharedAccelerometer()->deliver({4, 0, 0, 0}); }).join();
  EXPECT_EQ(recorder.x, 0) << "queued, not called on the sensor thread";
  platform::RunLoop::main().runOnce(false);
  EXPECT_EQ(recorder.x, 4);
  platform::Accelerometer::purgeSharedAccelerometer();
}

}  // namespace
