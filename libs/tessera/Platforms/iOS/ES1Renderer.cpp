#include "tessera/Platforms/iOS/ES1Renderer.h"

#include "platform/Assert.h"
#include "platform/GLContext.h"
#include "platform/Log.h"
#include "platform/StringUtils.h"
#include "tessera/CCConfiguration.h"

#include <GLES/glext.h>

#include <algorithm>

namespace {

// The frame-buffer entry points the renderer cannot do without.
bool hasFramebufferObjects(const platform::GLExtensions& gl) {
  return gl.glGenFramebuffersOES && gl.glDeleteFramebuffersOES && gl.glBindFramebufferOES &&
         gl.glCheckFramebufferStatusOES && gl.glFramebufferRenderbufferOES && gl.glGenRenderbuffersOES &&
         gl.glDeleteRenderbuffersOES && gl.glBindRenderbufferOES && gl.glRenderbufferStorageOES &&
         gl.glGetRenderbufferParameterivOES;
}

}  // namespace

ES1Renderer* ES1Renderer::rendererWithDepthFormat(GLuint depthFormat, GLuint pixelFormat,
                                                  platform::GLSharegroup* sharegroup, bool multiSampling,
                                                  unsigned samples) {
  return platform::createAutoreleased<ES1Renderer>([&](ES1Renderer& renderer) {
    return renderer.initWithDepthFormat(depthFormat, pixelFormat, sharegroup, multiSampling, samples);
  });
}

bool ES1Renderer::initWithDepthFormat(GLuint depthFormat, GLuint pixelFormat, platform::GLSharegroup* sharegroup,
                                      bool multiSampling, unsigned samples) {
  context_ = platform::GLContext::contextWithAPI(platform::GLContext::API::ES1, sharegroup);
  if (!context_ || !platform::GLContext::setCurrentContext(context_.get())) return false;

  const platform::GLExtensions& gl = platform::glExtensions();
  if (!hasFramebufferObjects(gl)) {
    CCLOG("tessera: ES1Renderer: the GL has no frame-buffer objects");
    return false;
  }

  gl.glGenFramebuffersOES(1, &defaultFramebuffer_);
  CCAssert(defaultFramebuffer_ != 0, "Can't create default frame buffer");
  gl.glGenRenderbuffersOES(1, &colorRenderbuffer_);
  CCAssert(colorRenderbuffer_ != 0, "Can't create default render buffer");
  gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, defaultFramebuffer_);
  gl.glBindRenderbufferOES(GL_RENDERBUFFER_OES, colorRenderbuffer_);
  gl.glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                  colorRenderbuffer_);

  depthFormat_ = depthFormat;
  pixelFormat_ = pixelFormat;
  multiSampling_ = multiSampling;

  if (multiSampling_ && (!gl.glRenderbufferStorageMultisampleAPPLE || !gl.glResolveMultisampleFramebufferAPPLE)) {
    CCLOG("tessera: ES1Renderer: the GL offers no multisampling; drawing without it");
    multiSampling_ = false;
  }
  if (multiSampling_) {
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES_APPLE, &maxSamples);
    samplesToUse_ = std::min(static_cast<GLuint>(std::max(maxSamples, 0)), static_cast<GLuint>(samples));
    gl.glGenFramebuffersOES(1, &msaaFramebuffer_);
    gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, msaaFramebuffer_);
  }

  ccCheckGLError(
      "-[ES1Renderer initWithDepthFormat:withPixelFormat:withSharegroup:withMultiSampling:withNumberOfSamples:]");
  return true;
}

