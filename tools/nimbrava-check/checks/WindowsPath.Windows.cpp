// On Windows a FileName is resolved as the plugin resolves it: converted strictly from the code page
// and tested with the plugin's own file test.

#include <fmt/format.h>
#include <system_error>
#include <windows.h>
#include "Choice/WeatherlistMessages.h"
#include "Files/CodePage.h"
#include "Files/RegularFile.h"
#include "checks/Detail/WindowsNames.h"
#include "checks/WindowsPath.h"
#include "text/Printable.h"

namespace NimbravaCheck
{
    namespace
    {
        // The name converted from `codePage` as the plugin converts it; what is there, as the plugin's
        // file test says. Texts are shown in `shownIn`.
        ResolvedFile Resolve(const std::filesystem::path& enbseries, std::string_view name, unsigned codePage,
                             const GameCodePage& shownIn)
        {
            ResolvedFile result;
            std::wstring wide;
            // The plugin's own conversion: no byte without its character.
            try
            {
                wide = Nimbrava::NarrowToWide(name, codePage);
            }
            catch (const std::system_error&)
            {
                result.State = FileState::BadText;
                result.Why = "not valid text in code page " + std::to_string(codePage);
                return result;
            }
            // A drive ("C:") or a device prefix (\\?\ or \\.\ before the path) is no part of a file name.
            std::string_view names = name;
            if (names.starts_with("\\\\?\\") || names.starts_with("\\\\.\\"))
                names.remove_prefix(4);
            if (names.size() >= 2 && names[1] == ':')
                names.remove_prefix(2);
            if (Detail::InvalidCharacter(names, result))
                return result;
            const std::string_view last = names.substr(std::min(names.find_last_of("\\/") + 1, names.size()));
            if (Detail::IsDeviceName(last))
            {
                result.State = FileState::OtherFile;
                result.Why = shownIn.Show(last) + " names a device";
                return result;
            }
            result.Path = enbseries / wide;
            // The plugin's own file test decides; the status only says what else is there.
            try
            {
                if (Nimbrava::IsRegularFile(result.Path))
                {
                    result.State = FileState::RegularFile;
                    return result;
                }
            }
            catch (const std::filesystem::filesystem_error& error)
            {
                result.State = FileState::NotCheckable;
                result.Why = fmt::format("{}: the plugin's file test fails, and it logs \"{}\" and keeps the default",
                                         PrintableText(error.what()), Nimbrava::Messages::LoadFailedOpening);
                return result;
            }
            result.State = Detail::StateOf(result.Path, result.Why);
            if (result.State == FileState::RegularFile)
            {
                // The plugin says no where the status says yes: a NUL byte in the name, for one.
                result.State = FileState::OtherFile;
                result.Why = "the plugin's file test does not take this name";
            }
            return result;
        }
    } // namespace

    namespace Detail
    {
        FileState StateOfStatusError(const std::error_code& error) noexcept
        {
            return error.value() == ERROR_INVALID_NAME || error.value() == ERROR_BAD_PATHNAME ? FileState::InvalidName
                                                                                              : FileState::NotCheckable;
        }
    } // namespace Detail

    ResolvedFile ResolveFileName(const std::filesystem::path& enbseries, std::string_view name,
                                 const CheckContext& context)
    {
        return Resolve(enbseries, name, context.CodePage.Number().value_or(Nimbrava::FileApiCodePage()),
                       context.CodePage);
    }

    ResolvedFile ResolveUtf8FileName(const std::filesystem::path& enbseries, std::string_view name,
                                     const CheckContext& context)
    {
        return Resolve(enbseries, name, CP_UTF8, context.CodePage);
    }
} // namespace NimbravaCheck
