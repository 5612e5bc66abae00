#include "checks/LoadOrderFindings.h"

#include <type_traits>
#include "GameData/FormId.h"
#include "GameData/Text.h"
#include "text/Printable.h"

namespace NimbravaCheck
{
    namespace
    {
        // The names of a list as a sentence shows them; past the first ten, how many more.
        std::string NameList(const std::vector<std::string>& names)
        {
            constexpr std::size_t Shown = 10;
            std::string text;
            for (std::size_t i = 0; i < names.size() && i < Shown; ++i)
                text += (i == 0 ? "" : ", ") + PrintableText(names[i]);
            if (names.size() > Shown)
                text += fmt::format(" and {} more", names.size() - Shown);
            return text;
        }
    } // namespace

    std::vector<Finding> LoadOrderFindings(const std::vector<GameData::Problem>& problems,
                                           const std::filesystem::path* modOrganizer)
    {
        std::vector<Finding> findings;
        FindingWriter add(findings);
        // Names and texts from the game's files are shown as names are: nothing in them may command the
        // terminal or forge a line.
        const auto shown = [](const std::string& text) { return PrintableText(text); };
        for (const auto& problem : problems)
            std::visit(
                [&](const auto& what) {
                    using T = std::decay_t<decltype(what)>;
                    if constexpr (std::is_same_v<T, GameData::MissingPlugin>)
                    {
                        if (modOrganizer != nullptr && what.Source == GameData::PluginSource::PluginsTxt)
                            add.Add<Code::ModManagerPlugin>(
                                std::nullopt, {}, shown(what.Plugin), PrintableText(GameData::Utf8Text(*modOrganizer)),
                                PrintableText(GameData::Utf8Text(modOrganizer->parent_path())));
                        else
                            add.Add<Code::MissingPlugin>(std::nullopt, {}, shown(what.Plugin),
                                                         what.Source == GameData::PluginSource::PluginsTxt
                                                             ? Phrases::PluginsTxtActive
                                                             : Phrases::BaseGameMaster);
                    }
                    else if constexpr (std::is_same_v<T, GameData::NotAPlugin>)
                        add.Add<Code::NotAPlugin>(std::nullopt, {}, shown(what.Plugin), what.Line);
                    else if constexpr (std::is_same_v<T, GameData::PluginsTxtMark>)
                        add.Add<Code::PluginsTxtMark>(std::nullopt, {}, shown(what.Plugin));
                    else if constexpr (std::is_same_v<T, GameData::UnreadGameFile>)
                        add.Add<Code::UnreadGameFile>(std::nullopt, {}, shown(what.File), what.Why,
                                                      what.Of == GameData::UnreadGameFile::Role::Ccc
                                                          ? Phrases::UnreadCcc
                                                          : Phrases::UnreadSettings);
                    else if constexpr (std::is_same_v<T, GameData::DamagedPlugin>)
                        add.Add<Code::DamagedPlugin>(std::nullopt, {}, shown(what.Error));
                    else if constexpr (std::is_same_v<T, GameData::DamagedRecords>)
                        add.Add<Code::DamagedRecord>(std::nullopt, {},
                                                     shown(what.Errors.empty() ? what.Plugin : what.Errors.front()),
                                                     what.Count > 1 ? fmt::format(Phrases::MoreDamagedRecords,
                                                                                  what.Count - 1, shown(what.Plugin))
                                                                    : "");
                    else if constexpr (std::is_same_v<T, GameData::TooManyPlugins>)
                        add.Add<Code::TooManyPlugins>(
                            std::nullopt, {}, what.Full, what.Light, GameData::MaximumFullPlugins,
                            GameData::MaximumLightPlugins,
                            fmt::format(fmt::runtime(what.Unnumbered.size() == 1 ? Phrases::PastTheLimitOne
                                                                                 : Phrases::PastTheLimit),
                                        NameList(what.Unnumbered)));
                    else if constexpr (std::is_same_v<T, GameData::MissingMaster>)
                        add.Add<Code::MissingMaster>(std::nullopt, {}, shown(what.Plugin), shown(what.Master));
                    else if constexpr (std::is_same_v<T, GameData::LightIdOutOfRange>)
                        add.Add<Code::LightIdOutOfRange>(
                            std::nullopt, {}, shown(what.Plugin), what.Version, what.Record, what.FormId,
                            what.Count > 1 ? fmt::format(Phrases::MoreRecords, what.Count - 1) : "", what.Lowest);
                    else if constexpr (std::is_same_v<T, GameData::DamagedStrings>)
                        add.Add<Code::DamagedStrings>(
                            std::nullopt, {}, shown(what.Error),
                            what.More > 0 ? fmt::format(Phrases::MoreDamagedStrings, what.More) : "");
                    else if constexpr (std::is_same_v<T, GameData::TablesNotLoose>)
                        add.Add<Code::NamesInArchives>(std::nullopt, {}, shown(what.Language), NameList(what.Plugins));
                    else
                    {
                        static_assert(std::is_same_v<T, GameData::MissingStrings>, "every problem is worded");
                        add.Add<Code::MissingStrings>(
                            std::nullopt, {}, shown(what.Table),
                            what.Count == 1 ? fmt::format(Phrases::MissingStringId, what.FirstId)
                                            : fmt::format(Phrases::MissingStringIds, what.Count, what.FirstId));
                    }
                },
                problem);
        return findings;
    }
} // namespace NimbravaCheck
