// What the readers keep, measured against their budgets at a small size: plugins of compressed records
// of 40-odd bytes that inflate to a 1 KiB editor ID and a 1 KiB name (a 13 MB plugin of them took
// 2.26 GB), and a string table of which two names are used (eight of 64 MiB took 2.9 GB).

#include "GameData/PluginFile.h"
#include "GameData/StringTable.h"

#include <fmt/format.h>
#include <functional>
#include <gmock/gmock.h>
#include "AllocationCounter.h"
#include "DataFiles.h"
#include "GameDescription.h"

namespace
{
    // A plugin of `records` compressed worldspace records, each with a 1 KiB editor ID and name.
    std::string LongNames(std::uint32_t records)
    {
        const auto files = NimbravaTest::WriteGame(std::vector<std::vector<std::string>>{
            {"plugin", "Long.esp", "flags=0", "version=1.70"},
            {"group", "WRLD"},
            {"wrld", "01000800", "EDID*=1024", "FULL*=1024", "compressed", fmt::format("repeat={}", records)}});
        return files.Files.at("Data/Long.esp");
    }

    std::string Message(const std::function<void()>& read)
    {
        return NimbravaTest::Caught<GameData::PluginFileError>(read).what();
    }
} // namespace

TEST(Budgets, APluginKeepsNoMoreThanItsBudgetAllows)
{
    constexpr GameData::FileBudget Budget{64, 64 << 10, 1 << 20};
    // Its records (twice over while their list grows), its names, each with its NUL, and its header.
    constexpr std::size_t Allowed =
        2 * Budget.Records * sizeof(GameData::WorldspaceRecord) + Budget.NameBytes + 2 * Budget.Records + 1024;
    // While it reads, also the window that records inflate through (16 KiB) and an error's text.
    constexpr std::size_t AllowedWhileReading = Allowed + (std::size_t{20} << 10);
    const std::string fits = LongNames(32);
    NimbravaTest::AllocationCounter counter;
    const auto plugin = GameData::ReadPluginFile(std::as_bytes(std::span(fits)), "Long.esp", Budget);
    const auto kept = counter.Kept();
    EXPECT_EQ(plugin.Worldspaces.size(), 32u);
    EXPECT_EQ(plugin.NameBytes, Budget.NameBytes);
    EXPECT_GE(kept, static_cast<std::ptrdiff_t>(Budget.NameBytes)) << "the names are kept";
    EXPECT_LE(kept, static_cast<std::ptrdiff_t>(Allowed));
    EXPECT_LT(fits.size() / 32, 80u) << "a few dozen bytes a record";

    // Thirty times the names the budget keeps, and a hundred times its records (empty ones): errors
    // that name the budget, having held no more than the budget allows, whatever the file's size.
    const std::string past = LongNames(1000);
    NimbravaTest::AllocationCounter pastNames;
    EXPECT_THAT(Message([&] { (void)GameData::ReadPluginFile(std::as_bytes(std::span(past)), "Long.esp", Budget); }),
                testing::HasSubstr("its names take more bytes than the budget of 65536 bytes of names kept per "
                                   "plugin"));
    EXPECT_LE(pastNames.Peak(), AllowedWhileReading) << "of names of 2 MB";
    const auto empty = NimbravaTest::WriteGame(std::vector<std::vector<std::string>>{
        {"plugin", "Empty.esp", "flags=0", "version=1.70"}, {"group", "WRLD"}, {"wrld", "01000800", "repeat=6400"}});
    const std::string& many = empty.Files.at("Data/Empty.esp");
    NimbravaTest::AllocationCounter pastRecords;
    EXPECT_THAT(Message([&] { (void)GameData::ReadPluginFile(std::as_bytes(std::span(many)), "Empty.esp", Budget); }),
                testing::HasSubstr("more worldspace, weather, climate and region records than the budget of 64 "
                                   "records kept per plugin"));
    EXPECT_LE(pastRecords.Peak(), AllowedWhileReading) << "of 6400 records";
}

TEST(Budgets, AStringTableKeepsOnlyTheStringsNamesUse)
{
    std::vector<std::vector<std::string>> rows = {{"plugin", "Big.esp", "flags=0x80", "version=1.70"}};
    for (int id = 1; id <= 1000; ++id)
        rows.push_back({"strings", "english", std::to_string(id), fmt::format("{:0>100}", id)});
    const auto files = NimbravaTest::WriteGame(rows);
    const std::string& table = files.Files.at("Data/Strings/Big_english.STRINGS");
    const auto bytes = std::as_bytes(std::span(table));
    constexpr std::uint32_t Wanted[] = {7, 700};
    const GameData::TableBudget generous{1 << 20, 1 << 20};

    NimbravaTest::AllocationCounter counter;
    const auto read = GameData::StringTable::Parse(bytes, "Big_english.STRINGS", Wanted, generous);
    EXPECT_LE(counter.Kept(), 1024) << "two strings of 100 bytes, of 100 KB";
    EXPECT_EQ(read.Size(), 2u);
    EXPECT_EQ(read.Find(700), fmt::format("{:0>100}", 700));
    EXPECT_FALSE(read.Find(8));
    // Its directory and the two strings' first bytes, at most.
    EXPECT_LE(read.BytesRead(), 8 + 8 * 1000 + 2 * (GameData::MaximumNameSize + 1));

    // What is left of the run's budget, or of the names a table may keep: errors that name them.
    const auto message = [&](const GameData::TableBudget& budget) {
        return std::string(NimbravaTest::Caught<GameData::StringTableError>([&] {
                               (void)GameData::StringTable::Parse(bytes, "Big_english.STRINGS", Wanted, budget);
                           }).what());
    };
    EXPECT_THAT(message({8000, 1 << 20}), testing::HasSubstr("reading it passes the budget of 67108864 bytes of string "
                                                             "tables read per run"));
    EXPECT_THAT(message({1 << 20, 150}),
                testing::HasSubstr("its strings take more bytes than the budget of 150 bytes of names kept per "
                                   "plugin"));
}

TEST(Budgets, AStringTableKeepsOneSlotPerWantedIdHoweverLongItsDirectory)
{
    // 20,000 entries that give the two wanted IDs again and again, each time another text.
    std::vector<std::vector<std::string>> rows = {{"plugin", "Again.esp", "flags=0x80", "version=1.70"}};
    for (int time = 1; time <= 10000; ++time)
        for (const char* id : {"7", "700"})
            rows.push_back({"strings", "english", id, fmt::format("{}, time {}", id, time)});
    const auto files = NimbravaTest::WriteGame(rows);
    const std::string& table = files.Files.at("Data/Strings/Again_english.STRINGS");
    constexpr std::uint32_t Wanted[] = {7, 700};

    NimbravaTest::AllocationCounter counter;
    const auto read = GameData::StringTable::Parse(std::as_bytes(std::span(table)), "Again_english.STRINGS", Wanted,
                                                   {1 << 20, 1 << 20});
    EXPECT_LE(counter.Peak(), 2048u) << "a directory of 160 KB";
    // An ID given twice takes its last entry.
    EXPECT_EQ(read.Find(7), "7, time 10000");
    EXPECT_EQ(read.Find(700), "700, time 10000");
}
