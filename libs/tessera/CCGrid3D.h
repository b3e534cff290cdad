#pragma once
// CCGrid3D: a grid drawn as one surface of shared vertices, so moving a
// vertex bends the picture around it. The corner (i, j) of X x Y cells is
// vertex i * (Y + 1) + j; a copy of the undeformed vertices is kept so that
// effects can compute each frame from them.

#include "tessera/CCGridBase.h"

#include <GLES/gl.h>

#include <vector>

/// A grid drawn as one surface of shared vertices, so moving a vertex bends the
/// picture around it. The corner (i, j) of X x Y cells is vertex i * (Y + 1) +
/// j; a copy of the undeformed vertices is kept so that effects can compute each
/// frame from them.
///
/// Cost: (X + 1) * (Y + 1) vertices, twice, plus their texture coordinates and
/// 6 * X * Y 16-bit indices, allocated when the grid is made; one indexed
/// draw call per frame.
class CCGrid3D : public CCGridBase {
  PLATFORM_CLASS(CCGrid3D, CCGridBase)

 public:
  /// See CCGridBase::gridWithSize(): a window-sized texture.
  static CCGrid3D* gridWithSize(ccGridSize gridSize);
  static CCGrid3D* gridWithSize(ccGridSize gridSize, CCTexture2D* texture, bool flipped);

  /// The vertex at corner `position` (0...X, 0...Y; not checked).
  ccVertex3F vertex(ccGridSize position) const;
  /// The undeformed vertex at corner `position`.
  ccVertex3F originalVertex(ccGridSize position) const;
  /// Moves the vertex at corner `position` (not checked).
  void setVertex(ccGridSize position, ccVertex3F vertex);

  void blit() override;
  void reuse() override;
  void calculateVertexPoints() override;

  /// The storage, for effects and tests: vertices in corner order, texture
  /// coordinates beside them, two triangles (6 indices) per cell.
  const std::vector<ccVertex3F>& vertices() const { return vertices_; }
  const std::vector<ccVertex3F>& originalVertices() const { return originalVertices_; }
  const std::vector<ccTex2F>& texCoordinates() const { return texCoordinates_; }
  const std::vector<GLushort>& indices() const { return indices_; }

 protected:
  /// dealloc: frees the storage, then the grid's teardown.
  ~CCGrid3D() override = default;
  long long vertexCount(ccGridSize size) const override;

 private:
  std::vector<ccTex2F> texCoordinates_;
  std::vector<ccVertex3F> vertices_;
  std::vector<ccVertex3F> originalVertices_;
  std::vector<GLushort> indices_;
};
