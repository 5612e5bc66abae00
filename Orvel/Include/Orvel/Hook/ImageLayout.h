#pragma once
// Where the fields of a Windows module image stand, as the PE format lays them out: the one place
// that spells these offsets. Offsets are in bytes from the start of the structure named; all fields
// are little-endian.

#include <cstdint>

namespace Orvel::Hook::ImageLayout
{
    // DOS header, at the start of the image.
    inline constexpr std::uint16_t DosSignature = 0x5A4D; // "MZ"
    inline constexpr std::uint64_t NtHeadersOffsetField = 0x3C;

    // NT headers: the signature, the file header, then the optional header.
    inline constexpr std::uint32_t NtSignature = 0x00004550; // "PE\0\0"
    inline constexpr std::uint64_t FileHeader = 4;
    inline constexpr std::uint64_t NumberOfSectionsField = FileHeader + 2;
    inline constexpr std::uint64_t SizeOfOptionalHeaderField = FileHeader + 16;
    inline constexpr std::uint64_t OptionalHeader = FileHeader + 20;

    // Optional header. The fields up to SizeOfHeaders stand alike in 32- and 64-bit images; the data
    // directory follows NumberOfRvaAndSizes, which stands 16 bytes later in a 64-bit one.
    inline constexpr std::uint64_t MagicField = 0;
    inline constexpr std::uint16_t Pe32Magic = 0x10B;
    inline constexpr std::uint16_t Pe32PlusMagic = 0x20B;
    inline constexpr std::uint64_t SizeOfImageField = 56;
    inline constexpr std::uint64_t SizeOfHeadersField = 60;
    [[nodiscard]] constexpr std::uint64_t NumberOfRvaAndSizesField(bool pe32Plus) noexcept
    {
        return pe32Plus ? 108 : 92;
    }
    // Entry `index` of the data directory: its RVA, then its size (4 bytes each).
    [[nodiscard]] constexpr std::uint64_t DataDirectoryEntry(bool pe32Plus, unsigned index) noexcept
    {
        return NumberOfRvaAndSizesField(pe32Plus) + 4 + 8 * std::uint64_t{index};
    }
    inline constexpr unsigned ExportDirectoryIndex = 0;
    inline constexpr unsigned ImportDirectoryIndex = 1;

    // Section header, one per section after the optional header.
    inline constexpr std::uint64_t SectionHeaderSize = 40;
    inline constexpr std::uint64_t SectionVirtualSizeField = 8;
    inline constexpr std::uint64_t SectionVirtualAddressField = 12;
    inline constexpr std::uint64_t SectionRawSizeField = 16;
    inline constexpr std::uint64_t SectionRawOffsetField = 20;

    // Import descriptor: an array that ends at a descriptor without a name.
    inline constexpr std::uint64_t ImportDescriptorSize = 20;
    inline constexpr std::uint64_t ImportNameTableField = 0; // OriginalFirstThunk
    inline constexpr std::uint64_t ImportDllNameField = 12;
    inline constexpr std::uint64_t ImportAddressTableField = 16; // FirstThunk
    // A 64-bit name table entry: the RVA of a hint (2 bytes) and the name, or an ordinal.
    inline constexpr std::uint64_t ImportHintSize = 2;
    inline constexpr std::uint64_t ImportByOrdinalFlag = std::uint64_t{1} << 63;

    // Export directory.
    inline constexpr std::uint64_t ExportNameCountField = 24;
    inline constexpr std::uint64_t ExportNameTableField = 32;
} // namespace Orvel::Hook::ImageLayout
