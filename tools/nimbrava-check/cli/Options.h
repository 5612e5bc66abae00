#pragma once
// The checker's command line, in one table: each option's spelling, whether it takes a value, which
// commands it goes with and its help. The parser (CommandLine.h), the rules of which options go
// together and the usage text (Usage.h) all read it; nothing else knows how an option is spelt.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include "commands/Commands.h"

namespace NimbravaCheck::Cli
{
    // The rows of the table. An option that selects a command stands for that command too.
    enum class OptionId
    {
        Configuration, // the enbseries folder or configuration, given without an option: the default command
        Worldspace,
        Walk,
        WorldspaceList,
        Weathers,
        Init,
        Module,
        Help,
        Version,
        Game,
        PluginsTxt,
        Mo2,
        Json,
        Verbose,
        CodePage,
        Count, // not an option: how many there are
    };

    // A set of commands, by the options that select them.
    using Commands = std::uint32_t;
    [[nodiscard]] constexpr Commands CommandOf(OptionId id) noexcept
    {
        return Commands{1} << static_cast<unsigned>(id);
    }

    enum class Takes
    {
        Nothing,    // a switch
        Value,      // the argument after it
        Ids,        // the arguments after it up to the next option (and up to the configuration, when that follows)
        Positional, // no spelling: an argument that is no option
    };

    using Runner = int (*)(const Request&, const Output&);

    struct Option
    {
        OptionId Id;
        std::string_view Spelling;                 // as typed; for the positional argument, its name in --help
        std::array<std::string_view, 2> Aliases{}; // further spellings
        Takes Argument = Takes::Nothing;
        std::string_view ValueName{}; // the value's name in --help
        std::string_view Wanted{};    // what its value must be, for "--game takes one game folder"
        Commands With = 0;            // the commands it goes with (a command's own option: itself)
        Runner Run = nullptr;         // for an option that selects a command: the command
        std::string_view Help{};      // for a command: its lines in --help (the other options: see Usage.cpp)
    };

    // The table, in the order --help lists the commands; when options of several commands are given,
    // the first of them in this order chooses. The positional argument's command runs when none does.
    [[nodiscard]] std::span<const Option> Options() noexcept;
    [[nodiscard]] const Option& OptionOf(OptionId id) noexcept;
} // namespace NimbravaCheck::Cli
