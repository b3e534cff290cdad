// The web build's replacements for what its C++ and system libraries lack,
// checked on the desktop against the originals they stand in for: the
// floating-point text conversions (std::to_chars / std::from_chars) and MD5
// (OpenSSL, behind platform::Md5).

#include "platform/net/Md5.h"
#include "platform/web/FloatChars.h"
#include "platform/web/Md5Algorithm.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

// [SECTION] Shortest text of reals

template <typename Real>
std::string webText(Real value) {
  char buffer[64];
  const auto result = platform::web::toChars(buffer, buffer + sizeof buffer, value);
  EXPECT_EQ(result.ec, std::errc());
  return std::string(buffer, result.ptr);
}

template <typename Real>
std::string standardText(Real value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

TEST(WebFloatCharsTest, DoublesReadBackExactlyWithAsFewDigitsAsTheStandardLibrary) {
  std::mt19937_64 random(7);
  std::vector<double> values = {0.0, -0.0, 1.0, -1.5, 0.1, 1.0 / 3, 100000, 1e21, 1e-7, 123456789.125,
                                std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min(),
                                std::numeric_limits<double>::min()};
  for (int i = 0; i < 2000; ++i) {
    std::uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (std::isfinite(value)) values.push_back(value);
  }
  for (const double value : values) {
    const std::string text = webText(value);
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
    // Same number of significant digits: the standard one is the shortest.
    auto digits = [](const std::string& s) {
      std::size_t count = 0;
      bool leading = true;
      for (const char c : s) {
        if (c == 'e') break;
        if (c < '0' || c > '9') continue;
        if (leading && c == '0') continue;
        leading = false;
        ++count;
      }
      return count;
    };
    EXPECT_LE(digits(text), std::max<std::size_t>(digits(standardText(value)), 1)) << text << " vs " << standardText(value);
  }
}

TEST(WebFloatCharsTest, FloatsReadBackAsTheSameFloat) {
  for (const float value : {0.1f, 1.0f / 3, 480.0f, -2.5e-3f, 3.4e38f, 1e-45f}) {
    const std::string text = webText(value);
    EXPECT_EQ(std::strtof(text.c_str(), nullptr), value) << text;
  }
}

TEST(WebFloatCharsTest, TooSmallBufferIsRefused) {
  char buffer[3];
  const auto result = platform::web::toChars(buffer, buffer + sizeof buffer, 1.0 / 3);
  EXPECT_EQ(result.ec, std::errc::value_too_large);
}

// [SECTION] Reading reals

struct Parse {
  std::errc error;
  std::ptrdiff_t consumed;
  double value;
};

Parse webParse(const std::string& text) {
  double value = -7;
  const auto result = platform::web::fromChars(text.data(), text.data() + text.size(), value);
  return {result.ec, result.ptr - text.data(), value};
}

Parse standardParse(const std::string& text) {
  double value = -7;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  return {result.ec, result.ptr - text.data(), value};
}

TEST(WebFloatCharsTest, ParsingAgreesWithTheStandardLibrary) {
  for (const std::string text : {"0", "-0", "1.5", "-12.25e3", "1e-5", ".5", "5.", "3.14abc", "1e+5", "1e",
                                 "2.5E-3x", "007", "1e400", "-1e400", "1e-400", "", "-", "+1", " 1", "abc",
                                 "inf", "-Infinity", "nan", "nan(x)", "in", "0x1p3", "-0x1", "-.e1", "1e-310"}) {
    const Parse web = webParse(text);
    const Parse standard = standardParse(text);
    EXPECT_EQ(web.error, standard.error) << '"' << text << '"';
    if (standard.error == std::errc()) {
      EXPECT_EQ(web.consumed, standard.consumed) << '"' << text << '"';
      if (std::isnan(standard.value)) {
        EXPECT_TRUE(std::isnan(web.value)) << '"' << text << '"';
      } else {
        EXPECT_EQ(web.value, standard.value) << '"' << text << '"';
        EXPECT_EQ(std::signbit(web.value), std::signbit(standard.value)) << '"' << text << '"';
      }
    } else if (standard.error == std::errc::result_out_of_range) {
      // Out of range leaves the value alone (callers rely on it).
      EXPECT_EQ(web.value, -7) << '"' << text << '"';
    }
  }
}

// [SECTION] MD5

std::string webHex(const std::string& text, std::size_t chunk) {
  platform::web::Md5State state;
  for (std::size_t at = 0; at < text.size(); at += chunk) {
    state.feed(reinterpret_cast<const std::uint8_t*>(text.data()) + at, std::min(chunk, text.size() - at));
  }
  std::string out;
  for (const std::uint8_t byte : state.digest()) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", byte);
    out += pair;
  }
  return out;
}

TEST(WebMd5Test, RfcVectors) {
  EXPECT_EQ(webHex("", 1), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(webHex("a", 1), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(webHex("abc", 1), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(webHex("message digest", 5), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(webHex("abcdefghijklmnopqrstuvwxyz", 7), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(webHex("12345678901234567890123456789012345678901234567890123456789012345678901234567890", 64),
            "57edf4a22be3c955ac49da2e2107b67a");
}

// Lengths around the 64-byte block and the 56-byte padding boundary, fed in
// pieces of every size, against OpenSSL.
TEST(WebMd5Test, AgreesWithOpenSSLAtEveryBlockBoundary) {
  std::mt19937 random(3);
  for (std::size_t length : {55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 121u, 127u, 128u, 129u, 1000u}) {
    std::string text(length, '\0');
    for (char& c : text) c = static_cast<char>(random());
    const std::string expected = platform::Md5::hexDigestOf(text);
    for (std::size_t chunk : {1u, 3u, 64u, 1000u}) EXPECT_EQ(webHex(text, chunk), expected) << length << "/" << chunk;
  }
}

}  // namespace
