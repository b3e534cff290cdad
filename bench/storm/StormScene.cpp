#include "StormScene.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace storm {

// [SECTION] Sprite sheet

SpriteSheet makeSpriteSheet(int cellSize) {
  SpriteSheet sheet;
  sheet.cellSize = std::clamp(cellSize, 1, kSheetSize);
  sheet.columns = kSheetSize / sheet.cellSize;
  sheet.cellCount = sheet.columns * sheet.columns;
  sheet.rgba.assign(static_cast<std::size_t>(kSheetSize) * kSheetSize * 4, 0);

  const float radius = static_cast<float>(sheet.cellSize) / 2.0f;
  for (int cell = 0; cell < sheet.cellCount; ++cell) {
    // Colours spread round the hue circle, bright enough to stand out from
    // the dark clear colour.
    const float hue = 6.2831853f * static_cast<float>(cell) * 0.618034f;
    const auto channel = [&](float offset) {
      return static_cast<std::uint8_t>(std::lround(150.0f + 105.0f * std::sin(hue + offset)));
    };
    const std::uint8_t red = channel(0.0f), green = channel(2.0944f), blue = channel(4.18879f);
    for (int dy = 0; dy < sheet.cellSize; ++dy) {
      for (int dx = 0; dx < sheet.cellSize; ++dx) {
        // Distance of the texel's centre from the cell's centre, in radii:
        // opaque out to 0.6, fading to transparent at 1.
        const float ox = (static_cast<float>(dx) + 0.5f - radius) / radius;
        const float oy = (static_cast<float>(dy) + 0.5f - radius) / radius;
        const float distance = std::sqrt(ox * ox + oy * oy);
        const float alpha = std::clamp((1.0f - distance) / 0.4f, 0.0f, 1.0f);
        const std::size_t at = (static_cast<std::size_t>(sheet.cellY(cell) + dy) * kSheetSize +
                                static_cast<std::size_t>(sheet.cellX(cell) + dx)) *
                               4;
        // A white needle from the centre to the top shows which way the
        // sprite is turned, so a renderer turning the wrong way shows up.
        const bool needle = std::abs(ox) < 0.2f && oy < 0.0f;
        sheet.rgba[at + 0] = needle ? 255 : red;
        sheet.rgba[at + 1] = needle ? 255 : green;
        sheet.rgba[at + 2] = needle ? 255 : blue;
        sheet.rgba[at + 3] = static_cast<std::uint8_t>(std::lround(alpha * 255.0f));
      }
    }
  }
  return sheet;
}

// [SECTION] Frame clock

namespace {

struct ProcessUsage {
  double cpuMilliseconds = 0;
  double minorFaults = 0;
};

ProcessUsage processUsage() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto ms = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
  };
  return {ms(usage.ru_utime) + ms(usage.ru_stime), static_cast<double>(usage.ru_minflt)};
}

}  // namespace

FrameTimes timeFrames(const FramePlan& plan, const std::function<bool(std::uint32_t frame)>& drawFrame) {
  using Clock = std::chrono::steady_clock;
  FrameTimes times;
  std::uint32_t frame = 0;
  std::vector<double> warmUp;
  const auto timeOne = [&](std::vector<double>& into) {
    const Clock::time_point start = Clock::now();
    const bool drawn = drawFrame(frame);
    const Clock::time_point stop = Clock::now();
    if (!drawn) return false;
    into.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    ++frame;
    return true;
  };

  double warmUpMilliseconds = 0;
  for (int i = 0; i < plan.warmUpFrames; ++i) {
    if (!timeOne(warmUp)) return times;
    warmUpMilliseconds += warmUp.back();
    if (i + 1 >= plan.minimumWarmUpFrames && warmUpMilliseconds > plan.warmUpBudgetSeconds * 1000.0) break;
  }
  times.warmUpFrames = static_cast<int>(warmUp.size());

  // The later half of the warm-up predicts the timed frames; the first
  // frames also pay for the driver compiling its pipelines.
  int timedFrames = plan.timedFrames;
  if (warmUp.size() >= 2) {
    const std::vector<double> settled(warmUp.begin() + static_cast<std::ptrdiff_t>(warmUp.size() / 2), warmUp.end());
    const double predicted = percentile(settled, 0.5);
    if (predicted > 0 && predicted * plan.timedFrames > plan.budgetSeconds * 1000.0) {
      const int affordable = static_cast<int>(plan.budgetSeconds * 1000.0 / predicted);
      timedFrames = std::min(plan.timedFrames, std::max(plan.minimumTimedFrames, affordable));
    }
  }
  times.milliseconds.reserve(static_cast<std::size_t>(timedFrames));
  const ProcessUsage before = processUsage();
  for (int i = 0; i < timedFrames; ++i) {
    if (!timeOne(times.milliseconds)) break;
  }
  const ProcessUsage after = processUsage();
  if (!times.milliseconds.empty()) {
    const auto frames = static_cast<double>(times.milliseconds.size());
    times.cpuMillisecondsPerFrame = (after.cpuMilliseconds - before.cpuMilliseconds) / frames;
    times.pageFaultsPerFrame = (after.minorFaults - before.minorFaults) / frames;
  }
  return times;
}

double percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return std::numeric_limits<double>::quiet_NaN();
  std::sort(values.begin(), values.end());
  const double rank = std::ceil(std::clamp(fraction, 0.0, 1.0) * static_cast<double>(values.size()));
  const std::size_t index = rank < 1 ? 0 : static_cast<std::size_t>(rank) - 1;
  return values[std::min(index, values.size() - 1)];
}

// [SECTION] Read-back frames

FrameImage frameFromBottomUpRows(int width, int height, std::vector<std::uint8_t> bottomFirst) {
  FrameImage frame;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  if (width <= 0 || height <= 0 || bottomFirst.size() != rowBytes * static_cast<std::size_t>(height)) return frame;
  frame.width = width;
  frame.height = height;
  frame.rgba.resize(bottomFirst.size());
  for (int row = 0; row < height; ++row) {
    std::memcpy(frame.rgba.data() + static_cast<std::size_t>(row) * rowBytes,
                bottomFirst.data() + static_cast<std::size_t>(height - 1 - row) * rowBytes, rowBytes);
  }
  return frame;
}

FrameSummary summarizeFrame(const FrameImage& frame) {
  FrameSummary summary;
  const std::size_t pixels = frame.rgba.size() / 4;
  if (pixels == 0) return summary;
  double sums[3] = {0, 0, 0};
  std::size_t covered = 0;
  for (std::size_t i = 0; i < pixels; ++i) {
    const std::uint8_t* p = &frame.rgba[i * 4];
    bool differs = false;
    for (int c = 0; c < 3; ++c) {
      sums[c] += p[c];
      differs = differs || std::abs(static_cast<int>(p[c]) - static_cast<int>(kClearColor[c])) > 8;
    }
    if (differs) ++covered;
  }
  for (int c = 0; c < 3; ++c) summary.meanColor[c] = sums[c] / static_cast<double>(pixels);
  summary.coverage = static_cast<double>(covered) / static_cast<double>(pixels);
  return summary;
}

double fractionOfPixelsDiffering(const FrameImage& a, const FrameImage& b, int threshold) {
  if (a.width != b.width || a.height != b.height || a.rgba.size() != b.rgba.size() || a.rgba.empty()) return 1.0;
  const std::size_t pixels = a.rgba.size() / 4;
  std::size_t differing = 0;
  for (std::size_t i = 0; i < pixels; ++i) {
    for (int c = 0; c < 3; ++c) {
      if (std::abs(static_cast<int>(a.rgba[i * 4 + c]) - static_cast<int>(b.rgba[i * 4 + c])) > threshold) {
        ++differing;
        break;
      }
    }
  }
  return static_cast<double>(differing) / static_cast<double>(pixels);
}

bool summariesAgree(const FrameSummary& a, const FrameSummary& b, const FrameTolerance& tolerance) {
  for (int c = 0; c < 3; ++c) {
    if (!(std::abs(a.meanColor[c] - b.meanColor[c]) <= tolerance.meanColor)) return false;
  }
  return std::abs(a.coverage - b.coverage) <= tolerance.coverage;
}

bool showsSprites(const FrameSummary& summary) { return summary.coverage > 0.001; }

}  // namespace storm
