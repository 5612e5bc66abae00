#include "GameDescription.h"

#include <bit>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string_view>
#include <zlib.h>
#include "DataFiles.h"

namespace NimbravaTest
{
    namespace
    {
        constexpr std::uint32_t PersistentCellFlag = 0x400;
        constexpr std::size_t HeaderSize = 24;  // of a record and of a group
        constexpr std::size_t XxxxSize = 6 + 4; // an XXXX subrecord: its header and the size it holds

        std::string Le16(std::size_t value)
        {
            const auto number = static_cast<std::uint16_t>(value);
            return {reinterpret_cast<const char*>(&number), sizeof number};
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
        std::string Subrecord(const std::string& type, const std::string& data)
        {
            if (data.size() > 0xFFFF)
                return "XXXX" + Le16(4) + Le32(static_cast<std::uint32_t>(data.size())) + type + Le16(0) + data;
            return type + Le16(data.size()) + data;
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

            void Record(const std::string& type, std::uint32_t flags, std::uint32_t formId, const std::string& data)
            {
                // Type, data size, flags, form ID, version control, form version, an unknown 16 bits.
                Out += type + Le32(static_cast<std::uint32_t>(data.size())) + Le32(flags) + Le32(formId) + Le32(0) +
                       Le16(m_formVersion) + Le16(0) + data;
                ++Items;
            }

            // Its size is written by EndGroup, once it is known.
            std::size_t BeginGroup(const std::string& label, std::int32_t type)
            {
                const std::size_t start = Out.size();
                Out += "GRUP" + Le32(0) + label + Le32(static_cast<std::uint32_t>(type)) + Le32(0) + Le32(0);
                ++Items;
                return start;
            }

            void EndGroup(std::size_t start)
            {
                Out.replace(start + 4, 4, Le32(static_cast<std::uint32_t>(Out.size() - start)));
            }

            void Fill(const GroupDescription& group)
            {
                for (std::size_t i = 0; i < group.Records; ++i)
                {
                    // One EDID-less DATA subrecord when there is room for its header, bare bytes otherwise.
                    const auto seed = static_cast<std::uint32_t>(i);
                    const std::string data = group.RecordSize >= 6
                                                 ? Subrecord("DATA", Filler(group.RecordSize - 6, seed))
                                                 : Filler(group.RecordSize, seed);
                    Record(group.Label, 0, NextFormId(0), data);
                }
            }

            void Worldspace(const WorldspaceDescription& world)
            {
                const std::string name = "WRLD." + FormIdName(world.FormId);
                const bool compressed = (world.Flags & WriterCompressedFlag) != 0;
                Places[name] = Out.size();
                Places[name + ".data"] = Out.size() + HeaderSize;
                std::string data;
                for (const auto& subrecord : world.Subrecords)
                {
                    const std::size_t at = Out.size() + HeaderSize + data.size();
                    const bool large = subrecord.Data.size() > 0xFFFF;
                    if (large && !compressed)
                        Places.try_emplace(name + ".XXXX", at);
                    if (!compressed)
                        Places.try_emplace(name + "." + subrecord.Type, at + (large ? XxxxSize : 0));
                    data += Subrecord(subrecord.Type, subrecord.Data);
                }
                if (compressed)
                {
                    std::string stream = Deflate(data);
                    stream.resize(stream.size() - std::min(world.StreamCut, stream.size()));
                    data = Le32(world.DeclaredInflatedSize.value_or(static_cast<std::uint32_t>(data.size()))) + stream;
                }
                Record("WRLD", world.Flags, world.FormId, data);
                Places[name + ".end"] = Out.size();
                if (world.ChildrenSize)
                    Children(world.FormId, *world.ChildrenSize);
            }

        private:
            std::uint16_t m_formVersion;
            std::uint32_t m_nextObject = 0x10000;

            // A new object of the file itself (its top byte is past any master index used here).
            std::uint32_t NextFormId(std::uint32_t worldFormId) { return (worldFormId & 0xFF000000u) | m_nextObject++; }

            // A cell and its children: references in a persistent (8) or temporary (9) group, and
            // for an exterior cell its landscape record, compressed as the editor writes it.
            void Cell(std::uint32_t worldFormId, bool persistent, std::int32_t x, int references)
            {
                const std::uint32_t cell = NextFormId(worldFormId);
                const std::string grid = Le32(static_cast<std::uint32_t>(x)) + Le32(0) + Le32(0); // x, y, flags
                Record("CELL", persistent ? PersistentCellFlag : 0, cell,
                       Subrecord("DATA", std::string(2, '\0')) + Subrecord("XCLC", grid));
                const std::size_t children = BeginGroup(Le32(cell), 6);
                const std::size_t inner = BeginGroup(Le32(cell), persistent ? 8 : 9);
                if (!persistent)
                {
                    const std::string land = Subrecord("DATA", Le32(0)) + Subrecord("VHGT", Filler(1096, cell));
                    Record("LAND", WriterCompressedFlag, NextFormId(worldFormId),
                           Le32(static_cast<std::uint32_t>(land.size())) + Deflate(land));
                }
                for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(references); ++i)
                    Record("REFR", 0, NextFormId(worldFormId),
                           Subrecord("NAME", Le32(0x0001F000 + (cell + i) % 97)) +
                               Subrecord("DATA", Filler(24, cell + i)));
                EndGroup(inner);
                EndGroup(children);
            }

            // The world-children group: the persistent cell, then exterior blocks (4) of sub-blocks (5)
            // of four cells each, until the group holds about `size` bytes.
            void Children(std::uint32_t worldFormId, std::uint64_t size)
            {
                Places["CHILDREN." + FormIdName(worldFormId)] = Out.size();
                const std::size_t start = BeginGroup(Le32(worldFormId), 1);
                if (size > HeaderSize)
                    Cell(worldFormId, true, 0, 3);
                for (std::uint32_t block = 0; Out.size() - start < size; ++block)
                {
                    const std::size_t outer = BeginGroup(Le32(block << 16), 4);
                    const std::size_t subBlock = BeginGroup(Le32(block << 16), 5);
                    for (std::int32_t cell = 0; cell < 4; ++cell)
                        Cell(worldFormId, false, static_cast<std::int32_t>(block * 32) + cell, 6);
                    EndGroup(subBlock);
                    EndGroup(outer);
                }
                EndGroup(start);
            }
        };

