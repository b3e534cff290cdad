#pragma once
// Surface effects: grid actions on a CCGrid3D, whose (X + 1) × (Y + 1)
// shared vertices bend the picture as one surface. Each update starts from
// the undeformed vertices, walking corner (i, j) with i outer and j inner,
// and writes every vertex it changes. Positions and amplitudes are pixels;
// a wave's phase at fraction t is t·π·waves·2 (waves whole cycles over the
// action), and every amplitude is scaled by amplitudeRate (1 unless an
// amplitude wrapper sets it). Arithmetic is single precision with
// π = 3.1415927.
//
// Cost: an update rewrites every vertex in place and allocates nothing.

// [SECTION] CCWaves3D
// [SECTION] CCFlipX3D, CCFlipY3D
// [SECTION] CCLens3D
// [SECTION] CCRipple3D
// [SECTION] CCShaky3D
// [SECTION] CCLiquid, CCWaves
// [SECTION] CCTwirl

#include "tessera/CCActionGrid.h"

/// Declares the amplitude properties of an effect (amplitude in pixels; the
/// rate, default 1, is what amplitude wrappers set).
#define CC_GRID_AMPLITUDE_PROPERTIES                                          \
  float amplitude() const { return amplitude_; }                              \
  void setAmplitude(float amplitude) { amplitude_ = amplitude; }              \
  float amplitudeRate() const override { return amplitudeRate_; }             \
  void setAmplitudeRate(float rate) override { amplitudeRate_ = rate; }

// [SECTION] CCWaves3D

/// The surface rises and falls in z in a wave running diagonally:
/// z += sin(phase + (y + x)·0.01) × amplitude × amplitudeRate.
class CCWaves3D : public CCGrid3DAction {
  PLATFORM_CLASS(CCWaves3D, CCGrid3DAction)

 public:
  /// A new autoreleased effect.
  /// \param waves how many full waves pass over the duration.
  /// \param amplitude the height of the waves, pixels.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  static CCWaves3D* actionWithWaves(int waves, float amplitude, ccGridSize gridSize, float duration);
  static CCWaves3D* actionWithSize(ccGridSize gridSize, float duration) = delete;

  /// Grid init, then the wave settings.
  /// \param waves how many full waves pass over the duration.
  /// \param amplitude the height of the waves, pixels.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  virtual bool initWithWaves(int waves, float amplitude, ccGridSize gridSize, float duration);
  using CCGrid3DAction::initWithSize;

  /// Same class and arguments. No tag.
  CCWaves3D* copy() const override;
  void update(float t) override;

  CC_GRID_AMPLITUDE_PROPERTIES

 protected:
  ~CCWaves3D() override = default;

  int waves_ = 0;
  float amplitude_ = 0;
  float amplitudeRate_ = 1.0f;
};

// [SECTION] CCFlipX3D, CCFlipY3D

/// Turns the picture over about its vertical centre line: by t = 1 it has
/// turned half a revolution (seen from behind, mirrored). Works on a 1 × 1
/// grid; the corners move in x and z.
class CCFlipX3D : public CCGrid3DAction {
  PLATFORM_CLASS(CCFlipX3D, CCGrid3DAction)

 public:
  /// On a 1 × 1 grid.
  /// \param duration seconds the effect lasts.
  static CCFlipX3D* actionWithDuration(float duration);
  static CCFlipX3D* actionWithSize(ccGridSize gridSize, float duration) = delete;

  /// Grid-action init on a 1 × 1 grid.
  bool initWithDuration(float duration) override;
  /// Throws platform::Exception "FlipX3D" / "Grid size must be (1,1)" for
  /// any size but 1 × 1.
  bool initWithSize(ccGridSize gridSize, float duration) override;

  void update(float t) override;

 protected:
  ~CCFlipX3D() override = default;
};

/// As CCFlipX3D about the horizontal centre line: the corners move in y and z.
class CCFlipY3D : public CCFlipX3D {
  PLATFORM_CLASS(CCFlipY3D, CCFlipX3D)

 public:
  /// A new autoreleased effect.
  /// \param duration seconds the effect lasts.
  static CCFlipY3D* actionWithDuration(float duration);

  void update(float t) override;

 protected:
  ~CCFlipY3D() override = default;
};

// [SECTION] CCLens3D

/// A lens over the picture: vertices within `radius` of the centre rise in z
/// by n × lensEffect, where n = p^lensEffect × radius and p = (radius − d) /
/// radius for a vertex at distance d (0.001 when p is 0). The lens is applied
/// once per run and again only when its position changes; later updates
/// leave the grid alone.
class CCLens3D : public CCGrid3DAction {
  PLATFORM_CLASS(CCLens3D, CCGrid3DAction)

