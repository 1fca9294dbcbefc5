#pragma once
// What makes an update list and its files trustworthy: the publisher's keys of the
// installation, the signature file up.txt.sig, the list's serial against the one last used,
// and the SHA-256 lines that pin each file's content.
//
//   up.txt        filehash<i>=, setuphash=, toolhash=  64 hex digits (either case), the
//                 SHA-256 of the content as installed; listserial=  decimal, grows with every
//                 publication; listexpires=  YYYY-MM-DDTHH:MM:SSZ, optional
//   up.txt.sig    lines of base64 r||s (ECDSA P-256 over the SHA-256 of up.txt's exact bytes);
//                 blank lines and CR ignored; valid when any line verifies with any key
//   Product.ini   [Product] UpdateKey=  base64 of 04||X||Y, several separated by commas;
//                 MinListSerial=  decimal, the oldest list a fresh installation takes
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/list_bounds.h"
#include "platform/crypto.h"

namespace qvx {

class TNameIndex;

// The publisher keys of an installation, each imported once for the whole run.
struct TUpdateKeys {
  // UpdateKey is there and holds more than blanks and commas' worth of nothing.
  bool Present = false;
  // The entries that are valid keys; damaged entries beside them are left out.
  std::vector<TP256PublicKey> Keys;
  // An UpdateKey that is there but yields no valid key: it must refuse every list, never fall
  // back to the unsigned road.
  bool Damaged() const { return Present && Keys.empty(); }
};
TUpdateKeys ReadUpdateKeys(const std::string& value);
// Those of data\Product.ini; not Present when UpdateKey is missing or empty.
TUpdateKeys ProductUpdateKeys();

// The entries of an UpdateKey value as decoded bytes; an entry that is no valid base64 stays in
// the list as an empty key that verifies nothing.
std::vector<std::string> ParseUpdateKeys(const std::string& value);

enum class TSignatureCheck {
  Valid,         // a line is a valid signature of the list under one of the keys
  NotValid,      // no line is
  TooManyLines,  // more than kMaxSignatureLines lines: not looked at
  Stopped,       // stop() said so between two lines
};
// stop is asked before each line, so a terminate request does not wait for the rest.
TSignatureCheck CheckSignatureFile(const std::string& listBytes, const std::string& signatureFile,
                                   const std::vector<TP256PublicKey>& keys,
                                   const std::function<bool()>& stop = nullptr);
// True when a line of signatureFile is a valid signature of listBytes under one of the public
// points.
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

// How far one list may move the serial past the floor in force. A key that signs a list with a
// huge serial would otherwise lock every later list of the real publisher out for good.
constexpr uint64_t kMaxListSerialStep = 1000000;

// The lowest serial a list may have: the higher of MinListSerial, shipped in data\Product.ini,
// and the ListSerial recorded by the last run. A shipped floor keeps a fresh installation from
// taking any list published before its release.
struct TSerialFloor {
  uint64_t Recorded = 0;
  uint64_t Shipped = 0;
  // A MinListSerial that is there but no decimal number: no floor can be trusted.
  bool ShippedDamaged = false;
  uint64_t Serial() const { return Recorded > Shipped ? Recorded : Shipped; }
};
TSerialFloor InstalledSerialFloor();

// Why a list whose signature holds is refused by its serial or its expiry, as the part of the
// refusal line after "The update list was refused: "; empty when it may be used. nowUtc is in
// seconds since 1970 (utc_stamp.h).
std::string SerialOrExpiryRefusal(const TNameIndex& list, const TSerialFloor& floor,
                                  int64_t nowUtc);

// True when the file at path exists and its SHA-256 is listHash.
bool InstalledFileMatches(const std::string& path, const std::string& listHash);

}  // namespace qvx
