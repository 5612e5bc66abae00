#include "checks/Configuration.h"

#include <algorithm>
#include <fmt/format.h>
#include <map>
#include "Choice/WeatherlistChoice.h"
#include "Orvel/Ascii.h"
#include "Orvel/Lines.h"
#include "text/Utf8Sequence.h"

namespace NimbravaCheck
{
    std::vector<std::string_view> Configuration::RawLines() const
    {
        return Orvel::Lines(Bytes);
    }

    std::optional<std::string_view> Configuration::AfterByteOrderMark() const
    {
        if (!Bytes.starts_with(Utf8ByteOrderMark))
            return std::nullopt;
        // The reader trims white space around the line, not between the mark and what follows it.
        const std::string_view lineOne = Lines.FirstLineText();
        return Orvel::Trimmed(lineOne.substr(std::min(Utf8ByteOrderMark.size(), lineOne.size())));
    }

    std::string HexList(const std::vector<std::uint32_t>& ids)
    {
        std::string text;
        for (const auto id : ids)
            text += fmt::format("{}{:X}", text.empty() ? "" : ", ", id);
        return text;
    }

    std::string WeatherlistSection::Name() const
    {
        return std::string(Nimbrava::WeatherlistSectionName(Number).View());
    }

    std::vector<WeatherlistSection> ReadSections(const Configuration& config, const CheckContext& context)
    {
        std::map<int, std::size_t> byNumber; // number -> section index, in priority order
        const auto& sections = config.Document.Sections;
        for (std::size_t index = 1; index < sections.size(); ++index)
            if (const int number = Nimbrava::WeatherlistSectionNumber(sections[index].Name))
                byNumber.emplace(number, index);

        std::vector<WeatherlistSection> read;
        for (const auto& [number, index] : byNumber)
        {
            WeatherlistSection& section = read.emplace_back();
            section.Number = number;
            section.Index = index;
            section.Line = config.Lines.FirstHeaderLine(index);
            // The line of an entry's key, or of the section's header when the reader did not tell it.
            const auto lineOf = [&](std::string_view key) {
                const auto* line = config.Lines.Entry(index, key);
                return line != nullptr ? line->Line : section.Line;
            };
            if (const auto* ids = sections[index].FindEntry(Nimbrava::IdsKey))
            {
                section.IdsLine = lineOf(Nimbrava::IdsKey);
                section.Ids = Orvel::ParseHexNumberList(ids->Value, {}, ",", section.IdsEnd);
            }
            if (const auto* file = sections[index].FindEntry(Nimbrava::FileNameKey))
            {
                section.FileNameLine = lineOf(Nimbrava::FileNameKey);
                section.ShownName = Nimbrava::ShownFileName(file->Value);
            }
            section.File = ResolveFileName(config.Enbseries(), section.ShownName, context);
        }
        return read;
    }
} // namespace NimbravaCheck
