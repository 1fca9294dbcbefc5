#include "qvxpublish/file_bytes.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "base/errors.h"
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
  fs::path temp = target;
  temp += ".qvxpublish-tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (out) out.flush();
    if (!out) {
      const std::string reason = std::strerror(errno);
      std::error_code ignored;
      out.close();
      fs::remove(temp, ignored);
      throw Exception("Cannot write \"" + target.u8string() + "\". " + reason);
    }
  }
  try {
    MoveOver(temp, target);
  } catch (...) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    throw;
  }
}

}  // namespace qvx
