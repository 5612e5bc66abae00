// The plugin at work, end to end: the real Nimbrava.dll loaded by the real loader, driven by the
// stand-in host ("Yarrin.dll") and the stand-in ENB ("d3d11.dll" beside this program), in a game
// folder of its own with real files. What ENB read is found from the handle it got, never from the
// plugin's state.

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>
#include <gtest/gtest.h>
#include <windows.h>
#include "EnbControl.h"
#include "ModuleInfo.h"
#include "PluginHost.h"
#include "TempDirectory.h"
#include "YarrinControl.h"

namespace
{
    namespace fs = std::filesystem;
    using NimbravaTest::PluginHost;

    constexpr std::uint32_t SkyrimSE = 0x10000006;

    // A weather list whose section tells which file it is.
    std::string WeatherList(const std::string& name)
    {
        return "[WEATHER001]\r\nName=" + name + "\r\n";
    }

    // The lines of a plugin log after its banner, without their timestamps.
    std::vector<std::string> LogMessages(const fs::path& file)
    {
        const std::string text = NimbravaTest::ReadFile(file);
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(text.substr(start, end - start));
        if (lines.size() < 3)
            return {"(no banner)"};
        std::vector<std::string> messages;
        for (auto line = lines.begin() + 3; line != lines.end(); ++line)
            messages.push_back(line->size() > 21 ? line->substr(21) : "(short) " + *line);
        return messages;
    }

    // The game as a player runs it: a folder with "enbseries", the plugin loaded while it is the
    // working directory, both entry points called. ENB forgets the plugin before it unloads.
    class Game
    {
    public:
        explicit Game(const std::wstring& folderName = L"game") : m_previous(fs::current_path())
        {
            Folder = m_root.Path() / folderName;
            fs::create_directories(Folder / "enbseries");
            fs::create_directories(Folder / "logs");
            Write("_weatherlist.ini", WeatherList("default"));
            NimbravaTest::WriteFile(Folder / "enblocal.ini", "[GLOBAL]\r\n");
            EnbTest_Restart();
            YarrinTest_Reset((Folder / "logs").c_str());
        }
        ~Game()
        {
            EnbTest_Restart();
            Host.reset();
            YarrinTest_Reset(nullptr);
            fs::current_path(m_previous);
        }
        Game(const Game&) = delete;
        Game& operator=(const Game&) = delete;

        void Write(const fs::path& name, const std::string& bytes) const
        {
            fs::create_directories((Folder / "enbseries" / name).parent_path());
            NimbravaTest::WriteFile(Folder / "enbseries" / name, bytes);
        }

        // Loads the plugin from the game folder and calls YarrinInitialize; YarrinMain is left to the test.
        void Load()
        {
            fs::current_path(Folder);
            Host = std::make_unique<PluginHost>();
            Host->Initialize(PluginHost::MakeRuntimeInfo(true));
        }

        std::string Main() { return NimbravaTest::DescribeMainResult(Host->Main(PluginHost::MakeRuntimeInfo(true))); }

        std::vector<std::string> Log() const { return LogMessages(Folder / "logs" / "Nimbrava.log"); }

        std::wstring CurrentPath() const
        {
            using Query = const wchar_t* (*)(std::size_t*);
            const auto query = reinterpret_cast<Query>(
                reinterpret_cast<void*>(GetProcAddress(Host->Module(), "GetCurrentWeatherlistPath")));
            std::size_t length = 0;
            const wchar_t* path = query(&length);
            return std::wstring(path, length);
        }

        fs::path Folder;
        std::unique_ptr<PluginHost> Host;

    private:
        NimbravaTest::TempDirectory m_root;
        fs::path m_previous;
    };

    fs::path OpenedPath(const EnbTestRead& read)
    {
        std::wstring path = read.OpenedPath;
        return path.starts_with(L"\\\\?\\") ? path.substr(4) : path;
    }

    // The section entry a weather list of WeatherList() holds, as GetPrivateProfileSectionA returns it.
    std::string SectionOf(const std::string& weatherList)
    {
        const std::size_t start = weatherList.find("\r\n") + 2;
        return weatherList.substr(start, weatherList.find("\r\n", start) - start) + '\0';
    }

