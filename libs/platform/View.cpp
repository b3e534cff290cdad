#include "platform/View.h"

#include "platform/Facts.h"
#include "platform/GLContextInternal.h"
#include "platform/RunLoopInternal.h"
#include "platform/ViewController.h"
#include "platform/Window.h"

#include <algorithm>

namespace platform {

// [SECTION] Creation and teardown

View* View::view() {
  return createAutoreleased<View>([](View& view) { return view.init(); });
}

View* View::viewWithFrame(const CGRect& frame) {
  return createAutoreleased<View>([&](View& view) { return view.initWithFrame(frame); });
}

bool View::init() { return initWithFrame(CGRectZero); }

bool View::initWithFrame(const CGRect& frame) {
  setFrame(frame);
  return true;
}

View::~View() {
  for (const Ref<View>& subview : subviews_) subview->superview_ = nullptr;
  subviews_.clear();
  if (needsLayout_) detail::cancelLayout(this);
  detail::forgetDrawablesOfView(this);
}

// [SECTION] Geometry

CGRect View::frame() const { return frame_; }

void View::setFrame(const CGRect& frame) {
  const bool resized = !CGSizeEqualToSize(frame.size, frame_.size);
  frame_ = frame;
  if (resized) setNeedsLayout();
}

CGRect View::bounds() const { return CGRect{CGPointZero, frame_.size}; }

CGPoint View::center() const {
  return CGPointMake(frame_.origin.x + frame_.size.width / 2, frame_.origin.y + frame_.size.height / 2);
}

void View::setCenter(const CGPoint& center) {
  frame_.origin = CGPointMake(center.x - frame_.size.width / 2, center.y - frame_.size.height / 2);
}

// [SECTION] The tree

View* View::superview() const { return superview_; }

const std::vector<Ref<View>>& View::subviews() const { return subviews_; }

void View::addSubview(View* view) {
  if (view == nullptr || view == this) return;
  Ref<View> keep(view);  // removing it from its old superview may drop the last reference
  view->removeFromSuperview();
  subviews_.push_back(keep);
  view->superview_ = this;
  if (Window* host = window(); host && host->isVisible()) view->requestLayoutOfTree();
}

void View::removeFromSuperview() {
  View* parent = superview_;
  if (parent == nullptr) return;
  superview_ = nullptr;
  auto& siblings = parent->subviews_;
  auto found = std::find_if(siblings.begin(), siblings.end(),
                            [this](const Ref<View>& sibling) { return sibling.get() == this; });
  if (found == siblings.end()) return;
  Ref<View> removed = std::move(*found);  // released after the vector is consistent again
  siblings.erase(found);
}

Window* View::window() const {
  const View* root = this;
  while (root->superview_) root = root->superview_;
  return dynamic_cast<Window*>(const_cast<View*>(root));
}

// [SECTION] Flags

bool View::isHidden() const { return hidden_; }
void View::setHidden(bool hidden) { hidden_ = hidden; }
bool View::isOpaque() const { return opaque_; }
void View::setOpaque(bool opaque) { opaque_ = opaque; }
bool View::isUserInteractionEnabled() const { return userInteractionEnabled_; }
void View::setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
bool View::isMultipleTouchEnabled() const { return multipleTouchEnabled_; }
void View::setMultipleTouchEnabled(bool enabled) { multipleTouchEnabled_ = enabled; }

bool View::canTakeContentScaleFactor() const { return facts().viewsSupportContentScale; }

float View::contentScaleFactor() const { return contentScaleFactor_; }

void View::setContentScaleFactor(float factor) {
  if (factor == contentScaleFactor_) return;
  contentScaleFactor_ = factor;
  setNeedsLayout();
}

// [SECTION] Layout

void View::setNeedsLayout() {
  if (needsLayout_) return;
  needsLayout_ = true;
  detail::requestLayout(this);
}

void View::layoutIfNeeded() {
  if (!needsLayout_) return;
  needsLayout_ = false;
  detail::cancelLayout(this);
  layoutSubviews();
}

void View::requestLayoutOfTree() {
  setNeedsLayout();
  for (const Ref<View>& subview : subviews_) subview->requestLayoutOfTree();
}

ViewController* View::viewController() const { return viewController_; }

void View::setViewController(ViewController* controller) { viewController_ = controller; }

// [SECTION] Hit testing and conversion

bool View::pointInside(const CGPoint& point) const {
  return point.x >= 0 && point.y >= 0 && point.x < frame_.size.width && point.y < frame_.size.height;
}

View* View::hitTest(const CGPoint& point) {
  if (hidden_ || !userInteractionEnabled_ || !pointInside(point)) return nullptr;
  for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
    View* subview = it->get();
    const CGPoint inSubview =
        CGPointMake(point.x - subview->frame_.origin.x, point.y - subview->frame_.origin.y);
    if (View* hit = subview->hitTest(inSubview)) return hit;
  }
  return this;
}

CGPoint View::pointInRoot(CGPoint point) const {
  for (const View* view = this; view->superview_; view = view->superview_) {
    point.x += view->frame_.origin.x;
    point.y += view->frame_.origin.y;
  }
  return point;
}

CGPoint View::convertPointToView(const CGPoint& point, const View* other) const {
  const CGPoint inRoot = pointInRoot(point);
  if (other == nullptr) return inRoot;
  const CGPoint otherOrigin = other->pointInRoot(CGPointZero);
  return CGPointMake(inRoot.x - otherOrigin.x, inRoot.y - otherOrigin.y);
}

CGPoint View::convertPointFromView(const CGPoint& point, const View* other) const {
  const CGPoint inRoot = other ? other->pointInRoot(point) : point;
  const CGPoint origin = pointInRoot(CGPointZero);
  return CGPointMake(inRoot.x - origin.x, inRoot.y - origin.y);
}

CGRect View::convertRectToView(const CGRect& rect, const View* other) const {
  return CGRect{convertPointToView(rect.origin, other), rect.size};
}

}  // namespace platform
