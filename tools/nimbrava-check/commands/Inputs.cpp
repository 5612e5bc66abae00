#include "commands/Inputs.h"

#include <cstdlib>
#include <fmt/format.h>
#include <fmt/ranges.h>
#include <sstream>
#include "GameData/BaseGame.h"
#include "GameData/Text.h"
#include "GameData/WholeFile.h"
#include "checks/InputError.h"
#include "checks/LoadOrderFindings.h"
#include "checks/ModOrganizer.h"
#include "text/Printable.h"
#include "text/TextMode.h"

namespace NimbravaCheck
{
    namespace
    {
        bool HasData(const std::filesystem::path& folder)
        {
            std::error_code error;
            const auto data = GameData::GameFolder::Find(folder, "Data");
            return data && std::filesystem::is_directory(*data, error);
        }

        // Plugins.txt's lines; nothing when it cannot be read, and why in `why`: "cannot be read", or
        // the limit it is past.
        std::optional<std::vector<GameData::PluginsTxtLine>> ReadPluginsTxt(const std::filesystem::path& file,
                                                                            std::string& why)
        {
            try
            {
                return GameData::ParsePluginsTxt(GameData::ReadWholeFile(file, GameData::MaximumGameTextSize));
            }
            catch (const GameData::FileReadError& error)
            {
                why = error.Why() == GameData::FileReadError::Reason::TooLarge ? error.what() : "cannot be read";
                return std::nullopt;
            }
        }
    } // namespace

    std::filesystem::path ConfigurationFile(const std::filesystem::path& given)
    {
        std::error_code error;
        if (std::filesystem::is_directory(given, error))
            return given / "_nimbrava.ini";
        // A file named without its folder lies in the current one, from which its FileNames start.
        if (std::filesystem::is_regular_file(given, error))
            return given.has_parent_path() ? given : std::filesystem::path(".") / given;
        throw InputError(GameData::Utf8Text(given) + " is neither an enbseries folder nor a file");
    }

    Configuration ReadConfiguration(const std::filesystem::path& file)
    {
        Configuration config{file, {}, {}, {}};
        try
        {
            config.Bytes = GameData::ReadWholeFile(file);
        }
        catch (const GameData::FileReadError& error)
        {
            // The plugin's reader's own words.
            const std::string name = GameData::Utf8Text(file);
            throw InputError(error.Why() == GameData::FileReadError::Reason::CannotRead
                                 ? fmt::format(Orvel::IniMessages::UnableToRead, name)
                                 : fmt::format(Orvel::IniMessages::UnableToOpen, name));
        }
        std::istringstream text(TextModeBytes(config.Bytes));
        config.Document = Orvel::IniInterface::Parse(text, &config.Lines);
        config.Document.Path = file;
        return config;
    }

    std::optional<std::filesystem::path> GameFolderOf(const std::filesystem::path& folder)
    {
        auto path = std::filesystem::absolute(folder).lexically_normal();
        // "enbseries/" ends in an empty name, whose parent path is the folder itself.
        if (!path.has_filename() && path.has_parent_path())
            path = path.parent_path();
        if (HasData(path))
            return path;
        if (HasData(path.parent_path()))
            return path.parent_path();
        return std::nullopt;
    }

    namespace
    {
        // Where Plugins.txt was looked for, so that a player sees whether it was the right place.
        std::string NotFoundIn(const GameData::GameFolder::Places& places)
        {
            std::vector<std::string> searched;
            if (places.LocalAppData)
                searched.push_back(fmt::format("%LOCALAPPDATA% ({})", GameData::Utf8Text(*places.LocalAppData)));
            std::error_code error;
            for (const auto& prefix : places.Prefixes)
                searched.push_back(
                    fmt::format("the Wine prefix {}{}", GameData::Utf8Text(prefix),
                                std::filesystem::is_directory(prefix, error) ? "" : " (no such folder)"));
            if (searched.empty())
                return Phrases::NoPluginsTxtNowhere;
            return fmt::format(Phrases::NoPluginsTxtIn, fmt::join(searched, ", "));
        }

