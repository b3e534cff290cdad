#pragma once
// Loading sound buffers in the background.
//
// CDBufferLoadRequest names one sound file and the sound id to load it into.
// CDAsynchBufferLoader is the operation that loads a list of requests into a
// sound engine, in order, and reports its progress through the engine's
// asynchLoadProgress: 0 when it starts, 1/n more after each of the n requests
// (loaded or not), exactly 1 when it is done.
//
// CDSoundEngine::loadBuffersAsynchronously makes a loader and runs main() on
// the engine's background queue; the engine's buffer lock serialises the
// loader's buffer changes with the main thread's plays. main() loads in the
// engine's own OpenAL context even when the calling thread has none current
// (while an interruption has detached it, say), where the OpenAL
// implementation lets a thread choose its context.
//
// Cost: main() decodes every file and uploads it; that is why it runs on a
// worker thread.

#include "platform/Object.h"
#include "platform/Ref.h"

#include <cstdint>
#include <string>
#include <vector>

namespace audio {

class CDSoundEngine;

/// One sound file to load in the background and the sound id of the
/// CDSoundEngine buffer to load it into.
class CDBufferLoadRequest : public platform::Object {
  PLATFORM_CLASS(CDBufferLoadRequest, platform::Object)
 public:
  /// A new request (autoreleased).
  static CDBufferLoadRequest* request(std::int32_t soundId, const std::string& filePath);
  /// Stores both. Always true.
  bool init(std::int32_t soundId, const std::string& filePath);

  const std::string& filePath() const { return filePath_; }
  std::int32_t soundId() const { return soundId_; }

 private:
  std::string filePath_;
  std::int32_t soundId_ = 0;
};

/// The operation that loads a list of CDBufferLoadRequest into a sound engine,
/// in order, reporting progress through the engine's asynchLoadProgress: 0
/// when it starts, 1/n more after each of the n requests (loaded or not),
/// exactly 1 when it is done.
///
/// CDSoundEngine::loadBuffersAsynchronously makes one and runs main() on the
/// engine's background queue; the engine's buffer lock serialises the
/// loader's buffer changes with the main thread's plays.
class CDAsynchBufferLoader : public platform::Object {
  PLATFORM_CLASS(CDAsynchBufferLoader, platform::Object)
 public:
  using Requests = std::vector<platform::Ref<CDBufferLoadRequest>>;

  /// A new loader (autoreleased), or nullptr without an engine.
  static CDAsynchBufferLoader* loader(const Requests& loadRequests, CDSoundEngine* soundEngine);
  /// Retains the requests and the engine. Expects an engine: logs and
  /// returns false without one.
  bool init(const Requests& loadRequests, CDSoundEngine* soundEngine);

  /// Loads every request into the engine in order, moving the engine's
  /// asynchLoadProgress from 0 to 1. Null requests count as done. Meant for a
  /// background thread, but works on any.
  void main();

 private:
  Requests loadRequests_;                    // retained
  platform::Ref<CDSoundEngine> soundEngine_;  // retained
};

}  // namespace audio
