// The configuration check: the sections as the plugin tries them, then every problem.

#include <fmt/format.h>
#include "Choice/WeatherlistChoice.h"
#include "Choice/WeatherlistMessages.h"
#include "GameData/Text.h"
#include "Orvel/Ascii.h"
#include "checks/ConfigCheck.h"
#include "checks/InputError.h"
#include "checks/WorldspaceNames.h"
#include "commands/Inputs.h"
#include "commands/Reports.h"
#include "text/ProgramName.h"

namespace NimbravaCheck
{
    namespace
    {
        std::string IdsText(const WeatherlistSection& section)
        {
            if (section.Ids.empty())
                return section.IdsLine ? "no ID read" : "no WorldspaceIDs";
            return "IDs " + HexList(section.Ids);
        }

        // What an ID of a section names in the load order, for the line below the section's.
        std::string Names(std::uint32_t id, const std::vector<GameData::Worldspace>& matches)
        {
            if (id > Nimbrava::LargestWorldspaceId)
                return "never matches (above FFFFFF)";
            if (matches.empty())
                return "no worldspace of the load order";
            return Describe(matches, "; ");
        }

        void WriteText(const Configuration& config, const ConfigReport& report, const InstalledGame* game,
                       const GameCodePage& codePage, std::ostream& out)
        {
            out << GameData::Utf8Text(config.File) << "\n";
            if (report.AgainstGame)
                out << "Worldspaces of " << LoadOrderSource(*game) << "\n";
            out << (report.Sections.empty() ? "No weatherlist section.\n"
                                            : "Weatherlist sections, in the order the plugin tries them:\n");
            for (const auto& section : report.Sections)
            {
                const std::string file =
                    section.FileNameLine
                        ? fmt::format("'{}': {}", codePage.Show(section.ShownName), Describe(section.File.State))
                        : std::string("no FileName");
                out << fmt::format("  [{}] line {}: {} -> {}\n", section.Name(), section.Line, IdsText(section), file);
                for (std::size_t i = 0; i < section.Matches.size(); ++i)
                    out << fmt::format("      {:<7X} {}\n", section.Ids[i], Names(section.Ids[i], section.Matches[i]));
            }
            if (!report.Unlisted.empty())
            {
                out << fmt::format("Worldspaces that no section lists, which keep ENB's own _weatherlist.ini ({}):\n",
                                   report.Unlisted.size());
                for (const auto* worldspace : report.Unlisted)
                    out << fmt::format("      {:<7X} {}\n", Nimbrava::MaskWorldspaceId(worldspace->FormId),
                                       Describe(*worldspace));
            }
            WriteFindings(out, Information(report.Findings),
                          {.Heading = false, .Place = false, .Indent = "Note: ", .Code = false});
            WriteFindings(out, Problems(report.Findings));
        }

        // A line number, or null where there is none.
        Json LineOrNull(const std::optional<std::size_t>& line)
        {
            return line ? Json(*line) : Json();
        }

        Json ToJson(const Configuration& config, const ConfigReport& report, const InstalledGame* game,
                    const GameCodePage& codePage)
        {
            Json sections = Json::array();
            for (const auto& section : report.Sections)
            {
                Json& json = sections.emplace_back(
                    Json{{"name", section.Name()},
                         {"line", section.Line},
                         {"ids_line", LineOrNull(section.IdsLine)},
                         {"ids", section.Ids},
                         {"file_name_line", LineOrNull(section.FileNameLine)},
                         {"file_name", codePage.Show(section.ShownName)},
                         {"file", JsonName(section.File.State)},
                         {"path", section.File.Path.empty() ? Json() : Json(GameData::Utf8Text(section.File.Path))}});
                // Per ID, the worldspaces it names.
                if (game != nullptr)
                {
                    Json& matches = json["worldspaces"] = Json::array();
                    for (const auto& worldspaces : section.Matches)
                        matches.push_back(WorldspaceJson(worldspaces));
                }
            }
            Json warnings = Json::array();
            for (const auto& finding : Problems(report.Findings))
                warnings.push_back(ReportJson(finding));
            Json json = {{"file", GameData::Utf8Text(config.File)}, {"sections", sections}, {"warnings", warnings}};
            if (game != nullptr)
            {
                json["load_order"] = report.AgainstGame ? LoadOrderSource(*game) : "";
                json["unlisted"] = nullptr; // written by WriteJson, one by one
                json["information"] = Json::array();
                for (const auto& finding : Information(report.Findings))
                    json["information"].push_back(ReportJson(finding));
            }
            return json;
        }

        void Unreadable(const std::filesystem::path& file, const InputError& error, const Output& output)
        {
            std::error_code ignored;
            const auto folder = file.parent_path();
            std::string hint;
            if (std::filesystem::exists(folder / "enbseries" / "_nimbrava.ini", ignored))
                hint = " (this is the game folder: give its enbseries folder)";
            else if (!std::filesystem::exists(file, ignored) &&
                     Orvel::EqualIgnoringCase(GameData::Utf8Text(file.filename()), "_nimbrava.ini"))
                hint = fmt::format(" (a fresh install has none: {}write a starter with {} --init \"{}\")",
                                   std::filesystem::exists(folder / "_nimbrava.example.ini", ignored)
                                       ? "copy _nimbrava.example.ini there as _nimbrava.ini, or "
                                       : "",
                                   ProgramName(), GameData::Utf8Text(folder.empty() ? "." : folder));
            const std::string message = fmt::format("{}; the plugin logs \"{}\" in every worldspace{}", error.what(),
                                                    Nimbrava::Messages::LoadFailed, hint);
            if (output.Json)
                WriteJson(output.Out, {{"file", GameData::Utf8Text(file)}, {"error", message}});
            WriteError(output.Err, message);
        }
    } // namespace

    int RunConfiguration(const Request& request, const Output& output)
    {
        const auto file = ConfigurationFile(request.Target);
        const auto game = GameFor(file.parent_path(), request);
        const CheckContext context = ContextFor(request, game ? &*game : nullptr);
        try
        {
            const Configuration config = ReadConfiguration(file);
            const ConfigReport report = CheckConfiguration(config, context);
            // The worldspaces no section lists may be a hundred thousand: written one by one.
            if (output.Json && context.Game != nullptr)
                WriteJson(output.Out, ToJson(config, report, context.Game, request.CodePage), "unlisted",
                          report.Unlisted.size(), [&](std::size_t i) { return WorldspaceJson(*report.Unlisted[i]); });
            else if (output.Json)
                WriteJson(output.Out, ToJson(config, report, context.Game, request.CodePage));
            else
                WriteText(config, report, context.Game, request.CodePage, output.Out);
            return Problems(report.Findings).empty() ? ExitGood : ExitProblems;
        }
        catch (const InputError& error)
        {
            Unreadable(file, error, output);
            return ExitUnreadable;
        }
    }
} // namespace NimbravaCheck
