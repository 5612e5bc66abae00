// The walks of the play-through scripts played again from the game's start and held against
// nimbrava-check --walk (README.txt of the scripts: "Walks against the checker").

#include <fmt/format.h>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>
#include "DataFiles.h"
#include "PluginHost.h"

namespace NimbravaTest
{
    namespace
    {
        namespace fs = std::filesystem;

        // A walk of a script: where it starts, its IDs as the script writes them, and the script's files
        // at that point, as script lines ("folder" and "write" commands).
        struct ScriptWalk
        {
            std::string Where;
            std::vector<std::string> Ids;
            std::string Files;
            std::string Folder = "game";
        };

        // The walks of a script whose game ENB accepts (YarrinMain succeeded) and whose reloads succeed:
        // each a run of "walk" commands that no other command breaks but those that only look. None for a
        // script whose game another process plays with another ENB ("spawn").
        std::vector<ScriptWalk> Walks(const std::vector<ScriptCommand>& commands)
        {
            const std::set<std::string> looking = {"log", "count", "path", "exists", "version"};
            std::vector<std::pair<std::string, std::vector<std::string>>> files; // each path's last write
            std::string folder = "game";
            bool accepted = false, reloading = true;
            std::vector<ScriptWalk> walks;
            ScriptWalk walk;
            const auto end = [&] {
                if (!walk.Ids.empty())
                    walks.push_back(std::move(walk));
                walk = {};
            };
            for (const ScriptCommand& command : commands)
            {
                const auto [text, expected] = SplitAtArrow(command.Line);
                const std::vector<std::string> words = Words(text);
                if (words[0] == "spawn")
                    return {};
                if (looking.contains(words[0]))
                    continue;
                if (words[0] == "walk" && accepted && reloading)
                {
                    if (walk.Ids.empty())
                    {
                        walk.Where = command.Where;
                        walk.Folder = folder;
                        walk.Files = folder == "game" ? "" : "folder " + folder + "\n";
                        for (const auto& [path, body] : files)
                            walk.Files += fmt::format("write {}\n{}.\n", path,
                                                      body.empty() ? "" : fmt::format("{}\n", fmt::join(body, "\n")));
                    }
                    walk.Ids.push_back(words.at(1));
                    continue;
                }
                end();
                if (words[0] == "load") // ENB and the host forget everything
                    accepted = false, reloading = true;
                else if (words[0] == "main")
                    accepted = accepted || expected == "success";
                else if (words[0] == "folder")
                    folder = words.at(1);
                else if (words[0] == "set")
                    for (std::size_t at = 1; at + 1 < words.size(); at += 2)
                        if (words[at] == "dirtyhack")
                            reloading = std::stoul(words[at + 1], nullptr, 0) != 0;
                if (words[0] == "write")
                {
                    std::erase_if(files, [&](const auto& file) { return file.first == words.at(1); });
                    files.emplace_back(words.at(1), command.Body);
                }
            }
            end();
            return walks;
        }

        // Runs `program` with `arguments` in `folder`: what it wrote on its standard output and error,
        // gathered in `output`. Throws std::system_error when it cannot be started.
        std::string RunProgram(const fs::path& program, const std::wstring& arguments, const fs::path& folder,
                               const fs::path& output)
        {
            SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
            const HANDLE file = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE)
                throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "CreateFileW");
            STARTUPINFOW startup{};
            startup.cb = sizeof startup;
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdOutput = startup.hStdError = file;
            std::wstring line = L"\"" + program.wstring() + L"\" " + arguments;
            PROCESS_INFORMATION process{};
            const bool started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                                folder.c_str(), &startup, &process);
            const DWORD error = GetLastError();
            if (started)
            {
                WaitForSingleObject(process.hProcess, INFINITE);
                CloseHandle(process.hThread);
                CloseHandle(process.hProcess);
            }
            CloseHandle(file);
            if (!started)
                throw std::system_error(static_cast<int>(error), std::system_category(), "CreateProcessW");
            return ReadFile(output);
        }

        // The steps of a walk's table as the demo and the checker write it: the lines after its heading up
        // to the first empty line, without the checker's notes in parentheses; CR LF read as LF.
        std::vector<std::string> Steps(const std::string& text)
        {
            std::vector<std::string> steps;
            bool inside = false;
            std::istringstream lines(text);
            for (std::string line; std::getline(lines, line);)
            {
                if (line.ends_with('\r'))
                    line.pop_back();
                if (!inside)
                    inside = line.starts_with(" step  worldspace  ");
                else if (line.empty())
                    break;
                else if (!line.starts_with("        ("))
                    steps.push_back(line);
            }
            return steps;
        }
    } // namespace

    std::vector<std::string> CompareWalks(const fs::path& scriptPath, const fs::path& checker, const fs::path& root,
                                          std::size_t& compared)
    {
        std::ifstream script(scriptPath);
        if (!script)
            return {"cannot read " + scriptPath.string()};
        std::vector<std::string> failures;
        for (const ScriptWalk& walk :
             Walks(ReadScript(script, scriptPath.filename().string(), scriptPath.parent_path())))
        {
            const fs::path place = root / std::to_string(++compared);
            const std::string ids = fmt::format("{}", fmt::join(walk.Ids, ","));
            std::ostringstream played;
            std::istringstream game(walk.Files + "load\ninitialize\nmain\nwalk " +
                                    fmt::format("{}", fmt::join(walk.Ids, "\nwalk ")) + "\nlog (unchecked)\n");
            for (const std::string& failure : PlayScript(game, scriptPath, place / "game", {}, false, &played))
                failures.push_back(fmt::format("{}: the walk {} did not play: {}", walk.Where, ids, failure));
            const fs::path folder = place / std::u8string(walk.Folder.begin(), walk.Folder.end());
            const std::string predicted = RunProgram(checker, L"--walk " + fs::path(ids).wstring() + L" enbseries",
                                                     folder, place / "checker.txt");
            if (Steps(played.str()).empty() || Steps(played.str()) != Steps(predicted))
                failures.push_back(fmt::format("{}: the walk {} from the game's start\n  played:\n{}\n  predicted:\n{}",
                                               walk.Where, ids, played.str(), predicted));
        }
        return failures;
    }
} // namespace NimbravaTest
