#include "update/product_data.h"

#include "common/ini_file.h"
#include "common/text_utils.h"
#include "startup/globals.h"

#ifndef QVX_DEFAULT_UPDATE_URL
#error "QVX_DEFAULT_UPDATE_URL comes from the build (src/update/program.cmake)"
#endif

namespace qvx {

std::string BuiltInUpdateUrl() { return QVX_DEFAULT_UPDATE_URL; }

std::string ProductUpdateUrl() {
  TIniFile ini(AppPath + "data\\Product.ini");
  std::string url = TrimBlanks(ini.ReadText("Product", "UpdateUrl", std::string()));
  // An emptied key counts as missing: an empty base URL would only make every fetch fail.
  return url.empty() ? BuiltInUpdateUrl() : url;
}

}  // namespace qvx
