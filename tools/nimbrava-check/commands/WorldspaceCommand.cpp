// --worldspace: what the plugin does when ENB reports each ID, and why.

#include <algorithm>
#include <fmt/format.h>
#include "Choice/WeatherlistChoice.h"
#include "GameData/Text.h"
#include "checks/Decision.h"
#include "checks/WorldspaceNames.h"
#include "commands/Inputs.h"
#include "commands/PlayerFolder.h"
#include "commands/Reports.h"
#include "text/Printable.h"

namespace NimbravaCheck
{
    namespace
    {
        // The sections of the list in force that give a weather: "[WEATHER003] 'Weather/storm.ini'", "in
        // no section", or each of two and that which one ENB takes is not documented.
        std::string SectionText(const std::vector<const WeatherSection*>& sections, const GameCodePage& codePage)
        {
            if (sections.empty())
                return "in no section";
            std::string text;
            for (const auto* section : sections)
                text += fmt::format("{}[{}] '{}'", text.empty() ? "" : " and ", codePage.Show(section->Name),
                                    codePage.Show(section->FileName.value_or("")));
            return sections.size() == 1 ? text : text + " (which one ENB takes is not documented)";
        }

        // What each worldspace of the ID can show, and the sections of the list in force that give it.
        void WriteCoverage(const Decision& decision, const WeatherNames& names, const GameCodePage& codePage,
                           std::ostream& out)
        {
            for (const auto& coverage : decision.Coverage)
            {
                const auto& sky = *coverage.Sky;
                out << fmt::format("  Weathers {} can show, and the sections of {} that give them (one in no section "
                                   "gets enbseries.ini's values, as far as can be inferred):\n",
                                   PrintableText(sky.EditorId),
                                   PrintableText(GameData::Utf8Text(coverage.List->File.filename())));
                if (!sky.ShowsSky())
                    out << "    (none shows a sky here: the worldspace has no sky of its own)\n";
                for (const auto& weather : coverage.Weathers)
                    out << fmt::format("    {:<7}  {:<28}  {:<14}  {}; {}\n", ListedId(weather.Weather->FormId),
                                       PrintableText(weather.Weather->EditorId),
                                       ClassificationText(weather.Weather->Classification),
                                       names.Sources(weather.Sources), SectionText(weather.Sections, codePage));
            }
            if (!decision.Coverage.empty())
                out << "  Note: " << Word<Code::ForcedWeathers>() << "\n";
        }

        Json CoverageJson(const Decision& decision, const WeatherNames& names, const GameCodePage& codePage)
        {
            Json json = Json::array();
            for (const auto& coverage : decision.Coverage)
            {
                Json weathers = Json::array();
                for (const auto& weather : coverage.Weathers)
                {
                    Json sources = Json::array();
                    for (const auto& source : weather.Sources)
                        sources.push_back(source ? names.RegionName(*source) : "climate");
                    // Every section that lists it: of two or more, which one ENB takes is not documented.
                    Json sections = Json::array();
                    for (const auto* section : weather.Sections)
                        sections.push_back({{"section", codePage.Show(section->Name)},
                                            {"file_name", codePage.Show(section->FileName.value_or(""))}});
                    weathers.push_back(
                        {{"id", ListedId(weather.Weather->FormId)},
                         {"editor_id", weather.Weather->EditorId},
                         {"classification", GameData::ClassificationNames(weather.Weather->Classification)},
                         {"sources", sources},
                         {"sections", sections}});
                }
                json.push_back({{"form_id", fmt::format("{:08X}", coverage.Sky->FormId)},
                                {"editor_id", coverage.Sky->EditorId},
                                {"list", GameData::Utf8Text(coverage.List->File)},
                                {"sky", coverage.Sky->ShowsSky()},
                                {"weathers", weathers}});
            }
            return json;
        }

