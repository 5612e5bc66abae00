#pragma once

#include <filesystem>

namespace Nimbrava
{
    // Whether `path` names an existing regular file, links followed. False for anything else that
    // exists (a directory), and when the file, a directory on its way, the drive or the network path
    // does not exist or the name is no valid file name (an embedded NUL included). Any other error
    // in reading the status (access denied, a device not ready) throws
    // std::filesystem::filesystem_error for "status", with the Windows error code where known.
    [[nodiscard]] bool IsRegularFile(const std::filesystem::path& path);
} // namespace Nimbrava
