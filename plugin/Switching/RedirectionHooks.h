#pragma once
// The replacements for ENB's imports of CreateFileA and GetPrivateProfileSectionA: calls for a file
// whose name ends in "_weatherlist.ini" go to the current weatherlist path, all others go on
// unchanged to the function the import slot held before.

#include <atomic>
#include <windows.h>

namespace Nimbrava
{
    using CreateFileAFunction = decltype(&CreateFileA);
    using GetPrivateProfileSectionAFunction = decltype(&GetPrivateProfileSectionA);

    // What the two import slots held before they were patched. Each is stored once at start-up,
    // before its slot can lead to the replacement, and never changed afterwards.
    extern std::atomic<CreateFileAFunction> SavedCreateFileA;
    extern std::atomic<GetPrivateProfileSectionAFunction> SavedGetPrivateProfileSectionA;

    // Same parameters and results as the kernel32 functions. The result and the thread's last error
    // are exactly those of the function called: CreateFileW on the current path's wide form, the
    // saved GetPrivateProfileSectionA with the path's narrow form, or the saved function unchanged.
    HANDLE WINAPI HookedCreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                    LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                                    DWORD flagsAndAttributes, HANDLE templateFile);
    DWORD WINAPI HookedGetPrivateProfileSectionA(LPCSTR sectionName, LPSTR returnedString, DWORD size, LPCSTR fileName);
} // namespace Nimbrava
