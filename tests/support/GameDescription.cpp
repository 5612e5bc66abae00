#include "GameDescription.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <zlib.h>
#include "DataFiles.h"

namespace NimbravaTest
{
    namespace
    {
        constexpr std::uint32_t CompressedFlag = 0x40000;
        constexpr std::size_t HeaderSize = 24;  // of a record and of a group
        constexpr std::size_t XxxxSize = 6 + 4; // an XXXX subrecord: its header and the size it holds

        // The bytes of a number as the files hold them: little-endian, as on the x86-64 machines that
        // run the tests.
        std::string Le32(std::uint32_t value)
        {
            return {reinterpret_cast<const char*>(&value), sizeof value};
        }

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

        // "WEATHER:CHANCE,...": entries of a WLST or RDWT, 12 bytes each (weather, chance, global 0).
        std::string WeatherEntries(const std::string& text)
        {
            std::string entries;
            std::istringstream list(text);
            for (std::string entry; std::getline(list, entry, ',');)
            {
                const std::size_t colon = entry.find(':');
                entries += Le32(Number32(entry.substr(0, colon))) +
                           Le32(colon == std::string::npos ? 0 : Number32(entry.substr(colon + 1))) + Le32(0);
            }
            return entries;
        }

        // N entries of a WLST or RDWT: the weathers 0x800 on, each of chance 1.
        std::string ManyWeatherEntries(std::uint32_t count)
        {
            std::string entries;
            for (std::uint32_t i = 0; i < count; ++i)
                entries += Le32(0x800 + i) + Le32(1) + Le32(0);
            return entries;
        }

        // "TYPE:FLAGS:PRIORITY": a region's RDAT, 8 bytes (the last two 0).
        std::string RegionData(const std::string& text)
        {
            std::uint32_t fields[3] = {};
            std::istringstream list(text);
            std::string field;
            for (auto& number : fields)
                if (std::getline(list, field, ':'))
                    number = Number32(field);
            return Le32(fields[0]) + static_cast<char>(fields[1]) + static_cast<char>(fields[2]) + Le16(0);
        }

        // The fields of a row after its second, "key=value" or a bare key.
        std::vector<std::pair<std::string, std::string>> Fields(const std::vector<std::string>& row)
        {
            std::vector<std::pair<std::string, std::string>> fields;
            for (std::size_t i = 2; i < row.size(); ++i)
            {
                const std::size_t equals = row[i].find('=');
                fields.emplace_back(row[i].substr(0, equals),
                                    equals == std::string::npos ? "" : row[i].substr(equals + 1));
            }
            return fields;
        }

        // One plugin, written row by row: its header record, then its top-level groups.
        class PluginWriter
        {
        public:
            // plugin NAME FIELD...
            explicit PluginWriter(const std::vector<std::string>& row) : Name(row.at(1))
            {
                std::uint32_t flags = 0;
                float version = 1.7f;
                std::string masters; // MAST and DATA subrecords, in the file's order
                for (const auto& [key, value] : Fields(row))
                {
                    if (key == "flags")
                        flags = Number32(value);
                    else if (key == "version")
                        version = std::stof(value);
                    else if (key == "form")
                        m_formVersion = static_cast<std::uint16_t>(Number32(value));
                    else if (key == "master")
                        masters += Subrecord("MAST", value + '\0') + Subrecord("DATA", std::string(8, '\0'));
                    else if (key == "empty-masters")
                        for (std::uint32_t i = Number32(value); i > 0; --i)
                            masters +=
                                Subrecord("MAST", std::string(1, '\0')) + Subrecord("DATA", std::string(8, '\0'));
                    else if (key == "in")
                        Folder = value;
                    else
                        throw std::invalid_argument("unknown field " + key);
                }
                const std::string header =
                    Subrecord("HEDR", Le32(std::bit_cast<std::uint32_t>(version)) + Le32(0) + Le32(0x800)) +
                    Subrecord("CNAM", std::string("Nimbrava tests") + '\0');
                m_places = {{"TES4", 0}, {"TES4.HEDR", HeaderSize}};
                if (!masters.empty())
                    m_places["TES4.MAST"] = HeaderSize + header.size();
                WriteRecord("TES4", flags, 0, header + masters);
                m_items = 0;
            }

            const std::string Name;
            std::string Folder = "Data"; // where it lies, under the game folder

            // group TYPE FIELD...: the next top-level group, with the filler of its records.
            void Group(const std::vector<std::string>& row)
            {
                EndTopGroup();
                m_label = row.at(1);
                std::size_t records = 0, size = 0, zeros = 0;
                for (const auto& [key, value] : Fields(row))
                {
                    if (key == "records")
                        records = Number(value);
                    else if (key == "size")
                        size = Number(value);
                    else if (key == "zeros")
                        zeros = Number(value);
                    else
                        throw std::invalid_argument("unknown field " + key);
                }
                m_places.try_emplace("GRUP." + m_label, m_out.size());
                m_group = BeginGroup(m_label, 0);
                // As many bytes as the records would take, headers included: no reader of worldspaces
                // looks into another group. Zeros read as empty records of no type.
                m_out += Filler(records * (HeaderSize + size), 0);
                m_out.append(zeros, '\0');
            }

