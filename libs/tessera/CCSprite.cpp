#include "tessera/CCSprite.h"

#include "platform/Assert.h"
#include "platform/Image.h"
#include "tessera/CCAnimationCache.h"
#include "tessera/CCSpriteBatchNode.h"
#include "tessera/CCSpriteFrame.h"
#include "tessera/CCSpriteFrameCache.h"
#include "tessera/CCTexture2D.h"
#include "tessera/CCTextureAtlas.h"
#include "tessera/CCTextureCache.h"
#include "tessera/Support/CCArray.h"
#include "tessera/Support/ccSinCos.h"
#include "tessera/Support/ccSinCos4.h"
#include "tessera/ccMacros.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <limits>
#include <utility>

// [SECTION] Index
//   Creation, Texture rectangle and frames, Rendering mode and batch
//   transform, Colour and blending, Drawing, Children, Transform setters,
//   Named animations

namespace {

GLuint nameOf(const CCTexture2D* texture) { return texture ? texture->name() : 0; }

// Frame `index` of `animation`, or nullptr (no animation, index out of range).
CCSpriteFrame* frameOf(const CCAnimation* animation, std::int32_t index) {
  if (!animation || index < 0) return nullptr;
  const CCArray* frames = animation->frames();
  if (!frames || static_cast<std::uint32_t>(index) >= frames->count()) return nullptr;
  return frames->objectAt<CCSpriteFrame>(static_cast<std::uint32_t>(index));
}

void placeVertex(ccV3F_C4B_T2F& vertex, float x, float y, float z) { vertex.vertices = {x, y, z}; }

}  // namespace

// [SECTION] Creation

CCSprite* CCSprite::spriteWithTexture(CCTexture2D* texture) {
  return platform::createAutoreleased<CCSprite>([&](CCSprite& s) { return s.initWithTexture(texture); });
}

CCSprite* CCSprite::spriteWithTexture(CCTexture2D* texture, CGRect rect) {
  return platform::createAutoreleased<CCSprite>([&](CCSprite& s) { return s.initWithTexture(texture, rect); });
}

CCSprite* CCSprite::spriteWithFile(const std::string& filename) {
  return platform::createAutoreleased<CCSprite>([&](CCSprite& s) { return s.initWithFile(filename); });
}

CCSprite* CCSprite::spriteWithFile(const std::string& filename, CGRect rect) {
  return platform::createAutoreleased<CCSprite>([&](CCSprite& s) { return s.initWithFile(filename, rect); });
}

CCSprite* CCSprite::spriteWithSpriteFrame(CCSpriteFrame* frame) {
  return platform::createAutoreleased<CCSprite>([&](CCSprite& s) { return s.initWithSpriteFrame(frame); });
}

CCSprite* CCSprite::spriteWithSpriteFrameName(const std::string& name) {
  CCSpriteFrame* frame = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name);
  return spriteWithSpriteFrame(frame);
}

CCSprite* CCSprite::spriteWithCGImage(platform::Image* image) {
  return platform::createAutoreleased<CCSprite>([&](CCSprite& s) { return s.initWithCGImage(image); });
}

CCSprite* CCSprite::spriteWithCGImage(platform::Image* image, const std::string& key) {
  return platform::createAutoreleased<CCSprite>([&](CCSprite& s) { return s.initWithCGImage(image, key); });
}

CCSprite* CCSprite::spriteWithBatchNode(CCSpriteBatchNode* batchNode, CGRect rect) {
  return platform::createAutoreleased<CCSprite>([&](CCSprite& s) { return s.initWithBatchNode(batchNode, rect); });
}

CCSprite* CCSprite::spriteWithSpriteSheet(CCSpriteBatchNode* batchNode, CGRect rect) {
  return spriteWithBatchNode(batchNode, rect);
}

bool CCSprite::init() {
  CCNode::init();
  markClean();

  useSelfRender();

  opacityModifyRGB_ = true;
  opacity_ = 255;
  color_ = colorUnmodified_ = ccWHITE;

  blendFunc_ = ccBlendFunc{CC_BLEND_SRC, CC_BLEND_DST};
  // Without a texture this leaves (SRC_ALPHA, ONE_MINUS_SRC_ALPHA) and
  // opacityModifyRGB off.
  setTexture(nullptr);

  quad_ = ccV3F_C4B_T2F_Quad{};
  flipX_ = flipY_ = false;
  animations_.clear();
  anchorPoint_ = CGPointMake(0.5f, 0.5f);
  offsetPositionInPixels_ = CGPointZero;
  honorParentTransform_ = CC_HONOR_PARENT_TRANSFORM_ALL;
  // Init may run again on a sprite that keeps its children.
  setBatchFlag(kHasChildren, children_ && children_->count() != 0);

  const ccColor4B white{255, 255, 255, 255};
  quad_.bl.colors = quad_.br.colors = quad_.tl.colors = quad_.tr.colors = white;

  setTextureRectInPixels(CGRectZero, false, CGSizeZero);
  return true;
}

bool CCSprite::initWithTexture(CCTexture2D* texture, CGRect rect) {
  CCAssert(texture != nullptr, "Invalid texture for sprite");
  if (!texture) return false;
  init();
  setTexture(texture);
  setTextureRect(rect);
  return true;
}

