// The play-through interpreter (tests/data/playthrough/README.txt says its commands): the reading of
// a script with its includes, blocks and repeats spelled out, the commands played in order, and the
// race of ENB's callbacks on several threads. What ENB read is found from the handle it got, never
// from the plugin's state; the plugin's answers are shown byte for byte, so that a script states
// them whole.

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iomanip>
#include <map>
#include <memory>
#include <optional>
#include <process.h>
#include <set>
#include <sstream>
#include <system_error>
#include <thread>
#include <fmt/ranges.h>
#include "EnbControl.h"
#include "Orvel/Exceptions.h"
#include "Orvel/Hook/FindIATEntry.h"
#include "Orvel/Hook/ReplaceIATEntry.h"
#include "PluginHost.h"
#include "DataFiles.h"
#include "YarrinControl.h"

namespace NimbravaTest
{
    namespace
    {
        namespace fs = std::filesystem;

        std::string Utf8(const fs::path& path)
        {
            const auto text = path.generic_u8string();
            return {text.begin(), text.end()};
        }
    } // namespace

    std::pair<std::string, std::optional<std::string>> SplitAtArrow(const std::string& line)
    {
        constexpr std::string_view Arrow = " -> ", FinalArrow = " ->";
        if (const std::size_t at = line.find(Arrow); at != std::string::npos)
            return {line.substr(0, at), line.substr(at + Arrow.size())};
        if (line.ends_with(FinalArrow))
            return {line.substr(0, line.size() - FinalArrow.size()), ""};
        return {line, std::nullopt};
    }

    namespace
    {
        // A text that ends in '*' matches any longer text that starts with the rest.
        bool Matches(const std::string& actual, const std::string& expected)
        {
            if (!expected.ends_with('*'))
                return actual == expected;
            const std::string_view stem(expected.data(), expected.size() - 1);
            return actual.size() > stem.size() && actual.starts_with(stem);
        }

        // 8-byte groups in hex, an unwritten byte as "..", the host strings at `strings` as their text.
        template <std::size_t N>
        std::string Dump(const ResultBytes<N>& bytes, std::set<std::size_t> strings)
        {
            constexpr std::size_t Group = 8; // a pointer's size, and the records' alignment
            std::string out;
            for (std::size_t group = 0; group < N; group += Group)
            {
                if (group != 0)
                    out += " ";
                if (strings.contains(group))
                {
                    const Yarrin::V1::IBasicString<char>* string = nullptr;
                    std::memcpy(&string, &bytes[group], sizeof string);
                    out += string != nullptr ? "'" + string->Text + "'" : "null";
                    continue;
                }
                for (std::size_t at = group; at < group + Group && at < N; ++at)
                    out += bytes[at] == Unwritten ? ".." : fmt::format("{:02X}", bytes[at]);
            }
            return out;
        }

        // The version resource: file and product version, then its strings.
        std::string Version(const fs::path& file)
        {
            std::vector<char> data(GetFileVersionInfoSizeW(file.c_str(), nullptr));
            void* block = nullptr;
            UINT length = 0;
            if (data.empty() || !GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(data.size()), data.data()) ||
                !VerQueryValueW(data.data(), L"\\", &block, &length))
                return "none";
            const auto& fixed = *static_cast<const VS_FIXEDFILEINFO*>(block);
            std::string out = fmt::format("{:08X}{:08X} {:08X}{:08X}", fixed.dwFileVersionMS, fixed.dwFileVersionLS,
                                          fixed.dwProductVersionMS, fixed.dwProductVersionLS);
            for (std::wstring name :
                 {L"FileVersion", L"ProductVersion", L"ProductName", L"InternalName", L"OriginalFilename"})
                if (VerQueryValueW(data.data(), (L"\\StringFileInfo\\040904B0\\" + name).c_str(), &block, &length))
                    out += " " + Utf8(name) + "=" + Utf8(static_cast<const wchar_t*>(block));
            return out;
        }

        // Reading a script: its lines become the commands that are played, with the files it includes,
        // the blocks it calls and the lines it repeats spelled out.

