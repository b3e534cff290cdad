// Grid effect actions: attaching, reusing and stopping grids; the amplitude
// wrappers; vertex and tile values of every effect at sampled fractions,
// checked against the formulas evaluated independently (in double precision
// where rounding may differ); and pictures drawn through the real director.
//
// Grids here cover the fixture's 320 x 480 window, so a 4 x 4 grid has cells
// of 80 x 120 pixels and corner (i, j) starts at (80 i, 120 j).

#include "OffscreenTestSupport.h"
#include "platform/Exception.h"
#include "platform/Random.h"
#include "support/TestSupport.h"
#include "tessera/CCActionGrid.h"
#include "tessera/CCActionGrid3D.h"
#include "tessera/CCActionPageTurn3D.h"
#include "tessera/CCActionTiledGrid.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCReverseTime.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using offscreen_test::Frame;
using offscreen_test::Rgba;
using platform::Ref;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr Rgba kRed = {255, 0, 0, 255}, kGreen = {0, 255, 0, 255}, kBlue = {0, 0, 255, 255},
               kWhite = {255, 255, 255, 255}, kBlack = {0, 0, 0, 255};

// Runs `body` and checks that it throws platform::Exception `name` / `reason`.
template <class Body>
void expectException(Body&& body, const std::string& name, const std::string& reason) {
  try {
    body();
    ADD_FAILURE() << "no exception " << name;
  } catch (const platform::Exception& e) {
    EXPECT_EQ(e.name(), name);
    EXPECT_EQ(e.reason(), reason);
  }
}

bool sameQuad(const ccQuad3& a, const ccQuad3& b) { return std::memcmp(&a, &b, sizeof(ccQuad3)) == 0; }

ccQuad3 shifted(ccQuad3 q, float dx, float dy) {
  for (ccVertex3F* c : {&q.bl, &q.br, &q.tl, &q.tr}) c->x += dx, c->y += dy;
  return q;
}

// Feeds random() from a script (cycling) and counts the draws.
class ScriptedRandom {
 public:
  explicit ScriptedRandom(std::vector<long> values) : values_(std::move(values)) {
    platform::setRandomSource([this] { return values_[draws_++ % values_.size()]; });
  }
  ~ScriptedRandom() { platform::setRandomSource({}); }
  std::size_t draws() const { return draws_; }

 private:
  std::vector<long> values_;
  std::size_t draws_ = 0;
};

class CCActionGridTest : public offscreen_test::OffscreenTest {
 protected:
  // A node in the running scene that grid actions can work on.
  CCNode* addNode() {
    CCNode* node = CCNode::node();
    scene()->addChild(node);
    return node;
  }

  static CCGrid3D* grid3D(CCNode* node) { return dynamic_cast<CCGrid3D*>(node->grid()); }
  static CCTiledGrid3D* tiledGrid(CCNode* node) { return dynamic_cast<CCTiledGrid3D*>(node->grid()); }

  // Starts `action` on a new node and applies fraction t; returns the node.
  CCNode* startAndUpdate(CCActionInterval* action, float t) {
    CCNode* node = addNode();
    action->startWithTarget(node);
    action->update(t);
    return node;
  }

  // A picture of four colours (red bottom left, green bottom right, blue top
  // left, white top right) 200 x 200 pixels about the window's centre.
  CCNode* quadrantPicture() {
    CCNode* container = addNode();
    CCSprite* sprite = CCSprite::spriteWithTexture(textureOf(200, 200, [](int x, int y) {
      return y < 100 ? (x < 100 ? kRed : kGreen) : (x < 100 ? kBlue : kWhite);
    }));
    sprite->setPosition(CGPointMake(160, 240));
    container->addChild(sprite);
    return container;
  }
};

// [SECTION] Attaching, reusing and stopping grids

TEST_F(CCActionGridTest, StartAttachesAnActiveGridOfTheEffectsKindReplacingAnActiveOne) {
  CCNode* node = addNode();
  CCWaves3D* waves = CCWaves3D::actionWithWaves(1, 10, ccg(4, 4), 1);
  waves->startWithTarget(node);
  Ref<CCGridBase> first = node->grid();
  ASSERT_NE(grid3D(node), nullptr);
  EXPECT_TRUE(first->active());
  EXPECT_EQ(first->gridSize(), ccg(4, 4));

  CCShakyTiles3D* shaky = CCShakyTiles3D::actionWithRange(2, false, ccg(3, 2), 1);
  shaky->startWithTarget(node);
  ASSERT_NE(tiledGrid(node), nullptr);
  EXPECT_NE(node->grid(), first.get());
  EXPECT_TRUE(node->grid()->active());
  EXPECT_FALSE(first->active()) << "the replaced grid still draws";

  // The first action no longer finds a grid of its kind: its updates leave
  // the new grid alone.
  const std::vector<ccQuad3> before = tiledGrid(node)->vertices();
  waves->update(0.3f);
  EXPECT_EQ(std::memcmp(before.data(), tiledGrid(node)->vertices().data(), before.size() * sizeof(ccQuad3)), 0);
}

TEST_F(CCActionGridTest, ReuseGridLetsTheNextEffectContinueFromTheDeformation) {
  CCNode* node = startAndUpdate(CCWaves3D::actionWithWaves(2, 10, ccg(4, 4), 1), 0.25f);
  CCGrid3D* grid = grid3D(node);
  ASSERT_NE(grid, nullptr);
  const float deformedZ = grid->vertex(ccg(2, 3)).z;
  ASSERT_NE(deformedZ, 0.0f);

  CCReuseGrid::actionWithTimes(1)->startWithTarget(node);
  EXPECT_EQ(grid->reuseGrid(), 1);
  CCWaves3D* still = CCWaves3D::actionWithWaves(2, 0, ccg(4, 4), 1);
  still->startWithTarget(node);
  EXPECT_EQ(node->grid(), grid) << "a new grid was made";
  EXPECT_EQ(grid->reuseGrid(), 0);
  EXPECT_EQ(grid->originalVertex(ccg(2, 3)).z, deformedZ);
  still->update(0.5f);
  EXPECT_EQ(grid->vertex(ccg(2, 3)).z, deformedZ);
}