    // Whether CreateFileA opened exactly `file` and ReadFile got its bytes.
    ::testing::AssertionResult OpenedWhole(const EnbTestRead& read, const fs::path& file)
    {
        if (read.LocalOpenError != 0)
            return ::testing::AssertionFailure() << "opening enblocal.ini failed with " << read.LocalOpenError;
        if (read.OpenError != 0)
            return ::testing::AssertionFailure() << "CreateFileA failed with " << read.OpenError;
        std::error_code error;
        if (!fs::equivalent(OpenedPath(read), file, error))
            return ::testing::AssertionFailure() << "opened " << OpenedPath(read) << " instead of " << file;
        if (std::string(read.Content, read.ContentSize) != NimbravaTest::ReadFile(file))
            return ::testing::AssertionFailure() << "read other bytes than " << file;
        return ::testing::AssertionSuccess();
    }

    // Whether one read of ENB's weather list found exactly `file`, through both patched slots.
    ::testing::AssertionResult ReadWas(const EnbTestRead& read, const fs::path& file)
    {
        if (auto opened = OpenedWhole(read, file); !opened)
            return opened;
        const std::string section(read.Section, read.SectionLength);
        if (section != SectionOf(NimbravaTest::ReadFile(file)))
            return ::testing::AssertionFailure() << "section read '" << section << "' is not that of " << file;
        return ::testing::AssertionSuccess();
    }

    // Log lines without their timestamps, by level.
    const std::string Message = " [MESSAGE] ", Warning = " [WARNING] ", Error = " [ERROR]   ", Fatal = " [FATAL]   ";

    const std::string Undefined = Message + "Changed to undefined worldspace. Switching to default fallback";
    const std::string Initialized = Message + "Initialized successfully";
    const std::string Reloading = Message + "Reloading ENB config...";
    const std::string HooksFailed = Fatal + "Initialization failed, unable to inject hooks";

    // The lines of a change to worldspace `id` whose list is `shown` ("" when no section lists it).
    std::vector<std::string> Switched(const std::string& id, const std::string& shown)
    {
        std::vector<std::string> lines{Message + "Worldspace changed. New ID: " + id};
        if (!shown.empty())
            lines.push_back(Message + "Switching to weatherlist '" + shown + "'");
        lines.push_back(Reloading);
        return lines;
    }

    const char* const Configuration = "; worldspaces and their weather lists\r\n"
                                      "[WEATHERLIST01]\r\n"
                                      "WorldspaceIDs=3C\r\n"
                                      "FileName=tamriel.ini\r\n"
                                      "[WEATHERLIST02]\r\n"
                                      "WorldspaceIDs = 800, 1A ; Solstheim\r\n"
                                      "FileName=\"lists\\\\solstheim.ini\"\r\n"
                                      "[WEATHERLIST03]\r\n"
                                      "WorldspaceIDs=77\r\n"
                                      "FileName=missing.ini\r\n";
} // namespace

