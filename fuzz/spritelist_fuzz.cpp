// Reads arbitrary bytes as a sprite-sheet list (a property list, XML or
// binary) and hands the result to the sprite-frame cache's dictionary path,
// then shows every frame it made on a sprite, mirrored, and in a batch node,
// and removes them again. No GL context is made: the frames' texture is a
// texture object with a size but no GL name (GL calls without a context go
// to the dispatch library's no-op entries).
//
// Assertions (an unsupported format number) are recorded and skipped past,
// as in a build whose assertion handler returns: the code after them must
// stay safe. Nothing may crash, read out of bounds or leak.

#include "platform/Assert.h"
#include "platform/AutoreleasePool.h"
#include "platform/Log.h"
#include "platform/PropertyList.h"
#include "platform/Ref.h"
#include "platform/Value.h"
#include "tessera/CCSprite.h"
#include "tessera/CCSpriteBatchNode.h"
#include "tessera/CCSpriteFrame.h"
#include "tessera/CCSpriteFrameCache.h"
#include "tessera/CCTexture2D.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace {

// Frames shown per input: enough to reach every code path, few enough to
// keep each run fast.
constexpr int kFramesShown = 32;

CCTexture2D* sheetTexture() {
  static CCTexture2D* texture = [] {
    auto* made = new CCTexture2D();
    made->initWithData(nullptr, kCCTexture2DPixelFormat_RGBA8888, 64, 32, CGSizeMake(60, 30));
    return made;
  }();
  return texture;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::setLogSink([](std::string_view) {});
  platform::setAssertionHandler([](const char*, const char*, int, const char*) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::optional<platform::Value> list = platform::readPropertyListData(std::span<const uint8_t>(data, size));
  if (!list) return 0;

  platform::AutoreleasePool pool;
  CCSpriteFrameCache* cache = CCSpriteFrameCache::sharedSpriteFrameCache();
  cache->addSpriteFramesWithDictionary(*list, sheetTexture());

  platform::Ref<CCSpriteBatchNode> batch = CCSpriteBatchNode::batchNodeWithTexture(sheetTexture(), 4);
  int shown = 0;
  for (const platform::Value::Dict::Entry& entry : (*list)["frames"].asDict()) {
    if (++shown > kFramesShown) break;
    CCSpriteFrame* frame = cache->spriteFrameByName(entry.key);
    if (!frame) continue;
    (void)frame->description();

    CCSprite* sprite = CCSprite::spriteWithSpriteFrame(frame);
    if (!sprite) continue;
    sprite->setFlipX(true);
    sprite->setFlipY(shown % 2 == 0);
    sprite->setOpacity(static_cast<GLubyte>(shown * 37));
    (void)sprite->description();

    // Frames of one texture object: the batch accepts them all.
    batch->addChild(sprite, shown % 3 - 1);
    sprite->setRotation(static_cast<float>(shown * 29));
    sprite->setDisplayFrame(cache->spriteFrameByName(entry.key));
  }
  for (platform::Object* object : *batch->descendants()) static_cast<CCSprite*>(object)->updateTransform();
  batch->removeAllChildrenWithCleanup(true);

  // Aliases point at names that may or may not exist.
  for (const platform::Value::Dict::Entry& entry : (*list)["frames"].asDict()) {
    for (const platform::Value& alias : entry.value["aliases"].asArray()) {
      if (alias.isString()) cache->removeSpriteFrameByName(alias.asString());
    }
  }
  cache->removeSpriteFramesFromDictionary(*list);
  cache->removeUnusedSpriteFrames();
  CCSpriteFrameCache::purgeSharedSpriteFrameCache();
  return 0;
}
