#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/inotify.h>
#endif

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "base/ascii_case.h"
#include "platform/posix_path.h"

namespace qvx {

namespace {
bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The entry of folder whose name equals name apart from letter case, read from the folder
// itself; empty when none does. An exact match wins over one that differs only in case.
std::string ScanIgnoringCase(const std::string& folder, const std::string& name) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return std::string();
  std::string found;
  while (dirent* entry = readdir(dir)) {
    std::string candidate = entry->d_name;
    if (candidate == name) {
      found = candidate;
      break;
    }
    if (found.empty() && SameNameIgnoringCase(candidate, name)) found = candidate;
  }
  closedir(dir);
  return found;
}

#ifdef __linux__
// The names of the folders looked in, kept up to date by the kernel's notice of every entry
// created, removed or renamed in them, by this process or any other. Reading a folder of a
// thousand files for every name that does not exist yet made installing a release of many new
// files quadratic; with the index a lookup costs one stat and one read of pending notices.
// Notices are applied in the order they happened, after the listing was read with the watch
// already in place, so no change is lost between the two. Folders the kernel cannot watch, and
// relative paths (the working folder may change), are read every time as before.
class TFolderNames {
 public:
  // Never destroyed: a thread may still look up a name while the process exits.
  static TFolderNames& Instance() {
    static TFolderNames* const names = new TFolderNames;
    return *names;
  }

  // known: the folder's stat when the caller has just taken it.
  bool Find(std::string folder, const std::string& name, const struct stat* known, std::string& found) {
    if (folder.empty() || folder[0] != '/') return false;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    std::lock_guard<std::mutex> hold(FLock);
    if (FNotices < 0) return false;
    Drain();
    struct stat st;
    if (known) {
      st = *known;
    } else if (stat(folder.c_str(), &st) != 0) {
      return false;
    }
    if (!S_ISDIR(st.st_mode)) return false;
    TFolder* f = Watched(folder, st);
    if (!f) return false;
    found.clear();
    const auto it = f->Names.find(UpperAscii(name));
    if (it != f->Names.end() && !it->second.empty()) {
      const auto exact = std::find(it->second.begin(), it->second.end(), name);
      found = exact != it->second.end() ? *exact : it->second.front();
    }
    return true;
  }

 private:
  struct TFolder {
    std::string Path;
    dev_t Device = 0;
    ino_t Inode = 0;
    std::unordered_map<std::string, std::vector<std::string>> Names;  // by the name in capitals
  };
  // More folders than an update run looks in; past it the oldest watch is given up.
  static constexpr size_t kMaxFolders = 32;

  TFolderNames() : FNotices(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

  TFolder* Watched(const std::string& folder, const struct stat& st) {
    const auto known = FByPath.find(folder);
    if (known != FByPath.end()) {
      TFolder& f = FByWatch[known->second];
      // The path may name another folder now, when this one or a folder above it was renamed.
      if (f.Device == st.st_dev && f.Inode == st.st_ino) return &f;
      Forget(known->second);
    }
    if (FByWatch.size() >= kMaxFolders) Forget(FOrder.front());
    const int wd = inotify_add_watch(FNotices, folder.c_str(),
                                     IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                                         IN_MOVE_SELF | IN_ONLYDIR);
    if (wd < 0) return nullptr;
    // The same folder under another path: the kernel hands back its watch, which stays; the
    // listing is read afresh under this path.
    if (FByWatch.count(wd)) Forget(wd, false);
    TFolder& f = FByWatch[wd];
    f.Path = folder;
    f.Device = st.st_dev;
    f.Inode = st.st_ino;
    FByPath[folder] = wd;
    FOrder.push_back(wd);
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
      Forget(wd);
      return nullptr;
    }
    while (dirent* entry = readdir(dir)) Add(f, entry->d_name);
    closedir(dir);
    return &f;
  }

  static void Add(TFolder& f, const std::string& name) {
    auto& same = f.Names[UpperAscii(name)];
    if (std::find(same.begin(), same.end(), name) == same.end()) same.push_back(name);
  }

