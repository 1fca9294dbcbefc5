#pragma once
// A notice that is no error: the usage text of a program. A message box on Windows, where the
// window program has no console to write to; standard output (or standard error, for a notice
// about a mistake) elsewhere.
#include <string>

namespace qvx {

enum class TNoticeKind { Information, Mistake };

void ShowNotice(const std::string& caption, const std::string& text, TNoticeKind kind);

}  // namespace qvx
