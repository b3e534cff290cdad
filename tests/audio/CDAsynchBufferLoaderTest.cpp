// Loading sound buffers in the background: progress watched from the main
// thread, every buffer loaded at the end, loading while the main thread has
// no OpenAL context, and an engine dropped mid-load.
//
// Where a test must hold the loader at a known request, the engine is a
// GatedEngine: each load waits until the test lets it through.

#include "audio/CDAsynchBufferLoader.h"
#include "audio/CDSoundEngine.h"

#include "audio/SoundFixtures.h"
#include "platform/Ref.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <chrono>
#include <filesystem>
#include <string>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using audio::CDAsynchBufferLoader;
using audio::CDBufferLoadRequest;
using audio::CDSoundEngine;
using platform::Ref;
using Clock = std::chrono::steady_clock;

constexpr auto kPatience = std::chrono::seconds(20);

// An engine whose loads can be held one by one, and that reports where it
// was destroyed.
class GatedEngine : public CDSoundEngine {
  PLATFORM_CLASS(GatedEngine, CDSoundEngine)
 public:
  ~GatedEngine() override {
    if (destroyedOn) *destroyedOn = std::this_thread::get_id();
    if (destroyed) destroyed->store(true);
  }

  bool loadBuffer(int soundId, const std::string& filePath) override {
    {
      std::unique_lock lock(mutex_);
      ++arrived_;
      changed_.notify_all();
      changed_.wait(lock, [this] { return !gated_ || released_ >= arrived_; });
    }
    return CDSoundEngine::loadBuffer(soundId, filePath);
  }

  /// From now on every load waits for letOneThrough().
  void hold() {
    std::lock_guard lock(mutex_);
    gated_ = true;
  }
  /// Waits until `count` loads have started. False when they never do.
  bool waitForLoads(int count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kPatience, [&] { return arrived_ >= count; });
  }
  /// Lets one waiting load through.
  void letOneThrough() {
    std::lock_guard lock(mutex_);
    ++released_;
    changed_.notify_all();
  }
  void letAllThrough() {
    std::lock_guard lock(mutex_);
    gated_ = false;
    changed_.notify_all();
  }

  std::atomic<bool>* destroyed = nullptr;
  std::thread::id* destroyedOn = nullptr;

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool gated_ = false;
  int arrived_ = 0;
  int released_ = 0;
};

GatedEngine* makeGatedEngine() {
  auto* engine = new GatedEngine();
  engine->init();
  return engine;
}

class CDAsynchBufferLoaderTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::path(testing::TempDir()) / ("asynch-loader-" + std::to_string(getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    engine_ = Ref<GatedEngine>::adopt(makeGatedEngine());
    if (!engine_->functioning()) GTEST_SKIP() << "no OpenAL device (set ALSOFT_DRIVERS=null)";
  }
  void TearDown() override {
    // A failed test may leave a load held: let it go, or the engine would
    // wait for it for ever.
    if (engine_) {
      engine_->letAllThrough();
      engine_->waitUntilAsynchLoadsFinish();
    }
    fs::remove_all(folder_);
  }

  // A stereo 16-bit 44.1 kHz WAV of `seconds`; returns its path.
  std::string writeSound(const std::string& name, double seconds) {
    const int frames = static_cast<int>(seconds * 44100);
    const std::vector<std::uint8_t> samples =
        sound_fixtures::sampleBytes(sound_fixtures::toneSamples(frames, 2, 44100, 330, 0.3));
    sound_fixtures::WavSpec spec;
    spec.channels = 2;
    spec.sampleRate = 44100;
    const std::string path = (folder_ / name).string();
    sound_fixtures::writeFile(path, sound_fixtures::wavBytes(spec, samples));
    return path;
  }

  static CDAsynchBufferLoader::Requests requests(const std::vector<std::string>& paths, int firstId = 0) {
    CDAsynchBufferLoader::Requests list;
    for (const std::string& path : paths) list.emplace_back(CDBufferLoadRequest::request(firstId++, path));
    return list;
  }

  fs::path folder_;
  Ref<GatedEngine> engine_;
};

