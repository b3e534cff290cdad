// The byte scanner and the JSON reader: leniencies, error codes, cursor
// restoration, encodings, escapes and hostile inputs.

#include "json/CDataScanner.h"
#include "json/CJSONDeserializer.h"
#include "json/CJSONScanner.h"
#include "platform/Exception.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using json::CDataScanner;
using json::CJSONDeserializer;
using json::CJSONScanner;
using platform::Value;

namespace {

std::optional<Value> read(std::string_view text, platform::Error* error = nullptr) {
  return CJSONDeserializer::deserializer()->deserialize(text, error);
}

std::string bytesOf(std::initializer_list<int> bytes) {
  std::string out;
  for (int b : bytes) out.push_back(static_cast<char>(b));
  return out;
}

// [SECTION] Byte scanner

TEST(CDataScannerTest, ReadsStopAtTheEnd) {
  CDataScanner* scanner = CDataScanner::scannerWithData(std::string_view("ab", 2));
  EXPECT_EQ('a', scanner->scanCharacter());
  EXPECT_TRUE(scanner->scanCharacter('b'));
  EXPECT_TRUE(scanner->isAtEnd());
  EXPECT_EQ(0, scanner->currentCharacter());
  EXPECT_EQ(0, scanner->scanCharacter());
  EXPECT_FALSE(scanner->scanCharacter(0));
  EXPECT_FALSE(scanner->scanUTF8String("c"));
  EXPECT_EQ(2u, scanner->scanLocation());
  scanner->setScanLocation(99);
  EXPECT_EQ(2u, scanner->scanLocation());
}

TEST(CDataScannerTest, RunsAndSearches) {
  CDataScanner* scanner = CDataScanner::scannerWithData(std::string_view("  abc123;tail"));
  scanner->skipWhitespace();
  std::string run;
  EXPECT_FALSE(scanner->scanCharactersFromSet(json::CharacterSet::withCharacters("0123456789"), &run));
  EXPECT_TRUE(scanner->scanUpToCharactersFromSet(json::CharacterSet::withCharacters("0123456789"), &run));
  EXPECT_EQ("abc", run);
  EXPECT_FALSE(scanner->scanUpToString("missing", &run));
  EXPECT_EQ(5u, scanner->scanLocation());
  EXPECT_TRUE(scanner->scanUpToString(";", &run));
  EXPECT_EQ("123", run);
  EXPECT_EQ(";tail", scanner->remainingString());
}

TEST(CDataScannerTest, NumberRunTakesItsLongestValidPrefix) {
  struct Case {
    const char* text;
    double value;
    std::size_t consumed;
  };
  for (const Case& c : {Case{"1e", 1, 2}, Case{"1e+5", 100000, 4}, Case{"2E-2x", 0.02, 4}, Case{"-.5", -0.5, 3},
                        Case{"1-2", 1, 3}, Case{"-", 0, 1}, Case{"1+5", 1, 1}, Case{"1.5.5", 1.5, 5}}) {
    SCOPED_TRACE(c.text);
    CDataScanner* scanner = CDataScanner::scannerWithData(std::string_view(c.text));
    Value number;
    ASSERT_TRUE(scanner->scanNumber(&number));
    EXPECT_TRUE(number.isReal());
    EXPECT_DOUBLE_EQ(c.value, number.doubleValue());
    EXPECT_EQ(c.consumed, scanner->scanLocation());
  }
  EXPECT_FALSE(CDataScanner::scannerWithData(std::string_view("+1"))->scanNumber(nullptr));
}

TEST(CDataScannerTest, Comments) {
  // U+2028 ends a line like a line feed does; all the breaks are consumed.
  CDataScanner* scanner = CDataScanner::scannerWithData("// note\xE2\x80\xA8\n\rnext");
  std::string text;
  ASSERT_TRUE(scanner->scanCPlusPlusStyleComment(&text));
  EXPECT_EQ(" note", text);
  EXPECT_EQ("next", scanner->remainingString());

  scanner = CDataScanner::scannerWithData(std::string_view("/* a * b */rest"));
  ASSERT_TRUE(scanner->scanCStyleComment(&text));
  EXPECT_EQ(" a * b ", text);
  EXPECT_EQ("rest", scanner->remainingString());

  auto reasonFor = [](std::string_view input) {
    try {
      CDataScanner::scannerWithData(input)->scanCStyleComment();
    } catch (const platform::Exception& exception) {
      return exception.reason();
    }
    return std::string("no exception");
  };
  EXPECT_EQ("Started to scan a C style comment but it wasn't terminated.", reasonFor("/* open"));
  EXPECT_EQ("C style comments should not be nested.", reasonFor("/* a /* b */"));
}

TEST(CDataScannerTest, BacktrackBeforeTheStartInvalid) {
  CDataScanner* scanner = CDataScanner::scannerWithData(std::string_view("abc"));
  scanner->setScanLocation(2);
  scanner->backtrack(2);
  EXPECT_EQ(0u, scanner->scanLocation());
  EXPECT_THROW(scanner->backtrack(1), platform::Exception);
  EXPECT_EQ(0u, scanner->scanLocation());
}

// [SECTION] Values that read

TEST(CJSONScannerTest, LenientInputsRead) {
  EXPECT_EQ(Value(Value::Array{1.0, 2.0}), read("[1,2,]"));
  EXPECT_EQ(Value(Value::Dict{{"a", 1.0}}), read("{\"a\":1,}"));
  EXPECT_EQ(Value(Value::Array{1.0}), read("[1-2]"));
  EXPECT_EQ(Value(Value::Array{1.0}), read(" [1] trailing bytes"));
  EXPECT_EQ(Value(Value::Array{}), read("[ ]"));
  EXPECT_EQ(Value(Value::Dict{}), read("{ }"));
}

TEST(CJSONScannerTest, ExponentSignIsPartOfTheNumber) {
  EXPECT_EQ(Value(100000.0), read("1e+5"));
  EXPECT_EQ(Value(Value::Array{100000.0, 0.001}), read("[1e+5,1E-3]"));
  EXPECT_EQ(Value(-0.5), read("-.5"));
  platform::Error error;
  EXPECT_FALSE(read(".5", &error));
  EXPECT_EQ(0, error.code);  // a byte that starts no value has no error of its own
}

TEST(CJSONScannerTest, LiteralsKeepTheirKinds) {
  const auto value = read("[true,false,null,0]");
  ASSERT_TRUE(value);
  EXPECT_TRUE((*value)[0].isBool());
  EXPECT_TRUE((*value)[0].boolValue());
  EXPECT_TRUE((*value)[1].isBool());
  EXPECT_TRUE((*value)[2].isNull());
  EXPECT_TRUE((*value)[3].isReal());
  EXPECT_FALSE(read("nul"));
  EXPECT_EQ(Value(Value::Array{}), read("[]"));
}

TEST(CJSONScannerTest, DuplicateKeyReplacesTheValueInPlace) {
  const auto value = read("{\"a\":1,\"b\":0,\"a\":2}");
  ASSERT_TRUE(value);
  EXPECT_EQ(2.0, (*value)["a"].doubleValue());
  ASSERT_EQ(2u, value->asDict().size());
  EXPECT_EQ("a", value->asDict().begin()->key);
}

TEST(CJSONScannerTest, StringEscapes) {
  EXPECT_EQ(Value("\xC3\xA9"), read("\"\\u00e9\""));
  EXPECT_EQ(Value("\"\\/\b\f\n\r\t"), read(R"("\"\\\/\b\f\n\r\t")"));
  // A pair of escapes is one character; a lone surrogate is kept as a
  // 3-byte sequence, also when text follows it.
  EXPECT_EQ(Value("\xF0\x9F\x98\x80"), read("\"\\ud83d\\uDE00\""));
  EXPECT_EQ(Value(std::string("\xED\xA0\xBDx")), read("\"\\ud83dx\""));
  EXPECT_EQ(Value(std::string("\xED\xB8\x80")), read("\"\\ude00\""));
  // Raw control characters and valid UTF-8 pass; invalid bytes become U+FFFD.
  EXPECT_EQ(Value("a\x01\n\xE2\x82\xAC"), read("\"a\x01\n\xE2\x82\xAC\""));
  EXPECT_EQ(Value("\xEF\xBF\xBD" "a\xEF\xBF\xBD"), read("\"\xFF" "a\xE2\x82\""));
}

TEST(CJSONScannerTest, EncodingsAreDetected) {
  EXPECT_EQ(Value(Value::Dict{}), read(bytesOf({0x7B, 0x00, 0x7D, 0x00})));
  EXPECT_EQ(Value(Value::Dict{}), read(bytesOf({0x00, 0x7B, 0x00, 0x7D})));
  EXPECT_EQ(Value(Value::Array{}), read(bytesOf({0x5B, 0, 0, 0, 0x5D, 0, 0, 0})));
  EXPECT_EQ(Value(Value::Array{}), read(bytesOf({0, 0, 0, 0x5B, 0, 0, 0, 0x5D})));
  // UTF-16 surrogate pair: ["😀"].
  EXPECT_EQ(Value(Value::Array{"\xF0\x9F\x98\x80"}),
            read(bytesOf({'[', 0, '"', 0, 0x3D, 0xD8, 0x00, 0xDE, '"', 0, ']', 0})));
}

// [SECTION] Errors

struct ErrorCase {
  const char* name;
  std::string input;
  int code;
};

class CJSONScannerErrorTest : public testing::TestWithParam<ErrorCase> {};

TEST_P(CJSONScannerErrorTest, FailsWithCodeAndRestoresTheCursor) {
  const ErrorCase& c = GetParam();
  CJSONScanner* scanner = CJSONScanner::scannerWithData(c.input);
  platform::Error error;
  Value value("untouched");
  EXPECT_FALSE(scanner->scanJSONObject(&value, &error));
  EXPECT_EQ("CJSONScannerErrorDomain", error.domain);
  EXPECT_EQ(c.code, error.code);
  EXPECT_FALSE(error.description.empty());
  EXPECT_EQ(Value("untouched"), value);
  // The cursor is back at the construct that failed (after leading space).
  EXPECT_EQ(c.input.find_first_not_of(' '), scanner->scanLocation());
}

INSTANTIATE_TEST_SUITE_P(
    Codes, CJSONScannerErrorTest,
    testing::Values(ErrorCase{"MissingKey", "{1:2}", -2}, ErrorCase{"MissingColon", "{\"a\" 1}", -3},
                    ErrorCase{"MissingValue", "{\"a\":}", -4}, ErrorCase{"MissingComma", "{\"a\":1 \"b\":2}", -5},
                    ErrorCase{"DictionaryAtEnd", "{\"a\":1", -5}, ErrorCase{"EmptyDictionaryAtEnd", " {", -2},
                    ErrorCase{"ArrayWithoutComma", "[1 2]", -9}, ErrorCase{"ArrayAtEndAfterComma", "[1,", -8},
                    ErrorCase{"ArrayAtEnd", "[1", -9}, ErrorCase{"BadElement", "[x]", -8},
                    ErrorCase{"EscapeInsideArray", "[\"\\q\"]", -8}, ErrorCase{"Apostrophe", "'a'", -11},
                    ErrorCase{"UnterminatedString", "\"abc", -11}, ErrorCase{"BadUnicode", "\"\\u12G4\"", -12},
                    ErrorCase{"ShortUnicodeAtEnd", "\"\\u12", -12}, ErrorCase{"UnknownEscape", "\"\\q\"", -13},
                    ErrorCase{"BackslashAtEnd", "\"a\\", -13}, ErrorCase{"TooDeep", std::string(600, '['), -15}),
    [](const testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

TEST(CJSONScannerTest, DirectCallsReportTheirOwnStartErrors) {
  platform::Error error;
  EXPECT_FALSE(CJSONScanner::scannerWithData(std::string_view("[]"))->scanJSONDictionary(nullptr, &error));
  EXPECT_EQ(-1, error.code);
  EXPECT_FALSE(CJSONScanner::scannerWithData(std::string_view("{}"))->scanJSONArray(nullptr, &error));
  EXPECT_EQ(-7, error.code);
  EXPECT_FALSE(CJSONScanner::scannerWithData(std::string_view("x"))->scanJSONNumberConstant(nullptr, &error));
  EXPECT_EQ(-14, error.code);
}

TEST(CJSONDeserializerTest, NoDataAndDictionaryOnly) {
  platform::Error error;
  EXPECT_FALSE(read("", &error));
  EXPECT_EQ("CJSONDeserializerErrorDomain", error.domain);
  EXPECT_EQ(-1, error.code);
  EXPECT_TRUE(error.description.empty());

  CJSONDeserializer* deserializer = CJSONDeserializer::deserializer();
  EXPECT_EQ(Value(Value::Dict{{"k", "v"}}), deserializer->deserializeAsDictionary("\n {\"k\":\"v\"}"));
  EXPECT_FALSE(deserializer->deserializeAsDictionary("[1]", &error));
  EXPECT_EQ("CJSONScannerErrorDomain", error.domain);
  EXPECT_EQ(-1, error.code);
  EXPECT_EQ(Value(1.0), json::dictionaryWithJSONData(std::span<const uint8_t>(
                            reinterpret_cast<const uint8_t*>("1"), 1)));
}

// [SECTION] Hostile inputs

TEST(CJSONScannerTest, DeepNestingEndsWithAnError) {
  // At the limit it reads; one deeper and 100,000 deep fail cleanly.
  const int limit = CJSONScanner::kMaxDepth;
  const std::string ok = std::string(limit, '[') + std::string(limit, ']');
  EXPECT_TRUE(read(ok));
  for (std::string deep : {std::string(limit + 1, '[') + std::string(limit + 1, ']'),
                           std::string(100000, '[')}) {
    platform::Error error;
    EXPECT_FALSE(read(deep, &error));
    EXPECT_EQ(-15, error.code);
  }
  // Mixed: arrays inside dictionaries.
  std::string mixed;
  for (int i = 0; i < 100000; ++i) mixed += "{\"a\":[";
  platform::Error error;
  EXPECT_FALSE(read(mixed, &error));
  EXPECT_EQ(-15, error.code);
}

TEST(CJSONScannerTest, HugeStringsRead) {
  // 100 MB of text with an escape at each end, then the same without its
  // closing quote.
  std::string input = "[\"\\n";
  input.append(100u << 20, 'x');
  input += "\\t\"]";
  auto value = read(input);
  ASSERT_TRUE(value);
  const std::string& text = (*value)[0].asString();
  ASSERT_EQ((100u << 20) + 2, text.size());
  EXPECT_EQ('\n', text.front());
  EXPECT_EQ('\t', text.back());
  value.reset();
  input.resize(input.size() - 3);
  platform::Error error;
  EXPECT_FALSE(read(input, &error));
  EXPECT_EQ(-8, error.code);
}

}  // namespace
