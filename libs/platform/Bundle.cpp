#include "platform/Bundle.h"

#include "platform/Facts.h"
#include "platform/Files.h"
#include "platform/StringUtils.h"

#include <filesystem>
#include <system_error>

namespace platform {

namespace {

bool isFolder(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

std::string programFolder() {
#ifdef __EMSCRIPTEN__
  return "/";  // the page preloads the resources at /Resources
#endif
  std::error_code error;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : program.parent_path().string();
}

}  // namespace

Bundle& Bundle::mainBundle() {
  static Bundle bundle;
  return bundle;
}

std::string Bundle::resourcePath() const {
  if (!facts().resourceDir.empty()) return facts().resourceDir;
  std::string folder = programFolder();
  if (!folder.empty()) {
    for (const char* candidate : {"Resources", "../share/umbrascope/Resources"}) {
      std::string path = stringByAppendingPathComponent(folder, candidate);
      if (isFolder(path)) return std::filesystem::path(path).lexically_normal().string();
    }
  }
  std::error_code error;
  std::filesystem::path current = std::filesystem::current_path(error);
  return error ? std::string(".") : current.string();
}

std::optional<std::string> Bundle::pathForResource(std::string_view name, std::string_view type,
                                                   std::string_view directory) const {
  if (name.empty()) return std::nullopt;
  std::string path = resourcePath();
  if (!directory.empty()) path = stringByAppendingPathComponent(path, directory);
  path = stringByAppendingPathComponent(path, name);
  if (!type.empty()) path = stringByAppendingPathExtension(path, type);
  if (!fileExists(path)) return std::nullopt;
  return path;
}

}  // namespace platform
