#pragma once
// CCDirectorIOS: the director for a touch screen with a GL view, and its four
// loop variants.
//
// [SECTION] Constants
// [SECTION] CCDirectorIOS
// [SECTION] Loop variants

#include "platform/RunLoop.h"
#include "tessera/CCDirector.h"

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {
class View;
}  // namespace platform

// [SECTION] Constants

/// Device orientations (the platform's numbers).
enum : int {
  kCCDeviceOrientationPortrait = 1,
  kCCDeviceOrientationPortraitUpsideDown = 2,
  kCCDeviceOrientationLandscapeLeft = 3,
  kCCDeviceOrientationLandscapeRight = 4,
};

/// Colour formats of a GL view the director creates.
enum : int {
  /// 16-bit RGB 565 (the default).
  kCCPixelFormatRGB565 = 0,
  /// 32-bit RGBA 8888.
  kCCPixelFormatRGBA8888 = 1,
  kCCPixelFormatDefault = kCCPixelFormatRGB565,
};

/// Depth buffers of a GL view the director creates.
enum : int {
  kCCDepthBufferNone = 0,
  kCCDepthBuffer16 = 1,
  kCCDepthBuffer24 = 2,
};

// [SECTION] CCDirectorIOS

/// The director for a touch screen with a GL view, and its four loop variants.
///
/// The platform director creates and attaches the GL view, chooses its colour
/// and depth formats, applies the device orientation to drawing, window sizes
/// and touch coordinates, and owns the process-wide content scale factor
/// (ccMacros.h). It draws the frame and sets the projection.
///
/// What triggers a frame is left to the variants:
///   CCDirectorTimer          a repeating run-loop timer (the default director)
///   CCDirectorDisplayLink    the 60 Hz display-refresh callback
///   CCDirectorFast           a loop of its own on the main thread that pumps
///                            the run loop between frames
///   CCDirectorFastThreaded   a helper thread that asks the main thread for
///                            each frame and waits for it
///
/// Main thread only, except the fast-threaded variant's helper thread.
class CCDirectorIOS : public CCDirector {
  PLATFORM_CLASS(CCDirectorIOS, CCDirector)

 public:
  /// The shared director; makes a CCDirectorIOS (which has no loop of its
  /// own) when none exists.
  static CCDirector* sharedDirector();

  CCDirectorIOS() = default;
  /// The base init, then portrait orientation, 16-bit colour, no depth
  /// buffer, content scale factor 1.
  bool init() override;

  // [SECTION] Formats of a view the director creates

  int pixelFormat() const { return pixelFormat_; }
  /// Expects no attached view ("Can't change the pixel format after the
  /// director was initialized"); the value is stored either way.
  void setPixelFormat(int format);
  int depthBufferFormat() const { return depthBufferFormat_; }
  /// Expects no attached view ("Can't change the depth buffer format after
  /// the director was initialized"); the value is stored either way.
  void setDepthBufferFormat(int format);

  // [SECTION] Attaching the view

  /// Whether the GL view is in a view tree (has a superview).
  bool isOpenGLAttached() const;
  /// initOpenGLViewWithView(window, the window's bounds).
  bool attachInWindow(platform::View* window);
  /// initOpenGLViewWithView(view, the view's bounds).
  bool attachInView(platform::View* view);
  /// initOpenGLViewWithView(view, frame).
  bool attachInView(platform::View* view, const CGRect& frame);
  /// Creates the GL view with frame `frame` in the director's formats (or
  /// resizes the one held), routes its touches to the touch dispatcher
  /// (following `host`'s user interaction and multiple-touch settings), adds
  /// it to `host` and sets the GL defaults. Returns true. Expects no attached
  /// view ("FATAL: Can't re-attach the OpenGL View, because it is already
  /// attached. Detach it first"), a view that can be created ("FATAL: Could
  /// not alloc and init the OpenGL view. ") and attached ("FATAL: Director:
  /// Could not attach OpenGL view"); returns false when one fails.
  bool initOpenGLViewWithView(platform::View* host, const CGRect& frame);
  /// Removes the GL view from its superview. Expects it attached ("FATAL:
  /// Director: Can't detach the OpenGL View, because it is not attached.
  /// Attach it first.") and detached afterwards. Returns true.
  bool detach();

  /// The base behaviour, then the pixel size = points x content scale, the
  /// content scale handed to the view when it is not 1, and the touch
  /// dispatcher made the view's touch delegate with dispatching on.
  void setOpenGLView(EAGLView* view) override;

