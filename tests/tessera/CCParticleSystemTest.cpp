// Particle systems without drawing: emission arithmetic, lifetimes, the two
// emitter modes against closed forms, position types, self-removal, the
// checked accessors, the quad and point records, and property-list loading
// (the texture-loading cases need a GL context and skip without one).
//
// Unless a test says otherwise every random draw is r = 0, so variances add
// nothing and the expected values are exact arithmetic.

#include "DirectorTestSupport.h"
#include "ParticleTestSupport.h"
#include "platform/AutoreleasePool.h"
#include "platform/GLContext.h"
#include "support/TestSupport.h"
#include "tessera/CCConfiguration.h"
#include "tessera/CCParticleExamples.h"
#include "tessera/CCParticleSystem.h"
#include "tessera/CCParticleSystemPoint.h"
#include "tessera/CCParticleSystemQuad.h"
#include "tessera/CCScheduler.h"
#include "tessera/CCSpriteFrame.h"
#include "tessera/CCTextureCache.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <vector>

using platform::Ref;
using testing_support::AssertionRecorder;
using testing_support::LogCapture;

namespace {

constexpr float kFrame = 1.0f / 60.0f;

// Records what the system hands to the per-particle hook.
class RecordingSystem : public CCParticleSystem {
  PLATFORM_CLASS(RecordingSystem, CCParticleSystem)