            // wrld, wthr, clmt or regn FORMID FIELD...: a record of the open group of its type, then its
            // children (if any).
            void Record(const std::vector<std::string>& row)
            {
                std::string type = row.at(0);
                for (auto& c : type)
                    c = static_cast<char>(c - 'a' + 'A');
                if (m_label != type)
                    throw std::invalid_argument("a " + row[0] + " row outside a " + type + " group");
                const std::uint32_t formId = Number32(row.at(1), 16);
                std::uint32_t flags = 0;
                std::optional<std::uint32_t> inflated;
                std::optional<std::uint64_t> children;
                std::size_t cut = 0;
                std::uint32_t repeat = 1;
                std::optional<std::size_t> keep;
                std::vector<std::pair<std::string, std::string>> subrecords; // in file order
                for (const auto& [key, value] : Fields(row))
                {
                    if (key == "flags")
                        flags |= Number32(value);
                    else if (key == "compressed")
                        flags |= CompressedFlag;
                    else if (key == "inflated")
                        inflated = Number32(value);
                    else if (key == "cut")
                        cut = Number(value);
                    else if (key == "children")
                        children = Number(value);
                    else if (key == "repeat")
                        repeat = Number32(value);
                    else if (key == "keep")
                        keep = Number(value);
                    else if (key == "EDID" || key == "FULL")
                        subrecords.emplace_back(key, value + '\0');
                    else if (key == "EDID*" || key == "FULL*")
                        subrecords.emplace_back(key.substr(0, 4), std::string(Number(value), key[0]) + '\0');
                    else if (key == "FULLID")
                        subrecords.emplace_back("FULL", Le32(Number32(value)));
                    else if (key == "WNAM" || key == "CNAM")
                        subrecords.emplace_back(key, Le32(Number32(value)));
                    else if (key == "PNAM")
                        subrecords.emplace_back(key, Le16(Number32(value)));
                    else if (key == "DATA" && type == "WTHR")
                        subrecords.emplace_back(key, std::string(11, '\0') + static_cast<char>(Number32(value)) +
                                                         std::string(7, '\0'));
                    else if (key == "DATA")
                        subrecords.emplace_back(key, std::string(1, static_cast<char>(Number32(value))));
                    else if (key == "RDAT")
                        subrecords.emplace_back(key, RegionData(value));
                    else if (key == "WLST" || key == "RDWT")
                        subrecords.emplace_back(key, WeatherEntries(value));
                    else if (key == "WLST*" || key == "RDWT*")
                        subrecords.emplace_back(key.substr(0, 4), ManyWeatherEntries(Number32(value)));
                    else if (key.size() == 4)
                        subrecords.emplace_back(key, std::string(Number(value), '\x5A'));
                    else
                        throw std::invalid_argument("unknown field " + key);
                }
                const std::string name = type + "." + FormIdName(formId);
                const bool compressed = (flags & CompressedFlag) != 0;
                m_places[name] = m_out.size();
                m_places[name + ".data"] = m_out.size() + HeaderSize;
                std::string data;
                for (const auto& [sub, bytes] : subrecords)
                {
                    const std::size_t at = m_out.size() + HeaderSize + data.size();
                    const bool large = bytes.size() > 0xFFFF;
                    if (large && !compressed)
                        m_places.try_emplace(name + ".XXXX", at);
                    if (!compressed)
                        m_places.try_emplace(name + "." + sub, at + (large ? XxxxSize : 0));
                    data += Subrecord(sub, bytes);
                }
                if (compressed)
                {
                    std::string stream = Deflate(data);
                    stream.resize(stream.size() - std::min(cut, stream.size()));
                    data = Le32(inflated.value_or(static_cast<std::uint32_t>(data.size()))) + stream;
                }
                if (keep)
                    data.resize(std::min(*keep, data.size()));
                for (std::uint32_t i = 0; i < repeat; ++i)
                {
                    WriteRecord(type, flags, formId + i, data);
                    if (i == 0)
                        m_places[name + ".end"] = m_out.size();
                    if (children)
                        Children(formId + i, *children, i == 0);
                }
            }

            // The plugin's bytes into `files`, its places beside them.
            void Finish(GameFiles& files)
            {
                EndTopGroup();
                // HEDR's record count, after its subrecord header and version.
                m_out.replace(HeaderSize + 6 + 4, 4, Le32(m_items));
                m_places["end"] = m_out.size();
                files.Files[Folder + "/" + Name] = std::move(m_out);
                files.Places[Folder + "/" + Name] = std::move(m_places);
            }

