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
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

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

// [SECTION] Pre-checks before libplist sees the bytes
//
// libplist builds, converts and frees its trees recursively, and its binary
// parser recurses once per nesting level: a list nested a hundred thousand
// deep exhausts the stack inside the library, before the tree could be
// checked. So nesting is measured on the raw bytes first, in time linear in
// the input and without recursion, and anything deeper than
// kMaxPropertyListDepth containers never reaches libplist.

// Nested containers allowed: the root container is level 1.
constexpr std::size_t kMaxContainerNesting = kMaxPropertyListDepth;

// A binary list may reference one object from many places, and libplist
// copies it for each reference: forty levels of arrays that each hold the
// next one twice would expand to 2^40 nodes. The expanded tree is capped at
// this many nodes (far beyond any real list, about 200 MiB of nodes).
constexpr uint64_t kMaxBinaryExpandedNodes = uint64_t{1} << 20;

// Big-endian unsigned integer of `width` (1 to 8) bytes at `at`.
uint64_t readBigEndian(std::span<const uint8_t> bytes, std::size_t at, std::size_t width) {
  uint64_t number = 0;
  for (std::size_t i = 0; i < width; ++i) number = (number << 8) | bytes[at + i];
  return number;
}

// A binary list's trailer and the part of the data its objects may occupy.
struct BinaryLayout {
  std::size_t end = 0;  // start of the trailer: objects and tables lie before it
  std::size_t offsetSize = 0;
  std::size_t referenceSize = 0;
  uint64_t objectCount = 0;
  uint64_t topObject = 0;
  uint64_t tableOffset = 0;
};

// The count of an object whose marker's low nibble is `nibble`, reading the
// integer object that follows when the nibble is 0xF; `at` moves past it.
// False when the count does not fit the data.
bool readObjectCount(std::span<const uint8_t> bytes, std::size_t end, unsigned nibble, std::size_t& at,
                     uint64_t& count) {
  count = nibble;
  if (nibble != 0x0F) return true;
  // The count follows as an integer object: marker 0x1n, then 2^n bytes.
  if (at >= end || (bytes[at] >> 4) != 0x1 || (bytes[at] & 0x0F) > 3) return false;
  const std::size_t width = std::size_t{1} << (bytes[at] & 0x0F);
  if (end - at - 1 < width) return false;
  count = readBigEndian(bytes, at + 1, width);
  at += 1 + width;
  return true;
}

// Empty when the trailer and offset table lie inside the data, else why not.
std::string readBinaryLayout(std::span<const uint8_t> bytes, BinaryLayout& layout) {
  constexpr std::size_t kHeaderSize = 8;
  constexpr std::size_t kTrailerSize = 32;
  if (bytes.size() < kHeaderSize + kTrailerSize) return "too short for the trailer";
  layout.end = bytes.size() - kTrailerSize;
  layout.offsetSize = bytes[layout.end + 6];
  layout.referenceSize = bytes[layout.end + 7];
  layout.objectCount = readBigEndian(bytes, layout.end + 8, 8);
  layout.topObject = readBigEndian(bytes, layout.end + 16, 8);
  layout.tableOffset = readBigEndian(bytes, layout.end + 24, 8);
  if (layout.offsetSize < 1 || layout.offsetSize > 8 || layout.referenceSize < 1 || layout.referenceSize > 8) {
    return formatString("offset size %zu, reference size %zu", layout.offsetSize, layout.referenceSize);
  }
  if (layout.tableOffset > layout.end || layout.objectCount > (layout.end - layout.tableOffset) / layout.offsetSize) {
    return formatString("offset table of %llu objects at %llu outside the data",
                        static_cast<unsigned long long>(layout.objectCount),
                        static_cast<unsigned long long>(layout.tableOffset));
  }
  if (layout.topObject >= layout.objectCount) {
    return formatString("top object %llu of %llu", static_cast<unsigned long long>(layout.topObject),
                        static_cast<unsigned long long>(layout.objectCount));
  }
  return {};
}

uint64_t objectOffset(std::span<const uint8_t> bytes, const BinaryLayout& layout, uint64_t object) {
  return readBigEndian(bytes, static_cast<std::size_t>(layout.tableOffset + object * layout.offsetSize),
                       layout.offsetSize);
}

// libplist hands strings over as C strings and aborts (an assertion inside
// the library) when one holds U+0000, which a binary list can encode. Every
// string object of the offset table must lie inside the data and hold no
// zero character.
std::string binaryStringProblem(std::span<const uint8_t> bytes, const BinaryLayout& layout) {
  for (uint64_t object = 0; object < layout.objectCount; ++object) {
    const uint64_t offset = objectOffset(bytes, layout, object);
    if (offset >= layout.end) return formatString("object %llu outside the data", static_cast<unsigned long long>(object));
    const uint8_t marker = bytes[offset];
    const unsigned type = marker >> 4;
    if (type != 0x5 && type != 0x6) continue;  // ASCII and UTF-16 strings only

    std::size_t at = static_cast<std::size_t>(offset) + 1;
    uint64_t count = 0;
    const std::size_t unit = type == 0x5 ? 1 : 2;
    if (!readObjectCount(bytes, layout.end, marker & 0x0F, at, count) || count > (layout.end - at) / unit) {
      return formatString("string object %llu outside the data", static_cast<unsigned long long>(object));
    }
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t position = at + i * unit;
      if (bytes[position] == 0 && (unit == 1 || bytes[position + 1] == 0)) return "a string holding U+0000";
    }
  }
  return {};
}

