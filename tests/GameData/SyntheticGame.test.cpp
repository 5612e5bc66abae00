// GameData's reader on the synthetic game in tests/data/gamedata/game.tsv, written into a folder by
// tests/support's writer: each plugin must read as game.expected beside it says, from the file and
// from memory alike, looking at little more than its header, its group headers and the records it
// reads (worldspaces, weathers, climates, regions), and reading from the file no group it passes over
// that is larger than a jump is worth; and the load order's weathers, and the weathers each worldspace
// can show, must be as game-weathers.expected says. Its string tables are read where they are used:
// the checker's runs over this game show the names they hold (tests/data/checker/game).

#include "GameData/PluginFile.h"
#include "GameData/Weathers.h"

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include "DataFiles.h"
#include "GameDescription.h"

namespace
{
    const std::filesystem::path Data = NIMBRAVA_GAMEDATA_DATA;

    // What a reader may read beyond the least it must: "a few kilobytes" of a large master.
    constexpr std::uint64_t Slack = 4096;
    constexpr std::uint64_t HeaderSize = 24;

    std::string Hex(const std::optional<std::uint32_t>& value)
    {
        return value ? fmt::format("{:08X}", *value) : "-";
    }

    std::string Entries(const std::vector<GameData::WeatherChance>& entries)
    {
        std::vector<std::string> shown;
        for (const auto& entry : entries)
            shown.push_back(fmt::format("{:08X}:{}", entry.Weather, entry.Chance));
        return fmt::format("{}", fmt::join(shown, ","));
    }

    // A plugin as game.expected shows it: its header, then a line per record in file order, at the
    // place where the writer put the record of its type and form ID (GameDescription.h), or at its
    // offset.
    std::vector<std::string> Shown(const std::string& name, const GameData::PluginFile& read,
                                   const NimbravaTest::PlaceMap& places)
    {
        std::vector<std::pair<std::uint64_t, std::string>> records;
        const auto add = [&](std::string_view type, const GameData::KeptRecord& record, const std::string& rest) {
            const std::string place = fmt::format("{}.{:08X}", type, record.FormId);
            const bool atPlace = places.contains(place) && places.at(place) == record.Offset;
            records.emplace_back(record.Offset, fmt::format("  at {}: {:08X} flags {:#x} EDID \"{}\" {}",
                                                            atPlace ? place : std::to_string(record.Offset),
                                                            record.FormId, record.Flags, record.EditorId, rest));
        };
        for (const auto& world : read.Worldspaces)
        {
            const std::string full = world.FullText       ? "\"" + *world.FullText + "\""
                                     : world.FullStringId ? fmt::format("#{:#x}", *world.FullStringId)
                                                          : "-";
            add("WRLD", world,
                fmt::format("FULL {} WNAM {} CNAM {} PNAM {} DATA {}", full, Hex(world.Parent), Hex(world.Climate),
                            world.ParentUse ? fmt::format("{:#x}", *world.ParentUse) : "-",
                            world.WorldFlags ? fmt::format("{:#x}", *world.WorldFlags) : "-"));
        }
        for (const auto& weather : read.Weathers)
            add("WTHR", weather,
                fmt::format("class {}", weather.Classification ? fmt::format("{:#x}", *weather.Classification) : "-"));
        for (const auto& climate : read.Climates)
            add("CLMT", climate, "WLST " + Entries(climate.Weathers));
        for (const auto& region : read.Regions)
        {
            std::string rest = "WNAM " + Hex(region.Worldspace);
            for (const auto& entry : region.Entries)
                rest += fmt::format(" RDAT {:#x} {} RDWT {}", entry.Flags, entry.Priority, Entries(entry.Weathers));
            add("REGN", region, rest);
        }
        std::ranges::sort(records);
        std::vector<std::string> lines = {
            fmt::format("{} flags {:#x} version {:.2f} masters {}", name, read.Header.Flags, read.Header.Version,
                        read.Header.Masters.empty() ? "-" : fmt::format("{}", fmt::join(read.Header.Masters, ", ")))};
        for (auto& [offset, line] : records)
            lines.push_back(std::move(line));
        return lines;
    }

    // The weathers of the load order and what each worldspace can show, as game-weathers.expected
    // shows them.
    std::vector<std::string> ShownWeathers(const GameData::GameWeathers& game)
    {
        std::map<std::uint32_t, std::string> names;
        std::vector<std::string> lines;
        for (const auto& weather : game.Weathers)
        {
            const auto classes = GameData::ClassificationNames(weather.Classification);
            lines.push_back(fmt::format("weather {:08X} {} {} {}{}", weather.FormId, weather.EditorId,
                                        classes.empty() ? "-" : fmt::format("{}", fmt::join(classes, "+")),
                                        weather.Plugin, weather.Light ? " light" : ""));
            names[weather.FormId] = weather.EditorId;
        }
        for (const auto& region : game.Regions)
            names[region.FormId] = region.EditorId;
        for (const auto& world : game.Worldspaces)
        {
            std::string line = fmt::format("worldspace {:08X} {} climate {}{}:", world.FormId, world.EditorId,
                                           Hex(world.ClimateInForce), world.ShowsSky() ? "" : " (no sky)");
            for (const auto& possible : world.Weathers)
                line += fmt::format(" {}<{}", names.at(possible.Weather),
                                    possible.Region ? names.at(*possible.Region) : "climate");
            lines.push_back(line);
        }
        return lines;
    }

