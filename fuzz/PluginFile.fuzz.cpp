// GameData's readers on arbitrary bytes: the same input as a plugin file (ReadPluginFile: its
// worldspaces, weathers, climates and regions) and as a string table (StringTable::Parse), each with budgets small
// enough that inputs reach them. For every input:
//
//  0. Each returns or throws its own error (PluginFileError, StringTableError), never anything else:
//     no crash, no read outside the input (AddressSanitizer), no endless loop (libFuzzer's -timeout),
//     no allocation beyond the reader's limits (libFuzzer's -malloc_limit_mb, its -rss_limit_mb by
//     default: 2 GB, far above what the budgets allow).
//  1. An error names the input ("fuzz.esp: ...") and an offset inside it; so does each damaged record
//     reported beside a plugin that reads, and each damaged string beside a table.
//  2. A plugin that reads counts no more bytes read than it has, and each record it returns (worldspace,
//     weather, climate, region) is there in the input: a record header of its type at its offset,
//     with its form ID and flags, the offsets of each kind in increasing order.
//  3. A plugin that reads stays within its budgets: no more masters than a plugin may have, no more
//     records than it keeps, no more bytes of names than it keeps (the names it returns, counted here,
//     each as one byte at least, are no more than it counted), no more weather entries than it keeps
//     (those it returns, counted here, are no more than it counted), no more bytes inflated than it
//     inflates.
//  4. A string table that reads holds no more strings, found and damaged, than its count of
//     entries, reports no more damaged ones one by one than a reader does, and read no more than its
//     budget.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
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

    // Each record of one kind: a header of `type` at its offset, with its form ID and flags, in file
    // order. Returns the bytes of names they hold.
    template <typename Record>
    std::uint64_t CheckRecords(const std::vector<Record>& records, const char* type, const std::uint8_t* data,
                               std::size_t size)
    {
        std::uint64_t after = 0, names = 0;
        for (const GameData::KeptRecord& record : records)
        {
            FUZZ_REQUIRE(record.Offset >= after);
            FUZZ_REQUIRE(record.Offset <= size && size - record.Offset >= 24);
            const std::uint8_t* header = data + record.Offset;
            FUZZ_REQUIRE(std::memcmp(header, type, 4) == 0);
            FUZZ_REQUIRE(U32(header + 8) == record.Flags);
            FUZZ_REQUIRE(U32(header + 12) == record.FormId);
            after = record.Offset + 24;
            names += record.EditorId.size();
        }
        return names;
    }
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    constexpr GameData::FileBudget Budget{50, 4096, 1 << 20, 500};
    const auto bytes = std::as_bytes(std::span(data, size));
    try
    {
        const auto plugin = GameData::ReadPluginFile(bytes, "fuzz.esp", Budget);
        FUZZ_REQUIRE(plugin.BytesRead <= size);
        std::uint64_t names = 0;
        // An empty name is kept too, and counts.
        const auto counted = [](const std::string& name) { return std::max<std::uint64_t>(name.size(), 1); };
        for (const auto& master : plugin.Header.Masters)
            names += counted(master);
        for (const auto& world : plugin.Worldspaces)
            names += world.FullText ? counted(*world.FullText) : 0;
        // (An editor ID the record lacks is empty too: counted as it is.)
        names += CheckRecords(plugin.Worldspaces, "WRLD", data, size) +
                 CheckRecords(plugin.Weathers, "WTHR", data, size) + CheckRecords(plugin.Climates, "CLMT", data, size) +
                 CheckRecords(plugin.Regions, "REGN", data, size);
        std::uint64_t entries = 0;
        for (const auto& climate : plugin.Climates)
            entries += climate.Weathers.size();
        for (const auto& region : plugin.Regions)
            for (const auto& entry : region.Entries)
                entries += entry.Weathers.size();
        const std::size_t records =
            plugin.Worldspaces.size() + plugin.Weathers.size() + plugin.Climates.size() + plugin.Regions.size();
        FUZZ_REQUIRE(plugin.Header.Masters.size() <= GameData::MaximumMasters);
        FUZZ_REQUIRE(records <= Budget.Records);
        FUZZ_REQUIRE(names <= plugin.NameBytes && plugin.NameBytes <= Budget.NameBytes);
        FUZZ_REQUIRE(entries <= plugin.Entries && plugin.Entries <= Budget.Entries);
        FUZZ_REQUIRE(plugin.InflatedBytes <= Budget.InflatedBytes);
        FUZZ_REQUIRE(plugin.DamagedRecords.size() <= GameData::MaximumDamageReports);
        FUZZ_REQUIRE(plugin.DamagedRecords.size() <= plugin.DamagedRecordCount);
        FUZZ_REQUIRE(plugin.DamagedRecordCount <= records);
        for (const auto& damaged : plugin.DamagedRecords)
            CheckError(damaged, "fuzz.esp: the ", size);
    }
    catch (const GameData::PluginFileError& error)
    {
        CheckError(error, "fuzz.esp: ", size);
    }

    try
    {
        constexpr GameData::TableBudget TableBudget{16384, 4096};
        const auto table = GameData::StringTable::Parse(bytes, "fuzz.STRINGS", std::nullopt, TableBudget);
        FUZZ_REQUIRE(size >= 8 && table.Size() + table.DamagedCount() <= U32(data));
        FUZZ_REQUIRE(table.Damaged().size() == std::min(table.DamagedCount(), GameData::MaximumDamageReports));
        FUZZ_REQUIRE(table.BytesRead() <= TableBudget.Bytes);
        for (const auto& damaged : table.Damaged())
            CheckError(damaged, "fuzz.STRINGS: the string of ID ", size);
    }
    catch (const GameData::StringTableError& error)
    {
        CheckError(error, "fuzz.STRINGS: ", size);
    }
    return 0;
}
