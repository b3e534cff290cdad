// Sound files decoded for audio buffers: the own WAV reader (accepted layouts,
// refusal of damaged or lying headers) and the libsndfile path.

#include "platform/audio/SoundDecoder.h"

#include "audio/SoundFixtures.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace sound_fixtures;
using platform::audio::decodeForBuffer;
using platform::audio::decodeWav;
using testing::HasSubstr;
using testing_support::LogCapture;

std::string tempPath(const std::string& name) {
  return testing::TempDir() + "sound-decoder-" + std::to_string(getpid()) + "-" + name;
}

struct LayoutCase {
  const char* name;
  std::uint16_t channels;
  std::uint16_t bits;
  int format;
};

class SoundDecoderWavLayoutTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(SoundDecoderWavLayoutTest, GivesTheFormatAndTheSamplesUnchanged) {
  const LayoutCase& layout = GetParam();
  WavSpec spec;
  spec.channels = layout.channels;
  spec.bitsPerSample = layout.bits;
  spec.sampleRate = 11025;
  const std::vector<std::uint8_t> samples = {0x01, 0x80, 0xFF, 0x7F, 0x10, 0x20, 0x30, 0x40};
  const std::string path = tempPath(std::string(layout.name) + ".WAV");  // upper case: still the WAV reader
  writeFile(path, wavBytes(spec, samples));

  auto pcm = decodeForBuffer(path);
  ASSERT_TRUE(pcm.has_value());
  EXPECT_EQ(pcm->format, layout.format);
  EXPECT_EQ(pcm->sampleRate, 11025);
  EXPECT_EQ(pcm->bytes, samples);
}