        void WriteText(const Decision& decision, const WeatherNames& names, const GameCodePage& codePage,
                       std::ostream& out)
        {
            const auto& choice = decision.Outcome.Choice;
            const std::string named = decision.Named.empty() ? "" : ", " + Describe(decision.Named, "; ");
            out << fmt::format("Worldspace {:X} (the plugin compares {:X}{}): ", decision.Id,
                               Nimbrava::MaskWorldspaceId(decision.Id), named);
            if (decision.Id == 0)
                out << "no change\n";
            else if (!choice.Chosen())
                out << "no section takes it, ENB's own _weatherlist.ini stays in force\n";
            else
                out << fmt::format("[{}] names '{}', {}\n", Nimbrava::WeatherlistSectionName(choice.Section).View(),
                                   codePage.Show(choice.ShownName), Describe(decision.File->State));
            for (const auto& line : decision.Outcome.Lines)
                out << "  " << LogLineText(line, codePage) << "\n";
            if (!decision.Note.empty())
                out << "  (" << decision.Note << ")\n";
            if (decision.InForce)
                out << "  in force: " << PrintableText(GameData::Utf8Text(*decision.InForce)) << "\n";
            if (decision.Id != 0 && !choice.Chosen() && decision.Why.empty())
                out << "  No line of the file lists it.\n";
            else if (decision.Id != 0 && !choice.Chosen() && decision.Why.front().Line == 0)
                out << "  Why not:\n";
            else if (decision.Id != 0 && !choice.Chosen())
                out << "  Why not: these lines look as if they meant it:\n";
            else if (!decision.Why.empty())
                out << "  Why:\n";
            for (const auto& reason : decision.Why)
            {
                if (reason.Line == 0)
                    out << "    the whole file:\n";
                else
                    out << fmt::format("    line {}: {}\n", reason.Line, reason.Text);
                WriteFindings(out, reason.Findings, {.Heading = false, .Place = false, .Indent = "      "});
            }
            if (!decision.Related.empty())
            {
                out << "  The full check finds about this ID:\n";
                WriteFindings(out, decision.Related, {.Heading = false, .Indent = "    "});
            }
            WriteCoverage(decision, names, codePage, out);
        }

        Json ToJson(const Decision& decision, const WeatherNames& names, const GameCodePage& codePage)
        {
            const auto& choice = decision.Outcome.Choice;
            Json json = {
                {"id", decision.Id},
                {"masked", Nimbrava::MaskWorldspaceId(decision.Id)},
                {"section", choice.Chosen() ? Json(Nimbrava::WeatherlistSectionName(choice.Section).View()) : Json()},
                {"shown_name", choice.Chosen() ? Json(codePage.Show(choice.ShownName)) : Json()},
                {"file", decision.File ? Json(JsonName(decision.File->State)) : Json()},
                {"in_force", decision.InForce ? Json(GameData::Utf8Text(*decision.InForce)) : Json()},
                {"log", LogJson(decision.Outcome.Lines, codePage)}};
            if (!decision.Note.empty())
                json["note"] = decision.Note;
            Json& why = json["why"] = Json::array();
            for (const auto& reason : decision.Why)
                why.push_back(
                    {{"line", reason.Line}, {"text", reason.Text}, {"problems", ListJson(reason.Findings, "message")}});
            if (!decision.Named.empty())
                json["worldspaces"] = WorldspaceJson(decision.Named);
            json["related"] = Json::array();
            for (const auto& finding : decision.Related)
                json["related"].push_back(ReportJson(finding));
            if (!decision.Coverage.empty())
                json["coverage"] = CoverageJson(decision, names, codePage);
            return json;
        }
    } // namespace

    int RunWorldspaces(const Request& request, const Output& output)
    {
        const PlayerFolder folder(request, output);
        if (folder.Game() != nullptr && !output.Json)
            output.Out << "Worldspaces of " << LoadOrderSource(*folder.Game()) << "\n";
        bool problem = false;
        Json decisions = Json::array();
        const GameData::GameWeathers none;
        const WeatherNames names(folder.Game() != nullptr ? folder.Game()->Weathers : none);
        for (const std::uint32_t id : folder.Ids())
        {
            const Decision decision = Decide(folder.Inputs(), id);
            problem = problem || decision.Problem;
            if (output.Json)
                decisions.push_back(ToJson(decision, names, request.CodePage));
            else
                WriteText(decision, names, request.CodePage, output.Out);
        }
        if (output.Json)
            WriteJson(output.Out, {{"decisions", decisions}});
        if (folder.Unreadable())
            return ExitUnreadable;
        return problem ? ExitProblems : ExitGood;
    }
} // namespace NimbravaCheck
