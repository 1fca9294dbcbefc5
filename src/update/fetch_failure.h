#pragma once
// The line a run shows when its update list cannot be fetched.
#include <string>

#include "net/fetch_failure.h"

namespace qvx {

// The one line shown before the finishing line when the update list cannot be fetched: the
// address asked, the reason, and where the address came from when that is not data\Product.ini.
std::string ListFailureLine(const std::string& url, const std::string& reason,
                            const std::string& addressNote);

}  // namespace qvx