// One play-through: each step sets the worldspace ENB reports and fires one callback; the table says
// whether ENB was asked to reload, which file it then read, and which lines the step logged.
TEST(PlayThrough, EachChangeOfWorldspaceReloadsTheConfiguredList)
{
    Game game;
    game.Write("_nimbrava.ini", Configuration);
    game.Write("tamriel.ini", WeatherList("tamriel"));
    game.Write("lists/solstheim.ini", WeatherList("solstheim"));
    game.Write("falkreath.ini", WeatherList("falkreath"));
    const fs::path enbseries = game.Folder / "enbseries";

    game.Load();
    ASSERT_EQ(game.Main(), "success");
    EXPECT_EQ(game.Log(), (std::vector<std::string>{Undefined, Initialized}));
    EXPECT_EQ(game.CurrentPath(), (enbseries / "_weatherlist.ini").wstring());
    EXPECT_EQ(EnbTest_CallbackRegistrations(), 1u);
    EXPECT_EQ(EnbTest_StateQueries(), 0u);

    // Callbacks of other types do not even ask ENB for the worldspace.
    EnbTest_SetWorldspace(0x3C);
    for (std::uint32_t type : {0u, 1u, 3u, 0x102u})
        ASSERT_TRUE(EnbTest_FireCallback(type));
    EXPECT_EQ(EnbTest_StateQueries(), 0u);

    struct Step
    {
        std::uint32_t Worldspace;
        const char* File; // what the reload read; null: no reload
        std::vector<std::string> Lines;
        std::int32_t DirtyHackResult = 1;
    };
    const std::string missing =
        Warning + "Unable to find weatherlist 'missing.ini' for worldspace 77. Switching to default fallback";
    const Step steps[] = {
        {0, nullptr, {}},
        {0x3C, "tamriel.ini", Switched("3C", "tamriel.ini")},
        {0x3C, nullptr, {}},
        {0, nullptr, {}},
        {0x800, "lists/solstheim.ini", Switched("800", "lists\\solstheim.ini")},
        {0x3C, "tamriel.ini", Switched("3C", "tamriel.ini")},
        // Only the high byte differs: a change, and the same section matches.
        {0x0A00003C, "tamriel.ini", Switched("3C", "tamriel.ini")},
        {0x77, "_weatherlist.ini", {Message + "Worldspace changed. New ID: 77", missing, Reloading}},
        {0x1A, "lists/solstheim.ini", Switched("1A", "lists\\solstheim.ini")},
        {0x55, "_weatherlist.ini", Switched("55", "")},
        // A failed reload is logged once and not retried while the worldspace stays.
        {0x3C, "tamriel.ini", Switched("3C", "tamriel.ini"), 0},
        {0x3C, nullptr, {}, 0},
        {0x3C, nullptr, {}},
    };
    std::vector<std::string> expectedLog = game.Log();
    std::uint32_t reloads = 0;
    for (const auto& step : steps)
    {
        SCOPED_TRACE(testing::Message() << "worldspace " << std::hex << step.Worldspace);
        EnbTest_SetWorldspace(step.Worldspace);
        EnbTest_SetDirtyHackResult(step.DirtyHackResult);
        ASSERT_TRUE(EnbTest_FireCallback(2));
        expectedLog.insert(expectedLog.end(), step.Lines.begin(), step.Lines.end());
        if (step.File != nullptr && step.DirtyHackResult == 0)
            expectedLog.push_back(Error + "ENB config reload failed!");
        EXPECT_EQ(game.Log(), expectedLog);
        if (step.File == nullptr)
        {
            EXPECT_EQ(EnbTest_DirtyHackCalls(), reloads);
            continue;
        }
        EXPECT_EQ(EnbTest_DirtyHackCalls(), ++reloads);
        EXPECT_EQ(EnbTest_LastRequest(), 3u);
        EXPECT_EQ(EnbTest_LastParameter(), 0);
        EnbTestRead read;
        ASSERT_TRUE(EnbTest_LastReload(&read));
        EXPECT_TRUE(ReadWas(read, enbseries / step.File));
        EXPECT_EQ(game.CurrentPath(), (enbseries / fs::path(step.File).make_preferred()).wstring());
    }

    // An edit of the configuration takes effect at the next change, not before.
    game.Write("_nimbrava.ini", "[WEATHERLIST01]\r\nWorldspaceIDs=3C,800\r\nFileName=falkreath.ini\r\n");
    EnbTest_SetWorldspace(0x3C);
    ASSERT_TRUE(EnbTest_FireCallback(2));
    EXPECT_EQ(EnbTest_DirtyHackCalls(), reloads) << "no change, no reload";
    EnbTest_SetWorldspace(0x800);
    ASSERT_TRUE(EnbTest_FireCallback(2));
    EnbTestRead read;
    ASSERT_TRUE(EnbTest_LastReload(&read));
    EXPECT_TRUE(ReadWas(read, enbseries / "falkreath.ini"));
    for (const auto& line : Switched("800", "falkreath.ini"))
        expectedLog.push_back(line);

    // A second YarrinMain registers nothing and patches nothing: had it patched again, the saved
    // pointers would be the replacements themselves and the next reload would never return.
    EXPECT_EQ(game.Main(), "success");
    EXPECT_EQ(EnbTest_CallbackRegistrations(), 1u);
    expectedLog.push_back(Warning + "Already initialized; the callback and the hooks stay as they are");
    EnbTest_SetWorldspace(0x3C);
    ASSERT_TRUE(EnbTest_FireCallback(2));
    ASSERT_TRUE(EnbTest_LastReload(&read));
    EXPECT_TRUE(ReadWas(read, enbseries / "falkreath.ini"));
    for (const auto& line : Switched("3C", "falkreath.ini"))
        expectedLog.push_back(line);
    EXPECT_EQ(game.Log(), expectedLog);
}

