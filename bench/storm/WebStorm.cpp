// Sprite storm in a web browser: the engine's renderer of the sprite storm
// (TesseraStorm.cpp: director, GL view in the page's window, batch nodes on
// one sheet) run inside the page, frames back to back. Each frame is timed
// from before the update to after the present, whose read-back waits for
// WebGL to finish the frame.
//
// Settings come from the page address (see web/tessera.js):
//   sprite-storm/index.html?TESSERA_STORM_COUNTS=1000,10000&TESSERA_STORM_FRAMES=150&TESSERA_STORM_SIZE=32
// Prints one line per count, then "storm: done":
//   storm: 1000 sprites of 32 px, 150 frames: median 3.10 ms, p90 3.80 ms (1 batch node of ...)

#include "Renderers.h"
#include "StormScene.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::uint32_t> countsFromText(const char* text) {
  std::vector<std::uint32_t> counts;
  const std::string list = text && *text ? text : "1000,10000";
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t end = std::min(list.find(',', start), list.size());
    const long value = std::strtol(list.substr(start, end - start).c_str(), nullptr, 10);
    if (value > 0 && value <= 1000000) counts.push_back(static_cast<std::uint32_t>(value));
    start = end + 1;
  }
  return counts;
}

}  // namespace

int main() {
  const std::vector<std::uint32_t> counts = countsFromText(std::getenv("TESSERA_STORM_COUNTS"));
  const char* framesText = std::getenv("TESSERA_STORM_FRAMES");
  const long frames = framesText ? std::strtol(framesText, nullptr, 10) : 150;
  const char* sizeText = std::getenv("TESSERA_STORM_SIZE");
  const long size = sizeText ? std::strtol(sizeText, nullptr, 10) : 32;
  const storm::SpriteSheet sheet = storm::makeSpriteSheet(size >= 1 && size <= storm::kSheetSize ? static_cast<int>(size) : 32);
  for (const std::uint32_t count : counts) {
    storm::StormRun run;
    run.spriteCount = count;
    run.sheet = &sheet;
    run.plan.timedFrames = frames > 0 && frames <= 100000 ? static_cast<int>(frames) : 150;
    const storm::RendererResult result = storm::runTessera(run);
    if (!result.error.empty()) {
      std::printf("storm: %u sprites: failed: %s\n", count, result.error.c_str());
      continue;
    }
    std::printf("storm: %u sprites of %d px, %zu frames: median %.2f ms, p90 %.2f ms (%s; %s)\n", count,
                sheet.cellSize, result.times.milliseconds.size(), storm::percentile(result.times.milliseconds, 0.5),
                storm::percentile(result.times.milliseconds, 0.9), result.method.c_str(), result.glRenderer.c_str());
  }
  std::printf("storm: done\n");
  return 0;
}
