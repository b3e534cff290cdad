#include "tessera/CCConfiguration.h"

#include "platform/Assert.h"
#include "platform/Facts.h"
#include "platform/StringUtils.h"

#include <GLES/glext.h>

#include <cstdio>
#include <utility>

namespace {

CCConfiguration* g_sharedConfiguration = nullptr;
// The GL extension string read by the latest init().
std::string g_glExtensions;
// Replaces the GL's answer in tests.
std::optional<std::string> g_extensionsOverride;

}  // namespace

void ccCheckGLError(const char* operation) {
  const GLenum error = glGetError();
  if (error == GL_NO_ERROR) return;
  std::printf("OpenGL error 0x%04X in %s\n", error, operation);
  std::fflush(stdout);
}

CCConfiguration* CCConfiguration::sharedConfiguration() {
  if (g_sharedConfiguration == nullptr) {
    g_sharedConfiguration = new CCConfiguration();
    g_sharedConfiguration->init();
  }
  return g_sharedConfiguration;
}

void CCConfiguration::purgeSharedConfigurationForTesting() {
  if (CCConfiguration* configuration = std::exchange(g_sharedConfiguration, nullptr)) configuration->release();
}

void CCConfiguration::setExtensionStringForTesting(std::optional<std::string> extensions) {
  g_extensionsOverride = std::move(extensions);
}

CCConfiguration::CCConfiguration() {
  CCAssert(g_sharedConfiguration == nullptr, "Attempted to allocate a second instance of a singleton.");
}

CCConfiguration::~CCConfiguration() {
  if (g_sharedConfiguration == this) g_sharedConfiguration = nullptr;
}

std::uint32_t CCConfiguration::packVersion(std::string_view version) {
  // One byte per component from the top; unsigned arithmetic wraps, so odd
  // components (negative, 256 or more) spill instead of overflowing.
  std::uint32_t packed = 0;
  std::uint32_t factor = 1u << 24;
  for (const std::string& component : platform::split(version, ".")) {
    packed += static_cast<std::uint32_t>(platform::intValue(component)) * factor;
    factor >>= 8;
  }
  return packed;
}

bool CCConfiguration::init() {
  OSVersion_ = packVersion(platform::facts().systemVersion);

  if (g_extensionsOverride) {
    g_glExtensions = *g_extensionsOverride;
  } else {
    const GLubyte* extensions = glGetString(GL_EXTENSIONS);
    g_glExtensions = extensions ? reinterpret_cast<const char*>(extensions) : "";
  }

  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize_);
  glGetIntegerv(GL_MAX_MODELVIEW_STACK_DEPTH, &maxModelviewStackDepth_);

  // Systems before 4.0 know no multisample limit.
  maxSamplesAllowed_ = 0;
  if (OSVersion_ >= 0x04000000u) glGetIntegerv(GL_MAX_SAMPLES_APPLE, &maxSamplesAllowed_);

  supportsPVRTC_ = checkForGLExtension("GL_IMG_texture_compression_pvrtc");
  supportsNPOT_ = checkForGLExtension("GL_APPLE_texture_2D_limited_npot");
  supportsBGRA8888_ =
      checkForGLExtension("GL_IMG_texture_format_BGRA8888") || checkForGLExtension("GL_APPLE_texture_format_BGRA8888");
  supportsDiscardFramebuffer_ = checkForGLExtension("GL_EXT_discard_framebuffer");

  ccCheckGLError("-[CCConfiguration init]");
  return true;
}

bool CCConfiguration::checkForGLExtension(std::string_view name) const {
  if (name.empty()) return false;
  const std::string_view all = g_glExtensions;
  std::size_t start = 0;
  while (start <= all.size()) {
    std::size_t end = all.find(' ', start);
    if (end == std::string_view::npos) end = all.size();
    if (all.substr(start, end - start) == name) return true;
    start = end + 1;
  }
  return false;
}