// Which ENB the plugin accepts, and the reload parameter it then passes. One load per row.
TEST(PlayThrough, ChecksOfEnbAndTheirRecords)
{
    struct Row
    {
        std::uint32_t Sdk;
        std::uint32_t GameId;
        std::int32_t Version;
        int FailingString; // the host's n-th ConstructString fails (0: none)
        const char* Result;
        const char* LastLine;
        std::int64_t Parameter; // of the first reload; unused when refused
    };
    const Row rows[] = {
        {1000, SkyrimSE, 503, 0, "error 1 Unsupported ENB SDK version", "Unsupported ENB SDK version", 0},
        {1001, SkyrimSE, 503, 0, "error 1 Unsupported ENB SDK version", "Unsupported ENB SDK version", 0},
        {2000, SkyrimSE, 503, 0, "error 1 Unsupported ENB SDK version", "Unsupported ENB SDK version", 0},
        {0xFFFFFFFF, SkyrimSE, 503, 0, "success", "Initialized successfully", 0}, // 4294967295 % 1000 = 295
        {1002, SkyrimSE, 503, 0, "success", "Initialized successfully", 0},
        {2002, SkyrimSE, 489, 0, "success", "Initialized successfully", 0},
        {1002, SkyrimSE, 488, 0, "success", "Initialized successfully", -1},
        {1002, SkyrimSE, -5, 0, "success", "Initialized successfully", -1},
        {1002, 0x10000005, 503, 0, "error 1 Unsupported ENB game ID", "Unsupported ENB game ID", 0},
        {1002, 0x00000006, 503, 0, "error 1 Unsupported ENB game ID", "Unsupported ENB game ID", 0},
        // The host cannot make the error text: the line is logged, then std::runtime_error.
        {1000, SkyrimSE, 503, 3, "throws String construction failed", "Unsupported ENB SDK version", 0},
        {1002, 0, 503, 3, "throws String construction failed", "Unsupported ENB game ID", 0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "SDK " << row.Sdk << ", game " << std::hex << row.GameId << std::dec
                                        << ", version " << row.Version);
        Game game;
        game.Write("_nimbrava.ini", Configuration);
        game.Write("tamriel.ini", WeatherList("tamriel"));
        EnbTest_SetSdkVersion(row.Sdk);
        EnbTest_SetGameIdentifier(row.GameId);
        EnbTest_SetVersion(row.Version);
        YarrinTest_FailConstructStringAtCall(row.FailingString);
        game.Load();

        std::string result;
        NimbravaTest::ResultBytes<24> bytes{};
        try
        {
            bytes = game.Host->Main(PluginHost::MakeRuntimeInfo(true));
            result = NimbravaTest::DescribeMainResult(bytes);
            for (std::size_t offset = 1; offset < 8; ++offset)
                EXPECT_EQ(bytes[offset], NimbravaTest::Unwritten) << "byte " << offset << " is the host's";
        }
        catch (const std::runtime_error& e)
        {
            result = std::string("throws ") + e.what();
        }
        EXPECT_EQ(result, row.Result);
        const auto log = game.Log();
        ASSERT_FALSE(log.empty());
        const bool accepted = result == "success";
        EXPECT_EQ(log.back(), (accepted ? Message : Fatal) + row.LastLine);
        EXPECT_EQ(EnbTest_CallbackRegistrations(), accepted ? 1u : 0u);
        if (!accepted)
        {
            EXPECT_EQ(log.size(), 1u) << "nothing ran before the refusal";
            EXPECT_EQ(game.CurrentPath(), L"") << "the path is set only after the checks";
            continue;
        }
        EnbTest_SetWorldspace(0x3C);
        ASSERT_TRUE(EnbTest_FireCallback(2));
        EXPECT_EQ(EnbTest_LastParameter(), row.Parameter);
        EnbTestRead read;
        ASSERT_TRUE(EnbTest_LastReload(&read));
        EXPECT_TRUE(ReadWas(read, game.Folder / "enbseries" / "tamriel.ini"));
    }
}

