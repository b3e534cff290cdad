#pragma once
// CDSoundEngine: short sound effects through OpenAL. It owns a fixed pool of
// up to 32 OpenAL sources, split into source groups, and a growable table of
// OpenAL buffers indexed by sound id.

#include "platform/Object.h"
#include "platform/OperationQueue.h"
#include "platform/Ref.h"
#include "platform/Value.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace audio {

class CDBufferLoadRequest;
class CDSoundSource;

/// Short sound effects through OpenAL. It owns a fixed pool of up to 32 OpenAL
/// sources, split into source groups, and a growable table of OpenAL buffers
/// indexed by sound id.
///
/// Playing a sound picks a source of the requested group round-robin (an
/// interruptible group steals its oldest source; a non-interruptible group
/// only takes a source that is not playing), binds the sound's buffer and
/// starts it. The result is the OpenAL source name, or kMutedCode (disabled,
/// not functioning, nothing loaded, group switched off) or kNoSourceCode (no
/// free source, or OpenAL refused).
///
/// The output device comes from the platform facts (audioDevice). A device
/// that cannot be opened leaves the engine not functioning: every play returns
/// kMutedCode and every load fails, nothing crashes.
///
/// Threads: buffer table changes and reads are serialised by a lock, so
/// buffers may be loaded from a background thread while the main thread plays.
/// Everything else belongs to the main thread.
///
/// Cost: playSound allocates nothing; it scans at most the group's sources.
class CDSoundEngine : public platform::Object {
  PLATFORM_CLASS(CDSoundEngine, platform::Object)
 public:
  /// Returned by playSound when the engine cannot play at all: disabled, not
  /// functioning, the buffer not loaded, the group switched off.
  static constexpr ALuint kMutedCode = 0xFEEDBAB;
  /// Returned by playSound when no source was free or OpenAL refused to play.
  static constexpr ALuint kNoSourceCode = 0xFEEDFAC;
  /// Most sources the engine creates.
  static constexpr int kMaxSources = 32;
  /// Buffer slots made at start-up; the table grows in steps of kBufferGrowth.
  static constexpr int kInitialBuffers = 64;
  static constexpr int kBufferGrowth = 16;
  /// Notification posted when a play fails and no OpenAL context is current.
  static constexpr const char* kBadContextNotification = "cdbadalcontext";

  /// The mixer rate in hertz for engines created afterwards. Default 44100.
  static void setMixerSampleRate(float hertz);
  static float mixerSampleRate();

  /// A new engine (autoreleased), functioning when the device opened.
  static CDSoundEngine* soundEngine();
  /// Opens the device, makes its context current, creates the buffers and
  /// sources, one group of all sources, and runs the gain self-test. Always
  /// true: without a device the engine exists but is not functioning.
  bool init();

  // [SECTION] Source groups

  /// Replaces the groups (stopping every sound) by groups of the given sizes,
  /// taking consecutive sources. Non-number entries count as 0. Refused, with
  /// a log line and the old groups kept, when a size is negative or the sizes
  /// add up to more than sourceTotal().
  /// \param counts how many sources each group gets, in group order.
  bool defineSourceGroups(const std::vector<platform::Value>& counts);
  bool defineSourceGroups(const int* counts, int total);
  /// A non-interruptible group only takes sources that are not playing.
  void setSourceGroupNonInterruptible(int groupId, bool isNonInterruptible);
  /// Sets the group's off mark: true switches the group OFF (its sources stop
  /// and it refuses to play), false switches it back on. The inverted sense is
  /// the engine's long-standing contract and callers rely on it.
  /// \param groupId the source group.
  /// \param enabled true switches the group off, false on (see above).
  void setSourceGroupEnabled(int groupId, bool enabled);
  /// The off mark set by setSourceGroupEnabled (true: the group is off).
  bool sourceGroupEnabled(int groupId) const;
  int sourceGroupTotal() const { return static_cast<int>(groups_.size()); }
  int sourceTotal() const { return sourceTotal_; }

  // [SECTION] Buffers

  /// Decodes a sound file (path resolved by CDUtilities) into the sound id's
  /// buffer. False, with the buffer marked failed, when it cannot be decoded.
  /// Virtual: a subclass may watch or hold loads.
  /// \param soundId the buffer slot, from 0.
  /// \param filePath a sound file, looked up like any resource.
  virtual bool loadBuffer(int soundId, const std::string& filePath);
  /// Uploads `size` bytes of samples in an OpenAL format at `frequency` hertz.
  /// Grows the table when the id is beyond it. False when not functioning,
  /// for a negative id, for no data or a size or frequency that is not
  /// positive (buffer marked failed) and when OpenAL refuses.
  /// \param soundId the buffer slot, from 0.
  /// \param soundData the samples.
  /// \param format AL_FORMAT_MONO8, ...MONO16, ...STEREO8 or ...STEREO16.
  /// \param size bytes of samples.
  /// \param frequency samples per second.
  bool loadBufferFromData(int soundId, const void* soundData, ALenum format, int size, int frequency);
  /// Loads the requests in order on the engine's background queue (one worker
  /// thread, made on first use; lists queued later run after earlier ones)
  /// and returns at once. asynchLoadProgress() is 0 on return and reaches 1
  /// when the list is done; CDAsynchBufferLoader says how it moves.
  /// \param loadRequests the files and the sound ids to load them into.
  void loadBuffersAsynchronously(const std::vector<platform::Ref<CDBufferLoadRequest>>& loadRequests);
  /// Blocks until every list queued by loadBuffersAsynchronously is loaded.
  void waitUntilAsynchLoadsFinish();
  /// Stops and detaches every source playing the buffer, then replaces it by
  /// a fresh empty buffer.
  /// \param soundId the buffer slot, from 0.
  bool unloadBuffer(int soundId);
  /// True for an id inside the buffer table.
  bool validateBufferId(int soundId) const;
  /// Seconds of sound in the buffer; −1 for an invalid id, 0 for an unknown format.
  float bufferDurationInSeconds(int soundId) const;
  /// −1 for an invalid id.
  int bufferSizeInBytes(int soundId) const;
  int bufferFrequencyInHertz(int soundId) const;
  /// Slots in the buffer table: kInitialBuffers at start-up.
  int bufferTotal() const;

