#pragma once
// Packed response bodies: a 12-byte header (unpacked size, 4 unused bytes, checksum; all
// little-endian) followed by raw deflate data. Not the gzip file format, although servers
// announce it with the word "gzip".
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/errors.h"

namespace qvx {

// The inflater reported an error; the message names zlib's code.
class EUnpackError : public Exception {
  using Exception::Exception;
};

// The unpacked bytes; empty when the body is 12 bytes or shorter, unpacks to nothing or fails
// its checksum. EUnpackError or EOutOfMemory for the failures of UnCompressMem.
std::string UnCompressBody(const std::string& packed);

// Inflates raw deflate data in one step: the stream must end within the source and fit the
// destination. Returns the bytes written. A destination of capacity 0 is no storage at all.
size_t UnCompressMem(const void* source, void* destination, size_t sourceLength,
                     size_t destinationCapacity);

// Raises what a failure of the inflater with zlib's code gives: EOutOfMemory for Z_MEM_ERROR,
// otherwise EUnpackError "Error <code> during UnCompressMem process".
[[noreturn]] void RaiseUnpackError(int zlibCode);

// Both Adler-32 sums of the bytes, each started from 0, as s2 * 65536 + s1. A body taken in
// pieces: each piece's call continues from the checksum of the pieces before it.
uint32_t PackedChecksum(const void* data, size_t n, uint32_t sum = 0);

}  // namespace qvx
