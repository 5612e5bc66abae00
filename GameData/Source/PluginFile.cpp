#include "GameData/PluginFile.h"

#include <algorithm>
#include <cstring>
#include <fmt/format.h>
#include "Detail/ByteSource.h"
#include "Detail/LittleEndian.h"
#include "Detail/RecordData.h"
#include "GameData/WholeFile.h"

namespace GameData
{
    namespace
    {
        using Detail::ByteSource;
        using Detail::Damage;
        using Detail::RecordData;
        using Detail::Subrecords;
        using Detail::U32;

        constexpr std::uint64_t HeaderSize = 24; // of a record and of a group alike
        constexpr std::int32_t TopLevelGroup = 0;
        constexpr std::uint32_t EntrySize = 12; // of a WLST or RDWT entry

        // A record type as the file holds it, four characters read as a little-endian number.
        constexpr std::uint32_t TypeCode(const char (&type)[5])
        {
            return static_cast<std::uint32_t>(static_cast<unsigned char>(type[0])) |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(type[1])) << 8 |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(type[2])) << 16 |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(type[3])) << 24;
        }
        constexpr std::uint32_t Grup = TypeCode("GRUP"), Wrld = TypeCode("WRLD"), Wthr = TypeCode("WTHR"),
                                Clmt = TypeCode("CLMT"), Regn = TypeCode("REGN");

        // The top-level groups whose records are read; every other one is skipped by its size.
        constexpr bool IsRead(std::uint32_t label)
        {
            return label == Wrld || label == Wthr || label == Clmt || label == Regn;
        }

        bool IsType(const std::byte* at, std::string_view type)
        {
            return std::memcmp(at, type.data(), 4) == 0;
        }

        // A record's or a group's header, read in place: valid until the source reads again.
        struct ItemHeader
        {
            const std::byte* Bytes;

            [[nodiscard]] bool Is(std::string_view type) const { return IsType(Bytes, type); }
            [[nodiscard]] std::uint32_t Size() const { return U32(Bytes + 4); } // data, or the whole group
            [[nodiscard]] std::uint32_t Flags() const { return U32(Bytes + 8); }
            [[nodiscard]] std::uint32_t FormId() const { return U32(Bytes + 12); }
            [[nodiscard]] std::uint32_t Label() const { return U32(Bytes + 8); }
            [[nodiscard]] std::int32_t GroupType() const { return static_cast<std::int32_t>(U32(Bytes + 12)); }
            [[nodiscard]] std::string Type() const
            {
                std::string type;
                for (std::size_t i = 0; i < 4; ++i)
                {
                    const auto c = static_cast<char>(Bytes[i]);
                    type += c >= ' ' && c <= '~' ? std::string(1, c)
                                                 : fmt::format("\\x{:02X}", static_cast<unsigned>(Bytes[i]));
                }
                return type;
            }
        };

        class Reader
        {
        public:
            Reader(ByteSource& source, std::string_view name, const FileBudget& budget)
                : m_source(source), m_name(name), m_budget(budget), m_inflater(budget.InflatedBytes)
            {
            }

            PluginFile Run()
            {
                try
                {
                    ReadFile();
                }
                catch (const FileReadError&)
                {
                    Fail(m_at, "cannot be read");
                }
                catch (const Damage& damage)
                {
                    Fail(damage.Offset(), damage.what());
                }
                m_result.BytesRead = m_source.BytesRead();
                m_result.InflatedBytes = m_inflater.Used;
                return std::move(m_result);
            }

        private:
            [[noreturn]] void Fail(std::uint64_t offset, std::string_view what) const
            {
                throw PluginFileError(m_name, offset, what);
            }

            void ReadFile()
            {
                const std::uint64_t size = m_source.Size();
                if (size < HeaderSize)
                    Fail(0, fmt::format("not a plugin file: {} bytes are too few for its header record", size));
                const ItemHeader header = ReadHeader(0, size);
                if (!header.Is("TES4"))
                    Fail(0, "not a plugin file: it does not start with a TES4 record");
                // It is read subrecord by subrecord: what a larger one claims is not worth that time.
                if (header.Size() > MaximumRecordSize)
                    Fail(0, fmt::format("a TES4 record of {} bytes is larger than any this reader takes ({})",
                                        header.Size(), MaximumRecordSize));
                const std::uint64_t end = RecordEnd(0, header, size, "the file");
                // The game reads its header record as it stands.
                if ((header.Flags() & CompressedFlag) != 0)
                    Fail(0, "its TES4 record is compressed, which the game does not read");
                m_result.Header.Flags = header.Flags();
                ReadHeaderRecord(header.Size());

                for (std::uint64_t at = end; at < size;)
                {
                    at = PassOver(at, size, 0);
                    if (at == size)
                        break;
                    const ItemHeader group = ReadHeader(at, size);
                    if (!group.Is("GRUP"))
                        Fail(at, fmt::format("a {} record outside any group", group.Type()));
                    const std::uint64_t groupEnd = GroupEnd(at, group, size, "the file");
                    if (group.GroupType() == TopLevelGroup && IsRead(group.Label()))
                        ReadGroup(group.Label(), at + HeaderSize, groupEnd);
                    at = groupEnd;
                }
            }

            // Passes over the items from `at` on that are not read (at the top level, `wanted` 0, the groups
            // other than those read; inside a group read, the records of other types than `wanted` and the
            // worldspaces' cells) in place in the source's window: a group of millions of them costs about
            // what reading it costs. Returns where the first item to read stands, or `end`; an item that is
            // damaged is left to the careful reading after it, which tells what is wrong.
            std::uint64_t PassOver(std::uint64_t at, std::uint64_t end, std::uint32_t wanted)
            {
                const bool topLevel = wanted == 0;
                while (end - at >= HeaderSize)
                {
                    const auto window = m_source.Window(at, HeaderSize);
                    const std::uint64_t held = std::min<std::uint64_t>(window.size(), end - at);
                    std::uint64_t done = 0, items = 0;
                    // Where an item that ends beyond the window ends its header.
                    std::uint64_t headerEnd = ~std::uint64_t{0};
                    bool stop = false;
                    while (held - done >= HeaderSize)
                    {
                        // Records of other types without data, the most there can be of anything, two at a
                        // time: branches the processor foresees, not a wait for each size before the next.
                        const auto plain = [wanted](const std::byte* header) {
                            const std::uint32_t type = U32(header);
                            return U32(header + 4) == 0 && type != Grup && type != wanted;
                        };
                        while (!topLevel && held - done >= 2 * HeaderSize && plain(window.data() + done) &&
                               plain(window.data() + done + HeaderSize))
                        {
                            done += 2 * HeaderSize;
                            items += 2;
                        }
                        if (held - done < HeaderSize)
                            break;
                        const std::byte* item = window.data() + done;
                        const std::uint32_t type = U32(item), size = U32(item + 4);
                        const bool group = type == Grup;
                        const bool read = topLevel
                                              ? !group || (U32(item + 12) == TopLevelGroup && IsRead(U32(item + 8)))
                                              : type == wanted;
                        const std::uint64_t next = done + (group ? size : HeaderSize + size);
                        if (read || (group && size < HeaderSize) || next > end - at)
                        {
                            stop = true;
                            break;
                        }
                        const std::uint64_t start = done;
                        done = next;
                        ++items;
                        if (done > held)
                        {
                            headerEnd = start + HeaderSize;
                            break; // it ends beyond the window: go on from its end
                        }
                    }
                    // The bytes gone through in the window; of an item that ends beyond it only its
                    // header, so that past a group larger than a jump is worth the reader jumps, and the
                    // window after it starts small.
                    m_source.Pass(at, at + std::min<std::uint64_t>({done, held, headerEnd}), items * HeaderSize);
                    at += done;
                    if (stop)
                        break;
                }
                return at;
            }

            ItemHeader ReadHeader(std::uint64_t at, std::uint64_t end)
            {
                if (end - at < HeaderSize)
                    Fail(at, fmt::format("a header of {} bytes runs past the end of {} at 0x{:X}", HeaderSize,
                                         end == m_source.Size() ? "the file" : "its group", end));
                m_at = at;
                return {m_source.At(at, HeaderSize)};
            }

            std::uint64_t RecordEnd(std::uint64_t at, const ItemHeader& record, std::uint64_t end,
                                    std::string_view around) const
            {
                if (record.Size() > end - at - HeaderSize)
                    Fail(at, fmt::format("a {} record of {} bytes runs past the end of {} at 0x{:X}", record.Type(),
                                         record.Size(), around, end));
                return at + HeaderSize + record.Size();
            }

            std::uint64_t GroupEnd(std::uint64_t at, const ItemHeader& group, std::uint64_t end,
                                   std::string_view around) const
            {
                if (group.Size() < HeaderSize)
                    Fail(at, fmt::format("a group of {} bytes is smaller than its own header", group.Size()));
                if (group.Size() > end - at)
                    Fail(at, fmt::format("a group of {} bytes runs past the end of {} at 0x{:X}", group.Size(), around,
                                         end));
                return at + group.Size();
            }

            // The text before the first NUL of a name subrecord, counted against the budget of names.
            std::string Name(Subrecords& subrecords, const Subrecords::Header& subrecord, std::string_view what)
            {
                const std::size_t looked = std::min<std::size_t>(subrecord.Size, MaximumNameSize + 1);
                const auto* begin = reinterpret_cast<const char*>(subrecords.Content(looked));
                const auto* nul = static_cast<const char*>(std::memchr(begin, 0, looked));
                if (nul == nullptr && subrecord.Size > looked)
                    throw Damage(subrecord.Where, fmt::format("{} is longer than {} bytes, the longest name this "
                                                              "reader keeps",
                                                              what, MaximumNameSize));
                if (nul == nullptr)
                    throw Damage(subrecord.Where, fmt::format("{} has no NUL at its end", what));
                const auto length = static_cast<std::size_t>(nul - begin);
                // An empty name is kept all the same, and costs memory: millions of them must not pass.
                m_result.NameBytes += std::max<std::size_t>(length, 1);
                if (m_result.NameBytes > m_budget.NameBytes)
                    throw Damage(subrecord.Where,
                                 fmt::format("its names take more bytes than the budget of {} bytes of names kept per "
                                             "plugin",
                                             m_budget.NameBytes),
                                 true);
                return std::string(begin, length);
            }

            static std::uint32_t Number(Subrecords& subrecords, const Subrecords::Header& subrecord,
                                        std::string_view what)
            {
                if (subrecord.Size < 4)
                    throw Damage(subrecord.Where, fmt::format("{} has {} bytes, fewer than 4", what, subrecord.Size));
                return U32(subrecords.Content(4));
            }

            void ReadHeaderRecord(std::uint32_t size)
            {
                RecordData data(m_source, 0, size, false, "TES4", m_inflater);
                Subrecords subrecords(data, "TES4");
                bool version = false;
                std::size_t masters = 0;
                std::uint64_t pastTheMost = 0; // the first MAST past MaximumMasters
                while (const auto subrecord = subrecords.Next())
                {
                    if (subrecord->Is("HEDR"))
                    {
                        const std::uint32_t bits = Number(subrecords, *subrecord, "HEDR");
                        std::memcpy(&m_result.Header.Version, &bits, sizeof bits);
                        version = true;
                    }
                    else if (subrecord->Is("MAST") && ++masters <= MaximumMasters)
                        m_result.Header.Masters.push_back(Name(subrecords, *subrecord, "a MAST name"));
                    else if (subrecord->Is("MAST") && masters == MaximumMasters + 1)
                        pastTheMost = subrecord->Where;
                }
                // Counted to the end, not kept: the record is within MaximumRecordSize.
                if (masters > MaximumMasters)
                    Fail(pastTheMost,
                         fmt::format("its TES4 record names {} masters, more than the {} a plugin may have", masters,
                                     MaximumMasters));
                if (!version)
                    Fail(0, "its TES4 record has no HEDR, which gives the file's version");
            }

            // The records of type `type` in the top-level group from `begin` to `end`; the groups inside it
            // (a worldspace's cells and everything in them) are not read.
            void ReadGroup(std::uint32_t type, std::uint64_t begin, std::uint64_t end)
            {
                for (std::uint64_t at = begin; at < end;)
                {
                    at = PassOver(at, end, type);
                    if (at == end)
                        break;
                    const ItemHeader item = ReadHeader(at, end);
                    if (item.Is("GRUP"))
                    {
                        at = GroupEnd(at, item, end, "its group");
                        continue;
                    }
                    const std::uint64_t recordEnd = RecordEnd(at, item, end, "its group");
                    if (item.Is(TypeName(type)))
                        ReadRecord(type, at, item.Size(), item.Flags(), item.FormId());
                    at = recordEnd;
                }
            }

            static constexpr std::string_view TypeName(std::uint32_t type)
            {
                return type == Wrld ? "WRLD" : type == Wthr ? "WTHR" : type == Clmt ? "CLMT" : "REGN";
            }

            // A kept record of `records`, its header's fields filled in.
            template <typename Record>
            static Record& Keep(std::vector<Record>& records, std::uint64_t at, std::uint32_t flags,
                                std::uint32_t formId)
            {
                Record& record = records.emplace_back();
                record.Offset = at;
                record.FormId = formId;
                record.Flags = flags;
                return record;
            }

            void ReadRecord(std::uint32_t type, std::uint64_t at, std::uint32_t size, std::uint32_t flags,
                            std::uint32_t formId)
            {
                const std::size_t kept = m_result.Worldspaces.size() + m_result.Weathers.size() +
                                         m_result.Climates.size() + m_result.Regions.size();
                if (kept >= m_budget.Records)
                    Fail(at, fmt::format("more worldspace, weather, climate and region records than the budget of {} "
                                         "records kept per plugin",
                                         m_budget.Records));
                const std::string_view name = TypeName(type);
                // Kept before it is read: a record damaged inside is kept with what was read of it.
                WorldspaceRecord* world = type == Wrld ? &Keep(m_result.Worldspaces, at, flags, formId) : nullptr;
                WeatherRecord* weather = type == Wthr ? &Keep(m_result.Weathers, at, flags, formId) : nullptr;
                ClimateRecord* climate = type == Clmt ? &Keep(m_result.Climates, at, flags, formId) : nullptr;
                RegionRecord* region = type == Regn ? &Keep(m_result.Regions, at, flags, formId) : nullptr;
                try
                {
                    if (size > MaximumRecordSize)
                        throw Damage(at,
                                     fmt::format("a {} record of {} bytes is larger than any this reader takes ({})",
                                                 name, size, MaximumRecordSize));
                    const bool compressed = (flags & CompressedFlag) != 0;
                    RecordData data(m_source, at, size, compressed, name, m_inflater);
                    Subrecords subrecords(data, name);
                    if (world != nullptr)
                        ReadWorldspaceData(subrecords, compressed, *world);
                    else if (weather != nullptr)
                        ReadWeatherData(subrecords, *weather);
                    else if (climate != nullptr)
                        ReadClimateData(subrecords, *climate);
                    else
                        ReadRegionData(subrecords, *region);
                    // A record read to its end; one read only to its last subrecord of interest returned
                    // above without inflating the rest.
                    if (!subrecords.Stopped())
                        data.Finish();
                }
                catch (const Damage& damage)
                {
                    if (damage.WholeFile())
                        throw;
                    if (m_result.DamagedRecords.size() < MaximumDamageReports)
                        m_result.DamagedRecords.emplace_back(
                            m_name, damage.Offset(),
                            fmt::format("the {} record {:08X}: {}", name, formId, damage.what()));
                    ++m_result.DamagedRecordCount;
                }
            }

            // The first bytes of a subrecord that holds a small number: a PNAM's 16 bits, a DATA's 8.
            template <typename Number>
            static Number Small(Subrecords& subrecords, const Subrecords::Header& subrecord, std::string_view what)
            {
                if (subrecord.Size < sizeof(Number))
                    throw Damage(subrecord.Where,
                                 fmt::format("{} has {} bytes, fewer than {}", what, subrecord.Size, sizeof(Number)));
                Number value;
                std::memcpy(&value, subrecords.Content(sizeof value), sizeof value);
                return value;
            }

            void ReadWorldspaceData(Subrecords& subrecords, bool compressed, WorldspaceRecord& record)
            {
                const bool localized = m_result.Header.IsLocalized();
                while (const auto subrecord = subrecords.Next())
                {
                    if (subrecord->Is("EDID"))
                        record.EditorId = Name(subrecords, *subrecord, "an EDID");
                    else if (subrecord->Is("FULL") && localized)
                        record.FullStringId = Number(subrecords, *subrecord, "a FULL string ID");
                    else if (subrecord->Is("FULL"))
                        record.FullText = Name(subrecords, *subrecord, "a FULL name");
                    else if (subrecord->Is("WNAM"))
                        record.Parent = Number(subrecords, *subrecord, "a WNAM");
                    else if (subrecord->Is("CNAM"))
                        record.Climate = Number(subrecords, *subrecord, "a CNAM");
                    else if (subrecord->Is("PNAM"))
                        record.ParentUse = Small<std::uint16_t>(subrecords, *subrecord, "a PNAM");
                    else if (subrecord->Is("DATA"))
                        record.WorldFlags = Small<std::uint8_t>(subrecords, *subrecord, "a DATA");
                    else if (subrecord->Is("OFST") && compressed)
                        return subrecords.Stop(); // every subrecord read here comes before it
                }
            }

            void ReadWeatherData(Subrecords& subrecords, WeatherRecord& record)
            {
                constexpr std::uint32_t ClassificationAt = 11;
                while (const auto subrecord = subrecords.Next())
                {
                    if (subrecord->Is("EDID"))
                        record.EditorId = Name(subrecords, *subrecord, "an EDID");
                    else if (subrecord->Is("DATA"))
                    {
                        if (subrecord->Size <= ClassificationAt)
                            throw Damage(subrecord->Where, fmt::format("a DATA has {} bytes, fewer than {}",
                                                                       subrecord->Size, ClassificationAt + 1));
                        record.Classification =
                            static_cast<std::uint8_t>(subrecords.Content(ClassificationAt + 1)[ClassificationAt]);
                        // The editor ID comes first: nothing after DATA is read.
                        return subrecords.Stop();
                    }
                }
            }

            void ReadClimateData(Subrecords& subrecords, ClimateRecord& record)
            {
                while (const auto subrecord = subrecords.Next())
                {
                    if (subrecord->Is("EDID"))
                        record.EditorId = Name(subrecords, *subrecord, "an EDID");
                    else if (subrecord->Is("WLST"))
                        ReadEntries(subrecords, *subrecord, "a WLST", record.Weathers);
                }
            }

            void ReadRegionData(Subrecords& subrecords, RegionRecord& record)
            {
                // The weather entry that the last RDAT opened; none when it opened none.
                constexpr std::size_t None = ~std::size_t{0};
                std::size_t entry = None;
                while (const auto subrecord = subrecords.Next())
                {
                    if (subrecord->Is("EDID"))
                        record.EditorId = Name(subrecords, *subrecord, "an EDID");
                    else if (subrecord->Is("WNAM"))
                        record.Worldspace = Number(subrecords, *subrecord, "a WNAM");
                    else if (subrecord->Is("RDAT"))
                    {
                        // Type (32 bits), flags, priority; two bytes that are always 0 are not needed.
                        constexpr std::uint32_t Used = 6;
                        if (subrecord->Size < Used)
                            throw Damage(subrecord->Where,
                                         fmt::format("an RDAT has {} bytes, fewer than {}", subrecord->Size, Used));
                        const std::byte* bytes = subrecords.Content(Used);
                        entry = None;
                        if (U32(bytes) != RegionWeatherType)
                            continue;
                        entry = record.Entries.size();
                        record.Entries.push_back(
                            {static_cast<std::uint8_t>(bytes[4]), static_cast<std::uint8_t>(bytes[5]), {}});
                    }
                    else if (subrecord->Is("RDWT") && entry != None)
                        ReadEntries(subrecords, *subrecord, "an RDWT", record.Entries[entry].Weathers);
                }
            }

            // The 12-byte entries of a WLST or an RDWT (weather, chance, global), appended to `into`,
            // counted against the budget of entries.
            void ReadEntries(Subrecords& subrecords, const Subrecords::Header& subrecord, std::string_view what,
                             std::vector<WeatherChance>& into)
            {
                if (subrecord.Size % EntrySize != 0)
                    throw Damage(subrecord.Where, fmt::format("{} of {} bytes is no whole number of entries of {} "
                                                              "bytes",
                                                              what, subrecord.Size, EntrySize));
                const std::uint32_t count = subrecord.Size / EntrySize;
                m_result.Entries += count;
                if (m_result.Entries > m_budget.Entries)
                    throw Damage(subrecord.Where,
                                 fmt::format("its climates and regions hold more weather entries than the budget of {} "
                                             "entries kept per plugin",
                                             m_budget.Entries),
                                 true);
                into.reserve(into.size() + count);
                for (std::uint32_t i = 0; i < count; ++i)
                {
                    const std::byte* bytes = subrecords.Content(EntrySize);
                    into.push_back({U32(bytes), U32(bytes + 4)});
                }
            }

            ByteSource& m_source;
            std::string_view m_name;
            const FileBudget& m_budget;
            Detail::Inflater m_inflater;
            std::uint64_t m_at = 0; // the item being read, for a read that fails
            PluginFile m_result;
        };

        std::string NameOf(const std::filesystem::path& path, std::string_view name)
        {
            if (!name.empty())
                return std::string(name);
            const auto text = path.filename().u8string();
            return {text.begin(), text.end()};
        }
    } // namespace

    PluginFile ReadPluginFile(const std::filesystem::path& path, std::string_view name, const FileBudget& budget)
    {
        const std::string shown = NameOf(path, name);
        try
        {
            ByteSource source(path);
            return Reader(source, shown, budget).Run();
        }
        catch (const FileReadError& error)
        {
            throw PluginFileError(shown, 0, error.what());
        }
    }

    PluginFile ReadPluginFile(std::span<const std::byte> bytes, std::string_view name, const FileBudget& budget)
    {
        ByteSource source(bytes);
        return Reader(source, name, budget).Run();
    }
} // namespace GameData
