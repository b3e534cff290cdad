#pragma once
// Attributed strings: a UTF-16 text with attribute dictionaries attached to
// ranges of its characters.
//
// The text is kept in one buffer, the attributes as an ordered list of runs.
// Run k covers the characters from its index up to the next run's index (the
// last run up to the end of the text). The list always satisfies:
//   - the first run starts at 0 (an empty text has exactly one run, at 0);
//   - run indices strictly increase, and every run covers at least one
//     character unless the text is empty;
//   - no two neighbouring runs have equal dictionaries.
// Every edit splits the runs it touches and merges equal neighbours again, so
// callers never see the list in any other state.
//
// Indices, lengths and ranges count UTF-16 code units (a character outside
// the basic plane takes two). Attribute dictionaries are platform::Value::Dict
// (insertion ordered, compared by value; object values through isEqual).
//
// Failures: an index or range outside the text raises platform::Exception
// (kRangeException) on queries; edits whose range reaches beyond the text fail
// the assertion "NSMaxRange(range) <= [_buffer length]" and change nothing.
//
// Cost: finding the run of an index is a binary search; an edit is linear in
// the number of runs after the edited range (their indices move) plus the
// buffer's own replace.

#include "platform/Object.h"
#include "platform/Ref.h"
#include "platform/Value.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

/// A range of UTF-16 code units: `length` units from `location`.
struct NSRange {
  uint32_t location = 0;
  uint32_t length = 0;

  friend bool operator==(const NSRange&, const NSRange&) = default;
};

inline NSRange NSMakeRange(uint32_t location, uint32_t length) { return NSRange{location, length}; }
/// One past the range's last unit. Computed in 64 bits so that a range near
/// the top of the 32-bit space cannot wrap round to a small end.
inline uint64_t NSMaxRange(NSRange range) {
  return static_cast<uint64_t>(range.location) + range.length;
}

/// Visits runs backwards (last to first) in the enumeration calls.
inline constexpr uint32_t ZAttributedStringEnumerationReverse = 1u << 1;

class ZAttributedString;
class ZMutableAttributedString;

/// One run of an attributed string: the first character it covers and its
/// attributes.
class ZAttributeRun : public platform::Object {
  PLATFORM_CLASS(ZAttributeRun, platform::Object)
 public:
  using Dict = platform::Value::Dict;

  /// An autoreleased run at `index` with a copy of `attributes` (nullptr: no
  /// attributes).
  static ZAttributeRun* attributeRunWithIndex(uint32_t index, const Dict* attributes);
  /// A run rebuilt from its archive (see toValue), or nullptr (logged) when the
  /// archive is not a dictionary with a non-negative integral "index" and a
  /// dictionary (or nothing) under "attributes".
  static ZAttributeRun* attributeRunWithValue(const platform::Value& archive);

  ZAttributeRun() = default;

  /// Keeps `index` and a copy of `attributes` (nullptr: an empty dictionary).
  bool initWithIndex(uint32_t index, const Dict* attributes);
  bool initWithValue(const platform::Value& archive);

  uint32_t index() const { return index_; }
  const Dict& attributes() const { return attributes_; }

  /// Same index and an equal dictionary.
  bool isEqual(const platform::Object* other) const override;
  /// "<ZAttributeRun: 0x... index=N attributes={key=value, ...}>".
  std::string description() const override;
  /// An equal run, owned by the caller (+1).
  platform::Object* copy() const override;
  /// The archive: the index under "index", the dictionary under "attributes".
  platform::Value toValue() const;

 private:
  friend class ZAttributedString;
  friend class ZMutableAttributedString;

  uint32_t index_ = 0;
  Dict attributes_;
};

/// An immutable attributed string.
class ZAttributedString : public platform::Object {
  PLATFORM_CLASS(ZAttributedString, platform::Object)
 public:
  using Dict = platform::Value::Dict;
  using RunList = std::vector<platform::Ref<ZAttributeRun>>;
  /// Receives the attributes of a run, the run's range clipped to the
  /// enumerated range, and a flag to set to end the walk.
  using AttributesBlock = std::function<void(const Dict& attributes, NSRange range, bool& stop)>;
  /// Receives one attribute's value (null when absent), the longest range with
  /// that value inside the enumerated range, and a stop flag.
  using AttributeBlock =
      std::function<void(const platform::Value& value, NSRange range, bool& stop)>;

  // [SECTION] Creation. Factories return autoreleased objects.

  /// The text with one run carrying a copy of `attributes` (nullptr: none).
  /// \param text the UTF-16 text.
  /// \param attributes the attributes of the whole text, or nullptr for none.
  static ZAttributedString* attributedStringWithString(const std::u16string& text,
                                                       const Dict* attributes = nullptr);
  /// A string rebuilt from its archive (see toValue), or nullptr (logged) when
  /// the archive is malformed.
  /// \param archive a value made by toValue().
  static ZAttributedString* attributedStringWithValue(const platform::Value& archive);

