#pragma once
// Property lists: reading XML and binary ("bplist00") property lists into
// platform::Value, and writing a Value back out.
//
// Implemented: every property-list type, through libplist.
//   dictionary -> Value::Dict, entries in file order. A key that appears twice
//                 keeps the position of its first appearance and the value of
//                 its last.
//   array      -> Value::Array
//   string     -> String (UTF-8, bytes as stored)
//   integer    -> Integer (int64). libplist hands every integer over as an
//                 unsigned 64-bit number; values at or above 2^63 are the
//                 two's complement of negative ones, so <integer>-20</integer>
//                 reads as -20.
//   real       -> Real
//   true/false -> Bool
//   data       -> Data
//   date       -> Real: seconds since 2001-01-01 00:00:00 UTC (the property
//                 list reference date), fraction included.
//   uid        -> Integer (keyed-archive object references).
// Missing: no dates come back out of writePropertyList (a Real stays a real).
//
// Failures never throw and never crash: a file that cannot be read (missing,
// a directory, a device), bytes that are not a property list, a list nested
// deeper than kMaxPropertyListDepth, or a list with a string holding U+0000
// (which libplist cannot hand over: it would abort the process) gives
// std::nullopt and a log line naming the reason. Strings are otherwise kept
// byte for byte, even when they are not valid UTF-8.
//
// Nesting is measured on the bytes before libplist parses them (libplist
// recurses once per level and would exhaust the stack on a deep list), in one
// pass without recursion. A binary list is also walked from its top object:
// a reference cycle, a reference outside the object table, or shared objects
// that would expand to more than 2^20 nodes (libplist copies an object for
// every reference to it) are refused the same way.
//
// Cost: the list is parsed into libplist's tree, then copied into Values; the
// tree is freed before returning. Nothing is cached.

#include "platform/Value.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace platform {

/// Containers nested deeper than this are refused (the root container is the
/// first level). Only hostile files nest so deep, and parsing, converting and
/// freeing them recursively could exhaust the stack.
inline constexpr int kMaxPropertyListDepth = 256;

/// The two encodings of a property list file: XML text and "bplist00" binary.
enum class PropertyListFormat { XML, Binary };

/// Reads the property list in the file at `path`, XML or binary (told apart
/// by the "bplist00" magic). Returns std::nullopt and logs when the file is
/// missing, unreadable, a directory, or not a property list.
std::optional<Value> readPropertyListFile(const std::string& path);

/// Reads a property list held in memory, XML or binary. Returns std::nullopt
/// and logs when the bytes are not a property list.
std::optional<Value> readPropertyListData(std::span<const uint8_t> bytes);

/// The property list of `value` as XML text or binary bytes (in a
/// std::string). Integers keep their sign; Bool, Real, String, Data, Array and
/// Dictionary map to their own types. Returns std::nullopt when `value` holds
/// a null or an object anywhere, since property lists have no such types, or
/// a string or key that is not UTF-8 or holds a NUL (it would be cut short).
std::optional<std::string> writePropertyList(const Value& value,
                                             PropertyListFormat format = PropertyListFormat::XML);

/// writePropertyList into the file at `path`, replacing it. Returns false
/// (and logs) when the value cannot be written or the file cannot be created.
bool writePropertyListFile(const std::string& path, const Value& value,
                           PropertyListFormat format = PropertyListFormat::XML);

}  // namespace platform
