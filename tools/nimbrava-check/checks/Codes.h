#pragma once
// Every finding the checker reports, in one table: its code (in brackets in a report, "code" in JSON),
// its severity, what it is about, its text as a {fmt} format whose arguments the comment above the
// row names, and the line --help gives it. A player reads these texts; tests/data/checker holds them
// in its reports. The phrases after the table are parts of some texts.

#include <cstddef>
#include <string_view>
#include "checks/Table.h"

namespace NimbravaCheck
{
    enum class Severity
    {
        Error,       // the plugin or the game fails at it: a section never matches, a run fails
        Warning,     // the plugin does something other than what the file seems to ask
        Information, // worth knowing; no problem, and the exit code stays
    };

    enum class Topic
    {
        Configuration, // a line of "_nimbrava.ini", or the whole file
        LoadOrder,     // the game's plugins
        WeatherList,   // a line of one of ENB's weather lists, or what a list leaves out
        Module,        // a d3d11.dll (--module)
    };

    enum class Code
    {
        SectionName,
        RepeatedSection,
        KeyName,
        UnclosedQuote,
        NoSections,
        MissingIds,
        EmptyIds,
        QuotedIds,
        BadIdList,
        ListEndsEarly,
        IdTooLarge,
        ShadowedId,
        MissingFileName,
        EmptyFileName,
        QuotedBackslash,
        FileMissing,
        FileDirectory,
        FileNotRegular,
        FileInvalidName,
        FileBadText,
        FileNotCheckable,
        Utf8Name,
        Utf16File,
        ByteOrderMark,
        DuplicateKey,
        UnclosedHeader,
        IgnoredLine,
        UnknownWorldspace,
        SharedId,
        LoadOrderId,
        UnlistedSharedId,
        NoPluginsTxt,
        MissingPlugin,
        ModManagerPlugin,
        MissingMod,
        NotAPlugin,
        PluginsTxtMark,
        UnreadGameFile,
        DamagedPlugin,
        DamagedRecord,
        TooManyPlugins,
        MissingMaster,
        LightIdOutOfRange,
        DamagedStrings,
        NamesInArchives,
        MissingStrings,
        UnknownWeather,
        SharedWeatherId,
        LoadOrderWeather,
        WeatherInTwoSections,
        RepeatedWeatherSection,
        MissingWeatherFile,
        UnreadableWeatherId,
        WeatherIdsComment,
        WeatherListMark,
        UnreadWeatherFile,
        UncoveredWeather,
        NoSky,
        ForcedWeathers,
        Module32Bit,
        MissingEnbFunction,
        MissingImport,
    };

    struct CodeRow
    {
        Code Id;
        std::string_view Name;
        Severity Level;
        Topic About;
        std::string_view Format;
        std::string_view Meaning;
    };

    namespace Detail
    {
        using enum Severity;
        using enum Topic;

        // name, section, what it is, " (why)" or nothing, " (path)" or nothing, the log line's opening,
        // OwnListMissing, CloseName or nothing
        inline constexpr std::string_view FileNotThere = "FileName '{}' of [{}] is {}{}{}: where it matches, the "
                                                         "plugin logs \"{}\" and keeps ENB's own _weatherlist.ini{}";

