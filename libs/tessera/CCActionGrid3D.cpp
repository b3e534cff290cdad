#include "tessera/CCActionGrid3D.h"

#include "platform/Exception.h"
#include "platform/Random.h"
#include "tessera/Support/CGPointExtension.h"
#include "tessera/ccMacros.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr float kPi = 3.1415927f;

// A random offset in −range ... range − 1 (r mod 2·range − range); see
// CCShaky3D. The caller skips a range of 0.
float randomOffset(std::int64_t size) {
  return static_cast<float>(static_cast<std::int64_t>(platform::random()) % (2 * size) - size);
}

CGPoint inPixels(CGPoint position) {
  const float factor = CC_CONTENT_SCALE_FACTOR();
  return CGPointMake(position.x * factor, position.y * factor);
}

float distanceBetween(CGPoint a, float x, float y) { return pointLength(CGPointMake(a.x - x, a.y - y)); }

// Makes a new action of the same class (count 1) and runs `init` on it; nullptr
// when that fails.
template <class T, class Init>
T* copyWith(T* made, Init&& init) {
  if (made && !init(*made)) {
    made->release();
    return nullptr;
  }
  return made;
}

}  // namespace

// [SECTION] CCWaves3D

CCWaves3D* CCWaves3D::actionWithWaves(int waves, float amplitude, ccGridSize gridSize, float duration) {
  return createAction<CCWaves3D>([&](CCWaves3D& a) { return a.initWithWaves(waves, amplitude, gridSize, duration); });
}

bool CCWaves3D::initWithWaves(int waves, float amplitude, ccGridSize gridSize, float duration) {
  if (!CCGrid3DAction::initWithSize(gridSize, duration)) return false;
  waves_ = waves;
  amplitude_ = amplitude;
  amplitudeRate_ = 1.0f;
  return true;
}

CCWaves3D* CCWaves3D::copy() const {
  return copyWith(newInstanceOfSameClass<CCWaves3D>(),
                  [&](CCWaves3D& a) { return a.initWithWaves(waves_, amplitude_, gridSize_, duration_); });
}

void CCWaves3D::update(float t) {
  CCGrid3D* grid = targetGrid();
  if (!grid) return;
  for (int i = 0; i <= gridSize_.x; ++i) {
    for (int j = 0; j <= gridSize_.y; ++j) {
      ccVertex3F v = grid->originalVertex(ccg(i, j));
      v.z += std::sin(t * kPi * waves_ * 2 + (v.y + v.x) * 0.01f) * amplitude_ * amplitudeRate_;
      grid->setVertex(ccg(i, j), v);
    }
  }
}

// [SECTION] CCFlipX3D, CCFlipY3D

CCFlipX3D* CCFlipX3D::actionWithDuration(float duration) {
  return createAction<CCFlipX3D>([&](CCFlipX3D& a) { return a.initWithDuration(duration); });
}

bool CCFlipX3D::initWithDuration(float duration) { return initWithSize(ccg(1, 1), duration); }

bool CCFlipX3D::initWithSize(ccGridSize gridSize, float duration) {
  if (gridSize.x != 1 || gridSize.y != 1) throw platform::Exception("FlipX3D", "Grid size must be (1,1)");
  return CCGrid3DAction::initWithSize(gridSize, duration);
}

void CCFlipX3D::update(float t) {
  CCGrid3D* grid = targetGrid();
  if (!grid) return;
  float angle = kPi * t;
  const float mz = std::sin(angle);
  angle = angle / 2.0f;
  const float mx = std::cos(angle);

  const float x0 = grid->originalVertex(ccg(1, 1)).x;
  const float x1 = grid->originalVertex(ccg(0, 0)).x;
  float x;
  ccGridSize a, b, c, d;  // a, b: the column that folds in; c, d: the one that follows
  if (x0 > x1) {
    a = ccg(0, 0), b = ccg(0, 1), c = ccg(1, 0), d = ccg(1, 1);
    x = x0;
  } else {
    c = ccg(0, 0), d = ccg(0, 1), a = ccg(1, 0), b = ccg(1, 1);
    x = x1;
  }
  const float dx = x - x * mx;
  const float dz = std::fabs(std::floor(x * mz * 0.25f));

  for (ccGridSize corner : {a, b}) {
    ccVertex3F v = grid->originalVertex(corner);
    v.x = dx;
    v.z += dz;
    grid->setVertex(corner, v);
  }
  for (ccGridSize corner : {c, d}) {
    ccVertex3F v = grid->originalVertex(corner);
    v.x -= dx;
    v.z -= dz;
    grid->setVertex(corner, v);
  }
}

