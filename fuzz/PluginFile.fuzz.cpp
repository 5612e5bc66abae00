// GameData's readers on arbitrary bytes: the same input as a plugin file (ReadPluginFile) and as a
// string table (StringTable::Parse). For every input:
//
//  0. Each returns or throws its own error (PluginFileError, StringTableError), never anything else:
//     no crash, no read outside the input (AddressSanitizer), no endless loop (libFuzzer's -timeout),
//     no allocation beyond the reader's limits (libFuzzer's -malloc_limit_mb, its -rss_limit_mb by default: 2 GB, far
//     above MaximumRecordSize and MaximumInflatedSize together).
//  1. An error names the input ("fuzz.esp: ...") and an offset inside it.
//  2. A plugin that reads counts no more bytes read than it has, and each worldspace it returns is
//     there in the input: a WRLD record header at its offset, with its form ID and flags, the
//     offsets in increasing order.
//  3. A string table that reads holds no more strings than its count of entries.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include "FuzzCheck.h"
#include "GameData/PluginFile.h"
#include "GameData/StringTable.h"

namespace
{
    std::uint32_t U32(const std::uint8_t* bytes)
    {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = (value << 8) | bytes[i];
        return value;
    }

    void CheckError(const GameData::DamagedFileError& error, std::string_view name, std::size_t size)
    {
        FUZZ_REQUIRE(std::string_view(error.what()).starts_with(name));
        FUZZ_REQUIRE(error.Offset() <= size);
    }
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto bytes = std::as_bytes(std::span(data, size));
    try
    {
        const auto plugin = GameData::ReadPluginFile(bytes, "fuzz.esp");
        FUZZ_REQUIRE(plugin.BytesRead <= size);
        std::uint64_t after = 0;
        for (const auto& world : plugin.Worldspaces)
        {
            FUZZ_REQUIRE(world.Offset >= after);
            FUZZ_REQUIRE(world.Offset <= size && size - world.Offset >= 24);
            const std::uint8_t* header = data + world.Offset;
            FUZZ_REQUIRE(std::memcmp(header, "WRLD", 4) == 0);
            FUZZ_REQUIRE(U32(header + 8) == world.Flags);
            FUZZ_REQUIRE(U32(header + 12) == world.FormId);
            after = world.Offset + 24;
        }
    }
    catch (const GameData::PluginFileError& error)
    {
        CheckError(error, "fuzz.esp: ", size);
    }

    try
    {
        const auto table = GameData::StringTable::Parse(bytes, "fuzz.STRINGS");
        FUZZ_REQUIRE(size >= 8 && table.Size() <= U32(data));
    }
    catch (const GameData::StringTableError& error)
    {
        CheckError(error, "fuzz.STRINGS: ", size);
    }
    return 0;
}
