#pragma once
// CDSoundSource: a handle on one source of a CDSoundEngine, for callers that
// control a sound after starting it (pitch, pan, gain, looping, pause).

#include "platform/Object.h"

#include <AL/al.h>

namespace audio {

class CDSoundEngine;

/// A handle on one source of a CDSoundEngine, for callers that control a sound
/// after starting it (pitch, pan, gain, looping, pause).
///
/// Made by CDSoundEngine::soundSourceForSound, which locks the source to the
/// handle: the engine never chooses it for other sounds until the handle is
/// destroyed. The engine is not retained; if it goes first, the handle goes
/// quiet (every call does nothing and reports false or 0).
///
/// Muting keeps the source's gain and silences it; unmuting restores it. A
/// disabled handle is stopped and ignores play.
class CDSoundSource : public platform::Object {
  PLATFORM_CLASS(CDSoundSource, platform::Object)
 public:
  /// Starts the source. False when disabled, without an engine, or when
  /// OpenAL refuses (lastError says why).
  bool play();
  void stop();
  void pause();
  /// Back to the start of the sound. False when OpenAL refuses.
  bool rewind();

  /// Playback rate factor. 1 after creation.
  float pitch() const;
  void setPitch(float pitch);
  /// Left (−1) to right (1). 0 after creation.
  float pan() const;
  void setPan(float pan);
  /// The source gain; while muted, the gain that unmuting restores. 1 after creation.
  float gain() const;
  void setGain(float gain);
  bool looping() const;
  void setLooping(bool looping);
  bool isPlaying() const;
  /// Seconds of the attached sound (see CDSoundEngine::bufferDurationInSeconds).
  float durationInSeconds() const;
  int soundId() const { return soundId_; }
  /// Stops the source and attaches another sound. Ignored (lastError set to
  /// AL_INVALID_VALUE) when the engine has no such sound.
  void setSoundId(int soundId);

  bool enabled() const { return enabled_; }
  /// Disabling stops the source. True after creation.
  void setEnabled(bool enabled);
  bool mute() const { return mute_; }
  void setMute(bool mute);
  /// The last OpenAL error on this handle. AL_NO_ERROR after creation.
  ALenum lastError() const { return lastError_; }
  /// The OpenAL source name.
  ALuint sourceId() const { return sourceId_; }

  /// dealloc: unlocks the source in the engine.
  ~CDSoundSource() override;

 private:
  friend class CDSoundEngine;

  bool setSoundIdChecked(int soundId);
  /// Records the OpenAL error of the last calls; true when there was none.
  bool checkError();

  ALenum lastError_ = AL_NO_ERROR;
  ALuint sourceId_ = 0;
  unsigned sourceIndex_ = 0;
  CDSoundEngine* engine_ = nullptr;  // weak: the engine detaches its handles when it goes
  int soundId_ = 0;
  float preMuteGain_ = 1;
  bool enabled_ = true;
  bool mute_ = false;
};

}  // namespace audio
