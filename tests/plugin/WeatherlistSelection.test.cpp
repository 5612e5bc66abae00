// UpdateCurrentWeatherlist and the redirection hooks under Wine, with the real kernel32, real files
// and the real code pages. CTest starts this program once per code page (LC_ALL selects it, and the
// private locales let Wine map non-ASCII file names), each run in a game folder of its own as the
// working directory: the enbseries directory is expected there, which one fixed elsewhere fails.
//
// The hooks' own CreateFileW import is this program's import slot, replaced for the whole run by a
// recorder that passes the call on to kernel32, so that every argument of the redirected open is seen.

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <thread>
#include <gtest/gtest.h>
#include <windows.h>
#include "AllocationCounter.h"
#include "Files/CodePage.h"
#include "Switching/EnbseriesDirectory.h"
#include "Orvel/Hook/ReplaceIATEntry.h"
#include "Orvel/Log.h"
#include "Switching/RedirectionHooks.h"
#include "SelectionCases.h"
#include "Switching/WeatherlistPath.h"
#include "Switching/WeatherlistSelection.h"

extern "C" const wchar_t* GetCurrentWeatherlistPath(std::size_t* length) noexcept;

namespace
{
    namespace fs = std::filesystem;
    namespace CurrentWeatherlistPath = Nimbrava::CurrentWeatherlistPath;
    const fs::path Data = NIMBRAVA_SELECTION_DATA;

    // The lines the logger raises, as the table writes them: "M text", "W text", "E text".
    struct CapturedLog
    {
        std::vector<std::string> Lines;
        const Orvel::Logger::LineEvent::CallableId Handler =
            Orvel::Logger::Instance().AddLineHandler([this](std::string_view line, Orvel::LogLevel level) {
                Lines.push_back(NimbravaTest::TableLine(level, line.substr(Orvel::LevelTag(level).size())));
            });
        ~CapturedLog() { Orvel::Logger::Instance().RemoveLineHandler(Handler); }
    };

    // What reached the stand-ins of the saved functions and CreateFileW: the functions called, in order
    // ('A' the saved CreateFileA, 'W' CreateFileW, 'S' the saved GetPrivateProfileSectionA; a short
    // string, so no allocation), the open's and the section read's arguments, and what CreateFileW
    // returned.
    using CreateArguments = std::tuple<const void*, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE>;
    using SectionArguments = std::tuple<const char*, char*, DWORD, const char*>;
    struct Reached
    {
        std::string Calls;
        CreateArguments Create;
        SectionArguments Section;
        std::tuple<HANDLE, DWORD> WideResult;
    } Seen;
    // Distinctive results and last errors: the hooks must hand back exactly these.
    constexpr DWORD StandInError = 0xE0C0FFEE, StandInSectionResult = 0x5EC7;
    const auto StandInHandle = reinterpret_cast<HANDLE>(0x5EED);

    // The stress run's expected paths: a reader that sees anything else saw a torn or freed path.
    std::atomic<const std::vector<std::wstring>*> StressWide{nullptr};
    std::atomic<const std::vector<std::string>*> StressNarrow{nullptr};
    std::atomic<int> StressFaults{0};

    HANDLE WINAPI StandInCreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                     DWORD disposition, DWORD flags, HANDLE templateFile)
    {
        Seen.Calls += 'A';
        Seen.Create = {name, access, share, security, disposition, flags, templateFile};
        SetLastError(StandInError);
        return StandInHandle;
    }

    DWORD WINAPI StandInGetPrivateProfileSectionA(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR name)
    {
        if (const auto* expected = StressNarrow.load())
        {
            StressFaults += std::count(expected->begin(), expected->end(), name) != 1;
            return 0;
        }
        Seen.Calls += 'S';
        Seen.Section = {section, buffer, size, name};
        SetLastError(StandInError + 1);
        return StandInSectionResult;
    }

    extern const decltype(&CreateFileW) RealCreateFileW;

    HANDLE WINAPI RecordingCreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                       DWORD disposition, DWORD flags, HANDLE templateFile)
    {
        if (const auto* expected = StressWide.load())
        {
            StressFaults += std::count(expected->begin(), expected->end(), name) != 1;
            return StandInHandle;
        }
        Seen.Calls += 'W';
        Seen.Create = {name, access, share, security, disposition, flags, templateFile};
        const HANDLE result = RealCreateFileW(name, access, share, security, disposition, flags, templateFile);
        Seen.WideResult = {result, GetLastError()};
        return result;
    }

    // Taken when the program starts: the selection's own opens pass through the recorder too.
    const decltype(&CreateFileW) RealCreateFileW =
        reinterpret_cast<decltype(&CreateFileW)>(Orvel::Hook::ReplaceIATEntry(
            GetModuleHandleW(nullptr), "kernel32", "CreateFileW", reinterpret_cast<void*>(&RecordingCreateFileW)));
} // namespace

