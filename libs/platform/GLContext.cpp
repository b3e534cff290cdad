#include "platform/GLContext.h"

#include "platform/Assert.h"
#include "platform/Facts.h"
#include "platform/GLContextInternal.h"
#include "platform/Log.h"
#include "platform/RunLoop.h"
#include "platform/Screen.h"
#include "platform/View.h"
#include "platform/ViewOverlays.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string_view>
#include <unordered_map>
#include <utility>

// [SECTION] EGL display
// [SECTION] The private context (present and capture)
// [SECTION] Drawable storage
// [SECTION] Registries
// [SECTION] Current context per thread
// [SECTION] GLSharegroup, GLDrawable
// [SECTION] GLContext
// [SECTION] Present
// [SECTION] Capture
// [SECTION] Extensions

namespace platform {

namespace {

// [SECTION] EGL display

bool hasExtension(const char* list, std::string_view name) {
  if (list == nullptr) return false;
  std::string_view rest(list);
  while (!rest.empty()) {
    const auto space = rest.find(' ');
    if (rest.substr(0, space) == name) return true;
    if (space == std::string_view::npos) break;
    rest.remove_prefix(space + 1);
  }
  return false;
}

enum class DisplayKind { None, X11, Surfaceless, Default };

struct Display {
  EGLDisplay display = EGL_NO_DISPLAY;
  DisplayKind kind = DisplayKind::None;
  // The config of window and pbuffer surfaces and of the private context.
  EGLConfig surfaceConfig = nullptr;
  // The config of engine contexts: none where contexts need no config.
  EGLConfig contextConfig = nullptr;
  bool surfaceless = false;  // contexts can be current without a surface

