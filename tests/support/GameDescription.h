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
//                                (the records' form version, 44 when not given)
//   master  NAME                 the plugin's next master, in its own order
//   group   TYPE  FIELD...       the plugin's next top-level group: records=N filler records of
//                                size=N bytes each; a WRLD group holds the wrld rows after it
//   wrld    FORMID  FIELD...     a worldspace record (form ID as written, hexadecimal), then its
//                                subrecords in file order: EDID=TEXT, FULL=TEXT (both written with a
//                                NUL), FULLID=N (a FULL holding a string ID), WNAM=N, or TYPE=N for N
//                                bytes of filler (above 65535 behind an XXXX); and anywhere:
//                                flags=N, compressed (zlib), inflated=N (the inflated size written,
//                                when not the true one), cut=N (bytes left off the zlib stream),
//                                children=N (a world-children group of about N bytes)
//   strings LANGUAGE  ID  TEXT   an entry of Data/Strings/<plugin without extension>_<LANGUAGE>.STRINGS
//
// Numbers are decimal or 0x-hexadecimal. Example:
//
//   text    Plugins.txt  *Isles.esp
//   plugin  Isles.esp    flags=0x80    version=1.70
//   master  Skyrim.esm
//   group   GMST         records=3     size=40
//   group   WRLD
//   wrld    01000800     EDID=IslesWorld   FULLID=0x10   WNAM=0x3C   OFST=70000   children=4000
//   strings english      0x10          The Isles
//
// Writes the game's plugin files (.esm, .esp, .esl) and string tables from a description of what
// they hold, laid out as the game's files are: the TES4 header record, then top-level groups; in the
// WRLD group each worldspace record followed by the group of its cells, blocks of cells nested as the
// editor nests them. Written from the format's description alone, never from GameData's reader, so
// that the reader's tests hold it against a second reading. On request it writes damage that only
// the writer can make: a declared inflated size that is not the stream's, a zlib stream cut short.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include "ByteChanges.h"

namespace NimbravaTest
{
    // The flags the writer acts on (the file format's numbers).
    inline constexpr std::uint32_t WriterCompressedFlag = 0x40000;

    // One subrecord; data above 65535 bytes is written behind an XXXX subrecord holding its size.
    struct SubrecordDescription
    {
        std::string Type; // four characters
        std::string Data;
    };

    struct WorldspaceDescription
    {
        std::uint32_t FormId = 0; // as written in the file
        // The record's flags; with WriterCompressedFlag the data is written as its size and a zlib stream.
        std::uint32_t Flags = 0;
        std::vector<SubrecordDescription> Subrecords{}; // in file order
        // Compressed only: the inflated size written before the stream when it is not the true one, and
        // how many bytes to leave off the end of the stream.
        std::optional<std::uint32_t> DeclaredInflatedSize{};
        std::size_t StreamCut = 0;
        // The world-children group after the record: none, or about this many bytes (24 is an empty
        // group; more holds a persistent cell and blocks of exterior cells with their references).
        std::optional<std::uint64_t> ChildrenSize{};
    };

    // A top-level group: worldspaces when its label is WRLD, otherwise `Records` filler records of
    // the label's type with `RecordSize` bytes of data each.
    struct GroupDescription
    {
        std::string Label;
        std::size_t Records = 0;
        std::size_t RecordSize = 0;
        std::vector<WorldspaceDescription> Worldspaces{};
    };

    struct PluginDescription
    {
        std::string FileName; // under Data/
        std::uint32_t Flags = 0;
        float Version = 1.7f;
        std::uint16_t FormVersion = 44;
        std::vector<std::string> Masters{}; // in the file's order
        std::vector<GroupDescription> Groups{};
    };

    // A plugin's bytes and the places in them, for byte changes (ByteChanges.h): "TES4", "TES4.HEDR" and
    // "TES4.MAST" (the first master);
    // "GRUP.LABEL" for the first top-level group of each label; per worldspace with form ID XXXXXXXX
    // (eight upper-case hexadecimal digits) "WRLD.XXXXXXXX" (its record header), "WRLD.XXXXXXXX.end" (the record's
    // end), "WRLD.XXXXXXXX.data" (its data: for a compressed record the inflated size, followed by the stream),
    // "WRLD.XXXXXXXX.TYPE" (its first subrecord of that type, uncompressed records only; an XXXX is
    // "WRLD.XXXXXXXX.XXXX") and "CHILDREN.XXXXXXXX" (its world-children group); "end", the file's size.
    struct WrittenPlugin
    {
        std::string Bytes;
        PlaceMap Places;
    };

    [[nodiscard]] WrittenPlugin WritePlugin(const PluginDescription& plugin);

    // A .STRINGS table of these entries in this order; equal texts share one offset.
    [[nodiscard]] std::string WriteStringTable(const std::vector<std::pair<std::uint32_t, std::string>>& entries);

    // The bytes of a 32-bit number as the files hold them: little-endian, as on the x86-64 machines
    // that run the tests.
    [[nodiscard]] inline std::string Le32(std::uint32_t value)
    {
        return {reinterpret_cast<const char*>(&value), sizeof value};
    }

    // "XXXXXXXX": how places name a form ID.
    [[nodiscard]] std::string FormIdName(std::uint32_t formId);

    struct GameDescription
    {
        std::vector<PluginDescription> Plugins;
        // String tables by path, their entries in order.
        std::map<std::string, std::vector<std::pair<std::uint32_t, std::string>>> StringTables;
        // Every other file by path: its bytes.
        std::map<std::string, std::string> Files;
    };

    // Throws std::invalid_argument naming the row for a row it cannot read, std::runtime_error when
    // the file is unreadable.
    [[nodiscard]] GameDescription ReadGameDescription(const std::filesystem::path& path);

    // The game's files by path under the game folder ('/'-separated, plugins as "Data/NAME"), and
    // the places in each plugin (WrittenPlugin) by the same path.
    struct GameFiles
    {
        std::map<std::string, std::string> Files;
        std::map<std::string, PlaceMap> Places;
    };

    [[nodiscard]] GameFiles WriteGameFiles(const GameDescription& game);

    // Writes the files into `folder`, making the folders they need. Throws std::runtime_error when a
    // file cannot be written.
    void WriteGameFolder(const GameFiles& files, const std::filesystem::path& folder);
} // namespace NimbravaTest
