#pragma once
// Engine-wide helpers: the content scale factor and angle conversions.
//
// The content scale factor is the one process-wide number that converts
// points to pixels (pixels = points x factor): 1 on ordinary screens, 2 on
// high-resolution screens. The platform director owns it and sets it when it
// attaches its view; tests may set it directly. Nodes, cameras, textures and
// sprite frames read it whenever they convert between points and pixels, so
// change it before building a scene, not while one is on screen.
//
// Main thread only.

#include "platform/Geometry.h"

namespace tessera_detail {
// Written only through ccSetContentScaleFactor(); read inline because every
// position setter converts through it.
extern float g_contentScaleFactor;
}  // namespace tessera_detail

/// The current content scale factor. Default 1.
inline float CC_CONTENT_SCALE_FACTOR() { return tessera_detail::g_contentScaleFactor; }

/// A rectangle in points as pixels (every field times the factor).
inline CGRect ccRectPointsToPixels(CGRect rect) {
  const float f = CC_CONTENT_SCALE_FACTOR();
  return CGRectMake(rect.origin.x * f, rect.origin.y * f, rect.size.width * f, rect.size.height * f);
}
/// A rectangle in pixels as points (every field divided by the factor).
inline CGRect ccRectPixelsToPoints(CGRect rect) {
  const float f = CC_CONTENT_SCALE_FACTOR();
  return CGRectMake(rect.origin.x / f, rect.origin.y / f, rect.size.width / f, rect.size.height / f);
}

/// Replaces the content scale factor. Called by the platform director (and by
/// tests). Expects a positive, finite value; values are stored as given.
void ccSetContentScaleFactor(float factor);

/// Degrees to radians in single precision (factor pi / 180).
constexpr float CC_DEGREES_TO_RADIANS(float degrees) { return degrees * 0.01745329252f; }
/// Radians to degrees in single precision (factor 180 / pi).
constexpr float CC_RADIANS_TO_DEGREES(float radians) { return radians * 57.29577951f; }
