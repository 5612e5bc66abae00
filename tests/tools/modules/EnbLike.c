// A d3d11.dll as far as the plugin needs one: the six ENB exports, and (unless NO_KERNEL32_IMPORTS)
// CreateFileA and GetPrivateProfileSectionA imported by name from kernel32. Never loaded by the
// checker's tests, only read.
#include <windows.h>

// The answers do not matter, only that the functions are there: one a line.
// clang-format off
__declspec(dllexport) unsigned ENBGetSDKVersion(void) { return 1002; }
__declspec(dllexport) unsigned ENBGetGameIdentifier(void) { return 0x10000006; }
__declspec(dllexport) void ENBSetCallbackFunction(void (*callback)(unsigned)) { (void)callback; }
__declspec(dllexport) int ENBGetVersion(void) { return 489; }
__declspec(dllexport) unsigned ENBGetState(unsigned state) { return state; }
// clang-format on
__declspec(dllexport) unsigned DirtyHack(unsigned request, long long parameter)
{
#ifndef NO_KERNEL32_IMPORTS
    char section[16];
    HANDLE file =
        CreateFileA("enbseries\\_weatherlist.ini", GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    return GetPrivateProfileSectionA("WEATHER001", section, sizeof section, "_weatherlist.ini");
#else
    return request + (unsigned)parameter;
#endif
}

BOOL WINAPI ModuleEntry(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
