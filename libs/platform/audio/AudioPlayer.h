#pragma once
// AudioPlayer: one long sound file (music, narration) streamed from disk.

#include "platform/Object.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// libsndfile's file handle (SNDFILE).
struct sf_private_tag;

namespace platform::audio {

class AudioPlayer;

/// What a player tells its delegate, on the main thread. Every method is optional.
class AudioPlayerDelegate {
 public:
  /// Played to the end of its last loop. `successfully` is false when the
  /// file could not be read any more (it stopped early).
  virtual void audioPlayerDidFinishPlaying(AudioPlayer* player, bool successfully) {}
  /// An interruption began; the player was playing and has been paused.
  virtual void audioPlayerBeginInterruption(AudioPlayer* player) {}
  /// The interruption that paused the player ended; it stays paused unless
  /// the delegate plays it.
  virtual void audioPlayerEndInterruption(AudioPlayer* player) {}

 protected:
  ~AudioPlayerDelegate() = default;
};

/// One long sound file (music, narration) streamed from disk.
///
/// Implemented features:
///  [x] any file libsndfile reads (WAV, FLAC, Ogg Vorbis, AIFF, ...), mono or
///      stereo, played at the file's own rate through one OpenAL source of
///      its own (outside any sound engine's pool)
///  [x] play, pause (keeps the position), stop (keeps the position and
///      releases the queued buffers), currentTime (read and seek), duration,
///      volume, numberOfLoops (−1 for ever, 0 once, n: n more times)
///  [x] the delegate's didFinishPlaying on the main thread, through the run
///      loop, once after the last loop; never after stop or pause
///  [x] interruptions from the AudioSession: a playing player is paused and
///      its delegate told; at the end the delegate decides whether to play
/// Missing features:
///  [ ] no more than two channels (refused when opening), no metering, no
///      rate change, no pan
///
/// Output: every player shares one output device (opened with the platform
/// facts' audioDevice on first use, closed with the last player) and one
/// OpenAL context on it. Players never change the process-wide current OpenAL
/// context: each call selects the players' context for the calling thread only
/// (ALC_EXT_thread_local_context) and restores the previous one, so a sound
/// engine's context stays current. With the "loopback" device nothing plays
/// until renderOutput() mixes, which makes tests exact.
///
/// Threads: one streaming thread per player refills the source's queue from
/// the file every few milliseconds while it plays. service() runs one refill
/// step for every player on the calling thread (tests alternate it with
/// renderOutput). All other calls belong to the main thread.
///
/// Cost: kQueueBuffers buffers of kBufferFrames frames are queued; a refill
/// reads and uploads only the buffers the source has finished with.
class AudioPlayer : public Object {
  PLATFORM_CLASS(AudioPlayer, Object)
 public:
  /// Frames in one streaming buffer, and buffers queued at most.
  static constexpr int kBufferFrames = 4096;
  static constexpr int kQueueBuffers = 4;

  /// A player for the file at `path` (autoreleased), or nullptr, logged, when
  /// the file cannot be opened or read, has more than two channels, or no
  /// output device can be opened.
  static AudioPlayer* playerWithContentsOfFile(const std::string& path);
  bool initWithContentsOfFile(const std::string& path);

  /// Queues the first buffers so play starts at once. Returns false when the
  /// file cannot be read.
  bool prepareToPlay();
  /// Starts or continues at currentTime. False when OpenAL refuses.
  bool play();
  /// Stops sounding; the position is kept.
  void pause();
  /// Stops sounding and drops the queued buffers; the position is kept (set
  /// currentTime to 0 to rewind).
  void stop();
  bool isPlaying() const;

  /// Position in the file in seconds (within the current loop).
  double currentTime() const;
  /// Moves to `seconds` (clamped to the file). Playing continues from there.
  void setCurrentTime(double seconds);
  /// Length of the file in seconds.
  double duration() const { return duration_; }

  /// Gain 0…1 (values outside are clamped). Default 1.
  float volume() const { return volume_; }
  void setVolume(float volume);
  /// −1 plays for ever, 0 once, n plays n + 1 times. Default 0. Setting it
  /// starts the count afresh.
  int numberOfLoops() const { return numberOfLoops_; }
  void setNumberOfLoops(int loops);

  /// Weak; default none.
  AudioPlayerDelegate* delegate() const { return delegate_; }
  void setDelegate(AudioPlayerDelegate* delegate) { delegate_ = delegate; }

  const std::string& path() const { return path_; }
  int sampleRate() const { return sampleRate_; }
  int channels() const { return channels_; }

  /// Runs one refill step of every live player on this thread.
  static void service();
  /// The players' shared output device, or nullptr while no player exists.
  static ALCdevice* outputDevice();
  /// Mixes `frames` stereo float frames of the output into `out` when it is a
  /// loopback device. False otherwise.
  static bool renderOutput(float* out, int frames);

  /// Pauses every playing player for an interruption and tells its delegate;
  /// endInterruption tells the delegates of the players it paused. Called by
  /// the AudioSession.
  static void beginInterruption();
  static void endInterruption();

  /// dealloc: stops the streaming thread, deletes the source and buffers and
  /// gives up the shared output.
  ~AudioPlayer() override;

 private:
  struct Queued {
    ALuint buffer = 0;
    std::int64_t startFrame = 0;
    int frames = 0;
    int loopsLeftBefore = 0;  // loops still to read when this buffer was filled
  };
  class ContextScope;

  /// One refill step: unqueues finished buffers, reads and queues new ones,
  /// restarts after an underrun, notices the end. Takes mutex_.
  void refill();
  /// The same with mutex_ held and the context selected.
  void refillLocked();
  /// Reads up to kBufferFrames frames (across loop boundaries) into a buffer.
  /// Returns false when nothing was read (the end, or a read error).
  bool fillBuffer(ALuint buffer, std::int64_t& startFrame, int& frames);
  /// Fills and queues every free buffer until the reader ends. Expects
  /// mutex_ and the context selected.
  void queueFreeBuffers();
  /// Stops the source and unqueues every buffer, keeping the position and
  /// the loops left there in pausedFrame_ and loopsLeft_. Expects mutex_.
  void flushQueue();
  /// The frame being played (within the file). Expects mutex_.
  std::int64_t positionLocked() const;
  void seekLocked(std::int64_t frame);
  void startThread();
  void threadMain();
  void finishLocked(bool successfully);

  std::string path_;
  sf_private_tag* file_ = nullptr;  // owned: closed by the destructor
  int sampleRate_ = 0;
  int channels_ = 0;
  ALenum format_ = 0;
  std::int64_t totalFrames_ = 0;
  double duration_ = 0;

  ALuint source_ = 0;
  std::vector<ALuint> buffers_;
  std::vector<ALuint> freeBuffers_;
  std::deque<Queued> queue_;
  std::vector<short> scratch_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::thread thread_;
  bool quit_ = false;
  bool playing_ = false;
  bool readerEnded_ = false;
  bool readFailed_ = false;
  std::int64_t readFrame_ = 0;   // next frame the reader takes from the file
  std::int64_t pausedFrame_ = 0;  // the position while nothing is queued
  int loopsLeft_ = 0;
  int numberOfLoops_ = 0;
  float volume_ = 1;
  std::uint64_t serial_ = 0;      // identifies this player in deliveries
  std::uint64_t generation_ = 0;  // bumped by play/pause/stop/seek: stale finishes are dropped
  bool interrupted_ = false;
  AudioPlayerDelegate* delegate_ = nullptr;
  bool hasOutput_ = false;
};

}  // namespace platform::audio
