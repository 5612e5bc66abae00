// GameData::Cp1252ToUtf8: the rows of tests/data/gamedata/cp1252.tsv, and every byte against the
// system's own conversion (glibc's iconv natively, Windows' MultiByteToWideChar under Wine).

#include "GameData/Text.h"

#include <optional>
#include <string>
#include <gtest/gtest.h>
#include "DataFiles.h"
#include "TempDirectory.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace
{
    // The system's UTF-8 for one byte of code page 1252; nothing where it has none.
    std::optional<std::string> SystemUtf8(char byte)
    {
#ifdef _WIN32
        wchar_t wide[2];
        const int units = MultiByteToWideChar(1252, 0, &byte, 1, wide, 2);
        char out[8];
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide, units, out, sizeof out, nullptr, nullptr);
        return units > 0 && size > 0 ? std::optional(std::string(out, static_cast<std::size_t>(size))) : std::nullopt;
#else
        const iconv_t converter = iconv_open("UTF-8", "CP1252");
        EXPECT_NE(converter, reinterpret_cast<iconv_t>(-1)) << "glibc's CP1252 converter";
        char out[8];
        char* in = &byte;
        char* end = out;
        std::size_t inLeft = 1, outLeft = sizeof out;
        const std::size_t converted = iconv(converter, &in, &inLeft, &end, &outLeft);
        iconv_close(converter);
        return converted == static_cast<std::size_t>(-1) ? std::nullopt : std::optional(std::string(out, end));
#endif
    }
} // namespace

TEST(Cp1252ToUtf8, RowsOfTheTable)
{
    const auto rows = NimbravaTest::ReadTable(NIMBRAVA_GAMEDATA_DATA "/cp1252.tsv");
    ASSERT_GE(rows.size(), 10u);
    for (const auto& row : rows)
        EXPECT_EQ(NimbravaTest::Escape(GameData::Cp1252ToUtf8(row.at(0))), NimbravaTest::Escape(row.at(1)))
            << NimbravaTest::Escape(row[0]);
}

// glibc knows no character for the five undefined bytes (the table has them); Windows gives them all.
TEST(Cp1252ToUtf8, EveryByteAsTheSystemConvertsIt)
{
    int compared = 0;
    for (int code = 0; code < 256; ++code)
    {
        const char c = static_cast<char>(code);
        const auto expected = SystemUtf8(c);
        if (!expected)
            continue;
        ++compared;
        EXPECT_EQ(NimbravaTest::Escape(GameData::Cp1252ToUtf8(std::string_view(&c, 1))),
                  NimbravaTest::Escape(*expected))
            << "byte " << code;
    }
    EXPECT_GE(compared, NimbravaTest::Windows ? 256 : 251);
}
