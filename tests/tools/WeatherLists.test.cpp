// ENB's weather lists as the checker reads them, from the table tests/data/checker/weather-lists.tsv:
// the synthetic game's lists (every quirk of published presets) and the table's own files. Under Wine
// the same rows, and every section of every file they name, are held against what Windows' own
// GetPrivateProfileSectionA gives, which is how ENB reads them: the rules the reader follows stay
// measured rather than assumed.

#include "checks/WeatherList.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <map>
#include <set>
#include "DataFiles.h"
#include "GameDescription.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace
{
    namespace fs = std::filesystem;
    using NimbravaCheck::ProfileFile;

    // What the table shows of a section ENB reads.
    std::vector<std::string> Shown(const NimbravaCheck::WeatherSection& section)
    {
        std::vector<std::string> shown = {
            fmt::format("{:03}@{}", section.Index, section.Line),
            section.FileName ? fmt::format("{}@{}", *section.FileName, section.FileNameLine) : "-"};
        for (const auto& id : section.Ids)
            shown.push_back(fmt::format("{:X}", id.Masked()));
        for (const auto& part : section.Unread)
            shown.push_back("?" + part);
        if (!section.Comment.empty())
            shown.push_back("#" + section.Comment);
        return shown;
    }

    // "N:TEXT" per line, or TEXT alone.
    std::vector<std::string> Shown(const std::vector<ProfileFile::Line>& lines, bool numbered)
    {
        std::vector<std::string> shown;
        for (const auto& line : lines)
            shown.push_back(numbered ? fmt::format("{}:{}", line.Number, line.Text) : line.Text);
        return shown;
    }

#ifdef _WIN32
    // Wine reads a file that starts with a UTF-8 byte-order mark as UTF-8, without the mark; Windows,
    // which the reading follows, takes the mark for part of line 1.
    bool AskedOfWine(std::string_view bytes)
    {
        return !bytes.starts_with("\xEF\xBB\xBF");
    }

    // What GetPrivateProfileSectionA gives: strings, each ended by a NUL.
    std::vector<std::string> AskWindows(const fs::path& file, const std::string& name)
    {
        std::vector<char> buffer(1 << 16);
        const DWORD size = GetPrivateProfileSectionA(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                                     fs::path(file).make_preferred().string().c_str());
        std::vector<std::string> lines;
        for (DWORD at = 0; at < size;)
        {
            lines.emplace_back(buffer.data() + at);
            at += static_cast<DWORD>(lines.back().size()) + 1;
        }
        return lines;
    }
#endif
} // namespace

TEST(WeatherLists, EveryRowOfTheTable)
{
    std::vector<std::vector<std::string>> files, expectations;
    for (auto& row : NimbravaTest::ReadTable(NIMBRAVA_CHECK_DATA "/weather-lists.tsv"))
        (row.at(0) == "text" || row[0] == "file" ? files : expectations).push_back(std::move(row));
    ASSERT_GE(expectations.size(), 20u);
    const NimbravaTest::TempDirectory folder;
    NimbravaTest::WriteGameFolder(NimbravaTest::WriteGame(fs::path(NIMBRAVA_GAMEDATA_DATA "/game.tsv")), folder.Path());
    NimbravaTest::WriteGameFolder(NimbravaTest::WriteGame(files), folder.Path());

    struct Read
    {
        std::string Bytes;
        ProfileFile Profile;
        NimbravaCheck::WeatherListFile List;
    };
    std::map<std::string, Read> read;
    const auto file = [&](const std::string& name) -> const Read& {
        if (!read.contains(name))
        {
            std::string bytes = NimbravaTest::ReadFile(folder / name);
            EXPECT_FALSE(bytes.empty()) << name;
            ProfileFile profile(bytes);
            auto list = NimbravaCheck::ReadWeatherList(bytes);
            read.emplace(name, Read{std::move(bytes), std::move(profile), std::move(list)});
        }
        return read.at(name);
    };

    std::map<std::string, std::vector<std::vector<std::string>>> sections; // the weather rows by file
    for (const auto& row : expectations)
    {
        SCOPED_TRACE(fmt::format("{} {} {}", row[0], row.at(1), row.size() > 2 ? row[2] : ""));
        const Read& list = file(row[1]);
        const std::vector<std::string> rest(row.begin() + 2, row.end());
        if (row[0] == "section")
        {
            const std::vector<std::string> lines(row.begin() + 3, row.end());
            EXPECT_EQ(Shown(list.Profile.Section(row.at(2)), true), lines);
#ifdef _WIN32
            if (!AskedOfWine(list.Bytes))
                continue;
            std::vector<std::string> texts;
            for (const auto& line : lines)
                texts.push_back(line.substr(line.find(':') + 1));
            EXPECT_EQ(AskWindows(folder / row[1], row[2]), texts) << "Windows' own reading";
#endif
        }
        else if (row[0] == "weather")
            sections[row[1]].push_back(rest);
        else if (row[0] == "unread")
        {
            std::vector<std::string> lines;
            for (const auto& unread : list.List.Unread)
                lines.push_back(std::to_string(unread.Header.Number));
            EXPECT_EQ(lines, rest);
        }
        else if (row[0] == "location")
        {
            std::vector<std::string> ids;
            for (const auto& weather : NimbravaCheck::ReadLocationWeathers(list.Bytes))
                ids.push_back(fmt::format("{:X}@{}", weather.Masked, weather.Line));
            EXPECT_EQ(ids, rest);
        }
        else
            ADD_FAILURE() << "unknown row";
    }
    for (const auto& [name, rows] : sections)
    {
        SCOPED_TRACE(name);
        std::vector<std::vector<std::string>> shown;
        for (const auto& section : file(name).List.Sections)
            shown.push_back(Shown(section));
        EXPECT_EQ(shown, rows);
    }

#ifdef _WIN32
    // Every section of every file, and a name that none has, as Windows gives them.
    for (const auto& [name, list] : read)
    {
        if (!AskedOfWine(list.Bytes))
            continue;
        std::set<std::string> names = {"WEATHER999"};
        for (const auto& header : list.Profile.Headers())
            names.insert(header.Name);
        for (const auto& section : names)
        {
            SCOPED_TRACE(name + " [" + section + "]");
            EXPECT_EQ(AskWindows(folder / name, section), Shown(list.Profile.Section(section), false));
        }
    }
#endif
}
