#include "qvxpublish/code_page_1252.h"
#include "qvxpublish/native_names.h"

namespace qvx {

bool NameToListText(const std::filesystem::path& name, std::string& out) {
  return Utf8ToCp1252(name.native(), out);
}

bool ArgumentToListText(const std::string& argument, std::string& out) {
  return Utf8ToCp1252(argument, out);
}

// The updater sends a name's list bytes unchanged in the request line, so the published copy
// must carry exactly those bytes as its name for a web server here to find it.
std::filesystem::path PathFromText(const std::string& text) { return std::filesystem::path(text); }

bool CorePathText(const std::filesystem::path& path, std::string& out) {
  out = path.native();
  return true;
}

std::string DisplayText(const std::string& listText) { return Cp1252ToUtf8(listText); }

std::string ListCodePageName() { return "Windows-1252"; }

}  // namespace qvx
