#pragma once

#include <filesystem>

namespace Nimbrava
{
    // The process's working directory at load, joined with "enbseries": the parent of
    // "_weatherlist.ini", "_nimbrava.ini" and every relative weather list name. Never changes.
    [[nodiscard]] const std::filesystem::path& EnbseriesDirectory() noexcept;
} // namespace Nimbrava
