#pragma once
// CCDirector: the process-wide owner of the main loop.
//
// [SECTION] Constants
// [SECTION] Projection protocol
// [SECTION] CCDirector: singleton, scenes, loop and time, view and GL state

#include "platform/Geometry.h"
#include "platform/Object.h"
#include "platform/Ref.h"

#include <cstdint>
#include <thread>
#include <vector>

class CCLabelAtlas;
class CCNode;
class CCScene;
class EAGLView;

// [SECTION] Constants

/// Projection kinds (CCDirector::setProjection).
enum : int {
  /// Orthographic, one unit per pixel.
  kCCDirectorProjection2D = 0,
  /// Perspective with the eye placed so that z = 0 shows about one unit per pixel.
  kCCDirectorProjection3D = 1,
  /// The projection delegate sets the matrices.
  kCCDirectorProjectionCustom = 2,
  kCCDirectorProjectionDefault = kCCDirectorProjection3D,
};

/// Loop variants (CCDirector::setDirectorType).
enum : int {
  /// A repeating run-loop timer (CCDirectorTimer).
  kCCDirectorTypeTimer = 0,
  /// A loop of its own on the main thread that pumps the run loop (CCDirectorFast).
  kCCDirectorTypeFast = 1,
  /// A helper thread that asks the main thread for each frame (CCDirectorFastThreaded).
  kCCDirectorTypeFastThreaded = 2,
  /// The display-refresh callback (CCDirectorDisplayLink); needs system 3.1 or later.
  kCCDirectorTypeDisplayLink = 3,
  kCCDirectorTypeDefault = kCCDirectorTypeTimer,
};

// [SECTION] Projection protocol

/// Sets the GL projection and model-view matrices for the custom projection
/// kind. An object adopting it derives from platform::Object as well.
class CCProjectionProtocol {
 public:
  virtual void updateProjection() = 0;

 protected:
  ~CCProjectionProtocol() = default;
};

// [SECTION] CCDirector

/// The process-wide owner of the main loop.
///
/// The director holds the running scene and a stack of suspended scenes,
/// switches scenes at the start of a frame, measures the time between frames,
/// ticks the scheduler, draws the running scene and presents the frame through
/// the GL view. It also keeps the window size in points and pixels, the
/// projection, the GL default state and the pause state.
///
/// CCDirector is the abstract base. The platform director CCDirectorIOS draws
/// the frame, sets the projection and handles orientation, content scale and
/// view attachment; its four loop variants decide what triggers a frame (a
/// run-loop timer, a display-refresh callback, a loop of its own on the main
/// thread, or a helper thread). Exactly one director exists at a time; the
/// loop variants are declared in Platforms/iOS/CCDirectorIOS.h, which this
/// header includes at its end.
///
/// Main thread only (the fast-threaded variant's helper thread never touches
/// the director's state; see CCDirectorFastThreaded).
class CCDirector : public platform::Object {
  PLATFORM_CLASS(CCDirector, platform::Object)

 public:
  // [SECTION] Singleton

  /// The one director. When none exists, makes a CCDirectorTimer. Each loop
  /// variant declares its own sharedDirector() that makes that variant
  /// instead; whichever director exists already is returned unchanged.
  static CCDirector* sharedDirector();
  /// The shared director, or nullptr when none exists. Never creates one.
  static CCDirector* existingDirector();
  /// Creates the shared director of loop variant `type` (kCCDirectorType...)
  /// through that variant's sharedDirector(). For the display-refresh variant
  /// the system version must be at least "3.1" (compared numerically);
  /// otherwise returns false and creates nothing. Expects a known type
  /// ("Unknown director type"); returns false for an unknown one. When a
  /// director exists already it stays the one instance, whatever the type.
  /// \param type kCCDirectorTypeTimer, kCCDirectorTypeFast,
  ///   kCCDirectorTypeFastThreaded or kCCDirectorTypeDisplayLink.
  /// \return whether the shared director now exists (false for an unknown type
  ///   or a display-refresh director on a system older than 3.1).
  static bool setDirectorType(int type);
  /// The class made by CCDirector::sharedDirector(): CCDirectorTimer.
  static const platform::ClassInfo& defaultDirector();
  /// Stops the shared director's loop, releases it and forgets it, so the
  /// next sharedDirector() makes a new one. Does nothing when there is none.
  /// For the end of the program and for tests; end() keeps the director.
  static void purgeSharedDirector();

