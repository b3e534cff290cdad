#include "tessera/Support/glu.h"

#include <GLES/gl.h>

#include <cmath>

namespace {

struct Vector3 {
  float x, y, z;
};

// Divides by the length unless the length is 0 (the vector is then all zero
// and stays so).
Vector3 normalisedIfNonZero(Vector3 v) {
  float length = sqrtf(v.x * v.x + v.y * v.y + v.z * v.z);
  if (length != 0.0f) {
    v.x /= length;
    v.y /= length;
    v.z /= length;
  }
  return v;
}

Vector3 cross(Vector3 a, Vector3 b) {
  return {a.y * b.z - a.z * b.y, -a.x * b.z + a.z * b.x, a.x * b.y - a.y * b.x};
}

}  // namespace

ccFrustum ccPerspectiveFrustum(float fovy, float aspect, float zNear, float zFar) {
  float ymax = zNear * tanf(fovy * 3.1415927f / 360.0f);
  float xmax = ymax * aspect;
  return {-xmax, xmax, -ymax, ymax, zNear, zFar};
}

void ccPerspective(float fovy, float aspect, float zNear, float zFar) {
  ccFrustum f = ccPerspectiveFrustum(fovy, aspect, zNear, zFar);
  glFrustumf(f.left, f.right, f.bottom, f.top, f.zNear, f.zFar);
}

void ccLookAtMatrix(float eyeX, float eyeY, float eyeZ, float centerX, float centerY, float centerZ,
                    float upX, float upY, float upZ, float out[16]) {
  Vector3 z = normalisedIfNonZero({eyeX - centerX, eyeY - centerY, eyeZ - centerZ});
  Vector3 x = cross({upX, upY, upZ}, z);
  Vector3 y = cross(z, x);  // from x before it is normalised
  x = normalisedIfNonZero(x);
  y = normalisedIfNonZero(y);

  // Column-major: row r, column c lives at out[c * 4 + r].
  out[0] = x.x;  out[4] = x.y;  out[8] = x.z;   out[12] = 0.0f;
  out[1] = y.x;  out[5] = y.y;  out[9] = y.z;   out[13] = 0.0f;
  out[2] = z.x;  out[6] = z.y;  out[10] = z.z;  out[14] = 0.0f;
  out[3] = 0.0f; out[7] = 0.0f; out[11] = 0.0f; out[15] = 1.0f;
}

void ccLookAt(float eyeX, float eyeY, float eyeZ, float centerX, float centerY, float centerZ,
              float upX, float upY, float upZ) {
  GLfloat m[16];
  ccLookAtMatrix(eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ, m);
  glMultMatrixf(m);
  glTranslatef(-eyeX, -eyeY, -eyeZ);
}
