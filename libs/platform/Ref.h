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
  Ref() = default;
  Ref(std::nullptr_t) {}
  /// Retains `object`.
  Ref(T* object) : object_(object) {
    if (object_) object_->retain();
  }
  Ref(const Ref& other) : Ref(other.object_) {}
  Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  template <class U>
  Ref(const Ref<U>& other) : Ref(other.get()) {}
  ~Ref() {
    if (object_) object_->release();
  }

  Ref& operator=(const Ref& other) {
    reset(other.object_);
    return *this;
  }
  Ref& operator=(Ref&& other) noexcept {
    if (this != &other) {
      T* old = std::exchange(object_, std::exchange(other.object_, nullptr));
      if (old) old->release();
    }
    return *this;
  }
  Ref& operator=(T* object) {
    reset(object);
    return *this;
  }

  /// Retains `object`, then releases the previous value.
  void reset(T* object = nullptr) {
    if (object) object->retain();
    T* old = std::exchange(object_, object);
    if (old) old->release();
  }
  /// Takes over a reference the caller already owns (no retain).
  static Ref adopt(T* object) {
    Ref ref;
    ref.object_ = object;
    return ref;
  }
  /// Gives up the reference without releasing it.
  [[nodiscard]] T* detach() { return std::exchange(object_, nullptr); }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }
  operator T*() const { return object_; }

 private:
  T* object_ = nullptr;
};

}  // namespace platform
