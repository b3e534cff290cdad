#include "platform/AutoreleasePool.h"
#include "platform/GLContext.h"
#include "platform/View.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

using platform::CapturedFrame;
using platform::GLContext;
using platform::GLDrawable;
using platform::Ref;
using platform::View;

namespace {

struct Rgba {
  int r, g, b, a;
};

Rgba pixelAt(const CapturedFrame& frame, int x, int y) {
  const std::size_t at = (static_cast<std::size_t>(y) * frame.width + x) * 4;
  return {frame.rgba[at], frame.rgba[at + 1], frame.rgba[at + 2], frame.rgba[at + 3]};
}

#define EXPECT_PIXEL_NEAR(actual, er, eg, eb, tolerance) \
  do {                                                   \
    const Rgba pixel = (actual);                         \
    EXPECT_NEAR(pixel.r, er, tolerance);                 \
    EXPECT_NEAR(pixel.g, eg, tolerance);                 \
    EXPECT_NEAR(pixel.b, eb, tolerance);                 \
  } while (0)

// A context current on the main thread, with the engine's arrangement: a
// frame buffer whose colour render buffer takes its storage from a view's
// drawable. Skips when no EGL display can be opened.
class GLContextTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    context_ = GLContext::contextWithAPI(GLContext::API::ES1);
    if (!context_) GTEST_SKIP() << "no OpenGL ES 1 context on this machine";
    ASSERT_TRUE(GLContext::setCurrentContext(context_));
    const auto& gl = platform::glExtensions();
    ASSERT_NE(gl.glGenFramebuffersOES, nullptr);
    ASSERT_NE(gl.glRenderbufferStorageOES, nullptr);
    gl.glGenFramebuffersOES(1, &framebuffer_);
    gl.glGenRenderbuffersOES(1, &renderbuffer_);
    gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_);
    gl.glBindRenderbufferOES(GL_RENDERBUFFER_OES, renderbuffer_);
    gl.glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                    renderbuffer_);
  }
  void TearDown() override {
    if (!context_) return;
    const auto& gl = platform::glExtensions();
    gl.glDeleteFramebuffersOES(1, &framebuffer_);
    gl.glDeleteRenderbuffersOES(1, &renderbuffer_);
    platform::forgetLastPresentedFrame();
    drawable_ = nullptr;
    view_ = nullptr;
    GLContext::setCurrentContext(nullptr);
  }

  // Gives the render buffer the storage of a view of `size` points at `scale`.
  bool makeStorage(CGSize size, float scale, const char* format) {
    view_ = View::viewWithFrame(CGRectMake(0, 0, size.width, size.height));
    view_->setContentScaleFactor(scale);
    drawable_ = GLDrawable::drawableForView(view_);
    drawable_->setColorFormat(format);
    return context_->renderbufferStorageFromDrawable(GL_RENDERBUFFER_OES, drawable_);
  }
  CGSize storedSize() {
    GLint width = 0;
    GLint height = 0;
    platform::glExtensions().glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_WIDTH_OES, &width);
    platform::glExtensions().glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_HEIGHT_OES, &height);
    return CGSizeMake(width, height);
  }
  // Clears to red and fills the lower half of the viewport with green.
  void drawRedOverGreen(int width, int height) {
    glViewport(0, 0, width, height);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    static const GLfloat lowerHalf[] = {-1, -1, 1, -1, -1, 0, 1, 0};
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, lowerHalf);
    glColor4f(0, 1, 0, 1);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableClientState(GL_VERTEX_ARRAY);
  }

  Ref<GLContext> context_;
  Ref<View> view_;
  Ref<GLDrawable> drawable_;
  GLuint framebuffer_ = 0;
  GLuint renderbuffer_ = 0;
};

TEST_F(GLContextTest, StorageIsTheViewSizeTimesItsScale) {
  ASSERT_TRUE(makeStorage(CGSizeMake(480, 320), 1, platform::kEAGLColorFormatRGB565));
  EXPECT_EQ(storedSize().width, 480);
  EXPECT_EQ(storedSize().height, 320);
  EXPECT_EQ(platform::glExtensions().glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES), GL_FRAMEBUFFER_COMPLETE_OES);
  ASSERT_TRUE(makeStorage(CGSizeMake(480, 320), 2, platform::kEAGLColorFormatRGBA8));
  EXPECT_EQ(storedSize().width, 960);
  EXPECT_EQ(storedSize().height, 640);
  EXPECT_EQ(platform::glExtensions().glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES), GL_FRAMEBUFFER_COMPLETE_OES);
}

