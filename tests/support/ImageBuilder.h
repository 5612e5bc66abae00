#pragma once
// Lays out a 64-bit PE image with an import directory in memory, as the loader would map it, for
// the import-table tests, the fuzzer's seeds and the benchmarks.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace NimbravaTest
{
    // One import: by name (with a hint), or by ordinal when Name is empty.
    struct ImportEntry
    {
        std::string Name;
        std::uint16_t Ordinal = 0;
    };

    struct ImportDescriptorPlan
    {
        std::string Dll;
        std::vector<ImportEntry> Entries;
        bool WithNameTable = true; // false: OriginalFirstThunk is 0 (only an IAT)
    };

    // The image: 8-byte aligned storage of Size() bytes, SizeOfImage equal to Size().
    class Image
    {
    public:
        explicit Image(std::size_t size) : m_words(std::make_unique<std::uint64_t[]>((size + 7) / 8)), m_size(size) {}

        [[nodiscard]] std::byte* Data() noexcept { return reinterpret_cast<std::byte*>(m_words.get()); }
        [[nodiscard]] std::size_t Size() const noexcept { return m_size; }

        template <typename T>
        void Poke(std::size_t offset, T value) noexcept
        {
            std::memcpy(Data() + offset, &value, sizeof value);
        }
        template <typename T>
        [[nodiscard]] T Peek(std::size_t offset) noexcept
        {
            T value;
            std::memcpy(&value, Data() + offset, sizeof value);
            return value;
        }
        void PokeString(std::size_t offset, const std::string& text) noexcept
        {
            std::memcpy(Data() + offset, text.c_str(), text.size() + 1);
        }

        // Where the builder put things.
        static constexpr std::size_t NtOffset = 0x80;
        static constexpr std::size_t DescriptorsOffset = 0x200;
        std::vector<std::size_t> NameTables;             // per descriptor
        std::vector<std::size_t> AddressTables;          // per descriptor
        std::vector<std::size_t> DllNames;               // per descriptor
        std::vector<std::vector<std::size_t>> HintNames; // per descriptor and entry (0 for ordinals)

        [[nodiscard]] std::size_t DescriptorOffset(std::size_t index) const noexcept
        {
            return DescriptorsOffset + 20 * index;
        }
        [[nodiscard]] void** Slot(std::size_t descriptor, std::size_t entry) noexcept
        {
            return reinterpret_cast<void**>(Data() + AddressTables[descriptor] + 8 * entry);
        }

    private:
        std::unique_ptr<std::uint64_t[]> m_words;
        std::size_t m_size;
    };

    class ImageBuilder
    {
    public:
        ImageBuilder& Import(std::string dll, std::vector<ImportEntry> entries, bool withNameTable = true)
        {
            m_descriptors.push_back({std::move(dll), std::move(entries), withNameTable});
            return *this;
        }
        // Pads the image to at least `size` bytes.
        ImageBuilder& MinimumSize(std::size_t size)
        {
            m_minimumSize = size;
            return *this;
        }

        [[nodiscard]] Image Build() const
        {
            // Tables first (8-aligned), then strings.
            std::size_t cursor = Image::DescriptorsOffset + 20 * (m_descriptors.size() + 1);
            const auto align8 = [](std::size_t value) { return (value + 7) & ~std::size_t{7}; };
            std::vector<std::size_t> nameTables, addressTables;
            for (const auto& descriptor : m_descriptors)
            {
                cursor = align8(cursor);
                nameTables.push_back(cursor);
                cursor += 8 * (descriptor.Entries.size() + 1);
                addressTables.push_back(cursor);
                cursor += 8 * (descriptor.Entries.size() + 1);
            }
            std::vector<std::size_t> dllNames;
            std::vector<std::vector<std::size_t>> hintNames;
            for (const auto& descriptor : m_descriptors)
            {
                dllNames.push_back(cursor);
                cursor += descriptor.Dll.size() + 1;
                auto& records = hintNames.emplace_back();
                for (const auto& entry : descriptor.Entries)
                {
                    cursor += cursor % 2; // hint/name records are 2-aligned
                    records.push_back(entry.Name.empty() ? 0 : cursor);
                    if (!entry.Name.empty())
                        cursor += 2 + entry.Name.size() + 1;
                }
            }
            const std::size_t size = std::max(align8(cursor), m_minimumSize);

            Image image(size);
            image.NameTables = nameTables;
            image.AddressTables = addressTables;
            image.DllNames = dllNames;
            image.HintNames = hintNames;
            image.Poke<std::uint16_t>(0, 0x5A4D); // "MZ"
            image.Poke<std::int32_t>(0x3C, static_cast<std::int32_t>(Image::NtOffset));
            const std::size_t nt = Image::NtOffset;
            image.Poke<std::uint32_t>(nt, 0x00004550);
            image.Poke<std::uint16_t>(nt + 0x04, 0x8664);
            image.Poke<std::uint16_t>(nt + 0x14, 0xF0);
            image.Poke<std::uint16_t>(nt + 0x18, 0x20B);
            image.Poke<std::uint32_t>(nt + 0x50, static_cast<std::uint32_t>(size));
            image.Poke<std::uint32_t>(nt + 0x84, 16);
            image.Poke<std::uint32_t>(nt + 0x90, static_cast<std::uint32_t>(Image::DescriptorsOffset));
            image.Poke<std::uint32_t>(nt + 0x94, static_cast<std::uint32_t>(20 * (m_descriptors.size() + 1)));

            for (std::size_t d = 0; d < m_descriptors.size(); ++d)
            {
                const auto& descriptor = m_descriptors[d];
                const std::size_t at = image.DescriptorOffset(d);
                image.Poke<std::uint32_t>(at + 0,
                                          descriptor.WithNameTable ? static_cast<std::uint32_t>(nameTables[d]) : 0);
                image.Poke<std::uint32_t>(at + 12, static_cast<std::uint32_t>(dllNames[d]));
                image.Poke<std::uint32_t>(at + 16, static_cast<std::uint32_t>(addressTables[d]));
                image.PokeString(dllNames[d], descriptor.Dll);
                for (std::size_t e = 0; e < descriptor.Entries.size(); ++e)
                {
                    const auto& entry = descriptor.Entries[e];
                    std::uint64_t thunk =
                        entry.Name.empty() ? (std::uint64_t{1} << 63) | entry.Ordinal : hintNames[d][e];
                    if (!entry.Name.empty())
                    {
                        image.Poke<std::uint16_t>(hintNames[d][e], entry.Ordinal);
                        image.PokeString(hintNames[d][e] + 2, entry.Name);
                    }
                    image.Poke<std::uint64_t>(nameTables[d] + 8 * e, thunk);
                    // Before binding the loader's IAT holds a copy of the name table.
                    image.Poke<std::uint64_t>(addressTables[d] + 8 * e, thunk);
                }
            }
            return image;
        }

    private:
        std::vector<ImportDescriptorPlan> m_descriptors;
        std::size_t m_minimumSize = 4096;
    };
} // namespace NimbravaTest
