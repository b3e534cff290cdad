#include "platform/Random.h"

#include <cstdlib>

namespace platform {

namespace {
// Main-thread state: tests install sources before the code under test runs.
std::function<std::uint32_t()>& arc4Source() {
  static auto* source = new std::function<std::uint32_t()>();
  return *source;
}
std::function<long()>& randomSource() {
  static auto* source = new std::function<long()>();
  return *source;
}
}  // namespace

std::uint32_t arc4random() {
  auto& source = arc4Source();
  return source ? source() : ::arc4random();
}

long random() {
  auto& source = randomSource();
  return source ? source() : ::random();
}

void setArc4randomSource(std::function<std::uint32_t()> source) { arc4Source() = std::move(source); }

void setRandomSource(std::function<long()> source) { randomSource() = std::move(source); }

}  // namespace platform
