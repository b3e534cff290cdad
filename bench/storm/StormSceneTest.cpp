// The sprite storm's scene helpers: the sheet, the poses, the frame clock and
// the frame checks that decide whether the renderers drew alike.

#include "ResultCodec.h"
#include "StormScene.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <set>
#include <thread>
#include <tuple>

namespace storm {
namespace {

// [SECTION] Sprite sheet

struct Texel {
  int r, g, b, a;
};

Texel texelAt(const SpriteSheet& sheet, int x, int y) {
  const std::size_t at = (static_cast<std::size_t>(y) * kSheetSize + static_cast<std::size_t>(x)) * 4;
  return {sheet.rgba[at], sheet.rgba[at + 1], sheet.rgba[at + 2], sheet.rgba[at + 3]};
}

TEST(StormSpriteSheetTest, CellsTileTheSheet) {
  for (int size : {1, 2, 3, 32, 256}) {
    const SpriteSheet sheet = makeSpriteSheet(size);
    SCOPED_TRACE(size);
    EXPECT_EQ(static_cast<std::size_t>(kSheetSize) * kSheetSize * 4, sheet.rgba.size());
    EXPECT_EQ((kSheetSize / size) * (kSheetSize / size), sheet.cellCount);
    // The last cell lies wholly inside the sheet.
    EXPECT_LE(sheet.cellX(sheet.cellCount - 1) + size, kSheetSize);
    EXPECT_LE(sheet.cellY(sheet.cellCount - 1) + size, kSheetSize);
  }
  EXPECT_EQ(1, makeSpriteSheet(1000).cellCount);  // clamped to the sheet
}

TEST(StormSpriteSheetTest, CellIsOpaqueInsideTransparentAtCornersNeedleOnTop) {
  const SpriteSheet sheet = makeSpriteSheet(32);
  const int cell = 9;  // second row: rows are counted from the top
  const int x = sheet.cellX(cell), y = sheet.cellY(cell);
  ASSERT_EQ(32, x);
  ASSERT_EQ(32, y);
  const Texel corner = texelAt(sheet, x, y);
  const Texel side = texelAt(sheet, x + 8, y + 16);         // left of the centre, inside the opaque disc
  const Texel aboveCentre = texelAt(sheet, x + 16, y + 6);  // on the needle
  const Texel belowCentre = texelAt(sheet, x + 16, y + 26);
  EXPECT_EQ(0, corner.a);
  EXPECT_EQ(255, side.a);
  EXPECT_EQ(255, aboveCentre.a);
  EXPECT_EQ(255, aboveCentre.r);
  EXPECT_EQ(255, aboveCentre.g);
  EXPECT_EQ(255, aboveCentre.b);
  // No needle below the centre: the picture is not symmetric top to bottom.
  EXPECT_EQ(side.r, belowCentre.r);
  EXPECT_EQ(side.g, belowCentre.g);
  EXPECT_EQ(side.b, belowCentre.b);
  // Transparent texels keep the cell's colour, so filtering across the edge
  // does not darken straight-alpha sprites.
  EXPECT_EQ(side.r, corner.r);
  EXPECT_EQ(side.g, corner.g);
  EXPECT_EQ(side.b, corner.b);
}

TEST(StormSpriteSheetTest, NeighbouringCellsDifferInColour) {
  const SpriteSheet sheet = makeSpriteSheet(32);
  const Texel first = texelAt(sheet, 8, 16);
  const Texel second = texelAt(sheet, 32 + 8, 16);
  EXPECT_NE(std::tie(first.r, first.g, first.b), std::tie(second.r, second.g, second.b));
}

// [SECTION] Motion

TEST(StormMotionTest, PosesStayInsideTheFrameAndTurnWithinACircle) {
  for (std::uint32_t index : {0u, 1u, 7u, 4095u, 49999u, 0xFFFFFFFFu}) {
    for (std::uint32_t frame : {0u, 1u, 59u, 600u, 123457u}) {
      const SpritePose pose = spritePose(index, frame);
      SCOPED_TRACE(testing::Message() << "index " << index << " frame " << frame);
      EXPECT_GE(pose.x, 20.0f - 1e-3f);
      EXPECT_LE(pose.x, kFrameWidth - 20.0f + 1e-3f);
      EXPECT_GE(pose.y, 20.0f - 1e-3f);
      EXPECT_LE(pose.y, kFrameHeight - 20.0f + 1e-3f);
      EXPECT_GE(pose.rotation, 0.0f);
      EXPECT_LT(pose.rotation, 360.0f);
      EXPECT_EQ(static_cast<float>((3ull * frame + index) % 360), pose.rotation);
    }
  }
}

TEST(StormMotionTest, SpritesSpreadOutAndMoveBetweenFrames) {
  std::set<std::pair<int, int>> places;
  for (std::uint32_t i = 0; i < 1000; ++i) {
    const SpritePose pose = spritePose(i, 0);
    places.insert({static_cast<int>(pose.x) / 10, static_cast<int>(pose.y) / 10});
  }
  EXPECT_GT(places.size(), 500u);  // not a clump: most sprites start in cells of their own

  const SpritePose before = spritePose(5, 100);
  const SpritePose after = spritePose(5, 101);
  EXPECT_NE(before.x, after.x);
  EXPECT_NE(before.y, after.y);
  // A frame is 1/60 s: the fastest path covers 220 px x 1.5 rad/s / 60 a frame.
  EXPECT_LT(std::abs(after.x - before.x), 6.0f);
}

// The oracle turns by hand: a quarter turn clockwise on a y-down screen
// takes the top-left corner to the top right, and so on round.
TEST(StormMotionTest, CornersTurnClockwiseOnAYDownScreen) {
  SpritePose pose;
  pose.x = 100;
  pose.y = 50;
  const auto near = [](ScreenPoint actual, float x, float y) {
    return std::abs(actual.x - x) < 1e-4f && std::abs(actual.y - y) < 1e-4f;
  };
  pose.rotation = 0;
  std::array<ScreenPoint, 4> corners = spriteCorners(pose, 2);
  EXPECT_TRUE(near(corners[0], 98, 48));   // top left
  EXPECT_TRUE(near(corners[1], 102, 48));  // top right
  EXPECT_TRUE(near(corners[2], 102, 52));  // bottom right
  EXPECT_TRUE(near(corners[3], 98, 52));   // bottom left
  pose.rotation = 90;
  corners = spriteCorners(pose, 2);
  EXPECT_TRUE(near(corners[0], 102, 48));  // the top-left corner is now top right
  EXPECT_TRUE(near(corners[1], 102, 52));
  EXPECT_TRUE(near(corners[2], 98, 52));
  EXPECT_TRUE(near(corners[3], 98, 48));
  pose.rotation = 45;  // a diamond: the top-left corner on the top
  corners = spriteCorners(pose, 2);
  EXPECT_TRUE(near(corners[0], 100, 50 - 2 * std::sqrt(2.0f)));
}

TEST(StormMotionTest, CellsCycleThroughTheSheet) {
  const SpriteSheet sheet = makeSpriteSheet(32);
  EXPECT_EQ(0, spriteCell(0, sheet));
  EXPECT_EQ(63, spriteCell(63, sheet));
  EXPECT_EQ(0, spriteCell(64, sheet));
}

// [SECTION] Frame clock

TEST(StormFrameClockTest, NumbersFramesFromZeroThroughWarmUpAndTimedFrames) {
  FramePlan plan;
  plan.warmUpFrames = 3;
  plan.timedFrames = 5;
  std::vector<std::uint32_t> drawn;
  const FrameTimes times = timeFrames(plan, [&](std::uint32_t frame) {
    drawn.push_back(frame);
    return true;
  });
  EXPECT_EQ((std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5, 6, 7}), drawn);
  EXPECT_EQ(3, times.warmUpFrames);
  EXPECT_EQ(5u, times.milliseconds.size());
  EXPECT_EQ(7u, plan.checkFrame());  // the last frame of the uncut plan
}

TEST(StormFrameClockTest, SlowFramesAreCutToTheBudgetButNotBelowTheMinimum) {
  FramePlan plan;
  plan.warmUpFrames = 2;
  plan.timedFrames = 100;
  plan.budgetSeconds = 0.001;  // less than one frame
  plan.minimumTimedFrames = 4;
  const FrameTimes times = timeFrames(plan, [](std::uint32_t) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return true;
  });
  EXPECT_EQ(4u, times.milliseconds.size());
  for (double ms : times.milliseconds) EXPECT_GE(ms, 2.0);  // the clock spans the frame
}

