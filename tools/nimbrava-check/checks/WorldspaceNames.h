#pragma once
// Worldspaces as a player names them: by the ID ENB reports, by editor ID, and in a text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include "GameData/Worldspaces.h"

namespace NimbravaCheck
{
    // A worldspace as a person reads it: "DLC2SolstheimWorld (Solstheim, Dragonborn.esm)", each name
    // shown as names are (text/Printable.h): a game file's names may hold anything.
    [[nodiscard]] std::string Describe(const GameData::Worldspace& worldspace);
    // Several, one after the other with `separator` between them.
    [[nodiscard]] std::string Describe(const std::vector<GameData::Worldspace>& worldspaces,
                                       std::string_view separator = ", ");

    // A worldspace ID as ENB reports it: one hexadecimal number of at most 32 bits, nothing after it.
    [[nodiscard]] std::optional<std::uint32_t> ReadWorldspaceId(std::string_view text);

    // A worldspace given by its ID or, failing that, by the editor ID or the name (case ignored) of one
    // of `worldspaces` (null: no game's data; then of the base game's, by the English edition's
    // names), as the run-time form ID ENB reports. Throws InputError when it is none of them, or a
    // name that several worldspaces have (naming them).
    [[nodiscard]] std::uint32_t ResolveWorldspace(std::string_view text,
                                                  const std::vector<GameData::Worldspace>* worldspaces);
} // namespace NimbravaCheck
