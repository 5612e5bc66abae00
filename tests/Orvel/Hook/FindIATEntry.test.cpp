#include "Orvel/Hook/FindIATEntry.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>
#include <gtest/gtest.h>
#include "ImageBuilder.h"

using NimbravaTest::Image;
using NimbravaTest::ImageBuilder;
using Orvel::Hook::FindIATEntry;
using Orvel::Hook::IATSearchErrorCode;

namespace
{
    constexpr std::size_t Nt = Image::NtOffset;

    Image KernelImage()
    {
        return ImageBuilder()
            .Import("USER32.dll", {{"MessageBoxA", 1}, {"CreateFileA", 2}})
            .Import("KERNEL32.dll",
                    {{"GetTickCount", 3}, {"", 77}, {"CreateFileA", 4}, {"GetPrivateProfileSectionA", 5}})
            .Build();
    }

    // Both ways in: as a module (headers sized by SizeOfImage) and as a buffer of known size.
    struct Found
    {
        Orvel::Hook::IATSearchResult AsModule;
        Orvel::Hook::IATSearchResult AsBuffer;
    };
    Found Find(Image& image, std::string_view dll, std::string_view function)
    {
        return {FindIATEntry(image.Data(), dll, function), FindIATEntry(image.Data(), image.Size(), dll, function)};
    }

    void ExpectSlot(Image& image, std::string_view dll, std::string_view function, void** slot,
                    std::string_view note = {})
    {
        SCOPED_TRACE(note);
        const Found found = Find(image, dll, function);
        EXPECT_EQ(found.AsModule.value_or(nullptr), slot)
            << dll << " " << function << ": " << found.AsModule.error().message();
        EXPECT_EQ(found.AsBuffer.value_or(nullptr), slot)
            << dll << " " << function << ": " << found.AsBuffer.error().message();
    }

    void ExpectError(Image& image, std::string_view dll, std::string_view function, IATSearchErrorCode code,
                     std::string_view note = {})
    {
        SCOPED_TRACE(note);
        const Found found = Find(image, dll, function);
        EXPECT_FALSE(found.AsModule.has_value()) << dll << " " << function;
        EXPECT_EQ(found.AsModule.error(), code) << dll << " " << function << ": " << found.AsModule.error().message();
        EXPECT_EQ(found.AsBuffer.error(), code) << dll << " " << function << ": " << found.AsBuffer.error().message();
    }
} // namespace

TEST(FindIATEntry, FindsTheSlotAtTheNameTableIndex)
{
    Image image = KernelImage();
    ExpectSlot(image, "kernel32", "GetTickCount", image.Slot(1, 0));
    ExpectSlot(image, "kernel32", "CreateFileA", image.Slot(1, 2), "the ordinal entry still counts for the index");
    ExpectSlot(image, "kernel32", "GetPrivateProfileSectionA", image.Slot(1, 3));
    ExpectSlot(image, "user32", "CreateFileA", image.Slot(0, 1));
    EXPECT_EQ(FindIATEntry(image.Data(), "kernel32", "CreateFileA").value(), image.Slot(1, 2));
    EXPECT_FALSE(FindIATEntry(image.Data(), "kernel32", "CreateFileA").error());
}

TEST(FindIATEntry, DllNamesIgnoreCaseAndOneTrailingDll)
{
    Image image = KernelImage();
    for (const char* name : {"kernel32", "KERNEL32.DLL", "Kernel32.Dll", "kErNeL32", "kernel32.dll"})
        ExpectSlot(image, name, "CreateFileA", image.Slot(1, 2));
    for (const char* name : {"kernel", "kernel32.dl", "kernel32.dll.dll", "kernel32x", "ernel32", "", ".dll"})
        ExpectError(image, name, "CreateFileA", IATSearchErrorCode::DllNameNotFound);

    // Only one ".dll" is dropped, from either side; a descriptor without the suffix matches too.
    Image doubled = ImageBuilder().Import("a.dll.DLL", {{"F", 0}}).Import("B", {{"G", 0}}).Build();
    ExpectSlot(doubled, "A.DLL.dll", "F", doubled.Slot(0, 0));
    for (const char* name : {"a", "a.dll"})
        ExpectError(doubled, name, "F", IATSearchErrorCode::DllNameNotFound, "the descriptor keeps one \".dll\"");
    ExpectSlot(doubled, "b.dll", "G", doubled.Slot(1, 0));
}

