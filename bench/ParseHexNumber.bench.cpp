// Orvel::ParseHexNumber against std::from_chars (base 16, the "0x" prefix skipped by hand) and
// strtoul, side by side on the same million inputs of the three shapes that configuration files
// hold: short IDs ("3C"), prefixed IDs with leading zeros ("0x0001A2B3") and full eight-digit values
// ("FFFFFFFF"), mixed in a fixed random order so that no reader can predict the next length.
//
//   native:  build/native/bin/ParseHexNumberBench
//   windows: cmake/wine-run.sh build/windows/bin/ParseHexNumberBench.exe

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>
#include "Harness.h"
#include "Orvel/Parsing.h"

namespace
{
    constexpr std::size_t InputCount = 1'000'000;

    struct Inputs
    {
        std::string Text;                    // every input followed by a NUL, for strtoul
        std::vector<std::string_view> Views; // the inputs without their NULs
        std::uint64_t ExpectedSum = 0;
    };

    const Inputs& MixedInputs()
    {
        static const Inputs inputs = [] {
            Inputs made;
            std::vector<std::size_t> starts;
            std::uint64_t state = 0x2545F4914F6CDD1Du;
            auto next = [&state] {
                state ^= state << 13;
                state ^= state >> 7;
                state ^= state << 17;
                return state;
            };
            char text[32];
            for (std::size_t i = 0; i < InputCount; ++i)
            {
                const auto random = next();
                const auto value = static_cast<std::uint32_t>(random >> 32);
                int length = 0;
                std::uint32_t parsed = 0;
                switch (random % 3)
                {
                case 0: // "3C"
                    parsed = value & 0xFF;
                    length = std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(parsed));
                    break;
                case 1: // "0x0001A2B3"
                    parsed = value & 0xFFFFF;
                    length = std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(parsed));
                    break;
                default: // "FFFFFFFF"
                    parsed = value | 0x10000000u;
                    length = std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(parsed));
                    break;
                }
                starts.push_back(made.Text.size());
                made.Text.append(text, static_cast<std::size_t>(length));
                made.Text.push_back('\0');
                made.ExpectedSum += parsed;
            }
            for (std::size_t i = 0; i < starts.size(); ++i)
            {
                const std::size_t end = (i + 1 < starts.size() ? starts[i + 1] : made.Text.size()) - 1;
                made.Views.emplace_back(made.Text.data() + starts[i], end - starts[i]);
            }
            return made;
        }();
        return inputs;
    }

    void Check(std::uint64_t sum, const char* reader)
    {
        if (sum != MixedInputs().ExpectedSum)
        {
            std::fprintf(stderr, "%s read the inputs wrong\n", reader);
            std::exit(1);
        }
    }

    void BM_ParseHexNumber(Bench::State& state)
    {
        const auto& inputs = MixedInputs();
        std::uint64_t sum = 0;
        for (auto _ : state)
        {
            sum = 0;
            for (const auto text : inputs.Views)
            {
                std::size_t end = 0;
                const auto result = Orvel::ParseHexNumber(text, end);
                sum += result.has_value() ? *result : 0;
            }
            Bench::DoNotOptimize(sum);
        }
        Check(sum, "ParseHexNumber");
        state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(InputCount));
    }
    NIMBRAVA_BENCHMARK(BM_ParseHexNumber);

    void BM_FromChars(Bench::State& state)
    {
        const auto& inputs = MixedInputs();
        std::uint64_t sum = 0;
        for (auto _ : state)
        {
            sum = 0;
            for (const auto text : inputs.Views)
            {
                const char* first = text.data();
                const char* last = first + text.size();
                if (last - first >= 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X'))
                    first += 2;
                std::uint32_t value = 0;
                const auto result = std::from_chars(first, last, value, 16);
                sum += result.ec == std::errc() ? value : 0;
            }
            Bench::DoNotOptimize(sum);
        }
        Check(sum, "from_chars");
        state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(InputCount));
    }
    NIMBRAVA_BENCHMARK(BM_FromChars);

    void BM_Strtoul(Bench::State& state)
    {
        const auto& inputs = MixedInputs();
        std::uint64_t sum = 0;
        for (auto _ : state)
        {
            sum = 0;
            for (const auto text : inputs.Views)
            {
                char* end = nullptr;
                sum += std::strtoul(text.data(), &end, 16); // NUL-terminated in the shared text
            }
            Bench::DoNotOptimize(sum);
        }
        Check(sum, "strtoul");
        state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(InputCount));
    }
    NIMBRAVA_BENCHMARK(BM_Strtoul);
} // namespace

NIMBRAVA_BENCHMARK_MAIN();
