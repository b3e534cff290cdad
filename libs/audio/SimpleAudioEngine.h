#pragma once
// SimpleAudioEngine: the one object games call for sound. Effects are played
// by file name (each file is decoded once, on first use or when preloaded)
// in the sound engine's first source group; background music goes through
// the audio manager's music channel.

#include "audio/CDAudioManager.h"
#include "audio/CDBufferManager.h"
#include "audio/CDSoundEngine.h"
#include "audio/CDSoundSource.h"
#include "platform/Object.h"
#include "platform/Ref.h"

#include <string>

namespace audio {

/// The one object games call for sound. Effects are played by file name (each
/// file is decoded once, on first use or when preloaded) in the sound engine's
/// first source group; background music goes through the audio manager's music
/// channel.
///
///   SimpleAudioEngine* audio = SimpleAudioEngine::sharedEngine();
///   audio->preloadEffect("hit.wav");
///   audio->playBackgroundMusic("theme.ogg");       // loops
///   ALuint source = audio->playEffect("hit.wav");  // or a code, see below
///
/// playEffect returns the OpenAL source that plays the sound, or
/// CDSoundEngine::kMutedCode (the file cannot be decoded, the engine is
/// disabled or not functioning) or CDSoundEngine::kNoSourceCode.
///
/// The engine retains the audio manager and its sound engine while it lives.
/// Main thread only, except that the singleton is created under a lock.
class SimpleAudioEngine : public platform::Object {
  PLATFORM_CLASS(SimpleAudioEngine, platform::Object)
 public:
  /// The singleton, created on first use (with the shared audio manager).
  static SimpleAudioEngine* sharedEngine();
  /// Releases the singleton, its buffer manager, and the audio manager.
  static void end();

  /// Expects no engine to exist ("Attempted to allocate a second instance of
  /// a singleton."); use sharedEngine().
  SimpleAudioEngine();
  bool init();

  // [SECTION] Effects

  /// Decodes the file now so the first play does not wait.
  /// \param filePath a sound file, looked up like any resource.
  void preloadEffect(const std::string& filePath);
  /// Frees the file's buffer; a later play decodes it again.
  /// \param filePath a sound file, looked up like any resource.
  void unloadEffect(const std::string& filePath);
  /// Plays the file once at pitch 1, centred, at full gain.
  /// \param filePath a sound file, looked up like any resource.
  ALuint playEffect(const std::string& filePath);
  /// Plays the file once.
  /// \param filePath a sound file, looked up like any resource.
  /// \param pitch the playback rate: 1 as recorded, 2 an octave up.
  /// \param pan the position from -1 (left) to 1 (right); 0 centred.
  /// \param gain the volume, 0 to 1.
  ALuint playEffect(const std::string& filePath, float pitch, float pan, float gain);
  /// Stops the sound playing on `sourceId` (a playEffect result).
  /// \param sourceId the source playEffect() returned.
  void stopEffect(ALuint sourceId);
  /// A handle on a source locked to the file's sound (autoreleased), or
  /// nullptr when the file cannot be decoded or no source is free.
  /// \param filePath a sound file, looked up like any resource.
  CDSoundSource* soundSourceForFile(const std::string& filePath);
  /// The sound engine's master gain.
  float effectsVolume() const;
  /// Sets the sound engine's master gain.
  /// \param volume the volume, 0 to 1.
  void setEffectsVolume(float volume);

  // [SECTION] Background music

  /// Plays the file, looping.
  /// \param filePath a sound file, looked up like any resource.
  void playBackgroundMusic(const std::string& filePath);
  /// \overload
  /// \param filePath a sound file, looked up like any resource.
  /// \param loop whether the music loops for ever.
  void playBackgroundMusic(const std::string& filePath, bool loop);
  /// Loads the file into the music channel without playing it.
  /// \param filePath a sound file, looked up like any resource.
  void preloadBackgroundMusic(const std::string& filePath);
  void stopBackgroundMusic();
  void pauseBackgroundMusic();
  void resumeBackgroundMusic();
  void rewindBackgroundMusic();
  bool isBackgroundMusicPlaying() const;
  bool willPlayBackgroundMusic() const;
  /// The music channel's volume, 0…1.
  float backgroundMusicVolume() const;
  /// Sets the music channel's volume.
  /// \param volume the volume, 0 to 1.
  void setBackgroundMusicVolume(float volume);

  // [SECTION] Switches

  bool mute() const { return mute_; }
  /// Mutes effects and music (through the audio manager) on a change.
  void setMute(bool mute);
  bool enabled() const { return enabled_; }
  /// Disables effects and music (through the audio manager) on a change.
  void setEnabled(bool enabled);

  CDAudioManager* audioManager() const { return manager_.get(); }
  CDBufferManager* bufferManager() const { return bufferManager_.get(); }

  /// dealloc: releases the buffer manager, then the engine and manager references.
  ~SimpleAudioEngine() override;

 private:
  platform::Ref<CDAudioManager> manager_;
  platform::Ref<CDSoundEngine> soundEngine_;
  platform::Ref<CDBufferManager> bufferManager_;
  bool mute_ = false;
  bool enabled_ = true;
};

}  // namespace audio
