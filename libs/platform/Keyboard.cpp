#include "platform/Keyboard.h"

#include <utility>

namespace platform {

namespace {
KeyObserver& keyObserver() {
  static KeyObserver observer;
  return observer;
}
}  // namespace

void setKeyObserver(KeyObserver observer) { keyObserver() = std::move(observer); }

void deliverKeyPress(std::string_view keyName) {
  // A copy: the observer may replace itself while it runs.
  if (KeyObserver observer = keyObserver()) observer(keyName);
}

}  // namespace platform
