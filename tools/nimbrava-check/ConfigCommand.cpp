#include <fmt/format.h>
#include "Choice/WeatherlistMessages.h"
#include "Commands.h"
#include "ConfigCheck.h"
#include "GameData/Text.h"
#include "InstalledGame.h"
#include "Json.h"
#include "Orvel/Ascii.h"
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

        std::string Location(const ConfigReport& report, const Warning& warning)
        {
            if (warning.LoadOrder)
                return "load order";
            return warning.Line == 0 ? GameData::Utf8Text(report.File)
                                     : fmt::format("{}:{}", GameData::Utf8Text(report.File), warning.Line);
        }

        // What an ID of a section names in the load order, for the line below the section's.
        std::string Names(std::uint32_t id, const std::vector<GameData::Worldspace>& matches)
        {
            if (id > 0xFFFFFFu)
                return "never matches (above FFFFFF)";
            if (matches.empty())
                return "no worldspace of the load order";
            std::string text;
            for (const auto& worldspace : matches)
                text += (text.empty() ? "" : "; ") + Describe(worldspace);
            return text;
        }

        void WriteText(const ConfigReport& report, std::ostream& out)
        {
            out << GameData::Utf8Text(report.File) << "\n";
            if (!report.LoadOrder.empty())
                out << "Worldspaces of " << report.LoadOrder << "\n";
            out << (report.Sections.empty() ? "No weatherlist section.\n"
                                            : "Weatherlist sections, in the order the plugin tries them:\n");
            for (const auto& section : report.Sections)
            {
                const std::string file = section.FileNameLine ? fmt::format("'{}': {}", Printable(section.ShownName),
                                                                            Describe(section.File.State))
                                                              : std::string("no FileName");
                out << fmt::format("  [WEATHERLIST{:02}] line {}: {} -> {}\n", section.Number, section.Line,
                                   IdsText(section), file);
                for (std::size_t i = 0; i < section.Matches.size(); ++i)
                    out << fmt::format("      {:<7X} {}\n", section.Ids[i], Names(section.Ids[i], section.Matches[i]));
            }
            if (!report.Unlisted.empty())
            {
                out << fmt::format("Worldspaces that no section lists, which keep ENB's own _weatherlist.ini ({}):\n",
                                   report.Unlisted.size());
                for (const auto& worldspace : report.Unlisted)
                    out << fmt::format("      {:<7X} {}\n", worldspace.MaskedId(), Describe(worldspace));
            }
            for (const auto& information : report.Information)
                out << "Note: " << information << "\n";
            if (report.Warnings.empty())
            {
                out << "No problems found.\n";
                return;
            }
            out << fmt::format("{} problem{}:\n", report.Warnings.size(), report.Warnings.size() == 1 ? "" : "s");
            for (const auto& warning : report.Warnings)
                out << fmt::format("  {}: [{}] {}\n", Location(report, warning), warning.Code, warning.Message);
        }

        // A line number, or null where there is none.
        Json LineOrNull(const std::optional<std::size_t>& line)
        {
            return line ? Json(*line) : Json();
        }

        Json ToJson(const std::vector<GameData::Worldspace>& worldspaces)
        {
            Json json = Json::array();
            for (const auto& worldspace : worldspaces)
                json.push_back(NimbravaCheck::ToJson(worldspace));
            return json;
        }

        Json ToJson(const ConfigReport& report, bool withGame)
        {
            Json sections = Json::array();
            for (const auto& section : report.Sections)
            {
                Json& json = sections.emplace_back(
                    Json{{"name", fmt::format("WEATHERLIST{:02}", section.Number)},
                         {"line", section.Line},
                         {"ids_line", LineOrNull(section.IdsLine)},
                         {"ids", section.Ids},
                         {"file_name_line", LineOrNull(section.FileNameLine)},
                         {"file_name", Printable(section.ShownName)},
                         {"file", JsonName(section.File.State)},
                         {"path", section.File.Path.empty() ? Json() : Json(GameData::Utf8Text(section.File.Path))}});
                // Per ID, the worldspaces it names.
                if (withGame)
                {
                    Json& matches = json["worldspaces"] = Json::array();
                    for (const auto& worldspaces : section.Matches)
                        matches.push_back(ToJson(worldspaces));
                }
            }
            Json warnings = Json::array();
            for (const auto& warning : report.Warnings)
            {
                Json& json = warnings.emplace_back(
                    Json{{"line", warning.Line}, {"code", warning.Code}, {"message", warning.Message}});
                if (warning.LoadOrder)
                    json["load_order"] = true;
            }
            Json json = {{"file", GameData::Utf8Text(report.File)}, {"sections", sections}, {"warnings", warnings}};
            if (withGame)
            {
                json["load_order"] = report.LoadOrder;
                json["unlisted"] = ToJson(report.Unlisted);
                json["information"] = report.Information;
            }
            return json;
        }

        void Unreadable(const std::filesystem::path& file, const std::exception& error, const Output& output)
        {
            std::error_code ignored;
            const auto folder = file.parent_path();
            std::string hint;
            if (std::filesystem::exists(folder / "enbseries" / "_nimbrava.ini", ignored))
                hint = " (this is the game folder: give its enbseries folder)";
            else if (!std::filesystem::exists(file, ignored) &&
                     Orvel::EqualIgnoringCase(GameData::Utf8Text(file.filename()), "_nimbrava.ini"))
                hint = fmt::format(" (a fresh install has none: {}write a starter with nimbrava-check --init \"{}\")",
                                   std::filesystem::exists(folder / "_nimbrava.example.ini", ignored)
                                       ? "copy _nimbrava.example.ini there as _nimbrava.ini, or "
                                       : "",
                                   GameData::Utf8Text(folder.empty() ? "." : folder));
            const std::string message = fmt::format("{}; the plugin logs \"{}\" in every worldspace{}", error.what(),
                                                    Nimbrava::Messages::LoadFailed, hint);
            if (output.Json)
                WriteJson(output.Out, {{"file", GameData::Utf8Text(file)}, {"error", message}});
            output.Err << "nimbrava-check: " << message << "\n";
        }
    } // namespace

    int RunConfiguration(const std::filesystem::path& configuration, const GameOptions& options, const Output& output)
    {
        const auto opened = OpenConfiguration(configuration, options, output.Err);
        if (!opened)
            return ExitUnreadable;
        const auto& file = opened->File;
        const auto& game = opened->Game;
        try
        {
            const ConfigReport report = CheckConfiguration(file, game ? &*game : nullptr);
            if (output.Json)
                WriteJson(output.Out, ToJson(report, game.has_value()));
            else
                WriteText(report, output.Out);
            return report.Warnings.empty() ? ExitGood : ExitProblems;
        }
        catch (const Orvel::GenericException& failure)
        {
            Unreadable(file, failure, output);
            return ExitUnreadable;
        }
    }
} // namespace NimbravaCheck
