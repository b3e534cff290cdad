#include "zfont/ZAttributedString.h"

#include "platform/Assert.h"
#include "platform/Exception.h"
#include "platform/Log.h"
#include "platform/StringUtils.h"

#include <algorithm>
#include <cmath>
#include <utility>

using platform::Value;

namespace {

constexpr const char* kIndexBeyondRange = "index beyond range of attributed string";
constexpr const char* kRangeLimitBeyondRange = "rangeLimit beyond range of attributed string";
constexpr const char* kRangeOutside = "range was outisde of the attributed string";

[[noreturn]] void raiseRange(const char* reason) {
  throw platform::Exception(platform::kRangeException, reason);
}

/// The overlap of two ranges; (0, 0) when they do not overlap.
NSRange intersection(NSRange a, NSRange b) {
  uint64_t start = std::max<uint64_t>(a.location, b.location);
  uint64_t end = std::min(NSMaxRange(a), NSMaxRange(b));
  if (end < start) return NSRange{};
  return NSRange{static_cast<uint32_t>(start), static_cast<uint32_t>(end - start)};
}

/// The run index stored in an archive: a non-negative integral number that
/// fits 32 bits.
bool archivedIndex(const Value& value, uint32_t& index) {
  if (value.isInteger()) {
    int64_t n = value.longLongValue();
    if (n < 0 || n > UINT32_MAX) return false;
    index = static_cast<uint32_t>(n);
    return true;
  }
  if (value.isReal()) {
    double d = value.doubleValue();
    if (!(d >= 0.0 && d <= UINT32_MAX) || std::floor(d) != d) return false;
    index = static_cast<uint32_t>(d);
    return true;
  }
  return false;
}

}  // namespace

// [SECTION] ZAttributeRun

ZAttributeRun* ZAttributeRun::attributeRunWithIndex(uint32_t index, const Dict* attributes) {
  return platform::createAutoreleased<ZAttributeRun>(
      [&](ZAttributeRun& run) { return run.initWithIndex(index, attributes); });
}

ZAttributeRun* ZAttributeRun::attributeRunWithValue(const Value& archive) {
  return platform::createAutoreleased<ZAttributeRun>(
      [&](ZAttributeRun& run) { return run.initWithValue(archive); });
}

bool ZAttributeRun::initWithIndex(uint32_t index, const Dict* attributes) {
  index_ = index;
  attributes_ = attributes ? *attributes : Dict();
  return true;
}

bool ZAttributeRun::initWithValue(const Value& archive) {
  uint32_t index = 0;
  const Value& attributes = archive["attributes"];
  if (!archive.isDict() || !archivedIndex(archive["index"], index) ||
      !(attributes.isDict() || attributes.isNull())) {
    CCLOG("tessera: ZAttributeRun: malformed archive %s", archive.description().c_str());
    return false;
  }
  return initWithIndex(index, &attributes.asDict());
}

bool ZAttributeRun::isEqual(const platform::Object* other) const {
  auto* run = dynamic_cast<const ZAttributeRun*>(other);
  return run && (run == this || (run->index_ == index_ && run->attributes_ == attributes_));
}

std::string ZAttributeRun::description() const {
  std::string entries;
  for (const auto& entry : attributes_) {
    if (!entries.empty()) entries += ", ";
    entries += entry.key + "=" + entry.value.description();
  }
  return platform::formatString("<%s: %p index=%lu attributes={%s}>", className(),
                                static_cast<const void*>(this),
                                static_cast<unsigned long>(index_), entries.c_str());
}

platform::Object* ZAttributeRun::copy() const {
  auto* run = new ZAttributeRun();
  run->initWithIndex(index_, &attributes_);
  return run;
}

Value ZAttributeRun::toValue() const {
  Dict archive;
  archive.set("index", Value(index_));
  archive.set("attributes", Value(attributes_));
  return Value(std::move(archive));
}

// [SECTION] ZAttributedString: creation

ZAttributedString::ZAttributedString() {
  // A fresh object already satisfies the run invariants, even before init.
  runs_.emplace_back(platform::Ref<ZAttributeRun>::adopt(new ZAttributeRun()));
}