  ZAttributedString();

  /// Empty text, one run at 0 without attributes.
  virtual bool init();
  /// The text, one run at 0 with a copy of `attributes` (nullptr: none).
  virtual bool initWithString(const std::u16string& text, const Dict* attributes = nullptr);
  /// A copy of the text and of every run of `attr`. Asserts "attr != nil" and
  /// returns false for nullptr.
  virtual bool initWithAttributedString(const ZAttributedString* attr);
  /// Reads an archive written by toValue. Returns false (logged) when it is
  /// not a dictionary with a string under "buffer" and a list of valid runs
  /// under "attributes" (first at 0, strictly increasing, inside the text).
  /// Equal neighbouring runs are merged.
  virtual bool initWithValue(const platform::Value& archive);

  // [SECTION] Text and runs

  const std::u16string& string() const { return buffer_; }
  uint32_t length() const { return static_cast<uint32_t>(buffer_.size()); }
  /// The run list, in order (see the invariants at the top of this file).
  const RunList& attributes() const { return runs_; }

  // [SECTION] Queries. An index at or beyond length() raises the range
  // exception "index beyond range of attributed string".

  /// A copy of the attributes at `index`; `effectiveRange` (optional) receives
  /// the range of the run holding it.
  /// \param index an index into the text, below length().
  /// \param effectiveRange receives the range of the run holding `index`, or
  ///   nullptr.
  Dict attributesAtIndex(uint32_t index, NSRange* effectiveRange = nullptr) const;
  /// The value of one attribute at `index` (null when absent); the effective
  /// range is the run's. Asserts "attributeName != nil" for a null name view
  /// and returns null.
  /// \param attributeName the attribute's name.
  /// \param index an index into the text, below length().
  /// \param effectiveRange receives the range of the run holding `index`, or
  ///   nullptr.
  platform::Value attribute(std::string_view attributeName, uint32_t index,
                            NSRange* effectiveRange = nullptr) const;
  /// The attributes at `index`; `longestEffectiveRange` receives the run's
  /// range clipped to `rangeLimit`. A limit reaching beyond the text raises
  /// "rangeLimit beyond range of attributed string".
  /// \param index an index into the text, below length().
  /// \param longestEffectiveRange receives the longest range round `index` with
  ///   the same value, or nullptr.
  /// \param rangeLimit the range the result is clipped to.
  Dict attributesAtIndex(uint32_t index, NSRange* longestEffectiveRange, NSRange rangeLimit) const;
  /// The value of one attribute at `index`; `longestEffectiveRange` receives
  /// the longest range round `index` over which the value stays the same (or
  /// equal), clipped to `rangeLimit`.
  /// \param attributeName the attribute's name.
  /// \param index an index into the text, below length().
  /// \param longestEffectiveRange receives the longest range round `index` with
  ///   the same value, or nullptr.
  /// \param rangeLimit the range the result is clipped to.
  platform::Value attribute(std::string_view attributeName, uint32_t index,
                            NSRange* longestEffectiveRange, NSRange rangeLimit) const;

  /// A new autoreleased string of that part of the text with its attributes.
  /// A range beyond the text raises "range was outisde of the attributed string".
  /// \param range a range of the text.
  ZAttributedString* attributedSubstringFromRange(NSRange range) const;

  /// Equal texts and equal run lists.
  /// \param other the string to compare with.
  bool isEqualToAttributedString(const ZAttributedString* other) const;
  /// isEqualToAttributedString for another attributed string; false otherwise.
  bool isEqual(const platform::Object* other) const override;

  /// Calls `block` for every run overlapping `range` (a range of length 0 at 0
  /// means the whole text) with the run's range clipped to `range`, first to
  /// last, or last to first with ZAttributedStringEnumerationReverse. When
  /// walking forwards, a block that changes the length of the (mutable)
  /// string moves the rest of the walk by the same amount. A range beyond the
  /// text raises "range was outisde of the attributed string".
  /// \param range a range of the text.
  /// \param options 0, or ZAttributedStringEnumerationReverse to walk
  ///   backwards.
  /// \param block called for each range.
  void enumerateAttributesInRange(NSRange range, uint32_t options,
                                  const AttributesBlock& block) const;
  /// As enumerateAttributesInRange, for one attribute: neighbouring runs with
  /// the same value are reported as one range.
  /// \param attributeName the attribute's name.
  /// \param range a range of the text.
  /// \param options 0, or ZAttributedStringEnumerationReverse to walk
  ///   backwards.
  /// \param block called for each range.
  void enumerateAttribute(std::string_view attributeName, NSRange range, uint32_t options,
                          const AttributeBlock& block) const;

