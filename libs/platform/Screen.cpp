#include "platform/Screen.h"

#include "platform/Facts.h"

namespace platform {

Screen* Screen::mainScreen() {
  static Screen* screen = new Screen();  // never released: the screen outlives everything
  return screen;
}

CGRect Screen::bounds() const {
  const CGSize size = facts().screenSize;
  return CGRectMake(0, 0, size.width, size.height);
}

float Screen::scale() const { return facts().screenScale; }

bool Screen::hasScale() const { return facts().screenHasScale; }

}  // namespace platform
