#pragma once
// A localized plugin's string table, Strings/<plugin>_<language>.STRINGS: the texts that its name
// subrecords hold the IDs of.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include "GameData/DamagedFile.h"

namespace GameData
{
    // A string table that cannot be read, or that is damaged. what(): "FILE: WHAT (at offset 0xN)".
    class StringTableError : public DamagedFileError
    {
    public:
        using DamagedFileError::DamagedFileError;
    };

    class StringTable
    {
    public:
        // Reads a .STRINGS table: a 32-bit count and data size, `count` entries of ID and offset into
        // the data, then the data, each string NUL-terminated. Throws StringTableError when the file
        // cannot be read or a count, size or offset runs past it, or a string has no NUL.
        [[nodiscard]] static StringTable Read(const std::filesystem::path& path, std::string_view name = {});
        [[nodiscard]] static StringTable Parse(std::span<const std::byte> bytes, std::string_view name);

        // The text of `id` (bytes as written, without the NUL), or nothing. Valid while the table is.
        [[nodiscard]] std::optional<std::string_view> Find(std::uint32_t id) const;
        [[nodiscard]] std::size_t Size() const noexcept { return m_offsets.size(); }

    private:
        // The table's strings stay in its bytes: entries may share a string, and copying each would let
        // a small table ask for far more memory than it holds.
        std::string m_data;
        std::unordered_map<std::uint32_t, std::uint32_t> m_offsets; // ID -> offset into m_data
    };
} // namespace GameData
