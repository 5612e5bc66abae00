#include "InstalledGame.h"

#include <fmt/format.h>
#include <fstream>
#include <sstream>
#include "Commands.h"
#include "ConfigCheck.h"
#include "GameData/Text.h"

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

        std::optional<std::string> ReadText(const std::filesystem::path& path)
        {
            std::ifstream stream(path, std::ios::binary);
            if (!stream)
                return std::nullopt;
            std::ostringstream text;
            text << stream.rdbuf();
            if (stream.bad())
                return std::nullopt;
            return text.str();
        }
    } // namespace

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

    std::optional<InstalledGame> ReadInstalledGame(const std::filesystem::path& folder,
                                                   const std::optional<std::filesystem::path>& pluginsTxt,
                                                   std::string& why, bool strict)
    {
        InstalledGame game{GameData::GameFolder(folder), pluginsTxt, {}, {}, {}, {}};
        if (!game.PluginsTxt)
        {
            auto candidates = game.Folder.PluginsTxtCandidates();
            if (!candidates.empty())
            {
                game.PluginsTxt = candidates.front();
                game.OtherPluginsTxt.assign(candidates.begin() + 1, candidates.end());
            }
        }
        std::optional<std::vector<GameData::PluginsTxtLine>> lines;
        if (game.PluginsTxt)
        {
            const auto text = ReadText(*game.PluginsTxt);
            if (!text && (strict || pluginsTxt))
            {
                why = GameData::Utf8Text(*game.PluginsTxt) + " cannot be read";
                return std::nullopt;
            }
            if (text)
                lines = GameData::ParsePluginsTxt(*text);
            else
            {
                game.Problems.push_back({"no-plugins-txt", GameData::Utf8Text(*game.PluginsTxt) +
                                                               " cannot be read: only the base game's masters and "
                                                               "Skyrim.ccc's plugins are listed"});
                game.PluginsTxt.reset();
            }
        }
        else
            game.Problems.push_back({"no-plugins-txt",
                                     "no Plugins.txt found (give it with --plugins-txt; a mod manager such as Mod "
                                     "Organizer 2 keeps one per profile): only the base game's masters and "
                                     "Skyrim.ccc's plugins are listed"});
        game.Order = GameData::ReadLoadOrder(game.Folder, lines ? &*lines : nullptr);
        game.Worldspaces = GameData::ListWorldspaces(game.Folder, game.Order);
        game.Problems.insert(game.Problems.end(), game.Order.Problems.begin(), game.Order.Problems.end());
        game.Problems.insert(game.Problems.end(), game.Worldspaces.Problems.begin(), game.Worldspaces.Problems.end());
        return game;
    }

    std::optional<InstalledGame> GameFor(const std::filesystem::path& enbseries, const GameOptions& options,
                                         std::string& error)
    {
        const auto folder = GameFolderOf(options.Game ? *options.Game : enbseries);
        if (!folder)
        {
            if (options.Game)
                error = GameData::Utf8Text(*options.Game) + " is no game folder: it has no Data folder";
            return std::nullopt;
        }
        return ReadInstalledGame(*folder, options.PluginsTxt, error, false);
    }

    std::optional<Configuration> OpenConfiguration(const std::filesystem::path& given, const GameOptions& options,
                                                   std::ostream& err)
    {
        std::string why;
        auto file = ConfigurationFile(given, why);
        if (file)
        {
            auto game = GameFor(file->parent_path(), options, why);
            if (why.empty())
                return Configuration{std::move(*file), std::move(game)};
        }
        err << "nimbrava-check: " << why << "\n";
        return std::nullopt;
    }

    std::string LoadOrderSource(const InstalledGame& game)
    {
        if (!game.PluginsTxt)
            return fmt::format("the game in {}, without Plugins.txt", GameData::Utf8Text(game.Folder.Folder()));
        std::string text = fmt::format("the game in {}, its load order from {}",
                                       GameData::Utf8Text(game.Folder.Folder()), GameData::Utf8Text(*game.PluginsTxt));
        for (const auto& other : game.OtherPluginsTxt)
            text += fmt::format(" (also found: {}; --plugins-txt chooses)", GameData::Utf8Text(other));
        return text;
    }

    std::string Describe(const GameData::Worldspace& worldspace)
    {
        return fmt::format("{} ({}{})", worldspace.EditorId, worldspace.Name ? *worldspace.Name + ", " : "",
                           worldspace.Plugin);
    }
} // namespace NimbravaCheck