TEST(StormFrameClockTest, SlowWarmUpStopsAtItsBudgetAfterTheMinimum) {
  FramePlan plan;
  plan.warmUpFrames = 20;
  plan.warmUpBudgetSeconds = 0.001;
  plan.minimumWarmUpFrames = 3;
  plan.timedFrames = 2;
  std::uint32_t drawn = 0;
  const FrameTimes times = timeFrames(plan, [&](std::uint32_t) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ++drawn;
    return true;
  });
  EXPECT_EQ(3, times.warmUpFrames);
  EXPECT_EQ(5u, drawn);
}

TEST(StormFrameClockTest, StopsWhenAFrameFails) {
  FramePlan plan;
  plan.warmUpFrames = 2;
  plan.timedFrames = 10;
  const FrameTimes failsInWarmUp = timeFrames(plan, [](std::uint32_t frame) { return frame < 1; });
  EXPECT_EQ(0, failsInWarmUp.warmUpFrames);
  EXPECT_TRUE(failsInWarmUp.milliseconds.empty());
  const FrameTimes failsLater = timeFrames(plan, [](std::uint32_t frame) { return frame < 6; });
  EXPECT_EQ(2, failsLater.warmUpFrames);
  EXPECT_EQ(4u, failsLater.milliseconds.size());  // frames 2 to 5; the failed one is not counted
}

