#pragma once
// The plugin's log texts that nimbrava-check shows or quotes, word for word: those about the weather
// list in force, and the start-up failure it predicts. The formats take the arguments named beside
// them.

#include <cstddef>

namespace Nimbrava::Messages
{
    namespace Detail
    {
        // Two texts as one, made at compile time, so that a line and the opening quoted of it are
        // written once.
        template <std::size_t First, std::size_t Second>
        struct Joined
        {
            char Text[First + Second - 1]{};

            constexpr Joined(const char (&first)[First], const char (&second)[Second]) noexcept
            {
                for (std::size_t i = 0; i + 1 < First; ++i)
                    Text[i] = first[i];
                for (std::size_t i = 0; i < Second; ++i)
                    Text[First - 1 + i] = second[i];
            }
        };

        inline constexpr char NotFoundOpening[] = "Unable to find weatherlist";
        inline constexpr char LoadFailedOpening[] = "Unable to load '_nimbrava.ini'";
        inline constexpr Joined NotFound(NotFoundOpening, " '{}' for worldspace {:X}. Switching to default fallback");
        inline constexpr Joined LoadFailed(LoadFailedOpening, ". Switching to default fallback");
    } // namespace Detail

    inline constexpr char UndefinedWorldspace[] = "Changed to undefined worldspace. Switching to default fallback";
    // masked worldspace ID
    inline constexpr char WorldspaceChanged[] = "Worldspace changed. New ID: {:X}";
    // shown name
    inline constexpr char Switching[] = "Switching to weatherlist '{}'";
    // shown name, masked worldspace ID
    inline constexpr const char* NotFound = Detail::NotFound.Text;
    inline constexpr const char* LoadFailed = Detail::LoadFailed.Text;
    // The openings of the two lines above, as the checker quotes them.
    inline constexpr const char* NotFoundOpening = Detail::NotFoundOpening;
    inline constexpr const char* LoadFailedOpening = Detail::LoadFailedOpening;
    // ENB's callback, after each update it starts
    inline constexpr char Reloading[] = "Reloading ENB config...";
    inline constexpr char ReloadFailed[] = "ENB config reload failed!";
    // YarrinMain, when it cannot patch ENB's imports
    inline constexpr char HooksFailed[] = "Initialization failed, unable to inject hooks";
} // namespace Nimbrava::Messages
