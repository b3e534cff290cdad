#include "platform/Random.h"

#include "platform/Facts.h"

#include <mutex>
#include <random>

namespace platform {

namespace {

struct Sources {
  std::mutex mutex;
  bool seeded = false;
  std::mt19937_64 forArc4random;
  std::mt19937_64 forRandom;
  std::function<std::uint32_t()> arc4Override;
  std::function<long()> randomOverride;
};

Sources& sources() {
  static auto* instance = new Sources();  // never destroyed: drawn from during exit
  return *instance;
}

// The random() stream from a seed. The caller holds the lock.
void seedRandomLocked(Sources& s, std::uint64_t seed) {
  std::seed_seq randomSeedSequence{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32), 2u};
  s.forRandom.seed(randomSeedSequence);
}

// Two independent streams from one seed. The caller holds the lock.
void seedLocked(Sources& s, std::uint64_t seed) {
  std::seed_seq arc4Seed{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32), 1u};
  s.forArc4random.seed(arc4Seed);
  seedRandomLocked(s, seed);
  s.seeded = true;
}

void ensureSeededLocked(Sources& s) {
  if (!s.seeded) seedLocked(s, randomSeed());
}

}  // namespace

std::uint32_t arc4random() {
  Sources& s = sources();
  std::unique_lock lock(s.mutex);
  if (s.arc4Override) {
    lock.unlock();  // a test source keeps its own state and may draw again
    return s.arc4Override();
  }
  ensureSeededLocked(s);
  return static_cast<std::uint32_t>(s.forArc4random() >> 32);
}

long random() {
  Sources& s = sources();
  std::unique_lock lock(s.mutex);
  if (s.randomOverride) {
    lock.unlock();
    return s.randomOverride();
  }
  ensureSeededLocked(s);
  return static_cast<long>(s.forRandom() >> 33);  // 31 bits
}

void seedRandomSources(std::uint64_t seed) {
  Sources& s = sources();
  std::lock_guard lock(s.mutex);
  seedLocked(s, seed);
}

void seedRandom(std::uint64_t seed) {
  Sources& s = sources();
  std::lock_guard lock(s.mutex);
  ensureSeededLocked(s);  // arc4random() keeps its own default start
  seedRandomLocked(s, seed);
}

void setArc4randomSource(std::function<std::uint32_t()> source) {
  Sources& s = sources();
  std::lock_guard lock(s.mutex);
  s.arc4Override = std::move(source);
}

void setRandomSource(std::function<long()> source) {
  Sources& s = sources();
  std::lock_guard lock(s.mutex);
  s.randomOverride = std::move(source);
}

}  // namespace platform
