#include "tessera/CCActionTiledGrid.h"

#include "platform/Random.h"
#include "tessera/CCDirector.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numeric>

namespace {

constexpr float kPi = 3.1415927f;

// A random offset in −range ... range − 1 (r mod 2·range − range). Range 0
// draws nothing and moves nothing; a negative range counts as its size. The
// arithmetic is 64-bit, so no range overflows.
float randomOffset(int range) {
  const std::int64_t size = std::llabs(static_cast<std::int64_t>(range));
  if (size == 0) return 0.0f;
  return static_cast<float>(static_cast<std::int64_t>(platform::random()) % (2 * size) - size);
}

// Moves the corners of `quad` by random offsets: the four x, the four y,
// then (when `alsoZ`) the four z, corners in quad order.
void shakeQuad(ccQuad3& quad, int range, bool alsoZ) {
  if (range == 0) return;
  ccVertex3F* corners[] = {&quad.bl, &quad.br, &quad.tl, &quad.tr};
  for (ccVertex3F* corner : corners) corner->x += randomOffset(range);
  for (ccVertex3F* corner : corners) corner->y += randomOffset(range);
  if (alsoZ) {
    for (ccVertex3F* corner : corners) corner->z += randomOffset(range);
  }
}

// `value` truncated toward zero; values beyond the int range (and NaN,
// which an eased fraction can produce) clamp instead of being undefined.
int truncateToInt(float value) {
  if (value != value) return 0;
  if (value <= -2147483648.0f) return INT32_MIN;
  if (value >= 2147483648.0f) return INT32_MAX;
  return static_cast<int>(value);
}

// Seeds the random source unless the seed is −1 ("leave it as it is").
void seedUnlessNone(int seed) {
  if (seed != -1) platform::seedRandom(static_cast<std::uint32_t>(seed));
}

// The number of tiles of the target's grid, 0 when the target has no grid
// of the action's size (then nothing is shuffled or moved).
int tileCountOf(const CCTiledGrid3D* grid, ccGridSize size) {
  return grid ? size.x * size.y : 0;
}

// 0, 1, ..., count − 1 in `order` (capacity kept from an earlier start), shuffled.
void makeShuffledOrder(std::vector<int>& order, int count) {
  order.resize(static_cast<std::size_t>(count));
  std::iota(order.begin(), order.end(), 0);
  CCShuffleTiles::shuffle(order.data(), count);
}

void setTileOn(CCTiledGrid3D* grid, ccGridSize position) { grid->setTile(position, grid->originalTile(position)); }

void setTileOff(CCTiledGrid3D* grid, ccGridSize position) { grid->setTile(position, ccQuad3{}); }

void addToCornersX(ccQuad3& quad, float dx) {
  quad.bl.x += dx, quad.br.x += dx, quad.tl.x += dx, quad.tr.x += dx;
}

void addToCornersY(ccQuad3& quad, float dy) {
  quad.bl.y += dy, quad.br.y += dy, quad.tl.y += dy, quad.tr.y += dy;
}

}  // namespace

// [SECTION] CCShakyTiles3D

CCShakyTiles3D* CCShakyTiles3D::actionWithRange(int range, bool shakeZ, ccGridSize gridSize, float duration) {
  return createAction<CCShakyTiles3D>(
      [&](CCShakyTiles3D& a) { return a.initWithRange(range, shakeZ, gridSize, duration); });
}

bool CCShakyTiles3D::initWithRange(int range, bool shakeZ, ccGridSize gridSize, float duration) {
  if (!CCTiledGrid3DAction::initWithSize(gridSize, duration)) return false;
  randrange_ = range;
  shakeZ_ = shakeZ;
  return true;
}

