#include "ConfigCheck.h"

#include <algorithm>
#include <fmt/format.h>
#include <fstream>
#include <map>
#include <set>
#include <utility>
#include "Choice/WeatherlistChoice.h"
#include "ConfigLines.h"
#include "ConfigMessages.h"
#include "GameData/Text.h"
#include "Orvel/Ascii.h"
#include "Orvel/Parsing.h"

namespace NimbravaCheck
{
    namespace
    {
        using Kind = Orvel::IniLine::Kind;

        constexpr std::string_view IdsKey = "WorldspaceIDs";
        constexpr std::string_view FileNameKey = "FileName";

        std::string Fold(std::string_view text, bool dropDigits)
        {
            std::string folded;
            for (const char c : text)
            {
                if (Orvel::IsSpace(c) || (dropDigits && c >= '0' && c <= '9'))
                    continue;
                folded.push_back(Orvel::ToLower(c));
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

        // The code of the problem a FileName that leads to no regular file gives.
        std::string_view NotThereCode(FileState state)
        {
            switch (state)
            {
            case FileState::Missing:
                return "file-missing";
            case FileState::Directory:
                return "file-directory";
            case FileState::OtherFile:
                return "file-not-regular";
            default:
                return "file-invalid-name";
            }
        }

        // The element of an ID list that begins at `start`: up to the next comma, without the white
        // space around it.
        std::string_view ElementAt(std::string_view value, std::size_t start)
        {
            std::string_view element = value.substr(start, value.find(',', start) - start);
            while (!element.empty() && Orvel::IsSpace(element.front()))
                element.remove_prefix(1);
            while (!element.empty() && Orvel::IsSpace(element.back()))
                element.remove_suffix(1);
            return element;
        }

        class Checker
        {
        public:
            Checker(ConfigReport& report, const ConfigLines& lines, bool byteOrderMark, const InstalledGame* game)
                : m_report(report), m_lines(lines), m_byteOrderMark(byteOrderMark), m_game(game)
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
                if (m_game != nullptr)
                    CheckNames(*m_game);
                if (m_weatherlists.empty())
                    Warn(0, "no-sections", fmt::format(Texts::NoSections, Texts::Fallback));
                std::ranges::stable_sort(m_report.Warnings, {}, &Warning::Line);
            }

        private:
            void Warn(std::size_t line, std::string_view code, std::string message)
            {
                m_report.Warnings.push_back({line, std::string(code), std::move(message)});
            }

            // The line of the entry's key, or of the section's header when the reader did not tell it.
            std::size_t LineOf(std::size_t index, std::string_view key, std::size_t header) const
            {
                const auto* line = m_lines.Entry(index, key);
                return line != nullptr ? line->Line : header;
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
                const std::string meant = number >= 1 && number <= 99 ? fmt::format(Texts::MeantSection, number) : "";
                Warn(m_lines.FirstHeaderLine(index), "section-name",
                     fmt::format(Texts::SectionName, Printable(name), meant));
            }

            void CheckSection(int number, std::size_t index, const std::filesystem::path& enbseries)
            {
                const auto& section = m_report.Document.Sections[index];
                SectionReport entry{number, m_lines.FirstHeaderLine(index), {}, {}, {}, {}, {}, {}};
                const std::string& name = section.Name;

                if (const auto* headers = m_lines.HeaderLines(index))
                    for (std::size_t i = 1; i < headers->size(); ++i)
                        Warn((*headers)[i], "repeated-section",
                             fmt::format(Texts::RepeatedSection, name, headers->front()));

                for (const auto& item : section.Entries)
                {
                    const std::size_t at = LineOf(index, item.Key, entry.Line);
                    if (item.Key != IdsKey && item.Key != FileNameKey)
                    {
                        const std::string folded = Fold(item.Key, true);
                        const std::string_view real = folded == "worldspaceids" || folded == "worldspaceid" ? IdsKey
                                                      : folded == "filename" ? FileNameKey
                                                                             : "";
                        if (!real.empty())
                            Warn(at, "key-name", fmt::format(Texts::KeyName, Printable(item.Key), name, real));
                        continue;
                    }
                    const auto* line = m_lines.Entry(index, item.Key);
                    if (line != nullptr && UnclosedQuote(line->RawValue, item.Value))
                        Warn(at, "unclosed-quote", fmt::format(Texts::UnclosedQuote, item.Key, name));
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
                    Warn(entry.Line, "missing-ids", fmt::format(Texts::MissingIds, name));
                    return;
                }
                const std::size_t at = LineOf(index, IdsKey, entry.Line);
                entry.IdsLine = at;
                const std::string& value = ids->Value;
                Orvel::HexNumberListEnd end;
                entry.Ids = Orvel::ParseHexNumberList(value, {}, ",", end);
                if (value.empty())
                {
                    Warn(at, "empty-ids", fmt::format(Texts::EmptyIds, name));
                    return;
                }
                if (value.front() == '"')
                {
                    Warn(at, "quoted-ids", fmt::format(Texts::QuotedIds, name));
                    return;
                }
                if (end.Error)
                {
                    const std::string element = Printable(ElementAt(value, end.Position));
                    Warn(at, "bad-id-list",
                         fmt::format(Texts::BadIdList, name,
                                     element.empty() ? std::string("an empty element") : "'" + element + "'"));
                    return;
                }
                if (end.Position < value.size())
                {
                    const bool spaced = end.Position > 0 && Orvel::IsSpace(value[end.Position - 1]);
                    Warn(at, "list-ends-early",
                         fmt::format(Texts::ListEndsEarly, name, Printable(value.substr(end.Position)),
                                     spaced ? Texts::SpaceForComma : "", HexList(entry.Ids)));
                }
                for (const auto id : entry.Ids)
                    if (id > 0xFFFFFFu)
                        Warn(at, "id-too-large",
                             fmt::format(Texts::IdTooLarge, id, name, Nimbrava::MaskWorldspaceId(id)));
            }

            void CheckFileName(SectionReport& entry, std::size_t index, const std::string& name,
                               const std::filesystem::path& enbseries)
            {
                const auto* file = m_report.Document.Sections[index].FindEntry(FileNameKey);
                if (file == nullptr)
                {
                    Warn(entry.Line, "missing-filename", fmt::format(Texts::MissingFileName, name, Texts::Fallback));
                    entry.File = ResolveFileName(enbseries, entry.ShownName);
                    return;
                }
                const std::size_t at = LineOf(index, FileNameKey, entry.Line);
                entry.FileNameLine = at;
                entry.ShownName = Nimbrava::ShownFileName(file->Value);
                const auto* line = m_lines.Entry(index, FileNameKey);
                if (line != nullptr && SingleBackslashInQuotes(line->RawValue))
                    Warn(at, "quoted-backslash", fmt::format(Texts::QuotedBackslash, name, Printable(entry.ShownName)));
                entry.File = ResolveFileName(enbseries, entry.ShownName);
                if (entry.ShownName.empty())
                {
                    Warn(at, "empty-filename", fmt::format(Texts::EmptyFileName, name, Texts::Fallback));
                    return;
                }
                const std::string shown = Printable(entry.ShownName);
                const ResolvedFile& resolved = entry.File;
                switch (resolved.State)
                {
                case FileState::RegularFile:
                    return;
                case FileState::Missing:
                case FileState::Directory:
                case FileState::OtherFile:
                case FileState::InvalidName:
                    if (SavedAsUtf8(entry, at, name, enbseries))
                        return;
                    Warn(at, NotThereCode(resolved.State),
                         fmt::format(
                             Texts::FileNotThere, shown, name, Describe(resolved.State),
                             resolved.Why.empty() ? "" : " (" + resolved.Why + ")",
                             resolved.Path.empty() ? "" : " (" + PrintableText(GameData::Utf8Text(resolved.Path)) + ")",
                             Texts::Fallback));
                    return;
                case FileState::BadText:
                    if (SavedAsUtf8(entry, at, name, enbseries))
                        return;
                    Warn(at, "file-bad-text",
                         fmt::format(Texts::FileBadText, shown, name, resolved.Why, Texts::Fallback));
                    return;
                case FileState::NotCheckable:
                    Warn(at, "file-not-checkable", fmt::format(Texts::FileNotCheckable, shown, name, resolved.Why));
                    return;
                }
            }

            // Whether a name the game's code page leads nowhere is UTF-8 text, as an editor saving the file
            // as UTF-8 writes it; then that is the problem to tell. A name that is no text in the code page
            // (a double-byte one) fails the plugin's whole run, which the text says, whether or not the
            // UTF-8 reading names a file; one that is text there is told only when the UTF-8 reading names
            // a regular file, since many UTF-8 byte pairs are also plain letters of a single-byte page.
            bool SavedAsUtf8(const SectionReport& entry, std::size_t at, const std::string& name,
                             const std::filesystem::path& enbseries)
            {
                const std::string_view bytes = entry.ShownName;
                const auto codePage = GameCodePage();
                if (!codePage ||
                    std::ranges::none_of(bytes, [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
                    return false;
                const auto utf8 = DecodeCodePage(bytes, 65001);
                if (!utf8)
                    return false;
                const bool named = ResolveUtf8FileName(enbseries, bytes).State == FileState::RegularFile;
                if (entry.File.State == FileState::BadText)
                    Warn(at, "utf8-name",
                         fmt::format(Texts::Utf8NameNoText, name, *codePage, Texts::Fallback, PrintableText(*utf8),
                                     named ? "" : ", which is missing too"));
                else if (named)
                    Warn(at, "utf8-name",
                         fmt::format(Texts::Utf8Name, name, Printable(bytes), *codePage, Describe(entry.File.State),
                                     PrintableText(*utf8)));
                return entry.File.State == FileState::BadText || named;
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
                        const std::string fallsBack =
                            winner.File.State == FileState::RegularFile
                                ? ""
                                : fmt::format(Texts::WinnerFallsBack, Texts::Fallback, Describe(winner.File.State));
                        Warn(*section.IdsLine, "shadowed-id",
                             fmt::format(Texts::ShadowedId, id, winner.Number, *winner.IdsLine, section.Number,
                                         fallsBack));
                    }
            }

            void CheckLines()
            {
                // The mark harms only a header or a key on line 1; before a comment it does nothing. The
                // reader trims white space around the line, not between the mark and the header.
                const std::string_view lineOne = m_lines.FirstLineText();
                const std::string_view afterMark =
                    Orvel::Trimmed(lineOne.substr(std::min<std::size_t>(3, lineOne.size())));
                const bool markedHeader = m_byteOrderMark && afterMark.starts_with('[');
                const bool markedKey = m_byteOrderMark && m_lines.FirstLineKind() != Kind::Ignored;
                if (markedHeader)
                {
                    const std::size_t close = afterMark.find(']');
                    const std::string_view header =
                        close == std::string_view::npos ? afterMark : afterMark.substr(0, close + 1);
                    Warn(1, "byte-order-mark",
                         fmt::format(Texts::ByteOrderMark, fmt::format(Texts::ByteOrderMarkHeader, Printable(header))));
                }
                else if (markedKey)
                    Warn(1, "byte-order-mark", fmt::format(Texts::ByteOrderMark, Texts::ByteOrderMarkKey));
                for (const auto& other : m_lines.Others())
                {
                    if (other.What == Kind::DuplicateEntry)
                    {
                        const int number = WeatherlistNumber(m_report.Document.Sections[other.Section].Name);
                        const auto* first = m_lines.Entry(other.Section, other.Key);
                        if (number != 0 && first != nullptr && (other.Key == IdsKey || other.Key == FileNameKey))
                            Warn(other.Line, "duplicate-key",
                                 fmt::format(Texts::DuplicateKey, other.Key, number, first->Line));
                    }
                    else if (other.What == Kind::BadHeader)
                        Warn(other.Line, "unclosed-header", fmt::format(Texts::UnclosedHeader, Printable(other.Text)));
                    else if (!(m_byteOrderMark && other.Line == 1 &&
                               (markedHeader || afterMark.empty() || afterMark.starts_with(';'))))
                        Warn(other.Line, "ignored-line", fmt::format(Texts::IgnoredLine, Printable(other.Text)));
                }
            }

            // Each ID against the load order's worldspaces: IDs that match none, that several share, that
            // move with the load order. An ID an earlier section already lists is left to that section.
            void CheckNames(const InstalledGame& game)
            {
                m_report.LoadOrder = LoadOrderSource(game);
                for (const auto& problem : game.Problems)
                    m_report.Warnings.push_back({0, problem.Code, problem.Text, true});

                std::map<std::uint32_t, std::vector<GameData::Worldspace>> byId;
                for (const auto& worldspace : game.Worldspaces.Worldspaces)
                    byId[worldspace.MaskedId()].push_back(worldspace);
                std::set<std::uint32_t> listed;
                for (auto& section : m_report.Sections)
                {
                    const std::string name = fmt::format("WEATHERLIST{:02}", section.Number);
                    for (const auto id : section.Ids)
                    {
                        const auto found = byId.find(id);
                        section.Matches.push_back(found == byId.end() ? std::vector<GameData::Worldspace>{}
                                                                      : found->second);
                        if (id > 0xFFFFFFu || !listed.insert(id).second)
                            continue; // above FFFFFF, or already listed: told above
                        const auto& matches = section.Matches.back();
                        // Without Plugins.txt the mods' worldspaces are unknown: no ID can be said to name none.
                        if (matches.empty() && game.PluginsTxt)
                            Warn(*section.IdsLine, "unknown-worldspace",
                                 fmt::format(Texts::UnknownWorldspace, id, name));
                        else if (matches.size() > 1)
                            Warn(*section.IdsLine, "shared-id",
                                 fmt::format(Texts::SharedId, id, name, matches.size(), Join(matches)));
                        for (const auto& worldspace : matches)
                            if (worldspace.Light)
                                Warn(*section.IdsLine, "load-order-id",
                                     fmt::format(Texts::LoadOrderId, id, name, worldspace.EditorId, worldspace.Plugin));
                    }
                }
                for (const auto& [id, worldspaces] : byId)
                {
                    if (listed.contains(id))
                        continue;
                    m_report.Unlisted.insert(m_report.Unlisted.end(), worldspaces.begin(), worldspaces.end());
                    if (worldspaces.size() > 1)
                        m_report.Information.push_back(
                            fmt::format(Texts::UnlistedSharedId, id, worldspaces.size(), Join(worldspaces)));
                }
                // In load order, as --worldspaces lists them.
                std::ranges::stable_sort(m_report.Unlisted, {}, [&](const GameData::Worldspace& worldspace) {
                    return std::ranges::find(game.Worldspaces.Worldspaces, worldspace.FormId,
                                             &GameData::Worldspace::FormId) -
                           game.Worldspaces.Worldspaces.begin();
                });
            }

            static std::string Join(const std::vector<GameData::Worldspace>& worldspaces)
            {
                std::string text;
                for (const auto& worldspace : worldspaces)
                    text += (text.empty() ? "" : ", ") + Describe(worldspace);
                return text;
            }

            ConfigReport& m_report;
            const ConfigLines& m_lines;
            bool m_byteOrderMark;
            const InstalledGame* m_game;
            std::map<int, std::size_t> m_weatherlists; // number -> section index, in priority order
        };

        // The first bytes of the file, to tell how an editor saved it.
        std::string Start(const std::filesystem::path& file)
        {
            std::ifstream stream(file, std::ios::binary);
            std::string bytes(64, '\0');
            stream.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            bytes.resize(static_cast<std::size_t>(stream.gcount()));
            return bytes;
        }

        // UTF-16 ("Unicode" in Notepad): its byte-order mark, or a NUL in every other byte of text
        // that is mostly ASCII.
        bool IsUtf16(std::string_view start)
        {
            if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF"))
                return true;
            std::size_t pairs = 0;
            std::size_t halfNul = 0;
            for (std::size_t i = 0; i + 1 < start.size(); i += 2)
            {
                ++pairs;
                if ((start[i] == '\0') != (start[i + 1] == '\0'))
                    ++halfNul;
            }
            return pairs >= 2 && halfNul * 4 >= pairs * 3;
        }
    } // namespace

    std::optional<std::filesystem::path> ConfigurationFile(const std::filesystem::path& given, std::string& why)
    {
        std::error_code error;
        if (std::filesystem::is_directory(given, error))
            return given / "_nimbrava.ini";
        // A file named without its folder lies in the current one, from which its FileNames start.
        if (std::filesystem::is_regular_file(given, error))
            return given.has_parent_path() ? given : std::filesystem::path(".") / given;
        why = GameData::Utf8Text(given) + " is neither an enbseries folder nor a file";
        return std::nullopt;
    }

    ConfigReport CheckConfiguration(const std::filesystem::path& file, const InstalledGame* game)
    {
        ConfigReport report;
        report.File = file;
        ConfigLines lines;
        report.Document.Open(report.File, &lines);
        std::ifstream text(file, std::ios::binary);
        for (std::string line; std::getline(text, line);)
        {
            if (line.ends_with('\r'))
                line.pop_back();
            report.Lines.push_back(std::move(line));
        }
        const std::string start = Start(file);
        if (IsUtf16(start))
        {
            // The plugin reads the bytes as they are and finds nothing it knows: one problem, not one
            // per line.
            report.Warnings.push_back({0, "utf16-file", Texts::Utf16File});
            return report;
        }
        Checker(report, lines, start.starts_with("\xEF\xBB\xBF"), game).Run(file.parent_path());
        return report;
    }
} // namespace NimbravaCheck
