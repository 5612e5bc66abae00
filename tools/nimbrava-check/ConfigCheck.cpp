#include "ConfigCheck.h"

#include <algorithm>
#include <fmt/format.h>
#include <fstream>
#include <map>
#include <utility>
#include "Orvel/Parsing.h"
#include "Choice/WeatherlistChoice.h"

namespace NimbravaCheck
{
    namespace
    {
        using Kind = Orvel::IniLine::Kind;

        constexpr std::string_view IdsKey = "WorldspaceIDs";
        constexpr std::string_view FileNameKey = "FileName";
        constexpr std::string_view Fallback = "ENB's own _weatherlist.ini";

        struct EntryLine
        {
            std::size_t Line;
            std::string RawValue;
        };

        // What the reader told about the lines, kept beyond the observer's calls.
        class LineLog final : public Orvel::IIniLineObserver
        {
        public:
            std::map<std::size_t, std::vector<std::size_t>> HeaderLines; // per section index
            std::map<std::pair<std::size_t, std::string>, EntryLine> Entries;
            struct Other
            {
                std::size_t Line;
                Kind What;
                std::size_t Section;
                std::string Key;
                std::string Text;
            };
            std::vector<Other> Others; // duplicates, ignored lines, unclosed headers
            std::optional<Kind> FirstLineKind;
            std::string FirstLineText;

            void Line(const Orvel::IniLine& line) override
            {
                if (line.Number == 1 && !FirstLineKind)
                {
                    FirstLineKind = line.What;
                    FirstLineText = line.Text;
                }
                switch (line.What)
                {
                case Kind::Header:
                    HeaderLines[line.Section].push_back(line.Number);
                    break;
                case Kind::Entry:
                    Entries.try_emplace({line.Section, std::string(line.Key)},
                                        EntryLine{line.Number, std::string(line.RawValue)});
                    break;
                case Kind::DuplicateEntry:
                case Kind::BadHeader:
                case Kind::Ignored:
                    Others.push_back(
                        {line.Number, line.What, line.Section, std::string(line.Key), std::string(line.Text)});
                    break;
                case Kind::Empty:
                case Kind::Comment:
                    break;
                }
            }
        };

        std::string Fold(std::string_view text, bool dropDigits)
        {
            std::string folded;
            for (const char c : text)
            {
                if (Orvel::IsSpace(c) || (dropDigits && c >= '0' && c <= '9'))
                    continue;
                folded.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
            }
            return folded;
        }

        // n for "WEATHERLISTnn" with nn two digits from 01 to 99; 0 for any other name.
        int WeatherlistNumber(std::string_view name)
        {
            if (name.size() != 13 || !name.starts_with("WEATHERLIST") || name[11] < '0' || name[11] > '9' ||
                name[12] < '0' || name[12] > '9')
                return 0;
            return (name[11] - '0') * 10 + (name[12] - '0');
        }

        std::string HexList(const std::vector<std::uint32_t>& ids)
        {
            std::string text;
            for (const auto id : ids)
                text += fmt::format("{}{:X}", text.empty() ? "" : ", ", id);
            return text;
        }

        // The ID list as the plugin reads it, step by step, to say where it fails or stops; the IDs
        // themselves are always the library's.
        struct ListReading
        {
            std::optional<std::pair<std::size_t, std::size_t>> BadElement; // [start, end) of the element
            std::optional<std::size_t> EndedAt;                            // the character that ended the list early
        };

        ListReading ReadList(std::string_view text)
        {
            ListReading reading;
            std::size_t cursor = 0;
            while (cursor < text.size())
            {
                std::size_t end = 0;
                const auto id = Orvel::ParseHexNumber(text.substr(cursor), end);
                if (!id)
                {
                    reading.BadElement = {cursor, std::min(text.find(',', cursor), text.size())};
                    return reading;
                }
                cursor += end;
                for (;; ++cursor)
                {
                    if (cursor == text.size())
                        return reading;
                    if (text[cursor] == ',')
                    {
                        ++cursor;
                        break;
                    }
                    if (!Orvel::IsSpace(text[cursor]))
                    {
                        reading.EndedAt = cursor;
                        return reading;
                    }
                }
            }
            return reading;
        }

