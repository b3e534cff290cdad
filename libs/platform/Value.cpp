#include "platform/Value.h"
#ifdef __EMSCRIPTEN__
#include "platform/web/FloatChars.h"
#endif

#include "platform/StringUtils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>

// [SECTION] Construction and assignment
// [SECTION] Typed access
// [SECTION] Conversions
// [SECTION] Description
// [SECTION] Equality
// [SECTION] Dict

namespace platform {

namespace {

constexpr std::size_t kDictionaryIndex = static_cast<std::size_t>(Value::Kind::Dictionary);
constexpr std::size_t kObjectIndex = static_cast<std::size_t>(Value::Kind::Object);

/// Truncates toward zero, saturating at the int64 limits; NaN gives 0.
int64_t truncatedToInt64(double value) {
  if (std::isnan(value)) return 0;
  // 2^63 is exactly representable; every double below it and at or above
  // -2^63 converts without overflow.
  if (value >= 9223372036854775808.0) return INT64_MAX;
  if (value < -9223372036854775808.0) return INT64_MIN;
  return static_cast<int64_t>(value);
}

/// True when the real `real` has exactly the integer value `integer`.
bool realEqualsInteger(double real, int64_t integer) {
  if (!(real >= -9223372036854775808.0 && real < 9223372036854775808.0)) return false;
  if (std::trunc(real) != real) return false;
  return static_cast<int64_t>(real) == integer;
}

}  // namespace

// [SECTION] Construction and assignment

const Value& Value::null() {
  static const Value value;
  return value;
}

Value::Value(const char* text) {
  if (text) storage_.emplace<std::string>(text);
}

Value::Value(Dict entries) : storage_(std::in_place_index<kDictionaryIndex>, std::move(entries)) {}

Value::Value(platform::Object* object) {
  if (object) storage_.emplace<kObjectIndex>(object);
}

Value::Value(const Value& other) = default;

Value::Value(Value&& other) noexcept : storage_(std::move(other.storage_)) {
  other.storage_.emplace<std::monostate>();
}

Value& Value::operator=(const Value& other) {
  // Copy first: `other` may be an element of this value.
  Value copy(other);
  return *this = std::move(copy);
}

Value& Value::operator=(Value&& other) noexcept {
  if (this != &other) {
    Storage taken(std::move(other.storage_));
    other.storage_.emplace<std::monostate>();
    storage_ = std::move(taken);
  }
  return *this;
}

Value::~Value() = default;

// [SECTION] Typed access

const std::string& Value::asString() const {
  static const std::string empty;
  const auto* text = std::get_if<std::string>(&storage_);
  return text ? *text : empty;
}

const Value::Data& Value::asData() const {
  static const Data empty;
  const auto* bytes = std::get_if<Data>(&storage_);
  return bytes ? *bytes : empty;
}

const Value::Array& Value::asArray() const {
  static const Array empty;
  const auto* elements = std::get_if<Array>(&storage_);
  return elements ? *elements : empty;
}

const Value::Dict& Value::asDict() const {
  static const Dict empty;
  const auto* box = std::get_if<kDictionaryIndex>(&storage_);
  return box ? *box->get() : empty;
}

platform::Object* Value::asObject() const {
  const auto* object = std::get_if<kObjectIndex>(&storage_);
  return object ? object->get() : nullptr;
}

Value::Array* Value::asMutableArray() { return std::get_if<Array>(&storage_); }

Value::Dict* Value::asMutableDict() {
  auto* box = std::get_if<kDictionaryIndex>(&storage_);
  return box ? box->get() : nullptr;
}

const Value& Value::operator[](std::size_t index) const {
  const auto* elements = std::get_if<Array>(&storage_);
  return elements && index < elements->size() ? (*elements)[index] : null();
}

const Value& Value::operator[](std::string_view key) const { return asDict().get(key); }

std::size_t Value::size() const {
  if (const auto* elements = std::get_if<Array>(&storage_)) return elements->size();
  if (const auto* box = std::get_if<kDictionaryIndex>(&storage_)) return box->get()->size();
  return 0;
}

// [SECTION] Conversions

int64_t Value::longLongValue() const {
  switch (kind()) {
    case Kind::Bool: return std::get<bool>(storage_) ? 1 : 0;
    case Kind::Integer: return std::get<int64_t>(storage_);
    case Kind::Real: return truncatedToInt64(std::get<double>(storage_));
    case Kind::String: return platform::longLongValue(std::get<std::string>(storage_));
    default: return 0;
  }
}

int32_t Value::intValue() const {
  return static_cast<int32_t>(std::clamp<int64_t>(longLongValue(), INT32_MIN, INT32_MAX));
}

double Value::doubleValue() const {
  switch (kind()) {
    case Kind::Bool: return std::get<bool>(storage_) ? 1.0 : 0.0;
    case Kind::Integer: return static_cast<double>(std::get<int64_t>(storage_));
    case Kind::Real: return std::get<double>(storage_);
    case Kind::String: return platform::doubleValue(std::get<std::string>(storage_));
    default: return 0.0;
  }
}

float Value::floatValue() const {
  // An integer converts straight to float (one rounding, not two).
  if (const auto* integer = std::get_if<int64_t>(&storage_)) return static_cast<float>(*integer);
  return static_cast<float>(doubleValue());
}

bool Value::boolValue() const {
  switch (kind()) {
    case Kind::Bool: return std::get<bool>(storage_);
    case Kind::Integer: return std::get<int64_t>(storage_) != 0;
    case Kind::Real: return std::get<double>(storage_) != 0.0;
    case Kind::String: return platform::boolValue(std::get<std::string>(storage_));
    default: return false;
  }
}

std::string Value::stringValue() const {
  char buffer[64];
  switch (kind()) {
    case Kind::Bool: return std::get<bool>(storage_) ? "1" : "0";
    case Kind::Integer: {
      const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::get<int64_t>(storage_));
      return std::string(buffer, result.ptr);
    }
    case Kind::Real: {
#ifdef __EMSCRIPTEN__
      const auto result = platform::web::toChars(buffer, buffer + sizeof buffer, std::get<double>(storage_));
#else
      const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::get<double>(storage_));
#endif
      return std::string(buffer, result.ptr);
    }
    case Kind::String: return std::get<std::string>(storage_);
    default: return std::string();
  }
}

