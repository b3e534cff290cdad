// The sound engine's hot paths, on OpenAL Soft's silent device.
//
// - PlaySound: one playSound call in a group of 32 interruptible sources
//   (each call steals the oldest source, stops it, binds and starts).
// - FadeFrame/32: one frame of 32 sources fading at once, each stepped with
//   the fraction of its fade, as a per-frame callback would. Reports heap
//   allocations per frame through operator new (expected 0; OpenAL's own C
//   allocations are not counted).
// - LoadDuringFrames: a 10 s, 44.1 kHz stereo file (argument 0: WAV, read
//   raw; 1: FLAC, decoded through libsndfile) loaded while a 60 Hz frame
//   loop runs, once synchronously inside a frame and once through
//   loadBuffersAsynchronously. Reports the worst gap between frame starts
//   (the background load must keep it near 16.7 ms) and the most work done
//   in one frame.
//
// The device is the null back end unless ALSOFT_DRIVERS is already set.

// The counter's operator new/delete pair malloc with free; once inlined into
// this file GCC mistakes that for a mismatch.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#include "AllocationCounter.h"
#pragma GCC diagnostic pop

#include "audio/CDAsynchBufferLoader.h"
#include "audio/CDFloatInterpolator.h"
#include "audio/CDPropertyModifier.h"
#include "audio/CDSoundEngine.h"
#include "audio/CDSoundSource.h"
#include "platform/AutoreleasePool.h"
#include "platform/Ref.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using audio::CDFloatInterpolator;
using audio::CDSoundEngine;
using audio::CDSoundSource;
using audio::CDSoundSourceFader;
using platform::Ref;
using Clock = std::chrono::steady_clock;

constexpr int kRate = 44100;

// A quiet 440 Hz tone of `frames` frames, as interleaved 16-bit samples.
std::vector<std::int16_t> toneSamples(int frames, int channels) {
  std::vector<std::int16_t> samples;
  samples.reserve(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels));
  for (int frame = 0; frame < frames; ++frame) {
    const auto value = static_cast<std::int16_t>(std::lround(8000.0 * std::sin(2.0 * M_PI * 440.0 * frame / kRate)));
    for (int channel = 0; channel < channels; ++channel) samples.push_back(value);
  }
  return samples;
}

void putU16(std::ofstream& out, std::uint16_t value) {
  const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
  out.write(bytes, 2);
}

void putU32(std::ofstream& out, std::uint32_t value) {
  putU16(out, static_cast<std::uint16_t>(value & 0xFFFF));
  putU16(out, static_cast<std::uint16_t>(value >> 16));
}

std::string benchFilePath(const char* extension) {
  return "/tmp/tessera-audio-bench-" + std::to_string(getpid()) + extension;
}

// Writes a stereo 16-bit WAV of `seconds` and returns its path.
std::string writeStereoWav(double seconds) {
  const std::vector<std::int16_t> samples = toneSamples(static_cast<int>(seconds * kRate), 2);
  const auto dataBytes = static_cast<std::uint32_t>(samples.size() * sizeof(std::int16_t));
  const std::string path = benchFilePath(".wav");
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write("RIFF", 4);
  putU32(out, 36 + dataBytes);
  out.write("WAVEfmt ", 8);
  putU32(out, 16);
  putU16(out, 1);
  putU16(out, 2);
  putU32(out, kRate);
  putU32(out, kRate * 4);
  putU16(out, 4);
  putU16(out, 16);
  out.write("data", 4);
  putU32(out, dataBytes);
  for (std::int16_t sample : samples) putU16(out, static_cast<std::uint16_t>(sample));
  return path;
}

// Writes the same sound as a 16-bit stereo FLAC file and returns its path.
std::string writeStereoFlac(double seconds) {
  const std::vector<std::int16_t> samples = toneSamples(static_cast<int>(seconds * kRate), 2);
  const std::string path = benchFilePath(".flac");
  SF_INFO info{};
  info.channels = 2;
  info.samplerate = kRate;
  info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) return path;
  sf_writef_short(file, samples.data(), static_cast<sf_count_t>(samples.size() / 2));
  sf_close(file);
  return path;
}

// An engine with a short tone in sound 0, or nullptr (after skipping the
// benchmark) when no device opens.
Ref<CDSoundEngine> makeEngine(benchmark::State& state) {
  Ref<CDSoundEngine> engine = CDSoundEngine::soundEngine();
  if (!engine->functioning()) {
    state.SkipWithError("no OpenAL device");
    return nullptr;
  }
  const std::vector<std::int16_t> tone = toneSamples(kRate / 10, 1);
  engine->loadBufferFromData(0, tone.data(), AL_FORMAT_MONO16, static_cast<int>(tone.size() * 2), kRate);
  return engine;
}

void BM_PlaySound(benchmark::State& state) {
  platform::AutoreleasePool pool;
  Ref<CDSoundEngine> engine = makeEngine(state);
  if (!engine) return;
  std::uint64_t refused = 0;
  const std::size_t allocationsBefore = bench::allocationCount();
  for (auto _ : state) {
    const ALuint source = engine->playSound(0, 0, 1.0f, 0.0f, 0.5f, false);
    refused += source == CDSoundEngine::kMutedCode || source == CDSoundEngine::kNoSourceCode;
  }
  state.counters["allocs/call"] = benchmark::Counter(static_cast<double>(bench::allocationCount() - allocationsBefore),
                                                     benchmark::Counter::kAvgIterations);
  if (refused != 0) state.SkipWithError("a play was refused");
}
BENCHMARK(BM_PlaySound);

