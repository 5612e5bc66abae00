// WorldspaceIDs as the plugin reads them: lists that never match, lists read only in part, IDs the
// plugin never compares, IDs that an earlier section takes.

#include <algorithm>
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

        // What to write instead where a list ends early at `rest`: a letter (or any character outside
        // ASCII) typed among the digits is named, as a typo; after a space, or at a sign, the IDs want
        // commas between them.
        std::string Advice(std::string_view rest, bool spaced, const GameCodePage& codePage)
        {
            const auto first = static_cast<unsigned char>(rest.front());
            const bool letter =
                first >= 0x80 || (Orvel::ToLower(rest.front()) >= 'a' && Orvel::ToLower(rest.front()) <= 'z');
            if (spaced || !letter)
                return Phrases::UseCommas;
            // The whole character where the code page reads several bytes as one.
            std::string shown = codePage.Show(rest.substr(0, 1));
            for (std::size_t length = 2; length <= std::min<std::size_t>(rest.size(), 4) && shown.starts_with("\\x");
                 ++length)
                if (codePage.Decode(rest.substr(0, length)))
                    shown = codePage.Show(rest.substr(0, length));
            const char digit = rest.front() == 'O' || rest.front() == 'o'   ? '0'
                               : rest.front() == 'l' || rest.front() == 'I' ? '1'
                                                                            : '\0';
            return fmt::format(Phrases::NoHexDigit, shown,
                               digit == '\0' ? std::string() : fmt::format(Phrases::TakenForDigit, digit));
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
                                                      spaced ? Phrases::SpaceForComma : "", HexList(section.Ids),
                                                      Advice(value.substr(end), spaced, context.CodePage));
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
