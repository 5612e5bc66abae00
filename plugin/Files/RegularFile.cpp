#include "Files/RegularFile.h"

#include <system_error>
#include <windows.h>

namespace Nimbrava
{
    namespace
    {
        // The Windows errors that say "there is no regular file of that name", as opposed to "it could
        // not be looked at". A device name (CON, \\.\pipe\...) exists but is no file.
        [[nodiscard]] bool MeansNotFound(DWORD error) noexcept
        {
            switch (error)
            {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
            case ERROR_INVALID_DRIVE:
            case ERROR_BAD_NETPATH:
            case ERROR_BAD_NET_NAME:
            case ERROR_INVALID_NAME:
            case ERROR_BAD_PATHNAME:
            case ERROR_FILENAME_EXCED_RANGE:
            case ERROR_DIRECTORY:
            case ERROR_BAD_DEV_TYPE:
                return true;
            default:
                return false;
            }
        }
    } // namespace

    bool IsRegularFile(const std::filesystem::path& path)
    {
        // The file functions would stop at the NUL and look at a different, shorter name.
        if (path.native().find(L'\0') != std::wstring::npos)
            return false;

        std::error_code error;
        SetLastError(ERROR_SUCCESS);
        const auto status = std::filesystem::status(path, error);
        if (!error)
            return std::filesystem::is_regular_file(status);

        // The standard library reports the C runtime's errno, which folds many Windows errors into
        // ENOENT; the Windows error that the runtime's lookup left behind tells them apart.
        const DWORD windowsError = GetLastError();
        if (MeansNotFound(windowsError))
            return false;
        if (windowsError == ERROR_SUCCESS)
        {
            // The runtime refused the name without asking Windows (wildcards, for instance).
            if (status.type() == std::filesystem::file_type::not_found)
                return false;
            throw std::filesystem::filesystem_error("status", path, error);
        }
        throw std::filesystem::filesystem_error(
            "status", path, std::error_code(static_cast<int>(windowsError), std::system_category()));
    }
} // namespace Nimbrava
