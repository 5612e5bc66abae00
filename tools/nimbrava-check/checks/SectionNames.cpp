// Names the plugin does not see: sections and keys that are almost the real ones, sections opened
// twice, values emptied by an unclosed quote, and no weatherlist section at all.

#include <algorithm>
#include "Choice/WeatherlistChoice.h"
#include "Orvel/Ascii.h"
#include "checks/Passes.h"

namespace NimbravaCheck
{
    namespace
    {
        // Lower case, without white space, and without digits when `dropDigits`.
        std::string Fold(std::string_view text, bool dropDigits)
        {
            std::string folded;
            for (const char c : text)
            {
                if (Orvel::IsSpace(c) || (dropDigits && c >= '0' && c <= '9'))
                    continue;
                folded.push_back(Orvel::ToLower(c));
            }
            return folded;
        }

        // The real key that `key` means: the same but for case, white space, digits and a missing plural
        // "s"; empty for none.
        std::string_view MeantKey(std::string_view key)
        {
            const std::string folded = Fold(key, true);
            for (const std::string_view real : {Nimbrava::IdsKey, Nimbrava::FileNameKey})
                if (const std::string wanted = Fold(real, true); folded == wanted || folded + "s" == wanted)
                    return real;
            return {};
        }

        // Whether the raw value opens quotes that never close: the reader then stores it empty.
        bool UnclosedQuote(std::string_view raw, std::string_view stored)
        {
            const std::size_t special = raw.find_first_of("\";");
            return stored.empty() && special != std::string_view::npos && raw[special] == '"';
        }

        // A section that is no weatherlist section but for case, spaces or its number of digits.
        void CheckOtherName(const Configuration& config, std::size_t index, const CheckContext& context,
                            FindingWriter& findings)
        {
            const std::string& name = config.Document.Sections[index].Name;
            const std::string folded = Fold(name, false);
            const std::string prefix = Fold(Nimbrava::WeatherlistSectionPrefix, false);
            if (!folded.starts_with(prefix) ||
                !std::ranges::all_of(folded.substr(prefix.size()), [](char c) { return c >= '0' && c <= '9'; }))
                return;
            const std::string digits = folded.substr(prefix.size());
            const int number = digits.empty() || digits.size() > 3 ? 0 : std::stoi(digits);
            const std::string meant =
                number >= 1 && number <= Nimbrava::LastWeatherlistSection
                    ? fmt::format(Phrases::MeantSection, Nimbrava::WeatherlistSectionName(number).View())
                    : "";
            findings.Add<Code::SectionName>(config.Lines.FirstHeaderLine(index), {{name}}, context.CodePage.Show(name),
                                            meant);
        }
    } // namespace

    void CheckSectionNames(ConfigReport& report, const Configuration& config, const CheckContext& context,
                           FindingWriter& findings)
    {
        const auto& sections = report.Sections;
        const auto& document = config.Document.Sections;
        for (std::size_t index = 1; index < document.size(); ++index)
            if (Nimbrava::WeatherlistSectionNumber(document[index].Name) == 0)
                CheckOtherName(config, index, context, findings);

        for (const auto& section : sections)
        {
            const std::string name = section.Name();
            if (const auto* headers = config.Lines.HeaderLines(section.Index))
                for (std::size_t i = 1; i < headers->size(); ++i)
                    findings.Add<Code::RepeatedSection>((*headers)[i], {{name}}, name, headers->front());
            for (const auto& item : document[section.Index].Entries)
            {
                const auto* line = config.Lines.Entry(section.Index, item.Key);
                const std::size_t at = line != nullptr ? line->Line : section.Line;
                if (item.Key != Nimbrava::IdsKey && item.Key != Nimbrava::FileNameKey)
                {
                    const std::string_view real = MeantKey(item.Key);
                    if (!real.empty())
                        findings.Add<Code::KeyName>(at, {{name}}, context.CodePage.Show(item.Key), name, real);
                    continue;
                }
                if (line != nullptr && UnclosedQuote(line->RawValue, item.Value))
                    findings.Add<Code::UnclosedQuote>(at, {{name}}, item.Key, name);
            }
        }
        if (sections.empty())
            findings.Add<Code::NoSections>(std::nullopt, {});
    }
} // namespace NimbravaCheck
