// UpdateCurrentWeatherlist under Wine, with the real kernel32, real files and the real code pages:
// every row of tests/data/selection/cases.tsv that the process's ANSI code page allows, one after
// the other in one game directory, checking the log lines word for word and both forms of the path
// in force after each run. CTest starts this program once per code page (LC_ALL selects it, and the
// private locales let Wine map non-ASCII file names), each in its own working directory.

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>
#include <gtest/gtest.h>
#include <windows.h>
#include "CodePage.h"
#include "EnbseriesDirectory.h"
#include "Orvel/Log.h"
#include "RedirectionHooks.h"
#include "SelectionCases.h"
#include "WeatherlistPath.h"
#include "WeatherlistSelection.h"

namespace
{
    const std::filesystem::path Data = NIMBRAVA_SELECTION_DATA;

    std::wstring FromUtf8(std::string_view text)
    {
        return Nimbrava::NarrowToWide(text, CP_UTF8);
    }

    // The ASCII path as narrow text in any code page the tests use.
    std::string AsciiNarrow(const std::wstring& path)
    {
        std::string narrow;
        for (const wchar_t c : path)
        {
            if (c >= 0x80)
                throw std::runtime_error("the tests' working directory must be ASCII here");
            narrow += static_cast<char>(c);
        }
        return narrow;
    }

    // Lays out tree.txt under the working directory, replacing what an earlier run left there.
    void MakeGameTree()
    {
        std::filesystem::remove_all("enbseries");
        std::filesystem::remove("outside.ini");
        std::ifstream tree(Data / "tree.txt", std::ios::binary);
        ASSERT_TRUE(tree);
        for (std::string line; std::getline(tree, line);)
        {
            if (line.empty() || line.starts_with('#'))
                continue;
            const std::filesystem::path path(FromUtf8(line));
            if (line.ends_with('/'))
                std::filesystem::create_directories(path);
            else
            {
                if (path.has_parent_path())
                    std::filesystem::create_directories(path.parent_path());
                ASSERT_TRUE(std::ofstream(path).good()) << line;
            }
        }
    }

    void PlaceConfiguration(const std::string& config)
    {
        const auto target = Nimbrava::EnbseriesDirectory() / L"_nimbrava.ini";
        std::filesystem::remove_all(target);
        if (config == "(directory)")
            std::filesystem::create_directory(target);
        else if (config != "(missing)")
            std::filesystem::copy_file(Data / config, target);
    }

    // The lines the logger raises, as the table writes them: "M text", "W text", "E text".
    class CapturedLog
    {
    public:
        CapturedLog()
        {
            auto& logger = Orvel::Logger::Instance();
            logger.WriteTimestamp = false;
            m_handler = logger.AddLineHandler([this](std::string_view line, Orvel::LogLevel level) {
                const char tag = level == Orvel::LogLevel::Message   ? 'M'
                                 : level == Orvel::LogLevel::Warning ? 'W'
                                 : level == Orvel::LogLevel::Error   ? 'E'
                                                                     : '?';
                // The level tag is 11 characters; the text follows it.
                Lines.push_back(std::string(1, tag) + " " + std::string(line.substr(11)));
            });
        }
        ~CapturedLog() { Orvel::Logger::Instance().RemoveLineHandler(m_handler); }

        std::vector<std::string> Lines;

    private:
        Orvel::Logger::LineEvent::CallableId m_handler{};
    };

    // A buffer for section reads, with the bytes around it watched. Wine's GetPrivateProfileSectionA
    // (8.0) writes its closing NULs at buffer[len - 2] computed in 32 bits, that is about 4 GB past a
    // buffer of size 0 or 1; those bytes get memory too, so that the plain call can be made at all
    // and the redirected one compared with it there as well.
    class ProbeBuffer
    {
    public:
        static constexpr std::size_t Page = 4096;
        static constexpr std::size_t Far = 0x100000000;

        ProbeBuffer()
        {
            m_base = static_cast<char*>(VirtualAlloc(nullptr, Far + 2 * Page, MEM_RESERVE, PAGE_NOACCESS));
            if (m_base == nullptr || VirtualAlloc(m_base, 2 * Page, MEM_COMMIT, PAGE_READWRITE) == nullptr ||
                VirtualAlloc(m_base + Far, Page, MEM_COMMIT, PAGE_READWRITE) == nullptr)
                throw std::runtime_error("cannot map the probe buffer");
        }
        ~ProbeBuffer() { VirtualFree(m_base, 0, MEM_RELEASE); }

        [[nodiscard]] char* Data() const { return m_base + Page; }
        void Fill() const
        {
            std::memset(Data() - Margin, '\xCC', Page);
            std::memset(Data() + Far - Margin, '\xCC', Margin);
        }
        // The bytes from Margin before the buffer to Margin after `size`, and the Margin bytes before
        // the buffer's 4 GB mark.
        [[nodiscard]] std::string Observed(std::size_t size) const
        {
            return std::string(Data() - Margin, size + 2 * Margin) + std::string(Data() + Far - Margin, Margin);
        }
        [[nodiscard]] bool UntouchedOutside(std::size_t size) const
        {
            const std::string observed = Observed(size);
            return observed.substr(0, Margin) + observed.substr(Margin + size) == std::string(3 * Margin, '\xCC');
        }

    private:
        static constexpr std::size_t Margin = 16;
        char* m_base = nullptr;
    };
} // namespace

