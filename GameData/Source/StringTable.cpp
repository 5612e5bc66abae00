#include "GameData/StringTable.h"

#include <cstring>
#include <fmt/format.h>
#include "GameData/Text.h"
#include "GameData/WholeFile.h"

namespace GameData
{
    namespace
    {
        constexpr std::uint64_t EntrySize = 8; // ID, offset
        // A string table of the base game is a few megabytes; anything far larger is no table.
        constexpr std::uint64_t MaximumTableSize = std::uint64_t{256} << 20;

        std::uint32_t U32(std::span<const std::byte> bytes, std::uint64_t at)
        {
            std::uint32_t value;
            std::memcpy(&value, bytes.data() + at, sizeof value);
            return value;
        }
    } // namespace

    StringTable StringTable::Read(const std::filesystem::path& path, std::string_view name)
    {
        const std::string shown = name.empty() ? Utf8Text(path.filename()) : std::string(name);
        std::string bytes;
        try
        {
            bytes = ReadWholeFile(path, MaximumTableSize);
        }
        catch (const FileReadError& error)
        {
            using enum FileReadError::Reason;
            throw StringTableError(shown, 0,
                                   error.Why() == TooLarge
                                       ? fmt::format("{} bytes, more than any string table", error.Size())
                                   : error.Why() == CannotRead ? "cannot be read"
                                                               : "cannot be opened");
        }
        return Parse(std::as_bytes(std::span(bytes)), shown);
    }

    StringTable StringTable::Parse(std::span<const std::byte> bytes, std::string_view name)
    {
        if (bytes.size() < 8)
            throw StringTableError(name, 0, "too short for a string table's count and size");
        const std::uint64_t count = U32(bytes, 0);
        const std::uint64_t dataSize = U32(bytes, 4);
        const std::uint64_t dataStart = 8 + EntrySize * count;
        if (dataStart > bytes.size() || dataSize > bytes.size() - dataStart)
            throw StringTableError(
                name, 0,
                fmt::format("{} entries and {} bytes of strings run past the end of the table", count, dataSize));
        const auto data = bytes.subspan(dataStart, dataSize);
        StringTable table;
        table.m_data.assign(reinterpret_cast<const char*>(data.data()), data.size());
        // A string has its NUL when any NUL follows its start: one search, not one per entry.
        const std::size_t lastNul = table.m_data.rfind('\0');
        for (std::uint64_t entry = 8; entry < dataStart; entry += EntrySize)
        {
            const std::uint32_t id = U32(bytes, entry);
            const std::uint32_t offset = U32(bytes, entry + 4);
            if (lastNul == std::string::npos || offset > lastNul)
                throw StringTableError(
                    name, entry, fmt::format("the string of ID {:X} at {} has no NUL within the table", id, offset));
            table.m_offsets.insert_or_assign(id, offset);
        }
        return table;
    }

    std::optional<std::string_view> StringTable::Find(std::uint32_t id) const
    {
        const auto found = m_offsets.find(id);
        if (found == m_offsets.end())
            return std::nullopt;
        const std::string_view rest = std::string_view(m_data).substr(found->second);
        return rest.substr(0, rest.find('\0'));
    }
} // namespace GameData
