#pragma once
// Random sources, seeded from one setting and injectable so tests choose the
// values.
//
// The default sources are two pseudo-random generators (64-bit Mersenne
// twisters) started from randomSeed() (Facts.h: TESSERA_SEED, a fixed seed on
// the fake clock, else entropy) on first use, and again by
// seedRandomSources(); Application::launch() reseeds them, so a launch on the
// fake clock draws the same values every run. Any thread (one lock).

#include <cstdint>
#include <functional>

namespace platform {

/// A uniform unsigned 32-bit value (the seeded default source unless a test
/// source is installed).
std::uint32_t arc4random();
/// 0 … 2^31-1, as the C library's random() (or the installed test source).
long random();

/// Restarts both default sources from `seed`: the same seed gives the same
/// sequences. Installed test sources are kept.
void seedRandomSources(std::uint64_t seed);
/// Restarts only the default source of random() from `seed` (as the C
/// library's srand does for rand); arc4random() goes on undisturbed. The same
/// seed gives the sequence seedRandomSources(seed) gives random().
void seedRandom(std::uint64_t seed);

/// Installs a source for arc4random(); an empty function restores the default.
void setArc4randomSource(std::function<std::uint32_t()> source);
/// Installs a source for random(); an empty function restores the default.
void setRandomSource(std::function<long()> source);

}  // namespace platform
