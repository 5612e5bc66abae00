// nimbrava-check: tells a player what the plugin will do with their files.

#include <cstdio>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include "Commands.h"
#include "Orvel/Parsing.h"

namespace
{
    constexpr std::string_view Usage = R"(Usage:
  nimbrava-check [--json] ENBSERIES_DIRECTORY
      Reads ENBSERIES_DIRECTORY/_nimbrava.ini as the plugin does and lists its weatherlist sections
      in priority order (IDs, file, whether the file exists), then every problem: names and keys the
      plugin does not see, ID lists that never match, shadowed IDs, missing files, ignored lines.
  nimbrava-check [--json] ENBSERIES_DIRECTORY --worldspace ID [ID...]
      The plugin's decision for each worldspace ID (hexadecimal, as ENB reports it) and the log lines
      it writes for it.
  nimbrava-check [--json] --module D3D11_DLL
      Whether the plugin can work with this d3d11.dll: the six ENB exports, and CreateFileA and
      GetPrivateProfileSectionA imported by name from kernel32.
  nimbrava-check --help

FileNames are Windows paths. Outside Windows, a relative name starts at the enbseries directory,
names match ignoring case (as under Wine and Proton), Z: maps to '/', and another drive maps through
$WINEPREFIX/dosdevices when that is set; other names are reported as not checkable.

Exit codes: 0 all good, 1 problems found, 2 bad usage or unreadable input.
)";

    int BadUsage(std::string_view why)
    {
        std::cerr << "nimbrava-check: " << why << "\n(see nimbrava-check --help)\n";
        return NimbravaCheck::ExitUnreadable;
    }

    // A worldspace ID as ENB reports it: one hexadecimal number of at most 32 bits, nothing after it.
    std::optional<std::uint32_t> ReadId(std::string_view text)
    {
        std::size_t end = 0;
        const auto id = Orvel::ParseHexNumber(text, end);
        if (!id || end != text.size())
            return std::nullopt;
        return *id;
    }
} // namespace

int main(int argc, char** argv)
{
    try
    {
        std::vector<std::string_view> args(argv + 1, argv + argc);
        bool json = false;
        std::optional<std::string_view> module;
        std::optional<std::string_view> directory;
        std::optional<std::vector<std::uint32_t>> ids;
        for (std::size_t i = 0; i < args.size(); ++i)
        {
            const std::string_view arg = args[i];
            if (arg == "--help" || arg == "-h")
            {
                std::cout << Usage;
                return NimbravaCheck::ExitGood;
            }
            if (arg == "--json")
                json = true;
            else if (arg == "--module")
            {
                if (module || i + 1 == args.size())
                    return BadUsage("--module takes one path to a d3d11.dll");
                module = args[++i];
            }
            else if (arg == "--worldspace")
            {
                if (ids)
                    return BadUsage("--worldspace is given twice");
                ids.emplace();
                for (; i + 1 < args.size() && !args[i + 1].starts_with("--"); ++i)
                {
                    const auto id = ReadId(args[i + 1]);
                    if (!id)
                        return BadUsage("not a worldspace ID (hexadecimal, at most FFFFFFFF): " +
                                        std::string(args[i + 1]));
                    ids->push_back(*id);
                }
                if (ids->empty())
                    return BadUsage("--worldspace takes one or more IDs");
            }
            else if (arg.starts_with("-") && arg.size() > 1)
                return BadUsage("unknown option " + std::string(arg));
            else if (directory)
                return BadUsage("one enbseries directory at a time");
            else
                directory = arg;
        }

        const NimbravaCheck::Output output{std::cout, std::cerr, json};
        if (module)
        {
            if (directory || ids)
                return BadUsage("--module stands alone");
            return NimbravaCheck::RunModule(std::filesystem::path(*module), output);
        }
        if (!directory)
            return BadUsage("no enbseries directory given");
        if (ids)
            return NimbravaCheck::RunWorldspaces(std::filesystem::path(*directory), *ids, output);
        return NimbravaCheck::RunConfiguration(std::filesystem::path(*directory), output);
    }
    catch (const std::exception& error)
    {
        std::cout.flush();
        std::cerr << "nimbrava-check: " << error.what() << "\n";
        return NimbravaCheck::ExitUnreadable;
    }
}
