#include "cli/Options.h"

#include "checks/Table.h"
#include "cli/Usage.h"

namespace NimbravaCheck::Cli
{
    namespace
    {
        using enum OptionId;
        using enum Takes;

        constexpr Commands ConfigurationCommands = CommandOf(Configuration) | CommandOf(Worldspace) | CommandOf(Walk);
        constexpr Commands GameCommands = ConfigurationCommands | CommandOf(Init);

        constexpr Option Table[] = {
            {.Id = Configuration,
             .Spelling = "ENBSERIES",
             .Argument = Positional,
             .With = ConfigurationCommands,
             .Run = RunConfiguration,
             .Help = "Reads ENBSERIES/_nimbrava.ini as the plugin does (ENBSERIES may also name the file itself; with\n"
                     "no argument, the enbseries folder of the current folder) and lists its weatherlist sections in\n"
                     "priority order (IDs, file, whether the file exists), then every problem: names and keys the\n"
                     "plugin does not see, ID lists that never match, shadowed IDs, missing files, ignored lines, and\n"
                     "files saved in encodings the plugin does not read as meant (UTF-16, UTF-8).\n"
                     "With the game's data, also the worldspaces each ID names, IDs that name none, IDs that several\n"
                     "worldspaces share, IDs that move with the load order, and the worldspaces no section lists."},
            {.Id = Worldspace,
             .Spelling = "--worldspace",
             .Argument = Ids,
             .ValueName = "ID[,ID...] [ID...]",
             .Wanted = "one or more IDs",
             .With = CommandOf(Worldspace),
             .Run = RunWorldspaces,
             .Help = "The plugin's decision for each worldspace (its ID, hexadecimal as ENB reports it, or with the\n"
                     "game's data its editor ID; a word that reads as hexadecimal, such as Cafe, is taken for an ID),\n"
                     "the log lines it writes for it, and why: for an ID no section takes, the lines that look as if\n"
                     "they meant it; for one whose section falls back, the reason. Exits 1 when one of them ends in\n"
                     "a Warning or Error line."},
            {.Id = Walk,
             .Spelling = "--walk",
             .Argument = Ids,
             .ValueName = "ID[,ID...] [ID...]",
             .Wanted = "one or more IDs",
             .With = CommandOf(Walk),
             .Run = RunWalk,
             .Help = "A walk through these worldspaces from the game's start, as ENB reports them one after the other\n"
                     "(0: in no worldspace): at each step the lines the plugin logs and the weather list ENB reads\n"
                     "(none when the plugin does nothing: for 0, and for the worldspace already in force). ENB is\n"
                     "taken to accept the plugin and to reload whenever asked. Exits 1 when a step logs a Warning or\n"
                     "Error line."},
            {.Id = WorldspaceList,
             .Spelling = "--worldspaces",
             .Argument = Value,
             .ValueName = "GAME_FOLDER",
             .Wanted = "one game folder",
             .With = CommandOf(WorldspaceList),
             .Run = RunWorldspaceList,
             .Help =
                 "Every worldspace of the game's active load order: the ID \"_nimbrava.ini\" lists it by, its form\n"
                 "ID, editor ID and name, the plugin that adds it, and whether its ID moves with the load order\n"
                 "(a light plugin's)."},
            {.Id = Weathers,
             .Spelling = "--weathers",
             .Argument = Value,
             .ValueName = "GAME_FOLDER",
             .Wanted = "one game folder",
             .With = CommandOf(Weathers),
             .Run = RunWeathers,
             .Help = "Every weather of the game's active load order: the ID a weather list lists it by (the low six\n"
                     "digits of its form ID, as presets write them), its form ID, editor ID, classification and the\n"
                     "plugin that adds it; then for each worldspace its climate and the weathers its climate and its\n"
                     "weather regions can pick, and where each comes from."},
            {.Id = Init,
             .Spelling = "--init",
             .Argument = Value,
             .ValueName = "ENBSERIES",
             .Wanted = "one enbseries directory",
             .With = CommandOf(Init),
             .Run = RunInit,
             .Help = "Writes a commented starter ENBSERIES/_nimbrava.ini that lists the worldspaces of the load\n"
                     "order; refuses when the file exists."},
            {.Id = Module,
             .Spelling = "--module",
             .Argument = Value,
             .ValueName = "D3D11_DLL",
             .Wanted = "one path to a d3d11.dll",
             .With = CommandOf(Module),
             .Run = RunModule,
             .Help = "Whether Nimbrava can work with this d3d11.dll, in one line; --verbose adds the import slots."},
            {.Id = Help,
             .Spelling = "--help",
             .Aliases = {"-h", "/?"},
             .With = CommandOf(Help),
             .Run = RunHelp,
             .Help = "this text"},
            {.Id = Version,
             .Spelling = "--version",
             .With = CommandOf(Version),
             .Run = RunVersion,
             .Help = "the checker's version"},
            {.Id = Game,
             .Spelling = "--game",
             .Argument = Value,
             .ValueName = "GAME_FOLDER",
             .Wanted = "one game folder",
             .With = GameCommands},
            {.Id = PluginsTxt,
             .Spelling = "--plugins-txt",
             .Argument = Value,
             .ValueName = "FILE",
             .Wanted = "one file",
             .With = GameCommands | CommandOf(WorldspaceList) | CommandOf(Weathers)},
            {.Id = Mo2,
             .Spelling = "--mo2",
             .Argument = Value,
             .ValueName = "PROFILE_FOLDER",
             .Wanted = "one Mod Organizer 2 profile folder",
             .With = GameCommands | CommandOf(WorldspaceList) | CommandOf(Weathers)},
            {.Id = Json,
             .Spelling = "--json",
             .With = ConfigurationCommands | CommandOf(WorldspaceList) | CommandOf(Weathers) | CommandOf(Module)},
            {.Id = Verbose, .Spelling = "--verbose", .With = CommandOf(Module)},
            {.Id = CodePage,
             .Spelling = "--code-page",
             .Argument = Value,
             .ValueName = "N",
             .Wanted = "the number of the game's ANSI code page",
             .With = ConfigurationCommands},
        };

        static_assert(RowsInPlace(Table, &Option::Id), "each row stands at the place of its option");
        static_assert(std::size(Table) == static_cast<std::size_t>(OptionId::Count), "a row for every option");
    } // namespace

    std::span<const Option> Options() noexcept
    {
        return Table;
    }

    const Option& OptionOf(OptionId id) noexcept
    {
        return Table[static_cast<std::size_t>(id)];
    }
} // namespace NimbravaCheck::Cli