  PFNEGLCREATEIMAGEKHRPROC createImage = nullptr;
  PFNEGLDESTROYIMAGEKHRPROC destroyImage = nullptr;
  PFNGLEGLIMAGETARGETRENDERBUFFERSTORAGEOESPROC imageRenderbufferStorage = nullptr;
  PFNGLEGLIMAGETARGETTEXTURE2DOESPROC imageTexture = nullptr;
  bool imagesAvailable = false;  // EGL can make images of textures; GL support is checked per use
};

// One lock for the backend's shared state: share groups, the drawable
// registries, the last presented frame and the private context.
std::recursive_mutex& backendLock() {
  static auto* lock = new std::recursive_mutex();
  return *lock;
}

EGLDisplay openPlatformDisplay(EGLenum platform) {
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (getPlatformDisplay == nullptr) return EGL_NO_DISPLAY;
  EGLDisplay display = getPlatformDisplay(platform, EGL_DEFAULT_DISPLAY, nullptr);
  if (display == EGL_NO_DISPLAY) return EGL_NO_DISPLAY;
  if (!eglInitialize(display, nullptr, nullptr)) return EGL_NO_DISPLAY;
  return display;
}

EGLConfig chooseConfig(EGLDisplay display, EGLint surfaceTypes) {
  const EGLint attributes[] = {EGL_SURFACE_TYPE, surfaceTypes, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES_BIT,
                               EGL_RED_SIZE,     8,            EGL_GREEN_SIZE,      8,
                               EGL_BLUE_SIZE,    8,            EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1) return nullptr;
  return config;
}

Display openDisplay() {
  Display d;
  const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  // A desktop window can show frames only from contexts of its own display,
  // so the window system is asked first (it may not have a window yet).
  if (!facts().headless && isMainThread() && detail::startWindowSystem() &&
      detail::windowSystemDriver() == "x11" && hasExtension(clientExtensions, "EGL_EXT_platform_x11")) {
    d.display = openPlatformDisplay(EGL_PLATFORM_X11_EXT);
    if (d.display != EGL_NO_DISPLAY) d.kind = DisplayKind::X11;
  }
  if (d.display == EGL_NO_DISPLAY && hasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
    d.display = openPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA);
    if (d.display != EGL_NO_DISPLAY) d.kind = DisplayKind::Surfaceless;
  }
  if (d.display == EGL_NO_DISPLAY) {
    d.display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (d.display != EGL_NO_DISPLAY && eglInitialize(d.display, nullptr, nullptr)) {
      d.kind = DisplayKind::Default;
    } else {
      d.display = EGL_NO_DISPLAY;
    }
  }
  if (d.display == EGL_NO_DISPLAY) {
    log("tessera: GL: no EGL display can be opened (error 0x%04X)", static_cast<unsigned>(eglGetError()));
    return d;
  }
  eglBindAPI(EGL_OPENGL_ES_API);
  const char* extensions = eglQueryString(d.display, EGL_EXTENSIONS);
  d.surfaceless = hasExtension(extensions, "EGL_KHR_surfaceless_context");
  d.surfaceConfig = chooseConfig(d.display, d.kind == DisplayKind::X11 ? (EGL_WINDOW_BIT | EGL_PBUFFER_BIT)
                                                                     : EGL_PBUFFER_BIT);
  if (d.surfaceConfig == nullptr && d.kind == DisplayKind::X11) {
    d.surfaceConfig = chooseConfig(d.display, EGL_WINDOW_BIT);
  }
  d.contextConfig = hasExtension(extensions, "EGL_KHR_no_config_context") ? EGL_NO_CONFIG_KHR : d.surfaceConfig;
  if (d.contextConfig == nullptr && !hasExtension(extensions, "EGL_KHR_no_config_context")) {
    log("tessera: GL: the EGL display has no OpenGL ES 1 configuration");
    d.display = EGL_NO_DISPLAY;
    d.kind = DisplayKind::None;
    return d;
  }
  if (hasExtension(extensions, "EGL_KHR_image_base") && hasExtension(extensions, "EGL_KHR_gl_texture_2D_image")) {
    d.createImage = reinterpret_cast<PFNEGLCREATEIMAGEKHRPROC>(eglGetProcAddress("eglCreateImageKHR"));
    d.destroyImage = reinterpret_cast<PFNEGLDESTROYIMAGEKHRPROC>(eglGetProcAddress("eglDestroyImageKHR"));
    d.imageRenderbufferStorage = reinterpret_cast<PFNGLEGLIMAGETARGETRENDERBUFFERSTORAGEOESPROC>(
        eglGetProcAddress("glEGLImageTargetRenderbufferStorageOES"));
    d.imageTexture =
        reinterpret_cast<PFNGLEGLIMAGETARGETTEXTURE2DOESPROC>(eglGetProcAddress("glEGLImageTargetTexture2DOES"));
    d.imagesAvailable = d.createImage && d.destroyImage && d.imageRenderbufferStorage && d.imageTexture;
  }
  return d;
}

// Opened on first use and kept for the life of the process.
Display& display() {
  static Display* instance = new Display(openDisplay());
  return *instance;
}

// Entry points the backend itself needs, independent of the engine's table.
struct CoreFunctions {
  PFNGLGENFRAMEBUFFERSOESPROC genFramebuffers = nullptr;
  PFNGLDELETEFRAMEBUFFERSOESPROC deleteFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFEROESPROC bindFramebuffer = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSOESPROC checkFramebufferStatus = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFEROESPROC framebufferRenderbuffer = nullptr;
  PFNGLFRAMEBUFFERTEXTURE2DOESPROC framebufferTexture2D = nullptr;
  PFNGLRENDERBUFFERSTORAGEOESPROC renderbufferStorage = nullptr;
  PFNGLGETRENDERBUFFERPARAMETERIVOESPROC getRenderbufferParameteriv = nullptr;
};

const CoreFunctions& core() {
  static const CoreFunctions functions = [] {
    CoreFunctions f;
    f.genFramebuffers = reinterpret_cast<PFNGLGENFRAMEBUFFERSOESPROC>(eglGetProcAddress("glGenFramebuffersOES"));
    f.deleteFramebuffers =
        reinterpret_cast<PFNGLDELETEFRAMEBUFFERSOESPROC>(eglGetProcAddress("glDeleteFramebuffersOES"));
    f.bindFramebuffer = reinterpret_cast<PFNGLBINDFRAMEBUFFEROESPROC>(eglGetProcAddress("glBindFramebufferOES"));
    f.checkFramebufferStatus =
        reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSOESPROC>(eglGetProcAddress("glCheckFramebufferStatusOES"));
    f.framebufferRenderbuffer =
        reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFEROESPROC>(eglGetProcAddress("glFramebufferRenderbufferOES"));
    f.framebufferTexture2D =
        reinterpret_cast<PFNGLFRAMEBUFFERTEXTURE2DOESPROC>(eglGetProcAddress("glFramebufferTexture2DOES"));
    f.renderbufferStorage =
        reinterpret_cast<PFNGLRENDERBUFFERSTORAGEOESPROC>(eglGetProcAddress("glRenderbufferStorageOES"));
    f.getRenderbufferParameteriv = reinterpret_cast<PFNGLGETRENDERBUFFERPARAMETERIVOESPROC>(
        eglGetProcAddress("glGetRenderbufferParameterivOES"));
    return f;
  }();
  return functions;
}

// Whether the context current on this thread accepts EGL images.
bool currentContextTakesImages() {
  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  return hasExtension(extensions, "GL_OES_EGL_image");
}

// Makes a context current for a while and restores what was current before.
class CurrentContextSwitch {
 public:
  CurrentContextSwitch(EGLDisplay display, EGLSurface draw, EGLSurface read, EGLContext context)
      : display_(display),
        previousDisplay_(eglGetCurrentDisplay()),
        previousContext_(eglGetCurrentContext()),
        previousDraw_(eglGetCurrentSurface(EGL_DRAW)),
        previousRead_(eglGetCurrentSurface(EGL_READ)) {
    if (previousContext_ != EGL_NO_CONTEXT) glFlush();  // what the caller drew is visible to `context`
    ok_ = eglMakeCurrent(display, draw, read, context) == EGL_TRUE;
  }
  ~CurrentContextSwitch() {
    if (previousContext_ != EGL_NO_CONTEXT) {
      eglMakeCurrent(previousDisplay_, previousDraw_, previousRead_, previousContext_);
    } else {
      eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }
  }
  CurrentContextSwitch(const CurrentContextSwitch&) = delete;
  CurrentContextSwitch& operator=(const CurrentContextSwitch&) = delete;
  bool ok() const { return ok_; }

