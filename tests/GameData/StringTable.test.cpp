// GameData::StringTable on the loose string tables of the synthetic game (tests/data/gamedata/
// game.tsv): entries out of order, two IDs sharing one text's offset, code page 1252 bytes.

#include "GameData/StringTable.h"

#include <map>
#include <gtest/gtest.h>
#include "DataFiles.h"
#include "GameDescription.h"

TEST(StringTable, EveryTableOfTheSyntheticGameReadsAsDescribed)
{
    const std::filesystem::path description = NIMBRAVA_GAMEDATA_DATA "/game.tsv";
    const auto files = NimbravaTest::WriteGame(description);
    const NimbravaTest::TempDirectory folder;
    NimbravaTest::WriteGameFolder(files, folder.Path());
    // The entries that the rows give each table, by the table's path (GameDescription.h) and ID.
    std::map<std::string, std::map<std::uint32_t, std::string>> tables;
    std::string plugin;
    for (const auto& row : NimbravaTest::ReadTable(description))
    {
        if (row[0] == "plugin")
            plugin = row.at(1).substr(0, row[1].rfind('.'));
        else if (row[0] == "strings")
        {
            const auto id = static_cast<std::uint32_t>(std::stoul(row.at(2), nullptr, 0));
            tables["Data/Strings/" + plugin + "_" + row.at(1) + ".STRINGS"][id] = row.at(3);
        }
    }
    ASSERT_GE(tables.size(), 2u);
    for (const auto& [path, expected] : tables)
    {
        SCOPED_TRACE(path);
        const auto& bytes = files.Files.at(path);
        const auto fromFile = GameData::StringTable::Read(folder / path);
        const auto fromMemory = GameData::StringTable::Parse(std::as_bytes(std::span(bytes)), "table");
        for (const auto* table : {&fromFile, &fromMemory})
        {
            EXPECT_EQ(table->Size(), expected.size());
            for (const auto& [id, text] : expected)
                EXPECT_EQ(table->Find(id) != nullptr ? *table->Find(id) : "(none)", text) << id;
            EXPECT_EQ(table->Find(0xDEADBEEF), nullptr);
        }
    }
}
