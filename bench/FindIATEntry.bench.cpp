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
#include "Orvel/Hook/ImageLayout.h"

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

    // The walk without any check, trusting every field: the baseline.
    void** UncheckedFind(std::byte* base, std::string_view dll, std::string_view function)
    {
        const auto u32 = [base](std::uint64_t at) {
            std::uint32_t v;
            std::memcpy(&v, base + at, 4);
            return v;
        };
        namespace Layout = Orvel::Hook::ImageLayout;
        const auto nt = static_cast<std::uint64_t>(u32(Layout::NtHeadersOffsetField));
        if (u32(nt) != Layout::NtSignature)
            return nullptr;
        const std::uint64_t imports =
            nt + Layout::OptionalHeader + Layout::DataDirectoryEntry(true, Layout::ImportDirectoryIndex);
        for (std::uint64_t d = u32(imports); u32(d + Layout::ImportDllNameField) != 0;
             d += Layout::ImportDescriptorSize)
        {
            const char* name = reinterpret_cast<const char*>(base + u32(d + Layout::ImportDllNameField));
            if (!Orvel::Hook::SameDllName(name, dll))
                continue;
            for (std::uint64_t i = 0;; ++i)
            {
                std::uint64_t entry;
                std::memcpy(&entry, base + u32(d + Layout::ImportNameTableField) + 8 * i, 8);
                if (entry == 0)
                    return nullptr;
                if ((entry & Layout::ImportByOrdinalFlag) == 0 &&
                    std::string_view(reinterpret_cast<const char*>(base + (entry & 0xFFFFFFFF) +
                                                                   Layout::ImportHintSize)) == function)
                    return reinterpret_cast<void**>(base + u32(d + Layout::ImportAddressTableField) + 8 * i);
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
