#include "audio/CDAudioInterruptTargetGroup.h"

#include "platform/Log.h"

#include <algorithm>

namespace audio {

CDAudioInterruptTargetGroup* CDAudioInterruptTargetGroup::group() {
  return platform::createAutoreleased<CDAudioInterruptTargetGroup>(
      [](CDAudioInterruptTargetGroup& created) { return created.init(); });
}

bool CDAudioInterruptTargetGroup::init() {
  mute_ = false;
  enabled_ = true;
  children_.clear();
  children_.reserve(32);
  return true;
}

void CDAudioInterruptTargetGroup::addTarget(platform::Object* target, Switch setMute, Switch setEnabled) {
  if (target == this) {
    // The group would own itself and never be freed.
    platform::log("tessera: CDAudioInterruptTargetGroup: a group cannot be its own target");
    return;
  }
  setMute(target, mute_);
  setEnabled(target, enabled_);
  children_.push_back({platform::Ref<platform::Object>(target), setMute, setEnabled});
}

void CDAudioInterruptTargetGroup::removeAudioInterruptTarget(const platform::Object* target) {
  std::erase_if(children_, [target](const Target& child) { return child.object.get() == target; });
}

void CDAudioInterruptTargetGroup::setMute(bool mute) {
  if (mute == mute_) return;
  mute_ = mute;
  passOn(mute, &Target::setMute);
}

void CDAudioInterruptTargetGroup::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  passOn(enabled, &Target::setEnabled);
}

void CDAudioInterruptTargetGroup::passOn(bool flag, Switch Target::*which) {
  // Over a copy, which also keeps every target alive while it is called: a
  // target may add to or remove from this group while it is being switched,
  // and every member at the start of the switch still gets it.
  const std::vector<Target> targets = children_;
  for (const Target& target : targets) (target.*which)(target.object.get(), flag);
}

}  // namespace audio
