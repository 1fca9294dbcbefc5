#pragma once
// What a server may send before anything of it is trusted, for the updater and for the
// publisher, which must never publish what installations refuse: up.txt as received and as
// unpacked, and up.txt.sig in bytes and in lines. The list's bound holds for installations
// without a key as well; the signature's lines bound the work of checking them.
#include <cstddef>

namespace qvx {

constexpr size_t kMaxListBytes = 4u << 20;
constexpr size_t kMaxSignatureFileBytes = 64u << 10;
constexpr size_t kMaxSignatureLines = 16;

}  // namespace qvx
