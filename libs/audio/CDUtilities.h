#pragma once
// CDUtilities: how the audio engine turns a sound file name into a path.

#include <string>

namespace audio {

/// How the audio engine turns a sound file name into a path.
class CDUtilities {
 public:
  /// A path starting with "/" is returned unchanged. Otherwise the last
  /// component is looked up as a resource of the application bundle, in the
  /// folder the other components name; when nothing is there the path is
  /// returned unchanged. No high-resolution variant is sought.
  static std::string fullPathFromRelativePath(const std::string& relativePath);
};

}  // namespace audio
