#include <algorithm>
#include <fmt/format.h>
#include "Commands.h"
#include "ConfigCheck.h"
#include "Json.h"
#include "Orvel/Exceptions.h"
#include "Choice/WeatherlistChoice.h"
#include "Choice/WeatherlistMessages.h"

namespace NimbravaCheck
{
    namespace
    {
        std::string IdsText(const SectionReport& section)
        {
            if (section.Ids.empty())
                return section.IdsLine ? "no ID read" : "no WorldspaceIDs";
            std::string text = "IDs";
            for (std::size_t i = 0; i < section.Ids.size(); ++i)
                text += fmt::format("{}{:X}", i == 0 ? " " : ", ", section.Ids[i]);
            return text;
        }

        std::string Location(const ConfigReport& report, std::size_t line)
        {
            return line == 0 ? report.File.string() : fmt::format("{}:{}", report.File.string(), line);
        }

        void WriteText(const ConfigReport& report, std::ostream& out)
        {
            out << report.File.string() << "\n";
            out << (report.Sections.empty() ? "No weatherlist section.\n"
                                            : "Weatherlist sections, in the order the plugin tries them:\n");
            for (const auto& section : report.Sections)
                out << fmt::format("  [WEATHERLIST{:02}] line {}: {} -> {}\n", section.Number, section.Line,
                                   IdsText(section),
                                   section.FileNameLine ? fmt::format("'{}': {}", Printable(section.ShownName),
                                                                      Describe(section.File.State))
                                                        : std::string("no FileName"));
            if (report.Warnings.empty())
            {
                out << "No problems found.\n";
                return;
            }
            out << fmt::format("{} problem{}:\n", report.Warnings.size(), report.Warnings.size() == 1 ? "" : "s");
            for (const auto& warning : report.Warnings)
                out << fmt::format("  {}: [{}] {}\n", Location(report, warning.Line), warning.Code, warning.Message);
        }

        template <typename Numbers>
        std::string JsonNumbers(const Numbers& numbers)
        {
            std::string text = "[";
            for (const auto number : numbers)
                text += fmt::format("{}{}", text.size() == 1 ? "" : ", ", number);
            return text + "]";
        }

        std::string JsonLine(const std::optional<std::size_t>& line)
        {
            return line ? std::to_string(*line) : "null";
        }

        void WriteJson(const ConfigReport& report, std::ostream& out)
        {
            out << "{\n  \"file\": " << JsonString(report.File.string()) << ",\n  \"sections\": [";
            for (std::size_t i = 0; i < report.Sections.size(); ++i)
            {
                const auto& section = report.Sections[i];
                out << (i == 0 ? "\n" : ",\n")
                    << fmt::format("    {{\"name\": \"WEATHERLIST{:02}\", \"line\": {}, \"ids_line\": {}, \"ids\": {}, "
                                   "\"file_name_line\": {}, \"file_name\": {}, \"file\": \"{}\", \"path\": {}}}",
                                   section.Number, section.Line, JsonLine(section.IdsLine), JsonNumbers(section.Ids),
                                   JsonLine(section.FileNameLine), JsonString(section.ShownName),
                                   JsonName(section.File.State),
                                   section.File.Path.empty() ? "null" : JsonString(section.File.Path.string()));
            }
            out << (report.Sections.empty() ? "],\n" : "\n  ],\n") << "  \"warnings\": [";
            for (std::size_t i = 0; i < report.Warnings.size(); ++i)
            {
                const auto& warning = report.Warnings[i];
                out << (i == 0 ? "\n" : ",\n")
                    << fmt::format("    {{\"line\": {}, \"code\": {}, \"message\": {}}}", warning.Line,
                                   JsonString(warning.Code), JsonString(warning.Message));
            }
            out << (report.Warnings.empty() ? "]\n}\n" : "\n  ]\n}\n");
        }

        void Unreadable(const std::filesystem::path& enbseries, const std::exception& error, const Output& output)
        {
            std::error_code ignored;
            const bool gameFolder = std::filesystem::exists(enbseries / "enbseries" / "_nimbrava.ini", ignored);
            const std::string message = fmt::format(
                "{}; the plugin logs \"{}\" in every worldspace{}", error.what(), Nimbrava::Messages::LoadFailed,
                gameFolder ? " (this is the game folder: give its enbseries folder)" : "");
            if (output.Json)
                output.Out << "{\n  \"file\": " << JsonString((enbseries / "_nimbrava.ini").string())
                           << ",\n  \"error\": " << JsonString(message) << "\n}\n";
            output.Err << "nimbrava-check: " << message << "\n";
        }

        struct LogLine
        {
            const char* Level;
            std::string Text;
        };

        struct Decision
        {
            std::uint32_t Id;
            Nimbrava::WeatherlistChoice Choice;
            std::optional<ResolvedFile> File;
            std::vector<LogLine> Log;
            std::string Note; // what could not be told here
            bool Problem = false;
        };

