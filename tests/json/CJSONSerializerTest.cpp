// The JSON writer, and write-then-read round trips over generated documents.

#include "json/CJSONDeserializer.h"
#include "json/CJSONScanner.h"
#include "json/CJSONSerializer.h"
#include "platform/Exception.h"
#include "platform/Ref.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

using json::CJSONSerializer;
using platform::Value;

namespace {

std::string write(const Value& value) { return CJSONSerializer::serializer()->serializeObject(value); }

std::string exceptionReason(const Value& value) {
  try {
    write(value);
  } catch (const platform::Exception& exception) {
    return exception.reason();
  }
  return "no exception";
}

// [SECTION] Writing

TEST(CJSONSerializerTest, Scalars) {
  EXPECT_EQ("\"a\\/b\"", write(Value("a/b")));
  EXPECT_EQ("true", write(Value(true)));
  EXPECT_EQ("false", write(Value(false)));
  EXPECT_EQ("1", write(Value(1)));
  EXPECT_EQ("-9007199254740993", write(Value(int64_t{-9007199254740993})));
  EXPECT_EQ("1", write(Value(1.0)));
  EXPECT_EQ("0.1", write(Value(0.1)));
  EXPECT_EQ("1e+300", write(Value(1e300)));
  EXPECT_EQ("null", write(Value()));
  EXPECT_EQ("null", CJSONSerializer::serializer()->serializeNull());
}

TEST(CJSONSerializerTest, StringEscapesAndPassThrough) {
  EXPECT_EQ(R"("\\\"\/\b\f\n\r\t")", write(Value("\\\"/\b\f\n\r\t")));
  // Other control characters as \u00XX (a raw leading NUL would read back
  // as UTF-32); non-ASCII text is written as it is.
  EXPECT_EQ("\"\\u0000\\u001f\x7F\xC3\xA9\xED\xA0\xBD\"",
            write(Value(std::string("\0\x1F\x7F\xC3\xA9\xED\xA0\xBD", 8))));
  const std::string nul("\0\0\0x", 4);
  EXPECT_EQ(Value(nul), json::CJSONDeserializer::deserializer()->deserialize(write(Value(nul))));
}

TEST(CJSONSerializerTest, CollectionsInOrderWithoutSpace) {
  const Value element("x");
  EXPECT_EQ("[\"x\",2,\"x\"]", write(Value(Value::Array{element, 2, element})));
  Value::Dict dictionary{{"z", 1}, {"a", Value::Array{}}, {"m", Value::Dict{}}};
  EXPECT_EQ("{\"z\":1,\"a\":[],\"m\":{}}", write(Value(dictionary)));
  EXPECT_EQ(write(Value(dictionary)), CJSONSerializer::serializer()->serializeDictionary(dictionary));
  EXPECT_EQ("{\"a\\/\\\"\":null}", write(Value(Value::Dict{{"a/\"", Value()}})));
}

TEST(CJSONSerializerTest, DataIsWrittenAsText) {
  EXPECT_EQ("\"h\\/i\"", write(Value(Value::Data{'h', '/', 'i'})));
  EXPECT_EQ("Could not serialize object '<ff00>'", exceptionReason(Value(Value::Data{0xFF, 0x00})));
}

TEST(CJSONSerializerTest, ObjectsInvalid) {
  auto object = platform::Ref<json::CJSONScanner>::adopt(new json::CJSONScanner());
  EXPECT_EQ("Cannot serialize data of type 'CJSONScanner'",
            exceptionReason(Value(Value::Array{1, Value(object.get())})));
}

// [SECTION] Round trips

/// Equal kinds (an integer may come back as a real of the same value),
/// equal contents, dictionaries in the same order.
::testing::AssertionResult sameDocument(const Value& expected, const Value& actual, const std::string& path = "$") {
  using Kind = Value::Kind;
  const bool numbers = (expected.isInteger() || expected.isReal()) && actual.isReal();
  if (expected.kind() != actual.kind() && !numbers) return ::testing::AssertionFailure() << path << ": kind differs";
  switch (expected.kind()) {
    case Kind::Array:
      if (expected.size() != actual.size()) return ::testing::AssertionFailure() << path << ": size differs";
      for (std::size_t i = 0; i < expected.size(); ++i) {
        auto result = sameDocument(expected[i], actual[i], path + "[" + std::to_string(i) + "]");
        if (!result) return result;
      }
      return ::testing::AssertionSuccess();
    case Kind::Dictionary: {
      if (expected.size() != actual.size()) return ::testing::AssertionFailure() << path << ": size differs";
      auto it = actual.asDict().begin();
      for (const auto& entry : expected.asDict()) {
        if (entry.key != it->key) return ::testing::AssertionFailure() << path << ": key order differs";
        auto result = sameDocument(entry.value, it->value, path + "." + entry.key);
        if (!result) return result;
        ++it;
      }
      return ::testing::AssertionSuccess();
    }
    default:
      if (!(expected == actual)) return ::testing::AssertionFailure() << path << ": value differs";
      return ::testing::AssertionSuccess();
  }
}

class DocumentGenerator {
 public:
  explicit DocumentGenerator(unsigned seed) : random_(seed) {}

  Value value(int depth) {
    const int kind = pick(depth > 0 ? 8 : 6);
    switch (kind) {
      case 0: return Value();
      case 1: return Value(pick(2) == 1);
      case 2: return Value(static_cast<int64_t>(random_()) - static_cast<int64_t>(1u << 31));
      case 3: return Value(real());
      case 4:
      case 5: return Value(text());
      case 6: {
        Value::Array array;
        for (int i = pick(6); i > 0; --i) array.push_back(value(depth - 1));
        return Value(std::move(array));
      }
      default: {
        Value::Dict dictionary;
        for (int i = pick(6); i > 0; --i) dictionary.set(text(), value(depth - 1));
        return Value(std::move(dictionary));
      }
    }
  }

 private:
  int pick(int count) { return static_cast<int>(random_() % static_cast<unsigned>(count)); }

  double real() {
    switch (pick(4)) {
      case 0: return std::ldexp(static_cast<double>(random_()), pick(2000) - 1000);
      case 1: return -static_cast<double>(random_()) / 1000.0;
      case 2: return static_cast<double>(pick(100));
      default: return 0.1 * pick(10) - 1e-7;
    }
  }

  std::string text() {
    static const char* const pieces[] = {"a",  "Z",    " ",        "\"",           "\\",          "/",
                                         "\n", "\t",   "\b\f\r",   "\x01",         "\x1F",        "\xC3\xA9",
                                         "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xED\xA0\xBD", "key", "{[,:]}"};
    std::string out;
    for (int i = pick(8); i > 0; --i) out += pieces[pick(static_cast<int>(std::size(pieces)))];
    return out;
  }

  std::mt19937 random_;
};

TEST(CJSONRoundTripTest, GeneratedDocumentsReadBackTheSame) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE(seed);
    DocumentGenerator generator(seed);
    const Value document = generator.value(5);
    const std::string text = write(document);
    platform::Error error;
    const auto back = json::CJSONDeserializer::deserializer()->deserialize(text, &error);
    ASSERT_TRUE(back) << error.code << " " << error.description << "\n" << text;
    EXPECT_TRUE(sameDocument(document, *back)) << text;
    // Writing what was read gives the same text again.
    EXPECT_EQ(text, write(*back));
  }
}

}  // namespace
