#pragma once
// AudioSession: how the application's audio coexists with the rest of the
// device's audio. On the desktop it is a state machine: the category is
// recorded (not enforced), activation succeeds unless a test made it fail,
// and interruptions, other audio and the output route come from test hooks.

#include <string>

namespace platform::audio {

/// What the session tells its delegate, on the main thread. Every method is optional.
class AudioSessionDelegate {
 public:
  virtual void beginInterruption() {}
  /// Called without flags by systems that have none.
  virtual void endInterruption() {}
  /// `flags` has kInterruptionShouldResume when the application may resume
  /// its audio. By default forwards to endInterruption().
  virtual void endInterruptionWithFlags(unsigned flags) { endInterruption(); }

 protected:
  ~AudioSessionDelegate() = default;
};

/// How the application's audio coexists with the rest of the device's audio. On
/// the desktop it is a state machine: the category is recorded (not enforced),
/// activation succeeds unless a test made it fail, and interruptions, other
/// audio and the output route come from test hooks.
///
/// Implemented features:
///  [x] category (ambient, solo ambient, playback, play and record)
///  [x] activation and deactivation; activation can be made to fail
///  [x] "other audio is playing", the current route (empty: no output, muted)
///  [x] interruptions: beginning one deactivates the session, pauses playing
///      audio file players and tells the delegate; ending one tells the
///      delegate first, then the players that were paused
/// Missing features:
///  [ ] no real interruptions or route changes arrive from the desktop
///
/// Threads: main thread only.
class AudioSession {
 public:
  /// How the application's audio mixes with other audio: ambient, solo
  /// ambient, playback, play and record.
  enum class Category { Ambient, SoloAmbient, Playback, PlayAndRecord };
  /// The end-of-interruption flag meaning "audio may resume".
  static constexpr unsigned kInterruptionShouldResume = 1;
  /// The route reported by default.
  static constexpr const char* kDefaultRoute = "Speaker";

  /// The process-wide session.
  static AudioSession& sharedInstance();

  /// Default SoloAmbient. Always succeeds on the desktop.
  bool setCategory(Category category);
  Category category() const { return category_; }

  /// Activating fails (false, logged) while test-made failures remain, and
  /// while an interruption lasts. Deactivating always succeeds.
  bool setActive(bool active);
  bool isActive() const { return active_; }

  /// Whether another application plays audio now. Default false.
  bool otherAudioIsPlaying() const { return otherAudioPlaying_; }
  /// Name of the output route; empty when there is none (muted). Default "Speaker".
  const std::string& currentRoute() const { return route_; }

  /// Weak; default none.
  AudioSessionDelegate* delegate() const { return delegate_; }
  void setDelegate(AudioSessionDelegate* delegate) { delegate_ = delegate; }

  bool isInterrupted() const { return interrupted_; }

  // [SECTION] Hooks: what the desktop cannot observe, set by tests and tools.

  void setOtherAudioPlaying(bool playing) { otherAudioPlaying_ = playing; }
  void setRoute(std::string route) { route_ = std::move(route); }
  /// The next `count` activations fail.
  void failNextActivations(int count) { failuresLeft_ = count < 0 ? 0 : count; }
  /// Activations tried since the last reset, successful or not.
  int activationAttempts() const { return activationAttempts_; }
  /// Begins an interruption (ignored while one lasts).
  void beginInterruption();
  /// Ends the interruption (ignored when none lasts) with `flags`.
  void endInterruption(unsigned flags = kInterruptionShouldResume);
  /// Back to the defaults: inactive, solo ambient, no other audio, the
  /// default route, no failures, no interruption, no delegate.
  void reset();

 private:
  AudioSession() = default;

  Category category_ = Category::SoloAmbient;
  bool active_ = false;
  bool otherAudioPlaying_ = false;
  std::string route_ = kDefaultRoute;
  AudioSessionDelegate* delegate_ = nullptr;
  bool interrupted_ = false;
  int failuresLeft_ = 0;
  int activationAttempts_ = 0;
};

/// The category's name ("ambient", "solo ambient", ...), for log lines.
const char* categoryName(AudioSession::Category category);

}  // namespace platform::audio