 private:
  EGLDisplay display_;
  EGLDisplay previousDisplay_;
  EGLContext previousContext_;
  EGLSurface previousDraw_;
  EGLSurface previousRead_;
  bool ok_ = false;
};

}  // namespace

// [SECTION] Drawable storage

// The colour storage made for a drawable at one layout. Shared by the
// drawable and the record of the last presented frame, so a frame can still
// be captured after the next layout replaced the storage.
struct DrawableStorage {
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLImageKHR image = EGL_NO_IMAGE_KHR;  // none in the read-back fallback
  int width = 0;
  int height = 0;
  bool rgb565 = false;
  // Read-back fallback and software presents: the last presented pixels,
  // RGBA, bottom row first.
  std::vector<std::uint8_t> pixels;
  // Software presents with overlays: the frame top row first, overlays
  // composited; kept to reuse its memory from frame to frame.
  CapturedFrame composed;

  DrawableStorage() = default;
  DrawableStorage(const DrawableStorage&) = delete;
  DrawableStorage& operator=(const DrawableStorage&) = delete;
  ~DrawableStorage() {
    if (image != EGL_NO_IMAGE_KHR && platform::display().destroyImage) {
      platform::display().destroyImage(display, image);
    }
  }
};

namespace {

// [SECTION] The private context (present and capture)

// A context of the backend's own, used to draw frames into windows and to read
// frames back, so neither touches the engine's GL state. Guarded by
// backendLock(); current only while a present or capture runs.
struct PrivateContext {
  EGLContext context = EGL_NO_CONTEXT;
  EGLSurface pbuffer = EGL_NO_SURFACE;  // where contexts cannot be current without a surface
  // The texture showing the latest storage it drew or read.
  std::weak_ptr<DrawableStorage> textureSource;
  GLuint texture = 0;
  GLuint framebuffer = 0;
  std::unordered_map<const Window*, EGLSurface> windowSurfaces;
  bool failed = false;
};

PrivateContext& privateContext() {
  static auto* instance = new PrivateContext();
  return *instance;
}

// Makes the private context once; false when it cannot be made.
bool ensurePrivateContext() {
  PrivateContext& p = privateContext();
  if (p.context != EGL_NO_CONTEXT) return true;
  if (p.failed) return false;
  Display& d = display();
  if (d.display == EGL_NO_DISPLAY || d.surfaceConfig == nullptr) {
    p.failed = true;
    return false;
  }
  eglBindAPI(EGL_OPENGL_ES_API);
  const EGLint attributes[] = {EGL_CONTEXT_CLIENT_VERSION, 1, EGL_NONE};
  p.context = eglCreateContext(d.display, d.surfaceConfig, EGL_NO_CONTEXT, attributes);
  if (p.context != EGL_NO_CONTEXT && !d.surfaceless) {
    const EGLint size[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
    p.pbuffer = eglCreatePbufferSurface(d.display, d.surfaceConfig, size);
  }
  if (p.context == EGL_NO_CONTEXT) {
    log("tessera: GL: cannot make the context that presents and captures frames (error 0x%04X)",
        static_cast<unsigned>(eglGetError()));
    p.failed = true;
    return false;
  }
  return true;
}

// Binds a texture of the private context showing `storage`. The private
// context must be current.
bool bindStorageTexture(const std::shared_ptr<DrawableStorage>& storage) {
  PrivateContext& p = privateContext();
  if (p.texture == 0) {
    glGenTextures(1, &p.texture);
    glBindTexture(GL_TEXTURE_2D, p.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  }
  glBindTexture(GL_TEXTURE_2D, p.texture);
  if (storage->image != EGL_NO_IMAGE_KHR) {
    // Re-targeting every time also picks up what the engine drew since.
    display().imageTexture(GL_TEXTURE_2D, storage->image);
  } else {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, storage->width, storage->height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 storage->pixels.data());
  }
  p.textureSource = storage;
  return true;
}

// [SECTION] Registries

// Render buffers given storage from a drawable, per share group.
std::map<std::pair<const GLSharegroup*, GLuint>, GLDrawable*>& drawableOfRenderbuffer() {
  static auto* registry = new std::map<std::pair<const GLSharegroup*, GLuint>, GLDrawable*>();
  return *registry;
}

std::set<GLDrawable*>& liveDrawables() {
  static auto* drawables = new std::set<GLDrawable*>();
  return *drawables;
}

std::shared_ptr<DrawableStorage>& lastPresented() {
  static auto* storage = new std::shared_ptr<DrawableStorage>();
  return *storage;
}

std::function<void()>& presentObserver() {
  static auto* observer = new std::function<void()>();
  return *observer;
}

bool g_readBackLogged = false;
bool g_usesImages = true;

// [SECTION] Current context per thread

// The context current on this thread, retained while it is current. Cleared
// when the thread ends.
struct CurrentContext {
  GLContext* context = nullptr;
  ~CurrentContext() {
    if (context == nullptr) return;
    eglMakeCurrent(display().display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    std::exchange(context, nullptr)->release();
    eglReleaseThread();
  }
};
thread_local CurrentContext t_current;

}  // namespace

// [SECTION] GLSharegroup, GLDrawable

std::size_t GLSharegroup::contextCount() const {
  std::lock_guard lock(backendLock());
  return contexts_.size();
}

GLSharegroup::~GLSharegroup() {
  std::lock_guard lock(backendLock());
  std::erase_if(drawableOfRenderbuffer(), [this](const auto& entry) { return entry.first.first == this; });
}

struct GLDrawableAccess {
  static void forgetView(GLDrawable& drawable) { drawable.view_ = nullptr; }
  static const std::shared_ptr<DrawableStorage>& storage(const GLDrawable& drawable) { return drawable.storage_; }
};

GLDrawable* GLDrawable::drawableForView(View* view) {
  auto* drawable = new GLDrawable();
  drawable->view_ = view;
  {
    std::lock_guard lock(backendLock());
    liveDrawables().insert(drawable);
  }
  drawable->autorelease();
  return drawable;
}

GLDrawable::~GLDrawable() {
  std::lock_guard lock(backendLock());
  liveDrawables().erase(this);
  std::erase_if(drawableOfRenderbuffer(), [this](const auto& entry) { return entry.second == this; });
}

// [SECTION] GLContext

GLContext* GLContext::contextWithAPI(API api, GLSharegroup* sharegroup) {
  if (api != API::ES1) return nullptr;
  std::lock_guard lock(backendLock());
  Display& d = display();
  if (d.display == EGL_NO_DISPLAY) return nullptr;
  eglBindAPI(EGL_OPENGL_ES_API);
  EGLContext shareWith = EGL_NO_CONTEXT;
  if (sharegroup && !sharegroup->contexts_.empty()) shareWith = sharegroup->contexts_.front();
  const EGLint attributes[] = {EGL_CONTEXT_CLIENT_VERSION, 1, EGL_NONE};
  EGLContext context = eglCreateContext(d.display, d.contextConfig, shareWith, attributes);
  if (context == EGL_NO_CONTEXT) {
    log("tessera: GL: cannot make an OpenGL ES 1 context (error 0x%04X)", static_cast<unsigned>(eglGetError()));
    return nullptr;
  }
  auto* result = new GLContext();
  result->context_ = context;
  if (!d.surfaceless) {
    const EGLint size[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
    result->pbuffer_ = eglCreatePbufferSurface(d.display, d.surfaceConfig, size);
  }
  if (sharegroup) {
    result->sharegroup_ = sharegroup;
  } else {
    result->sharegroup_ = Ref<GLSharegroup>::adopt(new GLSharegroup());
  }
  result->sharegroup_->contexts_.push_back(context);
  result->autorelease();
  return result;
}

GLContext::~GLContext() {
  std::lock_guard lock(backendLock());
  Display& d = display();
  auto& contexts = sharegroup_->contexts_;
  contexts.erase(std::remove(contexts.begin(), contexts.end(), context_), contexts.end());
  if (contexts.empty()) {
    // The group's objects die with its last context.
    const GLSharegroup* group = sharegroup_.get();
    std::erase_if(drawableOfRenderbuffer(), [group](const auto& entry) { return entry.first.first == group; });
  }
  eglDestroyContext(d.display, static_cast<EGLContext>(context_));
  if (pbuffer_) eglDestroySurface(d.display, static_cast<EGLSurface>(pbuffer_));
}

GLSharegroup* GLContext::sharegroup() const { return sharegroup_.get(); }

bool GLContext::setCurrentContext(GLContext* context) {
  if (context == t_current.context) return true;
  Display& d = display();
  if (context) {
    eglBindAPI(EGL_OPENGL_ES_API);
    auto surface = context->pbuffer_ ? static_cast<EGLSurface>(context->pbuffer_) : EGL_NO_SURFACE;
    if (!eglMakeCurrent(d.display, surface, surface, static_cast<EGLContext>(context->context_))) {
      log("tessera: GL: cannot make the context current (error 0x%04X)", static_cast<unsigned>(eglGetError()));
      return false;
    }
    context->retain();
  } else if (d.display != EGL_NO_DISPLAY) {
    if (t_current.context) glFlush();
    eglMakeCurrent(d.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  }
  if (GLContext* previous = std::exchange(t_current.context, context)) previous->release();
  return true;
}

GLContext* GLContext::currentContext() { return t_current.context; }

bool GLContext::renderbufferStorageFromDrawable(GLenum target, GLDrawable* drawable) {
  if (currentContext() != this) {
    log("tessera: GL: renderbufferStorageFromDrawable needs the context to be current");
    return false;
  }
  if (drawable == nullptr || target != GL_RENDERBUFFER_OES) return false;
  const CoreFunctions& gl = core();
  GLint renderbuffer = 0;
  glGetIntegerv(GL_RENDERBUFFER_BINDING_OES, &renderbuffer);
  const CGSize size = drawable->pixelSize();
  const int width = static_cast<int>(size.width);
  const int height = static_cast<int>(size.height);
  if (renderbuffer == 0 || width <= 0 || height <= 0) {
    log("tessera: GL: no storage for a %dx%d drawable (render buffer %d)", width, height, renderbuffer);
    return false;
  }
  const bool rgb565 = drawable->colorFormat() == kEAGLColorFormatRGB565;

  std::lock_guard lock(backendLock());
  Display& d = display();
  auto storage = std::make_shared<DrawableStorage>();
  storage->display = d.display;
  storage->width = width;
  storage->height = height;
  storage->rgb565 = rgb565;

  if (d.imagesAvailable && currentContextTakesImages()) {
    GLint previousTexture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previousTexture);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    if (rgb565) {
      glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, nullptr);
    } else {
      glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    }
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previousTexture));
    const EGLint attributes[] = {EGL_GL_TEXTURE_LEVEL_KHR, 0, EGL_NONE};
    storage->image = d.createImage(d.display, static_cast<EGLContext>(context_), EGL_GL_TEXTURE_2D_KHR,
                                   reinterpret_cast<EGLClientBuffer>(static_cast<std::uintptr_t>(texture)),
                                   attributes);
    // The image keeps the pixels; the texture name is no longer needed.
    glDeleteTextures(1, &texture);
    if (storage->image != EGL_NO_IMAGE_KHR) d.imageRenderbufferStorage(target, storage->image);
  }