ZAttributedString* ZAttributedString::attributedStringWithString(const std::u16string& text,
                                                                 const Dict* attributes) {
  return platform::createAutoreleased<ZAttributedString>(
      [&](ZAttributedString& s) { return s.initWithString(text, attributes); });
}

ZAttributedString* ZAttributedString::attributedStringWithValue(const Value& archive) {
  return platform::createAutoreleased<ZAttributedString>(
      [&](ZAttributedString& s) { return s.initWithValue(archive); });
}

bool ZAttributedString::init() { return initWithString(std::u16string(), nullptr); }

bool ZAttributedString::initWithString(const std::u16string& text, const Dict* attributes) {
  buffer_ = text;
  runs_.clear();
  auto* run = new ZAttributeRun();
  run->initWithIndex(0, attributes);
  runs_.emplace_back(platform::Ref<ZAttributeRun>::adopt(run));
  return true;
}

bool ZAttributedString::initWithAttributedString(const ZAttributedString* attr) {
  CCAssert(attr != nullptr, "attr != nil");
  if (!attr) return false;
  // Copy before assigning: `attr` may be this object.
  std::u16string text = attr->buffer_;
  RunList runs;
  runs.reserve(attr->runs_.size());
  for (const auto& run : attr->runs_) {
    runs.emplace_back(
        platform::Ref<ZAttributeRun>::adopt(static_cast<ZAttributeRun*>(run->copy())));
  }
  buffer_ = std::move(text);
  runs_ = std::move(runs);
  return true;
}

bool ZAttributedString::initWithValue(const Value& archive) {
  const Value& buffer = archive["buffer"];
  const Value& list = archive["attributes"];
  if (!archive.isDict() || !buffer.isString() || !list.isArray() || list.size() == 0) {
    CCLOG("tessera: ZAttributedString: malformed archive (needs \"buffer\" and \"attributes\")");
    return false;
  }
  std::u16string text = platform::utf8ToUtf16(buffer.asString());
  RunList runs;
  uint32_t previousIndex = 0;
  for (const Value& item : list.asArray()) {
    platform::Ref<ZAttributeRun> run = ZAttributeRun::attributeRunWithValue(item);
    if (!run) return false;
    bool first = runs.empty();
    bool ordered = first ? run->index_ == 0 : run->index_ > previousIndex;
    previousIndex = run->index_;
    bool inside = run->index_ < text.size() || (text.empty() && first);
    if (!ordered || !inside) {
      CCLOG("tessera: ZAttributedString: archived run at %lu is out of order or beyond the "
            "text (length %zu)",
            static_cast<unsigned long>(run->index_), text.size());
      return false;
    }
    // Equal neighbours would break the run invariant: join them.
    if (!first && runs.back()->attributes_ == run->attributes_) continue;
    runs.emplace_back(std::move(run));
  }
  buffer_ = std::move(text);
  runs_ = std::move(runs);
  return true;
}

// [SECTION] ZAttributedString: runs

std::size_t ZAttributedString::runIndexForCharacter(uint32_t index) const {
  // The last run starting at or before `index`; runs_[0] starts at 0.
  auto after = std::upper_bound(
      runs_.begin(), runs_.end(), index,
      [](uint32_t i, const platform::Ref<ZAttributeRun>& run) { return i < run->index_; });
  return static_cast<std::size_t>(after - runs_.begin()) - 1;
}

NSRange ZAttributedString::rangeOfRun(std::size_t k) const {
  uint32_t start = runs_[k]->index_;
  uint32_t end = k + 1 < runs_.size() ? runs_[k + 1]->index_ : length();
  return NSRange{start, end - start};
}

std::size_t ZAttributedString::checkedRunIndex(uint32_t index) const {
  if (index >= length()) raiseRange(kIndexBeyondRange);
  return runIndexForCharacter(index);
}

// [SECTION] ZAttributedString: queries

ZAttributedString::Dict ZAttributedString::attributesAtIndex(uint32_t index,
                                                             NSRange* effectiveRange) const {
  std::size_t k = checkedRunIndex(index);
  if (effectiveRange) *effectiveRange = rangeOfRun(k);
  return runs_[k]->attributes_;
}

