#include "checks/WorldspaceNames.h"

#include <fmt/format.h>
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
        std::vector<const GameData::Worldspace*> named;
        if (worldspaces != nullptr)
            for (const auto& worldspace : *worldspaces)
                if (Orvel::EqualIgnoringCase(worldspace.EditorId, text))
                    named.push_back(&worldspace);
        if (named.size() == 1)
            return named.front()->FormId;
        if (named.empty())
            throw InputError(
                fmt::format("not a worldspace ID (hexadecimal, at most FFFFFFFF){}: {}{}",
                            worldspaces != nullptr ? " nor an editor ID of the load order" : "", PrintableText(text),
                            worldspaces != nullptr
                                ? ""
                                : " (editor IDs need the game's data: Data beside the enbseries folder, or --game)"));
        std::string why = fmt::format("the editor ID {} is used by {} worldspaces:", PrintableText(text), named.size());
        for (const auto* worldspace : named)
            why += fmt::format(" {:08X} {} of {};", worldspace->FormId, PrintableText(worldspace->EditorId),
                               PrintableText(worldspace->Plugin));
        throw InputError(why + " give the ID instead");
    }
} // namespace NimbravaCheck