 public:
  /// `position` in points; `radius` in pixels. lensEffect 0.7.
  /// \param position the centre of the effect, points.
  /// \param radius how far the effect reaches from the centre, pixels.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  static CCLens3D* actionWithPosition(CGPoint position, float radius, ccGridSize gridSize, float duration);
  static CCLens3D* actionWithSize(ccGridSize gridSize, float duration) = delete;

  /// Grid init, then the centre and the effect's settings.
  /// \param position the centre of the effect, points.
  /// \param radius how far the effect reaches from the centre, pixels.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  virtual bool initWithPosition(CGPoint position, float radius, ccGridSize gridSize, float duration);
  using CCGrid3DAction::initWithSize;

  CCLens3D* copy() const override;
  /// Grid-action start; the next update applies the lens to the (new) grid.
  void startWithTarget(platform::Object* target) override;
  void update(float t) override;

  /// The lens centre in points. Setting a different one moves the lens at the
  /// next update.
  CGPoint position() const { return position_; }
  void setPosition(CGPoint position);
  /// How strongly the lens bulges. Default 0.7.
  float lensEffect() const { return lensEffect_; }
  void setLensEffect(float lensEffect) { lensEffect_ = lensEffect; }

 protected:
  ~CCLens3D() override = default;

  CGPoint position_ = CGPointZero;
  CGPoint positionInPixels_ = CGPointZero;
  float radius_ = 0;
  float lensEffect_ = 0;
  bool dirty_ = false;
};

// [SECTION] CCRipple3D

/// Rings spread from a centre: a vertex at distance d < radius, r = radius −
/// d, rises by sin(phase + r·0.1) × amplitude × amplitudeRate × (r /
/// radius)², fading to nothing at the rim.
class CCRipple3D : public CCGrid3DAction {
  PLATFORM_CLASS(CCRipple3D, CCGrid3DAction)

 public:
  /// `position` in points; `radius` in pixels.
  /// \param position the centre of the effect, points.
  /// \param radius how far the effect reaches from the centre, pixels.
  /// \param waves how many full waves pass over the duration.
  /// \param amplitude the height of the waves, pixels.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  static CCRipple3D* actionWithPosition(CGPoint position, float radius, int waves, float amplitude,
                                        ccGridSize gridSize, float duration);
  static CCRipple3D* actionWithSize(ccGridSize gridSize, float duration) = delete;

  /// Grid init, then the centre and the effect's settings.
  /// \param position the centre of the effect, points.
  /// \param radius how far the effect reaches from the centre, pixels.
  /// \param waves how many full waves pass over the duration.
  /// \param amplitude the height of the waves, pixels.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  virtual bool initWithPosition(CGPoint position, float radius, int waves, float amplitude, ccGridSize gridSize,
                                float duration);
  using CCGrid3DAction::initWithSize;

  CCRipple3D* copy() const override;
  void update(float t) override;

  /// The centre in points.
  CGPoint position() const { return position_; }
  void setPosition(CGPoint position);
  CC_GRID_AMPLITUDE_PROPERTIES

 protected:
  ~CCRipple3D() override = default;

  CGPoint position_ = CGPointZero;
  CGPoint positionInPixels_ = CGPointZero;
  float radius_ = 0;
  int waves_ = 0;
  float amplitude_ = 0;
  float amplitudeRate_ = 1.0f;
};

// [SECTION] CCShaky3D

/// Every update moves each vertex by its own random offset in −range ...
/// range − 1 pixels (platform::random() mod 2·range − range): x, then y,
/// then (with shakeZ) z. A range of 0 moves nothing and draws nothing; a
/// negative range counts as its size.
class CCShaky3D : public CCGrid3DAction {
  PLATFORM_CLASS(CCShaky3D, CCGrid3DAction)

 public:
  /// A new autoreleased effect.
  /// \param range the largest offset, pixels.
  /// \param shakeZ whether the vertices also move in z.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  static CCShaky3D* actionWithRange(int range, bool shakeZ, ccGridSize gridSize, float duration);
  static CCShaky3D* actionWithSize(ccGridSize gridSize, float duration) = delete;

  /// Grid init, then the range and the z switch.
  /// \param range the largest offset, pixels.
  /// \param shakeZ whether the vertices also move in z.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  virtual bool initWithRange(int range, bool shakeZ, ccGridSize gridSize, float duration);
  using CCGrid3DAction::initWithSize;

  CCShaky3D* copy() const override;
  void update(float t) override;

 protected:
  ~CCShaky3D() override = default;

  int randrange_ = 0;
  bool shakeZ_ = false;
};

// [SECTION] CCLiquid, CCWaves

