// The redirection hooks with the real kernel32 and real files: which names are redirected, what
// reaches the called function, and what comes back; then readers racing thousands of switches.
//
// The hooks' own CreateFileW import is this program's import slot, replaced here by a recorder
// that passes the call on to kernel32, so that every argument of the redirected open is seen.

#include "RedirectionHooks.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cwchar>
#include <string>
#include <string_view>
#include <thread>
#include <vector>
#include <gtest/gtest.h>
#include <windows.h>
#include "AllocationCounter.h"
#include "Orvel/Hook/ReplaceIATEntry.h"
#include "TempDirectory.h"
#include "WeatherlistPath.h"

extern "C" const wchar_t* GetCurrentWeatherlistPath(std::size_t* length) noexcept;

namespace CurrentWeatherlistPath = Nimbrava::CurrentWeatherlistPath;

namespace
{
    struct Call
    {
        int Count = 0;
        const void* Name = nullptr;
        DWORD Access = 0, Share = 0, Disposition = 0, Flags = 0;
        LPSECURITY_ATTRIBUTES Security = nullptr;
        HANDLE Template = nullptr;
        const char* Section = nullptr;
        char* Buffer = nullptr;
        DWORD Size = 0;
        HANDLE Result = nullptr;
        DWORD LastError = 0;
    };

    constexpr DWORD StandInError = 0xE0C0FFEE;
    const auto StandInHandle = reinterpret_cast<HANDLE>(0x5EED);
    constexpr DWORD StandInSectionResult = 0x5EC7;

    Call SavedCreate, SavedSection, Wide;
    decltype(&CreateFileW) RealCreateFileW = nullptr;

    HANDLE WINAPI StandInCreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                     DWORD disposition, DWORD flags, HANDLE templateFile)
    {
        SavedCreate = {++SavedCreate.Count, name, access, share, disposition, flags, security, templateFile};
        SetLastError(StandInError);
        return StandInHandle;
    }

    DWORD WINAPI StandInGetPrivateProfileSectionA(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR name)
    {
        SavedSection = {++SavedSection.Count, name};
        SavedSection.Section = section;
        SavedSection.Buffer = buffer;
        SavedSection.Size = size;
        SetLastError(StandInError + 1);
        return StandInSectionResult;
    }

    // The stress run's expected paths: a reader that sees anything else saw a torn or freed path.
    std::atomic<const std::vector<std::wstring>*> StressWide{nullptr};
    std::atomic<const std::vector<std::string>*> StressNarrow{nullptr};
    std::atomic<int> StressFaults{0};

    template <typename Text>
    bool IsOneOf(const std::vector<Text>& expected, const typename Text::value_type* text)
    {
        return std::find(expected.begin(), expected.end(), text) != expected.end();
    }

    HANDLE WINAPI RecordingCreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                       DWORD disposition, DWORD flags, HANDLE templateFile)
    {
        if (const auto* expected = StressWide.load())
        {
            if (!IsOneOf(*expected, name))
                ++StressFaults;
            return StandInHandle;
        }
        const HANDLE result = RealCreateFileW(name, access, share, security, disposition, flags, templateFile);
        const DWORD error = GetLastError();
        Wide = {++Wide.Count, name, access, share, disposition, flags, security, templateFile};
        Wide.Result = result;
        Wide.LastError = error;
        SetLastError(error);
        return result;
    }

    DWORD WINAPI CheckingGetPrivateProfileSectionA(LPCSTR, LPSTR, DWORD, LPCSTR name)
    {
        if (!IsOneOf(*StressNarrow.load(), name) && std::string_view(name) != "enbseries\\_nimbrava.ini")
            ++StressFaults;
        return 0;
    }

    std::wstring FinalPath(HANDLE file)
    {
        std::array<wchar_t, 1024> path{};
        const DWORD length =
            GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
        return {path.data(), length < path.size() ? length : 0};
    }

    std::wstring FinalPathOf(const std::wstring& name)
    {
        const HANDLE file = RealCreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
        auto path = FinalPath(file);
        CloseHandle(file);
        return path;
    }

    class RedirectionHooks : public ::testing::Test
    {
    protected:
        static void SetUpTestSuite()
        {
            RealCreateFileW = reinterpret_cast<decltype(&CreateFileW)>(Orvel::Hook::ReplaceIATEntry(
                GetModuleHandleW(nullptr), "kernel32", "CreateFileW", reinterpret_cast<void*>(&RecordingCreateFileW)));
            ASSERT_NE(RealCreateFileW, nullptr);
        }
        static void TearDownTestSuite()
        {
            Orvel::Hook::ReplaceIATEntry(GetModuleHandleW(nullptr), "kernel32", "CreateFileW",
                                         reinterpret_cast<void*>(RealCreateFileW));
        }
        void SetUp() override
        {
            Nimbrava::SavedCreateFileA = &StandInCreateFileA;
            Nimbrava::SavedGetPrivateProfileSectionA = &StandInGetPrivateProfileSectionA;
        }

        NimbravaTest::TempDirectory Directory;
    };

    struct NameRow
    {
        const char* Name;
        bool Redirected;
    };

    const NameRow NameTable[] = {
        {"C:\\Games\\Skyrim Special Edition\\enbseries\\_weatherlist.ini", true},
        {"_weatherlist.ini", true},
        {"enbseries\\winter_weatherlist.ini", true},
        {"D:\\\xC8\xE3\xF0\xFB\\enbseries\\_weatherlist.ini", true},
        {"enbseries\\_Weatherlist.ini", false},
        {"enbseries\\_weatherlist.INI", false},
        {"weatherlist.ini", false},                 // 15 bytes, the suffix's last 15
        {"xweatherlist.ini", false},                // 16 bytes, only the first differs
        {"enbseries\\a_summerlist.ini", false},     // only the last 8 bytes match
        {"enbseries\\_weathermaps.ini", false},     // only the first 8 bytes match
        {"enbseries\\_weatherlist.ini.bak", false}, // a further extension
        {"enbseries\\_nimbrava.ini", false},
        {"", false},
        {nullptr, false},
    };
} // namespace

