#pragma once
// CCTextureCache: the process-wide store of loaded textures. Each image file
// is loaded once and shared by everything that names it; the loader is
// chosen by the file's extension; loads can run on a background thread with
// a GL context of its own; textures that nothing else holds can be dropped.

#include "platform/GLContext.h"
#include "platform/InsertionOrderedMap.h"
#include "platform/Object.h"
#include "platform/Ref.h"
#include "platform/Selector.h"
#include "tessera/CCTexture2D.h"

#include <mutex>
#include <string>

namespace platform {
class Image;
}  // namespace platform

/// One pending background load: who to call back, and the cache key to load.
/// Set once before its thread starts and read-only afterwards.
class CCAsyncObject : public platform::Object {
  PLATFORM_CLASS(CCAsyncObject, platform::Object)

 public:
  /// The callback: a method of target() taking the texture (or nullptr).
  const platform::Selector& selector() const { return selector_; }
  void setSelector(const platform::Selector& selector) { selector_ = selector; }
  /// Retained.
  platform::Object* target() const { return target_.get(); }
  void setTarget(platform::Object* target) { target_ = target; }
  /// The cache key of the file to load.
  const std::string& data() const { return data_; }
  void setData(const std::string& data) { data_ = data; }

 private:
  platform::Selector selector_;
  platform::Ref<platform::Object> target_;
  std::string data_;
};

/// The process-wide store of loaded textures. Each image file is loaded once and
/// shared by everything that names it; the loader is chosen by the file's
/// extension; loads can run on a background thread with a GL context of its own;
/// textures that nothing else holds can be dropped.
///
/// Keys: the file name as the caller gave it, except that at content scale
/// factor 2 every "-hd" in its last component is removed, so "ball-hd.png" and
/// "ball.png" share an entry. Keys are not resolved paths: two spellings of
/// one file make two entries. Entries keep their insertion order.
///
/// Ownership: the cache holds one reference to each texture. addImage()
/// drops the creation reference at once, so a texture nobody else holds has a
/// count of exactly 1 and removeUnusedTextures() removes it. The PVR,
/// raw-PVRTC and image adders return their texture autoreleased, so until the
/// pool drains it counts 2 and survives removeUnusedTextures().
///
/// Threads: the main thread, plus one thread per addImageAsync() of an
/// uncached file. Every access to the entries takes the entry lock, and a
/// load holds it from lookup to store, so one key is never loaded twice.
/// Background loads run one at a time on the cache's auxiliary GL context,
/// which shares objects with the GL view's context. Callbacks always arrive on
/// the main thread. Everything else is for the main thread.
class CCTextureCache : public platform::Object {
  PLATFORM_CLASS(CCTextureCache, platform::Object)

 public:
  // [SECTION] Singleton

  /// The cache, created on first call.
  static CCTextureCache* sharedTextureCache();
  /// Releases the cache and forgets it; the next sharedTextureCache() makes an
  /// empty one. Background loads still running keep the old cache alive until
  /// their callbacks have run.
  static void purgeSharedTextureCache();

  /// Expects no shared cache to exist ("Attempted to allocate a second
  /// instance of a singleton."). Use sharedTextureCache().
  CCTextureCache();

  // [SECTION] Adding

  /// The texture of the image file `path` (resolved through CCFileUtils, so
  /// the "-hd" variant is preferred at scale 2), loaded on the first request
  /// for its key and shared afterwards. ".pvr", ".pvr.gz" and ".pvr.ccz"
  /// (any case) load through addPVRImage(); ".jpg"/".jpeg" on system 4.0 or
  /// later go through a PNG re-encode; anything else decodes as an image.
  /// The result belongs to the cache (not autoreleased); nullptr, with
  /// nothing cached, when the file is missing or can't be decoded.
  /// Expects a path, neither nullptr nor empty ("TextureCache: fileimage
  /// MUST not be nill").
  /// \param path a file name looked up like any resource, or a full path.
  CCTexture2D* addImage(const char* path);
  /// \overload
  CCTexture2D* addImage(const std::string& path);