void BM_FadeFrame(benchmark::State& state) {
  const auto count = static_cast<int>(state.range(0));
  platform::AutoreleasePool pool;
  Ref<CDSoundEngine> engine = makeEngine(state);
  if (!engine) return;
  std::vector<Ref<CDSoundSource>> sources;
  std::vector<Ref<CDSoundSourceFader>> faders;
  for (int i = 0; i < count; ++i) {
    Ref<CDSoundSource> source = engine->soundSourceForSound(0, 0);
    if (!source) {
      state.SkipWithError("not enough sources");
      return;
    }
    source->setLooping(true);
    source->play();
    faders.emplace_back(CDSoundSourceFader::modifierWithTarget(source.get(), i % 3, 1.0f, 0.0f));
    sources.push_back(source);
  }
  // Each fade lasts a second of 60 Hz frames and starts again.
  int frame = 0;
  const std::size_t allocationsBefore = bench::allocationCount();
  for (auto _ : state) {
    const float t = static_cast<float>(frame % 60) / 60.0f;
    for (const Ref<CDSoundSourceFader>& fader : faders) fader->modify(t);
    ++frame;
  }
  state.counters["allocs/frame"] = benchmark::Counter(
      static_cast<double>(bench::allocationCount() - allocationsBefore), benchmark::Counter::kAvgIterations);
  state.counters["fades"] = count;
  if (std::fabs(sources.front()->gain() - faders.front()->interpolator()->lastValue()) > 1e-6f) {
    state.SkipWithError("the last fade step did not reach the source");
  }
}
BENCHMARK(BM_FadeFrame)->Arg(32);

enum class Loading { Synchronous, Background };

// Runs a 60 Hz frame loop (each frame steps 32 fades, then sleeps to the next
// frame's start) until the 10 s file is loaded; reports the worst gap
// between frame starts and the most time one frame spent working (the
// loading frame, when the load is synchronous). A load shorter than a
// frame's slack is absorbed by the sleep, so the gap only grows once a
// frame's work passes 16.7 ms.
void runLoadDuringFrames(benchmark::State& state, Loading loading) {
  platform::AutoreleasePool pool;
  Ref<CDSoundEngine> engine = makeEngine(state);
  if (!engine) return;
  static const std::string wavPath = writeStereoWav(10.0);
  static const std::string flacPath = writeStereoFlac(10.0);
  const std::string& path = state.range(0) == 0 ? wavPath : flacPath;
  state.SetLabel(state.range(0) == 0 ? "wav" : "flac");
  std::vector<Ref<CDSoundSource>> sources;
  std::vector<Ref<CDSoundSourceFader>> faders;
  for (int i = 0; i < 32; ++i) {
    Ref<CDSoundSource> source = engine->soundSourceForSound(0, 0);
    if (!source) break;
    source->setLooping(true);
    source->play();
    faders.emplace_back(CDSoundSourceFader::modifierWithTarget(source.get(), CDFloatInterpolator::kLinear, 1, 0));
    sources.push_back(source);
  }
  constexpr auto kFrame = std::chrono::microseconds(16667);
  double worstGapMs = 0;
  double worstWorkMs = 0;
  double frames = 0;
  double loadMs = 0;
  for (auto _ : state) {
    engine->unloadBuffer(1);
    int frame = 0;
    bool started = false;
    Clock::time_point loadStart{};
    Clock::time_point lastFrame = Clock::now();
    Clock::time_point nextFrame = lastFrame;
    for (;;) {
      const Clock::time_point now = Clock::now();
      if (frame > 0) worstGapMs = std::max(worstGapMs, std::chrono::duration<double, std::milli>(now - lastFrame).count());
      lastFrame = now;
      for (const Ref<CDSoundSourceFader>& fader : faders) fader->modify(static_cast<float>(frame % 60) / 60.0f);
      if (frame == 3 && !started) {
        started = true;
        loadStart = Clock::now();
        if (loading == Loading::Synchronous) {
          engine->loadBuffer(1, path);
        } else {
          engine->loadBuffersAsynchronously({Ref<audio::CDBufferLoadRequest>(audio::CDBufferLoadRequest::request(1, path))});
        }
      }
      worstWorkMs = std::max(worstWorkMs, std::chrono::duration<double, std::milli>(Clock::now() - now).count());
      ++frame;
      const bool reported = loading == Loading::Synchronous || engine->asynchLoadProgress() >= 1.0f;
      if (started && reported && engine->bufferSizeInBytes(1) > 0) {
        loadMs += std::chrono::duration<double, std::milli>(Clock::now() - loadStart).count();
        break;
      }
      nextFrame += kFrame;
      std::this_thread::sleep_until(nextFrame);
    }
    frames += frame;
    engine->waitUntilAsynchLoadsFinish();
  }
  if (engine->bufferDurationInSeconds(1) != 10.0f) state.SkipWithError("the file did not load");
  state.counters["worst_frame_gap_ms"] = worstGapMs;
  state.counters["worst_frame_work_ms"] = worstWorkMs;
  state.counters["load_ms"] = benchmark::Counter(loadMs, benchmark::Counter::kAvgIterations);
  state.counters["frames"] = benchmark::Counter(frames, benchmark::Counter::kAvgIterations);
}

void BM_LoadDuringFrames_Synchronous(benchmark::State& state) { runLoadDuringFrames(state, Loading::Synchronous); }
void BM_LoadDuringFrames_Background(benchmark::State& state) { runLoadDuringFrames(state, Loading::Background); }
BENCHMARK(BM_LoadDuringFrames_Synchronous)->Arg(0)->Arg(1)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadDuringFrames_Background)->Arg(0)->Arg(1)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // The silent device: a benchmark should not need (or make) sound.
  setenv("ALSOFT_DRIVERS", "null", 0);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::remove(benchFilePath(".wav").c_str());
  std::remove(benchFilePath(".flac").c_str());
  return 0;
}
