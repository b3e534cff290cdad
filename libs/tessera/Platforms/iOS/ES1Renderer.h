#pragma once
// ES1Renderer: the OpenGL ES 1.1 context and frame buffers of the GL view.

#include "platform/Object.h"
#include "platform/Ref.h"
#include "tessera/Platforms/iOS/ESRenderer.h"

#include <GLES/gl.h>

#include <cstdint>
#include <string>

namespace platform {
class GLSharegroup;
}

/// Owns an OpenGL ES 1 context and the view's frame buffers: the default
/// frame buffer with a colour render buffer whose storage is the drawable,
/// an optional depth buffer and, when the GL offers multisampling, a
/// multisample frame buffer with its colour buffer.
///
/// Multisampling needs the multisample entry points of the GL. Where the GL
/// lacks them the renderer draws without multisampling (multiSampling()
/// reports false) instead of calling functions that do not exist.
///
/// dealloc: with its own context current, deletes the default frame buffer,
/// the colour render buffer, the depth buffer, the multisample colour buffer
/// and the multisample frame buffer (each only when present, in that order),
/// leaves no context current (or restores another view's context that was
/// current), then releases the context.
class ES1Renderer : public platform::Object, public ESRenderer {
  PLATFORM_CLASS(ES1Renderer, platform::Object)

 public:
  /// A renderer made with initWithDepthFormat (autoreleased), or nullptr.
  static ES1Renderer* rendererWithDepthFormat(GLuint depthFormat, GLuint pixelFormat,
                                              platform::GLSharegroup* sharegroup, bool multiSampling,
                                              unsigned samples);

  ES1Renderer() = default;

  /// Creates an OpenGL ES 1 context (in `sharegroup` when given) and makes it
  /// current, creates and binds the default frame buffer and the colour
  /// render buffer ("Can't create default frame buffer", "Can't create
  /// default render buffer"), attaches the render buffer as colour
  /// attachment 0 and, with multisampling, creates the multisample frame
  /// buffer with min(requested, the GL's maximum) samples. `depthFormat` is
  /// 0 for no depth buffer; `pixelFormat` (GL_RGB565_OES or GL_RGBA8_OES) is
  /// the multisample buffer's colour format. Returns false when the context
  /// cannot be made or made current, or the GL has no frame-buffer objects.
  /// A GL error left afterwards is printed as "OpenGL error 0x%04X in %s".
  bool initWithDepthFormat(GLuint depthFormat, GLuint pixelFormat, platform::GLSharegroup* sharegroup,
                           bool multiSampling, unsigned samples);

  /// Makes the context current, gives the colour render buffer the
  /// drawable's storage and reads its size; (re)allocates the multisample
  /// colour buffer and the depth buffer at that size. Returns false when the
  /// storage cannot be made or a frame buffer is incomplete.
  bool resizeFromLayer(platform::GLDrawable* drawable) override;

  platform::GLContext* context() const override { return context_.get(); }
  CGSize backingSize() const override;
  GLint backingWidth() const { return backingWidth_; }
  GLint backingHeight() const { return backingHeight_; }
  GLuint colorRenderBuffer() const override { return colorRenderbuffer_; }
  GLuint defaultFrameBuffer() const override { return defaultFramebuffer_; }
  GLuint msaaFrameBuffer() const override { return msaaFramebuffer_; }
  GLuint msaaColorBuffer() const override { return msaaColorbuffer_; }
  GLuint depthBuffer() const { return depthBuffer_; }
  GLuint depthFormat() const { return depthFormat_; }
  GLuint pixelFormat() const { return pixelFormat_; }
  bool multiSampling() const { return multiSampling_; }
  GLuint samplesToUse() const { return samplesToUse_; }

  /// "<ES1Renderer = ADDRESS | size = WIDTHxHEIGHT>".
  std::string description() const override;

 protected:
  ~ES1Renderer() override;

 private:
  GLint backingWidth_ = 0;
  GLint backingHeight_ = 0;
  GLuint samplesToUse_ = 0;
  bool multiSampling_ = false;
  GLuint depthFormat_ = 0;
  GLuint pixelFormat_ = 0;
  GLuint defaultFramebuffer_ = 0;
  GLuint colorRenderbuffer_ = 0;
  GLuint depthBuffer_ = 0;
  GLuint msaaFramebuffer_ = 0;
  GLuint msaaColorbuffer_ = 0;
  platform::Ref<platform::GLContext> context_;
};
