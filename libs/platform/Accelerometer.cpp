#include "platform/Accelerometer.h"

#include "platform/Assert.h"
#include "platform/Ref.h"
#include "platform/RunLoop.h"

#include <mutex>
#include <utility>

namespace platform {

namespace {

Accelerometer* s_sharedAccelerometer = nullptr;
// Guards only the singleton pointer (recursive: the constructor checks it
// while sharedAccelerometer() holds it); the service is main-thread only.
std::recursive_mutex s_classLock;

}  // namespace

Accelerometer* Accelerometer::sharedAccelerometer() {
  std::lock_guard<std::recursive_mutex> lock(s_classLock);
  if (s_sharedAccelerometer == nullptr) s_sharedAccelerometer = new Accelerometer();
  return s_sharedAccelerometer;
}

void Accelerometer::purgeSharedAccelerometer() {
  Accelerometer* accelerometer = nullptr;
  {
    std::lock_guard<std::recursive_mutex> lock(s_classLock);
    accelerometer = std::exchange(s_sharedAccelerometer, nullptr);
  }
  if (accelerometer == nullptr) return;
  // A call still queued from another thread may outlive the purge; it must
  // find no delegate rather than one that has since gone away.
  accelerometer->setDelegate(nullptr);
  accelerometer->release();
}

void Accelerometer::removeDelegate(AccelerometerDelegate* delegate) {
  Accelerometer* accelerometer = nullptr;
  {
    std::lock_guard<std::recursive_mutex> lock(s_classLock);
    accelerometer = s_sharedAccelerometer;
  }
  if (accelerometer && accelerometer->delegate_ == delegate) accelerometer->delegate_ = nullptr;
}

Accelerometer::Accelerometer() {
  std::lock_guard<std::recursive_mutex> lock(s_classLock);
  CCAssert(s_sharedAccelerometer == nullptr,
           "Attempted to allocate a second instance of a singleton.");
}

Accelerometer::~Accelerometer() {
  std::lock_guard<std::recursive_mutex> lock(s_classLock);
  if (s_sharedAccelerometer == this) s_sharedAccelerometer = nullptr;
}

void Accelerometer::deliver(const Acceleration& acceleration) {
  if (isMainThread()) {
    if (delegate_) delegate_->accelerometerDidAccelerate(this, acceleration);
    return;
  }
  // The service stays alive until the queued call has run, even if it is
  // purged meanwhile; the delegate is looked up only then.
  Ref<Accelerometer> keep(this);
  performOnMainThread(
      [keep, acceleration] {
        if (AccelerometerDelegate* delegate = keep->delegate())
          delegate->accelerometerDidAccelerate(keep.get(), acceleration);
      },
      false);
}

}  // namespace platform
