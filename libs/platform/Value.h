#pragma once
// platform::Value: the dynamic value of property lists, JSON, map properties
// and score dictionaries.

#include "platform/Object.h"
#include "platform/Ref.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace platform {

namespace detail {

/// Owns one T on the heap and copies it deeply. Lets Value hold a Dict, whose
/// entries hold Values, inside its variant. A moved-from Box is empty.
template <class T>
class Box {
 public:
  explicit Box(T value) : value_(std::make_unique<T>(std::move(value))) {}
  Box(const Box& other) : value_(other.value_ ? std::make_unique<T>(*other.value_) : nullptr) {}
  Box(Box&&) noexcept = default;
  Box& operator=(const Box& other) {
    Box copy(other);
    value_ = std::move(copy.value_);
    return *this;
  }
  Box& operator=(Box&&) noexcept = default;
  ~Box() = default;

  T* get() const { return value_.get(); }

 private:
  std::unique_ptr<T> value_;
};

}  // namespace detail

/// The dynamic value of property lists, JSON, map properties and score
/// dictionaries.
///
/// A Value is one of: null, bool, integer (int64), real (double), string
/// (UTF-8), data (bytes), array, dictionary or object (a retained
/// platform::Object). Bool, integer and real stay distinct kinds, so a writer
/// can tell `true` from `1` and `1` from `1.0`.
///
/// Reading never fails: the conversions (intValue, boolValue, stringValue...)
/// work on every kind, and the typed accessors (asString, asArray, asDict...)
/// return a shared empty value for another kind. Looking up a missing key or
/// index gives a shared null, which reads as 0 / false / "".
///
/// Values are copied deeply (containers included); a moved-from Value is null.
///
/// Cost: a Value is about 40 bytes; a dictionary is a vector of entries in
/// insertion order, with a hash index once it holds more than a few keys.
class Value {
 public:
  /// What a Value holds (kind()).
  enum class Kind : uint8_t { Null, Bool, Integer, Real, String, Data, Array, Dictionary, Object };
  using Data = std::vector<uint8_t>;
  using Array = std::vector<Value>;
  class Dict;

  /// The shared null value (what a missing key reads as).
  static const Value& null();