Value ZAttributedString::attribute(std::string_view attributeName, uint32_t index,
                                   NSRange* effectiveRange) const {
  CCAssert(attributeName.data() != nullptr, "attributeName != nil");
  if (!attributeName.data()) return Value();
  std::size_t k = checkedRunIndex(index);
  if (effectiveRange) *effectiveRange = rangeOfRun(k);
  return runs_[k]->attributes_.get(attributeName);
}

ZAttributedString::Dict ZAttributedString::attributesAtIndex(uint32_t index,
                                                             NSRange* longestEffectiveRange,
                                                             NSRange rangeLimit) const {
  std::size_t k = checkedRunIndex(index);
  if (NSMaxRange(rangeLimit) > length()) raiseRange(kRangeLimitBeyondRange);
  // Neighbouring runs never have equal dictionaries, so the run is the
  // longest range with these attributes.
  if (longestEffectiveRange) *longestEffectiveRange = intersection(rangeOfRun(k), rangeLimit);
  return runs_[k]->attributes_;
}

Value ZAttributedString::attribute(std::string_view attributeName, uint32_t index,
                                   NSRange* longestEffectiveRange, NSRange rangeLimit) const {
  CCAssert(attributeName.data() != nullptr, "attributeName != nil");
  if (!attributeName.data()) return Value();
  std::size_t k = checkedRunIndex(index);
  if (NSMaxRange(rangeLimit) > length()) raiseRange(kRangeLimitBeyondRange);
  const Value& value = runs_[k]->attributes_.get(attributeName);
  if (longestEffectiveRange) {
    // Grow over neighbours with the same value while the range has not yet
    // reached the limit's start (backwards) or end (forwards).
    std::size_t first = k;
    while (first > 0 && runs_[first]->index_ > rangeLimit.location &&
           runs_[first - 1]->attributes_.get(attributeName) == value) {
      --first;
    }
    std::size_t last = k;
    while (last + 1 < runs_.size() && runs_[last + 1]->index_ < NSMaxRange(rangeLimit) &&
           runs_[last + 1]->attributes_.get(attributeName) == value) {
      ++last;
    }
    uint32_t start = runs_[first]->index_;
    NSRange lastRange = rangeOfRun(last);
    NSRange grown{start, static_cast<uint32_t>(NSMaxRange(lastRange) - start)};
    *longestEffectiveRange = intersection(grown, rangeLimit);
  }
  return value;
}

ZAttributedString* ZAttributedString::attributedSubstringFromRange(NSRange range) const {
  if (NSMaxRange(range) > length()) raiseRange(kRangeOutside);
  auto* result = new ZAttributedString();
  result->buffer_ = buffer_.substr(range.location, range.length);
  if (range.length > 0) {
    result->runs_.clear();
    std::size_t k = runIndexForCharacter(range.location);
    for (; k < runs_.size() && runs_[k]->index_ < NSMaxRange(range); ++k) {
      uint32_t start = std::max(runs_[k]->index_, range.location) - range.location;
      auto* run = new ZAttributeRun();
      run->initWithIndex(start, &runs_[k]->attributes_);
      result->runs_.emplace_back(platform::Ref<ZAttributeRun>::adopt(run));
    }
  } else {
    // An empty part keeps the attributes found at its position.
    std::size_t k = range.location < length() ? runIndexForCharacter(range.location)
                                               : runs_.size() - 1;
    result->runs_[0]->attributes_ = runs_[k]->attributes_;
  }
  result->autorelease();
  return result;
}

bool ZAttributedString::isEqualToAttributedString(const ZAttributedString* other) const {
  if (!other) return false;
  if (other == this) return true;
  if (buffer_ != other->buffer_ || runs_.size() != other->runs_.size()) return false;
  for (std::size_t k = 0; k < runs_.size(); ++k) {
    if (!runs_[k]->isEqual(other->runs_[k].get())) return false;
  }
  return true;
}

bool ZAttributedString::isEqual(const platform::Object* other) const {
  return isEqualToAttributedString(dynamic_cast<const ZAttributedString*>(other));
}

// [SECTION] ZAttributedString: enumeration

