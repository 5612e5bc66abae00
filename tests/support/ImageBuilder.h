#pragma once
// Lays out a 64-bit PE image with an import directory in memory, as the loader would map it, for
// the import-table tests and the benchmarks. Images and changes to bytes are written as text
// (LayOutImage, Patch), so that the cases live in tables.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <span>
#include <sstream>
#include <string>
#include <vector>
#include <fmt/format.h>
#include "DataFiles.h"
#include "Orvel/Hook/ImageLayout.h"

namespace NimbravaTest
{
    // Zeroed, 8-byte aligned storage of Places["end"] bytes, the image's SizeOfImage. Places names
    // the offsets of what the builder laid out: "nt" (NT headers), "dN" (import descriptor N; the
    // last one ends the array), "intN" and "iatN" (its name and address tables), "nameN" (its DLL
    // name) and "hintN.E" (the hint/name record of its entry E).
    struct Image
    {
        std::vector<std::uint64_t> Words;
        PlaceMap Places;

        [[nodiscard]] std::byte* Data() noexcept { return reinterpret_cast<std::byte*>(Words.data()); }
        [[nodiscard]] std::size_t Size() const noexcept { return 8 * Words.size(); }
        void Patch(const std::string& changes) { NimbravaTest::Patch({Data(), Size()}, Places, changes); }
    };

    // Descriptors written as "DLL:ENTRY,ENTRY ...", "#N" importing ordinal N. Headers, up to 25
    // descriptors at 0x200, then per descriptor its tables (8-aligned), name and hint/name records,
    // in 4096 bytes or more.
    [[nodiscard]] inline Image LayOutImage(const std::string& descriptors)
    {
        namespace Layout = Orvel::Hook::ImageLayout;
        constexpr std::uint64_t optional = Layout::OptionalHeader;
        constexpr std::uint64_t imports = optional + Layout::DataDirectoryEntry(true, Layout::ImportDirectoryIndex);
        Image image{{}, {{"nt", 0x80}, {"d0", 0x200}}};
        // A 64-bit image for x86-64 with an optional header of 0xF0 bytes and 16 data directories.
        std::string changes = fmt::format(
            "u16@0={:#x} u32@{:#x}=nt u32@nt={:#x} u16@nt+{:#x}=0x8664 u16@nt+{:#x}=0xF0 u16@nt+{:#x}={:#x} "
            "u32@nt+{:#x}=end u32@nt+{:#x}=16 u32@nt+{:#x}=d0",
            Layout::DosSignature, Layout::NtHeadersOffsetField, Layout::NtSignature, Layout::FileHeader,
            Layout::SizeOfOptionalHeaderField, optional + Layout::MagicField, Layout::Pe32PlusMagic,
            optional + Layout::SizeOfImageField, optional + Layout::NumberOfRvaAndSizesField(true), imports);
        std::uint64_t cursor = 0x400, d = 0;
        std::istringstream list(descriptors);
        for (std::string descriptor; list >> descriptor; ++d)
        {
            const std::string n = std::to_string(d), dll = descriptor.substr(0, descriptor.find(':'));
            std::vector<std::string> entries;
            std::istringstream names(descriptor.substr(dll.size() + 1));
            for (std::string name; std::getline(names, name, ',');)
                entries.push_back(name);
            cursor = (cursor + 7) & ~std::uint64_t{7};
            image.Places["d" + std::to_string(d + 1)] = 0x200 + Layout::ImportDescriptorSize * (d + 1);
            image.Places["int" + n] = cursor;
            image.Places["iat" + n] = cursor += 8 * (entries.size() + 1);
            image.Places["name" + n] = cursor += 8 * (entries.size() + 1);
            cursor += dll.size() + 1;
            changes += fmt::format(" u32@d{0}+{1}=int{0} u32@d{0}+{2}=name{0} u32@d{0}+{3}=iat{0} txt@name{0}={4}", n,
                                   Layout::ImportNameTableField, Layout::ImportDllNameField,
                                   Layout::ImportAddressTableField, dll);
            for (std::size_t e = 0; e < entries.size(); ++e)
            {
                std::string thunk = fmt::format("{:#x}+{}", Layout::ImportByOrdinalFlag, entries[e].substr(1));
                if (!entries[e].starts_with('#'))
                {
                    thunk = "hint" + n + "." + std::to_string(e);
                    image.Places[thunk] = cursor += cursor % 2; // hint/name records are 2-aligned
                    cursor += Layout::ImportHintSize + entries[e].size() + 1;
                    changes += fmt::format(" txt@{}+{}={}", thunk, Layout::ImportHintSize, entries[e]);
                }
                // Before binding the loader's address table holds a copy of the name table.
                for (const char* table : {" u64@int", " u64@iat"})
                    changes += table + n + "+" + std::to_string(8 * e) + "=" + thunk;
            }
        }
        image.Words.resize(std::max<std::uint64_t>(cursor + 7, 4096) / 8);
        image.Places["end"] = image.Size();
        image.Patch(fmt::format("{} u32@nt+{:#x}={}", changes, imports + 4, Layout::ImportDescriptorSize * (d + 1)));
        return image;
    }
} // namespace NimbravaTest
