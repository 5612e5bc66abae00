#include "GameData/BaseGame.h"

#include <algorithm>
#include "GameData/FormId.h"
#include "GameData/NameCase.h"

namespace GameData
{
    namespace
    {
        constexpr BaseWorldspace Table[] = {
            {"Tamriel", "Skyrim.esm", 0x0000003C, "Skyrim"},
            {"Blackreach", "Skyrim.esm", 0x0001EE62, "Blackreach"},
            {"Sovngarde", "Skyrim.esm", 0x0002EE41, "Sovngarde"},
            {"SkuldafnWorld", "Skyrim.esm", 0x000278DD, "Skuldafn"},
            {"WhiterunWorld", "Skyrim.esm", 0x0001A26F, "Whiterun"},
            {"SolitudeWorld", "Skyrim.esm", 0x00037EDF, "Solitude"},
            {"WindhelmWorld", "Skyrim.esm", 0x0001691D, "Windhelm"},
            {"RiftenWorld", "Skyrim.esm", 0x00016BB4, "Riften"},
            {"MarkarthWorld", "Skyrim.esm", 0x00016D71, "Markarth"},
            {"DeepwoodRedoubtWorld", "Skyrim.esm", 0x00029AB7, "Deepwood Redoubt"},
            {"KarthspireRedoubtWorld", "Skyrim.esm", 0x00035699, "Karthspire"},
            {"JaphetsFollyWorld", "Skyrim.esm", 0x00094B35, "Japhet's Folly"},
            {"LabyrinthianMazeWorld", "Skyrim.esm", 0x00104217, "Labyrinthian maze"},
            {"EldergleamSanctuaryWorld", "Skyrim.esm", 0x0003A9D6, "Eldergleam Sanctuary"},
            {"DLC01FalmerValley", "Dawnguard.esm", 0x02000BB5, "Forgotten Vale"},
            {"DLC01SoulCairn", "Dawnguard.esm", 0x02001408, "Soul Cairn"},
            {"DLC01Boneyard", "Dawnguard.esm", 0x0200528D, "Boneyard"},
            {"DLC1HunterHQWorld", "Dawnguard.esm", 0x02001DB8, "Fort Dawnguard"},
            {"DLC1VampireCastleCourtyard", "Dawnguard.esm", 0x02007202, "Castle Volkihar courtyard"},
            {"DLC2SolstheimWorld", "Dragonborn.esm", 0x04000800, "Solstheim"},
            {"DLC2ApocryphaWorld", "Dragonborn.esm", 0x0401C0B2, "Apocrypha"},
        };
    } // namespace

    std::span<const BaseWorldspace> BaseWorldspaces() noexcept
    {
        return Table;
    }

    const BaseWorldspace* FindBaseWorldspace(std::string_view plugin, std::uint32_t formId) noexcept
    {
        const auto found = std::ranges::find_if(Table, [&](const BaseWorldspace& row) {
            return ((row.FormId ^ formId) & FullObjectIds) == 0 && SameName(row.Plugin, plugin);
        });
        return found == std::end(Table) ? nullptr : found;
    }
} // namespace GameData
