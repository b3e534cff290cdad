#pragma once
// Tile effects: grid actions on a CCTiledGrid3D, whose X × Y tiles move
// independently. Each update starts from the undeformed tiles, walking tile
// (i, j) with i outer and j inner.
//
// Random choices (shaking, shattering, the order of shuffled and turned-off
// tiles) draw from platform::random(), r mod (2 × range) − range for an
// offset; an effect with a seed other than −1 restarts that source from the
// seed when it starts (platform::seedRandom), so a seeded effect repeats its
// pattern. A range of 0 moves nothing and draws nothing; a negative range
// counts as its size.
//
// Cost: an update rewrites every tile in place and allocates nothing; the
// shuffled and turned-off orders are made when the action starts.

// [SECTION] CCShakyTiles3D, CCShatteredTiles3D
// [SECTION] CCShuffleTiles
// [SECTION] Fade-out tiles: CCFadeOutTRTiles, CCFadeOutBLTiles, CCFadeOutUpTiles, CCFadeOutDownTiles
// [SECTION] CCTurnOffTiles
// [SECTION] CCWavesTiles3D, CCJumpTiles3D
// [SECTION] CCSplitRows, CCSplitCols

#include "tessera/CCActionGrid.h"

#include <vector>

// [SECTION] CCShakyTiles3D, CCShatteredTiles3D

/// Every update moves each corner of each tile by its own random offset in
/// −range ... range − 1 pixels: the four x, then the four y, then (with
/// shakeZ) the four z, corners in the order bottom-left, bottom-right,
/// top-left, top-right.
class CCShakyTiles3D : public CCTiledGrid3DAction {
  PLATFORM_CLASS(CCShakyTiles3D, CCTiledGrid3DAction)

 public:
  /// A new autoreleased effect.
  /// \param range the largest offset of a corner, pixels.
  /// \param shakeZ whether the corners also move in z.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  static CCShakyTiles3D* actionWithRange(int range, bool shakeZ, ccGridSize gridSize, float duration);
  static CCShakyTiles3D* actionWithSize(ccGridSize gridSize, float duration) = delete;

  /// Grid-action init, then stores the range and whether z shakes too.
  /// \param range the largest offset of a corner, pixels.
  /// \param shakeZ whether the corners also move in z.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  virtual bool initWithRange(int range, bool shakeZ, ccGridSize gridSize, float duration);
  using CCTiledGrid3DAction::initWithSize;

  /// Same class and arguments. No tag.
  CCShakyTiles3D* copy() const override;
  void update(float t) override;

 protected:
  ~CCShakyTiles3D() override = default;

  int randrange_ = 0;
  bool shakeZ_ = false;
};

/// As CCShakyTiles3D (with shatterZ), but only on the first update of each
/// run: the tiles break apart once and then hold still.
class CCShatteredTiles3D : public CCTiledGrid3DAction {
  PLATFORM_CLASS(CCShatteredTiles3D, CCTiledGrid3DAction)

 public:
  /// A new autoreleased effect.
  /// \param range the largest offset of a corner, pixels.
  /// \param shatterZ whether the corners also move in z.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  static CCShatteredTiles3D* actionWithRange(int range, bool shatterZ, ccGridSize gridSize, float duration);
  static CCShatteredTiles3D* actionWithSize(ccGridSize gridSize, float duration) = delete;

  /// Grid init, then the range and the z switch.
  /// \param range the largest offset of a corner, pixels.
  /// \param shatterZ whether the corners also move in z.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  virtual bool initWithRange(int range, bool shatterZ, ccGridSize gridSize, float duration);
  using CCTiledGrid3DAction::initWithSize;

  CCShatteredTiles3D* copy() const override;
  /// Grid-action start; the next update shatters the (new) grid.
  void startWithTarget(platform::Object* target) override;
  void update(float t) override;

 protected:
  ~CCShatteredTiles3D() override = default;

  int randrange_ = 0;
  bool once_ = false;
  bool shatterZ_ = false;
};

// [SECTION] CCShuffleTiles

