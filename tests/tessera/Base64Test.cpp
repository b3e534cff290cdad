#include "tessera/Support/base64.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

struct Case {
  std::string text;
  const char* decoded;  // nullptr: decoding fails
  const char* error;    // the standard-error line of a failure
};

TEST(Base64Test, DecodesOrReportsIncompleteGroups) {
  const Case cases[] = {
      {"TWFu", "Man", ""},
      {"TWE=", "Ma", ""},
      {"TQ==", "M", ""},
      {"TW\r\nF u*", "Man", ""},  // characters outside the alphabet are skipped
      {"TQ==TWFu", "M", ""},      // '=' ends the input
      {"+/+/", "\xfb\xff\xbf", ""},
      {"\n", "", ""},  // nothing to decode is no error
      {"T=", nullptr, "base64Decode: encoding incomplete: at least 2 bits missing\n"},
      {"TWFuT==", nullptr, "base64Decode: encoding incomplete: at least 2 bits missing\n"},
      {"TW", nullptr, "base64 encoding incomplete: at least 12 bits truncated\n"},
      {"TWFuTWE", nullptr, "base64 encoding incomplete: at least 6 bits truncated\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    unsigned char* out = reinterpret_cast<unsigned char*>(1);  // must be overwritten
    const int length =
        base64Decode(reinterpret_cast<const unsigned char*>(c.text.data()), static_cast<unsigned>(c.text.size()), &out);
    EXPECT_EQ(c.error, testing::internal::GetCapturedStderr());
    EXPECT_EQ(c.decoded ? "" : "Base64Utils: error decoding\n", testing::internal::GetCapturedStdout());
    if (c.decoded) {
      ASSERT_NE(nullptr, out);
      EXPECT_EQ(c.decoded, std::string(reinterpret_cast<char*>(out), static_cast<std::size_t>(length)));
    } else {
      EXPECT_EQ(0, length);
      EXPECT_EQ(nullptr, out);
    }
    std::free(out);
  }
}

TEST(Base64Test, RoundTripsEveryByteValueAcrossWrappedLines) {
  const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string bytes, text;
  for (int i = 0; i < 3 * 3000 + 2; ++i) bytes += static_cast<char>((i * 7 + i / 256) & 0xFF);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {  // an independent encoder, 76 columns
    const std::size_t count = std::min<std::size_t>(3, bytes.size() - i);
    unsigned group = 0;
    for (std::size_t k = 0; k < 3; ++k) group = (group << 8) | (k < count ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (std::size_t k = 0; k < 4; ++k) text += k <= count ? alphabet[(group >> (18 - 6 * k)) & 63] : '=';
    if (text.size() % 77 == 76) text += "\n";
  }
  unsigned char* out = nullptr;
  const int length = base64Decode(reinterpret_cast<const unsigned char*>(text.data()), static_cast<unsigned>(text.size()), &out);
  ASSERT_EQ(static_cast<int>(bytes.size()), length);
  EXPECT_EQ(bytes, std::string(reinterpret_cast<char*>(out), bytes.size()));
  std::free(out);
}

}  // namespace
