#pragma once
// Point math: lengths, interpolation, rotation and line intersection on 2-D
// points, and the power-of-two rounding textures use to size their storage.
//
// Everything is single precision. Angles are radians, positive
// counter-clockwise with y up. None of these functions guards against
// degenerate input beyond what each comment states: normalising (0, 0), for
// instance, gives non-finite components.

#include "platform/Geometry.h"

#include <cstdint>

/// √(x² + y²).
float pointLength(CGPoint v);
/// `v` scaled to length 1: both components times 1 / pointLength(v) (the
/// reciprocal is taken once). (0, 0) gives non-finite components.
CGPoint pointNormalize(CGPoint v);
/// a × (1 − alpha) + b × alpha, per component: `a` at 0, `b` at 1.
CGPoint pointLerp(CGPoint a, CGPoint b, float alpha);
/// Whether each component of `b` lies within `variance` of `a`'s (bounds
/// included). Variance 0 is exact equality.
bool pointFuzzyEqual(CGPoint a, CGPoint b, float variance);
/// (a.x × b.x, a.y × b.y).
CGPoint pointCompMult(CGPoint a, CGPoint b);
/// The angle of `v` from the x axis, atan2(v.y, v.x), in (−π, π].
float pointToAngle(CGPoint v);
/// `v` turned by `angle` about `pivot`.
CGPoint pointRotateByAngle(CGPoint v, CGPoint pivot, float angle);
/// Where the line through A and B meets the line through C and D: on true,
/// A + s·(B − A) = C + t·(D − C). False, leaving `*s` and `*t` untouched, when
/// either pair of points coincides (within FLT_EPSILON) or the lines are
/// parallel. Expects `s` and `t` to be valid.
bool pointLineIntersect(CGPoint A, CGPoint B, CGPoint C, CGPoint D, float* s, float* t);

/// The smallest power of two not below `x`, in 32-bit arithmetic: 0 gives 0
/// (the decrement wraps and the increment wraps back), and so does any value
/// above 2^31.
constexpr std::uint32_t nextPowerOfTwo(std::uint32_t x) {
  x = x - 1;
  x = x | (x >> 1);
  x = x | (x >> 2);
  x = x | (x >> 4);
  x = x | (x >> 8);
  x = x | (x >> 16);
  return x + 1;
}
