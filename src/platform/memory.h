#pragma once
// Memory hints for large buffers.
#include <cstddef>

namespace qvx {

// Asks the system to back [address, address + length) of an allocated buffer with memory now,
// in one step, ahead of writes that would otherwise fault page by page. Contents are unchanged;
// a hint only: it may do nothing.
void PrepareForWriting(void* address, size_t length);

}  // namespace qvx
