#pragma once
// CDBufferManager: sound files to sound ids of a CDSoundEngine, so each file
// is loaded once. Released ids are reused last-in first-out before new ids
// are taken (from 0 upwards).

#include "platform/Object.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace audio {

class CDSoundEngine;

/// Maps sound files to sound ids of a CDSoundEngine, so each file is loaded once.
/// Released ids are reused last-in first-out before new ids are taken (from 0
/// upwards).
///
/// The engine is not retained: it must outlive the manager.
class CDBufferManager : public platform::Object {
  PLATFORM_CLASS(CDBufferManager, platform::Object)
 public:
  static CDBufferManager* managerWithEngine(CDSoundEngine* engine);
  bool initWithEngine(CDSoundEngine* engine);

  /// The sound id of a file already loaded. For a new file: −1 unless
  /// `create`; else loads it into a reused or new id, and gives −1 (the id
  /// kept for reuse) when it cannot be loaded.
  int bufferForFile(const std::string& filePath, bool create);
  /// Unloads the file's buffer and frees its id for reuse. Unknown files are ignored.
  void releaseBufferForFile(const std::string& filePath);

 private:
  std::unordered_map<std::string, int> loadedBuffers_;
  std::vector<int> freedBuffers_;  // a stack: the last freed id is reused first
  CDSoundEngine* soundEngine_ = nullptr;  // weak
  int nextBufferId_ = 0;
};

}  // namespace audio