bool ES1Renderer::resizeFromLayer(platform::GLDrawable* drawable) {
  if (!context_) return false;
  // Layouts of several views may interleave; each renderer works in its own context.
  if (platform::GLContext::currentContext() != context_.get()) platform::GLContext::setCurrentContext(context_.get());
  const platform::GLExtensions& gl = platform::glExtensions();

  gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, defaultFramebuffer_);
  gl.glBindRenderbufferOES(GL_RENDERBUFFER_OES, colorRenderbuffer_);
  if (!context_->renderbufferStorageFromDrawable(GL_RENDERBUFFER_OES, drawable)) return false;
  gl.glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_WIDTH_OES, &backingWidth_);
  gl.glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_HEIGHT_OES, &backingHeight_);
  // Attached again so the frame buffer takes the new size: Mesa keeps the size
  // it saw at attachment when the storage comes from an EGL image.
  gl.glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES, colorRenderbuffer_);

  if (multiSampling_) {
    gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, msaaFramebuffer_);
    if (msaaColorbuffer_ == 0) gl.glGenRenderbuffersOES(1, &msaaColorbuffer_);
    gl.glBindRenderbufferOES(GL_RENDERBUFFER_OES, msaaColorbuffer_);
    gl.glRenderbufferStorageMultisampleAPPLE(GL_RENDERBUFFER_OES, static_cast<GLsizei>(samplesToUse_), pixelFormat_,
                                             backingWidth_, backingHeight_);
    gl.glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                    msaaColorbuffer_);
    const GLenum status = gl.glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES);
    if (status != GL_FRAMEBUFFER_COMPLETE_OES) {
      CCLOG("tessera: ES1Renderer: multisample frame buffer incomplete (status 0x%04X)", status);
      return false;
    }
  }

  if (depthFormat_ != 0) {
    if (depthBuffer_ == 0) gl.glGenRenderbuffersOES(1, &depthBuffer_);
    gl.glBindRenderbufferOES(GL_RENDERBUFFER_OES, depthBuffer_);
    if (multiSampling_) {
      gl.glRenderbufferStorageMultisampleAPPLE(GL_RENDERBUFFER_OES, static_cast<GLsizei>(samplesToUse_), depthFormat_,
                                               backingWidth_, backingHeight_);
    } else {
      gl.glRenderbufferStorageOES(GL_RENDERBUFFER_OES, depthFormat_, backingWidth_, backingHeight_);
    }
    gl.glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_DEPTH_ATTACHMENT_OES, GL_RENDERBUFFER_OES, depthBuffer_);
    gl.glBindRenderbufferOES(GL_RENDERBUFFER_OES, colorRenderbuffer_);
  }

  gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, defaultFramebuffer_);
  const GLenum status = gl.glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES);
  if (status != GL_FRAMEBUFFER_COMPLETE_OES) {
    CCLOG("tessera: ES1Renderer: frame buffer incomplete (status 0x%04X)", status);
    return false;
  }

  ccCheckGLError("-[ES1Renderer resizeFromLayer:]");
  return true;
}

CGSize ES1Renderer::backingSize() const {
  return CGSizeMake(static_cast<float>(backingWidth_), static_cast<float>(backingHeight_));
}

std::string ES1Renderer::description() const {
  return platform::formatString("<%s = %s | size = %ix%i>", className(), platform::addressString(this).c_str(),
                                backingWidth_, backingHeight_);
}

ES1Renderer::~ES1Renderer() {
  if (!context_) return;
  // The names belong to this renderer's context: delete them there, then
  // leave current whatever other context was current before.
  platform::GLContext* previous = platform::GLContext::currentContext();
  if (previous != context_.get()) platform::GLContext::setCurrentContext(context_.get());
  const platform::GLExtensions& gl = platform::glExtensions();
  if (hasFramebufferObjects(gl)) {
    if (defaultFramebuffer_ != 0) gl.glDeleteFramebuffersOES(1, &defaultFramebuffer_);
    if (colorRenderbuffer_ != 0) gl.glDeleteRenderbuffersOES(1, &colorRenderbuffer_);
    if (depthBuffer_ != 0) gl.glDeleteRenderbuffersOES(1, &depthBuffer_);
    if (msaaColorbuffer_ != 0) gl.glDeleteRenderbuffersOES(1, &msaaColorbuffer_);
    if (msaaFramebuffer_ != 0) gl.glDeleteFramebuffersOES(1, &msaaFramebuffer_);
  }
  platform::GLContext::setCurrentContext(previous == context_.get() ? nullptr : previous);
  context_ = nullptr;
}
