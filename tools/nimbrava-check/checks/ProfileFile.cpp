#include "checks/ProfileFile.h"

#include <algorithm>
#include "Orvel/Ascii.h"
#include "text/Utf8Sequence.h"

namespace NimbravaCheck
{
    std::string_view ProfileFile::Line::Key() const noexcept
    {
        return std::string_view(Text).substr(0, Text.find('='));
    }

    std::optional<std::string_view> ProfileFile::Line::Value() const noexcept
    {
        const std::size_t equals = Text.find('=');
        if (equals == std::string::npos)
            return std::nullopt;
        return std::string_view(Text).substr(equals + 1);
    }

    ProfileFile::ProfileFile(std::string_view text)
    {
        if (text.starts_with(Utf8ByteOrderMark))
        {
            // What line 1 would open without the mark.
            const std::string_view first = text.substr(0, text.find_first_of("\r\n"));
            const ProfileFile unmarked(first.substr(Utf8ByteOrderMark.size()));
            if (!unmarked.m_headers.empty())
                m_hiddenByMark = unmarked.m_headers.front().Name;
        }
        std::size_t number = 0;
        std::size_t section = Global;
        for (std::size_t at = 0; at < text.size();)
        {
            // A line ends at CR or LF: CR LF ends one line, since the empty one after the CR is dropped
            // below, but the count of lines follows what an editor shows.
            const std::size_t end = std::min(text.find_first_of("\r\n", at), text.size());
            const std::string_view line = Orvel::Trimmed(text.substr(at, end - at));
            at = end;
            if (at < text.size() && text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n')
                ++at;
            ++at;
            ++number;
            if (line.empty() || line.front() == ';')
                continue;
            if (const std::size_t close = line.rfind(']'); line.front() == '[' && close != std::string_view::npos)
            {
                // The lines before the first header make a section of the empty name, which comes first.
                const std::string name(Orvel::Trimmed(line.substr(1, close - 1)));
                const bool repeated = name.empty() || std::ranges::any_of(m_headers, [&](const Header& header) {
                                          return Orvel::EqualIgnoringCase(header.Name, name);
                                      });
                section = m_headers.size();
                m_headers.push_back({number, name, repeated});
                continue;
            }
            std::string given(line);
            if (const std::size_t equals = line.find('='); equals != std::string_view::npos)
                given = std::string(Orvel::Trimmed(line.substr(0, equals))) + "=" +
                        std::string(Orvel::Trimmed(line.substr(equals + 1)));
            m_lines.push_back({section, {number, std::move(given)}});
        }
    }

    std::vector<ProfileFile::Line> ProfileFile::Section(std::string_view name) const
    {
        const auto header = std::ranges::find_if(
            m_headers, [&](const Header& each) { return Orvel::EqualIgnoringCase(each.Name, name); });
        return LinesOf(name.empty() ? Global : static_cast<std::size_t>(header - m_headers.begin()));
    }

    std::vector<ProfileFile::Line> ProfileFile::LinesOf(std::size_t index) const
    {
        std::vector<Line> lines;
        for (const auto& stored : m_lines)
            if (stored.Header == index)
                lines.push_back(stored.Given);
        return lines;
    }
} // namespace NimbravaCheck