  GLint storedWidth = 0;
  GLint storedHeight = 0;
  if (storage->image != EGL_NO_IMAGE_KHR) {
    gl.getRenderbufferParameteriv(target, GL_RENDERBUFFER_WIDTH_OES, &storedWidth);
    gl.getRenderbufferParameteriv(target, GL_RENDERBUFFER_HEIGHT_OES, &storedHeight);
  }
  if (storedWidth != width || storedHeight != height) {
    // No image, or the driver refused it: plain storage, read back at present.
    storage = std::make_shared<DrawableStorage>();
    storage->display = d.display;
    storage->width = width;
    storage->height = height;
    storage->rgb565 = rgb565;
    gl.renderbufferStorage(target, rgb565 ? GL_RGB565_OES : GL_RGBA8_OES, width, height);
    g_usesImages = false;
    if (!g_readBackLogged) {
      g_readBackLogged = true;
      log("tessera: GL: drawables cannot use EGL images here; every present reads the frame back");
    }
    gl.getRenderbufferParameteriv(target, GL_RENDERBUFFER_WIDTH_OES, &storedWidth);
    gl.getRenderbufferParameteriv(target, GL_RENDERBUFFER_HEIGHT_OES, &storedHeight);
    if (storedWidth != width || storedHeight != height) return false;
  } else {
    g_usesImages = true;
  }
  drawable->storage_ = std::move(storage);
  drawableOfRenderbuffer()[{sharegroup_.get(), static_cast<GLuint>(renderbuffer)}] = drawable;
  return true;
}

