#include "platform/Value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <ostream>

namespace platform {
// Failure messages show values in their property-list form.
void PrintTo(const Value& value, std::ostream* out) { *out << value.description(); }
}  // namespace platform

using platform::Value;
using Dict = platform::Value::Dict;
using Array = platform::Value::Array;

namespace {

/// An object equal to any other Tagged with the same tag.
class Tagged : public platform::Object {
 public:
  explicit Tagged(int tag) : tag_(tag) {}
  bool isEqual(const platform::Object* other) const override {
    const auto* tagged = dynamic_cast<const Tagged*>(other);
    return tagged && tagged->tag_ == tag_;
  }

 private:
  int tag_;
};

TEST(ValueConversionTest, StringsParseAndNumbersTruncateSaturating) {
  EXPECT_EQ(Value(" -12abc").intValue(), -12);
  EXPECT_EQ(Value("99999999999").intValue(), INT32_MAX);
  EXPECT_EQ(Value("0x1A").intValue(), 0);
  EXPECT_EQ(Value("007").intValue(), 7);
  EXPECT_EQ(Value("  1e").floatValue(), 1.0f);
  EXPECT_TRUE(Value("YES").boolValue());
  EXPECT_FALSE(Value("NO").boolValue());
  EXPECT_EQ(Value(3.9).intValue(), 3);
  EXPECT_EQ(Value(-3.9).intValue(), -3);
  EXPECT_EQ(Value(1e20).intValue(), INT32_MAX);
  EXPECT_EQ(Value(-1e30).longLongValue(), INT64_MIN);
  EXPECT_EQ(Value(std::nan("")).intValue(), 0);
  EXPECT_EQ(Value(int64_t{5'000'000'000}).intValue(), INT32_MAX);
  EXPECT_EQ(Value(true).intValue(), 1);
  EXPECT_TRUE(Value(0.25).boolValue());
  EXPECT_FALSE(Value(0.0).boolValue());
  EXPECT_EQ(Value(16777217).floatValue(), 16777216.0f);
  // Property-list readers hand negative numbers over as unsigned 64-bit.
  EXPECT_EQ(Value(static_cast<uint64_t>(-20)).intValue(), -20);
}

TEST(ValueConversionTest, NullMissingAndOtherKindsReadAsEmpty) {
  const Value plist = Dict{{"frames", Dict{{"a.png", Array{1, 2}}}}};
  const Value& missing = plist["metadata"];
  EXPECT_TRUE(missing.isNull());
  EXPECT_EQ(missing.intValue(), 0);
  EXPECT_FALSE(missing.boolValue());
  EXPECT_EQ(missing.stringValue(), "");
  EXPECT_TRUE(plist["metadata"]["format"][3].isNull());  // chained lookups stay safe
  EXPECT_EQ(plist["frames"]["a.png"][1].intValue(), 2);
  EXPECT_TRUE(plist["frames"]["a.png"][2].isNull());
  for (const Value& other : {plist, Value(Array{7}), Value(Value::Data{1, 2})}) {
    EXPECT_EQ(other.intValue(), 0);
    EXPECT_EQ(other.doubleValue(), 0.0);
    EXPECT_FALSE(other.boolValue());
    EXPECT_EQ(other.stringValue(), "");
  }
  EXPECT_TRUE(Value(42).asString().empty());
  EXPECT_TRUE(Value("x").asArray().empty());
  EXPECT_TRUE(Value(1.5).asDict().empty());
  EXPECT_EQ(Value("x").asObject(), nullptr);
  EXPECT_EQ(Value(1).asMutableDict(), nullptr);
  EXPECT_TRUE(Value(static_cast<const char*>(nullptr)).isNull());
}

TEST(ValueConversionTest, StringValueOfNumbers) {
  EXPECT_EQ(Value(0.5).stringValue(), "0.5");
  EXPECT_EQ(Value(1.0).stringValue(), "1");
  EXPECT_EQ(Value(1e20).stringValue(), "1e+20");
  EXPECT_EQ(Value(0.1).stringValue(), "0.1");
  EXPECT_EQ(Value(-2.5).stringValue(), "-2.5");
  EXPECT_EQ(Value(-20).stringValue(), "-20");
  EXPECT_EQ(Value(INT64_MIN).stringValue(), "-9223372036854775808");
  EXPECT_EQ(Value(true).stringValue(), "1");
  EXPECT_EQ(Value(false).stringValue(), "0");
  EXPECT_EQ(Value("text").stringValue(), "text");
}

TEST(ValueKindTest, BoolIntegerAndRealStayDistinct) {
  EXPECT_EQ(Value(true).kind(), Value::Kind::Bool);
  EXPECT_EQ(Value(1).kind(), Value::Kind::Integer);
  EXPECT_EQ(Value(1.0).kind(), Value::Kind::Real);
  EXPECT_EQ(Value(1.0f).kind(), Value::Kind::Real);
  EXPECT_EQ(Value('A').kind(), Value::Kind::Integer);
  EXPECT_EQ(Value(std::string("s")).kind(), Value::Kind::String);
}

TEST(ValueEqualityTest, NumbersCompareByValueAcrossKinds) {
  EXPECT_EQ(Value(1), Value(1.0));
  EXPECT_EQ(Value(true), Value(1));
  EXPECT_EQ(Value(true), Value(1.0));
  EXPECT_NE(Value(true), Value(2));
  EXPECT_NE(Value(1), Value(1.5));
  EXPECT_NE(Value(1), Value("1"));
  EXPECT_NE(Value(), Value(0));
  // Exact: 2^53 + 1 has no double, so it must not equal the rounded 2^53.
  EXPECT_NE(Value(int64_t{9007199254740993}), Value(9007199254740992.0));
  EXPECT_NE(Value(INT64_MAX), Value(9223372036854775808.0));
}

TEST(ValueEqualityTest, ContainersCompareDeeplyAndDictionariesIgnoreOrder) {
  const Value left = Dict{{"a", 1}, {"b", Array{1.0, "x", Dict{{"flag", true}}}}};
  const Value right = Dict{{"b", Array{true, "x", Dict{{"flag", 1}}}}, {"a", 1.0}};
  EXPECT_EQ(left, right);
  EXPECT_NE(left, Value(Dict{{"a", 1}}));
  EXPECT_NE(Value(Dict{{"a", Value()}}), Value(Dict{}));
  EXPECT_NE(Value(Array{1, 2}), Value(Array{2, 1}));
  EXPECT_EQ(Value(Value::Data{1, 2}), Value(Value::Data{1, 2}));
  EXPECT_NE(Value(Value::Data{1, 2}), Value(Array{1, 2}));
}

TEST(ValueEqualityTest, ObjectsCompareThroughIsEqualAndAreRetained) {
  auto* first = new Tagged(7);
  auto* second = new Tagged(7);
  auto* other = new Tagged(8);
  {
    const Value held(first);
    EXPECT_EQ(first->retainCount(), 2u);
    EXPECT_EQ(held.asObject(), first);
    EXPECT_EQ(held, Value(second));
    EXPECT_NE(held, Value(other));
    Value copy = held;
    EXPECT_EQ(first->retainCount(), 3u);
  }
  EXPECT_EQ(first->retainCount(), 1u);
  first->release();
  second->release();
  other->release();
}

TEST(ValueDictTest, KeepsInsertionOrderAndReplacesInPlace) {
  Dict dict;
  dict.set("c", 1);
  dict.set("a", 2);
  dict.set("b", 3);
  dict.set("a", "replaced");
  std::vector<std::string> keys;
  for (const auto& [key, value] : dict) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"c", "a", "b"}));
  EXPECT_EQ(dict["a"].stringValue(), "replaced");

  EXPECT_TRUE(dict.erase("a"));
  EXPECT_FALSE(dict.erase("a"));
  dict.set("a", 4);  // back after erasing: goes to the end
  keys.clear();
  for (const auto& entry : dict) keys.push_back(entry.key);
  EXPECT_EQ(keys, (std::vector<std::string>{"c", "b", "a"}));
  // A literal with a repeated key keeps the first position and the last value.
  const Dict repeated{{"x", 1}, {"y", 2}, {"x", 3}};
  EXPECT_EQ(repeated.size(), 2u);
  EXPECT_EQ(repeated.begin()->key, "x");
  EXPECT_EQ(repeated["x"].intValue(), 3);
}

TEST(ValueDictTest, LargeDictionariesFindEveryKeyAfterErasesAndCopies) {
  Dict dict;
  for (int i = 0; i < 200; ++i) dict.set("key" + std::to_string(i), i);
  for (int i = 0; i < 200; i += 3) dict.erase("key" + std::to_string(i));
  Dict copy = dict;
  copy.set("key1", "changed");
  copy.set("extra", 1);
  int previous = -1;
  for (const auto& entry : dict) {
    EXPECT_GT(entry.value.intValue(), previous);  // order survives the erases
    previous = entry.value.intValue();
  }
  for (int i = 0; i < 200; ++i) {
    const std::string key = "key" + std::to_string(i);
    EXPECT_EQ(dict.contains(key), i % 3 != 0) << key;
    if (i % 3 != 0) {
      EXPECT_EQ(dict[key].intValue(), i);
    }
  }
  EXPECT_EQ(dict["key1"].intValue(), 1);
  EXPECT_FALSE(dict.contains("extra"));
  EXPECT_EQ(copy["key1"].stringValue(), "changed");
  EXPECT_EQ(copy.size(), dict.size() + 1);
}

TEST(ValueLifetimeTest, AssigningAnElementOfItselfAndMovingAreSafe) {
  Value nested = Array{Array{"inner", 2}, 3};
  nested = nested[0];  // the source lives inside the destination
  EXPECT_EQ(nested, Value(Array{"inner", 2}));
  nested = std::move((*nested.asMutableArray())[0]);
  EXPECT_EQ(nested.stringValue(), "inner");

  Value dict = Dict{{"child", Dict{{"k", 1}}}};
  dict = dict["child"];
  EXPECT_EQ(dict["k"].intValue(), 1);
  Value moved = std::move(dict);
  EXPECT_TRUE(dict.isNull());  // NOLINT(bugprone-use-after-move): documented state
  EXPECT_EQ(moved.size(), 1u);
  moved.asMutableDict()->set("k", 5);
  EXPECT_EQ(moved["k"].intValue(), 5);
}

TEST(ValueDescriptionTest, PropertyListStyle) {
  const Value value = Dict{{"keys", Array{1, "b.png", "ab_1", ""}}, {"two words", Value::Data{0x0a, 0x1b, 0x2c, 0x3d, 4}}};
  EXPECT_EQ(value.description(),
            "{\n"
            "    keys = (\n"
            "        1,\n"
            "        \"b.png\",\n"
            "        ab_1,\n"
            "        \"\"\n"
            "    );\n"
            "    \"two words\" = <0a1b2c3d 04>;\n"
            "}");
  EXPECT_EQ(Value("plain text").description(), "plain text");
  EXPECT_EQ(Value().description(), "<null>");
}

}  // namespace
