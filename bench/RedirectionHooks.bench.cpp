// The redirection hooks lie on every file ENB opens and every section it reads.
//   - The weatherlist suffix test on 60- and 260-byte names (a typical ENB path and MAX_PATH),
//     against the C runtime's strlen followed by the same comparison: the peer it replaces.
//   - Windows: a call the hook passes on (a 60- and a 260-byte name that is not a weather list)
//     against calling the saved function directly; the difference is what the hook adds.
// On a shared machine wall time includes the time other processes hold the core, so under Wine the
// label also shows this thread's CPU time per call (Google Benchmark shows it natively).

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include "Harness.h"
#include "Switching/WeatherlistSuffix.h"
#ifdef _WIN32
#include <windows.h>
#include "Switching/RedirectionHooks.h"
#endif

namespace
{
#if defined(NIMBRAVA_PLAIN_HARNESS) && defined(_WIN32)
    // Labels the run with the thread's CPU time per iteration.
    class CpuTime
    {
    public:
        explicit CpuTime(Bench::State& state) : m_state(state), m_start(Now()) {}
        ~CpuTime()
        {
            const double perCall = (Now() - m_start) / static_cast<double>(m_state.iterations()) * 1e9;
            char label[48];
            std::snprintf(label, sizeof label, "cpu %.1f ns", perCall);
            m_state.SetLabel(label);
        }
        CpuTime(const CpuTime&) = delete;
        CpuTime& operator=(const CpuTime&) = delete;

    private:
        static double Now()
        {
            FILETIME creation, exit, kernel, user;
            GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user);
            const auto ticks = [](FILETIME time) {
                return static_cast<double>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
            };
            return (ticks(kernel) + ticks(user)) * 1e-7;
        }
        Bench::State& m_state;
        double m_start;
    };
#else
    struct CpuTime
    {
        explicit CpuTime(Bench::State&) {}
    };
#endif

    // A path of exactly `length` bytes that ends in `end`, in a 64-byte aligned buffer plus an
    // offset, so that alignment is the same from run to run.
    class Name
    {
    public:
        Name(std::size_t length, const char* end, std::size_t offset = 5)
            : m_storage(length + offset + 128, '\0'), m_name(Aligned() + offset)
        {
            const std::string prefix = "C:\\Games\\Steam\\steamapps\\common\\Skyrim Special Edition\\";
            const std::size_t endLength = std::strlen(end);
            for (std::size_t i = 0; i < length - endLength; ++i)
                m_name[i] = prefix[i % prefix.size()];
            std::memcpy(m_name + length - endLength, end, endLength + 1);
        }
        const char* Get() const noexcept { return m_name; }

    private:
        char* Aligned() noexcept
        {
            const auto address = reinterpret_cast<std::uintptr_t>(m_storage.data());
            return m_storage.data() + ((64 - address % 64) % 64);
        }
        std::string m_storage;
        char* m_name;
    };

    const Name Short(60, "\\enbseries\\_weatherlist.ini");
    const Name Long(260, "\\enbseries\\_weatherlist.ini");

    bool CrtSuffixTest(const char* name)
    {
        const std::size_t length = std::strlen(name);
        return length >= 16 && std::memcmp(name + length - 16, "_weatherlist.ini", 16) == 0;
    }

    template <const Name& name, bool (*Test)(const char*)>
    void SuffixTest(Bench::State& state)
    {
        const char* text = name.Get();
        const CpuTime cpu(state);
        for (auto _ : state)
        {
            Bench::DoNotOptimize(text);
            bool passes = Test(text);
            Bench::DoNotOptimize(passes);
        }
        state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    }

    void BM_SuffixTest60(Bench::State& state)
    {
        SuffixTest<Short, Nimbrava::HasWeatherlistSuffix>(state);
    }
    void BM_SuffixTest260(Bench::State& state)
    {
        SuffixTest<Long, Nimbrava::HasWeatherlistSuffix>(state);
    }
    void BM_CrtStrlenSuffixTest60(Bench::State& state)
    {
        SuffixTest<Short, CrtSuffixTest>(state);
    }
    void BM_CrtStrlenSuffixTest260(Bench::State& state)
    {
        SuffixTest<Long, CrtSuffixTest>(state);
    }
} // namespace