        // Whether the raw value opens quotes that never close: the reader then stores it empty.
        bool UnclosedQuote(std::string_view raw, std::string_view stored)
        {
            const std::size_t special = raw.find_first_of("\";");
            return stored.empty() && special != std::string_view::npos && raw[special] == '"';
        }

        // Whether a quoted part of the raw value holds a backslash that is no doubled backslash: an
        // escape that changes the name (\w gives w, \x gives '?').
        bool SingleBackslashInQuotes(std::string_view raw)
        {
            bool inside = false;
            for (std::size_t i = 0; i < raw.size(); ++i)
            {
                if (raw[i] == '"')
                    inside = !inside;
                else if (!inside && raw[i] == ';')
                    return false;
                else if (inside && raw[i] == '\\')
                {
                    if (i + 1 < raw.size() && raw[i + 1] == '\\')
                        ++i;
                    else
                        return true;
                }
            }
            return false;
        }

        class Checker
        {
        public:
            Checker(ConfigReport& report, const LineLog& lines, bool byteOrderMark)
                : m_report(report), m_lines(lines), m_byteOrderMark(byteOrderMark)
            {
            }

            void Run(const std::filesystem::path& enbseries)
            {
                const auto& sections = m_report.Document.Sections;
                for (std::size_t index = 1; index < sections.size(); ++index)
                {
                    if (const int number = WeatherlistNumber(sections[index].Name))
                        m_weatherlists.emplace(number, index);
                    else
                        CheckOtherName(index);
                }
                for (const auto& [number, index] : m_weatherlists)
                    CheckSection(number, index, enbseries);
                CheckShadowedIds();
                CheckLines();
                if (m_weatherlists.empty())
                    Warn(0, "no-sections",
                         fmt::format("no section WEATHERLIST01 to WEATHERLIST99: the plugin keeps {} in every "
                                     "worldspace",
                                     Fallback));
                std::ranges::stable_sort(m_report.Warnings, {}, &Warning::Line);
            }

        private:
            void Warn(std::size_t line, std::string code, std::string message)
            {
                m_report.Warnings.push_back({line, std::move(code), std::move(message)});
            }

            std::size_t HeaderLine(std::size_t section) const
            {
                const auto found = m_lines.HeaderLines.find(section);
                return found == m_lines.HeaderLines.end() ? 0 : found->second.front();
            }

            const EntryLine* EntryOf(std::size_t section, std::string_view key) const
            {
                const auto found = m_lines.Entries.find({section, std::string(key)});
                return found == m_lines.Entries.end() ? nullptr : &found->second;
            }

            void CheckOtherName(std::size_t index)
            {
                const std::string& name = m_report.Document.Sections[index].Name;
                const std::string folded = Fold(name, false);
                if (!folded.starts_with("weatherlist") ||
                    !std::ranges::all_of(folded.substr(11), [](char c) { return c >= '0' && c <= '9'; }))
                    return;
                const std::string digits = folded.substr(11);
                const int number = digits.empty() || digits.size() > 3 ? 0 : std::stoi(digits);
                const std::string meant =
                    number >= 1 && number <= 99 ? fmt::format(" (meant [WEATHERLIST{:02}]?)", number) : "";
                Warn(HeaderLine(index), "section-name",
                     fmt::format("[{}] is not a weatherlist section{}: the plugin reads only WEATHERLIST01 to "
                                 "WEATHERLIST99, in upper case with exactly two digits, and ignores this section",
                                 Printable(name), meant));
            }