        // What the plugin does when ENB reports `id`: the same steps, the same log texts.
        Decision Decide(const std::filesystem::path& enbseries, const Orvel::IniInterface* document, std::uint32_t id)
        {
            Decision decision{id, {}, {}, {}, {}, false};
            if (id == 0)
            {
                decision.Log.push_back({"MESSAGE", Nimbrava::Messages::UndefinedWorldspace});
                decision.Note = "the plugin writes this at start-up; when ENB reports 0 later, it changes nothing";
                return decision;
            }
            const std::uint32_t masked = Nimbrava::MaskWorldspaceId(id);
            decision.Log.push_back(
                {"MESSAGE", fmt::format(fmt::runtime(Nimbrava::Messages::WorldspaceChanged), masked)});
            if (document == nullptr)
            {
                decision.Log.push_back({"ERROR", Nimbrava::Messages::LoadFailed});
                decision.Problem = true;
                return decision;
            }
            decision.Choice = Nimbrava::ChooseWeatherlist(*document, masked);
            if (!decision.Choice.Chosen())
                return decision;
            decision.File = ResolveFileName(enbseries, decision.Choice.ShownName);
            switch (decision.File->State)
            {
            case FileState::RegularFile:
                decision.Log.push_back(
                    {"MESSAGE", fmt::format(fmt::runtime(Nimbrava::Messages::Switching), decision.Choice.ShownName)});
                break;
            case FileState::BadText:
                decision.Log.push_back({"ERROR", Nimbrava::Messages::LoadFailed});
                decision.Problem = true;
                break;
            case FileState::NotCheckable:
                decision.Note = "whether the file exists cannot be told here: " + decision.File->Why;
                decision.Problem = true;
                break;
            default:
                decision.Log.push_back({"WARNING", fmt::format(fmt::runtime(Nimbrava::Messages::NotFound),
                                                               decision.Choice.ShownName, masked)});
                decision.Problem = true;
                break;
            }
            return decision;
        }

        std::string InForce(const std::filesystem::path& enbseries, const Decision& decision)
        {
            if (decision.File && decision.File->State == FileState::RegularFile)
                return decision.File->Path.string();
            return (enbseries / "_weatherlist.ini").string();
        }
    } // namespace

    int RunConfiguration(const std::filesystem::path& enbseries, const Output& output)
    {
        std::error_code error;
        if (!std::filesystem::is_directory(enbseries, error))
        {
            output.Err << "nimbrava-check: " << enbseries.string() << " is not a directory\n";
            return ExitUnreadable;
        }
        try
        {
            const ConfigReport report = CheckConfiguration(enbseries);
            if (output.Json)
                WriteJson(report, output.Out);
            else
                WriteText(report, output.Out);
            return report.Warnings.empty() ? ExitGood : ExitProblems;
        }
        catch (const Orvel::GenericException& failure)
        {
            Unreadable(enbseries, failure, output);
            return ExitUnreadable;
        }
    }

    int RunWorldspaces(const std::filesystem::path& enbseries, const std::vector<std::uint32_t>& ids,
                       const Output& output)
    {
        std::error_code error;
        if (!std::filesystem::is_directory(enbseries, error))
        {
            output.Err << "nimbrava-check: " << enbseries.string() << " is not a directory\n";
            return ExitUnreadable;
        }
        // The plugin reads the configuration only for a known worldspace, never for ID 0.
        const bool needed = std::ranges::any_of(ids, [](std::uint32_t id) { return id != 0; });
        std::optional<Orvel::IniInterface> document;
        try
        {
            if (needed)
                document.emplace(enbseries / "_nimbrava.ini");
        }
        catch (const Orvel::GenericException& failure)
        {
            output.Err << "nimbrava-check: " << failure.what() << "\n";
        }

        bool problem = false;
        output.Out << (output.Json ? "{\n  \"decisions\": [" : "");
        for (std::size_t i = 0; i < ids.size(); ++i)
        {
            const Decision decision = Decide(enbseries, document ? &*document : nullptr, ids[i]);
            problem = problem || decision.Problem;
            const std::uint32_t masked = Nimbrava::MaskWorldspaceId(decision.Id);
            if (output.Json)
            {
                std::string log;
                for (const auto& line : decision.Log)
                    log += fmt::format("{}{{\"level\": \"{}\", \"text\": {}}}", log.empty() ? "" : ", ", line.Level,
                                       JsonString(line.Text));
                output.Out << (i == 0 ? "\n" : ",\n")
                           << fmt::format("    {{\"id\": {}, \"masked\": {}, \"section\": {}, \"shown_name\": {}, "
                                          "\"file\": {}, \"in_force\": {}, \"log\": [{}]{}}}",
                                          decision.Id, masked,
                                          decision.Choice.Chosen()
                                              ? fmt::format("\"WEATHERLIST{:02}\"", decision.Choice.Section)
                                              : "null",
                                          decision.Choice.Chosen() ? JsonString(decision.Choice.ShownName) : "null",
                                          decision.File ? fmt::format("\"{}\"", JsonName(decision.File->State))
                                                        : "null",
                                          decision.File && decision.File->State == FileState::NotCheckable
                                              ? "null"
                                              : JsonString(InForce(enbseries, decision)),
                                          log, decision.Note.empty() ? "" : ", \"note\": " + JsonString(decision.Note));
                continue;
            }
            output.Out << fmt::format("Worldspace {:X} (the plugin compares {:X}): ", decision.Id, masked);
            if (!decision.Choice.Chosen())
                output.Out << "ENB's own _weatherlist.ini stays in force\n";
            else
                output.Out << fmt::format("[WEATHERLIST{:02}] names '{}', {}\n", decision.Choice.Section,
                                          decision.Choice.ShownName, Describe(decision.File->State));
            for (const auto& line : decision.Log)
                output.Out << fmt::format("  {:<9} {}\n", fmt::format("[{}]", line.Level), line.Text);
            if (!decision.Note.empty())
                output.Out << "  (" << decision.Note << ")\n";
            if (!decision.File || decision.File->State != FileState::NotCheckable)
                output.Out << "  in force: " << InForce(enbseries, decision) << "\n";
        }
        output.Out << (output.Json ? "\n  ]\n}\n" : "");
        if (needed && !document)
            return ExitUnreadable;
        return problem ? ExitProblems : ExitGood;
    }
} // namespace NimbravaCheck
