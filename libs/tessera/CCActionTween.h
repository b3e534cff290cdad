#pragma once
// CCActionTween: an interval action that runs a float property of its target,
// named by a key, from one value to another.
//
// Properties by name: a small, explicit registry maps (class, key) to a
// setter function. A lookup starts at the target's own class and walks up
// through its parents, so a key registered for CCNode serves every node. The
// engine registers:
//   CCNode           rotation, scale, scaleX, scaleY, vertexZ
//   CCProgressTimer  percentage
// Applications add their own with registerFloatProperty(); an entry
// registered later for the same class and key wins. The setter is looked up
// once, when the action starts.
//
// Cost: one call through the resolved setter per frame.

#include "platform/Object.h"
#include "tessera/CCActionInterval.h"

#include <string>
#include <string_view>

/// Sets one float property of `target`, which is of the registered class.
using CCFloatSetter = void (*)(platform::Object* target, float value);

/// Declares `static Class* actionWithDuration(duration, key, from, to)`
/// building a Class, for subclasses of CCActionTween.
#define CC_TWEEN_FACTORY(Class)                                                                              \
  /** A new autoreleased tween. \param duration seconds it lasts.                                            \
      \param key the name of the float property it sets. \param from the value at the start.                 \
      \param to the value at the end. */                                                                     \
  static Class* actionWithDuration(float duration, const std::string& key, float from, float to) {           \
    return ::platform::createAutoreleased<Class>(                                                            \
        [&](Class& tween) { return tween.initWithDuration(duration, key, from, to); });                     \
  }

/// property = to − (to − from) × (1 − t), and exactly `from` at t = 0 (the
/// formula alone can round it away) and `to` at t = 1. An empty key tweens nothing. Its reverse runs from `to` to `from`.
class CCActionTween : public CCActionInterval {
  PLATFORM_CLASS(CCActionTween, CCActionInterval)

 public:
  CC_TWEEN_FACTORY(CCActionTween)

  /// Interval init, then keeps a copy of `key` and both values.
  virtual bool initWithDuration(float duration, const std::string& key, float from, float to);
  using CCActionInterval::initWithDuration;

  /// A new tween of the same class (count 1) with the same duration, key and
  /// values; no tag.
  CCActionTween* copy() const override;
  /// A new autoreleased tween of the same class, same key, from `to` to
  /// `from`, same duration.
  CCActionTween* reverse() const override;

  /// Base start, then works out the difference and finds the property's
  /// setter. Expects the target's class (or a parent) to have the key
  /// ("CCActionTween: unknown key '<key>' for <Class>"); the tween then sets
  /// nothing.
  void startWithTarget(platform::Object* target) override;
  void update(float t) override;

  const std::string& key() const { return key_; }

  // [SECTION] The registry

  /// Registers `setter` for the float property `key` of `classInfo` and its
  /// subclasses. Main thread only.
  /// \param classInfo the class (PLATFORM_CLASS's classInfo_).
  /// \param key the property's name.
  /// \param setter the function that sets it.
  static void registerFloatProperty(const platform::ClassInfo& classInfo, std::string_view key, CCFloatSetter setter);
  /// The setter for `key` on objects of `classInfo`, looked up through the
  /// parents; nullptr when none has the key.
  /// \param classInfo the class (PLATFORM_CLASS's classInfo_).
  /// \param key the property's name.
  static CCFloatSetter floatSetter(const platform::ClassInfo& classInfo, std::string_view key);
  /// Sets the property `key` of `target` to `value`. False, changing nothing,
  /// for a nullptr target or an unknown key.
  static bool setFloatForKey(platform::Object* target, std::string_view key, float value);

 protected:
  ~CCActionTween() override = default;

  std::string key_;
  float from_ = 0.0f;
  float to_ = 0.0f;
  float delta_ = 0.0f;
  CCFloatSetter setter_ = nullptr;  // resolved at start
};