// [SECTION] Present

namespace {

// Reads the render buffer bound in the current (engine) context into the
// storage's pixel copy, through a framebuffer of our own; restores bindings.
void readBackBoundRenderbuffer(DrawableStorage& storage, GLuint renderbuffer) {
  const CoreFunctions& gl = core();
  GLint previousFramebuffer = 0;
  GLint previousAlignment = 4;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &previousFramebuffer);
  glGetIntegerv(GL_PACK_ALIGNMENT, &previousAlignment);
  GLuint framebuffer = 0;
  gl.genFramebuffers(1, &framebuffer);
  gl.bindFramebuffer(GL_FRAMEBUFFER_OES, framebuffer);
  gl.framebufferRenderbuffer(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES, renderbuffer);
  storage.pixels.resize(static_cast<std::size_t>(storage.width) * storage.height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, storage.width, storage.height, GL_RGBA, GL_UNSIGNED_BYTE, storage.pixels.data());
  glPixelStorei(GL_PACK_ALIGNMENT, previousAlignment);
  gl.bindFramebuffer(GL_FRAMEBUFFER_OES, static_cast<GLuint>(previousFramebuffer));
  gl.deleteFramebuffers(1, &framebuffer);
}

EGLSurface windowSurfaceFor(const Window& window) {
  PrivateContext& p = privateContext();
  if (auto found = p.windowSurfaces.find(&window); found != p.windowSurfaces.end()) return found->second;
  const unsigned long nativeWindow = detail::x11WindowOf(window.nativeWindow());
  EGLSurface surface = EGL_NO_SURFACE;
  if (nativeWindow != 0) {
    surface = eglCreateWindowSurface(display().display, display().surfaceConfig,
                                     static_cast<EGLNativeWindowType>(nativeWindow), nullptr);
    if (surface == EGL_NO_SURFACE) {
      log("tessera: GL: cannot draw into the desktop window (error 0x%04X); frames are not shown",
          static_cast<unsigned>(eglGetError()));
    }
  }
  p.windowSurfaces[&window] = surface;  // remembered even when missing, so the failure is logged once
  return surface;
}

