#pragma once
// A publication signed afresh without publishing its files again: the same list with the next
// listserial and a new expiry, for a list about to expire or a change of keys.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/signing_key.h"

namespace qvx {

// Rewrites up.txt in outDir with listserial one above its own and listexpires set to expiresAt
// (removed when expiresAt is empty), and up.txt.sig for it with every key; nothing else in
// outDir changes. Returns the new serial. Raises an Exception, changing nothing, when outDir
// holds no up.txt or its listserial is no decimal number.
uint64_t ResignPublication(const std::filesystem::path& outDir,
                           const std::vector<TP256SigningKey>& keys, const std::string& expiresAt);

}  // namespace qvx
