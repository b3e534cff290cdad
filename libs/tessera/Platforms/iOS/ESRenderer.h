#pragma once
// ESRenderer: what the GL view asks of its renderer.

#include "platform/Geometry.h"

#include <GLES/gl.h>

namespace platform {
class GLContext;
class GLDrawable;
}  // namespace platform

/// A renderer owns a GL context and the frame buffers the view draws into:
/// a colour render buffer whose storage comes from the view's drawable, and
/// optionally depth and multisample buffers.
class ESRenderer {
 public:
  /// (Re)allocates the buffers for the drawable's current size. Returns false
  /// when a frame buffer is incomplete; the previous size then stays.
  virtual bool resizeFromLayer(platform::GLDrawable* drawable) = 0;
  /// The context (owned by the renderer).
  virtual platform::GLContext* context() const = 0;
  /// The colour buffer's size in pixels.
  virtual CGSize backingSize() const = 0;
  /// GL names, 0 when absent.
  virtual GLuint colorRenderBuffer() const = 0;
  virtual GLuint defaultFrameBuffer() const = 0;
  virtual GLuint msaaFrameBuffer() const = 0;
  virtual GLuint msaaColorBuffer() const = 0;

 protected:
  ~ESRenderer() = default;
};
