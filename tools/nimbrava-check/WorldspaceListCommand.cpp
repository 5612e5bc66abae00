// --worldspaces: every worldspace of the player's load order, with the ID "_nimbrava.ini" lists it by.

#include <fmt/format.h>
#include "Commands.h"
#include "GameData/Text.h"
#include "InstalledGame.h"
#include "Json.h"

namespace NimbravaCheck
{
    namespace
    {
        void WriteText(const InstalledGame& game, std::ostream& out)
        {
            out << fmt::format("Worldspaces of the load order of {}{}:\n", GameData::Utf8Text(game.Folder.Folder()),
                               game.PluginsTxt ? " (" + GameData::Utf8Text(*game.PluginsTxt) + ")" : "");
            out << fmt::format("  {:<7}  {:<8}  {:<28}  {:<24}  {}\n", "ID", "form ID", "editor ID", "name", "plugin");
            for (const auto& worldspace : game.Worldspaces.Worldspaces)
                out << fmt::format("  {:<7X}  {:08X}  {:<28}  {:<24}  {}{}\n", worldspace.MaskedId(), worldspace.FormId,
                                   worldspace.EditorId, worldspace.Name.value_or("-"), worldspace.Plugin,
                                   worldspace.Light ? "  (light: the ID moves with the load order)" : "");
            if (game.Worldspaces.Worldspaces.empty())
                out << "  (none)\n";
            out << "The base game's names are inside its BSA archives, which this tool does not read: its "
                   "worldspaces show their editor IDs only.\n";
            if (game.Problems.empty())
            {
                out << "No problems found.\n";
                return;
            }
            out << fmt::format("{} problem{}:\n", game.Problems.size(), game.Problems.size() == 1 ? "" : "s");
            for (const auto& problem : game.Problems)
                out << fmt::format("  [{}] {}\n", problem.Code, problem.Text);
        }
    } // namespace

    Json ToJson(const GameData::Worldspace& worldspace)
    {
        return {{"id", fmt::format("{:X}", worldspace.MaskedId())},
                {"form_id", fmt::format("{:08X}", worldspace.FormId)},
                {"editor_id", worldspace.EditorId},
                {"name", worldspace.Name ? Json(*worldspace.Name) : Json()},
                {"plugin", worldspace.Plugin},
                {"light", worldspace.Light}};
    }

    Json ToJson(const std::vector<GameData::Problem>& problems)
    {
        Json json = Json::array();
        for (const auto& problem : problems)
            json.push_back({{"code", problem.Code}, {"text", problem.Text}});
        return json;
    }

    int RunWorldspaceList(const std::filesystem::path& folder, const std::optional<std::filesystem::path>& pluginsTxt,
                          const Output& output)
    {
        const auto gameFolder = GameFolderOf(folder);
        if (!gameFolder)
        {
            output.Err << "nimbrava-check: " << GameData::Utf8Text(folder)
                       << " is no game folder: it has no Data folder, nor has the folder above it\n";
            return ExitUnreadable;
        }
        std::string why;
        const auto game = ReadInstalledGame(*gameFolder, pluginsTxt, why);
        if (!game)
        {
            output.Err << "nimbrava-check: " << why << "\n";
            return ExitUnreadable;
        }
        if (output.Json)
        {
            Json worldspaces = Json::array();
            for (const auto& worldspace : game->Worldspaces.Worldspaces)
                worldspaces.push_back(ToJson(worldspace));
            WriteJson(output.Out,
                      {{"game", GameData::Utf8Text(*gameFolder)},
                       {"plugins_txt", game->PluginsTxt ? Json(GameData::Utf8Text(*game->PluginsTxt)) : Json()},
                       {"worldspaces", worldspaces},
                       {"problems", ToJson(game->Problems)}});
        }
        else
            WriteText(*game, output.Out);
        return game->Problems.empty() ? ExitGood : ExitProblems;
    }
} // namespace NimbravaCheck
