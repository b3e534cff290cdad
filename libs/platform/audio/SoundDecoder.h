#pragma once
// Sound files decoded to PCM for audio buffers.
//
// Implemented features:
//  [x] ".wav" (any letter case): an own RIFF reader. The file must hold
//      little-endian linear PCM ("RIFF", format 1, or the extensible format
//      with a PCM sub-format), 1 or 2 channels, 8 or 16 bits; the samples are
//      taken as they are (8-bit unsigned, 16-bit signed).
//  [x] every other extension: libsndfile (FLAC, Ogg Vorbis, AIFF, CAF, MPEG
//      layer III, ...), decoded to signed 16-bit interleaved samples at the
//      file's own rate, mono or stereo.
// Missing features:
//  [ ] no more than two channels (refused), no resampling, no AAC or M4A.
//
// Every refusal logs one line naming the file and the numbers that were
// wrong, and returns nothing. Limits: at most kMaxSampleBytes of samples,
// rates from 1 to kMaxSampleRate hertz.
//
// Cost: the whole file is read into memory once; the samples are copied once
// more into the result.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform::audio {

/// Sample layouts, numerically equal to the OpenAL buffer formats.
enum SampleFormat : int {
  kFormatMono8 = 0x1100,
  kFormatMono16 = 0x1101,
  kFormatStereo8 = 0x1102,
  kFormatStereo16 = 0x1103,
};

/// Largest sample rate accepted, in hertz.
inline constexpr int kMaxSampleRate = 768000;
/// Largest amount of sample data accepted, in bytes (256 MiB).
inline constexpr std::size_t kMaxSampleBytes = std::size_t{256} << 20;

/// Decoded samples: interleaved frames in `format` at `sampleRate` hertz.
/// `bytes` always holds a whole number of frames, at least one.
struct PCM {
  std::vector<std::uint8_t> bytes;
  int format = 0;
  int sampleRate = 0;
};

/// Decodes the file at `path` by its extension (see above). Nothing, and a
/// log line, when the file cannot be read or is refused.
std::optional<PCM> decodeForBuffer(const std::string& path);

/// Reads a RIFF/WAVE image held in memory. `name` only appears in log lines.
std::optional<PCM> decodeWav(std::span<const std::uint8_t> file, std::string_view name);

/// Bytes per frame of `format` (1, 2 or 4), or 0 for an unknown format.
int bytesPerFrame(int format);

}  // namespace platform::audio
