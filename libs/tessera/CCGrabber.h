#pragma once
// CCGrabber: an extra frame buffer whose colour attachment is a texture, so
// that drawing between beforeRender() and afterRender() lands in the texture
// instead of the frame buffer that was bound before.

#include "platform/Object.h"

#include <GLES/gl.h>

class CCTexture2D;

/// An extra frame buffer whose colour attachment is a texture, so that drawing
/// between beforeRender() and afterRender() lands in the texture instead of the
/// frame buffer that was bound before.
///
/// Cost: one GL frame-buffer name per grabber; beforeRender() reads the
/// binding and the clear colour back from GL, nothing is allocated.
class CCGrabber : public platform::Object {
  PLATFORM_CLASS(CCGrabber, platform::Object)

 public:
  /// A grabber with a new frame buffer (autoreleased), or nullptr when the GL
  /// has no frame-buffer objects (logged). Expects a current GL context.
  static CCGrabber* grabber();
  /// Generates the frame buffer. Returns false and logs when the GL has no
  /// frame-buffer entry points.
  bool init();

  /// Attaches `texture` as colour attachment 0 (level 0) of the frame buffer.
  /// Throws platform::Exception "Frame Grabber" / "Could not attach texture to
  /// framebuffer" when the frame buffer is then incomplete; the frame buffer
  /// bound before is bound again in both cases.
  void grab(CCTexture2D* texture);
  /// Remembers the bound frame buffer, binds this one and clears its colour
  /// (to transparent black) and depth. The GL clear colour is left as found.
  void beforeRender(CCTexture2D* texture);
  /// Binds the frame buffer remembered by beforeRender() again.
  void afterRender(CCTexture2D* texture);

  /// The GL frame-buffer name; 0 before init().
  GLuint fbo() const { return fbo_; }
  /// The frame buffer bound before the last grab() or beforeRender().
  GLint oldFBO() const { return oldFBO_; }

 protected:
  /// dealloc: deletes the frame buffer.
  ~CCGrabber() override;

 private:
  GLuint fbo_ = 0;
  GLint oldFBO_ = 0;
};