TEST(FindIATEntry, FunctionNamesAreExact)
{
    Image image = KernelImage();
    for (const char* name : {"createfilea", "CreateFile", "CreateFileAW", "CreateFileA ", ""})
        ExpectError(image, "kernel32", name, IATSearchErrorCode::SymbolNameNotFound);
    ExpectError(image, "kernel32", std::string_view("CreateFileA\0", 12), IATSearchErrorCode::SymbolNameNotFound);
    ExpectError(image, "kernel32", "MessageBoxA", IATSearchErrorCode::SymbolNameNotFound,
                "another DLL's import is not searched");
}

TEST(FindIATEntry, OrdinalImportsAreNeverFound)
{
    Image image = ImageBuilder().Import("kernel32.dll", {{"", 17}, {"Named", 1}}).Build();
    // An ordinal entry has no name record; whatever its low bits point at is not read as one.
    image.Poke<std::uint64_t>(image.NameTables[0], (std::uint64_t{1} << 63) | image.HintNames[0][1]);
    ExpectError(image, "kernel32", "Ordinal", IATSearchErrorCode::SymbolNameNotFound);
    ExpectSlot(image, "kernel32", "Named", image.Slot(0, 1));
}

TEST(FindIATEntry, OnlyTheFirstDescriptorOfADllIsSearched)
{
    Image image = ImageBuilder()
                      .Import("KERNEL32.dll", {{"GetTickCount", 0}})
                      .Import("kernel32", {{"CreateFileA", 0}, {"GetTickCount", 0}})
                      .Build();
    ExpectError(image, "kernel32", "CreateFileA", IATSearchErrorCode::SymbolNameNotFound);
    ExpectSlot(image, "kernel32", "GetTickCount", image.Slot(0, 0));
}

TEST(FindIATEntry, MissingDirectoriesAndTables)
{
    Image image = KernelImage();
    image.Poke<std::uint32_t>(Nt + 0x90, 0);
    ExpectError(image, "kernel32", "CreateFileA", IATSearchErrorCode::DllNameNotFound, "no import directory");

    Image noNames = ImageBuilder().Import("kernel32.dll", {{"CreateFileA", 0}}, false).Build();
    ExpectError(noNames, "kernel32", "CreateFileA", IATSearchErrorCode::SymbolNameNotFound,
                "a descriptor with only an IAT");

    Image empty = ImageBuilder().Build();
    ExpectError(empty, "kernel32", "CreateFileA", IATSearchErrorCode::DllNameNotFound);
}

TEST(FindIATEntry, RejectsHeadersOfAnythingButAPe32PlusImage)
{
    const auto corrupted = [](auto change) {
        Image image = KernelImage();
        change(image);
        ExpectError(image, "kernel32", "CreateFileA", IATSearchErrorCode::UnexpectedImageHeader);
    };
    corrupted([](Image& i) { i.Poke<std::uint16_t>(Nt + 0x18, 0x10B); }); // PE32
    corrupted([](Image& i) { i.Poke<std::uint32_t>(Nt, 0x00004551); });
    corrupted([](Image& i) { i.Poke<std::uint32_t>(Nt, 0x50450000); });
    corrupted([](Image& i) { i.Poke<std::uint16_t>(Nt + 0x14, 0x7F); }); // ends inside entry 1
    corrupted([](Image& i) { i.Poke<std::uint32_t>(Nt + 0x84, 1); });    // counts entry 0 only
    corrupted([](Image& i) { i.Poke<std::int32_t>(0x3C, -8); });
    corrupted([](Image& i) { i.Poke<std::int32_t>(0x3C, 0x7FFFFFF0); });

    // The smallest accepted header values.
    Image image = KernelImage();
    image.Poke<std::uint16_t>(Nt + 0x14, 0x80);
    image.Poke<std::uint32_t>(Nt + 0x84, 2);
    image.Poke<std::uint16_t>(0, 0); // the DOS signature is not examined
    ExpectSlot(image, "kernel32", "CreateFileA", image.Slot(1, 2));
}

