#pragma once
// Writes a publication: the files below OUT_DIR under their file names, their packed forms when
// asked, and "up.txt" last, replacing an older publication in the same folder.
#include <filesystem>
#include <ostream>
#include <vector>

#include "common/string_list.h"
#include "qvxpublish/release_scan.h"

namespace qvx {

struct TPublication {
  std::vector<TReleaseFile> Files;
  TStringList UpdateList;
  // up.txt.sig; empty: the publication is not signed, and a signature file of an older one goes.
  std::string Signature;
  bool Pack = false;
};

// A file whose content no longer has the SHA-256 the list gives it (changed while publishing)
// raises an Exception before the list is written.
// Reports each removed file of an older publication on `out`. Raises an Exception on the first
// failure; the update list then still is the older one (or none).
void WritePublication(const TPublication& publication, const std::filesystem::path& outDir,
                      std::ostream& out);

// A list and its signature written over those of the publication in outDir, its files left
// as they are; packed forms are written where the publication served them packed.
void WriteSignedList(const std::filesystem::path& outDir, const std::string& listBytes,
                     const std::string& signature);

// The names (file name parts) an existing "up.txt" in the folder lists; empty when there is none.
std::vector<std::string> PublishedNames(const std::filesystem::path& outDir);

}  // namespace qvx
