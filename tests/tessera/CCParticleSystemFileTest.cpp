// Particle systems read from property lists, and the quad system's texture
// handling. Textures need a current GL context: every test skips without one.
// Files are written by the tests into a temporary resource folder.

#include "DirectorTestSupport.h"
#include "ParticleTestSupport.h"
#include "platform/GLContext.h"
#include "support/TestSupport.h"
#include "tessera/CCConfiguration.h"
#include "tessera/CCParticleSystemPoint.h"
#include "tessera/CCParticleSystemQuad.h"
#include "tessera/CCSpriteFrame.h"
#include "tessera/CCTexture2D.h"
#include "tessera/CCTextureCache.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using particle_test::base64;
using particle_test::pack;
using particle_test::solidPNG;
using platform::Ref;
using platform::Value;
using testing_support::AssertionRecorder;
using testing_support::LogCapture;

namespace {

class CCParticleSystemFileTest : public testing::Test {
 protected:
  void SetUp() override {
    context_ = platform::GLContext::contextWithAPI(platform::GLContext::API::ES1);
    if (!context_ || !platform::GLContext::setCurrentContext(context_)) GTEST_SKIP() << "no OpenGL ES 1.1 context";
    CCConfiguration::purgeSharedConfigurationForTesting();
    folder_.emplace();
  }
  void TearDown() override {
    if (!context_) return;
    CCTextureCache::purgeSharedTextureCache();
    folder_.reset();
    CCConfiguration::purgeSharedConfigurationForTesting();
    testing_support::purgeDirectorAndLoop();
    platform::GLContext::setCurrentContext(nullptr);
  }
  // The dictionary written as "system.plist" and read by a quad system.
  CCParticleSystemQuad* load(const Value& dictionary) {
    folder_->writePlist("system.plist", dictionary);
    return CCParticleSystemQuad::particleWithFile("system.plist");
  }
  static Value with(Value dictionary, const std::string& key, Value value) {
    dictionary.asMutableDict()->set(key, std::move(value));
    return dictionary;
  }
  static Value without(Value dictionary, const std::string& key) {
    dictionary.asMutableDict()->erase(key);
    return dictionary;
  }
  Ref<CCTexture2D> texture(unsigned int wide, unsigned int high) {
    std::vector<std::uint8_t> pixels(std::size_t(wide) * high * 4, 255);
    auto* texture = new CCTexture2D();
    EXPECT_TRUE(texture->initWithData(pixels.data(), kCCTexture2DPixelFormat_RGBA8888, wide, high,
                                      CGSizeMake(float(wide), float(high))));
    return Ref<CCTexture2D>::adopt(texture);
  }

