#include "platform/PropertyList.h"

#include "platform/Log.h"
#include "platform/StringUtils.h"

#include <plist/plist.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <system_error>
#include <utility>

namespace platform {

namespace {

// [SECTION] libplist ownership helpers

struct PlistDeleter {
  void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// Strings and buffers that libplist allocates for the caller with malloc.
struct FreeDeleter {
  void operator()(char* text) const { std::free(text); }
};
using CString = std::unique_ptr<char, FreeDeleter>;

// [SECTION] Reading: libplist tree -> Value

// Converts `node`; false when it (or something inside it) is nested too deep
// or has a type that cannot occur in a well-formed list.
bool convertNode(plist_t node, int depth, Value& out) {
  if (depth > kMaxPropertyListDepth) return false;
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      uint8_t flag = 0;
      plist_get_bool_val(node, &flag);
      out = Value(flag != 0);
      return true;
    }
    case PLIST_UINT: {
      uint64_t bits = 0;
      plist_get_uint_val(node, &bits);
      // Negative integers are stored as their unsigned two's complement.
      out = Value(static_cast<int64_t>(bits));
      return true;
    }
    case PLIST_UID: {
      uint64_t uid = 0;
      plist_get_uid_val(node, &uid);
      out = Value(static_cast<int64_t>(uid));
      return true;
    }
    case PLIST_REAL: {
      double number = 0;
      plist_get_real_val(node, &number);
      out = Value(number);
      return true;
    }
    case PLIST_DATE: {
      int32_t seconds = 0;
      int32_t microseconds = 0;
      plist_get_date_val(node, &seconds, &microseconds);
      out = Value(static_cast<double>(seconds) + static_cast<double>(microseconds) / 1e6);
      return true;
    }
    case PLIST_STRING: {
      char* raw = nullptr;
      plist_get_string_val(node, &raw);
      CString text(raw);
      out = Value(std::string(text ? text.get() : ""));
      return true;
    }
    case PLIST_DATA: {
      char* raw = nullptr;
      uint64_t length = 0;
      plist_get_data_val(node, &raw, &length);
      CString bytes(raw);
      Value::Data data;
      if (bytes && length > 0) {
        const auto* begin = reinterpret_cast<const uint8_t*>(bytes.get());
        data.assign(begin, begin + length);
      }
      out = Value(std::move(data));
      return true;
    }
    case PLIST_ARRAY: {
      const uint32_t count = plist_array_get_size(node);
      Value::Array elements;
      elements.reserve(count);
      for (uint32_t i = 0; i < count; ++i) {
        plist_t item = plist_array_get_item(node, i);
        if (item == nullptr) return false;
        Value element;
        if (!convertNode(item, depth + 1, element)) return false;
        elements.push_back(std::move(element));
      }
      out = Value(std::move(elements));
      return true;
    }
    case PLIST_DICT: {
      Value::Dict entries;
      plist_dict_iter iterator = nullptr;
      plist_dict_new_iter(node, &iterator);
      if (iterator == nullptr) {
        out = Value(std::move(entries));
        return true;
      }
      bool ok = true;
      for (;;) {
        char* rawKey = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, iterator, &rawKey, &item);
        CString key(rawKey);
        if (item == nullptr) break;
        Value element;
        if (!convertNode(item, depth + 1, element)) {
          ok = false;
          break;
        }
        // A repeated key keeps its first position and takes the later value.
        entries.set(key ? std::string(key.get()) : std::string(), std::move(element));
      }
      std::free(iterator);
      if (!ok) return false;
      out = Value(std::move(entries));
      return true;
    }
    case PLIST_KEY:
    case PLIST_NONE:
    default:
      return false;
  }
}

// [SECTION] Writing: Value -> libplist tree

// libplist takes C strings and re-encodes any that are not ASCII as UTF-16:
// an embedded NUL or a byte sequence that is not UTF-8 would be cut off
// silently, so such text is refused instead. (Lone surrogates, which the
// platform's UTF-8 carries, pass.)
bool isWritableText(const std::string& text) {
  if (text.find('\0') != std::string::npos) return false;
  bool ascii = true;
  for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  return ascii || utf16ToUtf8(utf8ToUtf16(text)) == text;
}

