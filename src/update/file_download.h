#pragma once
// One file of an update run fetched into its place. The body streams into a temporary file
// beside the target, unpacked on the way when the answer is packed, its SHA-256 taken as the
// bytes pass; only a complete download whose content passes every check replaces the target.
// Memory stays the same whatever the file's size. On every other outcome the temporary file is
// gone and the target untouched.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <string>

namespace qvx {

class THttpClient;

enum class TFileDownloadResult {
  Saved,            // the target now holds the new content
  NotFetched,       // no complete answer 200 with a body: the client's ResultCode tells more
  NothingUnpacked,  // a packed body that unpacked to nothing or failed its checksum
  HashMismatch,     // the content is not the one whose SHA-256 was expected
  BeyondSize,       // the body ran past the expected size: the transfer was stopped there
  ShortOfSize,      // a complete body that holds fewer bytes than the expected size
  // Resumable downloads only: the transfer broke after the answer began (the connection was
  // lost, a wait timed out) or the server would not continue a kept body. What arrived is
  // kept when the answer allows it (partial_download.h); another call resumes it or starts
  // the file again.
  Broken,
};

// What the update list says of the content as installed (after unpacking), and where it goes.
struct TExpectedContent {
  std::string Hash;  // the list's hash text; empty: none
  // The listed size in bytes; negative: none. It bounds what is written, and a packed body is
  // bounded by PackedBodyBound of it, so no server can fill the disk with an endless body.
  int64_t Size = -1;
  // Called with the number of content bytes each time some are written.
  std::function<void(size_t bytes)> OnContent;
  // Empty: a complete download replaces the target. Otherwise it is left, complete and on the
  // disk, at this path beside the target (StagedName) for a later switch of releases, and the
  // target is not touched: Saved then means staged.
  std::string StageAt;
};

// GET url with the request lines already in http's Headers, into target. Raises the unpacking
// errors of a packed body (EUnpackError, EOutOfMemory) and, when the file cannot be created,
// written (a full disk) or put in place, EFCreateError
// "Cannot create file "<target>". <the system's reason>"; the transfer stops at such a failure.
TFileDownloadResult DownloadToFile(THttpClient& http, const std::string& url, const std::string& target,
                                   const TExpectedContent& expected);
// The same with a hash alone.
TFileDownloadResult DownloadToFile(THttpClient& http, const std::string& url, const std::string& target,
                                   const std::string& expectedHash);
// The same, keeping a broken transfer's bytes beside the target and resuming them on the next
// call (partial_download.h). A resumed file whose content fails a check of the whole (hash,
// unpacking, size) is fetched once more whole at once: the kept bytes may be what was wrong.
TFileDownloadResult DownloadToFileResumable(THttpClient& http, const std::string& url, const std::string& target,
                                            const TExpectedContent& expected);

// Removes the temporary files that a killed run left, the set-aside copies that a finished
// switch of releases had to leave, and the partial downloads that can no longer be resumed
// (partial_download.h), once per folder for the life of this object (one update run), before
// the first file is written there.
class TLeftoverSweep {
 public:
  // folder ends with its delimiter.
  void SweepFolder(const std::string& folder);
  // The folder of path.
  void SweepBeside(const std::string& path);

 private:
  std::set<std::string> FSwept;
};

}  // namespace qvx