  /// Expects no director to exist ("Attempted to allocate a second instance
  /// of a singleton."). Use sharedDirector() rather than constructing one.
  CCDirector();
  /// Sets the initial state: animation interval and saved interval 1/60 s,
  /// not paused, no scene, an empty scene stack (room for 10), 3-D
  /// projection, zero window sizes, the creating thread as the running
  /// thread. Always succeeds.
  virtual bool init();

  // [SECTION] Scenes

  /// The scene being drawn; nullptr before the first frame of runWithScene
  /// and after end().
  CCScene* runningScene() const { return runningScene_.get(); }
  /// Whether the outgoing scene gets cleanup() at the next scene switch.
  bool sendCleanupToScene() const { return sendCleanupToScene_; }

  /// Starts the first scene: pushScene(), then startAnimation(). The switch
  /// happens during the next frame, after the scheduler has ticked. Expects a
  /// scene ("Argument must be non-nil") and no running scene ("You can't run
  /// an scene if another Scene is running. Use replaceScene or pushScene
  /// instead"); does nothing when either fails.
  /// \param scene the first scene; the stack retains it.
  void runWithScene(CCScene* scene);
  /// Suspends the running scene (onExit without cleanup at the switch) and
  /// makes `scene` the next one; the stack retains it. Expects a scene
  /// ("Argument must be non-nil").
  /// \param scene the scene to run on top of the current one.
  void pushScene(CCScene* scene);
  /// Leaves the current scene: drops it from the stack and switches back to
  /// the one below with cleanup, or ends the director when the stack is
  /// empty. Expects a running scene ("A running Scene is needed").
  void popScene();
  /// Replaces the top of the stack by `scene`; the old scene gets cleanup at
  /// the switch. Expects a scene ("Argument must be non-nil") and a scene on
  /// the stack ("replaceScene needs a scene on the stack; start with
  /// runWithScene"); nothing changes when either fails.
  /// \param scene the new top of the stack, often a transition to it.
  void replaceScene(CCScene* scene);
  /// Stops everything: the running scene gets onExit and cleanup and is
  /// released, the stack is emptied, the loop stops, the readout label and
  /// the projection delegate are released, then the bitmap-font
  /// configurations, the shared animation cache, the shared sprite frame
  /// cache, the shared scheduler, the shared action manager and the shared
  /// texture cache are purged in that order, and the GL view is released. The director itself stays; a
  /// new runWithScene() after setting a view starts again.
  virtual void end();

  // [SECTION] Loop and time

  /// Starts and stops the frame loop. Do nothing in the base; each loop
  /// variant implements them.
  virtual void startAnimation() {}
  virtual void stopAnimation() {}
  /// Wanted time between frames, seconds. Default 1/60.
  double animationInterval() const { return animationInterval_; }
  /// Does nothing in the base; each loop variant stores the interval and
  /// applies it.
  /// \param interval wanted time between frames, seconds.
  virtual void setAnimationInterval(double interval) {}

  /// Unless paused already: saves the animation interval, switches to four
  /// frames per second (0.25 s) and stops ticking the scheduler. Frames are
  /// still drawn.
  void pause();
  /// Unless not paused: restores the saved interval, restarts the delta-time
  /// measurement from now (the paused time does not count), sets dt 0.
  void resume();
  bool isPaused() const { return isPaused_; }