// Every row of tests/data/selection/cases.tsv that the process's ANSI code page allows, one after the
// other in one game folder: the log lines word for word and both forms of the path in force. Then
// ENB's section reads of its own "_weatherlist.ini" land in that file through the narrow form (the
// Cyrillic name under 1251 too): the same result and the same bytes in and around the buffer as a
// plain call on the file's name in the code page, for sizes around the exact fit and 0 to 3.
//
// The bytes around the buffer are watched. Wine's GetPrivateProfileSectionA (8.0) writes its closing
// NULs at buffer[len - 2] computed in 32 bits, that is about 4 GB past a buffer of size 0 or 1;
// those bytes get memory too, so that the plain call can be made at all and the redirected one
// compared with it there as well.
TEST(WeatherlistSelection, RunsEveryCaseOfTheTable)
{
    const char* expectedAcp = std::getenv("NIMBRAVA_EXPECTED_ACP");
    ASSERT_STREQ(std::to_string(GetACP()).c_str(), expectedAcp) << "LC_ALL did not select the code page";
    const fs::path game = fs::current_path();
    NimbravaTest::MakeGameTree(Data / "tree.txt", game);
    fs::current_path("enbseries"); // the enbseries directory was fixed at load: this must not move it
    const std::wstring enbseries = (game / "enbseries").native();
    const std::string enbseriesNarrow(enbseries.begin(), enbseries.end()); // the build path is ASCII
    Orvel::Logger::Instance().WriteTimestamp = false;
    CapturedLog log;

    constexpr std::size_t Page = 4096, Far = 0x100000000, Margin = 16;
    auto* base = static_cast<char*>(VirtualAlloc(nullptr, Far + 2 * Page, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_TRUE(base != nullptr && VirtualAlloc(base, 2 * Page, MEM_COMMIT, PAGE_READWRITE) != nullptr &&
                VirtualAlloc(base + Far, Page, MEM_COMMIT, PAGE_READWRITE) != nullptr);
    char* const buffer = base + Page;
    // The result and the watched bytes: from Margin before the buffer to Margin after `size`, and the
    // Margin bytes before the buffer's 4 GB mark.
    const auto probe = [&](auto read, DWORD size, const std::string& name) {
        std::memset(buffer - Margin, '\xCC', Page);
        std::memset(buffer + Far - Margin, '\xCC', Margin);
        const DWORD result = read("WEATHER001", buffer, size, name.c_str());
        return std::tuple(result,
                          std::string(buffer - Margin, size + 2 * Margin) + std::string(buffer + Far - Margin, Margin));
    };
    constexpr char section[] = "A=1\0BB=22\0CCC=333\0"; // and the list's closing NUL
    constexpr DWORD fit = sizeof section;
    Nimbrava::SavedGetPrivateProfileSectionA = &GetPrivateProfileSectionA;

    int run = 0;
    for (const auto& row : NimbravaTest::ReadSelectionCases(Data / "cases.tsv"))
    {
        if (row.CodePage != "any" && row.CodePage != expectedAcp)
            continue;
        SCOPED_TRACE(row.Name);
        ++run;
        NimbravaTest::PlaceConfiguration(Data, row.Config, Nimbrava::EnbseriesDirectory());
        Nimbrava::StoredWorldspaceId = row.Worldspace;
        log.Lines.clear();
        ASSERT_NO_THROW(Nimbrava::UpdateCurrentWeatherlist());

        EXPECT_EQ(log.Lines, row.Log);
        const bool absolute = row.InForce.size() > 1 && row.InForce[1] == ':';
        const auto& path = CurrentWeatherlistPath::Load();
        EXPECT_EQ(path.Wide, (absolute ? L"" : enbseries + L"\\") + Nimbrava::NarrowToWide(row.InForce, CP_UTF8));
        // The narrow form of a chosen file is the directory and the configured bytes themselves.
        const std::string narrow =
            (absolute ? "" : enbseriesNarrow + "\\") + (row.InForce == "_weatherlist.ini" ? row.InForce : row.Shown);
        EXPECT_EQ(path.Narrow, narrow);
        for (const DWORD size : std::initializer_list<DWORD>{0, 1, 2, 3, fit - 1, fit, fit + 40})
        {
            const auto plain = probe(&GetPrivateProfileSectionA, size, narrow);
            EXPECT_EQ(probe(&Nimbrava::HookedGetPrivateProfileSectionA, size, "_weatherlist.ini"), plain) << size;
            // The file itself was read (Wine treats the exact fit as too short).
            EXPECT_TRUE(size <= fit || absolute ||
                        (std::get<0>(plain) == fit - 1 && std::get<1>(plain).compare(Margin, fit, section, fit) == 0))
                << size;
        }
    }
    EXPECT_GE(run, 15);
    fs::current_path(game);
    VirtualFree(base, 0, MEM_RELEASE);
}

// Each name of hooks.tsv through both hooks: the open reaches CreateFileW or the saved function with
// all seven arguments, the section read the saved function with the right name, nothing allocates,
// and the result and last error are those of the function called.
TEST(RedirectionHooks, EveryNameReachesTheRightFunctionWithItsArgumentsResultAndLastError)
{
    Nimbrava::SavedCreateFileA = &StandInCreateFileA;
    Nimbrava::SavedGetPrivateProfileSectionA = &StandInGetPrivateProfileSectionA;
    // The wide form holds characters no ANSI code page has; the narrow form names another file, so
    // a hook that used the wrong form opens the wrong one.
    const NimbravaTest::TempDirectory directory;
    const auto chosen = directory.WriteFile(L"Тундра \u2601 weather.ini", "[Weather]\r\n");
    CurrentWeatherlistPath::Publish(chosen.wstring(), (directory / "narrow.ini").string());
    const auto& current = CurrentWeatherlistPath::Load();
    EXPECT_EQ(GetCurrentWeatherlistPath(nullptr), current.Wide.c_str());

    // The template handed on is a real handle: the real CreateFileW gets it in redirected opens. The
    // arguments and the handle returned show which file was opened.
    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE templateFile =
        RealCreateFileW(chosen.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(templateFile, INVALID_HANDLE_VALUE);
    const DWORD access = GENERIC_READ, share = FILE_SHARE_READ | FILE_SHARE_DELETE, disposition = OPEN_EXISTING,
                flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN;
    char buffer[64];
    const char* section = "Weather";
    for (const auto& row : NimbravaTest::ReadTable(Data / "hooks.tsv"))
    {
        SCOPED_TRACE(row[0]);
        const char* name = row[0] == "(null)" ? nullptr : row[0].c_str();
        const bool redirected = row.at(1) == "yes";
        Seen = {};
        NimbravaTest::AllocationCounter counter;
        const HANDLE file =
            Nimbrava::HookedCreateFileA(name, access, share, &security, disposition, flags, templateFile);
        const DWORD createError = GetLastError();
        const DWORD read = Nimbrava::HookedGetPrivateProfileSectionA(section, buffer, sizeof buffer, name);
        const auto results = std::tuple(counter.Count(), file, createError, read, GetLastError());
        EXPECT_EQ(
            std::tuple(Seen.Calls, Seen.Create, Seen.Section),
            std::tuple(redirected ? "WS" : "AS",
                       CreateArguments(redirected ? static_cast<const void*>(current.Wide.c_str()) : name, access,
                                       share, &security, disposition, flags, templateFile),
                       SectionArguments(section, buffer, sizeof buffer, redirected ? current.Narrow.c_str() : name)));
        const auto [openResult, openError] = redirected ? Seen.WideResult : std::tuple(StandInHandle, StandInError);
        EXPECT_EQ(results, std::tuple(std::size_t{0}, openResult, openError, StandInSectionResult, StandInError + 1));
        if (redirected)
            CloseHandle(file);
    }
    CloseHandle(templateFile);

    // A failed open reports the open's own error.
    CurrentWeatherlistPath::Publish((directory / "missing.ini").wstring(), "missing.ini");
    EXPECT_EQ(Nimbrava::HookedCreateFileA("_weatherlist.ini", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});
}

// Readers never take a lock, so they race the switches that ENB's callback makes: each path they
// see (the wide one of the open and the export, the narrow one of the section read) must be whole and one of those the
// configuration leads to (a snapshot freed or reused under them shows as another), and switching back and forth must
// not add snapshots.
TEST(RedirectionHooks, ReadersRacingThousandsOfSwitchesSeeWholePaths)
{
    NimbravaTest::MakeGameTree(Data / "tree.txt", fs::current_path());
    NimbravaTest::PlaceConfiguration(Data, "stress.ini", Nimbrava::EnbseriesDirectory());
    std::vector<std::wstring> wide;
    std::vector<std::string> narrow; // the names are ASCII: the same in every code page
    for (const char* name : {"_weatherlist.ini", "tundra.ini", "Blackreach caverns, deep.ini", "sovngarde.ini"})
    {
        wide.push_back((Nimbrava::EnbseriesDirectory() / name).native());
        narrow.push_back((Nimbrava::EnbseriesDirectory() / name).string());
    }
    // ENB's own file (a worldspace not listed), then the three listed ones.
    const std::uint32_t worldspaces[] = {0x999, 0x3C, 0x0A01691D, 0x1A26F, 0xA00};
    StressWide = &wide;
    StressNarrow = &narrow;
    Nimbrava::SavedGetPrivateProfileSectionA = &StandInGetPrivateProfileSectionA;
    Nimbrava::StoredWorldspaceId = worldspaces[0];
    Nimbrava::UpdateCurrentWeatherlist();
    const std::size_t snapshots = CurrentWeatherlistPath::SnapshotCount();

    std::atomic<int> changesSeen{0};
    // Counted, not a std::latch: under Wine a latch's wait (MinGW's libstdc++ waits through a proxy)
    // was seen to miss its wake-up, leaving the readers spinning beside a main thread that never switched.
    std::atomic<int> started{0};
    std::vector<std::jthread> readers;
    for (int i = 0; i < 3; ++i)
        readers.emplace_back([&](std::stop_token stop) {
            ++started;
            for (const wchar_t* last = nullptr; !stop.stop_requested();)
            {
                const char* const enbFile = "C:\\Games\\enbseries\\_weatherlist.ini";
                Nimbrava::HookedCreateFileA(enbFile, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
                char section[8];
                Nimbrava::HookedGetPrivateProfileSectionA("Weather", section, sizeof section, enbFile);
                std::size_t length = 0;
                const wchar_t* path = GetCurrentWeatherlistPath(&length);
                StressFaults += std::count(wide.begin(), wide.end(), path) != 1 || std::wcslen(path) != length;
                changesSeen += path != last ? 1 : 0;
                last = path;
            }
        });
    while (started.load() < 3)
        std::this_thread::yield();
    std::vector<int> chosen(wide.size() + 1); // the last counts paths that are none of them
    for (std::size_t i = 0; i < 2000; ++i)
    {
        Nimbrava::StoredWorldspaceId = worldspaces[i % std::size(worldspaces)];
        Nimbrava::UpdateCurrentWeatherlist();
        ++chosen[static_cast<std::size_t>(std::ranges::find(wide, CurrentWeatherlistPath::Load().Wide) - wide.begin())];
    }
    readers.clear(); // stops and joins them
    StressWide = nullptr;
    StressNarrow = nullptr;

    EXPECT_EQ(StressFaults.load(), 0);
    EXPECT_GT(changesSeen.load(), 3) << "the readers never ran during the switches";
    EXPECT_EQ(chosen, (std::vector<int>{400, 400, 800, 400, 0})) << "not every switch led where it should";
    EXPECT_EQ(CurrentWeatherlistPath::SnapshotCount(), snapshots + wide.size() - 1);
}