        inline constexpr CodeRow Codes[] = {
            // name, MeantSection or nothing
            {Code::SectionName, "section-name", Warning, Configuration,
             "[{}] is not a weatherlist section{}: the plugin reads only WEATHERLIST01 to WEATHERLIST99, in upper case "
             "with exactly two digits, and ignores this section",
             "a section whose name is almost WEATHERLISTnn"},
            // name, first header line
            {Code::RepeatedSection, "repeated-section", Warning, Configuration,
             "[{}] is opened again (first at line {}): the plugin reads both parts as one section, where a key set in "
             "the first part keeps its first value",
             "a weatherlist section opened twice"},
            // key, section, the real key
            {Code::KeyName, "key-name", Warning, Configuration,
             "key '{}' in [{}] is not '{}' (keys match exactly, with case): the plugin ignores it",
             "a key that is almost WorldspaceIDs or FileName"},
            // key, section
            {Code::UnclosedQuote, "unclosed-quote", Error, Configuration,
             "{} of [{}] opens a quote that never closes: the reader stores the value empty",
             "a value whose quote never closes"},
            {Code::NoSections, "no-sections", Warning, Configuration,
             "no section WEATHERLIST01 to WEATHERLIST99: the plugin keeps ENB's own _weatherlist.ini in every "
             "worldspace",
             "no weatherlist section at all"},
            // section
            {Code::MissingIds, "missing-ids", Error, Configuration,
             "[{}] has no WorldspaceIDs key: the plugin skips this section", "a section without WorldspaceIDs"},
            {Code::EmptyIds, "empty-ids", Error, Configuration,
             "WorldspaceIDs of [{}] is empty: this section never matches", "WorldspaceIDs without a value"},
            {Code::QuotedIds, "quoted-ids", Error, Configuration,
             "WorldspaceIDs of [{}] is written in quotes: the plugin reads no ID from it and this section never "
             "matches; write the IDs without quotes",
             "WorldspaceIDs in quotes"},
            // section, the element ('zz', or "an empty element")
            {Code::BadIdList, "bad-id-list", Error, Configuration,
             "WorldspaceIDs of [{}] does not read: {} is no hexadecimal ID of at most FFFFFFFF, and one bad element "
             "empties the whole list, so this section never matches",
             "an element of WorldspaceIDs that is no ID"},
            // section, the rest of the value, SpaceForComma or nothing, the IDs read, UseCommas or NoHexDigit
            {Code::ListEndsEarly, "list-ends-early", Warning, Configuration,
             "WorldspaceIDs of [{}] ends at '{}'{}: the plugin reads only {} and ignores the rest; {}",
             "WorldspaceIDs read only in part"},
            // ID, section, its low 24 bits
            {Code::IdTooLarge, "id-too-large", Error, Configuration,
             "ID {:X} in [{}] is above FFFFFF and never matches: the plugin compares the low 24 bits of the worldspace "
             "ID (write {:X})",
             "an ID above FFFFFF"},
            // ID, the winning section, its line, the shadowed section, WinnerFallsBack or nothing
            {Code::ShadowedId, "shadowed-id", Warning, Configuration,
             "ID {:X} is also listed by [{}] (line {}), which comes first: the plugin never chooses [{}] for it{}",
             "an ID that an earlier section takes"},
            // section, the log line's opening
            {Code::MissingFileName, "missing-filename", Error, Configuration,
             "[{}] has no FileName key: where it matches, the plugin logs \"{} ''\" and keeps ENB's own "
             "_weatherlist.ini",
             "a section without FileName"},
            {Code::EmptyFileName, "empty-filename", Error, Configuration,
             "FileName of [{}] is empty: where it matches, the plugin logs \"{} ''\" and keeps ENB's own "
             "_weatherlist.ini",
             "FileName without a value"},
            // section, the name as the plugin reads it
            {Code::QuotedBackslash, "quoted-backslash", Warning, Configuration,
             "FileName of [{}] has a single backslash inside quotes, where it starts an escape: the plugin reads the "
             "name as '{}'; double each backslash, or leave the quotes out",
             "a single backslash inside quotes"},
            {Code::FileMissing, "file-missing", Error, Configuration, FileNotThere,
             "a FileName where there is no file"},
            {Code::FileDirectory, "file-directory", Error, Configuration, FileNotThere,
             "a FileName that names a directory"},
            {Code::FileNotRegular, "file-not-regular", Error, Configuration, FileNotThere,
             "a FileName that names a device or other no regular file"},
            {Code::FileInvalidName, "file-invalid-name", Error, Configuration, FileNotThere,
             "a FileName that no Windows file can have"},
            // name, section, why, the log line's opening
            {Code::FileBadText, "file-bad-text", Error, Configuration,
             "FileName '{}' of [{}] is {}: where it matches, the plugin's run fails with \"{}\" and keeps ENB's own "
             "_weatherlist.ini",
             "a FileName that is no text in the game's code page"},
            // name, section, why
            {Code::FileNotCheckable, "file-not-checkable", Warning, Configuration,
             "FileName '{}' of [{}] cannot be checked here: {}", "a FileName this machine cannot look up"},
            // section, Utf8NameNoText or Utf8NameOther
            {Code::Utf8Name, "utf8-name", Error, Configuration, "FileName of [{}] was saved as UTF-8: {}",
             "a FileName saved as UTF-8"},
            {Code::Utf16File, "utf16-file", Error, Configuration,
             "the file is saved as UTF-16 (\"Unicode\" in Notepad): the plugin reads nothing from it, and every "
             "worldspace keeps ENB's own _weatherlist.ini; save it as ANSI (Notepad: File, Save As, Encoding ANSI)",
             "a file saved as UTF-16"},
            // ByteOrderMarkHeader or ByteOrderMarkKey
            {Code::ByteOrderMark, "byte-order-mark", Warning, Configuration,
             "the file starts with a UTF-8 byte-order mark, which the reader takes as part of line 1: {}; "
             "save the file without it (as ANSI)",
             "a UTF-8 byte-order mark before line 1's header or key"},
            // key, section, the first line
            {Code::DuplicateKey, "duplicate-key", Warning, Configuration,
             "{} is set again in [{}] (first at line {}): the plugin keeps the first value and ignores this one",
             "a key set twice in a weatherlist section"},
            // the line
            {Code::UnclosedHeader, "unclosed-header", Warning, Configuration,
             "'{}' has no closing ']': the reader ignores the line, and the lines after it stay in the section before",
             "a header without ']'"},
            {Code::IgnoredLine, "ignored-line", Warning, Configuration,
             "'{}' is no section header, key line or ';' comment: the reader ignores it", "a line the reader ignores"},
            // ID, section, the program's name
            {Code::UnknownWorldspace, "unknown-worldspace", Warning, Configuration,
             "ID {:X} in [{}] matches no worldspace of the active load order (a typo, or a worldspace of a plugin that "
             "is not active?): {} --worldspaces lists them",
             "an ID of no worldspace of the load order"},
            // ID, section, how many worldspaces, the worldspaces
            {Code::SharedId, "shared-id", Warning, Configuration,
             "ID {:X} in [{}] is the ID of {} worldspaces: {}; they all get this section's list",
             "an ID that several worldspaces have"},
            // ID, section, the worldspace, its plugin
            {Code::LoadOrderId, "load-order-id", Warning, Configuration,
             "ID {:X} in [{}] belongs to {}, which {}, a light plugin, adds: its ID changes when light plugins before "
             "it come or go",
             "an ID that moves with the load order"},
            // ID, how many worldspaces, the worldspaces
            {Code::UnlistedSharedId, "unlisted-shared-id", Information, Configuration,
             "ID {:X} is the ID of {} worldspaces that no section lists: {}; "
             "a section that lists it gives them all one list",
             "an ID that unlisted worldspaces share"},
            // NoPluginsTxtIn or NoPluginsTxtNowhere, or the file and why it cannot be read
            {Code::NoPluginsTxt, "no-plugins-txt", Warning, LoadOrder,
             "{}: only the base game's masters and Skyrim.ccc's plugins are listed", "no load order to read"},
            // plugin, PluginsTxtActive or BaseGameMaster
            {Code::MissingPlugin, "missing-plugin", Warning, LoadOrder,
             "{} is {} but not in Data: the game does not load it", "a plugin to load that is not there"},
            // plugin, the Plugins.txt, its folder
            {Code::ModManagerPlugin, "mod-manager-plugin", Warning, LoadOrder,
             "{} is active in {} but not in Data: Mod Organizer 2 keeps it in a mod's folder, which the game sees "
             "only through MO2; start nimbrava-check from MO2 (as an executable), or give --mo2 {} instead of "
             "--plugins-txt",
             "a plugin of a Mod Organizer 2 profile's load order outside Data"},
            // modlist.txt, the mod, the mods' folder
            {Code::MissingMod, "missing-mod", Warning, LoadOrder,
             "{} enables the mod {}, which has no folder in {}: its files are not seen",
             "an enabled Mod Organizer 2 mod without its folder"},
            // name, line of Plugins.txt
            {Code::NotAPlugin, "not-a-plugin", Warning, LoadOrder,
             "{} is active in Plugins.txt (line {}) but is no .esp, .esm or .esl file: the game does not load it, and "
             "it takes no place in the load order",
             "an active name in Plugins.txt that is no plugin"},
            // plugin
            {Code::PluginsTxtMark, "plugins-txt-mark", Warning, LoadOrder,
             "Plugins.txt starts with a UTF-8 byte-order mark, which the game reads as part of its first line: it "
             "does not load {}, and counts the plugins after it without it; save the file without the mark (as ANSI)",
             "a byte-order mark that hides the first plugin of Plugins.txt"},
            // file, why, UnreadCcc or UnreadSettings
            {Code::UnreadGameFile, "unread-game-file", Warning, LoadOrder, "{} {}: {}",
             "a Skyrim.ccc or Skyrim.ini that is there but cannot be read"},
            // the reader's error
            {Code::DamagedPlugin, "damaged-plugin", Warning, LoadOrder,
             "{}: none of its worldspaces, weathers, climates and regions is listed, and the IDs after it assume "
             "that the game loads it",
             "a plugin that does not read"},
            // the reader's error of the first damaged record, MoreDamagedRecords or nothing
            {Code::DamagedRecord, "damaged-record", Warning, LoadOrder,
             "{}{}: listed by its ID with what was read before the damage (a worldspace without the names after it, "
             "a weather, climate or region without the data after it)",
             "a worldspace, weather, climate or region record that does not read"},
            // full plugins, light plugins, the most of each, PastTheLimit or PastTheLimitOne
            {Code::TooManyPlugins, "too-many-plugins", Error, LoadOrder,
             "{} full and {} light plugins are active, more than the game numbers ({} and {}): {}",
             "more plugins than the game numbers"},
            // plugin, master
            {Code::MissingMaster, "missing-master", Error, LoadOrder,
             "{} needs {}, which does not load before it: the game does not start so",
             "a master that does not load before its plugin"},
            // plugin, its HEDR version, the kind of record ("worldspace", "weather", ...), the record's form ID as
            // written, MoreRecords or nothing, lowest object ID
            {Code::LightIdOutOfRange, "light-id-out-of-range", Warning, LoadOrder,
             "{} is a light plugin (HEDR {:.2f}) whose {} record {:08X}{} has an object ID outside {:X} to FFF, the "
             "range of its light plugin's IDs: the game gives it no form ID of its own, and it is not listed",
             "a light plugin's record whose ID lies outside the light range"},
            // the reader's error, MoreDamagedStrings or nothing
            {Code::DamagedStrings, "damaged-strings", Warning, LoadOrder, "{}{}: the names it gives are not shown",
             "a string table, or a string of it, that does not read"},
            // language, the plugins
            {Code::NamesInArchives, "names-in-archives", Information, LoadOrder,
             "localized plugins without a loose string table (Data/Strings/<plugin>_{}.STRINGS), whose names are "
             "not shown: {}; mods usually ship their string tables inside BSA archives, which this tool does not "
             "read",
             "localized plugins without loose string tables"},
            // table, MissingStringIds or MissingStringId
            {Code::MissingStrings, "missing-strings", Information, LoadOrder, "{} lacks {}",
             "string IDs that a loose string table lacks"},
            // ID as written, ComparedAs or nothing, section, the program's name
            {Code::UnknownWeather, "unknown-weather", Warning, WeatherList,
             "ID {}{} in [{}] matches no weather of the active load order, nor a location weather of "
             "_locationweather.ini (a typo, or a weather of a plugin that is not active?): {} --weathers lists them",
             "a weather ID of no weather of the load order"},
            // ID as written, ComparedAs or nothing, section, how many weathers, the weathers
            {Code::SharedWeatherId, "shared-weather-id", Warning, WeatherList,
             "ID {}{} in [{}] is the ID of {} weathers (the low six digits of their form IDs, as presets write "
             "them): {}; they all get this section's file",
             "a weather ID that several weathers have"},
            // ID as written, ComparedAs or nothing, section, the weather, its plugin
            {Code::LoadOrderWeather, "load-order-weather", Warning, WeatherList,
             "ID {}{} in [{}] belongs to {}, which {}, a light plugin, adds: its ID changes when light plugins before "
             "it come or go",
             "a weather ID that moves with the load order"},
            // ID as written, ComparedAs or nothing, the weathers in brackets or nothing, the first section, its
            // line, this section
            {Code::WeatherInTwoSections, "weather-in-two-sections", Warning, WeatherList,
             "ID {}{}{} is listed in [{}] (line {}) and again in [{}]: only one of the two files can apply to it, "
             "and which one ENB takes is not documented",
             "a weather listed in two sections of one list"},
            // section, its first header line
            {Code::RepeatedWeatherSection, "repeated-weather-section", Warning, WeatherList,
             "[{}] is written again (first at line {}): ENB gets only the first one's lines, and this one's FileName "
             "and WeatherIDs do nothing",
             "a weather section written twice, the second with lines"},
            // name, section, what it is ("missing (PATH)", "empty", ...)
            {Code::MissingWeatherFile, "missing-weather-file", Error, WeatherList,
             "FileName '{}' of [{}] is {}: ENB finds no settings there for the weathers this section lists",
             "a weather's settings file that is not there"},
            // the part as written, section, why: NoHexDigit, IdPrefix or IdTooLong
            {Code::UnreadableWeatherId, "unreadable-weather-id", Warning, WeatherList,
             "'{}' in WeatherIDs of [{}] is no weather ID ({}): presets write an ID as up to 8 hexadecimal digits "
             "without a prefix, and what ENB makes of anything else is not documented; write it so, or remove it",
             "a part of WeatherIDs that is no weather ID"},
            // section, the comment as written
            {Code::WeatherIdsComment, "weather-ids-comment", Warning, WeatherList,
             "WeatherIDs of [{}] goes on after its IDs with '{}', which this check takes for a comment and reads no "
             "IDs from; how ENB reads text after the IDs is not documented: keep comments on lines of their own",
             "a comment after the IDs of WeatherIDs"},
            // the section whose header is on line 1
            {Code::WeatherListMark, "weather-list-mark", Warning, WeatherList,
             "the file starts with a UTF-8 byte-order mark, which Windows' profile functions (through which ENB "
             "reads a weather list) take for part of line 1: there [{}] on line 1 is not found, and its lines "
             "belong to no section ENB asks for, as this check reads them; Wine (and so Proton) reads such a file "
             "as UTF-8 without the mark, and finds the section; save the file without it (as ANSI)",
             "a byte-order mark that hides a weather list's first section on Windows"},
            // the file, why it was not read, UnreadList or UnreadLocations
            {Code::UnreadWeatherFile, "unread-weather-file", Warning, WeatherList, "{} {}: {}",
             "a weather list or _locationweather.ini that cannot be read"},
            // its ID, the worldspace, how many weathers ("2 weathers"), the list, the weathers
            {Code::UncoveredWeather, "uncovered-weather", Information, WeatherList,
             "{:X} {} can show {} that {} lists in no section, which ENB shows, as far as can be inferred, with "
             "enbseries.ini's values: {}",
             "weathers a worldspace can show that its weather list leaves out"},
            // its ID, the worldspace
            {Code::NoSky, "no-sky", Information, WeatherList,
             "{:X} {} has no sky of its own (its records give it none, or fixed dimensions, which renderers treat "
             "as an interior): the weathers its climate and regions name show no sky there, and its weather list's "
             "coverage is not told",
             "a worldspace whose weathers show no sky"},
            {Code::ForcedWeathers, "forced-weathers", Information, WeatherList,
             "quests and scripts force further weathers (the Helgen attack, Sovngarde's arrival and others) that no "
             "reading of the game's records finds: a weather list may need them too",
             "weathers that no reading of the records finds"},
            {Code::Module32Bit, "32-bit-module", Error, Module,
             "a 32-bit module: Skyrim Special Edition and Nimbrava are 64-bit", "a 32-bit d3d11.dll"},
            // function
            {Code::MissingEnbFunction, "missing-enb-function", Error, Module,
             "does not export {}: not ENB's d3d11.dll, and the plugin cannot load without it",
             "a function of ENB's that the module lacks"},
            // function, why
            {Code::MissingImport, "missing-import", Error, Module,
             "does not import {} by name from kernel32 ({}): the plugin cannot redirect ENB's reads of "
             "_weatherlist.ini",
             "a kernel32 import the plugin redirects that the module lacks"},
        };
    } // namespace Detail

