// Each ID against the worldspaces of the load order: IDs that name none, that several share, that
// move with the load order, and the worldspaces that no section lists.

#include <algorithm>
#include <unordered_set>
#include "Choice/WeatherlistChoice.h"
#include "checks/Passes.h"
#include "checks/WorldspaceNames.h"
#include "text/Printable.h"
#include "text/ProgramName.h"

namespace NimbravaCheck
{
    void CheckAgainstGame(ConfigReport& report, const Configuration&, const CheckContext& context,
                          FindingWriter& findings)
    {
        if (context.Game == nullptr)
            return;
        const InstalledGame& game = *context.Game;
        const auto& worldspaces = game.Worldspaces.Worldspaces;
        report.AgainstGame = true;
        report.Findings.insert(report.Findings.end(), game.Problems.begin(), game.Problems.end());

        // The worldspaces by the ID a section lists them by, each ID's in load order.
        std::vector<std::pair<std::uint32_t, std::size_t>> byId;
        byId.reserve(worldspaces.size());
        for (std::size_t i = 0; i < worldspaces.size(); ++i)
            byId.emplace_back(Nimbrava::MaskWorldspaceId(worldspaces[i].FormId), i);
        std::ranges::sort(byId);
        const auto named = [&](std::uint32_t id) {
            return std::ranges::equal_range(byId, id, {}, &std::pair<std::uint32_t, std::size_t>::first);
        };

        std::unordered_set<std::uint32_t> listed;
        for (auto& section : report.Sections)
        {
            const std::string name = section.Name();
            for (const auto id : section.Ids)
            {
                auto& matches = section.Matches.emplace_back();
                for (const auto& [masked, index] : named(id))
                    matches.push_back(worldspaces[index]);
                // Above FFFFFF, or listed before: the ID lists pass tells of it.
                if (id > Nimbrava::LargestWorldspaceId || !listed.insert(id).second)
                    continue;
                const Subjects about{{name}, {id}};
                // Without Plugins.txt the mods' worldspaces are unknown: no ID can be said to name none.
                if (matches.empty() && game.PluginsTxt)
                    findings.Add<Code::UnknownWorldspace>(*section.IdsLine, about, id, name, ProgramName());
                else if (matches.size() > 1)
                    findings.Add<Code::SharedId>(*section.IdsLine, about, id, name, matches.size(), Describe(matches));
                for (const auto& worldspace : matches)
                    if (worldspace.Light)
                        findings.Add<Code::LoadOrderId>(*section.IdsLine, about, id, name,
                                                        PrintableText(worldspace.EditorId),
                                                        PrintableText(worldspace.Plugin));
            }
        }
        for (auto group = byId.begin(); group != byId.end();)
        {
            const auto end =
                std::ranges::find_if(group, byId.end(), [&](const auto& entry) { return entry.first != group->first; });
            if (end - group > 1 && !listed.contains(group->first))
            {
                std::vector<GameData::Worldspace> sharing;
                for (auto at = group; at != end; ++at)
                    sharing.push_back(worldspaces[at->second]);
                findings.Add<Code::UnlistedSharedId>(std::nullopt, {{}, {group->first}}, group->first, sharing.size(),
                                                     Describe(sharing));
            }
            group = end;
        }
        // In load order, as --worldspaces lists them.
        for (const auto& worldspace : worldspaces)
            if (!listed.contains(Nimbrava::MaskWorldspaceId(worldspace.FormId)))
                report.Unlisted.push_back(&worldspace);
    }
} // namespace NimbravaCheck