  // [SECTION] Content scale

  /// The process-wide content scale factor.
  float contentScaleFactor() const;
  /// Sets the factor, the window size in pixels, the view's factor (when it
  /// can take one) and re-applies the projection. The current value changes
  /// nothing.
  void setContentScaleFactor(float factor);
  /// Gives the view the current factor when it can take one.
  void updateContentScaleFactor();
  /// Switches to factor 2 (true) or 1 (false). Returns true when the factor
  /// is that value afterwards; false when the view cannot take a factor or
  /// the main screen is not high-resolution.
  bool enableRetinaDisplay(bool enable);

  // [SECTION] Orientation and coordinates

  /// Default kCCDeviceOrientationPortrait.
  int deviceOrientation() const { return deviceOrientation_; }
  /// Stores the orientation and turns the status bar to match (without
  /// animation). A value outside 1...4 is stored, and logged as "Director:
  /// Unknown device orientation".
  void setDeviceOrientation(int orientation);
  /// Applies the orientation to the model-view matrix: none for portrait, a
  /// half turn about the window centre for upside down, a quarter turn
  /// clockwise (3) or anticlockwise (4) for the landscape orientations.
  void applyOrientation();

  /// The stored size, width and height exchanged in the landscape orientations.
  CGSize winSize() const override;
  /// winSize() x the content scale factor.
  CGSize winSizeInPixels() const override;
  /// Takes the window size from the view's bounds (`size` is not used) and
  /// re-applies the projection. The GL view calls it at each layout.
  void reshapeProjection(CGSize size) override;
  /// Top-left view points to the engine's bottom-left points, by orientation.
  CGPoint convertToGL(CGPoint point) const override;
  /// The engine's points to view points, by orientation, then divided by the
  /// content scale factor.
  CGPoint convertToUI(CGPoint point) const override;

  // [SECTION] Frame and projection

  void setProjection(int projection) override;
  /// One frame: delta time, scheduler tick (unless paused), clear, scene
  /// switch, orientation, default client states, the running scene and the
  /// notification node, present.
  void drawScene() override;
  /// Removes every touch delegate, then the base end().
  void end() override;

 protected:
  ~CCDirectorIOS() override = default;

  int deviceOrientation_ = kCCDeviceOrientationPortrait;
  bool isContentScaleSupported_ = false;
  int pixelFormat_ = kCCPixelFormatRGB565;
  int depthBufferFormat_ = kCCDepthBufferNone;
};

// [SECTION] Loop variants

/// Frames from a repeating run-loop timer at the animation interval.
class CCDirectorTimer : public CCDirectorIOS {
  PLATFORM_CLASS(CCDirectorTimer, CCDirectorIOS)

 public:
  /// The shared director; makes a CCDirectorTimer when none exists.
  static CCDirector* sharedDirector();

  CCDirectorTimer() = default;

  /// Restarts delta-time measurement and schedules the timer. Expects no
  /// timer ("animationTimer must be nil. Calling startAnimation twice?");
  /// a second start changes nothing.
  void startAnimation() override;
  /// Invalidates the timer.
  void stopAnimation() override;
  /// Stores the interval; a running timer is restarted with it.
  void setAnimationInterval(double interval) override;
  /// One tick: drawScene().
  void mainLoop();

 protected:
  /// Stops the timer if one is still running.
  ~CCDirectorTimer() override;

  platform::Ref<platform::Timer> animationTimer_;
};

/// Frames from the 60 Hz display-refresh callback, every
/// whole-part(interval x 60) refreshes.
class CCDirectorDisplayLink : public CCDirectorIOS {
  PLATFORM_CLASS(CCDirectorDisplayLink, CCDirectorIOS)

 public:
  /// The shared director; makes a CCDirectorDisplayLink when none exists.
  static CCDirector* sharedDirector();
  /// Display refreshes per frame for `interval` seconds: the whole part of
  /// interval x 60 (1 for 1/60 s, 15 for 0.25 s, 1 for 0.02 s), at least 0.
  static int frameIntervalForAnimationInterval(double interval);

  CCDirectorDisplayLink() = default;

