// Damaged plugins and string tables from the table tests/data/gamedata/damage.tsv: each must give
// its reader's error (PluginFileError, StringTableError), naming the file and the offset, thrown for
// damage to the file's structure or a budget spent, reported beside what reads for damage inside one
// record or one string; from memory and from a file alike, never holding more than the budgets allow
// (the test program's timeout catches a reader that loops). And what each result of zlib means, from
// tests/data/gamedata/zlib-results.tsv: the results that no file can provoke among them.

#include "GameData/PluginFile.h"
#include "GameData/StringTable.h"

#include <algorithm>
#include <fmt/format.h>
#include <gmock/gmock.h>
#include "AllocationCounter.h"
#include "DataFiles.h"
#include "Detail/ZlibResult.h"
#include "GameDescription.h"

namespace
{
    using testing::AllOf;
    using testing::EndsWith;
    using testing::HasSubstr;
    using testing::StartsWith;

    // What reading a file reported: the error thrown, or else the damage reported beside what read,
    // with the costs of the reading.
    struct Reading
    {
        std::optional<GameData::DamagedFileError> Thrown;
        std::vector<GameData::DamagedFileError> Reported;
        std::uint64_t Inflated = 0, Read = 0;
        std::vector<std::uint64_t> Records; // their offsets, of every kind
    };

    Reading Read(const std::string& name, const std::filesystem::path& path, std::span<const std::byte> memory,
                 bool file)
    {
        Reading reading;
        try
        {
            if (name.ends_with(".STRINGS"))
            {
                constexpr std::uint32_t Wanted[] = {1, 2, 3};
                const GameData::TableBudget budget{GameData::StringTableBudget, GameData::PluginBudget.NameBytes};
                const auto table = file ? GameData::StringTable::Read(path, {}, Wanted, budget)
                                        : GameData::StringTable::Parse(memory, name, Wanted, budget);
                reading.Reported.assign(table.Damaged().begin(), table.Damaged().end());
                reading.Read = table.BytesRead();
                return reading;
            }
            const auto plugin = file ? GameData::ReadPluginFile(path) : GameData::ReadPluginFile(memory, name);
            reading.Reported.assign(plugin.DamagedRecords.begin(), plugin.DamagedRecords.end());
            reading.Inflated = plugin.InflatedBytes;
            reading.Read = plugin.BytesRead;
            for (const auto& world : plugin.Worldspaces)
                reading.Records.push_back(world.Offset);
            for (const auto& weather : plugin.Weathers)
                reading.Records.push_back(weather.Offset);
            for (const auto& climate : plugin.Climates)
                reading.Records.push_back(climate.Offset);
            for (const auto& region : plugin.Regions)
                reading.Records.push_back(region.Offset);
        }
        // A table's own error, a plugin's own: a caller catches the one it reads.
        catch (const GameData::PluginFileError& error)
        {
            EXPECT_FALSE(name.ends_with(".STRINGS")) << error.what();
            reading.Thrown = error;
        }
        catch (const GameData::StringTableError& error)
        {
            EXPECT_TRUE(name.ends_with(".STRINGS")) << error.what();
            reading.Thrown = error;
        }
        return reading;
    }

    // "inflated<=N read<=N" as pairs.
    std::map<std::string, std::uint64_t> Bounds(const std::string& text)
    {
        std::map<std::string, std::uint64_t> bounds;
        std::istringstream words(text == "-" ? "" : text);
        for (std::string word; words >> word;)
            bounds[word.substr(0, word.find("<="))] = std::stoull(word.substr(word.find("<=") + 2), nullptr, 0);
        return bounds;
    }
} // namespace