    // Whether a place is of a record that the reader reads, or of its group: "WRLD.", "GRUP.WTHR", ...
    bool IsRead(std::string_view place)
    {
        if (place.starts_with("GRUP."))
            place.remove_prefix(5);
        return place.starts_with("WRLD") || place.starts_with("WTHR") || place.starts_with("CLMT") ||
               place.starts_with("REGN");
    }

    // The bytes every reader must read: the header record's header (a subrecord it does not read it
    // may pass over), each group header around or before the records it reads, each such record's
    // header. And the most it needs: all of the header record, the group headers, and all of each
    // record it reads. (The top-level groups' labels differ in each plugin of game.tsv, so each has
    // a place.)
    std::pair<std::uint64_t, std::uint64_t> LeastAndMost(const NimbravaTest::PlaceMap& places)
    {
        constexpr std::string_view End = ".end";
        std::uint64_t most = places.at("end");
        for (const auto& [name, at] : places)
            if (name.starts_with("GRUP."))
                most = std::min(most, at);
        std::uint64_t least = HeaderSize;
        for (const auto& [name, at] : places)
        {
            if (name.starts_with("GRUP.") || name.starts_with("CHILDREN."))
            {
                least += HeaderSize;
                most += HeaderSize;
            }
            else if (IsRead(name) && name.ends_with(End))
            {
                least += HeaderSize;
                most += at - places.at(name.substr(0, name.size() - End.size()));
            }
        }
        return {least, most};
    }

    // What a reader of the file may read of the groups it passes over: those small enough that reading
    // through them costs about what a jump does (GameData reads through gaps of up to 64 KiB, and
    // reads on by as much again as it went through).
    std::uint64_t Bridged(const NimbravaTest::PlaceMap& places)
    {
        constexpr std::uint64_t Gap = std::uint64_t{64} << 10;
        std::set<std::uint64_t> starts; // of whatever has a place: a group ends where the next thing starts
        for (const auto& [name, at] : places)
            starts.insert(at);
        std::uint64_t bridged = 0;
        for (const auto& [name, at] : places)
        {
            const auto next = starts.upper_bound(at);
            const std::uint64_t size = next == starts.end() ? 0 : *next - at;
            if ((name.starts_with("CHILDREN.") || (name.starts_with("GRUP.") && !IsRead(name))) && size <= Gap)
                bridged += size;
        }
        return bridged;
    }
} // namespace

TEST(SyntheticGame, EveryPluginAndStringTableReadsAsDescribed)
{
    const auto files = NimbravaTest::WriteGame(Data / "game.tsv");
    const NimbravaTest::TempDirectory folder;
    NimbravaTest::WriteGameFolder(files, folder.Path());
    std::vector<std::string> fromFiles, fromMemory;
    double largestSaving = 0; // how many times the largest file is bigger than what may be read of it
    for (const auto& [path, places] : files.Places)
    {
        SCOPED_TRACE(path);
        const auto& bytes = files.Files.at(path);
        const std::string name = std::filesystem::path(path).filename().string();
        const auto [least, most] = LeastAndMost(places);
        largestSaving = std::max(largestSaving, static_cast<double>(bytes.size()) / static_cast<double>(most + Slack));

        const auto fromFile = GameData::ReadPluginFile(folder / path);
        const auto inMemory = GameData::ReadPluginFile(std::as_bytes(std::span(bytes)), name);
        std::ranges::copy(Shown(name, fromFile, places), std::back_inserter(fromFiles));
        std::ranges::copy(Shown(name, inMemory, places), std::back_inserter(fromMemory));
        EXPECT_GE(inMemory.BytesRead, least);
        EXPECT_LE(inMemory.BytesRead, most + Slack) << "of " << bytes.size() << " bytes";
        EXPECT_GE(fromFile.BytesRead, least);
        EXPECT_LE(fromFile.BytesRead, 2 * (most + Bridged(places)) + Slack) << "of " << bytes.size() << " bytes";
    }
    std::vector<std::string> expected;
    for (const auto& row : NimbravaTest::ReadTable(Data / "game.expected"))
        expected.push_back(row.at(0));
    ASSERT_GE(expected.size(), 75u);
    EXPECT_EQ(fromFiles, expected);
    EXPECT_EQ(fromMemory, expected);
    EXPECT_GT(largestSaving, 20) << "the game holds a master much larger than the records read of it";

    // The load order's weathers, and what each worldspace can show.
    const GameData::GameFolder game(folder.Path());
    const auto pluginsTxt = GameData::ParsePluginsTxt(NimbravaTest::ReadFile(folder / "Plugins.txt"));
    const auto weathers = GameData::ListWeathers(GameData::ReadLoadOrder(game, &pluginsTxt));
    std::vector<std::string> expectedWeathers;
    for (const auto& row : NimbravaTest::ReadTable(Data / "game-weathers.expected"))
        expectedWeathers.push_back(row.at(0));
    ASSERT_GE(expectedWeathers.size(), 40u);
    EXPECT_EQ(ShownWeathers(weathers), expectedWeathers);
}
