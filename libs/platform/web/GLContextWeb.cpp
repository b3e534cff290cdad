// OpenGL ES 1.1 contexts and the GL view's drawable in a web browser.
//
// The browser gives one WebGL 1 context, on a hidden canvas of its own
// (#tessera-gl); emscripten's fixed-function emulation runs the engine's
// OpenGL ES 1.1 calls on it. Every GLContext object stands for that one
// context, so contexts of a share group share everything, as on the desktop.
// The drawable's colour storage is the engine's render buffer (RGB 565), or,
// for RGBA 8888, which WebGL 1 render buffers cannot hold, a texture attached
// in its place. Presenting reads the frame back and shows it in the window's
// canvas through SDL's window surface, the same path the desktop takes with a
// software rasteriser; the read-back is also the captured frame.
//
// Implemented:
//  [x] ES 1.1 contexts and share groups (all on the page's WebGL context);
//  [x] drawable storage in RGB 565 or RGBA 8888, presents into the canvas,
//      with the overlays of non-GL views, and capture of the last frame;
//  [x] the frame-buffer entry points, mapped to WebGL's core names (the OES
//      names of the emulation fail when the page starts).
// Missing:
//  [ ] multisample resolve and frame-buffer discard (WebGL 1 has neither:
//      their entries are null);
//  [ ] 24-bit depth: depth buffers are 16-bit.
//
// Cost: one read-back of the view's pixels per present (480 × 320 × 4 bytes
// for the radar screen) and one copy into the canvas.

#include "platform/GLContext.h"

#include "platform/GLContextInternal.h"
#include "platform/Log.h"
#include "platform/Screen.h"
#include "platform/View.h"
#include "platform/ViewOverlays.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstring>
#include <map>
#include <set>
#include <utility>

// WebGL's core frame-buffer functions (OpenGL ES 2.0 names, which emscripten
// provides), declared here: the ES 2 header cannot be mixed with the ES 1 one.
extern "C" {
void glGenFramebuffers(GLsizei count, GLuint* framebuffers);
void glDeleteFramebuffers(GLsizei count, const GLuint* framebuffers);
void glBindFramebuffer(GLenum target, GLuint framebuffer);
GLenum glCheckFramebufferStatus(GLenum target);
void glFramebufferRenderbuffer(GLenum target, GLenum attachment, GLenum renderbufferTarget, GLuint renderbuffer);
void glFramebufferTexture2D(GLenum target, GLenum attachment, GLenum textureTarget, GLuint texture, GLint level);
void glGenRenderbuffers(GLsizei count, GLuint* renderbuffers);
void glDeleteRenderbuffers(GLsizei count, const GLuint* renderbuffers);
void glBindRenderbuffer(GLenum target, GLuint renderbuffer);
void glRenderbufferStorage(GLenum target, GLenum format, GLsizei width, GLsizei height);
void glGetRenderbufferParameteriv(GLenum target, GLenum name, GLint* value);
void glGenerateMipmap(GLenum target);
GLboolean glIsRenderbuffer(GLuint renderbuffer);
GLboolean glIsFramebuffer(GLuint framebuffer);
void glGetFramebufferAttachmentParameteriv(GLenum target, GLenum attachment, GLenum name, GLint* value);
}

// [SECTION] The page's WebGL context
// [SECTION] Drawable storage and registries
// [SECTION] GLSharegroup, GLDrawable
// [SECTION] GLContext
// [SECTION] Present
// [SECTION] Capture
// [SECTION] Extensions

