// The configuration as the checker reads it, once and in binary, handed to the plugin's reader as text
// mode would hand it (TextModeBytes), against the plugin's reader opening the file itself in text mode:
// the same document and the same lines told, for each file of tests/data/checker/text-mode.tsv. Under
// Wine the reader's text mode is the Windows C runtime's.

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <sstream>
#include "DataFiles.h"
#include "Orvel/Ini.h"
#include "text/ProgramName.h"
#include "text/TextMode.h"

namespace
{
    // Every line as the reader tells it.
    class Lines final : public Orvel::IIniLineObserver
    {
    public:
        void Line(const Orvel::IniLine& line) override
        {
            Told.push_back(fmt::format("{} {} {} {} {}", line.Number, static_cast<int>(line.What),
                                       NimbravaTest::Escape(line.Text), NimbravaTest::Escape(line.Key),
                                       NimbravaTest::Escape(line.RawValue)));
        }
        std::vector<std::string> Told;
    };
} // namespace

TEST(TextMode, TheReaderGetsWhatItWouldReadItself)
{
    const NimbravaTest::TempDirectory folder;
    int checked = 0;
    for (const auto& row : NimbravaTest::ReadTable(NIMBRAVA_CHECK_DATA "/text-mode.tsv"))
    {
        SCOPED_TRACE(NimbravaTest::Escape(row.at(0)));
        const auto file = folder.WriteFile("_nimbrava.ini", row[0]);
        Lines itself, given;
        Orvel::IniInterface opened;
        opened.Open(file, &itself);
        std::istringstream text(NimbravaCheck::TextModeBytes(NimbravaTest::ReadFile(file)));
        const Orvel::IniInterface parsed = Orvel::IniInterface::Parse(text, &given);
        EXPECT_EQ(parsed.Sections, opened.Sections);
        EXPECT_EQ(given.Told, itself.Told);
        ++checked;
    }
    EXPECT_GE(checked, 7);
}

// The program's name as messages show it (tests/data/checker/shell-words.tsv), each platform's way: a
// command a message suggests must stay one word when the player copies it.
TEST(ProgramName, IsOneWordOfTheShell)
{
#ifdef _WIN32
    constexpr std::size_t Shown = 2;
#else
    constexpr std::size_t Shown = 1;
#endif
    int checked = 0;
    for (const auto& row : NimbravaTest::ReadTable(NIMBRAVA_CHECK_DATA "/shell-words.tsv"))
    {
        NimbravaCheck::SetProgramName(row.at(0));
        EXPECT_EQ(NimbravaCheck::ProgramName(), row.at(Shown)) << NimbravaTest::Escape(row[0]);
        ++checked;
    }
    EXPECT_GE(checked, 8);
}
