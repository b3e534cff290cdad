#include "platform/audio/SoundDecoder.h"

#include "platform/Log.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace platform::audio {

namespace {

// [SECTION] RIFF/WAVE reader

constexpr std::uint16_t kWaveFormatPCM = 1;
constexpr std::uint16_t kWaveFormatExtensible = 0xFFFE;
// A RIFF image is the 12-byte file header plus chunks of 8-byte headers.
constexpr std::size_t kRiffHeaderSize = 12;
constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kPlainFormatSize = 16;
// The extensible format adds cbSize, valid bits, channel mask and a 16-byte
// sub-format whose first two bytes are the plain format code.
constexpr std::size_t kExtensibleFormatSize = 40;

std::uint16_t readU16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] | (at[1] << 8)); }

std::uint32_t readU32(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
         (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

bool hasTag(const std::uint8_t* at, const char* tag) { return std::memcmp(at, tag, 4) == 0; }

struct WaveFormat {
  unsigned channels = 0;
  std::uint32_t sampleRate = 0;
  unsigned blockAlign = 0;
  unsigned bitsPerSample = 0;
};

// Checks the "fmt " chunk body; logs and returns nothing when it is not
// linear PCM this reader can hand over unchanged.
std::optional<WaveFormat> readWaveFormat(std::span<const std::uint8_t> body, std::string_view name) {
  const int nameLength = static_cast<int>(name.size());
  if (body.size() < kPlainFormatSize) {
    log("tessera: sound file %.*s: format chunk of %zu bytes, expected at least %zu", nameLength, name.data(),
        body.size(), kPlainFormatSize);
    return std::nullopt;
  }
  std::uint16_t code = readU16(body.data());
  if (code == kWaveFormatExtensible) {
    if (body.size() < kExtensibleFormatSize) {
      log("tessera: sound file %.*s: extensible format chunk of %zu bytes, expected %zu", nameLength,
          name.data(), body.size(), kExtensibleFormatSize);
      return std::nullopt;
    }
    code = readU16(body.data() + 24);
  }
  WaveFormat format;
  format.channels = readU16(body.data() + 2);
  format.sampleRate = readU32(body.data() + 4);
  format.blockAlign = readU16(body.data() + 12);
  format.bitsPerSample = readU16(body.data() + 14);
  if (code != kWaveFormatPCM) {
    log("tessera: sound file %.*s: sample format %u is not linear PCM", nameLength, name.data(), code);
    return std::nullopt;
  }
  if (format.channels != 1 && format.channels != 2) {
    log("tessera: sound file %.*s: %u channels, expected 1 or 2", nameLength, name.data(), format.channels);
    return std::nullopt;
  }
  if (format.bitsPerSample != 8 && format.bitsPerSample != 16) {
    log("tessera: sound file %.*s: %u bits per sample, expected 8 or 16", nameLength, name.data(),
        format.bitsPerSample);
    return std::nullopt;
  }
  if (format.sampleRate == 0 || format.sampleRate > static_cast<std::uint32_t>(kMaxSampleRate)) {
    log("tessera: sound file %.*s: sample rate %u Hz, expected 1 to %d", nameLength, name.data(),
        format.sampleRate, kMaxSampleRate);
    return std::nullopt;
  }
  const unsigned frameSize = format.channels * format.bitsPerSample / 8;
  if (format.blockAlign != frameSize) {
    log("tessera: sound file %.*s: block size %u, expected %u for %u channels of %u bits", nameLength,
        name.data(), format.blockAlign, frameSize, format.channels, format.bitsPerSample);
    return std::nullopt;
  }
  return format;
}

int formatFor(const WaveFormat& wave) {
  if (wave.channels == 1) return wave.bitsPerSample == 8 ? kFormatMono8 : kFormatMono16;
  return wave.bitsPerSample == 8 ? kFormatStereo8 : kFormatStereo16;
}

// [SECTION] Other formats through libsndfile

std::optional<PCM> decodeWithSndfile(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    log("tessera: sound file %s: cannot decode (%s)", path.c_str(), sf_strerror(nullptr));
    return std::nullopt;
  }
  struct Closer {
    SNDFILE* file;
    ~Closer() { sf_close(file); }
  } closer{file};

  if (info.channels != 1 && info.channels != 2) {
    log("tessera: sound file %s: %d channels, expected 1 or 2", path.c_str(), info.channels);
    return std::nullopt;
  }
  if (info.samplerate <= 0 || info.samplerate > kMaxSampleRate) {
    log("tessera: sound file %s: sample rate %d Hz, expected 1 to %d", path.c_str(), info.samplerate,
        kMaxSampleRate);
    return std::nullopt;
  }
  const std::size_t frameSize = static_cast<std::size_t>(info.channels) * sizeof(short);
  const std::size_t maxFrames = kMaxSampleBytes / frameSize;
  if (info.frames < 0 || static_cast<std::uint64_t>(info.frames) > maxFrames) {
    log("tessera: sound file %s: %lld frames, at most %zu accepted", path.c_str(),
        static_cast<long long>(info.frames), maxFrames);
    return std::nullopt;
  }

  // The header's frame count is a hint: read until the decoder stops, in
  // blocks, and never beyond the limit.
  constexpr sf_count_t kBlockFrames = 4096;
  std::vector<short> samples;
  samples.reserve(static_cast<std::size_t>(info.frames) * static_cast<std::size_t>(info.channels));
  std::vector<short> block(static_cast<std::size_t>(kBlockFrames) * static_cast<std::size_t>(info.channels));
  std::size_t framesRead = 0;
  for (;;) {
    const sf_count_t got = sf_readf_short(file, block.data(), kBlockFrames);
    if (got <= 0) break;
    framesRead += static_cast<std::size_t>(got);
    if (framesRead > maxFrames) {
      log("tessera: sound file %s: more than %zu frames", path.c_str(), maxFrames);
      return std::nullopt;
    }
    samples.insert(samples.end(), block.begin(), block.begin() + got * info.channels);
  }
  if (sf_error(file) != SF_ERR_NO_ERROR) {
    log("tessera: sound file %s: decoding failed after %zu frames (%s)", path.c_str(), framesRead,
        sf_strerror(file));
    return std::nullopt;
  }
  if (framesRead == 0) {
    log("tessera: sound file %s: no samples", path.c_str());
    return std::nullopt;
  }

  PCM pcm;
  pcm.format = info.channels == 1 ? kFormatMono16 : kFormatStereo16;
  pcm.sampleRate = info.samplerate;
  pcm.bytes.resize(samples.size() * sizeof(short));
  // Host order is little-endian here, which is what the buffers expect.
  std::memcpy(pcm.bytes.data(), samples.data(), pcm.bytes.size());
  return pcm;
}

bool hasWavExtension(const std::string& path) {
  const std::string extension = std::filesystem::path(path).extension().string();
  if (extension.size() != 4) return false;
  std::string lower = extension;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
  return lower == ".wav";
}

}  // namespace