NIMBRAVA_BENCHMARK(BM_SuffixTest60);
NIMBRAVA_BENCHMARK(BM_SuffixTest260);
NIMBRAVA_BENCHMARK(BM_CrtStrlenSuffixTest60);
NIMBRAVA_BENCHMARK(BM_CrtStrlenSuffixTest260);

#ifdef _WIN32
namespace
{
    const Name PassedOn60(60, "\\enbseries\\enbeffect.fx");
    const Name PassedOn260(260, "\\enbseries\\enbeffect.fx");

    // Stand-ins for kernel32 that return at once, so that the call itself is all that is timed.
    __attribute__((noinline)) HANDLE WINAPI StandInCreateFileA(LPCSTR name, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD,
                                                               DWORD, HANDLE)
    {
        asm volatile("" : : "r"(name) : "memory");
        return INVALID_HANDLE_VALUE;
    }
    __attribute__((noinline)) DWORD WINAPI StandInGetPrivateProfileSectionA(LPCSTR, LPSTR, DWORD, LPCSTR name)
    {
        asm volatile("" : : "r"(name) : "memory");
        return 0;
    }

    template <typename Function>
    void CreateFileCalls(Bench::State& state, Function function, const Name& name)
    {
        Nimbrava::SavedCreateFileA = &StandInCreateFileA;
        const char* text = name.Get();
        const CpuTime cpu(state);
        for (auto _ : state)
        {
            auto call = function;
            Bench::DoNotOptimize(call);
            HANDLE result = call(text, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            Bench::DoNotOptimize(result);
        }
        state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    }

    template <typename Function>
    void SectionCalls(Bench::State& state, Function function, const Name& name)
    {
        Nimbrava::SavedGetPrivateProfileSectionA = &StandInGetPrivateProfileSectionA;
        const char* text = name.Get();
        char buffer[64];
        const CpuTime cpu(state);
        for (auto _ : state)
        {
            auto call = function;
            Bench::DoNotOptimize(call);
            DWORD result = call("Weather", buffer, sizeof buffer, text);
            Bench::DoNotOptimize(result);
        }
        state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    }

    void BM_CreateFileASavedDirect(Bench::State& state)
    {
        CreateFileCalls(state, &StandInCreateFileA, PassedOn60);
    }
    void BM_CreateFileAHookPassesOn60(Bench::State& state)
    {
        CreateFileCalls(state, &Nimbrava::HookedCreateFileA, PassedOn60);
    }
    void BM_CreateFileAHookPassesOn260(Bench::State& state)
    {
        CreateFileCalls(state, &Nimbrava::HookedCreateFileA, PassedOn260);
    }
    void BM_SectionSavedDirect(Bench::State& state)
    {
        SectionCalls(state, &StandInGetPrivateProfileSectionA, PassedOn60);
    }
    void BM_SectionHookPassesOn60(Bench::State& state)
    {
        SectionCalls(state, &Nimbrava::HookedGetPrivateProfileSectionA, PassedOn60);
    }
    void BM_SectionHookPassesOn260(Bench::State& state)
    {
        SectionCalls(state, &Nimbrava::HookedGetPrivateProfileSectionA, PassedOn260);
    }
} // namespace

NIMBRAVA_BENCHMARK(BM_CreateFileASavedDirect);
NIMBRAVA_BENCHMARK(BM_CreateFileAHookPassesOn60);
NIMBRAVA_BENCHMARK(BM_CreateFileAHookPassesOn260);
NIMBRAVA_BENCHMARK(BM_SectionSavedDirect);
NIMBRAVA_BENCHMARK(BM_SectionHookPassesOn60);
NIMBRAVA_BENCHMARK(BM_SectionHookPassesOn260);
#endif

NIMBRAVA_BENCHMARK_MAIN();
