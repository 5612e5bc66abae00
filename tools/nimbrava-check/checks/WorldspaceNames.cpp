#include "checks/WorldspaceNames.h"

#include <fmt/format.h>
#include <algorithm>
#include <iterator>
#include "GameData/BaseGame.h"
#include "GameData/NameCase.h"
#include "Orvel/Ascii.h"
#include "Orvel/Parsing.h"
#include "checks/InputError.h"
#include "text/Printable.h"

namespace NimbravaCheck
{
    std::string Describe(const GameData::Worldspace& worldspace)
    {
        return fmt::format("{} ({}{})", PrintableText(worldspace.EditorId),
                           worldspace.Name ? PrintableText(*worldspace.Name) + ", " : "",
                           PrintableText(worldspace.Plugin));
    }

    std::string Describe(const std::vector<GameData::Worldspace>& worldspaces, std::string_view separator)
    {
        std::string text;
        for (const auto& worldspace : worldspaces)
            text += (text.empty() ? "" : std::string(separator)) + Describe(worldspace);
        return text;
    }

    std::optional<std::uint32_t> ReadWorldspaceId(std::string_view text)
    {
        std::size_t end = 0;
        const auto id = Orvel::ParseHexNumber(text, end);
        if (!id || end != text.size())
            return std::nullopt;
        return *id;
    }

    std::uint32_t ResolveWorldspace(std::string_view text, const std::vector<GameData::Worldspace>* worldspaces)
    {
        if (const auto id = ReadWorldspaceId(text))
            return *id;
        // Names compared as the game's names are: each character upper-cased, outside ASCII too.
        const std::u16string key = GameData::NameKeyOfUtf8(text);
        const auto names = [&key](std::string_view editorId, const std::optional<std::string>& name) {
            return GameData::NameKeyOfUtf8(editorId) == key || (name && GameData::NameKeyOfUtf8(*name) == key);
        };
        std::vector<GameData::Worldspace> named;
        if (worldspaces != nullptr)
            std::ranges::copy_if(*worldspaces, std::back_inserter(named), [&](const GameData::Worldspace& worldspace) {
                return names(worldspace.EditorId, worldspace.Name);
            });
        else
            for (const auto& base : GameData::BaseWorldspaces())
                if (names(base.EditorId, std::string(base.Place)))
                    named.push_back({base.FormId,
                                     std::string(base.EditorId),
                                     std::string(base.Place),
                                     std::string(base.Plugin),
                                     std::string(base.Plugin),
                                     false,
                                     {}});
        if (named.size() == 1)
            return named.front().FormId;
        if (named.empty())
            throw InputError(fmt::format(
                "not a worldspace ID (hexadecimal, at most FFFFFFFF), nor an editor ID or name of {}: {}{}",
                worldspaces != nullptr ? "the load order" : "the base game", PrintableText(text),
                worldspaces != nullptr
                    ? ""
                    : " (the names of mods' worldspaces need the game's data: Data beside the enbseries folder, or "
                      "--game)"));
        std::string why = fmt::format("{} names {} worldspaces:", PrintableText(text), named.size());
        for (const auto& worldspace : named)
            why += fmt::format(" {:08X} {};", worldspace.FormId, Describe(worldspace));
        throw InputError(why + " give the ID instead");
    }
} // namespace NimbravaCheck
