#include <cstdio>

#include "ui/dialogs.h"

namespace qvx {

void ShowErrorBox(const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); }

void ShowNotice(const std::string&, const std::string& text, TNoticeKind kind) {
  std::FILE* stream = kind == TNoticeKind::Mistake ? stderr : stdout;
  std::fputs(text.c_str(), stream);
  if (!text.empty() && text.back() != '\n') std::fputc('\n', stream);
  std::fflush(stream);
}

}  // namespace qvx