namespace {

/// The enumerated range: a range of length 0 at 0 means the whole text.
NSRange enumerationRange(NSRange range, uint32_t length) {
  if (range.location == 0 && range.length == 0) return NSRange{0, length};
  if (NSMaxRange(range) > length) raiseRange(kRangeOutside);
  return range;
}

}  // namespace

void ZAttributedString::enumerateAttributesInRange(NSRange range, uint32_t options,
                                                   const AttributesBlock& block) const {
  range = enumerationRange(range, length());
  bool stop = false;
  if (options & ZAttributedStringEnumerationReverse) {
    // Positions below the current one are left alone by edits at or after it,
    // so walking down by position stays valid.
    uint64_t position = NSMaxRange(range);
    while (position > range.location && !stop) {
      position = std::min<uint64_t>(position, length());
      if (position <= range.location) break;
      std::size_t k = runIndexForCharacter(static_cast<uint32_t>(position - 1));
      uint32_t start = std::max(runs_[k]->index_, range.location);
      NSRange part{start, static_cast<uint32_t>(position - start)};
      platform::Ref<ZAttributeRun> keep = runs_[k];  // alive across the block
      block(keep->attributes_, part, stop);
      position = start;
    }
    return;
  }
  // Forwards: the run under the current position is looked up again each
  // time, so a block that edits the string cannot leave the walk on a stale
  // run; length changes move the rest of the walk.
  int64_t position = range.location;
  int64_t end = static_cast<int64_t>(NSMaxRange(range));
  while (position < end && position < static_cast<int64_t>(length()) && !stop) {
    std::size_t k = runIndexForCharacter(static_cast<uint32_t>(position));
    NSRange run = rangeOfRun(k);
    uint32_t partEnd = static_cast<uint32_t>(std::min<int64_t>(NSMaxRange(run), end));
    NSRange part{static_cast<uint32_t>(position), partEnd - static_cast<uint32_t>(position)};
    int64_t lengthBefore = length();
    platform::Ref<ZAttributeRun> keep = runs_[k];
    block(keep->attributes_, part, stop);
    int64_t delta = static_cast<int64_t>(length()) - lengthBefore;
    position = partEnd + delta;
    end += delta;
  }
}

void ZAttributedString::enumerateAttribute(std::string_view attributeName, NSRange range,
                                           uint32_t options, const AttributeBlock& block) const {
  CCAssert(attributeName.data() != nullptr, "attributeName != nil");
  if (!attributeName.data()) return;
  range = enumerationRange(range, length());
  bool stop = false;
  if (options & ZAttributedStringEnumerationReverse) {
    uint64_t position = NSMaxRange(range);
    while (position > range.location && !stop) {
      position = std::min<uint64_t>(position, length());
      if (position <= range.location) break;
      std::size_t k = runIndexForCharacter(static_cast<uint32_t>(position - 1));
      Value value = runs_[k]->attributes_.get(attributeName);
      while (k > 0 && runs_[k]->index_ > range.location &&
             runs_[k - 1]->attributes_.get(attributeName) == value) {
        --k;
      }
      uint32_t start = std::max(runs_[k]->index_, range.location);
      block(value, NSRange{start, static_cast<uint32_t>(position - start)}, stop);
      position = start;
    }
    return;
  }
  int64_t position = range.location;
  int64_t end = static_cast<int64_t>(NSMaxRange(range));
  while (position < end && position < static_cast<int64_t>(length()) && !stop) {
    std::size_t k = runIndexForCharacter(static_cast<uint32_t>(position));
    Value value = runs_[k]->attributes_.get(attributeName);
    while (k + 1 < runs_.size() && runs_[k + 1]->index_ < end &&
           runs_[k + 1]->attributes_.get(attributeName) == value) {
      ++k;
    }
    uint32_t partEnd = static_cast<uint32_t>(std::min<int64_t>(NSMaxRange(rangeOfRun(k)), end));
    NSRange part{static_cast<uint32_t>(position), partEnd - static_cast<uint32_t>(position)};
    int64_t lengthBefore = length();
    block(value, part, stop);
    int64_t delta = static_cast<int64_t>(length()) - lengthBefore;
    position = partEnd + delta;
    end += delta;
  }
}

// [SECTION] ZAttributedString: copies and archives