        [[noreturn]] void Fail(const ScriptCommand& line, const std::string& what)
        {
            throw std::invalid_argument(fmt::format("{}: {}\n    {}", line.Where, what, line.Line));
        }

    } // namespace

    std::vector<std::string> Words(const std::string& text)
    {
        std::istringstream in(text);
        std::vector<std::string> words;
        for (std::string word; in >> std::quoted(word);)
            words.push_back(word);
        return words;
    }

    namespace
    {
        std::vector<ScriptCommand> ReadLines(std::istream& in, const std::string& name, const std::string& context)
        {
            std::vector<ScriptCommand> lines;
            int number = 0;
            for (std::string text; std::getline(in, text);)
            {
                if (text.ends_with('\r'))
                    text.pop_back();
                lines.push_back({text, {}, fmt::format("{}:{}{}", name, ++number, context)});
            }
            return lines;
        }

        // The lines of a block, their places followed by `context` and every "{PARAMETER}" replaced by
        // its argument.
        std::vector<ScriptCommand> Instance(std::vector<ScriptCommand> lines, const std::string& context,
                                            const std::map<std::string, std::string>& arguments)
        {
            for (ScriptCommand& line : lines)
            {
                line.Where += context;
                for (const auto& [parameter, argument] : arguments)
                {
                    const std::string mark = "{" + parameter + "}";
                    for (std::size_t at = line.Line.find(mark); at != std::string::npos;
                         at = line.Line.find(mark, at + argument.size()))
                        line.Line.replace(at, mark.size(), argument);
                }
            }
            return lines;
        }

        class Reader
        {
        public:
            explicit Reader(fs::path folder) : m_folder(std::move(folder)) {}

            void Read(const std::vector<ScriptCommand>& lines, std::vector<ScriptCommand>& commands)
            {
                for (std::size_t at = 0; at < lines.size(); ++at)
                {
                    const ScriptCommand& line = lines[at];
                    const std::vector<std::string> words = Words(line.Line);
                    if (words.empty() || words[0].starts_with('#'))
                        continue;
                    const std::string text = line.Line.substr(line.Line.find_first_not_of(" \t"));
                    if (words[0] == "write")
                        commands.push_back({text, WriteBody(lines, at), line.Where});
                    else if (words[0] == "include")
                        Include(line, words.at(1), commands);
                    else if (words[0] == "repeat")
                    {
                        const auto body = BlockLines(lines, at);
                        for (int round = 1; round <= std::stoi(words.at(1)); ++round)
                            Read(Instance(body, fmt::format(" (round {})", round), {}), commands);
                    }
                    else if (words[0] == "define")
                        m_blocks[words.at(1)] = {{words.begin() + 2, words.end()}, BlockLines(lines, at)};
                    else if (m_blocks.contains(words[0]))
                        Call(line, words, commands);
                    else
                        commands.push_back({text, {}, line.Where});
                }
            }

        private:
            struct Block
            {
                std::vector<std::string> Parameters;
                std::vector<ScriptCommand> Lines;
            };

            // The lines after the "write" at `at` up to its ".", which `at` is moved to; as they are.
            static std::vector<std::string> WriteBody(const std::vector<ScriptCommand>& lines, std::size_t& at)
            {
                const ScriptCommand& write = lines[at];
                std::vector<std::string> body;
                for (++at; at < lines.size() && lines[at].Line != "."; ++at)
                    body.push_back(lines[at].Line);
                if (at == lines.size())
                    Fail(write, "no line \".\" ends the file");
                return body;
            }

            // The lines after the "define" or "repeat" at `at` up to the next line "end", which `at` is
            // moved to. Blocks do not nest (a block may call others).
            static std::vector<ScriptCommand> BlockLines(const std::vector<ScriptCommand>& lines, std::size_t& at)
            {
                const std::size_t opening = at;
                while (++at < lines.size() && Words(lines[at].Line) != std::vector<std::string>{"end"})
                {
                }
                if (at == lines.size())
                    Fail(lines[opening], "no \"end\" closes the block");
                return {lines.begin() + static_cast<std::ptrdiff_t>(opening + 1),
                        lines.begin() + static_cast<std::ptrdiff_t>(at)};
            }

            // include FILE: the lines of FILE of the script's folder, as if written here.
            void Include(const ScriptCommand& line, const std::string& name, std::vector<ScriptCommand>& commands)
            {
                std::ifstream file(m_folder / name);
                if (!file)
                    Fail(line, "cannot read " + name);
                Read(ReadLines(file, name, " (included at " + line.Where + ")"), commands);
            }

            // NAME ARGUMENT...: the block's lines with its parameters replaced by the arguments.
            void Call(const ScriptCommand& line, const std::vector<std::string>& words,
                      std::vector<ScriptCommand>& commands)
            {
                const Block& block = m_blocks.at(words[0]);
                if (words.size() != block.Parameters.size() + 1)
                    Fail(line, fmt::format("{} takes {} argument(s)", words[0], block.Parameters.size()));
                std::map<std::string, std::string> arguments;
                for (std::size_t i = 0; i < block.Parameters.size(); ++i)
                    arguments[block.Parameters[i]] = words[i + 1];
                Read(Instance(block.Lines, " (" + words[0] + " at " + line.Where + ")", arguments), commands);
            }

            fs::path m_folder;
            std::map<std::string, Block> m_blocks;
        };

    } // namespace

    std::vector<ScriptCommand> ReadScript(std::istream& script, const std::string& name, const fs::path& folder)
    {
        std::vector<ScriptCommand> commands;
        Reader(folder).Read(ReadLines(script, name, ""), commands);
        return commands;
    }

    namespace
    {
        // The lines that open the log, shown as "(banner)".
        const std::array<std::string, 3> Banner = {"Logging stream for \"Nimbrava\" successfully initialized",
                                                   "Date and time format: YYYY/MM/DD - HH:MM:SS",
                                                   std::string(120, '-')};

        // The lines of a log file, each without its CR and its timestamp (the banner's lines have none).
        std::vector<std::string> LogLines(const fs::path& file, std::streamoff from = 0)
        {
            // A timestamp, then the space that starts the level tag.
            constexpr std::size_t Stamped = std::string_view("YYYY/MM/DD - HH:MM:SS ").size();
            std::ifstream text(file, std::ios::binary);
            text.seekg(from);
            std::vector<std::string> lines;
            for (std::string line; std::getline(text, line);)
            {
                if (line.ends_with('\r'))
                    line.pop_back();
                const bool stamped =
                    line.size() >= Stamped && line[0] >= '0' && line[0] <= '9' && line[Stamped - 1] == ' ';
                lines.push_back(stamped ? line.substr(Stamped) : line);
            }
            return lines;
        }

        // The log line of a change of worldspace, up to its ID.
        constexpr std::string_view ChangedLine = "[MESSAGE] Worldspace changed. New ID: ";

        // One round of a race: a thread for each of `ids`, released together, makes ENB report its ID to
        // it and fires a type-2 callback. Whether two of the callbacks ran at once. Counted in with
        // atomics and spinning, not a std::latch: under Wine a latch's wait was seen to miss its wake-up.
        bool RaceRound(const std::vector<std::uint32_t>& ids)
        {
            std::atomic<std::size_t> ready{0}, running{0};
            std::atomic<bool> released{false}, overlapped{false};
            std::atomic<std::chrono::steady_clock::time_point> releaseAt{};
            std::vector<std::jthread> threads;
            for (const std::uint32_t id : ids)
                threads.emplace_back([&, id] {
                    EnbTest_SetThreadWorldspace(id);
                    ++ready;
                    // Spinning, so that the threads on other cores leave at once; yielding now and then to
                    // the threads without a core.
                    for (unsigned spins = 1; !released.load(); ++spins)
                        if (spins % 4096 == 0)
                            std::this_thread::yield();
                    for (const auto at = releaseAt.load(); std::chrono::steady_clock::now() < at;)
                    {
                    }
                    if (++running >= 2)
                        overlapped = true;
                    EnbTest_FireCallback(2);
                    --running;
                });
            while (ready.load() < ids.size())
                std::this_thread::yield();
            // The threads leave at a moment a little ahead rather than at the store that releases them:
            // threads spinning on other cores see a store one after the other, but reach a time together,
            // and by then this thread has given up its core to wait.
            releaseAt = std::chrono::steady_clock::now() + std::chrono::microseconds(200);
            released = true;
            threads.clear(); // joins them
            return overlapped;
        }

        // The weather list, under enbseries, that the log line after a change to `id` says that the
        // change put in force; "" when the line is not one of that change's.
        std::string ListSwitchedTo(const std::string& line, const std::string& id)
        {
            constexpr std::string_view Switching = "[MESSAGE] Switching to weatherlist '";
            if (line.starts_with(Switching) && line.ends_with('\''))
            {
                std::string list = line.substr(Switching.size(), line.size() - Switching.size() - 1);
                std::ranges::replace(list, '\\', '/');
                return list;
            }
            if (line.starts_with("[WARNING] Unable to find weatherlist '") &&
                line.ends_with("' for worldspace " + id + ". Switching to default fallback"))
                return "_weatherlist.ini";
            return "";
        }

        // The doubles' settings and counters by their names in scripts.
        std::uint32_t* Field(const std::string& name)
        {
            EnbTestState& enb = *EnbTest();
            YarrinTestState& host = *YarrinTest();
            const std::map<std::string, std::uint32_t*> fields = {
                {"sdk", &enb.SdkVersion},
                {"game", &enb.Game},
                {"version", &enb.Version},
                {"dirtyhack", &enb.DirtyHackResult},
                {"worldspace", &enb.Worldspace},
                {"callback-at-registration", &enb.CallbackAtRegistration},
                {"registrations", &enb.Registrations},
                {"queries", &enb.StateQueries},
                {"reloads", &enb.DirtyHackCalls},
                {"fail-string", &host.FailAtCall},
                {"fail-strings-from", &host.FailFromCall},
                {"length-high-bit", &host.LengthHighBit},
                {"strings", &host.ConstructCalls}};
            return fields.at(name);
        }

        struct Scenario
        {
            fs::path m_folder, m_logs, m_script;
            bool m_spawned;
            std::ostream* m_echo; // the demo's output, or none
            bool m_delegated = false;
            int m_steps = 0;
            std::unique_ptr<PluginHost> m_host{};
            std::vector<std::string> m_expectedLog{}, m_failures{};
            std::string m_game{}; // where the game whose log Finish checks was started: its "load" or "spawn"

            // Plays the commands; the working directory is the one before when it returns.
            std::vector<std::string> Run(const std::vector<ScriptCommand>& commands)
            {
                const fs::path previous = fs::current_path();
                for (const ScriptCommand& line : commands)
                {
                    const auto [command, expected] = SplitAtArrow(line.Line);
                    const std::vector<std::string> words = Words(command);
                    if (words[0] == "log" && line.Line == "log (banner)")
                        m_expectedLog.insert(m_expectedLog.end(), Banner.begin(), Banner.end());
                    else if (words[0] == "log")
                        m_expectedLog.push_back(line.Line.substr(line.Line.find(' ') + 1));
                    // After a spawn this process only checks the log that the spawned one left.
                    if (words[0] == "log" || m_delegated || (m_spawned && words[0] == "spawn"))
                        continue;
                    // The demo shows the lines each step of a walk logs: those after the log's size before it.
                    const std::uintmax_t logged = m_echo != nullptr && words[0] == "walk" ? LogSize() : 0;
                    std::string outcome;
                    try
                    {
                        outcome = Do(words, line);
                    }
                    catch (const std::exception& e) // an outcome to expect; a failure where none is expected
                    {
                        const auto* orvel = dynamic_cast<const Orvel::GenericException*>(&e);
                        outcome = fmt::format("throws {}{}",
                                              dynamic_cast<const std::system_error*>(&e) ? "system_error " : "",
                                              orvel != nullptr ? orvel->ToString() : e.what());
                    }
                    // The demo shows YarrinMain's result, then a table of the steps: worldspace, the file ENB
                    // read and the lines logged, as nimbrava-check --walk predicts them.
                    if (m_echo != nullptr && words[0] == "main")
                        *m_echo << fmt::format("YarrinMain: {}\n step  worldspace  weather list ENB read, under "
                                               "enbseries (-: no reload)\n",
                                               outcome);
                    else if (m_echo != nullptr && words[0] == "walk")
                    {
                        *m_echo << fmt::format("{:5}  {:>10X}  {}\n", ++m_steps, std::stoul(words.at(1), nullptr, 16),
                                               outcome);
                        for (const std::string& text : LogLines(LogFile(), static_cast<std::streamoff>(logged)))
                            *m_echo << "        " << text << "\n";
                    }
                    const bool failed = expected ? !Matches(outcome, *expected) : outcome.starts_with("throws ");
                    if (failed)
                        m_failures.push_back(fmt::format("{}: {}\n    but got: {}", line.Where, line.Line, outcome));
                }
                Finish();
                fs::current_path(previous);
                return m_failures;
            }

            // Unloads the plugin and compares its log, each line without its timestamp, with the script's
            // (unless the script said "log (unchecked)"). ENB and the host forget everything either way.
            void Finish()
            {
                const bool played = m_host != nullptr || m_delegated;
                EnbTest_Restart(); // ENB forgets the plugin before it unloads
                m_host.reset();
                if (!played)
                    return;
                const std::vector<std::string> lines = LogLines(LogFile());
                const bool unchecked = m_expectedLog == std::vector<std::string>{"(unchecked)"};
                if (!unchecked && !std::ranges::equal(lines, m_expectedLog, Matches))
                    m_failures.push_back(fmt::format("{}: the log was:\n    {}", m_game, fmt::join(lines, "\n    ")));
                m_expectedLog.clear();
            }

            std::string Do(const std::vector<std::string>& words, const ScriptCommand& line)
            {
                const std::string& command = words[0];
                // Numbers as unsigned long, the 32 bits of the fields; "-5" wraps to FFFFFFFB.
                if (command == "folder") // a game folder of this name beside the given one
                    m_folder = m_folder.parent_path() / std::u8string(words[1].begin(), words[1].end());
                else if (command == "write") // the lines up to "." with CRLF line ends
                {
                    fs::create_directories((m_folder / words.at(1)).parent_path());
                    std::ofstream file(m_folder / words.at(1), std::ios::binary);
                    for (const std::string& text : line.Body)
                        file << text << "\r\n";
                }
                else if (command == "spawn")
                {
                    m_game = line.Where;
                    return Spawn(words.at(1));
                }
                else if (command == "load") // a new game: the doubles reset, the plugin loaded from the game folder
                {
                    Finish();
                    m_game = line.Where;
                    fs::create_directories(m_folder / m_logs);
                    YarrinTest_Reset((m_folder / m_logs).c_str());
                    fs::current_path(m_folder);
                    m_host = std::make_unique<PluginHost>();
                }
                else if (command == "set") // pairs of a name and a value
                {
                    for (std::size_t at = 1; at < words.size(); at += 2)
                        if (words[at] == "logs") // relative: to the game folder
                            YarrinTest_Reset(fs::path(words.at(at + 1)).make_preferred().c_str());
                        else
                            *Field(words[at]) = std::stoul(words.at(at + 1), nullptr, 0);
                }
                else if (command == "initialize")
                {
                    const auto result = Host().Initialize(PluginHost::MakeRuntimeInfo(words.back() != "no-enb"));
                    if (result[0] == 1)
                        return Dump(result, {40, 64});
                    // A failure writes its error record; the storage after it stays as the host left it.
                    ResultBytes<sizeof(Yarrin::V1::MainResult)> error;
                    std::copy_n(result.begin(), error.size(), error.begin());
                    const bool rest = std::all_of(result.begin() + error.size(), result.end(),
                                                  [](std::uint8_t byte) { return byte == Unwritten; });
                    return Dump(error, {8}) + (rest ? "" : " and bytes after it written");
                }
                else if (command == "main")
                {
                    // "success": flag 1 with its one-byte payload 0, nothing else written.
                    const auto result = Host().Main(PluginHost::MakeRuntimeInfo(words.back() != "no-enb"));
                    const std::string dump = result[0] == 1 ? Dump(result, {}) : Dump(result, {8});
                    return dump == "01.............. 00.............. ................" ? "success" : dump;
                }
                else if (command == "walk") // ENB reports the worldspace and calls back with type 2
                    return Walk(std::stoul(words.at(1), nullptr, 16));
                else if (command == "fire") // callbacks of these types
                {
                    for (std::size_t at = 1; at < words.size(); ++at)
                        if (!EnbTest_FireCallback(std::stoul(words[at], nullptr, 16)))
                            throw std::runtime_error("no callback registered"); // nothing could have happened
                }
                else if (command == "count")
                    return std::to_string(*Field(words.at(1)));
                else if (command == "path")
                    return Path();
                else if (command == "version")
                    return Version(ProgramDirectory() + L"Nimbrava.dll");
                else if (command == "exists")
                    return fs::exists(m_folder / words.at(1)) ? "yes" : "no";
                else if (command == "stub-import")
                    return StubImport(words.at(1));
                else if (command == "other-d3d11") // another "d3d11.dll" loaded by its full path
                {
                    // Left loaded for the rest of the script: every later load must keep to ENB's.
                    const HMODULE other = LoadLibraryW((ProgramDirectory() + L"enb-no-imports\\d3d11.dll").c_str());
                    const HMODULE enb = GetModuleHandleW(L"d3d11.dll"); // under Wine the first loaded: ENB's
                    if (other == nullptr)
                        return "not loaded";
                    return other == enb ? "ENB's" : "a second module";
                }
                else if (command == "race")
                    return Race(words);
                else
                    throw std::invalid_argument("unknown command");
                return "";
            }

            fs::path LogFile() const { return m_folder / m_logs / "Nimbrava.log"; }
            std::uintmax_t LogSize() const
            {
                std::error_code none;
                const std::uintmax_t size = fs::file_size(LogFile(), none);
                return none ? 0 : size;
            }

            // race THREADS ROUNDS GROUP...: ENB calls back on several threads at once (RaceRound), and each
            // round's log lines are checked here.
            std::string Race(const std::vector<std::string>& words)
            {
                const std::uint32_t threads = std::stoul(words.at(1)), rounds = std::stoul(words.at(2));
                std::vector<std::vector<std::uint32_t>> groups;
                for (auto word = words.begin() + 3; word != words.end(); ++word)
                {
                    auto& group = groups.emplace_back();
                    std::istringstream ids(*word);
                    for (std::string id; std::getline(ids, id, ',');)
                        group.push_back(std::stoul(id, nullptr, 16));
                }
                // What the race knows of the switches so far: the worldspace of the last one as the log
                // shows it, the weather list in force, and each worldspace's list as its switches showed
                // it. It starts where the log leaves the plugin.
                std::string worldspace, list = Path();
                std::map<std::string, std::string> lists;
                std::vector<std::string> lines = LogLines(LogFile());
                for (const std::string& line : lines)
                    if (line.starts_with(ChangedLine))
                        worldspace = line.substr(ChangedLine.size());
                std::streamoff seen = static_cast<std::streamoff>(fs::file_size(LogFile())); // before the round

                EnbTestState& enb = *EnbTest();
                // The reloads of several threads would write one record at once: each round reads afterwards.
                enb.ReadOnReload = false;
                const auto reloads = [&] { return std::atomic_ref(enb.DirtyHackCalls).load(); };
                const std::uint32_t reloadsBefore = reloads();
                std::string fault;
                bool overlapped = false;
                std::uint32_t switches = 0;
                for (std::uint32_t round = 0; round < rounds && fault.empty(); ++round)
                {
                    const std::uint32_t reloadsThen = reloads();
                    const auto& group = groups[round % groups.size()];
                    std::vector<std::uint32_t> ids;
                    for (std::uint32_t thread = 0; thread < threads; ++thread)
                        ids.push_back(group[thread % group.size()]);
                    overlapped = RaceRound(ids) || overlapped;
                    lines = LogLines(LogFile(), seen);
                    seen = static_cast<std::streamoff>(fs::file_size(LogFile()));
                    // The reload lines come after the switch, which another thread may log in between.
                    std::vector<std::string> steps;
                    for (const std::string& line : lines)
                        if (line != "[MESSAGE] Reloading ENB config...")
                            steps.push_back(line);
                    std::set<std::string> reported; // as the log shows them: the low six digits
                    for (const std::uint32_t id : group)
                        reported.insert(fmt::format("{:X}", id & 0xFFFFFF));
                    // Each change: to a worldspace a thread reported and not the one in force, directly
                    // followed by its list's line, the same list at every change to that worldspace.
                    std::uint32_t changes = 0;
                    for (std::size_t at = 0; at < steps.size() && fault.empty(); at += 2)
                    {
                        const std::string id =
                            steps[at].starts_with(ChangedLine) ? steps[at].substr(ChangedLine.size()) : "";
                        const std::string switched = at + 1 < steps.size() ? ListSwitchedTo(steps[at + 1], id) : "";
                        const auto known = lists.try_emplace(id, switched).first;
                        if (!reported.contains(id) || id == worldspace || switched.empty() || known->second != switched)
                            fault = "a change out of place: " + steps[at];
                        worldspace = id;
                        list = switched;
                        ++changes;
                    }
                    switches += changes;
                    // A change when any worldspace reported is not the one in force; a reload line and a
                    // reload per change; the list of the change logged last in force, and read by a reload.
                    EnbTestRead read;
                    EnbTest_Read(&read);
                    const bool moved = std::ranges::any_of(reported, [&](const auto& id) { return id != worldspace; });
                    if (fault.empty() &&
                        ((changes == 0 && moved) || lines.size() - steps.size() != changes ||
                         reloads() - reloadsThen != changes || Path() != list || Describe(read) != list))
                        fault = fmt::format("{} changes, {} lines, {} reloads, {} in force", changes, lines.size(),
                                            reloads() - reloadsThen, Path());
                    if (!fault.empty())
                        fault = fmt::format("round {}: {}", round + 1, fault);
                }
                enb.ReadOnReload = true;
                // Without two callbacks at once there was no race.
                if (fault.empty() && !overlapped)
                    fault = "the callbacks never overlapped";
                return fmt::format("{}, {} switches, {} reloads", fault.empty() ? "one at a time" : fault, switches,
                                   reloads() - reloadsBefore);
            }

            PluginHost& Host() { return *m_host; } // after a "load"

            // The exported query's answer; a null length pointer is allowed.
            std::string Path()
            {
                const auto query = reinterpret_cast<const wchar_t* (*)(std::size_t*)>(
                    reinterpret_cast<void*>(GetProcAddress(Host().Module(), "GetCurrentWeatherlistPath")));
                std::size_t length = 99;
                const wchar_t* path = query != nullptr ? query(&length) : nullptr;
                if (path == nullptr || query(nullptr) != path || path[length] != L'\0')
                    return "no query, or an unstable or unterminated answer";
                return length == 0 ? "" : Relative(std::wstring(path, length));
            }

            // A file under the game's enbseries folder as "lists/solstheim.ini"; any other file whole.
            std::string Relative(const fs::path& file) const
            {
                const fs::path relative = file.lexically_relative(m_folder / "enbseries");
                return relative.empty() || *relative.begin() == ".." ? Utf8(file) : Utf8(relative);
            }

            // The file ENB opened, and what was wrong with the read: a failure to open enblocal.ini first,
            // a section that is not the file's own.
            std::string Describe(const EnbTestRead& read) const
            {
                // The first entry of the file's first section, as GetPrivateProfileSectionA returns it: its
                // second line.
                constexpr std::string_view LineEnd = "\r\n";
                const std::string content = ReadFile(read.OpenedPath);
                const std::size_t entry = content.find(LineEnd) + LineEnd.size();
                std::string out =
                    read.OpenError ? fmt::format("open error {}", read.OpenError) : Relative(read.OpenedPath);
                if (m_echo != nullptr) // the demo shows what ENB read; its folder need not hold what the checks expect
                    return out;
                if (read.LocalOpenError != 0)
                    out += " enblocal.ini error " + std::to_string(read.LocalOpenError);
                if (std::string(read.Section, read.SectionLength) !=
                    content.substr(entry, content.find(LineEnd, entry) - entry) + '\0')
                    out += " section " + std::string(read.Section);
                return out;
            }

            // What ENB read when the callback asked it to reload ("-": no reload), then the requests
            // when not one request 3 with 0 (and so what was read may be an earlier read), and the
            // plugin's query when it answers another file.
            std::string Walk(std::uint32_t id)
            {
                EnbTestState& enb = *EnbTest();
                const std::uint32_t before = enb.DirtyHackCalls;
                enb.Worldspace = id;
                if (!EnbTest_FireCallback(2))
                    throw std::runtime_error("no callback registered");
                if (enb.DirtyHackCalls == before)
                    return "-";
                std::string out = Describe(enb.LastReload);
                if (enb.DirtyHackCalls != before + 1 || enb.LastRequest != 3 || enb.LastParameter != 0)
                    out += fmt::format(" requests {}, the last {} parameter {}", enb.DirtyHackCalls - before,
                                       enb.LastRequest, enb.LastParameter);
                if (const std::string path = Path(); path != Relative(enb.LastReload.OpenedPath))
                    out += " path " + path;
                return out;
            }

            // Makes the plugin's import of `function` from d3d11.dll lead to a stub in memory of its own that
            // jumps on to the function, as another mod that hooks ENB may: "outside any module" when no
            // module can be found from the stub's address.
            std::string StubImport(const std::string& function)
            {
                const auto slot = Orvel::Hook::FindIATEntry(Host().Module(), "d3d11", function);
                if (!slot)
                    throw std::runtime_error("the plugin does not import " + function + " from d3d11.dll");
                void* const target = **slot;
                // mov rax, target; jmp rax
                std::array<unsigned char, 12> code = {0x48, 0xB8, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xE0};
                std::memcpy(&code[2], &target, sizeof target);
                // Never freed: the plugin may jump through it until it is unloaded, and the process ends soon.
                void* const stub = VirtualAlloc(nullptr, code.size(), MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
                if (stub == nullptr)
                    throw std::runtime_error("VirtualAlloc failed with error " + std::to_string(GetLastError()));
                std::memcpy(stub, code.data(), code.size());
                FlushInstructionCache(GetCurrentProcess(), stub, code.size());
                if (Orvel::Hook::ReplaceIATEntry(Host().Module(), "d3d11", function, stub) != target)
                    throw std::runtime_error("the import slot of " + function + " was not replaced");
                HMODULE owner = nullptr;
                const bool inModule = GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                                         static_cast<LPCWSTR>(stub), &owner);
                return inModule ? "inside a module" : "outside any module";
            }

            // Runs this script in a process of its own, in the game folder with the host program, the
            // plugin and `d3d11` (a file of the program's folder) as ENB; the outcome is its exit code.
            // Its mismatches go to this program's output; -1: it did not run.
            std::string Spawn(const std::string& d3d11)
            {
                fs::create_directories(m_folder);
                // Linked rather than copied where the folders share a drive: the programs are large.
                for (const fs::path file : {"nimbrava-host.exe", "Nimbrava.dll", "Yarrin.dll", d3d11.c_str()})
                {
                    std::error_code notLinked;
                    fs::create_hard_link(ProgramDirectory() / file, m_folder / file.filename(), notLinked);
                    if (notLinked)
                        fs::copy_file(ProgramDirectory() / file, m_folder / file.filename());
                }
                m_delegated = true;
                fs::current_path(m_folder);
                const std::wstring script = L"\"" + fs::path(m_script).make_preferred().wstring() + L"\"";
                return std::to_string(_wspawnl(_P_WAIT, (m_folder / "nimbrava-host.exe").c_str(), L"nimbrava-host",
                                               L"--scenario", script.c_str(), nullptr));
            }
        };
    } // namespace

    std::vector<std::string> PlayScript(std::istream& script, const fs::path& scriptPath, const fs::path& folder,
                                        const fs::path& logs, bool spawned, std::ostream* echo)
    {
        const auto commands = ReadScript(script, Utf8(scriptPath.filename()), scriptPath.parent_path());
        return Scenario{folder, logs.empty() ? "logs" : logs, scriptPath, spawned, echo}.Run(commands);
    }
} // namespace NimbravaTest