struct PercentileCase {
  const char* name;
  std::vector<double> values;
  double fraction;
  double expected;
};

class StormPercentileTest : public testing::TestWithParam<PercentileCase> {};

TEST_P(StormPercentileTest, NearestRank) {
  EXPECT_EQ(GetParam().expected, percentile(GetParam().values, GetParam().fraction));
}

INSTANTIATE_TEST_SUITE_P(Cases, StormPercentileTest,
                         testing::ValuesIn(std::vector<PercentileCase>{
                             {"MedianOfOdd", {5, 1, 3}, 0.5, 3},
                             {"MedianOfEvenIsLowerMiddle", {4, 1, 3, 2}, 0.5, 2},
                             {"P90OfTen", {10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, 0.9, 9},
                             {"P90OfEleven", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 0.9, 10},
                             {"Single", {7}, 0.9, 7},
                             {"ZeroFractionIsMinimum", {3, 2, 8}, 0.0, 2},
                             {"FullFractionIsMaximum", {3, 2, 8}, 1.0, 8},
                         }),
                         [](const testing::TestParamInfo<PercentileCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(StormPercentileTest, NoValuesIsNotANumber) { EXPECT_TRUE(std::isnan(percentile({}, 0.5))); }

// [SECTION] Frame checks

FrameImage filledFrame(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  FrameImage frame;
  frame.width = width;
  frame.height = height;
  frame.rgba.resize(static_cast<std::size_t>(width) * height * 4, 255);
  for (std::size_t i = 0; i < frame.rgba.size(); i += 4) {
    frame.rgba[i] = r;
    frame.rgba[i + 1] = g;
    frame.rgba[i + 2] = b;
  }
  return frame;
}

TEST(StormFrameCheckTest, BottomUpRowsAreTurnedTopFirst) {
  // Two rows of one pixel: bottom red, top blue.
  const FrameImage frame = frameFromBottomUpRows(1, 2, {255, 0, 0, 255, 0, 0, 255, 255});
  ASSERT_EQ(8u, frame.rgba.size());
  EXPECT_EQ(0, frame.rgba[0]);
  EXPECT_EQ(255, frame.rgba[2]);                                                    // top row first: blue
  EXPECT_EQ(255, frame.rgba[4]);                                                    // then red
  EXPECT_TRUE(frameFromBottomUpRows(2, 2, std::vector<std::uint8_t>(12)).empty());  // short buffer refused
}

TEST(StormFrameCheckTest, CoverageCountsPixelsThatAreNotTheClearColour) {
  FrameImage frame = filledFrame(4, 1, kClearColor[0], kClearColor[1], kClearColor[2]);
  EXPECT_EQ(0.0, summarizeFrame(frame).coverage);
  EXPECT_FALSE(showsSprites(summarizeFrame(frame)));
  frame.rgba[0] = static_cast<std::uint8_t>(kClearColor[0] + 8);  // within the noise margin
  EXPECT_EQ(0.0, summarizeFrame(frame).coverage);
  frame.rgba[4 + 2] = 255;  // one pixel of four
  const FrameSummary summary = summarizeFrame(frame);
  EXPECT_DOUBLE_EQ(0.25, summary.coverage);
  EXPECT_TRUE(showsSprites(summary));
  EXPECT_DOUBLE_EQ((3.0 * kClearColor[2] + 255) / 4, summary.meanColor[2]);
}

TEST(StormFrameCheckTest, DifferingPixelsUseTheThresholdOnEachChannel) {
  const FrameImage a = filledFrame(2, 1, 100, 100, 100);
  FrameImage b = a;
  b.rgba[1] = 132;  // off by exactly the threshold: alike
  EXPECT_EQ(0.0, fractionOfPixelsDiffering(a, b, 32));
  b.rgba[4 + 2] = 133;  // second pixel, blue, off by 33
  EXPECT_EQ(0.5, fractionOfPixelsDiffering(a, b, 32));
  b.rgba[4 + 3] = 0;  // alpha is ignored
  EXPECT_EQ(0.5, fractionOfPixelsDiffering(a, b, 32));
  EXPECT_EQ(1.0, fractionOfPixelsDiffering(a, filledFrame(1, 2, 100, 100, 100), 32));  // other shape
  EXPECT_EQ(1.0, fractionOfPixelsDiffering(FrameImage{}, FrameImage{}, 32));           // nothing read back
}

TEST(StormFrameCheckTest, SummariesAgreeOnlyWithinBothTolerances) {
  const FrameTolerance tolerance;
  FrameSummary a;
  a.meanColor[0] = a.meanColor[1] = a.meanColor[2] = 100;
  a.coverage = 0.5;
  FrameSummary b = a;
  b.meanColor[1] += tolerance.meanColor;
  b.coverage += tolerance.coverage / 2;
  EXPECT_TRUE(summariesAgree(a, b, tolerance));
  b.meanColor[1] += 0.5;
  EXPECT_FALSE(summariesAgree(a, b, tolerance));
  b = a;
  b.coverage = a.coverage - 2 * tolerance.coverage;
  EXPECT_FALSE(summariesAgree(a, b, tolerance));
  b = a;
  b.meanColor[2] = std::nan("");
  EXPECT_FALSE(summariesAgree(a, b, tolerance));
}

// [SECTION] Results through the pipe

RendererResult sampleResult() {
  RendererResult result;
  result.glRenderer = "llvmpipe (LLVM 15.0.6, 256 bits)";
  result.method = "4 batch nodes";
  result.times.warmUpFrames = 20;
  result.times.milliseconds = {1.5, 2.25, 0.125};
  result.times.cpuMillisecondsPerFrame = 3.75;
  result.times.pageFaultsPerFrame = 6400;
  result.checkImage = filledFrame(3, 2, 1, 2, 3);
  return result;
}

TEST(StormResultCodecTest, RoundTripKeepsEveryField) {
  const RendererResult sent = sampleResult();
  const std::optional<RendererResult> received = decodeResult(encodeResult(sent));
  ASSERT_TRUE(received.has_value());
  EXPECT_EQ(sent.glRenderer, received->glRenderer);
  EXPECT_EQ(sent.method, received->method);
  EXPECT_EQ(sent.error, received->error);
  EXPECT_EQ(sent.times.warmUpFrames, received->times.warmUpFrames);
  EXPECT_EQ(sent.times.milliseconds, received->times.milliseconds);
  EXPECT_EQ(sent.times.cpuMillisecondsPerFrame, received->times.cpuMillisecondsPerFrame);
  EXPECT_EQ(sent.times.pageFaultsPerFrame, received->times.pageFaultsPerFrame);
  EXPECT_EQ(sent.checkImage.width, received->checkImage.width);
  EXPECT_EQ(sent.checkImage.height, received->checkImage.height);
  EXPECT_EQ(sent.checkImage.rgba, received->checkImage.rgba);

  RendererResult failure;
  failure.error = "SFML could not open its window";
  EXPECT_EQ(failure.error, decodeResult(encodeResult(failure))->error);
}

TEST(StormResultCodecTest, DamagedBytesInvalid) {
  const std::string bytes = encodeResult(sampleResult());
  // A child that died while writing leaves a prefix: every one is refused.
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    EXPECT_FALSE(decodeResult(bytes.substr(0, size)).has_value()) << size;
  }
  EXPECT_FALSE(decodeResult(bytes + "x").has_value());
  std::string wrongTag = bytes;
  wrongTag[0] = 'X';
  EXPECT_FALSE(decodeResult(wrongTag).has_value());
  // A length field far beyond the bytes is refused, not allocated.
  std::string hugeLength = bytes;
  const std::uint64_t huge = ~std::uint64_t{0} / 2;
  std::memcpy(hugeLength.data() + 4, &huge, sizeof huge);
  EXPECT_FALSE(decodeResult(hugeLength).has_value());
}

}  // namespace
}  // namespace storm