platform::Object* ZAttributedString::copy() const {
  auto* self = const_cast<ZAttributedString*>(this);
  self->retain();
  return self;
}

ZMutableAttributedString* ZAttributedString::mutableCopy() const {
  auto* copy = new ZMutableAttributedString();
  copy->initWithAttributedString(this);
  return copy;
}

Value ZAttributedString::toValue() const {
  Value::Array runs;
  runs.reserve(runs_.size());
  for (const auto& run : runs_) runs.push_back(run->toValue());
  Dict archive;
  archive.set("buffer", Value(platform::utf16ToUtf8(buffer_)));
  archive.set("attributes", Value(std::move(runs)));
  return Value(std::move(archive));
}

std::string ZAttributedString::description() const {
  std::string out;
  for (std::size_t k = 0; k < runs_.size(); ++k) {
    NSRange range = rangeOfRun(k);
    out += platform::utf16ToUtf8(std::u16string_view(buffer_).substr(range.location, range.length));
    out += Value(runs_[k]->attributes_).description();
  }
  return out;
}

// [SECTION] ZMutableAttributedString

ZMutableAttributedString* ZMutableAttributedString::attributedStringWithString(
    const std::u16string& text, const Dict* attributes) {
  return platform::createAutoreleased<ZMutableAttributedString>(
      [&](ZMutableAttributedString& s) { return s.initWithString(text, attributes); });
}

platform::Object* ZMutableAttributedString::copy() const {
  auto* snapshot = new ZAttributedString();
  snapshot->initWithAttributedString(this);
  return snapshot;
}

std::size_t ZMutableAttributedString::splitRunAt(uint32_t index) {
  std::size_t k = runIndexForCharacter(index);
  if (runs_[k]->index_ == index) return k;
  auto* run = new ZAttributeRun();
  run->initWithIndex(index, &runs_[k]->attributes_);
  runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(k) + 1,
               platform::Ref<ZAttributeRun>::adopt(run));
  return k + 1;
}

bool ZMutableAttributedString::splitRunsForRange(NSRange range, std::size_t& first,
                                                 std::size_t& last) {
  CCAssert(NSMaxRange(range) <= buffer_.size(), "NSMaxRange(range) <= [_buffer length]");
  if (NSMaxRange(range) > buffer_.size()) return false;
  uint32_t end = static_cast<uint32_t>(NSMaxRange(range));
  first = range.location < length() ? splitRunAt(range.location) : runs_.size();
  last = end < length() ? splitRunAt(end) : runs_.size();
  // An empty text's only run starts at 0 and covers nothing.
  if (buffer_.empty()) first = last = runs_.size();
  return true;
}

void ZMutableAttributedString::mergeRuns(std::size_t from, std::size_t to) {
  std::size_t k = std::max<std::size_t>(from, 1);
  to = std::min(to, runs_.size() - 1);
  while (k <= to && k < runs_.size()) {
    if (runs_[k]->attributes_ == runs_[k - 1]->attributes_) {
      runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(k));
      if (to == 0) break;
      --to;
    } else {
      ++k;
    }
  }
}

void ZMutableAttributedString::editAttributes(NSRange range,
                                              const std::function<void(Dict&)>& edit) {
  std::size_t first = 0;
  std::size_t last = 0;
  if (!splitRunsForRange(range, first, last)) return;
  for (std::size_t k = first; k < last; ++k) edit(runs_[k]->attributes_);
  // From the run before the edited ones to the one after them.
  mergeRuns(first, last);
}

void ZMutableAttributedString::setAttributes(const Dict& attributes, NSRange range) {
  Dict copy = attributes;  // `attributes` may be one of this string's own
  editAttributes(range, [&](Dict& dict) { dict = copy; });
}

void ZMutableAttributedString::addAttributes(const Dict& attributes, NSRange range) {
  Dict copy = attributes;
  editAttributes(range, [&](Dict& dict) {
    for (const auto& entry : copy) dict.set(entry.key, entry.value);
  });
}

void ZMutableAttributedString::addAttribute(std::string_view name, const Value& value,
                                            NSRange range) {
  CCAssert(name.data() != nullptr, "attributeName != nil");
  if (!name.data()) return;
  Value copy = value;
  std::string key(name);
  editAttributes(range, [&](Dict& dict) { dict.set(key, copy); });
}

