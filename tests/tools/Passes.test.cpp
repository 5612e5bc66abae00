// Each pass of the configuration check by its own table (tests/data/checker/passes/PASS.tsv): a small
// "_nimbrava.ini" in, the pass run alone on it, its findings out, each as "LINE code [SECTIONS] IDS"
// ("-" for no line), " | " between them.

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
            text += fmt::format("{}{} {}", text.empty() ? "" : " | ",
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
    // worldspaces, and the code page column says whether Plugins.txt was read.
    void CheckTable(const std::string& table, Pass pass)
    {
        const NimbravaTest::TempDirectory folder;
        NimbravaTest::MakeGameTree(Data / "tree.txt", folder.Path());
        InstalledGame game{GameData::GameFolder(folder.Path()), {}, {}, {}, {}, {}, {}};
        int checked = 0;
        for (const auto& row : NimbravaTest::ReadTable(Data / (table + ".tsv")))
        {
            if (row[0] == "world")
            {
                const auto formId = static_cast<std::uint32_t>(std::stoul(row.at(1), nullptr, 16));
                game.Worldspaces.Worldspaces.push_back(
                    {formId, row.at(2), std::nullopt, row.at(3), row[3], row.size() > 4, std::nullopt});
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
