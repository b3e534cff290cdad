#pragma once
// The engine's side of a storm program: the display-link director attached to
// a desktop window of its own, RGBA8888, 2-D projection, its GL context
// current on this thread, ready for runWithScene() and drawScene().

#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/Ref.h"
#include "platform/RunLoop.h"
#include "platform/Window.h"
#include "tessera/CCDirector.h"
#include "tessera/Platforms/iOS/CCDirectorIOS.h"
#include "tessera/Platforms/iOS/EAGLView.h"

#include <GLES/gl.h>

#include <string>

namespace storm {

struct EngineWindow {
  CCDirectorIOS* director = nullptr;
  platform::Ref<platform::Window> window;
  std::string renderer;  // GL_RENDERER of the director's context
  std::string error;     // why there is no usable window; empty on success
};

/// Opens the window and attaches the director. Call inside an autorelease
/// pool that outlives the run.
inline EngineWindow openEngineWindow(int width, int height) {
  EngineWindow out;
  platform::facts().headless = false;
  out.director = static_cast<CCDirectorIOS*>(CCDirectorIOS::sharedDirector());
  out.director->setPixelFormat(kCCPixelFormatRGBA8888);
  out.window = platform::Window::windowWithFrame(CGRectMake(0, 0, width, height));
  if (!out.director->attachInWindow(out.window.get())) {
    out.error = "the director could not attach its GL view";
    return out;
  }
  out.director->setProjection(kCCDirectorProjection2D);
  out.window->makeKeyAndVisible();
  platform::RunLoop::main().runOnce(false);
  platform::GLContext::setCurrentContext(out.director->openGLView()->context());
  if (const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER))) out.renderer = renderer;
  if (!out.window->hasNativeWindow()) out.error = "no desktop window";
  return out;
}

}  // namespace storm
