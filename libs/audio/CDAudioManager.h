#pragma once
// CDAudioManager: the process-wide owner of the sound effect engine and of
// two long audio sources (channel 0 is the background music, channel 1 a
// second long sound). It decides how the application's audio shares the
// device with other audio (its mode), reacts to interruptions and to the
// application resigning and becoming active, and mutes or disables all of
// its audio at once.

#include "audio/CDLongAudioSource.h"
#include "audio/CDSoundEngine.h"
#include "platform/Object.h"
#include "platform/Ref.h"
#include "platform/Selector.h"
#include "platform/audio/AudioSession.h"

#include <array>
#include <string>

namespace audio {

/// The process-wide owner of the sound effect engine and of two long audio
/// sources (channel 0 is the background music, channel 1 a second long sound).
/// It decides how the application's audio shares the device with other audio
/// (its mode), reacts to interruptions and to the application resigning and
/// becoming active, and mutes or disables all of its audio at once.
///
/// Modes, the session category each sets, and whether music plays:
///   kModeEffectsOnly                      ambient         no music
///   kModeEffectsAndMusic                  solo ambient    music
///   kModeEffectsAndMusicUnlessOtherAudio  ambient when other audio plays (no
///                                         music), else solo ambient (music)
///   kModeMediaPlayback                    playback        music
///   kModePlayAndRecord                    play and record music
///
/// Resign behaviours: kResignDoNothing; kResignPauseAndResume pauses the long
/// sources that were playing and resumes them when the application is active
/// again (those already paused stay paused); kResignStop stops every long
/// source.
///
/// Interruptions: beginning one deactivates the session and detaches the
/// OpenAL context; ending one (with the "may resume" flag, or without flags)
/// reactivates the session, trying up to kSessionActivationAttempts times
/// kSessionRetryDelay seconds apart, and makes the engine's context current
/// again. The notification "cdbadalcontext" from the engine runs the same
/// recovery while the manager is interrupted.
///
/// Threads: the singleton may be created on a background thread
/// (initAsynchronously); creation is serialised by a lock. Everything else
/// belongs to the main thread.
class CDAudioManager : public platform::Object,
                       public CDLongAudioSourceDelegate,
                       public platform::audio::AudioSessionDelegate {
  PLATFORM_CLASS(CDAudioManager, platform::Object)
 public:
  /// How the application's audio shares the device (see the class comment for
  /// the session category of each).
  enum Mode {
    kModeEffectsOnly = 0,
    kModeEffectsAndMusic = 1,
    kModeEffectsAndMusicUnlessOtherAudio = 2,
    kModeMediaPlayback = 3,
    kModePlayAndRecord = 4,
  };
  /// What happens to the long audio sources when the application resigns
  /// active.
  enum ResignBehavior { kResignDoNothing = 0, kResignPauseAndResume = 1, kResignStop = 2 };
  /// How far the shared manager's creation has gone (sharedManagerState()).
  enum ManagerState { kStateNotInitialised = 0, kStateInitialising = 1, kStateInitialised = 2 };
  /// The long audio sources: the background music and a second long sound.
  enum Channel { kChannelBackgroundMusic = 0, kChannelSecondary = 1, kChannelTotal = 2 };
  /// Session activation after an interruption: attempts, and seconds between them.
  static constexpr int kSessionActivationAttempts = 10;
  static constexpr double kSessionRetryDelay = 0.5;

  // [SECTION] The singleton

  /// The mode the singleton is created with. Default kModeEffectsAndMusicUnlessOtherAudio.
  /// \param mode a kMode value (see the class comment).
  static void configure(int mode);
  /// Creates the singleton in `mode` on a background thread, when it does
  /// not exist and is not being created; sharedManagerState() is
  /// kStateInitialising meanwhile.
  /// \param mode a kMode value (see the class comment).
  static void initAsynchronously(int mode);
  /// The singleton, created in the configured mode if needed (waiting for a
  /// background creation to finish).
  static CDAudioManager* sharedManager();
  /// The singleton if it exists; never creates it.
  static CDAudioManager* existingManager();
  static int sharedManagerState();
  /// Releases the singleton (a later sharedManager makes a new one).
  static void end();

  /// Expects no manager to exist ("Attempted to allocate a second instance of
  /// a singleton."); use sharedManager().
  CDAudioManager();
  /// Becomes the session's delegate, applies `mode`, creates the sound engine
  /// and the two channels, and observes "cdbadalcontext".
  /// \param mode a kMode value (see the class comment).
  bool init(int mode);

  // [SECTION] Mode and application events

  /// Sets the session category and whether music will play (see above), then
  /// applies the category and activates the session.
  /// \param mode a kMode value (see the class comment).
  void setMode(int mode);
  int mode() const { return mode_; }
  /// With `autoHandle`, observes the application's resign-active,
  /// become-active and terminate notifications (once). Stores the behaviour
  /// in any case.
  /// \param resignBehavior a kResign value.
  /// \param autoHandle whether the manager reacts to the application's
  ///   notifications itself.
  void setResignBehavior(int resignBehavior, bool autoHandle);
  int resignBehavior() const { return resignBehavior_; }

  // [SECTION] Background music (channel 0)

  /// Loads the file into the music channel; plays it, looping for ever or
  /// once, only when music will play and the manager is not muted.
  /// \param filePath a sound file, looked up like any resource.
  /// \param loop whether the music loops for ever (else it plays once).
  void playBackgroundMusic(const std::string& filePath, bool loop);
  /// Loads the file into the music channel without playing it.
  /// \param filePath a sound file, looked up like any resource.
  void preloadBackgroundMusic(const std::string& filePath);
  void stopBackgroundMusic();
  void pauseBackgroundMusic();
  /// Plays on from the current position when music will play and not muted.
  void resumeBackgroundMusic();
  void rewindBackgroundMusic();
  bool isBackgroundMusicPlaying() const;
  /// Called with `selector` on `listener` when the music finishes its last
  /// loop. The listener is not retained; pass nullptr to stop the calls.
  /// \param listener the object to call (not retained), or nullptr.
  /// \param selector a void() method of `listener`, made with
  ///   callfunc_selector().
  void setBackgroundMusicCompletionListener(platform::Object* listener, platform::Selector selector);
  /// Whether the mode lets music play (decided when the mode was set).
  bool willPlayBackgroundMusic() const { return willPlayBackgroundMusic_; }
  /// The music channel's source.
  CDLongAudioSource* backgroundMusic() const { return backgroundMusic_; }

  // [SECTION] Channels

  /// The long source of `channel` (0 or 1), or nullptr (logged) for another value.
  /// \param channel kChannelBackgroundMusic or kChannelSecondary.
  CDLongAudioSource* audioSourceForChannel(int channel) const;
  /// Loads `filePath` into the channel's source and returns it (nullptr for
  /// an unknown channel).
  /// \param filePath a sound file, looked up like any resource.
  /// \param channel kChannelBackgroundMusic or kChannelSecondary.
  CDLongAudioSource* audioSourceLoad(const std::string& filePath, int channel);

  // [SECTION] Switches and device state

  bool mute() const { return mute_; }
  /// Passed to the sound engine and every channel.
  void setMute(bool mute);
  bool enabled() const { return enabled_; }
  /// Passed to the sound engine and every channel.
  void setEnabled(bool enabled);
  CDSoundEngine* soundEngine() const { return soundEngine_.get(); }
  /// True when the audio session has no output route.
  bool isDeviceMuted() const;
  bool isOtherAudioPlaying() const;
  bool isInterrupted() const { return interrupted_; }
  bool isResigned() const { return resigned_; }
  bool audioSessionActive() const { return audioSessionActive_; }
  platform::audio::AudioSession::Category audioSessionCategory() const { return audioSessionCategory_; }

  // [SECTION] Platform callbacks

  void beginInterruption() override;
  void endInterruption() override;
  /// Recovers only when `flags` says audio may resume.
  void endInterruptionWithFlags(unsigned flags) override;
  void applicationWillResignActive(platform::Object* sender);
  void applicationDidBecomeActive(platform::Object* sender);
  void applicationWillTerminate(platform::Object* sender);
  void cdAudioSourceDidFinishPlaying(CDLongAudioSource* audioSource) override;
  /// "cdbadalcontext": recovers when interrupted and no OpenAL context is current.
  void handleBadAlContext();

  /// dealloc: stops the music, releases the engine, stops observing,
  /// deactivates the session, then releases the channels.
  ~CDAudioManager() override;

 private:
  /// Activates or deactivates the session; on activation tries `attempts`
  /// times, sleeping kSessionRetryDelay between tries. Returns the outcome.
  bool audioSessionSetActive(bool active, int attempts);
  void audioSessionSetCategory(platform::audio::AudioSession::Category category);
  /// Reactivates the session (with retries) and the engine's OpenAL context.
  /// Returns whether the session is active again.
  bool recoverFromInterruption();

  platform::Ref<CDSoundEngine> soundEngine_;
  CDLongAudioSource* backgroundMusic_ = nullptr;  // channel 0, owned through audioSourceChannels_
  std::array<platform::Ref<CDLongAudioSource>, kChannelTotal> audioSourceChannels_;
  platform::audio::AudioSession::Category audioSessionCategory_ = platform::audio::AudioSession::Category::Ambient;
  bool audioWasPlayingAtStartup_ = false;
  int mode_ = kModeEffectsAndMusicUnlessOtherAudio;
  platform::Selector backgroundMusicCompletionSelector_;
  platform::Object* backgroundMusicCompletionListener_ = nullptr;  // weak
  bool willPlayBackgroundMusic_ = false;
  bool mute_ = false;
  bool resigned_ = false;
  bool interrupted_ = false;
  bool audioSessionActive_ = false;
  bool enabled_ = true;
  bool isObservingAppEvents_ = false;
  int resignBehavior_ = kResignDoNothing;
};

}  // namespace audio
