// --walk: a walk through worldspaces from the game's start, step by step: the lines the plugin logs
// and the weather list ENB reads.

#include <algorithm>
#include <fmt/format.h>
#include "Choice/WeatherlistChoice.h"
#include "GameData/Text.h"
#include "checks/Walk.h"
#include "checks/WindowsPath.h"
#include "checks/WorldspaceNames.h"
#include "commands/Inputs.h"
#include "commands/PlayerFolder.h"
#include "commands/Reports.h"
#include "text/Printable.h"

namespace NimbravaCheck
{
    namespace
    {
        // Before each log line and note of a step.
        constexpr std::string_view Indent = "        ";

        // A weather list as the demo names the file ENB read: under enbseries ("lists/a.ini"), or
        // whole; '/' between names.
        std::string Shown(const std::filesystem::path& file, const std::filesystem::path& enbseries)
        {
            std::string text = GameData::Utf8Text(UnderEnbseries(file, enbseries));
            std::ranges::replace(text, static_cast<char>(std::filesystem::path::preferred_separator), '/');
            return PrintableText(text);
        }

        std::string InForce(const WalkStep& step, const std::filesystem::path& enbseries)
        {
            return step.InForce ? Shown(*step.InForce, enbseries) : std::string("?");
        }

        void WriteStep(std::size_t number, const WalkStep& step, const std::filesystem::path& enbseries,
                       const GameCodePage& codePage, std::ostream& out)
        {
            out << fmt::format("{:5}  {:>10X}  {}\n", number, step.Id, step.Change ? InForce(step, enbseries) : "-");
            if (!step.Change)
            {
                out << fmt::format("{}({}: the plugin logs nothing, and {} stays in force)\n", Indent,
                                   step.Id == 0 ? "0, the player is in no worldspace"
                                                : "the worldspace of the last change",
                                   InForce(step, enbseries));
                return;
            }
            for (const auto& line : step.Change->Outcome.Lines)
                out << Indent << LogLineText(line, codePage) << "\n";
            if (!step.Change->Named.empty())
                out << Indent << "(" << Describe(step.Change->Named, "; ") << ")\n";
            if (!step.Change->Note.empty())
                out << Indent << "(" << step.Change->Note << ")\n";
        }

        void WriteText(const Walk& walk, const std::filesystem::path& enbseries, const GameCodePage& codePage,
                       std::ostream& out)
        {
            out << "A walk from the game's start, each worldspace as ENB reports it (ENB reloads whenever the "
                   "plugin asks):\n";
            out << fmt::format("At start-up {} is in force, and the plugin logs\n",
                               Shown(enbseries / "_weatherlist.ini", enbseries));
            for (const auto& line : walk.Start.Outcome.Lines)
                out << Indent << LogLineText(line, codePage) << "\n";
            out << " step  worldspace  weather list ENB reads, under enbseries (-: no reload)\n";
            std::vector<std::string> problems;
            for (std::size_t i = 0; i < walk.Steps.size(); ++i)
            {
                const WalkStep& step = walk.Steps[i];
                WriteStep(i + 1, step, enbseries, codePage, out);
                if (step.Change && step.Change->Problem)
                    problems.push_back(fmt::format("{} ({:X})", i + 1, step.Id));
            }
            if (!problems.empty())
                out << fmt::format("\nSteps that log a Warning or Error line, or whose file cannot be checked here: "
                                   "{}; --worldspace ID tells why.\n",
                                   fmt::join(problems, ", "));
        }

        Json ToJson(const Walk& walk, const std::filesystem::path& enbseries, const GameCodePage& codePage)
        {
            Json steps = Json::array();
            for (const auto& step : walk.Steps)
            {
                Json& json = steps.emplace_back(
                    Json{{"id", step.Id},
                         {"masked", Nimbrava::MaskWorldspaceId(step.Id)},
                         {"change", step.Change.has_value()},
                         {"log", LogJson(step.Change ? step.Change->Outcome.Lines : std::vector<Nimbrava::LogLine>{},
                                         codePage)},
                         {"in_force", step.InForce ? Json(Shown(*step.InForce, enbseries)) : Json()}});
                if (step.Change && !step.Change->Note.empty())
                    json["note"] = step.Change->Note;
                if (step.Change && !step.Change->Named.empty())
                    json["worldspaces"] = WorldspaceJson(step.Change->Named);
            }
            return {{"start",
                     {{"log", LogJson(walk.Start.Outcome.Lines, codePage)},
                      {"in_force", Shown(enbseries / "_weatherlist.ini", enbseries)}}},
                    {"steps", steps}};
        }
    } // namespace

    int RunWalk(const Request& request, const Output& output)
    {
        const PlayerFolder folder(request, output);
        const Walk walk = WalkThrough(folder.Inputs(), folder.Ids());
        const auto& enbseries = folder.Inputs().Enbseries;
        if (output.Json)
            WriteJson(output.Out, ToJson(walk, enbseries, request.CodePage));
        else
        {
            if (folder.Game() != nullptr)
                output.Out << "Worldspaces of " << LoadOrderSource(*folder.Game()) << "\n";
            WriteText(walk, enbseries, request.CodePage, output.Out);
        }
        if (folder.Unreadable())
            return ExitUnreadable;
        const bool problem =
            std::ranges::any_of(walk.Steps, [](const WalkStep& step) { return step.Change && step.Change->Problem; });
        return problem ? ExitProblems : ExitGood;
    }
} // namespace NimbravaCheck
