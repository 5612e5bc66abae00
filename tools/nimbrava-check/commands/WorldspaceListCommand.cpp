// --worldspaces: every worldspace of the player's load order, with the ID "_nimbrava.ini" lists it by.

#include <fmt/format.h>
#include "Choice/WeatherlistChoice.h"
#include "GameData/Text.h"
#include "checks/InputError.h"
#include "commands/Inputs.h"
#include "commands/Reports.h"
#include "text/Printable.h"

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
                out << fmt::format(
                    "  {:<7X}  {:08X}  {:<28}  {:<24}  {}{}\n", Nimbrava::MaskWorldspaceId(worldspace.FormId),
                    worldspace.FormId, PrintableText(worldspace.EditorId),
                    worldspace.Name ? PrintableText(*worldspace.Name) : "-", PrintableText(worldspace.Plugin),
                    worldspace.Light ? "  (light: the ID moves with the load order)" : "");
            if (game.Worldspaces.Worldspaces.empty())
                out << "  (none)\n";
            out << "The base game's names are inside its BSA archives, which this tool does not read: where no loose "
                   "string table names its worldspaces, they show the English edition's names.\n";
            for (const auto& finding : game.Problems)
                if (!finding.IsProblem())
                    out << "Note: " << finding.Text << "\n";
            WriteFindings(out, Problems(game.Problems), {.Place = false});
        }
    } // namespace

    int RunWorldspaceList(const Request& request, const Output& output)
    {
        const auto game = ReadGameFolder(request);
        const auto& worldspaces = game.Worldspaces.Worldspaces;
        if (output.Json)
            WriteJson(output.Out,
                      {{"game", GameData::Utf8Text(game.Folder.Folder())},
                       {"plugins_txt", game.PluginsTxt ? Json(GameData::Utf8Text(*game.PluginsTxt)) : Json()},
                       {"worldspaces", nullptr},
                       {"problems", ListJson(Problems(game.Problems), "text")},
                       {"information", ListJson(Information(game.Problems), "text")}},
                      "worldspaces", worldspaces.size(), [&](std::size_t i) { return WorldspaceJson(worldspaces[i]); });
        else
            WriteText(game, output.Out);
        return Problems(game.Problems).empty() ? ExitGood : ExitProblems;
    }
} // namespace NimbravaCheck