// Where a container's references start and how many there are; false when
// the object is no container. Dictionaries list their keys, then values.
struct ContainerReferences {
  std::size_t at = 0;
  uint64_t count = 0;
};

std::optional<ContainerReferences> containerReferences(std::span<const uint8_t> bytes, const BinaryLayout& layout,
                                                       std::size_t offset, bool& malformed) {
  const uint8_t marker = bytes[offset];
  const unsigned type = marker >> 4;
  if (type != 0xA && type != 0xC && type != 0xD) return std::nullopt;  // arrays, sets, dictionaries
  ContainerReferences references;
  references.at = offset + 1;
  uint64_t count = 0;
  if (!readObjectCount(bytes, layout.end, marker & 0x0F, references.at, count) ||
      count > (layout.end - references.at) / layout.referenceSize / (type == 0xD ? 2 : 1)) {
    malformed = true;
    return std::nullopt;
  }
  references.count = type == 0xD ? count * 2 : count;
  return references;
}

// Walks the object graph from the top object without recursion: an explicit
// stack holds the current path, which is refused as soon as it holds more
// containers than allowed. Each object is walked once; its depth and
// expanded size are remembered, so shared objects cost nothing extra and a
// reference back into the current path (a cycle) is refused.
std::string binaryShapeProblem(std::span<const uint8_t> bytes, const BinaryLayout& layout) {
  enum : uint8_t { kUnvisited, kOnPath, kDone };
  const auto objects = static_cast<std::size_t>(layout.objectCount);
  std::vector<uint8_t> state(objects, kUnvisited);
  std::vector<uint16_t> depth(objects, 0);    // containers on the deepest path down from the object
  std::vector<uint64_t> expanded(objects, 0);  // nodes once shared references are copied

  struct Frame {
    std::size_t object;
    ContainerReferences references;
    uint64_t next;
  };
  std::vector<Frame> path;
  path.reserve(kMaxContainerNesting + 1);
  const std::string tooDeep = formatString("nested deeper than %zu levels", kMaxContainerNesting);
  const std::string tooLarge =
      formatString("more than %llu nodes once shared objects are copied", static_cast<unsigned long long>(kMaxBinaryExpandedNodes));

  // Starts walking `object`, or finishes it at once when it is no container.
  const auto enter = [&](std::size_t object) -> std::string {
    const uint64_t offset = objectOffset(bytes, layout, object);
    if (offset >= layout.end) return formatString("object %zu outside the data", object);
    bool malformed = false;
    std::optional<ContainerReferences> references =
        containerReferences(bytes, layout, static_cast<std::size_t>(offset), malformed);
    if (malformed) return formatString("container %zu outside the data", object);
    if (!references) {
      state[object] = kDone;
      expanded[object] = 1;
      return {};
    }
    if (path.size() >= kMaxContainerNesting) return tooDeep;
    state[object] = kOnPath;
    depth[object] = 1;
    expanded[object] = 1;
    path.push_back({object, *references, 0});
    return {};
  };

  if (std::string problem = enter(static_cast<std::size_t>(layout.topObject)); !problem.empty()) return problem;
  while (!path.empty()) {
    Frame& frame = path.back();
    if (frame.next == frame.references.count) {
      const std::size_t finished = frame.object;
      state[finished] = kDone;
      path.pop_back();
      if (!path.empty()) {
        const std::size_t parent = path.back().object;
        depth[parent] = std::max<uint16_t>(depth[parent], static_cast<uint16_t>(depth[finished] + 1));
        expanded[parent] += expanded[finished];
        if (expanded[parent] > kMaxBinaryExpandedNodes) return tooLarge;
      }
      continue;
    }
    const uint64_t child = readBigEndian(
        bytes, frame.references.at + static_cast<std::size_t>(frame.next) * layout.referenceSize, layout.referenceSize);
    ++frame.next;
    if (child >= layout.objectCount) {
      return formatString("reference to object %llu of %llu", static_cast<unsigned long long>(child),
                          static_cast<unsigned long long>(layout.objectCount));
    }
    const auto childObject = static_cast<std::size_t>(child);
    const std::size_t parent = frame.object;
    switch (state[childObject]) {
      case kOnPath:
        return formatString("object %zu contains itself", childObject);
      case kDone:
        // Seen before: its subtree is copied again under this parent.
        if (path.size() + depth[childObject] > kMaxContainerNesting) return tooDeep;
        depth[parent] = std::max<uint16_t>(depth[parent], static_cast<uint16_t>(depth[childObject] + 1));
        expanded[parent] += expanded[childObject];
        if (expanded[parent] > kMaxBinaryExpandedNodes) return tooLarge;
        break;
      case kUnvisited:
      default:
        if (std::string problem = enter(childObject); !problem.empty()) return problem;
        if (state[childObject] == kDone) {
          expanded[parent] += 1;  // a leaf
          if (expanded[parent] > kMaxBinaryExpandedNodes) return tooLarge;
        }
        break;
    }
  }
  return {};
}

