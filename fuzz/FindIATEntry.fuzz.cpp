// Arbitrary bytes as an image for the import-table search: it must never read outside them, and
// a slot it finds must be an aligned 8-byte cell inside them.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include "FuzzCheck.h"
#include "Orvel/Hook/FindIATEntry.h"

namespace
{
    struct Lookup
    {
        std::string_view Dll;
        std::string_view Function;
    };
    constexpr Lookup Lookups[] = {
        {"kernel32", "CreateFileA"},
        {"KERNEL32.dll", "GetPrivateProfileSectionA"},
        {"user32.DLL", "MessageBoxA"},
        {"", ""},
    };
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // An exact-size heap copy, so that AddressSanitizer reports the first byte read past the end.
    const auto image = std::make_unique<std::byte[]>(size);
    if (size != 0)
        std::memcpy(image.get(), data, size);

    for (const Lookup& lookup : Lookups)
    {
        const auto result = Orvel::Hook::FindIATEntry(image.get(), size, lookup.Dll, lookup.Function);
        if (result)
        {
            const auto offset = static_cast<std::size_t>(reinterpret_cast<std::byte*>(*result) - image.get());
            FUZZ_REQUIRE(size >= 8 && offset <= size - 8);
            FUZZ_REQUIRE(reinterpret_cast<std::uintptr_t>(*result) % 8 == 0);
        }
        else
        {
            FUZZ_REQUIRE(&result.error().category() == &Orvel::Hook::IATSearchErrorContext::Instance());
            FUZZ_REQUIRE(result.error().value() >= 1 && result.error().value() <= 3);
        }
    }
    return 0;
}