            void CheckSection(int number, std::size_t index, const std::filesystem::path& enbseries)
            {
                const auto& section = m_report.Document.Sections[index];
                SectionReport entry{number, HeaderLine(index), {}, {}, {}, {}, {}};
                const std::string name = section.Name;

                if (const auto headers = m_lines.HeaderLines.find(index); headers != m_lines.HeaderLines.end())
                    for (std::size_t i = 1; i < headers->second.size(); ++i)
                        Warn(headers->second[i], "repeated-section",
                             fmt::format("[{}] is opened again (first at line {}): the plugin reads both parts as one "
                                         "section, where a key set in the first part keeps its first value",
                                         name, headers->second.front()));

                for (const auto& item : section.Entries)
                {
                    const auto* line = EntryOf(index, item.Key);
                    const std::size_t at = line != nullptr ? line->Line : entry.Line;
                    if (item.Key != IdsKey && item.Key != FileNameKey)
                    {
                        const std::string folded = Fold(item.Key, true);
                        const std::string_view real = folded == "worldspaceids" || folded == "worldspaceid" ? IdsKey
                                                      : folded == "filename" ? FileNameKey
                                                                             : "";
                        if (!real.empty())
                            Warn(at, "key-name",
                                 fmt::format("key '{}' in [{}] is not '{}' (keys match exactly, with case): the "
                                             "plugin ignores it",
                                             Printable(item.Key), name, real));
                        continue;
                    }
                    if (line != nullptr && UnclosedQuote(line->RawValue, item.Value))
                        Warn(at, "unclosed-quote",
                             fmt::format("{} of [{}] opens a quote that never closes: the reader stores the value "
                                         "empty",
                                         item.Key, name));
                }

                CheckIds(entry, index, name);
                CheckFileName(entry, index, name, enbseries);
                m_report.Sections.push_back(std::move(entry));
            }

            void CheckIds(SectionReport& entry, std::size_t index, const std::string& name)
            {
                const auto* ids = m_report.Document.Sections[index].FindEntry(IdsKey);
                if (ids == nullptr)
                {
                    Warn(entry.Line, "missing-ids",
                         fmt::format("[{}] has no WorldspaceIDs key: the plugin skips this section", name));
                    return;
                }
                const auto* line = EntryOf(index, IdsKey);
                entry.IdsLine = line != nullptr ? line->Line : entry.Line;
                const std::size_t at = *entry.IdsLine;
                const std::string& value = ids->Value;
                entry.Ids = Orvel::ParseHexNumberList(value, {}, ",");
                if (value.empty())
                {
                    Warn(at, "empty-ids",
                         fmt::format("WorldspaceIDs of [{}] is empty: this section never matches", name));
                    return;
                }
                if (value.front() == '"')
                {
                    Warn(at, "quoted-ids",
                         fmt::format("WorldspaceIDs of [{}] is written in quotes: the plugin reads no ID from it "
                                     "and this section never matches; write the IDs without quotes",
                                     name));
                    return;
                }
                const ListReading reading = ReadList(value);
                if (entry.Ids.empty() && reading.BadElement)
                {
                    const auto [start, end] = *reading.BadElement;
                    std::string_view raw = value;
                    raw = raw.substr(start, end - start);
                    while (!raw.empty() && Orvel::IsSpace(raw.front()))
                        raw.remove_prefix(1);
                    while (!raw.empty() && Orvel::IsSpace(raw.back()))
                        raw.remove_suffix(1);
                    const std::string element = Printable(raw);
                    Warn(at, "bad-id-list",
                         fmt::format("WorldspaceIDs of [{}] does not read: {} is no hexadecimal ID of at most "
                                     "FFFFFFFF, and one bad element empties the whole list, so this section never "
                                     "matches",
                                     name, element.empty() ? std::string("an empty element") : "'" + element + "'"));
                    return;
                }
                if (reading.EndedAt)
                {
                    const std::size_t stop = *reading.EndedAt;
                    const bool spaced = stop > 0 && Orvel::IsSpace(value[stop - 1]);
                    Warn(at, "list-ends-early",
                         fmt::format("WorldspaceIDs of [{}] ends at '{}'{}: the plugin reads only {} and ignores the "
                                     "rest; separate IDs with commas",
                                     name, Printable(value.substr(stop)), spaced ? " (a space instead of a comma)" : "",
                                     HexList(entry.Ids)));
                }
                for (const auto id : entry.Ids)
                    if (id > 0xFFFFFFu)
                        Warn(at, "id-too-large",
                             fmt::format("ID {:X} in [{}] is above FFFFFF and never matches: the plugin compares the "
                                         "low 24 bits of the worldspace ID (write {:X})",
                                         id, name, id & 0xFFFFFFu));
            }

