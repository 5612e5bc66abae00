#include "checks/ExplainingLines.h"

#include <algorithm>
#include <fmt/format.h>
#include "Choice/WeatherlistChoice.h"
#include "Orvel/Ascii.h"
#include "Orvel/Parsing.h"
#include "checks/EditDistance.h"
#include "text/Utf8Sequence.h"

namespace NimbravaCheck
{
    namespace
    {

        // The line without white space around it and without a byte-order mark in front.
        std::string_view Trimmed(std::string_view line)
        {
            if (line.starts_with(Utf8ByteOrderMark))
                line.remove_prefix(Utf8ByteOrderMark.size());
            return Orvel::Trimmed(line);
        }

        bool IsLetter(char c) noexcept
        {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        }

        bool IsUpper(char c) noexcept
        {
            return c >= 'A' && c <= 'Z';
        }

        // Whether the key holds "ID" or "IDs" as a word of its own, in any case: at its start or after a
        // character that is no letter or a lower-case letter before an upper-case I, and before its end,
        // a character that is no letter or an upper-case letter ("WsIDs", "space_ids", "IDList", not
        // "Valid", "Hidden" or "VideoWidth").
        bool HasIdWord(std::string_view key) noexcept
        {
            for (std::size_t at = 0; at + 1 < key.size(); ++at)
            {
                if (Orvel::ToLower(key[at]) != 'i' || Orvel::ToLower(key[at + 1]) != 'd')
                    continue;
                const bool starts = at == 0 || !IsLetter(key[at - 1]) || (IsUpper(key[at]) && !IsUpper(key[at - 1]));
                std::size_t end = at + 2;
                if (end < key.size() && Orvel::ToLower(key[end]) == 's')
                    ++end;
                const auto endsAt = [&](std::size_t after) {
                    return after == key.size() || !IsLetter(key[after]) || IsUpper(key[after]);
                };
                if (starts && (endsAt(at + 2) || endsAt(end)))
                    return true;
            }
            return false;
        }

        // The value of a line whose key looks meant for the IDs: without spaces, it holds "world" in
        // any case or the word ID (WorldspaceIDs misspelt, Worldspace, IDs) and is no FileName; nothing
        // for any other line. The key ends at '=' or, for a line the reader ignores, ':'.
        std::optional<std::string_view> IdsValue(std::string_view line)
        {
            const std::size_t end = line.find_first_of("=:");
            if (end == std::string_view::npos)
                return std::nullopt;
            std::string key, lowered;
            for (const char c : line.substr(0, end))
                if (!Orvel::IsSpace(c))
                {
                    key.push_back(c);
                    lowered.push_back(Orvel::ToLower(c));
                }
            if (Orvel::StartsWithIgnoringCase(key, Nimbrava::FileNameKey) ||
                (lowered.find("world") == std::string::npos && !HasIdWord(key)))
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
                if (number && Nimbrava::MaskWorldspaceId(*number) == maskedId)
                    return true;
                at += std::max<std::size_t>(used, 1);
            }
            return false;
        }

        std::string Lowered(std::string_view text)
        {
            std::string lowered(text);
            for (char& c : lowered)
                c = Orvel::ToLower(c);
            return lowered;
        }

        // Whether the text (lowered) holds one of the names (lowered).
        bool Names(const std::string& text, const std::vector<std::string>& names)
        {
            return std::ranges::any_of(names,
                                       [&](const std::string& name) { return text.find(name) != std::string::npos; });
        }

        // An ID of no worldspace at this line one digit away from the asked one.
        bool NearUnknownId(const ConfigReport& report, std::size_t line, std::uint32_t maskedId)
        {
            return std::ranges::any_of(report.Findings, [&](const Finding& finding) {
                return finding.Id == Code::UnknownWorldspace && finding.Line == line &&
                       std::ranges::any_of(finding.About.Worldspaces,
                                           [&](std::uint32_t id) { return OneDigitApart(id, maskedId); });
            });
        }

        void AddProblemsAt(const ConfigReport& report, std::size_t line, ExplainingLine& explaining)
        {
            for (const auto& finding : report.Findings)
                if (finding.Line == line && finding.IsProblem() && finding.Row().About == Topic::Configuration)
                    explaining.Findings.push_back(finding);
        }
    } // namespace

    bool OneDigitApart(std::uint32_t id, std::uint32_t other)
    {
        return EditDistance(fmt::format("{:X}", id), fmt::format("{:X}", other)) == 1;
    }

    std::vector<ExplainingLine> NearMisses(const Configuration& config, const ConfigReport& report,
                                           const GameCodePage& codePage, std::uint32_t maskedId,
                                           const std::vector<std::string>& names)
    {
        std::vector<std::string> lowered;
        for (const auto& name : names)
            if (!name.empty())
                lowered.push_back(Lowered(name));
        std::string sectionComments; // the comment lines of the section so far, lowered
        std::vector<ExplainingLine> reasons;
        // A file saved as UTF-16 says nothing the plugin reads: that is the whole reason.
        const auto utf16 = std::ranges::find(report.Findings, Code::Utf16File, &Finding::Id);
        if (utf16 != report.Findings.end())
            return {{0, "", {*utf16}}};
        const auto lines = config.RawLines();
        std::size_t header = 0; // the line of the last header above, 0 before the first
        for (std::size_t index = 0; index < lines.size(); ++index)
        {
            const std::size_t number = index + 1;
            const std::string_view line = Trimmed(lines[index]);
            if (line.starts_with('[') && line.find(']') != std::string_view::npos)
            {
                header = number;
                sectionComments.clear();
            }
            if (line.starts_with(';'))
            {
                sectionComments += Lowered(codePage.Show(line)) + "\n";
                continue;
            }
            const auto value = IdsValue(line);
            if (!value)
                continue;
            const std::size_t comment = line.find(';', line.find_first_of("=:"));
            const bool named =
                Names(sectionComments, lowered) ||
                (comment != std::string_view::npos && Names(Lowered(codePage.Show(line.substr(comment))), lowered));
            if (!MentionsId(*value, maskedId) && !named && !NearUnknownId(report, number, maskedId))
                continue;
            ExplainingLine reason{number, codePage.Show(lines[index]), {}};
            AddProblemsAt(report, number, reason);
            // A header the plugin does not read, or one a byte-order mark hides, is told at its own line.
            if (header != 0)
                AddProblemsAt(report, header, reason);
            reasons.push_back(std::move(reason));
        }
        return reasons;
    }

    std::vector<ExplainingLine> FallbackReasons(const Configuration& config, const ConfigReport& report,
                                                const GameCodePage& codePage, int number)
    {
        std::vector<ExplainingLine> reasons;
        const auto section = std::ranges::find(report.Sections, number, &WeatherlistSection::Number);
        if (section == report.Sections.end())
            return reasons;
        const auto lines = config.RawLines();
        const std::size_t line = section->FileNameLine.value_or(section->Line);
        ExplainingLine reason{line, line >= 1 && line <= lines.size() ? codePage.Show(lines[line - 1]) : "", {}};
        AddProblemsAt(report, line, reason);
        reasons.push_back(std::move(reason));
        return reasons;
    }
} // namespace NimbravaCheck
