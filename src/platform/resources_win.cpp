#include <windows.h>

#include <cstdint>
#include <cstring>

#include "platform/resources.h"

namespace qvx {

std::string BitmapResourceBytes(const std::string& name) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, name.c_str(), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
  if (!found) return std::string();
  DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data || size < sizeof(BITMAPINFOHEADER)) return std::string();

  // A bitmap resource is a bitmap file without its 14-byte file header; the header's only
  // information is where the pixels begin, after the info header and any colour table or masks.
  BITMAPINFOHEADER info;
  std::memcpy(&info, data, sizeof info);
  if (info.biSize < sizeof(BITMAPINFOHEADER) || info.biSize > size) return std::string();
  uint64_t colours = info.biClrUsed;
  if (colours == 0 && info.biBitCount <= 8) colours = 1ull << info.biBitCount;
  uint64_t offset = sizeof(BITMAPFILEHEADER) + uint64_t{info.biSize} + colours * 4;
  if (info.biSize == sizeof(BITMAPINFOHEADER) && info.biCompression == BI_BITFIELDS) offset += 12;
  if (offset > sizeof(BITMAPFILEHEADER) + uint64_t{size}) return std::string();

  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfSize = static_cast<DWORD>(sizeof file + size);
  file.bfOffBits = static_cast<DWORD>(offset);
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(static_cast<const char*>(data), size);
  return bytes;
}

}  // namespace qvx
