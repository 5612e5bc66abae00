// The tables the checker reads code pages with outside Windows (tools/nimbrava-check/text/CodePageTables.h),
// held against Windows's strict conversion as the plugin makes it (Nimbrava::NarrowToWide), under Wine:
// every byte and every pair of bytes of each ANSI code page, and UTF-8 at each edge of its sequences.
// A difference is shown as the row of code-pages/windows-readings.tsv that would remove it.

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <numeric>
#include <optional>
#include <system_error>
#include "text/CodePageTables.h"
#include "GameData/Text.h"
#include "Files/CodePage.h"

namespace
{
    std::optional<std::u16string> WindowsReading(std::string_view bytes, unsigned codePage)
    {
        try
        {
            const std::wstring text = Nimbrava::NarrowToWide(bytes, codePage);
            return std::u16string(text.begin(), text.end());
        }
        catch (const std::system_error&)
        {
            return std::nullopt;
        }
    }

    std::string Hex(std::string_view bytes)
    {
        std::string hex;
        for (const char byte : bytes)
            hex += fmt::format("{:02X}", static_cast<unsigned char>(byte));
        return hex;
    }

    std::string Shown(const std::optional<std::u16string>& text)
    {
        std::string shown = text ? "" : "no text";
        for (const char16_t unit : text.value_or(u""))
            shown += fmt::format("{}{:04X}", shown.empty() ? "" : " ", static_cast<unsigned>(unit));
        return shown;
    }
} // namespace

// UTF-8 is read with every pair followed by nothing, by the lowest and highest continuation bytes
// and by bytes that cannot continue: its lead bytes, the ranges of second bytes that depend on them
// (overlong forms, surrogates, beyond U+10FFFF) and each later byte. The game's own code page 1252
// as GameData reads plugin names is Windows's too.
TEST(CodePageTables, ReadEveryByteAndPairAsWindows)
{
    ASSERT_THAT(NimbravaCheck::TabledCodePages(),
                testing::ElementsAre(874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258));
    std::vector<unsigned> codePages(NimbravaCheck::TabledCodePages().begin(), NimbravaCheck::TabledCodePages().end());
    codePages.push_back(65001);
    const std::vector<std::string_view> plain = {""},
                                        utf8 = {"", "\x80", "\xBF", "\x7F", "\xC0", "\x80\x80", "\xBF\xBF", "\x80\x7F"};
    for (const unsigned codePage : codePages)
    {
        std::vector<std::string> differences;
        for (const std::string_view tail : codePage == 65001 ? utf8 : plain)
            for (unsigned first = 0; first < 256; ++first)
                for (unsigned second = 0; second <= 256; ++second) // 256: the first byte alone
                {
                    std::string bytes(1, static_cast<char>(first));
                    if (second < 256)
                        bytes += static_cast<char>(second);
                    bytes += tail;
                    const auto windows = WindowsReading(bytes, codePage);
                    const auto tables = NimbravaCheck::DecodeTabled(bytes, codePage);
                    if (windows != tables)
                        differences.push_back(fmt::format("{}\t{}\t{}\t(tables: {})", codePage, Hex(bytes),
                                                          Shown(windows), Shown(tables)));
                }
        differences.resize(std::min<std::size_t>(differences.size(), 40));
        EXPECT_THAT(differences, testing::IsEmpty()) << "the first 40 differences in code page " << codePage;
    }
    std::string bytes(256, '\0');
    std::iota(bytes.begin(), bytes.end(), '\0');
    EXPECT_EQ(GameData::Cp1252ToUtf8(bytes), GameData::Utf16ToUtf8(WindowsReading(bytes, 1252).value()));
}
