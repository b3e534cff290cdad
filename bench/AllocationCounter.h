#pragma once
// Counts heap allocations made through operator new, so a benchmark can show
// that a hot path allocates nothing. Include in exactly one source file of a
// benchmark program: it replaces the global operator new and delete.

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace bench {
inline std::atomic<std::size_t> g_allocations{0};

/// Allocations made so far by this program.
inline std::size_t allocationCount() { return g_allocations.load(std::memory_order_relaxed); }
}  // namespace bench

// noinline: once inlined, GCC pairs malloc/free across the replaced operators
// and warns about mismatched new/delete.
[[gnu::noinline]] void* operator new(std::size_t size) {
  bench::g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new[](std::size_t size) { return ::operator new(size); }
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
