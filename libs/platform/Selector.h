#pragma once
// Selectors: a method named by its keyword name ("tick:") plus the member
// function that implements it, bound once and called directly afterwards.

#include "platform/Object.h"

#include <cstdint>
#include <string_view>

// Member function pointers are stored type-erased and cast back to their exact
// type before each call, which is well defined; silence GCC's warning about the
// round trip.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"

namespace platform {

/// A selector: a method named by its keyword name ("tick:") plus the member
/// function that implements it, bound once and called directly afterwards.
///
/// Two selectors are equal when their names are, whatever class they were taken
/// from: the same method name in a base and a subclass is one selector. Names
/// are interned, so comparing is a pointer compare.
///
/// Supported signatures (the method families the engine calls):
///   void(float)             schedule_selector      "name:"
///   void()                  callfunc_selector      "name"
///   void(T*)  T an Object   callfuncN/O, menu      "name:"
///   void(T*, void*)         callfuncND_selector    "name:data:"
class Selector {
 public:
  /// The method's signature: none (the null selector), void(float), void(),
  /// void(T*) or void(T*, void*).
  enum class Kind : std::uint8_t { None, Float, Void, Object, ObjectData };

  /// The null selector ("no selector").
  Selector() = default;

  template <class C>
  Selector(std::string_view qualifiedName, void (C::*method)(float))
      : Selector(qualifiedName, Kind::Float, erase(static_cast<void (platform::Object::*)(float)>(method)),
                 nullptr) {}
  template <class C>
  Selector(std::string_view qualifiedName, void (C::*method)())
      : Selector(qualifiedName, Kind::Void, erase(static_cast<void (platform::Object::*)()>(method)),
                 nullptr) {}
  template <class C, class A>
  Selector(std::string_view qualifiedName, void (C::*method)(A*))
      : Selector(qualifiedName, Kind::Object, erase(static_cast<void (platform::Object::*)(A*)>(method)),
                 reinterpret_cast<void (*)()>(&callWithObject<A>)) {}
  template <class C, class A>
  Selector(std::string_view qualifiedName, void (C::*method)(A*, void*))
      : Selector(qualifiedName, Kind::ObjectData,
                 erase(static_cast<void (platform::Object::*)(A*, void*)>(method)),
                 reinterpret_cast<void (*)()>(&callWithObjectAndData<A>)) {}

  /// A selector that only carries a name (for comparisons); invoking it does nothing.
  static Selector named(std::string_view name);

  /// The keyword name with its colons ("tick:"), or "" for the null selector.
  const char* name() const { return name_ ? name_ : ""; }
  Kind kind() const { return kind_; }
  bool isNull() const { return name_ == nullptr; }
  explicit operator bool() const { return name_ != nullptr; }
  /// True when a method is bound (not only a name).
  bool hasMethod() const { return method_ != nullptr; }

  friend bool operator==(const Selector& a, const Selector& b) { return a.name_ == b.name_; }

  /// Calls a void(float) method. The target must be of the method's class.
  void operator()(platform::Object* target, float value) const {
    if (kind_ == Kind::Float) (target->*reinterpret_cast<void (platform::Object::*)(float)>(method_))(value);
  }
  /// Calls a void() method; a one-argument method gets nullptr.
  void operator()(platform::Object* target) const;
  /// Calls a method with an object argument; a void() method is called without it.
  void operator()(platform::Object* target, platform::Object* argument) const;
  /// Calls a method with an object and an untyped pointer.
  void operator()(platform::Object* target, platform::Object* argument, void* data) const;

 private:
  using Erased = void (platform::Object::*)();

  template <class M>
  static Erased erase(M method) {
    return reinterpret_cast<Erased>(method);
  }
  template <class A>
  static void callWithObject(platform::Object* target, Erased method, platform::Object* argument) {
    auto typed = reinterpret_cast<void (platform::Object::*)(A*)>(method);
    (target->*typed)(static_cast<A*>(argument));
  }
  template <class A>
  static void callWithObjectAndData(platform::Object* target, Erased method,
                                    platform::Object* argument, void* data) {
    auto typed = reinterpret_cast<void (platform::Object::*)(A*, void*)>(method);
    (target->*typed)(static_cast<A*>(argument), data);
  }

  Selector(std::string_view qualifiedName, Kind kind, Erased method, void (*thunk)());

  const char* name_ = nullptr;
  Kind kind_ = Kind::None;
  Erased method_ = nullptr;
  void (*thunk_)() = nullptr;
};

/// Interns `name`: equal texts give the same pointer, valid for the whole run.
const char* internSelectorName(std::string_view name);

}  // namespace platform

#pragma GCC diagnostic pop

/// A selector from a qualified member function name: CC_SEL(HelloWorld::tick).
#define CC_SEL(Method) ::platform::Selector(#Method, &Method)
#define schedule_selector(Method) CC_SEL(Method)
#define callfunc_selector(Method) CC_SEL(Method)
#define callfuncN_selector(Method) CC_SEL(Method)
#define callfuncND_selector(Method) CC_SEL(Method)
#define callfuncO_selector(Method) CC_SEL(Method)
#define menu_selector(Method) CC_SEL(Method)
