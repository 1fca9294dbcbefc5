#include "qvxpublish/publication_writer.h"

#include <algorithm>
#include <set>

#include "base/errors.h"
#include "common/integer_rule.h"
#include "common/name_index.h"
#include "common/text_utils.h"
#include "net/body_packer.h"
#include "platform/crypto.h"
#include "qvxpublish/entry_rules.h"
#include "qvxpublish/file_bytes.h"
#include "qvxpublish/native_names.h"

namespace qvx {

namespace fs = std::filesystem;

namespace {

const char* const kListName = "up.txt";
const char* const kSignatureName = "up.txt.sig";
const char* const kPackedSuffix = ".gz";

void RemoveIfFile(const fs::path& path) {
  std::error_code ec;
  if (fs::is_regular_file(fs::symlink_status(path, ec)) && !fs::remove(path, ec))
    throw Exception("Cannot remove \"" + path.u8string() + "\". " + ec.message());
}

// A web server with packed bodies enabled sends "name.gz" in place of "name", so the packed
// form goes in first and a stale one must be gone before the plain body is replaced.
void WriteServed(const fs::path& outDir, const std::string& name, const std::string& bytes, bool pack) {
  const fs::path plain = outDir / PathFromText(name);
  const fs::path packed = outDir / PathFromText(name + kPackedSuffix);
  // A packed form that is not smaller (a file that is packed already) only costs the server
  // and the updater time, so it is not served.
  const std::string packedBytes = pack ? CompressBody(bytes) : std::string();
  if (pack && packedBytes.size() < bytes.size())
    ReplaceFileBytes(packed, packedBytes);
  else
    RemoveIfFile(packed);
  ReplaceFileBytes(plain, bytes);
}

}  // namespace

std::vector<std::string> PublishedNames(const fs::path& outDir) {
  std::vector<std::string> names;
  const fs::path listPath = outDir / kListName;
  std::error_code ec;
  if (!fs::is_regular_file(listPath, ec)) return names;
  TStringList list;
  list.SetText(ReadFileBytes(listPath));
  const TNameIndex index(list);
  int32_t count = 0;
  if (!TryTextToInt32(TrimBlanks(index.ValueOf("filecount")), count)) count = 0;
  count = std::min(count, list.Count());
  for (int32_t i = 0; i < count; ++i) {
    const std::string entry = TrimBlanks(index.ValueOf("filename" + std::to_string(i)));
    if (entry.empty()) continue;
    const size_t cut = entry.find_last_of("\\:");
    names.push_back(cut == std::string::npos ? entry : entry.substr(cut + 1));
  }
  return names;
}

void WriteSignedList(const fs::path& outDir, const std::string& listBytes,
                     const std::string& signature) {
  std::error_code ec;
  const bool pack = fs::is_regular_file(outDir / (std::string(kListName) + kPackedSuffix), ec);
  WriteServed(outDir, kSignatureName, signature, pack);
  WriteServed(outDir, kListName, listBytes, pack);
}

void WritePublication(const TPublication& publication, const fs::path& outDir, std::ostream& out) {
  std::error_code ec;
  fs::create_directories(outDir, ec);
  if (ec) throw Exception("Cannot create the folder \"" + outDir.u8string() + "\". " + ec.message());

  const std::vector<std::string> older = PublishedNames(outDir);

  std::set<std::string> current;
  for (const TReleaseFile& f : publication.Files) {
    const std::string bytes = ReadFileBytes(f.Source);
    if (!f.Sha256.empty() && Sha256HexOf(bytes) != f.Sha256) {
      throw Exception("\"" + f.Source.u8string() +
                      "\" changed while it was published; the older update list stays");
    }
    WriteServed(outDir, f.FileName, bytes, publication.Pack);
    current.insert(FoldedName(f.FileName));
  }
  // The signature goes just before the list it signs: between the two writes an updater sees a
  // pair that does not verify and refuses it, never a list without its check.
  if (!publication.Signature.empty()) {
    WriteServed(outDir, kSignatureName, publication.Signature, publication.Pack);
  } else {
    RemoveIfFile(outDir / kSignatureName);
    RemoveIfFile(outDir / (std::string(kSignatureName) + kPackedSuffix));
  }
  WriteServed(outDir, kListName, publication.UpdateList.JoinedText(), publication.Pack);

  // Only now that the new list is served are the files that only the older one named unused.
  for (const std::string& name : older) {
    const std::string folded = FoldedName(name);
    // Names are checked before they touch the disk: an older list is not trusted to be sound.
    if (current.count(folded) || folded == "UP.TXT" || folded == "UP.TXT.SIG" || name.find_first_of("/\\:") != std::string::npos ||
        name == "." || name == ".." || name.empty())
      continue;
    const fs::path plain = outDir / PathFromText(name);
    if (fs::is_regular_file(fs::symlink_status(plain, ec))) {
      RemoveIfFile(plain);
      out << "removed " << DisplayText(name) << " (listed only by the older publication)\n";
    }
    RemoveIfFile(outDir / PathFromText(name + kPackedSuffix));
  }
}

}  // namespace qvx