// Each case points one field outside the image (or runs a table into its end): the search must
// answer code 1 without reading outside. AddressSanitizer builds catch any read that does.
TEST(FindIATEntry, AWalkThatWouldLeaveTheImageEndsWithCode1)
{
    const auto leaves = [](const char* what, auto change) {
        Image image = KernelImage();
        change(image);
        SCOPED_TRACE(what);
        ExpectError(image, "kernel32", "CreateFileA", IATSearchErrorCode::UnexpectedImageHeader);
    };
    const auto size = [](Image& i) { return static_cast<std::uint32_t>(i.Size()); };
    const std::size_t kernel = Image::DescriptorsOffset + 20;
    leaves("import directory at the end", [&](Image& i) { i.Poke<std::uint32_t>(Nt + 0x90, size(i) - 8); });
    leaves("import directory far outside", [](Image& i) { i.Poke<std::uint32_t>(Nt + 0x90, 0xFFFFFFF0); });
    leaves("DLL name outside", [&](Image& i) { i.Poke<std::uint32_t>(Image::DescriptorsOffset + 12, size(i)); });
    leaves("name table outside", [&](Image& i) { i.Poke<std::uint32_t>(kernel, size(i) - 4); });
    leaves("hint/name record outside", [&](Image& i) { i.Poke<std::uint64_t>(i.NameTables[1], 0xFFFFFFFF); });
    leaves("slot outside", [&](Image& i) { i.Poke<std::uint32_t>(kernel + 16, size(i) - 16); });
    leaves("slot not aligned",
           [&](Image& i) { i.Poke<std::uint32_t>(kernel + 16, static_cast<std::uint32_t>(i.AddressTables[1] + 4)); });
    leaves("no address table", [&](Image& i) { i.Poke<std::uint32_t>(kernel + 16, 0); });
    leaves("address table in the headers", [&](Image& i) {
        i.Poke<std::uint32_t>(Nt + 0x54, 0x180); // SizeOfHeaders
        i.Poke<std::uint32_t>(kernel + 16, 0x8);
    });
    leaves("SizeOfImage cuts the directory",
           [](Image& i) { i.Poke<std::uint32_t>(Nt + 0x50, Image::DescriptorsOffset + 10); });
    leaves("SizeOfImage cuts the headers", [](Image& i) { i.Poke<std::uint32_t>(Nt + 0x50, Nt + 0x90); });
    leaves("descriptors never end", [](Image& i) {
        for (std::size_t at = Image::DescriptorsOffset + 40; at + 20 <= i.Size(); at += 20)
            i.Poke<std::uint32_t>(at + 12, static_cast<std::uint32_t>(i.DllNames[0]));
    });
    leaves("name table never ends", [](Image& i) {
        const std::size_t last = i.NameTables[1] + 8 * 4;
        i.Poke<std::uint64_t>(last, std::uint64_t{1} << 63);
        i.Poke<std::uint32_t>(Nt + 0x50, static_cast<std::uint32_t>(last + 8));
    });
}

TEST(FindIATEntry, NamesThatRunToTheEndOfTheImage)
{
    // A DLL name at the very end without its NUL: code 1 if the bytes needed to compare it are
    // missing, but a name already longer than any match is rejected without reading further.
    Image image = KernelImage();
    const auto end = static_cast<std::uint32_t>(image.Size());
    std::memcpy(image.Data() + end - 8, "kernel32", 8);
    image.Poke<std::uint32_t>(Image::DescriptorsOffset + 12, end - 8);
    ExpectError(image, "kernel32", "CreateFileA", IATSearchErrorCode::UnexpectedImageHeader);
    ExpectError(image, "ab", "CreateFileA", IATSearchErrorCode::DllNameNotFound);

    // A function name at the very end: compared up to its first difference.
    Image functions = KernelImage();
    std::memcpy(functions.Data() + end - 4, "Crea", 4);
    functions.Poke<std::uint64_t>(functions.NameTables[1], end - 6);
    ExpectError(functions, "kernel32", "CreateFileA", IATSearchErrorCode::UnexpectedImageHeader);
    ExpectSlot(functions, "kernel32", "GetPrivateProfileSectionA", functions.Slot(1, 3), "differs at 'G'");
}

TEST(FindIATEntry, ABufferSmallerThanItsImageIsRejected)
{
    Image image = KernelImage();
    EXPECT_EQ(FindIATEntry(image.Data(), image.Size() - 1, "kernel32", "CreateFileA").error(),
              IATSearchErrorCode::UnexpectedImageHeader);
    for (std::size_t size : {0u, 1u, 0x3Fu, 0x40u, 0xD0u})
        EXPECT_EQ(FindIATEntry(image.Data(), size, "kernel32", "CreateFileA").error(),
                  IATSearchErrorCode::UnexpectedImageHeader)
            << size;
}

TEST(FindIATEntry, ChangesNothing)
{
    Image image = KernelImage();
    const std::vector<std::byte> before(image.Data(), image.Data() + image.Size());
    ASSERT_TRUE(FindIATEntry(image.Data(), "kernel32", "CreateFileA"));
    ASSERT_FALSE(FindIATEntry(image.Data(), "kernel32", "Missing"));
    EXPECT_EQ(std::memcmp(before.data(), image.Data(), before.size()), 0);
}
