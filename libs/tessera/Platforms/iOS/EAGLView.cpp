#include "tessera/Platforms/iOS/EAGLView.h"

#include "platform/GLContext.h"
#include "platform/Log.h"
#include "platform/RunLoop.h"
#include "tessera/CCConfiguration.h"
#include "tessera/CCDirector.h"
#include "tessera/Platforms/iOS/EAGLTouchDelegate.h"
#include "tessera/Platforms/iOS/ES1Renderer.h"

#include <GLES/glext.h>

// [SECTION] Creation
// [SECTION] Surface
// [SECTION] Presenting
// [SECTION] Coordinates and touches

// [SECTION] Creation

EAGLView* EAGLView::viewWithFrame(const CGRect& frame) {
  return platform::createAutoreleased<EAGLView>([&](EAGLView& view) { return view.initWithFrame(frame); });
}

EAGLView* EAGLView::viewWithFrame(const CGRect& frame, const std::string& pixelFormat) {
  return platform::createAutoreleased<EAGLView>(
      [&](EAGLView& view) { return view.initWithFrame(frame, pixelFormat); });
}

EAGLView* EAGLView::viewWithFrame(const CGRect& frame, const std::string& pixelFormat, GLuint depthFormat) {
  return viewWithFrame(frame, pixelFormat, depthFormat, false, nullptr, false, 0);
}

EAGLView* EAGLView::viewWithFrame(const CGRect& frame, const std::string& pixelFormat, GLuint depthFormat,
                                  bool preserveBackbuffer, platform::GLSharegroup* sharegroup, bool multiSampling,
                                  unsigned numberOfSamples) {
  return platform::createAutoreleased<EAGLView>([&](EAGLView& view) {
    return view.initWithFrame(frame, pixelFormat, depthFormat, preserveBackbuffer, sharegroup, multiSampling,
                              numberOfSamples);
  });
}

const platform::ClassInfo& EAGLView::layerClass() { return platform::GLDrawable::classInfo_; }

bool EAGLView::initWithFrame(const CGRect& frame) {
  return initWithFrame(frame, platform::kEAGLColorFormatRGB565, 0, false, nullptr, false, 0);
}

bool EAGLView::initWithFrame(const CGRect& frame, const std::string& pixelFormat) {
  return initWithFrame(frame, pixelFormat, 0, false, nullptr, false, 0);
}

bool EAGLView::initWithFrame(const CGRect& frame, const std::string& pixelFormat, GLuint depthFormat,
                             bool preserveBackbuffer, platform::GLSharegroup* sharegroup, bool multiSampling,
                             unsigned numberOfSamples) {
  if (!platform::View::initWithFrame(frame)) return false;
  pixelformat_ = pixelFormat;
  depthFormat_ = depthFormat;
  multiSampling_ = multiSampling;
  requestedSamples_ = numberOfSamples;
  preserveBackbuffer_ = preserveBackbuffer;
  return setupSurfaceWithSharegroup(sharegroup);
}

EAGLView::~EAGLView() {
  // The renderer's names live in storage the drawable provides: renderer first.
  renderer_ = nullptr;
  context_ = nullptr;
  drawable_ = nullptr;
}

// [SECTION] Surface

GLenum EAGLView::convertPixelFormat(const std::string& pixelFormat) {
  return pixelFormat == platform::kEAGLColorFormatRGB565 ? GL_RGB565_OES : GL_RGBA8_OES;
}

bool EAGLView::setupSurfaceWithSharegroup(platform::GLSharegroup* sharegroup) {
  setOpaque(true);
  if (!drawable_) drawable_ = platform::GLDrawable::drawableForView(this);
  drawable_->setOpaque(true);
  drawable_->setRetainedBacking(preserveBackbuffer_);
  drawable_->setColorFormat(pixelformat_);

  ES1Renderer* renderer = ES1Renderer::rendererWithDepthFormat(depthFormat_, convertPixelFormat(pixelformat_),
                                                               sharegroup, multiSampling_, requestedSamples_);
  if (renderer == nullptr) return false;
  renderer_ = renderer;
  context_ = renderer->context();
  // The renderer draws without multisampling where the GL has none.
  multiSampling_ = renderer->multiSampling();

  context_->renderbufferStorageFromDrawable(GL_RENDERBUFFER_OES, drawable_.get());

  // First use of the capabilities: they are read now, with the new context current.
  discardFramebufferSupported_ = CCConfiguration::sharedConfiguration()->supportsDiscardFramebuffer();
  return true;
}