bool CCSprite::initWithTexture(CCTexture2D* texture) {
  CCAssert(texture != nullptr, "Invalid texture for sprite");
  if (!texture) return false;
  const CGSize size = texture->contentSize();
  return initWithTexture(texture, CGRectMake(0, 0, size.width, size.height));
}

bool CCSprite::initWithFile(const std::string& filename) {
  CCAssert(!filename.empty(), "Invalid filename for sprite");
  if (filename.empty()) return false;
  CCTexture2D* texture = CCTextureCache::sharedTextureCache()->addImage(filename);
  if (!texture) return false;
  const CGSize size = texture->contentSize();
  return initWithTexture(texture, CGRectMake(0, 0, size.width, size.height));
}

bool CCSprite::initWithFile(const std::string& filename, CGRect rect) {
  CCAssert(!filename.empty(), "Invalid filename for sprite");
  if (filename.empty()) return false;
  CCTexture2D* texture = CCTextureCache::sharedTextureCache()->addImage(filename);
  if (!texture) return false;
  return initWithTexture(texture, rect);
}

bool CCSprite::initWithSpriteFrame(CCSpriteFrame* frame) {
  CCAssert(frame != nullptr, "Invalid spriteFrame for sprite");
  if (!frame) return false;
  if (!initWithTexture(frame->texture(), frame->rect())) return false;
  setDisplayFrame(frame);
  return true;
}

bool CCSprite::initWithSpriteFrameName(const std::string& name) {
  CCAssert(!name.empty(), "Invalid spriteFrameName for sprite");
  if (name.empty()) return false;
  return initWithSpriteFrame(CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name));
}

bool CCSprite::initWithCGImage(platform::Image* image) {
  CCAssert(image != nullptr, "Invalid CGImageRef for sprite");
  if (!image) return false;
  // The address at full width, so two live images never share a key.
  return initWithCGImage(image, platform::addressString(image));
}

bool CCSprite::initWithCGImage(platform::Image* image, const std::string& key) {
  CCAssert(image != nullptr, "Invalid CGImageRef for sprite");
  if (!image) return false;
  CCTexture2D* texture = CCTextureCache::sharedTextureCache()->addCGImage(image, key);
  if (!texture) return false;
  const CGSize size = texture->contentSize();
  return initWithTexture(texture, CGRectMake(0, 0, size.width, size.height));
}

bool CCSprite::initWithBatchNode(CCSpriteBatchNode* batchNode, CGRect rect) {
  if (!initWithTexture(batchNode ? batchNode->texture() : nullptr, rect)) return false;
  useBatchNode(batchNode);
  return true;
}

bool CCSprite::initWithBatchNodeRectInPixels(CCSpriteBatchNode* batchNode, CGRect rect) {
  if (!initWithTexture(batchNode ? batchNode->texture() : nullptr)) return false;
  setTextureRectInPixels(rect, false, rect.size);
  useBatchNode(batchNode);
  return true;
}

CCSprite::~CCSprite() = default;

std::string CCSprite::description() const {
  char numbers[160];
  std::snprintf(numbers, sizeof numbers, " | Rect = (%.2f,%.2f,%.2f,%.2f) | tag = %i | atlasIndex = %i>",
                rect_.origin.x, rect_.origin.y, rect_.size.width, rect_.size.height, tag_,
                static_cast<std::int32_t>(atlasIndex_));
  return std::string("<") + className() + " = " + platform::addressString(this) + numbers;
}

// [SECTION] Texture rectangle and frames

void CCSprite::setTextureRect(CGRect rect) {
  const CGRect rectInPixels = ccRectPointsToPixels(rect);
  setTextureRectInPixels(rectInPixels, false, rectInPixels.size);
}

void CCSprite::setTextureRectInPixels(CGRect rect, bool rotated, CGSize untrimmedSize) {
  rectInPixels_ = rect;
  rect_ = ccRectPixelsToPoints(rect);
  rectRotated_ = rotated;

  setContentSizeInPixels(untrimmedSize);
  updateTextureCoords(rectInPixels_);

  CGPoint relativeOffset = unflippedOffsetPositionFromCenter_;
  if (flipX_) relativeOffset.x = -relativeOffset.x;
  if (flipY_) relativeOffset.y = -relativeOffset.y;

  // The trimmed rectangle sits centred in the untrimmed box, moved by the
  // frame offset.
  offsetPositionInPixels_.x = relativeOffset.x + (contentSizeInPixels_.width - rectInPixels_.size.width) / 2;
  offsetPositionInPixels_.y = relativeOffset.y + (contentSizeInPixels_.height - rectInPixels_.size.height) / 2;

  if (usesBatchNode()) {
    setBatchFlag(kDirty, true);
    contentDirty_ = true;
  } else {
    writeLocalVertices();
  }
}

