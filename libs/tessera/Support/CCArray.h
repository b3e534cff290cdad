#pragma once
// CCArray: the engine's growable array of retained objects, a thin object
// around a ccArray record (see ccCArray.h for the record and its growth rule).

#include "platform/Object.h"
#include "platform/Selector.h"
#include "tessera/Support/ccCArray.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

/// The engine's growable array of retained objects, a thin object around a
/// ccArray record (see ccCArray.h for the record and its growth rule).
///
/// Objects are compared by identity, never by value. The array holds one
/// reference per slot: the same object may sit in several slots and is then
/// retained once for each. Indices and counts are unsigned 32-bit.
///
/// Cost: contiguous storage whose capacity doubles when full and never shrinks;
/// add, lastObject and fastRemove are constant time; ordered insert and remove
/// move the later slots with one block move; lookups by object are linear.
/// Iteration walks the storage directly, without copying.
///
/// Iteration does not detect changes: do not add, insert or remove while a
/// range-for runs (an addition may move the storage). makeObjectsPerformSelector
/// is the safe way to let each object change the array.
class CCArray : public platform::Object {
  PLATFORM_CLASS(CCArray, platform::Object)
 public:
  // [SECTION] Creation. Factories return autoreleased arrays.

  /// An empty array with capacity 2.
  static CCArray* array();
  /// An empty array with room for `capacity` objects (0 gives 1).
  static CCArray* arrayWithCapacity(std::uint32_t capacity);
  /// An array holding the objects of `other`, in order (null: empty).
  static CCArray* arrayWithArray(const CCArray* other);
  /// An array holding `objects`, in order.
  static CCArray* arrayWithObjects(std::initializer_list<platform::Object*> objects);
  /// An array holding `objects`, in order.
  static CCArray* arrayWithVector(const std::vector<platform::Object*>& objects);

  CCArray() = default;

  /// initWithCapacity(2).
  virtual bool init();
  /// Starts over with an empty record of `capacity` slots (0 gives 1). Objects
  /// held before are released, last first. Always succeeds.
  virtual bool initWithCapacity(std::uint32_t capacity);
  /// Capacity = other's count, then its objects are added. `other` may be this
  /// array (its current objects are kept) or null (empty).
  virtual bool initWithArray(const CCArray* other);
  /// Capacity = the vector's size, then its objects are added.
  virtual bool initWithVector(const std::vector<platform::Object*>& objects);

  /// A new array of the same class holding the same objects, each retained
  /// again; the objects themselves are not copied. Owned by the caller (+1).
  platform::Object* copy() const override;

  // [SECTION] Queries

  std::uint32_t count() const { return view()->num; }
  /// Slots allocated: at least 1 and at least count().
  std::uint32_t capacity() const { return view()->max; }

  /// The object at `index`. Throws platform::Exception (kRangeException,
  /// "index out of range in objectAtIndex(N)", N being the count) when index >= count.
  platform::Object* objectAtIndex(std::uint32_t index) const;
  /// objectAtIndex cast to T. Expects the object to be a T (or null).
  template <class T>
  T* objectAt(std::uint32_t index) const {
    return static_cast<T*>(objectAtIndex(index));
  }
  /// The object at count-1, or nullptr when empty.
  platform::Object* lastObject() const;
  /// The first index holding that very object, or CC_INVALID_INDEX (0x7FFFFFFF).
  std::uint32_t indexOfObject(const platform::Object* object) const;
  bool containsObject(const platform::Object* object) const;
  /// An object picked with platform::random(), or nullptr when empty. The pick
  /// is computed in single precision; the largest random values pick the last
  /// object.
  platform::Object* randomObject() const;
  /// The current objects, in order. Not retained: the pointers stay valid only
  /// while something (this array, for instance) holds the objects.
  std::vector<platform::Object*> toVector() const;

  // [SECTION] Changes. Adding retains, removing releases.

  /// Appends `object`, growing as needed.
  void addObject(platform::Object* object);
  /// Appends every object of `other` in order after growing once; `other` may
  /// be this array (its objects are then appended again). Null adds nothing.
  void addObjectsFromArray(const CCArray* other);
  void addObjectsFromVector(const std::vector<platform::Object*>& objects);
  /// Inserts at `index`, moving later objects up; index == count appends.
  /// Expects index <= count ("Invalid index. Out of bounds"); past the count
  /// nothing is inserted.
  void insertObject(platform::Object* object, std::uint32_t index);
  /// Removes the object at `index`, keeping order. Expects index < count (the
  /// process ends otherwise).
  void removeObjectAtIndex(std::uint32_t index);
  /// Removes the first slot holding `object`; does nothing when it is absent.
  void removeObject(platform::Object* object);
  /// Removes the last object. Throws platform::Exception (kRangeException,
  /// "no objects added") when empty.
  void removeLastObject();
  /// For each object of `other`, in order, removes the first slot holding it.
  /// `other` may be this array (it empties). Null removes nothing.
  void removeObjectsInArray(const CCArray* other);
  /// Releases every object, last first. The capacity is kept.
  void removeAllObjects();
  /// Removes the object at `index` and moves the last object into its slot
  /// (order not kept, constant time). Expects index < count.
  void fastRemoveObjectAtIndex(std::uint32_t index);
  /// fastRemoveObjectAtIndex of the first slot holding `object`, if any.
  void fastRemoveObject(platform::Object* object);

  /// Calls `selector` on each object from index 0 up, re-reading the count
  /// after every call, so objects removed by an earlier call are skipped and
  /// objects added are visited. Each object is kept alive during its call.
  void makeObjectsPerformSelector(const platform::Selector& selector);
  /// The same, passing `object` as the argument.
  void makeObjectsPerformSelector(const platform::Selector& selector, platform::Object* object);

  // [SECTION] Iteration over the storage (range-for)

  platform::Object** begin() { return data_ ? data_->arr : nullptr; }
  platform::Object** end() { return data_ ? data_->arr + data_->num : nullptr; }
  platform::Object* const* begin() const { return data_ ? data_->arr : nullptr; }
  platform::Object* const* end() const { return data_ ? data_->arr + data_->num : nullptr; }

  /// The record itself, for code that works on it directly. Null before init.
  ccArray* data() const { return data_; }

 protected:
  /// dealloc: releases the objects from the last to the first, then frees the record.
  ~CCArray() override;

 private:
  /// The record, or an empty one before init.
  const ccArray* view() const;
  /// The record, created with capacity 2 if init was never run.
  ccArray* storage();
  /// Installs `fresh` and frees the previous record.
  void replaceData(ccArray* fresh);

  ccArray* data_ = nullptr;  // owned
};
