#include "cli/CommandLine.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fmt/format.h>
#include <optional>
#include "GameData/Text.h"
#include "Orvel/Ascii.h"
#include "checks/WorldspaceNames.h"
#include "cli/CodePageOption.h"

namespace NimbravaCheck::Cli
{
    namespace
    {
        // What each option of the table was given: its value, or "" for a switch.
        using Given = std::array<std::optional<std::string>, static_cast<std::size_t>(OptionId::Count)>;

        std::optional<std::string>& Of(Given& given, OptionId id)
        {
            return given[static_cast<std::size_t>(id)];
        }

        const Option* Find(std::string_view spelling)
        {
            const auto options = Options();
            const auto found = std::ranges::find_if(options, [&](const Option& option) {
                return option.Argument != Takes::Positional &&
                       (option.Spelling == spelling ||
                        std::ranges::find(option.Aliases, spelling) != option.Aliases.end());
            });
            return found == options.end() ? nullptr : &*found;
        }

        bool Exists(std::string_view argument)
        {
            std::error_code error;
            return std::filesystem::exists(GameData::Utf8Path(argument), error);
        }

        // Whether an argument after --worldspace's IDs is the configuration: an existing folder or file,
        // unless it reads as a worldspace ID and names no path (a folder called "800" beside the checker
        // does not turn the ID 800 into a configuration).
        bool NamesConfiguration(std::string_view argument)
        {
            if (!Exists(argument))
                return false;
            const bool pathLike =
                argument.find_first_of("/\\:") != std::string_view::npos ||
                (argument.size() > 4 && Orvel::EqualIgnoringCase(argument.substr(argument.size() - 4), ".ini"));
            return pathLike || !ReadWorldspaceId(argument);
        }

        // "A", "A and B", "A, B and C".
        std::string Listed(const std::vector<std::string_view>& names)
        {
            std::string text;
            for (std::size_t i = 0; i < names.size(); ++i)
                text += std::string(i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + std::string(names[i]);
            return text;
        }

        // The IDs after `option` (--worldspace, --walk), comma-separated or not, up to the next option;
        // and up to the configuration's folder or file when it comes after them. Each argument may list
        // several.
        void ReadIds(const Option& option, const std::vector<std::string>& arguments, std::size_t& at, Given& given,
                     CommandLine& line, std::optional<std::string>& idAndPath)
        {
            auto& configuration = Of(given, OptionId::Configuration);
            std::size_t count = 0;
            for (; at + 1 < arguments.size() && !arguments[at + 1].starts_with("-"); ++at, ++count)
            {
                const std::string& argument = arguments[at + 1];
                if (!configuration && NamesConfiguration(argument))
                    break;
                if (!configuration && !idAndPath && Exists(argument))
                    idAndPath = argument;
                for (std::size_t start = 0; start <= argument.size();)
                {
                    const std::size_t comma = std::min(argument.find(',', start), argument.size());
                    if (comma > start)
                        line.Asked.Worldspaces.push_back(argument.substr(start, comma - start));
                    start = comma + 1;
                }
            }
            if (count == 0)
                throw UsageError(std::string(option.Spelling) + " takes " + std::string(option.Wanted));
        }

        // Every option given must go with the command chosen.
        void CheckTogether(const Given& given, const Option& command)
        {
            for (const auto& option : Options())
            {
                if (!given[static_cast<std::size_t>(option.Id)] || (option.With & CommandOf(command.Id)) != 0)
                    continue;
                if (command.Argument == Takes::Positional)
                {
                    std::vector<std::string_view> commands;
                    for (const auto& other : Options())
                        if ((option.With & CommandOf(other.Id)) != 0)
                            commands.push_back(other.Spelling);
                    throw UsageError(std::string(option.Spelling) + " goes only with " + Listed(commands));
                }
                std::vector<std::string_view> beside;
                for (const auto& other : Options())
                    if (other.Id != command.Id && (other.With & CommandOf(command.Id)) != 0)
                        beside.push_back(other.Spelling);
                throw UsageError(std::string(command.Spelling) +
                                 (beside.empty() ? " stands alone" : " takes only " + Listed(beside) + " beside it"));
            }
        }
    } // namespace

