#include "tessera/CCProgressTimer.h"

#include "platform/Assert.h"
#include "platform/Log.h"
#include "tessera/CCSprite.h"
#include "tessera/CCTexture2D.h"
#include "tessera/CCTextureCache.h"
#include "tessera/Support/CGPointExtension.h"

#include <cfloat>
#include <cmath>

// [SECTION] Creation
// [SECTION] Properties
// [SECTION] Geometry
// [SECTION] Drawing

namespace {

// A full fan: the anchor, 12 o'clock, four corners and the hit point.
constexpr std::size_t kMaxVertices = 7;
constexpr std::size_t kBarVertices = 4;
constexpr float kTwoPi = 6.2831855f;

bool isRadial(std::int32_t type) {
  return type == kCCProgressTimerTypeRadialCCW || type == kCCProgressTimerTypeRadialCW;
}

}  // namespace

// [SECTION] Creation

CCProgressTimer* CCProgressTimer::progressWithFile(const std::string& filename) {
  return platform::createAutoreleased<CCProgressTimer>(
      [&](CCProgressTimer& timer) { return timer.initWithFile(filename); });
}

CCProgressTimer* CCProgressTimer::progressWithTexture(CCTexture2D* texture) {
  return platform::createAutoreleased<CCProgressTimer>(
      [&](CCProgressTimer& timer) { return timer.initWithTexture(texture); });
}

bool CCProgressTimer::initWithFile(const std::string& filename) {
  CCTexture2D* texture = CCTextureCache::sharedTextureCache()->addImage(filename);
  if (!texture) {
    CCLOG("tessera: CCProgressTimer: can't load the image '%s'", filename.c_str());
    return false;
  }
  return initWithTexture(texture);
}

bool CCProgressTimer::initWithTexture(CCTexture2D* texture) {
  if (!texture) {
    CCLOG("tessera: CCProgressTimer: a progress timer needs a texture");
    return false;
  }
  if (!CCNode::init()) return false;
  CCSprite* sprite = CCSprite::spriteWithTexture(texture);
  if (!sprite) return false;
  sprite_ = sprite;
  percentage_ = 0.0f;
  vertexData_.clear();
  vertexData_.reserve(kMaxVertices);
  setAnchorPoint(CGPointMake(0.5f, 0.5f));
  setContentSize(sprite_->contentSize());
  type_ = kCCProgressTimerTypeRadialCCW;
  return true;
}

CCProgressTimer::~CCProgressTimer() = default;

// [SECTION] Properties

void CCProgressTimer::setPercentage(float percentage) {
  if (percentage == percentage_ || std::isnan(percentage)) return;
  percentage_ = percentage < 0.0f ? 0.0f : (percentage > 100.0f ? 100.0f : percentage);
  updateProgress();
}

void CCProgressTimer::setType(std::int32_t type) {
  if (type == type_) return;
  vertexData_.clear();
  type_ = type;
  // Rebuilt at once, so the timer goes on showing its percentage.
  updateProgress();
}

void CCProgressTimer::setSprite(CCSprite* sprite) {
  if (sprite == sprite_.get()) return;
  sprite_ = sprite;
  vertexData_.clear();
  updateProgress();
}

// [SECTION] Geometry

void CCProgressTimer::updateProgress() {
  if (!sprite_) return;
  if (isRadial(type_)) {
    updateRadial();
  } else if (type_ >= kCCProgressTimerTypeHorizontalBarLR && type_ <= kCCProgressTimerTypeVerticalBarTB) {
    updateBar();
  }
}

void CCProgressTimer::updateColor() {
  if (vertexData_.empty() || !sprite_) return;
  const ccColor3B color = sprite_->color();
  const GLubyte opacity = sprite_->opacity();
  ccColor4F c{color.r / 255.0f, color.g / 255.0f, color.b / 255.0f, opacity / 255.0f};
  CCTexture2D* texture = sprite_->texture();
  if (texture && texture->hasPremultipliedAlpha()) {
    c.r *= c.a;
    c.g *= c.a;
    c.b *= c.a;
  }
  for (ccV2F_C4F_T2F& vertex : vertexData_) vertex.colors = c;
}

