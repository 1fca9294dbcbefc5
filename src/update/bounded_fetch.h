#pragma once
// A small file of an update run fetched into memory within a bound: the update list and its
// signature file, which are read before anything about them can be trusted. The bound holds
// for the bytes as they arrive and, for a packed answer, for the bytes as they unpack: the
// transfer stops at the first byte past it, whatever the server announced.
#include <cstddef>
#include <string>

namespace qvx {

class THttpClient;

enum class TBoundedFetch {
  Fetched,          // a complete answer 200 whose content (unpacked) is bytes
  NotFetched,       // no complete answer 200 with a body: the client tells why
  NothingUnpacked,  // a packed body that unpacked to nothing or failed its checksum
  TooLarge,         // more than bound bytes arrived, or unpacked
};

// GET url with the request lines already in http's Headers. A packed answer (its lines mention
// "gzip") is unpacked on the way. Raises EUnpackError or EOutOfMemory where UnCompressBody
// would; bytes stays empty on every outcome but Fetched.
TBoundedFetch FetchBounded(THttpClient& http, const std::string& url, size_t bound,
                           std::string& bytes);

}  // namespace qvx
