#pragma once
// What a Windows module file and its loaded image say about themselves.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>
#include <windows.h>

namespace NimbravaTest
{
    struct VersionResource
    {
        std::uint16_t FileVersion[4] = {};
        std::uint16_t ProductVersion[4] = {};
        std::map<std::string, std::string> Strings; // from the first language block
    };

    // The version resource of a module file, read with the version API. Empty when it has none.
    std::optional<VersionResource> ReadVersionResource(const std::wstring& path);

    // The names that a loaded module exports, in the order of its export directory.
    std::vector<std::string> ExportedNames(HMODULE module);

    // The DLLs named by the import directory of a mapped module, in order.
    std::vector<std::string> ImportedDllNames(HMODULE module);

    // The folder that holds the running program, with a trailing backslash.
    std::wstring ProgramDirectory();
} // namespace NimbravaTest
