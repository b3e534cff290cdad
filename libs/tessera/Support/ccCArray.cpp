#include "tessera/Support/ccCArray.h"

#include "platform/Assert.h"
#include "platform/Ref.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

// [SECTION] Storage: allocation, growth
// [SECTION] ccArray: retained objects
// [SECTION] ccCArray: plain values

namespace {

// [SECTION] Storage: allocation, growth

// Running out of memory is not recoverable here: the records have no failure
// state and every caller assumes the append happened.
[[noreturn]] void allocationFailed(const char* record, std::size_t bytes) {
  std::fprintf(stderr, "%s: out of memory allocating %zu bytes\n", record, bytes);
  std::fflush(stderr);
  std::abort();
}

template <class Record>
Record* newRecord(const char* name, std::uint32_t capacity) {
  void* memory = std::malloc(sizeof(Record));
  if (!memory) allocationFailed(name, sizeof(Record));
  auto* record = ::new (memory) Record{};
  record->max = capacity == 0 ? 1 : capacity;
  std::size_t bytes = std::size_t{record->max} * sizeof(*record->arr);
  record->arr = static_cast<decltype(record->arr)>(std::malloc(bytes));
  if (!record->arr) allocationFailed(name, bytes);
  return record;
}

// Moves the storage to `capacity` slots (never fewer than held).
template <class Record>
void resizeStorage(const char* name, Record* record, std::uint64_t capacity) {
  if (capacity > std::numeric_limits<std::uint32_t>::max()) {
    allocationFailed(name, static_cast<std::size_t>(capacity * sizeof(*record->arr)));
  }
  std::size_t bytes = static_cast<std::size_t>(capacity) * sizeof(*record->arr);
  void* storage = std::realloc(record->arr, bytes);
  if (!storage) allocationFailed(name, bytes);
  record->arr = static_cast<decltype(record->arr)>(storage);
  record->max = static_cast<std::uint32_t>(capacity);
}

// A record zeroed by hand has capacity 0, which doubling would never grow.
template <class Record>
void doubleCapacity(const char* name, Record* record) {
  resizeStorage(name, record, record->max == 0 ? 1 : std::uint64_t{record->max} * 2);
}

// Doubles until `extra` more fit, then reallocates once. Sums are 64-bit so a
// huge request cannot wrap round and loop for ever.
template <class Record>
void ensureExtraCapacity(const char* name, Record* record, std::uint32_t extra) {
  std::uint64_t needed = std::uint64_t{record->num} + extra;
  if (needed <= record->max) return;
  std::uint64_t capacity = record->max == 0 ? 1 : record->max;
  while (capacity < needed) capacity *= 2;
  resizeStorage(name, record, capacity);
}

// Null slots are inert, as messages to nothing are: they are neither retained
// nor released.
void retainObject(platform::Object* object) {
  if (object) object->retain();
}
void releaseObject(platform::Object* object) {
  if (object) object->release();
}

constexpr const char* kObjectRecord = "ccArray";
constexpr const char* kValueRecord = "ccCArray";

}  // namespace

// [SECTION] ccArray: retained objects

ccArray* ccArrayNew(std::uint32_t capacity) { return newRecord<ccArray>(kObjectRecord, capacity); }

void ccArrayFree(ccArray* arr) {
  if (!arr) return;
  ccArrayRemoveAllObjects(arr);
  std::free(arr->arr);
  std::free(arr);
}

void ccArrayDoubleCapacity(ccArray* arr) { doubleCapacity(kObjectRecord, arr); }

void ccArrayEnsureExtraCapacity(ccArray* arr, std::uint32_t extra) {
  ensureExtraCapacity(kObjectRecord, arr, extra);
}

std::uint32_t ccArrayGetIndexOfObject(const ccArray* arr, const platform::Object* object) {
  for (std::uint32_t i = 0; i < arr->num; ++i) {
    if (arr->arr[i] == object) return i;
  }
  return CC_INVALID_INDEX;
}

bool ccArrayContainsObject(const ccArray* arr, const platform::Object* object) {
  return ccArrayGetIndexOfObject(arr, object) != CC_INVALID_INDEX;
}

void ccArrayAppendObject(ccArray* arr, platform::Object* object) {
  CC_HARD_ASSERT(arr->num < arr->max);
  retainObject(object);
  arr->arr[arr->num++] = object;
}

void ccArrayAppendObjectWithResize(ccArray* arr, platform::Object* object) {
  ccArrayEnsureExtraCapacity(arr, 1);
  ccArrayAppendObject(arr, object);
}