// Draws the storage into `window` where `view` lies, and swaps.
void drawIntoWindow(const Window& window, const View& view, const std::shared_ptr<DrawableStorage>& storage) {
  PrivateContext& p = privateContext();
  EGLSurface surface = windowSurfaceFor(window);
  if (surface == EGL_NO_SURFACE) return;
  Display& d = display();
  CurrentContextSwitch use(d.display, surface, surface, p.context);
  if (!use.ok()) return;
  eglSwapInterval(d.display, 0);  // the run loop paces frames

  EGLint windowWidth = 0;
  EGLint windowHeight = 0;
  eglQuerySurface(d.display, surface, EGL_WIDTH, &windowWidth);
  eglQuerySurface(d.display, surface, EGL_HEIGHT, &windowHeight);
  glViewport(0, 0, windowWidth, windowHeight);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);

  // The view's frame in window pixels; GL counts rows from the bottom.
  const float scale = Screen::mainScreen()->scale();
  const CGRect frame = view.convertRectToView(view.bounds(), nullptr);
  const auto x = static_cast<GLint>(std::lround(frame.origin.x * scale));
  const auto width = static_cast<GLsizei>(std::lround(frame.size.width * scale));
  const auto height = static_cast<GLsizei>(std::lround(frame.size.height * scale));
  const auto y = static_cast<GLint>(windowHeight - std::lround(frame.origin.y * scale) - height);
  glViewport(x, y, width, height);

  bindStorageTexture(storage);
  static const GLfloat corners[] = {-1, -1, 1, -1, -1, 1, 1, 1};
  static const GLfloat texels[] = {0, 0, 1, 0, 0, 1, 1, 1};
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glVertexPointer(2, GL_FLOAT, 0, corners);
  glTexCoordPointer(2, GL_FLOAT, 0, texels);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  detail::drawRecordedViewOverlays();
  eglSwapBuffers(d.display, surface);
}

// Shows the storage's pixel copy (RGBA, bottom row first) in `window` where
// `view` lies, with the recorded overlays; false when the window has no
// usable surface.
bool showPixelsInWindow(const Window& window, const View& view, DrawableStorage& storage) {
  return detail::presentBottomUpPixelsInView(window, view, storage.pixels.data(), storage.width, storage.height,
                                             storage.composed);
}

// Shows the frame of the bound render buffer in `window` by copying its
// pixels into the window's surface; false when the window has none.
bool copyIntoWindow(const Window& window, const View& view, DrawableStorage& storage, GLuint renderbuffer) {
  readBackBoundRenderbuffer(storage, renderbuffer);
  return showPixelsInWindow(window, view, storage);
}

std::uint64_t g_presentCount = 0;  // engine presents so far; guarded by backendLock()

}  // namespace

