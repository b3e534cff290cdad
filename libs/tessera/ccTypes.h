#pragma once
// Plain records shared across the engine: colours, blend functions, vertices
// and quads as GL consumes them.

#include <GLES/gl.h>

#include <cstdint>
#include <type_traits>

/// Red, green and blue as unsigned bytes.
struct ccColor3B {
  GLubyte r = 0, g = 0, b = 0;
  friend bool operator==(const ccColor3B&, const ccColor3B&) = default;
};
inline constexpr ccColor3B ccc3(GLubyte r, GLubyte g, GLubyte b) { return {r, g, b}; }
inline constexpr ccColor3B ccWHITE{255, 255, 255};
inline constexpr ccColor3B ccBLACK{0, 0, 0};
inline constexpr ccColor3B ccGRAY{166, 166, 166};

/// Red, green, blue and alpha as unsigned bytes.
struct ccColor4B {
  GLubyte r = 0, g = 0, b = 0, a = 0;
  friend bool operator==(const ccColor4B&, const ccColor4B&) = default;
};
inline constexpr ccColor4B ccc4(GLubyte r, GLubyte g, GLubyte b, GLubyte a) { return {r, g, b, a}; }

/// Red, green, blue and alpha as floats in 0..1.
struct ccColor4F {
  GLfloat r = 0, g = 0, b = 0, a = 0;
  friend bool operator==(const ccColor4F&, const ccColor4F&) = default;
};
inline ccColor4F ccc4FFromccc3B(ccColor3B c) { return {c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, 1.0f}; }
inline ccColor4F ccc4FFromccc4B(ccColor4B c) {
  return {c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, c.a / 255.0f};
}

/// A 2-D vertex position.
struct ccVertex2F {
  GLfloat x = 0, y = 0;
};
/// A 3-D vertex position.
struct ccVertex3F {
  GLfloat x = 0, y = 0, z = 0;
};
/// A texture coordinate.
struct ccTex2F {
  GLfloat u = 0, v = 0;
};

/// Cells across and up of a grid, or the coordinates of one vertex or tile.
struct ccGridSize {
  std::int32_t x = 0, y = 0;
  friend bool operator==(const ccGridSize&, const ccGridSize&) = default;
};
inline constexpr ccGridSize ccg(std::int32_t x, std::int32_t y) { return {x, y}; }

/// Four corners of one grid tile: bottom-left, bottom-right, top-left, top-right.
struct ccQuad3 {
  ccVertex3F bl, br, tl, tr;
};

/// One textured, coloured vertex: 24 bytes.
struct ccV3F_C4B_T2F {
  ccVertex3F vertices;
  ccColor4B colors;
  ccTex2F texCoords;
};
static_assert(sizeof(ccV3F_C4B_T2F) == 24 && std::is_standard_layout_v<ccV3F_C4B_T2F>);

/// One quad as four vertices: top-left, bottom-left, top-right, bottom-right. 96 bytes.
struct ccV3F_C4B_T2F_Quad {
  ccV3F_C4B_T2F tl, bl, tr, br;
};
static_assert(sizeof(ccV3F_C4B_T2F_Quad) == 96 && std::is_standard_layout_v<ccV3F_C4B_T2F_Quad>);

/// Source and destination blend factors.
struct ccBlendFunc {
  GLenum src = GL_ONE;
  GLenum dst = GL_ONE_MINUS_SRC_ALPHA;
  friend bool operator==(const ccBlendFunc&, const ccBlendFunc&) = default;
};

/// Blending for premultiplied alpha, the engine's default.
inline constexpr GLenum CC_BLEND_SRC = GL_ONE;
inline constexpr GLenum CC_BLEND_DST = GL_ONE_MINUS_SRC_ALPHA;