TEST_F(RedirectionHooks, EveryNameReachesTheRightFunctionWithItsArgumentsResultAndLastError)
{
    // The wide form holds characters no ANSI code page has; the narrow form names another file, so
    // a hook that used the wrong form opens the wrong one.
    const auto chosen = Directory.WriteFile(L"Тундра \u2601 weather.ini", "[Weather]\r\nsky=chosen\r\n");
    const auto narrowFile = Directory.WriteFile("narrow.ini", "[Weather]\r\nsky=narrow\r\n");
    CurrentWeatherlistPath::Publish(chosen.wstring(), narrowFile.string());
    const auto& current = CurrentWeatherlistPath::Load();
    EXPECT_EQ(GetCurrentWeatherlistPath(nullptr), current.Wide.c_str());
    std::size_t length = 0;
    EXPECT_EQ(GetCurrentWeatherlistPath(&length), current.Wide.c_str());
    EXPECT_EQ(length, chosen.wstring().size());
    const std::wstring chosenFinal = FinalPathOf(chosen.wstring());

    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE templateFile =
        RealCreateFileW(narrowFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(templateFile, INVALID_HANDLE_VALUE);
    const DWORD access = GENERIC_READ, share = FILE_SHARE_READ | FILE_SHARE_DELETE, disposition = OPEN_EXISTING,
                flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN;
    char buffer[64];
    const char* section = "Weather";

    for (const auto& row : NameTable)
    {
        SCOPED_TRACE(row.Name == nullptr ? "(null)" : row.Name);
        SavedCreate = SavedSection = Wide = {};

        std::size_t allocations = 0;
        SetLastError(1);
        HANDLE file;
        {
            NimbravaTest::AllocationCounter counter;
            file = Nimbrava::HookedCreateFileA(row.Name, access, share, &security, disposition, flags, templateFile);
            allocations += counter.Count();
        }
        const DWORD createError = GetLastError();
        const Call& reached = row.Redirected ? Wide : SavedCreate;
        EXPECT_EQ(SavedCreate.Count + Wide.Count, 1);
        EXPECT_EQ(reached.Count, 1);
        EXPECT_EQ(reached.Name, row.Redirected ? static_cast<const void*>(current.Wide.c_str()) : row.Name);
        EXPECT_EQ(reached.Access, access);
        EXPECT_EQ(reached.Share, share);
        EXPECT_EQ(reached.Security, &security);
        EXPECT_EQ(reached.Disposition, disposition);
        EXPECT_EQ(reached.Flags, flags);
        EXPECT_EQ(reached.Template, templateFile);
        if (row.Redirected)
        {
            ASSERT_NE(file, INVALID_HANDLE_VALUE);
            EXPECT_EQ(file, Wide.Result);
            EXPECT_EQ(createError, Wide.LastError);
            EXPECT_EQ(FinalPath(file), chosenFinal);
            DWORD handleFlags = 0;
            EXPECT_TRUE(GetHandleInformation(file, &handleFlags));
            EXPECT_EQ(handleFlags & HANDLE_FLAG_INHERIT, DWORD{HANDLE_FLAG_INHERIT}); // the security attributes
            DWORD written = 0;
            EXPECT_FALSE(WriteFile(file, "x", 1, &written, nullptr)); // opened for reading only
            CloseHandle(file);
        }
        else
        {
            EXPECT_EQ(file, StandInHandle);
            EXPECT_EQ(createError, StandInError);
        }

        SetLastError(1);
        DWORD read;
        {
            NimbravaTest::AllocationCounter counter;
            read = Nimbrava::HookedGetPrivateProfileSectionA(section, buffer, sizeof buffer, row.Name);
            allocations += counter.Count();
        }
        EXPECT_EQ(allocations, 0u);
        EXPECT_EQ(read, StandInSectionResult);
        EXPECT_EQ(GetLastError(), StandInError + 1);
        EXPECT_EQ(SavedSection.Count, 1);
        EXPECT_EQ(SavedSection.Name, row.Redirected ? current.Narrow.c_str() : row.Name);
        EXPECT_EQ(SavedSection.Section, section);
        EXPECT_EQ(SavedSection.Buffer, buffer);
        EXPECT_EQ(SavedSection.Size, sizeof buffer);
    }
    CloseHandle(templateFile);

    // The real kernel32 behind both: the profile read lands on the narrow form's file within the
    // caller's size, exactly as a direct read of it; a failed open reports the open's own error.
    Nimbrava::SavedGetPrivateProfileSectionA = &GetPrivateProfileSectionA;
    for (const DWORD size : {DWORD{64}, DWORD{8}})
    {
        char direct[64], redirected[64];
        std::fill(std::begin(direct), std::end(direct), '#');
        std::fill(std::begin(redirected), std::end(redirected), '#');
        const DWORD expected = GetPrivateProfileSectionA("Weather", direct, size, narrowFile.string().c_str());
        EXPECT_EQ(Nimbrava::HookedGetPrivateProfileSectionA("Weather", redirected, size,
                                                            "C:\\Games\\enbseries\\_weatherlist.ini"),
                  expected);
        EXPECT_EQ(std::string_view(redirected, 64), std::string_view(direct, 64));
        if (size == 64)
        {
            EXPECT_EQ(std::string_view(redirected, 12), std::string_view("sky=narrow\0\0", 12));
        }
    }
    CurrentWeatherlistPath::Publish((Directory / "missing.ini").wstring(), "missing.ini");
    SetLastError(1);
    EXPECT_EQ(Nimbrava::HookedCreateFileA("_weatherlist.ini", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});
}

// Readers never take a lock, so they race the switches: each path they see must be whole and one
// of those published, and switching back and forth must not add snapshots.
TEST_F(RedirectionHooks, ReadersRacingThousandsOfSwitchesSeeWholePaths)
{
    std::vector<std::wstring> wide;
    std::vector<std::string> narrow;
    for (const char* name : {"_weatherlist.ini", "tundra.ini", "Blackreach caverns, deep.ini", "sovngarde.ini"})
    {
        const auto path = Directory / "Skyrim Special Edition" / "enbseries" / name;
        wide.push_back(path.wstring());
        narrow.push_back(path.string());
    }
    StressWide = &wide;
    StressNarrow = &narrow;
    Nimbrava::SavedGetPrivateProfileSectionA = &CheckingGetPrivateProfileSectionA;
    CurrentWeatherlistPath::Publish(wide[0], narrow[0]);
    const std::size_t snapshots = CurrentWeatherlistPath::SnapshotCount();

    std::atomic<bool> done{false};
    std::atomic<int> started{0};
    std::atomic<long> reads{0};
    std::atomic<int> changesSeen{0};
    auto reader = [&] {
        long count = 0;
        const wchar_t* last = nullptr;
        ++started;
        while (!done.load())
        {
            Nimbrava::HookedCreateFileA("C:\\Games\\enbseries\\_weatherlist.ini", GENERIC_READ, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
            char buffer[16];
            Nimbrava::HookedGetPrivateProfileSectionA("Weather", buffer, sizeof buffer, "_weatherlist.ini");
            Nimbrava::HookedGetPrivateProfileSectionA("Weather", buffer, sizeof buffer, "enbseries\\_nimbrava.ini");
            std::size_t length = 0;
            const wchar_t* path = GetCurrentWeatherlistPath(&length);
            if (!IsOneOf(wide, path) || std::wcslen(path) != length)
                ++StressFaults;
            if (path != last)
                ++changesSeen;
            last = path;
            ++count;
        }
        reads += count;
    };
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i)
        readers.emplace_back(reader);
    while (started.load() < 3)
        std::this_thread::yield();
    for (int i = 0; i < 5000; ++i)
    {
        const auto next = static_cast<std::size_t>(i) % wide.size();
        CurrentWeatherlistPath::Publish(wide[next], narrow[next]);
        if (i % 64 == 0)
            std::this_thread::yield();
    }
    done = true;
    for (auto& thread : readers)
        thread.join();
    StressWide = nullptr;

    EXPECT_EQ(StressFaults.load(), 0);
    EXPECT_GT(reads.load(), 0);
    EXPECT_GT(changesSeen.load(), 3) << "the readers never ran during the switches";
    EXPECT_EQ(CurrentWeatherlistPath::SnapshotCount(), snapshots + wide.size() - 1);
}
