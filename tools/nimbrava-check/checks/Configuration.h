#pragma once
// "_nimbrava.ini" as the checks take it: its bytes as read once, the plugin's reading of them, and
// its weatherlist sections in the order the plugin tries them, with what each one's lines say.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include "GameData/Worldspaces.h"
#include "Orvel/Ini.h"
#include "Orvel/Parsing.h"
#include "checks/ConfigLines.h"
#include "checks/WindowsPath.h"
#include "text/GameCodePage.h"

namespace NimbravaCheck
{
    struct Configuration
    {
        std::filesystem::path File;   // its FileNames start at its folder
        std::string Bytes;            // as on disk
        Orvel::IniInterface Document; // as the plugin's reader reads the file (commands/Inputs.h)
        ConfigLines Lines;            // how that reader took each line

        [[nodiscard]] std::filesystem::path Enbseries() const { return File.parent_path(); }
        // The file's lines as written, without their line ends (LF or CR LF); valid while Bytes is.
        [[nodiscard]] std::vector<std::string_view> RawLines() const;
        // What line 1 holds after a UTF-8 byte-order mark, which the reader takes as part of the line,
        // white space trimmed; nothing when the file does not start with one.
        [[nodiscard]] std::optional<std::string_view> AfterByteOrderMark() const;
    };

    // A weatherlist section as the plugin uses it.
    struct WeatherlistSection
    {
        int Number = 0;        // n of WEATHERLISTnn
        std::size_t Index = 0; // in Document.Sections
        std::size_t Line = 0;  // its first header line
        std::optional<std::size_t> IdsLine;
        std::vector<std::uint32_t> Ids; // as the plugin reads them; empty: never matches
        Orvel::HexNumberListEnd IdsEnd; // where the plugin's reading of them stopped
        std::optional<std::size_t> FileNameLine;
        std::string ShownName; // the FileName without its enclosing quotes
        ResolvedFile File;
        // With the game's data: per ID of Ids, the worldspaces of the load order that mask to it.
        std::vector<std::vector<GameData::Worldspace>> Matches;

        [[nodiscard]] std::string Name() const;
    };

    // IDs as a section lists them: "3C, 1A".
    [[nodiscard]] std::string HexList(const std::vector<std::uint32_t>& ids);

    // The weatherlist sections of `config` in priority order (WEATHERLIST01 first), their IDs read and
    // FileNames resolved as the plugin does it, in the context's code page. Throws only std::bad_alloc.
    [[nodiscard]] std::vector<WeatherlistSection> ReadSections(const Configuration& config,
                                                               const CheckContext& context);
} // namespace NimbravaCheck
