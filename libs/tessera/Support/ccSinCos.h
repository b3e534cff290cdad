#pragma once
// Sine and cosine of an angle in degrees, for node and sprite rotations.
//
// Node rotations are kept in degrees, and every moving, turning sprite needs
// both functions once a frame, so they sit on the hottest path of a busy
// scene. This version reduces the angle exactly to a quarter turn plus a
// remainder in [-45, 45] degrees and evaluates two short polynomials on the
// remainder: a fraction of the cost of the C library's sincosf on radians,
// within 1e-7 of the true values (the radians route loses more, up to 6e-7
// at two turns, by rounding the angle), and exact at whole quarter turns
// (sin 90 is 1 and cos 90 is 0, not -4.4e-8).
//
// The polynomials are the classic single-precision minimax fits for sine
// and cosine on [-pi/4, pi/4].

#include "platform/Geometry.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

/// Sets `*sine` and `*cosine` of `degrees`. Angles beyond ±4,194,304 degrees
/// are first reduced with fmodf (exact, but slower); NaN and infinities give
/// NaN. Expects both pointers to be valid.
inline void ccSinCosDegrees(float degrees, float* sine, float* cosine) {
  // Beyond 2^22 the quarter-turn count below no longer rounds exactly.
  constexpr float kExactLimit = 4194304.0f;
  if (!(std::fabs(degrees) < kExactLimit)) {
    if (!std::isfinite(degrees)) {
      *sine = *cosine = std::numeric_limits<float>::quiet_NaN();
      return;
    }
    degrees = std::fmod(degrees, 360.0f);
  }

  // Nearest whole quarter turn: adding and taking away 1.5 * 2^23 rounds to
  // an integer in the current rounding mode (to nearest).
  constexpr float kRounder = 12582912.0f;
  const float quarters = (degrees * (1.0f / 90.0f) + kRounder) - kRounder;
  // Exact: both terms are multiples of the remainder's last place.
  const float remainder = degrees - quarters * 90.0f;
  const float x = remainder * 0.01745329252f;
  const float z = x * x;

  const float s = x + x * z * (-1.6666654611e-1f + z * (8.3321608736e-3f + z * -1.9515295891e-4f));
  const float c = 1.0f - 0.5f * z + z * z * (4.166664568298827e-2f + z * (-1.388731625493765e-3f + z * 2.443315711809948e-5f));

  // Whole quarter turns swap the two and flip signs: q = 1 gives (c, -s),
  // 2 gives (-s, -c), 3 gives (-c, s). Chosen without branches, since angles
  // across a scene land in every quadrant and would defeat prediction.
  const auto q = static_cast<std::uint32_t>(static_cast<std::int32_t>(quarters));
  const bool swap = (q & 1u) != 0;
  const std::uint32_t sineSign = (q & 2u) << 30;
  const std::uint32_t cosineSign = ((q + 1u) & 2u) << 30;
#ifdef __EMSCRIPTEN__
  // libc++ 13 (the web build's) has no std::bit_cast.
  auto bits = [](float value) { std::uint32_t out; std::memcpy(&out, &value, sizeof out); return out; };
  auto real = [](std::uint32_t value) { float out; std::memcpy(&out, &value, sizeof out); return out; };
  *sine = real(bits(swap ? c : s) ^ sineSign);
  *cosine = real(bits(swap ? s : c) ^ cosineSign);
#else
  *sine = std::bit_cast<float>(std::bit_cast<std::uint32_t>(swap ? c : s) ^ sineSign);
  *cosine = std::bit_cast<float>(std::bit_cast<std::uint32_t>(swap ? s : c) ^ cosineSign);
#endif
}

/// `t` preceded by a rotation of `degrees` clockwise on screen (the way node
/// rotations turn): CGAffineTransformRotate(t, -radians) with the sine and
/// cosine above.
inline CGAffineTransform ccAffineTransformRotateDegrees(CGAffineTransform t, float degrees) {
  float sine;
  float cosine;
  ccSinCosDegrees(degrees, &sine, &cosine);
  sine = -sine;
  return CGAffineTransform{t.a * cosine + t.c * sine, t.b * cosine + t.d * sine, t.c * cosine - t.a * sine,
                           t.d * cosine - t.b * sine, t.tx, t.ty};
}
