#pragma once
// CCOrbitCamera: moves the target node's camera eye along a sphere around the
// camera's centre.

#include "tessera/CCActionCamera.h"

/// At fraction t the eye sits at radius r = (radius + deltaRadius × t) ×
/// CCCamera::getZEye(), zenith za = angleZ + deltaAngleZ × t and azimuth
/// xa = angleX + deltaAngleX × t (degrees) from the centre recorded at start:
///   eye = centre + r × (sin za · cos xa, sin za · sin xa, cos za).
/// Radii are in units of getZEye(), the camera's resting eye distance.
/// Expects a CCNode target.
class CCOrbitCamera : public CCActionCamera {
  PLATFORM_CLASS(CCOrbitCamera, CCActionCamera)

 public:
  /// A new autoreleased orbit over `duration` seconds.
  /// \param duration seconds the action lasts.
  /// \param radius the eye distance at the start, in units of the resting eye
  ///   distance.
  /// \param deltaRadius how much the distance changes by the end.
  /// \param angleZ the zenith angle at the start, degrees from +z.
  /// \param deltaAngleZ how much the zenith angle changes by the end, degrees.
  /// \param angleX the azimuth at the start, degrees from +x.
  /// \param deltaAngleX how much the azimuth changes by the end, degrees.
  static CCOrbitCamera* actionWithDuration(float duration, float radius, float deltaRadius, float angleZ,
                                           float deltaAngleZ, float angleX, float deltaAngleX);

  /// Interval init, then stores the six values (angles in degrees).
  /// \param duration seconds the action lasts.
  /// \param radius the eye distance at the start, in units of the resting eye
  ///   distance.
  /// \param deltaRadius how much the distance changes by the end.
  /// \param angleZ the zenith angle at the start, degrees from +z.
  /// \param deltaAngleZ how much the zenith angle changes by the end, degrees.
  /// \param angleX the azimuth at the start, degrees from +x.
  /// \param deltaAngleX how much the azimuth changes by the end, degrees.
  virtual bool initWithDuration(float duration, float radius, float deltaRadius, float angleZ, float deltaAngleZ,
                                float angleX, float deltaAngleX);
  using CCActionCamera::initWithDuration;

  /// A new orbit of the same class (count 1) with the same duration and six
  /// values; no tag.
  CCOrbitCamera* copy() const override;

  /// Camera-action start, then converts the start angles to radians.
  void startWithTarget(platform::Object* target) override;
  /// Places the eye (see the class comment).
  void update(float t) override;

  /// The target camera's eye relative to its centre in spherical form:
  /// radius (in units of getZEye()), zenith (from +z) and azimuth (from +x),
  /// radians. Expects a CCNode target and valid pointers; without a node the
  /// outputs are left untouched.
  void sphericalRadius(float* radius, float* zenith, float* azimuth) const;

 protected:
  ~CCOrbitCamera() override = default;

  float radius_ = 0, deltaRadius_ = 0;
  float angleZ_ = 0, deltaAngleZ_ = 0;
  float angleX_ = 0, deltaAngleX_ = 0;
  float radZ_ = 0, radDeltaZ_ = 0;
  float radX_ = 0, radDeltaX_ = 0;
};