TEST(WeatherlistSelection, RunsEveryCaseOfTheTable)
{
    const char* expectedAcp = std::getenv("NIMBRAVA_EXPECTED_ACP");
    ASSERT_NE(expectedAcp, nullptr);
    const unsigned acp = GetACP();
    ASSERT_EQ(std::to_string(acp), expectedAcp) << "LC_ALL did not select the code page";
    ASSERT_EQ(Nimbrava::FileApiCodePage(), acp);

    MakeGameTree();
    const std::wstring enbseries = Nimbrava::EnbseriesDirectory().native();
    const std::string enbseriesNarrow = AsciiNarrow(enbseries);
    CapturedLog log;

    int run = 0;
    for (const auto& row : NimbravaTest::ReadSelectionCases(Data / "cases.tsv"))
    {
        if (row.CodePage != "any" && row.CodePage != expectedAcp)
            continue;
        SCOPED_TRACE(row.Name);
        ++run;
        PlaceConfiguration(row.Config);
        Nimbrava::StoredWorldspaceId = row.Worldspace;
        log.Lines.clear();
        ASSERT_NO_THROW(Nimbrava::UpdateCurrentWeatherlist());

        EXPECT_EQ(log.Lines, row.Log);
        const bool absolute = row.InForce.size() > 1 && row.InForce[1] == ':';
        const auto& path = Nimbrava::CurrentWeatherlistPath::Load();
        EXPECT_EQ(path.Wide, (absolute ? L"" : enbseries + L"\\") + FromUtf8(row.InForce));
        // The narrow form of a chosen file is the directory and the configured bytes themselves.
        const bool switched = row.InForce != "_weatherlist.ini";
        EXPECT_EQ(path.Narrow, switched ? (absolute ? "" : enbseriesNarrow + "\\") + row.Shown
                                        : enbseriesNarrow + "\\_weatherlist.ini");
    }
    EXPECT_GE(run, 15);
}

// Started in a working directory whose name the ANSI code page cannot write: the default path has
// no narrow form, and that is the one failure that leaves the run.
TEST(WeatherlistSelection, DefaultWithoutNarrowFormLeavesTheRun)
{
    const auto& path = Nimbrava::CurrentWeatherlistPath::Load();
    ASSERT_TRUE(path.Wide.empty());
    CapturedLog log;
    Nimbrava::StoredWorldspaceId = 0x3C;
    try
    {
        Nimbrava::UpdateCurrentWeatherlist();
        ADD_FAILURE() << "no exception";
    }
    catch (const std::system_error& error)
    {
        EXPECT_EQ(error.code(), std::error_code(ERROR_NO_UNICODE_TRANSLATION, std::system_category()));
    }
    const auto& after = Nimbrava::CurrentWeatherlistPath::Load();
    EXPECT_EQ(after.Wide, (Nimbrava::EnbseriesDirectory() / L"_weatherlist.ini").native());
    EXPECT_EQ(after.Narrow, "");
    EXPECT_TRUE(log.Lines.empty());
}

// Under code page 1251 the Cyrillic name is chosen, and ENB's section reads of its own
// "_weatherlist.ini" land in that file through the narrow form: the same result and the same bytes
// as a plain call on the file's 1251 name, never past the caller's size.
TEST(WeatherlistSelection, RedirectedSectionReadFitsTheCallersBuffer)
{
    ASSERT_EQ(GetACP(), 1251u);
    MakeGameTree();
    const std::wstring enbseries = Nimbrava::EnbseriesDirectory().native();
    const char content[] = "[WEATHER001]\nA=1\nBB=22\nCCC=333\n";
    ASSERT_TRUE(std::ofstream(std::filesystem::path(enbseries) / FromUtf8("погода.ini"), std::ios::binary) << content);
    PlaceConfiguration("codepages.ini");
    Nimbrava::StoredWorldspaceId = 0x3C;
    Nimbrava::UpdateCurrentWeatherlist();
    ASSERT_EQ(Nimbrava::CurrentWeatherlistPath::Load().Wide, enbseries + L"\\" + FromUtf8("погода.ini"));

    Nimbrava::SavedGetPrivateProfileSectionA = &GetPrivateProfileSectionA;
    const std::string plainName = AsciiNarrow(enbseries) + "\\\xEF\xEE\xE3\xEE\xE4\xE0.ini";
    const std::string enbName = AsciiNarrow(enbseries) + "\\_weatherlist.ini";
    constexpr char section[] = "A=1\0BB=22\0CCC=333\0"; // and the list's closing NUL
    constexpr DWORD fit = sizeof section;
    ProbeBuffer buffer;
    const DWORD sizes[] = {0, 1, 2, 3, fit - 1, fit, fit + 40};
    for (const DWORD size : sizes)
    {
        SCOPED_TRACE(size);
        buffer.Fill();
        const DWORD plainResult = GetPrivateProfileSectionA("WEATHER001", buffer.Data(), size, plainName.c_str());
        const std::string plain = buffer.Observed(size);
        buffer.Fill();
        const DWORD redirectedResult =
            Nimbrava::HookedGetPrivateProfileSectionA("WEATHER001", buffer.Data(), size, enbName.c_str());
        const std::string redirected = buffer.Observed(size);

        EXPECT_EQ(redirectedResult, plainResult);
        EXPECT_EQ(redirected, plain);
        if (size >= 2)
        {
            EXPECT_TRUE(buffer.UntouchedOutside(size)) << "written outside the caller's size";
        }
        if (size > fit) // (Wine treats the exact fit as too short)
        {
            EXPECT_EQ(plainResult, fit - 1);
            EXPECT_EQ(std::string(buffer.Data(), fit), std::string(section, fit)) << "the file itself was not read";
        }
    }
}
