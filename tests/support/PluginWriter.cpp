#include "PluginWriter.h"

#include <bit>
#include <map>
#include <stdexcept>
#include <string_view>
#include <zlib.h>

namespace NimbravaTest
{
    namespace
    {
        constexpr std::uint32_t PersistentCellFlag = 0x400;
        constexpr std::size_t HeaderSize = 24; // of a record and of a group

        void Put16(std::string& out, std::uint16_t value)
        {
            out += static_cast<char>(value & 0xFF);
            out += static_cast<char>(value >> 8);
        }

        void Put32(std::string& out, std::uint32_t value)
        {
            for (int shift = 0; shift < 32; shift += 8)
                out += static_cast<char>((value >> shift) & 0xFF);
        }

        void Set32(std::string& out, std::size_t at, std::uint32_t value)
        {
            for (std::size_t i = 0; i < 4; ++i)
                out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        }

        std::string Le32(std::uint32_t value)
        {
            std::string out;
            Put32(out, value);
            return out;
        }

        std::uint32_t Checked32(std::size_t size, const char* what)
        {
            if (size > 0xFFFFFFFFu)
                throw std::invalid_argument(std::string(what) + " above 4 GiB");
            return static_cast<std::uint32_t>(size);
        }

        void PutType(std::string& out, std::string_view type)
        {
            if (type.size() != 4)
                throw std::invalid_argument("a record, subrecord or group type has four characters: \"" +
                                            std::string(type) + "\"");
            out += type;
        }

        // Bytes that stand for data nobody reads, different for every `seed`; they compress well, as
        // the game's tables of offsets and heights do.
        std::string Filler(std::size_t size, std::uint32_t seed)
        {
            std::string out(size, '\0');
            for (std::size_t i = 0; i < size; ++i)
                out[i] = static_cast<char>((i * 7 + seed) % 251);
            return out;
        }

        // A subrecord: type, 16-bit size, data; data too large for 16 bits goes behind an XXXX
        // subrecord that holds its 32-bit size, its own size field 0.
        std::string Subrecord(std::string_view type, std::string_view data)
        {
            std::string out;
            if (data.size() > 0xFFFF)
            {
                out += "XXXX";
                Put16(out, 4);
                Put32(out, Checked32(data.size(), "a subrecord"));
                PutType(out, type);
                Put16(out, 0);
            }
            else
            {
                PutType(out, type);
                Put16(out, static_cast<std::uint16_t>(data.size()));
            }
            out += data;
            return out;
        }