  Ref<platform::GLContext> context_;
  std::optional<particle_test::ResourceFolder> folder_;
  particle_test::ZeroVarianceDraws draws_;
};

// [SECTION] Keys

TEST_F(CCParticleSystemFileTest, GravityFileSetsEveryField) {
  folder_->write("particle.png", solidPNG(8, 255, 255, 255));
  CCParticleSystemQuad* system = load(particle_test::gravityDictionary());
  ASSERT_NE(nullptr, system);
  EXPECT_EQ(40u, system->totalParticles());
  EXPECT_EQ(90, system->angle());
  EXPECT_EQ(10, system->angleVar());
  EXPECT_EQ(-1, system->duration());
  EXPECT_EQ((ccBlendFunc{GL_SRC_ALPHA, GL_ONE}), system->blendFunc());
  EXPECT_EQ((ccColor4F{0.75f, 0.5f, 0.25f, 1}), system->startColor());
  EXPECT_EQ((ccColor4F{0.125f, 0, 0, 0}), system->startColorVar());
  EXPECT_EQ((ccColor4F{0, 0, 0, 0.5f}), system->endColor());
  EXPECT_EQ(32, system->startSize());
  EXPECT_EQ(4, system->startSizeVar());
  EXPECT_EQ(8, system->endSize());
  EXPECT_EQ(2, system->endSizeVar());
  // The source position places the node; the emitter stays at its origin.
  EXPECT_EQ(160, system->position().x);
  EXPECT_EQ(240, system->position().y);
  EXPECT_EQ(0, system->sourcePosition().x);
  EXPECT_EQ(7, system->posVar().x);
  EXPECT_EQ(3, system->posVar().y);
  EXPECT_EQ(kCCParticleModeGravity, system->emitterMode());
  EXPECT_EQ(1.5f, system->gravity().x);
  EXPECT_EQ(-9, system->gravity().y);
  EXPECT_EQ(120, system->speed());
  EXPECT_EQ(12, system->speedVar());
  EXPECT_EQ(-3, system->radialAccel());
  EXPECT_EQ(1, system->radialAccelVar());
  EXPECT_EQ(4, system->tangentialAccel());
  EXPECT_EQ(2, system->tangentialAccelVar());
  EXPECT_EQ(2, system->life());
  EXPECT_EQ(0.5f, system->lifeVar());
  EXPECT_EQ(20, system->emissionRate());  // maxParticles / particleLifespan
  ASSERT_NE(nullptr, system->texture());
  EXPECT_EQ(CCTextureCache::sharedTextureCache()->textureForKey("particle.png"), system->texture());
}

TEST_F(CCParticleSystemFileTest, RadiusFileFillsTheRadiusFieldsWithNoEndVariance) {
  folder_->write("particle.png", solidPNG(8, 255, 255, 255));
  Value d = with(particle_test::gravityDictionary(), "emitterType", 1);
  d = with(d, "maxRadius", 100.0);
  d = with(d, "maxRadiusVariance", 5.0);
  d = with(d, "minRadius", 10.0);
  d = with(d, "rotatePerSecond", 45.0);
  d = with(d, "rotatePerSecondVariance", 15.0);
  AssertionRecorder asserts;
  CCParticleSystemQuad* system = load(d);
  ASSERT_NE(nullptr, system);
  EXPECT_EQ(kCCParticleModeRadius, system->emitterMode());
  EXPECT_EQ(100, system->startRadius());
  EXPECT_EQ(5, system->startRadiusVar());
  EXPECT_EQ(10, system->endRadius());
  EXPECT_EQ(0, system->endRadiusVar());
  EXPECT_EQ(45, system->rotatePerSecond());
  EXPECT_EQ(15, system->rotatePerSecondVar());
  EXPECT_TRUE(asserts.empty());
}

TEST_F(CCParticleSystemFileTest, ZeroLifespanFillsTheSystemAtOnce) {
  folder_->write("particle.png", solidPNG(8, 255, 255, 255));
  CCParticleSystemQuad* system = load(with(particle_test::gravityDictionary(), "particleLifespan", 0.0));
  ASSERT_NE(nullptr, system);
  EXPECT_TRUE(std::isinf(system->emissionRate()));
  system->update(1.0f / 60);
  EXPECT_EQ(0u, system->particleCount());  // born with no life, dead at once
  EXPECT_TRUE(system->particleIdx() == 0);
}

// [SECTION] Embedded images

TEST_F(CCParticleSystemFileTest, EmbeddedImageIsDecodedAndCachedUnderTheFileName) {
  for (const bool gzip : {true, false}) {
    SCOPED_TRACE(gzip ? "gzip" : "zlib");
    const std::string key = gzip ? "embedded-gz.png" : "embedded-z.png";
    Value d = with(particle_test::gravityDictionary(), "textureFileName", key);
    d = with(d, "textureImageData", base64(pack(solidPNG(16, 0, 255, 0), gzip)));
    LogCapture log;
    CCParticleSystemQuad* system = load(d);
    ASSERT_NE(nullptr, system);
    ASSERT_NE(nullptr, system->texture());
    EXPECT_EQ(16u, system->texture()->pixelsWide());
    EXPECT_EQ(CCTextureCache::sharedTextureCache()->textureForKey(key), system->texture());
    EXPECT_EQ(std::string::npos, log.text().find("CCParticleSystem"));
  }
}

TEST_F(CCParticleSystemFileTest, FileNameThatLoadsWinsOverEmbeddedData) {
  folder_->write("particle.png", solidPNG(4, 255, 0, 0));
  LogCapture log;
  CCParticleSystemQuad* system =
      load(with(particle_test::gravityDictionary(), "textureImageData", "not base64 at all!"));
  ASSERT_NE(nullptr, system);
  ASSERT_NE(nullptr, system->texture());
  EXPECT_EQ(4u, system->texture()->pixelsWide());
  EXPECT_EQ(std::string::npos, log.text().find("textureImageData"));
}

TEST_F(CCParticleSystemFileTest, BrokenEmbeddedImagesInvalid) {
  const std::vector<std::uint8_t> gz = pack(solidPNG(8, 1, 2, 3), true);
  struct Case {
    const char* name;
    Value data;
    const char* message;
  };
  const Case cases[] = {
      {"no Base64 characters", Value("!!!! ????"), "CCParticleSystem: error decoding textureImageData"},
      {"Base64 cut inside a group", Value("QUJDR"), "CCParticleSystem: error decoding textureImageData"},
      {"not packed", Value(base64(solidPNG(8, 1, 2, 3))), "CCParticleSystem: error ungzipping textureImageData"},
      {"packed stream cut short", Value(base64(std::vector<std::uint8_t>(gz.begin(), gz.begin() + gz.size() / 2))),
       "CCParticleSystem: error ungzipping textureImageData"},
      {"packs no image", Value(base64(pack(std::vector<std::uint8_t>(100, 7), true))),
       "CCParticleSystem: error loading the texture"},
      {"not text", Value(Value::Data{1, 2, 3}), "CCParticleSystem: error loading the texture"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Value d = with(particle_test::gravityDictionary(), "textureFileName", "absent.png");
    d = with(d, "textureImageData", c.data);
    LogCapture log;
    CCParticleSystemQuad* system = load(d);
    // The system stays usable, untextured.
    ASSERT_NE(nullptr, system);
    EXPECT_EQ(nullptr, system->texture());
    EXPECT_NE(std::string::npos, log.text().find(c.message)) << log.text();
    EXPECT_EQ(nullptr, CCTextureCache::sharedTextureCache()->textureForKey("absent.png"));
  }
}

// [SECTION] Bad files

TEST_F(CCParticleSystemFileTest, BadFilesInvalid) {
  {
    AssertionRecorder asserts;
    EXPECT_EQ(nullptr, CCParticleSystemQuad::particleWithFile("missing.plist"));
    folder_->write("array.plist", {'<', 'p', 'l', 'i', 's', 't', '>', '<', 'a', 'r', 'r', 'a', 'y', '/', '>',
                                   '<', '/', 'p', 'l', 'i', 's', 't', '>'});
    EXPECT_EQ(nullptr, CCParticleSystemQuad::particleWithFile("array.plist"));
    EXPECT_EQ((std::vector<std::string>{"Particles: file not found", "Particles: file not found"}),
              asserts.messages());
  }
  {
    AssertionRecorder asserts;
    LogCapture log;
    EXPECT_EQ(nullptr, load(with(particle_test::gravityDictionary(), "emitterType", 2)));
    EXPECT_EQ(std::vector<std::string>{"Invalid emitterType in config file"}, asserts.messages());
  }
  for (const std::int64_t count : {std::int64_t{-5}, std::int64_t{2147483647}, std::int64_t{1} << 40}) {
    SCOPED_TRACE(count);
    LogCapture log;
    EXPECT_EQ(nullptr, load(with(particle_test::gravityDictionary(), "maxParticles", count)));
    const std::string text = log.text();
    EXPECT_TRUE(text.find("maxParticles -5 is negative") != std::string::npos ||
                text.find("Particle system: not enough memory for 2147483647 particles") != std::string::npos)
        << text;
  }
}

TEST_F(CCParticleSystemFileTest, MissingKeysAndWrongKindsReadAsZero) {
  Value d = without(particle_test::gravityDictionary(), "textureFileName");
  d = with(d, "speed", Value(Value::Array{Value(1), Value(2)}));
  d = with(d, "angle", "not a number");
  d = without(d, "particleLifespan");
  LogCapture log;
  CCParticleSystemQuad* system = load(d);
  ASSERT_NE(nullptr, system);
  EXPECT_EQ(0, system->speed());
  EXPECT_EQ(0, system->angle());
  EXPECT_EQ(nullptr, system->texture());
  EXPECT_NE(std::string::npos, log.text().find("CCParticleSystem: error loading the texture"));
  for (int frame = 0; frame < 10; ++frame) system->update(1.0f / 60);  // no crash on an infinite rate
}

// [SECTION] Quad texture handling

TEST_F(CCParticleSystemFileTest, QuadTextureRectBecomesCoordinatesOfTheWholeTexture) {
  auto* quad = platform::createAutoreleased<CCParticleSystemQuad>(
      [](CCParticleSystemQuad& s) { return s.initWithTotalParticles(3); });
  Ref<CCTexture2D> wide = texture(64, 32);
  quad->setTexture(wide.get(), CGRectMake(16, 8, 32, 16));
  for (int i = 0; i < 3; ++i) {
    const ccV2F_C4F_T2F_Quad& q = quad->quads()[i];
    EXPECT_EQ(0.25f, q.bl.texCoords.u);
    EXPECT_EQ(0.75f, q.bl.texCoords.v);  // t runs down: the bottom is y + h
    EXPECT_EQ(0.75f, q.tr.texCoords.u);
    EXPECT_EQ(0.25f, q.tr.texCoords.v);
  }
  // At scale 2 a rectangle in points covers twice the pixels.
  ccSetContentScaleFactor(2);
  quad->setTexture(wide.get(), CGRectMake(8, 4, 16, 8));
  EXPECT_EQ(0.25f, quad->quads()[0].bl.texCoords.u);
  EXPECT_EQ(0.75f, quad->quads()[0].tr.texCoords.u);
  quad->setTexture(wide.get());
  EXPECT_EQ(1.0f, quad->quads()[0].tr.texCoords.u);
  EXPECT_EQ(1.0f, quad->quads()[0].bl.texCoords.v);
}

TEST_F(CCParticleSystemFileTest, QuadDisplayFrameUsesTheFramesWholeTexture) {
  auto* quad = platform::createAutoreleased<CCParticleSystemQuad>(
      [](CCParticleSystemQuad& s) { return s.initWithTotalParticles(1); });
  Ref<CCTexture2D> first = texture(16, 16), second = texture(32, 32);
  quad->setTexture(first.get(), CGRectMake(0, 0, 8, 8));
  quad->setDisplayFrame(CCSpriteFrame::frameWithTexture(second.get(), CGRectMake(0, 0, 4, 4)));
  EXPECT_EQ(second.get(), quad->texture());
  EXPECT_EQ(1.0f, quad->quads()[0].tr.texCoords.u);  // the frame's rectangle is not used

  AssertionRecorder asserts;
  quad->setDisplayFrame(CCSpriteFrame::frameWithTexture(first.get(), CGRectMake(0, 0, 4, 4), false,
                                                        CGPointMake(1, 0), CGSizeMake(4, 4)));
  EXPECT_EQ(std::vector<std::string>{"QuadParticle only supports SpriteFrames with no offsets"},
            asserts.messages());
}

TEST_F(CCParticleSystemFileTest, BlendingFollowsTheTexturesAlpha) {
  auto* quad = platform::createAutoreleased<CCParticleSystemQuad>(
      [](CCParticleSystemQuad& s) { return s.initWithTotalParticles(1); });
  Ref<CCTexture2D> straight = texture(8, 8);  // raw data: not premultiplied
  quad->setTexture(straight.get());
  EXPECT_EQ((ccBlendFunc{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}), quad->blendFunc());
  quad->setBlendAdditive(true);
  EXPECT_TRUE(quad->blendAdditive());
  quad->setBlendAdditive(false);
  EXPECT_EQ((ccBlendFunc{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}), quad->blendFunc());

  folder_->write("soft.png", solidPNG(8, 255, 255, 255, 128));
  CCTexture2D* premultiplied = CCTextureCache::sharedTextureCache()->addImage("soft.png");
  ASSERT_TRUE(premultiplied && premultiplied->hasPremultipliedAlpha());
  auto* other = platform::createAutoreleased<CCParticleSystemQuad>(
      [](CCParticleSystemQuad& s) { return s.initWithTotalParticles(1); });
  other->setTexture(premultiplied);
  EXPECT_EQ((ccBlendFunc{GL_ONE, GL_ONE_MINUS_SRC_ALPHA}), other->blendFunc());
  other->setBlendAdditive(true);
  other->setBlendAdditive(false);
  EXPECT_EQ((ccBlendFunc{GL_ONE, GL_ONE_MINUS_SRC_ALPHA}), other->blendFunc());
}

}  // namespace