TEST_F(CDAsynchBufferLoaderTest, ProgressMovesAQuarterPerRequestOfFour) {
  // A finished list leaves 1; a new one must not read as done before it starts.
  engine_->loadBuffersAsynchronously({});
  engine_->waitUntilAsynchLoadsFinish();
  ASSERT_EQ(engine_->asynchLoadProgress(), 1.0f);

  std::vector<std::string> paths;
  for (int i = 0; i < 4; ++i) paths.push_back(writeSound(std::to_string(i) + ".wav", 0.1));
  engine_->hold();
  engine_->loadBuffersAsynchronously(requests(paths));
  EXPECT_EQ(engine_->asynchLoadProgress(), 0.0f);
  for (int k = 0; k < 4; ++k) {
    // Request k is being loaded: the progress counts the k before it.
    ASSERT_TRUE(engine_->waitForLoads(k + 1)) << "request " << k;
    EXPECT_EQ(engine_->asynchLoadProgress(), 0.25f * static_cast<float>(k)) << "request " << k;
    engine_->letOneThrough();
  }
  engine_->waitUntilAsynchLoadsFinish();
  EXPECT_EQ(engine_->asynchLoadProgress(), 1.0f);
  EXPECT_FLOAT_EQ(engine_->bufferDurationInSeconds(3), 0.1f);
}

TEST_F(CDAsynchBufferLoaderTest, EveryBufferIsLoadedOnceProgressReachesOne) {
  std::vector<std::string> paths;
  for (int i = 0; i < 5; ++i) paths.push_back(writeSound("tone" + std::to_string(i) + ".wav", 0.5 + 0.25 * i));
  paths[2] = (folder_ / "missing.wav").string();
  engine_->loadBuffersAsynchronously(requests(paths, 70));  // beyond the first 64 slots: the table grows

  // Steps of 0.2 must never add up past 1 and come back.
  std::vector<float> seen;
  const auto deadline = Clock::now() + kPatience;
  for (float progress = 0; progress < 1.0f && Clock::now() < deadline;) {
    progress = engine_->asynchLoadProgress();
    if (seen.empty() || seen.back() != progress) seen.push_back(progress);
  }
  EXPECT_EQ(seen.back(), 1.0f);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << testing::PrintToString(seen);

  for (int i = 0; i < 5; ++i) {
    const int id = 70 + i;
    const ALuint source = engine_->playSound(id, 0, 1, 0, 1, false);
    if (i == 2) {
      EXPECT_EQ(source, CDSoundEngine::kMutedCode) << "missing file";
      continue;
    }
    EXPECT_FLOAT_EQ(engine_->bufferDurationInSeconds(id), 0.5f + 0.25f * static_cast<float>(i)) << id;
    EXPECT_NE(source, CDSoundEngine::kMutedCode) << id;
  }
}

TEST_F(CDAsynchBufferLoaderTest, LoadsIntoTheEngineWhileTheMainThreadHasNoContext) {
  if (alcIsExtensionPresent(nullptr, "ALC_EXT_thread_local_context") != ALC_TRUE) {
    GTEST_SKIP() << "OpenAL without thread-local contexts";
  }
  const std::string path = writeSound("during-interruption.wav", 0.25);
  // What an audio interruption does: no context is current while it lasts.
  ASSERT_EQ(alcMakeContextCurrent(nullptr), ALC_TRUE);
  engine_->loadBuffersAsynchronously(requests({path}));
  engine_->waitUntilAsynchLoadsFinish();
  ASSERT_EQ(alcMakeContextCurrent(engine_->context()), ALC_TRUE);
  EXPECT_FLOAT_EQ(engine_->bufferDurationInSeconds(0), 0.25f);
}

TEST_F(CDAsynchBufferLoaderTest, EngineDroppedDuringALoadGoesWhenTheLoaderIsDone) {
  std::atomic<bool> destroyed{false};
  std::thread::id destroyedOn;
  GatedEngine* engine = makeGatedEngine();
  engine->destroyed = &destroyed;
  engine->destroyedOn = &destroyedOn;
  engine->hold();
  engine->loadBuffersAsynchronously(requests({writeSound("held.wav", 0.1), writeSound("after.wav", 0.1)}));
  ASSERT_TRUE(engine->waitForLoads(1));
  engine->release();  // our reference: the loader still holds one
  EXPECT_FALSE(destroyed.load());

  engine->letAllThrough();
  const auto deadline = Clock::now() + kPatience;
  while (!destroyed.load() && Clock::now() < deadline) std::this_thread::yield();
  ASSERT_TRUE(destroyed.load());
  EXPECT_NE(destroyedOn, std::this_thread::get_id()) << "the loader's worker let go of it last";
  // The engine's queue winds down by itself; give its worker a moment to end.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  // The fixture's engine (made first) is current no more: put it back.
  alcMakeContextCurrent(engine_->context());
}

TEST(CDAsynchBufferLoaderInitTest, InitInvalidWithoutAnEngine) {
  EXPECT_EQ(CDAsynchBufferLoader::loader({}, nullptr), nullptr);
}

}  // namespace