INSTANTIATE_TEST_SUITE_P(Layouts, SoundDecoderWavLayoutTest,
                         testing::Values(LayoutCase{"mono8", 1, 8, platform::audio::kFormatMono8},
                                         LayoutCase{"mono16", 1, 16, platform::audio::kFormatMono16},
                                         LayoutCase{"stereo8", 2, 8, platform::audio::kFormatStereo8},
                                         LayoutCase{"stereo16", 2, 16, platform::audio::kFormatStereo16}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SoundDecoderWavTest, SkipsUnknownChunksAndDropsAPartialFrame) {
  std::vector<std::uint8_t> file = wavBytes({}, {});
  // Rebuild with a LIST chunk of odd length (padded) before "data", and data
  // of 5 bytes: two whole 16-bit frames and one stray byte.
  file.resize(12 + 8 + 16);
  appendTag(file, "LIST");
  appendU32(file, 3);
  file.insert(file.end(), {'a', 'b', 'c', 0});
  appendTag(file, "data");
  appendU32(file, 5);
  file.insert(file.end(), {1, 2, 3, 4, 5, 0});

  auto pcm = decodeWav(file, "chunks.wav");
  ASSERT_TRUE(pcm.has_value());
  EXPECT_EQ(pcm->bytes, (std::vector<std::uint8_t>{1, 2, 3, 4}));
}

struct HostileCase {
  const char* name;
  std::vector<std::uint8_t> file;
  const char* logged;
};

std::vector<HostileCase> hostileCases() {
  const std::vector<std::uint8_t> samples(64, 0x40);
  auto with = [&](auto change) {
    WavSpec spec;
    change(spec);
    return wavBytes(spec, samples);
  };
  std::vector<HostileCase> cases;
  cases.push_back({"Empty", {}, "too short for a RIFF header"});
  {
    auto file = with([](WavSpec&) {});
    file.resize(20);  // cut inside the format chunk
    cases.push_back({"TruncatedHeader", file, "claims 16 bytes"});
  }
  cases.push_back({"ZeroChannels", with([](WavSpec& s) { s.channels = 0; }), "0 channels"});
  cases.push_back({"ThreeChannels", with([](WavSpec& s) { s.channels = 3; }), "3 channels"});
  cases.push_back({"TwentyFourBits", with([](WavSpec& s) { s.bitsPerSample = 24; }), "24 bits per sample"});
  cases.push_back({"FloatSamples", with([](WavSpec& s) { s.formatCode = 3; }), "sample format 3"});
  cases.push_back({"RateTwoToThe31", with([](WavSpec& s) { s.sampleRate = 0x80000000u; }), "2147483648 Hz"});
  cases.push_back({"RateZero", with([](WavSpec& s) { s.sampleRate = 0; }), "sample rate 0 Hz"});
  cases.push_back({"BlockAlignLies", with([](WavSpec& s) { s.blockAlign = 7; }), "block size 7"});
  cases.push_back({"HugeDataChunk", with([](WavSpec& s) { s.claimedDataSize = 0xFFFFFFF0u; }), "claims 4294967280"});
  cases.push_back({"DataOneByteShort", with([](WavSpec& s) { s.claimedDataSize = 65; }), "claims 65 bytes"});
  {
    auto file = with([](WavSpec&) {});
    file[0] = 'R', file[1] = 'I', file[2] = 'F', file[3] = 'X';
    cases.push_back({"BigEndian", file, "RIFX"});
  }
  {
    auto file = with([](WavSpec&) {});
    file.resize(12);
    cases.push_back({"NoChunks", file, "no format chunk"});
  }
  {
    auto file = with([](WavSpec&) {});
    file.resize(12 + 8 + 16);  // format chunk only
    cases.push_back({"NoData", file, "no data chunk"});
  }
  {
    std::vector<std::uint8_t> file;
    appendTag(file, "RIFF");
    appendU32(file, 100);
    appendTag(file, "WAVE");
    appendTag(file, "data");
    appendU32(file, 2);
    file.insert(file.end(), {0, 0});
    cases.push_back({"DataBeforeFormat", file, "before the format chunk"});
  }
  {
    std::vector<std::uint8_t> file = with([](WavSpec&) {});
    file.resize(12 + 8 + 16 + 8);  // data chunk header claims 64 bytes, none follow
    cases.push_back({"DataCutOff", file, "only 0 remain"});
  }
  return cases;
}

class SoundDecoderHostileWavTest : public testing::TestWithParam<HostileCase> {};

TEST_P(SoundDecoderHostileWavTest, IsRefusedWithALogLineNamingTheFile) {
  const HostileCase& hostile = GetParam();
  const std::string path = tempPath(std::string(hostile.name) + ".wav");
  writeFile(path, hostile.file);
  LogCapture log;
  EXPECT_FALSE(decodeForBuffer(path).has_value());
  EXPECT_THAT(log.text(), HasSubstr(path));
  EXPECT_THAT(log.text(), HasSubstr(hostile.logged));
}

INSTANTIATE_TEST_SUITE_P(Files, SoundDecoderHostileWavTest, testing::ValuesIn(hostileCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SoundDecoderFileTest, MissingFilesAndFoldersAreRefusedWithALogLine) {
  const std::string folder = tempPath("folder.wav");
  std::filesystem::create_directories(folder);
  LogCapture log;
  EXPECT_FALSE(decodeForBuffer(tempPath("missing.wav")).has_value());
  EXPECT_FALSE(decodeForBuffer(folder).has_value());
  EXPECT_FALSE(decodeForBuffer(tempPath("missing.ogg")).has_value());
  EXPECT_THAT(log.text(), HasSubstr("missing.wav: not found"));
  EXPECT_THAT(log.text(), HasSubstr("missing.ogg: cannot decode"));
}

struct OtherFormatCase {
  const char* name;
  const char* extension;
  int sndfileFormat;
  int channels;
  bool lossless;
};

class SoundDecoderOtherFormatTest : public testing::TestWithParam<OtherFormatCase> {};

TEST_P(SoundDecoderOtherFormatTest, DecodesToSigned16BitAtTheFileRate) {
  const OtherFormatCase& format = GetParam();
  const std::vector<short> samples = toneSamples(4410, format.channels, 44100, 440, 0.5);
  const std::string path = tempPath(std::string(format.name) + "." + format.extension);
  writeWithSndfile(path, format.sndfileFormat, format.channels, 44100, samples);

  auto pcm = decodeForBuffer(path);
  ASSERT_TRUE(pcm.has_value());
  EXPECT_EQ(pcm->format,
            format.channels == 1 ? platform::audio::kFormatMono16 : platform::audio::kFormatStereo16);
  EXPECT_EQ(pcm->sampleRate, 44100);
  if (format.lossless) {
    EXPECT_EQ(pcm->bytes, sampleBytes(samples));
  } else {
    // Lossy codecs may pad the end; the tone must still be there.
    ASSERT_GE(pcm->bytes.size(), samples.size() * 2);
    double energy = 0;
    for (std::size_t i = 0; i + 1 < pcm->bytes.size(); i += 2) {
      const auto sample = static_cast<short>(pcm->bytes[i] | (pcm->bytes[i + 1] << 8));
      energy += double(sample) * sample;
    }
    const double rms = std::sqrt(energy / double(pcm->bytes.size() / 2));
    EXPECT_NEAR(rms, 0.5 * 32767 / std::sqrt(2.0), 0.1 * 32767);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SoundDecoderOtherFormatTest,
    testing::Values(OtherFormatCase{"flac_mono", "flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, true},
                    OtherFormatCase{"aiff_stereo", "aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 2, true},
                    OtherFormatCase{"ogg_stereo", "ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SoundDecoderFileTest, MoreThanTwoChannelsAreRefused) {
  const std::string path = tempPath("quad.flac");
  writeWithSndfile(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 4, 8000, toneSamples(100, 4, 8000, 440, 0.5));
  LogCapture log;
  EXPECT_FALSE(decodeForBuffer(path).has_value());
  EXPECT_THAT(log.text(), HasSubstr("4 channels, expected 1 or 2"));
}

TEST(SoundDecoderFileTest, AWavFileWithAnotherExtensionGoesThroughTheGeneralDecoder) {
  // 24-bit WAV is refused by the raw reader, but a file not named .wav is
  // converted to 16 bits whatever its container.
  const std::string path = tempPath("deep.sound");
  writeWithSndfile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, 8000, toneSamples(100, 1, 8000, 440, 0.5));
  auto pcm = decodeForBuffer(path);
  ASSERT_TRUE(pcm.has_value());
  EXPECT_EQ(pcm->format, platform::audio::kFormatMono16);
  EXPECT_EQ(pcm->bytes.size(), 200u);
}

}  // namespace
