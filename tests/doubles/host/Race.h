#pragma once
// The play-through's race (tests/data/playthrough/README.txt): ENB calling the plugin back on several
// threads at once, round by round, and each round's log checked for switches made one at a time.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace NimbravaTest
{
    // What a race needs of the game it plays in.
    struct RaceGame
    {
        std::filesystem::path Log;                // the plugin's log file
        std::function<std::string()> InForce;     // the plugin's path, under enbseries
        std::function<std::string()> ReloadReads; // what a reload reads now, as a walk shows it
    };

    // The race's outcome, and the lines of the log it checked: the first (counted from 0), how many.
    struct RaceResult
    {
        std::string Outcome;
        std::size_t FirstLine = 0, Lines = 0;
    };

    // Plays "race THREADS ROUNDS GROUP...", given as its words. Throws std::invalid_argument for
    // words that do not make a race.
    RaceResult Race(const std::vector<std::string>& words, const RaceGame& game);
} // namespace NimbravaTest
