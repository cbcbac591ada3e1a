#include "heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace matslip::bench {

namespace {

std::atomic<bool> counting{false};
// Net bytes taken since the start; negative when blocks taken before the
// start are given back.
std::atomic<std::int64_t> held{0};
std::atomic<std::int64_t> peak{0};

void* Take(std::size_t n) {
  void* p = std::malloc(n == 0 ? 1 : n);
  if (p && counting.load(std::memory_order_relaxed)) {
    const std::int64_t now = held +=
        static_cast<std::int64_t>(malloc_usable_size(p));
    std::int64_t seen = peak.load(std::memory_order_relaxed);
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
  }
  return p;
}

void Give(void* p) {
  if (p && counting.load(std::memory_order_relaxed))
    held -= static_cast<std::int64_t>(malloc_usable_size(p));
  std::free(p);
}

}  // namespace

void StartHeapCount() {
  held = 0;
  peak = 0;
  counting = true;
}

std::size_t StopHeapCount() {
  counting = false;
  return static_cast<std::size_t>(peak.load());
}

}  // namespace matslip::bench

using matslip::bench::Give;
using matslip::bench::Take;

void* operator new(std::size_t n) {
  if (void* p = Take(n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  return Take(n);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  return Take(n);
}
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, std::size_t) noexcept { Give(p); }
void operator delete[](void* p, std::size_t) noexcept { Give(p); }
