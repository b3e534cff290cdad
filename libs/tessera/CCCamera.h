#pragma once
// CCCamera: a look-at view transform that a node applies on top of its own
// transform when it is drawn. Orbit-camera actions and grid effects move it.

#include "platform/Object.h"

#include <string>

/// Eye, centre and up vector of a look-at transform, stored in pixels (the
/// setters and getters speak points and convert with the content scale
/// factor; the up vector is unitless and stored as given).
///
/// A camera starts clean: locate() does nothing until a setter changes it, so
/// a node that merely asked for its camera draws exactly as before. After the
/// first change every locate() applies the look-at; only restore() makes the
/// camera clean again.
///
/// Made with `new` + init() by the node that owns it (CCNode::camera()).
/// Main thread only.
class CCCamera : public platform::Object {
  PLATFORM_CLASS(CCCamera, platform::Object)

 public:
  /// The resting eye distance: single-precision machine epsilon
  /// (1.1920929e-07), so the eye sits a hair in front of the origin and the
  /// viewing direction is defined.
  static float getZEye();

  CCCamera() = default;

  /// restore(). Always succeeds.
  virtual bool init();
  /// Eye (0, 0, getZEye()), centre (0, 0, 0), up (0, 1, 0); clean.
  void restore();

  /// Stores the eye (points) x the content scale factor; marks the camera dirty.
  void setEyeX(float eyeX, float eyeY, float eyeZ);
  /// Stores the centre (points) x the content scale factor; marks it dirty.
  void setCenterX(float centerX, float centerY, float centerZ);
  /// Stores the up vector as given; marks it dirty.
  void setUpX(float upX, float upY, float upZ);

  /// Writes the eye in points (stored value / factor). Null pointers are skipped.
  void eyeX(float* eyeX, float* eyeY, float* eyeZ) const;
  /// Writes the centre in points. Null pointers are skipped.
  void centerX(float* centerX, float* centerY, float* centerZ) const;
  /// Writes the up vector as stored. Null pointers are skipped.
  void upX(float* upX, float* upY, float* upZ) const;

  /// When dirty, multiplies the current GL matrix by the look-at transform of
  /// the stored eye, centre and up (ccLookAt); when clean, does nothing.
  void locate();

  /// True once changed since the last restore(). Default false.
  bool dirty() const { return dirty_; }
  void setDirty(bool dirty) { dirty_ = dirty; }

  /// "<CCCamera = ADDRESS | center = (x,y,z)>" with the stored (pixel) centre
  /// to two decimals.
  std::string description() const override;

 protected:
  ~CCCamera() override = default;

 private:
  float eyeX_ = 0, eyeY_ = 0, eyeZ_ = 0;           // pixels
  float centerX_ = 0, centerY_ = 0, centerZ_ = 0;  // pixels
  float upX_ = 0, upY_ = 0, upZ_ = 0;
  bool dirty_ = false;
};
