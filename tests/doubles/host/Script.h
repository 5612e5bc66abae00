#pragma once
// Reading a play-through script (tests/data/playthrough/README.txt): its lines become the commands
// that are played, with the files it includes, the blocks it calls and the lines it repeats spelled out.

#include <filesystem>
#include <istream>
#include <string>
#include <vector>

namespace NimbravaTest
{
    // One command as it is played: its line, the lines of a "write" up to its ".", and where it was
    // written, such as "storm.play:31 (round 2)" or "standard-game.inc:4 (included at storm.play:2)".
    struct ScriptCommand
    {
        std::string Line;
        std::vector<std::string> Body;
        std::string Where;
    };

    // The commands of `script`, whose places are named after `name`; "include FILE" reads FILE of
    // `folder`. Throws std::invalid_argument, naming the place, for a line that does not read.
    std::vector<ScriptCommand> ReadScript(std::istream& script, const std::string& name,
                                          const std::filesystem::path& folder);
} // namespace NimbravaTest
