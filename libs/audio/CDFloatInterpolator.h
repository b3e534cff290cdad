#pragma once
// CDFloatInterpolator: a value between a start and an end along one of three
// curves, for a fraction t of the way from 0 to 1.

#include "platform/Object.h"

#include <cstdint>

namespace audio {

/// A value between a start and an end along one of three curves, for a fraction
/// t of the way from 0 to 1.
///
/// Curves: linear; an S-curve (smoothstep: slow, fast, slow); exponential
/// (a fade up starts slowly and rises steeply, a fade down falls steeply and
/// levels out, which sounds even to the ear). Any t of 1 or more (and NaN)
/// gives the end value exactly, whatever the curve.
///
/// Cost: interpolate() is a few float operations and at most one powf; it
/// allocates nothing.
class CDFloatInterpolator : public platform::Object {
  PLATFORM_CLASS(CDFloatInterpolator, platform::Object)
 public:
  /// Interpolation types.
  static constexpr std::int32_t kLinear = 0;
  static constexpr std::int32_t kSCurve = 1;
  static constexpr std::int32_t kExponential = 2;

  /// A new interpolator (autoreleased).
  static CDFloatInterpolator* interpolator(std::int32_t type, float startVal, float endVal);
  /// Stores the type and the two values. Always true.
  bool init(std::int32_t type, float startVal, float endVal);

  /// The value at t: the end value for t ≥ 1; below that, by the type:
  ///  - kLinear: start + (end − start) × t;
  ///  - kSCurve: start + (end − start) × t² × (3 − 2t), in double precision
  ///    and rounded to float;
  ///  - kExponential: rising (end > start): start at t = 0, else
  ///    start + (end − start) × (2^(10(t − 1)) − 0.001); falling or flat:
  ///    start + (end − start) × (1 − 2^(−10t));
  ///  - any other type: 0.
  float interpolate(float t);

  float start() const { return start_; }
  void setStart(float start) { start_ = start; }
  float end() const { return end_; }
  void setEnd(float end) { end_ = end; }
  std::int32_t interpolationType() const { return interpolationType_; }
  void setInterpolationType(std::int32_t type) { interpolationType_ = type; }
  /// The result of the last interpolate(). 0 at creation.
  float lastValue() const { return lastValue_; }

 private:
  float start_ = 0;
  float end_ = 0;
  float lastValue_ = 0;
  std::int32_t interpolationType_ = kLinear;
};

}  // namespace audio