CCFlipY3D* CCFlipY3D::actionWithDuration(float duration) {
  return createAction<CCFlipY3D>([&](CCFlipY3D& a) { return a.initWithDuration(duration); });
}

void CCFlipY3D::update(float t) {
  CCGrid3D* grid = targetGrid();
  if (!grid) return;
  float angle = kPi * t;
  const float mz = std::sin(angle);
  angle = angle / 2.0f;
  const float my = std::cos(angle);

  const float y0 = grid->originalVertex(ccg(1, 1)).y;
  const float y1 = grid->originalVertex(ccg(0, 0)).y;
  float y;
  int bottom, top;  // rows: the one that folds in, the one that follows
  if (y0 > y1) {
    bottom = 0, top = 1;
    y = y0;
  } else {
    bottom = 1, top = 0;
    y = y1;
  }
  const float dy = y - y * my;
  const float dz = std::fabs(std::floor(y * mz * 0.25f));

  for (int i = 0; i <= 1; ++i) {
    ccVertex3F v = grid->originalVertex(ccg(i, bottom));
    v.y = dy;
    v.z += dz;
    grid->setVertex(ccg(i, bottom), v);

    v = grid->originalVertex(ccg(i, top));
    v.y -= dy;
    v.z -= dz;
    grid->setVertex(ccg(i, top), v);
  }
}

// [SECTION] CCLens3D

CCLens3D* CCLens3D::actionWithPosition(CGPoint position, float radius, ccGridSize gridSize, float duration) {
  return createAction<CCLens3D>(
      [&](CCLens3D& a) { return a.initWithPosition(position, radius, gridSize, duration); });
}

bool CCLens3D::initWithPosition(CGPoint position, float radius, ccGridSize gridSize, float duration) {
  if (!CCGrid3DAction::initWithSize(gridSize, duration)) return false;
  position_ = position;
  positionInPixels_ = inPixels(position);
  radius_ = radius;
  lensEffect_ = 0.7f;
  dirty_ = true;
  return true;
}

CCLens3D* CCLens3D::copy() const {
  return copyWith(newInstanceOfSameClass<CCLens3D>(), [&](CCLens3D& a) {
    if (!a.initWithPosition(position_, radius_, gridSize_, duration_)) return false;
    a.setLensEffect(lensEffect_);
    return true;
  });
}

void CCLens3D::setPosition(CGPoint position) {
  if (position.x == position_.x && position.y == position_.y) return;
  position_ = position;
  positionInPixels_ = inPixels(position);
  dirty_ = true;
}

void CCLens3D::startWithTarget(platform::Object* target) {
  // Each run lenses its grid: a second run of the same action (in a repeat,
  // say) gets a fresh grid, which would otherwise stay flat.
  dirty_ = true;
  CCGrid3DAction::startWithTarget(target);
}

void CCLens3D::update(float t) {
  if (!dirty_) return;
  CCGrid3D* grid = targetGrid();
  if (!grid) return;
  for (int i = 0; i <= gridSize_.x; ++i) {
    for (int j = 0; j <= gridSize_.y; ++j) {
      ccVertex3F v = grid->originalVertex(ccg(i, j));
      const CGPoint toCentre = CGPointMake(positionInPixels_.x - v.x, positionInPixels_.y - v.y);
      const float d = pointLength(toCentre);
      if (d < radius_) {
        float p = (radius_ - d) / radius_;
        if (p == 0.0f) p = 0.001f;
        const float n = std::exp(std::log(p) * lensEffect_) * radius_;
        if (d > 0) {
          const CGPoint unit = pointNormalize(toCentre);
          v.z += pointLength(CGPointMake(unit.x * n, unit.y * n)) * lensEffect_;
        }
      }
      grid->setVertex(ccg(i, j), v);
    }
  }
  dirty_ = false;
}

// [SECTION] CCRipple3D

