// Reads arbitrary bytes as a particle-system property list (XML or binary)
// and builds a quad system and a point system from it, runs a few frames of
// updates and draws them. Missing keys, values of the wrong kind, absurd
// capacities, NaN and infinite numbers, bad Base64, truncated or corrupt
// gzip and undecodable embedded images must all be refused or survived:
// nothing may crash, hang, read out of bounds, leak or ask the allocator for
// more than the particle limit allows.
//
// No GL context is made: textures get no GL name and draw calls go to the
// dispatch library's no-op entries. Assertions (an unknown emitter type) are
// recorded and skipped past, as in a build whose assertion handler returns.
// A texture file name with a '/' is replaced, so an input can't make the
// reader open arbitrary files (a named pipe would block the run).

#include "platform/Assert.h"
#include "platform/AutoreleasePool.h"
#include "platform/Image.h"
#include "platform/Log.h"
#include "platform/PropertyList.h"
#include "platform/Ref.h"
#include "platform/Value.h"
#include "tessera/CCParticleSystemPoint.h"
#include "tessera/CCParticleSystemQuad.h"
#include "tessera/CCScheduler.h"
#include "tessera/CCTextureCache.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace {

// Updates are cheap per particle, but a file may ask for a million of them:
// fewer frames for big systems keep each run fast.
int framesFor(const CCParticleSystem& system) { return system.totalParticles() > 10000 ? 1 : 4; }

template <class System>
void exercise(const platform::Value& dictionary) {
  platform::Ref<System> system = platform::Ref<System>::adopt(new System());
  if (!system->initWithDictionary(dictionary)) return;
  const int frames = framesFor(*system);
  for (int frame = 0; frame < frames; ++frame) {
    system->update(1.0f / 60.0f);
    system->draw();
  }
  system->resetSystem();
  system->update(1.0f / 60.0f);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::setLogSink([](std::string_view) {});
  platform::setAssertionHandler([](const char*, const char*, int, const char*) {});
  // Embedded images stay small, as in the other image fuzzers.
  platform::Image::setMaxDecodedBytes(std::size_t{16} << 20);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::optional<platform::Value> list = platform::readPropertyListData(std::span<const uint8_t>(data, size));
  if (!list) return 0;
  if (platform::Value::Dict* keys = list->asMutableDict()) {
    const platform::Value* name = keys->find("textureFileName");
    if (name && name->stringValue().find('/') != std::string::npos) keys->set("textureFileName", "fuzz.png");
  }

  {
    platform::AutoreleasePool pool;
    exercise<CCParticleSystemQuad>(*list);
    exercise<CCParticleSystemPoint>(*list);
  }
  CCTextureCache::purgeSharedTextureCache();
  CCScheduler::purgeSharedScheduler();
  return 0;
}
