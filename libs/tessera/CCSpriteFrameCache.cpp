#include "tessera/CCSpriteFrameCache.h"

#include "platform/Assert.h"
#include "platform/Geometry.h"
#include "platform/PropertyList.h"
#include "platform/StringUtils.h"
#include "tessera/CCSprite.h"
#include "tessera/CCSpriteFrame.h"
#include "tessera/CCTexture2D.h"
#include "tessera/CCTextureCache.h"
#include "tessera/Support/CCFileUtils.h"

#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

CCSpriteFrameCache* g_sharedSpriteFrameCache = nullptr;

// An "originalWidth"/"originalHeight" made non-negative. Computed in 64 bits:
// the integer reading saturates at INT32_MIN, whose negation does not fit.
float absoluteInteger(const platform::Value& value) {
  return static_cast<float>(std::llabs(static_cast<long long>(value.intValue())));
}

// The list at `plist`, resolved as a resource; null when it cannot be read.
platform::Value readList(const std::string& plist) {
  std::optional<platform::Value> list =
      platform::readPropertyListFile(CCFileUtils::fullPathFromRelativePath(plist));
  return list ? std::move(*list) : platform::Value();
}

}  // namespace

// [SECTION] Singleton

CCSpriteFrameCache* CCSpriteFrameCache::sharedSpriteFrameCache() {
  if (g_sharedSpriteFrameCache == nullptr) {
    g_sharedSpriteFrameCache = new CCSpriteFrameCache();
    g_sharedSpriteFrameCache->init();
  }
  return g_sharedSpriteFrameCache;
}

void CCSpriteFrameCache::purgeSharedSpriteFrameCache() {
  if (CCSpriteFrameCache* cache = std::exchange(g_sharedSpriteFrameCache, nullptr)) cache->release();
}

CCSpriteFrameCache::CCSpriteFrameCache() {
  CCAssert(g_sharedSpriteFrameCache == nullptr, "Attempted to allocate a second instance of a singleton.");
}

CCSpriteFrameCache::~CCSpriteFrameCache() {
  if (g_sharedSpriteFrameCache == this) g_sharedSpriteFrameCache = nullptr;
}

bool CCSpriteFrameCache::init() {
  spriteFrames_.clear();
  spriteFrames_.reserve(100);
  spriteFramesAliases_.clear();
  spriteFramesAliases_.reserve(10);
  return true;
}

std::string CCSpriteFrameCache::description() const {
  return std::string("<") + className() + " = " + platform::addressString(this) +
         " | num of sprite frames = " + std::to_string(spriteFrames_.size()) + ">";
}

// [SECTION] Adding frames

void CCSpriteFrameCache::addSpriteFramesWithDictionary(const platform::Value& dictionary, CCTexture2D* texture) {
  const platform::Value& metadata = dictionary["metadata"];
  const std::int32_t format = metadata.isDict() ? metadata["format"].intValue() : 0;
  CCAssert(static_cast<std::uint32_t>(format) <= 3,
           "tessera: WARNING: format is not supported for CCSpriteFrameCache addSpriteFramesWithDictionary:texture:");
  // Frames of an unknown format would be made of whatever keys happen to
  // match; add none.
  if (static_cast<std::uint32_t>(format) > 3) return;

  const platform::Value& frames = dictionary["frames"];
  if (!frames.isDict()) return;

  for (const platform::Value::Dict::Entry& entry : frames.asDict()) {
    const platform::Value& frameDict = entry.value;
    CGRect rectInPixels;
    bool rotated = false;
    CGPoint offset;
    CGSize originalSize;

    switch (format) {
      case 0:
        rectInPixels = CGRectMake(frameDict["x"].floatValue(), frameDict["y"].floatValue(),
                                  frameDict["width"].floatValue(), frameDict["height"].floatValue());
        offset = CGPointMake(frameDict["offsetX"].floatValue(), frameDict["offsetY"].floatValue());
        originalSize =
            CGSizeMake(absoluteInteger(frameDict["originalWidth"]), absoluteInteger(frameDict["originalHeight"]));
        break;
      case 1:
      case 2:
        rectInPixels = CGRectFromString(frameDict["frame"].asString());
        if (format == 2) rotated = frameDict["rotated"].boolValue();
        offset = CGPointFromString(frameDict["offset"].asString());
        originalSize = CGSizeFromString(frameDict["sourceSize"].asString());
        break;
      default: {  // 3
        const CGSize spriteSize = CGSizeFromString(frameDict["spriteSize"].asString());
        const CGRect textureRect = CGRectFromString(frameDict["textureRect"].asString());
        rectInPixels = CGRectMake(textureRect.origin.x, textureRect.origin.y, spriteSize.width, spriteSize.height);
        rotated = frameDict["textureRotated"].boolValue();
        offset = CGPointFromString(frameDict["spriteOffset"].asString());
        originalSize = CGSizeFromString(frameDict["spriteSourceSize"].asString());
        for (const platform::Value& alias : frameDict["aliases"].asArray()) {
          if (alias.isString()) spriteFramesAliases_[alias.asString()] = entry.key;
        }
        break;
      }
    }

    auto* frame = new CCSpriteFrame();
    frame->initWithTexture(texture, rectInPixels, rotated, offset, originalSize);
    spriteFrames_[entry.key] = frame;
    frame->release();  // the cache now holds the only reference
  }
}

