#pragma once
// The code page in which the game reads the bytes of the player's configuration, as far as the
// checker knows it, and text of the configuration shown in it: decoded when it is known, and never
// raw. The checks receive it in their context; nothing here is kept for the whole process.

#include <optional>
#include <string>
#include <string_view>

namespace NimbravaCheck
{
    class GameCodePage
    {
    public:
        // None known: text outside ASCII is shown as bytes, names outside ASCII cannot be resolved.
        GameCodePage() = default;

        // What this process knows by itself: on Windows the file-API code page, which is the plugin's
        // own in the game; elsewhere none.
        [[nodiscard]] static GameCodePage OfThisProcess();
        // Outside Windows: the game's ANSI code page as the player gives it; nothing for one the
        // checker cannot read. It reads 874, 932, 936, 949, 950 and 1250 to 1258 from tables built into
        // it (CodePageTables.h), so that it needs no converter of the system it runs on.
        [[nodiscard]] static std::optional<GameCodePage> Given(unsigned number);

        [[nodiscard]] const std::optional<unsigned>& Number() const noexcept { return m_number; }

        // `bytes` as UTF-8 text; nothing when the code page is unknown or they are no text in it.
        [[nodiscard]] std::optional<std::string> Decode(std::string_view bytes) const;

        // Configuration text for a line of output and for JSON: decoded when it is text in the code
        // page, then shown as PrintableText shows it; otherwise ASCII as it is and every other byte as
        // \xHH.
        [[nodiscard]] std::string Show(std::string_view bytes) const;

    private:
        explicit GameCodePage(unsigned number) noexcept : m_number(number) {}

        std::optional<unsigned> m_number;
    };

    // `bytes` in `codePage` (one GameCodePage reads, or 65001 for UTF-8) as UTF-8, as Windows's strict
    // conversion reads them; nothing when they are no text there, where the plugin's own conversion
    // fails too.
    [[nodiscard]] std::optional<std::string> DecodeCodePage(std::string_view bytes, unsigned codePage);
} // namespace NimbravaCheck
