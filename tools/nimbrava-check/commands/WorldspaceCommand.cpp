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
        void WriteText(const Decision& decision, const GameCodePage& codePage, std::ostream& out)
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
        }

        Json ToJson(const Decision& decision, const GameCodePage& codePage)
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
        for (const std::uint32_t id : folder.Ids())
        {
            const Decision decision = Decide(folder.Inputs(), id);
            problem = problem || decision.Problem;
            if (output.Json)
                decisions.push_back(ToJson(decision, request.CodePage));
            else
                WriteText(decision, request.CodePage, output.Out);
        }
        if (output.Json)
            WriteJson(output.Out, {{"decisions", decisions}});
        if (folder.Unreadable())
            return ExitUnreadable;
        return problem ? ExitProblems : ExitGood;
    }
} // namespace NimbravaCheck
