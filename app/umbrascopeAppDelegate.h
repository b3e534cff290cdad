#pragma once
// umbrascopeAppDelegate: starts the radar application and turns each
// lifecycle event into one director operation.
//
// Launch: a window of the screen's bounds; the display-refresh director (the
// timer director on systems older than 3.1); a 16-bit colour GL view with no
// depth buffer, owned by a RootViewController that keeps the interface in
// landscape; portrait device orientation (the controller turns the view),
// 60 frames per second, no frame-rate readout, 32-bit RGBA textures for
// images with alpha; then the radar scene.
//
// Events:  resign active → pause          become active → resume
//          memory warning → purgeCachedData
//          background → stopAnimation     foreground → startAnimation
//          clock change → next delta time 0
//          terminate → GL view detached, controller and window released, end

#include "RootViewController.h"

#include "platform/Application.h"
#include "platform/Ref.h"
#include "platform/Window.h"

class umbrascopeAppDelegate : public platform::ApplicationDelegate {
  PLATFORM_CLASS(umbrascopeAppDelegate, platform::ApplicationDelegate)
 public:
  /// The class name the entry point hands to applicationMain().
  static constexpr const char* kClassName = "umbrascopeAppDelegate";
  /// Frame interval the director runs at: the double nearest 1/60 s.
  static constexpr double kAnimationInterval = 0.016666666666666666;

  void applicationDidFinishLaunching(platform::Application* application) override;
  void applicationWillResignActive(platform::Application* application) override;
  void applicationDidBecomeActive(platform::Application* application) override;
  void applicationDidReceiveMemoryWarning(platform::Application* application) override;
  void applicationDidEnterBackground(platform::Application* application) override;
  void applicationWillEnterForeground(platform::Application* application) override;
  void applicationWillTerminate(platform::Application* application) override;
  void applicationSignificantTimeChange(platform::Application* application) override;

  /// Called once during launch, between showing the window and running the
  /// first scene. Does nothing.
  void removeStartupFlicker();

  /// The application's window (retained). nullptr before launch and after
  /// termination.
  platform::Window* window() const { return window_.get(); }
  void setWindow(platform::Window* window) { window_ = window; }
  /// The controller of the GL view (retained), nullptr outside the same span.
  RootViewController* viewController() const { return viewController_.get(); }

 protected:
  /// dealloc: purges the shared director (when one exists), then releases
  /// the window if termination did not already.
  ~umbrascopeAppDelegate() override;

 private:
  platform::Ref<platform::Window> window_;
  platform::Ref<RootViewController> viewController_;
};
