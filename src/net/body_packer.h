#pragma once
// The writing side of the packed body layout that UnCompressBody reads: a 12-byte header
// (unpacked size, four unused bytes, checksum) followed by raw deflate data.
#include <string>

namespace qvx {

// Packs a body so that UnCompressBody returns exactly these bytes. The layout cannot carry an
// empty body (a stated size of 0 is an unpacking error) nor one of 2 GiB or more (the size field
// is signed 32-bit): both raise an Exception.
std::string CompressBody(const std::string& body);

// The raw deflate data alone (no wrapper), at the given zlib level; may be empty input.
std::string RawDeflate(const std::string& data, int level = 9);

}  // namespace qvx
