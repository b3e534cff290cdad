#pragma once
// The root of every reference-counted class, its class information and the
// class registry.
//
// Counting: an object starts with a count of 1 (owned by its creator).
// retain() adds one, release() removes one and destroys the object at zero,
// autorelease() queues one release for the innermost AutoreleasePool of the
// calling thread. A pending autorelease still counts in retainCount(), so a
// freshly made factory object reports 1 until its pool drains.
//
// Class information: every class names itself once with PLATFORM_CLASS, which
// gives className() ("CCNode", never a mangled name), isKindOf(), a registry
// lookup by name (ClassInfo::named) and "a new instance of the same class"
// (ClassInfo::newInstance) for copies and reverses.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace platform {

class Object;

/// What the runtime knows about a class: its name, its parent and how to make
/// a default-constructed instance (null for abstract classes).
struct ClassInfo {
  /// Automatic: named() finds the class from the start. OnDemand: only after
  /// registerClass() (PLATFORM_CLASS_ON_DEMAND).
  enum class Registration { Automatic, OnDemand };

  ClassInfo(const char* name, const ClassInfo* parent, Object* (*create)(),
            Registration registration = Registration::Automatic);
  ClassInfo(const ClassInfo&) = delete;
  ClassInfo& operator=(const ClassInfo&) = delete;

  /// The registered class with that exact name, or nullptr.
  static const ClassInfo* named(std::string_view name);
  /// Makes the class findable by name (classes declared OnDemand start hidden).
  static void registerClass(const ClassInfo& info);
  /// Hides the class from named() again. Does nothing for an unknown class.
  static void unregisterClass(const ClassInfo& info);
  /// Makes named(alias) find `info` as well: a class known to callers under
  /// another name. `alias` must outlive the program (a string literal).
  static void registerAlias(const char* alias, const ClassInfo& info);

  /// True when this class is `other` or derives from it.
  bool isSubclassOf(const ClassInfo& other) const;
  /// A new default-initialised (not yet init-ed) instance with count 1, or
  /// nullptr for an abstract class.
  Object* newInstance() const { return create ? create() : nullptr; }

  const char* name;
  const ClassInfo* parent;
  Object* (*create)();
};

namespace detail {
// Counted classes usually keep their destructor protected, which makes
// std::is_default_constructible false; only the new-expression matters here.
template <class T>
Object* createInstance() {
  if constexpr (std::is_abstract_v<T> || !requires { new T(); }) {
    return nullptr;
  } else {
    return new T();
  }
}
}  // namespace detail

/// Declares the class information of `Name`, a subclass of `Parent`. Put it at
/// the top of the class body; it leaves the access at public.
#define PLATFORM_CLASS(Name, Parent)                                                        \
 public:                                                                                    \
  static inline const ::platform::ClassInfo classInfo_{#Name, &Parent::classInfo_,        \
                                                       &::platform::detail::createInstance<Name>}; \
  const ::platform::ClassInfo& classInfo() const override { return classInfo_; }

/// As PLATFORM_CLASS, for a class that named() finds only after
/// ClassInfo::registerClass (platform services that may be absent).
#define PLATFORM_CLASS_ON_DEMAND(Name, Parent)                                              \
 public:                                                                                    \
  static inline const ::platform::ClassInfo classInfo_{                                     \
      #Name, &Parent::classInfo_, &::platform::detail::createInstance<Name>,                \
      ::platform::ClassInfo::Registration::OnDemand};                                       \
  const ::platform::ClassInfo& classInfo() const override { return classInfo_; }

/// The root object. Heap only: the destructor is protected and runs from
/// release(). Copying is explicit through copy().
class Object {
 public:
  /// The class information of this class; every PLATFORM_CLASS declares its
  /// own. Pass it to isKindOf() (`node->isKindOf(CCSprite::classInfo_)`).
  static inline const ClassInfo classInfo_{"Object", nullptr, &detail::createInstance<Object>};
  /// The class information of the object's own class.
  virtual const ClassInfo& classInfo() const { return classInfo_; }

  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  /// The class's own name, as declared with PLATFORM_CLASS.
  const char* className() const { return classInfo().name; }
  /// True when the object's class is `info` or derives from it.
  /// \param info a class's classInfo_.
  bool isKindOf(const ClassInfo& info) const { return classInfo().isSubclassOf(info); }

  /// Adds one reference. Any thread.
  void retain() noexcept { refCount_.fetch_add(1, std::memory_order_relaxed); }
  /// Drops one reference; destroys the object when it was the last.
  void release() noexcept;
  /// Queues one release for the innermost pool of this thread. Returns this.
  Object* autorelease();
  /// References held, including releases still pending in pools.
  uint32_t retainCount() const noexcept {
    return static_cast<uint32_t>(refCount_.load(std::memory_order_acquire));
  }

  /// A new object (count 1, owned by the caller) copied by the class's own
  /// copy rule. The root object has none: it fails an assertion and returns
  /// nullptr.
  virtual Object* copy() const;
  /// One line of text describing the object: "<ClassName = ADDRESS>".
  virtual std::string description() const;
  /// Identity by default.
  virtual bool isEqual(const Object* other) const { return this == other; }

  /// The scheduler's per-frame callback ("update:"). Does nothing by default.
  virtual void update(float dt) {}

 protected:
  /// The object's teardown ("dealloc").
  virtual ~Object() = default;

 private:
  std::atomic<int32_t> refCount_{1};
};

/// The object's address as at least eight upper-case hexadecimal digits, the
/// form descriptions print.
std::string addressString(const Object* object);
/// description() of the object, or "(null)".
std::string describe(const Object* object);

/// Autoreleases `object` (when not null) and returns it with its own type.
template <class T>
T* autoreleased(T* object) {
  if (object) object->autorelease();
  return object;
}

/// Makes a T, runs `init` on it and returns it autoreleased; when `init`
/// returns false the object is released and nullptr returned.
template <class T, class Init>
T* createAutoreleased(Init&& init) {
  T* object = new T();
  if (!init(*object)) {
    object->release();
    return nullptr;
  }
  object->autorelease();
  return object;
}

}  // namespace platform
