#pragma once
// OpenGL ES 1.1 contexts and the GL view's drawable.
//
// Contexts live on one EGL display, chosen when the first context is made:
// the X11 display when the desktop window system is X11, otherwise Mesa's
// surfaceless platform, otherwise the default display with 1×1 pbuffers. They
// may share objects. A context is made current per thread, without a surface;
// drawing goes into frame-buffer objects. The drawable's colour storage is a
// texture turned into an EGL image that backs the engine's colour render
// buffer; presenting draws that image into the window's EGL surface with a
// private context on the GPU and swaps (headless: it only records the frame
// for capture). Pixels are read back only to capture a frame.
//
// Implemented:
//  [x] ES 1.1 contexts, share groups, current per thread (surfaceless);
//  [x] drawable storage in RGB 565 or RGBA 8888 from an EGL image, or, where
//      EGL images are missing, plain render-buffer storage whose frames are
//      read back at each present (logged once);
//  [x] present into an X11 window at the GL view's frame, clipped to the
//      window; headless present only records the frame;
//  [x] capture of the last presented frame.
// Missing:
//  [ ] presenting into Wayland windows (SDL picks X11, or XWayland, first);
//  [ ] retained backing is ignored: the storage always keeps its contents.

#include "platform/Geometry.h"
#include "platform/Object.h"
#include "platform/Ref.h"

#include <GLES/gl.h>
#include <GLES/glext.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class View;
struct DrawableStorage;

/// Colour format names of a drawable.
inline constexpr const char* kEAGLColorFormatRGB565 = "EAGLColorFormat565";
inline constexpr const char* kEAGLColorFormatRGBA8 = "EAGLColorFormatRGBA8";

/// Objects shared between contexts made in the same group.
class GLSharegroup : public Object {
  PLATFORM_CLASS(GLSharegroup, Object)
 public:
  /// Number of live contexts in the group.
  std::size_t contextCount() const;

 protected:
  ~GLSharegroup() override;

 private:
  friend class GLContext;
  std::vector<void*> contexts_;  // EGLContexts, guarded by the backend's lock
};

/// The GL drawing surface of a view: its colour format and retained-backing
/// property, and its pixel size (the view's bounds × its content scale factor).
class GLDrawable : public Object {
  PLATFORM_CLASS(GLDrawable, Object)
 public:
  /// A drawable for `view` (not retained: the view owns its drawable).
  static GLDrawable* drawableForView(View* view);
  void setColorFormat(const std::string& format);  // default kEAGLColorFormatRGBA8
  const std::string& colorFormat() const;
  void setRetainedBacking(bool retained);
  void setOpaque(bool opaque);
  View* view() const;
  /// Pixel size now: view bounds × content scale factor, rounded; zero once
  /// the view is gone.
  CGSize pixelSize() const;

 protected:
  ~GLDrawable() override;

 private:
  friend class GLContext;
  friend struct GLDrawableAccess;
  View* view_ = nullptr;  // weak: cleared when the view is destroyed
  std::string colorFormat_ = kEAGLColorFormatRGBA8;
  bool retainedBacking_ = false;
  bool opaque_ = false;
  std::shared_ptr<DrawableStorage> storage_;  // the colour storage of the latest layout
};

/// An OpenGL ES 1.1 context.
class GLContext : public Object {
  PLATFORM_CLASS(GLContext, Object)
 public:
  /// The GL API a context speaks: OpenGL ES 1.1 only.
  enum class API { ES1 = 1 };

  /// A new context (autoreleased), in `sharegroup` when given, or nullptr when
  /// one cannot be made.
  static GLContext* contextWithAPI(API api, GLSharegroup* sharegroup = nullptr);
  GLSharegroup* sharegroup() const;

  /// Makes `context` current on this thread (nullptr clears; clearing flushes).
  static bool setCurrentContext(GLContext* context);
  static GLContext* currentContext();

