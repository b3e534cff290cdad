#pragma once
// Random sources, injectable so tests choose the values.

#include <cstdint>
#include <functional>

namespace platform {

/// A uniform unsigned 32-bit value, needing no seed (the C library's arc4random
/// unless a test source is installed).
std::uint32_t arc4random();
/// The C library's random(): 0 … 2^31-1 (or the installed test source).
long random();

/// Installs a source for arc4random(); an empty function restores the default.
void setArc4randomSource(std::function<std::uint32_t()> source);
/// Installs a source for random(); an empty function restores the default.
void setRandomSource(std::function<long()> source);

}  // namespace platform
