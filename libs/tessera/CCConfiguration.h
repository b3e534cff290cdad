#pragma once
// CCConfiguration: what the device's GL implementation and system offer.

#include "platform/Object.h"

#include <GLES/gl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// Prints "OpenGL error 0x%04X in %s\n" with the pending GL error and
/// `operation` on standard output when the GL error flag is set; otherwise
/// prints nothing. Reading the flag clears it.
void ccCheckGLError(const char* operation);

/// A process-wide record of the GL limits, the GL extensions that change
/// what the engine does, and the system version, read once on first use.
/// The first use must happen while a GL context is current (the GL view's
/// surface setup does it right after making its context current).
///
/// Never refreshed and never torn down by the engine; tests reset it with
/// purgeSharedConfigurationForTesting().
///
/// Main thread only.
class CCConfiguration : public platform::Object {
  PLATFORM_CLASS(CCConfiguration, platform::Object)

 public:
  /// The record, read with init() on first use.
  static CCConfiguration* sharedConfiguration();

  /// Expects no record to exist ("Attempted to allocate a second instance of
  /// a singleton."). Use sharedConfiguration() rather than constructing one.
  CCConfiguration();
  /// Reads the system version, the extension string and the GL limits, in
  /// that order, then prints any pending GL error with "-[CCConfiguration
  /// init]". Always succeeds.
  bool init();

  /// True when `name` equals one of the space-separated words of the GL
  /// extension string (whole words, case-sensitive).
  bool checkForGLExtension(std::string_view name) const;

  /// GL_MAX_TEXTURE_SIZE.
  GLint maxTextureSize() const { return maxTextureSize_; }
  /// GL_MAX_MODELVIEW_STACK_DEPTH.
  GLint maxModelviewStackDepth() const { return maxModelviewStackDepth_; }
  /// "GL_IMG_texture_compression_pvrtc".
  bool supportsPVRTC() const { return supportsPVRTC_; }
  /// "GL_APPLE_texture_2D_limited_npot".
  bool supportsNPOT() const { return supportsNPOT_; }
  /// "GL_IMG_texture_format_BGRA8888" or "GL_APPLE_texture_format_BGRA8888".
  bool supportsBGRA8888() const { return supportsBGRA8888_; }
  /// "GL_EXT_discard_framebuffer".
  bool supportsDiscardFramebuffer() const { return supportsDiscardFramebuffer_; }
  /// The system version, one byte per component from the top: "4.3.1" is
  /// 0x04030100. A fifth component counts nothing; a component of 256 or
  /// more spills into the byte above.
  std::uint32_t OSVersion() const { return OSVersion_; }

  /// The packing of OSVersion() for any dotted version string.
  static std::uint32_t packVersion(std::string_view version);

  // [SECTION] Test hooks

  /// Releases and forgets the record, so the next sharedConfiguration()
  /// reads everything again.
  static void purgeSharedConfigurationForTesting();
  /// Makes init() use `extensions` instead of asking the GL; std::nullopt
  /// asks the GL again.
  static void setExtensionStringForTesting(std::optional<std::string> extensions);

 protected:
  ~CCConfiguration() override;

 private:
  GLint maxTextureSize_ = 0;
  GLint maxModelviewStackDepth_ = 0;
  bool supportsPVRTC_ = false;
  bool supportsNPOT_ = false;
  bool supportsBGRA8888_ = false;
  bool supportsDiscardFramebuffer_ = false;
  std::uint32_t OSVersion_ = 0;
  GLint maxSamplesAllowed_ = 0;  // GL_MAX_SAMPLES_APPLE on system 4.0 or later
};