/// The inside of the picture sloshes in its own plane (the border stays):
/// x += sin(phase + x·0.01) × amplitude × amplitudeRate, then y likewise
/// from y.
class CCLiquid : public CCGrid3DAction {
  PLATFORM_CLASS(CCLiquid, CCGrid3DAction)

 public:
  /// A new autoreleased effect.
  /// \param waves how many full waves pass over the duration.
  /// \param amplitude the height of the waves, pixels.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  static CCLiquid* actionWithWaves(int waves, float amplitude, ccGridSize gridSize, float duration);
  static CCLiquid* actionWithSize(ccGridSize gridSize, float duration) = delete;

  /// Grid init, then the wave settings.
  /// \param waves how many full waves pass over the duration.
  /// \param amplitude the height of the waves, pixels.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  virtual bool initWithWaves(int waves, float amplitude, ccGridSize gridSize, float duration);
  using CCGrid3DAction::initWithSize;

  CCLiquid* copy() const override;
  void update(float t) override;

  CC_GRID_AMPLITUDE_PROPERTIES

 protected:
  ~CCLiquid() override = default;

  int waves_ = 0;
  float amplitude_ = 0;
  float amplitudeRate_ = 1.0f;
};

/// The picture waves in its own plane: with `vertical`, x += sin(phase +
/// y·0.01) × amplitude × amplitudeRate (the columns bend); then, with
/// `horizontal`, y += sin(phase + x·0.01) × ... from the moved x (the rows
/// bend).
class CCWaves : public CCGrid3DAction {
  PLATFORM_CLASS(CCWaves, CCGrid3DAction)

 public:
  /// A new autoreleased effect.
  /// \param waves how many full waves pass over the duration.
  /// \param amplitude the height of the waves, pixels.
  /// \param horizontal whether the rows bend.
  /// \param vertical whether the columns bend.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  static CCWaves* actionWithWaves(int waves, float amplitude, bool horizontal, bool vertical, ccGridSize gridSize,
                                  float duration);
  static CCWaves* actionWithSize(ccGridSize gridSize, float duration) = delete;

  /// Grid init, then the wave settings.
  /// \param waves how many full waves pass over the duration.
  /// \param amplitude the height of the waves, pixels.
  /// \param horizontal whether the rows bend.
  /// \param vertical whether the columns bend.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  virtual bool initWithWaves(int waves, float amplitude, bool horizontal, bool vertical, ccGridSize gridSize,
                             float duration);
  using CCGrid3DAction::initWithSize;

  CCWaves* copy() const override;
  void update(float t) override;

  CC_GRID_AMPLITUDE_PROPERTIES

 protected:
  ~CCWaves() override = default;

  int waves_ = 0;
  float amplitude_ = 0;
  float amplitudeRate_ = 1.0f;
  bool vertical_ = false;
  bool horizontal_ = false;
};

// [SECTION] CCTwirl

/// The picture twists about a centre, the more the farther a vertex is (in
/// cells) from the middle of the grid: each vertex turns about the centre by
/// a = r × cos(t·π·twirls·2 + π/2) × amplitude × 0.1 × amplitudeRate
/// radians, r its distance from the grid's middle in cells.
class CCTwirl : public CCGrid3DAction {
  PLATFORM_CLASS(CCTwirl, CCGrid3DAction)

 public:
  /// `position` in points.
  /// \param position the centre of the effect, points.
  /// \param twirls how many turns back and forth over the duration.
  /// \param amplitude the height of the waves, pixels.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  static CCTwirl* actionWithPosition(CGPoint position, int twirls, float amplitude, ccGridSize gridSize,
                                     float duration);
  static CCTwirl* actionWithSize(ccGridSize gridSize, float duration) = delete;

  /// Grid init, then the centre and the effect's settings.
  /// \param position the centre of the effect, points.
  /// \param twirls how many turns back and forth over the duration.
  /// \param amplitude the height of the waves, pixels.
  /// \param gridSize the grid's cells across and up.
  /// \param duration seconds the effect lasts.
  virtual bool initWithPosition(CGPoint position, int twirls, float amplitude, ccGridSize gridSize, float duration);
  using CCGrid3DAction::initWithSize;

  CCTwirl* copy() const override;
  void update(float t) override;

  /// The centre in points.
  CGPoint position() const { return position_; }
  void setPosition(CGPoint position);
  CC_GRID_AMPLITUDE_PROPERTIES

 protected:
  ~CCTwirl() override = default;

  CGPoint position_ = CGPointZero;
  CGPoint positionInPixels_ = CGPointZero;
  int twirls_ = 0;
  float amplitude_ = 0;
  float amplitudeRate_ = 1.0f;
};
