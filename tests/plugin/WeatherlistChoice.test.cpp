// The choice against the decision table that the Wine tests of the whole selection read too.

#include "WeatherlistChoice.h"

#include <gtest/gtest.h>
#include "Orvel/Ini.h"
#include "SelectionCases.h"

TEST(ChooseWeatherlist, DecidesEveryCaseOfTheTable)
{
    const std::filesystem::path data = NIMBRAVA_SELECTION_DATA;
    const auto cases = NimbravaTest::ReadSelectionCases(data / "cases.tsv");
    ASSERT_GE(cases.size(), 15u);
    for (const auto& row : cases)
    {
        if (!row.HasDocument())
            continue;
        SCOPED_TRACE(row.Name);
        const auto choice = Nimbrava::ChooseWeatherlist(Orvel::IniInterface(data / row.Config),
                                                        Nimbrava::MaskWorldspaceId(row.Worldspace));
        EXPECT_EQ(choice.Section, row.Section);
        EXPECT_EQ(choice.ShownName, row.Shown);
    }
}
