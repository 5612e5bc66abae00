// A host built in MSVC's ABI, as Windows hosts are: compiled by clang for x86_64-pc-windows-msvc
// with no C or C++ runtime and linked by lld-link against kernel32 alone, so that the names, the
// calling sequence and the record layouts it uses are MSVC's, not assumed. It witnesses the plugin's
// boundary from the host's side:
//  - it loads the real Nimbrava.dll, which binds this folder's Yarrin.dll (built the same way) and
//    the stand-in ENB's d3d11.dll;
//  - it finds both entry points by the names MSVC gives them and calls them through pointers of the
//    header's own types, so the compiler passes the result storage and the const reference as MSVC
//    does;
//  - YarrinInitialize with the log folder missing must come back as a failed record: an exception
//    of the plugin reaching this host would end in the unhandled-exception filter, which says so;
//  - then both records byte for byte, the log folder's view read by its count, the runtime record's
//    ENB loading point read through the reference (the plugin's log has its Fatal line or not), and
//    one change of worldspace through the stand-in ENB.
// Runs in a game folder that holds examples/enbseries (3C: weatherlists\tamriel.ini) and logs\.
// Prints a line per check; exits 0 when every check held.

#include <cstddef>
#include <cstdint>
#include "EnbControl.h"
#include "Host/HostRecords.h"
#include "HostBoundaryNames.h"
#include "WitnessYarrin.h"

extern "C"
{
    __declspec(dllimport) void* GetStdHandle(std::uint32_t which);
    __declspec(dllimport) int WriteFile(void* file, const void* data, std::uint32_t size, std::uint32_t* written,
                                        void* overlapped);
    [[noreturn]] __declspec(dllimport) void ExitProcess(std::uint32_t code);
    __declspec(dllimport) HINSTANCE__* LoadLibraryW(const wchar_t* name);
    __declspec(dllimport) HINSTANCE__* GetModuleHandleW(const wchar_t* name);
    __declspec(dllimport) void* GetProcAddress(HINSTANCE__* module, const char* name);
    __declspec(dllimport) std::uint32_t GetLastError();
    __declspec(dllimport) void* SetUnhandledExceptionFilter(long (*filter)(void* const* pointers));
    __declspec(dllimport) void* CreateFileW(const wchar_t* name, std::uint32_t access, std::uint32_t share,
                                            void* security, std::uint32_t disposition, std::uint32_t flags,
                                            void* templateFile);
    __declspec(dllimport) int ReadFile(void* file, void* data, std::uint32_t size, std::uint32_t* read,
                                       void* overlapped);
    __declspec(dllimport) int CloseHandle(void* handle);

    // What the compiler may call for the records' copies and fills. Written through a volatile
    // pointer, so that they cannot be turned into calls of themselves.
    void* memset(void* target, int value, std::size_t size)
    {
        for (auto* byte = static_cast<volatile unsigned char*>(target); size-- != 0;)
            *byte++ = static_cast<unsigned char>(value);
        return target;
    }
    void* memcpy(void* target, const void* source, std::size_t size)
    {
        const auto* from = static_cast<const unsigned char*>(source);
        for (auto* byte = static_cast<volatile unsigned char*>(target); size-- != 0;)
            *byte++ = *from++;
        return target;
    }
}

inline void* operator new(std::size_t, void* place) noexcept
{
    return place;
}

namespace
{
    constexpr std::uint8_t Unwritten = 0xCD;
    int Failures = 0;

    // Output being built, cut at its capacity.
    struct Text
    {
        char Characters[2048];
        std::size_t Length = 0;

        Text& Put(char character)
        {
            if (Length < sizeof Characters)
                Characters[Length++] = character;
            return *this;
        }
        Text& operator<<(const char* text)
        {
            while (*text != 0)
                Put(*text++);
            return *this;
        }
        Text& operator<<(const Text& text)
        {
            for (std::size_t at = 0; at < text.Length; ++at)
                Put(text.Characters[at]);
            return *this;
        }
        Text& Hex(std::uint64_t value, int digits)
        {
            while (digits-- > 0)
                Put("0123456789ABCDEF"[value >> (digits * 4) & 15]);
            return *this;
        }
        bool operator==(const char* text) const
        {
            std::size_t at = 0;
            for (; at < Length; ++at)
                if (text[at] != Characters[at])
                    return false;
            return text[at] == 0;
        }
    };

    void Print(const Text& text)
    {
        std::uint32_t written = 0;
        WriteFile(GetStdHandle(static_cast<std::uint32_t>(-11)), text.Characters,
                  static_cast<std::uint32_t>(text.Length), &written, nullptr);
    }

