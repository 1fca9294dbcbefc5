#include "qvxpublish/file_bytes.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "base/errors.h"
#include "platform/replacement_file.h"
#include "qvxpublish/native_names.h"

namespace qvx {

namespace fs = std::filesystem;

std::string ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes;
  if (in) {
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size > 0) {
      bytes.resize(static_cast<size_t>(size));
      in.read(&bytes[0], size);
    }
  }
  if (!in) throw Exception("Cannot read \"" + path.u8string() + "\". " + std::strerror(errno));
  return bytes;
}

void ReplaceFileBytes(const fs::path& target, const std::string& bytes) {
  std::string path;
  if (!CorePathText(target, path))
    throw Exception("Cannot write \"" + target.u8string() + "\". The path cannot be written in " +
                    ListCodePageName() + ".");
  try {
    TReplacementFile file(path, TPathForm::AsItStands);
    file.Write(bytes.data(), bytes.size());
    file.Commit();
  } catch (const EOSError& e) {
    throw Exception("Cannot write \"" + target.u8string() + "\". " + e.Message());
  }
}

}  // namespace qvx
