#include "RootViewController.h"

#include "platform/Screen.h"
#include "tessera/CCDirector.h"
#include "tessera/Platforms/iOS/CCDirectorIOS.h"
#include "tessera/Platforms/iOS/EAGLView.h"

RootViewController* RootViewController::viewController() {
  return platform::createAutoreleased<RootViewController>([](RootViewController& c) { return c.init(); });
}

bool RootViewController::shouldAutorotateToInterfaceOrientation(int orientation) {
  return orientation == 3 || orientation == 4;
}

void RootViewController::willRotateToInterfaceOrientation(int orientation, double /*duration*/) {
  CCDirector* director = CCDirector::existingDirector();
  EAGLView* glView = director ? director->openGLView() : nullptr;
  if (glView == nullptr) return;

  const CGRect screen = platform::Screen::mainScreen()->bounds();
  CGRect frame = screen;
  if (orientation == 3 || orientation == 4) {
    frame = CGRectMake(0, 0, screen.size.height, screen.size.width);
  }
  auto* iosDirector = dynamic_cast<CCDirectorIOS*>(director);
  const float scale = iosDirector ? iosDirector->contentScaleFactor() : 1.0f;
  if (scale != 1.0f) {
    frame.size.width *= scale;
    frame.size.height *= scale;
  }
  glView->setFrame(frame);
}