/// One tile of a shuffle: where it is (in cells, relative to its start),
/// where it started and how far it travels.
struct ShuffleTile {
  CGPoint position = CGPointZero;
  CGPoint startPosition = CGPointZero;
  ccGridSize delta;
};

/// Every tile slides, in a straight line, to the cell of another tile (a
/// random permutation made at start), arriving at t = 1. Offsets are whole
/// pixels (truncated).
class CCShuffleTiles : public CCTiledGrid3DAction {
  PLATFORM_CLASS(CCShuffleTiles, CCTiledGrid3DAction)

 public:
  /// `seed` −1 leaves the random source as it is.
  /// \param seed the seed of the random order, or -1 to leave the random source
  ///   as it is.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  static CCShuffleTiles* actionWithSeed(int seed, ccGridSize gridSize, float duration);
  /// With seed −1.
  static CCShuffleTiles* actionWithSize(ccGridSize gridSize, float duration);

  /// Grid init, then the seed.
  /// \param seed the seed of the random order, or -1 to leave the random source
  ///   as it is.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  virtual bool initWithSeed(int seed, ccGridSize gridSize, float duration);
  /// With seed −1.
  bool initWithSize(ccGridSize gridSize, float duration) override;

  CCShuffleTiles* copy() const override;
  /// Grid-action start; then seeds the random source (unless −1), shuffles
  /// the tile order and gives each tile its destination.
  void startWithTarget(platform::Object* target) override;
  void update(float t) override;

  /// Shuffles the first `count` ints of `array`: for k from count − 1 down
  /// to 0, swaps a[k] with a[random() mod (k + 1)].
  static void shuffle(int* array, int count);
  /// How far the tile starting at `position` travels, in cells; (0, 0) for
  /// a position outside the order made at start (or before any start).
  ccGridSize getDelta(ccGridSize position) const;
  /// Writes the tile at `position` moved by the tile's current offset (in
  /// cells, converted to whole pixels).
  void placeTile(ccGridSize position, const ShuffleTile& tile);

 protected:
  ~CCShuffleTiles() override = default;

  int seed_ = -1;
  int tilesCount_ = 0;
  std::vector<int> tilesOrder_;
  std::vector<ShuffleTile> tiles_;
};

// [SECTION] Fade-out tiles

/// Tiles shrink to nothing in a wave that starts at the bottom-left corner
/// and travels towards the top right: a tile whose test value d (see
/// testFunc) is 0 is switched off, below 1 it is shrunk about its centre to
/// d of its size, otherwise it is whole.
class CCFadeOutTRTiles : public CCTiledGrid3DAction {
  PLATFORM_CLASS(CCFadeOutTRTiles, CCTiledGrid3DAction)

 public:
  CC_GRID_ACTION_FACTORY(CCFadeOutTRTiles)

  void update(float t) override;

  /// ((i + j) / (X·t + Y·t))^6, or 1 while the denominator is 0.
  virtual float testFunc(ccGridSize position, float time) const;
  /// The tile's original quad (all its corners restored).
  void turnOnTile(ccGridSize position);
  /// All twelve coordinates of the tile set to 0 (nothing drawn).
  void turnOffTile(ccGridSize position);
  /// The tile shrunk about its centre to `distance` of its size.
  virtual void transformTile(ccGridSize position, float distance);

 protected:
  ~CCFadeOutTRTiles() override = default;
};

/// The wave starts at the top right and travels towards the bottom left:
/// ((X·(1 − t) + Y·(1 − t)) / (i + j))^6, or 1 for tile (0, 0).
class CCFadeOutBLTiles : public CCFadeOutTRTiles {
  PLATFORM_CLASS(CCFadeOutBLTiles, CCFadeOutTRTiles)

 public:
  CC_GRID_ACTION_FACTORY(CCFadeOutBLTiles)

  float testFunc(ccGridSize position, float time) const override;

 protected:
  ~CCFadeOutBLTiles() override = default;
};

/// Rows vanish from the bottom upwards: (j / (Y·t))^6, or 1 while Y·t is 0.
/// Tiles shrink in height only.
class CCFadeOutUpTiles : public CCFadeOutTRTiles {
  PLATFORM_CLASS(CCFadeOutUpTiles, CCFadeOutTRTiles)

