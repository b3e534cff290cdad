#include "platform/ViewController.h"

#include "platform/View.h"

namespace platform {

ViewController* ViewController::viewController() {
  return createAutoreleased<ViewController>([](ViewController& controller) { return controller.init(); });
}

bool ViewController::init() { return true; }

ViewController::~ViewController() {
  if (view_ && view_->viewController() == this) view_->setViewController(nullptr);
}

void ViewController::setView(View* view) {
  if (view == view_.get()) return;
  if (view_ && view_->viewController() == this) view_->setViewController(nullptr);
  view_ = view;
  if (view_) view_->setViewController(this);
}

bool ViewController::shouldAutorotateToInterfaceOrientation(int orientation) { return orientation == 1; }

void ViewController::didReceiveMemoryWarning() {
  if (view_ && view_->superview() == nullptr) {
    setView(nullptr);
    viewDidUnload();
  }
}

}  // namespace platform
