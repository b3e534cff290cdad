#include "tessera/CCRibbon.h"

#include "platform/StringUtils.h"
#include "tessera/CCTextureCache.h"
#include "tessera/Support/CGPointExtension.h"
#include "tessera/ccMacros.h"

#include <GLES/gl.h>

#include <algorithm>
#include <cmath>

namespace {

// π/2 in single precision: the edges stand at right angles to the step.
constexpr float kQuarterTurn = 1.5707964f;

// Segments the lists have room for before either grows: a trail of up to
// this many segments never reallocates them.
constexpr std::size_t kReservedSegments = 8;

const ccBlendFunc kStandardBlend{GL_ONE, GL_ONE_MINUS_SRC_ALPHA};

void storePoint(CCRibbonSegment& segment, std::uint32_t index, float time, CGPoint left, CGPoint right, float v) {
  segment.creationTime[index] = time;
  GLfloat* vertex = &segment.verts[index * 6];
  vertex[0] = left.x;
  vertex[1] = left.y;
  vertex[2] = 0.0f;
  vertex[3] = right.x;
  vertex[4] = right.y;
  vertex[5] = 0.0f;
  GLfloat* coord = &segment.coords[index * 4];
  coord[0] = 0.0f;
  coord[1] = v;
  coord[2] = 1.0f;
  coord[3] = v;
}

CGPoint offsetPoint(CGPoint origin, CGPoint offset) {
  return CGPointMake(origin.x + offset.x, origin.y + offset.y);
}

}  // namespace

// [SECTION] Segments

bool CCRibbonSegment::init() {
  reset();
  return true;
}

void CCRibbonSegment::reset() {
  end = 0;
  begin = 0;
  finished = false;
}

void CCRibbonSegment::draw(float time, float fadeTime, ccColor4B color) {
  if (begin >= kCCRibbonSegmentPoints) {
    finished = true;
    return;
  }
  if (time == 0.0f) {
    glColor4ub(color.r, color.g, color.b, color.a);
  } else {
    glEnableClientState(GL_COLOR_ARRAY);
    const std::uint32_t first = begin;
    for (std::uint32_t i = first; i < end; ++i) {
      GLubyte* rgba = &colors[i * 8];
      rgba[0] = rgba[4] = color.r;
      rgba[1] = rgba[5] = color.g;
      rgba[2] = rgba[6] = color.b;
      const float alive = (time - creationTime[i]) / fadeTime;
      GLubyte alpha = 0;
      // A zero fade time makes 0 / 0 for a point added this instant: such a
      // point has faded as surely as an older one. A negative fade time
      // would give alphas above 255; they are clamped before the narrowing.
      if (!(alive <= 1.0f)) {
        ++begin;
      } else {
        const float level = std::clamp(255.0f - alive * 255.0f, 0.0f, 255.0f);
        alpha = static_cast<GLubyte>(level);
      }
      rgba[3] = rgba[7] = alpha;
    }
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, &colors[std::min(begin, kCCRibbonSegmentPoints - 1) * 8]);
  }
  const std::uint32_t count = end - begin;
  if (count == 0) return;
  glVertexPointer(3, GL_FLOAT, 0, &verts[begin * 6]);
  glTexCoordPointer(2, GL_FLOAT, 0, &coords[begin * 4]);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, static_cast<GLsizei>(count * 2));
}

std::string CCRibbonSegment::description() const {
  return platform::formatString("<%s = %s | end = %u, begin = %u>", className(),
                                platform::addressString(this).c_str(), end, begin);
}

// [SECTION] Creation

CCRibbon* CCRibbon::ribbonWithWidth(float width, const std::string& image, float length, ccColor4B color,
                                    float fade) {
  return platform::createAutoreleased<CCRibbon>(
      [&](CCRibbon& ribbon) { return ribbon.initWithWidth(width, image, length, color, fade); });
}

bool CCRibbon::initWithWidth(float width, const std::string& image, float length, ccColor4B color, float fade) {
  if (!CCNode::init()) return false;

  segments_.clear();
  deletedSegments_.clear();
  segments_.reserve(kReservedSegments);
  deletedSegments_.reserve(kReservedSegments);
  auto* first = new CCRibbonSegment();
  first->init();
  segments_.push_back(platform::Ref<CCRibbonSegment>::adopt(first));

  textureLength_ = length;
  color_ = color;
  fadeTime_ = fade;
  lastLocation_ = CGPointZero;
  lastPoint1_ = lastPoint2_ = CGPointZero;
  lastWidth_ = width * 0.5f;
  texVPos_ = 0.0f;
  curTime_ = 0.0f;
  delta_ = 0.0f;
  pastFirstPoint_ = false;
  blendFunc_ = {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};

  setTexture(image.empty() ? nullptr : CCTextureCache::sharedTextureCache()->addImage(image));
  if (texture_) {
    // Repeating needs power-of-two sides in GL ES 1.1; a texture without them
    // is clamped instead of failing the texture's assertion.
    const unsigned int wide = texture_->pixelsWide();
    const unsigned int high = texture_->pixelsHigh();
    const bool powerOfTwo = wide == nextPowerOfTwo(wide) && high == nextPowerOfTwo(high);
    const GLuint wrap = powerOfTwo ? GL_REPEAT : GL_CLAMP_TO_EDGE;
    const ccTexParams params{GL_LINEAR, GL_LINEAR, wrap, wrap};
    texture_->setTexParameters(&params);
  }
  return true;
}

