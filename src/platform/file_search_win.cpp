#include <windows.h>

#include "platform/file_search.h"

namespace qvx {

namespace {
TFolderEntry ToEntry(const WIN32_FIND_DATAA& data) {
  TFolderEntry entry;
  entry.Name = data.cFileName;
  entry.Attributes = data.dwFileAttributes;
  entry.Size = static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) |
                                    data.nFileSizeLow);
  // FileTimeToLocalFileTime applies the bias in force now, not the one at the file's time.
  FILETIME local;
  WORD date = 0, time = 0;
  if (FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) &&
      FileTimeToDosDateTime(&local, &date, &time)) {
    entry.HasLocalTime = true;
    entry.Year = static_cast<uint16_t>((date >> 9) + 1980);
    entry.Month = static_cast<uint16_t>((date >> 5) & 0x0F);
    entry.Day = static_cast<uint16_t>(date & 0x1F);
    entry.Hour = static_cast<uint16_t>(time >> 11);
    entry.Minute = static_cast<uint16_t>((time >> 5) & 0x3F);
    entry.Second = static_cast<uint16_t>((time & 0x1F) * 2);
  }
  return entry;
}
}  // namespace

std::vector<TFolderEntry> SearchFolder(const std::string& pattern, bool firstOnly) {
  std::vector<TFolderEntry> entries;
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(pattern.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return entries;
  do {
    entries.push_back(ToEntry(data));
  } while (!firstOnly && FindNextFileA(search, &data));
  FindClose(search);
  return entries;
}

}  // namespace qvx
