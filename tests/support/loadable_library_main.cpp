// A library that does nothing, for tests that replace a library some process has loaded.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

extern "C" __declspec(dllexport) int QvxLoadableLibraryMark() { return 7; }