  /// When set, the next delta time is 0 (then the flag clears). Default false.
  bool nextDeltaTimeZero() const { return nextDeltaTimeZero_; }
  void setNextDeltaTimeZero(bool zero) { nextDeltaTimeZero_ = zero; }
  /// Measures dt: the wall-clock time since the previous measurement, in
  /// float; 0 when the clock went backwards, when nextDeltaTimeZero is set,
  /// and for the very first measurement (there is nothing to measure from).
  void calculateDeltaTime();
  /// The delta time of the current frame, seconds.
  float deltaTime() const { return dt_; }

  /// Draws one frame. Does nothing in the base; CCDirectorIOS implements it.
  virtual void drawScene() {}

  /// Whether the frame-rate readout is drawn after the scene. Default false.
  /// The readout label is made whenever a view is set, on or off.
  bool displayFPS() const { return displayFPS_; }
  void setDisplayFPS(bool display) { displayFPS_ = display; }
  /// Counts the frame and its dt; once more than 0.1 s have gathered, the
  /// readout shows frames / time with one decimal ("59.9") and the count
  /// starts again. Then draws the readout label at the origin of the current
  /// coordinate system (the bottom-left corner of the screen). drawScene()
  /// calls it while displayFPS() is on.
  void showFPS();
  /// Does nothing.
  void showProfilers() {}
  /// The frame-rate readout label, or nullptr before a view is set (or when
  /// "fps_images.png" can't be loaded).
  CCLabelAtlas* FPSLabel() const { return FPSLabel_.get(); }
  /// The last rate the readout computed, frames per second.
  float frameRate() const { return frameRate_; }

  /// Drops the caches that can be rebuilt from files: the bitmap-font
  /// configurations and the shared texture cache. For memory warnings;
  /// nothing else stops.
  void purgeCachedData();

  // [SECTION] View, sizes, projection and GL state

  /// The GL view drawn into (retained), or nullptr.
  EAGLView* openGLView() const { return openGLView_.get(); }
  /// Retains `view`, takes its bounds size as the window size (points and
  /// pixels) and sets the GL defaults. The view held already changes
  /// nothing. Expects a view ("OpenGLView must be non-nil").
  /// \param view the GL view to draw into.
  virtual void setOpenGLView(EAGLView* view);

  /// The window size in points. Base: the stored size.
  virtual CGSize winSize() const { return winSizeInPoints_; }
  /// The window size in pixels. Base: the stored size.
  virtual CGSize winSizeInPixels() const { return winSizeInPixels_; }
  /// The stored window size in pixels, not turned by the orientation.
  CGSize displaySizeInPixels() const { return winSizeInPixels_; }
  /// Base: sets both window sizes to `size` and re-applies the projection.
  /// \param size the new window size (the GL view's surface size).
  virtual void reshapeProjection(CGSize size);

  /// Sets the GL matrices for projection kind `projection`. Does nothing in
  /// the base; CCDirectorIOS implements it.
  /// \param projection kCCDirectorProjection2D, kCCDirectorProjection3D or
  ///   kCCDirectorProjectionCustom.
  virtual void setProjection(int projection) {}
  /// The current projection kind. Default kCCDirectorProjection3D.
  int projection() const { return projection_; }
  /// Eye distance of the 3-D projection: the pixel window height / 1.1566.
  float getZEye() const;
  /// The object that sets the matrices for the custom projection (retained),
  /// or nullptr.
  platform::Object* projectionDelegate() const { return projectionDelegate_.get(); }
  /// Retains `delegate`, which must adopt CCProjectionProtocol ("The
  /// projection delegate must adopt CCProjectionProtocol"); nullptr clears it.
  /// \param delegate an object adopting CCProjectionProtocol, or nullptr.
  void setProjectionDelegate(platform::Object* delegate);

