#include <windows.h>

#include "base/errors.h"
#include "qvxpublish/native_names.h"

namespace qvx {

namespace {

bool WideToAnsi(const std::wstring& wide, std::string& out) {
  if (wide.empty()) {
    out.clear();
    return true;
  }
  BOOL usedDefault = FALSE;
  // No best-fit mapping: a name that would silently become another name must be refused.
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                                    static_cast<int>(wide.size()), nullptr, 0, nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return false;
  std::string result(n, '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                      &result[0], n, nullptr, &usedDefault);
  if (usedDefault) return false;
  out = std::move(result);
  return true;
}

std::wstring AnsiToWide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring result(n > 0 ? n : 0, L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &result[0], n);
  return result;
}

}  // namespace

bool NameToListText(const std::filesystem::path& name, std::string& out) {
  return WideToAnsi(name.native(), out);
}

// Command-line arguments already arrive in the ANSI code page.
bool ArgumentToListText(const std::string& argument, std::string& out) {
  out = argument;
  return true;
}

std::filesystem::path PathFromText(const std::string& text) {
  return std::filesystem::path(AnsiToWide(text));
}

bool CorePathText(const std::filesystem::path& path, std::string& out) {
  return WideToAnsi(path.native(), out);
}

std::string DisplayText(const std::string& listText) { return listText; }

std::string ListCodePageName() { return "the system's ANSI code page " + std::to_string(GetACP()); }

}  // namespace qvx