  /// Loads `path` on a new thread and calls `selector` on `target` with the
  /// texture (nullptr when loading failed) on the main thread, from a later
  /// pass of its run loop; target and texture are retained until then. A
  /// cached key calls back at once, before returning. Expects a path
  /// ("TextureCache: fileimage MUST not be nill").
  /// \param path a file name looked up like any resource, or a full path.
  /// \param target the object to call back; retained until the call.
  /// \param selector a void(CCTexture2D*) method of `target`, made with
  ///   callfuncO_selector().
  void addImageAsync(const char* path, platform::Object* target, const platform::Selector& selector);
  /// \overload
  void addImageAsync(const std::string& path, platform::Object* target, const platform::Selector& selector);

  /// The texture of a decoded image, cached under `key` unless `key` is
  /// empty; a cached key returns its texture. Autoreleased; nullptr when the
  /// texture can't be made. Expects an image ("TextureCache: image MUST not
  /// be nill").
  /// \param image the decoded picture.
  /// \param key the cache key, usually the file name; empty caches nothing.
  CCTexture2D* addCGImage(platform::Image* image, const std::string& key);

  /// The texture of a file of raw PVRTC data (no header) whose square side is
  /// `width`. Autoreleased; nullptr when the file can't be read, is shorter
  /// than the data needs, or the device has no PVRTC support. Expects a path
  /// and `bpp` of 2 or 4 ("TextureCache: bpp must be either 2 or 4").
  /// \param path a file name looked up like any resource, or a full path.
  /// \param bpp bits per pixel, 2 or 4.
  /// \param hasAlpha whether the data is decoded with alpha.
  /// \param width the side of the square image, pixels.
  CCTexture2D* addPVRTCImage(const std::string& path, int bpp, bool hasAlpha, int width);

  /// The texture of a PVR container file, plain or packed. Autoreleased;
  /// nullptr when it can't be read. Expects a path.
  /// \param path a file name looked up like any resource, or a full path.
  CCTexture2D* addPVRImage(const char* path);
  /// \overload
  CCTexture2D* addPVRImage(const std::string& path);

  // [SECTION] Lookup and removal

  /// The texture cached under exactly `key`, or nullptr.
  /// \param key the key the texture was cached under: the path given to
  ///   addImage() without any "-hd" suffix.
  CCTexture2D* textureForKey(const std::string& key);
  /// Removes every key under which `texture` is stored; nullptr is ignored.
  /// \param texture the texture to forget.
  void removeTexture(CCTexture2D* texture);
  /// Removes the texture cached under `key`; an unknown key is ignored.
  /// \param key the key the texture was cached under.
  void removeTextureForKey(const std::string& key);
  /// Removes every texture that only the cache holds (count exactly 1).
  void removeUnusedTextures();
  void removeAllTextures();

  /// "<CCTextureCache = ADDRESS | num of textures = n | keys: (...)>", keys in
  /// insertion order.
  std::string description() const override;

 protected:
  /// dealloc: releases every texture (deleted when nothing else holds it) and
  /// the auxiliary GL context, then forgets the shared instance if it is this.
  ~CCTextureCache() override;

 private:
  // addImage() with the entry lock already held.
  CCTexture2D* addImageLocked(const std::string& path);
  // addPVRImage() with the entry lock already held.
  CCTexture2D* addPVRImageLocked(const std::string& path);
  // The background half of addImageAsync(): runs on its own thread.
  void addImageWithAsyncObject(CCAsyncObject* asyncObject, platform::GLSharegroup* sharegroup);

  platform::InsertionOrderedMap<std::string, platform::Ref<CCTexture2D>> textures_;
  // Recursive: addImage() loads PVR files through addPVRImage().
  mutable std::recursive_mutex dictLock_;
  // Held by a background load for as long as it uses auxiliaryContext_.
  std::mutex contextLock_;
  // Made by the first background load; shares the GL view's objects.
  platform::Ref<platform::GLContext> auxiliaryContext_;
};
