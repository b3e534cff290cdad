#include "tessera/CCTMXLayerInfo.h"

#include <cstdlib>

void CCTMXLayerInfo::setTiles(uint32_t* tiles, std::size_t count) {
  if (ownTiles_ && tiles_ != tiles) std::free(tiles_);
  tiles_ = tiles;
  tileCount_ = tiles != nullptr ? count : 0;
  ownTiles_ = true;
}

CCTMXLayerInfo::~CCTMXLayerInfo() {
  if (ownTiles_) std::free(tiles_);
}
