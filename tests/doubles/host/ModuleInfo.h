#pragma once
// Where the running program lies.

#include <string>
#include <windows.h>

namespace NimbravaTest
{
    // The folder that holds the running program, with a trailing backslash.
    inline std::wstring ProgramDirectory()
    {
        wchar_t path[MAX_PATH];
        const std::wstring file(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
        return file.substr(0, file.find_last_of(L"\\/") + 1);
    }
} // namespace NimbravaTest
