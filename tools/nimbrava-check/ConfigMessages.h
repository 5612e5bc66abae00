#pragma once
// What the configuration check says of each pitfall, word for word: {fmt} formats that take the
// arguments named above them. A player reads these; tests/data/checker holds them in its reports.

namespace NimbravaCheck::Texts
{
    // What stays in force wherever the plugin does not switch.
    inline constexpr char Fallback[] = "ENB's own _weatherlist.ini";

    // Fallback
    inline constexpr char NoSections[] =
        "no section WEATHERLIST01 to WEATHERLIST99: the plugin keeps {} in every worldspace";
    // name, MeantSection or nothing
    inline constexpr char SectionName[] = "[{}] is not a weatherlist section{}: the plugin reads only WEATHERLIST01 "
                                          "to WEATHERLIST99, in upper case with exactly two digits, and ignores "
                                          "this section";
    // the number it would have
    inline constexpr char MeantSection[] = " (meant [WEATHERLIST{:02}]?)";
    // name, first header line
    inline constexpr char RepeatedSection[] = "[{}] is opened again (first at line {}): the plugin reads both parts as "
                                              "one section, where a key set in the first part keeps its first value";
    // key, section, the real key
    inline constexpr char KeyName[] =
        "key '{}' in [{}] is not '{}' (keys match exactly, with case): the plugin ignores it";
    // key, section
    inline constexpr char UnclosedQuote[] =
        "{} of [{}] opens a quote that never closes: the reader stores the value empty";
    // section
    inline constexpr char MissingIds[] = "[{}] has no WorldspaceIDs key: the plugin skips this section";
    inline constexpr char EmptyIds[] = "WorldspaceIDs of [{}] is empty: this section never matches";
    inline constexpr char QuotedIds[] = "WorldspaceIDs of [{}] is written in quotes: the plugin reads no ID from it "
                                        "and this section never matches; write the IDs without quotes";
    // section, the element ('zz', or "an empty element")
    inline constexpr char BadIdList[] = "WorldspaceIDs of [{}] does not read: {} is no hexadecimal ID of at most "
                                        "FFFFFFFF, and one bad element empties the whole list, so this section "
                                        "never matches";
    // section, the rest of the value, SpaceForComma or nothing, the IDs read
    inline constexpr char ListEndsEarly[] = "WorldspaceIDs of [{}] ends at '{}'{}: the plugin reads only {} and "
                                            "ignores the rest; separate IDs with commas";
    inline constexpr char SpaceForComma[] = " (a space instead of a comma)";
    // ID, section, its low 24 bits
    inline constexpr char IdTooLarge[] = "ID {:X} in [{}] is above FFFFFF and never matches: the plugin compares the "
                                         "low 24 bits of the worldspace ID (write {:X})";
    // ID, the winning section, its line, the shadowed section, WinnerFallsBack or nothing
    inline constexpr char ShadowedId[] = "ID {:X} is also listed by [WEATHERLIST{:02}] (line {}), which comes first: "
                                         "the plugin never chooses [WEATHERLIST{:02}] for it{}";
    // Fallback, what the winner's file is
    inline constexpr char WinnerFallsBack[] = ", and keeps {} there because that section's file is {}";
    // section, Fallback
    inline constexpr char MissingFileName[] = "[{}] has no FileName key: where it matches, the plugin logs \"Unable "
                                              "to find weatherlist ''\" and keeps {}";
    inline constexpr char EmptyFileName[] = "FileName of [{}] is empty: where it matches, the plugin logs \"Unable to "
                                            "find weatherlist ''\" and keeps {}";
    // section, the name as the plugin reads it
    inline constexpr char QuotedBackslash[] = "FileName of [{}] has a single backslash inside quotes, where it starts "
                                              "an escape: the plugin reads the name as '{}'; double each backslash, "
                                              "or leave the quotes out";
    // name, section, what it is, " (why)" or nothing, " (path)" or nothing, Fallback
    inline constexpr char FileNotThere[] = "FileName '{}' of [{}] is {}{}{}: where it matches, the plugin logs "
                                           "\"Unable to find weatherlist\" and keeps {}";
    // name, section, why, Fallback
    inline constexpr char FileBadText[] = "FileName '{}' of [{}] is {}: where it matches, the plugin's run fails with "
                                          "\"Unable to load '_nimbrava.ini'\" and keeps {}";
    // name, section, why
    inline constexpr char FileNotCheckable[] = "FileName '{}' of [{}] cannot be checked here: {}";
    // ByteOrderMarkHeader or ByteOrderMarkKey
    inline constexpr char ByteOrderMark[] = "the file starts with a UTF-8 byte-order mark, which the reader takes as "
                                            "part of line 1: {}; save the file without it (as ANSI)";
    // the header on line 1
    inline constexpr char ByteOrderMarkHeader[] = "{} on line 1 is not seen, and the lines after it belong to no "
                                                  "section the plugin reads, so its worldspaces keep ENB's own "
                                                  "_weatherlist.ini";
    inline constexpr char ByteOrderMarkKey[] = "its key is read with the mark in front";
    // key, section number, the first line
    inline constexpr char DuplicateKey[] = "{} is set again in [WEATHERLIST{:02}] (first at line {}): the plugin keeps "
                                           "the first value and ignores this one";
    // Fallback is the same everywhere
    inline constexpr char Utf16File[] =
        "the file is saved as UTF-16 (\"Unicode\" in Notepad): the plugin reads nothing from it, and every "
        "worldspace keeps ENB's own _weatherlist.ini; save it as ANSI (Notepad: File, Save As, Encoding ANSI)";
    // section, code page, Fallback, the name read as UTF-8, ", which is missing too" or nothing
    inline constexpr char Utf8NameNoText[] =
        "FileName of [{}] was saved as UTF-8: its bytes are no text in code page {}, so where it matches, the "
        "plugin's run fails with \"Unable to load '_nimbrava.ini'\" and keeps {}; as UTF-8 it would be '{}'{}; save "
        "the file as ANSI";
    // section, the name as the plugin reads it, the code page, the name as UTF-8, what that is
    inline constexpr char Utf8Name[] =
        "FileName of [{}] was saved as UTF-8: the plugin reads the name as '{}' in code page {}, which is {}; as "
        "UTF-8 it would be '{}'; save the file as ANSI, or rename the weather list";
    // the line
    inline constexpr char UnclosedHeader[] =
        "'{}' has no closing ']': the reader ignores the line, and the lines after "
        "it stay in the section before";
    inline constexpr char IgnoredLine[] = "'{}' is no section header, key line or ';' comment: the reader ignores it";

    // With the game's data. ID, section
    inline constexpr char UnknownWorldspace[] =
        "ID {:X} in [{}] matches no worldspace of the active load order (a typo, or a worldspace of a plugin that "
        "is not active?): nimbrava-check --worldspaces lists them";
    // ID, section, the worldspaces
    inline constexpr char SharedId[] = "ID {:X} in [{}] is the ID of {} worldspaces: {}; they all get this section's "
                                       "list";
    // ID, section, the worldspace, its plugin
    inline constexpr char LoadOrderId[] = "ID {:X} in [{}] belongs to {}, which {}, a light plugin, adds: its ID "
                                          "changes when light plugins before it come or go";
    // ID, the worldspaces
    inline constexpr char UnlistedSharedId[] = "ID {:X} is the ID of {} worldspaces that no section lists: {}; a "
                                               "section that lists it gives them all one list";
} // namespace NimbravaCheck::Texts
