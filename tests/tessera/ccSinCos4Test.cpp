#include "tessera/Support/ccSinCos4.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

// Runs `angles` through the four-wide function (four at a time, each angle in
// every lane position over the run) and the scalar one, and counts the lanes
// whose sine or cosine differ in any bit. Reports the first.
int countMismatches(const std::vector<float>& angles) {
  int mismatches = 0;
  for (std::size_t start = 0; start + 4 <= angles.size() + 3; ++start) {
    float group[4];
    for (std::size_t lane = 0; lane < 4; ++lane) group[lane] = angles[(start + lane) % angles.size()];
    float sines[4];
    float cosines[4];
    ccSinCosDegrees4(group, sines, cosines);
    for (std::size_t lane = 0; lane < 4; ++lane) {
      float sine = 0.0f;
      float cosine = 0.0f;
      ccSinCosDegrees(group[lane], &sine, &cosine);
      if (std::bit_cast<std::uint32_t>(sine) != std::bit_cast<std::uint32_t>(sines[lane]) ||
          std::bit_cast<std::uint32_t>(cosine) != std::bit_cast<std::uint32_t>(cosines[lane])) {
        if (mismatches++ == 0) {
          ADD_FAILURE() << "angle " << group[lane] << " (bits " << std::bit_cast<std::uint32_t>(group[lane])
                        << ") lane " << lane << ": four-wide " << sines[lane] << ", " << cosines[lane]
                        << "; scalar " << sine << ", " << cosine;
        }
      }
    }
  }
  return mismatches;
}

TEST(ccSinCosDegrees4, MatchesTheScalarFunctionBitForBitOverADenseSweep) {
  // A step that is no divisor of 90 lands everywhere in every quadrant.
  std::vector<float> angles;
  for (double d = -3000.0; d <= 3000.0; d += 0.0173) angles.push_back(static_cast<float>(d));
  // Hundredths of a degree over two turns each way hit every quarter turn.
  for (int hundredths = -72000; hundredths <= 72000; hundredths += 7) angles.push_back(float(hundredths) / 100.0f);
  EXPECT_EQ(0, countMismatches(angles));
}

TEST(ccSinCosDegrees4, MatchesTheScalarFunctionAtQuarterTurnsSignedZerosAndTheEdgesOfTheFastRange) {
  const float inf = std::numeric_limits<float>::infinity();
  const std::vector<float> angles = {0.0f,        -0.0f,       90.0f,     -90.0f,     180.0f,      -180.0f,
                                     270.0f,      360.0f,      -360.0f,   45.0f,      -45.0f,      135.0f,
                                     4194303.5f,  4194304.0f,  -4194304.0f, 4194305.0f, 1e9f,      -1e30f,
                                     1e-45f,      -1e-38f,     inf,       -inf,       std::numeric_limits<float>::quiet_NaN(),
                                     std::numeric_limits<float>::max(), 89.99999f, 90.00001f, 44.99999f, 45.00001f};
  EXPECT_EQ(0, countMismatches(angles));
}

TEST(ccSinCosDegrees4, MatchesTheScalarFunctionOnArbitraryBitPatterns) {
  // Every kind of float: subnormals, huge values, NaNs with payloads.
  std::vector<float> angles;
  std::uint32_t seed = 2463534242u;
  for (int i = 0; i < 200000; ++i) {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    angles.push_back(std::bit_cast<float>(seed));
  }
  EXPECT_EQ(0, countMismatches(angles));
}

}  // namespace
