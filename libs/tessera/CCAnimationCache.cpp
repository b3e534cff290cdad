#include "tessera/CCAnimationCache.h"

#include "platform/Assert.h"
#include "platform/StringUtils.h"
#include "tessera/CCAnimation.h"

#include <utility>

namespace {
CCAnimationCache* g_sharedAnimationCache = nullptr;
}  // namespace

// [SECTION] Singleton

CCAnimationCache* CCAnimationCache::sharedAnimationCache() {
  if (g_sharedAnimationCache == nullptr) {
    g_sharedAnimationCache = new CCAnimationCache();
    g_sharedAnimationCache->init();
  }
  return g_sharedAnimationCache;
}

void CCAnimationCache::purgeSharedAnimationCache() {
  if (CCAnimationCache* cache = std::exchange(g_sharedAnimationCache, nullptr)) cache->release();
}

CCAnimationCache::CCAnimationCache() {
  CCAssert(g_sharedAnimationCache == nullptr, "Attempted to allocate a second instance of a singleton.");
}

CCAnimationCache::~CCAnimationCache() {
  if (g_sharedAnimationCache == this) g_sharedAnimationCache = nullptr;
}

bool CCAnimationCache::init() {
  animations_.clear();
  animations_.reserve(20);
  return true;
}

std::string CCAnimationCache::description() const {
  return platform::formatString("<%s = %s | num of animations = %i>", className(),
                                platform::addressString(this).c_str(), static_cast<int>(animations_.size()));
}

// [SECTION] Animations

void CCAnimationCache::addAnimation(CCAnimation* animation, const std::string& name) {
  if (animation == nullptr) return;
  animations_[name] = animation;
}

void CCAnimationCache::removeAnimationByName(const std::string& name) { animations_.erase(name); }

CCAnimation* CCAnimationCache::animationByName(const std::string& name) const {
  auto found = animations_.find(name);
  return found == animations_.end() ? nullptr : found->second.get();
}
