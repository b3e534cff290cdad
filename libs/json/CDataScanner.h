#pragma once
// CDataScanner: a cursor over a block of bytes, with the small scanning
// operations the JSON reader is built from.

#include "platform/Object.h"
#include "platform/Value.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace json {

/// A set of bytes, for the run-scanning operations.
class CharacterSet {
 public:
  CharacterSet() = default;
  /// The bytes of `members`.
  static CharacterSet withCharacters(std::string_view members);

  bool contains(uint8_t byte) const { return members_[byte]; }
  void add(uint8_t byte) { members_[byte] = true; }

 private:
  std::array<bool, 256> members_{};
};

/// A cursor over a block of bytes, with the small scanning operations the JSON
/// reader is built from.
///
/// The scanner keeps its own copy of the bytes. Every read respects the end
/// of the block: at the end the current byte matches nothing (currentCharacter
/// gives 0 and scanCharacter(c) is false even for c == 0).
///
/// Cost: scanning allocates only the strings it returns; the cursor is an
/// offset into the block.
class CDataScanner : public platform::Object {
  PLATFORM_CLASS(CDataScanner, platform::Object)
 public:
  /// An autoreleased scanner over a copy of `bytes`, at the start.
  static CDataScanner* scannerWithData(std::span<const uint8_t> bytes);
  static CDataScanner* scannerWithData(std::string_view bytes);

  /// Replaces the bytes (copied) and moves the cursor to the start. Passing
  /// the scanner's own block (data()) changes nothing.
  virtual void setData(std::span<const uint8_t> bytes);
  /// The bytes scanned.
  std::span<const uint8_t> data() const { return data_; }
  /// Number of bytes.
  std::size_t length() const { return data_.size(); }

  /// Offset of the cursor from the start.
  std::size_t scanLocation() const { return current_; }
  /// Moves the cursor; offsets past the end are taken as the end.
  void setScanLocation(std::size_t location);
  bool isAtEnd() const { return current_ >= data_.size(); }
  /// The byte at the cursor, or 0 at the end.
  uint8_t currentCharacter() const { return isAtEnd() ? 0 : data_[current_]; }
  /// The byte at the cursor, moving past it; 0 (without moving) at the end.
  uint8_t scanCharacter();
  /// Moves past the byte at the cursor when it is `character`.
  bool scanCharacter(uint8_t character);
  /// Moves the cursor back `count` bytes. Raises "Backtracked too far." when
  /// that would go before the start (the cursor is then unchanged).
  void backtrack(std::size_t count);

  /// When the remaining bytes begin with `text`, moves past it, stores it in
  /// `into` (if given) and returns true.
  bool scanUTF8String(std::string_view text, std::string* into = nullptr);
  bool scanString(std::string_view text, std::string* into = nullptr);
  /// Moves over bytes in `set`; false when there is none. The run is stored
  /// in `into` (as UTF-8 text) when given.
  bool scanCharactersFromSet(const CharacterSet& set, std::string* into = nullptr);
  /// Moves up to the first byte in `set` or the end; false when no byte was
  /// passed.
  bool scanUpToCharactersFromSet(const CharacterSet& set, std::string* into = nullptr);
  /// Moves up to the first occurrence of `text`; false (cursor unchanged)
  /// when it does not occur.
  bool scanUpToString(std::string_view text, std::string* into = nullptr);
  /// Moves over ASCII white space: space, tab, line feed, vertical tab, form
  /// feed and carriage return.
  void skipWhitespace();

  /// The longest run of number characters (digits, "e", "E", "-", ".", and a
  /// "+" or "-" right after "e"/"E") read as a decimal number: the longest
  /// valid prefix counts ("1e" gives 1, "-" gives 0), the cursor moves past
  /// the whole run. Stores a real in `into`; false when the run is empty.
  bool scanNumber(platform::Value* into);
  /// The characters a number run is made of: exactly "0123456789eE-.".
  const CharacterSet& doubleCharacters() const { return doubleCharacters_; }

  /// The bytes from the cursor to the end.
  std::string remainingString() const;

  /// "//", the text up to the next line break (stored in `into`), then the
  /// line breaks. False when the cursor is not at "//".
  bool scanCPlusPlusStyleComment(std::string* into = nullptr);
  /// "/*", the text up to "*/" (stored in `into`) and "*/". False when the
  /// cursor is not at "/*". Raises "Started to scan a C style comment but it
  /// wasn't terminated." without a "*/", and "C style comments should not be
  /// nested." when the text holds "/*".
  bool scanCStyleComment(std::string* into = nullptr);
  /// Line breaks: U+000A, U+000C, U+000D, U+0085, U+2028 and U+2029.
  static bool isLineBreak(char32_t character);

  CDataScanner();

 protected:
  ~CDataScanner() override = default;
  /// Replaces the block without the same-block check (subclasses that
  /// convert the bytes first).
  void assignData(std::vector<uint8_t> bytes);
  /// The byte at `offset` from the cursor, or -1 past the end.
  int peek(std::size_t offset = 0) const {
    return current_ + offset < data_.size() ? data_[current_ + offset] : -1;
  }

  std::vector<uint8_t> data_;
  std::size_t current_ = 0;

 private:
  /// Length of the UTF-8 line break at `offset`, or 0.
  std::size_t lineBreakLengthAt(std::size_t offset) const;

  CharacterSet doubleCharacters_;
};

}  // namespace json