void EAGLView::layoutSubviews() {
  if (!renderer_ || !renderer_->resizeFromLayer(drawable_.get())) return;
  size_ = renderer_->backingSize();
  CCDirector::sharedDirector()->reshapeProjection(size_);
  // Draw at once, so the resized surface never shows stale contents.
  platform::performOnMainThread([] { CCDirector::sharedDirector()->drawScene(); }, true);
}

// [SECTION] Presenting

void EAGLView::swapBuffers() {
  if (!renderer_) return;
  const platform::GLExtensions& gl = platform::glExtensions();
  const bool multiSampling = multiSampling_ && renderer_->multiSampling();

  if (multiSampling) {
    gl.glBindFramebufferOES(GL_READ_FRAMEBUFFER_APPLE, renderer_->msaaFrameBuffer());
    gl.glBindFramebufferOES(GL_DRAW_FRAMEBUFFER_APPLE, renderer_->defaultFrameBuffer());
    gl.glResolveMultisampleFramebufferAPPLE();
  }

  // Buffers the next frame clears anyway need not be kept.
  if (discardFramebufferSupported_ && gl.glDiscardFramebufferEXT) {
    if (multiSampling) {
      if (depthFormat_ != 0) {
        const GLenum attachments[] = {GL_COLOR_ATTACHMENT0_OES, GL_DEPTH_ATTACHMENT_OES};
        gl.glDiscardFramebufferEXT(GL_READ_FRAMEBUFFER_APPLE, 2, attachments);
      } else {
        const GLenum attachments[] = {GL_COLOR_ATTACHMENT0_OES};
        gl.glDiscardFramebufferEXT(GL_READ_FRAMEBUFFER_APPLE, 1, attachments);
      }
      gl.glBindRenderbufferOES(GL_RENDERBUFFER_OES, renderer_->colorRenderBuffer());
    } else if (depthFormat_ != 0) {
      const GLenum attachments[] = {GL_DEPTH_ATTACHMENT_OES};
      gl.glDiscardFramebufferEXT(GL_FRAMEBUFFER_OES, 1, attachments);
    }
  }

  // Drawing may have bound other render buffers (render textures, grids).
  gl.glBindRenderbufferOES(GL_RENDERBUFFER_OES, renderer_->colorRenderBuffer());
  if (!context_->presentRenderbuffer(GL_RENDERBUFFER_OES)) {
    CCLOG("tessera: EAGLView: could not present render buffer %u", renderer_->colorRenderBuffer());
  }

  if (multiSampling) gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, renderer_->msaaFrameBuffer());
}

// [SECTION] Coordinates and touches

CGPoint EAGLView::convertPointFromViewToSurface(CGPoint point) const {
  const CGRect bounds = this->bounds();
  return CGPointMake((point.x - bounds.origin.x) / bounds.size.width * size_.width,
                     (point.y - bounds.origin.y) / bounds.size.height * size_.height);
}

CGRect EAGLView::convertRectFromViewToSurface(CGRect rect) const {
  const CGRect bounds = this->bounds();
  return CGRectMake((rect.origin.x - bounds.origin.x) / bounds.size.width * size_.width,
                    (rect.origin.y - bounds.origin.y) / bounds.size.height * size_.height,
                    rect.size.width * size_.width / bounds.size.width,
                    rect.size.height * size_.height / bounds.size.height);
}

void EAGLView::touchesBegan(platform::TouchSet* touches, platform::Event* event) {
  if (touchDelegate_) touchDelegate_->touchesBegan(touches, event);
}

void EAGLView::touchesMoved(platform::TouchSet* touches, platform::Event* event) {
  if (touchDelegate_) touchDelegate_->touchesMoved(touches, event);
}

void EAGLView::touchesEnded(platform::TouchSet* touches, platform::Event* event) {
  if (touchDelegate_) touchDelegate_->touchesEnded(touches, event);
}

void EAGLView::touchesCancelled(platform::TouchSet* touches, platform::Event* event) {
  if (touchDelegate_) touchDelegate_->touchesCancelled(touches, event);
}
