#include "platform/long_name.h"

#include <windows.h>

#include "platform/code_page.h"

namespace qvx {

std::string LongPathName(const std::string& path) {
  if (path.empty()) return path;
  const std::u16string wide = AnsiToWide(path);
  const wchar_t* in = reinterpret_cast<const wchar_t*>(wide.c_str());
  // The first call sizes the answer; a second that does not fit means the file changed between.
  const DWORD size = GetLongPathNameW(in, nullptr, 0);
  if (size == 0) return path;
  std::u16string out(size, u'\0');
  const DWORD got = GetLongPathNameW(in, reinterpret_cast<wchar_t*>(&out[0]), size);
  if (got == 0 || got >= size) return path;
  out.resize(got);
  return WideToAnsi(out);
}

}  // namespace qvx