bool GLContext::presentRenderbuffer(GLenum target) {
  if (currentContext() != this) {
    log("tessera: GL: presentRenderbuffer needs the context to be current");
    return false;
  }
  if (target != GL_RENDERBUFFER_OES) return false;
  GLint renderbuffer = 0;
  glGetIntegerv(GL_RENDERBUFFER_BINDING_OES, &renderbuffer);
  std::unique_lock lock(backendLock());
  auto found = drawableOfRenderbuffer().find({sharegroup_.get(), static_cast<GLuint>(renderbuffer)});
  if (found == drawableOfRenderbuffer().end() || !found->second->storage_) return false;
  GLDrawable* drawable = found->second;
  std::shared_ptr<DrawableStorage> storage = drawable->storage_;
  if (storage->image == EGL_NO_IMAGE_KHR) {
    readBackBoundRenderbuffer(*storage, static_cast<GLuint>(renderbuffer));
  } else {
    glFlush();
  }
  lastPresented() = storage;
  ++g_presentCount;

  View* view = drawable->view();
  detail::recordViewOverlays(view);  // what non-GL views show above this frame
  Window* window = view ? view->window() : nullptr;
  if (window && window->hasNativeWindow() && display().kind == DisplayKind::X11) {
    Ref<View> keep(view);
    const bool copied = glRendererIsSoftware() && storage->image != EGL_NO_IMAGE_KHR &&
                        copyIntoWindow(*window, *view, *storage, static_cast<GLuint>(renderbuffer));
    if (!copied && ensurePrivateContext()) drawIntoWindow(*window, *view, storage);
  }
  std::function<void()> observer = presentObserver();
  lock.unlock();
  if (observer) observer();
  return true;
}

namespace detail {

void forgetDrawablesOfView(View* view) {
  std::lock_guard lock(backendLock());
  for (GLDrawable* drawable : liveDrawables()) {
    if (drawable->view() == view) GLDrawableAccess::forgetView(*drawable);
  }
}

std::uint64_t presentCount() {
  std::lock_guard lock(backendLock());
  return g_presentCount;
}

bool presentLastFrameAgain() {
  std::unique_lock lock(backendLock());
  std::shared_ptr<DrawableStorage> storage = lastPresented();
  if (!storage) return false;
  View* view = nullptr;
  for (GLDrawable* drawable : liveDrawables()) {
    if (GLDrawableAccess::storage(*drawable) == storage && drawable->view()) {
      view = drawable->view();
      break;
    }
  }
  if (view == nullptr) return false;
  Ref<View> keep(view);
  recordViewOverlays(view);
  Window* window = view->window();
  if (window && window->hasNativeWindow() && display().kind == DisplayKind::X11) {
    // The software path kept the frame's pixels; otherwise the image still holds them.
    const bool hasPixels =
        storage->pixels.size() == static_cast<std::size_t>(storage->width) * storage->height * 4;
    const bool copied = hasPixels && (glRendererIsSoftware() || storage->image == EGL_NO_IMAGE_KHR) &&
                        showPixelsInWindow(*window, *view, *storage);
    if (!copied && storage->image != EGL_NO_IMAGE_KHR && ensurePrivateContext()) {
      drawIntoWindow(*window, *view, storage);
    }
  }
  std::function<void()> observer = presentObserver();
  lock.unlock();
  if (observer) observer();
  return true;
}

void releaseWindowSurface(Window* window) {
  std::lock_guard lock(backendLock());
  PrivateContext& p = privateContext();
  auto found = p.windowSurfaces.find(window);
  if (found == p.windowSurfaces.end()) return;
  if (found->second != EGL_NO_SURFACE) {
    // A surface that is current is destroyed once it is released; it never
    // stays current past a present, so this destroys it now.
    eglDestroySurface(display().display, found->second);
  }
  p.windowSurfaces.erase(found);
}

void setPresentObserver(std::function<void()> observer) {
  std::lock_guard lock(backendLock());
  presentObserver() = std::move(observer);
}

}  // namespace detail

bool glRendererIsSoftware() {
  // 0 unknown (no context has answered yet), 1 software, 2 not.
  static std::atomic<int> known{0};
  if (const int answer = known.load(std::memory_order_relaxed); answer != 0) return answer == 1;
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  if (renderer == nullptr) return false;  // no current context: ask again next time
  const std::string_view name = renderer;
  const bool software = name.find("llvmpipe") != std::string_view::npos ||
                        name.find("softpipe") != std::string_view::npos || name.find("swrast") != std::string_view::npos;
  known.store(software ? 1 : 2, std::memory_order_relaxed);
  return software;
}

std::string glRendererDescription() {
  auto describe = []() -> std::string {
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (renderer == nullptr || version == nullptr) return {};
    return std::string(renderer) + ", " + version;
  };
  if (GLContext::currentContext() != nullptr) return describe();
  std::lock_guard lock(backendLock());
  if (!ensurePrivateContext()) return {};
  PrivateContext& p = privateContext();
  CurrentContextSwitch use(display().display, p.pbuffer, p.pbuffer, p.context);
  return use.ok() ? describe() : std::string();
}

// [SECTION] Capture

