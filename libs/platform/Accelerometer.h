#pragma once
// The accelerometer service: hands readings to one delegate on the main
// thread.
//
// Implemented: the shared service, one weak delegate (the last to register
// wins), the update interval as a stored setting, and deliver(), through which
// a reading source (a sensor backend, or a test) feeds readings in.
// Missing: a hardware source. Desktops have none, so readings arrive only
// through deliver().

#include "platform/Object.h"

namespace platform {

class Accelerometer;

/// One reading, in units of gravity along the device's axes, with the time it
/// was taken in seconds on the platform's event clock.
struct Acceleration {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  double timestamp = 0.0;
};

/// Receives readings. Optional: does nothing by default.
class AccelerometerDelegate {
 public:
  /// A new reading. Called on the main thread.
  virtual void accelerometerDidAccelerate(Accelerometer* accelerometer,
                                          const Acceleration& acceleration) {}

 protected:
  ~AccelerometerDelegate() = default;
};

/// The process-wide accelerometer (sharedAccelerometer()).
///
/// Main thread only, except sharedAccelerometer() and deliver(), which any
/// thread may call.
class Accelerometer : public Object {
  PLATFORM_CLASS(Accelerometer, Object)

 public:
  /// The singleton, created on first use.
  static Accelerometer* sharedAccelerometer();
  /// Releases the singleton and forgets it (the delegate with it), so the next
  /// sharedAccelerometer() makes a fresh one. For tests.
  static void purgeSharedAccelerometer();

  /// Expects no singleton to exist ("Attempted to allocate a second instance
  /// of a singleton."); use sharedAccelerometer() rather than calling this.
  Accelerometer();

  /// The object that receives readings. Not retained: a delegate clears
  /// itself before it goes away. Default nullptr.
  AccelerometerDelegate* delegate() const { return delegate_; }
  /// Replaces the delegate; nullptr stops delivery.
  void setDelegate(AccelerometerDelegate* delegate) { delegate_ = delegate; }
  /// Clears the shared accelerometer's delegate if it is `delegate`, without
  /// creating the service. For a delegate that is going away.
  static void removeDelegate(AccelerometerDelegate* delegate);

  /// Seconds between readings that a source should aim for. Stored only: it
  /// does not throttle deliver(). Default 0.1.
  double updateInterval() const { return updateInterval_; }
  void setUpdateInterval(double seconds) { updateInterval_ = seconds; }

  /// Hands `acceleration` to the delegate, if there is one. On the main thread
  /// it is called at once; from another thread the call is queued for the main
  /// run loop and goes to whichever delegate is set when it runs.
  void deliver(const Acceleration& acceleration);

 protected:
  ~Accelerometer() override;

 private:
  AccelerometerDelegate* delegate_ = nullptr;  // weak
  double updateInterval_ = 0.1;
};

}  // namespace platform