void CCSprite::updateTextureCoords(CGRect rect) {
  CCTexture2D* texture = usesBatchNode() ? (textureAtlas_ ? textureAtlas_->texture() : nullptr) : texture_.get();
  if (!texture) return;
  const float width = static_cast<float>(texture->pixelsWide());
  const float height = static_cast<float>(texture->pixelsHigh());
  // A texture without pixels has no coordinates to map into.
  if (width <= 0 || height <= 0) return;

  if (rectRotated_) {
    // The stored region is h wide and w high.
    float left = rect.origin.x / width;
    float right = left + rect.size.height / width;
    float top = rect.origin.y / height;
    float bottom = top + rect.size.width / height;
    if (flipX_) std::swap(top, bottom);
    if (flipY_) std::swap(left, right);
    quad_.bl.texCoords = {left, top};
    quad_.br.texCoords = {left, bottom};
    quad_.tl.texCoords = {right, top};
    quad_.tr.texCoords = {right, bottom};
  } else {
    float left = rect.origin.x / width;
    float right = left + rect.size.width / width;
    float top = rect.origin.y / height;
    float bottom = top + rect.size.height / height;
    if (flipX_) std::swap(left, right);
    if (flipY_) std::swap(top, bottom);
    quad_.bl.texCoords = {left, bottom};
    quad_.br.texCoords = {right, bottom};
    quad_.tl.texCoords = {left, top};
    quad_.tr.texCoords = {right, top};
  }
  // The atlas gets the new coordinates with the next whole-quad write.
  if (usesBatchNode()) contentDirty_ = true;
}

void CCSprite::setDisplayFrame(CCSpriteFrame* frame) {
  if (!frame) return;
  unflippedOffsetPositionFromCenter_ = frame->offsetInPixels();

  CCTexture2D* frameTexture = frame->texture();
  if (nameOf(frameTexture) != nameOf(texture_.get())) setTexture(frameTexture);

  rectRotated_ = frame->rotated();
  setTextureRectInPixels(frame->rectInPixels(), frame->rotated(), frame->originalSizeInPixels());
}

bool CCSprite::isFrameDisplayed(CCSpriteFrame* frame) const {
  if (!frame) return false;
  return CGRectEqualToRect(frame->rect(), rect_) && nameOf(frame->texture()) == nameOf(texture_.get());
}

CCSpriteFrame* CCSprite::displayedFrame() const { return CCSpriteFrame::frameWithTexture(texture_.get(), rect_); }

void CCSprite::setFlipX(bool flipX) {
  if (flipX_ == flipX) return;
  flipX_ = flipX;
  setTextureRectInPixels(rectInPixels_, rectRotated_, rectInPixels_.size);
}

void CCSprite::setFlipY(bool flipY) {
  if (flipY_ == flipY) return;
  flipY_ = flipY;
  setTextureRectInPixels(rectInPixels_, rectRotated_, rectInPixels_.size);
}

// [SECTION] Rendering mode and batch transform

void CCSprite::writeLocalVertices() {
  const float x1 = offsetPositionInPixels_.x;
  const float y1 = offsetPositionInPixels_.y;
  const float x2 = x1 + rectInPixels_.size.width;
  const float y2 = y1 + rectInPixels_.size.height;
  placeVertex(quad_.bl, x1, y1, 0);
  placeVertex(quad_.br, x2, y1, 0);
  placeVertex(quad_.tl, x1, y2, 0);
  placeVertex(quad_.tr, x2, y2, 0);
  verticesOnlyInAtlas_ = false;
}

void CCSprite::useSelfRender() {
  atlasIndex_ = CCSpriteIndexNotInitialized;
  setBatchFlag(kUsesBatchNode, false);
  textureAtlas_ = nullptr;
  batchNode_ = nullptr;
  markClean();
  contentDirty_ = false;
  writeLocalVertices();
}

void CCSprite::useBatchNode(CCSpriteBatchNode* batchNode) {
  // Whatever the atlas holds at the sprite's index is not its quad yet.
  pullVerticesFromAtlas();
  contentDirty_ = true;
  setBatchFlag(kUsesBatchNode, true);
  textureAtlas_ = batchNode ? batchNode->textureAtlas() : nullptr;
  batchNode_ = batchNode;
}

void CCSprite::getTransformValues(TransformValues* values) const {
  values->position = positionInPixels_;
  values->scale = CGPointMake(scaleX_, scaleY_);
  values->rotation = rotation_;
  values->anchorPoint = anchorPointInPixels_;
  values->visible = visible_;
}

const ccV3F_C4B_T2F_Quad& CCSprite::quad() const {
  pullVerticesFromAtlas();
  return quad_;
}

void CCSprite::pullVerticesFromAtlas() const {
  if (!verticesOnlyInAtlas_) return;
  verticesOnlyInAtlas_ = false;
  // The batch node moves a sprite's quad and its index together; only a quad
  // taken out of the atlas behind the batch node's back is gone, and then
  // quad_ keeps the positions written before.
  if (!textureAtlas_ || atlasIndex_ >= textureAtlas_->totalQuads()) return;
  const ccV3F_C4B_T2F_Quad& shared = textureAtlas_->quads()[atlasIndex_];
  quad_.tl.vertices = shared.tl.vertices;
  quad_.bl.vertices = shared.bl.vertices;
  quad_.tr.vertices = shared.tr.vertices;
  quad_.br.vertices = shared.br.vertices;
}