// Thousands of callbacks on one thread, mostly for the worldspace already stored, while ENB reads
// its weather list on another: every read finds one whole, expected file, and each change reloads once.
TEST(PlayThrough, CallbackStormWhileEnbReads)
{
    Game game;
    game.Write("_nimbrava.ini", Configuration);
    game.Write("tamriel.ini", WeatherList("tamriel"));
    game.Write("lists/solstheim.ini", WeatherList("solstheim"));
    game.Load();
    ASSERT_EQ(game.Main(), "success");
    const fs::path enbseries = game.Folder / "enbseries";
    const fs::path expected[] = {enbseries / "_weatherlist.ini", enbseries / "tamriel.ini",
                                 enbseries / "lists" / "solstheim.ini"};

    std::atomic<bool> done{false};
    std::vector<std::string> faults;
    int reads = 0;
    std::set<std::string> sections;
    for (const auto& file : expected)
        sections.insert(SectionOf(NimbravaTest::ReadFile(file)));
    // The path may switch between the open and the section read; each of them must be whole.
    std::thread reader([&] {
        while (!done.load())
        {
            EnbTestRead read;
            EnbTest_Read(&read);
            ++reads;
            if (std::none_of(std::begin(expected), std::end(expected),
                             [&](const fs::path& file) { return OpenedWhole(read, file); }))
                faults.push_back("opened " + OpenedPath(read).string());
            if (!sections.contains(std::string(read.Section, read.SectionLength)))
                faults.push_back("section " + std::string(read.Section, read.SectionLength));
        }
    });
    constexpr int Callbacks = 4000;
    constexpr int Stay = 200; // callbacks per worldspace
    for (int i = 0; i < Callbacks; ++i)
    {
        EnbTest_SetWorldspace(i / Stay % 2 == 0 ? 0x3C : 0x800);
        EnbTest_FireCallback(2);
    }
    done = true;
    reader.join();

    EXPECT_GT(reads, 0);
    EXPECT_EQ(faults, std::vector<std::string>{});
    EXPECT_EQ(EnbTest_StateQueries(), static_cast<std::uint32_t>(Callbacks));
    EXPECT_EQ(EnbTest_DirtyHackCalls(), static_cast<std::uint32_t>(Callbacks / Stay));
    const auto log = game.Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), Reloading), Callbacks / Stay);
    EXPECT_EQ(log.size(), 2u + 3u * (Callbacks / Stay)) << "nothing but the switches was logged";
}

// The game folder's name has characters the file-API code page (1252 here) cannot represent: the
// start-up run cannot build the default path's narrow form and YarrinMain lets that out to the host,
// leaving the callback registered and ENB's imports alone. Each later change logs the failure and
// the game goes on without a reload.
TEST(PlayThrough, AGameFolderTheCodePageCannotRepresent)
{
    ASSERT_EQ(GetACP(), 1252u);
    Game game(L"\u0418\u0433\u0440\u0430"); // "Игра"
    game.Write("_nimbrava.ini", Configuration);
    game.Write("tamriel.ini", WeatherList("tamriel"));
    game.Load();
    std::string outcome;
    try
    {
        outcome = game.Main();
    }
    catch (const std::system_error&)
    {
        outcome = "system_error";
    }
    EXPECT_EQ(outcome, "system_error");
    EXPECT_EQ(EnbTest_CallbackRegistrations(), 1u);
    EXPECT_EQ(game.Log(), std::vector<std::string>{});

    for (std::uint32_t id : {0x3Cu, 0x800u})
    {
        EnbTest_SetWorldspace(id);
        ASSERT_TRUE(EnbTest_FireCallback(2));
    }
    EXPECT_EQ(EnbTest_DirtyHackCalls(), 0u);
    const auto log = game.Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_TRUE(log[0].starts_with(Error + "Worldspace change to 3C failed: ")) << log[0];
    EXPECT_TRUE(log[1].starts_with(Error + "Worldspace change to 800 failed: ")) << log[1];
    EXPECT_GT(log[1].size(), (Error + "Worldspace change to 800 failed: ").size()) << "the reason is shown";
}

namespace
{
    // Runs the host program in `folder` with `arguments`; its output.
    std::string RunHost(const fs::path& folder, const std::wstring& arguments)
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        const fs::path outputFile = folder / "host-output.txt";
        const HANDLE output = CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output == INVALID_HANDLE_VALUE)
            throw std::runtime_error("cannot create the host's output file");
        std::wstring command = L"\"" + (folder / "nimbrava-host.exe").wstring() + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
        PROCESS_INFORMATION process{};
        const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                            folder.c_str(), &startup, &process);
        CloseHandle(output);
        if (!started)
            throw std::runtime_error("cannot start the host");
        WaitForSingleObject(process.hProcess, 60000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return NimbravaTest::ReadFile(outputFile);
    }
} // namespace

