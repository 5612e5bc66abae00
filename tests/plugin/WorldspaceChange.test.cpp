// The steps of a change of worldspace, shared by the plugin and nimbrava-check, against a site that
// answers as each row of tests/data/selection/steps.tsv says: what the site is asked, in order (every
// line is logged before the step after it touches a file), and what stays in force. The plugin's
// Wine tests and the checker's tests run the same steps against the game and the player's folder.

#include "Choice/WorldspaceChange.h"

#include <map>
#include <sstream>
#include <stdexcept>
#include <gtest/gtest.h>
#include "SelectionCases.h"

namespace
{
    class ScriptedSite final : public Nimbrava::IWeatherlistSite
    {
    public:
        explicit ScriptedSite(const std::vector<std::string>& row) : m_row(row) {}

        std::vector<std::string> Steps;
        std::vector<std::string> Logged; // the lines among the steps

        void Log(Orvel::LogLevel level, std::string_view text) override
        {
            Logged.push_back(NimbravaTest::TableLine(level, text));
            Steps.push_back(Logged.back());
        }
        void ResetToDefault() override { Steps.push_back("reset"); }
        Orvel::IniInterface ReadConfiguration() override
        {
            Steps.push_back("read");
            if (m_row.at(2) == "(throws)")
                throw std::runtime_error("unreadable");
            std::istringstream text(m_row.at(2));
            return Orvel::IniInterface::Parse(text);
        }
        std::optional<bool> IsRegularFile(std::string_view name) override
        {
            Steps.push_back("test " + std::string(name));
            if (m_row.at(3) == "throws")
                throw std::runtime_error("access denied");
            return m_row.at(3) == "unknown" ? std::nullopt : std::optional(m_row.at(3) == "yes");
        }
        void SwitchTo(std::string_view name) override
        {
            Steps.push_back("switch " + std::string(name));
            if (m_row.at(4) == "throws")
                throw std::runtime_error("no narrow form");
        }
        bool Reload() override
        {
            Steps.push_back("reload");
            return m_row.at(5) == "yes";
        }

    private:
        const std::vector<std::string>& m_row;
    };

    const std::map<Nimbrava::InForce, std::string> InForceNames = {{Nimbrava::InForce::Chosen, "chosen"},
                                                                   {Nimbrava::InForce::Unknown, "unknown"},
                                                                   {Nimbrava::InForce::Default, "default"}};
} // namespace

TEST(WorldspaceChange, EveryRowAsksTheSiteInOrderAndLeavesItsFileInForce)
{
    const auto rows = NimbravaTest::ReadTable(NIMBRAVA_SELECTION_DATA "/steps.tsv");
    ASSERT_GE(rows.size(), 9u);
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.at(0));
        ScriptedSite site(row);
        const auto id = static_cast<std::uint32_t>(std::stoul(row.at(1), nullptr, 16));
        const auto outcome = id == 0 ? Nimbrava::UpdateWeatherlist(id, site) : Nimbrava::ChangeWorldspace(id, site);
        EXPECT_EQ(site.Steps, std::vector(row.begin() + 7, row.end()));
        EXPECT_EQ(InForceNames.at(outcome.Path), row.at(6));
        // The outcome keeps the lines the site logged, in the same order.
        std::vector<std::string> kept;
        for (const auto& line : outcome.Lines)
            kept.push_back(NimbravaTest::TableLine(line.Level, line.Text));
        EXPECT_EQ(kept, site.Logged);
    }
}
