#pragma once
// What WindowsPath's two builds share: the rules of Windows file names, and the state of a path.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include "checks/WindowsPath.h"

namespace NimbravaCheck::Detail
{
    // What is at `path`: a regular file, a directory, nothing, something else (its reason in `why`).
    [[nodiscard]] FileState StateOf(const std::filesystem::path& path, std::string& why);

    // The state a failed status with `error` means: an invalid name where the system says so (Windows),
    // otherwise not checkable. Each build has its own.
    [[nodiscard]] FileState StateOfStatusError(const std::error_code& error) noexcept;

    // Whether `path` (without its drive) holds a character that no Windows file name holds, which the
    // plugin's file test says no to; Windows reports such names as invalid, Wine as missing. Sets
    // `result` when it does.
    [[nodiscard]] bool InvalidCharacter(std::string_view path, ResolvedFile& result);

    // CON, NUL, COM1 ... name devices in every folder, with any extension: Windows finds one there,
    // and it is no regular file (Wine finds nothing).
    [[nodiscard]] bool IsDeviceName(std::string_view component);
} // namespace NimbravaCheck::Detail
