#pragma once
// One of the game's plugin files (.esm, .esp, .esl): its header, its worldspaces and its weathers,
// climates and regions (WeatherRecords.h), read without the rest. The reader reads the header record,
// then only the header of each top-level group, which it skips by its size unless it holds records
// read here (WRLD, WTHR, CLMT, REGN); inside such a group it reads each record of the group's type and
// skips the group of a worldspace's cells by its size. It reads through a group of up to 64 KiB rather
// than jump over it (which costs about as much), never through a larger one: of a 250 MB master it
// reads its worldspace records, its weathers, climates and regions and its small groups, and of a file
// that it must read item by item, a megabyte at a time. A compressed record is inflated only as far as
// the subrecords read here go: a worldspace record up to its OFST, the table of cell offsets that the
// game writes last and that makes up the bulk of a large worldspace record; a weather up to its DATA.
//
// Every read is checked against the file and the group around it: damage to the file's structure (a
// record or group that runs past the group around it) gives a PluginFileError that names the file and
// the offset; damage inside a record's data costs that record's names only, and is reported beside it.
// What the reader keeps and inflates stays within a budget (Budgets.h), past which the file is a
// PluginFileError naming the budget: never a read outside the file, an endless loop, or memory and
// time that grow with the file.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>
#include "GameData/Budgets.h"
#include "GameData/DamagedFile.h"
#include "GameData/WeatherRecords.h"

namespace GameData
{
    // Flags of the header record (TES4).
    inline constexpr std::uint32_t MasterFlag = 0x1;
    inline constexpr std::uint32_t LocalizedFlag = 0x80; // names are string IDs into the string tables
    inline constexpr std::uint32_t LightFlag = 0x200;    // a light plugin (ESL)
    // Flags of any record.
    inline constexpr std::uint32_t DeletedFlag = 0x20;
    inline constexpr std::uint32_t CompressedFlag = 0x40000; // the data is a zlib stream

    // The most data a record read here may have (the header record and the worldspaces), and the most
    // a compressed one may declare to inflate to (16 MiB): a header record holds some kilobytes, a
    // worldspace record some hundred bytes and its table of cell offsets, a few hundred kilobytes for
    // the largest worlds. A record that claims more is damaged.
    inline constexpr std::uint32_t MaximumRecordSize = 16u << 20;
    inline constexpr std::uint32_t MaximumInflatedSize = 16u << 20;
    // The longest name (EDID, FULL, MAST) kept, in bytes: the game's own are far shorter. A longer one
    // is damage to its record.
    inline constexpr std::size_t MaximumNameSize = 1024;
    // The most masters a plugin may name, as the game takes them: a form ID's top byte indexes them,
    // and the index after the last means the plugin itself.
    inline constexpr std::size_t MaximumMasters = 255;
    // The most the readers read from a file at once.
    inline constexpr std::size_t MaximumReadAtOnce = std::size_t{1} << 20;
    // The damaged records of one plugin reported each on its own; the others are counted.
    inline constexpr std::size_t MaximumDamageReports = 16;

    // A plugin file that cannot be read, or that is damaged. what(): "FILE: WHAT (at offset 0xN)".
    class PluginFileError : public DamagedFileError
    {
    public:
        using DamagedFileError::DamagedFileError;
    };

    struct PluginHeader
    {
        std::uint32_t Flags = 0; // the TES4 record's flags
        // HEDR's version: 0.94 for the original edition, 1.70 for Special Edition, 1.71 for files saved
        // by game version 1.6.1130 and later.
        float Version = 0;
        // The MAST subrecords in the file's order: the file names as written (code page 1252), at most
        // MaximumMasters. The top byte of a form ID in this file indexes them.
        std::vector<std::string> Masters;

        [[nodiscard]] bool IsMaster() const noexcept { return (Flags & MasterFlag) != 0; }
        [[nodiscard]] bool IsLocalized() const noexcept { return (Flags & LocalizedFlag) != 0; }
        [[nodiscard]] bool IsLight() const noexcept { return (Flags & LightFlag) != 0; }
    };

    // A worldspace record as the file holds it; one whose data is damaged holds what was read before the
    // damage.
    struct WorldspaceRecord : KeptRecord
    {
        // FULL: text without its NUL (bytes in code page 1252) when the plugin is not localized, a
        // string ID when it is; neither when the record has no FULL.
        std::optional<std::string> FullText;
        std::optional<std::uint32_t> FullStringId;
        std::optional<std::uint32_t> Parent;    // WNAM: the parent worldspace's form ID, as written
        std::optional<std::uint32_t> Climate;   // CNAM: its climate's form ID, as written
        std::optional<std::uint16_t> ParentUse; // PNAM: what it takes from its parent (ParentClimateFlag)
        std::optional<std::uint8_t> WorldFlags; // DATA (NoSkyFlag, FixedDimensionsFlag)
    };

    struct PluginFile
    {
        PluginHeader Header;
        // Each in file order, damaged ones too.
        std::vector<WorldspaceRecord> Worldspaces;
        std::vector<WeatherRecord> Weathers;
        std::vector<ClimateRecord> Climates;
        std::vector<RegionRecord> Regions;
        // The first MaximumDamageReports records whose data is damaged, in file order: "FILE: the TYPE
        // record XXXXXXXX: WHAT (at offset 0xN)". Damage inside a record's data: above MaximumRecordSize
        // or, compressed, declaring more than MaximumInflatedSize, a stream that is no zlib stream or
        // that does not inflate to exactly the size it declares (as far as it is read), a subrecord that
        // runs past its record, an XXXX that is not 4 bytes or ends its record, a name above
        // MaximumNameSize or without its NUL, a WNAM, CNAM or FULL string ID of fewer than 4 bytes, a
        // PNAM of fewer than 2, a weather's DATA of fewer than 12, a region's RDAT of fewer than 6, a
        // WLST or RDWT whose size is no multiple of 12 (entries of 12 bytes).
        std::vector<PluginFileError> DamagedRecords;
        std::size_t DamagedRecordCount = 0; // all of them
        std::uint64_t BytesRead = 0;        // bytes of the file read, headers included
        std::uint64_t NameBytes = 0;        // bytes of names kept (within FileBudget::NameBytes)
        std::uint64_t InflatedBytes = 0;    // bytes inflated (within FileBudget::InflatedBytes)
        std::uint64_t Entries = 0;          // WLST and RDWT entries kept (within FileBudget::Entries)
    };

    // Reads the plugin at `path`; `name` names it in errors (its file name when empty). Throws
    // PluginFileError when it cannot be opened or read, when it is no regular file, when its structure
    // is damaged (no TES4 record first, a TES4 above MaximumRecordSize, compressed, without HEDR or
    // naming more than MaximumMasters masters, a size that runs past the end of the file or of the
    // group around it, a group smaller than its own header, damage in the TES4 record), or when it is
    // past a `budget`: more records, bytes of names (each name counted as one byte at least: an empty
    // one is kept too), bytes inflated or weather entries.
    // std::bad_alloc when memory runs out.
    [[nodiscard]] PluginFile ReadPluginFile(const std::filesystem::path& path, std::string_view name = {},
                                            const FileBudget& budget = PluginBudget);

    // The same over `bytes` in memory (BytesRead counts the bytes looked at).
    [[nodiscard]] PluginFile ReadPluginFile(std::span<const std::byte> bytes, std::string_view name,
                                            const FileBudget& budget = PluginBudget);
} // namespace GameData
