// ENB's weather lists against the load order: its own _weatherlist.ini and each list a section names,
// read as ENB reads them; in each, IDs of no weather, of several, of a light plugin's, listed twice,
// settings files that are not there and sections written twice; and for each worldspace, the weathers
// its records let it show that the list in force there leaves out.

#include <algorithm>
#include <cctype>
#include <fmt/format.h>
#include <unordered_map>
#include <unordered_set>
#include "Choice/WeatherlistChoice.h"
#include "GameData/Text.h"
#include "GameData/WholeFile.h"
#include "Orvel/Ascii.h"
#include "checks/Decision.h"
#include "checks/Passes.h"
#include "checks/WeatherCoverage.h"
#include "checks/WindowsPath.h"
#include "checks/WorldspaceNames.h"
#include "text/Printable.h"
#include "text/ProgramName.h"

namespace NimbravaCheck
{
    namespace
    {
        // The file `name` of the enbseries folder as ENB opens it (case ignored); nothing when there is no
        // regular file of that name.
        std::optional<std::filesystem::path> EnbFile(const Configuration& config, std::string_view name,
                                                     const CheckContext& context)
        {
            const auto file = ResolveFileName(config.Enbseries(), name, context);
            return file.State == FileState::RegularFile ? std::optional(file.Path) : std::nullopt;
        }

        // A list as a finding names it: by its path in the enbseries folder, or whole outside it.
        std::string ListName(const std::filesystem::path& list, const Configuration& config)
        {
            return PrintableText(GameData::Utf8Text(UnderEnbseries(list, config.Enbseries())));
        }

        // That `file` cannot be read: what it costs (UnreadList, UnreadLocations).
        void TellUnread(const std::filesystem::path& file, const GameData::FileReadError& error, const char* cost,
                        const Configuration& config, std::vector<Finding>& into)
        {
            FindingWriter(into, file)
                .Add<Code::UnreadWeatherFile>(std::nullopt, {}, ListName(file, config), error.what(), cost);
        }

        // The virtual weather IDs that _locationweather.ini gives locations.
        std::unordered_set<std::uint32_t> LocationWeathers(const Configuration& config, const CheckContext& context,
                                                           std::vector<Finding>& into)
        {
            std::unordered_set<std::uint32_t> ids;
            if (const auto file = EnbFile(config, "_locationweather.ini", context))
                try
                {
                    for (const auto& weather :
                         ReadLocationWeathers(GameData::ReadWholeFile(*file, GameData::MaximumGameTextSize)))
                        ids.insert(weather.Masked);
                }
                catch (const GameData::FileReadError& error)
                {
                    TellUnread(*file, error, Phrases::UnreadLocations, config, into);
                }
            return ids;
        }

        // "missing (PATH)", "empty", ...: what a section's FileName leads to, or nothing when it is a
        // regular file or cannot be told here.
        std::optional<std::string> NotThere(const WeatherSection& section, const Configuration& config,
                                            const CheckContext& context)
        {
            if (!section.FileName || section.FileName->empty())
                return "empty";
            const auto file = ResolveFileName(config.Enbseries(), *section.FileName, context);
            if (file.State == FileState::RegularFile || file.State == FileState::NotCheckable)
                return std::nullopt;
            return fmt::format("{} ({})", Describe(file.State), PrintableText(GameData::Utf8Text(file.Path)));
        }

        // The weathers of one ID as a finding lists them: "VaultDust (unclassified, Flagged Master.esp); ...".
        std::string Weathers(const std::vector<const GameData::Weather*>& named)
        {
            std::string text;
            for (const auto* weather : named)
                text += fmt::format("{}{} ({}, {})", text.empty() ? "" : "; ", PrintableText(weather->EditorId),
                                    ClassificationText(weather->Classification), PrintableText(weather->Plugin));
            return text;
        }

        // The editor IDs of the weathers of one ID: "SkyrimClear", "VaultDust, IslesRain".
        std::string EditorIds(const std::vector<const GameData::Weather*>& named)
        {
            std::string text;
            for (const auto* weather : named)
                text += (text.empty() ? "" : ", ") + PrintableText(weather->EditorId);
            return text;
        }

        // An ID as a finding quotes it: as written, and what is compared where that differs (ComparedAs).
        std::string Written(const WeatherId& id)
        {
            return PrintableText(id.Text);
        }

