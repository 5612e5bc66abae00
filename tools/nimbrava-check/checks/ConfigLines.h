#pragma once
// What the plugin's reader told about the lines of "_nimbrava.ini" while it read the file, kept for
// the checks: where each section and key stands, and the lines it did not store.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include "Orvel/Ini.h"

namespace NimbravaCheck
{
    // A key line whose key was new in its section.
    struct EntryLine
    {
        std::size_t Line;
        std::string RawValue; // the text after '=', before comments, quotes and escapes
    };

    // A line the reader did not store: a repeated key, an unclosed header, a line it ignores.
    struct OtherLine
    {
        std::size_t Line;
        Orvel::IniLine::Kind What;
        std::size_t Section; // index of the section current at that line
        std::string Key;     // for a repeated key
        std::string Text;    // the line, trimmed
    };

    class ConfigLines final : public Orvel::IIniLineObserver
    {
    public:
        void Line(const Orvel::IniLine& line) override;

        // The lines of every header of the section at `section` (its index in the document), in
        // file order; none for the global section.
        [[nodiscard]] const std::vector<std::size_t>* HeaderLines(std::size_t section) const;
        // The first header line of the section, or 0 (the global section).
        [[nodiscard]] std::size_t FirstHeaderLine(std::size_t section) const;
        // The line that set `key` in the section, or nothing.
        [[nodiscard]] const EntryLine* Entry(std::size_t section, std::string_view key) const;
        [[nodiscard]] const std::vector<OtherLine>& Others() const noexcept { return m_others; }
        // How the reader took line 1, and its text; nothing for an empty file.
        [[nodiscard]] const std::optional<Orvel::IniLine::Kind>& FirstLineKind() const noexcept
        {
            return m_firstLineKind;
        }
        [[nodiscard]] const std::string& FirstLineText() const noexcept { return m_firstLineText; }

    private:
        std::map<std::size_t, std::vector<std::size_t>> m_headers;
        std::map<std::pair<std::size_t, std::string>, EntryLine, std::less<>> m_entries;
        std::vector<OtherLine> m_others;
        std::optional<Orvel::IniLine::Kind> m_firstLineKind;
        std::string m_firstLineText;
    };
} // namespace NimbravaCheck
