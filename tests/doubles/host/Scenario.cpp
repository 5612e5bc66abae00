// The play-through interpreter. What ENB read is found from the handle it got, never from the
// plugin's state; the plugin's answers are shown byte for byte, so that a script states them whole.

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>
#include <thread>
#include "ModuleInfo.h"
#include "Orvel/Exceptions.h"
#include "PluginHost.h"
#include "YarrinControl.h"

namespace NimbravaTest
{
    namespace
    {
        namespace fs = std::filesystem;

        std::string Slurp(const fs::path& file)
        {
            std::ostringstream text;
            if (std::ifstream in(file, std::ios::binary); in)
                text << in.rdbuf();
            return text.str();
        }

        std::string Utf8(const fs::path& path)
        {
            const auto text = path.generic_u8string();
            return {text.begin(), text.end()};
        }

        // The first entry of a weather list's first section, as GetPrivateProfileSectionA returns it.
        std::string SectionOf(const std::string& list)
        {
            const std::size_t start = list.find("\r\n") + 2;
            return list.substr(start, list.find("\r\n", start) - start);
        }

        // The file behind ENB's handle, without the "\\?\" of a final path.
        fs::path Opened(const EnbTestRead& read)
        {
            return std::wstring_view(read.OpenedPath).starts_with(L"\\\\?\\") ? read.OpenedPath + 4 : read.OpenedPath;
        }

        // A text that ends in '*' matches any longer text that starts with the rest.
        bool Matches(const std::string& actual, const std::string& expected)
        {
            if (!expected.ends_with('*'))
                return actual == expected;
            return actual.size() >= expected.size() && actual.starts_with(expected.substr(0, expected.size() - 1));
        }

        std::string HostString(const std::uint8_t* pointerField)
        {
            const Yarrin::V1::IBasicString<char>* string;
            std::memcpy(&string, pointerField, sizeof string);
            std::uint64_t length = 0;
            const char* text = YarrinTest_StringText(string, &length);
            return text != nullptr ? "'" + std::string(text, length) + "'" : "null";
        }

        // 8-byte groups in hex, an unwritten byte as "..", the host strings at `strings` as their text.
        template <std::size_t N>
        std::string Dump(const ResultBytes<N>& bytes, std::set<std::size_t> strings)
        {
            std::string out;
            for (std::size_t at = 0; at < N; ++at)
            {
                if (at % 8 == 0 && at != 0)
                    out += ' ';
                char hex[3];
                std::snprintf(hex, sizeof hex, "%02X", bytes[at]);
                if (!strings.contains(at - at % 8))
                    out += bytes[at] == Unwritten ? ".." : hex;
                else if (at % 8 == 0)
                    out += HostString(&bytes[at]);
            }
            return out;
        }

        // YarrinMain's answer: "success" for flag 1 with its one-byte payload 0 and nothing else
        // written; else the record, its error text in place of the pointer.
        std::string DescribeMain(const ResultBytes<24>& result)
        {
            const std::string dump = result[0] == 1 ? Dump(result, {}) : Dump(result, {8});
            return dump == "01.............. 00.............. ................" ? "success" : dump;
        }

