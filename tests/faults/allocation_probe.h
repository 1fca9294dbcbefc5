#pragma once
// Watches the sizes of single allocations made through operator new (std::string, std::vector
// and every container use it), so a test can tell whether a size announced by a peer was taken
// on trust. The test program that links allocation_probe.cpp replaces the global operator new.
#include <cstddef>

namespace qvx::test {

class TAllocationProbe {
 public:
  TAllocationProbe();  // starts watching; only one probe at a time
  ~TAllocationProbe();
  TAllocationProbe(const TAllocationProbe&) = delete;
  TAllocationProbe& operator=(const TAllocationProbe&) = delete;

  // The largest single allocation, on any thread, since the probe started.
  size_t Largest() const;
};

}  // namespace qvx::test
