#include "startup/product_data.h"

#include "common/ini_file.h"
#include "common/text_utils.h"
#include "platform/file_system.h"
#include "startup/globals.h"

#ifndef QVX_DEFAULT_UPDATE_URL
#error "QVX_DEFAULT_UPDATE_URL comes from the build (src/startup/startup.cmake)"
#endif

namespace qvx {

namespace {

const char kProductIni[] = "data\\Product.ini";

std::string ProductIniUrl() {
  TIniFile ini(AppPath + kProductIni);
  return TrimBlanks(ini.ReadText("Product", "UpdateUrl", std::string()));
}

// Text as an INI file holds it: 8-bit without NUL bytes, or UTF-16 behind its byte-order mark.
bool LooksLikeText(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE)
    return true;
  return bytes.find('\0') == std::string::npos;
}

}  // namespace

std::string BuiltInUpdateUrl() { return QVX_DEFAULT_UPDATE_URL; }

std::string ProductUpdateUrl() {
  const std::string url = ProductIniUrl();
  // An emptied key counts as missing: an empty base URL would only make every fetch fail.
  return url.empty() ? BuiltInUpdateUrl() : url;
}

std::string ProductUrlNote(const std::string& baseUrlAsked) {
  std::string builtIn = BuiltInUpdateUrl();
  if (!builtIn.empty() && builtIn.back() != '/') builtIn += '/';
  if (baseUrlAsked != builtIn || !ProductIniUrl().empty()) return std::string();
  const std::string path = AppPath + kProductIni;
  std::string why;
  if (!FileExists(path)) {
    why = "is missing";
  } else {
    std::string bytes;
    try {
      bytes = ReadWholeFile(path);
    } catch (const std::exception&) {
      why = "cannot be read";
    }
    if (!why.empty()) {
    } else if (TrimBlanks(bytes).empty()) {
      why = "is empty";
    } else if (!LooksLikeText(bytes)) {
      why = "is not a text file";
    } else {
      why = "has no UpdateUrl in its [Product] section";
    }
  }
  return std::string(kProductIni) + " " + why + ", so the address built into this program was asked";
}

}  // namespace qvx
