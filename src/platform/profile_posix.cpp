#include <map>
#include <memory>
#include <mutex>

#include "base/cp1252.h"
#include "base/errors.h"
#include "platform/file_system.h"
#include "platform/profile.h"
#include "platform/profile_reader.h"

namespace qvx {

namespace {
// The file is read afresh for every call, so a change between two reads is always seen; only
// the parsing is kept, and reused while the bytes stay the same. A file that cannot be read
// counts as an empty one. Reads may come from the user-interface thread and a worker at once.
class TProfileCache {
 public:
  std::shared_ptr<const TProfileText> Get(const std::string& path) {
    std::string bytes;
    try {
      bytes = ReadWholeFile(path);
    } catch (const EOSError&) {
    }
    std::lock_guard<std::mutex> lock(FMutex);
    auto it = FEntries.find(path);
    if (it != FEntries.end() && it->second.Bytes == bytes) return it->second.Parsed;
    if (FEntries.size() >= kMaxFiles) FEntries.clear();
    auto parsed = std::make_shared<const TProfileText>(bytes);
    FEntries[path] = {std::move(bytes), parsed};
    return parsed;
  }

  void Forget(const std::string& path) {
    std::lock_guard<std::mutex> lock(FMutex);
    FEntries.erase(path);
  }

 private:
  static constexpr size_t kMaxFiles = 8;
  struct TEntry {
    std::string Bytes;
    std::shared_ptr<const TProfileText> Parsed;
  };
  std::mutex FMutex;
  std::map<std::string, TEntry> FEntries;
};

// Never destroyed: readers that live to the end of the process (the message file's) make their
// flush call while statics are torn down, possibly after this one would have gone.
TProfileCache& Cache() {
  static TProfileCache* cache = new TProfileCache;
  return *cache;
}

// Paths are 8-bit bytes on disk; Windows-1252 carries every byte through UTF-16 unchanged.
std::string PathOf(const std::u16string& path) { return WideToCp1252(path); }
}  // namespace

uint32_t ReadProfileString(const char* section, const char* key, const char* def, char* buffer,
                           uint32_t size, const std::string& path) {
  if (!buffer || size == 0) return 0;
  return Cache().Get(path)->GetStringA(section, key, def, buffer, size);
}

uint32_t ReadProfileStringW(const char16_t* section, const char16_t* key, const char16_t* def,
                            char16_t* buffer, uint32_t size, const std::u16string& path) {
  if (!buffer || size == 0) return 0;
  return Cache().Get(PathOf(path))->GetString(section, key, def, buffer, size);
}

void FlushProfile(const std::string& path) { Cache().Forget(path); }

void FlushProfileW(const std::u16string& path) { Cache().Forget(PathOf(path)); }

}  // namespace qvx
