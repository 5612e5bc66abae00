#pragma once
// What every report shows alike: findings, listed as text and as JSON, and worldspaces in JSON.

#include <ostream>
#include <string>
#include <string_view>
#include <vector>
#include "Choice/WorldspaceChange.h"
#include "GameData/Worldspaces.h"
#include "checks/Finding.h"
#include "commands/Json.h"
#include "text/GameCodePage.h"

namespace NimbravaCheck
{
    // How a list of findings is written.
    struct ListStyle
    {
        bool Heading = true;            // "No problems found." or "N problems:" first
        bool Place = true;              // each line from where the finding is: "FILE:LINE: ", "load order: "
        std::string_view Indent = "  "; // before each finding
        bool Code = true;               // "[code] " before its text
    };

    // The findings that are problems (errors and warnings), in their order.
    [[nodiscard]] std::vector<Finding> Problems(const std::vector<Finding>& findings);
    // The others: information, which leaves the exit code as it is.
    [[nodiscard]] std::vector<Finding> Information(const std::vector<Finding>& findings);

    // `findings`, a line each: "[code] text", after its place when the style asks for it.
    void WriteFindings(std::ostream& out, const std::vector<Finding>& findings, const ListStyle& style = {});

    // A finding in JSON as the configuration check writes it: file (the configuration or a weather list;
    // null for one of the load order, or about no file), line (0 for none), code, message, and
    // "load_order": true for one of the load order.
    [[nodiscard]] Json ReportJson(const Finding& finding);
    // Findings in JSON as the other reports write them: objects of code and `textKey` ("text" in
    // --worldspaces, "message" in --worldspace's reasons).
    [[nodiscard]] Json ListJson(const std::vector<Finding>& findings, std::string_view textKey);
    // Findings in JSON as their texts alone.
    [[nodiscard]] Json TextsJson(const std::vector<Finding>& findings);

    // A line the plugin logs, as its log shows it after the time: "[MESSAGE] TEXT", the level's tag
    // padded to nine characters; the text shown in the game's code page.
    [[nodiscard]] std::string LogLineText(const Nimbrava::LogLine& line, const GameCodePage& codePage);
    // Lines the plugin logs in JSON: objects of level ("MESSAGE", "WARNING", ...) and text.
    [[nodiscard]] Json LogJson(const std::vector<Nimbrava::LogLine>& lines, const GameCodePage& codePage);

    // A worldspace in JSON: id (the masked ID as a section writes it), form_id (8 hexadecimal digits),
    // editor_id, name (or null), plugin, light.
    [[nodiscard]] Json WorldspaceJson(const GameData::Worldspace& worldspace);
    [[nodiscard]] Json WorldspaceJson(const std::vector<GameData::Worldspace>& worldspaces);
} // namespace NimbravaCheck
