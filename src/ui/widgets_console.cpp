// The headless back end: controls keep their values and nothing shows them.
#include <cstdio>

#include "ui/widget.h"

namespace qvx {

std::unique_ptr<TWidget> CreateWidget(TControl&) { return nullptr; }

bool ScreenWorkArea(int32_t&, int32_t&, int32_t&, int32_t&) { return false; }

void ShowErrorBox(const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); }

}  // namespace qvx
