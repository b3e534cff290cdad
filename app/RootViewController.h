#pragma once
// RootViewController: owns the GL view and keeps the interface in landscape.
//
// The director draws in portrait (device orientation 1) and never turns the
// picture itself; turning to landscape is this controller's and the
// platform's job. Only the two landscape orientations (3 and 4) are allowed,
// and on a turn the GL view takes the screen's size with width and height
// exchanged, in pixels when the content scale is not 1.

#include "platform/ViewController.h"

class RootViewController : public platform::ViewController {
  PLATFORM_CLASS(RootViewController, platform::ViewController)
 public:
  /// A controller with no view, autoreleased.
  static RootViewController* viewController();

  /// True only for 3 and 4, the two landscape orientations.
  bool shouldAutorotateToInterfaceOrientation(int orientation) override;
  /// Sets the GL view's frame for `orientation`: the screen bounds for 1 and
  /// 2; origin (0, 0) and size (screen height, screen width) for 3 and 4;
  /// width and height then multiplied by the director's content scale factor
  /// when it is not exactly 1. `duration` is not used. Does nothing without
  /// a director or a view.
  void willRotateToInterfaceOrientation(int orientation, double duration) override;
  // didReceiveMemoryWarning and viewDidUnload are the platform controller's.
};