namespace platform {

namespace {

// [SECTION] The page's WebGL context

// The canvas the engine draws on: never shown (frames reach the visible
// canvas through the window), so it stays 1 × 1 and hidden.
EM_JS(void, ensureDrawingCanvas, (), {
  if (typeof document === 'undefined' || document.getElementById('tessera-gl')) return;
  var canvas = document.createElement('canvas');
  canvas.id = 'tessera-gl';
  canvas.width = 1;
  canvas.height = 1;
  canvas.style.display = 'none';
  document.body.appendChild(canvas);
});

// The emulation sets up its immediate-mode state only for contexts made
// through its own helpers; a context from html5.h must start it by hand.
EM_JS(void, startFixedFunctionEmulation, (), {
  Module['useWebGL'] = true;
  GLImmediate.init();
});

EMSCRIPTEN_WEBGL_CONTEXT_HANDLE g_webgl = 0;
bool g_webglFailed = false;

bool ensureWebGL() {
  if (g_webgl > 0) return true;
  if (g_webglFailed) return false;
  ensureDrawingCanvas();
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.majorVersion = 1;
  attributes.minorVersion = 0;
  attributes.alpha = false;
  attributes.depth = false;
  attributes.stencil = false;
  attributes.antialias = false;
  attributes.premultipliedAlpha = false;
  attributes.preserveDrawingBuffer = false;
  const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle = emscripten_webgl_create_context("#tessera-gl", &attributes);
  if (handle <= 0 || emscripten_webgl_make_context_current(handle) != EMSCRIPTEN_RESULT_SUCCESS) {
    log("tessera: GL: the browser cannot make a WebGL context (%d)", static_cast<int>(handle));
    g_webglFailed = true;
    return false;
  }
  g_webgl = handle;
  startFixedFunctionEmulation();
  return true;
}

// [SECTION] Drawable storage and registries

}  // namespace

// The colour storage of a drawable at one size.
struct DrawableStorage {
  int width = 0;
  int height = 0;
  bool rgb565 = false;
  GLuint texture = 0;                // RGBA 8888: the texture attached in place of the render buffer
  std::vector<std::uint8_t> pixels;  // the last presented frame, RGBA, bottom row first
  CapturedFrame composed;            // the frame with its overlays, for the window

