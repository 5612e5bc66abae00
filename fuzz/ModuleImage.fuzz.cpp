// Arbitrary bytes as a d3d11.dll file for nimbrava-check --module: mapping and checking it must never
// read outside the file or the image, and either fail with a message or give a consistent report.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include "checks/ModuleCheck.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // An exact-size heap copy, so that AddressSanitizer reports the first byte read past the end.
    const auto file = std::make_unique<std::byte[]>(size);
    if (size != 0)
        std::memcpy(file.get(), data, size);
    constexpr std::size_t MaximumImage = std::size_t{1} << 20;

    try
    {
        const auto image = NimbravaCheck::MapImage(std::span<const std::byte>(file.get(), size), MaximumImage);
        FUZZ_REQUIRE(image.Size() <= MaximumImage && size >= 64);
        // The headers are the file's own, whatever the sections claim.
        FUZZ_REQUIRE(std::memcmp(image.Data(), "MZ", 2) == 0);
        FUZZ_REQUIRE(std::memcmp(image.Data() + image.NtOffset(), "PE\0\0", 4) == 0);
        const auto report = NimbravaCheck::CheckModule(image);
        bool complete = report.Is64Bit;
        for (const bool exported : report.Exported)
            complete = complete && exported;
        for (const auto& slot : report.Slots)
        {
            complete = complete && slot.has_value();
            if (slot)
                FUZZ_REQUIRE(slot->SlotRva % 8 == 0 && std::size_t{slot->SlotRva} + 8 <= image.Size());
        }
        FUZZ_REQUIRE(report.Usable() == complete);
    }
    catch (const NimbravaCheck::ModuleFormatError& error)
    {
        FUZZ_REQUIRE(std::strlen(error.what()) > 0);
    }
    return 0;
}
