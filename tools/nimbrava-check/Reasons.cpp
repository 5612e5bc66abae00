#include "Reasons.h"

#include <algorithm>
#include "Orvel/Ascii.h"
#include "Orvel/Parsing.h"

namespace NimbravaCheck
{
    namespace
    {
        constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

        // The line without white space around it and without a byte-order mark in front.
        std::string_view Trimmed(std::string_view line)
        {
            if (line.starts_with(ByteOrderMark))
                line.remove_prefix(ByteOrderMark.size());
            while (!line.empty() && Orvel::IsSpace(line.front()))
                line.remove_prefix(1);
            while (!line.empty() && Orvel::IsSpace(line.back()))
                line.remove_suffix(1);
            return line;
        }

        // The value of a line whose key, lowered and without spaces, looks meant for the IDs: it holds
        // "world" or "id" (WorldspaceIDs misspelt, Worldspace, IDs) and is no FileName; nothing for any
        // other line. The key ends at '=' or, for a line the reader ignores, ':'.
        std::optional<std::string_view> IdsValue(std::string_view line)
        {
            const std::size_t end = line.find_first_of("=:");
            if (end == std::string_view::npos)
                return std::nullopt;
            std::string key;
            for (const char c : line.substr(0, end))
                if (!Orvel::IsSpace(c))
                    key.push_back(Orvel::ToLower(c));
            if (key.starts_with("filename") ||
                (key.find("world") == std::string::npos && key.find("id") == std::string::npos))
                return std::nullopt;
            std::string_view value = line.substr(end + 1);
            return value.substr(0, value.find(';'));
        }

        // Every hexadecimal number in the text, wherever it stands, masked as the plugin compares.
        bool MentionsId(std::string_view value, std::uint32_t maskedId)
        {
            for (std::size_t at = 0; at < value.size();)
            {
                std::size_t used = 0;
                const auto number = Orvel::ParseHexNumber(value.substr(at), used);
                if (number && (*number & 0xFFFFFFu) == maskedId)
                    return true;
                at += std::max<std::size_t>(used, 1);
            }
            return false;
        }

        void AddProblemsAt(const ConfigReport& report, std::size_t line, Reason& reason)
        {
            for (const auto& warning : report.Warnings)
                if (warning.Line == line && !warning.LoadOrder)
                    reason.Problems.push_back(warning);
        }
    } // namespace

    std::vector<Reason> NearMisses(const ConfigReport& report, std::uint32_t maskedId)
    {
        std::vector<Reason> reasons;
        // A file saved as UTF-16 says nothing the plugin reads: that is the whole reason.
        const auto utf16 = std::ranges::find(report.Warnings, std::string_view("utf16-file"), &Warning::Code);
        if (utf16 != report.Warnings.end())
            return {{0, "", {*utf16}}};
        std::size_t header = 0; // the line of the last header above, 0 before the first
        for (std::size_t index = 0; index < report.Lines.size(); ++index)
        {
            const std::size_t number = index + 1;
            const std::string_view line = Trimmed(report.Lines[index]);
            if (line.starts_with('[') && line.find(']') != std::string_view::npos)
                header = number;
            if (line.starts_with(';'))
                continue;
            const auto value = IdsValue(line);
            if (!value || !MentionsId(*value, maskedId))
                continue;
            Reason reason{number, Printable(report.Lines[index]), {}};
            AddProblemsAt(report, number, reason);
            // A header the plugin does not read, or one a byte-order mark hides, is told at its own line.
            if (header != 0)
                AddProblemsAt(report, header, reason);
            reasons.push_back(std::move(reason));
        }
        return reasons;
    }

    std::vector<Reason> FallbackReasons(const ConfigReport& report, int number)
    {
        std::vector<Reason> reasons;
        const auto section = std::ranges::find(report.Sections, number, &SectionReport::Number);
        if (section == report.Sections.end())
            return reasons;
        const std::size_t line = section->FileNameLine.value_or(section->Line);
        Reason reason{line, line >= 1 && line <= report.Lines.size() ? Printable(report.Lines[line - 1]) : "", {}};
        AddProblemsAt(report, line, reason);
        reasons.push_back(std::move(reason));
        return reasons;
    }
} // namespace NimbravaCheck
