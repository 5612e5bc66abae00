#include "Orvel/Hook/FindIATEntry.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include "DataFiles.h"
#include "ImageBuilder.h"

using NimbravaTest::Image;
using NimbravaTest::ImageBuilder;
using Orvel::Hook::FindIATEntry;
using Orvel::Hook::IATSearchErrorCode;
using Orvel::Hook::IATSearchErrorContext;

TEST(FindIATEntry, CasesOfTheTable)
{
    std::map<std::string, std::string> layouts;
    int cases = 0;
    for (const auto& row : NimbravaTest::ReadTable(NIMBRAVA_TEST_DATA "/hook/find.tsv"))
    {
        if (row[0] == "image")
        {
            layouts[row.at(1)] = row.size() > 2 ? row[2] : "";
            continue;
        }
        SCOPED_TRACE(row[0] + " " + row.at(1) + " " + row.at(2) + " " + row.at(3));
        Image image = ImageBuilder::Layout(layouts.at(row[0]));
        image.Patch(row[1]);
        const std::vector<std::byte> before(image.Data(), image.Data() + image.Size());
        std::string expected = row.at(4);
        if (expected.starts_with("slot "))
            expected = "slot " + std::to_string(NimbravaTest::Evaluate(expected.substr(5), image.Places));
        for (const auto& found :
             {FindIATEntry(image.Data(), row[2], row[3]), FindIATEntry(image.Data(), image.Size(), row[2], row[3])})
        {
            EXPECT_EQ(found ? "slot " + std::to_string(reinterpret_cast<std::byte*>(*found) - image.Data())
                            : "code " + std::to_string(found.error().value()),
                      expected);
            EXPECT_TRUE(found || &found.error().category() == &IATSearchErrorContext::Instance());
        }
        EXPECT_EQ(std::memcmp(before.data(), image.Data(), before.size()), 0) << "the search changed the image";
        ++cases;
    }
    EXPECT_GE(cases, 58);
}

TEST(FindIATEntry, ABufferSmallerThanItsImageOrNoModuleIsRejected)
{
    Image image = ImageBuilder::Layout("KERNEL32.dll:CreateFileA");
    for (const std::size_t size :
         {image.Size() - 1, std::size_t{0}, std::size_t{1}, std::size_t{0x3F}, std::size_t{0x40}, std::size_t{0xD0}})
        EXPECT_EQ(FindIATEntry(image.Data(), size, "kernel32", "CreateFileA").error(),
                  IATSearchErrorCode::UnexpectedImageHeader)
            << size;
    EXPECT_EQ(FindIATEntry(nullptr, "kernel32", "CreateFileA").error(), IATSearchErrorCode::UnexpectedImageHeader);
}
