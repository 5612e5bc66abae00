#include "cli/Options.h"

#include "checks/Table.h"
#include "cli/Usage.h"

namespace NimbravaCheck::Cli
{
    namespace
    {
        using enum OptionId;
        using enum Takes;

        constexpr Commands ConfigurationCommands = CommandOf(Configuration) | CommandOf(Worldspace);
        constexpr Commands GameCommands = ConfigurationCommands | CommandOf(Init);

        constexpr Option Table[] = {
            {Configuration,
             "ENBSERIES",
             {},
             Positional,
             "",
             "",
             ConfigurationCommands,
             RunConfiguration,
             "Reads ENBSERIES/_nimbrava.ini as the plugin does (ENBSERIES may also name the file itself; with\n"
             "no argument, the enbseries folder of the current folder) and lists its weatherlist sections in\n"
             "priority order (IDs, file, whether the file exists), then every problem: names and keys the\n"
             "plugin does not see, ID lists that never match, shadowed IDs, missing files, ignored lines, and\n"
             "files saved in encodings the plugin does not read as meant (UTF-16, UTF-8).\n"
             "With the game's data, also the worldspaces each ID names, IDs that name none, IDs that several\n"
             "worldspaces share, IDs that move with the load order, and the worldspaces no section lists."},
            {Worldspace,
             "--worldspace",
             {},
             Ids,
             "ID[,ID...] [ID...]",
             "one or more IDs",
             CommandOf(Worldspace),
             RunWorldspaces,
             "The plugin's decision for each worldspace (its ID, hexadecimal as ENB reports it, or with the\n"
             "game's data its editor ID; a word that reads as hexadecimal, such as Cafe, is taken for an ID),\n"
             "the log lines it writes for it, and why: for an ID no section takes, the lines that look as if\n"
             "they meant it; for one whose section falls back, the reason. Exits 1 when one of them ends in\n"
             "a Warning or Error line."},
            {WorldspaceList,
             "--worldspaces",
             {},
             Value,
             "GAME_FOLDER",
             "one game folder",
             CommandOf(WorldspaceList),
             RunWorldspaceList,
             "Every worldspace of the game's active load order: the ID \"_nimbrava.ini\" lists it by, its form\n"
             "ID, editor ID and name, the plugin that adds it, and whether its ID moves with the load order\n"
             "(a light plugin's)."},
            {Init,
             "--init",
             {},
             Value,
             "ENBSERIES",
             "one enbseries directory",
             CommandOf(Init),
             RunInit,
             "Writes a commented starter ENBSERIES/_nimbrava.ini that lists the worldspaces of the load\n"
             "order; refuses when the file exists."},
            {Module,
             "--module",
             {},
             Value,
             "D3D11_DLL",
             "one path to a d3d11.dll",
             CommandOf(Module),
             RunModule,
             "Whether Nimbrava can work with this d3d11.dll, in one line; --verbose adds the import slots."},
            {Help, "--help", {"-h", "/?"}, Nothing, "", "", CommandOf(Help), RunHelp, "this text"},
            {Version, "--version", {}, Nothing, "", "", CommandOf(Version), RunVersion, "the checker's version"},
            {Game, "--game", {}, Value, "GAME_FOLDER", "one game folder", GameCommands, nullptr, ""},
            {PluginsTxt,
             "--plugins-txt",
             {},
             Value,
             "FILE",
             "one file",
             GameCommands | CommandOf(WorldspaceList),
             nullptr,
             ""},
            {Json,
             "--json",
             {},
             Nothing,
             "",
             "",
             ConfigurationCommands | CommandOf(WorldspaceList) | CommandOf(Module),
             nullptr,
             ""},
            {Verbose, "--verbose", {}, Nothing, "", "", CommandOf(Module), nullptr, ""},
            {CodePage,
             "--code-page",
             {},
             Value,
             "N",
             "the number of the game's ANSI code page",
             ConfigurationCommands,
             nullptr,
             ""},
        };

        static_assert(RowsInPlace(Table, &Option::Id), "each row stands at the place of its option");
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