// nullptr when `value` holds a null or an object (directly or inside), or is
// nested too deep.
PlistPtr buildNode(const Value& value, int depth) {
  if (depth > kMaxPropertyListDepth) return nullptr;
  switch (value.kind()) {
    case Value::Kind::Bool:
      return PlistPtr(plist_new_bool(value.boolValue() ? 1 : 0));
    case Value::Kind::Integer:
      // The unsigned two's complement is how the writer recognises negatives.
      return PlistPtr(plist_new_uint(static_cast<uint64_t>(value.longLongValue())));
    case Value::Kind::Real:
      return PlistPtr(plist_new_real(value.doubleValue()));
    case Value::Kind::String: {
      const std::string& text = value.asString();
      if (!isWritableText(text)) return nullptr;
      return PlistPtr(plist_new_string(text.c_str()));
    }
    case Value::Kind::Data: {
      const Value::Data& bytes = value.asData();
      return PlistPtr(plist_new_data(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    case Value::Kind::Array: {
      PlistPtr array(plist_new_array());
      for (const Value& element : value.asArray()) {
        PlistPtr item = buildNode(element, depth + 1);
        if (!item) return nullptr;
        plist_array_append_item(array.get(), item.release());
      }
      return array;
    }
    case Value::Kind::Dictionary: {
      PlistPtr dict(plist_new_dict());
      for (const Value::Dict::Entry& entry : value.asDict()) {
        if (!isWritableText(entry.key)) return nullptr;
        PlistPtr item = buildNode(entry.value, depth + 1);
        if (!item) return nullptr;
        plist_dict_set_item(dict.get(), entry.key.c_str(), item.release());
      }
      return dict;
    }
    case Value::Kind::Null:
    case Value::Kind::Object:
    default:
      return nullptr;
  }
}

bool isBinaryPropertyList(std::span<const uint8_t> bytes) {
  static constexpr char kMagic[] = "bplist00";
  return bytes.size() >= 8 && std::memcmp(bytes.data(), kMagic, 8) == 0;
}

// [SECTION] Binary pre-check

// Big-endian unsigned integer of `width` (1 to 8) bytes at `at`.
uint64_t readBigEndian(std::span<const uint8_t> bytes, std::size_t at, std::size_t width) {
  uint64_t number = 0;
  for (std::size_t i = 0; i < width; ++i) number = (number << 8) | bytes[at + i];
  return number;
}

// libplist hands strings over as C strings and aborts (an assertion inside
// the library) when one holds U+0000, which a binary list can encode. This
// walks every object of the offset table and accepts the list only when no
// string object holds a zero character and the tables lie inside the data.
// A list refused here would otherwise abort the process.
bool binaryStringsAreSafe(std::span<const uint8_t> bytes) {
  constexpr std::size_t kHeaderSize = 8;
  constexpr std::size_t kTrailerSize = 32;
  if (bytes.size() < kHeaderSize + kTrailerSize) return false;
  const std::size_t trailer = bytes.size() - kTrailerSize;
  const std::size_t offsetSize = bytes[trailer + 6];
  if (offsetSize < 1 || offsetSize > 8) return false;
  const uint64_t objectCount = readBigEndian(bytes, trailer + 8, 8);
  const uint64_t tableOffset = readBigEndian(bytes, trailer + 24, 8);
  if (tableOffset > trailer || objectCount > (trailer - tableOffset) / offsetSize) return false;

  for (uint64_t object = 0; object < objectCount; ++object) {
    const uint64_t offset = readBigEndian(bytes, static_cast<std::size_t>(tableOffset + object * offsetSize), offsetSize);
    if (offset >= trailer) return false;
    const uint8_t marker = bytes[offset];
    const unsigned type = marker >> 4;
    if (type != 0x5 && type != 0x6) continue;  // ASCII and UTF-16 strings only

    std::size_t at = static_cast<std::size_t>(offset) + 1;
    uint64_t count = marker & 0x0F;
    if (count == 0x0F) {
      // The length follows as an integer object: marker 0x1n, then 2^n bytes.
      if (at >= trailer || (bytes[at] >> 4) != 0x1 || (bytes[at] & 0x0F) > 3) return false;
      const std::size_t width = std::size_t{1} << (bytes[at] & 0x0F);
      if (trailer - at - 1 < width) return false;
      count = readBigEndian(bytes, at + 1, width);
      at += 1 + width;
    }
    const std::size_t unit = type == 0x5 ? 1 : 2;
    if (count > (trailer - at) / unit) return false;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t position = at + i * unit;
      if (bytes[position] == 0 && (unit == 1 || bytes[position + 1] == 0)) return false;
    }
  }
  return true;
}

}  // namespace

std::optional<Value> readPropertyListData(std::span<const uint8_t> bytes) {
  if (bytes.empty()) {
    log("tessera: PropertyList: no data to read");
    return std::nullopt;
  }
  if (bytes.size() > std::numeric_limits<uint32_t>::max()) {
    log("tessera: PropertyList: %zu bytes is more than a property list may hold", bytes.size());
    return std::nullopt;
  }
  const auto* data = reinterpret_cast<const char*>(bytes.data());
  const auto length = static_cast<uint32_t>(bytes.size());
  const bool binary = isBinaryPropertyList(bytes);

  if (binary && !binaryStringsAreSafe(bytes)) {
    log("tessera: PropertyList: %zu bytes are not a valid binary property list (bad tables or a string "
        "holding U+0000)",
        bytes.size());
    return std::nullopt;
  }

  // XML forbids U+0000 anywhere in a document; libplist would pass a NUL byte
  // on inside a string and then abort on it.
  if (!binary && std::memchr(bytes.data(), 0, bytes.size()) != nullptr) {
    log("tessera: PropertyList: %zu bytes are not a valid XML property list (a NUL byte)", bytes.size());
    return std::nullopt;
  }

  plist_t raw = nullptr;
  if (binary) {
    plist_from_bin(data, length, &raw);
  } else {
    plist_from_xml(data, length, &raw);
  }
  PlistPtr root(raw);
  if (!root) {
    log("tessera: PropertyList: %zu bytes are not a valid %s property list", bytes.size(),
        binary ? "binary" : "XML");
    return std::nullopt;
  }

  Value value;
  if (!convertNode(root.get(), 0, value)) {
    log("tessera: PropertyList: the property list is nested deeper than %d levels or malformed",
        kMaxPropertyListDepth);
    return std::nullopt;
  }
  return value;
}

std::optional<Value> readPropertyListFile(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    log("tessera: PropertyList: %s is a directory", path.c_str());
    return std::nullopt;
  }
  if (std::filesystem::exists(path, error) && !std::filesystem::is_regular_file(path, error)) {
    // A device or a pipe could be endless.
    log("tessera: PropertyList: %s is not a regular file", path.c_str());
    return std::nullopt;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    log("tessera: PropertyList: cannot open %s", path.c_str());
    return std::nullopt;
  }
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) {
    log("tessera: PropertyList: cannot read %s", path.c_str());
    return std::nullopt;
  }
  std::optional<Value> value =
      readPropertyListData({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
  if (!value) log("tessera: PropertyList: no property list in %s", path.c_str());
  return value;
}

std::optional<std::string> writePropertyList(const Value& value, PropertyListFormat format) {
  PlistPtr root = buildNode(value, 0);
  if (!root) return std::nullopt;
  char* raw = nullptr;
  uint32_t length = 0;
  if (format == PropertyListFormat::Binary) {
    plist_to_bin(root.get(), &raw, &length);
  } else {
    plist_to_xml(root.get(), &raw, &length);
  }
  CString text(raw);
  if (!text) return std::nullopt;
  return std::string(text.get(), length);
}

bool writePropertyListFile(const std::string& path, const Value& value, PropertyListFormat format) {
  std::optional<std::string> bytes = writePropertyList(value, format);
  if (!bytes) {
    log("tessera: PropertyList: %s: the value holds a null, an object or text that is not UTF-8, which a "
        "property list cannot",
        path.c_str());
    return false;
  }
  // Write beside the target and rename, so a reader never sees half a file.
  const std::string temporary = path + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
    file.close();
    if (!file) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      log("tessera: PropertyList: cannot write %s", path.c_str());
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::filesystem::remove(temporary, error);
    log("tessera: PropertyList: cannot write %s", path.c_str());
    return false;
  }
  return true;
}

}  // namespace platform
