#pragma once
// The records through which the plugin host and the plugin talk, laid out byte for byte as the host
// defines them (little-endian, 8-byte pointers), and the host functions the plugin imports from
// "Yarrin.dll". Hosts are built with MSVC: the plugin exports its entry points and imports the host's
// functions under the names MSVC gives these declarations (the build derives them from this file,
// so a change here changes the boundary). Those names carry each record's class key: the records
// are structs and IBasicString a class, as the host declares them. This header is also compiled
// freestanding, in MSVC's ABI, with nothing but <cstddef> and <cstdint>.

#include <cstddef>
#include <cstdint>

struct HINSTANCE__; // the module handle type of the Windows headers (HINSTANCE is HINSTANCE__*)

namespace Yarrin::V1
{
    // The host's string object: opaque. A pointer handed back to the host belongs to the host.
    template <typename Char>
    class IBasicString;

    // A view of a directory name: UTF-16 characters by count (not NUL-terminated).
    struct PathViewAdaptor
    {
        const wchar_t* Characters;
        std::uint64_t LengthField; // low 63 bits: signed character count; bit 63 belongs to the host

        // The character count; a negative count reads as 0.
        [[nodiscard]] std::size_t Length() const noexcept
        {
            const auto count = static_cast<std::int64_t>(LengthField << 1) >> 1;
            return count > 0 ? static_cast<std::size_t>(count) : 0;
        }
    };

    struct PluginError
    {
        IBasicString<char>* Message;
        std::uint16_t ErrorFlag;
    };

    struct PluginSuccessT
    {
    };

    // What the plugin asks of the host. The host defines what the constant fields mean; the plugin
    // writes the values it was given for them.
    struct PluginRequirements
    {
        std::uint16_t Version[4];        // 1, 0, 2, 0: the plugin's file version
        std::uint8_t Reserved16[24];     // all 0
        IBasicString<char>* DisplayName; // "Nimbrava"
        std::uint64_t Field48;           // 1
        std::uint32_t Field56;           // 2
        std::uint32_t Unwritten60;       // not written
        IBasicString<char>* Author;      // "Vorkessa"
        std::uint64_t Field72;           // 0
        std::uint64_t Field80;           // 4
        std::uint8_t Reserved88[24];     // all 0
        std::uint64_t Field112;          // 2
        std::uint64_t Field120;          // 0
    };

    // Success flag 1 with a T, or 0 with a PluginError. Bytes 1 to 7 are not written.
    template <typename T, typename E>
    struct PluginResult
    {
        bool Success;
        union
        {
            T Value;
            E Error;
        };
    };

    // What the host tells plugins about the running game. The plugin reads one bit of it.
    struct RuntimeInfo
    {
        static constexpr std::size_t FlagsOffset = 80;
        static constexpr std::uint8_t EnbLoadingPointFlag = 2;

        std::uint8_t Reserved[FlagsOffset];
        std::uint8_t Flags;
        std::uint8_t Reserved81[47];

        [[nodiscard]] bool HasEnbLoadingPoint() const noexcept { return (Flags & EnbLoadingPointFlag) != 0; }
    };

    using InitializeResult = PluginResult<PluginRequirements, PluginError>;
    using MainResult = PluginResult<PluginSuccessT, PluginError>;

    // The directory in which plugins keep their log files.
    PathViewAdaptor GetLogsDirectory();

    namespace Details
    {
        // A new host string holding `length` bytes of `text`, or null when it cannot be made.
        template <typename Char>
        IBasicString<Char>* ConstructString(const Char* text, std::uint64_t length);
    } // namespace Details

    // Offsets as the host reads them; a change here breaks every host.
    static_assert(sizeof(PathViewAdaptor) == 16);
    static_assert(sizeof(PluginError) == 16);
    static_assert(offsetof(PluginError, ErrorFlag) == 8);
    static_assert(sizeof(PluginRequirements) == 120);
    static_assert(offsetof(PluginRequirements, Reserved16) == 8);
    static_assert(offsetof(PluginRequirements, DisplayName) == 32);
    static_assert(offsetof(PluginRequirements, Field48) == 40);
    static_assert(offsetof(PluginRequirements, Field56) == 48);
    static_assert(offsetof(PluginRequirements, Author) == 56);
    static_assert(offsetof(PluginRequirements, Field72) == 64);
    static_assert(offsetof(PluginRequirements, Field80) == 72);
    static_assert(offsetof(PluginRequirements, Reserved88) == 80);
    static_assert(offsetof(PluginRequirements, Field112) == 104);
    static_assert(offsetof(PluginRequirements, Field120) == 112);
    static_assert(sizeof(InitializeResult) == 128);
    static_assert(offsetof(InitializeResult, Value) == 8);
    static_assert(sizeof(MainResult) == 24);
    static_assert(offsetof(MainResult, Error) == 8);
    static_assert(offsetof(RuntimeInfo, Flags) == 80);
} // namespace Yarrin::V1

// The entry points the host calls, exported under their decorated names. They throw nothing: a
// failure comes back as a failed result record.
Yarrin::V1::InitializeResult YarrinInitialize(const Yarrin::V1::RuntimeInfo& runtime) noexcept;
Yarrin::V1::MainResult YarrinMain(HINSTANCE__* instance, const Yarrin::V1::RuntimeInfo& runtime) noexcept;