    CommandLine ReadCommandLine(const std::vector<std::string>& arguments)
    {
        CommandLine line;
        Given given;
        std::optional<std::string> idAndPath;
        const Option* idsOption = nullptr; // the option whose IDs were read
        for (std::size_t at = 0; at < arguments.size(); ++at)
        {
            const std::string& argument = arguments[at];
            const Option* option = Find(argument);
            if (option == nullptr && argument.starts_with("-") && argument.size() > 1)
                throw UsageError("unknown option " + argument);
            if (option == nullptr)
                option = &OptionOf(OptionId::Configuration);
            auto& value = Of(given, option->Id);
            switch (option->Argument)
            {
            case Takes::Nothing:
                // --help and --version answer at once, whatever follows.
                if (option->Run != nullptr)
                {
                    line.Command = option;
                    return line;
                }
                value = "";
                break;
            case Takes::Value:
                if (value || at + 1 == arguments.size())
                    throw UsageError(std::string(option->Spelling) + " takes " + std::string(option->Wanted));
                value = arguments[++at];
                break;
            case Takes::Ids:
                if (value)
                    throw UsageError(std::string(option->Spelling) + " is given twice");
                value = "";
                idsOption = option;
                ReadIds(*option, arguments, at, given, line, idAndPath);
                break;
            case Takes::Positional:
                if (value)
                    throw UsageError("one enbseries directory (or _nimbrava.ini) at a time");
                value = argument;
                break;
            }
        }

        line.Asked.CodePage = Of(given, OptionId::CodePage) ? ReadCodePage(*Of(given, OptionId::CodePage))
                                                            : GameCodePage::OfThisProcess();
        // The first command given in the table's order, else the configuration check.
        const auto options = Options();
        const auto chosen = std::ranges::find_if(options, [&](const Option& option) {
            return option.Run != nullptr && option.Argument != Takes::Positional && Of(given, option.Id);
        });
        line.Command = chosen != options.end() ? &*chosen : &OptionOf(OptionId::Configuration);
        CheckTogether(given, *line.Command);

        line.Json = Of(given, OptionId::Json).has_value();
        line.Verbose = Of(given, OptionId::Verbose).has_value();
        for (const auto& [id, path] :
             {std::pair{OptionId::Game, &line.Asked.Game}, std::pair{OptionId::PluginsTxt, &line.Asked.PluginsTxt},
              std::pair{OptionId::Mo2, &line.Asked.Mo2}})
            if (const auto& value = Of(given, id))
                *path = GameData::Utf8Path(*value);
        const auto& target =
            Of(given, line.Command->Argument == Takes::Value ? line.Command->Id : OptionId::Configuration);
        if (line.Command->Argument == Takes::Value)
        {
            line.Asked.Target = GameData::Utf8Path(*target);
            return line;
        }
        // An ID that is also a folder here, with no configuration after it: which one was meant cannot be
        // told, and guessing would check another file than the player's.
        if (!target && idAndPath)
            throw UsageError(fmt::format("'{0}' after {1} is taken for a worldspace ID, but it names a folder or file "
                                         "here too: for that configuration write ./{0}, or give the configuration "
                                         "after the IDs",
                                         *idAndPath, idsOption->Spelling));
        // Started in the game folder without a word: its enbseries folder.
        std::error_code error;
        if (!target && !std::filesystem::is_directory("enbseries", error))
            throw UsageError("no enbseries directory given, and there is none here");
        line.Asked.Target = GameData::Utf8Path(target ? *target : "enbseries");
        return line;
    }
} // namespace NimbravaCheck::Cli
