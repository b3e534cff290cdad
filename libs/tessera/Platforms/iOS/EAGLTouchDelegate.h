#pragma once
// What the GL view hands its touches to.

namespace platform {
class TouchSet;
class Event;
}  // namespace platform

/// Receives the GL view's touches, one call per phase with the touches that
/// changed in that phase. The touch dispatcher adopts it.
class EAGLTouchDelegate {
 public:
  virtual void touchesBegan(platform::TouchSet* touches, platform::Event* event) = 0;
  virtual void touchesMoved(platform::TouchSet* touches, platform::Event* event) = 0;
  virtual void touchesEnded(platform::TouchSet* touches, platform::Event* event) = 0;
  virtual void touchesCancelled(platform::TouchSet* touches, platform::Event* event) = 0;

 protected:
  ~EAGLTouchDelegate() = default;
};
