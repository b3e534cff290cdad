#include "tessera/CCTextureCache.h"

#include "platform/Assert.h"
#include "platform/AutoreleasePool.h"
#include "platform/GLContext.h"
#include "platform/Image.h"
#include "platform/Log.h"
#include "platform/RunLoop.h"
#include "platform/StringUtils.h"
#include "platform/Value.h"
#include "tessera/CCConfiguration.h"
#include "tessera/CCDirector.h"
#include "tessera/CCTexture2D.h"
#include "tessera/Platforms/iOS/EAGLView.h"
#include "tessera/Support/CCFileUtils.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

// [SECTION] Singleton
// [SECTION] Adding
// [SECTION] Background loading
// [SECTION] Lookup and removal

using platform::Ref;

namespace {

CCTextureCache* g_sharedTextureCache = nullptr;

// Systems from this version on load JPEG files through a PNG re-encode.
constexpr std::uint32_t kJPEGThroughPNGVersion = 0x04000000;

std::string asciiLowercase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// Decodes the image file at `fullPath` (through a PNG re-encode when asked),
// or nullptr.
Ref<platform::Image> loadImage(const std::string& fullPath, bool throughPNG) {
  Ref<platform::Image> image = Ref<platform::Image>::adopt(new platform::Image());
  if (!image->initWithContentsOfFile(fullPath)) return nullptr;
  if (!throughPNG) return image;
  std::optional<std::vector<uint8_t>> png = image->encodePNG();
  if (!png) return nullptr;
  Ref<platform::Image> reencoded = Ref<platform::Image>::adopt(new platform::Image());
  if (!reencoded->initWithData(*png)) return nullptr;
  return reencoded;
}

// The objects a background load's context shares: the GL view's, or else the
// calling thread's current context's. Main thread.
platform::GLSharegroup* sharegroupForBackgroundLoads() {
  if (CCDirector* director = CCDirector::existingDirector()) {
    if (EAGLView* view = director->openGLView(); view != nullptr && view->context() != nullptr) {
      return view->context()->sharegroup();
    }
  }
  if (platform::GLContext* current = platform::GLContext::currentContext()) return current->sharegroup();
  return nullptr;
}

}  // namespace

// [SECTION] Singleton

CCTextureCache* CCTextureCache::sharedTextureCache() {
  if (g_sharedTextureCache == nullptr) g_sharedTextureCache = new CCTextureCache();
  return g_sharedTextureCache;
}

void CCTextureCache::purgeSharedTextureCache() {
  if (CCTextureCache* cache = std::exchange(g_sharedTextureCache, nullptr)) cache->release();
}

CCTextureCache::CCTextureCache() {
  CCAssert(g_sharedTextureCache == nullptr, "Attempted to allocate a second instance of a singleton.");
}

CCTextureCache::~CCTextureCache() {
  {
    std::lock_guard lock(dictLock_);
    textures_.clear();
  }
  auxiliaryContext_ = nullptr;
  if (g_sharedTextureCache == this) g_sharedTextureCache = nullptr;
}

std::string CCTextureCache::description() const {
  platform::Value::Array keys;
  std::size_t count = 0;
  {
    std::lock_guard lock(dictLock_);
    count = textures_.size();
    for (const auto& entry : textures_) keys.emplace_back(entry.key);
  }
  return platform::formatString("<%s = %s | num of textures = %i | keys: %s>", className(),
                                platform::addressString(this).c_str(), static_cast<int>(count),
                                platform::Value(std::move(keys)).description().c_str());
}

// [SECTION] Adding

CCTexture2D* CCTextureCache::addImage(const char* path) {
  CCAssert(path != nullptr, "TextureCache: fileimage MUST not be nill");
  if (path == nullptr) return nullptr;
  return addImage(std::string(path));
}

CCTexture2D* CCTextureCache::addImage(const std::string& path) {
  // An empty name is as much a caller's bug as no name: it names no file.
  CCAssert(!path.empty(), "TextureCache: fileimage MUST not be nill");
  if (path.empty()) return nullptr;
  std::lock_guard lock(dictLock_);
  return addImageLocked(path);
}