void CCSprite::writeHiddenQuad() {
  quad_.bl.vertices = quad_.br.vertices = quad_.tl.vertices = quad_.tr.vertices = ccVertex3F{};
  verticesOnlyInAtlas_ = false;
  if (textureAtlas_) {
    textureAtlas_->updateQuad(&quad_, atlasIndex_);
    contentDirty_ = atlasIndex_ >= textureAtlas_->totalQuads();
  }
  markClean();
}

bool CCSprite::composeNestedTransform(CGAffineTransform* matrix) {
  // Below other sprites: compose this sprite's transform with each ancestor's
  // up to the batch node, as far as each child lets its parent's transform
  // through.
  *matrix = CGAffineTransformIdentity;
  std::uint32_t inherit = CC_HONOR_PARENT_TRANSFORM_ALL;
  for (CCNode* node = this; node != nullptr && node != batchNode_; node = node->parent()) {
    auto* sprite = dynamic_cast<CCSprite*>(node);
    CCAssert(sprite != nullptr,
             "CCSprite should be a CCSprite subclass. Probably you initialized an sprite with a batchnode, but you "
             "didn't add it to the batch node.");
    if (!sprite) return false;

    TransformValues values;
    sprite->getTransformValues(&values);
    if (!values.visible) {
      writeHiddenQuad();
      return false;
    }

    CGAffineTransform local = CGAffineTransformIdentity;
    if (inherit & CC_HONOR_PARENT_TRANSFORM_TRANSLATE) {
      local = CGAffineTransformTranslate(local, values.position.x, values.position.y);
    }
    if (inherit & CC_HONOR_PARENT_TRANSFORM_ROTATE) {
      local = ccAffineTransformRotateDegrees(local, values.rotation);
    }
    if (inherit & CC_HONOR_PARENT_TRANSFORM_SCALE) {
      local = CGAffineTransformScale(local, values.scale.x, values.scale.y);
    }
    local = CGAffineTransformTranslate(local, -values.anchorPoint.x, -values.anchorPoint.y);

    *matrix = CGAffineTransformConcat(*matrix, local);
    inherit = sprite->honorParentTransform_;
  }
  return true;
}

void CCSprite::updateTransform() {
  CCAssert(usesBatchNode(), "updateTransform is only valid when CCSprite is being renderd using an CCSpriteBatchNode");
  if (!dirty() || !usesBatchNode()) return;

  if (!visible_) {
    writeHiddenQuad();
    return;
  }

  if (parent_ == nullptr || parent_ == batchNode_) {
    // The usual case, and the hot one: a sprite directly in the batch node.
    // Rotations turn clockwise on screen: the affine angle is -rotation_.
    float sine = 0.0f;
    float cosine = 1.0f;
    if (rotation_ != 0.0f) {
      ccSinCosDegrees(rotation_, &sine, &cosine);
      sine = -sine;
    }
    writeDirectTransform(sine, cosine);
    return;
  }
  CGAffineTransform matrix;
  if (composeNestedTransform(&matrix)) writeVertices(matrix);
}

void CCSprite::writeDirectTransform(float sine, float cosine) {
  CGAffineTransform matrix;
  matrix.a = cosine * scaleX_;
  matrix.b = sine * scaleX_;
  matrix.c = -sine * scaleY_;
  matrix.d = cosine * scaleY_;
  // Moved by minus the anchor point before scaling and rotating.
  const float anchorX = -anchorPointInPixels_.x;
  const float anchorY = -anchorPointInPixels_.y;
  matrix.tx = matrix.a * anchorX + matrix.c * anchorY + positionInPixels_.x;
  matrix.ty = matrix.b * anchorX + matrix.d * anchorY + positionInPixels_.y;
  writeVertices(matrix);
}

