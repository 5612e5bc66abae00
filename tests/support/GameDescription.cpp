#include "GameDescription.h"

#include <stdexcept>
#include "DataFiles.h"

namespace NimbravaTest
{
    namespace
    {
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
