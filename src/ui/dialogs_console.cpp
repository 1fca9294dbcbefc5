#include <cstdio>

#include "ui/dialogs.h"

namespace qvx {

void ShowErrorBox(const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); }

}  // namespace qvx
