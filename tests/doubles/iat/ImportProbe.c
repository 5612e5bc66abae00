// A DLL whose import table holds nothing but KERNEL32 functions: two imported by name, one by
// ordinal. Built without the C runtime, so that nothing else adds imports. Each export calls one
// import, which shows where calls through a slot end up.
#include <windows.h>

BOOL WINAPI ProbeEntry(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}

// One a line; GetCurrentThreadId is imported by ordinal only.
// clang-format off
__declspec(dllexport) DWORD ProbeProcessId(void) { return GetCurrentProcessId(); }
__declspec(dllexport) DWORD ProbeTickCount(void) { return GetTickCount(); }
__declspec(dllexport) DWORD ProbeThreadId(void) { return GetCurrentThreadId(); }
// clang-format on
