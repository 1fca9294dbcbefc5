#pragma once
// The moments that list dates name, for the publisher's warnings: a date ahead of now, a file
// listed older than the copy it replaces.
#include <string>
#include <vector>

#include "common/date_time.h"

namespace qvx {

class TStringList;

// The moment a "filedate" value names; false when it names no valid one.
bool ListMoment(const std::string& dateText, TDateTime& moment);
// This machine's local time now.
TDateTime LocalNow();
// One line for each entry of newList that an entry of the same path in oldList lists later:
// installations holding the older list's copy would never fetch the newer one by date.
std::vector<std::string> EntriesOlderThanReplaced(const TStringList& oldList, const TStringList& newList);

}  // namespace qvx
