#pragma once
// The lines of an update list that say how a release is put in place, read the same way by the
// updater and the publisher's check:
//   wholerelease=1   the files are all staged first and switched in one step; any other value,
//                    or none, keeps the file-by-file road
//   filesize<i>=     the size in bytes of entry i as installed (after unpacking), decimal
//   toolsize=        the same for the tool's executable that the setup ids ask for
// Pure text rules: they read no file and no global.
#include <cstdint>
#include <string>

namespace qvx {

class TNameIndex;

bool IsWholeRelease(const TNameIndex& list);

enum class TListedSize {
  None,        // no such line: nothing is known, nothing is bounded
  Given,       // size holds the listed size
  Unreadable,  // a line that is no decimal number; a damaged size must not lift the bound
};
TListedSize ReadListedSize(const TNameIndex& list, const std::string& key, uint64_t& size);

// The most bytes a packed body may take for content of this installed size: deflate's own
// overhead on content it cannot shrink is 5 bytes per 64 KiB block, and the packed layout adds
// a 12-byte header; the margin on top keeps any honest body far from the bound.
uint64_t PackedBodyBound(uint64_t installedSize);

}  // namespace qvx