CCTexture2D* CCTextureCache::addImageLocked(const std::string& path) {
  const std::string key = CCFileUtils::removeHDSuffixFromFile(path);
  if (Ref<CCTexture2D>* cached = textures_.findValue(key)) return cached->get();

  const std::string lowerCase = asciiLowercase(key);
  if (platform::hasSuffix(lowerCase, ".pvr") || platform::hasSuffix(lowerCase, ".pvr.gz") ||
      platform::hasSuffix(lowerCase, ".pvr.ccz")) {
    return addPVRImageLocked(key);
  }

  const bool isJPEG = platform::hasSuffix(lowerCase, ".jpg") || platform::hasSuffix(lowerCase, ".jpeg");
  const bool throughPNG = isJPEG && CCConfiguration::sharedConfiguration()->OSVersion() >= kJPEGThroughPNGVersion;
  Ref<platform::Image> image = loadImage(CCFileUtils::fullPathFromRelativePath(path), throughPNG);
  if (!image) return nullptr;

  // The creation reference goes when `created` does: the cache then holds the
  // only one.
  Ref<CCTexture2D> created = Ref<CCTexture2D>::adopt(new CCTexture2D());
  if (!created->initWithImage(image)) return nullptr;
  textures_.insert(key, created);
  return created.get();
}

CCTexture2D* CCTextureCache::addCGImage(platform::Image* image, const std::string& key) {
  CCAssert(image != nullptr, "TextureCache: image MUST not be nill");
  if (image == nullptr) return nullptr;

  std::lock_guard lock(dictLock_);
  if (!key.empty()) {
    if (Ref<CCTexture2D>* cached = textures_.findValue(key)) return cached->get();
  }
  Ref<CCTexture2D> created = Ref<CCTexture2D>::adopt(new CCTexture2D());
  if (!created->initWithImage(image)) return nullptr;
  if (!key.empty()) textures_.insert(key, created);
  return platform::autoreleased(created.detach());
}

CCTexture2D* CCTextureCache::addPVRTCImage(const std::string& path, int bpp, bool hasAlpha, int width) {
  CCAssert(bpp == 2 || bpp == 4, "TextureCache: bpp must be either 2 or 4");
  if (bpp != 2 && bpp != 4) return nullptr;

  std::lock_guard lock(dictLock_);
  const std::string key = CCFileUtils::removeHDSuffixFromFile(path);
  if (Ref<CCTexture2D>* cached = textures_.findValue(key)) return cached->get();

  unsigned char* data = nullptr;
  const int length = ccLoadFileIntoMemory(CCFileUtils::fullPathFromRelativePath(path).c_str(), &data);
  if (length < 0) return nullptr;
  // The upload reads bpp × width² / 8 bytes (at least 32): a shorter file
  // would have it read past the data.
  const int64_t needed = std::max<int64_t>(int64_t(bpp) * width * width / 8, 32);
  Ref<CCTexture2D> created;
  if (width > 0 && length >= needed) {
    created = Ref<CCTexture2D>::adopt(new CCTexture2D());
    if (!created->initWithPVRTCData(data, 0, bpp, hasAlpha, width)) created = nullptr;
  }
  std::free(data);
  if (!created) return nullptr;
  textures_.insert(key, created);
  return platform::autoreleased(created.detach());
}

CCTexture2D* CCTextureCache::addPVRImage(const char* path) {
  CCAssert(path != nullptr, "TextureCache: fileimage MUST not be nill");
  if (path == nullptr) return nullptr;
  return addPVRImage(std::string(path));
}

CCTexture2D* CCTextureCache::addPVRImage(const std::string& path) {
  std::lock_guard lock(dictLock_);
  return addPVRImageLocked(path);
}

CCTexture2D* CCTextureCache::addPVRImageLocked(const std::string& path) {
  const std::string key = CCFileUtils::removeHDSuffixFromFile(path);
  if (Ref<CCTexture2D>* cached = textures_.findValue(key)) return cached->get();

  Ref<CCTexture2D> created = Ref<CCTexture2D>::adopt(new CCTexture2D());
  if (!created->initWithPVRFile(CCFileUtils::fullPathFromRelativePath(path))) return nullptr;
  textures_.insert(key, created);
  return platform::autoreleased(created.detach());
}

// [SECTION] Background loading

void CCTextureCache::addImageAsync(const char* path, platform::Object* target, const platform::Selector& selector) {
  CCAssert(path != nullptr, "TextureCache: fileimage MUST not be nill");
  if (path == nullptr) return;
  addImageAsync(std::string(path), target, selector);
}

