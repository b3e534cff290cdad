#pragma once
// EAGLView: the platform view that shows the engine's drawing.

#include "platform/GLContext.h"
#include "platform/Geometry.h"
#include "platform/Object.h"
#include "platform/Ref.h"
#include "platform/View.h"
#include "tessera/Platforms/iOS/ES1Renderer.h"

#include <GLES/gl.h>

#include <string>

class EAGLTouchDelegate;

/// A view whose drawing surface is a GL drawable. It owns a renderer (the GL
/// context and frame buffers), reallocates the buffers at every layout and
/// then has the director reshape its projection and draw a frame at once,
/// presents each finished frame, and hands every touch to its touch delegate.
///
/// Implemented: colour formats "EAGLColorFormat565" (16-bit) and anything
/// else as 32-bit RGBA, optional depth buffer, discarding of buffers the
/// next frame does not need, multisampling where the GL offers it.
/// Missing: creation from an interface file (views are made in code).
///
/// dealloc: releases the renderer (which deletes its GL names and its
/// context), then the drawable.
class EAGLView : public platform::View {
  PLATFORM_CLASS(EAGLView, platform::View)

 public:
  // [SECTION] Creation
  // Each factory returns an autoreleased view, or nullptr when no GL context
  // can be created or made current.

  /// 16-bit colour, no depth buffer.
  static EAGLView* viewWithFrame(const CGRect& frame);
  /// No depth buffer.
  static EAGLView* viewWithFrame(const CGRect& frame, const std::string& pixelFormat);
  /// No preserved back buffer, no share group, no multisampling.
  static EAGLView* viewWithFrame(const CGRect& frame, const std::string& pixelFormat, GLuint depthFormat);
  static EAGLView* viewWithFrame(const CGRect& frame, const std::string& pixelFormat, GLuint depthFormat,
                                 bool preserveBackbuffer, platform::GLSharegroup* sharegroup,
                                 bool multiSampling, unsigned numberOfSamples);
  /// The class of the view's drawing surface.
  static const platform::ClassInfo& layerClass();

  EAGLView() = default;

  using platform::View::initWithFrame;
  /// 16-bit colour, no depth buffer.
  bool initWithFrame(const CGRect& frame) override;
  /// No depth buffer.
  bool initWithFrame(const CGRect& frame, const std::string& pixelFormat);
  /// The designated initialiser: the view with `frame`, then the surface
  /// (setupSurfaceWithSharegroup). Returns false when that fails.
  virtual bool initWithFrame(const CGRect& frame, const std::string& pixelFormat, GLuint depthFormat,
                             bool preserveBackbuffer, platform::GLSharegroup* sharegroup,
                             bool multiSampling, unsigned numberOfSamples);

  // [SECTION] Surface

  /// Makes the view and its drawable opaque, gives the drawable the retained
  /// backing and colour format, creates the renderer, allocates the colour
  /// buffer's storage from the drawable, and reads from the device
  /// capabilities whether buffers can be discarded (the first use of the
  /// capabilities, while the new context is current). Returns false when the
  /// renderer cannot be created.
  bool setupSurfaceWithSharegroup(platform::GLSharegroup* sharegroup);
  /// "EAGLColorFormat565" gives GL_RGB565_OES; every other name GL_RGBA8_OES.
  static GLenum convertPixelFormat(const std::string& pixelFormat);

  /// Reallocates the buffers for the new size, stores the surface size, has
  /// the shared director reshape its projection and draws one frame on the
  /// main thread, waiting for it. When the buffers cannot be reallocated the
  /// view keeps its previous size and draws nothing.
  void layoutSubviews() override;
  /// Presents the frame: resolves multisampling, discards buffers the next
  /// frame does not need (when the GL can), presents the colour render
  /// buffer, and binds the multisample frame buffer again for drawing.
  void swapBuffers();

  /// A point in view coordinates as pixels of the surface.
  CGPoint convertPointFromViewToSurface(CGPoint point) const;
  /// A rectangle in view coordinates as pixels of the surface.
  CGRect convertRectFromViewToSurface(CGRect rect) const;

  // [SECTION] Properties

  /// The renderer's context.
  platform::GLContext* context() const { return context_; }
  ES1Renderer* renderer() const { return renderer_.get(); }
  platform::GLDrawable* drawable() const { return drawable_.get(); }
  /// The colour format name given at creation.
  const std::string& pixelFormat() const { return pixelformat_; }
  /// The depth buffer's GL format, 0 for none.
  GLuint depthFormat() const { return depthFormat_; }
  /// The render buffer's size in pixels, set at each layout. Default (0, 0).
  CGSize surfaceSize() const { return size_; }
  bool multiSampling() const { return multiSampling_; }
  void setMultiSampling(bool multiSampling) { multiSampling_ = multiSampling; }
  bool discardFramebufferSupported() const { return discardFramebufferSupported_; }

  /// Receives the touches (not retained). Default nullptr: touches are dropped.
  EAGLTouchDelegate* touchDelegate() const { return touchDelegate_; }
  void setTouchDelegate(EAGLTouchDelegate* delegate) { touchDelegate_ = delegate; }

  // [SECTION] Touches: passed unchanged to the touch delegate

  void touchesBegan(platform::TouchSet* touches, platform::Event* event) override;
  void touchesMoved(platform::TouchSet* touches, platform::Event* event) override;
  void touchesEnded(platform::TouchSet* touches, platform::Event* event) override;
  void touchesCancelled(platform::TouchSet* touches, platform::Event* event) override;

 protected:
  ~EAGLView() override;

 private:
  platform::Ref<ES1Renderer> renderer_;
  platform::GLContext* context_ = nullptr;  // borrowed from the renderer
  platform::Ref<platform::GLDrawable> drawable_;
  std::string pixelformat_;
  GLuint depthFormat_ = 0;
  bool preserveBackbuffer_ = false;
  CGSize size_;
  bool discardFramebufferSupported_ = false;
  EAGLTouchDelegate* touchDelegate_ = nullptr;  // weak
  unsigned requestedSamples_ = 0;
  bool multiSampling_ = false;
};
