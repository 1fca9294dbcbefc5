#include <windows.h>

#include "ui/notice.h"

namespace qvx {

void ShowNotice(const std::string& caption, const std::string& text, TNoticeKind kind) {
  const UINT icon = kind == TNoticeKind::Mistake ? MB_ICONWARNING : MB_ICONINFORMATION;
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | icon | MB_TASKMODAL);
}

}  // namespace qvx
