// Each pass of the configuration check by its own table (tests/data/checker/passes/PASS.tsv): a small
// "_nimbrava.ini" in, the pass run alone on it, its findings out, each as "LINE code [SECTIONS] IDS"
// ("-" for no line; "FILE:LINE" for a finding about another file than "_nimbrava.ini"), " | " between
// them.

#include <fmt/format.h>
#include <gmock/gmock.h>
#include "../plugin/SelectionCases.h"
#include "checks/Passes.h"
#include "commands/Inputs.h"

namespace
{
    namespace fs = std::filesystem;
    using namespace NimbravaCheck;
    const fs::path Data = NIMBRAVA_CHECK_DATA "/passes";

    std::string Shown(const std::vector<Finding>& findings)
    {
        std::string text;
        for (const auto& finding : findings)
        {
            const std::string file = finding.File.empty() || finding.File.filename() == "_nimbrava.ini"
                                         ? ""
                                         : finding.File.filename().string() + ":";
            text += fmt::format("{}{}{} {}", text.empty() ? "" : " | ", file,
                                finding.Line ? std::to_string(*finding.Line) : "-", finding.Row().Name);
            if (!finding.About.Sections.empty())
                text += fmt::format(" [{}]", fmt::join(finding.About.Sections, ","));
            if (!finding.About.Worldspaces.empty())
                text += fmt::format(" {:X}", fmt::join(finding.About.Worldspaces, ","));
        }
        return text.empty() ? "-" : text;
    }

    // Runs `pass` on each row of its table: the code page ("-" for none), the configuration, the
    // findings; with `game`, its rows "world FORMID EDITORID PLUGIN [light]" are the load order's
    // worldspaces, and the code page column says whether Plugins.txt was read. For the weather lists:
    // "weather FORMID EDITORID CLASSIFICATION PLUGIN [light]" a weather of the load order, "region
    // FORMID EDITORID" a region, "sky FORMID [nosky] WEATHER[<REGION]..." the weathers a worldspace can
    // show (from its climate, or from the region), "file NAME TEXT" a file of the enbseries folder.
    void CheckTable(const std::string& table, Pass pass)
    {
        const NimbravaTest::TempDirectory folder;
        NimbravaTest::MakeGameTree(Data / "tree.txt", folder.Path());
        InstalledGame game{GameData::GameFolder(folder.Path()), {}, {}, {}, {}, {}, {}};
        int checked = 0;
        for (const auto& row : NimbravaTest::ReadTable(Data / (table + ".tsv")))
        {
            const auto hex = [&row](std::size_t field) {
                return static_cast<std::uint32_t>(std::stoul(row.at(field), nullptr, 16));
            };
            auto& weathers = game.Weathers;
            if (row[0] == "world")
            {
                game.Worldspaces.Worldspaces.push_back(
                    {hex(1), row.at(2), std::nullopt, row.at(3), row[3], row.size() > 4, std::nullopt});
                continue;
            }
            if (row[0] == "weather")
            {
                weathers.Weathers.push_back({{hex(1), row.at(2), row.at(4), row.size() > 5}, 0});
                weathers.Weathers.back().Classification = static_cast<std::uint8_t>(hex(3));
                continue;
            }
            if (row[0] == "region")
            {
                weathers.Regions.push_back({{hex(1), row.at(2), "", false}, std::nullopt, {}});
                continue;
            }
            if (row[0] == "sky")
            {
                auto& sky = weathers.Worldspaces.emplace_back();
                sky.FormId = hex(1);
                for (std::size_t i = 2; i < row.size(); ++i)
                    if (const std::size_t from = row[i].find('<'); row[i] == "nosky")
                        sky.WorldFlags = GameData::NoSkyFlag;
                    else
                        sky.Weathers.push_back({static_cast<std::uint32_t>(std::stoul(row[i], nullptr, 16)),
                                                from == std::string::npos
                                                    ? std::nullopt
                                                    : std::optional(static_cast<std::uint32_t>(
                                                          std::stoul(row[i].substr(from + 1), nullptr, 16)))});
                continue;
            }
            if (row[0] == "file")
            {
                fs::create_directories((folder / "enbseries" / row.at(1)).parent_path());
                NimbravaTest::WriteFile(folder / "enbseries" / row[1], row.at(2));
                continue;
            }
            SCOPED_TRACE(NimbravaTest::Escape(row.at(1)));
            NimbravaTest::WriteFile(folder / "enbseries" / "_nimbrava.ini", row[1]);
            const Configuration config = ReadConfiguration(folder / "enbseries" / "_nimbrava.ini");
            CheckContext context{{}, &game};
            if (row[0] != "-" && row[0] != "yes" && row[0] != "no")
                context.CodePage = GameCodePage::Given(static_cast<unsigned>(std::stoul(row[0]))).value();
            game.PluginsTxt = row[0] == "no" ? std::nullopt : std::optional(folder / "Plugins.txt");
            ConfigReport report;
            report.Sections = ReadSections(config, context);
            FindingWriter findings(report.Findings, config.File);
            pass(report, config, context, findings);
            EXPECT_EQ(Shown(report.Findings), row.at(2));
            ++checked;
        }
        EXPECT_GE(checked, 6);
    }

    // A pass with its table.
    struct PassTable
    {
        const char* Name;
        Pass Run;
    };

    const PassTable Tables[] = {
        {"encodings", [](ConfigReport&, const Configuration& config, const CheckContext& context,
                         FindingWriter& findings) { (void)CheckEncoding(config, context, findings); }},
        {"section-names", CheckSectionNames},
        {"id-lists", CheckIdLists},
        {"file-names", CheckFileNames},
        {"lines", CheckLines},
        {"game", CheckAgainstGame},
        {"weather-lists", CheckWeatherLists},
    };

    void PrintTo(const PassTable& table, std::ostream* out)
    {
        *out << table.Name;
    }

    class ConfigurationPass : public testing::TestWithParam<PassTable>
    {
    };
} // namespace

TEST_P(ConfigurationPass, FindsWhatItsTableSays)
{
    CheckTable(GetParam().Name, GetParam().Run);
}

// A pass the configuration check runs without a table of its own would go untested.
TEST(ConfigurationPasses, EachHasATable)
{
    for (const Pass pass : Passes)
        EXPECT_TRUE(std::ranges::any_of(Tables, [&](const PassTable& table) { return table.Run == pass; }));
}

INSTANTIATE_TEST_SUITE_P(Each, ConfigurationPass, testing::ValuesIn(Tables), [](const auto& tested) {
    std::string name = tested.param.Name;
    std::erase(name, '-');
    return name;
});