        std::string Compared(const WeatherId& id)
        {
            return id.Value == id.Masked() ? std::string() : fmt::format(Phrases::ComparedAs, id.Masked());
        }

        // Why a part of WeatherIDs is no ID (UnreadableWeatherId).
        std::string NoId(std::string_view part)
        {
            const auto digit = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
            if (part.size() > 2 && part[0] == '0' && (part[1] == 'x' || part[1] == 'X'))
                return Phrases::IdPrefix;
            const auto other = std::ranges::find_if_not(part, digit);
            if (other == part.end())
                return fmt::format(Phrases::IdTooLong, part.size());
            return fmt::format(Phrases::NoHexDigit, PrintableText(std::string(1, *other)), "");
        }

        void CheckList(const CheckedWeatherList& checked, const Configuration& config, const CheckContext& context,
                       const WeatherNames& names, const std::unordered_set<std::uint32_t>& locations,
                       std::vector<Finding>& into)
        {
            FindingWriter findings(into, checked.File);
            const auto& list = checked.List;
            const InstalledGame* game = context.Game;
            // Each ID's first section, by the ID as lists write it.
            std::unordered_map<std::uint32_t, const WeatherSection*> first;
            const auto shown = [&](const WeatherSection& section) { return context.CodePage.Show(section.Name); };
            // Windows takes the mark for part of line 1: a header there is lost.
            if (list.HiddenByMark)
                findings.Add<Code::WeatherListMark>(1, {{*list.HiddenByMark}},
                                                    context.CodePage.Show(*list.HiddenByMark));
            for (const auto& section : list.Sections)
            {
                const std::string name = shown(section);
                for (const auto& part : section.Unread)
                    findings.Add<Code::UnreadableWeatherId>(section.IdsLine, {{section.Name}},
                                                            context.CodePage.Show(part), name, NoId(part));
                if (!section.Comment.empty())
                    findings.Add<Code::WeatherIdsComment>(section.IdsLine, {{section.Name}}, name,
                                                          context.CodePage.Show(section.Comment));
                if (!section.Ids.empty())
                    if (const auto what = NotThere(section, config, context))
                        findings.Add<Code::MissingWeatherFile>(
                            section.FileName ? section.FileNameLine : section.Line, {{section.Name}},
                            context.CodePage.Show(section.FileName.value_or("")), name, *what);
                std::unordered_set<std::uint32_t> here; // an ID twice in one section is harmless
                for (const auto& id : section.Ids)
                {
                    const std::uint32_t masked = id.Masked();
                    if (!here.insert(masked).second)
                        continue;
                    const auto named = names.Named(masked);
                    if (const auto [earlier, fresh] = first.try_emplace(masked, &section); !fresh)
                    {
                        findings.Add<Code::WeatherInTwoSections>(
                            section.IdsLine, {{section.Name}}, Written(id), Compared(id),
                            named.empty() ? "" : " (" + EditorIds(named) + ")", shown(*earlier->second),
                            earlier->second->IdsLine, name);
                        continue;
                    }
                    if (game == nullptr)
                        continue;
                    // Without Plugins.txt the mods' weathers are unknown: no ID can be said to name none.
                    if (named.empty() && game->PluginsTxt && !locations.contains(masked))
                        findings.Add<Code::UnknownWeather>(section.IdsLine, {{section.Name}}, Written(id), Compared(id),
                                                           name, ProgramName());
                    else if (named.size() > 1)
                        findings.Add<Code::SharedWeatherId>(section.IdsLine, {{section.Name}}, Written(id),
                                                            Compared(id), name, named.size(), Weathers(named));
                    for (const auto* weather : named)
                        if (weather->Light)
                            findings.Add<Code::LoadOrderWeather>(section.IdsLine, {{section.Name}}, Written(id),
                                                                 Compared(id), name, PrintableText(weather->EditorId),
                                                                 PrintableText(weather->Plugin));
                }
            }
            // A section written again, whose keys ENB never gets.
            for (const auto& unread : list.Unread)
            {
                const auto index = WeatherSectionIndex(unread.Header.Name);
                const auto given = std::ranges::find(list.Sections, index, &WeatherSection::Index);
                const bool keys = std::ranges::any_of(
                    unread.Lines, [](const ProfileFile::Line& line) { return WeatherListKey(line).has_value(); });
                if (index && given != list.Sections.end() && keys)
                    findings.Add<Code::RepeatedWeatherSection>(unread.Header.Number, {{unread.Header.Name}},
                                                               context.CodePage.Show(unread.Header.Name), given->Line);
            }
            // By line, each line's in the order above.
            std::ranges::stable_sort(into, {}, [](const Finding& finding) { return finding.Line.value_or(0); });
        }