  ~DrawableStorage() {
    if (texture != 0 && g_webgl > 0) glDeleteTextures(1, &texture);
  }
};

namespace {

std::set<GLDrawable*>& liveDrawables() {
  static auto* drawables = new std::set<GLDrawable*>();
  return *drawables;
}

// Render buffer name → the drawable whose storage it has. One WebGL context,
// so one name space for every share group.
std::map<GLuint, GLDrawable*>& drawableOfRenderbuffer() {
  static auto* map = new std::map<GLuint, GLDrawable*>();
  return *map;
}

std::shared_ptr<DrawableStorage>& lastPresented() {
  static auto* storage = new std::shared_ptr<DrawableStorage>();
  return *storage;
}

std::function<void()>& presentObserver() {
  static auto* observer = new std::function<void()>();
  return *observer;
}

std::uint64_t g_presentCount = 0;
GLContext* g_current = nullptr;  // retained while current
GLuint g_readFramebuffer = 0;    // ours, for reading storage back

}  // namespace

struct GLDrawableAccess {
  static void forgetView(GLDrawable& drawable) { drawable.view_ = nullptr; }
  static const std::shared_ptr<DrawableStorage>& storage(const GLDrawable& drawable) { return drawable.storage_; }
};

namespace {

// The RGBA 8888 storage whose texture stands for render buffer `name`, or nullptr.
DrawableStorage* textureStorageOf(GLuint name) {
  auto found = drawableOfRenderbuffer().find(name);
  if (found == drawableOfRenderbuffer().end()) return nullptr;
  DrawableStorage* storage = GLDrawableAccess::storage(*found->second).get();
  return storage && storage->texture != 0 ? storage : nullptr;
}

}  // namespace

// [SECTION] GLSharegroup, GLDrawable

std::size_t GLSharegroup::contextCount() const { return contexts_.size(); }

GLSharegroup::~GLSharegroup() = default;

GLDrawable* GLDrawable::drawableForView(View* view) {
  auto* drawable = new GLDrawable();
  drawable->view_ = view;
  liveDrawables().insert(drawable);
  drawable->autorelease();
  return drawable;
}

GLDrawable::~GLDrawable() {
  liveDrawables().erase(this);
  std::erase_if(drawableOfRenderbuffer(), [this](const auto& entry) { return entry.second == this; });
}

// [SECTION] GLContext

GLContext* GLContext::contextWithAPI(API api, GLSharegroup* sharegroup) {
  if (api != API::ES1 || !ensureWebGL()) return nullptr;
  auto* result = new GLContext();
  // Every context stands for the page's one WebGL context; no surface.
  result->context_ = reinterpret_cast<void*>(static_cast<std::intptr_t>(g_webgl));
  result->pbuffer_ = nullptr;
  result->sharegroup_ = sharegroup ? Ref<GLSharegroup>(sharegroup) : Ref<GLSharegroup>::adopt(new GLSharegroup());
  result->sharegroup_->contexts_.push_back(result);
  result->autorelease();
  return result;
}

GLContext::~GLContext() {
  auto& contexts = sharegroup_->contexts_;
  contexts.erase(std::remove(contexts.begin(), contexts.end(), static_cast<void*>(this)), contexts.end());
}

GLSharegroup* GLContext::sharegroup() const { return sharegroup_.get(); }

bool GLContext::setCurrentContext(GLContext* context) {
  if (context == g_current) return true;
  if (context) {
    context->retain();
  } else if (g_current && g_webgl > 0) {
    glFlush();
  }
  if (GLContext* previous = std::exchange(g_current, context)) previous->release();
  return true;
}

GLContext* GLContext::currentContext() { return g_current; }

bool GLContext::renderbufferStorageFromDrawable(GLenum target, GLDrawable* drawable) {
  if (currentContext() != this) {
    log("tessera: GL: renderbufferStorageFromDrawable needs the context to be current");
    return false;
  }
  if (drawable == nullptr || target != GL_RENDERBUFFER_OES) return false;
  GLint renderbuffer = 0;
  glGetIntegerv(GL_RENDERBUFFER_BINDING_OES, &renderbuffer);
  const CGSize size = drawable->pixelSize();
  const int width = static_cast<int>(size.width);
  const int height = static_cast<int>(size.height);
  if (renderbuffer == 0 || width <= 0 || height <= 0) {
    log("tessera: GL: no storage for a %dx%d drawable (render buffer %d)", width, height, renderbuffer);
    return false;
  }
  auto storage = std::make_shared<DrawableStorage>();
  storage->width = width;
  storage->height = height;
  storage->rgb565 = drawable->colorFormat() == kEAGLColorFormatRGB565;
  // The render buffer always gets storage of the drawable's size, so its
  // width and height read back as the engine expects.
  glRenderbufferStorage(GL_RENDERBUFFER_OES, GL_RGB565_OES, width, height);
  if (!storage->rgb565) {
    // A texture already attached for this render buffer is resized in place,
    // so frame buffers it is attached to keep it.
    if (DrawableStorage* previous = textureStorageOf(static_cast<GLuint>(renderbuffer))) {
      storage->texture = std::exchange(previous->texture, 0);
    } else {
      glGenTextures(1, &storage->texture);
    }
    GLint previousTexture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previousTexture);
    glBindTexture(GL_TEXTURE_2D, storage->texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previousTexture));
  }
  GLint storedWidth = 0;
  GLint storedHeight = 0;
  glGetRenderbufferParameteriv(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_WIDTH_OES, &storedWidth);
  glGetRenderbufferParameteriv(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_HEIGHT_OES, &storedHeight);
  if (storedWidth != width || storedHeight != height) {
    log("tessera: GL: WebGL refused a %dx%d render buffer", width, height);
    return false;
  }
  drawable->storage_ = std::move(storage);
  drawableOfRenderbuffer()[static_cast<GLuint>(renderbuffer)] = drawable;
  return true;
}

// [SECTION] Present