void ccArrayAppendArray(ccArray* arr, const ccArray* plusArr) {
  // Read the count once: appending a record to itself must copy only what was
  // there before, not chase its own growing end.
  std::uint32_t count = plusArr->num;
  for (std::uint32_t i = 0; i < count; ++i) ccArrayAppendObject(arr, plusArr->arr[i]);
}

void ccArrayAppendArrayWithResize(ccArray* arr, const ccArray* plusArr) {
  ccArrayEnsureExtraCapacity(arr, plusArr->num);
  ccArrayAppendArray(arr, plusArr);
}

void ccArrayInsertObjectAtIndex(ccArray* arr, platform::Object* object, std::uint32_t index) {
  CCAssert(index <= arr->num, "Invalid index. Out of bounds");
  if (index > arr->num) return;  // a returning assertion handler: leave the array as it was

  ccArrayEnsureExtraCapacity(arr, 1);
  std::memmove(arr->arr + index + 1, arr->arr + index,
               sizeof(*arr->arr) * (arr->num - index));
  retainObject(object);
  arr->arr[index] = object;
  ++arr->num;
}

void ccArrayRemoveAllObjects(ccArray* arr) {
  // The count drops before each release, so a destructor that looks at the
  // array never sees a slot it has already given up.
  while (arr->num > 0) releaseObject(arr->arr[--arr->num]);
}

void ccArrayRemoveObjectAtIndex(ccArray* arr, std::uint32_t index) {
  // An index past the end would release a stale pointer and move a negative
  // length: stop instead of corrupting memory.
  CC_HARD_ASSERT(index < arr->num);
  platform::Object* removed = arr->arr[index];
  --arr->num;
  std::memmove(arr->arr + index, arr->arr + index + 1, sizeof(*arr->arr) * (arr->num - index));
  releaseObject(removed);  // last, so the record is consistent if this destroys it
}

void ccArrayFastRemoveObjectAtIndex(ccArray* arr, std::uint32_t index) {
  CC_HARD_ASSERT(index < arr->num);
  platform::Object* removed = arr->arr[index];
  std::uint32_t last = --arr->num;
  arr->arr[index] = arr->arr[last];
  releaseObject(removed);
}

void ccArrayFastRemoveObject(ccArray* arr, platform::Object* object) {
  std::uint32_t index = ccArrayGetIndexOfObject(arr, object);
  if (index != CC_INVALID_INDEX) ccArrayFastRemoveObjectAtIndex(arr, index);
}

void ccArrayRemoveObject(ccArray* arr, platform::Object* object) {
  std::uint32_t index = ccArrayGetIndexOfObject(arr, object);
  if (index != CC_INVALID_INDEX) ccArrayRemoveObjectAtIndex(arr, index);
}

void ccArrayRemoveArray(ccArray* arr, const ccArray* minusArr) {
  // Removing a record from itself would shift the list being walked and skip
  // every other object; the meaning is plainly "remove them all".
  if (arr == minusArr) {
    ccArrayRemoveAllObjects(arr);
    return;
  }
  for (std::uint32_t i = 0; i < minusArr->num; ++i) ccArrayRemoveObject(arr, minusArr->arr[i]);
}

void ccArrayFullRemoveArray(ccArray* arr, const ccArray* minusArr) {
  if (arr == minusArr) {
    ccArrayRemoveAllObjects(arr);
    return;
  }
  // Compact in one pass: `kept` trails the read index by the number removed.
  std::uint32_t kept = 0;
  for (std::uint32_t i = 0; i < arr->num; ++i) {
    platform::Object* object = arr->arr[i];
    if (ccArrayContainsObject(minusArr, object)) {
      releaseObject(object);
    } else {
      arr->arr[kept++] = object;
    }
  }
  arr->num = kept;
}

void ccArrayMakeObjectsPerformSelector(ccArray* arr, const platform::Selector& selector) {
  // The count and the storage are read afresh each turn: the callee may add or
  // remove objects. Each target is kept alive for its own call, even if the
  // call removes it from the array.
  for (std::uint32_t i = 0; i < arr->num; ++i) {
    platform::Ref<platform::Object> target = arr->arr[i];
    if (target) selector(target.get());
  }
}

void ccArrayMakeObjectsPerformSelectorWithObject(ccArray* arr, const platform::Selector& selector,
                                                 platform::Object* object) {
  for (std::uint32_t i = 0; i < arr->num; ++i) {
    platform::Ref<platform::Object> target = arr->arr[i];
    if (target) selector(target.get(), object);
  }
}

