// GameData::Cp1252ToUtf8: the rows of tests/data/gamedata/cp1252.tsv, every byte among them.

#include "GameData/Text.h"

#include <gtest/gtest.h>
#include "DataFiles.h"

TEST(Cp1252ToUtf8, RowsOfTheTable)
{
    const auto rows = NimbravaTest::ReadTable(NIMBRAVA_GAMEDATA_DATA "/cp1252.tsv");
    ASSERT_GE(rows.size(), 26u);
    for (const auto& row : rows)
        EXPECT_EQ(NimbravaTest::Escape(GameData::Cp1252ToUtf8(row.at(0))), NimbravaTest::Escape(row.at(1)))
            << NimbravaTest::Escape(row[0]);
}
