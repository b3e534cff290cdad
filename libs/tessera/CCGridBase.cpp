#include "tessera/CCGridBase.h"

#include "platform/Exception.h"
#include "platform/Log.h"
#include "platform/StringUtils.h"
#include "tessera/CCCamera.h"
#include "tessera/CCDirector.h"
#include "tessera/CCGrabber.h"
#include "tessera/CCNode.h"
#include "tessera/CCTexture2D.h"
#include "tessera/Platforms/iOS/CCDirectorIOS.h"
#include "tessera/Platforms/iOS/EAGLView.h"
#include "tessera/Support/CGPointExtension.h"
#include "tessera/Support/glu.h"

#include <GLES/gl.h>

#include <cstdint>
#include <new>
#include <vector>

// [SECTION] Creation

CCGridBase* CCGridBase::gridWithSize(ccGridSize gridSize) {
  return createGrid<CCGridBase>([&](CCGridBase& grid) { return grid.initWithSize(gridSize); });
}

CCGridBase* CCGridBase::gridWithSize(ccGridSize gridSize, CCTexture2D* texture, bool flipped) {
  return createGrid<CCGridBase>(
      [&](CCGridBase& grid) { return grid.initWithSize(gridSize, texture, flipped); });
}

bool CCGridBase::initWithSize(ccGridSize gridSize) {
  CCDirector* director = CCDirector::sharedDirector();
  const CGSize size = director->winSizeInPixels();
  const auto width = nextPowerOfTwo(static_cast<std::uint32_t>(size.width));
  const auto height = nextPowerOfTwo(static_cast<std::uint32_t>(size.height));

  CCTexture2DPixelFormat format = kCCTexture2DPixelFormat_RGBA8888;
  if (EAGLView* view = director->openGLView(); view && view->pixelFormat() == "EAGLColorFormat565") {
    format = kCCTexture2DPixelFormat_RGB565;
  }

  platform::Ref<CCTexture2D> texture;
  try {
    // Four bytes a pixel whatever the format: enough for every one of them.
    std::vector<std::uint8_t> cleared(static_cast<std::size_t>(width) * height * 4, 0);
    texture = platform::Ref<CCTexture2D>::adopt(new CCTexture2D());
    if (!texture->initWithData(cleared.data(), format, width, height, size)) {
      CCLOG("tessera: CCGridBase: cannot make a %ux%u texture for a %gx%g window", width, height,
            static_cast<double>(size.width), static_cast<double>(size.height));
      return false;
    }
  } catch (const std::bad_alloc&) {
    CCLOG("tessera: CCGridBase: no memory for a %ux%u texture", width, height);
    return false;
  }
  return initWithSize(gridSize, texture.get(), false);
}

bool CCGridBase::initWithSize(ccGridSize gridSize, CCTexture2D* texture, bool flipped) {
  active_ = false;
  reuseGrid_ = 0;
  gridSize_ = gridSize;
  texture_ = texture;
  isTextureFlipped_ = flipped;
  if (texture == nullptr) {
    CCLOG("tessera: %s: no texture to draw into", className());
    return false;
  }
  if (gridSize.x < 1 || gridSize.y < 1) {
    CCLOG("tessera: %s: grid size %dx%d has no cells", className(), gridSize.x, gridSize.y);
    return false;
  }
  // Vertices are drawn through 16-bit indices.
  if (vertexCount(gridSize) > 65536) {
    CCLOG("tessera: %s: grid size %dx%d needs %lld vertices, more than 65536", className(), gridSize.x,
          gridSize.y, vertexCount(gridSize));
    return false;
  }

  const CGSize content = texture->contentSizeInPixels();
  step_ = CGPointMake(content.width / static_cast<float>(gridSize.x),
                      content.height / static_cast<float>(gridSize.y));

  auto* grabber = new CCGrabber();
  grabber_ = platform::Ref<CCGrabber>::adopt(grabber);
  if (!grabber->init()) return false;
  grabber->grab(texture);

  calculateVertexPoints();
  return true;
}

CCGridBase::~CCGridBase() {
  setActive(false);
  texture_ = nullptr;
  grabber_ = nullptr;
}

// [SECTION] Properties

void CCGridBase::setActive(bool active) {
  active_ = active;
  if (!active) {
    // Never creates a director: a grid may outlive the shared one.
    if (CCDirector* director = CCDirector::existingDirector()) director->setProjection(director->projection());
  }
}

void CCGridBase::setTexture(CCTexture2D* texture) { texture_ = texture; }

void CCGridBase::setGrabber(CCGrabber* grabber) { grabber_ = grabber; }

void CCGridBase::setIsTextureFlipped(bool flipped) {
  if (isTextureFlipped_ == flipped) return;
  isTextureFlipped_ = flipped;
  calculateVertexPoints();
}

std::string CCGridBase::description() const {
  return platform::formatString("<%s = %s | Dimensions = %ix%i>", className(), platform::addressString(this).c_str(),
                                gridSize_.x, gridSize_.y);
}

// [SECTION] Drawing

void CCGridBase::beforeDraw() {
  set2DProjection();
  if (grabber_) grabber_->beforeRender(texture_.get());
}

void CCGridBase::afterDraw(CCNode* target) {
  if (grabber_) grabber_->afterRender(texture_.get());

  set3DProjection();
  applyLandscape();

  if (target != nullptr) {
    CCCamera* camera = target->camera();
    if (camera->dirty()) {
      const CGPoint anchor = target->anchorPointInPixels();
      glTranslatef(anchor.x, anchor.y, 0.0f);
      camera->locate();
      glTranslatef(-anchor.x, -anchor.y, 0.0f);
    }
  }

  if (texture_) glBindTexture(GL_TEXTURE_2D, texture_->name());
  // A draw with a colour array leaves the current colour undefined.
  glColor4ub(255, 255, 255, 255);
  blit();
}

// [SECTION] Mesh

void CCGridBase::abstractMethod() { throw platform::Exception("GridBase", "Abstract class needs implementation"); }

void CCGridBase::blit() { abstractMethod(); }

void CCGridBase::reuse() { abstractMethod(); }

void CCGridBase::calculateVertexPoints() { abstractMethod(); }

// [SECTION] Projection steps

void CCGridBase::set2DProjection() {
  const CGSize size = CCDirector::sharedDirector()->winSizeInPixels();
  glLoadIdentity();
  glViewport(0, 0, static_cast<GLsizei>(size.width), static_cast<GLsizei>(size.height));
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrthof(0.0f, size.width, 0.0f, size.height, -1024.0f, 1024.0f);
  glMatrixMode(GL_MODELVIEW);
}

void CCGridBase::set3DProjection() {
  CCDirector* director = CCDirector::sharedDirector();
  const CGSize size = director->displaySizeInPixels();
  const float w = size.width, h = size.height;
  glViewport(0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h));
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  ccPerspective(60.0f, w / h, 0.5f, 1500.0f);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  ccLookAt(w / 2.0f, h / 2.0f, director->getZEye(), w / 2.0f, h / 2.0f, 0.0f, 0.0f, 1.0f, 0.0f);
}

void CCGridBase::applyLandscape() {
  // The same turn the director gives every frame, about the same centre.
  if (auto* director = dynamic_cast<CCDirectorIOS*>(CCDirector::sharedDirector())) director->applyOrientation();
}
