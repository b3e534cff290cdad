#include "tessera/CCConfiguration.h"

#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/Ref.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using testing_support::AssertionRecorder;

namespace {

class CCConfigurationTest : public testing::Test {
 protected:
  void SetUp() override { CCConfiguration::purgeSharedConfigurationForTesting(); }
  void TearDown() override {
    CCConfiguration::purgeSharedConfigurationForTesting();
    CCConfiguration::setExtensionStringForTesting(std::nullopt);
    platform::resetFacts();
  }
  // The record read with `extensions` as the GL's extension string.
  static CCConfiguration* readWith(const std::string& extensions) {
    CCConfiguration::purgeSharedConfigurationForTesting();
    CCConfiguration::setExtensionStringForTesting(extensions);
    return CCConfiguration::sharedConfiguration();
  }
};

struct VersionCase {
  const char* version;
  std::uint32_t packed;
};

class CCConfigurationVersionTest : public CCConfigurationTest, public testing::WithParamInterface<VersionCase> {};

TEST_P(CCConfigurationVersionTest, PacksOneBytePerComponent) {
  platform::facts().systemVersion = GetParam().version;
  EXPECT_EQ(GetParam().packed, readWith("")->OSVersion()) << GetParam().version;
}

INSTANTIATE_TEST_SUITE_P(CCConfigurationVersions, CCConfigurationVersionTest,
                         testing::Values(VersionCase{"4.3.1", 0x04030100u}, VersionCase{"3.2.1", 0x03020100u},
                                         VersionCase{"3.1", 0x03010000u}, VersionCase{"4.0", 0x04000000u},
                                         VersionCase{"1.2.3.4.5", 0x01020304u},  // the fifth counts nothing
                                         VersionCase{"3.256", 0x04000000u},      // spills into the byte above
                                         VersionCase{"", 0u}));

TEST_F(CCConfigurationTest, ExtensionsMatchWholeWordsOnly) {
  CCConfiguration* configuration =
      readWith("GL_OES_framebuffer_object GL_EXT_discard_framebuffer_extra GL_APPLE_texture_format_BGRA8888");
  EXPECT_FALSE(configuration->supportsDiscardFramebuffer()) << "a longer name is not the extension";
  EXPECT_TRUE(configuration->supportsBGRA8888());
  EXPECT_FALSE(configuration->supportsPVRTC());
  EXPECT_TRUE(configuration->checkForGLExtension("GL_OES_framebuffer_object"));
  EXPECT_FALSE(configuration->checkForGLExtension("GL_OES"));
  EXPECT_FALSE(configuration->checkForGLExtension("gl_oes_framebuffer_object"));
  EXPECT_FALSE(configuration->checkForGLExtension(""));

  configuration = readWith("GL_IMG_texture_compression_pvrtc GL_APPLE_texture_2D_limited_npot "
                           "GL_IMG_texture_format_BGRA8888 GL_EXT_discard_framebuffer");
  EXPECT_TRUE(configuration->supportsPVRTC());
  EXPECT_TRUE(configuration->supportsNPOT());
  EXPECT_TRUE(configuration->supportsBGRA8888());
  EXPECT_TRUE(configuration->supportsDiscardFramebuffer());
}

TEST_F(CCConfigurationTest, SecondInstanceInvalid) {
  platform::Ref<CCConfiguration> shared = readWith("");
  AssertionRecorder assertions;
  auto* second = new CCConfiguration();
  second->release();
  EXPECT_THAT(assertions.messages(), testing::ElementsAre("Attempted to allocate a second instance of a singleton."));
  EXPECT_EQ(shared.get(), CCConfiguration::sharedConfiguration());
}

// With a real context: the limits come from the GL, and the multisample
// limit is asked for only from system 4.0 on (this GL refuses the query, so
// asking shows as a printed GL error).
TEST_F(CCConfigurationTest, ReadsLimitsFromTheCurrentContextGLTest) {
  platform::Ref<platform::GLContext> context = platform::GLContext::contextWithAPI(platform::GLContext::API::ES1);
  if (!context || !platform::GLContext::setCurrentContext(context)) GTEST_SKIP() << "no OpenGL ES 1.1 context";
  glGetError();

  testing::internal::CaptureStdout();
  CCConfiguration* configuration = CCConfiguration::sharedConfiguration();
  EXPECT_EQ("", testing::internal::GetCapturedStdout()) << "system 3.2 does not ask for the multisample limit";
  EXPECT_GE(configuration->maxTextureSize(), 64);
  EXPECT_GE(configuration->maxModelviewStackDepth(), 16);
  EXPECT_EQ(configuration->supportsDiscardFramebuffer(), configuration->checkForGLExtension("GL_EXT_discard_framebuffer"));

  const bool limitQueryRefused = !configuration->checkForGLExtension("GL_APPLE_framebuffer_multisample");
  CCConfiguration::purgeSharedConfigurationForTesting();
  platform::facts().systemVersion = "4.0";
  testing::internal::CaptureStdout();
  CCConfiguration::sharedConfiguration();
  const std::string printed = testing::internal::GetCapturedStdout();
  if (limitQueryRefused) {
    EXPECT_EQ("OpenGL error 0x0500 in -[CCConfiguration init]\n", printed);
  }
  platform::GLContext::setCurrentContext(nullptr);
}

}  // namespace