  // Construction. Default: null.
  Value() noexcept = default;
  Value(std::nullptr_t) noexcept {}
  Value(bool value) : storage_(value) {}
  /// Any integer type except bool. Unsigned values above INT64_MAX wrap to
  /// negative (how property lists store negative numbers).
  template <class T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool>)
  Value(T value) : storage_(static_cast<int64_t>(value)) {}
  Value(double value) : storage_(value) {}
  Value(float value) : storage_(static_cast<double>(value)) {}
  /// A null pointer gives a null Value.
  Value(const char* text);
  Value(std::string text) : storage_(std::move(text)) {}
  Value(std::string_view text) : storage_(std::string(text)) {}
  Value(Data bytes) : storage_(std::move(bytes)) {}
  Value(Array elements) : storage_(std::move(elements)) {}
  Value(Dict entries);
  /// Retains `object`; a null pointer gives a null Value.
  Value(platform::Object* object);
  Value(const Ref<platform::Object>& object) : Value(object.get()) {}

  Value(const Value& other);
  /// Leaves `other` null.
  Value(Value&& other) noexcept;
  /// Safe when `other` lives inside this value (an element being promoted).
  Value& operator=(const Value& other);
  Value& operator=(Value&& other) noexcept;
  ~Value();

  // Kind.
  Kind kind() const { return static_cast<Kind>(storage_.index()); }
  bool isNull() const { return kind() == Kind::Null; }
  bool isBool() const { return kind() == Kind::Bool; }
  bool isInteger() const { return kind() == Kind::Integer; }
  bool isReal() const { return kind() == Kind::Real; }
  /// Bool, integer or real.
  bool isNumber() const { return isBool() || isInteger() || isReal(); }
  bool isString() const { return kind() == Kind::String; }
  bool isData() const { return kind() == Kind::Data; }
  bool isArray() const { return kind() == Kind::Array; }
  bool isDict() const { return kind() == Kind::Dictionary; }
  bool isObject() const { return kind() == Kind::Object; }

  // Typed access: the held value, or a shared empty one for another kind.
  const std::string& asString() const;
  const Data& asData() const;
  const Array& asArray() const;
  const Dict& asDict() const;
  /// The held object, or nullptr.
  platform::Object* asObject() const;
  /// The held array / dictionary for editing in place, or nullptr for another
  /// kind. The pointer is valid until this value is assigned or destroyed.
  Array* asMutableArray();
  Dict* asMutableDict();

  /// Element `index` of an array, or the shared null (another kind, or out of
  /// range).
  const Value& operator[](std::size_t index) const;
  /// The value under `key` of a dictionary, or the shared null.
  const Value& operator[](std::string_view key) const;
  /// Number of elements of an array or entries of a dictionary; 0 otherwise.
  std::size_t size() const;

  // Conversions. Numbers convert numerically; strings are parsed (leading
  // white space skipped, longest valid prefix, "0x1A" reads as 0); every
  // other kind reads as 0 / false / "".

  /// Saturated at the int32 limits; reals truncate toward zero, NaN gives 0.
  int32_t intValue() const;
  /// Saturated at the int64 limits; reals truncate toward zero, NaN gives 0.
  int64_t longLongValue() const;
  float floatValue() const;
  double doubleValue() const;
  /// Numbers: not zero. Strings: true when, after white space, an optional
  /// sign and leading zeros, the text starts with Y, y, T, t or 1-9.
  bool boolValue() const;
  /// Integers in decimal; bool as "1" / "0"; reals as the shortest text that
  /// reads back the same ("0.5", "1", "1e+20"); a string is itself; every
  /// other kind gives "".
  std::string stringValue() const;

  /// Property-list style text for logs and `%@`: strings as they are at the top
  /// level and quoted inside containers when they hold anything but
  /// [A-Za-z0-9_]; arrays "(\n    a,\n    b\n)"; dictionaries
  /// "{\n    key = value;\n}"; data "<0a1b2c3d 04>"; null "<null>"; objects
  /// their own description().
  std::string description() const;

  /// Deep equality. Numbers compare by value across kinds (true == 1 == 1.0;
  /// integers and reals exactly, without rounding); strings and data by
  /// content; arrays element by element; dictionaries by content regardless
  /// of order; objects through isEqual (two null objects are equal).
  friend bool operator==(const Value& lhs, const Value& rhs);

 private:
  // The alternative order matches Kind.
  using Storage = std::variant<std::monostate, bool, int64_t, double, std::string, Data, Array,
                               detail::Box<Dict>, Ref<platform::Object>>;

  void describeInto(std::string& out, int depth) const;

  Storage storage_;
};

/// Insertion-ordered dictionary with string keys. Setting an existing key
/// replaces its value in place (the key keeps its position); erasing keeps
/// the order of the rest. Iteration visits entries in order.
/// Cost: lookups scan the entries while there are few of them and use an
/// open-addressing index beyond that; erase is linear in the size.
class Value::Dict {
 public:
  /// One key and its value.
  struct Entry {
    std::string key;
    Value value;
  };
  using const_iterator = std::vector<Entry>::const_iterator;

  Dict() = default;
  /// Entries in order; a repeated key replaces the earlier value in place.
  Dict(std::initializer_list<Entry> entries);

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }

  bool contains(std::string_view key) const { return indexOf(key) != kMissing; }
  /// The value under `key`, or nullptr.
  const Value* find(std::string_view key) const;
  Value* find(std::string_view key);
  /// The value under `key`, or the shared null.
  const Value& get(std::string_view key) const;
  const Value& operator[](std::string_view key) const { return get(key); }

  /// Stores `value` under `key`: in place when the key exists, appended
  /// otherwise. Returns the stored value (valid until the next change).
  Value& set(std::string key, Value value);
  /// Removes `key`; returns whether it was there.
  bool erase(std::string_view key);
  void clear();

  /// Same keys with equal values, in any order.
  friend bool operator==(const Dict& lhs, const Dict& rhs);

 private:
  static constexpr std::size_t kMissing = static_cast<std::size_t>(-1);
  /// Below this many entries lookups scan and no index is kept.
  static constexpr std::size_t kIndexThreshold = 8;

  std::size_t indexOf(std::string_view key) const;
  void rebuildIndex();
  void addToIndex(std::size_t entryIndex);

  std::vector<Entry> entries_;
  /// Open-addressing table of entry index + 1 (0 = free slot); its size is a
  /// power of two at least twice the entry count, or 0 while below the
  /// threshold.
  std::vector<uint32_t> slots_;
};

}  // namespace platform