        // A number written whole: decimal, 0x-hexadecimal, or in `base`.
        std::uint64_t Number(const std::string& text, int base = 0)
        {
            std::size_t end = 0;
            const std::uint64_t value = std::stoull(text, &end, base);
            if (end != text.size())
                throw std::invalid_argument("not a number: \"" + text + "\"");
            return value;
        }

        std::uint32_t Number32(const std::string& text, int base = 0)
        {
            return static_cast<std::uint32_t>(Number(text, base));
        }

        void ReadWorldspaceField(WorldspaceDescription& world, const std::string& key, const std::string& value)
        {
            if (key == "flags")
                world.Flags |= Number32(value);
            else if (key == "compressed")
                world.Flags |= WriterCompressedFlag;
            else if (key == "inflated")
                world.DeclaredInflatedSize = Number32(value);
            else if (key == "cut")
                world.StreamCut = Number(value);
            else if (key == "children")
                world.ChildrenSize = Number(value);
            else if (key == "EDID" || key == "FULL")
                world.Subrecords.push_back({key, value + '\0'});
            else if (key == "FULLID")
                world.Subrecords.push_back({"FULL", Le32(Number32(value))});
            else if (key == "WNAM")
                world.Subrecords.push_back({key, Le32(Number32(value))});
            else if (key.size() == 4)
                world.Subrecords.push_back({key, std::string(Number(value), '\x5A')});
            else
                throw std::invalid_argument("unknown field " + key);
        }