CGPoint CCProgressTimer::boundaryTexCoord(std::uint32_t index) const {
  if (index > 3) return CGPointZero;
  // Corner i of the square in sweep order, packed two bits per corner.
  constexpr std::uint32_t kCorners = 0x1E;
  if (type_ == kCCProgressTimerTypeRadialCW) {
    return CGPointMake(float((kCorners >> (2 * index + 1)) & 1), float((kCorners >> (2 * index)) & 1));
  }
  if (type_ == kCCProgressTimerTypeRadialCCW) {
    return CGPointMake(float((kCorners >> (7 - 2 * index)) & 1), float((kCorners >> (6 - 2 * index)) & 1));
  }
  return CGPointZero;
}

CGPoint CCProgressTimer::vertexFromTexCoord(CGPoint texCoord) const {
  CCTexture2D* texture = sprite_ ? sprite_->texture() : nullptr;
  if (!texture) return CGPointZero;
  const CGSize size = texture->contentSizeInPixels();
  return CGPointMake(size.width * texCoord.x / texture->maxS(),
                     size.height * (1.0f - texCoord.y / texture->maxT()));
}

CGPoint CCProgressTimer::textureMax() const {
  CCTexture2D* texture = sprite_ ? sprite_->texture() : nullptr;
  return texture ? CGPointMake(texture->maxS(), texture->maxT()) : CGPointZero;
}

ccTex2F CCProgressTimer::flipped(CGPoint texCoord, CGPoint tMax) const {
  ccTex2F result{texCoord.x, texCoord.y};
  if (sprite_->flipX()) result.u = tMax.x - result.u;
  if (sprite_->flipY()) result.v = tMax.y - result.v;
  return result;
}

void CCProgressTimer::setVertex(std::size_t index, CGPoint texCoord, CGPoint tMax) {
  ccV2F_C4F_T2F& vertex = vertexData_[index];
  const CGPoint position = vertexFromTexCoord(texCoord);
  vertex.vertices = ccVertex2F{position.x, position.y};
  vertex.texCoords = flipped(texCoord, tMax);
}

void CCProgressTimer::resizeVertexData(std::size_t count) {
  if (vertexData_.capacity() < kMaxVertices) vertexData_.reserve(kMaxVertices);
  vertexData_.resize(count);
}

void CCProgressTimer::updateRadial() {
  const float alpha = percentage_ / 100.0f;
  const CGPoint tMax = textureMax();
  const CGPoint mid = CGPointMake(anchorPoint_.x * tMax.x, anchorPoint_.y * tMax.y);
  const CGPoint topMid = CGPointMake(mid.x, 0.0f);
  const float angle = type_ == kCCProgressTimerTypeRadialCW ? alpha * kTwoPi : (1.0f - alpha) * kTwoPi;
  const CGPoint edge = pointRotateByAngle(topMid, mid, angle);

  // Where the sector's moving edge leaves the image, and how many corners
  // the sector has passed. The top border is split at 12 o'clock into its
  // two halves, the first (i = 0) and the last (i = 4) stretch swept.
  CGPoint hit = topMid;
  std::uint32_t passed = 0;
  if (alpha == 1.0f) {
    passed = 4;
  } else if (alpha != 0.0f) {
    float best = FLT_MAX;
    for (std::uint32_t i = 0; i <= 4; ++i) {
      CGPoint a = pointCompMult(boundaryTexCoord(i % 4), tMax);
      CGPoint b = pointCompMult(boundaryTexCoord((i + 3) % 4), tMax);
      if (i == 0) b = pointLerp(a, b, 0.5f);
      if (i == 4) a = pointLerp(a, b, 0.5f);
      float s = 0.0f;
      float t = 0.0f;
      if (!pointLineIntersect(a, b, mid, edge, &s, &t)) continue;
      if ((i == 0 || i == 4) && !(s >= 0.0f && s <= 1.0f)) continue;
      if (t >= 0.0f && t < best) {
        best = t;
        passed = i;
      }
    }
    hit = CGPointMake(mid.x + (edge.x - mid.x) * best, mid.y + (edge.y - mid.y) * best);
  }

  const std::size_t count = passed + 3;
  const bool rebuild = vertexData_.size() != count;
  if (rebuild) {
    resizeVertexData(count);
    updateColor();
    setVertex(0, mid, tMax);
    setVertex(1, topMid, tMax);
    for (std::uint32_t i = 0; i < passed; ++i) setVertex(i + 2, pointCompMult(boundaryTexCoord(i), tMax), tMax);
  }
  setVertex(count - 1, hit, tMax);
}

