#pragma once
// A growable byte buffer with a read/write position: the HTTP client's in-memory document.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

namespace qvx {

class TMemoryStream {
 public:
  const std::string& Bytes() const { return FBytes; }
  std::string& Bytes() { return FBytes; }
  size_t Size() const { return FBytes.size(); }
  size_t Position() const { return FPosition; }
  void SetPosition(size_t position) { FPosition = std::min(position, FBytes.size()); }
  void Clear() {
    FBytes.clear();
    FPosition = 0;
  }
  void Reserve(size_t n) { FBytes.reserve(n); }
  // Writes at the position, growing the buffer as needed.
  void Write(const void* data, size_t n) {
    if (n == 0) return;
    if (FPosition == FBytes.size()) {
      FBytes.append(static_cast<const char*>(data), n);
    } else {
      if (FPosition + n > FBytes.size()) FBytes.resize(FPosition + n);
      std::memcpy(&FBytes[FPosition], data, n);
    }
    FPosition += n;
  }
  // Reads up to n bytes from the position; returns how many were read.
  size_t Read(void* data, size_t n) {
    size_t k = std::min(n, FBytes.size() - FPosition);
    if (k) std::memcpy(data, FBytes.data() + FPosition, k);
    FPosition += k;
    return k;
  }
  // The bytes from the position to the end.
  std::string Rest() const { return FBytes.substr(FPosition); }

 private:
  std::string FBytes;
  size_t FPosition = 0;
};

}  // namespace qvx
