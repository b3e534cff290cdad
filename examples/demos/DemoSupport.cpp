// What several demos share: textures made from code and the folder for
// generated files.

#include "Demos.h"

#include <unistd.h>

#include <filesystem>
#include <vector>

platform::Ref<CCTexture2D> makeDemoTexture(int width, int height,
                                           const std::function<void(int x, int y, std::uint8_t* rgba)>& pixelAt) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixelAt(x, y, &pixels[(static_cast<std::size_t>(y) * width + x) * 4]);
  }
  auto* texture = new CCTexture2D();
  if (!texture->initWithData(pixels.data(), kCCTexture2DPixelFormat_RGBA8888, width, height,
                             CGSizeMake(width, height))) {
    texture->release();
    return nullptr;
  }
  return platform::Ref<CCTexture2D>::adopt(texture);
}

namespace {
std::string g_folder;
}

const std::string& demoFolder() {
  if (g_folder.empty()) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tessera-demos-" + std::to_string(::getpid()));
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    g_folder = folder.string() + "/";
  }
  return g_folder;
}

void removeDemoFolder() {
  if (g_folder.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(g_folder, ignored);
  g_folder.clear();
}
