// Damaged plugins and string tables from the table tests/data/gamedata/damage.tsv: each must give
// its reader's error (PluginFileError, StringTableError), naming the file and the offset, from memory and from a file
// alike, without an allocation beyond the reader's limits (the test program's timeout catches a reader that loops).

#include "GameData/PluginFile.h"
#include "GameData/StringTable.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include "AllocationCounter.h"
#include "DataFiles.h"
#include "GameDescription.h"

TEST(DamagedFiles, EveryRowOfTheTableGivesItsError)
{
    // The most the reader may allocate at once: a record's data and its inflated bytes.
    constexpr std::size_t MostAtOnce = std::size_t{GameData::MaximumRecordSize} + GameData::MaximumInflatedSize;
    const auto files = NimbravaTest::WriteGame(std::filesystem::path(NIMBRAVA_GAMEDATA_DATA "/damaged.tsv"));
    const auto rows = NimbravaTest::ReadTable(NIMBRAVA_GAMEDATA_DATA "/damage.tsv");
    ASSERT_GE(rows.size(), 40u);
    const NimbravaTest::TempDirectory folder;
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row[0] + ": " + row.at(5));
        std::string bytes = files.Files.at(row[0]);
        auto places = files.Places.contains(row[0]) ? files.Places.at(row[0]) : NimbravaTest::PlaceMap{};
        places["end"] = bytes.size();
        NimbravaTest::Patch(std::as_writable_bytes(std::span(bytes)), places, row[2]);
        if (row[1] != "-")
            bytes.resize(NimbravaTest::Evaluate(row[1], places));
        // The file's name in errors is the file name of its path.
        const std::string name = std::filesystem::path(row[0]).filename().string();
        const auto path = folder.WriteFile(name, bytes);
        const auto memory = std::as_bytes(std::span(bytes));
        for (const bool file : {false, true})
        {
            SCOPED_TRACE(file ? "from the file" : "from memory");
            const auto read = [&] {
                if (name.ends_with(".STRINGS"))
                    (void)(file ? GameData::StringTable::Read(path) : GameData::StringTable::Parse(memory, name));
                else
                    (void)(file ? GameData::ReadPluginFile(path) : GameData::ReadPluginFile(memory, name));
            };
            NimbravaTest::AllocationCounter counter;
            if (row[3] == "-")
            {
                EXPECT_NO_THROW(read());
                continue;
            }
            // A table's own error, a plugin's own: a caller catches the one it reads.
            const GameData::DamagedFileError error =
                name.ends_with(".STRINGS")
                    ? GameData::DamagedFileError(NimbravaTest::Caught<GameData::StringTableError>(read))
                    : GameData::DamagedFileError(NimbravaTest::Caught<GameData::PluginFileError>(read));
            EXPECT_LE(counter.Largest(), MostAtOnce);
            const std::uint64_t offset = NimbravaTest::Evaluate(row[4], places);
            EXPECT_THAT(error.what(), testing::AllOf(testing::StartsWith(name + ": "), testing::HasSubstr(row[3]),
                                                     testing::EndsWith(fmt::format(" (at offset 0x{:X})", offset))));
            EXPECT_EQ(error.Offset(), offset);
        }
    }
}
