#pragma once
// The sprite storm's scene and bookkeeping, shared by the three renderers:
// the sprite sheet's pixels, every sprite's pose as a function of (sprite
// index, frame number), the frame clock, and the read-back frame with the
// measures used to check that the renderers drew alike.
//
// No GL here: each renderer lives in its own file because the engine's
// OpenGL ES 1 headers and the desktop GL headers cannot share a translation
// unit.

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace storm {

// [SECTION] Scene constants

/// The frame every renderer draws into, pixels.
inline constexpr int kFrameWidth = 480;
inline constexpr int kFrameHeight = 320;
/// The sheet's size, pixels.
inline constexpr int kSheetSize = 256;
/// Clear colour, opaque (R, G, B).
inline constexpr std::uint8_t kClearColor[3] = {20, 24, 40};

// [SECTION] Sprite sheet

/// A kSheetSize x kSheetSize sheet of square cells of `cellSize` pixels,
/// straight (not premultiplied) RGBA, top row first. Each cell has one
/// colour and a white needle from its centre to its top edge; its alpha is
/// opaque in the middle and falls to zero towards a circle touching the
/// cell's sides (the corners are transparent).
/// Transparent texels keep their cell's colour, so filtering across the
/// edge gives the same colour with straight or premultiplied alpha.
struct SpriteSheet {
  int cellSize = 0;
  int columns = 0;    // cells per row
  int cellCount = 0;  // columns x columns
  std::vector<std::uint8_t> rgba;

  /// Top-left corner of cell `cell`, pixels (y down).
  int cellX(int cell) const { return (cell % columns) * cellSize; }
  int cellY(int cell) const { return (cell / columns) * cellSize; }
};

/// Expects 1 <= cellSize <= kSheetSize.
SpriteSheet makeSpriteSheet(int cellSize);

// [SECTION] Motion

/// Where a sprite is in one frame: its centre in frame pixels with y down,
/// and its clockwise turn in degrees.
struct SpritePose {
  float x = 0;
  float y = 0;
  float rotation = 0;
};

/// A 32-bit mix of `value` whose bytes look independent (the finaliser of
/// MurmurHash3).
inline std::uint32_t mixBits(std::uint32_t value) {
  value ^= value >> 16;
  value *= 0x85EBCA6Bu;
  value ^= value >> 13;
  value *= 0xC2B2AE35u;
  value ^= value >> 16;
  return value;
}

/// Sprite `index` in frame `frame`: a Lissajous path inside the frame, 20
/// pixels in from each side, whose speeds and phases come from the index;
/// turned by (3 x frame + index) degrees, kept in [0, 360). A frame stands
/// for 1/60 s of motion whatever it took to draw.
inline SpritePose spritePose(std::uint32_t index, std::uint32_t frame) {
  constexpr float kTwoPi = 6.2831853f;
  constexpr float kHalfWidth = kFrameWidth / 2.0f;
  constexpr float kHalfHeight = kFrameHeight / 2.0f;
  const std::uint32_t bits = mixBits(index);
  const float speedX = 0.3f + 1.2f * static_cast<float>(bits & 0xFF) / 255.0f;
  const float phaseX = kTwoPi * static_cast<float>((bits >> 8) & 0xFF) / 255.0f;
  const float speedY = 0.3f + 1.2f * static_cast<float>((bits >> 16) & 0xFF) / 255.0f;
  const float phaseY = kTwoPi * static_cast<float>(bits >> 24) / 255.0f;
  const float seconds = static_cast<float>(frame) / 60.0f;
  SpritePose pose;
  pose.x = kHalfWidth + (kHalfWidth - 20) * std::sin(seconds * speedX + phaseX);
  pose.y = kHalfHeight + (kHalfHeight - 20) * std::sin(seconds * speedY + phaseY);
  pose.rotation = static_cast<float>((3ull * frame + index) % 360);
  return pose;
}

/// A point in frame pixels, y down.
struct ScreenPoint {
  float x = 0;
  float y = 0;
};

/// The corners of a square sprite with half-edge `half` at `pose`, clockwise
/// from the top left: each corner's offset from the centre turned clockwise
/// on the y-down screen by the pose's rotation, then moved to the centre.
inline std::array<ScreenPoint, 4> spriteCorners(const SpritePose& pose, float half) {
  constexpr float kRadiansPerDegree = 3.141592654f / 180.0f;
  constexpr float kOffsets[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  const float radians = pose.rotation * kRadiansPerDegree;
  const float cosine = std::cos(radians);
  const float sine = std::sin(radians);
  std::array<ScreenPoint, 4> corners;
  for (std::size_t k = 0; k < 4; ++k) {
    const float x = kOffsets[k][0] * half;
    const float y = kOffsets[k][1] * half;
    corners[k] = {pose.x + cosine * x - sine * y, pose.y + sine * x + cosine * y};
  }
  return corners;
}

/// The sheet cell sprite `index` shows.
inline int spriteCell(std::uint32_t index, const SpriteSheet& sheet) {
  return static_cast<int>(index % static_cast<std::uint32_t>(sheet.cellCount));
}

// [SECTION] Frame clock

/// Frame times of one renderer at one sprite count.
struct FrameTimes {
  std::vector<double> milliseconds;  // timed frames only, in order
  int warmUpFrames = 0;
  /// Over the timed frames, per frame: CPU time of the whole process (the
  /// driver's rasteriser threads included), ms, and minor page faults.
  double cpuMillisecondsPerFrame = 0;
  double pageFaultsPerFrame = 0;
};

/// How many frames to draw and how long a run may take.
struct FramePlan {
  int warmUpFrames = 20;
  /// The warm-up stops early once it has taken this long (seconds), after
  /// at least minimumWarmUpFrames.
  double warmUpBudgetSeconds = 3;
  int minimumWarmUpFrames = 3;
  int timedFrames = 150;
  /// Fewer timed frames (never below minimumTimedFrames) when the warm-up
  /// frames say the timed ones would take longer than this, seconds.
  double budgetSeconds = 30;
  int minimumTimedFrames = 30;

  /// The frame every renderer draws once more after the timed ones and reads
  /// back: the last frame of a run without the budget's cut, so all
  /// renderers show the same poses.
  std::uint32_t checkFrame() const { return static_cast<std::uint32_t>(warmUpFrames + timedFrames - 1); }
};

/// Draws the warm-up frames untimed, then the timed frames, each timed from
/// before `drawFrame(frame)` to after it returns; `drawFrame` must update,
/// draw, present and wait for the GL to finish. Frame numbers run from 0.
/// Stops early (and returns what it has) when `drawFrame` returns false.
FrameTimes timeFrames(const FramePlan& plan, const std::function<bool(std::uint32_t frame)>& drawFrame);

/// The `fraction` percentile (0.5 median, 0.9) of `values` by nearest rank:
/// the smallest value with at least that fraction of values at or below it.
/// NaN for no values.
double percentile(std::vector<double> values, double fraction);

// [SECTION] Read-back frames

/// A read-back frame: RGBA, top row first (alpha is ignored: the windows'
/// formats differ).
struct FrameImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;

  bool empty() const { return rgba.empty(); }
};

/// Reverses the row order of `bottomFirst` (as glReadPixels returns rows).
FrameImage frameFromBottomUpRows(int width, int height, std::vector<std::uint8_t> bottomFirst);

/// What a frame shows, for comparing renderers.
struct FrameSummary {
  /// Mean R, G, B over every pixel, 0..255.
  double meanColor[3] = {0, 0, 0};
  /// Fraction of pixels whose colour differs from the clear colour by more
  /// than 8 in some channel: how much of the frame the sprites cover.
  double coverage = 0;
};
FrameSummary summarizeFrame(const FrameImage& frame);

/// Fraction of pixels where `a` and `b` differ by more than `threshold` in
/// some colour channel. 1 when the sizes differ.
double fractionOfPixelsDiffering(const FrameImage& a, const FrameImage& b, int threshold);

/// How far two renderers' frames may disagree and still count as the same
/// scene: mean colour per channel, and coverage in fractions of the frame.
struct FrameTolerance {
  double meanColor = 4.0;
  double coverage = 0.02;
};
/// Whether `a` and `b` agree within `tolerance`.
bool summariesAgree(const FrameSummary& a, const FrameSummary& b, const FrameTolerance& tolerance);
/// Whether a frame shows any sprite at all (coverage above 0.1 %).
bool showsSprites(const FrameSummary& summary);

}  // namespace storm
