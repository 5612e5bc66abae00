#pragma once
// Whether a d3d11.dll is one the plugin can work with: a 64-bit module that exports the six ENB
// functions the plugin imports, and imports CreateFileA and GetPrivateProfileSectionA by name from
// kernel32, through the slots the plugin patches.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include "Enb/EnbFunctionNames.h"
#include "checks/Finding.h"
#include "checks/ModuleImage.h"

namespace NimbravaCheck
{
    // The functions the plugin imports from ENB's d3d11.dll, as its build lists them.
    inline constexpr auto EnbExports = Nimbrava::Enb::FunctionNames;
    inline constexpr std::array<std::string_view, 2> PatchedImports = {"CreateFileA", "GetPrivateProfileSectionA"};

    struct ImportSlot
    {
        std::string Dll;       // the import descriptor's DLL name, as the file writes it
        std::uint32_t SlotRva; // the slot's address relative to the image base
    };

    struct ModuleReport
    {
        bool Is64Bit = false;
        std::array<bool, EnbExports.size()> Exported{};                     // per EnbExports entry
        std::array<std::optional<ImportSlot>, PatchedImports.size()> Slots; // per PatchedImports entry
        // Why the plugin cannot work with the module; none when it can.
        std::vector<Finding> Problems;

        [[nodiscard]] bool Usable() const noexcept { return Problems.empty(); }
    };

    // Checks a mapped module. The slots are found by the plugin's own import search; nothing outside
    // the image is read, whatever it holds. Throws only std::bad_alloc.
    [[nodiscard]] ModuleReport CheckModule(const MappedImage& image);

    // The one line a player needs: whether Nimbrava can work with the module, and if not, what it is.
    [[nodiscard]] std::string Verdict(const ModuleReport& report);
} // namespace NimbravaCheck