    // Prints whether the check held, and what was got where it did not.
    void Check(bool held, const char* what, const Text* got = nullptr)
    {
        Text line;
        line << (held ? "ok   " : "FAIL ") << what << "\n";
        if (!held && got != nullptr)
            line << "     got: " << *got << "\n";
        Print(line);
        Failures += held ? 0 : 1;
    }

    // A result's bytes as the play-through scripts show them: 8-byte groups of hex, an unwritten byte
    // as "..", the host strings at the groups of `strings` (a bit per group) as their text.
    Text Dump(const std::uint8_t* bytes, std::size_t size, std::uint32_t strings)
    {
        Text text;
        for (std::size_t group = 0; group < size; group += 8)
        {
            if (group != 0)
                text << " ";
            if ((strings >> (group / 8) & 1) != 0)
            {
                const Yarrin::V1::IBasicString<char>* string = nullptr;
                memcpy(&string, bytes + group, sizeof string);
                if (string == nullptr)
                    text << "null";
                else
                {
                    text << "'";
                    for (std::uint64_t at = 0; at < string->Length; ++at)
                        text.Put(string->Text[at]);
                    text << "'";
                }
                continue;
            }
            for (std::size_t at = group; at < group + 8; ++at)
                if (bytes[at] == Unwritten)
                    text << "..";
                else
                    text.Hex(bytes[at], 2);
        }
        return text;
    }

    long Unhandled(void* const* pointers)
    {
        const auto code = *static_cast<const std::uint32_t*>(pointers[0]); // the record's ExceptionCode
        Print(Text{} << "FAIL a structured exception reached the host: code 0x" << Text{}.Hex(code, 8) << "\n");
        ExitProcess(3);
    }

    template <typename Function>
    Function Find(HINSTANCE__* module, const char* name)
    {
        return reinterpret_cast<Function>(GetProcAddress(module, name));
    }

    // Calls `entry` so that its result is built in storage filled with Unwritten first: the compiler
    // passes that storage as the hidden result pointer, as MSVC does.
    template <typename Result, typename Entry, typename... Arguments>
    const std::uint8_t* CallInto(std::uint8_t (&storage)[sizeof(Result)], Entry entry, Arguments... arguments)
    {
        memset(storage, Unwritten, sizeof storage);
        new (storage) Result(entry(arguments...));
        return storage;
    }

    // Whether the plugin's log holds `line`.
    bool LogHolds(const char* line)
    {
        static char log[8192];
        std::uint32_t size = 0;
        void* file = CreateFileW(L"logs\\Nimbrava.log", 0x80000000 /* GENERIC_READ */, 3 /* read, write */, nullptr,
                                 3 /* OPEN_EXISTING */, 0, nullptr);
        if (file == reinterpret_cast<void*>(-1))
            return false;
        const bool read = ReadFile(file, log, sizeof log, &size, nullptr) != 0;
        CloseHandle(file);
        for (std::uint32_t at = 0; read && at < size; ++at)
        {
            std::uint32_t length = 0;
            while (line[length] != 0 && at + length < size && log[at + length] == line[length])
                ++length;
            if (line[length] == 0)
                return true;
        }
        return false;
    }

    bool EndsWith(const wchar_t* text, const wchar_t* end)
    {
        std::size_t length = 0, endLength = 0;
        while (text != nullptr && text[length] != 0)
            ++length;
        while (end[endLength] != 0)
            ++endLength;
        if (text == nullptr || length < endLength)
            return false;
        for (std::size_t at = 0; at < endLength; ++at)
            if (text[length - endLength + at] != end[at])
                return false;
        return true;
    }
} // namespace

