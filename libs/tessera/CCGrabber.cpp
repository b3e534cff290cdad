#include "tessera/CCGrabber.h"

#include "platform/Exception.h"
#include "platform/GLContext.h"
#include "platform/Log.h"
#include "tessera/CCTexture2D.h"

#include <GLES/glext.h>

CCGrabber* CCGrabber::grabber() {
  return platform::createAutoreleased<CCGrabber>([](CCGrabber& grabber) { return grabber.init(); });
}

bool CCGrabber::init() {
  const platform::GLExtensions& gl = platform::glExtensions();
  if (!gl.glGenFramebuffersOES || !gl.glBindFramebufferOES || !gl.glFramebufferTexture2DOES ||
      !gl.glCheckFramebufferStatusOES || !gl.glDeleteFramebuffersOES) {
    CCLOG("tessera: CCGrabber: the GL has no frame-buffer objects");
    return false;
  }
  gl.glGenFramebuffersOES(1, &fbo_);
  return true;
}

CCGrabber::~CCGrabber() {
  if (fbo_ != 0) {
    const platform::GLExtensions& gl = platform::glExtensions();
    if (gl.glDeleteFramebuffersOES) gl.glDeleteFramebuffersOES(1, &fbo_);
  }
}

void CCGrabber::grab(CCTexture2D* texture) {
  const platform::GLExtensions& gl = platform::glExtensions();
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &oldFBO_);
  gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, fbo_);
  gl.glFramebufferTexture2DOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D,
                               texture ? texture->name() : 0, 0);
  const GLenum status = gl.glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES);
  // Bind the previous frame buffer before reporting, so that a failure never
  // leaves drawing aimed at an incomplete one.
  gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(oldFBO_));
  if (status != GL_FRAMEBUFFER_COMPLETE_OES) {
    CCLOG("tessera: CCGrabber: frame buffer %u incomplete (status 0x%04X) with texture %u", fbo_, status,
          texture ? texture->name() : 0u);
    throw platform::Exception("Frame Grabber", "Could not attach texture to framebuffer");
  }
}

void CCGrabber::beforeRender(CCTexture2D*) {
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &oldFBO_);
  platform::glExtensions().glBindFramebufferOES(GL_FRAMEBUFFER_OES, fbo_);
  // The clear colour belongs to whoever clears the screen: keep it.
  GLfloat clearColor[4] = {};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
}

void CCGrabber::afterRender(CCTexture2D*) {
  platform::glExtensions().glBindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(oldFBO_));
}
