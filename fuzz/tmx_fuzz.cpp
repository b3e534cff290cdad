// Reads arbitrary bytes as a tile map (TMX). The input is split at the first
// line "@@TSX@@": the part before is the map, the part after (if any) is
// written beside it as "ts.tsx", the external tileset a map may name, so
// nested parses run too. Both files live in a private temporary folder made
// once per run. The reader must never crash, hang or leak; a map it accepts
// must be consistent: every layer's tile buffer readable to its count, tile
// rectangles computable for every tileset and number.

#include "platform/Assert.h"
#include "platform/AutoreleasePool.h"
#include "platform/Log.h"
#include "tessera/CCTMXMapInfo.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace {

std::filesystem::path g_folder;

void writeFile(const std::filesystem::path& path, std::string_view text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(text.data(), static_cast<std::streamsize>(text.size()));
}

void checkMap(const CCTMXMapInfo* map) {
  if (map == nullptr) return;
  uint64_t sum = 0;
  for (const auto& layer : map->layers()) {
    if (layer->tiles() == nullptr && layer->tileCount() != 0) std::abort();
    for (std::size_t i = 0; i < layer->tileCount(); ++i) sum += layer->tiles()[i];
    (void)layer->properties().size();
  }
  for (const auto& tileset : map->tilesets()) {
    tileset->setImageSize(CGSizeMake(static_cast<float>(sum % 1024), 64));
    (void)tileset->rectForGID(static_cast<uint32_t>(sum));
    (void)tileset->rectForGID(tileset->firstGid() + 9);
    tileset->setImageSize(CGSizeZero);
    (void)tileset->rectForGID(0xFFFFFFFFu);
  }
  for (const auto& group : map->objectGroups()) {
    (void)group->objectNamed("hero");
    (void)group->propertyNamed("name");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::setLogSink([](std::string_view) {});
  // The reader logs and refuses bad files; a handler that returns keeps the
  // run going should an assertion ever fire.
  platform::setAssertionHandler([](const char*, const char*, int, const char*) {});
  std::string pattern = (std::filesystem::temp_directory_path() / "tmx-fuzz-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  g_folder = pattern;
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(g_folder, ignored);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  platform::AutoreleasePool pool;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  constexpr std::string_view kMarker = "\n@@TSX@@\n";
  const std::size_t split = input.find(kMarker);
  writeFile(g_folder / "map.tmx", input.substr(0, split));
  writeFile(g_folder / "ts.tsx", split == std::string_view::npos ? std::string_view() : input.substr(split + kMarker.size()));
  checkMap(CCTMXMapInfo::formatWithTMXFile((g_folder / "map.tmx").string()));
  return 0;
}
