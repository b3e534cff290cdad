#include "tessera/CCOrbitCamera.h"

#include "tessera/CCCamera.h"
#include "tessera/CCNode.h"

#include <cfloat>
#include <cmath>

namespace {

constexpr float kRadiansPerDegree = 0.017453292f;
constexpr float kPi = 3.1415927f;

}  // namespace

CCOrbitCamera* CCOrbitCamera::actionWithDuration(float duration, float radius, float deltaRadius, float angleZ,
                                                 float deltaAngleZ, float angleX, float deltaAngleX) {
  return platform::createAutoreleased<CCOrbitCamera>([&](CCOrbitCamera& action) {
    return action.initWithDuration(duration, radius, deltaRadius, angleZ, deltaAngleZ, angleX, deltaAngleX);
  });
}

bool CCOrbitCamera::initWithDuration(float duration, float radius, float deltaRadius, float angleZ,
                                     float deltaAngleZ, float angleX, float deltaAngleX) {
  if (!CCActionCamera::initWithDuration(duration)) return false;
  radius_ = radius;
  deltaRadius_ = deltaRadius;
  angleZ_ = angleZ;
  deltaAngleZ_ = deltaAngleZ;
  angleX_ = angleX;
  deltaAngleX_ = deltaAngleX;
  radDeltaZ_ = deltaAngleZ * kRadiansPerDegree;
  radDeltaX_ = deltaAngleX * kRadiansPerDegree;
  return true;
}

CCOrbitCamera* CCOrbitCamera::copy() const {
  CCOrbitCamera* copy = newInstanceOfSameClass<CCOrbitCamera>();
  if (!copy) return nullptr;
  if (!copy->initWithDuration(duration_, radius_, deltaRadius_, angleZ_, deltaAngleZ_, angleX_, deltaAngleX_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCOrbitCamera::startWithTarget(platform::Object* target) {
  CCActionCamera::startWithTarget(target);
  radZ_ = angleZ_ * kRadiansPerDegree;
  radX_ = angleX_ * kRadiansPerDegree;
}

void CCOrbitCamera::update(float t) {
  auto* node = dynamic_cast<CCNode*>(target_);
  if (!node) return;
  const float r = (radius_ + deltaRadius_ * t) * CCCamera::getZEye();
  const float za = radZ_ + radDeltaZ_ * t;
  const float xa = radX_ + radDeltaX_ * t;
  const float i = std::sin(za) * std::cos(xa) * r + centerXOrig_;
  const float j = std::sin(za) * std::sin(xa) * r + centerYOrig_;
  const float k = std::cos(za) * r + centerZOrig_;
  node->camera()->setEyeX(i, j, k);
}

void CCOrbitCamera::sphericalRadius(float* radius, float* zenith, float* azimuth) const {
  auto* node = dynamic_cast<CCNode*>(target_);
  if (!node) return;
  float eyeX = 0, eyeY = 0, eyeZ = 0;
  float centerX = 0, centerY = 0, centerZ = 0;
  CCCamera* camera = node->camera();
  camera->eyeX(&eyeX, &eyeY, &eyeZ);
  camera->centerX(&centerX, &centerY, &centerZ);

  const float x = eyeX - centerX;
  const float y = eyeY - centerY;
  const float z = eyeZ - centerZ;
  float r = std::sqrt(x * x + y * y + z * z);
  float s = std::sqrt(x * x + y * y);
  if (s == 0.0f) s = FLT_EPSILON;
  if (r == 0.0f) r = FLT_EPSILON;

  *zenith = std::acos(z / r);
  *azimuth = x < 0 ? kPi - std::asin(y / s) : std::asin(y / s);
  *radius = r / CCCamera::getZEye();
}