namespace {

// Reads the storage of `renderbuffer` into the storage's pixels (RGBA,
// bottom row first) through a frame buffer of our own; restores bindings.
void readBack(DrawableStorage& storage, GLuint renderbuffer) {
  GLint previousFramebuffer = 0;
  GLint previousAlignment = 4;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &previousFramebuffer);
  glGetIntegerv(GL_PACK_ALIGNMENT, &previousAlignment);
  if (g_readFramebuffer == 0) glGenFramebuffers(1, &g_readFramebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER_OES, g_readFramebuffer);
  if (storage.texture != 0) {
    glFramebufferTexture2D(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D, storage.texture, 0);
  } else {
    glFramebufferRenderbuffer(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES, renderbuffer);
  }
  storage.pixels.resize(static_cast<std::size_t>(storage.width) * storage.height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, storage.width, storage.height, GL_RGBA, GL_UNSIGNED_BYTE, storage.pixels.data());
  glPixelStorei(GL_PACK_ALIGNMENT, previousAlignment);
  // Detached again, so the storage is never bound in two frame buffers.
  glFramebufferRenderbuffer(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES, 0);
  glBindFramebuffer(GL_FRAMEBUFFER_OES, static_cast<GLuint>(previousFramebuffer));
}

// Shows the storage's pixels in `window` where `view` lies, with the
// recorded overlays.
bool showPixelsInWindow(const Window& window, const View& view, DrawableStorage& storage) {
  return detail::presentBottomUpPixelsInView(window, view, storage.pixels.data(), storage.width, storage.height,
                                             storage.composed);
}

}  // namespace

bool GLContext::presentRenderbuffer(GLenum target) {
  if (currentContext() != this) {
    log("tessera: GL: presentRenderbuffer needs the context to be current");
    return false;
  }
  if (target != GL_RENDERBUFFER_OES) return false;
  GLint renderbuffer = 0;
  glGetIntegerv(GL_RENDERBUFFER_BINDING_OES, &renderbuffer);
  auto found = drawableOfRenderbuffer().find(static_cast<GLuint>(renderbuffer));
  if (found == drawableOfRenderbuffer().end() || !found->second->storage_) return false;
  GLDrawable* drawable = found->second;
  std::shared_ptr<DrawableStorage> storage = drawable->storage_;
  readBack(*storage, static_cast<GLuint>(renderbuffer));
  lastPresented() = storage;
  ++g_presentCount;

  View* view = drawable->view();
  detail::recordViewOverlays(view);
  Window* window = view ? view->window() : nullptr;
  if (window && window->hasNativeWindow()) {
    Ref<View> keep(view);
    showPixelsInWindow(*window, *view, *storage);
  }
  if (std::function<void()> observer = presentObserver()) observer();
  return true;
}

namespace detail {

void forgetDrawablesOfView(View* view) {
  for (GLDrawable* drawable : liveDrawables()) {
    if (drawable->view() == view) GLDrawableAccess::forgetView(*drawable);
  }
}

std::uint64_t presentCount() { return g_presentCount; }

bool presentLastFrameAgain() {
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
  const bool hasPixels = storage->pixels.size() == static_cast<std::size_t>(storage->width) * storage->height * 4;
  if (window && window->hasNativeWindow() && hasPixels) showPixelsInWindow(*window, *view, *storage);
  if (std::function<void()> observer = presentObserver()) observer();
  return true;
}

void releaseWindowSurface(Window*) {}

void setPresentObserver(std::function<void()> observer) { presentObserver() = std::move(observer); }

}  // namespace detail

// The rasteriser is the browser's: per-call cost is JavaScript, so long draws
// are never cut into parts here.
bool glRendererIsSoftware() { return false; }

std::string glRendererDescription() {
  if (!ensureWebGL()) return {};
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  if (renderer == nullptr || version == nullptr) return {};
  return std::string(renderer) + ", " + version;
}

// [SECTION] Capture

