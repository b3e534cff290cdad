#pragma once
// Sound files made by the tests: RIFF/WAVE images built byte by byte (so the
// headers can lie), and files in other formats written with libsndfile.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace sound_fixtures {

inline void appendU16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void appendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  appendU16(out, value & 0xFFFF);
  appendU16(out, value >> 16);
}

inline void appendTag(std::vector<std::uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

struct WavSpec {
  std::uint16_t formatCode = 1;
  std::uint16_t channels = 1;
  std::uint32_t sampleRate = 22050;
  std::uint16_t bitsPerSample = 16;
  /// 0: channels × bits / 8.
  std::uint16_t blockAlign = 0;
  /// Written as the data chunk's size instead of the real one when not 0.
  std::uint32_t claimedDataSize = 0;
};

/// A RIFF/WAVE image: "fmt " then "data" holding `samples`.
inline std::vector<std::uint8_t> wavBytes(const WavSpec& spec, const std::vector<std::uint8_t>& samples) {
  std::vector<std::uint8_t> out;
  out.reserve(44 + samples.size() + 1);
  appendTag(out, "RIFF");
  appendU32(out, static_cast<std::uint32_t>(4 + 8 + 16 + 8 + samples.size()));
  appendTag(out, "WAVE");
  appendTag(out, "fmt ");
  appendU32(out, 16);
  appendU16(out, spec.formatCode);
  appendU16(out, spec.channels);
  appendU32(out, spec.sampleRate);
  const std::uint16_t align =
      spec.blockAlign ? spec.blockAlign : static_cast<std::uint16_t>(spec.channels * spec.bitsPerSample / 8);
  appendU32(out, spec.sampleRate * align);
  appendU16(out, align);
  appendU16(out, spec.bitsPerSample);
  appendTag(out, "data");
  appendU32(out, spec.claimedDataSize ? spec.claimedDataSize : static_cast<std::uint32_t>(samples.size()));
  out.insert(out.end(), samples.begin(), samples.end());
  if (samples.size() % 2) out.push_back(0);
  return out;
}

/// Signed 16-bit samples of a sine tone, the same on every channel.
inline std::vector<short> toneSamples(int frames, int channels, int sampleRate, double hertz, double amplitude) {
  std::vector<short> samples;
  for (int frame = 0; frame < frames; ++frame) {
    const double value = amplitude * 32767.0 * std::sin(2.0 * M_PI * hertz * frame / sampleRate);
    for (int channel = 0; channel < channels; ++channel) samples.push_back(static_cast<short>(std::lround(value)));
  }
  return samples;
}

/// Little-endian bytes of 16-bit samples.
inline std::vector<std::uint8_t> sampleBytes(const std::vector<short>& samples) {
  std::vector<std::uint8_t> out;
  for (short sample : samples) appendU16(out, static_cast<std::uint16_t>(sample));
  return out;
}

inline void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

/// Writes 16-bit `samples` in a libsndfile format (SF_FORMAT_FLAC, ...).
inline void writeWithSndfile(const std::string& path, int format, int channels, int sampleRate,
                             const std::vector<short>& samples) {
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = sampleRate;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
  const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / channels;
  EXPECT_EQ(sf_writef_short(file, samples.data(), frames), frames);
  sf_close(file);
}

}  // namespace sound_fixtures