        void ReadRow(GameDescription& game, const std::vector<std::string>& row)
        {
            const std::string& kind = row.at(0);
            if (kind == "text" || kind == "file")
            {
                game.Files[row.at(1)] += row.at(2) + (kind == "text" ? "\r\n" : "");
                return;
            }
            if (kind == "plugin")
                game.Plugins.push_back({row.at(1)});
            if (game.Plugins.empty())
                throw std::invalid_argument("a plugin's row before any plugin");
            auto& plugin = game.Plugins.back();
            if (kind == "master")
                plugin.Masters.push_back(row.at(1));
            else if (kind == "group")
                plugin.Groups.push_back({row.at(1)});
            else if (kind == "wrld" && !plugin.Groups.empty() && plugin.Groups.back().Label == "WRLD")
                plugin.Groups.back().Worldspaces.push_back({Number32(row.at(1), 16)});
            else if (kind == "strings")
            {
                const std::string stem = plugin.FileName.substr(0, plugin.FileName.rfind('.'));
                game.StringTables["Data/Strings/" + stem + "_" + row.at(1) + ".STRINGS"].emplace_back(
                    Number32(row.at(2)), row.at(3));
                return;
            }
            else if (kind != "plugin")
                throw std::invalid_argument("unknown row, or a worldspace outside a WRLD group");
            // The fields after the name, "key=value" or a bare key.
            for (std::size_t i = 2; i < row.size(); ++i)
            {
                const std::size_t equals = row[i].find('=');
                const std::string key = row[i].substr(0, equals);
                const std::string value = equals == std::string::npos ? "" : row[i].substr(equals + 1);
                if (kind == "wrld")
                    ReadWorldspaceField(plugin.Groups.back().Worldspaces.back(), key, value);
                else if (kind == "group" && key == "records")
                    plugin.Groups.back().Records = Number(value);
                else if (kind == "group" && key == "size")
                    plugin.Groups.back().RecordSize = Number(value);
                else if (kind == "plugin" && key == "flags")
                    plugin.Flags = Number32(value);
                else if (kind == "plugin" && key == "version")
                    plugin.Version = std::stof(value);
                else if (kind == "plugin" && key == "form")
                    plugin.FormVersion = static_cast<std::uint16_t>(Number32(value));
                else
                    throw std::invalid_argument("unknown field " + key);
            }
        }
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
        // HEDR's record count, after its subrecord header and version.
        writer.Out.replace(HeaderSize + 6 + 4, 4, Le32(writer.Items));
        writer.Places["end"] = writer.Out.size();
        return {std::move(writer.Out), std::move(writer.Places)};
    }

    std::string WriteStringTable(const std::vector<std::pair<std::uint32_t, std::string>>& entries)
    {
        std::map<std::string, std::uint32_t> offsets;
        std::string directory, data;
        for (const auto& [id, text] : entries)
        {
            const auto [at, added] = offsets.try_emplace(text, static_cast<std::uint32_t>(data.size()));
            if (added)
                data += text + '\0';
            directory += Le32(id) + Le32(at->second);
        }
        return Le32(static_cast<std::uint32_t>(entries.size())) + Le32(static_cast<std::uint32_t>(data.size())) +
               directory + data;
    }

    GameDescription ReadGameDescription(const std::filesystem::path& path)
    {
        GameDescription game;
        for (const auto& row : ReadTable(path))
        {
            try
            {
                ReadRow(game, row);
            }
            catch (const std::exception& e)
            {
                throw std::invalid_argument(path.filename().string() + ": " + e.what() + " in a row " + row[0] + " " +
                                            row.at(1));
            }
        }
        return game;
    }

    GameFiles WriteGameFiles(const GameDescription& game)
    {
        GameFiles files{game.Files, {}};
        for (const auto& plugin : game.Plugins)
        {
            auto written = WritePlugin(plugin);
            files.Files["Data/" + plugin.FileName] = std::move(written.Bytes);
            files.Places["Data/" + plugin.FileName] = std::move(written.Places);
        }
        for (const auto& [path, entries] : game.StringTables)
            files.Files[path] = WriteStringTable(entries);
        return files;
    }

    void WriteGameFolder(const GameFiles& files, const std::filesystem::path& folder)
    {
        for (const auto& [name, bytes] : files.Files)
        {
            const auto path = folder / std::filesystem::path(name);
            std::filesystem::create_directories(path.parent_path());
            WriteFile(path, bytes);
        }
    }
} // namespace NimbravaTest
