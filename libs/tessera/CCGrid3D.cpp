#include "tessera/CCGrid3D.h"

#include "tessera/CCTexture2D.h"

#include <cstddef>

static_assert(sizeof(ccVertex3F) == 3 * sizeof(GLfloat), "vertices are drawn as 3 packed floats");
static_assert(sizeof(ccTex2F) == 2 * sizeof(GLfloat), "texture coordinates are drawn as 2 packed floats");

CCGrid3D* CCGrid3D::gridWithSize(ccGridSize gridSize) {
  return createGrid<CCGrid3D>([&](CCGrid3D& grid) { return grid.initWithSize(gridSize); });
}

CCGrid3D* CCGrid3D::gridWithSize(ccGridSize gridSize, CCTexture2D* texture, bool flipped) {
  return createGrid<CCGrid3D>([&](CCGrid3D& grid) { return grid.initWithSize(gridSize, texture, flipped); });
}

long long CCGrid3D::vertexCount(ccGridSize size) const {
  return (static_cast<long long>(size.x) + 1) * (static_cast<long long>(size.y) + 1);
}

namespace {

std::size_t cornerIndex(ccGridSize position, std::int32_t rows) {
  return static_cast<std::size_t>(position.x) * static_cast<std::size_t>(rows + 1) +
         static_cast<std::size_t>(position.y);
}

}  // namespace

ccVertex3F CCGrid3D::vertex(ccGridSize position) const { return vertices_[cornerIndex(position, gridSize_.y)]; }

ccVertex3F CCGrid3D::originalVertex(ccGridSize position) const {
  return originalVertices_[cornerIndex(position, gridSize_.y)];
}

void CCGrid3D::setVertex(ccGridSize position, ccVertex3F vertex) {
  vertices_[cornerIndex(position, gridSize_.y)] = vertex;
}

void CCGrid3D::blit() {
  glDisableClientState(GL_COLOR_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, vertices_.data());
  glTexCoordPointer(2, GL_FLOAT, 0, texCoordinates_.data());
  glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices_.size()), GL_UNSIGNED_SHORT, indices_.data());
  glEnableClientState(GL_COLOR_ARRAY);
}

void CCGrid3D::reuse() {
  if (reuseGrid_ <= 0) return;
  originalVertices_ = vertices_;  // same size: copies in place
  --reuseGrid_;
}

void CCGrid3D::calculateVertexPoints() {
  const float width = static_cast<float>(texture_->pixelsWide());
  const float height = static_cast<float>(texture_->pixelsHigh());
  const float contentHeight = texture_->contentSizeInPixels().height;
  const std::int32_t columns = gridSize_.x, rows = gridSize_.y;
  const auto vertexTotal = static_cast<std::size_t>(vertexCount(gridSize_));

  vertices_.assign(vertexTotal, ccVertex3F{});
  texCoordinates_.assign(vertexTotal, ccTex2F{});
  indices_.assign(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows) * 6, 0);

  for (std::int32_t x = 0; x < columns; ++x) {
    for (std::int32_t y = 0; y < rows; ++y) {
      const float x1 = static_cast<float>(x) * step_.x, x2 = x1 + step_.x;
      const float y1 = static_cast<float>(y) * step_.y, y2 = y1 + step_.y;
      const auto a = static_cast<GLushort>(x * (rows + 1) + y);
      const auto b = static_cast<GLushort>((x + 1) * (rows + 1) + y);
      const auto c = static_cast<GLushort>((x + 1) * (rows + 1) + y + 1);
      const auto d = static_cast<GLushort>(x * (rows + 1) + y + 1);

      GLushort* cell = &indices_[(static_cast<std::size_t>(y) * static_cast<std::size_t>(columns) +
                                  static_cast<std::size_t>(x)) * 6];
      cell[0] = a, cell[1] = b, cell[2] = d, cell[3] = b, cell[4] = c, cell[5] = d;

      const GLushort corners[4] = {a, b, c, d};
      const ccVertex3F positions[4] = {{x1, y1, 0}, {x2, y1, 0}, {x2, y2, 0}, {x1, y2, 0}};
      for (int k = 0; k < 4; ++k) {
        vertices_[corners[k]] = positions[k];
        const float v = isTextureFlipped_ ? contentHeight - positions[k].y : positions[k].y;
        texCoordinates_[corners[k]] = ccTex2F{positions[k].x / width, v / height};
      }
    }
  }
  originalVertices_ = vertices_;
}