            void CheckFileName(SectionReport& entry, std::size_t index, const std::string& name,
                               const std::filesystem::path& enbseries)
            {
                const auto* file = m_report.Document.Sections[index].FindEntry(FileNameKey);
                const auto* line = EntryOf(index, FileNameKey);
                const std::size_t at = line != nullptr ? line->Line : entry.Line;
                if (file == nullptr)
                    Warn(entry.Line, "missing-filename",
                         fmt::format("[{}] has no FileName key: where it matches, the plugin logs \"Unable to find "
                                     "weatherlist ''\" and keeps {}",
                                     name, Fallback));
                else
                {
                    entry.FileNameLine = at;
                    entry.ShownName = Nimbrava::ShownFileName(file->Value);
                    if (line != nullptr && SingleBackslashInQuotes(line->RawValue))
                        Warn(at, "quoted-backslash",
                             fmt::format("FileName of [{}] has a single backslash inside quotes, where it starts an "
                                         "escape: the plugin reads the name as '{}'; double each backslash, or leave "
                                         "the quotes out",
                                         name, Printable(entry.ShownName)));
                }
                entry.File = ResolveFileName(enbseries, entry.ShownName);
                if (file != nullptr && entry.ShownName.empty())
                {
                    Warn(at, "empty-filename",
                         fmt::format("FileName of [{}] is empty: where it matches, the plugin logs \"Unable to find "
                                     "weatherlist ''\" and keeps {}",
                                     name, Fallback));
                    return;
                }
                if (file == nullptr)
                    return;
                const std::string shown = Printable(entry.ShownName);
                const std::string where = entry.File.Path.empty() ? "" : " (" + entry.File.Path.string() + ")";
                switch (entry.File.State)
                {
                case FileState::RegularFile:
                    return;
                case FileState::Missing:
                case FileState::Directory:
                case FileState::OtherFile:
                case FileState::InvalidName:
                    Warn(at,
                         entry.File.State == FileState::Missing     ? "file-missing"
                         : entry.File.State == FileState::Directory ? "file-directory"
                         : entry.File.State == FileState::OtherFile ? "file-not-regular"
                                                                    : "file-invalid-name",
                         fmt::format("FileName '{}' of [{}] is {}{}{}: where it matches, the plugin logs \"Unable "
                                     "to find weatherlist\" and keeps {}",
                                     shown, name, Describe(entry.File.State),
                                     entry.File.Why.empty() ? "" : " (" + entry.File.Why + ")", where, Fallback));
                    return;
                case FileState::BadText:
                    Warn(at, "file-bad-text",
                         fmt::format("FileName '{}' of [{}] is {}: where it matches, the plugin's run fails with "
                                     "\"Unable to load '_nimbrava.ini'\" and keeps {}",
                                     shown, name, entry.File.Why, Fallback));
                    return;
                case FileState::NotCheckable:
                    Warn(at, "file-not-checkable",
                         fmt::format("FileName '{}' of [{}] cannot be checked here: {}", shown, name, entry.File.Why));
                    return;
                }
            }

