#pragma once
// Narrow path text: the code page the file functions use for it, and strict conversions between it
// and UTF-16.

#include <string>
#include <string_view>

namespace Nimbrava
{
    // The code page of narrow file names right now: 65001 when the C runtime's current locale uses
    // UTF-8, otherwise the ANSI code page when AreFileApisANSI() holds and the OEM code page when it
    // does not. Returned as the code page's number (GetACP() or GetOEMCP(), never CP_ACP/CP_OEMCP).
    [[nodiscard]] unsigned FileApiCodePage() noexcept;

    // Strict conversions in `codePage`: a character or byte sequence without an exact counterpart on
    // the other side (no best fit, no default character) throws std::system_error in the system
    // category with ERROR_NO_UNICODE_TRANSLATION; any other failure of the conversion function throws
    // with its Windows error, and exhausted memory std::bad_alloc. An empty text gives an empty text.
    [[nodiscard]] std::wstring NarrowToWide(std::string_view text, unsigned codePage);
    [[nodiscard]] std::string WideToNarrow(std::wstring_view text, unsigned codePage);
} // namespace Nimbrava