void ZMutableAttributedString::removeAttribute(std::string_view name, NSRange range) {
  CCAssert(name.data() != nullptr, "attributeName != nil");
  if (!name.data()) return;
  std::string key(name);
  editAttributes(range, [&](Dict& dict) { dict.erase(key); });
}

void ZMutableAttributedString::replace(NSRange range, const std::u16string& text,
                                       const RunList& runs) {
  // The inserted runs, moved to the range's start, are made before anything
  // changes: `runs` may be this string's own. An empty insertion brings no
  // runs (its only run covers nothing).
  RunList moved;
  if (!text.empty()) {
    moved.reserve(runs.size());
    for (const auto& run : runs) {
      auto* copy = new ZAttributeRun();
      copy->initWithIndex(run->index_ + range.location, &run->attributes_);
      moved.emplace_back(platform::Ref<ZAttributeRun>::adopt(copy));
    }
  }
  std::size_t first = 0;
  std::size_t last = 0;
  if (!splitRunsForRange(range, first, last)) return;
  if (buffer_.empty()) {
    // The empty text's placeholder run gives way to the inserted runs.
    if (text.empty()) return;
    buffer_ = text;
    runs_ = std::move(moved);
    return;
  }
  buffer_.replace(range.location, range.length, text);

  // Later runs move by the change of length.
  int64_t delta = static_cast<int64_t>(text.size()) - static_cast<int64_t>(range.length);
  for (std::size_t k = last; k < runs_.size(); ++k) {
    runs_[k]->index_ = static_cast<uint32_t>(runs_[k]->index_ + delta);
  }
  auto at = runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(first),
                        runs_.begin() + static_cast<std::ptrdiff_t>(last));
  std::size_t inserted = moved.size();
  runs_.insert(at, std::make_move_iterator(moved.begin()), std::make_move_iterator(moved.end()));
  if (runs_.empty()) {
    // Everything was replaced by nothing: an empty text keeps one run without
    // attributes.
    runs_.emplace_back(platform::Ref<ZAttributeRun>::adopt(new ZAttributeRun()));
    return;
  }
  // The seams at the start and at the end of the inserted runs.
  mergeRuns(first, first + inserted);
}

void ZMutableAttributedString::replaceCharactersInRange(NSRange range,
                                                        const ZAttributedString* attrString) {
  CCAssert(attrString != nullptr, "attrString != nil");
  if (!attrString) return;
  // A copy of the text, so that replacing with this very string reads it as
  // it was (replace copies the runs itself).
  std::u16string text = attrString->string();
  replace(range, text, attrString->attributes());
}

void ZMutableAttributedString::replaceCharactersInRange(NSRange range, const std::u16string& text) {
  RunList runs;
  runs.emplace_back(platform::Ref<ZAttributeRun>::adopt(new ZAttributeRun()));
  std::u16string copy = text;  // `text` may be this string's own buffer
  replace(range, copy, runs);
}

void ZMutableAttributedString::insertAttributedString(const ZAttributedString* attrString,
                                                      uint32_t index) {
  replaceCharactersInRange(NSRange{index, 0}, attrString);
}

void ZMutableAttributedString::appendAttributedString(const ZAttributedString* attrString) {
  replaceCharactersInRange(NSRange{length(), 0}, attrString);
}

void ZMutableAttributedString::deleteCharactersInRange(NSRange range) {
  std::size_t first = 0;
  std::size_t last = 0;
  if (!splitRunsForRange(range, first, last)) return;
  buffer_.erase(range.location, range.length);
  runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(first),
              runs_.begin() + static_cast<std::ptrdiff_t>(last));
  for (std::size_t k = first; k < runs_.size(); ++k) runs_[k]->index_ -= range.length;
  if (runs_.empty()) {
    runs_.emplace_back(platform::Ref<ZAttributeRun>::adopt(new ZAttributeRun()));
    return;
  }
  // The seam: the first run after the deleted ones against the one before.
  mergeRuns(first, first);
}

void ZMutableAttributedString::setAttributedString(const ZAttributedString* attrString) {
  initWithAttributedString(attrString);
}