        private:
            std::uint16_t m_formVersion = 44;
            std::string m_out;
            PlaceMap m_places;
            std::string m_label;       // of the open top-level group
            std::size_t m_group = 0;   // where it starts
            std::uint32_t m_items = 0; // records and groups after the header record, for HEDR

            void WriteRecord(const std::string& type, std::uint32_t flags, std::uint32_t formId,
                             const std::string& data)
            {
                // Type, data size, flags, form ID, version control, form version, an unknown 16 bits.
                m_out += type + Le32(static_cast<std::uint32_t>(data.size())) + Le32(flags) + Le32(formId) + Le32(0) +
                         Le16(m_formVersion) + Le16(0) + data;
                ++m_items;
            }

            // Its size is written by EndGroup, once it is known.
            std::size_t BeginGroup(const std::string& label, std::int32_t type)
            {
                const std::size_t start = m_out.size();
                m_out += "GRUP" + Le32(0) + label + Le32(static_cast<std::uint32_t>(type)) + Le32(0) + Le32(0);
                ++m_items;
                return start;
            }

            void EndGroup(std::size_t start)
            {
                m_out.replace(start + 4, 4, Le32(static_cast<std::uint32_t>(m_out.size() - start)));
            }

            // Ends the open top-level group, if any.
            void EndTopGroup()
            {
                if (!m_label.empty())
                    EndGroup(m_group);
                m_label.clear();
            }

            // The world-children group: about `size` bytes of filler, which no reader of worldspaces reads
            // (the game's hold the worldspace's cells, nested in blocks).
            void Children(std::uint32_t worldFormId, std::uint64_t size, bool placed = true)
            {
                if (placed)
                    m_places["CHILDREN." + FormIdName(worldFormId)] = m_out.size();
                const std::size_t start = BeginGroup(Le32(worldFormId), 1);
                m_out += Filler(size > HeaderSize ? static_cast<std::size_t>(size - HeaderSize) : 0, worldFormId);
                EndGroup(start);
            }
        };

        // A .STRINGS table of these entries in this order; equal texts share one offset.
        std::string StringTable(const std::vector<std::pair<std::uint32_t, std::string>>& entries)
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
    } // namespace

    std::string FormIdName(std::uint32_t formId)
    {
        char name[9];
        std::snprintf(name, sizeof name, "%08X", formId);
        return name;
    }

    GameFiles WriteGame(const std::vector<std::vector<std::string>>& described)
    {
        // "each FROM TO ROW...": the row once for each number, "{}" in its fields replaced by it.
        std::vector<std::vector<std::string>> rows;
        for (const auto& row : described)
        {
            if (row.at(0) != "each")
            {
                rows.push_back(row);
                continue;
            }
            for (std::uint64_t number = Number(row.at(1)); number <= Number(row.at(2)); ++number)
            {
                auto& copy = rows.emplace_back(row.begin() + 3, row.end());
                for (auto& field : copy)
                    for (std::size_t at; (at = field.find("{}")) != std::string::npos;)
                        field.replace(at, 2, std::to_string(number));
            }
        }
        GameFiles files;
        std::optional<PluginWriter> plugin;
        std::map<std::string, std::vector<std::pair<std::uint32_t, std::string>>> tables;
        for (const auto& row : rows)
        {
            const std::string& kind = row.at(0);
            if (kind == "text" || kind == "file")
            {
                files.Files[row.at(1)] += row.at(2) + (kind == "text" ? "\r\n" : "");
                continue;
            }
            if (kind == "plugin")
            {
                if (plugin)
                    plugin->Finish(files);
                plugin.emplace(row);
                continue;
            }
            if (!plugin)
                throw std::invalid_argument("a plugin's row before any plugin");
            if (kind == "group")
                plugin->Group(row);
            else if (kind == "wrld" || kind == "wthr" || kind == "clmt" || kind == "regn")
                plugin->Record(row);
            else if (kind == "strings")
            {
                const std::string stem = plugin->Name.substr(0, plugin->Name.rfind('.'));
                const std::string& text = row.at(3);
                tables[plugin->Folder + "/Strings/" + stem + "_" + row.at(1) + ".STRINGS"].emplace_back(
                    Number32(row.at(2)), text.starts_with("*=") ? std::string(Number(text.substr(2)), 'S') : text);
            }
            else
                throw std::invalid_argument("unknown row " + kind);
        }
        if (plugin)
            plugin->Finish(files);
        for (const auto& [path, entries] : tables)
            files.Files[path] = StringTable(entries);
        return files;
    }

    GameFiles WriteGame(const std::filesystem::path& description)
    {
        return WriteGame(ReadTable(description));
    }

    void WriteGameFolder(const GameFiles& files, const std::filesystem::path& folder)
    {
        for (const auto& [name, bytes] : files.Files)
        {
            // Names are UTF-8 on every system, as the descriptions write them.
            const auto path = folder / std::filesystem::path(std::u8string(name.begin(), name.end()));
            std::filesystem::create_directories(path.parent_path());
            WriteFile(path, bytes);
        }
    }
} // namespace NimbravaTest