  /// Restarts delta-time measurement and adds a display-refresh callback
  /// (the platform class "CADisplayLink") to the main run loop. Expects the
  /// loop to be stopped.
  void startAnimation() override;
  /// Invalidates the callback.
  void stopAnimation() override;
  /// Stores the interval; a running callback is restarted with it.
  void setAnimationInterval(double interval) override;
  /// One tick ("mainLoop:"): drawScene().
  void mainLoop(platform::DisplayLink* sender);
  /// The callback while the loop runs, else nullptr.
  platform::DisplayLink* displayLink() const { return displayLink_.get(); }

 protected:
  /// Stops the callback if one is still held.
  ~CCDirectorDisplayLink() override;

  platform::Ref<platform::DisplayLink> displayLink_;
};

/// Frames as fast as the main thread can draw them: a loop of its own that
/// pumps the run loop before and after each frame, and sleeps a quarter of
/// a second per frame while paused.
///
/// init() opens an autorelease scope that the first startAnimation() ends
/// (when it is still the innermost scope of the thread; an enclosing scope
/// that ended first has drained it already). startAnimation() queues
/// mainLoop() on the main thread; mainLoop() returns once stopAnimation()
/// (or end()) clears the running flag.
class CCDirectorFast : public CCDirectorIOS {
  PLATFORM_CLASS(CCDirectorFast, CCDirectorIOS)

 public:
  /// The shared director; makes a CCDirectorFast when none exists.
  static CCDirector* sharedDirector();

  CCDirectorFast() = default;
  /// The platform director's init, then opens the autorelease scope.
  bool init() override;

  /// Ends the scope made by init (the first time), restarts delta-time
  /// measurement, sets the running flag and queues mainLoop() on the main
  /// thread without waiting.
  void startAnimation() override;
  /// Clears the running flag; mainLoop() returns after the current frame.
  void stopAnimation() override;
  /// Not supported: logs "FastDirectory doesn't support setAnimationInterval,
  /// yet" and changes nothing.
  void setAnimationInterval(double interval) override;
  /// While running: inside its own autorelease scope, handles every pending
  /// run-loop source, sleeps 0.25 s when paused, draws a frame and handles
  /// the pending sources again.
  void mainLoop();
  bool isRunning() const { return isRunning_; }

 protected:
  ~CCDirectorFast() override = default;

  bool isRunning_ = false;
  bool inMainLoop_ = false;  // mainLoop() is on the stack
  bool initPoolOpen_ = false;
  std::size_t initPoolToken_ = 0;
};

/// Frames requested by a helper thread: while running, it asks the main
/// thread to draw a frame and waits until it has been drawn; while paused it
/// also sleeps a quarter of a second per frame.
///
/// The helper thread touches no engine state. It shares a small block of
/// flags with the director (running, cancelled, frame done, paused as seen
/// after the latest frame), guarded by a mutex. It queues each frame on the
/// main thread without blocking the queue and then waits on a condition
/// variable that either the drawn frame or the director's destruction
/// signals, so destroying the director on the main thread can always join
/// the thread: it cancels, wakes the thread and joins; a frame still queued
/// then finds no director and draws nothing. One thread serves the
/// director's whole life: stopping leaves it waiting, starting again wakes
/// it.
class CCDirectorFastThreaded : public CCDirectorIOS {
  PLATFORM_CLASS(CCDirectorFastThreaded, CCDirectorIOS)

 public:
  /// The shared director; makes a CCDirectorFastThreaded when none exists.
  static CCDirector* sharedDirector();

  CCDirectorFastThreaded();

  /// Restarts delta-time measurement, sets the running flag and starts the
  /// helper thread (the first time) or wakes it.
  void startAnimation() override;
  /// Clears the running flag; the helper thread waits until the next start.
  void stopAnimation() override;
  /// Not supported: logs "FastDirector doesn't support setAnimationInterval,
  /// yet" and changes nothing.
  void setAnimationInterval(double interval) override;
  bool isRunning() const;

  /// Flags shared with the helper thread (see the class comment), guarded by
  /// `mutex`; `changed` wakes whichever side waits.
  struct LoopState {
    std::mutex mutex;
    std::condition_variable changed;
    CCDirectorFastThreaded* director = nullptr;  // main thread only; nullptr once destroyed
    bool running = false;
    bool cancelled = false;
    bool frameDone = false;
    bool paused = false;
  };

 protected:
  /// Cancels the helper thread, wakes it and joins it.
  ~CCDirectorFastThreaded() override;

  /// The helper thread's loop, until cancelled.
  static void mainLoop(std::shared_ptr<LoopState> state);

  std::shared_ptr<LoopState> loopState_;
  std::thread thread_;
};
