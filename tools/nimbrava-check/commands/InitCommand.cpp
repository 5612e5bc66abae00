// --init: a commented starter "_nimbrava.ini" made from the player's load order.

#include <algorithm>
#include <fmt/format.h>
#include <fstream>
#include <map>
#include <unordered_map>
#include "Choice/WeatherlistChoice.h"
#include "GameData/Text.h"
#include "checks/InputError.h"
#include "checks/WeatherCoverage.h"
#include "commands/Inputs.h"
#include "commands/Reports.h"
#include "text/ProgramName.h"

namespace NimbravaCheck
{
    namespace
    {
        constexpr std::uint32_t Tamriel = 0x3C;

        constexpr std::string_view Explanation =
            R"(; _nimbrava.ini: which ENB weather list each worldspace gets (Nimbrava).
;
; A section [WEATHERLIST01] to [WEATHERLIST99] (upper case, exactly two digits) gives the worldspaces
; its WorldspaceIDs lists the weather list its FileName names, relative to this enbseries folder. IDs
; are hexadecimal and separated by commas; only the low six digits of a worldspace's form ID count.
; When several sections list a worldspace, the lowest number wins. A worldspace that no section lists
; keeps ENB's own _weatherlist.ini. The plugin reads this file afresh whenever you enter another
; worldspace. Check it with: nimbrava-check enbseries
;
)";

        // Text for a comment of this file: plain ASCII, which every editor saves as the plugin reads
        // it; other characters, and the control characters, as '?'.
        std::string Ascii(std::string_view utf8)
        {
            std::string text;
            for (std::size_t at = 0; at < utf8.size(); ++at)
            {
                const auto byte = static_cast<unsigned char>(utf8[at]);
                if (byte < 0x80)
                    text.push_back(byte < 0x20 || byte == 0x7F ? '?' : static_cast<char>(byte));
                else if ((byte & 0xC0) != 0x80) // the first byte of a character
                    text.push_back('?');
            }
            return text;
        }

        // Comment lines of the weathers `sky` can show, grouped by classification (unclassified last),
        // each "ID EDITORID", "(light)" after a light plugin's, wrapped before 100 columns.
        std::string WeatherLines(const GameData::WorldspaceSky& sky, const WeatherNames& names)
        {
            if (!sky.ShowsSky())
                return ";     (no sky of its own: the weathers its records name show none here)\n";
            std::map<unsigned, std::vector<const GameData::Weather*>> groups; // unclassified (0) as 256: last
            for (const auto& weather : Coverage(sky, {}, names))
            {
                const unsigned flags = weather.Weather->Classification & GameData::WeatherClassifications;
                groups[flags == 0 ? 256u : flags].push_back(weather.Weather);
            }
            std::string text;
            for (const auto& [classification, weathers] : groups)
            {
                std::string line = ";     " + ClassificationText(weathers.front()->Classification) + ":";
                for (std::size_t i = 0; i < weathers.size(); ++i)
                {
                    const std::string item =
                        fmt::format(" {} {}{}{}", ListedId(weathers[i]->FormId), Ascii(weathers[i]->EditorId),
                                    weathers[i]->Light ? " (light)" : "", i + 1 < weathers.size() ? "," : "");
                    if (line.size() + item.size() > 100)
                    {
                        text += line + "\n";
                        line = ";      ";
                    }
                    line += item;
                }
                text += line + "\n";
            }
            return text;
        }