void CCSprite::writeDirectTransforms(CCSprite* const group[4]) {
#if defined(__SSE2__)
  // Four sprites side by side, one in each lane, with every operation in the
  // order writeDirectTransform() and writeVertices() use, so each lane's
  // results are bit-identical to writing that sprite alone. The fields go
  // straight from the sprites into registers (a detour through memory would
  // stall on store forwarding).
  CCSprite* const s0 = group[0];
  CCSprite* const s1 = group[1];
  CCSprite* const s2 = group[2];
  CCSprite* const s3 = group[3];
  // Three runs of four adjacent fields, loaded 16 bytes a sprite and turned
  // into one register per field.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
  static_assert(offsetof(CCSprite, scaleX_) == offsetof(CCSprite, rotation_) + 4 &&
                    offsetof(CCSprite, scaleY_) == offsetof(CCSprite, rotation_) + 8 &&
                    offsetof(CCSprite, vertexZ_) == offsetof(CCSprite, rotation_) + 12,
                "rotation, scales and z are loaded together");
  static_assert(offsetof(CCSprite, anchorPointInPixels_) == offsetof(CCSprite, positionInPixels_) + 8,
                "position and anchor point are loaded together");
  static_assert(offsetof(CCSprite, offsetPositionInPixels_) == offsetof(CCSprite, rectInPixels_) + 16,
                "size and offset are loaded together");
#pragma GCC diagnostic pop
  auto gather = [&](auto first, __m128& f0, __m128& f1, __m128& f2, __m128& f3) {
    f0 = _mm_loadu_ps(first(s0));
    f1 = _mm_loadu_ps(first(s1));
    f2 = _mm_loadu_ps(first(s2));
    f3 = _mm_loadu_ps(first(s3));
    _MM_TRANSPOSE4_PS(f0, f1, f2, f3);
  };
  __m128 rotation, scaleX, scaleY, vertexZ;
  gather([](const CCSprite* s) { return &s->rotation_; }, rotation, scaleX, scaleY, vertexZ);
  __m128 positionX, positionY, anchorX, anchorY;
  gather([](const CCSprite* s) { return &s->positionInPixels_.x; }, positionX, positionY, anchorX, anchorY);
  __m128 width, height, x1, y1;
  gather([](const CCSprite* s) { return &s->rectInPixels_.size.width; }, width, height, x1, y1);

  // Rotations turn clockwise on screen: the affine angle is -rotation_. An
  // unrotated sprite (either zero) has exactly sine +0 and cosine 1.
  const __m128 one = _mm_set1_ps(1.0f);
  const __m128 signBit = _mm_set1_ps(-0.0f);
  // A rotation that is not finite makes NaN positions, whose signs and
  // payloads depend on the order of operands: such a group goes one sprite
  // at a time, so even those bits match.
  const __m128 magnitude = _mm_andnot_ps(signBit, rotation);
  if (_mm_movemask_ps(_mm_cmple_ps(magnitude, _mm_set1_ps(std::numeric_limits<float>::max()))) != 0xF) {
    for (std::uint32_t k = 0; k < 4; ++k) group[k]->updateTransform();
    return;
  }
  const __m128 unrotated = _mm_cmpeq_ps(rotation, _mm_setzero_ps());
  __m128 sine = _mm_setzero_ps();
  __m128 cosine = one;
  if (_mm_movemask_ps(unrotated) != 0xF) {
    __m128 sines;
    __m128 cosines;
    ccSinCosDegrees4(rotation, &sines, &cosines);
    sine = _mm_andnot_ps(unrotated, _mm_xor_ps(sines, signBit));
    cosine = _mm_or_ps(_mm_and_ps(unrotated, one), _mm_andnot_ps(unrotated, cosines));
  }

  // The matrix, moved by minus the anchor point before scaling and rotating.
  const __m128 a = _mm_mul_ps(cosine, scaleX);
  const __m128 b = _mm_mul_ps(sine, scaleX);
  const __m128 c = _mm_mul_ps(_mm_xor_ps(sine, signBit), scaleY);
  const __m128 d = _mm_mul_ps(cosine, scaleY);
  const __m128 minusAnchorX = _mm_xor_ps(anchorX, signBit);
  const __m128 minusAnchorY = _mm_xor_ps(anchorY, signBit);
  const __m128 tx = _mm_add_ps(_mm_add_ps(_mm_mul_ps(a, minusAnchorX), _mm_mul_ps(c, minusAnchorY)), positionX);
  const __m128 ty = _mm_add_ps(_mm_add_ps(_mm_mul_ps(b, minusAnchorX), _mm_mul_ps(d, minusAnchorY)), positionY);

  // The corners: x' = a x + c y + tx, y' = b x + d y + ty.
  const __m128 x2 = _mm_add_ps(x1, width);
  const __m128 y2 = _mm_add_ps(y1, height);
  auto cornerX = [&](__m128 x, __m128 y) { return _mm_add_ps(_mm_add_ps(_mm_mul_ps(a, x), _mm_mul_ps(c, y)), tx); };
  auto cornerY = [&](__m128 x, __m128 y) { return _mm_add_ps(_mm_add_ps(_mm_mul_ps(b, x), _mm_mul_ps(d, y)), ty); };

  // Each corner's x and y go out as one 8-byte store per sprite, z after.
  ccV3F_C4B_T2F_Quad* shared[4];
  for (std::uint32_t k = 0; k < 4; ++k) shared[k] = &group[k]->textureAtlas_->quads()[group[k]->atlasIndex_];
  auto store = [&](ccV3F_C4B_T2F ccV3F_C4B_T2F_Quad::*corner, __m128 x, __m128 y) {
    const __m128 low = _mm_unpacklo_ps(x, y);
    const __m128 high = _mm_unpackhi_ps(x, y);
    _mm_storel_pi(reinterpret_cast<__m64*>(&(shared[0]->*corner).vertices.x), low);
    _mm_storeh_pi(reinterpret_cast<__m64*>(&(shared[1]->*corner).vertices.x), low);
    _mm_storel_pi(reinterpret_cast<__m64*>(&(shared[2]->*corner).vertices.x), high);
    _mm_storeh_pi(reinterpret_cast<__m64*>(&(shared[3]->*corner).vertices.x), high);
  };
  store(&ccV3F_C4B_T2F_Quad::tl, cornerX(x1, y2), cornerY(x1, y2));
  store(&ccV3F_C4B_T2F_Quad::bl, cornerX(x1, y1), cornerY(x1, y1));
  store(&ccV3F_C4B_T2F_Quad::tr, cornerX(x2, y2), cornerY(x2, y2));
  store(&ccV3F_C4B_T2F_Quad::br, cornerX(x2, y1), cornerY(x2, y1));
  alignas(16) float z[4];
  _mm_store_ps(z, vertexZ);
  for (std::uint32_t k = 0; k < 4; ++k) {
    CCSprite* const sprite = group[k];
    shared[k]->tl.vertices.z = shared[k]->bl.vertices.z = shared[k]->tr.vertices.z = shared[k]->br.vertices.z = z[k];
    sprite->verticesOnlyInAtlas_ = true;
    sprite->markClean();
  }
#else
  const float angles[4] = {group[0]->rotation_, group[1]->rotation_, group[2]->rotation_, group[3]->rotation_};
  float sine[4];
  float cosine[4];
  ccSinCosDegrees4(angles, sine, cosine);
  for (std::uint32_t k = 0; k < 4; ++k) {
    const bool unrotated = group[k]->rotation_ == 0.0f;
    group[k]->writeDirectTransform(unrotated ? 0.0f : -sine[k], unrotated ? 1.0f : cosine[k]);
  }
#endif
}

