#pragma once
// Writes the game's plugin files (.esm, .esp, .esl) and string tables from a description of what
// they hold, laid out as the game's files are: the TES4 header record, then top-level groups; in the
// WRLD group each worldspace record followed by the group of its cells, blocks of cells nested as the
// editor nests them. Written from the format's description alone, never from GameData's reader, so
// that the reader's tests hold it against a second reading. On request it writes damage that only
// the writer can make: a declared inflated size that is not the stream's, a zlib stream cut short.

#include <cstdint>
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
} // namespace NimbravaTest