CCShakyTiles3D* CCShakyTiles3D::copy() const {
  CCShakyTiles3D* copy = newInstanceOfSameClass<CCShakyTiles3D>();
  if (copy && !copy->initWithRange(randrange_, shakeZ_, gridSize_, duration_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCShakyTiles3D::update(float t) {
  CCTiledGrid3D* grid = targetGrid();
  if (!grid) return;
  for (int i = 0; i < gridSize_.x; ++i) {
    for (int j = 0; j < gridSize_.y; ++j) {
      ccQuad3 coords = grid->originalTile(ccg(i, j));
      shakeQuad(coords, randrange_, shakeZ_);
      grid->setTile(ccg(i, j), coords);
    }
  }
}

// [SECTION] CCShatteredTiles3D

CCShatteredTiles3D* CCShatteredTiles3D::actionWithRange(int range, bool shatterZ, ccGridSize gridSize,
                                                        float duration) {
  return createAction<CCShatteredTiles3D>(
      [&](CCShatteredTiles3D& a) { return a.initWithRange(range, shatterZ, gridSize, duration); });
}

bool CCShatteredTiles3D::initWithRange(int range, bool shatterZ, ccGridSize gridSize, float duration) {
  if (!CCTiledGrid3DAction::initWithSize(gridSize, duration)) return false;
  once_ = false;
  randrange_ = range;
  shatterZ_ = shatterZ;
  return true;
}

CCShatteredTiles3D* CCShatteredTiles3D::copy() const {
  CCShatteredTiles3D* copy = newInstanceOfSameClass<CCShatteredTiles3D>();
  if (copy && !copy->initWithRange(randrange_, shatterZ_, gridSize_, duration_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCShatteredTiles3D::startWithTarget(platform::Object* target) {
  // Each run shatters its grid once: a second run of the same action (in a
  // repeat, say) gets a fresh grid, which would otherwise stay whole.
  once_ = false;
  CCTiledGrid3DAction::startWithTarget(target);
}

void CCShatteredTiles3D::update(float t) {
  if (once_) return;
  CCTiledGrid3D* grid = targetGrid();
  if (!grid) return;
  for (int i = 0; i < gridSize_.x; ++i) {
    for (int j = 0; j < gridSize_.y; ++j) {
      ccQuad3 coords = grid->originalTile(ccg(i, j));
      shakeQuad(coords, randrange_, shatterZ_);
      grid->setTile(ccg(i, j), coords);
    }
  }
  once_ = true;
}

// [SECTION] CCShuffleTiles

CCShuffleTiles* CCShuffleTiles::actionWithSeed(int seed, ccGridSize gridSize, float duration) {
  return createAction<CCShuffleTiles>([&](CCShuffleTiles& a) { return a.initWithSeed(seed, gridSize, duration); });
}

CCShuffleTiles* CCShuffleTiles::actionWithSize(ccGridSize gridSize, float duration) {
  return actionWithSeed(-1, gridSize, duration);
}

bool CCShuffleTiles::initWithSeed(int seed, ccGridSize gridSize, float duration) {
  if (!CCTiledGrid3DAction::initWithSize(gridSize, duration)) return false;
  seed_ = seed;
  tilesCount_ = 0;
  tilesOrder_.clear();
  tiles_.clear();
  return true;
}

bool CCShuffleTiles::initWithSize(ccGridSize gridSize, float duration) {
  return initWithSeed(-1, gridSize, duration);
}

CCShuffleTiles* CCShuffleTiles::copy() const {
  CCShuffleTiles* copy = newInstanceOfSameClass<CCShuffleTiles>();
  if (copy && !copy->initWithSeed(seed_, gridSize_, duration_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCShuffleTiles::shuffle(int* array, int count) {
  for (int k = count - 1; k >= 0; --k) {
    const int m = static_cast<int>(platform::random() % (k + 1));
    std::swap(array[k], array[m]);
  }
}

ccGridSize CCShuffleTiles::getDelta(ccGridSize position) const {
  const long long index = static_cast<long long>(position.x) * gridSize_.y + position.y;
  if (index < 0 || index >= static_cast<long long>(tilesOrder_.size())) return ccg(0, 0);  // before a start
  const int c = tilesOrder_[static_cast<std::size_t>(index)];
  return ccg(c / gridSize_.y - position.x, c % gridSize_.y - position.y);
}

void CCShuffleTiles::placeTile(ccGridSize position, const ShuffleTile& tile) {
  CCTiledGrid3D* grid = targetGrid();
  if (!grid) return;
  ccQuad3 coords = grid->originalTile(position);
  const CGPoint step = grid->step();
  addToCornersX(coords, static_cast<float>(truncateToInt(tile.position.x * step.x)));
  addToCornersY(coords, static_cast<float>(truncateToInt(tile.position.y * step.y)));
  grid->setTile(position, coords);
}

void CCShuffleTiles::startWithTarget(platform::Object* target) {
  CCTiledGrid3DAction::startWithTarget(target);
  seedUnlessNone(seed_);
  tilesCount_ = tileCountOf(targetGrid(), gridSize_);
  makeShuffledOrder(tilesOrder_, tilesCount_);
  tiles_.resize(static_cast<std::size_t>(tilesCount_));
  if (tilesCount_ == 0) return;
  std::size_t index = 0;
  for (int i = 0; i < gridSize_.x; ++i) {
    for (int j = 0; j < gridSize_.y; ++j) {
      ShuffleTile& tile = tiles_[index++];
      tile.position = CGPointMake(i, j);
      tile.startPosition = CGPointMake(i, j);
      tile.delta = getDelta(ccg(i, j));
    }
  }
}

void CCShuffleTiles::update(float t) {
  if (tilesCount_ == 0 || !targetGrid()) return;
  std::size_t index = 0;
  for (int i = 0; i < gridSize_.x; ++i) {
    for (int j = 0; j < gridSize_.y; ++j) {
      ShuffleTile& tile = tiles_[index++];
      tile.position = CGPointMake(tile.delta.x * t, tile.delta.y * t);
      placeTile(ccg(i, j), tile);
    }
  }
}

// [SECTION] Fade-out tiles

void CCFadeOutTRTiles::update(float t) {
  CCTiledGrid3D* grid = targetGrid();
  if (!grid) return;
  for (int i = 0; i < gridSize_.x; ++i) {
    for (int j = 0; j < gridSize_.y; ++j) {
      const float distance = testFunc(ccg(i, j), t);
      if (distance == 0) {
        setTileOff(grid, ccg(i, j));
      } else if (distance < 1) {
        transformTile(ccg(i, j), distance);
      } else {
        setTileOn(grid, ccg(i, j));
      }
    }
  }
}

float CCFadeOutTRTiles::testFunc(ccGridSize position, float time) const {
  const float n = gridSize_.x * time + gridSize_.y * time;
  if (n == 0) return 1.0f;
  return std::pow((position.x + position.y) / n, 6.0f);
}

void CCFadeOutTRTiles::turnOnTile(ccGridSize position) {
  if (CCTiledGrid3D* grid = targetGrid()) setTileOn(grid, position);
}

void CCFadeOutTRTiles::turnOffTile(ccGridSize position) {
  if (CCTiledGrid3D* grid = targetGrid()) setTileOff(grid, position);
}

void CCFadeOutTRTiles::transformTile(ccGridSize position, float distance) {
  CCTiledGrid3D* grid = targetGrid();
  if (!grid) return;
  ccQuad3 coords = grid->originalTile(position);
  const CGPoint step = grid->step();
  const float f = 1.0f - distance;
  const float dx = step.x * 0.5f * f, dy = step.y * 0.5f * f;
  coords.bl.x += dx, coords.bl.y += dy;
  coords.br.x -= dx, coords.br.y += dy;
  coords.tl.x += dx, coords.tl.y -= dy;
  coords.tr.x -= dx, coords.tr.y -= dy;
  grid->setTile(position, coords);
}

float CCFadeOutBLTiles::testFunc(ccGridSize position, float time) const {
  const float n = gridSize_.x * (1.0f - time) + gridSize_.y * (1.0f - time);
  if (position.x + position.y == 0) return 1.0f;
  return std::pow(n / (position.x + position.y), 6.0f);
}

float CCFadeOutUpTiles::testFunc(ccGridSize position, float time) const {
  const float n = gridSize_.y * time;
  if (n == 0) return 1.0f;
  return std::pow(position.y / n, 6.0f);
}

void CCFadeOutUpTiles::transformTile(ccGridSize position, float distance) {
  CCTiledGrid3D* grid = targetGrid();
  if (!grid) return;
  ccQuad3 coords = grid->originalTile(position);
  const float dy = grid->step().y * 0.5f * (1.0f - distance);
  coords.bl.y += dy, coords.br.y += dy;
  coords.tl.y -= dy, coords.tr.y -= dy;
  grid->setTile(position, coords);
}

float CCFadeOutDownTiles::testFunc(ccGridSize position, float time) const {
  const float n = gridSize_.y * (1.0f - time);
  if (position.y == 0) return 1.0f;
  return std::pow(n / position.y, 6.0f);
}

// [SECTION] CCTurnOffTiles

CCTurnOffTiles* CCTurnOffTiles::actionWithSeed(int seed, ccGridSize gridSize, float duration) {
  return createAction<CCTurnOffTiles>([&](CCTurnOffTiles& a) { return a.initWithSeed(seed, gridSize, duration); });
}

CCTurnOffTiles* CCTurnOffTiles::actionWithSize(ccGridSize gridSize, float duration) {
  return actionWithSeed(-1, gridSize, duration);
}

bool CCTurnOffTiles::initWithSeed(int seed, ccGridSize gridSize, float duration) {
  if (!CCTiledGrid3DAction::initWithSize(gridSize, duration)) return false;
  seed_ = seed;
  tilesCount_ = 0;
  tilesOrder_.clear();
  return true;
}

bool CCTurnOffTiles::initWithSize(ccGridSize gridSize, float duration) {
  return initWithSeed(-1, gridSize, duration);
}

CCTurnOffTiles* CCTurnOffTiles::copy() const {
  CCTurnOffTiles* copy = newInstanceOfSameClass<CCTurnOffTiles>();
  if (copy && !copy->initWithSeed(seed_, gridSize_, duration_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCTurnOffTiles::startWithTarget(platform::Object* target) {
  CCTiledGrid3DAction::startWithTarget(target);
  seedUnlessNone(seed_);
  tilesCount_ = tileCountOf(targetGrid(), gridSize_);
  makeShuffledOrder(tilesOrder_, tilesCount_);
}

void CCTurnOffTiles::update(float t) {
  CCTiledGrid3D* grid = targetGrid();
  if (!grid || tilesCount_ == 0) return;
  const int l = truncateToInt(tilesCount_ * t);
  for (int k = 0; k < tilesCount_; ++k) {
    const int c = tilesOrder_[static_cast<std::size_t>(k)];
    const ccGridSize position = ccg(c / gridSize_.y, c % gridSize_.y);
    if (k < l) {
      setTileOff(grid, position);
    } else {
      setTileOn(grid, position);
    }
  }
}

void CCTurnOffTiles::turnOnTile(ccGridSize position) {
  if (CCTiledGrid3D* grid = targetGrid()) setTileOn(grid, position);
}

void CCTurnOffTiles::turnOffTile(ccGridSize position) {
  if (CCTiledGrid3D* grid = targetGrid()) setTileOff(grid, position);
}

// [SECTION] CCWavesTiles3D

CCWavesTiles3D* CCWavesTiles3D::actionWithWaves(int waves, float amplitude, ccGridSize gridSize, float duration) {
  return createAction<CCWavesTiles3D>(
      [&](CCWavesTiles3D& a) { return a.initWithWaves(waves, amplitude, gridSize, duration); });
}

bool CCWavesTiles3D::initWithWaves(int waves, float amplitude, ccGridSize gridSize, float duration) {
  if (!CCTiledGrid3DAction::initWithSize(gridSize, duration)) return false;
  waves_ = waves;
  amplitude_ = amplitude;
  amplitudeRate_ = 1.0f;
  return true;
}

CCWavesTiles3D* CCWavesTiles3D::copy() const {
  CCWavesTiles3D* copy = newInstanceOfSameClass<CCWavesTiles3D>();
  if (copy && !copy->initWithWaves(waves_, amplitude_, gridSize_, duration_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCWavesTiles3D::update(float t) {
  CCTiledGrid3D* grid = targetGrid();
  if (!grid) return;
  for (int i = 0; i < gridSize_.x; ++i) {
    for (int j = 0; j < gridSize_.y; ++j) {
      ccQuad3 coords = grid->originalTile(ccg(i, j));
      const float h =
          std::sin(t * kPi * waves_ * 2 + (coords.bl.y + coords.bl.x) * 0.01f) * amplitude_ * amplitudeRate_;
      coords.bl.z = h, coords.br.z = h, coords.tl.z = h, coords.tr.z = h;
      grid->setTile(ccg(i, j), coords);
    }
  }
}

// [SECTION] CCJumpTiles3D

CCJumpTiles3D* CCJumpTiles3D::actionWithJumps(int jumps, float amplitude, ccGridSize gridSize, float duration) {
  return createAction<CCJumpTiles3D>(
      [&](CCJumpTiles3D& a) { return a.initWithJumps(jumps, amplitude, gridSize, duration); });
}

bool CCJumpTiles3D::initWithJumps(int jumps, float amplitude, ccGridSize gridSize, float duration) {
  if (!CCTiledGrid3DAction::initWithSize(gridSize, duration)) return false;
  jumps_ = jumps;
  amplitude_ = amplitude;
  amplitudeRate_ = 1.0f;
  return true;
}

CCJumpTiles3D* CCJumpTiles3D::copy() const {
  CCJumpTiles3D* copy = newInstanceOfSameClass<CCJumpTiles3D>();
  if (copy && !copy->initWithJumps(jumps_, amplitude_, gridSize_, duration_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCJumpTiles3D::update(float t) {
  CCTiledGrid3D* grid = targetGrid();
  if (!grid) return;
  const float sinz = std::sin(t * kPi * jumps_ * 2) * amplitude_ * amplitudeRate_;
  const float sinz2 = std::sin((jumps_ * t * 2 + 1) * kPi) * amplitude_ * amplitudeRate_;
  for (int i = 0; i < gridSize_.x; ++i) {
    for (int j = 0; j < gridSize_.y; ++j) {
      ccQuad3 coords = grid->originalTile(ccg(i, j));
      const float dz = (i + j) % 2 == 0 ? sinz : sinz2;
      coords.bl.z += dz, coords.br.z += dz, coords.tl.z += dz, coords.tr.z += dz;
      grid->setTile(ccg(i, j), coords);
    }
  }
}

// [SECTION] CCSplitRows, CCSplitCols

CCSplitRows* CCSplitRows::actionWithRows(int rows, float duration) {
  return createAction<CCSplitRows>([&](CCSplitRows& a) { return a.initWithRows(rows, duration); });
}

bool CCSplitRows::initWithRows(int rows, float duration) {
  rows_ = rows;
  return CCTiledGrid3DAction::initWithSize(ccg(1, rows), duration);
}

CCSplitRows* CCSplitRows::copy() const {
  CCSplitRows* copy = newInstanceOfSameClass<CCSplitRows>();
  if (copy && !copy->initWithRows(rows_, duration_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCSplitRows::startWithTarget(platform::Object* target) {
  CCTiledGrid3DAction::startWithTarget(target);
  winSize_ = CCDirector::sharedDirector()->winSizeInPixels();
}

void CCSplitRows::update(float t) {
  CCTiledGrid3D* grid = targetGrid();
  if (!grid) return;
  for (int j = 0; j < gridSize_.y; ++j) {
    ccQuad3 coords = grid->originalTile(ccg(0, j));
    const float direction = j % 2 == 0 ? -1.0f : 1.0f;
    addToCornersX(coords, direction * winSize_.width * t);
    grid->setTile(ccg(0, j), coords);
  }
}

CCSplitCols* CCSplitCols::actionWithCols(int cols, float duration) {
  return createAction<CCSplitCols>([&](CCSplitCols& a) { return a.initWithCols(cols, duration); });
}

bool CCSplitCols::initWithCols(int cols, float duration) {
  cols_ = cols;
  return CCTiledGrid3DAction::initWithSize(ccg(cols, 1), duration);
}

CCSplitCols* CCSplitCols::copy() const {
  CCSplitCols* copy = newInstanceOfSameClass<CCSplitCols>();
  if (copy && !copy->initWithCols(cols_, duration_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCSplitCols::startWithTarget(platform::Object* target) {
  CCTiledGrid3DAction::startWithTarget(target);
  winSize_ = CCDirector::sharedDirector()->winSizeInPixels();
}

void CCSplitCols::update(float t) {
  CCTiledGrid3D* grid = targetGrid();
  if (!grid) return;
  for (int i = 0; i < gridSize_.x; ++i) {
    ccQuad3 coords = grid->originalTile(ccg(i, 0));
    const float direction = i % 2 == 0 ? -1.0f : 1.0f;
    addToCornersY(coords, direction * winSize_.height * t);
    grid->setTile(ccg(i, 0), coords);
  }
}
