// Names compared as Windows compares them (GameData/NameCase.h), held against Windows itself under
// Wine: for every pair of characters of code page 1252, CompareStringOrdinal with case ignored must
// order them as their upper case does, and call them equal exactly when SameName does.

#include "GameData/NameCase.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <windows.h>
#include "GameData/Text.h"

namespace
{
    int Sign(int value)
    {
        return (value > 0) - (value < 0);
    }
} // namespace

TEST(NameCase, EveryPairOfCodePage1252AsCompareStringOrdinal)
{
    std::vector<std::string> differences;
    for (unsigned first = 0; first < 256; ++first)
        for (unsigned second = 0; second < 256; ++second)
        {
            const char a = static_cast<char>(first), b = static_cast<char>(second);
            const wchar_t wideA = GameData::Cp1252Character(static_cast<unsigned char>(a));
            const wchar_t wideB = GameData::Cp1252Character(static_cast<unsigned char>(b));
            const int windows = CompareStringOrdinal(&wideA, 1, &wideB, 1, TRUE) - CSTR_EQUAL;
            const int ours = Sign(GameData::UpperCase(static_cast<char16_t>(wideA)) -
                                  GameData::UpperCase(static_cast<char16_t>(wideB)));
            const bool same = GameData::SameName(std::string_view(&a, 1), std::string_view(&b, 1));
            if (windows != ours || same != (windows == 0))
                differences.push_back(fmt::format("{:02X} {:02X}: Windows {}, here {}{}", first, second, windows, ours,
                                                  same ? " (same name)" : ""));
        }
    differences.resize(std::min<std::size_t>(differences.size(), 40));
    EXPECT_THAT(differences, testing::IsEmpty()) << "the first 40 differences";
}
