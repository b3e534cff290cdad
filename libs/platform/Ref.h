#pragma once
// Ref<T>: an owning (retaining) reference to a counted object.

#include <cstddef>
#include <utility>

namespace platform {

/// Holds one reference to a counted object. Assignment retains the new value
/// before releasing the old one, so assigning the current value is safe.
/// Default: empty (nullptr).
template <class T>
class Ref {
 public:
  /// Empty.
  Ref() = default;
  /// Empty.
  Ref(std::nullptr_t) {}
  /// Retains `object`.
  /// \param object the object to hold, or nullptr.
  Ref(T* object) : object_(object) {
    if (object_) object_->retain();
  }
  /// Retains what `other` holds.
  /// \param other the reference to copy.
  Ref(const Ref& other) : Ref(other.object_) {}
  /// Takes over what `other` holds; `other` becomes empty.
  /// \param other the reference to move from.
  Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  /// Retains what `other` holds, as a T (an upcast).
  /// \param other a reference to a class derived from T.
  template <class U>
  Ref(const Ref<U>& other) : Ref(other.get()) {}
  /// Releases the object held, if any.
  ~Ref() {
    if (object_) object_->release();
  }

  /// Holds what `other` holds (retained), releasing the previous value.
  /// \param other the reference to copy.
  Ref& operator=(const Ref& other) {
    reset(other.object_);
    return *this;
  }
  /// Takes over what `other` holds, releasing the previous value; `other`
  /// becomes empty.
  /// \param other the reference to move from.
  Ref& operator=(Ref&& other) noexcept {
    if (this != &other) {
      T* old = std::exchange(object_, std::exchange(other.object_, nullptr));
      if (old) old->release();
    }
    return *this;
  }
  /// reset(object).
  /// \param object the object to hold, or nullptr.
  Ref& operator=(T* object) {
    reset(object);
    return *this;
  }

  /// Retains `object`, then releases the previous value.
  /// \param object the object to hold, or nullptr.
  void reset(T* object = nullptr) {
    if (object) object->retain();
    T* old = std::exchange(object_, object);
    if (old) old->release();
  }
  /// Takes over a reference the caller already owns (no retain).
  /// \param object an object whose reference the caller owns (count included).
  static Ref adopt(T* object) {
    Ref ref;
    ref.object_ = object;
    return ref;
  }
  /// Gives up the reference without releasing it.
  [[nodiscard]] T* detach() { return std::exchange(object_, nullptr); }

  /// The object held, or nullptr.
  T* get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }
  operator T*() const { return object_; }

 private:
  T* object_ = nullptr;
};

}  // namespace platform