// Empty when libplist may be handed the binary list, else why not.
std::string binaryProblem(std::span<const uint8_t> bytes) {
  BinaryLayout layout;
  std::string problem = readBinaryLayout(bytes, layout);
  if (problem.empty()) problem = binaryStringProblem(bytes, layout);
  if (problem.empty()) problem = binaryShapeProblem(bytes, layout);
  return problem;
}

// Skips from `at` past the first `terminator`; the end of the data when it
// is missing (the construct runs to the end, as the parser would read it).
std::size_t skipPast(std::string_view text, std::size_t at, std::string_view terminator) {
  const std::size_t found = text.find(terminator, at);
  return found == std::string_view::npos ? text.size() : found + terminator.size();
}

// Skips a tag or declaration starting at `at` (just after its name) to just
// past its closing '>', ignoring any '>' inside quotes, inside the brackets
// of a DOCTYPE's internal subset and inside comments there. Reports whether
// the tag closed itself with "/>".
std::size_t skipMarkup(std::string_view text, std::size_t at, bool& selfClosing) {
  char quote = 0;
  int brackets = 0;
  selfClosing = false;
  while (at < text.size()) {
    const char c = text[at];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '[') {
      ++brackets;
    } else if (c == ']' && brackets > 0) {
      --brackets;
    } else if (brackets > 0 && text.compare(at, 4, "<!--") == 0) {
      at = skipPast(text, at + 4, "-->");
      continue;
    } else if (c == '>' && brackets == 0) {
      selfClosing = at > 0 && text[at - 1] == '/';
      return at + 1;
    }
    ++at;
  }
  return at;
}

bool isContainerName(std::string_view name) { return name == "array" || name == "dict"; }

// The deepest nesting of <array> and <dict> elements in XML text, counted as
// an XML parser sees them: comments, CDATA sections, processing instructions
// and declarations are skipped whole, quoted attribute values never end a
// tag, and <array/> or <dict/> opens nothing. Stops counting once past
// `limit`, so hostile input costs one pass at most.
std::size_t xmlContainerNesting(std::string_view text, std::size_t limit) {
  std::size_t nesting = 0;
  std::size_t deepest = 0;
  std::size_t at = 0;
  while ((at = text.find('<', at)) != std::string_view::npos) {
    if (text.compare(at, 4, "<!--") == 0) {
      at = skipPast(text, at + 4, "-->");
    } else if (text.compare(at, 9, "<![CDATA[") == 0) {
      at = skipPast(text, at + 9, "]]>");
    } else if (text.compare(at, 2, "<?") == 0) {
      at = skipPast(text, at + 2, "?>");
    } else {
      const bool closing = text.compare(at, 2, "</") == 0;
      const bool declaration = !closing && text.compare(at, 2, "<!") == 0;
      std::size_t nameStart = at + (closing || declaration ? 2 : 1);
      std::size_t nameEnd = nameStart;
      while (nameEnd < text.size() && std::string_view(" \t\r\n/>").find(text[nameEnd]) == std::string_view::npos) {
        ++nameEnd;
      }
      const bool container = !declaration && isContainerName(text.substr(nameStart, nameEnd - nameStart));
      bool selfClosing = false;
      at = skipMarkup(text, nameEnd, selfClosing);
      if (!container || selfClosing) continue;
      if (closing) {
        if (nesting > 0) --nesting;
      } else {
        deepest = std::max(deepest, ++nesting);
        if (deepest > limit) return deepest;
      }
    }
  }
  return deepest;
}

// Empty when libplist may be handed the XML list, else why not.
std::string xmlProblem(std::span<const uint8_t> bytes) {
  // XML forbids U+0000 anywhere in a document; libplist would pass a NUL byte
  // on inside a string and then abort on it.
  if (std::memchr(bytes.data(), 0, bytes.size()) != nullptr) return "a NUL byte";
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (xmlContainerNesting(text, kMaxContainerNesting) > kMaxContainerNesting) {
    return formatString("nested deeper than %zu levels", kMaxContainerNesting);
  }
  return {};
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

  if (std::string problem = binary ? binaryProblem(bytes) : xmlProblem(bytes); !problem.empty()) {
    log("tessera: PropertyList: %zu bytes are not a valid %s property list (%s)", bytes.size(),
        binary ? "binary" : "XML", problem.c_str());
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
