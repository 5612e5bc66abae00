// Orvel::ParseHexNumber against std::from_chars: on every text the two agree on success or the
// error code, on the value and on the end position, and the end never lies outside the text.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include "FuzzCheck.h"
#include "Orvel/Parsing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly `size` bytes on the heap, with nothing after it (a std::string would add a
    // terminator, or keep short texts inside itself): AddressSanitizer catches any read past its end.
    const auto copy = std::make_unique<char[]>(size);
    std::memcpy(copy.get(), data, size);
    const std::string_view text(copy.get(), size);

    std::size_t end = size + 1;
    const auto result = Orvel::ParseHexNumber(text, end);
    const auto expected = FuzzCheck::ReferenceHexReading(text);

    FUZZ_REQUIRE(end <= size);
    FUZZ_REQUIRE(end == expected.End);
    FUZZ_REQUIRE(result.has_value() == expected.Ok);
    if (result)
    {
        FUZZ_REQUIRE(*result == expected.Value);
    }
    else
    {
        FUZZ_REQUIRE(result.error().value() == expected.Code);
        FUZZ_REQUIRE(&result.error().category() == &Orvel::StringParsingErrorContext::Instance());
        FUZZ_REQUIRE(!result.error().message().empty());
    }
    return 0;
}
