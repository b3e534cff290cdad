#include "platform/StringUtils.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

using namespace platform;

namespace {

TEST(StringNumbersTest, IntegerParsingTakesTheLongestPrefixAndSaturates) {
  EXPECT_EQ(intValue(" -12abc"), -12);
  EXPECT_EQ(intValue("\t\n +42"), 42);
  EXPECT_EQ(intValue("007"), 7);
  EXPECT_EQ(intValue("0x1A"), 0);
  EXPECT_EQ(intValue("12.9"), 12);
  EXPECT_EQ(intValue("-"), 0);
  EXPECT_EQ(intValue(""), 0);
  EXPECT_EQ(intValue("99999999999"), INT32_MAX);
  EXPECT_EQ(intValue("-99999999999"), INT32_MIN);
  EXPECT_EQ(longLongValue("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(longLongValue("9223372036854775808"), INT64_MAX);
  EXPECT_EQ(longLongValue("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(longLongValue("-99999999999999999999999"), INT64_MIN);
}

TEST(StringNumbersTest, RealParsingIgnoresIncompleteExponentsAndNonDecimalForms) {
  EXPECT_EQ(floatValue("  1e"), 1.0f);
  EXPECT_EQ(floatValue("1e-"), 1.0f);
  EXPECT_EQ(floatValue("1.5e3"), 1500.0f);
  EXPECT_EQ(floatValue("-.5x"), -0.5f);
  EXPECT_EQ(floatValue("5."), 5.0f);
  EXPECT_EQ(doubleValue("+2.25E+2"), 225.0);
  EXPECT_EQ(doubleValue("0.1"), 0.1);
  EXPECT_EQ(floatValue("."), 0.0f);
  EXPECT_EQ(floatValue("abc"), 0.0f);
  EXPECT_EQ(floatValue("inf"), 0.0f);
  EXPECT_EQ(floatValue("nan"), 0.0f);
  EXPECT_EQ(floatValue("0x10"), 0.0f);
  // Out of range: overflow saturates to infinity, underflow gives zero, also
  // when the mantissa's own digits push the magnitude across the limit.
  EXPECT_EQ(doubleValue("1e400"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(doubleValue("-1e400"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(doubleValue("1e-400"), 0.0);
  EXPECT_EQ(doubleValue("0.001e-330"), 0.0);
  EXPECT_EQ(doubleValue("1000e306"), std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isinf(floatValue("1e39")));
}

TEST(StringNumbersTest, DecimalPrefixReportsHowMuchItRead) {
  double value = -1;
  EXPECT_EQ(parseDecimalPrefix("12.5},", value), 4u);
  EXPECT_EQ(value, 12.5);
  EXPECT_EQ(parseDecimalPrefix("1e5,", value), 3u);
  EXPECT_EQ(parseDecimalPrefix("1e,", value), 1u);
  EXPECT_EQ(value, 1.0);
  EXPECT_EQ(parseDecimalPrefix(" 1", value), 0u);  // no white space skipping
  EXPECT_EQ(parseDecimalPrefix("-x", value), 0u);
  EXPECT_EQ(value, 1.0);  // untouched on failure
}

TEST(StringNumbersTest, BoolLooksAtTheFirstSignificantCharacter) {
  for (const char* text : {"YES", "yes", "true", "T", "1", "9", "  -007", "+y", "0001"}) {
    EXPECT_TRUE(boolValue(text)) << text;
  }
  for (const char* text : {"NO", "no", "false", "0", "000", "0.5", "-", "", "  ", "x"}) {
    EXPECT_FALSE(boolValue(text)) << text;
  }
}

TEST(StringUnicodeTest, EmojiTakesTwoUtf16UnitsAndRoundTrips) {
  const std::string text = "a\xF0\x9F\x98\x80\xC3\xA9";  // a, U+1F600, U+00E9
  const std::u16string units = utf8ToUtf16(text);
  EXPECT_EQ(units, (std::u16string{u'a', 0xD83D, 0xDE00, 0x00E9}));
  EXPECT_EQ(utf16ToUtf8(units), text);
}

TEST(StringUnicodeTest, LoneSurrogatesSurviveBothDirections) {
  const std::u16string lone{u'x', 0xD83D, u'y', 0xDC00, 0xD800};
  const std::string encoded = utf16ToUtf8(lone);
  EXPECT_EQ(encoded, "x\xED\xA0\xBDy\xED\xB0\x80\xED\xA0\x80");
  EXPECT_EQ(utf8ToUtf16(encoded), lone);

  // Every single code unit, and the reversed pair, come back unchanged.
  std::u16string all;
  for (uint32_t unit = 1; unit <= 0xFFFF; ++unit) all.push_back(static_cast<char16_t>(unit));
  all += u"\xDC00\xD800";
  EXPECT_EQ(utf8ToUtf16(utf16ToUtf8(all)), all);
}

TEST(StringUnicodeTest, InvalidBytesBecomeOneReplacementPerMaximalPart) {
  const char16_t r = 0xFFFD;
  EXPECT_EQ(utf8ToUtf16("a\xFF" "b"), (std::u16string{u'a', r, u'b'}));
  EXPECT_EQ(utf8ToUtf16("\xE2\x82"), (std::u16string{r}));               // truncated at the end
  EXPECT_EQ(utf8ToUtf16("\xE2\x82" "x"), (std::u16string{r, u'x'}));     // truncated mid-text
  EXPECT_EQ(utf8ToUtf16("\xC0\xAF"), (std::u16string{r, r}));            // overlong '/'
  EXPECT_EQ(utf8ToUtf16("\xE0\x80\xAF"), (std::u16string{r, r, r}));     // overlong, 3 bytes
  EXPECT_EQ(utf8ToUtf16("\xF4\x90\x80\x80"), (std::u16string{r, r, r, r}));  // above U+10FFFF
  EXPECT_EQ(utf8ToUtf16("\x80"), (std::u16string{r}));
  EXPECT_EQ(utf8ToUtf16("\xF4\x8F\xBF\xBF"), (std::u16string{0xDBFF, 0xDFFF}));
}

struct PathCase {
  const char* path;
  const char* last;
  const char* withoutLast;
  const char* extension;
  const char* withoutExtension;
};

TEST(StringPathTest, ComponentsAndExtensions) {
  const PathCase cases[] = {
      {"/a/b.png", "b.png", "/a", "png", "/a/b"},
      {"a", "a", "", "", "a"},
      {"/", "/", "/", "", "/"},
      {"", "", "", "", ""},
      {"a/", "a", "", "", "a"},
      {"/tmp/", "tmp", "/", "", "/tmp"},
      {"/a", "a", "/", "", "/a"},
      {"sheet.pvr.ccz", "sheet.pvr.ccz", "", "ccz", "sheet.pvr"},
      {"x//y", "y", "x", "", "x//y"},
      {"a/b.png//", "b.png", "a", "png", "a/b"},
      {".profile", ".profile", "", "", ".profile"},
      {"dir.d/file", "file", "dir.d", "", "dir.d/file"},
      {"a..png", "a..png", "", "png", "a."},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(lastPathComponent(c.path), c.last);
    EXPECT_EQ(stringByDeletingLastPathComponent(c.path), c.withoutLast);
    EXPECT_EQ(pathExtension(c.path), c.extension);
    EXPECT_EQ(stringByDeletingPathExtension(c.path), c.withoutExtension);
  }
}

TEST(StringPathTest, AppendingJoinsWithOneSlash) {
  EXPECT_EQ(stringByAppendingPathComponent("/tmp", "x.png"), "/tmp/x.png");
  EXPECT_EQ(stringByAppendingPathComponent("/tmp/", "x.png"), "/tmp/x.png");
  EXPECT_EQ(stringByAppendingPathComponent("/", "x"), "/x");
  EXPECT_EQ(stringByAppendingPathComponent("", "x"), "x");
  EXPECT_EQ(stringByAppendingPathComponent("a", ""), "a");
  EXPECT_EQ(stringByAppendingPathComponent("a//", "/b/"), "a/b");
  EXPECT_EQ(stringByAppendingPathExtension("a", "png"), "a.png");
  EXPECT_EQ(stringByAppendingPathExtension("/tmp/", "tiff"), "/tmp.tiff");
  EXPECT_EQ(stringByAppendingPathExtension("a.", "png"), "a..png");
  EXPECT_EQ(stringByAppendingPathExtension("a", ""), "a");
  EXPECT_EQ(stringByAppendingPathExtension("", "png"), "");
  EXPECT_EQ(stringByAppendingPathExtension("/", "png"), "/");
}

TEST(StringTextTest, SplitReplaceTrimAndAffixes) {
  EXPECT_EQ(split("a,,b", ","), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(split(",a,", ","), (std::vector<std::string>{"", "a", ""}));
  EXPECT_EQ(split("", ","), (std::vector<std::string>{""}));
  EXPECT_EQ(split("a::b", "::"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(split("a,b", ""), (std::vector<std::string>{"a,b"}));
  EXPECT_EQ(replaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(replaceAll("a.b.c", ".", "::"), "a::b::c");
  EXPECT_EQ(replaceAll("x", "", "y"), "x");
  EXPECT_EQ(trim(" \t x y \r\n"), "x y");
  EXPECT_EQ(trim("   "), "");
  EXPECT_TRUE(hasPrefix("image-hd.png", "image"));
  EXPECT_FALSE(hasPrefix("im", "image"));
  EXPECT_TRUE(hasSuffix("image-hd.png", "-hd.png"));
  EXPECT_TRUE(hasSuffix("x", ""));
}

TEST(StringTextTest, VersionsCompareNumericallyPerComponent) {
  EXPECT_LT(compareVersions("3.1", "3.2"), 0);
  EXPECT_LT(compareVersions("3.9", "3.10"), 0);
  EXPECT_GT(compareVersions("4.3.1", "4.3"), 0);
  EXPECT_GT(compareVersions("3.2", "3.1.9"), 0);
  EXPECT_EQ(compareVersions("3.1", "3.1.0"), 0);
  EXPECT_EQ(compareVersions("", "0.0"), 0);
  EXPECT_LT(compareVersions("2", "10"), 0);
}

TEST(StringTextTest, FormatStringHandlesLongOutputAndIgnoresTheProcessLocale) {
  EXPECT_EQ(formatString("%s=%d", "count", -3), "count=-3");
  const std::string long1000 = formatString("%1000d", 7);
  EXPECT_EQ(long1000.size(), 1000u);
  EXPECT_EQ(long1000.back(), '7');
  EXPECT_EQ(formatString("%s", ""), "");

  const char* german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  if (!german) GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
  const std::string formatted = formatString("%.2f", 1.5);
  const double parsed = doubleValue("1.5");
  std::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(formatted, "1.50");
  EXPECT_EQ(parsed, 1.5);
}

}  // namespace
