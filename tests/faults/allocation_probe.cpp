#include "allocation_probe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> gWatching{false};
std::atomic<size_t> gLargest{0};

void Note(size_t n) {
  if (!gWatching.load(std::memory_order_relaxed)) return;
  size_t seen = gLargest.load(std::memory_order_relaxed);
  while (n > seen && !gLargest.compare_exchange_weak(seen, n)) {
  }
}

void* Allocate(size_t n) {
  Note(n);
  for (;;) {
    if (void* p = std::malloc(n ? n : 1)) return p;
    std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}
}  // namespace

void* operator new(size_t n) { return Allocate(n); }
void* operator new[](size_t n) { return Allocate(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept {
  try {
    return Allocate(n);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t n, const std::nothrow_t& tag) noexcept { return operator new(n, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace qvx::test {

TAllocationProbe::TAllocationProbe() {
  gLargest.store(0);
  gWatching.store(true);
}

TAllocationProbe::~TAllocationProbe() { gWatching.store(false); }

size_t TAllocationProbe::Largest() const { return gLargest.load(); }

}  // namespace qvx::test
