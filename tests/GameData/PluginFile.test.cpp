// GameData::ReadPluginFile on every plugin of the synthetic game in tests/data/gamedata/game.tsv,
// written into a folder by tests/support's writer: each must read as its rows describe it, from the
// file and from memory alike, reading little more than its header, its group headers and its
// worldspace records.

#include "GameData/PluginFile.h"

#include <cstring>
#include <fmt/format.h>
#include <gtest/gtest.h>
#include "GameDescription.h"
#include "TempDirectory.h"

namespace
{
    const std::filesystem::path Data = NIMBRAVA_GAMEDATA_DATA;

    // What a reader may read beyond the least it must: "a few kilobytes" of a large master.
    constexpr std::uint64_t Slack = 4096;
    constexpr std::uint64_t HeaderSize = 24;

    std::string Line(std::uint64_t offset, std::uint32_t formId, std::uint32_t flags, const std::string& editorId,
                     const std::optional<std::string>& text, std::optional<std::uint32_t> stringId,
                     std::optional<std::uint32_t> parent)
    {
        return fmt::format("at {:#x}: {:08X} flags {:#x} EDID \"{}\" FULL {} WNAM {}", offset, formId, flags, editorId,
                           text       ? "\"" + *text + "\""
                           : stringId ? fmt::format("#{:#x}", *stringId)
                                      : "-",
                           parent ? fmt::format("{:08X}", *parent) : "-");
    }

    std::uint32_t Le32(const std::string& data)
    {
        EXPECT_EQ(data.size(), 4u);
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4 && i < data.size(); ++i)
            value |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
        return value;
    }

    // The record as the description wrote it, in the terms of the reader's result.
    std::string Expected(const NimbravaTest::WorldspaceDescription& world, bool localized,
                         const NimbravaTest::PlaceMap& places)
    {
        std::string editorId;
        std::optional<std::string> text;
        std::optional<std::uint32_t> stringId, parent;
        for (const auto& [type, data] : world.Subrecords)
        {
            const std::string withoutNul = data.substr(0, data.size() - 1);
            if (type == "EDID")
                editorId = withoutNul;
            else if (type == "FULL" && localized)
                stringId = Le32(data);
            else if (type == "FULL")
                text = withoutNul;
            else if (type == "WNAM")
                parent = Le32(data);
        }
        const auto offset = places.at("WRLD." + NimbravaTest::FormIdName(world.FormId));
        return Line(offset, world.FormId, world.Flags, editorId, text, stringId, parent);
    }

    // The bytes every reader must read: the header record, each group header around or before the
    // worldspaces, each worldspace record's header. And the most it needs: all of that, and all of
    // each worldspace record.
    std::pair<std::uint64_t, std::uint64_t> LeastAndMost(const NimbravaTest::PluginDescription& plugin,
                                                         const NimbravaTest::PlaceMap& places)
    {
        std::uint64_t least = places.at("end");
        for (const auto& [name, at] : places)
            if (name.starts_with("GRUP."))
                least = std::min(least, at);
        std::uint64_t most = least;
        for (const auto& group : plugin.Groups)
        {
            least += HeaderSize;
            most += HeaderSize;
            for (const auto& world : group.Worldspaces)
            {
                const std::string name = NimbravaTest::FormIdName(world.FormId);
                least += HeaderSize + (world.ChildrenSize ? HeaderSize : 0);
                most += places.at("WRLD." + name + ".end") - places.at("WRLD." + name) +
                        (world.ChildrenSize ? HeaderSize : 0);
            }
        }
        return {least, most};
    }
} // namespace

TEST(PluginFile, EveryPluginOfTheSyntheticGameReadsAsDescribed)
{
    const auto game = NimbravaTest::ReadGameDescription(Data / "game.tsv");
    const auto files = NimbravaTest::WriteGameFiles(game);
    const NimbravaTest::TempDirectory folder;
    NimbravaTest::WriteGameFolder(files, folder.Path());
    ASSERT_GE(game.Plugins.size(), 15u);
    std::size_t worldspaces = 0;
    double largestSaving = 0; // how many times the largest file is bigger than what may be read of it
    for (const auto& plugin : game.Plugins)
    {
        SCOPED_TRACE(plugin.FileName);
        const std::string path = "Data/" + plugin.FileName;
        const auto& bytes = files.Files.at(path);
        const auto& places = files.Places.at(path);
        std::vector<std::string> expected;
        for (const auto& group : plugin.Groups)
            for (const auto& world : group.Worldspaces)
                expected.push_back(Expected(world, (plugin.Flags & 0x80) != 0, places));
        worldspaces += expected.size();
        const auto [least, most] = LeastAndMost(plugin, places);
        largestSaving = std::max(largestSaving, static_cast<double>(bytes.size()) / static_cast<double>(most + Slack));

        const auto fromFile = GameData::ReadPluginFile(folder / path);
        const auto fromMemory = GameData::ReadPluginFile(std::as_bytes(std::span(bytes)), plugin.FileName);
        for (const auto* read : {&fromFile, &fromMemory})
        {
            SCOPED_TRACE(read == &fromFile ? "from the file" : "from memory");
            EXPECT_EQ(read->Header.Flags, plugin.Flags);
            EXPECT_NEAR(read->Header.Version, plugin.Version, 1e-4);
            EXPECT_EQ(read->Header.Masters, plugin.Masters);
            std::vector<std::string> got;
            for (const auto& world : read->Worldspaces)
                got.push_back(Line(world.Offset, world.FormId, world.Flags, world.EditorId, world.FullText,
                                   world.FullStringId, world.Parent));
            EXPECT_EQ(got, expected);
            EXPECT_GE(read->BytesRead, least);
            EXPECT_LE(read->BytesRead, most + Slack) << "of " << bytes.size() << " bytes";
        }
    }
    EXPECT_GE(worldspaces, 30u);
    EXPECT_GT(largestSaving, 20) << "the game holds a master much larger than its worldspace records";
}
