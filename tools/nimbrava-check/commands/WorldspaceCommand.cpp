// --worldspace: what the plugin does when ENB reports each ID, and why.

#include <algorithm>
#include <fmt/format.h>
#include "Choice/WeatherlistChoice.h"
#include "GameData/Text.h"
#include "checks/Decision.h"
#include "checks/InputError.h"
#include "checks/WorldspaceNames.h"
#include "commands/Inputs.h"
#include "commands/Reports.h"
#include "text/Printable.h"

namespace NimbravaCheck
{
    namespace
    {
        // "MESSAGE", "WARNING", ... as the log's tag names the level.
        std::string_view LevelName(Orvel::LogLevel level)
        {
            std::string_view tag = Orvel::LevelTag(level);
            tag.remove_prefix(std::min(tag.find_first_not_of(" ["), tag.size()));
            return tag.substr(0, tag.find(']'));
        }

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
                out << fmt::format("  {:<9} {}\n", fmt::format("[{}]", LevelName(line.Level)),
                                   codePage.Show(line.Text));
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
        }

        Json ToJson(const Decision& decision, const GameCodePage& codePage)
        {
            const auto& choice = decision.Outcome.Choice;
            Json log = Json::array();
            for (const auto& line : decision.Outcome.Lines)
                log.push_back({{"level", LevelName(line.Level)}, {"text", codePage.Show(line.Text)}});
            Json json = {
                {"id", decision.Id},
                {"masked", Nimbrava::MaskWorldspaceId(decision.Id)},
                {"section", choice.Chosen() ? Json(Nimbrava::WeatherlistSectionName(choice.Section).View()) : Json()},
                {"shown_name", choice.Chosen() ? Json(codePage.Show(choice.ShownName)) : Json()},
                {"file", decision.File ? Json(JsonName(decision.File->State)) : Json()},
                {"in_force", decision.InForce ? Json(GameData::Utf8Text(*decision.InForce)) : Json()},
                {"log", log}};
            if (!decision.Note.empty())
                json["note"] = decision.Note;
            Json& why = json["why"] = Json::array();
            for (const auto& reason : decision.Why)
                why.push_back(
                    {{"line", reason.Line}, {"text", reason.Text}, {"problems", ListJson(reason.Findings, "message")}});
            if (!decision.Named.empty())
                json["worldspaces"] = WorldspaceJson(decision.Named);
            return json;
        }
    } // namespace

    int RunWorldspaces(const Request& request, const Output& output)
    {
        const auto file = ConfigurationFile(request.Target);
        const auto game = GameFor(file.parent_path(), request);
        const CheckContext context = ContextFor(request, game ? &*game : nullptr);
        std::vector<std::uint32_t> ids;
        for (const auto& text : request.Worldspaces)
            ids.push_back(ResolveWorldspace(text, game ? &game->Worldspaces.Worldspaces : nullptr));

        // The plugin reads the configuration only for a known worldspace, never for ID 0.
        const bool needed = std::ranges::any_of(ids, [](std::uint32_t id) { return id != 0; });
        std::optional<Configuration> config;
        DecisionInputs inputs{file.parent_path(), nullptr, nullptr, nullptr, context};
        try
        {
            if (needed)
                config = ReadConfiguration(file);
        }
        catch (const InputError& failure)
        {
            inputs.LoadFailure = std::current_exception();
            WriteError(output.Err, failure.what());
        }

        if (game && !output.Json)
            output.Out << "Worldspaces of " << LoadOrderSource(*game) << "\n";
        // What the configuration check says, for the reasons behind each decision.
        std::optional<ConfigReport> report;
        if (config)
        {
            report = CheckConfiguration(*config, context);
            inputs.Config = &*config;
            inputs.Report = &*report;
        }
        bool problem = false;
        Json decisions = Json::array();
        for (const std::uint32_t id : ids)
        {
            const Decision decision = Decide(inputs, id);
            problem = problem || decision.Problem;
            if (output.Json)
                decisions.push_back(ToJson(decision, request.CodePage));
            else
                WriteText(decision, request.CodePage, output.Out);
        }
        if (output.Json)
            WriteJson(output.Out, {{"decisions", decisions}});
        if (needed && !config)
            return ExitUnreadable;
        return problem ? ExitProblems : ExitGood;
    }
} // namespace NimbravaCheck
