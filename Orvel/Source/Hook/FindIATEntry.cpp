#include "Orvel/Hook/FindIATEntry.h"

#include <cstdint>
#include <limits>
#include <optional>
#include "Orvel/Ascii.h"
#include "Orvel/Hook/ImageLayout.h"
#include "Orvel/Hook/ImageView.h"

namespace Orvel::Hook
{
    namespace
    {

        using enum IATSearchErrorCode;
        namespace Layout = ImageLayout;

        // Fields of a 64-bit image's NT headers, from their start.
        constexpr std::uint64_t SizeOfOptionalHeaderField = Layout::SizeOfOptionalHeaderField;
        constexpr std::uint64_t MagicField = Layout::OptionalHeader + Layout::MagicField;
        constexpr std::uint64_t SizeOfImageField = Layout::OptionalHeader + Layout::SizeOfImageField;
        constexpr std::uint64_t SizeOfHeadersField = Layout::OptionalHeader + Layout::SizeOfHeadersField;
        constexpr std::uint64_t NumberOfRvaAndSizesField =
            Layout::OptionalHeader + Layout::NumberOfRvaAndSizesField(true);
        constexpr std::uint64_t ImportDirectoryField =
            Layout::OptionalHeader + Layout::DataDirectoryEntry(true, Layout::ImportDirectoryIndex);
        // The optional header up to and including the import directory's entry.
        constexpr std::uint16_t MinimumOptionalHeaderSize =
            Layout::DataDirectoryEntry(true, Layout::ImportDirectoryIndex) + 8;

        // Every mapped image has at least its first page; the fields that size the image are read
        // from it before the size is known.
        constexpr std::uint64_t HeaderPageSize = 4096;

        constexpr std::string_view DllSuffix = ".dll";

        bool SameLetter(std::uint8_t a, char b) noexcept
        {
            return ToLower(static_cast<char>(a)) == ToLower(b);
        }

        std::string_view DropDllSuffix(std::string_view name) noexcept
        {
            if (name.size() >= DllSuffix.size() &&
                Orvel::EqualIgnoringCase(name.substr(name.size() - DllSuffix.size()), DllSuffix))
                name.remove_suffix(DllSuffix.size());
            return name;
        }

        // Whether the NUL-terminated DLL name at `rva`, with one trailing ".dll" dropped, equals
        // `wanted` ignoring case. Nothing when a byte it needs lies outside the image. A name longer
        // than `wanted` plus ".dll" cannot match, so no more than that is read.
        std::optional<bool> DllNameMatches(const ImageView& image, std::uint64_t rva, std::string_view wanted) noexcept
        {
            const std::uint64_t longest = wanted.size() + DllSuffix.size();
            std::uint64_t length = 0;
            for (;; ++length)
            {
                const auto byte = image.Read<std::uint8_t>(rva + length);
                if (!byte)
                    return std::nullopt;
                if (*byte == 0)
                    break;
                if (length == longest)
                    return false;
            }

            // Drop ".dll" by the same rule as for the wanted name, reading the bytes again.
            std::uint64_t kept = length;
            if (length >= DllSuffix.size())
            {
                bool suffix = true;
                for (std::size_t i = 0; i < DllSuffix.size(); ++i)
                    suffix = suffix &&
                             SameLetter(*image.Read<std::uint8_t>(rva + length - DllSuffix.size() + i), DllSuffix[i]);
                if (suffix)
                    kept -= DllSuffix.size();
            }
            if (kept != wanted.size())
                return false;
            for (std::uint64_t i = 0; i < kept; ++i)
                if (!SameLetter(*image.Read<std::uint8_t>(rva + i), wanted[i]))
                    return false;
            return true;
        }

        // Whether the NUL-terminated name at `rva` is exactly `wanted`. Reads up to the first
        // difference; nothing when a byte it needs lies outside the image.
        std::optional<bool> FunctionNameMatches(const ImageView& image, std::uint64_t rva,
                                                std::string_view wanted) noexcept
        {
            for (std::uint64_t i = 0;; ++i)
            {
                const auto byte = image.Read<std::uint8_t>(rva + i);
                if (!byte)
                    return std::nullopt;
                if (i == wanted.size())
                    return *byte == 0;
                if (*byte == 0 || *byte != static_cast<unsigned char>(wanted[i]))
                    return false;
            }
        }