        std::string Version(const fs::path& file)
        {
            DWORD ignored = 0;
            std::vector<char> data(GetFileVersionInfoSizeW(file.c_str(), &ignored));
            void* block = nullptr;
            UINT length = 0;
            if (data.empty() || !GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(data.size()), data.data()) ||
                !VerQueryValueW(data.data(), L"\\", &block, &length))
                return "none";
            const auto& fixed = *static_cast<const VS_FIXEDFILEINFO*>(block);
            char out[64];
            std::snprintf(out, sizeof out, "%u.%u.%u.%u %u.%u.%u.%u", HIWORD(fixed.dwFileVersionMS),
                          LOWORD(fixed.dwFileVersionMS), HIWORD(fixed.dwFileVersionLS), LOWORD(fixed.dwFileVersionLS),
                          HIWORD(fixed.dwProductVersionMS), LOWORD(fixed.dwProductVersionMS),
                          HIWORD(fixed.dwProductVersionLS), LOWORD(fixed.dwProductVersionLS));
            std::string text = out;
            if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &block, &length) || length < 4)
                return text;
            const auto* translation = static_cast<const WORD*>(block);
            for (const char* name :
                 {"FileVersion", "ProductVersion", "ProductName", "InternalName", "OriginalFilename"})
            {
                wchar_t query[128];
                std::swprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%hs", translation[0], translation[1], name);
                if (VerQueryValueW(data.data(), query, &block, &length) && length > 0)
                    text += std::string(" ") + name + "=" + Utf8(static_cast<const wchar_t*>(block));
            }
            return text;
        }

        // The DLLs the module imports that match none of `allowed` (a trailing '*' matches any rest).
        std::string ImportsBeyond(HMODULE module, const std::vector<std::string>& allowed)
        {
            const auto* base = reinterpret_cast<const unsigned char*>(module);
            const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(
                base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
            const DWORD rva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
            std::string beyond;
            int count = 0;
            for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + rva); rva != 0 && d->Name != 0;
                 ++d, ++count)
            {
                std::string name = reinterpret_cast<const char*>(base + d->Name);
                std::transform(name.begin(), name.end(), name.begin(),
                               [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
                if (std::none_of(allowed.begin(), allowed.end(), [&](const auto& a) { return Matches(name, a); }))
                    beyond += " " + name;
            }
            return count == 0 ? "no imports" : "within" + beyond;
        }
    } // namespace

    Scenario::Scenario(fs::path folder, bool spawned, bool echo)
        : Logs(folder / "logs"), m_folder(std::move(folder)), m_previous(fs::current_path()), m_spawned(spawned),
          m_echo(echo)
    {
    }

    Scenario::~Scenario()
    {
        EnbTest_Restart();
        m_host.reset();
        if (m_otherD3d11 != nullptr)
            FreeLibrary(m_otherD3d11);
        fs::current_path(m_previous);
    }

    std::vector<std::string> Scenario::Run(std::istream& script, const fs::path& scriptPath)
    {
        m_script = scriptPath;
        for (std::string line; std::getline(script, line);)
        {
            const int number = ++m_line;
            if (line.ends_with('\r'))
                line.pop_back();
            if (line.empty() || line[0] == '#')
                continue;
            if (line.starts_with("log "))
            {
                m_expectedLog.push_back(line.substr(4));
                continue;
            }
            std::size_t arrow = line.find(" -> ");
            if (arrow == std::string::npos && line.ends_with(" ->")) // an empty outcome
                arrow = line.size() - 3;
            std::istringstream command(line.substr(0, arrow));
            std::vector<std::string> words{std::istream_iterator<std::string>(command), {}};
            if ((m_delegated && words[0] != "write") || (m_spawned && words[0] == "spawn"))
                continue;
            std::string outcome;
            m_detail.clear();
            try
            {
                outcome = Do(words, script);
            }
            catch (const std::exception& e)
            {
                m_failures.push_back("line " + std::to_string(number) + ": " + line + ": " + e.what());
                continue;
            }
            if (m_echo)
                std::printf("%s -> %s\n", line.substr(0, arrow).c_str(), outcome.c_str());
            if (arrow != std::string::npos && !Matches(outcome, line.substr(std::min(arrow + 4, line.size()))))
                m_failures.push_back("line " + std::to_string(number) + ": " + line + "\n    but got: " + outcome +
                                     m_detail);
        }
        Finish();
        return m_failures;
    }

    // The log since its banner, each line without its timestamp, against the script's "log" lines.
    void Scenario::Finish()
    {
        if (m_host == nullptr && !m_delegated)
            return;
        EnbTest_Restart(); // ENB forgets the plugin before it unloads
        m_host.reset();
        std::vector<std::string> lines;
        std::istringstream log(Slurp(Logs / "Nimbrava.log"));
        for (std::string line; std::getline(log, line);)
        {
            if (line.ends_with('\r'))
                line.pop_back();
            if (lines.size() < 3)
                lines.push_back(line);
            else
                lines.push_back(line.size() > 22 && line[21] == ' ' ? line.substr(22) : "(no timestamp) " + line);
        }
        if (lines.size() >= 3 && lines[0] == "Logging stream for \"Nimbrava\" successfully initialized" &&
            lines[1] == "Date and time format: YYYY/MM/DD - HH:MM:SS" && lines[2] == std::string(120, '-'))
        {
            lines.erase(lines.begin() + 1, lines.begin() + 3);
            lines[0] = "(banner)";
        }
        const bool same = lines.size() == m_expectedLog.size() &&
                          std::equal(lines.begin(), lines.end(), m_expectedLog.begin(), Matches);
        if (!same)
        {
            std::string text = "the log was:";
            for (const auto& line : lines)
                text += "\n    " + line;
            m_failures.push_back(text);
        }
        m_expectedLog.clear();
    }

    std::string Scenario::Do(const std::vector<std::string>& words, std::istream& script)
    {
        const std::string& command = words.at(0);
        const auto number = [&](std::size_t at, int base) { return std::stoll(words.at(at), nullptr, base); };
        if (command == "folder") // a game folder of this name beside the given one
        {
            const std::string& name = words.at(1);
            m_folder = m_folder.parent_path() / std::u8string(name.begin(), name.end());
            Logs = m_folder / "logs";
        }
        else if (command == "write") // the lines up to "." with CRLF line ends
        {
            std::string text;
            for (std::string line; ++m_line, std::getline(script, line) && line != "." && line != ".\r";)
                text += (line.ends_with('\r') ? line.substr(0, line.size() - 1) : line) + "\r\n";
            fs::create_directories((m_folder / words.at(1)).parent_path());
            std::ofstream(m_folder / words.at(1), std::ios::binary) << text;
        }
        else if (command == "spawn")
            return Spawn(words.at(1));
        else if (command == "load") // a new game: the doubles reset, the plugin loaded from the game folder
        {
            Finish();
            fs::create_directories(Logs);
            EnbTest_Restart();
            YarrinTest_Reset(Logs.c_str());
            fs::current_path(m_folder);
            m_host = std::make_unique<PluginHost>();
        }
        else if (command == "set")
        {
            const std::string& key = words.at(1);
            if (key == "logs")
                YarrinTest_Reset((m_folder / words.at(2)).make_preferred().c_str());
            else if (key == "length-high-bit")
                YarrinTest_SetLengthHighBit(true);
            else if (key == "fail-string")
                YarrinTest_FailConstructStringAtCall(static_cast<int>(number(2, 10)));
            else if (key == "sdk")
                EnbTest_SetSdkVersion(static_cast<std::uint32_t>(number(2, 0)));
            else if (key == "game")
                EnbTest_SetGameIdentifier(static_cast<std::uint32_t>(number(2, 0)));
            else if (key == "version")
                EnbTest_SetVersion(static_cast<std::int32_t>(number(2, 0)));
            else if (key == "dirtyhack")
                EnbTest_SetDirtyHackResult(static_cast<std::int32_t>(number(2, 0)));
            else
                throw std::invalid_argument("unknown setting");
        }
        else if (command == "initialize" || command == "main")
        {
            const auto runtime = PluginHost::MakeRuntimeInfo(words.size() < 2 || words[1] != "no-enb");
            try
            {
                return command == "main" ? DescribeMain(Host().Main(runtime))
                                         : Dump(Host().Initialize(runtime), {40, 64});
            }
            catch (const Orvel::GenericException& e)
            {
                std::string text = e.ToString();
                const std::string folder = fs::path(m_folder).make_preferred().string();
                for (std::size_t at; (at = text.find(folder)) != std::string::npos;)
                    text.replace(at, folder.size(), "GAME");
                return "throws " + text;
            }
            catch (const std::system_error& e)
            {
                return "throws system_error " + std::to_string(e.code().value());
            }
            catch (const std::runtime_error& e)
            {
                return std::string("throws ") + e.what();
            }
        }
        else if (command == "walk") // ENB reports the worldspace and calls back with type 2
            return Walk(static_cast<std::uint32_t>(number(1, 16)));
        else if (command == "fire") // callbacks of these types
        {
            for (std::size_t at = 1; at < words.size(); ++at)
                if (!EnbTest_FireCallback(static_cast<std::uint32_t>(number(at, 16))))
                    return "no callback";
        }
        else if (command == "count")
        {
            const std::string& what = words.at(1);
            return std::to_string(what == "registrations" ? EnbTest_CallbackRegistrations()
                                  : what == "queries"     ? EnbTest_StateQueries()
                                  : what == "reloads"     ? EnbTest_DirtyHackCalls()
                                                      : static_cast<std::uint32_t>(YarrinTest_ConstructStringCalls()));
        }
        else if (command == "path")
            return Path();
        else if (command == "version")
            return Version(ProgramDirectory() + L"Nimbrava.dll");
        else if (command == "imports")
            return ImportsBeyond(Host().Module(), {words.begin() + 1, words.end()});
        else if (command == "acp")
            return std::to_string(GetACP());
        else if (command == "exists")
            return fs::exists(m_folder / words.at(1)) ? "yes" : "no";
        else if (command == "other-d3d11") // another "d3d11.dll" loaded by its full path
        {
            m_otherD3d11 = LoadLibraryW((ProgramDirectory() + L"enb-no-imports\\d3d11.dll").c_str());
            HMODULE enb = nullptr;
            GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&EnbTest_Restart)), &enb);
            return m_otherD3d11 == nullptr ? "not loaded" : m_otherD3d11 == enb ? "ENB's" : "a second module";
        }
        else if (command == "storm")
            return Storm(words);
        else
            throw std::invalid_argument("unknown command");
        return "";
    }

    PluginHost& Scenario::Host()
    {
        if (m_host == nullptr)
            throw std::logic_error("no plugin loaded");
        return *m_host;
    }

    // The exported query's answer; a null length pointer is allowed.
    std::string Scenario::Path()
    {
        using Query = const wchar_t* (*)(std::size_t*);
        const auto query = reinterpret_cast<Query>(
            reinterpret_cast<void*>(GetProcAddress(Host().Module(), "GetCurrentWeatherlistPath")));
        if (query == nullptr)
            return "not exported";
        std::size_t length = 99;
        const wchar_t* path = query(&length);
        if (query(nullptr) != path || path[length] != L'\0')
            return "unstable or unterminated";
        return length == 0 ? "" : Relative(std::wstring(path, length));
    }

    // A file under the game's enbseries folder as "lists/solstheim.ini"; any other file whole.
    std::string Scenario::Relative(const fs::path& file) const
    {
        const fs::path relative = file.lexically_relative(m_folder / "enbseries");
        return relative.empty() || *relative.begin() == ".." ? Utf8(file) : Utf8(relative);
    }

    // The file ENB opened, and what was wrong with the read: a part of the file only, a failure to
    // open enblocal.ini first, a section that is not the file's own.
    std::string Scenario::Describe(const EnbTestRead& read) const
    {
        if (read.OpenError != 0)
            return "open error " + std::to_string(read.OpenError);
        const fs::path opened = Opened(read);
        const std::string content = Slurp(opened);
        std::string out = Relative(opened);
        if (std::string(read.Content, read.ContentSize) != content)
            out += " partly";
        if (read.LocalOpenError != 0)
            out += " enblocal.ini error " + std::to_string(read.LocalOpenError);
        if (std::string(read.Section, read.SectionLength) != SectionOf(content) + '\0')
            out += " section " + std::string(read.Section);
        return out;
    }

    // What ENB read when the callback asked it to reload ("-": no reload), and what the plugin's
    // query answers then when it differs.
    std::string Scenario::Walk(std::uint32_t id)
    {
        EnbTest_SetWorldspace(id);
        const std::uint32_t before = EnbTest_DirtyHackCalls();
        if (!EnbTest_FireCallback(2))
            return "no callback";
        EnbTestRead read;
        if (EnbTest_DirtyHackCalls() == before)
            return "-";
        if (EnbTest_DirtyHackCalls() != before + 1 || EnbTest_LastRequest() != 3 || !EnbTest_LastReload(&read))
            return std::to_string(EnbTest_DirtyHackCalls() - before) + " requests, the last " +
                   std::to_string(EnbTest_LastRequest());
        std::string out = Describe(read);
        if (EnbTest_LastParameter() != 0)
            out += " parameter " + std::to_string(EnbTest_LastParameter());
        if (const std::string path = Path(); path != Relative(Opened(read)))
            out += " path " + path;
        return out;
    }

    // storm CALLBACKS STAY ID ID FILE...: type-2 callbacks, STAY in a row for each of the two
    // worldspaces in turn, while ENB reads its weather list on another thread. Every read must find
    // one whole FILE, and its section whole (the path may switch between the open and that read).
    std::string Scenario::Storm(const std::vector<std::string>& words)
    {
        std::set<std::string> whole;
        for (auto file = words.begin() + 5; file != words.end(); ++file)
        {
            whole.insert(*file);
            for (auto other = words.begin() + 5; other != words.end(); ++other)
                if (other != file)
                    whole.insert(*file + " section " + SectionOf(Slurp(m_folder / "enbseries" / *other)));
        }
        std::atomic<bool> done{false};
        std::atomic<int> reads{0};
        std::string fault;
        std::thread reader([&] {
            for (EnbTestRead read; !done; ++reads)
                if (EnbTest_Read(&read), !whole.contains(Describe(read)))
                    fault = Describe(read);
        });
        const std::uint32_t queries = EnbTest_StateQueries(), reloads = EnbTest_DirtyHackCalls();
        const long long callbacks = std::stoll(words.at(1)), stay = std::stoll(words.at(2));
        for (long long i = 0; i < callbacks; ++i)
        {
            EnbTest_SetWorldspace(static_cast<std::uint32_t>(
                std::stoul(words.at(3 + static_cast<std::size_t>(i / stay % 2)), nullptr, 16)));
            EnbTest_FireCallback(2);
        }
        done = true;
        reader.join();
        return std::to_string(EnbTest_DirtyHackCalls() - reloads) + " reloads, " +
               std::to_string(EnbTest_StateQueries() - queries) + " queries" + (reads == 0 ? ", no reads" : "") +
               (fault.empty() ? "" : ", read " + fault);
    }

    // Runs this script in a process of its own, in the game folder with the host program, the plugin
    // and `d3d11` (a file of the program's folder) as ENB; the outcome is the process's exit code.
    std::string Scenario::Spawn(const std::string& d3d11)
    {
        const fs::path bin = ProgramDirectory();
        fs::create_directories(m_folder);
        for (const char* file : {"nimbrava-host.exe", "Nimbrava.dll", "Yarrin.dll"})
            fs::copy_file(bin / file, m_folder / file);
        fs::copy_file(bin / d3d11, m_folder / "d3d11.dll");
        m_delegated = true;

        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        const fs::path outputFile = m_folder / "host-output.txt";
        const HANDLE output = CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        std::wstring command = L"\"" + (m_folder / "nimbrava-host.exe").wstring() + L"\" --scenario \"" +
                               fs::path(m_script).make_preferred().wstring() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = output;
        PROCESS_INFORMATION process{};
        const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                            m_folder.c_str(), &startup, &process);
        CloseHandle(output);
        if (!started)
            throw std::runtime_error("cannot start the host");
        DWORD exitCode = 0;
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        m_detail = "\n" + Slurp(outputFile);
        return std::to_string(exitCode);
    }
} // namespace NimbravaTest
