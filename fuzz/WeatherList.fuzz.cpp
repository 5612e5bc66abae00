// nimbrava-check's readers of ENB's weather lists on arbitrary bytes: the profile reading
// (ProfileFile, what GetPrivateProfileSectionA gives), the weather list (ReadWeatherList) and
// _locationweather.ini (ReadLocationWeathers). For every input:
//
//  0. No crash, no read outside the input, no endless loop; nothing thrown.
//  1. Each header stands on a line of the input, in increasing order; it is repeated exactly when an
//     earlier header (or, for the empty name, the lines before the first header) has its name, case
//     ignored.
//  2. The lines a section gives are its own: after its header, in increasing order, on lines of the
//     input; each is neither empty nor a comment, holds no line end, and has no white space at its ends
//     or around its first '='. Asking for the name in another case gives the same lines.
//  3. Every header is either a section ENB reads (WEATHER001 to WEATHER999, each number once, its
//     FileName and WeatherIDs on lines of that section) or one it gets nothing of, kept with the lines
//     that follow it.
//  4. Each ID is 1 to 8 hexadecimal digits as written, its value theirs; each part of WeatherIDs that
//     is no ID is neither empty nor holds a separator; both fit in the WeatherIDs value.
//  5. Each virtual weather ID of _locationweather.ini fits in 24 bits, on a line of the input, in
//     increasing order.

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include "FuzzCheck.h"
#include "Orvel/Ascii.h"
#include "checks/WeatherList.h"

namespace
{
    using NimbravaCheck::ProfileFile;

    // The number of lines an editor shows: CR LF, CR and LF each end one.
    std::size_t LineCount(std::string_view text)
    {
        std::size_t lines = 1;
        for (std::size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
                ++lines;
        return lines;
    }

    std::string Upper(std::string_view text)
    {
        std::string upper(text);
        for (auto& c : upper)
            c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        return upper;
    }

    bool Trimmed(std::string_view text)
    {
        return text.empty() || (!Orvel::IsSpace(text.front()) && !Orvel::IsSpace(text.back()));
    }

    void CheckLines(const std::vector<ProfileFile::Line>& lines, std::size_t after, std::size_t count)
    {
        for (const auto& line : lines)
        {
            FUZZ_REQUIRE(line.Number > after && line.Number <= count);
            after = line.Number;
            FUZZ_REQUIRE(!line.Text.empty() && line.Text.front() != ';');
            FUZZ_REQUIRE(line.Text.find_first_of("\r\n") == std::string::npos);
            FUZZ_REQUIRE(Trimmed(line.Text) && Trimmed(line.Key()));
            FUZZ_REQUIRE(!line.Value() || Trimmed(*line.Value()));
        }
    }
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t count = LineCount(text);

    const ProfileFile profile(text);
    std::size_t after = 0;
    for (std::size_t i = 0; i < profile.Headers().size(); ++i)
    {
        const auto& header = profile.Headers()[i];
        FUZZ_REQUIRE(header.Number > after && header.Number <= count);
        after = header.Number;
        FUZZ_REQUIRE(Trimmed(header.Name));
        const bool earlier = std::any_of(
            profile.Headers().begin(), profile.Headers().begin() + static_cast<long>(i),
            [&](const ProfileFile::Header& other) { return Orvel::EqualIgnoringCase(other.Name, header.Name); });
        FUZZ_REQUIRE(header.Repeated == (earlier || header.Name.empty()));
        const auto lines = profile.Section(header.Name);
        if (!header.Repeated)
            CheckLines(lines, header.Number, count);
        const auto upper = profile.Section(Upper(header.Name));
        FUZZ_REQUIRE(upper.size() == lines.size());
        for (std::size_t j = 0; j < lines.size(); ++j)
            FUZZ_REQUIRE(upper[j].Number == lines[j].Number && upper[j].Text == lines[j].Text);
    }
    CheckLines(profile.Section(""), 0, count);

    const auto list = NimbravaCheck::ReadWeatherList(text);
    FUZZ_REQUIRE(list.Sections.size() + list.Unread.size() == profile.Headers().size());
    for (const auto& unread : list.Unread)
        CheckLines(unread.Lines, unread.Header.Number, count);
    for (std::size_t i = 0; i < list.Sections.size(); ++i)
    {
        const auto& section = list.Sections[i];
        FUZZ_REQUIRE(section.Index >= 1 && section.Index <= 999);
        for (std::size_t j = 0; j < i; ++j)
            FUZZ_REQUIRE(list.Sections[j].Index != section.Index && list.Sections[j].Line < section.Line);
        FUZZ_REQUIRE(!section.FileName || section.FileNameLine > section.Line);
        FUZZ_REQUIRE(section.IdsLine == 0 || section.IdsLine > section.Line);
        FUZZ_REQUIRE(section.IdsLine != 0 || (section.Ids.empty() && section.Unread.empty()));
        std::size_t written = 0;
        for (const auto& id : section.Ids)
        {
            std::uint32_t value = 0;
            const char* end = id.Text.data() + id.Text.size();
            FUZZ_REQUIRE(id.Text.size() >= 1 && id.Text.size() <= 8);
            FUZZ_REQUIRE(std::from_chars(id.Text.data(), end, value, 16).ptr == end && value == id.Value);
            FUZZ_REQUIRE(id.Masked() <= 0xFFFFFF);
            written += id.Text.size() + 1;
        }
        for (const auto& part : section.Unread)
        {
            FUZZ_REQUIRE(!part.empty() && part.find_first_of(", \t\v\f") == std::string::npos);
            written += part.size() + 1;
        }
        // Each ID and part, and a separator after each but the last, within the value's line.
        FUZZ_REQUIRE(written <= size + 1);
    }

    after = 0;
    for (const auto& weather : NimbravaCheck::ReadLocationWeathers(text))
    {
        FUZZ_REQUIRE(weather.Masked <= 0xFFFFFF);
        FUZZ_REQUIRE(weather.Line > after && weather.Line <= count);
        after = weather.Line;
    }
    return 0;
}
