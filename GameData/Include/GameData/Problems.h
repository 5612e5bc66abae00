#pragma once
// What is wrong with a load order, as data: which plugin, which rule. The checker words them. Names
// and texts here are UTF-8 as read from the game's files: whoever shows them escapes what a terminal
// would take for a command.

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace GameData
{
    // Where a plugin of the load order was asked for.
    enum class PluginSource
    {
        BaseGame,   // one of the masters the game always loads
        Ccc,        // Skyrim.ccc: loaded only when it exists
        PluginsTxt, // active in Plugins.txt
    };

    // A listed plugin that is not in Data: the game does not load it.
    struct MissingPlugin
    {
        std::string Plugin; // UTF-8
        PluginSource Source;
    };

    // An active line of Plugins.txt whose name is no .esp, .esm or .esl: the game does not load it,
    // and it takes no place in the load order.
    struct NotAPlugin
    {
        std::string Plugin; // UTF-8
        std::size_t Line;   // of Plugins.txt, 1-based
    };

    // Plugins.txt starts with a UTF-8 byte-order mark, which the game reads as part of its first line:
    // the plugin that line makes active is not loaded.
    struct PluginsTxtMark
    {
        std::string Plugin; // UTF-8, without the mark and the '*'
    };

    // A plugin that cannot be read: its worldspaces are not listed.
    struct DamagedPlugin
    {
        std::string Plugin; // UTF-8
        std::string Error;  // the reader's: "FILE: WHAT (at offset 0xN)"
    };

    // A plugin with records whose data is damaged: each is listed without the names after the damage.
    struct DamagedRecords
    {
        std::string Plugin; // UTF-8
        std::vector<std::string>
            Errors;        // the first ones, the reader's: "FILE: the WRLD record ...: WHAT (at offset 0xN)"
        std::size_t Count; // of all of them
    };

    // More plugins than the game numbers (MaximumFullPlugins, MaximumLightPlugins in FormId.h): the
    // ones past the limits get no form ID, and none of their records is listed.
    struct TooManyPlugins
    {
        std::uint32_t Full;
        std::uint32_t Light;
        std::vector<std::string> Unnumbered; // UTF-8, in load order
    };

    // A plugin whose master does not load before it: the game does not start.
    struct MissingMaster
    {
        std::string Plugin; // UTF-8
        std::string Master; // UTF-8
    };

    // Records of one kind that a light plugin adds with an object ID outside the range of light plugins
    // of its version (0x800 to 0xFFF below HEDR 1.71, 0x000 to 0xFFF from 1.71): they get no form ID,
    // and are not listed. One problem per plugin and kind.
    struct LightIdOutOfRange
    {
        std::string Plugin;   // UTF-8
        std::string Record;   // the kind, as a person says it: "worldspace", "weather", "climate", "region"
        std::uint32_t FormId; // the first such record's, as written in the file
        std::size_t Count;    // of such records
        std::uint32_t Lowest; // object ID of its range
        float Version;        // its HEDR's
    };

    // A string table that cannot be read, or strings of it that names use: the names from it are not
    // known.
    struct DamagedStrings
    {
        std::string Table;    // UTF-8, as Strings/<plugin>_<language>.STRINGS
        std::string Error;    // the reader's: "FILE: WHAT (at offset 0xN)", of the table or its first such string
        std::size_t More = 0; // such strings of the table after the first
    };

    // Localized plugins without a loose string table in Data/Strings: the names of their worldspaces
    // are not known (mods usually ship theirs inside BSA archives, which are not read here).
    struct TablesNotLoose
    {
        std::vector<std::string> Plugins; // UTF-8, in load order
        std::string Language;
    };

    // String IDs of names that a loose string table does not hold.
    struct MissingStrings
    {
        std::string Table; // UTF-8, as Strings/<plugin>_<language>.STRINGS
        std::size_t Count; // of the IDs missing
        std::uint32_t FirstId;
    };

    // A file of the game folder that is there but cannot be read: the load order or the language is
    // taken without it.
    struct UnreadGameFile
    {
        enum class Role
        {
            Ccc,      // Skyrim.ccc: its plugins are not loaded
            Settings, // a Skyrim.ini: its language is not known
        };
        std::string File; // UTF-8 path
        std::string Why;  // "is not a regular file", ...
        Role Of;
    };

    using Problem =
        std::variant<MissingPlugin, NotAPlugin, PluginsTxtMark, DamagedPlugin, DamagedRecords, TooManyPlugins,
                     MissingMaster, LightIdOutOfRange, DamagedStrings, TablesNotLoose, MissingStrings, UnreadGameFile>;
} // namespace GameData
