#pragma once
// The plugin's log texts about the weather list in force, word for word; nimbrava-check shows the
// same lines. The formats take the arguments named beside them.

namespace Nimbrava::Messages
{
    inline constexpr char UndefinedWorldspace[] = "Changed to undefined worldspace. Switching to default fallback";
    // masked worldspace ID
    inline constexpr char WorldspaceChanged[] = "Worldspace changed. New ID: {:X}";
    // shown name
    inline constexpr char Switching[] = "Switching to weatherlist '{}'";
    // shown name, masked worldspace ID
    inline constexpr char NotFound[] =
        "Unable to find weatherlist '{}' for worldspace {:X}. Switching to default fallback";
    inline constexpr char LoadFailed[] = "Unable to load '_nimbrava.ini'. Switching to default fallback";
    // ENB's callback, after each update it starts
    inline constexpr char Reloading[] = "Reloading ENB config...";
    inline constexpr char ReloadFailed[] = "ENB config reload failed!";
} // namespace Nimbrava::Messages
