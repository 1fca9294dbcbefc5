#include "qvxpublish/update_list_writer.h"

#include <algorithm>

#include "common/date_fields.h"

namespace qvx {

std::string FormatListDate(TDateTime value) {
  const TDateFields f = DecodeDateTime(value);
  return std::to_string(f.Year) + "-" + std::to_string(f.Month) + "-" + std::to_string(f.Day) + "-" +
         std::to_string(f.Hour) + "-" + std::to_string(f.Minute) + "-" + std::to_string(f.Second);
}

std::string ServerDateFor(TDateTime localTime) {
  return FormatListDate(localTime + 299.0 / 86400.0);
}

TStringList BuildUpdateList(const std::vector<TReleaseFile>& files, const TListSettings& settings) {
  TStringList list;
  list.Add("softid=" + std::to_string(settings.SetupId));
  list.Add("last_setupid=" + std::to_string(settings.LastSetupId));
  if (settings.LiteSetupId || settings.LiteLastSetupId) {
    list.Add("softidlite=" + std::to_string(settings.LiteSetupId.value_or(0)));
    list.Add("last_setupidlite=" + std::to_string(settings.LiteLastSetupId.value_or(-1)));
  }
  if (!settings.SetupHash.empty()) list.Add("setuphash=" + settings.SetupHash);
  if (!settings.ToolHash.empty()) list.Add("toolhash=" + settings.ToolHash);
  if (settings.ToolSize >= 0) list.Add("toolsize=" + std::to_string(settings.ToolSize));
  list.Add("listserial=" + std::to_string(settings.ListSerial));
  if (!settings.ListExpires.empty()) list.Add("listexpires=" + settings.ListExpires);
  if (settings.WholeRelease) list.Add("wholerelease=1");
  list.Add("filecount=" + std::to_string(files.size()));
  TDateTime newest = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    list.Add("filename" + std::to_string(i) + "=" + files[i].ListName);
    list.Add("filedate" + std::to_string(i) + "=" + ServerDateFor(files[i].Timestamp));
    if (!files[i].Sha256.empty()) list.Add("filehash" + std::to_string(i) + "=" + files[i].Sha256);
    list.Add("filesize" + std::to_string(i) + "=" + std::to_string(files[i].Size));
    newest = std::max(newest, files[i].Timestamp);
  }
  for (size_t i = 0; i < settings.Removals.size(); ++i) {
    const TListRemoval& r = settings.Removals[i];
    std::string hashes;
    for (const std::string& hash : r.Hashes) hashes += (hashes.empty() ? "" : ",") + hash;
    list.Add("removed" + std::to_string(i) + "=" + r.Path);
    list.Add("removedhash" + std::to_string(i) + "=" + hashes);
  }
  const std::string appDate = settings.AppDate ? *settings.AppDate
                              : newest > 0     ? FormatListDate(newest)
                                               : std::string();
  // An empty value would make the updater remove AppDate from its record; write none instead.
  if (!appDate.empty()) list.Add("AppDate=" + appDate);
  return list;
}

}  // namespace qvx
