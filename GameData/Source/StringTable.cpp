#include "GameData/StringTable.h"

#include <algorithm>
#include <cstring>
#include <fmt/format.h>
#include <unordered_map>
#include <utility>
#include "Detail/ByteSource.h"
#include "Detail/LittleEndian.h"
#include "GameData/Budgets.h"
#include "GameData/PluginFile.h"
#include "GameData/Text.h"
#include "GameData/WholeFile.h"

namespace GameData
{
    namespace
    {
        constexpr std::uint64_t EntrySize = 8; // ID, offset
        using Detail::U32;
    } // namespace

    class StringTableReader
    {
    public:
        StringTableReader(Detail::ByteSource& source, std::string_view name,
                          std::optional<std::span<const std::uint32_t>> wanted, const TableBudget& budget)
            : m_source(source), m_name(name), m_budget(budget), m_all(!wanted)
        {
            if (wanted)
                for (const std::uint32_t id : *wanted)
                    m_slots.try_emplace(id);
        }

        StringTable Run()
        {
            const std::uint64_t size = m_source.Size();
            if (size < 8)
                Fail(0, "too short for a string table's count and size");
            const std::byte* head = m_source.At(0, 8);
            const std::uint64_t count = U32(head);
            const std::uint64_t dataSize = U32(head + 4);
            const std::uint64_t dataStart = 8 + EntrySize * count;
            if (dataStart > size || dataSize > size - dataStart)
                Fail(0,
                     fmt::format("{} entries and {} bytes of strings run past the end of the table", count, dataSize));
            Spend(0, dataStart);

            // One slot per wanted ID, whatever the directory's size; the last entry of an ID wins, as in a
            // lookup that each entry, read in turn, overwrites.
            for (std::uint64_t entry = 8; entry < dataStart; entry += EntrySize)
            {
                const std::byte* bytes = m_source.At(entry, EntrySize);
                const std::uint32_t id = U32(bytes);
                const auto slot = m_all ? m_slots.try_emplace(id).first : m_slots.find(id);
                if (slot != m_slots.end())
                    slot->second = {U32(bytes + 4), entry};
            }
            struct Chosen
            {
                std::uint32_t Id, Offset;
                std::uint64_t Entry;
            };
            std::vector<Chosen> chosen;
            chosen.reserve(m_slots.size());
            for (const auto& [id, slot] : m_slots)
                if (slot.Entry != 0)
                    chosen.push_back({id, slot.Offset, slot.Entry});
            // Read in the order they stand in the data; entries that share a string in their own order,
            // so that damage is reported alike in every run.
            std::ranges::sort(chosen, {}, [](const Chosen& one) { return std::pair(one.Offset, one.Entry); });
            for (const auto& [id, offset, entry] : chosen)
                Keep(id, offset, entry, dataStart, dataSize);
            std::ranges::sort(m_table.m_entries, {}, &StringTable::Entry::Id);
            std::ranges::sort(m_table.m_damagedIds);
            m_table.m_bytesRead = m_source.BytesRead();
            return std::move(m_table);
        }

    private:
        [[noreturn]] void Fail(std::uint64_t offset, std::string_view what) const
        {
            throw StringTableError(m_name, offset, what);
        }

        void Spend(std::uint64_t offset, std::uint64_t bytes)
        {
            m_spent += bytes;
            if (m_spent > m_budget.Bytes)
                Fail(offset, fmt::format("reading it passes the budget of {} bytes of string tables read per run",
                                         StringTableBudget));
        }

        void Keep(std::uint32_t id, std::uint32_t offset, std::uint64_t entry, std::uint64_t dataStart,
                  std::uint64_t dataSize)
        {
            const std::uint64_t left = offset < dataSize ? dataSize - offset : 0;
            const auto looked = static_cast<std::size_t>(std::min<std::uint64_t>(left, MaximumNameSize + 1));
            Spend(entry, looked);
            const auto* begin =
                looked == 0 ? nullptr : reinterpret_cast<const char*>(m_source.At(dataStart + offset, looked));
            const auto* nul = looked == 0 ? nullptr : static_cast<const char*>(std::memchr(begin, 0, looked));
            if (nul == nullptr)
            {
                m_table.m_damagedIds.push_back(id);
                if (m_table.m_damaged.size() < MaximumDamageReports)
                    m_table.m_damaged.emplace_back(
                        m_name, entry,
                        left > looked
                            ? fmt::format("the string of ID {:X} at {} is longer than {} bytes, the longest name this "
                                          "reader keeps",
                                          id, offset, MaximumNameSize)
                            : fmt::format("the string of ID {:X} at {} has no NUL within the table", id, offset));
                return;
            }
            const auto length = static_cast<std::uint32_t>(nul - begin);
            if (m_table.m_text.size() + length > m_budget.NameBytes)
                Fail(entry, fmt::format("its strings take more bytes than the budget of {} bytes of names kept per "
                                        "plugin",
                                        m_budget.NameBytes));
            m_table.m_entries.push_back({id, static_cast<std::uint32_t>(m_table.m_text.size()), length});
            m_table.m_text.append(begin, length);
        }

        Detail::ByteSource& m_source;
        std::string_view m_name;
        const TableBudget& m_budget;
        bool m_all;
        // Where the string of each wanted ID stands (every ID's when m_all): the last entry of the ID.
        struct Slot
        {
            std::uint32_t Offset = 0;
            std::uint64_t Entry = 0; // of the directory; 0 while the ID has none
        };
        std::unordered_map<std::uint32_t, Slot> m_slots;
        std::uint64_t m_spent = 0;
        StringTable m_table;
    };

    StringTable StringTable::Read(const std::filesystem::path& path, std::string_view name,
                                  std::optional<std::span<const std::uint32_t>> wanted, const TableBudget& budget)
    {
        const std::string shown = name.empty() ? Utf8Text(path.filename()) : std::string(name);
        try
        {
            Detail::ByteSource source(path);
            return StringTableReader(source, shown, wanted, budget).Run();
        }
        catch (const FileReadError& error)
        {
            throw StringTableError(shown, 0, error.what());
        }
    }

    StringTable StringTable::Parse(std::span<const std::byte> bytes, std::string_view name,
                                   std::optional<std::span<const std::uint32_t>> wanted, const TableBudget& budget)
    {
        Detail::ByteSource source(bytes);
        return StringTableReader(source, name, wanted, budget).Run();
    }

    bool StringTable::IsDamaged(std::uint32_t id) const
    {
        return std::ranges::binary_search(m_damagedIds, id);
    }

    std::optional<std::string_view> StringTable::Find(std::uint32_t id) const
    {
        const auto found = std::ranges::lower_bound(m_entries, id, {}, &Entry::Id);
        if (found == m_entries.end() || found->Id != id)
            return std::nullopt;
        return std::string_view(m_text).substr(found->Begin, found->Length);
    }
} // namespace GameData