// An ENB whose d3d11.dll lacks one or both kernel32 imports: the activation fails after the callback
// was registered, with error flag 0, and keeps what it did. Where only the second slot is missing the
// first stays patched and its saved pointer set (ENB's other files still open through it); where the
// first is missing the second is not even tried. Each variant is its own game folder and process.
TEST(PlayThrough, AnEnbWithoutTheImportsToPatch)
{
    struct Row
    {
        const char* Variant;
        const char* OpenedFile; // what CreateFileA opened after the change to 3C
        const char* SectionOf;  // whose section GetPrivateProfileSectionA read
    };
    const Row rows[] = {
        {"no-createfile", "_weatherlist.ini", "default"},
        {"no-profile", "tamriel.ini", "default"},
        {"no-imports", "_weatherlist.ini", "default"},
    };
    const fs::path bin = NimbravaTest::ProgramDirectory();
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.Variant);
        NimbravaTest::TempDirectory folder;
        for (const char* file : {"nimbrava-host.exe", "Nimbrava.dll", "Yarrin.dll"})
            fs::copy_file(bin / file, folder / file);
        fs::copy_file(bin / (std::string("enb-") + row.Variant) / "d3d11.dll", folder / "d3d11.dll");
        fs::create_directories(folder / "enbseries");
        fs::create_directories(folder / "logs");
        folder.WriteFile("enblocal.ini", "[GLOBAL]\r\n");
        folder.WriteFile("enbseries/_weatherlist.ini", WeatherList("default"));
        folder.WriteFile("enbseries/tamriel.ini", WeatherList("tamriel"));
        folder.WriteFile("enbseries/_nimbrava.ini", Configuration);

        const std::string output =
            RunHost(folder.Path(), L"--logs \"" + (folder / "logs").wstring() + L"\" --walk 3C --show-section");
        EXPECT_NE(output.find("  error 0 Initialization failed, unable to inject hooks\r\n"), std::string::npos)
            << output;
        const std::string stepPrefix = "    1        3C  ";
        const std::size_t step = output.find(stepPrefix);
        ASSERT_NE(step, std::string::npos) << output;
        const std::string line =
            output.substr(step + stepPrefix.size(), output.find_first_of("\r\n", step) - step - stepPrefix.size());
        const std::size_t section = line.rfind("  [");
        ASSERT_NE(section, std::string::npos) << line;
        std::error_code error;
        EXPECT_TRUE(fs::equivalent(line.substr(0, section), folder / "enbseries" / row.OpenedFile, error)) << line;
        EXPECT_EQ(line.substr(section), "  [Name=" + std::string(row.SectionOf) + "]");

        const auto log = LogMessages(folder / "logs" / "Nimbrava.log");
        const std::vector<std::string> tail(log.end() - std::min<std::ptrdiff_t>(std::ssize(log), 5), log.end());
        auto expected = Switched("3C", "tamriel.ini");
        expected.insert(expected.begin(), {Undefined, HooksFailed});
        EXPECT_EQ(tail, expected);
    }
}

// Two modules named "d3d11.dll" at once: ENB's, which the plugin is bound to, and another loaded by
// its full path (as the system's own or another wrapper may be). The plugin patches ENB's.
// Under Wine the lookup by name answers the first module of that name loaded, which is the one whose
// functions the plugin is bound to in every load order Wine allows (a module loaded first by its full
// path would satisfy the plugin's imports too), so this run cannot tell the lookup by address that
// the plugin makes from a lookup by name: it shows only that a second module does not mislead it.
TEST(PlayThrough, AnotherD3d11BesideEnbs)
{
    const fs::path other = fs::path(NimbravaTest::ProgramDirectory()) / "enb-no-imports" / "d3d11.dll";
    const HMODULE otherModule = LoadLibraryW(other.c_str());
    ASSERT_NE(otherModule, nullptr) << GetLastError();
    HMODULE enbModule = nullptr;
    ASSERT_TRUE(
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&EnbTest_Restart)), &enbModule));
    EXPECT_NE(otherModule, enbModule) << "the loader gave the loaded module instead of a second one";
    std::printf("[ two d3d11.dll loaded: ENB's %p, the other %p; GetModuleHandleW(\"d3d11.dll\") gives %p ]\n",
                static_cast<void*>(enbModule), static_cast<void*>(otherModule),
                static_cast<void*>(GetModuleHandleW(L"d3d11.dll")));
    {
        Game game;
        game.Write("_nimbrava.ini", Configuration);
        game.Write("tamriel.ini", WeatherList("tamriel"));
        game.Load();
        EXPECT_EQ(game.Main(), "success");
        EnbTest_SetWorldspace(0x3C);
        ASSERT_TRUE(EnbTest_FireCallback(2));
        EnbTestRead read;
        ASSERT_TRUE(EnbTest_LastReload(&read));
        EXPECT_TRUE(ReadWas(read, game.Folder / "enbseries" / "tamriel.ini"));
    }
    FreeLibrary(otherModule);
}
