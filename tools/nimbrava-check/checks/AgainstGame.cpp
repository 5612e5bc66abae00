// Each ID against the worldspaces of the load order: IDs that name none, that several share, that
// move with the load order, and the worldspaces that no section lists.

#include <map>
#include <set>
#include "Choice/WeatherlistChoice.h"
#include "checks/Passes.h"
#include "checks/WorldspaceNames.h"

namespace NimbravaCheck
{
    void CheckAgainstGame(ConfigReport& report, const Configuration&, const CheckContext& context,
                          FindingWriter& findings)
    {
        if (context.Game == nullptr)
            return;
        const InstalledGame& game = *context.Game;
        report.AgainstGame = true;
        report.Findings.insert(report.Findings.end(), game.Problems.begin(), game.Problems.end());

        std::map<std::uint32_t, std::vector<GameData::Worldspace>> byId;
        for (const auto& worldspace : game.Worldspaces.Worldspaces)
            byId[Nimbrava::MaskWorldspaceId(worldspace.FormId)].push_back(worldspace);
        std::set<std::uint32_t> listed;
        for (auto& section : report.Sections)
        {
            const std::string name = section.Name();
            for (const auto id : section.Ids)
            {
                const auto found = byId.find(id);
                section.Matches.push_back(found == byId.end() ? std::vector<GameData::Worldspace>{} : found->second);
                // Above FFFFFF, or listed before: the ID lists pass tells of it.
                if (id > Nimbrava::LargestWorldspaceId || !listed.insert(id).second)
                    continue;
                const auto& matches = section.Matches.back();
                const Subjects about{{name}, {id}};
                // Without Plugins.txt the mods' worldspaces are unknown: no ID can be said to name none.
                if (matches.empty() && game.PluginsTxt)
                    findings.Add<Code::UnknownWorldspace>(*section.IdsLine, about, id, name);
                else if (matches.size() > 1)
                    findings.Add<Code::SharedId>(*section.IdsLine, about, id, name, matches.size(), Describe(matches));
                for (const auto& worldspace : matches)
                    if (worldspace.Light)
                        findings.Add<Code::LoadOrderId>(*section.IdsLine, about, id, name, worldspace.EditorId,
                                                        worldspace.Plugin);
            }
        }
        for (const auto& [id, worldspaces] : byId)
            if (!listed.contains(id) && worldspaces.size() > 1)
                findings.Add<Code::UnlistedSharedId>(std::nullopt, {{}, {id}}, id, worldspaces.size(),
                                                     Describe(worldspaces));
        // In load order, as --worldspaces lists them.
        for (const auto& worldspace : game.Worldspaces.Worldspaces)
            if (!listed.contains(Nimbrava::MaskWorldspaceId(worldspace.FormId)))
                report.Unlisted.push_back(worldspace);
    }
} // namespace NimbravaCheck