CCRibbon::~CCRibbon() = default;

// [SECTION] Points and time

CGPoint CCRibbon::rotatePoint(CGPoint point, float rotation) {
  const float cosine = std::cos(rotation);
  const float sine = std::sin(rotation);
  return CGPointMake(point.x * cosine - point.y * sine, point.x * sine + point.y * cosine);
}

float CCRibbon::sideOfLine(CGPoint point, CGPoint lineStart, CGPoint lineEnd) {
  return (point.y - lineStart.y) * (lineStart.x - lineEnd.x) - (point.x - lineStart.x) * (lineStart.y - lineEnd.y);
}

void CCRibbon::addPointAt(CGPoint location, float width) {
  const float factor = CC_CONTENT_SCALE_FACTOR();
  location = CGPointMake(location.x * factor, location.y * factor);
  width = width * 0.5f;

  if (!pastFirstPoint_) {
    lastWidth_ = width;
    lastLocation_ = location;
    pastFirstPoint_ = true;
    return;
  }

  const CGPoint step = CGPointMake(lastLocation_.x - location.x, lastLocation_.y - location.y);
  const float r = pointToAngle(step) + kQuarterTurn;
  const CGPoint p1 = offsetPoint(location, rotatePoint(CGPointMake(-width, 0.0f), r));
  const CGPoint p2 = offsetPoint(location, rotatePoint(CGPointMake(width, 0.0f), r));
  const float tEnd = texVPos_ + pointLength(step) / textureLength_;

  recycleFinishedSegments();

  CCRibbonSegment* segment = segments_.back().get();
  if (segment->end >= kCCRibbonSegmentPoints) {
    // A full segment: the next one starts where it ends, so the strip has no
    // gap between them.
    platform::Ref<CCRibbonSegment> next = takeSegment();
    const std::uint32_t last = segment->end - 1;
    next->creationTime[0] = segment->creationTime[last];
    std::copy_n(&segment->verts[last * 6], 6, &next->verts[0]);
    std::copy_n(&segment->coords[last * 4], 4, &next->coords[0]);
    next->end = 1;
    segment = next.get();
    segments_.push_back(std::move(next));
  }

  if (segment->end == 0) {
    // The strip's first quad also needs the previous point's edges.
    storePoint(*segment, 0, curTime_ - delta_, offsetPoint(lastLocation_, rotatePoint(CGPointMake(-lastWidth_, 0.0f), r)),
               offsetPoint(lastLocation_, rotatePoint(CGPointMake(lastWidth_, 0.0f), r)), texVPos_);
    segment->end = 1;
  }

  storePoint(*segment, segment->end, curTime_, p1, p2, tEnd);
  segment->end += 1;

  texVPos_ = tEnd;
  lastLocation_ = location;
  lastPoint1_ = p1;
  lastPoint2_ = p2;
  lastWidth_ = width;
}

void CCRibbon::recycleFinishedSegments() {
  if (segments_.empty()) return;
  const CCRibbonSegment* last = segments_.back().get();
  bool any = false;
  for (const platform::Ref<CCRibbonSegment>& segment : segments_) {
    if (segment.get() != last && segment->finished) {
      deletedSegments_.push_back(segment);
      any = true;
    }
  }
  if (!any) return;
  // Every segment listed for reuse leaves the drawing list (all of its
  // entries, should it be listed twice).
  std::erase_if(segments_, [this](const platform::Ref<CCRibbonSegment>& segment) {
    return std::find(deletedSegments_.begin(), deletedSegments_.end(), segment) != deletedSegments_.end();
  });
}

platform::Ref<CCRibbonSegment> CCRibbon::takeSegment() {
  if (!deletedSegments_.empty()) {
    platform::Ref<CCRibbonSegment> segment = deletedSegments_.front();
    std::erase(deletedSegments_, segment);
    segment->reset();
    return segment;
  }
  auto* segment = new CCRibbonSegment();
  segment->init();
  return platform::Ref<CCRibbonSegment>::adopt(segment);
}

void CCRibbon::update(float dt) {
  curTime_ += dt;
  delta_ = dt;
}

// [SECTION] Drawing

void CCRibbon::draw() {
  if (segments_.empty()) return;
  glDisableClientState(GL_COLOR_ARRAY);
  glBindTexture(GL_TEXTURE_2D, texture_ ? texture_->name() : 0);

  const bool newBlend = !(blendFunc_ == kStandardBlend);
  if (newBlend) glBlendFunc(blendFunc_.src, blendFunc_.dst);

  for (const platform::Ref<CCRibbonSegment>& segment : segments_) segment->draw(curTime_, fadeTime_, color_);

  if (newBlend) glBlendFunc(kStandardBlend.src, kStandardBlend.dst);
  glEnableClientState(GL_COLOR_ARRAY);
}

// [SECTION] Properties

void CCRibbon::setTexture(CCTexture2D* texture) {
  texture_ = texture;
  if (texture) setContentSizeInPixels(texture->contentSizeInPixels());
}
