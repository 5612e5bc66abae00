// Orvel::ParseHexNumberList against a reading of its steps built on the independent number reading
// of FuzzCheck.h. The first byte of the input sets the separator's length (1 to 4), the bytes after
// it the separator, and the rest is the text.

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>
#include "FuzzCheck.h"
#include "Orvel/Parsing.h"

namespace
{
    const std::vector<std::uint32_t> Fallback = {0xFA11BAC4, 0, 0xFFFFFFFF};

    // The list, where the reading stopped, and whether an element failed there.
    struct Reading
    {
        std::vector<std::uint32_t> Ids;
        std::size_t Stop = 0;
        bool Failed = false;
    };

    Reading Reference(std::string_view text, std::string_view separator)
    {
        Reading result{{}, text.size(), false};
        if (text.empty())
            return result;
        std::size_t cursor = 0;
        for (;;)
        {
            const auto reading = FuzzCheck::ReferenceHexReading(text.substr(cursor));
            if (!reading.Ok)
                return {Fallback, cursor, true};
            result.Ids.push_back(reading.Value);
            cursor += reading.End;
            if (cursor == text.size())
                return result;
            for (;;)
            {
                if (text.size() - cursor < separator.size())
                {
                    result.Stop = cursor;
                    return result;
                }
                if (text.substr(cursor, separator.size()) == separator)
                {
                    cursor += separator.size();
                    if (cursor == text.size())
                        return result;
                    break;
                }
                if (std::isspace(static_cast<unsigned char>(text[cursor])) == 0)
                {
                    result.Stop = cursor;
                    return result;
                }
                ++cursor;
                if (cursor == text.size())
                    return result;
            }
        }
    }
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t separatorSize = std::min<std::size_t>(1 + data[0] % 4, size - 1);
    if (separatorSize == 0)
        return 0;
    // Copies of exactly their size on the heap, with nothing after them: AddressSanitizer catches a
    // read past either end.
    const std::size_t textSize = size - 1 - separatorSize;
    const auto separatorBytes = std::make_unique<char[]>(separatorSize);
    std::memcpy(separatorBytes.get(), data + 1, separatorSize);
    const auto textBytes = std::make_unique<char[]>(textSize);
    std::memcpy(textBytes.get(), data + 1 + separatorSize, textSize);
    const std::string_view separator(separatorBytes.get(), separatorSize);
    const std::string_view text(textBytes.get(), textSize);

    const auto expected = Reference(text, separator);
    FUZZ_REQUIRE(Orvel::ParseHexNumberList(text, Fallback, separator) == expected.Ids);
    Orvel::HexNumberListEnd end;
    FUZZ_REQUIRE(Orvel::ParseHexNumberList(text, Fallback, separator, end) == expected.Ids);
    FUZZ_REQUIRE(end.Position == expected.Stop);
    FUZZ_REQUIRE(static_cast<bool>(end.Error) == expected.Failed);
    return 0;
}