extern "C" [[noreturn]] void mainCRTStartup()
{
    SetUnhandledExceptionFilter(&Unhandled);

    HINSTANCE__* plugin = LoadLibraryW(L"Nimbrava.dll");
    if (plugin == nullptr)
    {
        Print(Text{} << "FAIL Nimbrava.dll does not load: error " << Text{}.Hex(GetLastError(), 8) << "\n");
        ExitProcess(1);
    }
    const auto initialize = Find<decltype(&YarrinInitialize)>(plugin, NimbravaBoundaryNames::YarrinInitialize);
    const auto main = Find<decltype(&YarrinMain)>(plugin, NimbravaBoundaryNames::YarrinMain);
    Check(initialize != nullptr, "YarrinInitialize is exported under its MSVC name");
    Check(main != nullptr, "YarrinMain is exported under its MSVC name");
    if (initialize == nullptr || main == nullptr)
        ExitProcess(1);

    // Every byte set: the plugin must read only the ENB loading point's bit, through the reference.
    Yarrin::V1::RuntimeInfo runtime, withoutEnb;
    memset(&runtime, 0xFF, sizeof runtime);
    memset(&withoutEnb, 0xFF, sizeof withoutEnb);
    withoutEnb.Flags = static_cast<std::uint8_t>(0xFF & ~Yarrin::V1::RuntimeInfo::EnbLoadingPointFlag);
    constexpr char NoLoadingPoint[] = "[FATAL]   ENB loading point is required but unavailable";

    std::uint8_t initialized[sizeof(Yarrin::V1::InitializeResult)];
    WitnessYarrin_SetLogs(L"logs\\missing", 12);
    Text failed = Dump(CallInto<Yarrin::V1::InitializeResult>(initialized, initialize, runtime), 24, 1u << 1);
    Check(failed == "00.............. 'IOException(Couldn't open logging file 'logs\\missing\\Nimbrava.log') -> "
                    "errno state (2): No such file or directory' 0000............",
          "YarrinInitialize without its log folder: a failed record with the exception's text, flag 0", &failed);
    bool restUnwritten = true;
    for (std::size_t at = 24; at < sizeof initialized; ++at)
        restUnwritten = restUnwritten && initialized[at] == Unwritten;
    Check(restUnwritten, "YarrinInitialize without its log folder: nothing written after the error record");

    // The view's count, not a terminating NUL, ends the folder's name; bit 63 is not part of it.
    WitnessYarrin_SetLogs(L"logsXYZ", 4 | std::uint64_t{1} << 63);
    constexpr char Record[] = "01.............. 0100000002000000 0000000000000000 0000000000000000 "
                              "0000000000000000 'Nimbrava' 0100000000000000 02000000........ 'Vorkessa' "
                              "0000000000000000 0400000000000000 0000000000000000 0000000000000000 "
                              "0000000000000000 0200000000000000 0000000000000000";
    Text requirements = Dump(CallInto<Yarrin::V1::InitializeResult>(initialized, initialize, withoutEnb),
                             sizeof initialized, 1u << 5 | 1u << 8);
    Check(requirements == Record && LogHolds(NoLoadingPoint),
          "YarrinInitialize without the ENB loading point: the requirements record, the Fatal line", &requirements);
    requirements = Dump(CallInto<Yarrin::V1::InitializeResult>(initialized, initialize, runtime), sizeof initialized,
                        1u << 5 | 1u << 8);
    Check(requirements == Record && !LogHolds(NoLoadingPoint),
          "YarrinInitialize with it: the requirements record, a new log without that line", &requirements);

    std::uint8_t started[sizeof(Yarrin::V1::MainResult)];
    Text success = Dump(CallInto<Yarrin::V1::MainResult>(started, main, plugin, runtime), sizeof started, 0);
    Check(success == "01.............. 00.............. ................", "YarrinMain: success", &success);
    Check(WitnessYarrin_Strings() == 5, "five host strings made: the failure's text, twice the name and the author");

    // One change of worldspace: ENB reports Tamriel and calls back; its reload reads Tamriel's list.
    HINSTANCE__* enb = GetModuleHandleW(L"d3d11.dll");
    const auto state = Find<EnbTestState* (*)()>(enb, "EnbTest");
    const auto fire = Find<bool (*)(std::uint32_t)>(enb, "EnbTest_FireCallback");
    const auto path = Find<const wchar_t* (*)(std::size_t*)>(plugin, "GetCurrentWeatherlistPath");
    if (state == nullptr || fire == nullptr || path == nullptr)
    {
        Check(false, "the stand-in ENB's controls and GetCurrentWeatherlistPath are found");
        ExitProcess(1);
    }
    state()->Worldspace = 0x3C;
    Check(fire(2) && state()->DirtyHackCalls == 1, "a change to 3C: one reload asked for");
    Check(EndsWith(state()->LastReload.OpenedPath, L"\\enbseries\\weatherlists\\tamriel.ini"),
          "a change to 3C: ENB's read of _weatherlist.ini opened weatherlists\\tamriel.ini");
    std::size_t length = 0;
    Check(EndsWith(path(&length), L"\\enbseries\\weatherlists\\tamriel.ini"),
          "a change to 3C: GetCurrentWeatherlistPath names weatherlists\\tamriel.ini");

    ExitProcess(Failures == 0 ? 0 : 1);
}
