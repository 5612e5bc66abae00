// The import-table search on a laid-out image with 10 DLLs of 100 imports each: the checked walk
// against the same walk done with plain pointers and no bounds checks, the cost of never reading
// outside the image.

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>
#include "Harness.h"
#include "ImageBuilder.h"
#include "Orvel/Hook/FindIATEntry.h"

namespace
{
    constexpr int Dlls = 10;
    constexpr int FunctionsPerDll = 100;

    NimbravaTest::Image& TestImage()
    {
        static NimbravaTest::Image image = [] {
            std::string layout;
            for (int d = 0; d < Dlls; ++d)
            {
                layout += " LIBRARY" + std::to_string(d) + ".dll:";
                for (int f = 0; f < FunctionsPerDll; ++f)
                    layout += "ImportedFunctionNumber" + std::to_string(f) + ",";
            }
            return NimbravaTest::LayOutImage(layout);
        }();
        return image;
    }

    bool EqualIgnoringCase(const char* a, const char* b, std::size_t length)
    {
        for (std::size_t i = 0; i < length; ++i)
            if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
                return false;
        return true;
    }

    // The walk without any check, trusting every field: the baseline.
    void** UncheckedFind(std::byte* base, std::string_view dll, std::string_view function)
    {
        const auto u32 = [base](std::uint64_t at) {
            std::uint32_t v;
            std::memcpy(&v, base + at, 4);
            return v;
        };
        const auto nt = static_cast<std::uint64_t>(u32(0x3C));
        if (u32(nt) != 0x4550)
            return nullptr;
        for (std::uint64_t d = u32(nt + 0x90); u32(d + 12) != 0; d += 20)
        {
            const char* name = reinterpret_cast<const char*>(base + u32(d + 12));
            std::size_t length = std::strlen(name);
            if (length >= 4 && EqualIgnoringCase(name + length - 4, ".dll", 4))
                length -= 4;
            if (length != dll.size() || !EqualIgnoringCase(name, dll.data(), length))
                continue;
            for (std::uint64_t i = 0;; ++i)
            {
                std::uint64_t entry;
                std::memcpy(&entry, base + u32(d) + 8 * i, 8);
                if (entry == 0)
                    return nullptr;
                if ((entry >> 63) == 0 &&
                    std::string_view(reinterpret_cast<const char*>(base + (entry & 0xFFFFFFFF) + 2)) == function)
                    return reinterpret_cast<void**>(base + u32(d + 16) + 8 * i);
            }
        }
        return nullptr;
    }

    // The last function of the last DLL: the whole directory and one whole name table are walked.
    constexpr std::string_view LastDll = "library9";
    constexpr std::string_view LastFunction = "ImportedFunctionNumber99";
    constexpr std::int64_t EntriesWalked = Dlls + FunctionsPerDll;

    void BM_FindIATEntry(Bench::State& state)
    {
        auto& image = TestImage();
        for (auto _ : state)
            Bench::DoNotOptimize(Orvel::Hook::FindIATEntry(image.Data(), LastDll, LastFunction));
        state.SetItemsProcessed(state.iterations() * EntriesWalked);
    }
    NIMBRAVA_BENCHMARK(BM_FindIATEntry);

    void BM_UncheckedWalk(Bench::State& state)
    {
        auto& image = TestImage();
        if (UncheckedFind(image.Data(), LastDll, LastFunction) !=
            *Orvel::Hook::FindIATEntry(image.Data(), LastDll, LastFunction))
            state.SetLabel("MISMATCH");
        for (auto _ : state)
            Bench::DoNotOptimize(UncheckedFind(image.Data(), LastDll, LastFunction));
        state.SetItemsProcessed(state.iterations() * EntriesWalked);
    }
    NIMBRAVA_BENCHMARK(BM_UncheckedWalk);
} // namespace

NIMBRAVA_BENCHMARK_MAIN();
