#pragma once
// Perspective projection and look-at view transform for the fixed-function
// pipeline, which has no utility library of its own. All arithmetic is single
// precision (tanf, sqrtf).
//
// ccPerspective and ccLookAt multiply the current GL matrix; the *Frustum and
// *Matrix forms compute the same numbers without touching GL, for callers and
// tests that want the values.

/// The six planes handed to glFrustumf.
struct ccFrustum {
  float left = 0, right = 0, bottom = 0, top = 0, zNear = 0, zFar = 0;
};

/// ymax = zNear * tan(fovy * pi / 360) with pi = 3.1415927f; the frustum is
/// (-ymax * aspect, ymax * aspect, -ymax, ymax, zNear, zFar). `fovy` is the
/// full vertical field of view in degrees.
ccFrustum ccPerspectiveFrustum(float fovy, float aspect, float zNear, float zFar);

/// Multiplies the current GL matrix by the frustum of ccPerspectiveFrustum.
void ccPerspective(float fovy, float aspect, float zNear, float zFar);

/// The rotation part of a look-at transform, column-major, into `out`:
/// z = normalised (eye - center), x = up x z, y = z x x; x and y are then
/// normalised. A zero-length vector is left as it is rather than divided by 0,
/// so an up vector parallel to the view direction gives zero x and y rows.
/// Rows 0..2 are x, y, z; the last row and column are (0, 0, 0, 1).
void ccLookAtMatrix(float eyeX, float eyeY, float eyeZ, float centerX, float centerY, float centerZ,
                    float upX, float upY, float upZ, float out[16]);

/// Multiplies the current GL matrix by ccLookAtMatrix, then translates by
/// -eye.
void ccLookAt(float eyeX, float eyeY, float eyeZ, float centerX, float centerY, float centerZ,
              float upX, float upY, float upZ);
