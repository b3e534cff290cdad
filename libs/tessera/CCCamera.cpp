#include "tessera/CCCamera.h"

#include "tessera/Support/glu.h"
#include "tessera/ccMacros.h"

#include <cfloat>
#include <cstdio>

float CCCamera::getZEye() { return FLT_EPSILON; }

bool CCCamera::init() {
  restore();
  return true;
}

void CCCamera::restore() {
  eyeX_ = eyeY_ = 0.0f;
  eyeZ_ = getZEye();
  centerX_ = centerY_ = centerZ_ = 0.0f;
  upX_ = 0.0f;
  upY_ = 1.0f;
  upZ_ = 0.0f;
  dirty_ = false;
}

void CCCamera::setEyeX(float eyeX, float eyeY, float eyeZ) {
  float factor = CC_CONTENT_SCALE_FACTOR();
  eyeX_ = eyeX * factor;
  eyeY_ = eyeY * factor;
  eyeZ_ = eyeZ * factor;
  dirty_ = true;
}

void CCCamera::setCenterX(float centerX, float centerY, float centerZ) {
  float factor = CC_CONTENT_SCALE_FACTOR();
  centerX_ = centerX * factor;
  centerY_ = centerY * factor;
  centerZ_ = centerZ * factor;
  dirty_ = true;
}

void CCCamera::setUpX(float upX, float upY, float upZ) {
  upX_ = upX;
  upY_ = upY;
  upZ_ = upZ;
  dirty_ = true;
}

void CCCamera::eyeX(float* eyeX, float* eyeY, float* eyeZ) const {
  float factor = CC_CONTENT_SCALE_FACTOR();
  if (eyeX) *eyeX = eyeX_ / factor;
  if (eyeY) *eyeY = eyeY_ / factor;
  if (eyeZ) *eyeZ = eyeZ_ / factor;
}

void CCCamera::centerX(float* centerX, float* centerY, float* centerZ) const {
  float factor = CC_CONTENT_SCALE_FACTOR();
  if (centerX) *centerX = centerX_ / factor;
  if (centerY) *centerY = centerY_ / factor;
  if (centerZ) *centerZ = centerZ_ / factor;
}

void CCCamera::upX(float* upX, float* upY, float* upZ) const {
  if (upX) *upX = upX_;
  if (upY) *upY = upY_;
  if (upZ) *upZ = upZ_;
}

void CCCamera::locate() {
  if (!dirty_) return;
  ccLookAt(eyeX_, eyeY_, eyeZ_, centerX_, centerY_, centerZ_, upX_, upY_, upZ_);
}

std::string CCCamera::description() const {
  char text[128];
  std::snprintf(text, sizeof text, " | center = (%.2f,%.2f,%.2f)>", centerX_, centerY_, centerZ_);
  return std::string("<") + className() + " = " + platform::addressString(this) + text;
}
