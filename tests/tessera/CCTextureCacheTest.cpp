#include "tessera/CCTextureCache.h"

#include "platform/AutoreleasePool.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/Image.h"
#include "platform/Ref.h"
#include "platform/RunLoop.h"
#include "support/TestSupport.h"
#include "tessera/CCConfiguration.h"
#include "tessera/CCTexture2D.h"
#include "tessera/ccMacros.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using platform::Ref;

namespace {

// A current GL context (skips without one), a resource folder of files made
// here, and a fresh shared cache.
class CCTextureCacheTest : public testing::Test {
 protected:
  void SetUp() override {
    context_ = platform::GLContext::contextWithAPI(platform::GLContext::API::ES1);
    if (!context_ || !platform::GLContext::setCurrentContext(context_)) GTEST_SKIP() << "no OpenGL ES 1.1 context";
    CCConfiguration::purgeSharedConfigurationForTesting();
    folder_ = fs::temp_directory_path() / ("tessera-cache-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
    savedFacts_ = platform::facts();
    platform::facts().resourceDir = folder_.string();
    cache_ = CCTextureCache::sharedTextureCache();
  }
  void TearDown() override {
    if (!context_) return;
    CCTextureCache::purgeSharedTextureCache();
    ccSetContentScaleFactor(1);
    platform::facts() = savedFacts_;
    CCConfiguration::purgeSharedConfigurationForTesting();
    fs::remove_all(folder_);
    platform::GLContext::setCurrentContext(nullptr);
  }
  void write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(folder_ / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  // An opaque PNG `width` pixels wide.
  void writePNG(const std::string& name, int width) {
    const std::vector<uint8_t> pixels(std::size_t(width) * 8, 200);
    write(name, *platform::Image::imageWithPixels(width, 2, platform::PixelLayout::RGBX, width * 4, pixels)->encodePNG());
  }
  // A 2 × 2 RGBA8888 PVR container.
  void writePVR(const std::string& name) {
    std::vector<uint8_t> bytes;
    for (uint32_t word : {52u, 2u, 2u, 0u, 0x8012u, 16u, 32u, 0u, 0u, 0u, 0xFFu, 0x21525650u, 1u}) {
      for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(word >> (8 * i)));
    }
    bytes.resize(bytes.size() + 16, 0x7F);
    write(name, bytes);
  }

  Ref<platform::GLContext> context_;
  fs::path folder_;
  platform::Facts savedFacts_;
  CCTextureCache* cache_ = nullptr;
};

// [SECTION] Keys and ownership

TEST_F(CCTextureCacheTest, EachKeyLoadsOnce) {
  writePNG("a.png", 4);
  writePNG("b.png", 8);
  CCTexture2D* a = cache_->addImage("a.png");
  ASSERT_NE(nullptr, a);
  EXPECT_EQ(1u, a->retainCount()) << "the cache holds the only reference";
  EXPECT_EQ(a, cache_->addImage(std::string("a.png")));
  EXPECT_EQ(nullptr, cache_->textureForKey(folder_.string() + "/a.png")) << "keys are names, not resolved paths";
  ASSERT_NE(nullptr, cache_->addImage("b.png"));
  testing_support::LogCapture log;
  EXPECT_EQ(nullptr, cache_->addImage("missing.png"));
  EXPECT_THAT(cache_->description(), testing::MatchesRegex("<CCTextureCache = [0-9A-F]{8,} \\| num of textures = 2 "
                                                           "\\| keys: \\(\n    \"a.png\",\n    \"b.png\"\n\\)>"));
}

TEST_F(CCTextureCacheTest, HighResolutionFilesShareThePlainKey) {
  writePNG("ball.png", 4);
  writePNG("ball-hd.png", 8);
  writePNG("plain.png", 4);
  ccSetContentScaleFactor(2);
  CCTexture2D* ball = cache_->addImage("ball.png");
  ASSERT_NE(nullptr, ball);
  EXPECT_EQ(8u, ball->pixelsWide()) << "the -hd file is loaded";
  EXPECT_EQ(ball, cache_->addImage("ball-hd.png"));
  EXPECT_EQ(nullptr, cache_->textureForKey("ball-hd.png"));
  EXPECT_EQ(4u, cache_->addImage("plain.png")->pixelsWide()) << "no -hd file: the plain one";

  cache_->removeAllTextures();
  ccSetContentScaleFactor(1);
  EXPECT_EQ(8u, cache_->addImage("ball-hd.png")->pixelsWide());
  EXPECT_NE(nullptr, cache_->textureForKey("ball-hd.png"));
  EXPECT_EQ(4u, cache_->addImage("ball.png")->pixelsWide());
}

TEST_F(CCTextureCacheTest, RemoveUnusedTexturesKeepsTexturesHeldElsewhere) {
  writePNG("held.png", 4);
  writePNG("loose.png", 4);
  writePVR("Sheet.PVR");
  Ref<CCTexture2D> held = cache_->addImage("held.png");
  ASSERT_TRUE(cache_->addImage("loose.png"));
  {
    platform::AutoreleasePool pool;
    CCTexture2D* sheet = cache_->addImage("Sheet.PVR");
    ASSERT_NE(nullptr, sheet);
    EXPECT_EQ(kCCTexture2DPixelFormat_Automatic, sheet->pixelFormat()) << "made by the PVR reader, whatever the case";
    cache_->removeUnusedTextures();
    EXPECT_EQ(sheet, cache_->textureForKey("Sheet.PVR")) << "returned autoreleased: counts 2 until the pool drains";
  }
  cache_->removeUnusedTextures();
  EXPECT_EQ(held.get(), cache_->textureForKey("held.png"));
  EXPECT_EQ(nullptr, cache_->textureForKey("loose.png"));
  EXPECT_EQ(nullptr, cache_->textureForKey("Sheet.PVR"));
  EXPECT_NE(nullptr, cache_->addImage("loose.png")) << "loads again";
  cache_->removeTexture(held);
  EXPECT_EQ(nullptr, cache_->textureForKey("held.png"));
  EXPECT_EQ(1u, held->retainCount());
}

TEST_F(CCTextureCacheTest, ImagesWithKeysAndMisuse) {
  platform::Image* image =
      platform::Image::imageWithPixels(3, 3, platform::PixelLayout::Alpha8, 3, std::vector<uint8_t>(9, 255));
  CCTexture2D* keyed = cache_->addCGImage(image, "mask");
  EXPECT_EQ(keyed, cache_->addCGImage(image, "mask"));
  EXPECT_NE(keyed, cache_->addCGImage(image, "")) << "no key: not cached";

  testing_support::AssertionRecorder assertions;
  EXPECT_EQ(nullptr, cache_->addPVRTCImage("raw.pvrtc", 3, true, 8));
  EXPECT_EQ(nullptr, cache_->addImage(static_cast<const char*>(nullptr)));
  EXPECT_EQ(nullptr, cache_->addCGImage(nullptr, "x"));
  Ref<CCTextureCache> second = Ref<CCTextureCache>::adopt(new CCTextureCache());
  EXPECT_THAT(assertions.messages(),
              testing::ElementsAre("TextureCache: bpp must be either 2 or 4", "TextureCache: fileimage MUST not be nill",
                                   "TextureCache: image MUST not be nill",
                                   "Attempted to allocate a second instance of a singleton."));
}

// [SECTION] Background loading

// Records its callbacks; counts its destruction.
class LoadTarget : public platform::Object {
  PLATFORM_CLASS(LoadTarget, platform::Object)
 public:
  void loaded(CCTexture2D* texture) {
    ++calls;
    thread = std::this_thread::get_id();
    results.push_back(texture);
  }
  int calls = 0;
  std::thread::id thread;
  std::vector<CCTexture2D*> results;
  bool* destroyed = nullptr;