class GLFormatTest : public GLContextTest, public testing::WithParamInterface<const char*> {};

TEST_P(GLFormatTest, PresentedFrameIsCapturedTopRowFirst) {
  ASSERT_TRUE(makeStorage(CGSizeMake(480, 320), 1, GetParam()));
  drawRedOverGreen(480, 320);
  ASSERT_TRUE(context_->presentRenderbuffer(GL_RENDERBUFFER_OES));
  const CapturedFrame frame = platform::captureLastPresentedFrame();
  ASSERT_EQ(frame.width, 480);
  ASSERT_EQ(frame.height, 320);
  EXPECT_PIXEL_NEAR(pixelAt(frame, 10, 10), 255, 0, 0, 0);     // top: the clear colour
  EXPECT_PIXEL_NEAR(pixelAt(frame, 470, 310), 0, 255, 0, 0);  // bottom: the quad
  EXPECT_EQ(pixelAt(frame, 240, 100).a, 255);
}

INSTANTIATE_TEST_SUITE_P(GL, GLFormatTest,
                         testing::Values(platform::kEAGLColorFormatRGBA8, platform::kEAGLColorFormatRGB565));

TEST_F(GLContextTest, PresentLeavesTheEngineBindingsAlone) {
  ASSERT_TRUE(makeStorage(CGSizeMake(64, 32), 2, platform::kEAGLColorFormatRGBA8));
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  ASSERT_TRUE(context_->presentRenderbuffer(GL_RENDERBUFFER_OES));
  GLint value = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &value);
  EXPECT_EQ(value, static_cast<GLint>(framebuffer_));
  glGetIntegerv(GL_RENDERBUFFER_BINDING_OES, &value);
  EXPECT_EQ(value, static_cast<GLint>(renderbuffer_));
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
  EXPECT_EQ(value, static_cast<GLint>(texture));
  glGetIntegerv(GL_PACK_ALIGNMENT, &value);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(GLContext::currentContext(), context_.get());
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  glDeleteTextures(1, &texture);
  EXPECT_EQ(platform::captureLastPresentedFrame().width, 128);
}

TEST_F(GLContextTest, CaptureKeepsThePresentedFrameAcrossALayout) {
  ASSERT_TRUE(makeStorage(CGSizeMake(40, 30), 1, platform::kEAGLColorFormatRGBA8));
  drawRedOverGreen(40, 30);
  ASSERT_TRUE(context_->presentRenderbuffer(GL_RENDERBUFFER_OES));
  view_->setFrame(CGRectMake(0, 0, 80, 60));
  ASSERT_TRUE(context_->renderbufferStorageFromDrawable(GL_RENDERBUFFER_OES, drawable_));
  const CapturedFrame frame = platform::captureLastPresentedFrame();
  EXPECT_EQ(frame.width, 40);
  EXPECT_PIXEL_NEAR(pixelAt(frame, 5, 5), 255, 0, 0, 0);
}

TEST_F(GLContextTest, ContextsAreCurrentPerThreadAndSharedTexturesCrossThreads) {
  GLuint texture = 0;
  std::thread loader([&] {
    platform::AutoreleasePool pool;  // worker threads open their own
    EXPECT_EQ(GLContext::currentContext(), nullptr);
    Ref<GLContext> shared = GLContext::contextWithAPI(GLContext::API::ES1, context_->sharegroup());
    ASSERT_TRUE(shared);
    ASSERT_TRUE(GLContext::setCurrentContext(shared));
    const GLubyte blue[] = {0, 0, 255, 255};
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, blue);
    glFlush();
    GLContext::setCurrentContext(nullptr);
  });
  loader.join();
  EXPECT_EQ(context_->sharegroup()->contextCount(), 1u);  // the loader's context is gone again
  ASSERT_NE(texture, 0u);

  ASSERT_TRUE(makeStorage(CGSizeMake(16, 16), 1, platform::kEAGLColorFormatRGBA8));
  glViewport(0, 0, 16, 16);
  static const GLfloat corners[] = {-1, -1, 1, -1, -1, 1, 1, 1};
  static const GLfloat texels[] = {0, 0, 1, 0, 0, 1, 1, 1};
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glVertexPointer(2, GL_FLOAT, 0, corners);
  glTexCoordPointer(2, GL_FLOAT, 0, texels);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  ASSERT_TRUE(context_->presentRenderbuffer(GL_RENDERBUFFER_OES));
  EXPECT_PIXEL_NEAR(pixelAt(platform::captureLastPresentedFrame(), 8, 8), 0, 0, 255, 0);
  glDeleteTextures(1, &texture);
}

}  // namespace
