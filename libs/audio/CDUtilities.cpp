#include "audio/CDUtilities.h"

#include "platform/Bundle.h"

namespace audio {

std::string CDUtilities::fullPathFromRelativePath(const std::string& relativePath) {
  if (relativePath.empty() || relativePath.front() == '/') return relativePath;
  const std::size_t slash = relativePath.rfind('/');
  const std::string name = slash == std::string::npos ? relativePath : relativePath.substr(slash + 1);
  const std::string folder = slash == std::string::npos ? std::string() : relativePath.substr(0, slash);
  if (auto path = platform::Bundle::mainBundle().pathForResource(name, {}, folder)) return *path;
  return relativePath;
}

}  // namespace audio
