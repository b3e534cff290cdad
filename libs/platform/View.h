#pragma once
// Views: a rectangle in its superview with subviews, touch callbacks and a
// deferred layout callback. Frames are in the superview's points, origin at
// the top left, y down. Views belong to the main thread.

#include "platform/Geometry.h"
#include "platform/Object.h"
#include "platform/Ref.h"

#include <vector>

namespace platform {

class Event;
class TouchSet;
class Window;
class ViewController;

/// A view: a rectangle in its superview with subviews, touch callbacks and a
/// deferred layout callback. Frames are in the superview's points, origin at the
/// top left, y down. Views belong to the main thread.
///
/// Layout is deferred: a change of size or content scale, or placing the view
/// in a visible window, queues it, and the run loop calls layoutSubviews() once
/// at its next pass, however many changes came before.
class View : public Object {
  PLATFORM_CLASS(View, Object)
 public:
  /// A view with a zero frame, autoreleased.
  static View* view();
  /// Autoreleased view with `frame`.
  static View* viewWithFrame(const CGRect& frame);
  virtual bool init();
  virtual bool initWithFrame(const CGRect& frame);

  /// Position and size in the superview. Changing the size requests a layout.
  CGRect frame() const;
  void setFrame(const CGRect& frame);
  /// (0, 0, frame size).
  CGRect bounds() const;
  CGPoint center() const;
  void setCenter(const CGPoint& center);

  View* superview() const;
  /// Subviews, back to front.
  const std::vector<Ref<View>>& subviews() const;
  /// Adds (retained) on top; removes it from a previous superview first.
  /// Placing a view in a visible window requests its layout.
  void addSubview(View* view);
  void removeFromSuperview();
  /// The window this view is in, or nullptr.
  Window* window() const;

  bool isHidden() const;
  void setHidden(bool hidden);
  bool isOpaque() const;
  void setOpaque(bool opaque);
  /// Default true. A view without interaction gets no touches.
  bool isUserInteractionEnabled() const;
  void setUserInteractionEnabled(bool enabled);
  /// Default false: only the first active finger is delivered.
  bool isMultipleTouchEnabled() const;
  void setMultipleTouchEnabled(bool enabled);

  /// Whether this view can take a content scale factor (a platform fact).
  bool canTakeContentScaleFactor() const;
  /// Pixels per point of the view's drawing. Default 1. Changing it requests a layout.
  float contentScaleFactor() const;
  void setContentScaleFactor(float factor);

  /// Asks for layoutSubviews() once, at the start of the next run-loop pass.
  void setNeedsLayout();
  /// Whether a layout is pending.
  bool needsLayout() const { return needsLayout_; }
  /// Runs layoutSubviews() now if a layout is pending (the run loop calls this).
  void layoutIfNeeded();
  /// Called by the run loop after a size or scale change. Does nothing by default.
  virtual void layoutSubviews() {}
  /// The view controller that owns this view, if any (not retained).
  ViewController* viewController() const;
  void setViewController(ViewController* controller);

  /// The deepest visible, interactive view containing `point` (this view's
  /// coordinates), the last-added subview first; nullptr when outside. A
  /// hidden or non-interactive view hides its subviews as well.
  View* hitTest(const CGPoint& point);
  /// Whether `point` (this view's coordinates) lies in the bounds; the far
  /// edges are outside.
  bool pointInside(const CGPoint& point) const;
  /// Converts a point in this view's coordinates into `other`'s (both in one
  /// view tree); nullptr means the root of the tree (the window).
  CGPoint convertPointToView(const CGPoint& point, const View* other) const;
  /// Converts a point in `other`'s coordinates (nullptr: the root) into this view's.
  CGPoint convertPointFromView(const CGPoint& point, const View* other) const;
  /// Converts a rectangle as convertPointToView() converts its origin.
  CGRect convertRectToView(const CGRect& rect, const View* other) const;

  /// Touch callbacks. Do nothing by default.
  virtual void touchesBegan(TouchSet* touches, Event* event) {}
  virtual void touchesMoved(TouchSet* touches, Event* event) {}
  virtual void touchesEnded(TouchSet* touches, Event* event) {}
  virtual void touchesCancelled(TouchSet* touches, Event* event) {}

 protected:
  /// dealloc: detaches the subviews (clearing their superview), then releases
  /// them in order, and drops a pending layout.
  ~View() override;

 private:
  friend class Window;
  // The point in the root's coordinates.
  CGPoint pointInRoot(CGPoint point) const;
  void requestLayoutOfTree();

  CGRect frame_{};
  View* superview_ = nullptr;
  std::vector<Ref<View>> subviews_;
  ViewController* viewController_ = nullptr;
  float contentScaleFactor_ = 1;
  bool hidden_ = false;
  bool opaque_ = true;
  bool userInteractionEnabled_ = true;
  bool multipleTouchEnabled_ = false;
  bool needsLayout_ = false;
};

}  // namespace platform