int bytesPerFrame(int format) {
  switch (format) {
    case kFormatMono8: return 1;
    case kFormatMono16:
    case kFormatStereo8: return 2;
    case kFormatStereo16: return 4;
    default: return 0;
  }
}

std::optional<PCM> decodeWav(std::span<const std::uint8_t> file, std::string_view name) {
  const int nameLength = static_cast<int>(name.size());
  if (file.size() < kRiffHeaderSize) {
    log("tessera: sound file %.*s: %zu bytes, too short for a RIFF header", nameLength, name.data(),
        file.size());
    return std::nullopt;
  }
  if (hasTag(file.data(), "RIFX")) {
    log("tessera: sound file %.*s: big-endian RIFX files are not read", nameLength, name.data());
    return std::nullopt;
  }
  if (!hasTag(file.data(), "RIFF") || !hasTag(file.data() + 8, "WAVE")) {
    log("tessera: sound file %.*s: not a RIFF/WAVE file", nameLength, name.data());
    return std::nullopt;
  }

  std::optional<WaveFormat> format;
  std::span<const std::uint8_t> samples;
  bool haveData = false;
  // Chunks follow one another, each padded to an even length. The RIFF size
  // field is not trusted: the end of the image bounds the walk.
  std::size_t offset = kRiffHeaderSize;
  while (!haveData && file.size() - offset >= kChunkHeaderSize) {
    const std::uint8_t* header = file.data() + offset;
    const std::uint32_t chunkSize = readU32(header + 4);
    const std::size_t bodyOffset = offset + kChunkHeaderSize;
    const std::size_t available = file.size() - bodyOffset;
    if (chunkSize > available) {
      log("tessera: sound file %.*s: chunk \"%.4s\" at byte %zu claims %u bytes, only %zu remain", nameLength,
          name.data(), reinterpret_cast<const char*>(header), offset, chunkSize, available);
      return std::nullopt;
    }
    std::span<const std::uint8_t> body = file.subspan(bodyOffset, chunkSize);
    if (hasTag(header, "fmt ")) {
      if (format) {
        log("tessera: sound file %.*s: second format chunk at byte %zu", nameLength, name.data(), offset);
        return std::nullopt;
      }
      format = readWaveFormat(body, name);
      if (!format) return std::nullopt;
    } else if (hasTag(header, "data")) {
      if (!format) {
        log("tessera: sound file %.*s: sample data before the format chunk", nameLength, name.data());
        return std::nullopt;
      }
      samples = body;
      haveData = true;
    }
    const std::size_t padded = static_cast<std::size_t>(chunkSize) + (chunkSize & 1u);
    offset = bodyOffset + std::min(padded, available);
  }
  if (!format) {
    log("tessera: sound file %.*s: no format chunk", nameLength, name.data());
    return std::nullopt;
  }
  if (!haveData) {
    log("tessera: sound file %.*s: no data chunk", nameLength, name.data());
    return std::nullopt;
  }
  if (samples.size() > kMaxSampleBytes) {
    log("tessera: sound file %.*s: %zu bytes of samples, at most %zu accepted", nameLength, name.data(),
        samples.size(), kMaxSampleBytes);
    return std::nullopt;
  }
  // A trailing partial frame cannot be played: drop it.
  const std::size_t wholeFrames = samples.size() / format->blockAlign;
  if (wholeFrames == 0) {
    log("tessera: sound file %.*s: data chunk of %zu bytes holds no whole frame", nameLength, name.data(),
        samples.size());
    return std::nullopt;
  }
  PCM pcm;
  pcm.format = formatFor(*format);
  pcm.sampleRate = static_cast<int>(format->sampleRate);
  pcm.bytes.assign(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(wholeFrames * format->blockAlign));
  return pcm;
}

std::optional<PCM> decodeForBuffer(const std::string& path) {
  if (!hasWavExtension(path)) return decodeWithSndfile(path);

  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    log("tessera: sound file %s: not found or not a file", path.c_str());
    return std::nullopt;
  }
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  // The samples plus room for headers and other chunks.
  constexpr std::uintmax_t kMaxFileBytes = kMaxSampleBytes + (std::uintmax_t{1} << 20);
  if (error || size > kMaxFileBytes) {
    log("tessera: sound file %s: %ju bytes, at most %ju accepted", path.c_str(), error ? std::uintmax_t{0} : size,
        kMaxFileBytes);
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
    log("tessera: sound file %s: cannot read %zu bytes", path.c_str(), bytes.size());
    return std::nullopt;
  }
  return decodeWav(bytes, path);
}

}  // namespace platform::audio