        std::string Starter(const InstalledGame& game)
        {
            const auto& worldspaces = game.Worldspaces.Worldspaces;
            std::string text(Explanation);
            text += "; The worldspaces of your load order: ID, editor ID, name, and the plugin that adds it.\n";
            text +=
                "; An ID marked (light) changes when light plugins before its plugin come or go; one marked\n"
                "; (also ...) is the ID of other worldspaces too, which a section that lists it gives the same list.\n"
                "; Under a worldspace, the weathers its climate and weather regions can pick, by classification,\n"
                "; each by the ID a weather list writes it with: the list you give it should cover them. Quests\n"
                "; and scripts force further weathers that no reading of the game's files finds.\n";
            const WeatherNames names(game.Weathers);
            std::unordered_map<std::uint32_t, const GameData::WorldspaceSky*> skies;
            for (const auto& sky : game.Weathers.Worldspaces)
                skies.emplace(sky.FormId, &sky);
            std::map<std::uint32_t, std::vector<const GameData::Worldspace*>> byId;
            for (const auto& worldspace : worldspaces)
                byId[Nimbrava::MaskWorldspaceId(worldspace.FormId)].push_back(&worldspace);
            for (const auto& worldspace : worldspaces)
            {
                const std::uint32_t id = Nimbrava::MaskWorldspaceId(worldspace.FormId);
                std::string also;
                for (const auto* other : byId[id])
                    if (other != &worldspace)
                        also += fmt::format("{}{}, {}", also.empty() ? " (also " : "; ", Ascii(other->EditorId),
                                            Ascii(other->Plugin));
                text += fmt::format("; {:X}  {}  {}  ({}){}{}\n", id, Ascii(worldspace.EditorId),
                                    Ascii(worldspace.Name.value_or("-")), Ascii(worldspace.Plugin),
                                    worldspace.Light ? " (light)" : "", also.empty() ? "" : also + ")");
                if (const auto sky = skies.find(worldspace.FormId);
                    sky != skies.end() && !sky->second->Weathers.empty())
                    text += WeatherLines(*sky->second, names);
            }
            if (worldspaces.empty())
                text += "; (none found)\n";

            // One section to start from: Tamriel, or the first worldspace there is, with ENB's own list,
            // so that nothing changes until FileName names another.
            const auto tamriel = std::ranges::find_if(worldspaces, [](const GameData::Worldspace& worldspace) {
                return Nimbrava::MaskWorldspaceId(worldspace.FormId) == Tamriel;
            });
            const auto* example = tamriel != worldspaces.end() ? &*tamriel
                                  : worldspaces.empty()        ? nullptr
                                                               : &worldspaces.front();
            text += fmt::format("\n[{}]\n", Nimbrava::WeatherlistSectionName(1).View());
            text += fmt::format("{}={:X}{}\n", Nimbrava::IdsKey,
                                example != nullptr ? Nimbrava::MaskWorldspaceId(example->FormId) : Tamriel,
                                example != nullptr ? "            ; " + Ascii(example->EditorId) : "");
            text +=
                fmt::format("{}=_weatherlist.ini    ; ENB's own list: name another file here\n", Nimbrava::FileNameKey);
            // Notepad's line ends.
            std::string crlf;
            for (const char c : text)
                crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
            return crlf;
        }
    } // namespace

    int RunInit(const Request& request, const Output& output)
    {
        const auto& enbseries = request.Target;
        const auto file = enbseries / "_nimbrava.ini";
        std::error_code error;
        if (!std::filesystem::is_directory(enbseries, error))
            throw InputError(GameData::Utf8Text(enbseries) + " is not a directory");
        if (std::filesystem::exists(std::filesystem::symlink_status(file, error)))
            throw InputError(GameData::Utf8Text(file) + " exists already; --init changes nothing");
        const auto game = GameFor(enbseries, request);
        if (!game)
            throw InputError("--init lists the worldspaces of the game, whose Data folder it finds beside the "
                             "enbseries folder or with --game GAME_FOLDER; neither is there");
        const std::string text = Starter(*game);
        std::ofstream stream(file, std::ios::binary);
        if (!stream.write(text.data(), static_cast<std::streamsize>(text.size())) || !stream.flush())
            throw InputError(GameData::Utf8Text(file) + " cannot be written");
        output.Out << fmt::format("Wrote {} with the {} worldspaces of the load order. Check it with: "
                                  "{} {}\n",
                                  GameData::Utf8Text(file), game->Worldspaces.Worldspaces.size(), ProgramName(),
                                  GameData::Utf8Text(enbseries));
        // The file is written: what the load order has wrong is for the player to know, not a failure.
        WriteFindings(output.Out, game->Problems, {.Heading = false, .Place = false});
        return ExitGood;
    }
} // namespace NimbravaCheck
