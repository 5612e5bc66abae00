#pragma once
// Where a FileName of "_nimbrava.ini" lies for the plugin, and what is there. The plugin joins the
// name with the enbseries directory by the Windows path rules and asks whether a regular file is
// there. On Windows this does the same. Natively (a game run through Wine or Proton) the name is
// still a Windows path: '\' and '/' separate, a relative name starts at the enbseries directory,
// names match ignoring case as Wine matches them, and a drive letter maps where it can: Z: to '/',
// another drive through the Wine prefix's dosdevices; anything else cannot be checked here.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include "checks/Codes.h"
#include "checks/Context.h"

namespace NimbravaCheck
{
    enum class FileState
    {
        RegularFile,  // the plugin switches to it
        Missing,      // nothing there
        Directory,    // a directory, not a file
        OtherFile,    // something else that is no regular file
        InvalidName,  // not a valid Windows file name: the plugin's file test says no
        BadText,      // not text in the file-API code page: the plugin's whole run fails
        NotCheckable, // cannot be told on this machine (see Why)
    };

    struct ResolvedFile
    {
        FileState State = FileState::NotCheckable;
        std::filesystem::path Path; // where the name leads here, when it could be mapped
        std::string Why;            // for InvalidName, BadText, NotCheckable and OtherFile
    };

    // The name as the plugin reads it (quotes already removed), in the game's code page, joined with
    // `enbseries`, and the state of what is there (drive letters mapped through the context's Wine
    // prefix outside Windows). Throws only std::bad_alloc.
    [[nodiscard]] ResolvedFile ResolveFileName(const std::filesystem::path& enbseries, std::string_view name,
                                               const CheckContext& context);

    // The same name read as UTF-8 rather than in the game's code page: where a file saved as UTF-8
    // meant it to lead. Throws only std::bad_alloc.
    [[nodiscard]] ResolvedFile ResolveUtf8FileName(const std::filesystem::path& enbseries, std::string_view name,
                                                   const CheckContext& context);

    // Where `file` lies for a person who knows the enbseries folder: its path below `enbseries`
    // ("lists/a.ini"), else the whole path; both taken as absolute first, so that how the folder was
    // given does not matter. Throws only std::bad_alloc.
    [[nodiscard]] std::filesystem::path UnderEnbseries(const std::filesystem::path& file,
                                                       const std::filesystem::path& enbseries);

    // A short phrase for the state ("a regular file", "missing", ...).
    [[nodiscard]] std::string_view Describe(FileState state) noexcept;
    // Its key in the JSON output ("regular_file", "missing", ...).
    [[nodiscard]] std::string_view JsonName(FileState state) noexcept;
    // The finding a FileName that leads to such a state gives, where the plugin logs that it finds
    // no weather list (Missing, Directory, OtherFile, InvalidName); nothing for the other states.
    [[nodiscard]] std::optional<Code> NotThereCode(FileState state) noexcept;
} // namespace NimbravaCheck
