#pragma once
// The publisher's keys and the signature file up.txt.sig: one line per key, each the base64 of
// an ECDSA P-256 signature r||s over the SHA-256 of up.txt's exact bytes.
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "platform/signing_key.h"

namespace qvx {

// keygen: writes a new key to path (never over an existing file) and prints the UpdateKey line.
void MakeKeyFile(const std::filesystem::path& path, std::ostream& out);

// Raises an Exception naming the file when it holds no P-256 private key.
TP256SigningKey LoadKeyFile(const std::filesystem::path& path);

// The UpdateKey text of a key: base64 of its public point.
std::string UpdateKeyText(const TP256SigningKey& key);

// The content of up.txt.sig for these list bytes: one CR LF-ended line per key.
std::string SignatureFile(const std::string& listBytes, const std::vector<TP256SigningKey>& keys);

// Keys as UpdateKey takes them: base64 points separated by commas. Raises an Exception naming
// the piece that is no 65-byte point.
std::vector<std::string> ParsePublicKeys(const std::string& text);

// The number of the first line of signatureFile that verifies listBytes with one of keys (from
// 1), or 0.
int VerifyingLine(const std::string& listBytes, const std::string& signatureFile,
                  const std::vector<std::string>& keys);

// "listserial" of an update list's text when it is a plain decimal number.
bool ReadListSerial(const std::string& listText, uint64_t& serial);

}  // namespace qvx