CCRipple3D* CCRipple3D::actionWithPosition(CGPoint position, float radius, int waves, float amplitude,
                                           ccGridSize gridSize, float duration) {
  return createAction<CCRipple3D>([&](CCRipple3D& a) {
    return a.initWithPosition(position, radius, waves, amplitude, gridSize, duration);
  });
}

bool CCRipple3D::initWithPosition(CGPoint position, float radius, int waves, float amplitude, ccGridSize gridSize,
                                  float duration) {
  if (!CCGrid3DAction::initWithSize(gridSize, duration)) return false;
  position_ = position;
  positionInPixels_ = inPixels(position);
  radius_ = radius;
  waves_ = waves;
  amplitude_ = amplitude;
  amplitudeRate_ = 1.0f;
  return true;
}

CCRipple3D* CCRipple3D::copy() const {
  return copyWith(newInstanceOfSameClass<CCRipple3D>(), [&](CCRipple3D& a) {
    return a.initWithPosition(position_, radius_, waves_, amplitude_, gridSize_, duration_);
  });
}

void CCRipple3D::setPosition(CGPoint position) {
  position_ = position;
  positionInPixels_ = inPixels(position);
}

void CCRipple3D::update(float t) {
  CCGrid3D* grid = targetGrid();
  if (!grid) return;
  for (int i = 0; i <= gridSize_.x; ++i) {
    for (int j = 0; j <= gridSize_.y; ++j) {
      ccVertex3F v = grid->originalVertex(ccg(i, j));
      const float d = distanceBetween(positionInPixels_, v.x, v.y);
      if (d < radius_) {
        const float r = radius_ - d;
        const float fade = r / radius_;
        v.z += std::sin(t * kPi * waves_ * 2 + r * 0.1f) * amplitude_ * amplitudeRate_ * (fade * fade);
      }
      grid->setVertex(ccg(i, j), v);
    }
  }
}

// [SECTION] CCShaky3D

CCShaky3D* CCShaky3D::actionWithRange(int range, bool shakeZ, ccGridSize gridSize, float duration) {
  return createAction<CCShaky3D>([&](CCShaky3D& a) { return a.initWithRange(range, shakeZ, gridSize, duration); });
}

bool CCShaky3D::initWithRange(int range, bool shakeZ, ccGridSize gridSize, float duration) {
  if (!CCGrid3DAction::initWithSize(gridSize, duration)) return false;
  randrange_ = range;
  shakeZ_ = shakeZ;
  return true;
}

CCShaky3D* CCShaky3D::copy() const {
  return copyWith(newInstanceOfSameClass<CCShaky3D>(),
                  [&](CCShaky3D& a) { return a.initWithRange(randrange_, shakeZ_, gridSize_, duration_); });
}

void CCShaky3D::update(float t) {
  CCGrid3D* grid = targetGrid();
  if (!grid) return;
  const std::int64_t size = std::llabs(static_cast<std::int64_t>(randrange_));
  for (int i = 0; i <= gridSize_.x; ++i) {
    for (int j = 0; j <= gridSize_.y; ++j) {
      ccVertex3F v = grid->originalVertex(ccg(i, j));
      if (size != 0) {
        v.x += randomOffset(size);
        v.y += randomOffset(size);
        if (shakeZ_) v.z += randomOffset(size);
      }
      grid->setVertex(ccg(i, j), v);
    }
  }
}

// [SECTION] CCLiquid, CCWaves

CCLiquid* CCLiquid::actionWithWaves(int waves, float amplitude, ccGridSize gridSize, float duration) {
  return createAction<CCLiquid>([&](CCLiquid& a) { return a.initWithWaves(waves, amplitude, gridSize, duration); });
}

bool CCLiquid::initWithWaves(int waves, float amplitude, ccGridSize gridSize, float duration) {
  if (!CCGrid3DAction::initWithSize(gridSize, duration)) return false;
  waves_ = waves;
  amplitude_ = amplitude;
  amplitudeRate_ = 1.0f;
  return true;
}

CCLiquid* CCLiquid::copy() const {
  return copyWith(newInstanceOfSameClass<CCLiquid>(),
                  [&](CCLiquid& a) { return a.initWithWaves(waves_, amplitude_, gridSize_, duration_); });
}