  /// On: blending with (GL_ONE, GL_ONE_MINUS_SRC_ALPHA) for premultiplied
  /// alpha. Off: no blending.
  void setAlphaBlending(bool on);
  /// On: clear depth 1, depth test GL_LEQUAL, perspective hint GL_NICEST.
  /// Off: no depth test.
  void setDepthTest(bool on);
  /// Blending and depth test on, the current projection re-applied, clear
  /// colour opaque black; makes the readout label when there is none yet.
  /// Expects a view ("openGLView_ must be initialized").
  void setGLDefaultValues();

  /// View coordinates (origin top left, y down) to the engine's (origin
  /// bottom left). Base: always (0, 0).
  /// \param point a location in the view, points.
  /// \return the same location in the engine's coordinates.
  virtual CGPoint convertToGL(CGPoint point) const { return CGPointZero; }
  /// The engine's coordinates to view coordinates. Base: always (0, 0).
  /// \param point a location in the engine's coordinates.
  /// \return the same location in the view, points.
  virtual CGPoint convertToUI(CGPoint point) const { return CGPointZero; }

  /// A node drawn after the running scene every frame (retained), or nullptr.
  CCNode* notificationNode() const { return notificationNode_.get(); }
  void setNotificationNode(CCNode* node);

  /// The thread the director was created on.
  std::thread::id runningThread() const { return runningThread_; }

 protected:
  /// dealloc: releases the readout label, the running scene, the
  /// notification node, the scene stack, the projection delegate and the
  /// view, and forgets the shared instance.
  ~CCDirector() override;

  /// Makes `director` (just constructed, count 1) the shared director, runs
  /// its init() and returns it. The loop variants' sharedDirector() use it.
  static CCDirector* installSharedDirector(CCDirector* director);

  /// Switches to nextScene_: the running scene gets onExit (and cleanup when
  /// sendCleanupToScene_), the next scene becomes the running one and gets
  /// onEnter and onEnterTransitionDidFinish.
  void setNextScene();
  /// Whether `scene` is a transition scene, which takes care of the enter
  /// and exit messages of the scenes it moves between itself (a
  /// CCTransitionScene).
  static bool isTransitionScene(const CCScene* scene);
  /// Restarts delta-time measurement from the current wall-clock time.
  void resetLastUpdate();
  /// Makes the GL view's context current on this thread (when there is a
  /// view), so the director's GL calls reach its own view whichever view
  /// was laid out or created last.
  void makeOpenGLContextCurrent();

  // A wall-clock reading narrowed to 32-bit seconds and microseconds.
  struct TimeValue32 {
    std::int32_t seconds = 0;
    std::int32_t microseconds = 0;
  };

  platform::Ref<EAGLView> openGLView_;
  double animationInterval_ = 1.0 / 60.0;
  double oldAnimationInterval_ = 1.0 / 60.0;
  platform::Ref<CCScene> runningScene_;
  platform::Ref<CCNode> notificationNode_;
  CCScene* nextScene_ = nullptr;  // weak: the stack retains it
  std::vector<platform::Ref<CCScene>> scenesStack_;
  TimeValue32 lastUpdate_;
  bool hasLastUpdate_ = false;  // lastUpdate_ holds a reading
  float dt_ = 0.0f;
  int projection_ = kCCDirectorProjection3D;
  platform::Ref<platform::Object> projectionDelegate_;
  CCProjectionProtocol* projectionCallbacks_ = nullptr;  // projectionDelegate_ as the protocol
  CGSize winSizeInPoints_;
  CGSize winSizeInPixels_;
  std::thread::id runningThread_;
  bool isPaused_ = false;
  bool nextDeltaTimeZero_ = false;
  bool sendCleanupToScene_ = false;
  bool displayFPS_ = false;
  std::uint32_t frames_ = 0;     // frames since the readout last changed
  float accumDt_ = 0.0f;         // seconds since the readout last changed
  float frameRate_ = 0.0f;
  platform::Ref<CCLabelAtlas> FPSLabel_;
};

#include "tessera/Platforms/iOS/CCDirectorIOS.h"
