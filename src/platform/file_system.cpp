#include "platform/file_system.h"

#include "platform/replacement_file.h"

namespace qvx {

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  TReplacementFile file(path);
  file.Write(bytes.data(), bytes.size());
  file.Commit();
}

}  // namespace qvx
