#include "checks/ModuleImage.h"

#include <cstdlib>
#include <cstring>
#include <fmt/format.h>
#include <algorithm>
#include <new>
#include <optional>
#include <vector>
#include "Orvel/Hook/ImageLayout.h"
#include "Orvel/Hook/ImageView.h"

namespace NimbravaCheck
{
    namespace
    {
        using Orvel::Hook::ImageView;
        namespace Layout = Orvel::Hook::ImageLayout;

        struct Section
        {
            std::string Name;
            std::uint32_t VirtualSize;
            std::uint32_t VirtualAddress;
            std::uint32_t RawSize;
            std::uint32_t RawOffset;
        };

        template <typename T>
        T Need(const ImageView& file, std::uint64_t offset, const char* what)
        {
            const auto value = file.Read<T>(offset);
            if (!value)
                throw ModuleFormatError(fmt::format("truncated: the file ends at {:#x}, before the {} at {:#x}",
                                                    file.Size(), what, offset));
            return *value;
        }

        std::string SectionName(const ImageView& file, std::uint64_t header)
        {
            std::string name;
            for (std::uint64_t i = 0; i < 8; ++i)
            {
                const auto c = *file.Read<char>(header + i);
                if (c == '\0')
                    break;
                name.push_back(c >= ' ' && c <= '~' ? c : '?');
            }
            return name;
        }
    } // namespace

    void MappedImage::Free::operator()(std::byte* data) const noexcept
    {
        std::free(data);
    }

    MappedImage MapImage(std::span<const std::byte> bytes, std::size_t maximumImageSize)
    {
        const ImageView file(bytes.data(), bytes.size());
        if (bytes.size() < 2 || Need<std::uint16_t>(file, 0, "DOS header") != Layout::DosSignature)
            throw ModuleFormatError("not a Windows module: no \"MZ\" signature at the start of the file");
        const auto ntOffset = Need<std::int32_t>(file, Layout::NtHeadersOffsetField, "offset of the PE header");
        if (ntOffset < 0)
            throw ModuleFormatError(fmt::format("not a Windows module: the PE header offset {} is negative", ntOffset));
        const auto nt = static_cast<std::uint64_t>(ntOffset);
        if (Need<std::uint32_t>(file, nt, "PE signature") != Layout::NtSignature)
            throw ModuleFormatError(fmt::format("not a Windows module: no \"PE\" signature at {:#x}", nt));

        const auto sectionCount = Need<std::uint16_t>(file, nt + Layout::NumberOfSectionsField, "file header");
        const auto optionalSize = Need<std::uint16_t>(file, nt + Layout::SizeOfOptionalHeaderField, "file header");
        const std::uint64_t optional = nt + Layout::OptionalHeader;
        const auto magic = Need<std::uint16_t>(file, optional + Layout::MagicField, "optional header");
        if (magic != Layout::Pe32Magic && magic != Layout::Pe32PlusMagic)
            throw ModuleFormatError(
                fmt::format("not a Windows module: optional header magic {:#x} is neither 32- nor 64-bit", magic));
        if (optionalSize < Layout::SizeOfHeadersField + 4)
            throw ModuleFormatError(
                fmt::format("damaged: an optional header of {} bytes holds no image size", optionalSize));
        const auto sizeOfImage = Need<std::uint32_t>(file, optional + Layout::SizeOfImageField, "optional header");
        const auto sizeOfHeaders = Need<std::uint32_t>(file, optional + Layout::SizeOfHeadersField, "optional header");
        if (sizeOfImage > maximumImageSize)
            throw ModuleFormatError(
                fmt::format("damaged: SizeOfImage {:#x} is larger than any module this tool reads ({:#x})", sizeOfImage,
                            maximumImageSize));
        const std::uint64_t sectionTable = optional + optionalSize;
        const std::uint64_t sectionTableEnd = sectionTable + Layout::SectionHeaderSize * sectionCount;
        // As the loader does: SizeOfHeaders covers every header, and the image holds them all.
        if (sectionTableEnd > sizeOfHeaders || sizeOfHeaders > sizeOfImage)
            throw ModuleFormatError(fmt::format(
                "damaged: SizeOfHeaders {:#x} must cover the headers (up to {:#x}) and fit in SizeOfImage {:#x}",
                sizeOfHeaders, sectionTableEnd, sizeOfImage));
        if (!file.Contains(0, sizeOfHeaders))
            throw ModuleFormatError(fmt::format("truncated: the file ends at {:#x}, inside its headers ({:#x} bytes)",
                                                bytes.size(), sizeOfHeaders));

        std::vector<Section> sections;
        sections.reserve(sectionCount);
        for (std::uint16_t i = 0; i < sectionCount; ++i)
        {
            const std::uint64_t header = sectionTable + Layout::SectionHeaderSize * i;
            Section section{SectionName(file, header),
                            *file.Read<std::uint32_t>(header + Layout::SectionVirtualSizeField),
                            *file.Read<std::uint32_t>(header + Layout::SectionVirtualAddressField),
                            *file.Read<std::uint32_t>(header + Layout::SectionRawSizeField),
                            *file.Read<std::uint32_t>(header + Layout::SectionRawOffsetField)};
            // The loader refuses a file that ends inside a section's raw data, padding included, and
            // copies the raw data, but never more than the section's size in memory.
            if (section.RawSize != 0 && !file.Contains(section.RawOffset, section.RawSize))
                throw ModuleFormatError(fmt::format(
                    "truncated: the file ends at {:#x}, inside section {} (raw data {:#x} "
                    "to {:#x})",
                    bytes.size(), section.Name, section.RawOffset, std::uint64_t{section.RawOffset} + section.RawSize));
            if (section.VirtualSize != 0 && section.RawSize > section.VirtualSize)
                section.RawSize = section.VirtualSize;
            const std::uint64_t extent = std::max(section.VirtualSize, section.RawSize);
            if (std::uint64_t{section.VirtualAddress} + extent > sizeOfImage ||
                (extent != 0 && section.VirtualAddress < sizeOfHeaders))
                throw ModuleFormatError(fmt::format("damaged: section {} at {:#x} ({:#x} bytes) lies outside the image "
                                                    "(headers {:#x} bytes, SizeOfImage {:#x})",
                                                    section.Name, section.VirtualAddress, extent, sizeOfHeaders,
                                                    sizeOfImage));
            sections.push_back(std::move(section));
        }

        MappedImage image;
        // calloc: large blocks come as untouched zero pages, so sparse images cost what they use.
        image.m_data.reset(static_cast<std::byte*>(std::calloc(std::max<std::size_t>(sizeOfImage, 1), 1)));
        if (!image.m_data)
            throw std::bad_alloc();
        image.m_size = sizeOfImage;
        image.m_ntOffset = static_cast<std::uint32_t>(nt);
        image.m_magic = magic;
        if (sizeOfHeaders != 0)
            std::memcpy(image.m_data.get(), bytes.data(), sizeOfHeaders);
        for (const Section& section : sections)
            if (section.RawSize != 0)
                std::memcpy(image.m_data.get() + section.VirtualAddress, bytes.data() + section.RawOffset,
                            section.RawSize);
        return image;
    }
} // namespace NimbravaCheck
