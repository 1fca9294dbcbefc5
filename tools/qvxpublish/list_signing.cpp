#include "qvxpublish/list_signing.h"

#include "base/errors.h"
#include "common/base64.h"
#include "common/name_index.h"
#include "common/string_list.h"
#include "common/text_utils.h"
#include "platform/crypto.h"
#include "qvxpublish/file_bytes.h"
#include "qvxpublish/key_file.h"

namespace qvx {

void MakeKeyFile(const std::filesystem::path& path, std::ostream& out) {
  const TP256SigningKey key = TP256SigningKey::Generate();
  WriteNewKeyFile(path, key.ToPem());
  out << "wrote the private key " << path.u8string()
      << "\nKeep it secret and keep a copy: whoever holds it can sign updates, and without it"
         " no update reaches installations that trust only this key.\n"
         "Put this line in the section [Product] of data\\Product.ini of every installation:\n"
      << "UpdateKey=" << UpdateKeyText(key) << "\n";
}

TP256SigningKey LoadKeyFile(const std::filesystem::path& path) {
  const std::string pem = ReadFileBytes(path);
  try {
    return TP256SigningKey::FromPem(pem);
  } catch (const std::exception& e) {
    throw Exception("\"" + path.u8string() + "\" is no usable signing key: " + e.what());
  }
}

std::string UpdateKeyText(const TP256SigningKey& key) { return EncodeBase64(key.PublicPoint()); }

std::string SignatureFile(const std::string& listBytes, const std::vector<TP256SigningKey>& keys) {
  const TSha256Digest digest = Sha256Of(listBytes);
  std::string file;
  for (const TP256SigningKey& key : keys) file += EncodeBase64(key.Sign(digest)) + "\r\n";
  return file;
}

std::vector<std::string> ParsePublicKeys(const std::string& text) {
  std::vector<std::string> keys;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    const std::string piece = TrimBlanks(text.substr(start, end - start));
    start = end + 1;
    if (piece.empty()) continue;
    const std::string point = Base64ToText(piece);
    if (point.size() != kP256PublicPointSize || point[0] != 0x04) {
      throw Exception("\"" + piece + "\" is no UpdateKey (the base64 of a 65-byte P-256 point)");
    }
    keys.push_back(point);
  }
  if (keys.empty()) throw Exception("no key given");
  return keys;
}

int VerifyingLine(const std::string& listBytes, const std::string& signatureFile,
                  const std::vector<std::string>& keys) {
  const TSha256Digest digest = Sha256Of(listBytes);
  TStringList lines;
  lines.SetText(signatureFile);
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string signature = Base64ToText(TrimBlanks(lines.LineAt(i)));
    for (const std::string& key : keys) {
      if (VerifyP256Signature(key, digest, signature)) return i + 1;
    }
  }
  return 0;
}

bool ReadListSerial(const std::string& listText, uint64_t& serial) {
  TStringList list;
  list.SetText(listText);
  const std::string digits = TrimBlanks(list.ValueOf("listserial"));
  if (digits.empty() || digits.size() > 19 ||
      digits.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  serial = std::stoull(digits);
  return true;
}

}  // namespace qvx
