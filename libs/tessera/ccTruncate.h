#pragma once
// Colour and opacity components computed in float and stored as bytes.

#include <GLES/gl.h>

#include <cstdint>

/// `value` truncated toward zero to an integer, of which the low 8 bits are
/// kept: 127.9 gives 127, 256 gives 0, −1 gives 255. A value outside the
/// 32-bit integer range, or not a number, gives 0 (the conversion would be
/// undefined).
inline GLubyte ccTruncateToByte(float value) {
  if (!(value > -2147483648.0f && value < 2147483648.0f)) return 0;
  return static_cast<GLubyte>(static_cast<std::uint32_t>(static_cast<std::int32_t>(value)) & 0xFFu);
}