void CCTextureCache::addImageAsync(const std::string& path, platform::Object* target,
                                   const platform::Selector& selector) {
  CCAssert(!path.empty(), "TextureCache: fileimage MUST not be nill");
  if (path.empty()) return;
  const std::string key = CCFileUtils::removeHDSuffixFromFile(path);
  if (CCTexture2D* cached = textureForKey(key)) {
    if (target != nullptr) selector(target, cached);
    return;
  }

  Ref<CCAsyncObject> asyncObject = Ref<CCAsyncObject>::adopt(new CCAsyncObject());
  asyncObject->setSelector(selector);
  asyncObject->setTarget(target);
  asyncObject->setData(key);

#ifdef __EMSCRIPTEN__
  // The web build has no threads: the image loads at the main loop's next
  // pass, in the view's context, and the callback follows as it would.
  platform::performOnMainThread(
      [cache = Ref<CCTextureCache>(this), asyncObject] {
        Ref<CCTexture2D> texture = cache->addImage(asyncObject->data());
        if (Ref<platform::Object> target = asyncObject->target()) asyncObject->selector()(target.get(), texture.get());
      },
      false);
  return;
#endif
  // Decided here, on the main thread: the director and the device record are
  // main-thread objects. The record is read while a context is current, so
  // the loading thread only ever reads it.
  Ref<platform::GLSharegroup> sharegroup = sharegroupForBackgroundLoads();
  if (platform::GLContext::currentContext() != nullptr) CCConfiguration::sharedConfiguration();

  std::thread([cache = Ref<CCTextureCache>(this), asyncObject, sharegroup]() mutable {
    cache->addImageWithAsyncObject(asyncObject.get(), sharegroup.get());
    // The last references to the cache and the target go on the main thread,
    // after the callback: their teardown may touch GL or the scene.
    platform::performOnMainThread(
        [cache = std::move(cache), asyncObject = std::move(asyncObject), sharegroup = std::move(sharegroup)] {},
        false);
  }).detach();
}

void CCTextureCache::addImageWithAsyncObject(CCAsyncObject* asyncObject, platform::GLSharegroup* sharegroup) {
  platform::AutoreleasePool pool;
  std::lock_guard contextLock(contextLock_);

  if (!auxiliaryContext_) {
    auxiliaryContext_ = platform::GLContext::contextWithAPI(platform::GLContext::API::ES1, sharegroup);
  }
  if (!auxiliaryContext_ || !platform::GLContext::setCurrentContext(auxiliaryContext_)) {
    CCLOG("tessera: CCTextureCache: no GL context for loading '%s' in the background", asyncObject->data().c_str());
    return;
  }

  Ref<CCTexture2D> texture;
  {
    // Drained while the context is current, so nothing made here is released
    // later on a thread without one.
    platform::AutoreleasePool loadPool;
    texture = addImage(asyncObject->data());
  }
  // The upload must be complete before the main context samples the texture.
  glFinish();
  platform::performOnMainThread(
      [target = Ref<platform::Object>(asyncObject->target()), selector = asyncObject->selector(), texture] {
        if (target) selector(target.get(), texture.get());
      },
      false);
  platform::GLContext::setCurrentContext(nullptr);
}

// [SECTION] Lookup and removal

CCTexture2D* CCTextureCache::textureForKey(const std::string& key) {
  std::lock_guard lock(dictLock_);
  Ref<CCTexture2D>* found = textures_.findValue(key);
  return found ? found->get() : nullptr;
}

void CCTextureCache::removeTexture(CCTexture2D* texture) {
  if (texture == nullptr) return;
  // Kept alive until every key is checked: the first erase may drop the last
  // other reference.
  const Ref<CCTexture2D> keep(texture);
  std::lock_guard lock(dictLock_);
  for (auto entry = textures_.begin(); entry != textures_.end();) {
    entry = entry->value.get() == texture ? textures_.erase(entry) : std::next(entry);
  }
}

void CCTextureCache::removeTextureForKey(const std::string& key) {
  std::lock_guard lock(dictLock_);
  textures_.erase(key);
}

void CCTextureCache::removeUnusedTextures() {
  std::lock_guard lock(dictLock_);
  for (auto entry = textures_.begin(); entry != textures_.end();) {
    entry = entry->value->retainCount() == 1 ? textures_.erase(entry) : std::next(entry);
  }
}

void CCTextureCache::removeAllTextures() {
  std::lock_guard lock(dictLock_);
  textures_.clear();
}