        // `headerExtent`: how many bytes at `base` may be read to find the image's size;
        // `mappedExtent`: the most that SizeOfImage may claim.
        IATSearchResult Search(std::byte* base, std::uint64_t headerExtent, std::uint64_t mappedExtent,
                               std::string_view dllName, std::string_view functionName) noexcept
        {
            if (base == nullptr)
                return UnexpectedImageHeader;
            const ImageView headers(base, headerExtent);
            const auto ntOffset = headers.Read<std::int32_t>(Layout::NtHeadersOffsetField);
            if (!ntOffset || *ntOffset < 0)
                return UnexpectedImageHeader;
            const auto nt = static_cast<std::uint64_t>(*ntOffset);
            const auto sizeOfImage = headers.Read<std::uint32_t>(nt + SizeOfImageField);
            if (!sizeOfImage || *sizeOfImage > mappedExtent)
                return UnexpectedImageHeader;

            // From here on every read is checked against the image as its headers size it.
            const ImageView image(base, *sizeOfImage);
            const auto signature = image.Read<std::uint32_t>(nt);
            const auto optionalHeaderSize = image.Read<std::uint16_t>(nt + SizeOfOptionalHeaderField);
            const auto directoryCount = image.Read<std::uint32_t>(nt + NumberOfRvaAndSizesField);
            const auto magic = image.Read<std::uint16_t>(nt + MagicField);
            const auto importDirectory = image.Read<std::uint32_t>(nt + ImportDirectoryField);
            const auto sizeOfHeaders = image.Read<std::uint32_t>(nt + SizeOfHeadersField);
            if (!sizeOfHeaders || !signature || *signature != Layout::NtSignature || !optionalHeaderSize ||
                *optionalHeaderSize < MinimumOptionalHeaderSize || !directoryCount || *directoryCount <= 1 || !magic ||
                *magic != Layout::Pe32PlusMagic || !importDirectory)
                return UnexpectedImageHeader;
            if (*importDirectory == 0)
                return DllNameNotFound;

            const std::string_view wantedDll = DropDllSuffix(dllName);
            std::uint32_t nameTable = 0;
            std::uint32_t addressTable = 0;
            // The array ends at a descriptor without a name; one that never ends runs into the end
            // of the image, which ends the loop.
            for (std::uint64_t descriptor = *importDirectory;; descriptor += Layout::ImportDescriptorSize)
            {
                const auto name = image.Read<std::uint32_t>(descriptor + Layout::ImportDllNameField);
                if (!name)
                    return UnexpectedImageHeader;
                if (*name == 0)
                    return DllNameNotFound;
                const auto matches = DllNameMatches(image, *name, wantedDll);
                if (!matches)
                    return UnexpectedImageHeader;
                if (*matches)
                {
                    const auto first = image.Read<std::uint32_t>(descriptor + Layout::ImportNameTableField);
                    const auto iat = image.Read<std::uint32_t>(descriptor + Layout::ImportAddressTableField);
                    if (!first || !iat)
                        return UnexpectedImageHeader;
                    nameTable = *first;
                    addressTable = *iat;
                    break;
                }
            }
            if (nameTable == 0)
                return SymbolNameNotFound;

            for (std::uint64_t index = 0;; ++index)
            {
                const auto entry = image.Read<std::uint64_t>(nameTable + 8 * index);
                if (!entry)
                    return UnexpectedImageHeader;
                if (*entry == 0)
                    return SymbolNameNotFound;
                if ((*entry & Layout::ImportByOrdinalFlag) != 0)
                    continue;
                const auto matches =
                    FunctionNameMatches(image, (*entry & 0xFFFFFFFFu) + Layout::ImportHintSize, functionName);
                if (!matches)
                    return UnexpectedImageHeader;
                if (!*matches)
                    continue;

                // The slot is written with one aligned 8-byte store, so it must be a whole, naturally
                // aligned cell of the image.
                const std::uint64_t slot = addressTable + 8 * index;
                if (!image.Contains(slot, 8) || reinterpret_cast<std::uintptr_t>(base + slot) % alignof(void*) != 0)
                    return UnexpectedImageHeader;
                // An address table never lies in the headers: a descriptor that says so would have
                // the replacement written over the image's own headers.
                if (addressTable == 0 || slot < *sizeOfHeaders)
                    return UnexpectedImageHeader;
                return reinterpret_cast<void**>(base + slot);
            }
        }
    } // namespace

    bool SameDllName(std::string_view first, std::string_view second) noexcept
    {
        return Orvel::EqualIgnoringCase(DropDllSuffix(first), DropDllSuffix(second));
    }

    IATSearchResult FindIATEntry(void* module, std::string_view dllName, std::string_view functionName) noexcept
    {
        return Search(static_cast<std::byte*>(module), HeaderPageSize, std::numeric_limits<std::uint64_t>::max(),
                      dllName, functionName);
    }

    IATSearchResult FindIATEntry(void* image, std::size_t size, std::string_view dllName,
                                 std::string_view functionName) noexcept
    {
        return Search(static_cast<std::byte*>(image), size, size, dllName, functionName);
    }
} // namespace Orvel::Hook
