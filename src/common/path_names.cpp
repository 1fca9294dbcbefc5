#include "common/path_names.h"

#include "platform/path_delimiter.h"

namespace qvx {

std::string FolderOfPath(const std::string& path) {
  size_t i = LastPathDelimiter(path);
  return i == std::string::npos ? std::string() : path.substr(0, i + 1);
}

std::string NameOfPath(const std::string& path) {
  size_t i = LastPathDelimiter(path);
  return i == std::string::npos ? path : path.substr(i + 1);
}

}  // namespace qvx