CapturedFrame captureLastPresentedFrame() {
  std::lock_guard lock(backendLock());
  std::shared_ptr<DrawableStorage> storage = lastPresented();
  if (!storage) return {};
  CapturedFrame frame;
  frame.width = storage->width;
  frame.height = storage->height;
  const std::size_t rowBytes = static_cast<std::size_t>(storage->width) * 4;
  std::vector<std::uint8_t> bottomFirst;
  if (storage->image == EGL_NO_IMAGE_KHR) {
    bottomFirst = storage->pixels;
  } else {
    if (!ensurePrivateContext()) return {};
    PrivateContext& p = privateContext();
    Display& d = display();
    CurrentContextSwitch use(d.display, p.pbuffer, p.pbuffer, p.context);
    if (!use.ok()) return {};
    const CoreFunctions& gl = core();
    bindStorageTexture(storage);
    if (p.framebuffer == 0) gl.genFramebuffers(1, &p.framebuffer);
    gl.bindFramebuffer(GL_FRAMEBUFFER_OES, p.framebuffer);
    gl.framebufferTexture2D(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D, p.texture, 0);
    if (gl.checkFramebufferStatus(GL_FRAMEBUFFER_OES) != GL_FRAMEBUFFER_COMPLETE_OES) {
      log("tessera: GL: cannot read the presented frame back");
      return {};
    }
    bottomFirst.resize(rowBytes * storage->height);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, storage->width, storage->height, GL_RGBA, GL_UNSIGNED_BYTE, bottomFirst.data());
    gl.bindFramebuffer(GL_FRAMEBUFFER_OES, 0);
  }
  if (bottomFirst.size() != rowBytes * storage->height) return {};
  frame.rgba.resize(bottomFirst.size());
  for (int row = 0; row < storage->height; ++row) {
    std::memcpy(frame.rgba.data() + static_cast<std::size_t>(row) * rowBytes,
                bottomFirst.data() + static_cast<std::size_t>(storage->height - 1 - row) * rowBytes, rowBytes);
  }
  if (storage->rgb565) {
    for (std::size_t i = 3; i < frame.rgba.size(); i += 4) frame.rgba[i] = 255;  // no alpha channel
  }
  detail::compositeRecordedViewOverlays(frame);
  return frame;
}

void forgetLastPresentedFrame() {
  std::lock_guard lock(backendLock());
  lastPresented().reset();
}

bool glDrawableUsesImages() { return g_usesImages; }

// [SECTION] Extensions

const GLExtensions& glExtensions() {
  static GLExtensions loaded;
  static bool isLoaded = false;
  static const GLExtensions none;
  std::lock_guard lock(backendLock());
  if (isLoaded) return loaded;
  if (GLContext::currentContext() == nullptr) return none;
  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  if (extensions == nullptr) return none;
  auto load = [](auto& entry, const char* name) {
    entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(eglGetProcAddress(name));
  };
  if (hasExtension(extensions, "GL_OES_framebuffer_object")) {
    load(loaded.glGenFramebuffersOES, "glGenFramebuffersOES");
    load(loaded.glDeleteFramebuffersOES, "glDeleteFramebuffersOES");
    load(loaded.glBindFramebufferOES, "glBindFramebufferOES");
    load(loaded.glCheckFramebufferStatusOES, "glCheckFramebufferStatusOES");
    load(loaded.glFramebufferRenderbufferOES, "glFramebufferRenderbufferOES");
    load(loaded.glFramebufferTexture2DOES, "glFramebufferTexture2DOES");
    load(loaded.glGenRenderbuffersOES, "glGenRenderbuffersOES");
    load(loaded.glDeleteRenderbuffersOES, "glDeleteRenderbuffersOES");
    load(loaded.glBindRenderbufferOES, "glBindRenderbufferOES");
    load(loaded.glRenderbufferStorageOES, "glRenderbufferStorageOES");
    load(loaded.glGetRenderbufferParameterivOES, "glGetRenderbufferParameterivOES");
    load(loaded.glGenerateMipmapOES, "glGenerateMipmapOES");
    load(loaded.glIsRenderbufferOES, "glIsRenderbufferOES");
    load(loaded.glIsFramebufferOES, "glIsFramebufferOES");
    load(loaded.glGetFramebufferAttachmentParameterivOES, "glGetFramebufferAttachmentParameterivOES");
  }
  if (hasExtension(extensions, "GL_EXT_discard_framebuffer")) {
    load(loaded.glDiscardFramebufferEXT, "glDiscardFramebufferEXT");
  }
  if (hasExtension(extensions, "GL_APPLE_framebuffer_multisample")) {
    load(loaded.glRenderbufferStorageMultisampleAPPLE, "glRenderbufferStorageMultisampleAPPLE");
    load(loaded.glResolveMultisampleFramebufferAPPLE, "glResolveMultisampleFramebufferAPPLE");
  }
  isLoaded = true;
  return loaded;
}

}  // namespace platform