void CCSprite::updateDirtyTransforms(platform::Object* const* sprites, std::uint32_t count) {
  // Sprites straight in the batch node whose atlas quad needs new positions
  // alone wait here in fours, to be written side by side. The order in which
  // sprites are written does not matter: each writes only its own quad, from
  // node values alone.
  CCSprite* group[4];
  std::uint32_t waiting = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    auto* sprite = static_cast<CCSprite*>(sprites[i]);
    if (!sprite->dirty()) continue;
    const bool direct = sprite->parent_ == nullptr || sprite->parent_ == sprite->batchNode_;
    const CCTextureAtlas* atlas = sprite->textureAtlas_;
    if (!direct || !sprite->visible_ || !sprite->usesBatchNode() || sprite->contentDirty_ || !atlas ||
        sprite->atlasIndex_ >= atlas->totalQuads()) {
      sprite->updateTransform();
      continue;
    }
    group[waiting] = sprite;
    if (++waiting < 4) continue;
    writeDirectTransforms(group);
    waiting = 0;
  }
  for (std::uint32_t k = 0; k < waiting; ++k) group[k]->updateTransform();
}

void CCSprite::writeVertices(const CGAffineTransform& matrix) {
  // The four corners at once, in the quad's order (top-left, bottom-left,
  // top-right, bottom-right): x' = a x + c y + tx, y' = b x + d y + ty.
  using Float4 = float __attribute__((vector_size(16)));
  const float x1 = offsetPositionInPixels_.x;
  const float y1 = offsetPositionInPixels_.y;
  const float x2 = x1 + rectInPixels_.size.width;
  const float y2 = y1 + rectInPixels_.size.height;
  const Float4 xs = {x1, x1, x2, x2};
  const Float4 ys = {y2, y1, y2, y1};
  const Float4 px = matrix.a * xs + matrix.c * ys + matrix.tx;
  const Float4 py = matrix.b * xs + matrix.d * ys + matrix.ty;
  const float z = vertexZ_;

  const bool inUse = textureAtlas_ && atlasIndex_ < textureAtlas_->totalQuads();
  if (inUse && !contentDirty_) {
    // Only the transform changed: the atlas quad's colours and texture
    // coordinates are current, so the positions go there alone, once.
    // quad_ catches up when it is read.
    ccV3F_C4B_T2F_Quad& shared = textureAtlas_->quads()[atlasIndex_];
    shared.tl.vertices = ccVertex3F{px[0], py[0], z};
    shared.bl.vertices = ccVertex3F{px[1], py[1], z};
    shared.tr.vertices = ccVertex3F{px[2], py[2], z};
    shared.br.vertices = ccVertex3F{px[3], py[3], z};
    verticesOnlyInAtlas_ = true;
    markClean();
    return;
  }

  quad_.tl.vertices = ccVertex3F{px[0], py[0], z};
  quad_.bl.vertices = ccVertex3F{px[1], py[1], z};
  quad_.tr.vertices = ccVertex3F{px[2], py[2], z};
  quad_.br.vertices = ccVertex3F{px[3], py[3], z};
  verticesOnlyInAtlas_ = false;
  if (inUse) {
    // The whole quad in use in the atlas, written field by field from
    // registers: copying quad_ whole right after writing its positions would
    // read them back before the stores complete, which stalls.
    ccV3F_C4B_T2F_Quad& shared = textureAtlas_->quads()[atlasIndex_];
    shared.tl = ccV3F_C4B_T2F{{px[0], py[0], z}, quad_.tl.colors, quad_.tl.texCoords};
    shared.bl = ccV3F_C4B_T2F{{px[1], py[1], z}, quad_.bl.colors, quad_.bl.texCoords};
    shared.tr = ccV3F_C4B_T2F{{px[2], py[2], z}, quad_.tr.colors, quad_.tr.texCoords};
    shared.br = ccV3F_C4B_T2F{{px[3], py[3], z}, quad_.br.colors, quad_.br.texCoords};
    contentDirty_ = false;
  } else if (textureAtlas_) {
    // Past the quads in use the atlas extends its range (or refuses the index).
    textureAtlas_->updateQuad(&quad_, atlasIndex_);
    contentDirty_ = atlasIndex_ >= textureAtlas_->totalQuads();
  }
  markClean();
}