void CCProgressTimer::updateBar() {
  const float alpha = percentage_ / 100.0f;
  const CGPoint tMax = textureMax();

  if (vertexData_.size() != kBarVertices) {
    resizeVertexData(kBarVertices);
    switch (type_) {
      case kCCProgressTimerTypeHorizontalBarLR:
        setVertex(0, CGPointMake(0, 0), tMax);
        setVertex(1, CGPointMake(0, tMax.y), tMax);
        break;
      case kCCProgressTimerTypeHorizontalBarRL:
        setVertex(2, CGPointMake(tMax.x, tMax.y), tMax);
        setVertex(3, CGPointMake(tMax.x, 0), tMax);
        break;
      case kCCProgressTimerTypeVerticalBarBT:
        setVertex(1, CGPointMake(0, tMax.y), tMax);
        setVertex(3, CGPointMake(tMax.x, tMax.y), tMax);
        break;
      case kCCProgressTimerTypeVerticalBarTB:
        setVertex(0, CGPointMake(0, 0), tMax);
        setVertex(2, CGPointMake(tMax.x, 0), tMax);
        break;
      default:
        break;
    }
    updateColor();
  }

  switch (type_) {
    case kCCProgressTimerTypeHorizontalBarLR:
      setVertex(3, CGPointMake(tMax.x * alpha, tMax.y), tMax);
      setVertex(2, CGPointMake(tMax.x * alpha, 0), tMax);
      break;
    case kCCProgressTimerTypeHorizontalBarRL:
      setVertex(1, CGPointMake(tMax.x * (1.0f - alpha), 0), tMax);
      setVertex(0, CGPointMake(tMax.x * (1.0f - alpha), tMax.y), tMax);
      break;
    case kCCProgressTimerTypeVerticalBarBT:
      setVertex(0, CGPointMake(0, tMax.y * (1.0f - alpha)), tMax);
      setVertex(2, CGPointMake(tMax.x, tMax.y * (1.0f - alpha)), tMax);
      break;
    case kCCProgressTimerTypeVerticalBarTB:
      setVertex(1, CGPointMake(0, tMax.y * alpha), tMax);
      setVertex(3, CGPointMake(tMax.x, tMax.y * alpha), tMax);
      break;
    default:
      break;
  }
}

// [SECTION] Drawing

void CCProgressTimer::draw() {
  if (vertexData_.empty() || !sprite_) return;

  const ccBlendFunc blend = sprite_->blendFunc();
  const bool newBlend = !(blend == ccBlendFunc{CC_BLEND_SRC, CC_BLEND_DST});
  if (newBlend) glBlendFunc(blend.src, blend.dst);

  CCTexture2D* texture = sprite_->texture();
  glBindTexture(GL_TEXTURE_2D, texture ? texture->name() : 0);

  constexpr GLsizei stride = sizeof(ccV2F_C4F_T2F);
  glVertexPointer(2, GL_FLOAT, stride, &vertexData_[0].vertices);
  glTexCoordPointer(2, GL_FLOAT, stride, &vertexData_[0].texCoords);
  glColorPointer(4, GL_FLOAT, stride, &vertexData_[0].colors);
  glDrawArrays(isRadial(type_) ? GL_TRIANGLE_FAN : GL_TRIANGLE_STRIP, 0, static_cast<GLsizei>(vertexData_.size()));

  if (newBlend) glBlendFunc(CC_BLEND_SRC, CC_BLEND_DST);
}
