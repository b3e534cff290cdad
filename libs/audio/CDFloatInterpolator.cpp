#include "audio/CDFloatInterpolator.h"

#include <cmath>

namespace audio {

CDFloatInterpolator* CDFloatInterpolator::interpolator(std::int32_t type, float startVal, float endVal) {
  return platform::createAutoreleased<CDFloatInterpolator>(
      [&](CDFloatInterpolator& created) { return created.init(type, startVal, endVal); });
}

bool CDFloatInterpolator::init(std::int32_t type, float startVal, float endVal) {
  interpolationType_ = type;
  start_ = startVal;
  end_ = endVal;
  return true;
}

float CDFloatInterpolator::interpolate(float t) {
  if (!(t < 1.0f)) {
    lastValue_ = end_;
    return lastValue_;
  }
  const float delta = end_ - start_;
  switch (interpolationType_) {
    case kLinear:
      lastValue_ = start_ + delta * t;
      break;
    case kSCurve: {
      const double time = t;
      lastValue_ = static_cast<float>(start_ + delta * (time * time * (3.0 - 2.0 * time)));
      break;
    }
    case kExponential:
      if (end_ > start_) {
        lastValue_ = t == 0.0f ? start_ : start_ + delta * (std::pow(2.0f, 10.0f * (t - 1.0f)) - 0.001f);
      } else {
        lastValue_ = start_ + delta * (1.0f - std::pow(2.0f, -10.0f * t));
      }
      break;
    default:
      lastValue_ = 0;
      break;
  }
  return lastValue_;
}

}  // namespace audio
