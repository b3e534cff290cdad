#include "tessera/CCLayerColor.h"

#include "tessera/CCDirector.h"
#include "tessera/ccMacros.h"

#include <GLES/gl.h>

// [SECTION] Creation

CCLayerColor* CCLayerColor::layerWithColor(ccColor4B color) {
  return platform::createAutoreleased<CCLayerColor>(
      [&](CCLayerColor& layer) { return layer.initWithColor(color); });
}

CCLayerColor* CCLayerColor::layerWithColor(ccColor4B color, float width, float height) {
  return platform::createAutoreleased<CCLayerColor>(
      [&](CCLayerColor& layer) { return layer.initWithColor(color, width, height); });
}

bool CCLayerColor::initWithColor(ccColor4B color) {
  CGSize size = CCDirector::sharedDirector()->winSize();
  return initWithColor(color, size.width, size.height);
}

bool CCLayerColor::initWithColor(ccColor4B color, float width, float height) {
  if (!CCLayer::init()) return false;
  blendFunc_ = ccBlendFunc{CC_BLEND_SRC, CC_BLEND_DST};
  color_ = ccc3(color.r, color.g, color.b);
  opacity_ = color.a;
  squareVertices_.fill(0.0f);
  updateColor();
  setContentSize(CGSizeMake(width, height));
  return true;
}

// [SECTION] Colour, opacity, blending

void CCLayerColor::setColor(const ccColor3B& color) {
  color_ = color;
  updateColor();
}

void CCLayerColor::setOpacity(GLubyte opacity) {
  opacity_ = opacity;
  updateColor();
}

void CCLayerColor::updateColor() {
  for (std::size_t vertex = 0; vertex < 4; ++vertex) {
    squareColors_[vertex * 4 + 0] = color_.r;
    squareColors_[vertex * 4 + 1] = color_.g;
    squareColors_[vertex * 4 + 2] = color_.b;
    squareColors_[vertex * 4 + 3] = opacity_;
  }
}

std::optional<ccBlendFunc> CCLayerColor::blendFuncForDrawing(const ccBlendFunc& blendFunc,
                                                             GLubyte opacity) {
  if (blendFunc.src != CC_BLEND_SRC || blendFunc.dst != CC_BLEND_DST) return blendFunc;
  // The default assumes premultiplied colours; a layer's colours are not.
  if (opacity != 255) return ccBlendFunc{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};
  return std::nullopt;
}

// [SECTION] Size

void CCLayerColor::setContentSize(CGSize size) {
  float factor = CC_CONTENT_SCALE_FACTOR();
  float width = size.width * factor;
  float height = size.height * factor;
  squareVertices_[2] = width;   // vertex 1 x
  squareVertices_[5] = height;  // vertex 2 y
  squareVertices_[6] = width;   // vertex 3 x
  squareVertices_[7] = height;  // vertex 3 y
  CCLayer::setContentSize(size);
}

void CCLayerColor::changeWidth(float width) {
  setContentSize(CGSizeMake(width, contentSize_.height));
}

void CCLayerColor::changeHeight(float height) {
  setContentSize(CGSizeMake(contentSize_.width, height));
}

void CCLayerColor::changeWidth(float width, float height) {
  setContentSize(CGSizeMake(width, height));
}

// [SECTION] Drawing

void CCLayerColor::draw() {
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisable(GL_TEXTURE_2D);

  glVertexPointer(2, GL_FLOAT, 0, squareVertices_.data());
  glColorPointer(4, GL_UNSIGNED_BYTE, 0, squareColors_.data());

  std::optional<ccBlendFunc> blend = blendFuncForDrawing(blendFunc_, opacity_);
  if (blend) glBlendFunc(blend->src, blend->dst);

  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);

  if (blend) glBlendFunc(CC_BLEND_SRC, CC_BLEND_DST);

  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnable(GL_TEXTURE_2D);
}
