// Tweens by property name and the orbiting camera.

#include "platform/Ref.h"
#include "support/TestSupport.h"
#include "tessera/CCActionTween.h"
#include "tessera/CCCamera.h"
#include "tessera/CCNode.h"
#include "tessera/CCOrbitCamera.h"
#include "tessera/CCReverseTime.h"

#include <gtest/gtest.h>

#include <cmath>

using platform::Ref;

namespace {

/// A node with a float property of its own, registered for tweens.
class GlowNode : public CCNode {
  PLATFORM_CLASS(GlowNode, CCNode)
 public:
  CC_NODE_FACTORY(GlowNode)
  float glow = 0;
};

/// A tween subclass, which the class-side factory must build as itself.
class MyTween : public CCActionTween {
  PLATFORM_CLASS(MyTween, CCActionTween)
 public:
  CC_TWEEN_FACTORY(MyTween)
};

TEST(CCActionTweenTest, SetsExactlyFromAtZeroAndToAtOne) {
  CCNode* node = CCNode::node();
  CCActionTween* tween = CCActionTween::actionWithDuration(1, "rotation", 10, 20);
  tween->startWithTarget(node);
  tween->update(0);
  EXPECT_EQ(10, node->rotation());
  tween->update(1);
  EXPECT_EQ(20, node->rotation());
  tween->update(0.25f);
  EXPECT_FLOAT_EQ(12.5f, node->rotation());

  // A tiny step between large values still lands exactly on both ends.
  CCActionTween* wide = CCActionTween::actionWithDuration(1, "scaleX", 0.1f, 3e7f);
  wide->startWithTarget(node);
  wide->update(0);
  EXPECT_EQ(0.1f, node->scaleX());
  wide->update(1);
  EXPECT_EQ(3e7f, node->scaleX());
}

TEST(CCActionTweenTest, KeysAreLookedUpThroughTheClassAndItsParents) {
  GlowNode* node = GlowNode::node();
  CCActionTween::registerFloatProperty(GlowNode::classInfo_, "glow",
                                       [](platform::Object* o, float v) { static_cast<GlowNode*>(o)->glow = v; });
  EXPECT_TRUE(CCActionTween::setFloatForKey(node, "glow", 4));
  EXPECT_EQ(4, node->glow);
  EXPECT_TRUE(CCActionTween::setFloatForKey(node, "scale", 2));  // from CCNode
  EXPECT_EQ(2, node->scaleY());
  EXPECT_FALSE(CCActionTween::setFloatForKey(CCNode::node(), "glow", 1));  // not on a plain node
  EXPECT_FALSE(CCActionTween::setFloatForKey(nullptr, "scale", 1));
}

TEST(CCActionTweenTest, CopyReverseAndSubclassKeepKeyAndValues) {
  MyTween* tween = MyTween::actionWithDuration(2, "vertexZ", 1, 5);
  EXPECT_STREQ("MyTween", tween->className());
  auto copy = Ref<CCActionTween>::adopt(tween->copy());
  EXPECT_STREQ("MyTween", copy->className());
  EXPECT_EQ("vertexZ", copy->key());
  CCNode* node = CCNode::node();
  copy->startWithTarget(node);
  copy->update(1);
  EXPECT_EQ(5, node->vertexZ());

  CCActionTween* back = tween->reverse();
  EXPECT_STREQ("MyTween", back->className());
  EXPECT_EQ(2, back->duration());
  back->startWithTarget(node);
  back->update(1);
  EXPECT_EQ(1, node->vertexZ());
}

TEST(CCActionTweenTest, UnknownKeyInvalidAndSetsNothing) {
  testing_support::AssertionRecorder assertions;
  CCNode* node = CCNode::node();
  CCActionTween* tween = CCActionTween::actionWithDuration(1, "opacity", 0, 1);
  tween->startWithTarget(node);
  tween->update(1);
  ASSERT_EQ(1u, assertions.messages().size());
  EXPECT_EQ("CCActionTween: unknown key 'opacity' for CCNode", assertions.messages()[0]);

  // An empty key tweens nothing, quietly.
  CCActionTween* empty = CCActionTween::actionWithDuration(1, "", 0, 1);
  empty->startWithTarget(node);
  empty->update(1);
  EXPECT_EQ(1u, assertions.messages().size());
}

// [SECTION] Orbit camera

struct Eye {
  float x, y, z;
};

Eye eyeOf(CCNode* node) {
  Eye eye{};
  node->camera()->eyeX(&eye.x, &eye.y, &eye.z);
  return eye;
}

TEST(CCOrbitCameraTest, MovesTheEyeAlongTheSphereAroundTheCentre) {
  CCNode* node = CCNode::node();
  node->camera()->setCenterX(10, 20, 30);
  // Radius 1 to 3, zenith 0 to 90 degrees, azimuth 90 to 180 degrees.
  CCOrbitCamera* orbit = CCOrbitCamera::actionWithDuration(1, 1, 2, 0, 90, 90, 90);
  orbit->startWithTarget(node);
  const double unit = CCCamera::getZEye();
  struct Sample {
    float t;
    double radius, zenith, azimuth;  // degrees
  };
  for (const Sample& s : {Sample{0, 1, 0, 90}, Sample{0.5f, 2, 45, 135}, Sample{1, 3, 90, 180}}) {
    orbit->update(s.t);
    const Eye eye = eyeOf(node);
    const double r = s.radius * unit, za = s.zenith * M_PI / 180, xa = s.azimuth * M_PI / 180;
    EXPECT_NEAR(10 + std::sin(za) * std::cos(xa) * r, eye.x, 1e-5) << "t = " << s.t;
    EXPECT_NEAR(20 + std::sin(za) * std::sin(xa) * r, eye.y, 1e-5) << "t = " << s.t;
    EXPECT_NEAR(30 + std::cos(za) * r, eye.z, 1e-5) << "t = " << s.t;
    // Relative to the centre the eye is r away.
    const double dx = eye.x - 10.0, dy = eye.y - 20.0, dz = eye.z - 30.0;
    EXPECT_NEAR(r, std::sqrt(dx * dx + dy * dy + dz * dz), 1e-6 * r + 4e-6);
  }
  EXPECT_TRUE(node->camera()->dirty());
}

TEST(CCOrbitCameraTest, SphericalFormReadsTheEyeBack) {
  CCNode* node = CCNode::node();
  node->camera()->setCenterX(0, 0, 0);
  const float unit = CCCamera::getZEye();
  node->camera()->setEyeX(-2 * unit, 0, 0);  // on the negative x axis, in the xy plane
  CCOrbitCamera* orbit = CCOrbitCamera::actionWithDuration(1, 1, 0, 0, 0, 0, 0);
  orbit->startWithTarget(node);
  float radius = 0, zenith = 0, azimuth = 0;
  orbit->sphericalRadius(&radius, &zenith, &azimuth);
  EXPECT_FLOAT_EQ(2, radius);
  EXPECT_FLOAT_EQ(static_cast<float>(M_PI / 2), zenith);
  EXPECT_FLOAT_EQ(3.1415927f, azimuth);

  // The eye on the centre: guarded lengths, finite angles.
  node->camera()->setEyeX(0, 0, 0);
  orbit->sphericalRadius(&radius, &zenith, &azimuth);
  EXPECT_TRUE(std::isfinite(zenith));
  EXPECT_TRUE(std::isfinite(azimuth));
}

TEST(CCOrbitCameraTest, ReverseRunsACopyBackwardsAndCopyKeepsTheValues) {
  CCOrbitCamera* orbit = CCOrbitCamera::actionWithDuration(2, 1, 1, 0, 90, 0, 0);
  auto* reversed = dynamic_cast<CCReverseTime*>(orbit->reverse());
  ASSERT_NE(nullptr, reversed);
  EXPECT_NE(orbit, reversed->innerAction());
  EXPECT_STREQ("CCOrbitCamera", reversed->innerAction()->className());
  EXPECT_EQ(2, reversed->duration());

  CCNode* node = CCNode::node();
  reversed->startWithTarget(node);
  reversed->update(0);  // the orbit's end: zenith 90 degrees, radius 2
  const Eye eye = eyeOf(node);
  EXPECT_NEAR(2 * CCCamera::getZEye(), eye.x, 1e-9);
  EXPECT_NEAR(0, eye.z, 1e-9);
}

}  // namespace