  // [SECTION] Copies and archives

  /// An immutable string is its own copy: returns this, retained.
  platform::Object* copy() const override;
  /// A new ZMutableAttributedString with the same contents, owned (+1).
  ZMutableAttributedString* mutableCopy() const;
  /// The archive: the text (UTF-8) under "buffer", the list of run archives
  /// under "attributes".
  platform::Value toValue() const;
  /// Each run's text followed by its attributes in braces.
  std::string description() const override;

 protected:
  /// The index in runs_ of the run holding `index` (which must be below the
  /// length): the last run starting at or before it.
  std::size_t runIndexForCharacter(uint32_t index) const;
  /// The characters run `k` covers.
  NSRange rangeOfRun(std::size_t k) const;
  /// The position in runs_ of the run holding `index`, or throws the range
  /// exception when index >= length.
  std::size_t checkedRunIndex(uint32_t index) const;

  std::u16string buffer_;
  RunList runs_;
};

/// An attributed string whose text and attributes can be edited.
class ZMutableAttributedString : public ZAttributedString {
  PLATFORM_CLASS(ZMutableAttributedString, ZAttributedString)
 public:
  /// A new autoreleased mutable string of `text`, with one run carrying a copy
  /// of `attributes`.
  /// \param text the UTF-16 text.
  /// \param attributes the attributes of the whole text, or nullptr for none.
  static ZMutableAttributedString* attributedStringWithString(const std::u16string& text,
                                                              const Dict* attributes = nullptr);

  ZMutableAttributedString() = default;

  // [SECTION] Attribute edits. The range must lie inside the text.

  /// Every run of the range gets exactly `attributes`.
  /// \param attributes the attributes the range gets.
  /// \param range a range of the text.
  void setAttributes(const Dict& attributes, NSRange range);
  /// The entries of `attributes` are added to (or replace those of) every run
  /// of the range.
  /// \param attributes the entries to add.
  /// \param range a range of the text.
  void addAttributes(const Dict& attributes, NSRange range);
  /// `name` is set to `value` in every run of the range.
  /// \param name the attribute's name.
  /// \param value its value.
  /// \param range a range of the text.
  void addAttribute(std::string_view name, const platform::Value& value, NSRange range);
  /// `name` is removed from every run of the range.
  /// \param name the attribute's name.
  /// \param range a range of the text.
  void removeAttribute(std::string_view name, NSRange range);

  // [SECTION] Text edits. The range must lie inside the text.

  /// The characters of `range` become the text of `attrString` with its runs.
  /// `attrString` may be this string. Asserts "attrString != nil" for nullptr.
  /// \param range a range of the text.
  /// \param attrString the attributed text to put in.
  void replaceCharactersInRange(NSRange range, const ZAttributedString* attrString);
  /// The characters of `range` become `text`, without attributes.
  /// \param range a range of the text.
  /// \param text the UTF-16 text.
  void replaceCharactersInRange(NSRange range, const std::u16string& text);
  /// Inserts the text of `attrString` with its runs before `index`.
  /// \param attrString the attributed text to put in.
  /// \param index where it goes, 0 to length().
  void insertAttributedString(const ZAttributedString* attrString, uint32_t index);
  /// Appends the text of `attrString` with its runs.
  /// \param attrString the attributed text to put in.
  void appendAttributedString(const ZAttributedString* attrString);
  /// Removes the characters of `range` and their attributes.
  /// \param range a range of the text.
  void deleteCharactersInRange(NSRange range);
  /// Takes copies of the text and runs of `attrString`.
  /// \param attrString the attributed text to put in.
  void setAttributedString(const ZAttributedString* attrString);

  /// A mutable string's copy is a new immutable snapshot, owned (+1), so a
  /// holder of the copy never sees later edits.
  platform::Object* copy() const override;

 private:
  /// Checks the range (assertion) and splits runs so that one starts exactly
  /// at the range's start and, when the range ends inside the text, one at its
  /// end. Returns false when the range is outside the text. On success
  /// [first, last) are the positions in runs_ of the runs covering the range.
  bool splitRunsForRange(NSRange range, std::size_t& first, std::size_t& last);
  /// Makes a run start at `index` (0 < index < length) and returns its position.
  std::size_t splitRunAt(uint32_t index);
  /// Removes every run in positions [from, to] (clamped) whose dictionary
  /// equals its predecessor's.
  void mergeRuns(std::size_t from, std::size_t to);
  /// Shared body of the attribute edits: `edit` is applied to the dictionary
  /// of every run covering the range.
  void editAttributes(NSRange range, const std::function<void(Dict&)>& edit);
  /// Shared body of the text edits: replaces the range by `text` with `runs`
  /// (indices relative to the inserted text).
  void replace(NSRange range, const std::u16string& text, const RunList& runs);
};
