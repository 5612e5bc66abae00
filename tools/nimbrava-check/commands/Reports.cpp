#include "commands/Reports.h"

#include <algorithm>
#include <fmt/format.h>
#include "Orvel/LogLevel.h"
#include "Choice/WeatherlistChoice.h"
#include "GameData/Text.h"

namespace NimbravaCheck
{
    namespace
    {
        std::string Place(const Finding& finding)
        {
            if (finding.Row().About == Topic::LoadOrder)
                return "load order";
            const std::string file = GameData::Utf8Text(finding.File);
            return finding.Line ? fmt::format("{}:{}", file, *finding.Line) : file;
        }
    } // namespace

    std::vector<Finding> Problems(const std::vector<Finding>& findings)
    {
        std::vector<Finding> problems;
        std::ranges::copy_if(findings, std::back_inserter(problems), &Finding::IsProblem);
        return problems;
    }

    std::vector<Finding> Information(const std::vector<Finding>& findings)
    {
        std::vector<Finding> information;
        std::ranges::remove_copy_if(findings, std::back_inserter(information), &Finding::IsProblem);
        return information;
    }

    void WriteFindings(std::ostream& out, const std::vector<Finding>& findings, const ListStyle& style)
    {
        if (style.Heading && findings.empty())
            out << "No problems found.\n";
        else if (style.Heading)
            out << fmt::format("{} problem{}:\n", findings.size(), findings.size() == 1 ? "" : "s");
        for (const auto& finding : findings)
            out << fmt::format("{}{}{}{}\n", style.Indent, style.Place ? Place(finding) + ": " : "",
                               style.Code ? fmt::format("[{}] ", finding.Row().Name) : "", finding.Text);
    }

    Json ReportJson(const Finding& finding)
    {
        Json json{{"file", finding.File.empty() ? Json() : Json(GameData::Utf8Text(finding.File))},
                  {"line", finding.Line.value_or(0)},
                  {"code", finding.Row().Name},
                  {"message", finding.Text}};
        if (finding.Row().About == Topic::LoadOrder)
            json["load_order"] = true;
        return json;
    }

    Json ListJson(const std::vector<Finding>& findings, std::string_view textKey)
    {
        Json json = Json::array();
        for (const auto& finding : findings)
            json.push_back({{"code", finding.Row().Name}, {textKey, finding.Text}});
        return json;
    }

    Json TextsJson(const std::vector<Finding>& findings)
    {
        Json json = Json::array();
        for (const auto& finding : findings)
            json.push_back(finding.Text);
        return json;
    }

    std::string LogLineText(const Nimbrava::LogLine& line, const GameCodePage& codePage)
    {
        // The tag as the log writes it after the time, without the space before it.
        return std::string(Orvel::LevelTag(line.Level).substr(1)) + codePage.Show(line.Text);
    }

    Json LogJson(const std::vector<Nimbrava::LogLine>& lines, const GameCodePage& codePage)
    {
        Json json = Json::array();
        for (const auto& line : lines)
        {
            std::string_view tag = Orvel::LevelTag(line.Level);
            tag.remove_prefix(std::min(tag.find_first_not_of(" ["), tag.size()));
            json.push_back({{"level", tag.substr(0, tag.find(']'))}, {"text", codePage.Show(line.Text)}});
        }
        return json;
    }

    Json WorldspaceJson(const GameData::Worldspace& worldspace)
    {
        return {{"id", fmt::format("{:X}", Nimbrava::MaskWorldspaceId(worldspace.FormId))},
                {"form_id", fmt::format("{:08X}", worldspace.FormId)},
                {"editor_id", worldspace.EditorId},
                {"name", worldspace.Name ? Json(*worldspace.Name) : Json()},
                {"plugin", worldspace.Plugin},
                {"light", worldspace.Light}};
    }

    Json WorldspaceJson(const std::vector<GameData::Worldspace>& worldspaces)
    {
        Json json = Json::array();
        for (const auto& worldspace : worldspaces)
            json.push_back(WorldspaceJson(worldspace));
        return json;
    }
} // namespace NimbravaCheck