    // The table, in the order of Code.
    inline constexpr auto& Codes = Detail::Codes;

    [[nodiscard]] constexpr const CodeRow& Row(Code code) noexcept
    {
        return Codes[static_cast<std::size_t>(code)];
    }

    static_assert(RowsInPlace(Detail::Codes, &CodeRow::Id), "each row stands at the place of its code");

    static_assert(Row(Code::FileDirectory).Format == Row(Code::FileMissing).Format &&
                      Row(Code::FileNotRegular).Format == Row(Code::FileMissing).Format &&
                      Row(Code::FileInvalidName).Format == Row(Code::FileMissing).Format,
                  "a FileName that leads to no regular file is worded alike, whatever is there");

    // Phrases of the texts above.
    namespace Phrases
    {
        // SectionName: the section's real name
        inline constexpr char MeantSection[] = " (meant [{}]?)";
        // FileMissing and the like, for ENB's own _weatherlist.ini itself
        inline constexpr char OwnListMissing[] =
            ", which is this very file: ENB's own weather list is missing too, and these worldspaces get none";
        // FileMissing: the name with the file of the same folder whose name is close
        inline constexpr char CloseName[] = " (did you mean '{}'?)";
        // ListEndsEarly
        inline constexpr char SpaceForComma[] = " (a space instead of a comma)";
        // ListEndsEarly, after a space or a sign between IDs
        inline constexpr char UseCommas[] = "separate IDs with commas";
        // ListEndsEarly, at a letter: the character, TakenForDigit or nothing
        inline constexpr char NoHexDigit[] = "'{}' is no hexadecimal digit{}";
        // NoHexDigit: the digit it looks like
        inline constexpr char TakenForDigit[] = " (the digit {} was meant?)";
        // ShadowedId: what the winner's file is
        inline constexpr char WinnerFallsBack[] =
            ", and keeps ENB's own _weatherlist.ini there because that section's file is {}";
        // Utf8Name: code page, the log line's opening, the name read as UTF-8, ", which is missing too" or nothing
        inline constexpr char Utf8NameNoText[] =
            "its bytes are no text in code page {}, so where it matches, the plugin's run fails with \"{}\" and keeps "
            "ENB's own _weatherlist.ini; as UTF-8 it would be '{}'{}; save the file as ANSI";
        // Utf8Name: the name as the plugin reads it, the code page, what that is, the name read as UTF-8
        inline constexpr char Utf8NameOther[] =
            "the plugin reads the name as '{}' in code page {}, which is {}; as UTF-8 it would be '{}'; save the file "
            "as ANSI, or rename the weather list";
        // ByteOrderMark: the header on line 1
        inline constexpr char ByteOrderMarkHeader[] =
            "{} on line 1 is not seen, and the lines after it belong to no section the plugin reads, so its "
            "worldspaces keep ENB's own _weatherlist.ini";
        inline constexpr char ByteOrderMarkKey[] = "its key is read with the mark in front";
        // NoPluginsTxt
        // NoPluginsTxtIn: the places, "%LOCALAPPDATA% (FOLDER)" or "the Wine prefix FOLDER", separated by commas
        inline constexpr char NoPluginsTxtIn[] =
            "no Plugins.txt found in {} (in each, in the folders of the Steam, GOG, Epic and Microsoft Store editions; "
            "give it with --plugins-txt; a mod manager such as Mod Organizer 2 keeps one per profile)";
        inline constexpr char NoPluginsTxtNowhere[] =
            "no Plugins.txt found, and nowhere to look for it: neither %LOCALAPPDATA%, $WINEPREFIX nor a home folder "
            "is set (give it with --plugins-txt; a mod manager such as Mod Organizer 2 keeps one per profile)";
        // MissingPlugin
        inline constexpr char PluginsTxtActive[] = "active in Plugins.txt";
        inline constexpr char BaseGameMaster[] = "one of the base game's masters";
        // UnreadGameFile
        inline constexpr char UnreadCcc[] = "the Creation Club plugins it names are not listed";
        inline constexpr char UnreadSettings[] = "the language it may set is not known here";
        // TooManyPlugins: the plugins past the limits (one, or more than one)
        inline constexpr char PastTheLimitOne[] = "{} gets no form ID, and none of its records is listed";
        inline constexpr char PastTheLimit[] = "{} get no form ID, and none of their records is listed";
        // MissingStrings: the ID (one), or how many and the first
        inline constexpr char MissingStringId[] = "the string ID {:X} that a name uses: that name is not shown";
        inline constexpr char MissingStringIds[] =
            "{} string IDs that names use, the first of them {:X}: those names are not shown";
        // DamagedRecord: how many more, the plugin
        inline constexpr char MoreDamagedRecords[] = " (and {} more damaged records of {}, each so listed)";
        // UnknownWeather and the like, for an ID written with the load-order byte: the ID compared
        inline constexpr char ComparedAs[] = " (compared as {:X}, its low six digits)";
        // UnreadableWeatherId: a prefix, or too many digits
        inline constexpr char IdPrefix[] = "a prefix 0x";
        inline constexpr char IdTooLong[] = "{} digits, more than 8";
        // UnreadWeatherFile: of a weather list, of _locationweather.ini
        inline constexpr char UnreadList[] = "it is not read, and none of its weathers is checked";
        inline constexpr char UnreadLocations[] =
            "it is not read, so the location weathers it gives are not known, and a list that names one gets "
            "[unknown-weather]";
        // LightIdOutOfRange: how many more
        inline constexpr char MoreRecords[] = " (and {} more such records)";
        // DamagedStrings: how many more
        inline constexpr char MoreDamagedStrings[] = " (and {} more damaged strings of the table)";
    } // namespace Phrases
} // namespace NimbravaCheck
