#pragma once
// A synthetic game folder (the folder that holds Data/) described as text: its plugins, their loose
// string tables, and the text files beside them (Plugins.txt, Skyrim.ccc, Skyrim.ini). The tests of
// the game's files read their cases from such descriptions, and nimbrava-make-game writes one out.
//
// A description is a table as ReadTable reads it (DataFiles.h: tab-separated, escapes, '#'
// comments). A row's first field says what it adds:
//
//   text    PATH  LINE           LINE and CR LF appended to the text file PATH (under the game folder)
//   file    PATH  BYTES          BYTES appended to the file PATH as they are
//   plugin  NAME  FIELD...       a plugin, Data/NAME: flags=N (TES4 flags), version=F (HEDR), form=N
//                                (the records' form version, 44 when not given), master=NAME (its
//                                masters, in its own order), empty-masters=N (N masters more, each
//                                with an empty name), in=FOLDER (FOLDER/NAME instead, with its
//                                string tables: a mod manager's folder)
//   group   TYPE  FIELD...       the plugin's next top-level group: as many bytes of filler as records=N
//                                records of size=N bytes each take, then zeros=N zero bytes; a WRLD,
//                                WTHR, CLMT or REGN group holds the rows of its type after it
//   wrld    FORMID  FIELD...     a worldspace record (form ID as written, hexadecimal), then its
//                                subrecords in file order: EDID=TEXT, FULL=TEXT (both written with a
//                                NUL), EDID*=N, FULL*=N (N letters and a NUL), FULLID=N (a FULL holding
//                                a string ID), WNAM=N, CNAM=N (32 bits), PNAM=N (16 bits), DATA=N (8
//                                bits), or TYPE=N for N bytes of filler (above 65535 behind an XXXX);
//                                and anywhere: flags=N, compressed (zlib), inflated=N
//                                (the inflated size written, when not the true one), cut=N (bytes left
//                                off the zlib stream), children=N (a world-children group of about N
//                                bytes), keep=N (only the first N bytes of its data written, its size
//                                so: the file stays whole around a record cut short), repeat=N (N such
//                                records, of the form IDs from FORMID on, each with its children; the
//                                places are the first one's)
//   wthr    FORMID  FIELD...     a weather, as wrld; DATA=N writes its 19 bytes, N the classification
//                                at byte 11
//   clmt    FORMID  FIELD...     a climate, as wrld; WLST=ID:CHANCE,... its weathers (12 bytes each,
//                                the global 0), WLST*=N N of them (weathers 0x800 on, chance 1)
//   regn    FORMID  FIELD...     a region, as wrld; WNAM=N its worldspace, RDAT=TYPE:FLAGS:PRIORITY a
//                                region data entry (8 bytes), RDWT=ID:CHANCE,... and RDWT*=N as WLST
//   strings LANGUAGE  ID  TEXT   an entry of Data/Strings/<plugin without extension>_<LANGUAGE>.STRINGS;
//                                TEXT *=N is N letters (entries of one text share its string)
//   each    FROM  TO  ROW...     the row ROW once for each number from FROM to TO, with "{}" in its
//                                fields replaced by the number
//
// Paths and names are UTF-8 (the writer makes the files under those names on every system); the
// texts inside the files are the bytes written.
// Numbers are decimal or 0x-hexadecimal. Example:
//
//   text    Plugins.txt  *Isles.esp
//   plugin  Isles.esp    flags=0x80    version=1.70  master=Skyrim.esm
//   group   GMST         records=3     size=40
//   group   WRLD
//   wrld    01000800     EDID=IslesWorld   FULLID=0x10   WNAM=0x3C   OFST=70000   children=4000
//   strings english      0x10          The Isles
//
// The writer makes the game's plugin files (.esm, .esp, .esl) and string tables from the rows, laid
// out as the game's files are: the TES4 header record, then top-level groups; in the WRLD group each
// worldspace record followed by its world-children group (filler where the game's hold its cells).
// Written from the format's description alone, never from GameData's reader, so that the reader's
// tests hold it against a second reading. On request it writes damage that only the writer can make:
// a declared inflated size that is not the stream's, a zlib stream cut short.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>
#include "DataFiles.h"

namespace NimbravaTest
{
    // The game's files by path under the game folder ('/'-separated, plugins as "Data/NAME"), and the
    // places in each plugin's bytes by the same path, for byte changes (DataFiles.h): "TES4",
    // "TES4.HEDR" and "TES4.MAST" (the first master); "GRUP.LABEL" for the first top-level group of
    // each label; per record of type TYPE (WRLD, WTHR, CLMT, REGN) with form ID XXXXXXXX (eight
    // upper-case hexadecimal digits) "TYPE.XXXXXXXX" (its record header), "TYPE.XXXXXXXX.end" (the
    // record's end), "TYPE.XXXXXXXX.data" (its data: for a compressed record the inflated size, followed
    // by the stream), "TYPE.XXXXXXXX.SUB" (its first subrecord of type SUB, uncompressed records only;
    // an XXXX is "TYPE.XXXXXXXX.XXXX") and "CHILDREN.XXXXXXXX" (a worldspace's world-children group);
    // "end", the file's size.
    struct GameFiles
    {
        std::map<std::string, std::string> Files;
        std::map<std::string, PlaceMap> Places;
    };

    // The files that the rows of a description (as ReadTable reads them) describe. Throws
    // std::invalid_argument for a row it cannot read.
    [[nodiscard]] GameFiles WriteGame(const std::vector<std::vector<std::string>>& rows);
    // The same for a description file.
    [[nodiscard]] GameFiles WriteGame(const std::filesystem::path& description);

    // Writes the files into `folder`, making the folders they need. Throws std::runtime_error when a
    // file cannot be written.
    void WriteGameFolder(const GameFiles& files, const std::filesystem::path& folder);

    // "XXXXXXXX": how places name a form ID.
    [[nodiscard]] std::string FormIdName(std::uint32_t formId);
} // namespace NimbravaTest
