#include "tessera/CCLayerGradient.h"

#include <cmath>

namespace {

// A mixed channel, truncated towards zero. The weight may stray a rounding
// error outside [0, 1] for a diagonal direction; truncation keeps the result
// within the byte range then.
GLubyte mixChannel(GLubyte start, GLubyte end, double startWeight) {
  return static_cast<GLubyte>(static_cast<int>(end + (start - end) * startWeight));
}

}  // namespace

// [SECTION] Creation

CCLayerGradient* CCLayerGradient::layerWithColor(ccColor4B color) {
  return platform::createAutoreleased<CCLayerGradient>(
      [&](CCLayerGradient& layer) { return layer.initWithColor(color); });
}

CCLayerGradient* CCLayerGradient::layerWithColor(ccColor4B color, float width, float height) {
  return platform::createAutoreleased<CCLayerGradient>(
      [&](CCLayerGradient& layer) { return layer.initWithColor(color, width, height); });
}

CCLayerGradient* CCLayerGradient::layerWithColor(ccColor4B start, ccColor4B end) {
  return platform::createAutoreleased<CCLayerGradient>(
      [&](CCLayerGradient& layer) { return layer.initWithColor(start, end); });
}

CCLayerGradient* CCLayerGradient::layerWithColor(ccColor4B start, ccColor4B end, CGPoint vector) {
  return platform::createAutoreleased<CCLayerGradient>(
      [&](CCLayerGradient& layer) { return layer.initWithColor(start, end, vector); });
}

bool CCLayerGradient::initWithColor(ccColor4B start, ccColor4B end) {
  return initWithColor(start, end, CGPointMake(0.0f, -1.0f));
}

bool CCLayerGradient::initWithColor(ccColor4B start, ccColor4B end, CGPoint vector) {
  // Set before the base initialisation: its updateColor() call lands here.
  endColor_ = ccc3(end.r, end.g, end.b);
  endOpacity_ = end.a;
  startOpacity_ = start.a;
  vector_ = vector;
  return CCLayerColor::initWithColor(ccc4(start.r, start.g, start.b, 255));
}

// [SECTION] Colours and direction

void CCLayerGradient::setEndColor(const ccColor3B& color) {
  endColor_ = color;
  updateColor();
}

void CCLayerGradient::setStartOpacity(GLubyte opacity) {
  startOpacity_ = opacity;
  updateColor();
}

void CCLayerGradient::setEndOpacity(GLubyte opacity) {
  endOpacity_ = opacity;
  updateColor();
}

void CCLayerGradient::setVector(CGPoint vector) {
  vector_ = vector;
  updateColor();
}

void CCLayerGradient::updateColor() {
  CCLayerColor::updateColor();

  const float length = sqrtf(vector_.x * vector_.x + vector_.y * vector_.y);
  if (length == 0.0f) return;

  const CGPoint unit = CGPointMake(vector_.x / length, vector_.y / length);
  const double c = std::sqrt(2.0);

  const float masterOpacity = opacity_ / 255.0f;
  const ccColor4B start = ccc4(color_.r, color_.g, color_.b,
                               static_cast<GLubyte>(static_cast<int>(startOpacity_ * masterOpacity)));
  const ccColor4B end = ccc4(endColor_.r, endColor_.g, endColor_.b,
                             static_cast<GLubyte>(static_cast<int>(endOpacity_ * masterOpacity)));

  // Corner signs in vertex order: (0, 0), (w, 0), (0, h), (w, h).
  static constexpr int kCornerSigns[4][2] = {{-1, -1}, {+1, -1}, {-1, +1}, {+1, +1}};
  for (std::size_t vertex = 0; vertex < 4; ++vertex) {
    const double sx = kCornerSigns[vertex][0];
    const double sy = kCornerSigns[vertex][1];
    const double startWeight = (c - sx * unit.x - sy * unit.y) / (2.0 * c);
    GLubyte* rgba = &squareColors_[vertex * 4];
    rgba[0] = mixChannel(start.r, end.r, startWeight);
    rgba[1] = mixChannel(start.g, end.g, startWeight);
    rgba[2] = mixChannel(start.b, end.b, startWeight);
    rgba[3] = mixChannel(start.a, end.a, startWeight);
  }
}