            void CheckShadowedIds()
            {
                std::map<std::uint32_t, const SectionReport*> owners;
                for (const auto& section : m_report.Sections)
                    for (const auto id : section.Ids)
                    {
                        if (id > 0xFFFFFFu)
                            continue;
                        const auto [owner, first] = owners.try_emplace(id, &section);
                        if (first || owner->second == &section)
                            continue;
                        const SectionReport& winner = *owner->second;
                        Warn(*section.IdsLine, "shadowed-id",
                             fmt::format("ID {:X} is also listed by [WEATHERLIST{:02}] (line {}), which comes first: "
                                         "the plugin never chooses [WEATHERLIST{:02}] for it{}",
                                         id, winner.Number, *winner.IdsLine, section.Number,
                                         winner.File.State == FileState::RegularFile
                                             ? ""
                                             : fmt::format(", and keeps {} there because that section's file is {}",
                                                           Fallback, Describe(winner.File.State))));
                    }
            }

            void CheckLines()
            {
                // The mark harms only a header or a key on line 1; before a comment it does nothing.
                const std::string_view lineOne = m_lines.FirstLineText;
                const std::string_view afterMark = lineOne.substr(std::min<std::size_t>(3, lineOne.size()));
                const bool markedHeader = m_byteOrderMark && afterMark.starts_with('[');
                const bool markedKey = m_byteOrderMark && m_lines.FirstLineKind != Kind::Ignored;
                if (markedHeader || markedKey)
                    Warn(1, "byte-order-mark",
                         fmt::format("the file starts with a UTF-8 byte-order mark, which the reader takes as part of "
                                     "line 1: {}; save the file without it",
                                     markedHeader ? "the section header there is not recognised, and the lines "
                                                    "after it belong to the section before"
                                                  : "its key is read with the mark in front"));
                for (const auto& other : m_lines.Others)
                {
                    if (other.What == Kind::DuplicateEntry)
                    {
                        const int number = WeatherlistNumber(m_report.Document.Sections[other.Section].Name);
                        const auto* first = EntryOf(other.Section, other.Key);
                        if (number != 0 && first != nullptr && (other.Key == IdsKey || other.Key == FileNameKey))
                            Warn(other.Line, "duplicate-key",
                                 fmt::format("{} is set again in [WEATHERLIST{:02}] (first at line {}): the plugin "
                                             "keeps the first value and ignores this one",
                                             other.Key, number, first->Line));
                    }
                    else if (other.What == Kind::BadHeader)
                        Warn(other.Line, "unclosed-header",
                             fmt::format("'{}' has no closing ']': the reader ignores the line, and the lines after it "
                                         "stay in the section before",
                                         Printable(other.Text)));
                    else if (!(m_byteOrderMark && other.Line == 1 &&
                               (markedHeader || afterMark.empty() || afterMark.starts_with(';'))))
                        Warn(other.Line, "ignored-line",
                             fmt::format("'{}' is no section header, key line or ';' comment: the reader ignores it",
                                         Printable(other.Text)));
                }
            }

            ConfigReport& m_report;
            const LineLog& m_lines;
            bool m_byteOrderMark;
            std::map<int, std::size_t> m_weatherlists; // number -> section index, in priority order
        };

        bool StartsWithByteOrderMark(const std::filesystem::path& file)
        {
            std::ifstream stream(file, std::ios::binary);
            char bytes[3] = {};
            return stream.read(bytes, 3) && std::string_view(bytes, 3) == "\xEF\xBB\xBF";
        }
    } // namespace

    std::string Printable(std::string_view text)
    {
        std::string out;
        for (const char c : text)
        {
            const auto byte = static_cast<unsigned char>(c);
            out += byte < 0x20 || byte == 0x7F ? fmt::format("\\x{:02X}", byte) : std::string(1, c);
        }
        return out;
    }

    ConfigReport CheckConfiguration(const std::filesystem::path& enbseries)
    {
        ConfigReport report;
        report.File = enbseries / "_nimbrava.ini";
        LineLog lines;
        report.Document.Open(report.File, &lines);
        Checker(report, lines, StartsWithByteOrderMark(report.File)).Run(enbseries);
        return report;
    }
} // namespace NimbravaCheck
