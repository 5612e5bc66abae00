#include "checks/ModuleCheck.h"

#include <algorithm>
#include <fmt/format.h>
#include "Choice/WeatherlistMessages.h"
#include "Orvel/Hook/ImageLayout.h"
#include "Orvel/Hook/ImageView.h"
#include "Orvel/Hook/FindIATEntry.h"

namespace NimbravaCheck
{
    namespace
    {
        using Orvel::Hook::ImageView;
        namespace Layout = Orvel::Hook::ImageLayout;

        constexpr std::string_view Kernel32 = "kernel32";

        // The NUL-terminated text at `rva`, or nothing when it runs out of the image.
        std::optional<std::string> ReadText(const ImageView& image, std::uint64_t rva)
        {
            std::string text;
            for (;; ++rva)
            {
                const auto c = image.Read<char>(rva);
                if (!c)
                    return std::nullopt;
                if (*c == '\0')
                    return text;
                text.push_back(*c);
            }
        }

        // The data directory entry `index` (RVA, size), or nothing when the header has none.
        std::optional<std::pair<std::uint32_t, std::uint32_t>> DataDirectory(const MappedImage& image,
                                                                             const ImageView& view, unsigned index)
        {
            const std::uint64_t optional = std::uint64_t{image.NtOffset()} + Layout::OptionalHeader;
            const auto count = view.Read<std::uint32_t>(optional + Layout::NumberOfRvaAndSizesField(image.Is64Bit()));
            const auto optionalSize =
                view.Read<std::uint16_t>(std::uint64_t{image.NtOffset()} + Layout::SizeOfOptionalHeaderField);
            const std::uint64_t entry = optional + Layout::DataDirectoryEntry(image.Is64Bit(), index);
            if (!count || !optionalSize || *count <= index || entry + 8 > optional + *optionalSize)
                return std::nullopt;
            const auto rva = view.Read<std::uint32_t>(entry);
            const auto size = view.Read<std::uint32_t>(entry + 4);
            if (!rva || !size || *rva == 0)
                return std::nullopt;
            return std::pair{*rva, *size};
        }

        // The names the module exports; a name whose text lies outside the image is left out.
        std::vector<std::string> ExportedNames(const MappedImage& image, const ImageView& view)
        {
            std::vector<std::string> names;
            const auto directory = DataDirectory(image, view, Layout::ExportDirectoryIndex);
            if (!directory)
                return names;
            const auto count = view.Read<std::uint32_t>(directory->first + Layout::ExportNameCountField);
            const auto nameTable = view.Read<std::uint32_t>(directory->first + Layout::ExportNameTableField);
            if (!count || !nameTable || !view.Contains(*nameTable, 4ull * *count))
                return names;
            for (std::uint32_t i = 0; i < *count; ++i)
                if (auto name = ReadText(view, *view.Read<std::uint32_t>(*nameTable + 4ull * i)))
                    names.push_back(std::move(*name));
            return names;
        }

        // The DLL name of the kernel32 descriptor whose import address table holds the slot.
        std::string DescriptorName(const MappedImage& image, const ImageView& view, std::uint32_t slotRva)
        {
            const auto directory = DataDirectory(image, view, Layout::ImportDirectoryIndex);
            for (std::uint64_t at = directory ? directory->first : 0; directory; at += Layout::ImportDescriptorSize)
            {
                const auto name = view.Read<std::uint32_t>(at + Layout::ImportDllNameField);
                const auto firstThunk = view.Read<std::uint32_t>(at + Layout::ImportAddressTableField);
                if (!name || !firstThunk || *name == 0)
                    break;
                const auto text = ReadText(view, *name);
                if (text && Orvel::Hook::SameDllName(*text, Kernel32) && *firstThunk <= slotRva &&
                    (slotRva - *firstThunk) % 8 == 0)
                    return *text;
            }
            return std::string(Kernel32);
        }
    } // namespace

    ModuleReport CheckModule(const MappedImage& image)
    {
        ModuleReport report;
        FindingWriter problems(report.Problems);
        report.Is64Bit = image.Is64Bit();
        const ImageView view(image.Data(), image.Size());
        if (!report.Is64Bit)
            problems.Add<Code::Module32Bit>(std::nullopt, {});

        const auto names = ExportedNames(image, view);
        for (std::size_t i = 0; i < EnbExports.size(); ++i)
        {
            report.Exported[i] = std::ranges::find(names, EnbExports[i]) != names.end();
            if (!report.Exported[i])
                problems.Add<Code::MissingEnbFunction>(std::nullopt, {}, EnbExports[i]);
        }

        if (!report.Is64Bit)
            return report;
        for (std::size_t i = 0; i < PatchedImports.size(); ++i)
        {
            const auto slot = Orvel::Hook::FindIATEntry(image.Data(), image.Size(), Kernel32, PatchedImports[i]);
            if (slot)
            {
                const auto rva = static_cast<std::uint32_t>(reinterpret_cast<std::byte*>(*slot) - image.Data());
                report.Slots[i] = ImportSlot{DescriptorName(image, view, rva), rva};
                continue;
            }
            using enum Orvel::Hook::IATSearchErrorCode;
            const auto code = static_cast<Orvel::Hook::IATSearchErrorCode>(slot.error().value());
            const char* why = code == DllNameNotFound      ? "it imports nothing from kernel32"
                              : code == SymbolNameNotFound ? "its first kernel32 import descriptor does not name it"
                                                           : "its import table is damaged";
            problems.Add<Code::MissingImport>(std::nullopt, {}, PatchedImports[i], why);
        }
        return report;
    }

    std::string Verdict(const ModuleReport& report)
    {
        if (!report.Is64Bit)
            return Word<Code::Module32Bit>();
        std::string missing;
        for (std::size_t i = 0; i < EnbExports.size(); ++i)
            if (!report.Exported[i])
                missing += (missing.empty() ? "" : ", ") + std::string(EnbExports[i]);
        if (std::ranges::none_of(report.Exported, [](bool exported) { return exported; }))
            return "not ENB: a d3d11.dll without ENB's functions (Windows' own, or another wrapper); Nimbrava does not "
                   "load without ENB's";
        if (!missing.empty())
            return "not the ENB Nimbrava works with: it lacks " + missing + ", and Nimbrava does not load without them";
        if (!report.Usable())
            return fmt::format("ENB reads its files in a way Nimbrava cannot follow: Nimbrava logs \"{}\" at start-up, "
                               "and ENB reads the weather lists it chooses only in part, or not at all (see --verbose)",
                               Nimbrava::Messages::HooksFailed);
        return "Nimbrava can work with this ENB";
    }
} // namespace NimbravaCheck
