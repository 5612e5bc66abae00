#pragma once
// Finding the import address table slot through which a loaded module calls an imported function.

#include <cstddef>
#include <string_view>
#include <system_error>
#include "Orvel/Expected.h"
#include "Orvel/Hook/IATSearchError.h"

namespace Orvel::Hook
{
    // Either the address of an import slot or the error code (IATSearchErrorContext) of a failed search.
    using IATSearchResult = Expected<void**>;

    // Whether two DLL names name the same DLL as the search below compares them: ignoring case, after
    // one trailing ".dll" is dropped from either ("kernel32" and "KERNEL32.DLL" are the same).
    [[nodiscard]] bool SameDllName(std::string_view first, std::string_view second) noexcept;

    // Finds the 8-byte slot of `module`'s import address table through which it calls
    // `functionName` imported from `dllName`, and changes nothing.
    //
    // `module` is the base of a mapped 64-bit (PE32+) image, such as a module handle. Its first
    // page (4096 bytes) must be readable, and the image as sized by its SizeOfImage header must be
    // mapped; every other read is checked against that size.
    //
    // DLL names compare ignoring case after one trailing ".dll" is dropped from either name (so
    // "kernel32" and "KERNEL32.DLL" both find "KERNEL32.dll"); only the first descriptor that
    // matches is searched. Function names compare exactly and with case; imports by ordinal are
    // never found. Errors:
    //   UnexpectedImageHeader  not a PE32+ image, or the walk would leave the image or produce a
    //                          slot that is not a naturally aligned cell inside it;
    //   DllNameNotFound        no import directory, or no descriptor names the DLL;
    //   SymbolNameNotFound     the descriptor has no import name table or lacks the function.
    [[nodiscard]] IATSearchResult FindIATEntry(void* module, std::string_view dllName,
                                               std::string_view functionName) noexcept;

    // The same search over an image laid out in the `size` readable bytes at `image`. Nothing
    // outside them is read, whatever they hold; an image whose SizeOfImage exceeds `size` gives
    // UnexpectedImageHeader.
    [[nodiscard]] IATSearchResult FindIATEntry(void* image, std::size_t size, std::string_view dllName,
                                               std::string_view functionName) noexcept;
} // namespace Orvel::Hook
