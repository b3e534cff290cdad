// Reads arbitrary bytes as a RIFF/WAVE sound file from memory. The reader
// must never crash, hang, leak or read outside the input, whatever the chunk
// sizes, counts and rates claim; a file it accepts must be consistent: a
// known sample format, a rate in range, a whole number of frames, and no
// more samples than the input holds.

#include "platform/Log.h"
#include "platform/audio/SoundDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::setLogSink([](std::string_view) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto pcm = platform::audio::decodeWav(std::span<const std::uint8_t>(data, size), "fuzz.wav");
  if (!pcm) return 0;
  const int frameSize = platform::audio::bytesPerFrame(pcm->format);
  if (frameSize == 0) std::abort();
  if (pcm->sampleRate < 1 || pcm->sampleRate > platform::audio::kMaxSampleRate) std::abort();
  if (pcm->bytes.empty() || pcm->bytes.size() % static_cast<std::size_t>(frameSize) != 0) std::abort();
  if (pcm->bytes.size() > size) std::abort();
  return 0;
}
