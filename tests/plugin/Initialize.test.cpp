// YarrinInitialize through the real DLL: the requirements record, the log file and its failures.

#include <cerrno>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include <windows.h>
#include "ModuleInfo.h"
#include "Orvel/Log.h"
#include "PluginHost.h"
#include "TempDirectory.h"
#include "YarrinControl.h"

namespace
{
    std::vector<std::string> LogLines(const std::filesystem::path& file)
    {
        std::vector<std::string> lines;
        const std::string text = NimbravaTest::ReadFile(file);
        std::size_t start = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(text.substr(start, end - start));
        return lines;
    }

    class InitializeTest : public ::testing::Test
    {
    protected:
        void SetUp() override { YarrinTest_Reset(Logs.Path().c_str()); }
        void TearDown() override { YarrinTest_Reset(nullptr); }

        NimbravaTest::TempDirectory Logs;
        std::filesystem::path LogFile = Logs / "Nimbrava.log";
    };
} // namespace

TEST_F(InitializeTest, AnswersWithTheRequirementsRecord)
{
    NimbravaTest::PluginHost host;
    const auto result = host.Initialize(NimbravaTest::PluginHost::MakeRuntimeInfo(true));

    EXPECT_EQ(NimbravaTest::RequirementsMismatches(result), std::vector<std::string>{});
    EXPECT_EQ(NimbravaTest::HostStringAt(result, 40), "Nimbrava");
    EXPECT_EQ(NimbravaTest::HostStringAt(result, 64), "Vorkessa");
    // The first four 16-bit words are the file version, 1.0.2.0.
    EXPECT_EQ(NimbravaTest::ReadAt<std::uint64_t>(result, 8), 0x0000'0002'0000'0001u);
    for (std::size_t offset : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 60u, 61u, 62u, 63u})
        EXPECT_EQ(result[offset], NimbravaTest::Unwritten) << "byte " << offset << " is the host's";
    EXPECT_EQ(YarrinTest_ConstructStringCalls(), 2);

    host.Unload();
    const auto lines = LogLines(LogFile);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Logging stream for \"Nimbrava\" successfully initialized");
    EXPECT_EQ(lines[1], "Date and time format: YYYY/MM/DD - HH:MM:SS");
    EXPECT_EQ(lines[2], std::string(120, '-'));
}

TEST_F(InitializeTest, WithoutTheEnbLoadingPointLogsFatalAndStillSucceeds)
{
    NimbravaTest::PluginHost host;
    const auto result = host.Initialize(NimbravaTest::PluginHost::MakeRuntimeInfo(false));
    EXPECT_EQ(NimbravaTest::RequirementsMismatches(result), std::vector<std::string>{});
    host.Unload();

    const auto lines = LogLines(LogFile);
    ASSERT_EQ(lines.size(), 4u);
    ASSERT_EQ(lines[3].size(), 21u + 11u + 45u);
    EXPECT_EQ(lines[3].substr(21), " [FATAL]   ENB loading point is required but unavailable");
}

TEST_F(InitializeTest, TheLengthFieldsTopBitIsNotPartOfTheLength)
{
    YarrinTest_SetLengthHighBit(true);
    NimbravaTest::PluginHost host;
    host.Initialize(NimbravaTest::PluginHost::MakeRuntimeInfo(true));
    host.Unload();
    EXPECT_TRUE(std::filesystem::is_regular_file(LogFile));
}

TEST_F(InitializeTest, AMissingLogDirectoryEndsWithTheLogFileException)
{
    const auto missing = Logs / "missing";
    YarrinTest_Reset(missing.c_str());
    NimbravaTest::PluginHost host;
    NimbravaTest::ResultBytes<128> untouched{};
    try
    {
        untouched = host.Initialize(NimbravaTest::PluginHost::MakeRuntimeInfo(true));
        FAIL() << "YarrinInitialize returned";
    }
    catch (const Orvel::LogFileOpenException& e)
    {
        EXPECT_EQ(e.GetErrnoValue(), ENOENT);
        EXPECT_NE(e.ToString().find("Couldn't open logging file '"), std::string::npos) << e.ToString();
        EXPECT_NE(e.ToString().find("Nimbrava.log') -> errno state (2): "), std::string::npos) << e.ToString();
    }
    EXPECT_EQ(YarrinTest_ConstructStringCalls(), 0) << "no result record was made";
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(InitializeTest, EachLoadStartsANewLog)
{
    for (int load = 0; load < 2; ++load)
    {
        NimbravaTest::PluginHost host;
        host.Initialize(NimbravaTest::PluginHost::MakeRuntimeInfo(load == 1));
    }
    const auto lines = LogLines(LogFile);
    ASSERT_EQ(lines.size(), 3u) << "the second start truncated the first one's log";
}

// std::terminate ends the process: run the host program and look at how it ended.
TEST_F(InitializeTest, AHostThatCannotMakeStringsEndsTheProcess)
{
    for (int failingCall : {1, 2})
    {
        std::wstring command = L"\"" + NimbravaTest::ProgramDirectory() + L"nimbrava-host.exe\" --logs \"" +
                               Logs.Path().wstring() + L"\" --fail-construct-string " + std::to_wstring(failingCall);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                                   &startup, &process));
        WaitForSingleObject(process.hProcess, 60000);
        DWORD exitCode = 0;
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        EXPECT_EQ(exitCode, 3u) << "abort() after std::terminate, call " << failingCall;
        EXPECT_EQ(LogLines(LogFile).size(), 3u) << "the log was opened before";
    }
}
