#pragma once
// CDAudioInterruptTargetGroup: passes mute and enable switches on to many
// audio objects at once: sound sources, long audio sources, the sound engine,
// other groups (groups nest).

#include "platform/Object.h"
#include "platform/Ref.h"

#include <concepts>
#include <cstddef>
#include <vector>

namespace audio {

/// An object the group can switch: counted, with setMute(bool) and setEnabled(bool).
template <class T>
concept CDAudioInterruptTarget = std::derived_from<T, platform::Object> && requires(T& target, bool flag) {
  target.setMute(flag);
  target.setEnabled(flag);
};

/// Passes mute and enable switches on to many audio objects at once: sound
/// sources, long audio sources, the sound engine, other groups (groups nest).
///
/// A target is any counted object with setMute(bool) and setEnabled(bool)
/// (the CDAudioInterruptTarget concept). Adding a target gives it the group's
/// current flags at once, so a target added while the group is muted starts
/// muted. A switch that changes a flag is passed to every target in the order
/// they were added; one that changes nothing passes nothing.
///
/// Targets are retained until removed or the group goes. The group stores its
/// flag before telling its targets, so groups that contain each other settle
/// after one round instead of recursing; a group is never added to itself.
///
/// Cost: a switch copies the member list (so members may join or leave during
/// it) and makes one call per target; the list has room for 32 targets at
/// creation and grows beyond that.
class CDAudioInterruptTargetGroup : public platform::Object {
  PLATFORM_CLASS(CDAudioInterruptTargetGroup, platform::Object)
 public:
  /// A new empty group (autoreleased): not muted, enabled.
  static CDAudioInterruptTargetGroup* group();
  /// Not muted, enabled, no targets. Always true.
  bool init();

  /// Gives `target` the group's mute and enabled flags, then appends it.
  /// A null target, or the group itself, is ignored.
  template <CDAudioInterruptTarget T>
  void addAudioInterruptTarget(T* target) {
    if (target == nullptr) return;
    addTarget(target, &switchMute<T>, &switchEnabled<T>);
  }
  /// Removes every occurrence of that very object (not an equal one).
  void removeAudioInterruptTarget(const platform::Object* target);
  /// Targets held, counting repeats.
  std::size_t audioInterruptTargetCount() const { return children_.size(); }

  bool mute() const { return mute_; }
  /// On a change: stores the flag and passes it to every target in order.
  void setMute(bool mute);
  bool enabled() const { return enabled_; }
  /// On a change: stores the flag and passes it to every target in order.
  void setEnabled(bool enabled);

 private:
  using Switch = void (*)(platform::Object*, bool);
  struct Target {
    platform::Ref<platform::Object> object;  // retained
    Switch setMute = nullptr;
    Switch setEnabled = nullptr;
  };

  template <class T>
  static void switchMute(platform::Object* target, bool mute) {
    static_cast<T*>(target)->setMute(mute);
  }
  template <class T>
  static void switchEnabled(platform::Object* target, bool enabled) {
    static_cast<T*>(target)->setEnabled(enabled);
  }
  void addTarget(platform::Object* target, Switch setMute, Switch setEnabled);
  void passOn(bool flag, Switch Target::*which);

  bool mute_ = false;
  bool enabled_ = true;
  std::vector<Target> children_;
};

}  // namespace audio