void CCSpriteFrameCache::addSpriteFramesWithFile(const std::string& plist, CCTexture2D* texture) {
  addSpriteFramesWithDictionary(readList(plist), texture);
}

void CCSpriteFrameCache::addSpriteFramesWithFile(const std::string& plist, const std::string& textureFileName) {
  CCAssert(!textureFileName.empty(), "Invalid texture file name");
  if (textureFileName.empty()) return;
  if (CCTexture2D* texture = CCTextureCache::sharedTextureCache()->addImage(textureFileName)) {
    addSpriteFramesWithFile(plist, texture);
  }
}

void CCSpriteFrameCache::addSpriteFramesWithFile(const std::string& plist) {
  const platform::Value list = readList(plist);

  // The texture named by the list sits in the folder of the list's name as
  // given, not of the resolved ("-hd") path: the texture cache applies the
  // "-hd" rule to it again.
  std::string texturePath;
  const platform::Value& textureFileName = list["metadata"]["textureFileName"];
  if (textureFileName.isString() && !textureFileName.asString().empty()) {
    texturePath = platform::stringByAppendingPathComponent(platform::stringByDeletingLastPathComponent(plist),
                                                           textureFileName.asString());
  } else {
    texturePath = platform::stringByAppendingPathExtension(platform::stringByDeletingPathExtension(plist), "png");
  }

  if (CCTexture2D* texture = CCTextureCache::sharedTextureCache()->addImage(texturePath)) {
    addSpriteFramesWithDictionary(list, texture);
  }
}

void CCSpriteFrameCache::addSpriteFrame(CCSpriteFrame* frame, const std::string& name) {
  if (frame) spriteFrames_[name] = frame;
}

// [SECTION] Lookup

CCSpriteFrame* CCSpriteFrameCache::spriteFrameByName(const std::string& name) const {
  if (auto found = spriteFrames_.find(name); found != spriteFrames_.end()) return found->second.get();
  auto alias = spriteFramesAliases_.find(name);
  if (alias == spriteFramesAliases_.end()) return nullptr;
  auto found = spriteFrames_.find(alias->second);
  return found != spriteFrames_.end() ? found->second.get() : nullptr;
}

CCSprite* CCSpriteFrameCache::createSpriteWithFrameName(const std::string& name) const {
  auto found = spriteFrames_.find(name);
  return CCSprite::spriteWithSpriteFrame(found != spriteFrames_.end() ? found->second.get() : nullptr);
}

// [SECTION] Removing frames

void CCSpriteFrameCache::removeSpriteFrames() {
  spriteFrames_.clear();
  spriteFramesAliases_.clear();
}

void CCSpriteFrameCache::removeUnusedSpriteFrames() {
  for (auto entry = spriteFrames_.begin(); entry != spriteFrames_.end();) {
    if (entry->second->retainCount() == 1) {
      entry = spriteFrames_.erase(entry);
    } else {
      ++entry;
    }
  }
}

void CCSpriteFrameCache::removeSpriteFrameByName(const std::string& name) {
  if (auto alias = spriteFramesAliases_.find(name); alias != spriteFramesAliases_.end()) {
    const std::string frameName = std::move(alias->second);
    spriteFramesAliases_.erase(alias);
    spriteFrames_.erase(frameName);
  } else {
    spriteFrames_.erase(name);
  }
}

void CCSpriteFrameCache::removeSpriteFramesFromFile(const std::string& plist) {
  removeSpriteFramesFromDictionary(readList(plist));
}

void CCSpriteFrameCache::removeSpriteFramesFromDictionary(const platform::Value& dictionary) {
  const platform::Value& frames = dictionary["frames"];
  if (!frames.isDict()) return;
  for (const platform::Value::Dict::Entry& entry : frames.asDict()) spriteFrames_.erase(entry.key);
}

void CCSpriteFrameCache::removeSpriteFramesFromTexture(CCTexture2D* texture) {
  for (auto entry = spriteFrames_.begin(); entry != spriteFrames_.end();) {
    if (entry->second->texture() == texture) {
      entry = spriteFrames_.erase(entry);
    } else {
      ++entry;
    }
  }
}
