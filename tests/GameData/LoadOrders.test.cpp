// Load orders as the game builds them, from the table tests/data/gamedata/load-orders.tsv: each case
// a game folder written from its description, its load order read with its Plugins.txt, and held
// against the places, worldspaces and problems the case expects.

#include "GameData/LoadOrder.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <type_traits>
#include "DataFiles.h"
#include "GameData/Weathers.h"
#include "GameData/Worldspaces.h"
#include "GameDescription.h"

namespace
{
    // A plugin's place as the table writes it.
    std::string Place(const GameData::LoadedPlugin& plugin)
    {
        if (!plugin.Index)
            return "-";
        return plugin.Light ? fmt::format("FE{:03X}", *plugin.Index) : fmt::format("{:02X}", *plugin.Index);
    }

    // A problem as the table writes it: its kind, then its data.
    std::string Shown(const GameData::Problem& problem)
    {
        return std::visit(
            [](const auto& what) -> std::string {
                using T = std::decay_t<decltype(what)>;
                if constexpr (std::is_same_v<T, GameData::MissingPlugin>)
                    return "missing-plugin " + what.Plugin;
                else if constexpr (std::is_same_v<T, GameData::NotAPlugin>)
                    return fmt::format("not-a-plugin {} {}", what.Plugin, what.Line);
                else if constexpr (std::is_same_v<T, GameData::PluginsTxtMark>)
                    return "plugins-txt-mark " + what.Plugin;
                else if constexpr (std::is_same_v<T, GameData::DamagedPlugin>)
                    return "damaged-plugin " + what.Error;
                else if constexpr (std::is_same_v<T, GameData::TooManyPlugins>)
                {
                    std::string text = fmt::format("too-many-plugins {} {}", what.Full, what.Light);
                    for (const auto& plugin : what.Unnumbered)
                        text += " " + plugin;
                    return text;
                }
                else if constexpr (std::is_same_v<T, GameData::MissingMaster>)
                    return fmt::format("missing-master {} {}", what.Plugin, what.Master);
                else if constexpr (std::is_same_v<T, GameData::LightIdOutOfRange>)
                    return fmt::format("light-id-out-of-range {} {} {:08X} {} {:X}", what.Plugin, what.Record,
                                       what.FormId, what.Count, what.Lowest);
                else if constexpr (std::is_same_v<T, GameData::DamagedStrings>)
                    return fmt::format("damaged-strings {} {} more", what.Error, what.More);
                else if constexpr (std::is_same_v<T, GameData::MissingStrings>)
                    return fmt::format("missing-strings {} {} {:X}", what.Table, what.Count, what.FirstId);
                else
                    return fmt::format("other problem ({})", typeid(T).name());
            },
            problem);
    }

    struct Case
    {
        std::string Name;
        std::vector<std::vector<std::string>> Game, Expected;
        bool NativeOnly = false;
    };

    std::vector<Case> Cases(const std::filesystem::path& table)
    {
        std::vector<std::vector<std::string>> shared;
        std::vector<Case> cases;
        for (const auto& row : NimbravaTest::ReadTable(table))
            if (row.at(0) == "case")
                cases.push_back({row.at(1), shared, {}});
            else if (row[0] == "native")
                cases.back().NativeOnly = true;
            else if (cases.empty())
                shared.push_back(row);
            else if (row[0] == "order" || row[0] == "worldspaces" || row[0] == "climates" || row[0] == "problem")
                cases.back().Expected.push_back(row);
            else
                cases.back().Game.push_back(row);
        return cases;
    }
} // namespace

TEST(LoadOrders, EveryCaseOfTheTable)
{
    const auto cases = Cases(NIMBRAVA_GAMEDATA_DATA "/load-orders.tsv");
    ASSERT_GE(cases.size(), 6u);
    for (const auto& testCase : cases)
    {
        if (testCase.NativeOnly && NimbravaTest::Windows)
            continue;
        SCOPED_TRACE(testCase.Name);
        const NimbravaTest::TempDirectory folder;
        NimbravaTest::WriteGameFolder(NimbravaTest::WriteGame(testCase.Game), folder.Path());
        const GameData::GameFolder game(folder.Path());
        const auto lines = GameData::ParsePluginsTxt(NimbravaTest::ReadFile(folder / "Plugins.txt"));
        const auto order = GameData::ReadLoadOrder(game, &lines);
        const auto worldspaces = GameData::ListWorldspaces(game, order);
        const auto weathers = GameData::ListWeathers(order);

        std::vector<std::string> problems, expectedProblems;
        for (const auto* found : {&order.Problems, &worldspaces.Problems, &weathers.Problems})
            std::ranges::transform(*found, std::back_inserter(problems), Shown);
        for (const auto& row : testCase.Expected)
        {
            if (row[0] == "problem")
                expectedProblems.push_back(row.at(1));
            else if (row[0] == "worldspaces")
            {
                std::vector<std::string> listed;
                for (const auto& worldspace : worldspaces.Worldspaces)
                    listed.push_back(fmt::format("{:08X}={}", worldspace.FormId, worldspace.EditorId));
                EXPECT_THAT(listed, testing::ElementsAreArray(row.begin() + 1, row.end()));
            }
            else if (row[0] == "climates")
            {
                std::vector<std::string> listed;
                for (const auto& world : GameData::ListWeathers(order).Worldspaces)
                    listed.push_back(
                        fmt::format("{:08X}={}", world.FormId,
                                    world.ClimateInForce ? fmt::format("{:08X}", *world.ClimateInForce) : "-"));
                EXPECT_THAT(listed, testing::ElementsAreArray(row.begin() + 1, row.end()));
            }
            else
            {
                // The plugins the row names, in load order, at their places.
                std::vector<std::string> named;
                for (const auto& plugin : order.Plugins)
                    if (std::ranges::any_of(
                            row, [&](const std::string& field) { return field.starts_with(plugin.Name + "="); }))
                        named.push_back(plugin.Name + "=" + Place(plugin));
                EXPECT_THAT(named, testing::ElementsAreArray(row.begin() + 1, row.end()));
            }
        }
        EXPECT_EQ(problems, expectedProblems);
    }
}
