#pragma once
// CCTiledGrid3D: a grid drawn as separate tiles, one quad each, so the
// picture can break into pieces that move apart. Tile (i, j) of X x Y tiles
// is quad i * Y + j; a copy of the undeformed quads is kept so that effects
// can compute each frame from them.

#include "tessera/CCGridBase.h"

#include <GLES/gl.h>

#include <array>
#include <vector>

/// A grid drawn as separate tiles, one quad each, so the picture can break into
/// pieces that move apart. Tile (i, j) of X x Y tiles is quad i * Y + j; a copy
/// of the undeformed quads is kept so that effects can compute each frame from
/// them.
///
/// Cost: X * Y quads (4 vertices each), twice, plus their texture coordinates
/// and 6 * X * Y 16-bit indices, allocated when the grid is made; one indexed
/// draw call per frame.
class CCTiledGrid3D : public CCGridBase {
  PLATFORM_CLASS(CCTiledGrid3D, CCGridBase)

 public:
  /// Texture coordinates of one tile, corners in quad order.
  using TileCoordinates = std::array<ccTex2F, 4>;

  /// See CCGridBase::gridWithSize(): a window-sized texture.
  static CCTiledGrid3D* gridWithSize(ccGridSize gridSize);
  static CCTiledGrid3D* gridWithSize(ccGridSize gridSize, CCTexture2D* texture, bool flipped);

  /// The quad of tile `position` (0...X - 1, 0...Y - 1; not checked).
  ccQuad3 tile(ccGridSize position) const;
  /// The undeformed quad of tile `position`.
  ccQuad3 originalTile(ccGridSize position) const;
  /// Moves the four corners of tile `position` (not checked).
  void setTile(ccGridSize position, const ccQuad3& coords);

  void blit() override;
  void reuse() override;
  void calculateVertexPoints() override;

  /// The storage, for effects and tests: quads in tile order, their texture
  /// coordinates, two triangles (6 indices) per tile.
  const std::vector<ccQuad3>& vertices() const { return vertices_; }
  const std::vector<ccQuad3>& originalVertices() const { return originalVertices_; }
  const std::vector<TileCoordinates>& texCoordinates() const { return texCoordinates_; }
  const std::vector<GLushort>& indices() const { return indices_; }

 protected:
  /// dealloc: frees the storage, then the grid's teardown.
  ~CCTiledGrid3D() override = default;
  long long vertexCount(ccGridSize size) const override;

 private:
  std::vector<TileCoordinates> texCoordinates_;
  std::vector<ccQuad3> vertices_;
  std::vector<ccQuad3> originalVertices_;
  std::vector<GLushort> indices_;
};