// [SECTION] ccCArray: plain values

ccCArray* ccCArrayNew(std::uint32_t capacity) { return newRecord<ccCArray>(kValueRecord, capacity); }

void ccCArrayFree(ccCArray* arr) {
  if (!arr) return;
  std::free(arr->arr);
  std::free(arr);
}

void ccCArrayDoubleCapacity(ccCArray* arr) { doubleCapacity(kValueRecord, arr); }

void ccCArrayEnsureExtraCapacity(ccCArray* arr, std::uint32_t extra) {
  ensureExtraCapacity(kValueRecord, arr, extra);
}

std::uint32_t ccCArrayGetIndexOfValue(const ccCArray* arr, std::uint32_t value) {
  for (std::uint32_t i = 0; i < arr->num; ++i) {
    if (arr->arr[i] == value) return i;
  }
  return CC_INVALID_INDEX;
}

bool ccCArrayContainsValue(const ccCArray* arr, std::uint32_t value) {
  return ccCArrayGetIndexOfValue(arr, value) != CC_INVALID_INDEX;
}

void ccCArrayInsertValueAtIndex(ccCArray* arr, std::uint32_t value, std::uint32_t index) {
  CC_HARD_ASSERT(index < arr->max);
  // Past the count there is nothing to move up and the gap would hold garbage.
  CC_HARD_ASSERT(index <= arr->num);
  // A full record would be written one past its end; give it room instead.
  if (arr->num == arr->max) ccCArrayEnsureExtraCapacity(arr, 1);
  std::memmove(arr->arr + index + 1, arr->arr + index, sizeof(*arr->arr) * (arr->num - index));
  arr->arr[index] = value;
  ++arr->num;
}

void ccCArrayAppendValue(ccCArray* arr, std::uint32_t value) {
  CC_HARD_ASSERT(arr->num < arr->max);
  arr->arr[arr->num++] = value;
}

void ccCArrayAppendValueWithResize(ccCArray* arr, std::uint32_t value) {
  ccCArrayEnsureExtraCapacity(arr, 1);
  ccCArrayAppendValue(arr, value);
}

void ccCArrayAppendArray(ccCArray* arr, const ccCArray* plusArr) {
  std::uint32_t count = plusArr->num;
  for (std::uint32_t i = 0; i < count; ++i) ccCArrayAppendValue(arr, plusArr->arr[i]);
}

void ccCArrayAppendArrayWithResize(ccCArray* arr, const ccCArray* plusArr) {
  ccCArrayEnsureExtraCapacity(arr, plusArr->num);
  ccCArrayAppendArray(arr, plusArr);
}

void ccCArrayRemoveAllValues(ccCArray* arr) { arr->num = 0; }

void ccCArrayRemoveValueAtIndex(ccCArray* arr, std::uint32_t index) {
  CC_HARD_ASSERT(index < arr->num);
  --arr->num;
  std::memmove(arr->arr + index, arr->arr + index + 1, sizeof(*arr->arr) * (arr->num - index));
}

void ccCArrayFastRemoveValueAtIndex(ccCArray* arr, std::uint32_t index) {
  CC_HARD_ASSERT(index < arr->num);
  std::uint32_t last = --arr->num;
  arr->arr[index] = arr->arr[last];
}

void ccCArrayRemoveValue(ccCArray* arr, std::uint32_t value) {
  std::uint32_t index = ccCArrayGetIndexOfValue(arr, value);
  if (index != CC_INVALID_INDEX) ccCArrayRemoveValueAtIndex(arr, index);
}

void ccCArrayRemoveArray(ccCArray* arr, const ccCArray* minusArr) {
  if (arr == minusArr) {
    ccCArrayRemoveAllValues(arr);
    return;
  }
  for (std::uint32_t i = 0; i < minusArr->num; ++i) ccCArrayRemoveValue(arr, minusArr->arr[i]);
}

void ccCArrayFullRemoveArray(ccCArray* arr, const ccCArray* minusArr) {
  if (arr == minusArr) {
    ccCArrayRemoveAllValues(arr);
    return;
  }
  std::uint32_t kept = 0;
  for (std::uint32_t i = 0; i < arr->num; ++i) {
    if (!ccCArrayContainsValue(minusArr, arr->arr[i])) arr->arr[kept++] = arr->arr[i];
  }
  arr->num = kept;
}
