#pragma once
// CCAnimationCache: the process-wide registry of animations by name, so an
// animation built once can be found again (for example by a sprite that
// shows a given frame of a named animation).

#include "platform/Object.h"
#include "platform/Ref.h"
#include "tessera/CCAnimation.h"

#include <cstddef>
#include <string>
#include <unordered_map>

/// The process-wide registry of animations by name, so an animation built once
/// can be found again (for example by a sprite that shows a given frame of a
/// named animation).
///
/// The cache holds one reference to each animation. It is filed under the
/// name given to addAnimation(), whatever the animation's own name is.
///
/// Main thread only.
class CCAnimationCache : public platform::Object {
  PLATFORM_CLASS(CCAnimationCache, platform::Object)

 public:
  // [SECTION] Singleton

  /// The shared cache, made on the first call.
  static CCAnimationCache* sharedAnimationCache();
  /// Releases the shared cache (and with it every animation nothing else
  /// holds) and forgets it; the next sharedAnimationCache() makes an empty
  /// one. Does nothing when there is none.
  static void purgeSharedAnimationCache();

  /// Expects no shared cache to exist ("Attempted to allocate a second
  /// instance of a singleton."). Use sharedAnimationCache().
  CCAnimationCache();
  /// An empty table. Always succeeds.
  bool init();

  /// "<CCAnimationCache = ADDRESS | num of animations = N>".
  std::string description() const override;

  // [SECTION] Animations

  /// Files `animation` under `name`, replacing (and releasing) the animation
  /// filed there before. A null animation is ignored.
  /// \param animation the animation (retained by the cache).
  /// \param name the name it is filed under.
  void addAnimation(CCAnimation* animation, const std::string& name);
  /// Removes the animation filed under `name`; an unknown name does nothing.
  /// \param name the name it is filed under.
  void removeAnimationByName(const std::string& name);
  /// The animation filed under `name`, or nullptr.
  /// \param name the name it is filed under.
  CCAnimation* animationByName(const std::string& name) const;
  /// Number of animations filed.
  std::size_t animationCount() const { return animations_.size(); }

 protected:
  /// dealloc: releases every animation, then forgets the shared instance if
  /// it is this one.
  ~CCAnimationCache() override;

 private:
  std::unordered_map<std::string, platform::Ref<CCAnimation>> animations_;
};