void CCSprite::setDirtyRecursively(bool dirty) {
  setBatchFlag(kDirty, dirty);
  setBatchFlag(kRecursiveDirty, dirty);
  if (!hasBatchFlag(kHasChildren) || !children_) return;
  for (platform::Object* object : *children_) {
    if (auto* child = dynamic_cast<CCSprite*>(object)) child->setDirtyRecursively(true);
  }
}

void CCSprite::markDirtyForTransform() {
  // One test for batch mode and not yet marked, one write for both marks.
  const std::uint8_t flags = subclassFlags_;
  if ((flags & (kUsesBatchNode | kRecursiveDirty)) != kUsesBatchNode) return;
  subclassFlags_ = static_cast<std::uint8_t>(flags | kDirty | kRecursiveDirty);
  if (flags & kHasChildren) setDirtyRecursively(true);
}

// [SECTION] Colour and blending

void CCSprite::setColor(const ccColor3B& color) {
  color_ = colorUnmodified_ = color;
  if (opacityModifyRGB_) {
    color_.r = static_cast<GLubyte>(color.r * opacity_ / 255);
    color_.g = static_cast<GLubyte>(color.g * opacity_ / 255);
    color_.b = static_cast<GLubyte>(color.b * opacity_ / 255);
  }
  updateColor();
}

ccColor3B CCSprite::color() const { return opacityModifyRGB_ ? colorUnmodified_ : color_; }

void CCSprite::setOpacity(GLubyte opacity) {
  opacity_ = opacity;
  // setColor() premultiplies again and writes the vertices.
  if (opacityModifyRGB_) {
    setColor(colorUnmodified_);
  } else {
    updateColor();
  }
}

void CCSprite::setOpacityModifyRGB(bool modify) {
  const ccColor3B current = color();
  opacityModifyRGB_ = modify;
  setColor(current);
}

void CCSprite::updateColor() {
  const ccColor4B color{color_.r, color_.g, color_.b, opacity_};
  quad_.bl.colors = quad_.br.colors = quad_.tl.colors = quad_.tr.colors = color;

  if (usesBatchNode()) {
    if (atlasIndex_ != CCSpriteIndexNotInitialized && textureAtlas_) {
      pullVerticesFromAtlas();
      textureAtlas_->updateQuad(&quad_, atlasIndex_);
    } else {
      // Written when the sprite is inserted into the atlas.
      setBatchFlag(kDirty, true);
      contentDirty_ = true;
    }
  }
}

void CCSprite::updateBlendFunc() {
  CCAssert(!usesBatchNode(),
           "CCSprite: updateBlendFunc doesn't work when the sprite is rendered using a CCSpriteBatchNode");
  if (texture_ && texture_->hasPremultipliedAlpha()) {
    blendFunc_ = ccBlendFunc{CC_BLEND_SRC, CC_BLEND_DST};
    setOpacityModifyRGB(true);
  } else {
    blendFunc_ = ccBlendFunc{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};
    setOpacityModifyRGB(false);
  }
}

CCTexture2D* CCSprite::texture() const { return texture_.get(); }

void CCSprite::setTexture(CCTexture2D* texture) {
  CCAssert(!usesBatchNode(), "CCSprite: setTexture doesn't work when the sprite is rendered using a CCSpriteBatchNode");
  if (usesBatchNode()) return;
  texture_ = texture;
  updateBlendFunc();
}

// [SECTION] Drawing

void CCSprite::draw() {
  CCAssert(!usesBatchNode(), "If CCSprite is being rendered by CCSpriteBatchNode, CCSprite#draw SHOULD NOT be called");
  if (usesBatchNode()) return;

  const bool newBlend = !(blendFunc_ == ccBlendFunc{CC_BLEND_SRC, CC_BLEND_DST});
  if (newBlend) glBlendFunc(blendFunc_.src, blendFunc_.dst);

  glBindTexture(GL_TEXTURE_2D, nameOf(texture_.get()));

  constexpr GLsizei stride = sizeof(ccV3F_C4B_T2F);
  glVertexPointer(3, GL_FLOAT, stride, &quad_.tl.vertices);
  glColorPointer(4, GL_UNSIGNED_BYTE, stride, &quad_.tl.colors);
  glTexCoordPointer(2, GL_FLOAT, stride, &quad_.tl.texCoords);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);

  if (newBlend) glBlendFunc(CC_BLEND_SRC, CC_BLEND_DST);
}

// [SECTION] Children