 public:
  static RecordingSystem* withCapacity(unsigned int capacity) {
    return platform::createAutoreleased<RecordingSystem>(
        [&](RecordingSystem& s) { return s.initWithTotalParticles(capacity); });
  }
  void updateQuadWithParticle(CCParticle*, CGPoint newPosition) override { drawn.push_back(newPosition); }
  void postStep() override {
    ++steps;
    lastDrawn = drawn;
    drawn.clear();
  }
  std::vector<CGPoint> drawn, lastDrawn;
  int steps = 0;
};

class CCParticleSystemTest : public testing::Test {
 protected:
  void TearDown() override {
    CCTextureCache::purgeSharedTextureCache();
    testing_support::purgeDirectorAndLoop();
  }
  // One emitter: `capacity` particles, `rate` a second, each living `life`.
  RecordingSystem* emitter(unsigned int capacity, float rate, float life) {
    RecordingSystem* system = RecordingSystem::withCapacity(capacity);
    system->setDuration(kCCParticleDurationInfinity);
    system->setEmissionRate(rate);
    system->setLife(life);
    return system;
  }
  particle_test::ZeroVarianceDraws draws_;
};

// [SECTION] Emission and lifetime

// The emission rule restated on plain numbers: a counter that emits while it
// exceeds the period, and lives that count down by dt.
struct EmissionOracle {
  unsigned int capacity;
  float rate, life;
  float counter = 0;
  std::deque<float> lives;
  unsigned int step(float dt) {
    counter += dt;
    while (lives.size() < capacity && counter > 1.0f / rate) {
      lives.push_back(life);
      counter -= 1.0f / rate;
    }
    std::deque<float> alive;
    for (float left : lives) {
      if (left - dt > 0) alive.push_back(left - dt);
    }
    lives = alive;
    return static_cast<unsigned int>(lives.size());
  }
};

TEST_F(CCParticleSystemTest, CountsFollowTheRateLifeAndCapacityEveryFrame) {
  struct Case {
    unsigned int capacity;
    float rate, life;
  };
  for (const Case c : {Case{100, 30, 0.5f}, Case{5, 30, 0.5f}, Case{1000, 250, 0.2f}, Case{7, 7, 3}}) {
    SCOPED_TRACE(testing::Message() << "capacity " << c.capacity << " rate " << c.rate << " life " << c.life);
    RecordingSystem* system = emitter(c.capacity, c.rate, c.life);
    EmissionOracle oracle{c.capacity, c.rate, c.life, 0, {}};
    unsigned int peak = 0;
    for (int frame = 0; frame < 240; ++frame) {
      system->update(kFrame);
      const unsigned int expected = oracle.step(kFrame);
      ASSERT_EQ(expected, system->particleCount()) << "frame " << frame;
      ASSERT_LE(system->particleCount(), c.capacity);
      ASSERT_EQ(system->particleCount(), system->particleIdx());  // every live particle handed on
      peak = std::max(peak, system->particleCount());
    }
    EXPECT_NEAR(std::min(float(c.capacity), c.rate * c.life), float(peak), 1.0f);
  }
}

TEST_F(CCParticleSystemTest, FullSystemAddsNothing) {
  RecordingSystem* system = emitter(3, 1000, 10);
  system->update(kFrame);
  EXPECT_TRUE(system->isFull());
  EXPECT_FALSE(system->addParticle());
  EXPECT_EQ(3u, system->particleCount());
  // A lower limit stops emission while the storage stays; above the capacity is refused.
  system->setTotalParticles(2);
  EXPECT_TRUE(system->isFull());
  EXPECT_FALSE(system->addParticle());  // never past the limit (nor the storage)
  EXPECT_EQ(3u, system->particleCount());
  AssertionRecorder asserts;
  system->setTotalParticles(4);
  EXPECT_EQ(2u, system->totalParticles());
  ASSERT_EQ(1u, asserts.messages().size());
}

TEST_F(CCParticleSystemTest, ZeroRateEmitsNothingAndNeverEnds) {
  RecordingSystem* system = emitter(10, 0, 1);
  system->setDuration(0.1f);
  for (int frame = 0; frame < 60; ++frame) system->update(kFrame);
  EXPECT_EQ(0u, system->particleCount());
  EXPECT_EQ(0.0f, system->elapsed());
  EXPECT_TRUE(system->active());
}

TEST_F(CCParticleSystemTest, DurationStopsEmissionButLiveParticlesFinish) {
  RecordingSystem* system = emitter(100, 60, 0.5f);
  system->setDuration(0.25f);
  int frame = 0, expectedFrame = 0;
  for (float elapsed = 0; !(0.25f < elapsed); elapsed += kFrame) ++expectedFrame;
  while (system->active() && frame < 100) {
    system->update(kFrame);
    ++frame;
  }
  // Stopped on the first frame whose elapsed time passed the duration.
  EXPECT_EQ(expectedFrame, frame);
  EXPECT_EQ(0.25f, system->elapsed());
  const unsigned int live = system->particleCount();
  EXPECT_GT(live, 10u);
  system->update(kFrame);
  EXPECT_LE(system->particleCount(), live);  // no new ones
  for (int i = 0; i < 40; ++i) system->update(kFrame);
  EXPECT_EQ(0u, system->particleCount());
}

TEST_F(CCParticleSystemTest, NegativeLifetimeDrawDiesOnTheFirstUpdate) {
  platform::setRandomSource([] { return 0L; });  // r = -1
  RecordingSystem* system = emitter(5, 60, 1);
  system->setLifeVar(3);  // 1 - 3 = -2, clamped to 0
  ASSERT_TRUE(system->addParticle());
  EXPECT_EQ(0.0f, system->particles()[0].lifeLeft);
  EXPECT_TRUE(std::isfinite(system->particles()[0].colorDelta.a));
  system->setEmissionRate(0);
  system->update(kFrame);
  EXPECT_EQ(0u, system->particleCount());
}

TEST_F(CCParticleSystemTest, ResetKillsLiveParticlesAndRestartsEmission) {
  RecordingSystem* system = emitter(50, 30, 5);
  system->setDuration(0.2f);
  for (int frame = 0; frame < 20; ++frame) system->update(kFrame);
  ASSERT_FALSE(system->active());
  ASSERT_GT(system->particleCount(), 0u);
  system->resetSystem();
  EXPECT_TRUE(system->active());
  EXPECT_EQ(0.0f, system->elapsed());
  system->setEmissionRate(0);  // so only the killing shows
  system->update(kFrame);
  EXPECT_EQ(0u, system->particleCount());
}

TEST_F(CCParticleSystemTest, AutoRemoveTakesTheNodeOutAfterTheLastParticleOfAFinishedEmission) {
  Ref<CCNode> parent = CCNode::node();
  RecordingSystem* system = emitter(10, 20, 0.3f);
  system->setDuration(0.1f);
  system->setAutoRemoveOnFinish(true);
  parent->addChild(system);
  parent->onEnter();  // running: the scheduler calls the system's update
  CCScheduler* scheduler = CCScheduler::sharedScheduler();
  int frames = 0;
  // The parent holds the only reference: the system is destroyed inside its
  // own update, which must not touch it afterwards (the sanitizers watch).
  while (parent->children() && parent->children()->count() > 0 && frames < 200) {
    platform::AutoreleasePool pool;
    scheduler->tick(kFrame);
    ++frames;
  }
  EXPECT_EQ(0u, parent->children()->count());
  EXPECT_GT(frames, 18);  // not before the first particle has lived its 0.3 s
  parent->onExit();
}

TEST_F(CCParticleSystemTest, AutoRemoveWaitsWhileEmissionGoesOn) {
  Ref<CCNode> parent = CCNode::node();
  Ref<RecordingSystem> system = emitter(10, 2, 0.1f);  // each particle dies before the next is born
  system->setAutoRemoveOnFinish(true);
  parent->addChild(system.get());
  for (int frame = 0; frame < 120; ++frame) system->update(kFrame);
  EXPECT_EQ(parent.get(), system->parent());
  system->stopSystem();
  system->addParticle();
  for (int frame = 0; frame < 10; ++frame) system->update(kFrame);
  EXPECT_EQ(nullptr, system->parent());
}

// [SECTION] Trajectories

TEST_F(CCParticleSystemTest, GravityModeFollowsTheStepwiseClosedForm) {
  RecordingSystem* system = emitter(1, 1000, 100);
  system->setAngle(30);
  system->setSpeed(100);
  system->setGravity(CGPointMake(4, -50));
  const float a = 30 * 0.017453292f;
  const float dir0x = std::cos(a) * 100, dir0y = std::sin(a) * 100;
  for (int n = 1; n <= 120; ++n) {
    system->update(kFrame);
    // dir_k = dir_0 + k g dt; the position sums dir_k dt over k = 1..n.
    const float sum = n * (n + 1) / 2.0f * kFrame * kFrame;
    const float x = n * kFrame * dir0x + 4 * sum, y = n * kFrame * dir0y - 50 * sum;
    ASSERT_NEAR(x, system->particles()[0].position.x, 2e-3f * (1 + std::fabs(x))) << "frame " << n;
    ASSERT_NEAR(y, system->particles()[0].position.y, 2e-3f * (1 + std::fabs(y))) << "frame " << n;
  }
}

TEST_F(CCParticleSystemTest, GravityModeRadialAndTangentialAccelerationsAreAboutTheSource) {
  RecordingSystem* system = emitter(1, 1000, 100);
  system->setSourcePosition(CGPointMake(10, 0));
  system->setRadialAccel(60);      // outward
  system->setTangentialAccel(30);  // counter-clockwise
  system->update(kFrame);
  const CCParticle& p = system->particles()[0];
  EXPECT_FLOAT_EQ(60 * kFrame, p.mode.gravity.dir.x);
  EXPECT_FLOAT_EQ(30 * kFrame, p.mode.gravity.dir.y);
  EXPECT_FLOAT_EQ(10 + 60 * kFrame * kFrame, p.position.x);
  EXPECT_FLOAT_EQ(30 * kFrame * kFrame, p.position.y);
}

TEST_F(CCParticleSystemTest, RadiusModeCirclesWithALinearRadius) {
  for (const float endRadius : {10.0f, kCCParticleStartRadiusEqualToEndRadius}) {
    SCOPED_TRACE(endRadius);
    RecordingSystem* system = emitter(1, 1000, 2);
    system->setEmitterMode(kCCParticleModeRadius);
    system->setAngle(45);
    system->setStartRadius(50);
    system->setEndRadius(endRadius);
    system->setRotatePerSecond(90);
    const float perSecond = endRadius < 0 ? 0.0f : (endRadius - 50) / 2;
    for (int n = 1; n < 120; ++n) {
      system->update(kFrame);
      const float angle = (45 + 90 * n * kFrame) * 0.017453292f;
      const float radius = 50 + perSecond * n * kFrame;
      ASSERT_NEAR(-std::cos(angle) * radius, system->particles()[0].position.x, 1e-3f) << n;
      ASSERT_NEAR(-std::sin(angle) * radius, system->particles()[0].position.y, 1e-3f) << n;
    }
  }
}

TEST_F(CCParticleSystemTest, ColourSizeAndSpinChangeLinearlyOverTheLife) {
  RecordingSystem* system = emitter(1, 1000, 2);
  system->setStartColor({1, 0.5f, 0, 1});
  system->setEndColor({0, 0.5f, 1, 0});
  system->setStartSize(10);
  system->setEndSize(30);
  system->setStartSpin(0);
  system->setEndSpin(180);
  for (int n = 0; n < 60; ++n) system->update(kFrame);
  const CCParticle& p = system->particles()[0];
  EXPECT_NEAR(0.5f, p.color.r, 1e-4f);  // half-way through a 2 s life
  EXPECT_NEAR(0.5f, p.color.b, 1e-4f);
  EXPECT_NEAR(0.5f, p.color.a, 1e-4f);
  EXPECT_NEAR(20, p.size, 1e-3f);
  EXPECT_NEAR(90, p.rotation, 1e-3f);

  // endSize -1: the size stays; a shrinking size never goes negative.
  RecordingSystem* same = emitter(1, 1000, 2);
  same->setStartSize(12);
  same->setEndSize(kCCParticleStartSizeEqualToEndSize);
  for (int n = 0; n < 60; ++n) same->update(kFrame);
  EXPECT_EQ(12, same->particles()[0].size);
}

TEST_F(CCParticleSystemTest, DrawsComeInTheDocumentedOrder) {
  // Draw k gives r = (k + 1) / 64, so each field shows which draw it got.
  int k = 0;
  platform::setRandomSource([&k] { return particle_test::randomForDraw(++k / 64.0); });
  auto r = [](int draw) { return draw / 64.0f; };
  RecordingSystem* system = emitter(1, 0, 1);
  system->setLifeVar(1);
  system->setPosVar(CGPointMake(1, 1));
  system->setStartColorVar({1, 1, 1, 1});
  system->setEndColorVar({1, 1, 1, 1});
  system->setStartSizeVar(1);
  system->setEndSize(0);
  system->setEndSizeVar(1);
  system->setStartSpinVar(1);
  system->setEndSpinVar(1);
  system->setAngleVar(1);
  system->setSpeedVar(1);
  system->setRadialAccelVar(1);
  system->setTangentialAccelVar(1);
  ASSERT_TRUE(system->addParticle());
  const CCParticle& p = system->particles()[0];
  const float life = 1 + r(1);
  EXPECT_FLOAT_EQ(life, p.lifeLeft);
  EXPECT_FLOAT_EQ(r(2), p.position.x);
  EXPECT_FLOAT_EQ(r(3), p.position.y);
  EXPECT_FLOAT_EQ(r(4), p.color.r);
  EXPECT_FLOAT_EQ(r(7), p.color.a);
  EXPECT_FLOAT_EQ((r(8) - r(4)) / life, p.colorDelta.r);
  EXPECT_FLOAT_EQ((r(11) - r(7)) / life, p.colorDelta.a);
  EXPECT_FLOAT_EQ(r(12), p.size);
  EXPECT_FLOAT_EQ((r(13) - r(12)) / life, p.sizeDelta);
  EXPECT_FLOAT_EQ(r(14), p.rotation);
  EXPECT_FLOAT_EQ((r(15) - r(14)) / life, p.rotationDelta);
  const float angle = r(16) * 0.017453292f;
  EXPECT_FLOAT_EQ(std::cos(angle) * r(17), p.mode.gravity.dir.x);
  EXPECT_FLOAT_EQ(r(18), p.mode.gravity.radialAccel);
  EXPECT_FLOAT_EQ(r(19), p.mode.gravity.tangentialAccel);
  EXPECT_EQ(19, k);
}

TEST_F(CCParticleSystemTest, TopRandomValuesStayBelowOne) {
  platform::setRandomSource([] { return 2147483647L; });
  RecordingSystem* system = emitter(1, 0, 1);
  system->setPosVar(CGPointMake(1, 0));
  ASSERT_TRUE(system->addParticle());
  EXPECT_LT(system->particles()[0].position.x, 1.0f);
}

// [SECTION] Position types

TEST_F(CCParticleSystemTest, PositionTypesDifferWhenTheEmitterOrItsParentMoves) {
  struct Case {
    int type;
    CGPoint afterNodeMove, afterParentMove;  // drawn position, node space, pixels
  };
  // Born at the node's origin; the node then moves +50 in x, its parent +30 in y.
  const Case cases[] = {
      {kCCPositionTypeFree, {-50, 0}, {-50, -30}},
      {kCCPositionTypeRelative, {-50, 0}, {-50, 0}},
      {kCCPositionTypeGrouped, {0, 0}, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    Ref<CCNode> parent = CCNode::node();
    RecordingSystem* system = emitter(1, 1000, 100);
    system->setPositionType(c.type);
    parent->addChild(system);
    system->setPosition(CGPointMake(100, 100));
    system->update(kFrame);
    ASSERT_EQ(1u, system->lastDrawn.size());
    EXPECT_FLOAT_EQ(0, system->lastDrawn[0].x);
    system->setPosition(CGPointMake(150, 100));
    system->update(kFrame);
    EXPECT_FLOAT_EQ(c.afterNodeMove.x, system->lastDrawn[0].x);
    EXPECT_FLOAT_EQ(c.afterNodeMove.y, system->lastDrawn[0].y);
    parent->setPosition(CGPointMake(0, 30));
    system->update(kFrame);
    EXPECT_FLOAT_EQ(c.afterParentMove.x, system->lastDrawn[0].x);
    EXPECT_FLOAT_EQ(c.afterParentMove.y, system->lastDrawn[0].y);
  }
}

TEST_F(CCParticleSystemTest, ContentScaleFactorTurnsPointsIntoPixels) {
  ccSetContentScaleFactor(2);
  RecordingSystem* system = emitter(1, 1000, 10);
  system->setSourcePosition(CGPointMake(3, 4));
  system->setStartSize(5);
  system->setSpeed(10);
  system->addParticle();
  const CCParticle& p = system->particles()[0];
  EXPECT_EQ(6, p.position.x);
  EXPECT_EQ(8, p.position.y);
  EXPECT_EQ(10, p.size);
  EXPECT_FLOAT_EQ(20, p.mode.gravity.dir.x);
}

// [SECTION] Misuse

TEST_F(CCParticleSystemTest, InitAndModeAccessorsInvalid) {
  AssertionRecorder asserts;
  EXPECT_EQ(nullptr, CCParticleSystem::node());
  RecordingSystem* system = emitter(1, 0, 1);
  system->setStartRadius(3);
  system->rotatePerSecond();
  system->setEmitterMode(kCCParticleModeRadius);
  system->setSpeed(2);
  system->gravity();
  const std::vector<std::string> expected = {"CCParticleSystem: Init not supported.", "Particle Mode should be Radius",
                                             "Particle Mode should be Radius", "Particle Mode should be Gravity",
                                             "Particle Mode should be Gravity"};
  EXPECT_EQ(expected, asserts.messages());
}

TEST_F(CCParticleSystemTest, CapacityBeyondTheLimitIsRefusedWithALog) {
  LogCapture log;
  EXPECT_EQ(nullptr, RecordingSystem::withCapacity(kCCParticleSystemMaxParticles + 1));
  EXPECT_EQ(nullptr, RecordingSystem::withCapacity(0xFFFFFFFFu));
  EXPECT_NE(std::string::npos, log.text().find("Particle system: not enough memory for 4294967295 particles"));
  RecordingSystem* empty = RecordingSystem::withCapacity(0);
  ASSERT_NE(nullptr, empty);
  empty->setEmissionRate(100);
  empty->update(kFrame);
  EXPECT_EQ(0u, empty->particleCount());
}

TEST_F(CCParticleSystemTest, PointSystemRefusesSizesAbove64AndSpin) {
  AssertionRecorder asserts;
  auto* point = platform::createAutoreleased<CCParticleSystemPoint>(
      [](CCParticleSystemPoint& s) { return s.initWithTotalParticles(4); });
  ASSERT_NE(nullptr, point);
  point->setStartSize(64);
  point->setEndSize(kCCParticleStartSizeEqualToEndSize);
  point->setStartSize(65);
  point->setEndSize(-2);
  EXPECT_EQ(64, point->startSize());
  EXPECT_EQ(-1, point->endSize());
  point->setStartSpin(0);
  point->setStartSpin(1);
  point->setStartSpinVar(2);
  point->setEndSpin(3);
  point->setEndSpinVar(4);
  EXPECT_EQ(0, point->startSpin() + point->startSpinVar() + point->endSpin() + point->endSpinVar());
  const std::vector<std::string> expected = {
      "PointParticleSystem only supports 0 <= size <= 64", "PointParticleSystem only supports 0 <= size <= 64",
      "PointParticleSystem doesn't support spinning",      "PointParticleSystem doesn't support spinning",
      "PointParticleSystem doesn't support spinning",      "PointParticleSystem doesn't support spinning"};
  EXPECT_EQ(expected, asserts.messages());
}

// [SECTION] Quad and point records

TEST_F(CCParticleSystemTest, QuadIndicesRestartEveryDrawableBlock) {
  auto* quad = platform::createAutoreleased<CCParticleSystemQuad>(
      [](CCParticleSystemQuad& s) { return s.initWithTotalParticles(CCParticleSystemQuad::kMaxQuadsPerDraw + 2); });
  ASSERT_NE(nullptr, quad);
  const GLushort* i = quad->indices();
  EXPECT_EQ((std::vector<GLushort>{0, 1, 2, 3, 2, 1, 4, 5, 6, 7, 6, 5}), std::vector<GLushort>(i, i + 12));
  const GLushort* last = i + std::size_t(CCParticleSystemQuad::kMaxQuadsPerDraw - 1) * 6;
  EXPECT_EQ(65532, last[0]);
  EXPECT_EQ(65535, last[3]);
  EXPECT_EQ(0, last[6]);  // the next block starts again at vertex 0
  EXPECT_EQ(1, last[11]);
}

TEST_F(CCParticleSystemTest, QuadCornersAreTheParticleSquareTurnedByItsRotation) {
  auto* quad = platform::createAutoreleased<CCParticleSystemQuad>(
      [](CCParticleSystemQuad& s) { return s.initWithTotalParticles(2); });
  quad->setEmissionRate(1000);
  quad->setDuration(kCCParticleDurationInfinity);
  quad->setLife(10);
  quad->setStartSize(20);
  quad->setEndSize(kCCParticleStartSizeEqualToEndSize);
  quad->setSourcePosition(CGPointMake(100, 50));
  quad->setStartColor({0.25f, 0.5f, 0.75f, 1});
  quad->setEndColor({0.25f, 0.5f, 0.75f, 1});
  quad->update(kFrame);
  ASSERT_EQ(2u, quad->particleCount());
  const ccV2F_C4F_T2F_Quad& q = quad->quads()[0];
  EXPECT_FLOAT_EQ(90, q.bl.vertices.x);
  EXPECT_FLOAT_EQ(40, q.bl.vertices.y);
  EXPECT_FLOAT_EQ(110, q.tr.vertices.x);
  EXPECT_FLOAT_EQ(60, q.tr.vertices.y);
  EXPECT_EQ((ccColor4F{0.25f, 0.5f, 0.75f, 1}), q.br.colors);
  EXPECT_EQ(0, q.tl.texCoords.u);  // no texture: the unit square, t down
  EXPECT_EQ(0, q.tl.texCoords.v);
  EXPECT_EQ(1, q.br.texCoords.u);
  EXPECT_EQ(1, q.br.texCoords.v);

  // A quarter turn clockwise on screen: bottom-left goes to top-left.
  quad->setStartSpin(90);
  quad->setEndSpin(90);
  quad->resetSystem();
  quad->update(kFrame);  // kills the old ones
  quad->update(kFrame);  // emits and writes turned quads
  const ccV2F_C4F_T2F_Quad& turned = quad->quads()[0];
  EXPECT_NEAR(90, turned.bl.vertices.x, 1e-4);
  EXPECT_NEAR(60, turned.bl.vertices.y, 1e-4);
  EXPECT_NEAR(90, turned.br.vertices.x, 1e-4);
  EXPECT_NEAR(40, turned.br.vertices.y, 1e-4);
}

// [SECTION] Presets

TEST_F(CCParticleSystemTest, PresetsHaveTheirCountsDurationsSpeedsAndBlending) {
  struct Case {
    CCParticleSystem* (*make)();
    unsigned int particles;
    float duration, speed;
    bool additive;
  };
  const Case cases[] = {
      {[]() -> CCParticleSystem* { return CCParticleFireworks::node(); }, 1500, -1, 180, false},
      {[]() -> CCParticleSystem* { return CCParticleFire::node(); }, 250, -1, 60, true},
      {[]() -> CCParticleSystem* { return CCParticleSun::node(); }, 350, -1, 20, true},
      {[]() -> CCParticleSystem* { return CCParticleGalaxy::node(); }, 200, -1, 60, true},
      {[]() -> CCParticleSystem* { return CCParticleFlower::node(); }, 250, -1, 80, true},
      {[]() -> CCParticleSystem* { return CCParticleMeteor::node(); }, 150, -1, 15, true},
      {[]() -> CCParticleSystem* { return CCParticleSpiral::node(); }, 500, -1, 150, false},
      {[]() -> CCParticleSystem* { return CCParticleExplosion::node(); }, 700, 0.1f, 70, false},
      {[]() -> CCParticleSystem* { return CCParticleSmoke::node(); }, 200, -1, 25, false},
      {[]() -> CCParticleSystem* { return CCParticleSnow::node(); }, 700, -1, 5, false},
      {[]() -> CCParticleSystem* { return CCParticleRain::node(); }, 1000, -1, 130, false},
  };
  AssertionRecorder asserts;  // every preset passes the point system's checks
  LogCapture log;             // no texture here: the cache logs "fire.png"
  for (const Case& c : cases) {
    CCParticleSystem* system = c.make();
    ASSERT_NE(nullptr, system);
    SCOPED_TRACE(system->className());
    EXPECT_NE(nullptr, dynamic_cast<CCParticleSystemPoint*>(system));
    EXPECT_EQ(c.particles, system->totalParticles());
    EXPECT_EQ(c.duration, system->duration());
    EXPECT_EQ(kCCParticleModeGravity, system->emitterMode());
    EXPECT_EQ(c.speed, system->speed());
    EXPECT_EQ(c.additive, system->blendAdditive());
    for (int frame = 0; frame < 30; ++frame) system->update(kFrame);
    EXPECT_GT(system->particleCount(), 0u);
  }
  EXPECT_TRUE(asserts.empty()) << asserts.messages()[0];
  CCParticleSystem* fire = CCParticleFire::node();
  EXPECT_EQ(3, fire->life());
  EXPECT_EQ(0.25f, fire->lifeVar());
  EXPECT_EQ(54, fire->startSize());
  EXPECT_EQ(250 / 3.0f, fire->emissionRate());
  EXPECT_EQ((ccColor4F{0.76f, 0.25f, 0.12f, 1}), fire->startColor());
}

}  // namespace