// [SECTION] Description

namespace {

bool needsQuotes(std::string_view text) {
  if (text.empty()) return true;
  return !std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  });
}

void appendQuotedIfNeeded(std::string& out, std::string_view text) {
  if (!needsQuotes(text)) {
    out.append(text);
    return;
  }
  out.push_back('"');
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (c == '\n') {
      out.append("\\n");
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
}

void appendIndent(std::string& out, int depth) { out.append(static_cast<std::size_t>(depth) * 4, ' '); }

}  // namespace

std::string Value::description() const {
  if (isString()) return asString();
  std::string out;
  describeInto(out, 0);
  return out;
}

void Value::describeInto(std::string& out, int depth) const {
  switch (kind()) {
    case Kind::Null: out.append("<null>"); break;
    case Kind::Bool:
    case Kind::Integer:
    case Kind::Real: out.append(stringValue()); break;
    case Kind::String: appendQuotedIfNeeded(out, asString()); break;
    case Kind::Data: {
      static constexpr char kHex[] = "0123456789abcdef";
      const Data& bytes = asData();
      out.push_back('<');
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0 && i % 4 == 0) out.push_back(' ');
        out.push_back(kHex[bytes[i] >> 4]);
        out.push_back(kHex[bytes[i] & 0xF]);
      }
      out.push_back('>');
      break;
    }
    case Kind::Array: {
      const Array& elements = asArray();
      out.append("(\n");
      for (std::size_t i = 0; i < elements.size(); ++i) {
        appendIndent(out, depth + 1);
        elements[i].describeInto(out, depth + 1);
        out.append(i + 1 < elements.size() ? ",\n" : "\n");
      }
      appendIndent(out, depth);
      out.push_back(')');
      break;
    }
    case Kind::Dictionary: {
      out.append("{\n");
      for (const Dict::Entry& entry : asDict()) {
        appendIndent(out, depth + 1);
        appendQuotedIfNeeded(out, entry.key);
        out.append(" = ");
        entry.value.describeInto(out, depth + 1);
        out.append(";\n");
      }
      appendIndent(out, depth);
      out.push_back('}');
      break;
    }
    case Kind::Object: out.append(describe(asObject())); break;
  }
}

