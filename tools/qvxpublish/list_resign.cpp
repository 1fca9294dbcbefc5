#include "qvxpublish/list_resign.h"

#include "base/errors.h"
#include "common/string_list.h"
#include "qvxpublish/file_bytes.h"
#include "qvxpublish/list_signing.h"
#include "qvxpublish/publication_writer.h"

namespace qvx {

namespace fs = std::filesystem;

uint64_t ResignPublication(const fs::path& outDir, const std::vector<TP256SigningKey>& keys,
                           const std::string& expiresAt) {
  const fs::path listPath = outDir / "up.txt";
  std::error_code ec;
  if (!fs::is_regular_file(listPath, ec))
    throw Exception("\"" + outDir.u8string() + "\" holds no up.txt to sign again");
  const std::string bytes = ReadFileBytes(listPath);
  uint64_t serial = 0;
  if (!ReadListSerial(bytes, serial) || serial == UINT64_MAX)
    throw Exception("the up.txt in \"" + outDir.u8string() +
                    "\" has no listserial to count on from; publish the release again instead");
  TStringList list;
  list.SetText(bytes);
  ++serial;
  list.SetValueOf("listserial", std::to_string(serial));
  const int serialLine = list.FindName("listserial");
  const int expiresLine = list.FindName("listexpires");
  if (expiresAt.empty()) {
    if (expiresLine >= 0) list.Delete(expiresLine);
  } else if (expiresLine >= 0) {
    list.SetValueOf("listexpires", expiresAt);
  } else {
    // Beside the serial, where a publication writes it.
    TStringList withExpiry;
    for (int i = 0; i < list.Count(); ++i) {
      withExpiry.Add(list.LineAt(i));
      if (i == serialLine) withExpiry.Add("listexpires=" + expiresAt);
    }
    list = withExpiry;
  }
  const std::string listBytes = list.JoinedText();
  WriteSignedList(outDir, listBytes, SignatureFile(listBytes, keys));
  return serial;
}

}  // namespace qvx