 public:
  CC_GRID_ACTION_FACTORY(CCFadeOutUpTiles)

  float testFunc(ccGridSize position, float time) const override;
  /// The tile shrunk towards its middle row to `distance` of its height.
  void transformTile(ccGridSize position, float distance) override;

 protected:
  ~CCFadeOutUpTiles() override = default;
};

/// Rows vanish from the top downwards: (Y·(1 − t) / j)^6, or 1 for row 0.
class CCFadeOutDownTiles : public CCFadeOutUpTiles {
  PLATFORM_CLASS(CCFadeOutDownTiles, CCFadeOutUpTiles)

 public:
  CC_GRID_ACTION_FACTORY(CCFadeOutDownTiles)

  float testFunc(ccGridSize position, float time) const override;

 protected:
  ~CCFadeOutDownTiles() override = default;
};

// [SECTION] CCTurnOffTiles

/// Switches tiles off one by one in a random order made at start: at t the
/// first (int)(X·Y·t) tiles of the order are off, the others on.
class CCTurnOffTiles : public CCTiledGrid3DAction {
  PLATFORM_CLASS(CCTurnOffTiles, CCTiledGrid3DAction)

 public:
  /// `seed` −1 leaves the random source as it is.
  /// \param seed the seed of the random order, or -1 to leave the random source
  ///   as it is.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  static CCTurnOffTiles* actionWithSeed(int seed, ccGridSize gridSize, float duration);
  /// With seed −1.
  static CCTurnOffTiles* actionWithSize(ccGridSize gridSize, float duration);

  /// Grid init, then the seed.
  /// \param seed the seed of the random order, or -1 to leave the random source
  ///   as it is.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  virtual bool initWithSeed(int seed, ccGridSize gridSize, float duration);
  /// With seed −1.
  bool initWithSize(ccGridSize gridSize, float duration) override;

  CCTurnOffTiles* copy() const override;
  /// Grid-action start; then seeds the random source (unless −1) and
  /// shuffles the tile order (CCShuffleTiles::shuffle).
  void startWithTarget(platform::Object* target) override;
  void update(float t) override;

  /// The tile's original quad.
  void turnOnTile(ccGridSize position);
  /// All twelve coordinates of the tile set to 0.
  void turnOffTile(ccGridSize position);

 protected:
  ~CCTurnOffTiles() override = default;

  int seed_ = -1;
  int tilesCount_ = 0;
  std::vector<int> tilesOrder_;
};

// [SECTION] CCWavesTiles3D, CCJumpTiles3D

/// Tiles rise and fall flat in a wave running diagonally across the grid:
/// every corner's z = sin(t·π·waves·2 + (bl.y + bl.x)·0.01) × amplitude ×
/// amplitudeRate.
class CCWavesTiles3D : public CCTiledGrid3DAction {
  PLATFORM_CLASS(CCWavesTiles3D, CCTiledGrid3DAction)

 public:
  /// A new autoreleased effect.
  /// \param waves how many full waves pass over the duration.
  /// \param amplitude the height of the waves (jumps), pixels.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  static CCWavesTiles3D* actionWithWaves(int waves, float amplitude, ccGridSize gridSize, float duration);
  static CCWavesTiles3D* actionWithSize(ccGridSize gridSize, float duration) = delete;

  /// Grid init, then the wave settings.
  /// \param waves how many full waves pass over the duration.
  /// \param amplitude the height of the waves (jumps), pixels.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  virtual bool initWithWaves(int waves, float amplitude, ccGridSize gridSize, float duration);
  using CCTiledGrid3DAction::initWithSize;

  CCWavesTiles3D* copy() const override;
  void update(float t) override;

  /// Height of the wave in pixels.
  float amplitude() const { return amplitude_; }
  void setAmplitude(float amplitude) { amplitude_ = amplitude; }
  /// Factor on the amplitude (amplitude wrappers set it). Default 1.
  float amplitudeRate() const override { return amplitudeRate_; }
  void setAmplitudeRate(float rate) override { amplitudeRate_ = rate; }

