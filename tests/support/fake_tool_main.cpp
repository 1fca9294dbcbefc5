// A stand-in for the main tool and for a downloaded installer, for tests of the update run.
//
// Every start appends one line to "<own path>.mark": the arguments, joined by single blanks.
// Started under a name that begins with "qvxtool" (any letter case), or with --window, it then
// holds a window of class TfrmCat (a real top-level window on Windows; the registration file of
// platform/tool_window.h elsewhere) until the close request arrives, and ends. With
// --ignore-close, or QVX_FAKE_TOOL_IGNORE_CLOSE=1 in its environment, it ignores the request.
// It never lives longer than --lifetime=<ms> (default 30000), so a test that fails cannot leave
// it behind.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/tool_window.h"
#endif

namespace {

constexpr char kWindowClass[] = "TfrmCat";

bool gIgnoreClose = false;

std::string OwnPath(const char* argv0) {
#ifdef _WIN32
  (void)argv0;
  char buffer[MAX_PATH * 4];
  DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  return std::string(buffer, n);
#else
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string(argv0);
#endif
}

std::string FileNameOf(const std::string& path) {
  size_t cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool StartsWithIgnoreCase(const std::string& text, const char* prefix) {
  size_t n = std::strlen(prefix);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    char a = text[i], b = prefix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

#ifdef _WIN32

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE:
      if (!gIgnoreClose) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

int HoldWindow(unsigned lifetimeMs) {
  WNDCLASSA cls = {};
  cls.lpfnWndProc = WindowProc;
  cls.hInstance = GetModuleHandleA(nullptr);
  cls.lpszClassName = kWindowClass;
  if (!RegisterClassA(&cls)) return 3;
  HWND window = CreateWindowExA(0, kWindowClass, "fake tool", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                nullptr, nullptr, cls.hInstance, nullptr);
  if (!window) return 4;
  SetTimer(nullptr, 0, lifetimeMs, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
    DispatchMessageA(&msg);
  }
  if (IsWindow(window)) DestroyWindow(window);
  return 0;
}

#else

volatile sig_atomic_t gCloseRequested = 0;

void OnTerm(int) {
  if (!gIgnoreClose) gCloseRequested = 1;
}

int HoldWindow(unsigned lifetimeMs) {
  std::string file = qvx::ToolWindowFile(kWindowClass);
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(file).parent_path().parent_path(), error);
  if (!qvx::MakeToolWindowFolder()) return 4;
  struct sigaction action = {};
  action.sa_handler = OnTerm;
  sigaction(SIGTERM, &action, nullptr);
  std::string temp = file + "." + std::to_string(getpid());
  {
    std::ofstream out(temp);
    out << getpid() << "\n";
    if (!out) return 4;
  }
  if (std::rename(temp.c_str(), file.c_str()) != 0) return 4;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(lifetimeMs);
  while (!gCloseRequested && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  // Leave the registration only while it is still ours.
  std::ifstream in(file);
  long pid = 0;
  if (in >> pid && pid == getpid()) std::remove(file.c_str());
  return 0;
}

#endif

}  // namespace

int main(int argc, char** argv) {
  std::string self = OwnPath(argv[0]);
  bool window = StartsWithIgnoreCase(FileNameOf(self), "qvxtool");
  unsigned lifetimeMs = 30000;
  std::string line;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (i > 1) line += " ";
    line += arg;
    if (arg == "--window") window = true;
    if (arg == "--ignore-close") gIgnoreClose = true;
    if (arg.rfind("--lifetime=", 0) == 0) lifetimeMs = static_cast<unsigned>(std::atoi(arg.c_str() + 11));
  }
  if (const char* env = std::getenv("QVX_FAKE_TOOL_IGNORE_CLOSE"); env && std::strcmp(env, "1") == 0) {
    gIgnoreClose = true;
  }
  if (FILE* mark = std::fopen((self + ".mark").c_str(), "ab")) {
    std::fprintf(mark, "%s\n", line.c_str());
    std::fclose(mark);
  }
  return window ? HoldWindow(lifetimeMs) : 0;
}
