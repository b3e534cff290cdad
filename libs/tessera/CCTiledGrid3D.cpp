#include "tessera/CCTiledGrid3D.h"

#include "tessera/CCTexture2D.h"

#include <cstddef>

static_assert(sizeof(ccQuad3) == 12 * sizeof(GLfloat), "tiles are drawn as 4 vertices of 3 packed floats");
static_assert(sizeof(CCTiledGrid3D::TileCoordinates) == 8 * sizeof(GLfloat),
              "tile texture coordinates are drawn as 4 pairs of packed floats");

CCTiledGrid3D* CCTiledGrid3D::gridWithSize(ccGridSize gridSize) {
  return createGrid<CCTiledGrid3D>([&](CCTiledGrid3D& grid) { return grid.initWithSize(gridSize); });
}

CCTiledGrid3D* CCTiledGrid3D::gridWithSize(ccGridSize gridSize, CCTexture2D* texture, bool flipped) {
  return createGrid<CCTiledGrid3D>(
      [&](CCTiledGrid3D& grid) { return grid.initWithSize(gridSize, texture, flipped); });
}

long long CCTiledGrid3D::vertexCount(ccGridSize size) const {
  return 4 * static_cast<long long>(size.x) * static_cast<long long>(size.y);
}

namespace {

std::size_t tileIndex(ccGridSize position, std::int32_t rows) {
  return static_cast<std::size_t>(position.x) * static_cast<std::size_t>(rows) + static_cast<std::size_t>(position.y);
}

}  // namespace

ccQuad3 CCTiledGrid3D::tile(ccGridSize position) const { return vertices_[tileIndex(position, gridSize_.y)]; }

ccQuad3 CCTiledGrid3D::originalTile(ccGridSize position) const {
  return originalVertices_[tileIndex(position, gridSize_.y)];
}

void CCTiledGrid3D::setTile(ccGridSize position, const ccQuad3& coords) {
  vertices_[tileIndex(position, gridSize_.y)] = coords;
}

void CCTiledGrid3D::blit() {
  glDisableClientState(GL_COLOR_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, vertices_.data());
  glTexCoordPointer(2, GL_FLOAT, 0, texCoordinates_.data());
  glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices_.size()), GL_UNSIGNED_SHORT, indices_.data());
  glEnableClientState(GL_COLOR_ARRAY);
}

void CCTiledGrid3D::reuse() {
  if (reuseGrid_ <= 0) return;
  originalVertices_ = vertices_;  // same size: copies in place
  --reuseGrid_;
}

void CCTiledGrid3D::calculateVertexPoints() {
  const float width = static_cast<float>(texture_->pixelsWide());
  const float height = static_cast<float>(texture_->pixelsHigh());
  const float contentHeight = texture_->contentSizeInPixels().height;
  const std::int32_t columns = gridSize_.x, rows = gridSize_.y;
  const std::size_t tiles = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);

  vertices_.assign(tiles, ccQuad3{});
  texCoordinates_.assign(tiles, TileCoordinates{});
  indices_.assign(tiles * 6, 0);

  std::size_t tile = 0;
  for (std::int32_t x = 0; x < columns; ++x) {
    for (std::int32_t y = 0; y < rows; ++y, ++tile) {
      const float x1 = static_cast<float>(x) * step_.x, x2 = x1 + step_.x;
      const float y1 = static_cast<float>(y) * step_.y, y2 = y1 + step_.y;
      vertices_[tile] = ccQuad3{{x1, y1, 0}, {x2, y1, 0}, {x1, y2, 0}, {x2, y2, 0}};
      const float v1 = (isTextureFlipped_ ? contentHeight - y1 : y1) / height;
      const float v2 = (isTextureFlipped_ ? contentHeight - y2 : y2) / height;
      texCoordinates_[tile] = TileCoordinates{{{x1 / width, v1}, {x2 / width, v1}, {x1 / width, v2}, {x2 / width, v2}}};
    }
  }
  for (std::size_t quad = 0; quad < tiles; ++quad) {
    const auto first = static_cast<GLushort>(4 * quad);
    GLushort* out = &indices_[quad * 6];
    out[0] = first, out[1] = static_cast<GLushort>(first + 1), out[2] = static_cast<GLushort>(first + 2);
    out[3] = static_cast<GLushort>(first + 1), out[4] = static_cast<GLushort>(first + 2);
    out[5] = static_cast<GLushort>(first + 3);
  }
  originalVertices_ = vertices_;
}
