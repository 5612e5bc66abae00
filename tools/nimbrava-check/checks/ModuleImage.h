#pragma once
// A Windows module file laid out in memory as the loader maps it: SizeOfImage zeroed bytes, the
// headers at offset 0 and every section's raw data at its virtual address. Nothing is executed,
// relocated or bound; the layout is what an import-table search walks in a loaded module.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include "Orvel/Hook/ImageLayout.h"

namespace NimbravaCheck
{
    // A file that is no module, or whose headers or sections do not fit in it. The message says what
    // and where, for a person.
    class ModuleFormatError : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };

    class MappedImage
    {
    public:
        // ImageLayout::Pe32Magic for a 32-bit image, Pe32PlusMagic for a 64-bit one.
        [[nodiscard]] std::uint16_t Magic() const noexcept { return m_magic; }
        [[nodiscard]] bool Is64Bit() const noexcept { return m_magic == Orvel::Hook::ImageLayout::Pe32PlusMagic; }
        [[nodiscard]] std::byte* Data() const noexcept { return m_data.get(); }
        [[nodiscard]] std::size_t Size() const noexcept { return m_size; }
        // Offset of the NT headers ("PE\0\0") in the image.
        [[nodiscard]] std::uint32_t NtOffset() const noexcept { return m_ntOffset; }

    private:
        friend MappedImage MapImage(std::span<const std::byte> file, std::size_t maximumImageSize);
        struct Free
        {
            void operator()(std::byte* data) const noexcept;
        };
        std::unique_ptr<std::byte, Free> m_data;
        std::size_t m_size = 0;
        std::uint32_t m_ntOffset = 0;
        std::uint16_t m_magic = 0;
    };

    // The most that SizeOfImage may claim by default: far above any d3d11.dll, far below memory.
    inline constexpr std::size_t DefaultMaximumImageSize = std::size_t{512} << 20;

    // Lays `file` out as the loader would. Throws ModuleFormatError when the file has no "MZ" and
    // "PE\0\0" signatures, an optional header of neither 32 nor 64 bits, headers or section data that
    // run past the end of the file (a truncated file), sections outside SizeOfImage, or a
    // SizeOfImage above `maximumImageSize`; std::bad_alloc when the memory cannot be had. Reads
    // nothing outside `file`.
    [[nodiscard]] MappedImage MapImage(std::span<const std::byte> file,
                                       std::size_t maximumImageSize = DefaultMaximumImageSize);
} // namespace NimbravaCheck