        // For each worldspace whose records give it weathers, those that the list in force there leaves
        // out (or that it has no sky), and once, where any list in force was read, that quests and
        // scripts force others.
        void CheckCoverage(const ConfigReport& report, const Configuration& config, const CheckContext& context,
                           const WeatherNames& names, std::vector<Finding>& into)
        {
            const InstalledGame& game = *context.Game;
            std::unordered_map<std::uint32_t, const GameData::Worldspace*> worldspaces;
            for (const auto& worldspace : game.Worldspaces.Worldspaces)
                worldspaces.emplace(worldspace.FormId, &worldspace);
            // The plugin's own steps decide the list in force; the report's findings are not needed for it.
            const DecisionInputs inputs{config.Enbseries(), &config, nullptr, {}, context};
            bool told = false;
            for (const auto& sky : game.Weathers.Worldspaces)
            {
                const auto worldspace = worldspaces.find(sky.FormId);
                if (sky.Weathers.empty() || worldspace == worldspaces.end())
                    continue;
                const auto inForce = ListInForce(inputs, sky.FormId);
                const auto* list = inForce ? FindWeatherList(report.WeatherLists, *inForce) : nullptr;
                if (list == nullptr)
                    continue;
                // Coverage is told, even when nothing is left out: the caveat holds all the same.
                told = true;
                const std::uint32_t id = Nimbrava::MaskWorldspaceId(sky.FormId);
                if (!sky.ShowsSky())
                {
                    FindingWriter(into).Add<Code::NoSky>(std::nullopt, {}, id, Describe(*worldspace->second));
                    continue;
                }
                std::vector<std::string> left;
                for (const auto& covered : Coverage(sky, list->List, names))
                    if (covered.Sections.empty())
                        left.push_back(
                            fmt::format("{} from {}", Describe(*covered.Weather), names.Sources(covered.Sources)));
                if (left.empty())
                    continue;
                FindingWriter(into, list->File)
                    .Add<Code::UncoveredWeather>(std::nullopt, {}, id, Describe(*worldspace->second),
                                                 fmt::format("{} weather{}", left.size(), left.size() == 1 ? "" : "s"),
                                                 ListName(list->File, config),
                                                 fmt::format("{}", fmt::join(left, "; ")));
            }
            if (told)
                FindingWriter(into).Add<Code::ForcedWeathers>(std::nullopt, {});
        }
    } // namespace

    void CheckWeatherLists(ConfigReport& report, const Configuration& config, const CheckContext& context,
                           FindingWriter&)
    {
        // ENB's own list, then each that a section names, once each.
        std::vector<std::filesystem::path> files;
        if (const auto own = EnbFile(config, "_weatherlist.ini", context))
            files.push_back(*own);
        for (const auto& section : report.Sections)
            if (section.File.State == FileState::RegularFile)
                files.push_back(section.File.Path);
        std::vector<std::filesystem::path> unread;
        for (const auto& file : files)
            if (FindWeatherList(report.WeatherLists, file) == nullptr &&
                std::ranges::none_of(unread, [&](const auto& each) {
                    std::error_code error;
                    return each == file || std::filesystem::equivalent(each, file, error);
                }))
                try
                {
                    report.WeatherLists.push_back(ReadCheckedWeatherList(file));
                }
                catch (const GameData::FileReadError& error)
                {
                    unread.push_back(file);
                    TellUnread(file, error, Phrases::UnreadList, config, report.Findings);
                }

        const GameData::GameWeathers none;
        const WeatherNames names(context.Game != nullptr ? context.Game->Weathers : none);
        const auto locations = LocationWeathers(config, context, report.Findings);
        // Each list's findings by line, one list after the other, then what the lists leave out.
        for (const auto& list : report.WeatherLists)
        {
            std::vector<Finding> found;
            CheckList(list, config, context, names, locations, found);
            std::ranges::move(found, std::back_inserter(report.Findings));
        }
        if (context.Game != nullptr)
            CheckCoverage(report, config, context, names, report.Findings);
    }
} // namespace NimbravaCheck
