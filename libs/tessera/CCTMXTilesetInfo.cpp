#include "tessera/CCTMXTilesetInfo.h"

#include <cmath>

CGRect CCTMXTilesetInfo::rectForGID(uint32_t gid) const {
  const uint32_t local = gid - firstGid_;
  const float strideX = tileSize_.width + static_cast<float>(spacing_);
  const float strideY = tileSize_.height + static_cast<float>(spacing_);
  const float fit = (imageSize_.width - static_cast<float>(margin_) * 2 + static_cast<float>(spacing_)) / strideX;
  // An unknown picture size, a zero tile size or a picture narrower than one
  // tile would make the row length zero (a division by zero below) or not a
  // number: count one tile per row instead.
  uint32_t perRow = 1;
  if (fit >= 1.0f && fit < 4294967296.0f) perRow = static_cast<uint32_t>(fit);
  const float x = static_cast<float>(local % perRow) * strideX + static_cast<float>(margin_);
  const float y = static_cast<float>(local / perRow) * strideY + static_cast<float>(margin_);
  return CGRectMake(x, y, tileSize_.width, tileSize_.height);
}
