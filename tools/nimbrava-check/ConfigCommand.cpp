#include <fmt/format.h>
#include "Choice/WeatherlistMessages.h"
#include "Commands.h"
#include "ConfigCheck.h"
#include "Json.h"
#include "Orvel/Exceptions.h"

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
            {
                const std::string file = section.FileNameLine ? fmt::format("'{}': {}", Printable(section.ShownName),
                                                                            Describe(section.File.State))
                                                              : std::string("no FileName");
                out << fmt::format("  [WEATHERLIST{:02}] line {}: {} -> {}\n", section.Number, section.Line,
                                   IdsText(section), file);
            }
            if (report.Warnings.empty())
            {
                out << "No problems found.\n";
                return;
            }
            out << fmt::format("{} problem{}:\n", report.Warnings.size(), report.Warnings.size() == 1 ? "" : "s");
            for (const auto& warning : report.Warnings)
                out << fmt::format("  {}: [{}] {}\n", Location(report, warning.Line), warning.Code, warning.Message);
        }

        // A line number, or null where there is none.
        Json LineOrNull(const std::optional<std::size_t>& line)
        {
            return line ? Json(*line) : Json();
        }

        Json ToJson(const ConfigReport& report)
        {
            Json sections = Json::array();
            for (const auto& section : report.Sections)
                sections.push_back({{"name", fmt::format("WEATHERLIST{:02}", section.Number)},
                                    {"line", section.Line},
                                    {"ids_line", LineOrNull(section.IdsLine)},
                                    {"ids", section.Ids},
                                    {"file_name_line", LineOrNull(section.FileNameLine)},
                                    {"file_name", section.ShownName},
                                    {"file", JsonName(section.File.State)},
                                    {"path", section.File.Path.empty() ? Json() : Json(section.File.Path.string())}});
            Json warnings = Json::array();
            for (const auto& warning : report.Warnings)
                warnings.push_back({{"line", warning.Line}, {"code", warning.Code}, {"message", warning.Message}});
            return {{"file", report.File.string()}, {"sections", sections}, {"warnings", warnings}};
        }

        void Unreadable(const std::filesystem::path& enbseries, const std::exception& error, const Output& output)
        {
            std::error_code ignored;
            const bool gameFolder = std::filesystem::exists(enbseries / "enbseries" / "_nimbrava.ini", ignored);
            const std::string message = fmt::format(
                "{}; the plugin logs \"{}\" in every worldspace{}", error.what(), Nimbrava::Messages::LoadFailed,
                gameFolder ? " (this is the game folder: give its enbseries folder)" : "");
            if (output.Json)
                WriteJson(output.Out, {{"file", (enbseries / "_nimbrava.ini").string()}, {"error", message}});
            output.Err << "nimbrava-check: " << message << "\n";
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
                WriteJson(output.Out, ToJson(report));
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
} // namespace NimbravaCheck