CapturedFrame captureLastPresentedFrame() {
  std::shared_ptr<DrawableStorage> storage = lastPresented();
  if (!storage) return {};
  const std::size_t rowBytes = static_cast<std::size_t>(storage->width) * 4;
  if (storage->pixels.size() != rowBytes * storage->height) return {};
  CapturedFrame frame;
  frame.width = storage->width;
  frame.height = storage->height;
  frame.rgba.resize(storage->pixels.size());
  for (int row = 0; row < storage->height; ++row) {
    std::memcpy(frame.rgba.data() + static_cast<std::size_t>(row) * rowBytes,
                storage->pixels.data() + static_cast<std::size_t>(storage->height - 1 - row) * rowBytes, rowBytes);
  }
  if (storage->rgb565) {
    for (std::size_t i = 3; i < frame.rgba.size(); i += 4) frame.rgba[i] = 255;  // no alpha channel
  }
  detail::compositeRecordedViewOverlays(frame);
  return frame;
}

void forgetLastPresentedFrame() { lastPresented().reset(); }

bool glDrawableUsesImages() { return false; }

// [SECTION] Extensions

namespace {

// Attaching a drawable's render buffer as colour attaches its texture when
// the storage is a texture (RGBA 8888).
void attachRenderbuffer(GLenum target, GLenum attachment, GLenum renderbufferTarget, GLuint renderbuffer) {
  if (attachment == GL_COLOR_ATTACHMENT0_OES) {
    if (DrawableStorage* storage = textureStorageOf(renderbuffer)) {
      glFramebufferTexture2D(target, attachment, GL_TEXTURE_2D, storage->texture, 0);
      return;
    }
  }
  glFramebufferRenderbuffer(target, attachment, renderbufferTarget, renderbuffer);
}

// WebGL 1 render buffers hold 16-bit colour and depth only: the nearest
// format is taken for the 8-bit and 24-bit ones.
void storeRenderbuffer(GLenum target, GLenum format, GLsizei width, GLsizei height) {
  constexpr GLenum kDepthComponent16 = 0x81A5;
  constexpr GLenum kDepthStencil = 0x84F9;
  constexpr GLenum kRGBA4 = 0x8056;
  switch (format) {
    case GL_DEPTH_COMPONENT24_OES: format = kDepthComponent16; break;
    case GL_DEPTH24_STENCIL8_OES: format = kDepthStencil; break;
    case GL_RGBA8_OES: format = kRGBA4; break;
    case GL_RGB8_OES: format = GL_RGB565_OES; break;
    default: break;
  }
  glRenderbufferStorage(target, format, width, height);
}

}  // namespace

const GLExtensions& glExtensions() {
  static GLExtensions loaded;
  static bool isLoaded = false;
  static const GLExtensions none;
  if (isLoaded) return loaded;
  if (GLContext::currentContext() == nullptr) return none;
  loaded.glGenFramebuffersOES = glGenFramebuffers;
  loaded.glDeleteFramebuffersOES = glDeleteFramebuffers;
  loaded.glBindFramebufferOES = glBindFramebuffer;
  loaded.glCheckFramebufferStatusOES = glCheckFramebufferStatus;
  loaded.glFramebufferRenderbufferOES = attachRenderbuffer;
  loaded.glFramebufferTexture2DOES = glFramebufferTexture2D;
  loaded.glGenRenderbuffersOES = glGenRenderbuffers;
  loaded.glDeleteRenderbuffersOES = glDeleteRenderbuffers;
  loaded.glBindRenderbufferOES = glBindRenderbuffer;
  loaded.glRenderbufferStorageOES = storeRenderbuffer;
  loaded.glGetRenderbufferParameterivOES = glGetRenderbufferParameteriv;
  loaded.glGenerateMipmapOES = glGenerateMipmap;
  loaded.glIsRenderbufferOES = glIsRenderbuffer;
  loaded.glIsFramebufferOES = glIsFramebuffer;
  loaded.glGetFramebufferAttachmentParameterivOES = glGetFramebufferAttachmentParameteriv;
  isLoaded = true;
  return loaded;
}

}  // namespace platform