void CCSprite::addChild(CCNode* child, std::int32_t z, std::int32_t tag) {
  CCAssert(child != nullptr, "Argument must be non-nil");
  if (!child) return;

  if (usesBatchNode()) {
    auto* sprite = dynamic_cast<CCSprite*>(child);
    CCAssert(sprite != nullptr, "CCSprite only supports CCSprites as children when using CCSpriteBatchNode");
    if (!sprite) return;
    const GLuint atlasName = nameOf(textureAtlas_ ? textureAtlas_->texture() : nullptr);
    CCAssert(nameOf(sprite->texture()) == atlasName, "CCSprite is not using the same texture id");
    if (nameOf(sprite->texture()) != atlasName) return;

    // The base refuses a child that has a parent already (this sprite too).
    const bool accepted = child->parent() == nullptr;
    CCNode::addChild(child, z, tag);
    if (accepted && batchNode_) {
      batchNode_->insertChildInAtlasAtIndex(sprite, batchNode_->atlasIndexForChild(sprite, z));
    }
  } else {
    CCNode::addChild(child, z, tag);
  }
  setBatchFlag(kHasChildren, children_ && children_->count() != 0);
}

void CCSprite::removeChild(CCNode* child, bool cleanup) {
  // Only a child of this sprite leaves the atlas: anything else would take
  // another sprite's quads with it.
  if (usesBatchNode() && batchNode_ && child && child->parent() == this) {
    if (auto* sprite = dynamic_cast<CCSprite*>(child)) batchNode_->removeSpriteFromAtlas(sprite);
  }
  CCNode::removeChild(child, cleanup);
  setBatchFlag(kHasChildren, children_ && children_->count() != 0);
}

void CCSprite::removeAllChildrenWithCleanup(bool cleanup) {
  if (usesBatchNode() && batchNode_ && children_) {
    for (platform::Object* object : *children_) {
      if (auto* sprite = dynamic_cast<CCSprite*>(object)) batchNode_->removeSpriteFromAtlas(sprite);
    }
  }
  CCNode::removeAllChildrenWithCleanup(cleanup);
  setBatchFlag(kHasChildren, false);
}

void CCSprite::reorderChild(CCNode* child, std::int32_t z) {
  CCAssert(child != nullptr, "Child must be non-nil");
  if (!child) return;
  const bool isChild = child->parent() == this && children_ && children_->containsObject(child);
  CCAssert(isChild, "Child doesn't belong to Sprite");
  if (!isChild || z == child->zOrder()) return;

  if (usesBatchNode()) {
    // Out and back in: the child and its subtree take new atlas indices.
    platform::Ref<CCNode> keepAlive(child);
    removeChild(child, false);
    addChild(child, z, child->tag());
  } else {
    CCNode::reorderChild(child, z);
  }
}

// [SECTION] Transform setters

void CCSprite::setPosition(CGPoint position) {
  CCNode::setPosition(position);
  markDirtyForTransform();
}

void CCSprite::setPositionInPixels(CGPoint position) {
  CCNode::setPositionInPixels(position);
  markDirtyForTransform();
}

void CCSprite::setRotation(float rotation) {
  CCNode::setRotation(rotation);
  markDirtyForTransform();
}

void CCSprite::setScaleX(float scaleX) {
  CCNode::setScaleX(scaleX);
  markDirtyForTransform();
}

void CCSprite::setScaleY(float scaleY) {
  CCNode::setScaleY(scaleY);
  markDirtyForTransform();
}

void CCSprite::setScale(float scale) {
  CCNode::setScale(scale);
  markDirtyForTransform();
}

void CCSprite::setVertexZ(float vertexZ) {
  CCNode::setVertexZ(vertexZ);
  markDirtyForTransform();
}

void CCSprite::setAnchorPoint(CGPoint anchorPoint) {
  CCNode::setAnchorPoint(anchorPoint);
  markDirtyForTransform();
}

void CCSprite::setVisible(bool visible) {
  CCNode::setVisible(visible);
  markDirtyForTransform();
}

void CCSprite::setIsRelativeAnchorPoint(bool relative) {
  CCAssert(!usesBatchNode(), "relativeTransformAnchor is invalid in CCSprite");
  CCNode::setIsRelativeAnchorPoint(relative);
}

// [SECTION] Named animations

void CCSprite::addAnimation(CCAnimation* animation) {
  if (animation) animations_[animation->name()] = animation;
}

CCAnimation* CCSprite::animationByName(const std::string& name) const {
  CCAssert(!name.empty(), "animationName parameter must be non nil");
  auto found = animations_.find(name);
  return found != animations_.end() ? found->second.get() : nullptr;
}

void CCSprite::setDisplayFrame(const std::string& animationName, std::int32_t index) {
  CCSpriteFrame* frame = frameOf(animationByName(animationName), index);
  CCAssert(frame != nullptr, "CCSprite#setDisplayFrame. Invalid frame");
  if (frame) setDisplayFrame(frame);
}

void CCSprite::setDisplayFrameWithAnimationName(const std::string& animationName, std::int32_t index) {
  CCAssert(!animationName.empty(), "CCSprite#setDisplayFrameWithAnimationName. animationName must not be nil");
  CCAnimation* animation = CCAnimationCache::sharedAnimationCache()->animationByName(animationName);
  CCAssert(animation != nullptr, "CCSprite#setDisplayFrameWithAnimationName: Frame not found");
  if (!animation) return;
  CCSpriteFrame* frame = frameOf(animation, index);
  CCAssert(frame != nullptr, "CCSprite#setDisplayFrame. Invalid frame");
  if (frame) setDisplayFrame(frame);
}
