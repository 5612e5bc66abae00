#include "Files/CodePage.h"

#include <climits>
#include <locale.h>
#include <system_error>
#include <windows.h>

namespace Nimbrava
{
    namespace
    {
        [[noreturn]] void ThrowWindowsError(DWORD error, const char* what)
        {
            throw std::system_error(static_cast<int>(error), std::system_category(), what);
        }

        int CheckedLength(std::size_t size)
        {
            if (size > static_cast<std::size_t>(INT_MAX))
                ThrowWindowsError(ERROR_ARITHMETIC_OVERFLOW, "path text too long to convert");
            return static_cast<int>(size);
        }
    } // namespace

    unsigned FileApiCodePage() noexcept
    {
        if (___lc_codepage_func() == CP_UTF8)
            return CP_UTF8;
        return AreFileApisANSI() ? GetACP() : GetOEMCP();
    }

    std::wstring NarrowToWide(std::string_view text, unsigned codePage)
    {
        if (text.empty())
            return {};
        const int length = CheckedLength(text.size());
        const int needed = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
        if (needed <= 0)
            ThrowWindowsError(GetLastError(), "MultiByteToWideChar");
        std::wstring wide(static_cast<std::size_t>(needed), L'\0');
        if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), needed) != needed)
            ThrowWindowsError(GetLastError(), "MultiByteToWideChar");
        return wide;
    }

    std::string WideToNarrow(std::wstring_view text, unsigned codePage)
    {
        if (text.empty())
            return {};
        const int length = CheckedLength(text.size());
        // WC_NO_BEST_FIT_CHARS alone does not fail on a character the code page lacks (it writes the
        // default character), so the used-default flag decides. UTF-8 allows neither flag nor
        // default character and has WC_ERR_INVALID_CHARS for the same purpose (lone surrogates).
        const bool utf8 = codePage == CP_UTF8;
        const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
        BOOL usedDefault = FALSE;
        BOOL* const usedDefaultFlag = utf8 ? nullptr : &usedDefault;
        const int needed =
            WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr, usedDefaultFlag);
        if (needed <= 0)
            ThrowWindowsError(GetLastError(), "WideCharToMultiByte");
        if (usedDefault)
            ThrowWindowsError(ERROR_NO_UNICODE_TRANSLATION, "WideCharToMultiByte");
        std::string narrow(static_cast<std::size_t>(needed), '\0');
        if (WideCharToMultiByte(codePage, flags, text.data(), length, narrow.data(), needed, nullptr,
                                usedDefaultFlag) != needed)
            ThrowWindowsError(GetLastError(), "WideCharToMultiByte");
        if (usedDefault)
            ThrowWindowsError(ERROR_NO_UNICODE_TRANSLATION, "WideCharToMultiByte");
        return narrow;
    }
} // namespace Nimbrava
