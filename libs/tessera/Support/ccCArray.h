#pragma once
// ccArray and ccCArray: bare growable arrays used where the engine wants no
// object overhead (the scheduler's timers, the action manager's action lists,
// the batch node's descendants). CCArray wraps a ccArray.
//
// ccArray holds retained objects compared by identity; ccCArray holds plain
// 32-bit values and counts nothing. Capacity is at least 1, doubles whenever
// more room is needed, and never shrinks.

#include "platform/Object.h"
#include "platform/Selector.h"

#include <cstdint>

/// The not-found index of the lookups.
inline constexpr std::uint32_t CC_INVALID_INDEX = 0x7FFFFFFF;

/// A growable array of retained objects compared by identity: `num` objects
/// in `arr`, room for `max`.
struct ccArray {
  std::uint32_t num = 0;
  std::uint32_t max = 0;
  platform::Object** arr = nullptr;
};

/// A new empty array with room for `capacity` objects (0 gives 1).
ccArray* ccArrayNew(std::uint32_t capacity);
/// Releases every object from the last to the first, then frees the storage
/// and the record. Null is ignored.
void ccArrayFree(ccArray* arr);
/// Doubles the capacity.
void ccArrayDoubleCapacity(ccArray* arr);
/// Doubles the capacity as often as needed to hold `extra` more objects.
void ccArrayEnsureExtraCapacity(ccArray* arr, std::uint32_t extra);
/// The first index holding `object`, or CC_INVALID_INDEX.
std::uint32_t ccArrayGetIndexOfObject(const ccArray* arr, const platform::Object* object);
bool ccArrayContainsObject(const ccArray* arr, const platform::Object* object);
/// Appends a retained `object`. Expects room for it.
void ccArrayAppendObject(ccArray* arr, platform::Object* object);
/// Makes room for one more, then appends.
void ccArrayAppendObjectWithResize(ccArray* arr, platform::Object* object);
/// Appends every object of `plusArr`, retained. Expects room for them.
void ccArrayAppendArray(ccArray* arr, const ccArray* plusArr);
/// Makes room for all of `plusArr`, then appends them.
void ccArrayAppendArrayWithResize(ccArray* arr, const ccArray* plusArr);
/// Inserts a retained `object` at `index`, moving later objects up. Expects
/// index <= count ("Invalid index. Out of bounds"); grows as needed.
void ccArrayInsertObjectAtIndex(ccArray* arr, platform::Object* object, std::uint32_t index);
/// Releases every object from the last to the first; the capacity is kept.
void ccArrayRemoveAllObjects(ccArray* arr);
/// Releases the object at `index` and moves later objects down. Expects index < count.
void ccArrayRemoveObjectAtIndex(ccArray* arr, std::uint32_t index);
/// Releases the object at `index` and moves the last object into its slot.
/// Expects index < count.
void ccArrayFastRemoveObjectAtIndex(ccArray* arr, std::uint32_t index);
/// fastRemove of the first slot holding `object`, if any.
void ccArrayFastRemoveObject(ccArray* arr, platform::Object* object);
/// Ordered removal of the first slot holding `object`, if any.
void ccArrayRemoveObject(ccArray* arr, platform::Object* object);
/// For each object of `minusArr`, removes the first slot of `arr` holding it.
void ccArrayRemoveArray(ccArray* arr, const ccArray* minusArr);
/// Keeps only the objects not in `minusArr` (every slot holding one goes).
void ccArrayFullRemoveArray(ccArray* arr, const ccArray* minusArr);
/// Calls `selector` (no argument) on each object, index 0 upward, re-reading
/// the count after each call.
void ccArrayMakeObjectsPerformSelector(ccArray* arr, const platform::Selector& selector);
/// The same with one object argument.
void ccArrayMakeObjectsPerformSelectorWithObject(ccArray* arr, const platform::Selector& selector,
                                                 platform::Object* object);

/// A growable array of plain 32-bit values (nothing retained): `num` values
/// in `arr`, room for `max`.
struct ccCArray {
  std::uint32_t num = 0;
  std::uint32_t max = 0;
  std::uint32_t* arr = nullptr;
};

/// A new empty value array with room for `capacity` values (0 gives 1).
ccCArray* ccCArrayNew(std::uint32_t capacity);
/// Frees the storage and the record. Null is ignored.
void ccCArrayFree(ccCArray* arr);
void ccCArrayDoubleCapacity(ccCArray* arr);
void ccCArrayEnsureExtraCapacity(ccCArray* arr, std::uint32_t extra);
/// The first index holding `value`, or CC_INVALID_INDEX.
std::uint32_t ccCArrayGetIndexOfValue(const ccCArray* arr, std::uint32_t value);
bool ccCArrayContainsValue(const ccCArray* arr, std::uint32_t value);
/// Inserts without growing. Expects index < capacity (a hard assertion,
/// "index < arr->max", that ends the process).
void ccCArrayInsertValueAtIndex(ccCArray* arr, std::uint32_t value, std::uint32_t index);
/// Appends. Expects room for it.
void ccCArrayAppendValue(ccCArray* arr, std::uint32_t value);
void ccCArrayAppendValueWithResize(ccCArray* arr, std::uint32_t value);
void ccCArrayAppendArray(ccCArray* arr, const ccCArray* plusArr);
void ccCArrayAppendArrayWithResize(ccCArray* arr, const ccCArray* plusArr);
void ccCArrayRemoveAllValues(ccCArray* arr);
/// Ordered removal. Expects index < count.
void ccCArrayRemoveValueAtIndex(ccCArray* arr, std::uint32_t index);
/// Moves the last value into the slot. Expects index < count.
void ccCArrayFastRemoveValueAtIndex(ccCArray* arr, std::uint32_t index);
/// Ordered removal of the first slot holding `value`, if any.
void ccCArrayRemoveValue(ccCArray* arr, std::uint32_t value);
void ccCArrayRemoveArray(ccCArray* arr, const ccCArray* minusArr);
void ccCArrayFullRemoveArray(ccCArray* arr, const ccCArray* minusArr);
