#pragma once
// A view controller: owns one view (usually the window's root view) and is
// asked before the interface turns to another orientation.

#include "platform/Object.h"
#include "platform/Ref.h"

namespace platform {

class View;

/// A view controller: owns one view (usually the window's root view) and is
/// asked before the interface turns to another orientation.
///
/// Interface orientations are the platform's numbers: 1 portrait, 2 portrait
/// upside down, 3 and 4 the two landscape orientations.
class ViewController : public Object {
  PLATFORM_CLASS(ViewController, Object)
 public:
  /// A controller with no view, autoreleased.
  static ViewController* viewController();
  /// Creation without an interface file. Returns true.
  virtual bool init();

  /// The controlled view (retained), or nullptr.
  View* view() const { return view_.get(); }
  /// Retains `view` and makes this its owner (View::viewController());
  /// the previous view loses its owner.
  void setView(View* view);

  /// Whether the view is laid out under the status bar. Default false.
  bool wantsFullScreenLayout() const { return wantsFullScreenLayout_; }
  void setWantsFullScreenLayout(bool wants) { wantsFullScreenLayout_ = wants; }

  /// The orientation the interface shows now. Default 1.
  int interfaceOrientation() const { return interfaceOrientation_; }
  /// Records the orientation; the platform calls it once the turn is agreed.
  void setInterfaceOrientation(int orientation) { interfaceOrientation_ = orientation; }

  /// Asked before turning to `orientation`. Default: portrait (1) only.
  virtual bool shouldAutorotateToInterfaceOrientation(int orientation);
  /// Called when the turn begins. Does nothing by default.
  virtual void willRotateToInterfaceOrientation(int orientation, double duration) {}
  /// Memory is short. Default: a view that is not in any view tree is
  /// released, then viewDidUnload() runs.
  virtual void didReceiveMemoryWarning();
  /// The view was released after a memory warning. Does nothing by default.
  virtual void viewDidUnload() {}

 protected:
  /// dealloc: the view loses its owner and is released.
  ~ViewController() override;

 private:
  Ref<View> view_;
  int interfaceOrientation_ = 1;
  bool wantsFullScreenLayout_ = false;
};

}  // namespace platform
