// Win32 back end of the application loop. One hidden message-only window receives the wake-ups
// for synchronous calls and posted messages, and the timers. The trap it avoids: a thread message
// (PostThreadMessage, or PostMessage to a null window) is never seen by a window procedure and is
// lost whenever a modal loop (a message box, a menu) runs instead of ours; a message to a window is
// dispatched by any loop.
#include <windows.h>

#include "ui/application_impl.h"

namespace qvx {

namespace {

constexpr UINT kWakeMessage = WM_APP + 1;
constexpr char kWindowClass[] = "QvxApplicationMessages";

LRESULT CALLBACK MessageWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* impl = reinterpret_cast<TApplication::Impl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (impl) {
    if (message == kWakeMessage) {
      impl->ServeQueues();
      return 0;
    }
    if (message == WM_TIMER) {
      impl->FireTimer(static_cast<int>(wparam));
      return 0;
    }
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

HWND WindowOf(const TApplication::Impl* impl) { return static_cast<HWND>(impl->Backend); }

}  // namespace

void TApplication::Impl::BackendOpen() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA cls = {};
  cls.lpfnWndProc = MessageWindowProc;
  cls.hInstance = instance;
  cls.lpszClassName = kWindowClass;
  RegisterClassA(&cls);  // fails harmlessly when already registered
  HWND window = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                instance, nullptr);
  if (window) SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  Backend = window;
}

void TApplication::Impl::BackendClose() {
  if (HWND window = WindowOf(this)) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
  }
  Backend = nullptr;
}

void TApplication::Impl::BackendWake() {
  if (HWND window = WindowOf(this)) ::PostMessageA(window, kWakeMessage, 0, 0);
}

void TApplication::Impl::BackendStartTimer(int id, uint32_t intervalMs) {
  if (HWND window = WindowOf(this)) ::SetTimer(window, static_cast<UINT_PTR>(id), intervalMs, nullptr);
}

void TApplication::Impl::BackendStopTimer(int id) {
  if (HWND window = WindowOf(this)) ::KillTimer(window, static_cast<UINT_PTR>(id));
}

void TApplication::Impl::BackendServe(bool block) {
  MSG msg;
  if (block) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      // WM_QUIT from PostQuitMessage: the loop ends as it does for Terminate.
      std::lock_guard<std::mutex> lock(Lock);
      TerminateRequested = true;
      return;
    }
    if (got > 0) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      std::lock_guard<std::mutex> lock(Lock);
      TerminateRequested = true;
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  // A wake-up may have been consumed by a nested loop that served only part of the queues.
  ServeQueues();
}

}  // namespace qvx
