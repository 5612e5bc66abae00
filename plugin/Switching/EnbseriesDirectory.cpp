#include "Switching/EnbseriesDirectory.h"

#include <system_error>
#include "Switching/InitPriority.h"

namespace Nimbrava
{
    namespace
    {
        std::filesystem::path ComputeEnbseriesDirectory()
        {
            // Runs under the loader lock: a working directory that cannot be read must not end the
            // game. The relative name then resolves against whatever directory is current later.
            std::error_code error;
            auto directory = std::filesystem::current_path(error);
            return error ? std::filesystem::path("enbseries") : directory / "enbseries";
        }

        ORVEL_INIT_PRIORITY(NIMBRAVA_INIT_PRIORITY_ENBSERIES_DIRECTORY)
        const std::filesystem::path Directory = ComputeEnbseriesDirectory();
    } // namespace

    const std::filesystem::path& EnbseriesDirectory() noexcept
    {
        return Directory;
    }
} // namespace Nimbrava
