#include "cli/Usage.h"

#include <fmt/format.h>
#include "GameData/PluginFile.h"
#include "GameData/WholeFile.h"
#include "Host/Version.h"
#include "checks/Codes.h"
#include "cli/Options.h"
#include "text/ProgramName.h"

namespace NimbravaCheck::Cli
{
    namespace
    {
        // What holds for every command; {} are the budgets of GameData/Budgets.h, the largest record
        // the game's reader takes, in MiB, and the most read of the game's text files. Their paragraph
        // is wrapped to 80 columns with the numbers in.
        constexpr char Common[] = R"(
Options may stand in any order.

The game's data: GAME_FOLDER is the folder of the game's executable, which holds Data (an enbseries
folder given instead means the folder above it). Commands on an enbseries folder use the game whose
Data lies beside it, or --game GAME_FOLDER. The load order is read from Plugins.txt: the one
--plugins-txt FILE names (a mod manager's profile, say), else where the game keeps it (%LOCALAPPDATA%,
inside $WINEPREFIX, or Steam's Proton prefix beside the game's steamapps folder); without one, the
base game's masters and Skyrim.ccc's plugins only. Names of localized plugins come from loose
Data/Strings tables in the language of the player's Skyrim.ini (Documents/My Games/<edition>), else of
the game folder's; the base game's own names are inside its BSA archives, which are not read here, so
its worldspaces show the English edition's names.

Budgets: of one plugin the checker keeps at most {} records (worldspaces,
weathers, climates and regions), {} of their weather entries and
{} bytes of names (and as many of its string table's), and inflates at
most {} bytes of its compressed records; of all string tables it reads
at most {} bytes in one run. A plugin past a budget is a problem that
names the budget ([damaged-plugin]), as is a string table ([damaged-strings]).
A record that claims more than {} MiB, or a compressed one that declares to
inflate to more, is damaged ([damaged-record]). Skyrim.ini, Skyrim.ccc and
Plugins.txt are read up to {} bytes each.

FileNames are Windows paths in the game's ANSI code page. Outside Windows, a relative name starts at
the enbseries directory, names match ignoring case (as under Wine and Proton), Z: maps to '/', and
another drive maps through $WINEPREFIX/dosdevices when that is set; other names are reported as not
checkable. Names outside ASCII need the game's code page: --code-page N (874, 932, 936, 949, 950 or
1250 to 1258, built into the checker; 1252 for Western European Windows, 1251 for Cyrillic). The
.exe uses the code page Windows gives it, as the plugin does.
)";

        // "[--json] [ENBSERIES] --worldspace ID[,ID...] [ID...]": the switches that go with the command,
        // the positional argument when it does, then the command's own option.
        std::string Synopsis(const Option& command)
        {
            std::string text;
            for (const Takes kind : {Takes::Nothing, Takes::Positional})
                for (const auto& option : Options())
                    if ((option.With & CommandOf(command.Id)) != 0 && option.Argument == kind &&
                        (option.Id != command.Id || kind == Takes::Positional))
                        text += fmt::format("[{}] ", option.Spelling);
            if (command.Argument == Takes::Positional)
                return text.substr(0, text.size() - 1);
            text += command.Spelling;
            for (const auto alias : command.Aliases)
                if (!alias.empty())
                    text += fmt::format(" | {}", alias);
            return command.ValueName.empty() ? text : fmt::format("{} {}", text, command.ValueName);
        }

        std::string Usage()
        {
            std::string text = "Usage:\n";
            for (const auto& command : Options())
            {
                if (command.Run == nullptr)
                    continue;
                // A one-line help stands beside the synopsis; a longer one below it.
                if (command.Help.find('\n') == std::string_view::npos && command.Argument == Takes::Nothing)
                {
                    text += fmt::format("  {} {:<22}{}\n", ProgramName(), Synopsis(command), command.Help);
                    continue;
                }
                text += fmt::format("  {} {}\n", ProgramName(), Synopsis(command));
                for (std::size_t at = 0; at < command.Help.size();)
                {
                    const std::size_t end = std::min(command.Help.find('\n', at), command.Help.size());
                    text += fmt::format("      {}\n", command.Help.substr(at, end - at));
                    at = end + 1;
                }
            }
            text += fmt::format(Common, GameData::PluginBudget.Records, GameData::PluginBudget.Entries,
                                GameData::PluginBudget.NameBytes, GameData::PluginBudget.InflatedBytes,
                                GameData::StringTableBudget, GameData::MaximumRecordSize >> 20,
                                GameData::MaximumGameTextSize);
            text += "\nThe codes of the findings, in brackets in the reports and as \"code\" in JSON:\n";
            for (const auto& [topic, heading] :
                 {std::pair{Topic::Configuration, std::string("_nimbrava.ini")},
                  std::pair{Topic::LoadOrder, std::string("the load order")},
                  std::pair{Topic::WeatherList,
                            std::string("ENB's weather lists (its own, and those the sections name)")},
                  std::pair{Topic::Module, fmt::format("a d3d11.dll ({}; its report gives the texts only)",
                                                       OptionOf(OptionId::Module).Spelling)}})
            {
                text += fmt::format("  {}:\n", heading);
                for (const auto& row : Codes)
                    if (row.About == topic)
                        text += fmt::format("    {:<22}{}\n", row.Name, row.Meaning);
            }
            return text + "\nExit codes: 0 all good, 1 problems found, 2 bad usage or unreadable input.\n";
        }
    } // namespace

    int RunHelp(const Request&, const Output& output)
    {
        output.Out << Usage();
        return ExitGood;
    }

    int RunVersion(const Request&, const Output& output)
    {
        output.Out << "nimbrava-check " NIMBRAVA_VERSION_TEXT "\n";
        return ExitGood;
    }
} // namespace NimbravaCheck::Cli
