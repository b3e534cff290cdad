#pragma once
// A colour with red, green, blue and alpha components in 0..1, not
// premultiplied: what views and labels take for text and backgrounds.

namespace platform {

/// A colour with red, green, blue and alpha components in 0..1, not
/// premultiplied: what views and labels take for text and backgrounds.
struct Color {
  float red = 0;
  float green = 0;
  float blue = 0;
  float alpha = 0;

  static constexpr Color black() { return Color{0, 0, 0, 1}; }
  static constexpr Color white() { return Color{1, 1, 1, 1}; }
  static constexpr Color clear() { return Color{0, 0, 0, 0}; }

  friend bool operator==(const Color&, const Color&) = default;
};

}  // namespace platform
