#pragma once
// A localized plugin's string table, Strings/<plugin>_<language>.STRINGS: the texts that its name
// subrecords hold the IDs of. Only the strings of the IDs asked for are read and kept: a table may be
// tens of megabytes, of which a plugin's worldspaces use a few names.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>
#include "GameData/DamagedFile.h"

namespace GameData
{
    // A string table that cannot be read, or that is damaged. what(): "FILE: WHAT (at offset 0xN)".
    class StringTableError : public DamagedFileError
    {
    public:
        using DamagedFileError::DamagedFileError;
    };

    // What reading one table may cost: the bytes it may read (what is left of the run's budget,
    // StringTableBudget in Budgets.h), and the bytes of strings it may keep.
    struct TableBudget
    {
        std::uint64_t Bytes;
        std::uint64_t NameBytes;
    };

    class StringTable
    {
    public:
        // Reads a .STRINGS table: a 32-bit count and data size, `count` entries of ID and offset into
        // the data, then the data, each string NUL-terminated; of it, the entries and the strings of the
        // IDs in `wanted` (every ID when nothing is given). An ID given twice takes its last entry; what
        // it keeps grows with the IDs wanted, not with the entries. Throws StringTableError when the file
        // cannot be read or is no regular file, when the count or size runs past it, or when it is past
        // `budget`; a wanted string that has no NUL within the table or within MaximumNameSize bytes is
        // damaged (Damaged(), IsDamaged()) instead, and not found.
        [[nodiscard]] static StringTable Read(const std::filesystem::path& path, std::string_view name,
                                              std::optional<std::span<const std::uint32_t>> wanted,
                                              const TableBudget& budget);
        [[nodiscard]] static StringTable Parse(std::span<const std::byte> bytes, std::string_view name,
                                               std::optional<std::span<const std::uint32_t>> wanted,
                                               const TableBudget& budget);

        // The text of `id` (bytes as written, without the NUL), or nothing. Valid while the table is.
        [[nodiscard]] std::optional<std::string_view> Find(std::uint32_t id) const;
        // How many strings it holds.
        [[nodiscard]] std::size_t Size() const noexcept { return m_entries.size(); }
        // The first MaximumDamageReports (PluginFile.h) wanted strings that are damaged, in the order of
        // their offsets in the data, entries that share an offset in the directory's order.
        [[nodiscard]] const std::vector<StringTableError>& Damaged() const noexcept { return m_damaged; }
        // How many wanted strings are damaged, all of them.
        [[nodiscard]] std::size_t DamagedCount() const noexcept { return m_damagedIds.size(); }
        // Whether the entry of `id` is there and its string damaged: an ID that Find does not find is
        // either damaged or not in the table.
        [[nodiscard]] bool IsDamaged(std::uint32_t id) const;
        // The bytes of the file read: its count, size and entries, and the strings looked at.
        [[nodiscard]] std::uint64_t BytesRead() const noexcept { return m_bytesRead; }

    private:
        struct Entry
        {
            std::uint32_t Id;
            std::uint32_t Begin; // in m_text
            std::uint32_t Length;
        };
        std::string m_text;           // the strings kept, one after the other
        std::vector<Entry> m_entries; // by ID
        std::vector<StringTableError> m_damaged;
        std::vector<std::uint32_t> m_damagedIds; // sorted
        std::uint64_t m_bytesRead = 0;

        friend class StringTableReader;
    };
} // namespace GameData