TEST_F(CCActionGridTest, ReusingAGridOfAnotherKindSizeOrStateThrowsAndTouchesNothing) {
  struct Case {
    const char* name;
    std::function<CCGridAction*()> next;
    bool deactivate;
  };
  const std::vector<Case> cases = {
      {"tiled effect on a surface grid", [] { return CCWavesTiles3D::actionWithWaves(1, 5, ccg(4, 4), 1); }, false},
      {"other size", [] { return CCWaves3D::actionWithWaves(1, 5, ccg(3, 4), 1); }, false},
      {"inactive grid", [] { return CCWaves3D::actionWithWaves(1, 5, ccg(4, 4), 1); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CCNode* node = startAndUpdate(CCWaves3D::actionWithWaves(1, 10, ccg(4, 4), 1), 0.1f);
    CCGrid3D* grid = grid3D(node);
    ASSERT_NE(grid, nullptr);
    grid->setReuseGrid(1);
    if (c.deactivate) grid->setActive(false);
    const std::vector<ccVertex3F> before = grid->vertices();

    CCGridAction* next = c.next();
    expectException([&] { next->startWithTarget(node); }, "GridBase", "Cannot reuse grid");
    EXPECT_EQ(node->grid(), grid);
    next->update(0.7f);  // must not write into a grid of another kind or size
    if (!c.deactivate) {
      EXPECT_EQ(std::memcmp(before.data(), grid->vertices().data(), before.size() * sizeof(ccVertex3F)), 0);
    }
  }
}

TEST_F(CCActionGridTest, StopGridSwitchesTheGridOffAndReuseGridCountsOnlyOnAnActiveGrid) {
  CCNode* node = startAndUpdate(CCWaves3D::actionWithWaves(1, 10, ccg(2, 2), 1), 0.5f);
  CCGridBase* grid = node->grid();
  CCStopGrid::action()->startWithTarget(node);
  EXPECT_EQ(node->grid(), grid) << "the grid stays attached";
  EXPECT_FALSE(grid->active());

  CCReuseGrid::actionWithTimes(2)->startWithTarget(node);
  EXPECT_EQ(grid->reuseGrid(), 0);
  grid->setActive(true);
  Ref<CCReuseGrid> reuse = CCReuseGrid::actionWithTimes(2);
  auto copy = Ref<CCReuseGrid>::adopt(reuse->copy());
  copy->startWithTarget(node);
  reuse->reverse()->startWithTarget(node);
  EXPECT_EQ(grid->reuseGrid(), 4);

  // Nodes without grids and targets that are not nodes are left alone.
  CCNode* bare = addNode();
  CCStopGrid::action()->startWithTarget(bare);
  CCReuseGrid::actionWithTimes(1)->startWithTarget(bare);
  EXPECT_EQ(bare->grid(), nullptr);
  CCWaves3D* waves = CCWaves3D::actionWithWaves(1, 10, ccg(2, 2), 1);
  waves->startWithTarget(reuse.get());
  waves->update(0.5f);
  EXPECT_EQ(waves->vertex(ccg(1, 1)).x, 0.0f);
}

TEST_F(CCActionGridTest, AbstractBasesAndMisuseThrowTheirNamedExceptions) {
  CCNode* node = addNode();
  CCGridAction* base = CCGridAction::actionWithSize(ccg(2, 2), 1);
  expectException([&] { base->startWithTarget(node); }, "GridBase", "Abstract class needs implementation");
  EXPECT_EQ(node->grid(), nullptr);

  auto flip = Ref<CCFlipX3D>::adopt(new CCFlipX3D());
  expectException([&] { flip->initWithSize(ccg(2, 1), 1); }, "FlipX3D", "Grid size must be (1,1)");
  EXPECT_EQ(CCFlipY3D::actionWithDuration(1)->gridSize(), ccg(1, 1));

  // A wrapper around an effect without amplitude.
  CCAccelAmplitude* accel = CCAccelAmplitude::actionWithAction(CCPageTurn3D::actionWithSize(ccg(2, 2), 1), 1);
  accel->startWithTarget(node);
  expectException([&] { accel->update(0.5f); }, "IntervalAction (Amplitude)", "Abstract class needs implementation");

  testing_support::LogCapture log;
  EXPECT_EQ(CCDeccelAmplitude::actionWithAction(nullptr, 1), nullptr);
  EXPECT_NE(log.text().find("CCDeccelAmplitude"), std::string::npos) << log.text();
}

// Every effect's copy is the same class with the same arguments: run on two
// nodes with the same random draws, both grids end up identical.
TEST_F(CCActionGridTest, CopiesAreTheSameEffectWithTheSameArguments) {
  const std::vector<std::function<CCGridAction*()>> makers = {
      [] { return CCWaves3D::actionWithWaves(3, 12, ccg(4, 3), 2); },
      [] { return CCFlipY3D::actionWithDuration(2); },
      [] { return CCLens3D::actionWithPosition(CGPointMake(100, 200), 150, ccg(5, 5), 2); },
      [] { return CCRipple3D::actionWithPosition(CGPointMake(90, 300), 180, 3, 20, ccg(4, 6), 2); },
      [] { return CCShaky3D::actionWithRange(4, true, ccg(3, 3), 2); },
      [] { return CCLiquid::actionWithWaves(2, 9, ccg(5, 4), 2); },
      [] { return CCWaves::actionWithWaves(2, 9, true, false, ccg(5, 4), 2); },
      [] { return CCTwirl::actionWithPosition(CGPointMake(150, 250), 2, 3, ccg(6, 6), 2); },
      [] { return CCPageTurn3D::actionWithSize(ccg(6, 4), 2); },
      [] { return CCShakyTiles3D::actionWithRange(4, true, ccg(3, 3), 2); },
      [] { return CCShatteredTiles3D::actionWithRange(6, false, ccg(3, 4), 2); },
      [] { return CCShuffleTiles::actionWithSeed(11, ccg(4, 3), 2); },
      [] { return CCFadeOutBLTiles::actionWithSize(ccg(4, 3), 2); },
      [] { return CCTurnOffTiles::actionWithSeed(3, ccg(3, 5), 2); },
      [] { return CCWavesTiles3D::actionWithWaves(2, 15, ccg(4, 3), 2); },
      [] { return CCJumpTiles3D::actionWithJumps(2, 15, ccg(4, 3), 2); },
      [] { return CCSplitCols::actionWithCols(5, 2); },
  };
  for (const auto& make : makers) {
    CCGridAction* original = make();
    auto copy = Ref<CCGridAction>::adopt(original->copy());
    SCOPED_TRACE(original->className());
    ASSERT_STREQ(copy->className(), original->className());
    EXPECT_EQ(copy->duration(), original->duration());
    EXPECT_EQ(copy->gridSize(), original->gridSize());

    std::vector<char> bytes[2];
    CCGridAction* runs[2] = {original, copy.get()};
    for (int k = 0; k < 2; ++k) {
      platform::seedRandom(99);
      ScriptedRandom draws({3, 141, 59, 26, 535, 89, 79, 323});
      CCNode* node = startAndUpdate(runs[k], 0.3f);
      if (CCGrid3D* g = grid3D(node)) {
        const auto* p = reinterpret_cast<const char*>(g->vertices().data());
        bytes[k].assign(p, p + g->vertices().size() * sizeof(ccVertex3F));
      } else if (CCTiledGrid3D* t = tiledGrid(node)) {
        const auto* p = reinterpret_cast<const char*>(t->vertices().data());
        bytes[k].assign(p, p + t->vertices().size() * sizeof(ccQuad3));
      }
    }
    EXPECT_FALSE(bytes[0].empty());
    EXPECT_EQ(bytes[0], bytes[1]);
  }
}

TEST_F(CCActionGridTest, ReverseRunsAnIndependentCopyBackwards) {
  CCWaves3D* waves = CCWaves3D::actionWithWaves(1, 10, ccg(4, 4), 3);
  auto* reverse = dynamic_cast<CCReverseTime*>(waves->reverse());
  ASSERT_NE(reverse, nullptr);
  EXPECT_EQ(reverse->duration(), 3.0f);
  ASSERT_NE(reverse->innerAction(), waves);
  EXPECT_STREQ(reverse->innerAction()->className(), "CCWaves3D");

  CCNode* forwards = startAndUpdate(waves, 0.2f);
  CCNode* backwards = startAndUpdate(reverse, 0.8f);
  EXPECT_EQ(grid3D(forwards)->vertex(ccg(3, 1)).z, grid3D(backwards)->vertex(ccg(3, 1)).z);
}

// [SECTION] Amplitude wrappers

TEST_F(CCActionGridTest, AmplitudeWrappersScaleTheInnerEffectOverTime) {
  CCNode* node = addNode();
  CCWaves3D* waves = CCWaves3D::actionWithWaves(1, 10, ccg(4, 4), 1);
  CCAccelDeccelAmplitude* both = CCAccelDeccelAmplitude::actionWithAction(waves, 4);
  EXPECT_EQ(both->duration(), 4.0f) << "the wrapper's own duration, not the inner one";
  EXPECT_EQ(both->rate(), 1.0f);
  both->startWithTarget(node);
  ASSERT_NE(grid3D(node), nullptr) << "the inner effect was not started";
  for (const auto& [t, rate] : std::vector<std::pair<float, float>>{{0, 0}, {0.25f, 0.5f}, {0.5f, 1}, {1, 0}}) {
    both->update(t);
    EXPECT_FLOAT_EQ(waves->amplitudeRate(), rate) << "t " << t;
  }
  // The inner effect moved with the scaled amplitude at the same fraction.
  both->update(0.25f);
  const double z = std::sin(0.25 * kPi * 2 + (360 + 160) * 0.01) * 10 * 0.5;
  EXPECT_NEAR(grid3D(node)->vertex(ccg(2, 3)).z, z, 1e-4);

  CCAccelAmplitude* accel = CCAccelAmplitude::actionWithAction(CCLiquid::actionWithWaves(1, 5, ccg(2, 2), 1), 1);
  accel->setRate(2);
  accel->startWithTarget(addNode());
  accel->update(0.5f);
  EXPECT_FLOAT_EQ(accel->innerAction()->amplitudeRate(), 0.25f);

  CCDeccelAmplitude* deccel = CCDeccelAmplitude::actionWithAction(CCRipple3D::actionWithPosition(
      CGPointZero, 10, 1, 5, ccg(2, 2), 1), 1);
  deccel->setRate(2);
  deccel->startWithTarget(addNode());
  deccel->update(0.25f);
  EXPECT_FLOAT_EQ(deccel->innerAction()->amplitudeRate(), 0.5625f);

  // Reverses keep the class and duration around the inner reverse; copies keep the rate.
  CCDeccelAmplitude* back = deccel->reverse();
  ASSERT_NE(back, nullptr);
  EXPECT_STREQ(back->className(), "CCDeccelAmplitude");
  EXPECT_EQ(back->duration(), 1.0f);
  EXPECT_NE(dynamic_cast<CCReverseTime*>(back->innerAction()), nullptr);
  auto copy = Ref<CCAccelAmplitude>::adopt(accel->copy());
  EXPECT_EQ(copy->rate(), 2.0f);
  EXPECT_NE(copy->innerAction(), accel->innerAction());
}

// [SECTION] Surface effects

TEST_F(CCActionGridTest, WavesRippleAndTwirlMoveVerticesAsTheirFormulasSay) {
  // Waves in z: at t = 0 the corner at the origin stays put.
  CCWaves3D* waves = CCWaves3D::actionWithWaves(2, 10, ccg(4, 4), 1);
  CCNode* node = startAndUpdate(waves, 0);
  EXPECT_EQ(grid3D(node)->vertex(ccg(0, 0)).z, 0.0f);
  waves->update(0.25f);
  EXPECT_NEAR(grid3D(node)->vertex(ccg(2, 3)).z, std::sin(0.25 * kPi * 2 * 2 + 5.2) * 10, 1e-4);
  EXPECT_EQ(grid3D(node)->vertex(ccg(2, 3)).x, 160.0f);

  // Ripple about (160, 240), radius 200: the centre at full amplitude, a
  // vertex 144 pixels out scaled by ((200 - d) / 200)^2, one beyond untouched.
  CCRipple3D* ripple = CCRipple3D::actionWithPosition(CGPointMake(160, 240), 200, 1, 30, ccg(4, 4), 1);
  node = startAndUpdate(ripple, 0.1f);
  const double d = std::hypot(80.0, 120.0), r = 200 - d;
  EXPECT_NEAR(grid3D(node)->vertex(ccg(2, 2)).z, std::sin(0.1 * 2 * kPi + 20) * 30, 1e-4);
  EXPECT_NEAR(grid3D(node)->vertex(ccg(3, 3)).z, std::sin(0.1 * 2 * kPi + r * 0.1) * 30 * (r / 200) * (r / 200), 1e-4);
  EXPECT_EQ(grid3D(node)->vertex(ccg(0, 0)).z, 0.0f);

  // Twirl about the centre, a quarter of the way: cos(pi) = -1.
  CCTwirl* twirl = CCTwirl::actionWithPosition(CGPointMake(160, 240), 1, 1, ccg(4, 4), 1);
  node = startAndUpdate(twirl, 0.25f);
  const double a = -std::hypot(2.0, 2.0) * 0.1;
  EXPECT_NEAR(grid3D(node)->vertex(ccg(4, 4)).x, 160 + std::sin(a) * 240 + std::cos(a) * 160, 1e-3);
  EXPECT_NEAR(grid3D(node)->vertex(ccg(4, 4)).y, 240 + std::cos(a) * 240 - std::sin(a) * 160, 1e-3);
  EXPECT_NEAR(grid3D(node)->vertex(ccg(2, 2)).x, 160, 1e-4) << "the grid's middle does not move";
}

TEST_F(CCActionGridTest, LiquidKeepsTheBorderAndWavesBendByTheirFlags) {
  CCNode* node = startAndUpdate(CCLiquid::actionWithWaves(1, 10, ccg(4, 4), 1), 0.125f);
  CCGrid3D* grid = grid3D(node);
  EXPECT_NEAR(grid->vertex(ccg(1, 1)).x, 80 + std::sin(kPi / 4 + 0.8) * 10, 1e-4);
  EXPECT_NEAR(grid->vertex(ccg(1, 1)).y, 120 + std::sin(kPi / 4 + 1.2) * 10, 1e-4);
  for (ccGridSize border : {ccg(0, 2), ccg(4, 1), ccg(2, 0), ccg(3, 4)}) {
    const ccVertex3F v = grid->vertex(border), o = grid->originalVertex(border);
    EXPECT_TRUE(v.x == o.x && v.y == o.y) << border.x << "," << border.y;
  }

  struct Case {
    bool horizontal, vertical;
  };
  for (const Case c : {Case{true, false}, Case{false, true}, Case{true, true}}) {
    node = startAndUpdate(CCWaves::actionWithWaves(1, 10, c.horizontal, c.vertical, ccg(4, 4), 1), 0.125f);
    const ccVertex3F v = grid3D(node)->vertex(ccg(1, 1));
    const double x = c.vertical ? 80 + std::sin(kPi / 4 + 1.2) * 10 : 80;
    const double y = c.horizontal ? 120 + std::sin(kPi / 4 + x * 0.01) * 10 : 120;  // from the moved x
    EXPECT_NEAR(v.x, x, 1e-4) << c.horizontal << c.vertical;
    EXPECT_NEAR(v.y, y, 1e-4) << c.horizontal << c.vertical;
  }
}

TEST_F(CCActionGridTest, LensBulgesOnceAndAgainOnlyWhenMovedOrRestarted) {
  CCLens3D* lens = CCLens3D::actionWithPosition(CGPointMake(160, 240), 100, ccg(8, 8), 1);
  EXPECT_FLOAT_EQ(lens->lensEffect(), 0.7f);
  CCNode* node = startAndUpdate(lens, 0);
  CCGrid3D* grid = grid3D(node);
  // 8 x 8 cells of 40 x 60: corner (5, 4) is 40 pixels from the centre.
  const double bulge = std::pow(0.6, 0.7) * 100 * 0.7;
  EXPECT_NEAR(grid->vertex(ccg(5, 4)).z, bulge, 1e-3);
  EXPECT_EQ(grid->vertex(ccg(4, 4)).z, 0.0f) << "the centre itself has no direction to bulge in";
  EXPECT_EQ(grid->vertex(ccg(0, 0)).z, 0.0f);

  grid->setVertex(ccg(5, 4), ccVertex3F{200, 240, -1});
  lens->update(0.5f);
  lens->setPosition(CGPointMake(160, 240));
  lens->update(0.6f);
  EXPECT_EQ(grid->vertex(ccg(5, 4)).z, -1.0f) << "the lens was applied again";

  lens->setPosition(CGPointMake(200, 240));
  lens->update(0.7f);
  EXPECT_EQ(grid->vertex(ccg(5, 4)).z, 0.0f);
  EXPECT_NEAR(grid->vertex(ccg(4, 4)).z, bulge, 1e-3);

  // Run again (on a fresh grid), the lens bulges that grid too.
  lens->startWithTarget(node);
  ASSERT_NE(grid3D(node), grid);
  lens->update(0);
  EXPECT_NEAR(grid3D(node)->vertex(ccg(4, 4)).z, bulge, 1e-3);
}

TEST_F(CCActionGridTest, FlipsTurnThePictureOverAboutItsCentreLines) {
  CCNode* node = startAndUpdate(CCFlipX3D::actionWithDuration(1), 0.5f);
  CCGrid3D* grid = grid3D(node);
  ASSERT_NE(grid, nullptr);
  const double dx = 320 - 320 * std::cos(kPi / 4);
  EXPECT_NEAR(grid->vertex(ccg(0, 0)).x, dx, 1e-3);
  EXPECT_NEAR(grid->vertex(ccg(0, 1)).x, dx, 1e-3);
  EXPECT_NEAR(grid->vertex(ccg(1, 1)).x, 320 - dx, 1e-3);
  EXPECT_EQ(grid->vertex(ccg(0, 0)).z, 80.0f);
  EXPECT_EQ(grid->vertex(ccg(1, 0)).z, -80.0f);
  EXPECT_EQ(grid->vertex(ccg(0, 1)).y, 480.0f);

  CCFlipX3D* flip = CCFlipX3D::actionWithDuration(1);
  node = startAndUpdate(flip, 1);
  EXPECT_NEAR(grid3D(node)->vertex(ccg(0, 0)).x, 320, 1e-3) << "not mirrored at the end";
  EXPECT_NEAR(grid3D(node)->vertex(ccg(1, 0)).x, 0, 1e-3);

  node = startAndUpdate(CCFlipY3D::actionWithDuration(1), 0.5f);
  grid = grid3D(node);
  const double dy = 480 - 480 * std::cos(kPi / 4);
  for (int i = 0; i < 2; ++i) {
    EXPECT_NEAR(grid->vertex(ccg(i, 0)).y, dy, 1e-3);
    EXPECT_NEAR(grid->vertex(ccg(i, 1)).y, 480 - dy, 1e-3);
    EXPECT_EQ(grid->vertex(ccg(i, 0)).z, 120.0f);
    EXPECT_EQ(grid->vertex(ccg(i, 1)).z, -120.0f);
    EXPECT_EQ(grid->vertex(ccg(i, 1)).x, 320.0f * i);
  }
}

TEST_F(CCActionGridTest, ShakyDrawsItsOffsetsInOrderAndRangeZeroDrawsNothing) {
  ScriptedRandom draws({13, 7, 22});
  CCNode* node = startAndUpdate(CCShaky3D::actionWithRange(5, true, ccg(4, 4), 1), 0.5f);
  EXPECT_EQ(draws.draws(), 25u * 3);
  // 13 % 10 - 5 = -2, 7 % 10 - 5 = 2, 22 % 10 - 5 = -3.
  const ccVertex3F v = grid3D(node)->vertex(ccg(0, 0));
  EXPECT_EQ(v.x, -2.0f);
  EXPECT_EQ(v.y, 2.0f);
  EXPECT_EQ(v.z, -3.0f);

  startAndUpdate(CCShaky3D::actionWithRange(5, false, ccg(4, 4), 1), 0.5f);
  EXPECT_EQ(draws.draws(), 25u * 3 + 25u * 2);
  node = startAndUpdate(CCShaky3D::actionWithRange(0, true, ccg(4, 4), 1), 0.5f);
  EXPECT_EQ(draws.draws(), 25u * 5);
  EXPECT_EQ(grid3D(node)->vertex(ccg(4, 4)).x, 320.0f);
  // A negative range counts as its size: -5 shakes like 5.
  node = startAndUpdate(CCShaky3D::actionWithRange(-5, false, ccg(1, 1), 1), 0.5f);
  const ccVertex3F shaken = grid3D(node)->vertex(ccg(1, 1));
  EXPECT_GE(shaken.x, 315.0f);
  EXPECT_LE(shaken.x, 324.0f);
}

TEST_F(CCActionGridTest, PageTurnLiesFlatAtTheStartAndCollapsesCleanlyAtTheEnd) {
  CCPageTurn3D* turn = CCPageTurn3D::actionWithSize(ccg(16, 12), 1);
  CCNode* node = startAndUpdate(turn, 0);
  CCGrid3D* grid = grid3D(node);
  for (ccGridSize corner : {ccg(0, 0), ccg(16, 12), ccg(10, 6)}) {
    const ccVertex3F v = grid->vertex(corner), o = grid->originalVertex(corner);
    EXPECT_NEAR(v.x, o.x, 1e-3);
    EXPECT_NEAR(v.y, o.y, 1e-2);
    EXPECT_EQ(v.z, 0.5f);
  }

  // Half way, against the cone roll computed in double precision.
  turn->update(0.5f);
  const double ay = -100 - 0.25 * 0.25 * 500, theta = kPi / 2 - std::sqrt(0.5) * kPi / 2;
  const double R = std::hypot(200.0, 240 - ay), r = R * std::sin(theta);
  const double beta = std::asin(200 / R) / std::sin(theta);
  const ccVertex3F half = grid->vertex(ccg(10, 6));  // (200, 240)
  EXPECT_NEAR(half.x, beta <= kPi ? r * std::sin(beta) : 0, 1e-2);
  EXPECT_NEAR(half.y, R + ay - r * (1 - std::cos(beta)) * std::sin(theta), 1e-2);
  EXPECT_NEAR(half.z, std::max(r * (1 - std::cos(beta)) * std::cos(theta) / 7, 0.5), 1e-2);

  // Fully turned: every vertex on the line x = 0, no NaN anywhere.
  turn->update(1);
  for (const ccVertex3F& v : grid->vertices()) {
    ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
    EXPECT_EQ(v.x, 0.0f);
    EXPECT_EQ(v.z, 0.5f);
  }
}

// [SECTION] Tile effects

TEST_F(CCActionGridTest, TurnOffTilesFollowsTheSeededShuffle) {
  // The order the seed gives, shuffled here independently.
  platform::seedRandom(5);
  int order[4] = {0, 1, 2, 3};
  for (int k = 3; k >= 0; --k) std::swap(order[k], order[platform::random() % (k + 1)]);

  CCTurnOffTiles* turnOff = CCTurnOffTiles::actionWithSeed(5, ccg(2, 2), 1);
  CCNode* node = startAndUpdate(turnOff, 0.5f);
  CCTiledGrid3D* grid = tiledGrid(node);
  auto isOff = [&](int c) { return sameQuad(grid->tile(ccg(c / 2, c % 2)), ccQuad3{}); };
  for (int k = 0; k < 4; ++k) EXPECT_EQ(isOff(order[k]), k < 2) << "tile " << order[k];
  turnOff->update(1);
  for (int c = 0; c < 4; ++c) EXPECT_TRUE(isOff(c));
  turnOff->update(0);
  for (int c = 0; c < 4; ++c) EXPECT_TRUE(sameQuad(grid->tile(ccg(c / 2, c % 2)), grid->originalTile(ccg(c / 2, c % 2))));

  // Seeding restarts only random(): arc4random() goes on as it would have.
  platform::seedRandomSources(1);
  const std::uint32_t first = platform::arc4random();
  const std::uint32_t expected = platform::arc4random();
  platform::seedRandomSources(1);
  EXPECT_EQ(platform::arc4random(), first);
  startAndUpdate(CCTurnOffTiles::actionWithSeed(5, ccg(2, 2), 1), 0.5f);
  EXPECT_EQ(platform::arc4random(), expected);
}

TEST_F(CCActionGridTest, ShuffleTilesSendsEveryTileToAnotherTilesCell) {
  // Cells of 80 x 120: whole pixels, so arrivals land exactly on cells.
  CCShuffleTiles* shuffle = CCShuffleTiles::actionWithSeed(7, ccg(4, 4), 1);
  CCNode* node = startAndUpdate(shuffle, 0);
  CCTiledGrid3D* grid = tiledGrid(node);
  for (int c = 0; c < 16; ++c) EXPECT_TRUE(sameQuad(grid->tile(ccg(c / 4, c % 4)), grid->originalTile(ccg(c / 4, c % 4))));

  shuffle->update(1);
  std::vector<std::pair<float, float>> arrived, cells;
  int moved = 0;
  for (int c = 0; c < 16; ++c) {
    const ccQuad3 q = grid->tile(ccg(c / 4, c % 4)), o = grid->originalTile(ccg(c / 4, c % 4));
    // Tiles move whole: the size is kept.
    EXPECT_EQ(q.tr.x - q.bl.x, o.tr.x - o.bl.x);
    arrived.emplace_back(q.bl.x, q.bl.y);
    cells.emplace_back(o.bl.x, o.bl.y);
    moved += q.bl.x != o.bl.x || q.bl.y != o.bl.y;
  }
  std::sort(arrived.begin(), arrived.end());
  std::sort(cells.begin(), cells.end());
  EXPECT_EQ(arrived, cells) << "not a permutation of the cells";
  EXPECT_GT(moved, 0);
}

TEST_F(CCActionGridTest, FadeOutTilesShrinkInTheirDirection) {
  // 3 x 3 tiles of 106.67 x 160. Towards the top right at t = 0.5: n = 3.
  CCFadeOutTRTiles* tr = CCFadeOutTRTiles::actionWithSize(ccg(3, 3), 1);
  CCNode* node = startAndUpdate(tr, 0);
  CCTiledGrid3D* grid = tiledGrid(node);
  for (int c = 0; c < 9; ++c) EXPECT_TRUE(sameQuad(grid->tile(ccg(c / 3, c % 3)), grid->originalTile(ccg(c / 3, c % 3))));
  tr->update(0.5f);
  EXPECT_TRUE(sameQuad(grid->tile(ccg(0, 0)), ccQuad3{})) << "(0, 0) should be off";
  EXPECT_TRUE(sameQuad(grid->tile(ccg(2, 2)), grid->originalTile(ccg(2, 2))));
  const ccQuad3 shrunk = grid->tile(ccg(1, 1)), whole = grid->originalTile(ccg(1, 1));
  const double d = std::pow(2.0 / 3, 6);
  EXPECT_NEAR(shrunk.br.x - shrunk.bl.x, (whole.br.x - whole.bl.x) * d, 1e-3);
  EXPECT_NEAR(shrunk.tl.y - shrunk.bl.y, (whole.tl.y - whole.bl.y) * d, 1e-3);
  EXPECT_NEAR(shrunk.bl.x + shrunk.tr.x, whole.bl.x + whole.tr.x, 1e-3) << "not about the centre";

  // Towards the bottom left: (0, 0) stays whole to the end, the rest goes.
  node = startAndUpdate(CCFadeOutBLTiles::actionWithSize(ccg(3, 3), 1), 1);
  grid = tiledGrid(node);
  EXPECT_TRUE(sameQuad(grid->tile(ccg(0, 0)), grid->originalTile(ccg(0, 0))));
  EXPECT_TRUE(sameQuad(grid->tile(ccg(2, 1)), ccQuad3{}));

  // Upwards on 2 x 4 at t = 0.5 (n = 2): row 0 off, row 1 shrunk in height
  // only, rows 2 and 3 whole.
  node = startAndUpdate(CCFadeOutUpTiles::actionWithSize(ccg(2, 4), 1), 0.5f);
  grid = tiledGrid(node);
  EXPECT_TRUE(sameQuad(grid->tile(ccg(1, 0)), ccQuad3{}));
  const ccQuad3 up = grid->tile(ccg(1, 1)), upWhole = grid->originalTile(ccg(1, 1));
  EXPECT_EQ(up.bl.x, upWhole.bl.x);
  EXPECT_EQ(up.br.x, upWhole.br.x);
  EXPECT_NEAR(up.tl.y - up.bl.y, 120 * std::pow(0.5, 6), 1e-3);
  EXPECT_TRUE(sameQuad(grid->tile(ccg(0, 2)), grid->originalTile(ccg(0, 2))));

  // Downwards: the top row goes first, row 0 never.
  node = startAndUpdate(CCFadeOutDownTiles::actionWithSize(ccg(2, 4), 1), 0.5f);
  grid = tiledGrid(node);
  const ccQuad3 down = grid->tile(ccg(0, 3));
  EXPECT_NEAR(down.tl.y - down.bl.y, 120 * std::pow(2.0 / 3, 6), 1e-3);
  EXPECT_TRUE(sameQuad(grid->tile(ccg(0, 1)), grid->originalTile(ccg(0, 1))));
  CCFadeOutDownTiles* downToEnd = CCFadeOutDownTiles::actionWithSize(ccg(2, 4), 1);
  node = startAndUpdate(downToEnd, 1);
  EXPECT_TRUE(sameQuad(tiledGrid(node)->tile(ccg(1, 3)), ccQuad3{}));
  EXPECT_TRUE(sameQuad(tiledGrid(node)->tile(ccg(1, 0)), tiledGrid(node)->originalTile(ccg(1, 0))));
}

TEST_F(CCActionGridTest, SplitRowsAndColsSlideAlternatelyByTheWindow) {
  CCNode* node = startAndUpdate(CCSplitRows::actionWithRows(3, 1), 1);
  CCTiledGrid3D* grid = tiledGrid(node);
  ASSERT_EQ(grid->gridSize(), ccg(1, 3));
  for (int j = 0; j < 3; ++j) {
    const float dx = j == 1 ? 320.0f : -320.0f;
    EXPECT_TRUE(sameQuad(grid->tile(ccg(0, j)), shifted(grid->originalTile(ccg(0, j)), dx, 0))) << "row " << j;
  }
  node = startAndUpdate(CCSplitCols::actionWithCols(3, 1), 0.5f);
  grid = tiledGrid(node);
  ASSERT_EQ(grid->gridSize(), ccg(3, 1));
  for (int i = 0; i < 3; ++i) {
    const float dy = i == 1 ? 240.0f : -240.0f;
    EXPECT_TRUE(sameQuad(grid->tile(ccg(i, 0)), shifted(grid->originalTile(ccg(i, 0)), 0, dy))) << "column " << i;
  }
}

TEST_F(CCActionGridTest, ShakyAndShatteredTilesDrawPerCornerAndShatterOncePerRun) {
  ScriptedRandom draws({10, 11, 12, 13, 14, 15, 16, 17});
  CCNode* node = startAndUpdate(CCShakyTiles3D::actionWithRange(5, false, ccg(2, 2), 1), 0.5f);
  EXPECT_EQ(draws.draws(), 4u * 8);
  // The four x first (bottom-left, bottom-right, top-left, top-right), then the four y.
  const ccQuad3 expected = [&] {
    ccQuad3 q = tiledGrid(node)->originalTile(ccg(0, 0));
    q.bl.x -= 5, q.br.x -= 4, q.tl.x -= 3, q.tr.x -= 2;
    q.bl.y -= 1, q.tl.y += 1, q.tr.y += 2;
    return q;
  }();
  EXPECT_TRUE(sameQuad(tiledGrid(node)->tile(ccg(0, 0)), expected));

  CCShatteredTiles3D* shatter = CCShatteredTiles3D::actionWithRange(5, true, ccg(2, 2), 1);
  node = startAndUpdate(shatter, 0.1f);
  EXPECT_EQ(draws.draws(), 4u * 8 + 4u * 12);
  const std::vector<ccQuad3> shattered = tiledGrid(node)->vertices();
  shatter->update(0.6f);
  EXPECT_EQ(draws.draws(), 4u * 8 + 4u * 12) << "shattered again";
  EXPECT_EQ(std::memcmp(shattered.data(), tiledGrid(node)->vertices().data(), shattered.size() * sizeof(ccQuad3)), 0);
  // Run again, it shatters its new grid.
  shatter->startWithTarget(node);
  shatter->update(0);
  EXPECT_EQ(draws.draws(), 4u * 8 + 4u * 24);
}

TEST_F(CCActionGridTest, WavesAndJumpTilesLiftWholeTiles) {
  CCNode* node = startAndUpdate(CCWavesTiles3D::actionWithWaves(1, 10, ccg(4, 4), 1), 0.125f);
  const ccQuad3 wave = tiledGrid(node)->tile(ccg(1, 2));  // bottom left (80, 240)
  const double h = std::sin(kPi / 4 + 3.2) * 10;
  for (float z : {wave.bl.z, wave.br.z, wave.tl.z, wave.tr.z}) EXPECT_NEAR(z, h, 1e-4);

  node = startAndUpdate(CCJumpTiles3D::actionWithJumps(1, 10, ccg(4, 4), 1), 0.125f);
  EXPECT_NEAR(tiledGrid(node)->tile(ccg(1, 1)).tr.z, std::sin(kPi / 4) * 10, 1e-4);
  EXPECT_NEAR(tiledGrid(node)->tile(ccg(1, 2)).bl.z, std::sin(1.25 * kPi) * 10, 1e-4);
  EXPECT_EQ(tiledGrid(node)->tile(ccg(1, 2)).bl.x, 80.0f);
}

// [SECTION] Pictures through the director

TEST_F(CCActionGridTest, ZeroAmplitudeDrawsExactlyAsAnUndeformedGrid) {
  CCNode* picture = quadrantPicture();
  const Frame plain = drawFrame();
  CCGrid3D* grid = CCGrid3D::gridWithSize(ccg(4, 4));
  ASSERT_NE(grid, nullptr);
  picture->setGrid(grid);
  grid->setActive(true);
  const Frame undeformed = drawFrame();

  picture->runAction(CCWaves3D::actionWithWaves(2, 0, ccg(4, 4), 1));
  ASSERT_NE(picture->grid(), grid);
  const Frame waved = drawFrame();
  EXPECT_EQ(waved.rgba, undeformed.rgba);
  for (const auto& [x, y, color] : std::vector<std::tuple<int, int, Rgba>>{
           {110, 190, kRed}, {210, 190, kGreen}, {110, 290, kBlue}, {210, 290, kWhite}}) {
    EXPECT_TRUE(offscreen_test::near(waved.at(x, y), color, 0, 3)) << x << "," << y;
    EXPECT_TRUE(offscreen_test::near(plain.at(x, y), color, 0, 3)) << x << "," << y;
  }
}

TEST_F(CCActionGridTest, RunningOnTheFakeClockMovesVerticesByTheElapsedFraction) {
  CCNode* node = addNode();
  Ref<CCWaves3D> waves = CCWaves3D::actionWithWaves(1, 20, ccg(4, 4), 1);
  node->runAction(waves.get());
  drawFrame();
  ASSERT_NE(grid3D(node), nullptr);
  const float t = waves->elapsed() / waves->duration();
  ASSERT_GT(t, 0.0f);
  ASSERT_LT(t, 1.0f);
  EXPECT_NEAR(grid3D(node)->vertex(ccg(1, 3)).z, std::sin(t * 2 * kPi + 4.4) * 20, 1e-4);
}

TEST_F(CCActionGridTest, WavesBendThePictureAndReuseKeepsTheBendUntilStopGrid) {
  CCNode* picture = quadrantPicture();
  const Frame plain = drawFrame();
  // Columns bend by sin(y / 100) x 40 at t = 0: rows at y = 120 and 240 move
  // right by 37.3 and 27.0, so at y = 190 the picture sits about 31 pixels
  // to the right. The red/green edge (x = 160) moves to about 191.
  CCWaves* bend = CCWaves::actionWithWaves(1, 40, false, true, ccg(4, 4), 1);
  bend->startWithTarget(picture);
  bend->update(0);
  const Frame bent = drawFrame();
  EXPECT_TRUE(offscreen_test::near(bent.at(80, 190), kBlack, 0, 3));
  EXPECT_TRUE(offscreen_test::near(bent.at(180, 190), kRed, 0, 3));
  EXPECT_TRUE(offscreen_test::near(bent.at(200, 190), kGreen, 0, 3));
  EXPECT_TRUE(offscreen_test::near(plain.at(180, 190), kGreen, 0, 3));

  // A still effect that takes the grid over keeps showing the bend.
  CCReuseGrid::actionWithTimes(1)->startWithTarget(picture);
  CCWaves* still = CCWaves::actionWithWaves(1, 0, false, true, ccg(4, 4), 1);
  still->startWithTarget(picture);
  still->update(0.5f);
  const Frame kept = drawFrame();
  EXPECT_EQ(kept.rgba, bent.rgba);

  CCStopGrid::action()->startWithTarget(picture);
  const Frame stopped = drawFrame();
  EXPECT_EQ(stopped.rgba, plain.rgba);
}

TEST_F(CCActionGridTest, RippleDeformsOnlyWithinItsRadius) {
  CCNode* picture = quadrantPicture();
  CCGrid3D* grid = CCGrid3D::gridWithSize(ccg(16, 24));
  picture->setGrid(grid);
  grid->setActive(true);
  const Frame flat = drawFrame();
  CCRipple3D* ripple = CCRipple3D::actionWithPosition(CGPointMake(160, 240), 120, 2, 80, ccg(16, 24), 1);
  ripple->startWithTarget(picture);
  ripple->update(0.1f);
  const Frame rippled = drawFrame();
  int changedInside = 0, changedOutside = 0;
  for (int y = 0; y < flat.height; ++y) {
    for (int x = 0; x < flat.width; ++x) {
      if (flat.at(x, y) == rippled.at(x, y)) continue;
      (std::hypot(x - 160.0, y - 240.0) < 150 ? changedInside : changedOutside) += 1;
    }
  }
  EXPECT_GT(changedInside, 500);
  EXPECT_EQ(changedOutside, 0);
}

TEST_F(CCActionGridTest, TurnOffTilesHidesTheTilesOfTheShuffle) {
  CCNode* picture = addNode();
  picture->addChild(CCLayerColor::layerWithColor(ccc4(255, 255, 255, 255)));
  platform::seedRandom(5);
  int order[4] = {0, 1, 2, 3};
  for (int k = 3; k >= 0; --k) std::swap(order[k], order[platform::random() % (k + 1)]);

  CCTurnOffTiles* turnOff = CCTurnOffTiles::actionWithSeed(5, ccg(2, 2), 1);
  turnOff->startWithTarget(picture);
  turnOff->update(0.5f);
  const Frame frame = drawFrame();
  for (int k = 0; k < 4; ++k) {
    const int c = order[k], x = c / 2 * 160 + 80, y = c % 2 * 240 + 120;
    EXPECT_TRUE(offscreen_test::near(frame.at(x, y), k < 2 ? kBlack : kWhite, 0, 3)) << "tile " << c;
  }
}

}  // namespace
