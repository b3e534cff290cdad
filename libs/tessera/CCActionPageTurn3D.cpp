#include "tessera/CCActionPageTurn3D.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr float kPi = 3.1415927f;

}  // namespace

void CCPageTurn3D::update(float t) {
  CCGrid3D* grid = targetGrid();
  if (!grid) return;
  const float tt = std::max(0.0f, t - 0.25f);
  const float deltaAy = tt * tt * 500;
  const float ay = -100 - deltaAy;
  const float deltaTheta = -kPi / 2 * std::sqrt(t);
  const float theta = kPi / 2 + deltaTheta;
  const float sinTheta = std::sin(theta);
  const float cosTheta = std::cos(theta);

  for (int i = 0; i <= gridSize_.x; ++i) {
    for (int j = 0; j <= gridSize_.y; ++j) {
      ccVertex3F p = grid->originalVertex(ccg(i, j));
      const float R = std::sqrt(p.x * p.x + (p.y - ay) * (p.y - ay));
      if (sinTheta == 0.0f || R == 0.0f) {
        // Fully turned (or the apex itself): the limit of the roll, where
        // the formulas below would divide by zero and give NaN vertices.
        p.x = 0;
        p.y = R + ay;
        p.z = 0.5f;
        grid->setVertex(ccg(i, j), p);
        continue;
      }
      const float r = R * sinTheta;
      const float alpha = std::asin(std::clamp(p.x / R, -1.0f, 1.0f));
      const float beta = alpha / sinTheta;
      const float cosBeta = std::cos(beta);

      // Past half a turn round the cone the vertex lies flat on the axis.
      p.x = static_cast<double>(beta) <= std::numbers::pi ? r * std::sin(beta) : 0.0f;
      p.y = R + ay - r * (1 - cosBeta) * sinTheta;
      // Kept a little above the screen so the page never dips behind it.
      p.z = std::max(r * (1 - cosBeta) * cosTheta / 7, 0.5f);
      grid->setVertex(ccg(i, j), p);
    }
  }
}
