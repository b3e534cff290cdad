#pragma once
// CDLongAudioSource: one long sound (background music, a narration) played
// through the platform's audio file player, streamed from its file rather
// than held in a buffer.

#include "platform/Object.h"
#include "platform/Ref.h"
#include "platform/audio/AudioPlayer.h"

#include <string>

namespace audio {

class CDLongAudioSource;

/// What a long source tells its delegate. Both methods are optional.
class CDLongAudioSourceDelegate {
 public:
  /// The source played to the end of its last loop.
  virtual void cdAudioSourceDidFinishPlaying(CDLongAudioSource* audioSource) {}
  /// The source opened a different file.
  virtual void cdAudioSourceFileDidChange(CDLongAudioSource* audioSource) {}

 protected:
  ~CDLongAudioSourceDelegate() = default;
};

/// One long sound (background music, a narration) played through the platform's
/// audio file player, streamed from its file rather than held in a buffer.
///
/// The source keeps its volume, loop count, mute and enable switches across
/// files: loading another file gives the new player the same settings. A file
/// the player cannot open leaves the source without a player; every later
/// call then does nothing (isPlaying is false) until a file loads.
///
/// Muting silences the player and keeps the volume; unmuting restores it.
/// Disabling pauses and rewinds, and a disabled source ignores play.
///
/// Used from the main thread only.
class CDLongAudioSource : public platform::Object, public platform::audio::AudioPlayerDelegate {
  PLATFORM_CLASS(CDLongAudioSource, platform::Object)
 public:
  /// What is loaded: nothing yet, or a file (possibly one that did not open).
  enum State { kStateUninitialised = 0, kStateLoaded = 1 };

  /// A new source (autoreleased): nothing loaded, volume 1, playing once,
  /// enabled, not muted, not the music channel.
  static CDLongAudioSource* longAudioSource();
  bool init();

  /// Loads `filePath` (resolved by CDUtilities). The file already loaded is
  /// paused and rewound instead of opened again. Returns whether a player
  /// exists afterwards.
  bool load(const std::string& filePath);
  /// Plays from the current position when enabled; clears systemPaused.
  void play();
  /// Plays from the current position (ignores systemPaused and enabled).
  void resume();
  void pause();
  /// Stops; the position is kept (rewind to start over).
  void stop();
  /// Back to the start of the file.
  void rewind();
  /// False when nothing is loaded.
  bool isPlaying() const;

  /// 0…1. Default 1. Passed to the player unless muted.
  float volume() const { return volume_; }
  void setVolume(float volume);
  bool mute() const { return mute_; }
  void setMute(bool mute);
  bool enabled() const { return enabled_; }
  /// Disabling pauses and rewinds.
  void setEnabled(bool enabled);
  /// −1 loops for ever, 0 plays once, n plays n + 1 times. Default 0.
  int numberOfLoops() const { return numberOfLoops_; }
  void setNumberOfLoops(int loops);
  /// True for the manager's music channel. Default false.
  bool backgroundMusic() const { return backgroundMusic_; }
  void setBackgroundMusic(bool backgroundMusic) { backgroundMusic_ = backgroundMusic; }

  /// Weak; default none.
  CDLongAudioSourceDelegate* delegate() const { return delegate_; }
  void setDelegate(CDLongAudioSourceDelegate* delegate) { delegate_ = delegate; }
  /// The path as given to load (not resolved). Empty before a load.
  const std::string& audioSourceFilePath() const { return audioSourceFilePath_; }
  /// The platform player, or nullptr (nothing loaded, or the file did not open).
  platform::audio::AudioPlayer* audioSourcePlayer() const { return audioSourcePlayer_.get(); }
  int state() const { return state_; }

  /// Set by the audio manager when it stopped this source because the
  /// application resigned, with the position it had then.
  bool systemPaused() const { return systemPaused_; }
  void setSystemPaused(bool paused) { systemPaused_ = paused; }
  double systemPauseLocation() const { return systemPauseLocation_; }
  void setSystemPauseLocation(double seconds) { systemPauseLocation_ = seconds; }

  // AudioPlayerDelegate
  void audioPlayerDidFinishPlaying(platform::audio::AudioPlayer* player, bool successfully) override;
  void audioPlayerBeginInterruption(platform::audio::AudioPlayer* player) override;
  /// Plays again, unless this is the music channel and the audio manager will
  /// not play music.
  void audioPlayerEndInterruption(platform::audio::AudioPlayer* player) override;

  /// dealloc: stops the player and stops being its delegate.
  ~CDLongAudioSource() override;

 private:
  platform::Ref<platform::audio::AudioPlayer> audioSourcePlayer_;
  std::string audioSourceFilePath_;
  int numberOfLoops_ = 0;
  float volume_ = 1;
  CDLongAudioSourceDelegate* delegate_ = nullptr;  // weak
  bool mute_ = false;
  bool enabled_ = true;
  bool backgroundMusic_ = false;
  bool systemPaused_ = false;
  double systemPauseLocation_ = 0;
  int state_ = kStateUninitialised;
};

}  // namespace audio
