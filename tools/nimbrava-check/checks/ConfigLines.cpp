#include "checks/ConfigLines.h"

namespace NimbravaCheck
{
    void ConfigLines::Line(const Orvel::IniLine& line)
    {
        using Kind = Orvel::IniLine::Kind;
        // A header line that also holds '=' is told twice: its first telling says what it is.
        if (line.Number == 1 && !m_firstLineKind)
        {
            m_firstLineKind = line.What;
            m_firstLineText = line.Text;
        }
        switch (line.What)
        {
        case Kind::Header:
            m_headers[line.Section].push_back(line.Number);
            break;
        case Kind::Entry:
            m_entries.try_emplace({line.Section, std::string(line.Key)},
                                  EntryLine{line.Number, std::string(line.RawValue)});
            break;
        case Kind::DuplicateEntry:
        case Kind::BadHeader:
        case Kind::Ignored:
            m_others.push_back({line.Number, line.What, line.Section, std::string(line.Key), std::string(line.Text)});
            break;
        case Kind::Empty:
        case Kind::Comment:
            break;
        }
    }

    const std::vector<std::size_t>* ConfigLines::HeaderLines(std::size_t section) const
    {
        const auto found = m_headers.find(section);
        return found == m_headers.end() ? nullptr : &found->second;
    }

    std::size_t ConfigLines::FirstHeaderLine(std::size_t section) const
    {
        const auto* lines = HeaderLines(section);
        return lines == nullptr ? 0 : lines->front();
    }

    const EntryLine* ConfigLines::Entry(std::size_t section, std::string_view key) const
    {
        const auto found = m_entries.find(std::pair{section, std::string(key)});
        return found == m_entries.end() ? nullptr : &found->second;
    }
} // namespace NimbravaCheck
