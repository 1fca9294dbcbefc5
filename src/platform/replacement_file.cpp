#include "platform/replacement_file.h"

#include <exception>

#include "platform/file_search.h"
#include "platform/file_system.h"

namespace qvx {
namespace {

// The suffix is what marks a file as ours: a user's file never ends like this by chance, and a
// file that does is taken for a leftover only with the leading "." and the six characters.
const std::string kSuffix = ".qvxnew";
constexpr size_t kUniqueLength = 6;

bool IsAlphanumeric(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

std::string TemporaryFileName(const std::string& targetName, const std::string& unique) {
  return "." + targetName + "." + unique + kSuffix;
}

bool IsTemporaryFileName(const std::string& name) {
  // "." name "." XXXXXX ".qvxnew", the target's name at least one character long.
  const size_t fixed = 1 + 1 + 1 + kUniqueLength + kSuffix.size();
  if (name.size() < fixed || name[0] != '.') return false;
  if (name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0) return false;
  const size_t unique = name.size() - kSuffix.size() - kUniqueLength;
  if (name[unique - 1] != '.') return false;
  for (size_t i = unique; i < unique + kUniqueLength; ++i)
    if (!IsAlphanumeric(name[i])) return false;
  return true;
}

size_t RemoveTemporaryLeftovers(const std::string& folder) {
  size_t removed = 0;
  for (const TFolderEntry& entry : SearchFolder(folder + "*")) {
    if ((entry.Attributes & kFileAttrDirectory) || !IsTemporaryFileName(entry.Name)) continue;
    try {
      DeleteFileAt(folder + entry.Name);
      ++removed;
    } catch (const std::exception&) {
      // Still open in another process, or not ours to delete: it stays, and is tried next time.
    }
  }
  return removed;
}

}  // namespace qvx
