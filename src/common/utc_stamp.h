#pragma once
// Moments in UTC written as YYYY-MM-DDTHH:MM:SSZ, counted in seconds since 1970-01-01T00:00:00Z:
// the form of an update list's expiry, the same on every machine whatever its time zone.
#include <cstdint>
#include <string>

namespace qvx {

// Exactly that form, four-digit year 1970 to 9999, every field within its range (the day within
// its month); false for anything else.
bool ParseUtcStamp(const std::string& text, int64_t& seconds);
std::string FormatUtcStamp(int64_t seconds);
// The clock's now, in the same count.
int64_t UtcNowSeconds();

}  // namespace qvx
