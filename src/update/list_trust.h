#pragma once
// What makes an update list and its files trustworthy: the publisher's keys of the
// installation, the signature file up.txt.sig, the list's serial against the one last used,
// and the SHA-256 lines that pin each file's content.
//
//   up.txt        filehash<i>=, setuphash=, toolhash=  64 hex digits (either case), the
//                 SHA-256 of the content as installed; listserial=  decimal, grows with every
//                 publication
//   up.txt.sig    lines of base64 r||s (ECDSA P-256 over the SHA-256 of up.txt's exact bytes);
//                 blank lines and CR ignored; valid when any line verifies with any key
//   Product.ini   [Product] UpdateKey=  base64 of 04||X||Y, several separated by commas
#include <cstdint>
#include <string>
#include <vector>

namespace qvx {

class TNameIndex;

// The keys of data\Product.ini as decoded bytes; an entry that is no valid base64 stays in the
// list as an empty key that verifies nothing, so a damaged key never turns the checks off.
// Empty when UpdateKey is missing or blank.
std::vector<std::string> ProductUpdateKeys();
// The same from the text of an UpdateKey value.
std::vector<std::string> ParseUpdateKeys(const std::string& value);

// True when a line of signatureFile is a valid signature of listBytes under one of keys.
bool SignatureFileVerifies(const std::string& listBytes, const std::string& signatureFile,
                           const std::vector<std::string>& keys);

// The hash line of a list as lower-case text, or empty when the list has no such line. A
// value that is not 64 hexadecimal digits comes back as it is and so matches no content.
std::string ListHash(const TNameIndex& list, const std::string& key);
bool IsMatchingHash(const std::string& listHash, const std::string& hexDigest);

// "listserial" of the list; false when it has none that reads as a decimal number.
bool ListSerial(const TNameIndex& list, uint64_t& serial);
// "ListSerial" recorded in data\App.info; 0 when none.
uint64_t RecordedListSerial();

// True when the file at path exists and its SHA-256 is listHash.
bool InstalledFileMatches(const std::string& path, const std::string& listHash);

}  // namespace qvx
