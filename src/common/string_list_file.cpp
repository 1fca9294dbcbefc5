// TStringList's file operations, over the platform's file layer.
#include "base/errors.h"
#include "common/string_list.h"
#include "platform/file_system.h"

namespace qvx {

void TStringList::LoadFile(const std::string& path) {
  std::string bytes;
  try {
    bytes = ReadWholeFile(path);
  } catch (const EOSError& e) {
    throw EFOpenError("Cannot open file \"" + path + "\". " + e.Message());
  }
  SetText(bytes);
}

// The new text replaces the file in one step, so a write that fails half-way (a full disk, a
// file in use) leaves the previous file untouched rather than truncated.
void TStringList::SaveFile(const std::string& path) const {
  try {
    WriteWholeFile(path, JoinedText());
  } catch (const EOSError& e) {
    throw EFCreateError("Cannot create file \"" + path + "\". " + e.Message());
  }
}

}  // namespace qvx
