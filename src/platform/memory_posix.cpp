#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "platform/memory.h"

namespace qvx {

void PrepareForWriting(void* address, size_t length) {
#ifdef __linux__
  // Linux 5.14 and later; older kernels refuse the advice and the pages fault in as usual.
  constexpr int kPopulateWrite = 23;  // MADV_POPULATE_WRITE
  static const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(address) + page - 1) & ~(page - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(address) + length) & ~(page - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, kPopulateWrite);
#else
  (void)address;
  (void)length;
#endif
}

}  // namespace qvx