  // [SECTION] Playing

  /// Plays a loaded sound in a group. Returns the source name or one of the
  /// two codes. An id or group outside the tables gives kMutedCode and a log line.
  /// \param soundId the buffer slot, from 0.
  /// \param sourceGroupId the source group to play in.
  /// \param pitch the playback rate: 1 as recorded.
  /// \param pan the position from -1 (left) to 1 (right).
  /// \param gain the volume, 0 to 1.
  /// \param loop whether the sound loops until stopped.
  ALuint playSound(int soundId, int sourceGroupId, float pitch, float pan, float gain, bool loop);
  void stopSound(ALuint sourceId);
  void stopSourceGroup(int sourceGroupId);
  void stopAllSounds();
  /// A handle (autoreleased) on a source of the group, locked to it until the
  /// handle is destroyed, with the sound attached and pitch 1, pan 0, gain 1,
  /// no looping. nullptr when no source is free or the sound cannot be attached.
  /// \param soundId the buffer slot, from 0.
  /// \param sourceGroupId the source group to play in.
  CDSoundSource* soundSourceForSound(int soundId, int sourceGroupId);

  // [SECTION] Gain, mute, state

  /// The listener gain. While muted, reads and writes the gain to restore.
  float masterGain() const;
  void setMasterGain(float gain);
  bool mute() const { return mute_; }
  /// Muting remembers the master gain and silences the listener; unmuting
  /// restores it.
  void setMute(bool mute);
  bool enabled() const { return enabled_; }
  /// Disabling stops every sound; a disabled engine returns kMutedCode.
  void setEnabled(bool enabled);
  /// Whether the device and context opened.
  bool functioning() const { return functioning_; }
  /// The last OpenAL error seen (AL_NO_ERROR at creation).
  ALenum lastErrorCode() const { return lastErrorCode_; }
  /// Whether a source's gain reads back as written (checked at start-up).
  bool getGainWorks() const { return getGainWorks_; }
  /// Progress of background loading, 0 to 1.
  float asynchLoadProgress() const { return asynchLoadProgress_.load(); }
  void setAsynchLoadProgress(float progress) { asynchLoadProgress_.store(progress); }

  /// The OpenAL context the engine plays in (nullptr when not functioning).
  ALCcontext* context() const { return context_; }
  /// The output device (nullptr when not functioning).
  ALCdevice* device() const { return device_; }

  /// dealloc: finishes queued background loads, stops every sound, detaches
  /// live handles, deletes the sources, then the buffers, then the context,
  /// and closes the device.
  ~CDSoundEngine() override;

 private:
  friend class CDSoundSource;

  struct SourceInfo {
    bool usable = false;
    ALuint sourceId = 0;
    ALuint attachedBufferId = 0;
  };
  enum BufferState { kBufferEmpty = 0, kBufferLoaded = 1, kBufferFailed = 2 };
  struct BufferInfo {
    ALuint bufferId = 0;
    int state = kBufferEmpty;
    ALenum format = 0;
    int sizeInBytes = 0;
    int frequencyInHertz = 0;
  };
  struct SourceGroup {
    int startIndex = 0;
    int currentIndex = 0;
    int totalSources = 0;
    bool offMark = false;
    bool nonInterruptible = false;
    /// One entry per source: (source index × 2) | lock bit.
    std::vector<int> sourceStatuses;
  };
  static constexpr int kSourceLocked = 1;

  void generateSources();
  void growBuffersTo(int soundId);
  BufferInfo makeBuffer();
  bool unloadBufferLocked(int soundId);
  bool isGroupValid(int groupId) const { return groupId >= 0 && groupId < static_cast<int>(groups_.size()); }
  /// The index of a free source of the group, or -1.
  int sourceIndexForSourceGroup(int groupId);
  bool isSourcePlaying(int sourceIndex) const;
  /// Attaches the sound's buffer to a source; false when the id is unusable or OpenAL refuses.
  bool attachBuffer(int sourceIndex, int soundId);
  void unlockSource(int sourceIndex);
  void forgetHandle(CDSoundSource* handle);

  std::array<SourceInfo, kMaxSources> sources_{};
  int sourceTotal_ = 0;
  std::vector<BufferInfo> buffers_;
  mutable std::recursive_mutex bufferLock_;
  std::vector<SourceGroup> groups_;
  std::vector<CDSoundSource*> handles_;  // weak: each handle unregisters itself
  ALCdevice* device_ = nullptr;
  ALCcontext* context_ = nullptr;
  bool functioning_ = false;
  bool enabled_ = false;
  bool mute_ = false;
  float preMuteGain_ = 1;
  ALenum lastErrorCode_ = AL_NO_ERROR;
  bool getGainWorks_ = false;
  std::atomic<float> asynchLoadProgress_{0};
  std::unique_ptr<platform::OperationQueue> asynchLoadQueue_;  // made by the first background load
};

}  // namespace audio
