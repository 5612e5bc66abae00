#include "checks/LoadOrderFindings.h"

#include <type_traits>
#include "GameData/FormId.h"

namespace NimbravaCheck
{
    std::vector<Finding> LoadOrderFindings(const std::vector<GameData::Problem>& problems)
    {
        std::vector<Finding> findings;
        FindingWriter add(findings);
        for (const auto& problem : problems)
            std::visit(
                [&](const auto& what) {
                    using T = std::decay_t<decltype(what)>;
                    if constexpr (std::is_same_v<T, GameData::MissingPlugin>)
                        add.Add<Code::MissingPlugin>(std::nullopt, {}, what.Plugin,
                                                     what.Source == GameData::PluginSource::PluginsTxt
                                                         ? Phrases::PluginsTxtActive
                                                         : Phrases::BaseGameMaster);
                    else if constexpr (std::is_same_v<T, GameData::DamagedPlugin>)
                        add.Add<Code::DamagedPlugin>(std::nullopt, {}, what.Error);
                    else if constexpr (std::is_same_v<T, GameData::TooManyPlugins>)
                        add.Add<Code::TooManyPlugins>(std::nullopt, {}, what.Full, what.Light,
                                                      GameData::MaximumFullPlugins, GameData::MaximumLightPlugins);
                    else if constexpr (std::is_same_v<T, GameData::MissingMaster>)
                        add.Add<Code::MissingMaster>(std::nullopt, {}, what.Plugin, what.Master);
                    else
                    {
                        static_assert(std::is_same_v<T, GameData::DamagedStrings>, "every problem is worded");
                        add.Add<Code::DamagedStrings>(std::nullopt, {}, what.Error);
                    }
                },
                problem);
        return findings;
    }
} // namespace NimbravaCheck