  /// Gives the render buffer bound to `target` (GL_RENDERBUFFER_OES) storage of
  /// the drawable's pixel size in its colour format ("EAGLColorFormat565" gives
  /// RGB 565, otherwise RGBA 8888). Returns false on failure.
  bool renderbufferStorageFromDrawable(GLenum target, GLDrawable* drawable);
  /// Presents the render buffer bound to `target`: shows it in the drawable's
  /// window (nothing on screen when headless) and records it as the last
  /// presented frame. Restores every binding it touches.
  bool presentRenderbuffer(GLenum target);

 protected:
  /// dealloc: leaves the share group, then destroys the EGL context.
  ~GLContext() override;

 private:
  void* context_ = nullptr;  // EGLContext
  void* pbuffer_ = nullptr;  // EGLSurface, only where contexts cannot be current without one
  Ref<GLSharegroup> sharegroup_;
};

/// GL extension entry points, loaded through eglGetProcAddress once a context
/// is current. Entries whose extension the driver does not list are null.
struct GLExtensions {
  PFNGLGENFRAMEBUFFERSOESPROC glGenFramebuffersOES = nullptr;
  PFNGLDELETEFRAMEBUFFERSOESPROC glDeleteFramebuffersOES = nullptr;
  PFNGLBINDFRAMEBUFFEROESPROC glBindFramebufferOES = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSOESPROC glCheckFramebufferStatusOES = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFEROESPROC glFramebufferRenderbufferOES = nullptr;
  PFNGLFRAMEBUFFERTEXTURE2DOESPROC glFramebufferTexture2DOES = nullptr;
  PFNGLGENRENDERBUFFERSOESPROC glGenRenderbuffersOES = nullptr;
  PFNGLDELETERENDERBUFFERSOESPROC glDeleteRenderbuffersOES = nullptr;
  PFNGLBINDRENDERBUFFEROESPROC glBindRenderbufferOES = nullptr;
  PFNGLRENDERBUFFERSTORAGEOESPROC glRenderbufferStorageOES = nullptr;
  PFNGLGETRENDERBUFFERPARAMETERIVOESPROC glGetRenderbufferParameterivOES = nullptr;
  PFNGLGENERATEMIPMAPOESPROC glGenerateMipmapOES = nullptr;
  PFNGLDISCARDFRAMEBUFFEREXTPROC glDiscardFramebufferEXT = nullptr;
  PFNGLRENDERBUFFERSTORAGEMULTISAMPLEAPPLEPROC glRenderbufferStorageMultisampleAPPLE = nullptr;
  PFNGLRESOLVEMULTISAMPLEFRAMEBUFFERAPPLEPROC glResolveMultisampleFramebufferAPPLE = nullptr;
  PFNGLISRENDERBUFFEROESPROC glIsRenderbufferOES = nullptr;
  PFNGLISFRAMEBUFFEROESPROC glIsFramebufferOES = nullptr;
  PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVOESPROC glGetFramebufferAttachmentParameterivOES = nullptr;
};
/// The loaded entry points. Loads them on the first call made with a current
/// context; without one (and before any) every entry is null.
const GLExtensions& glExtensions();

/// The last presented frame as RGBA rows, top row first, or empty when none.
/// Any thread; reads back through a private context, so the caller's current
/// context and bindings are untouched.
struct CapturedFrame {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;
};
CapturedFrame captureLastPresentedFrame();
/// Whether GL renders on the processor (Mesa's llvmpipe, softpipe or
/// swrast): frames then live in main memory, presents copy pixels instead of
/// drawing them, and long draws go to the rasteriser in parts. Asked of the
/// current context, then remembered (one display, one driver per process);
/// false, and not remembered, while no context is current.
bool glRendererIsSoftware();
/// "renderer, version" of OpenGL ES here (GL_RENDERER and GL_VERSION, e.g.
/// "llvmpipe (LLVM 15.0.6, 256 bits), OpenGL ES-CM 1.1 Mesa 22.3.6"), asked
/// of the current context or, without one, of a private one. Empty when no
/// context can be made.
std::string glRendererDescription();
/// Forgets the last presented frame (tests).
void forgetLastPresentedFrame();
/// Whether drawable storage comes from EGL images (false: the read-back
/// fallback). Known once a drawable has been given storage.
bool glDrawableUsesImages();

}  // namespace platform