        std::string Deflate(std::string_view data)
        {
            uLongf size = compressBound(static_cast<uLong>(data.size()));
            std::string out(size, '\0');
            if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                          static_cast<uLong>(data.size()), Z_DEFAULT_COMPRESSION) != Z_OK)
                throw std::runtime_error("zlib could not compress a record");
            out.resize(size);
            return out;
        }

        class Writer
        {
        public:
            explicit Writer(std::uint16_t formVersion) : m_formVersion(formVersion) {}

            std::string Out;
            PlaceMap Places;
            std::uint32_t Items = 0; // records and groups after the header record, for HEDR

            void Record(std::string_view type, std::uint32_t flags, std::uint32_t formId, std::string_view data)
            {
                PutType(Out, type);
                Put32(Out, Checked32(data.size(), "a record"));
                Put32(Out, flags);
                Put32(Out, formId);
                Put32(Out, 0); // version control
                Put16(Out, m_formVersion);
                Put16(Out, 0);
                Out += data;
                ++Items;
            }

            // A compressed record's data: the inflated size, then the zlib stream.
            void CompressedRecord(std::string_view type, std::uint32_t flags, std::uint32_t formId,
                                  std::string_view inflated)
            {
                Record(type, flags | WriterCompressedFlag, formId,
                       Le32(Checked32(inflated.size(), "a record")) + Deflate(inflated));
            }

            std::size_t BeginGroup(std::string_view label, std::int32_t type)
            {
                const std::size_t start = Out.size();
                Out += "GRUP";
                Put32(Out, 0); // its size, once it is known
                PutType(Out, label);
                Put32(Out, static_cast<std::uint32_t>(type));
                Put32(Out, 0); // stamps
                Put32(Out, 0);
                ++Items;
                return start;
            }

            std::size_t BeginGroup(std::uint32_t label, std::int32_t type) { return BeginGroup(Le32(label), type); }

            void EndGroup(std::size_t start) { Set32(Out, start + 4, Checked32(Out.size() - start, "a group")); }

            void Fill(const GroupDescription& group)
            {
                for (std::size_t i = 0; i < group.Records; ++i)
                {
                    // One EDID-less DATA subrecord when there is room for its header, bare bytes otherwise.
                    const auto seed = static_cast<std::uint32_t>(i);
                    const std::string data = group.RecordSize >= 6
                                                 ? Subrecord("DATA", NimbravaTest::Filler(group.RecordSize - 6, seed))
                                                 : NimbravaTest::Filler(group.RecordSize, seed);
                    Record(group.Label, 0, NextFormId(0), data);
                }
            }

            void Worldspace(const WorldspaceDescription& world)
            {
                const std::string name = "WRLD." + FormIdName(world.FormId);
                Places[name] = Out.size();
                Places[name + ".data"] = Out.size() + HeaderSize;
                std::string data;
                for (const auto& subrecord : world.Subrecords)
                {
                    const std::size_t at = Out.size() + HeaderSize + data.size();
                    if (subrecord.Data.size() > 0xFFFF)
                        Places.try_emplace(name + ".XXXX", at);
                    Places.try_emplace(name + "." + subrecord.Type, at + (subrecord.Data.size() > 0xFFFF ? 10 : 0));
                    data += Subrecord(subrecord.Type, subrecord.Data);
                }
                if ((world.Flags & WriterCompressedFlag) == 0)
                {
                    Record("WRLD", world.Flags, world.FormId, data);
                }
                else
                {
                    std::erase_if(Places, [&](const auto& place) { return place.first.starts_with(name + "."); });
                    Places[name + ".data"] = Out.size() + HeaderSize;
                    std::string stream = Deflate(data);
                    stream.resize(stream.size() - std::min(world.StreamCut, stream.size()));
                    Record("WRLD", world.Flags, world.FormId,
                           Le32(world.DeclaredInflatedSize.value_or(Checked32(data.size(), "a record"))) + stream);
                }
                Places[name + ".end"] = Out.size();
                if (world.ChildrenSize)
                    Children(world.FormId, *world.ChildrenSize);
            }

        private:
            std::uint16_t m_formVersion;
            std::uint32_t m_nextObject = 0x10000;

            // A new object of the file itself (its top byte is past any master index used here).
            std::uint32_t NextFormId(std::uint32_t worldFormId) { return (worldFormId & 0xFF000000u) | m_nextObject++; }

            void Reference(std::uint32_t worldFormId, std::uint32_t seed)
            {
                Record("REFR", 0, NextFormId(worldFormId),
                       Subrecord("NAME", Le32(0x0001F000 + seed % 97)) +
                           Subrecord("DATA", NimbravaTest::Filler(24, seed)));
            }

            // A cell and its children: references in a persistent (8) or temporary (9) group, and
            // for an exterior cell its landscape record, compressed as the editor writes it.
            void Cell(std::uint32_t worldFormId, bool persistent, std::int16_t x, std::int16_t y, int references)
            {
                const std::uint32_t cell = NextFormId(worldFormId);
                std::string grid;
                Put32(grid, static_cast<std::uint32_t>(std::int32_t{x}));
                Put32(grid, static_cast<std::uint32_t>(std::int32_t{y}));
                Put32(grid, 0);
                Record("CELL", persistent ? PersistentCellFlag : 0, cell,
                       Subrecord("DATA", std::string(2, '\0')) + Subrecord("XCLC", grid));
                const std::size_t children = BeginGroup(cell, 6);
                const std::size_t inner = BeginGroup(cell, persistent ? 8 : 9);
                if (!persistent)
                    CompressedRecord("LAND", 0, NextFormId(worldFormId),
                                     Subrecord("DATA", Le32(0)) + Subrecord("VHGT", NimbravaTest::Filler(1096, cell)));
                for (int i = 0; i < references; ++i)
                    Reference(worldFormId, cell + static_cast<std::uint32_t>(i));
                EndGroup(inner);
                EndGroup(children);
            }

            // The world-children group: the persistent cell, then exterior blocks (4) of sub-blocks (5)
            // of four cells each, until the group holds about `size` bytes.
            void Children(std::uint32_t worldFormId, std::uint64_t size)
            {
                Places["CHILDREN." + FormIdName(worldFormId)] = Out.size();
                const std::size_t start = BeginGroup(worldFormId, 1);
                if (size > HeaderSize)
                    Cell(worldFormId, true, 0, 0, 3);
                for (std::int16_t block = 0; Out.size() - start < size; ++block)
                {
                    const auto label = static_cast<std::uint32_t>(static_cast<std::uint16_t>(block)) << 16;
                    const std::size_t outer = BeginGroup(label, 4);
                    const std::size_t subBlock = BeginGroup(label, 5);
                    for (std::int16_t cell = 0; cell < 4; ++cell)
                        Cell(worldFormId, false, static_cast<std::int16_t>(block * 32 + cell), 0, 6);
                    EndGroup(subBlock);
                    EndGroup(outer);
                }
                EndGroup(start);
            }
        };
    } // namespace

    std::string FormIdName(std::uint32_t formId)
    {
        constexpr char digits[] = "0123456789ABCDEF";
        std::string name(8, '0');
        for (std::size_t i = 0; i < 8; ++i)
            name[7 - i] = digits[(formId >> (4 * i)) & 15];
        return name;
    }

    WrittenPlugin WritePlugin(const PluginDescription& plugin)
    {
        Writer writer(plugin.FormVersion);
        std::string header =
            Subrecord("HEDR", Le32(std::bit_cast<std::uint32_t>(plugin.Version)) + Le32(0) + Le32(0x800));
        header += Subrecord("CNAM", std::string("Nimbrava tests") + '\0');
        const std::size_t masters = HeaderSize + header.size();
        for (const auto& master : plugin.Masters)
            header += Subrecord("MAST", master + '\0') + Subrecord("DATA", std::string(8, '\0'));
        writer.Record("TES4", plugin.Flags, 0, header);
        writer.Items = 0;
        writer.Places = {{"TES4", 0}, {"TES4.HEDR", HeaderSize}};
        if (!plugin.Masters.empty())
            writer.Places["TES4.MAST"] = masters;

        for (const auto& group : plugin.Groups)
        {
            writer.Places.try_emplace("GRUP." + group.Label, writer.Out.size());
            const std::size_t start = writer.BeginGroup(group.Label, 0);
            writer.Fill(group);
            for (const auto& world : group.Worldspaces)
                writer.Worldspace(world);
            writer.EndGroup(start);
        }
        Set32(writer.Out, HeaderSize + 6 + 4, writer.Items);
        writer.Places["end"] = writer.Out.size();
        return {std::move(writer.Out), std::move(writer.Places)};
    }

    std::string WriteStringTable(const std::vector<std::pair<std::uint32_t, std::string>>& entries)
    {
        std::map<std::string, std::uint32_t> offsets;
        std::string directory, data;
        for (const auto& [id, text] : entries)
        {
            const auto [at, added] = offsets.try_emplace(text, Checked32(data.size(), "a string table"));
            if (added)
                data += text + '\0';
            Put32(directory, id);
            Put32(directory, at->second);
        }
        std::string out;
        Put32(out, Checked32(entries.size(), "a string table"));
        Put32(out, Checked32(data.size(), "a string table"));
        return out + directory + data;
    }
} // namespace NimbravaTest
