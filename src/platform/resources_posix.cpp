#include "platform/resources.h"

namespace qvx {

std::string BitmapResourceBytes(const std::string&) { return std::string(); }

}  // namespace qvx
