// GameData::StringTable on the loose string tables of the synthetic game (tests/data/gamedata/
// game.tsv): entries out of order, two IDs sharing one text's offset, code page 1252 bytes.

#include "GameData/StringTable.h"

#include <map>
#include <gtest/gtest.h>
#include "GameDescription.h"
#include "DataFiles.h"

TEST(StringTable, EveryTableOfTheSyntheticGameReadsAsDescribed)
{
    const auto game = NimbravaTest::ReadGameDescription(NIMBRAVA_GAMEDATA_DATA "/game.tsv");
    const auto files = NimbravaTest::WriteGameFiles(game);
    const NimbravaTest::TempDirectory folder;
    NimbravaTest::WriteGameFolder(files, folder.Path());
    ASSERT_GE(game.StringTables.size(), 2u);
    for (const auto& [path, entries] : game.StringTables)
    {
        SCOPED_TRACE(path);
        const std::map<std::uint32_t, std::string> expected(entries.begin(), entries.end());
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