void CCLiquid::update(float t) {
  CCGrid3D* grid = targetGrid();
  if (!grid) return;
  const float phase = t * kPi * waves_ * 2;
  for (int i = 1; i < gridSize_.x; ++i) {
    for (int j = 1; j < gridSize_.y; ++j) {
      ccVertex3F v = grid->originalVertex(ccg(i, j));
      v.x += std::sin(phase + v.x * 0.01f) * amplitude_ * amplitudeRate_;
      v.y += std::sin(phase + v.y * 0.01f) * amplitude_ * amplitudeRate_;
      grid->setVertex(ccg(i, j), v);
    }
  }
}

CCWaves* CCWaves::actionWithWaves(int waves, float amplitude, bool horizontal, bool vertical, ccGridSize gridSize,
                                  float duration) {
  return createAction<CCWaves>([&](CCWaves& a) {
    return a.initWithWaves(waves, amplitude, horizontal, vertical, gridSize, duration);
  });
}

bool CCWaves::initWithWaves(int waves, float amplitude, bool horizontal, bool vertical, ccGridSize gridSize,
                            float duration) {
  if (!CCGrid3DAction::initWithSize(gridSize, duration)) return false;
  waves_ = waves;
  amplitude_ = amplitude;
  amplitudeRate_ = 1.0f;
  horizontal_ = horizontal;
  vertical_ = vertical;
  return true;
}

CCWaves* CCWaves::copy() const {
  return copyWith(newInstanceOfSameClass<CCWaves>(), [&](CCWaves& a) {
    return a.initWithWaves(waves_, amplitude_, horizontal_, vertical_, gridSize_, duration_);
  });
}

void CCWaves::update(float t) {
  CCGrid3D* grid = targetGrid();
  if (!grid) return;
  const float phase = t * kPi * waves_ * 2;
  for (int i = 0; i <= gridSize_.x; ++i) {
    for (int j = 0; j <= gridSize_.y; ++j) {
      ccVertex3F v = grid->originalVertex(ccg(i, j));
      if (vertical_) v.x += std::sin(phase + v.y * 0.01f) * amplitude_ * amplitudeRate_;
      if (horizontal_) v.y += std::sin(phase + v.x * 0.01f) * amplitude_ * amplitudeRate_;
      grid->setVertex(ccg(i, j), v);
    }
  }
}

// [SECTION] CCTwirl

CCTwirl* CCTwirl::actionWithPosition(CGPoint position, int twirls, float amplitude, ccGridSize gridSize,
                                     float duration) {
  return createAction<CCTwirl>(
      [&](CCTwirl& a) { return a.initWithPosition(position, twirls, amplitude, gridSize, duration); });
}

bool CCTwirl::initWithPosition(CGPoint position, int twirls, float amplitude, ccGridSize gridSize, float duration) {
  if (!CCGrid3DAction::initWithSize(gridSize, duration)) return false;
  position_ = position;
  positionInPixels_ = inPixels(position);
  twirls_ = twirls;
  amplitude_ = amplitude;
  amplitudeRate_ = 1.0f;
  return true;
}

CCTwirl* CCTwirl::copy() const {
  return copyWith(newInstanceOfSameClass<CCTwirl>(), [&](CCTwirl& a) {
    return a.initWithPosition(position_, twirls_, amplitude_, gridSize_, duration_);
  });
}

void CCTwirl::setPosition(CGPoint position) {
  position_ = position;
  positionInPixels_ = inPixels(position);
}

void CCTwirl::update(float t) {
  CCGrid3D* grid = targetGrid();
  if (!grid) return;
  const CGPoint c = positionInPixels_;
  const float wave = std::cos(t * kPi * twirls_ * 2 + kPi / 2);
  const float strength = amplitude_ * 0.1f * amplitudeRate_;
  for (int i = 0; i <= gridSize_.x; ++i) {
    for (int j = 0; j <= gridSize_.y; ++j) {
      ccVertex3F v = grid->originalVertex(ccg(i, j));
      const float r = pointLength(CGPointMake(i - gridSize_.x * 0.5f, j - gridSize_.y * 0.5f));
      const float a = r * wave * strength;
      const float dx = std::sin(a) * (v.y - c.y) + std::cos(a) * (v.x - c.x);
      const float dy = std::cos(a) * (v.y - c.y) - std::sin(a) * (v.x - c.x);
      v.x = c.x + dx;
      v.y = c.y + dy;
      grid->setVertex(ccg(i, j), v);
    }
  }
}
