#pragma once
// A map keyed by identity (or any hashable key) that iterates in insertion order.

#include <cstddef>
#include <iterator>
#include <list>
#include <unordered_map>
#include <utility>

namespace platform {

/// A map keyed by identity (or any hashable key) that iterates in insertion
/// order.
///
/// Backs the scheduler's and the action manager's per-target tables:
///  - walking visits entries in the order they were added;
///  - erasing an entry leaves iterators to every other entry valid, so a walk
///    survives callbacks that erase other entries;
///  - a key that is erased and added again goes to the end.
///
/// Cost: find is a hash lookup; insert allocates one list node and one hash
/// node; iteration allocates nothing.
template <class Key, class Value>
class InsertionOrderedMap {
 public:
  /// One key and its value, in the walking order.
  struct Entry {
    Key key;
    Value value;
  };
  using List = std::list<Entry>;
  using iterator = typename List::iterator;
  using const_iterator = typename List::const_iterator;

  iterator begin() { return entries_.begin(); }
  iterator end() { return entries_.end(); }
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }

  /// The entry for `key`, or end().
  iterator find(const Key& key) {
    auto found = index_.find(key);
    return found == index_.end() ? entries_.end() : found->second;
  }
  /// The value for `key`, or nullptr.
  Value* findValue(const Key& key) {
    auto found = index_.find(key);
    return found == index_.end() ? nullptr : &found->second->value;
  }
  bool contains(const Key& key) const { return index_.count(key) != 0; }

  /// Appends a new entry at the end. Expects `key` to be absent.
  iterator insert(const Key& key, Value value) {
    entries_.push_back(Entry{key, std::move(value)});
    iterator added = std::prev(entries_.end());
    index_.emplace(key, added);
    return added;
  }

  /// Removes the entry; returns the iterator that followed it.
  iterator erase(iterator position) {
    index_.erase(position->key);
    return entries_.erase(position);
  }
  /// Removes the entry for `key`, if any. Returns whether one was removed.
  bool erase(const Key& key) {
    auto found = index_.find(key);
    if (found == index_.end()) return false;
    entries_.erase(found->second);
    index_.erase(found);
    return true;
  }

  void clear() {
    index_.clear();
    entries_.clear();
  }

 private:
  List entries_;
  std::unordered_map<Key, iterator> index_;
};

}  // namespace platform
