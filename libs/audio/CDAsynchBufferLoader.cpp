#include "audio/CDAsynchBufferLoader.h"

#include "audio/CDSoundEngine.h"
#include "platform/Log.h"

#include <AL/alc.h>
#include <AL/alext.h>

#include <algorithm>

namespace audio {

namespace {

// Makes `context` the calling thread's own current OpenAL context for the
// scope (ALC_EXT_thread_local_context), so buffer uploads reach the engine's
// context whatever is current process-wide, then puts back the thread's
// previous one. Without the extension it does nothing and the process-wide
// context is used.
class ThreadContextScope {
 public:
  explicit ThreadContextScope(ALCcontext* context) {
    if (context == nullptr || alcIsExtensionPresent(nullptr, "ALC_EXT_thread_local_context") != ALC_TRUE) return;
    auto* setThreadContext =
        reinterpret_cast<PFNALCSETTHREADCONTEXTPROC>(alcGetProcAddress(nullptr, "alcSetThreadContext"));
    auto* getThreadContext =
        reinterpret_cast<PFNALCGETTHREADCONTEXTPROC>(alcGetProcAddress(nullptr, "alcGetThreadContext"));
    if (setThreadContext == nullptr || getThreadContext == nullptr) return;
    ALCcontext* previous = getThreadContext();
    if (setThreadContext(context) != ALC_TRUE) return;
    setThreadContext_ = setThreadContext;
    previous_ = previous;
  }
  ~ThreadContextScope() {
    if (setThreadContext_ != nullptr) setThreadContext_(previous_);
  }
  ThreadContextScope(const ThreadContextScope&) = delete;
  ThreadContextScope& operator=(const ThreadContextScope&) = delete;

 private:
  PFNALCSETTHREADCONTEXTPROC setThreadContext_ = nullptr;
  ALCcontext* previous_ = nullptr;
};

}  // namespace

// [SECTION] CDBufferLoadRequest

CDBufferLoadRequest* CDBufferLoadRequest::request(std::int32_t soundId, const std::string& filePath) {
  return platform::createAutoreleased<CDBufferLoadRequest>(
      [&](CDBufferLoadRequest& created) { return created.init(soundId, filePath); });
}

bool CDBufferLoadRequest::init(std::int32_t soundId, const std::string& filePath) {
  soundId_ = soundId;
  filePath_ = filePath;
  return true;
}

// [SECTION] CDAsynchBufferLoader

CDAsynchBufferLoader* CDAsynchBufferLoader::loader(const Requests& loadRequests, CDSoundEngine* soundEngine) {
  return platform::createAutoreleased<CDAsynchBufferLoader>(
      [&](CDAsynchBufferLoader& created) { return created.init(loadRequests, soundEngine); });
}

bool CDAsynchBufferLoader::init(const Requests& loadRequests, CDSoundEngine* soundEngine) {
  if (soundEngine == nullptr) {
    platform::log("tessera: CDAsynchBufferLoader: no sound engine to load %zu buffers into", loadRequests.size());
    return false;
  }
  loadRequests_ = loadRequests;
  soundEngine_ = soundEngine;
  return true;
}

void CDAsynchBufferLoader::main() {
  if (!soundEngine_) return;
  soundEngine_->setAsynchLoadProgress(0);
  if (!loadRequests_.empty()) {
    const ThreadContextScope threadContext(soundEngine_->context());
    const float step = 1.0f / static_cast<float>(loadRequests_.size());
    for (const platform::Ref<CDBufferLoadRequest>& request : loadRequests_) {
      if (request) soundEngine_->loadBuffer(request->soundId(), request->filePath());
      // Capped at 1 so rounding of the steps never makes the progress go back.
      soundEngine_->setAsynchLoadProgress(std::min(soundEngine_->asynchLoadProgress() + step, 1.0f));
    }
  }
  soundEngine_->setAsynchLoadProgress(1);
}

}  // namespace audio