        InstalledGame ReadGameThrough(const std::filesystem::path& folder,
                                      const std::optional<std::filesystem::path>& pluginsTxt, bool strict,
                                      const ModOrganizerProfile* profile)
        {
            InstalledGame game{
                GameData::GameFolder(folder, profile != nullptr ? profile->Overlay : GameData::GameFolder::Overlay{}),
                pluginsTxt,
                {},
                profile != nullptr ? std::optional(profile->Profile) : std::nullopt,
                {},
                {},
                {}};
            if (!game.PluginsTxt)
            {
                auto candidates = game.Folder.PluginsTxtCandidates();
                if (!candidates.empty())
                {
                    game.PluginsTxt = candidates.front();
                    game.OtherPluginsTxt.assign(candidates.begin() + 1, candidates.end());
                }
            }
            FindingWriter problems(game.Problems);
            std::optional<std::vector<GameData::PluginsTxtLine>> lines;
            if (game.PluginsTxt)
            {
                std::string why;
                lines = ReadPluginsTxt(*game.PluginsTxt, why);
                const std::string unreadable = GameData::Utf8Text(*game.PluginsTxt) + " " + why;
                if (!lines && (strict || pluginsTxt))
                    throw InputError(unreadable);
                if (!lines)
                {
                    problems.Add<Code::NoPluginsTxt>(std::nullopt, {}, unreadable);
                    game.PluginsTxt.reset();
                }
            }
            else
                problems.Add<Code::NoPluginsTxt>(std::nullopt, {}, NotFoundIn(game.Folder.PluginsTxtPlaces()));
            game.Order = GameData::ReadLoadOrder(game.Folder, lines ? &*lines : nullptr);
            game.Worldspaces = GameData::ListWorldspaces(game.Folder, game.Order);
            game.Weathers = GameData::ListWeathers(game.Order);
            // The base game's names are in its archives: where no loose table gave one, the English edition's.
            for (auto& worldspace : game.Worldspaces.Worldspaces)
                if (!worldspace.Name)
                    if (const auto* base = GameData::FindBaseWorldspace(worldspace.Plugin, worldspace.FormId))
                        worldspace.Name = std::string(base->Place);
            // A profile's plugins.txt read without MO2: its mods' plugins are not in Data.
            const bool modOrganizer = profile == nullptr && pluginsTxt && IsModOrganizerPluginsTxt(*pluginsTxt);
            using Problems = const std::vector<GameData::Problem>*;
            for (const Problems found : {Problems{&game.Folder.Problems()}, Problems{&game.Order.Problems},
                                         Problems{&game.Worldspaces.Problems}, Problems{&game.Weathers.Problems}})
                std::ranges::move(LoadOrderFindings(*found, modOrganizer ? &*pluginsTxt : nullptr),
                                  std::back_inserter(game.Problems));
            if (profile != nullptr)
                for (const auto& mod : profile->MissingMods)
                    problems.Add<Code::MissingMod>(std::nullopt, {},
                                                   GameData::Utf8Text(profile->Profile / "modlist.txt"),
                                                   PrintableText(mod), GameData::Utf8Text(profile->Mods));
            return game;
        }
    } // namespace

    InstalledGame ReadInstalledGame(const std::filesystem::path& folder,
                                    const std::optional<std::filesystem::path>& pluginsTxt, bool strict)
    {
        return ReadGameThrough(folder, pluginsTxt, strict, nullptr);
    }

    std::optional<InstalledGame> ReadGame(const std::optional<std::filesystem::path>& folder, const Request& request,
                                          bool strict)
    {
        if (!request.Mo2)
        {
            if (!folder)
                return std::nullopt;
            return ReadInstalledGame(*folder, request.PluginsTxt, strict);
        }
        if (request.PluginsTxt)
            throw InputError("--mo2 reads the profile's plugins.txt: give --mo2 or --plugins-txt, not both");
        const auto profile = ReadModOrganizerProfile(*request.Mo2, ContextFor(request, nullptr));
        const auto game = folder ? folder : profile.Game;
        if (!game)
            throw InputError("the game folder that " + GameData::Utf8Text(profile.Instance) +
                             "/ModOrganizer.ini names (gamePath) is not here: give the game folder");
        return ReadGameThrough(*game, profile.PluginsTxt, true, &profile);
    }

    InstalledGame ReadGameFolder(const Request& request)
    {
        const auto folder = GameFolderOf(request.Target);
        if (!folder)
            throw InputError(GameData::Utf8Text(request.Target) +
                             " is no game folder: it has no Data folder, nor has the folder above it");
        return *ReadGame(*folder, request, true);
    }

    std::optional<InstalledGame> GameFor(const std::filesystem::path& enbseries, const Request& request)
    {
        const auto folder = GameFolderOf(request.Game ? *request.Game : enbseries);
        if (!folder && request.Game)
            throw InputError(GameData::Utf8Text(*request.Game) + " is no game folder: it has no Data folder");
        return ReadGame(folder, request, false);
    }

    CheckContext ContextFor(const Request& request, const InstalledGame* game)
    {
        CheckContext context{request.CodePage, game};
        if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && *prefix != '\0')
            context.WinePrefix = prefix;
        return context;
    }

    std::string LoadOrderSource(const InstalledGame& game)
    {
        const std::string folder = GameData::Utf8Text(game.Folder.Folder());
        if (!game.PluginsTxt)
            return fmt::format("the game in {}, without Plugins.txt", folder);
        std::string text =
            fmt::format("the game in {}, its load order from {}", folder, GameData::Utf8Text(*game.PluginsTxt));
        if (game.Mo2)
            text += fmt::format(", seen through Mod Organizer 2's profile {}", GameData::Utf8Text(*game.Mo2));
        for (const auto& other : game.OtherPluginsTxt)
            text += fmt::format(" (also found: {}; --plugins-txt chooses)", GameData::Utf8Text(other));
        return text;
    }
} // namespace NimbravaCheck
