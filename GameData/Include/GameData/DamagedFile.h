#pragma once
// A game file that cannot be read or is damaged: a plugin (PluginFileError) or a string table
// (StringTableError). what(): "FILE: WHAT (at offset 0xN)".

#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace GameData
{
    class DamagedFileError : public std::runtime_error
    {
    public:
        DamagedFileError(std::string_view file, std::uint64_t offset, std::string_view what);

        // Where in the file the damage was found.
        [[nodiscard]] std::uint64_t Offset() const noexcept { return m_offset; }

    private:
        std::uint64_t m_offset;
    };
} // namespace GameData