 protected:
  ~CCWavesTiles3D() override = default;

  int waves_ = 0;
  float amplitude_ = 0;
  float amplitudeRate_ = 1.0f;
};

/// Tiles jump in a checkerboard: tiles with i + j even rise by
/// sin(t·π·jumps·2) × amplitude × amplitudeRate, the others by
/// sin((jumps·t·2 + 1)·π) × amplitude × amplitudeRate (half a jump apart).
class CCJumpTiles3D : public CCTiledGrid3DAction {
  PLATFORM_CLASS(CCJumpTiles3D, CCTiledGrid3DAction)

 public:
  /// A new autoreleased effect.
  /// \param jumps how many jumps each tile makes over the duration.
  /// \param amplitude the height of the waves (jumps), pixels.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  static CCJumpTiles3D* actionWithJumps(int jumps, float amplitude, ccGridSize gridSize, float duration);
  static CCJumpTiles3D* actionWithSize(ccGridSize gridSize, float duration) = delete;

  /// Grid init, then the jump settings.
  /// \param jumps how many jumps each tile makes over the duration.
  /// \param amplitude the height of the waves (jumps), pixels.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  virtual bool initWithJumps(int jumps, float amplitude, ccGridSize gridSize, float duration);
  using CCTiledGrid3DAction::initWithSize;

  CCJumpTiles3D* copy() const override;
  void update(float t) override;

  float amplitude() const { return amplitude_; }
  void setAmplitude(float amplitude) { amplitude_ = amplitude; }
  float amplitudeRate() const override { return amplitudeRate_; }
  void setAmplitudeRate(float rate) override { amplitudeRate_ = rate; }

 protected:
  ~CCJumpTiles3D() override = default;

  int jumps_ = 0;
  float amplitude_ = 0;
  float amplitudeRate_ = 1.0f;
};

// [SECTION] CCSplitRows, CCSplitCols

/// The picture splits into `rows` rows that slide out sideways, even rows
/// to the left and odd rows to the right, by t × the window's width (read
/// in pixels when the action starts).
class CCSplitRows : public CCTiledGrid3DAction {
  PLATFORM_CLASS(CCSplitRows, CCTiledGrid3DAction)

 public:
  /// On a 1 × rows grid.
  /// \param rows how many rows the picture splits into.
  /// \param duration seconds the effect lasts.
  static CCSplitRows* actionWithRows(int rows, float duration);
  static CCSplitRows* actionWithSize(ccGridSize gridSize, float duration) = delete;

  /// Grid init over a grid of one column and `rows` rows.
  /// \param rows how many rows the picture splits into.
  /// \param duration seconds the effect lasts.
  virtual bool initWithRows(int rows, float duration);
  using CCTiledGrid3DAction::initWithSize;

  CCSplitRows* copy() const override;
  /// Grid-action start, then reads the director's window size in pixels.
  void startWithTarget(platform::Object* target) override;
  void update(float t) override;

 protected:
  ~CCSplitRows() override = default;

  int rows_ = 0;
  CGSize winSize_ = CGSizeZero;
};

/// The picture splits into `cols` columns that slide out vertically, even
/// columns down and odd columns up, by t × the window's height.
class CCSplitCols : public CCTiledGrid3DAction {
  PLATFORM_CLASS(CCSplitCols, CCTiledGrid3DAction)

 public:
  /// On a cols × 1 grid.
  /// \param cols how many columns the picture splits into.
  /// \param duration seconds the effect lasts.
  static CCSplitCols* actionWithCols(int cols, float duration);
  static CCSplitCols* actionWithSize(ccGridSize gridSize, float duration) = delete;

  /// Grid init over a grid of `cols` columns and one row.
  /// \param cols how many columns the picture splits into.
  /// \param duration seconds the effect lasts.
  virtual bool initWithCols(int cols, float duration);
  using CCTiledGrid3DAction::initWithSize;

  CCSplitCols* copy() const override;
  void startWithTarget(platform::Object* target) override;
  void update(float t) override;

 protected:
  ~CCSplitCols() override = default;

  int cols_ = 0;
  CGSize winSize_ = CGSizeZero;
};
