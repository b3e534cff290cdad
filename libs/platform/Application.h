#pragma once
// The application object, its delegate and the program's entry point.

#include "platform/Geometry.h"
#include "platform/Object.h"
#include "platform/Ref.h"

#include <string>

namespace platform {

class Application;
struct CapturedFrame;

/// What the application tells its delegate. Every callback is optional and
/// runs on the main thread.
class ApplicationDelegate : public Object {
  PLATFORM_CLASS(ApplicationDelegate, Object)
 public:
  virtual void applicationDidFinishLaunching(Application* application) {}
  virtual void applicationWillResignActive(Application* application) {}
  virtual void applicationDidBecomeActive(Application* application) {}
  virtual void applicationDidReceiveMemoryWarning(Application* application) {}
  virtual void applicationDidEnterBackground(Application* application) {}
  virtual void applicationWillEnterForeground(Application* application) {}
  virtual void applicationWillTerminate(Application* application) {}
  virtual void applicationSignificantTimeChange(Application* application) {}
};

/// The application object, its delegate and the program's entry point.
///
/// Lifecycle, in the platform's order:
///   launch:      didFinishLaunching, the launch rotation, didBecomeActive
///   focus lost:  willResignActive              (desktop: window focus lost)
///   focus back:  didBecomeActive               (desktop: window focus gained)
///   minimise:    [willResignActive], didEnterBackground
///   restore:     willEnterForeground; didBecomeActive follows with focus
///   end:         willTerminate, then the run loop stops (window closed,
///                SIGTERM or SIGINT, or terminate())
///   memory:      didReceiveMemoryWarning (SIGUSR1), then the root view
///                controller's didReceiveMemoryWarning
///   clock:       significantTimeChange when the wall clock jumps by more than
///                1 s against the monotonic clock between two passes
/// Events that do not fit the current state (focus gained while active, a
/// second terminate) are ignored. After resign-active, become-active and
/// terminate the matching notification is posted (Notifications.h).
///
/// Frame capture: with the facts' captureFile set, the first frame presented
/// at captureAt seconds or later after launch is written there as a PNG and
/// the application then terminates.
class Application : public Object {
  PLATFORM_CLASS(Application, Object)
 public:
  /// Where the application is in its lifecycle (state()).
  enum class State { NotLaunched, Active, Inactive, Background, Terminated };

  /// The one application object, made on first use.
  static Application* sharedApplication();
  /// Drops the shared application and its delegate (a fresh one is made on
  /// next use). For the end of applicationMain() and for tests.
  static void purgeSharedApplication();

  /// The delegate (retained). Default nullptr.
  ApplicationDelegate* delegate() const { return delegate_.get(); }
  void setDelegate(ApplicationDelegate* delegate);

  State state() const { return state_; }
  /// True while the delegate's applicationDidFinishLaunching runs.
  bool isLaunching() const { return launching_; }
  /// Called by a window shown during launch: it turns the interface to the
  /// initial orientation at once, and launch() does not ask again.
  void turnInterfaceDuringLaunch();
  /// The shared application if one exists (never creates one).
  static Application* existingApplication();

  /// Runs the launch sequence: didFinishLaunching, then asks the key window's
  /// root view controller to turn to the facts' initial orientation, then
  /// didBecomeActive. Expects state NotLaunched.
  void launch();

  // Lifecycle events. The window system sends them; tests call them directly.
  void resignActive();
  void becomeActive();
  void enterBackground();
  void enterForeground();
  void receiveMemoryWarning();
  void significantTimeChange();
  /// willTerminate and the notification, then stops the main run loop.
  /// Later calls do nothing.
  void terminate();

  /// Asks the key window's root view controller whether the interface may
  /// turn to `orientation` (1…4); when it agrees, records the orientation on
  /// the controller and the window and calls willRotate(orientation,
  /// duration). Returns whether it turned.
  bool rotateInterface(int orientation, double duration = 0);

  /// Orientation of the status bar, 1…4. Default 1.
  int statusBarOrientation() const { return statusBarOrientation_; }
  /// Values outside 1…4 are ignored.
  void setStatusBarOrientation(int orientation, bool animated = false);
  /// Default true: a desktop window has no status bar.
  bool isStatusBarHidden() const { return statusBarHidden_; }
  void setStatusBarHidden(bool hidden) { statusBarHidden_ = hidden; }
  /// Zero when hidden; otherwise 20 points along the top of the screen in
  /// its orientation: (0, 0, width, 20), or (0, 0, 20, height) in landscape.
  CGRect statusBarFrame() const;

  /// Compares the wall clock with the monotonic clock since the last check
  /// and sends significantTimeChange when they drifted apart by more than
  /// 1 s. The run loop calls it every pass once launched. Returns whether it
  /// sent one.
  bool checkForClockChange();

  /// SIGTERM and SIGINT terminate, SIGUSR1 is a memory warning, handled at
  /// the next run-loop pass. applicationMain() installs them.
  static void installSignalHandlers();
  /// Gives the three signals their default actions back.
  static void removeSignalHandlers();

 protected:
  ~Application() override;

 private:
  void startPassHooks();
  void stopPassHooks();
  void startCapture();

  Ref<ApplicationDelegate> delegate_;
  State state_ = State::NotLaunched;
  bool launching_ = false;
  bool turnedDuringLaunch_ = false;
  int statusBarOrientation_ = 1;
  bool statusBarHidden_ = true;
  int clockHook_ = 0;
  double lastWallClock_ = 0;
  double lastMonotonic_ = 0;
  double launchTime_ = 0;
  bool captured_ = false;
};

/// Runs the application: creates the delegate by class name (a subclass of
/// ApplicationDelegate registered with PLATFORM_CLASS), launches it and runs
/// the main loop until it terminates. With the facts' fakeClock, a manual
/// clock drives everything and frames take no real time. Returns 0, or 1
/// when the delegate class cannot be found.
int applicationMain(int argc, char** argv, const char* delegateClassName);

/// Writes `frame` (RGBA, top row first) as an 8-bit RGBA PNG file. Returns
/// false (and logs) when the frame is empty or the file cannot be written.
bool writeFrameAsPNG(const CapturedFrame& frame, const std::string& path);

}  // namespace platform
