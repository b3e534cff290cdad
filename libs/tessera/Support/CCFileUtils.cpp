#include "tessera/Support/CCFileUtils.h"

#include "platform/Assert.h"
#include "platform/Bundle.h"
#include "platform/Files.h"
#include "platform/StringUtils.h"
#include "tessera/ccMacros.h"

#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <utility>

namespace {

constexpr std::string_view kHDSuffix = "-hd";

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

}  // namespace

// [SECTION] Paths

std::string CCFileUtils::fullPathFromRelativePath(const char* relPath) {
  CCAssert(relPath != nullptr, "CCFileUtils: Invalid path");
  if (relPath == nullptr) return {};
  return fullPathFromRelativePath(std::string(relPath));
}

std::string CCFileUtils::fullPathFromRelativePath(const std::string& relPath) {
  std::string fullPath = relPath;
  if (!platform::hasPrefix(relPath, "/")) {
    std::optional<std::string> found = platform::Bundle::mainBundle().pathForResource(
        platform::lastPathComponent(relPath), "", platform::stringByDeletingLastPathComponent(relPath));
    if (found) fullPath = std::move(*found);
  }
  return getDoubleResolutionImage(fullPath);
}

std::string CCFileUtils::getDoubleResolutionImage(const std::string& path) {
  if (CC_CONTENT_SCALE_FACTOR() != 2.0f) return path;

  std::string base = platform::stringByDeletingPathExtension(path);
  if (contains(platform::lastPathComponent(base), kHDSuffix)) return path;

  std::string extension = platform::pathExtension(path);
  if (extension == "ccz" || extension == "gz") {
    // Packed files keep their inner extension: sheet.pvr.ccz -> sheet-hd.pvr.ccz.
    // A name without one (tiles.gz) keeps the single extension rather than
    // growing an empty inner one ("tiles-hd..gz").
    const std::string innerExtension = platform::pathExtension(base);
    if (!innerExtension.empty()) {
      extension = innerExtension + "." + extension;
      base = platform::stringByDeletingPathExtension(base);
    }
  }

  const std::string candidate = platform::stringByAppendingPathExtension(base + std::string(kHDSuffix), extension);
  return platform::fileExists(candidate) ? candidate : path;
}

std::string CCFileUtils::removeHDSuffixFromFile(const std::string& path) {
  if (CC_CONTENT_SCALE_FACTOR() != 2.0f) return path;
  const std::string name = platform::lastPathComponent(path);
  if (!contains(name, kHDSuffix)) return path;
  return platform::stringByAppendingPathComponent(platform::stringByDeletingLastPathComponent(path),
                                                  platform::replaceAll(name, kHDSuffix, ""));
}

// [SECTION] Whole files

int ccLoadFileIntoMemory(const char* filename, unsigned char** out) {
  CC_HARD_ASSERT(out);
  *out = nullptr;
  if (filename == nullptr) return -1;

  std::FILE* file = std::fopen(filename, "rb");
  if (file == nullptr) return -1;

  // Only regular files have a size worth trusting: a directory opens fine on
  // Linux and reports a position of LONG_MAX at its end.
  struct stat status {};
  if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) {
    std::fclose(file);
    return -1;
  }

  long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  if (size < 0 || size > INT_MAX || std::fseek(file, 0, SEEK_SET) != 0) {
    std::fclose(file);
    return -1;
  }

  // One spare byte so an empty file still yields a buffer to free.
  auto* buffer = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(size) + 1));
  if (buffer == nullptr) {
    std::fclose(file);
    return -1;
  }
  const std::size_t read = std::fread(buffer, 1, static_cast<std::size_t>(size), file);
  std::fclose(file);
  if (read != static_cast<std::size_t>(size)) {
    std::free(buffer);
    return -1;
  }
  *out = buffer;
  return static_cast<int>(size);
}
