#include "tessera/CCAtlasNode.h"

#include "platform/Exception.h"
#include "tessera/CCTexture2D.h"
#include "tessera/CCTextureAtlas.h"
#include "tessera/ccMacros.h"

#include <GLES/gl.h>

// [SECTION] Creation

CCAtlasNode* CCAtlasNode::atlasWithTileFile(const std::string& tile, int tileWidth, int tileHeight,
                                            int itemsToRender) {
  return platform::createAutoreleased<CCAtlasNode>(
      [&](CCAtlasNode& node) { return node.initWithTileFile(tile, tileWidth, tileHeight, itemsToRender); });
}

bool CCAtlasNode::initWithTileFile(const std::string& tile, int tileWidth, int tileHeight, int itemsToRender) {
  if (!CCNode::init()) return false;

  const float factor = CC_CONTENT_SCALE_FACTOR();
  itemWidth_ = static_cast<int>(static_cast<float>(tileWidth) * factor);
  itemHeight_ = static_cast<int>(static_cast<float>(tileHeight) * factor);

  opacity_ = 255;
  color_ = colorUnmodified_ = ccWHITE;
  opacityModifyRGB_ = true;
  blendFunc_ = {GL_ONE, GL_ONE_MINUS_SRC_ALPHA};

  const unsigned int capacity = itemsToRender > 0 ? static_cast<unsigned int>(itemsToRender) : 0;
  textureAtlas_ = CCTextureAtlas::textureAtlasWithFile(tile, capacity);
  if (!textureAtlas_) return false;

  updateBlendFunc();
  updateOpacityModifyRGB();
  calculateMaxItems();
  return true;
}

CCAtlasNode::~CCAtlasNode() = default;

void CCAtlasNode::calculateMaxItems() {
  const CCTexture2D* texture = this->texture();
  const CGSize size = texture ? texture->contentSizeInPixels() : CGSizeZero;
  // A cell size of 0 (or less) fits no cell rather than dividing by zero.
  itemsPerColumn_ = itemHeight_ > 0 ? static_cast<int>(size.height / static_cast<float>(itemHeight_)) : 0;
  itemsPerRow_ = itemWidth_ > 0 ? static_cast<int>(size.width / static_cast<float>(itemWidth_)) : 0;
}

void CCAtlasNode::updateBlendFunc() {
  const CCTexture2D* texture = this->texture();
  if (texture == nullptr || !texture->hasPremultipliedAlpha()) blendFunc_ = {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};
}

void CCAtlasNode::updateOpacityModifyRGB() {
  const CCTexture2D* texture = this->texture();
  opacityModifyRGB_ = texture != nullptr && texture->hasPremultipliedAlpha();
}

// [SECTION] Quads

void CCAtlasNode::updateAtlasValues() {
  throw platform::Exception("CCAtlasNode:Abstract", "updateAtlasValue not overriden");
}

void CCAtlasNode::draw() { drawAtlasQuads(textureAtlas_ ? textureAtlas_->totalQuads() : 0); }

void CCAtlasNode::drawAtlasQuads(unsigned int count) {
  if (!textureAtlas_) return;
  // One colour for the whole node: the per-vertex colours are not used.
  glDisableClientState(GL_COLOR_ARRAY);
  glColor4ub(color_.r, color_.g, color_.b, opacity_);

  const ccBlendFunc standard{GL_ONE, GL_ONE_MINUS_SRC_ALPHA};
  const bool newBlend = !(blendFunc_ == standard);
  if (newBlend) glBlendFunc(blendFunc_.src, blendFunc_.dst);

  textureAtlas_->drawNumberOfQuads(count);

  if (newBlend) glBlendFunc(standard.src, standard.dst);
  glEnableClientState(GL_COLOR_ARRAY);
}

// [SECTION] Properties

void CCAtlasNode::setTextureAtlas(CCTextureAtlas* atlas) { textureAtlas_ = atlas; }

// [SECTION] Colour and blending

void CCAtlasNode::setColor(const ccColor3B& color) {
  color_ = colorUnmodified_ = color;
  if (opacityModifyRGB_) {
    color_.r = static_cast<GLubyte>(color.r * opacity_ / 255);
    color_.g = static_cast<GLubyte>(color.g * opacity_ / 255);
    color_.b = static_cast<GLubyte>(color.b * opacity_ / 255);
  }
}

ccColor3B CCAtlasNode::color() const { return opacityModifyRGB_ ? colorUnmodified_ : color_; }

void CCAtlasNode::setOpacity(GLubyte opacity) {
  opacity_ = opacity;
  if (opacityModifyRGB_) setColor(colorUnmodified_);
}

void CCAtlasNode::setOpacityModifyRGB(bool modify) {
  const ccColor3B current = color();
  opacityModifyRGB_ = modify;
  setColor(current);
}

CCTexture2D* CCAtlasNode::texture() const { return textureAtlas_ ? textureAtlas_->texture() : nullptr; }

void CCAtlasNode::setTexture(CCTexture2D* texture) {
  if (textureAtlas_) textureAtlas_->setTexture(texture);
  updateBlendFunc();
  updateOpacityModifyRGB();
}