  static void Remove(TFolder& f, const std::string& name) {
    const auto it = f.Names.find(UpperAscii(name));
    if (it == f.Names.end()) return;
    it->second.erase(std::remove(it->second.begin(), it->second.end(), name), it->second.end());
    if (it->second.empty()) f.Names.erase(it);
  }

  void Forget(int wd, bool unwatch = true) {
    const auto it = FByWatch.find(wd);
    if (it == FByWatch.end()) return;
    FByPath.erase(it->second.Path);
    FByWatch.erase(it);
    FOrder.erase(std::remove(FOrder.begin(), FOrder.end(), wd), FOrder.end());
    // Notices still queued for a given-up watch name a watch no longer known and are skipped;
    // the kernel does not hand the same number to the next watch soon.
    if (unwatch) inotify_rm_watch(FNotices, wd);
  }

  void ForgetAll() {
    while (!FOrder.empty()) Forget(FOrder.front());
  }

  // Applies every notice the kernel holds for this process.
  void Drain() {
    alignas(struct inotify_event) char buffer[16384];
    for (;;) {
      const ssize_t got = read(FNotices, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return;  // none pending
      for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(struct inotify_event)) <= got;) {
        const auto* e = reinterpret_cast<const struct inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(struct inotify_event) + e->len);
        if (e->mask & IN_Q_OVERFLOW) {
          ForgetAll();  // notices were lost: every listing is read again
          continue;
        }
        const auto it = FByWatch.find(e->wd);
        if (it == FByWatch.end()) continue;
        if (e->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) {
          Forget(e->wd);
          continue;
        }
        if (e->len == 0) continue;
        const std::string name(e->name);  // padded with NULs up to len
        if (e->mask & (IN_CREATE | IN_MOVED_TO)) Add(it->second, name);
        if (e->mask & (IN_DELETE | IN_MOVED_FROM)) Remove(it->second, name);
      }
    }
  }

  std::mutex FLock;
  int FNotices;
  std::unordered_map<int, TFolder> FByWatch;
  std::unordered_map<std::string, int> FByPath;
  std::vector<int> FOrder;  // watches, oldest first
};
#endif

std::string FindEntryIgnoringCase(const std::string& folder, const std::string& name,
                                  const struct stat* known = nullptr) {
#ifdef __linux__
  std::string found;
  if (TFolderNames::Instance().Find(folder, name, known, found)) return found;
#else
  (void)known;
#endif
  return ScanIgnoringCase(folder, name);
}
}  // namespace

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  return EqualTextIgnoreCase(a, b);
}

std::string ResolvePosixPath(const std::string& path) {
  std::string p = path;
  std::replace(p.begin(), p.end(), '\\', '/');
  if (p.empty() || Exists(p)) return p;
  // Mostly a new file in a folder that is spelt as it is on disk: only the last name is looked up.
  const size_t cut = p.rfind('/');
  if (cut != std::string::npos && cut + 1 < p.size()) {
    const std::string folder = cut == 0 ? "/" : p.substr(0, cut);
    const std::string name = p.substr(cut + 1);
    struct stat st;
    if (name != "." && name != ".." && stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      const std::string match = FindEntryIgnoringCase(folder, name, &st);
      return Join(folder, match.empty() ? name : match);
    }
  }

  std::string resolved = p[0] == '/' ? "/" : "";
  size_t pos = 0;
  while (pos < p.size()) {
    size_t end = p.find('/', pos);
    if (end == std::string::npos) end = p.size();
    std::string component = p.substr(pos, end - pos);
    pos = end + 1;
    if (component.empty()) continue;
    std::string exact = Join(resolved, component);
    if (component == "." || component == ".." || Exists(exact)) {
      resolved = exact;
      continue;
    }
    std::string match = FindEntryIgnoringCase(resolved, component);
    if (match.empty()) {
      // Nothing further can exist below a missing component: keep the rest as written.
      resolved = exact;
      if (pos < p.size()) resolved = Join(resolved, p.substr(pos));
      return resolved;
    }
    resolved = Join(resolved, match);
  }
  if (p.back() == '/' && resolved.back() != '/') resolved += '/';
  return resolved;
}

}  // namespace qvx
