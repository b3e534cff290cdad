#pragma once
// The main screen: its bounds in points (portrait) and its scale, from the
// platform facts (Facts.h), read at each call so tests can change them.

#include "platform/Geometry.h"
#include "platform/Object.h"

namespace platform {

/// The main screen: its bounds in points (portrait) and its scale, from the
/// platform facts (Facts.h), read at each call so tests can change them.
class Screen : public Object {
  PLATFORM_CLASS(Screen, Object)
 public:
  /// The one screen. Lives for the whole process.
  static Screen* mainScreen();

  /// (0, 0, width, height) in points, portrait. Default 320 × 480.
  CGRect bounds() const;
  /// Pixels per point: 1, or 2 on a high-resolution screen. Default 1.
  float scale() const;
  /// Whether the screen reports a scale at all (older systems do not). Default true.
  bool hasScale() const;
};

}  // namespace platform
