#pragma once
// The base game's worldspaces, with the places the English edition names them by. The game keeps
// their names in string tables inside its BSA archives, which nothing here reads: where no loose
// table gives a name, these do (ListWorldspaces), and a player may name them so without the game.

#include <cstdint>
#include <span>
#include <string_view>

namespace GameData
{
    struct BaseWorldspace
    {
        std::string_view EditorId;
        std::string_view Plugin; // the base master that adds it
        // Its run-time form ID: the base masters always load first, in the order of BaseMasters.
        std::uint32_t FormId;
        std::string_view Place; // ASCII
    };

    // Every worldspace that the base game's masters add.
    [[nodiscard]] std::span<const BaseWorldspace> BaseWorldspaces() noexcept;

    // The base game's worldspace that `plugin` (UTF-8; case ignored as Windows ignores it) adds with
    // the object ID of `formId` (its low 24 bits, which do not depend on the load order); null for
    // any other.
    [[nodiscard]] const BaseWorldspace* FindBaseWorldspace(std::string_view plugin, std::uint32_t formId) noexcept;
} // namespace GameData