 protected:
  ~LoadTarget() override {
    if (destroyed) *destroyed = true;
  }
};

// Pumps the main run loop until `done`; false after ten seconds.
template <class Done>
bool pumpUntil(Done done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    platform::RunLoop::main().runOnce(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

TEST_F(CCTextureCacheTest, AsyncLoadCallsBackOnTheMainThreadAfterThePump) {
  writePNG("async.png", 4);
  ASSERT_TRUE(platform::isMainThread());
  bool destroyed = false;
  auto* target = new LoadTarget();
  target->destroyed = &destroyed;
  cache_->addImageAsync("async.png", target, CC_SEL(LoadTarget::loaded));
  EXPECT_EQ(0, target->calls) << "nothing before the main loop runs";
  Ref<LoadTarget> watch = target;
  target->release();

  ASSERT_TRUE(pumpUntil([&] { return target->calls > 0; }));
  EXPECT_FALSE(destroyed) << "the target lives until its callback";
  EXPECT_EQ(std::this_thread::get_id(), target->thread);
  ASSERT_NE(nullptr, target->results[0]);
  EXPECT_EQ(target->results[0], cache_->textureForKey("async.png"));
  EXPECT_EQ(GL_TRUE, glIsTexture(target->results[0]->name())) << "visible in the main context";

  cache_->addImageAsync(std::string("async.png"), target, CC_SEL(LoadTarget::loaded));
  EXPECT_EQ(2, target->calls) << "a cached file calls back at once";
  watch = nullptr;
  EXPECT_TRUE(pumpUntil([&] { return destroyed; })) << "the loader lets the target go";
}

TEST_F(CCTextureCacheTest, PurgeDuringAnAsyncLoadKeepsTheOldCacheUntilItsCallback) {
  writePNG("late.png", 4);
  Ref<LoadTarget> target = Ref<LoadTarget>::adopt(new LoadTarget());
  testing_support::LogCapture log;
  cache_->addImageAsync("late.png", target, CC_SEL(LoadTarget::loaded));
  cache_->addImageAsync("nowhere.png", target, CC_SEL(LoadTarget::loaded));
  CCTextureCache::purgeSharedTextureCache();
  cache_ = CCTextureCache::sharedTextureCache();
  ASSERT_TRUE(pumpUntil([&] { return target->calls == 2; }));
  EXPECT_THAT(target->results, testing::UnorderedElementsAre(nullptr, testing::NotNull())) << "a missing file gives nothing";
  EXPECT_EQ(nullptr, cache_->textureForKey("late.png")) << "loaded into the cache that was asked";
  EXPECT_TRUE(pumpUntil([&] { return target->retainCount() == 1; })) << "both loads let the target go";
}

}  // namespace