// [SECTION] Equality

bool operator==(const Value& lhs, const Value& rhs) {
  using Kind = Value::Kind;
  if (lhs.isNumber() && rhs.isNumber()) {
    if (lhs.isReal() && rhs.isReal()) return lhs.doubleValue() == rhs.doubleValue();
    if (lhs.isReal()) return realEqualsInteger(lhs.doubleValue(), rhs.longLongValue());
    if (rhs.isReal()) return realEqualsInteger(rhs.doubleValue(), lhs.longLongValue());
    return lhs.longLongValue() == rhs.longLongValue();
  }
  if (lhs.kind() != rhs.kind()) return false;
  switch (lhs.kind()) {
    case Kind::Null: return true;
    case Kind::String: return lhs.asString() == rhs.asString();
    case Kind::Data: return lhs.asData() == rhs.asData();
    case Kind::Array: return lhs.asArray() == rhs.asArray();
    case Kind::Dictionary: return lhs.asDict() == rhs.asDict();
    case Kind::Object: return lhs.asObject()->isEqual(rhs.asObject());
    default: return false;  // numbers are handled above
  }
}

// [SECTION] Dict

namespace {

std::size_t hashKey(std::string_view key) { return std::hash<std::string_view>{}(key); }

}  // namespace

Value::Dict::Dict(std::initializer_list<Entry> entries) {
  for (const Entry& entry : entries) set(entry.key, entry.value);
}

std::size_t Value::Dict::indexOf(std::string_view key) const {
  if (slots_.empty()) {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].key == key) return i;
    }
    return kMissing;
  }
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t slot = hashKey(key) & mask;; slot = (slot + 1) & mask) {
    const uint32_t stored = slots_[slot];
    if (stored == 0) return kMissing;
    if (entries_[stored - 1].key == key) return stored - 1;
  }
}

void Value::Dict::addToIndex(std::size_t entryIndex) {
  // The table is at most half full, so a free slot is always found.
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = hashKey(entries_[entryIndex].key) & mask;
  while (slots_[slot] != 0) slot = (slot + 1) & mask;
  slots_[slot] = static_cast<uint32_t>(entryIndex + 1);
}

void Value::Dict::rebuildIndex() {
  slots_.clear();
  if (entries_.size() < kIndexThreshold) return;
  std::size_t capacity = 16;
  while (capacity < entries_.size() * 2) capacity *= 2;
  slots_.assign(capacity, 0);
  for (std::size_t i = 0; i < entries_.size(); ++i) addToIndex(i);
}

const Value* Value::Dict::find(std::string_view key) const {
  const std::size_t index = indexOf(key);
  return index == kMissing ? nullptr : &entries_[index].value;
}

Value* Value::Dict::find(std::string_view key) {
  const std::size_t index = indexOf(key);
  return index == kMissing ? nullptr : &entries_[index].value;
}

const Value& Value::Dict::get(std::string_view key) const {
  const Value* found = find(key);
  return found ? *found : Value::null();
}

Value& Value::Dict::set(std::string key, Value value) {
  if (Value* existing = find(key)) {
    *existing = std::move(value);
    return *existing;
  }
  entries_.push_back(Entry{std::move(key), std::move(value)});
  if (entries_.size() >= kIndexThreshold) {
    if (slots_.size() < entries_.size() * 2) {
      rebuildIndex();
    } else {
      addToIndex(entries_.size() - 1);
    }
  }
  return entries_.back().value;
}

bool Value::Dict::erase(std::string_view key) {
  const std::size_t index = indexOf(key);
  if (index == kMissing) return false;
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
  rebuildIndex();
  return true;
}

void Value::Dict::clear() {
  entries_.clear();
  slots_.clear();
}

bool operator==(const Value::Dict& lhs, const Value::Dict& rhs) {
  if (lhs.size() != rhs.size()) return false;
  for (const Value::Dict::Entry& entry : lhs) {
    const Value* other = rhs.find(entry.key);
    if (!other || !(entry.value == *other)) return false;
  }
  return true;
}

}  // namespace platform