TEST(DamagedFiles, EveryRowOfTheTableGivesItsError)
{
    // The most the reader may hold at once, whatever the file: its records at the budget's size (of the
    // largest kind), twice over while their list grows, their names and their weather entries, and a
    // window of the file and of an inflated record.
    constexpr auto& Budget = GameData::PluginBudget;
    constexpr std::size_t LargestRecord = std::max({sizeof(GameData::WorldspaceRecord), sizeof(GameData::WeatherRecord),
                                                    sizeof(GameData::ClimateRecord), sizeof(GameData::RegionRecord)});
    constexpr std::size_t MostHeld = 2 * Budget.Records * LargestRecord + 2 * Budget.NameBytes +
                                     2 * Budget.Entries * sizeof(GameData::WeatherChance) +
                                     GameData::MaximumReadAtOnce + (std::size_t{1} << 20);
    const auto files = NimbravaTest::WriteGame(std::filesystem::path(NIMBRAVA_GAMEDATA_DATA "/damaged.tsv"));
    const auto rows = NimbravaTest::ReadTable(NIMBRAVA_GAMEDATA_DATA "/damage.tsv");
    ASSERT_GE(rows.size(), 58u);
    const NimbravaTest::TempDirectory folder;
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row[0] + ": " + row.at(6));
        std::string bytes = files.Files.at(row[0]);
        auto places = files.Places.contains(row[0]) ? files.Places.at(row[0]) : NimbravaTest::PlaceMap{};
        places["end"] = bytes.size();
        NimbravaTest::Patch(std::as_writable_bytes(std::span(bytes)), places, row[2]);
        if (row[1] != "-")
            bytes.resize(NimbravaTest::Evaluate(row[1], places));
        // The file's name in errors is the file name of its path.
        const std::string name = std::filesystem::path(row[0]).filename().string();
        const auto path = folder.WriteFile(name, bytes);
        const bool beside = (row[3].size() > 16 && row[3].starts_with("the ") && row[3].substr(8, 8) == " record ") ||
                            row[3].starts_with("the string of ID ");
        const auto bounds = Bounds(row.at(5));
        for (const bool file : {false, true})
        {
            SCOPED_TRACE(file ? "from the file" : "from memory");
            NimbravaTest::AllocationCounter counter;
            const Reading reading = Read(name, path, std::as_bytes(std::span(bytes)), file);
            EXPECT_LE(counter.Peak(), MostHeld);
            EXPECT_LE(reading.Inflated, bounds.contains("inflated") ? bounds.at("inflated") : Budget.InflatedBytes);
            // In memory the bytes looked at are counted, some more than once.
            if (bounds.contains("read") || file)
            {
                EXPECT_LE(reading.Read, bounds.contains("read") ? bounds.at("read") : bytes.size());
            }
            EXPECT_EQ(reading.Thrown.has_value(), row[3] != "-" && !beside)
                << (reading.Thrown ? reading.Thrown->what() : "nothing thrown");
            if (row[3] == "-")
            {
                EXPECT_THAT(reading.Reported, testing::IsEmpty());
                continue;
            }
            // A record whose data is damaged is read all the same, and so is every other record.
            for (const auto& [place, at] : places)
            {
                if (beside && place.size() == 13 && place[4] == '.' && !place.starts_with("GRUP"))
                {
                    EXPECT_THAT(reading.Records, testing::Contains(at)) << place;
                }
            }
            const std::uint64_t offset = NimbravaTest::Evaluate(row[4], places);
            const auto reported = std::ranges::find(reading.Reported, offset, &GameData::DamagedFileError::Offset);
            ASSERT_TRUE(reading.Thrown || reported != reading.Reported.end()) << "nothing reported at " << offset;
            const GameData::DamagedFileError& error = reading.Thrown ? *reading.Thrown : *reported;
            EXPECT_THAT(error.what(), AllOf(StartsWith(name + ": "), HasSubstr(row[3]),
                                            EndsWith(fmt::format(" (at offset 0x{:X})", offset))));
            EXPECT_EQ(error.Offset(), offset);
        }
    }
}

TEST(DamagedFiles, EveryResultOfZlibIsProgressOrDamage)
{
    using enum GameData::Detail::ZlibResult;
    const std::map<std::string, GameData::Detail::ZlibResult> meanings = {
        {"going", Going},      {"ended", Ended},        {"out-of-memory", OutOfMemory},
        {"not-zlib", NotZlib}, {"cut-short", CutShort}, {"failed", Failed}};
    const auto rows = NimbravaTest::ReadTable(NIMBRAVA_GAMEDATA_DATA "/zlib-results.tsv");
    ASSERT_GE(rows.size(), 11u);
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.at(1));
        EXPECT_EQ(GameData::Detail::JudgeZlib(std::stoi(row[0])), meanings.at(row.at(2)));
    }
}
