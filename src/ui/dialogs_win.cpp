#include <windows.h>

#include "ui/dialogs.h"

namespace qvx {

void ShowErrorBox(const std::string& message) {
  MessageBoxA(GetActiveWindow(), message.c_str(), "Error", MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

void ShowNotice(const std::string& caption, const std::string& text, TNoticeKind kind) {
  const UINT icon = kind == TNoticeKind::Mistake ? MB_ICONWARNING : MB_ICONINFORMATION;
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | icon | MB_TASKMODAL);
}

}  // namespace qvx
