// WorldspaceIDs as the plugin reads them: lists that never match, lists read only in part, IDs the
// plugin never compares, IDs that an earlier section takes.

#include <map>
#include "Choice/WeatherlistChoice.h"
#include "Orvel/Ascii.h"
#include "checks/Passes.h"

namespace NimbravaCheck
{
    namespace
    {
        // The element of an ID list that begins at `start`: up to the next comma, without the white
        // space around it.
        std::string_view ElementAt(std::string_view value, std::size_t start)
        {
            return Orvel::Trimmed(value.substr(start, value.find(',', start) - start));
        }

        void CheckIds(const Configuration& config, const WeatherlistSection& section, const CheckContext& context,
                      FindingWriter& findings)
        {
            const std::string name = section.Name();
            if (!section.IdsLine)
            {
                findings.Add<Code::MissingIds>(section.Line, {{name}}, name);
                return;
            }
            const std::size_t at = *section.IdsLine;
            const std::string& value = config.Document.Sections[section.Index].FindEntry(Nimbrava::IdsKey)->Value;
            if (value.empty())
                findings.Add<Code::EmptyIds>(at, {{name}}, name);
            else if (value.front() == '"')
                findings.Add<Code::QuotedIds>(at, {{name}}, name);
            else if (section.IdsEnd.Error)
            {
                const std::string element = context.CodePage.Show(ElementAt(value, section.IdsEnd.Position));
                findings.Add<Code::BadIdList>(at, {{name}}, name,
                                              element.empty() ? std::string("an empty element") : "'" + element + "'");
            }
            else
            {
                if (section.IdsEnd.Position < value.size())
                {
                    const std::size_t end = section.IdsEnd.Position;
                    const bool spaced = end > 0 && Orvel::IsSpace(value[end - 1]);
                    findings.Add<Code::ListEndsEarly>(at, {{name}, section.Ids}, name,
                                                      context.CodePage.Show(value.substr(end)),
                                                      spaced ? Phrases::SpaceForComma : "", HexList(section.Ids));
                }
                for (const auto id : section.Ids)
                    if (id > Nimbrava::LargestWorldspaceId)
                        findings.Add<Code::IdTooLarge>(at, {{name}, {Nimbrava::MaskWorldspaceId(id)}}, id, name,
                                                       Nimbrava::MaskWorldspaceId(id));
            }
        }
    } // namespace

    void CheckIdLists(ConfigReport& report, const Configuration& config, const CheckContext& context,
                      FindingWriter& findings)
    {
        const auto& sections = report.Sections;
        for (const auto& section : sections)
            CheckIds(config, section, context, findings);

        // The plugin takes the first section that lists an ID: a later one never gets it.
        std::map<std::uint32_t, const WeatherlistSection*> owners;
        for (const auto& section : sections)
            for (const auto id : section.Ids)
            {
                if (id > Nimbrava::LargestWorldspaceId)
                    continue;
                const auto [owner, first] = owners.try_emplace(id, &section);
                if (first || owner->second == &section)
                    continue;
                const WeatherlistSection& winner = *owner->second;
                const std::string fallsBack = winner.File.State == FileState::RegularFile
                                                  ? ""
                                                  : fmt::format(Phrases::WinnerFallsBack, Describe(winner.File.State));
                findings.Add<Code::ShadowedId>(*section.IdsLine, {{section.Name(), winner.Name()}, {id}}, id,
                                               winner.Name(), *winner.IdsLine, section.Name(), fallsBack);
            }
    }
} // namespace NimbravaCheck
