#pragma once
// CCPageTurn3D: the picture curls away like a page turned from its bottom
// right corner towards the left, lifting off the screen (z) as it goes.

#include "tessera/CCActionGrid.h"

/// A grid effect on a CCGrid3D. At fraction t the page is wrapped around a
/// cone whose apex sits below the picture at (0, ay), ay = −100 −
/// 500·max(0, t − 0.25)², with half-angle θ = π/2 − √t·π/2. Each vertex at
/// distance R from the apex is rolled round the cone:
///   β = asin(x / R) / sin θ, r = R·sin θ,
///   x' = r·sin β (0 once β passes π), y' = R + ay − r·(1 − cos β)·sin θ,
///   z' = max(r·(1 − cos β)·cos θ / 7, 0.5).
/// At t = 1 (θ = 0) the page has turned fully: every vertex lies on the line
/// x = 0 at (0, R + ay, 0.5), the limit of the formulas (which would divide
/// by sin θ = 0 there).
/// Use a fine grid (16 × 12 or more) for a smooth curl.
class CCPageTurn3D : public CCGrid3DAction {
  PLATFORM_CLASS(CCPageTurn3D, CCGrid3DAction)

 public:
  CC_GRID_ACTION_FACTORY(CCPageTurn3D)

  void update(float t) override;

 protected:
  ~CCPageTurn3D() override = default;
};
