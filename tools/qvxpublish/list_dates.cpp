#include "qvxpublish/list_dates.h"

#include <algorithm>
#include <ctime>
#include <map>

#include "base/errors.h"
#include "common/date_time.h"
#include "common/integer_rule.h"
#include "common/name_index.h"
#include "common/string_list.h"
#include "common/text_utils.h"
#include "qvxpublish/entry_rules.h"
#include "qvxpublish/native_names.h"

namespace qvx {

namespace {

// Entry path (A-Z folded) -> its date text, for the entries 0 .. filecount - 1.
std::map<std::string, std::string> EntryDates(const TStringList& list) {
  std::map<std::string, std::string> dates;
  const TNameIndex index(list);
  int32_t count = 0;
  if (!TryTextToInt32(TrimBlanks(index.ValueOf("filecount")), count)) return dates;
  count = std::min(count, list.Count());
  for (int32_t i = 0; i < count; ++i) {
    const std::string entry = TrimBlanks(index.ValueOf("filename" + std::to_string(i)));
    if (!entry.empty()) dates[FoldedName(entry)] = index.ValueOf("filedate" + std::to_string(i));
  }
  return dates;
}

}  // namespace

bool ListMoment(const std::string& dateText, TDateTime& moment) {
  bool ok = false;
  TIRIntegerArr v;
  ParseIntList(dateText, '-', ok, v);
  if (!ok || v.size() != 6) return false;
  for (int32_t part : v)
    if (part < 0 || part > 65535) return false;
  try {
    moment = ComposeDateTime(static_cast<uint16_t>(v[0]), static_cast<uint16_t>(v[1]),
                             static_cast<uint16_t>(v[2]), static_cast<uint16_t>(v[3]),
                             static_cast<uint16_t>(v[4]), static_cast<uint16_t>(v[5]), 0);
  } catch (const EConvertError&) {
    return false;
  }
  return true;
}

TDateTime LocalNow() {
  const std::time_t now = std::time(nullptr);
  const std::tm local = *std::localtime(&now);
  return ComposeDateTime(static_cast<uint16_t>(local.tm_year + 1900), static_cast<uint16_t>(local.tm_mon + 1),
                         static_cast<uint16_t>(local.tm_mday), static_cast<uint16_t>(local.tm_hour),
                         static_cast<uint16_t>(local.tm_min), static_cast<uint16_t>(std::min(local.tm_sec, 59)), 0);
}

std::vector<std::string> EntriesOlderThanReplaced(const TStringList& oldList, const TStringList& newList) {
  std::vector<std::string> lines;
  const std::map<std::string, std::string> before = EntryDates(oldList);
  const TNameIndex index(newList);
  int32_t count = 0;
  if (!TryTextToInt32(TrimBlanks(index.ValueOf("filecount")), count)) return lines;
  count = std::min(count, newList.Count());
  for (int32_t i = 0; i < count; ++i) {
    const std::string entry = TrimBlanks(index.ValueOf("filename" + std::to_string(i)));
    const auto old = before.find(FoldedName(entry));
    if (entry.empty() || old == before.end()) continue;
    const std::string date = index.ValueOf("filedate" + std::to_string(i));
    TDateTime now = 0, then = 0;
    if (ListMoment(date, now) && ListMoment(old->second, then) && now < then)
      lines.push_back(DisplayText(entry) + " is listed with " + DisplayText(date) +
                      ", older than the " + DisplayText(old->second) +
                      " of the copy it replaces; installations that have that copy fetch it only "
                      "by its hash");
  }
  return lines;
}

}  // namespace qvx
