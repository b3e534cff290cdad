#include "tessera/Support/CGPointExtension.h"

#include <cfloat>
#include <cmath>

float pointLength(CGPoint v) { return std::sqrt(v.x * v.x + v.y * v.y); }

CGPoint pointNormalize(CGPoint v) {
  const float inverse = 1.0f / pointLength(v);
  return CGPointMake(v.x * inverse, v.y * inverse);
}

CGPoint pointLerp(CGPoint a, CGPoint b, float alpha) {
  const float keep = 1.0f - alpha;
  return CGPointMake(a.x * keep + b.x * alpha, a.y * keep + b.y * alpha);
}

bool pointFuzzyEqual(CGPoint a, CGPoint b, float variance) {
  return a.x - variance <= b.x && b.x <= a.x + variance && a.y - variance <= b.y && b.y <= a.y + variance;
}

CGPoint pointCompMult(CGPoint a, CGPoint b) { return CGPointMake(a.x * b.x, a.y * b.y); }

float pointToAngle(CGPoint v) { return std::atan2(v.y, v.x); }

CGPoint pointRotateByAngle(CGPoint v, CGPoint pivot, float angle) {
  const float cosine = std::cos(angle);
  const float sine = std::sin(angle);
  const float dx = v.x - pivot.x;
  const float dy = v.y - pivot.y;
  return CGPointMake(dx * cosine - dy * sine + pivot.x, dx * sine + dy * cosine + pivot.y);
}

bool pointLineIntersect(CGPoint A, CGPoint B, CGPoint C, CGPoint D, float* s, float* t) {
  const CGPoint DC = CGPointMake(D.x - C.x, D.y - C.y);
  if (pointFuzzyEqual(DC, CGPointZero, FLT_EPSILON)) return false;
  const CGPoint BA = CGPointMake(B.x - A.x, B.y - A.y);
  if (pointFuzzyEqual(BA, CGPointZero, FLT_EPSILON)) return false;

  const CGPoint AC = CGPointMake(A.x - C.x, A.y - C.y);
  const float d1343 = AC.x * DC.x + AC.y * DC.y;
  const float d4321 = DC.x * BA.x + DC.y * BA.y;
  const float d1321 = AC.x * BA.x + AC.y * BA.y;
  const float d4343 = DC.x * DC.x + DC.y * DC.y;
  const float d2121 = BA.x * BA.x + BA.y * BA.y;

  const float denominator = d2121 * d4343 - d4321 * d4321;
  if (std::fabs(denominator) < FLT_EPSILON) return false;  // parallel

  const float along = (d1343 * d4321 - d1321 * d4343) / denominator;
  *s = along;
  *t = (d1343 + d4321 * along) / d4343;
  return true;
}
