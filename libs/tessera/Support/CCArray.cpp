#include "tessera/Support/CCArray.h"

#include "platform/Exception.h"
#include "platform/Random.h"

#include <string>
#include <utility>

namespace {
// What an array reads as before init gave it a record.
const ccArray kEmptyRecord{};
}  // namespace

// [SECTION] Creation

CCArray* CCArray::array() {
  return platform::createAutoreleased<CCArray>([](CCArray& a) { return a.init(); });
}

CCArray* CCArray::arrayWithCapacity(std::uint32_t capacity) {
  return platform::createAutoreleased<CCArray>([&](CCArray& a) { return a.initWithCapacity(capacity); });
}

CCArray* CCArray::arrayWithArray(const CCArray* other) {
  return platform::createAutoreleased<CCArray>([&](CCArray& a) { return a.initWithArray(other); });
}

CCArray* CCArray::arrayWithObjects(std::initializer_list<platform::Object*> objects) {
  return arrayWithVector(std::vector<platform::Object*>(objects));
}

CCArray* CCArray::arrayWithVector(const std::vector<platform::Object*>& objects) {
  return platform::createAutoreleased<CCArray>([&](CCArray& a) { return a.initWithVector(objects); });
}

bool CCArray::init() { return initWithCapacity(2); }

bool CCArray::initWithCapacity(std::uint32_t capacity) {
  replaceData(ccArrayNew(capacity));
  return true;
}

bool CCArray::initWithArray(const CCArray* other) {
  // Re-initialising from itself: keep the old record until its objects are in
  // the new one.
  ccArray* previous = other == this ? std::exchange(data_, nullptr) : nullptr;
  const ccArray* source = previous ? previous : other ? other->view() : &kEmptyRecord;
  bool ok = initWithCapacity(source->num);
  if (ok) ccArrayAppendArrayWithResize(storage(), source);
  ccArrayFree(previous);
  return ok;
}

bool CCArray::initWithVector(const std::vector<platform::Object*>& objects) {
  if (!initWithCapacity(static_cast<std::uint32_t>(objects.size()))) return false;
  addObjectsFromVector(objects);
  return true;
}

platform::Object* CCArray::copy() const {
  auto* duplicate = static_cast<CCArray*>(classInfo().newInstance());
  if (duplicate && !duplicate->initWithArray(this)) {
    duplicate->release();
    return nullptr;
  }
  return duplicate;
}

CCArray::~CCArray() { ccArrayFree(data_); }

// [SECTION] Queries

platform::Object* CCArray::objectAtIndex(std::uint32_t index) const {
  const ccArray* record = view();
  if (index >= record->num) {
    throw platform::Exception(platform::kRangeException,
                              "index out of range in objectAtIndex(" + std::to_string(record->num) + ")");
  }
  return record->arr[index];
}

platform::Object* CCArray::lastObject() const {
  const ccArray* record = view();
  return record->num > 0 ? record->arr[record->num - 1] : nullptr;
}

std::uint32_t CCArray::indexOfObject(const platform::Object* object) const {
  return ccArrayGetIndexOfObject(view(), object);
}

bool CCArray::containsObject(const platform::Object* object) const {
  return ccArrayContainsObject(view(), object);
}

platform::Object* CCArray::randomObject() const {
  const ccArray* record = view();
  if (record->num == 0) return nullptr;
  // Single precision throughout: r * 2^-31 becomes exactly 1.0 for the largest
  // values of r, and count * factor can round up to count for large counts, so
  // the index is clamped to the last slot.
  float factor = static_cast<float>(platform::random()) * 0x1p-31f;
  float scaled = static_cast<float>(record->num) * factor;
  std::uint32_t index = 0;
  if (scaled >= static_cast<float>(record->num)) {
    index = record->num - 1;
  } else if (scaled > 0.0f) {
    index = static_cast<std::uint32_t>(scaled);
  }
  return record->arr[index];
}

std::vector<platform::Object*> CCArray::toVector() const { return {begin(), end()}; }

// [SECTION] Changes

void CCArray::addObject(platform::Object* object) { ccArrayAppendObjectWithResize(storage(), object); }

void CCArray::addObjectsFromArray(const CCArray* other) {
  if (other) ccArrayAppendArrayWithResize(storage(), other->view());
}

void CCArray::addObjectsFromVector(const std::vector<platform::Object*>& objects) {
  ccArray* record = storage();
  ccArrayEnsureExtraCapacity(record, static_cast<std::uint32_t>(objects.size()));
  for (platform::Object* object : objects) ccArrayAppendObject(record, object);
}

void CCArray::insertObject(platform::Object* object, std::uint32_t index) {
  ccArrayInsertObjectAtIndex(storage(), object, index);
}

void CCArray::removeObjectAtIndex(std::uint32_t index) { ccArrayRemoveObjectAtIndex(storage(), index); }

void CCArray::removeObject(platform::Object* object) { ccArrayRemoveObject(storage(), object); }

void CCArray::removeLastObject() {
  ccArray* record = storage();
  if (record->num == 0) throw platform::Exception(platform::kRangeException, "no objects added");
  ccArrayRemoveObjectAtIndex(record, record->num - 1);
}

void CCArray::removeObjectsInArray(const CCArray* other) {
  if (!other) return;
  ccArray* record = storage();  // first, so other == this sees the same record
  ccArrayRemoveArray(record, other->view());
}

void CCArray::removeAllObjects() { ccArrayRemoveAllObjects(storage()); }

void CCArray::fastRemoveObjectAtIndex(std::uint32_t index) {
  ccArrayFastRemoveObjectAtIndex(storage(), index);
}

void CCArray::fastRemoveObject(platform::Object* object) { ccArrayFastRemoveObject(storage(), object); }

void CCArray::makeObjectsPerformSelector(const platform::Selector& selector) {
  ccArrayMakeObjectsPerformSelector(storage(), selector);
}

void CCArray::makeObjectsPerformSelector(const platform::Selector& selector, platform::Object* object) {
  ccArrayMakeObjectsPerformSelectorWithObject(storage(), selector, object);
}

// [SECTION] Record access

const ccArray* CCArray::view() const { return data_ ? data_ : &kEmptyRecord; }

ccArray* CCArray::storage() {
  if (!data_) data_ = ccArrayNew(2);
  return data_;
}

void CCArray::replaceData(ccArray* fresh) { ccArrayFree(std::exchange(data_, fresh)); }
