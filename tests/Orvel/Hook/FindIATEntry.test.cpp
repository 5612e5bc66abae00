#include "Orvel/Hook/FindIATEntry.h"

#include <gtest/gtest.h>
#include "DataFiles.h"
#include "ImageBuilder.h"

using namespace NimbravaTest;
using namespace Orvel::Hook;

TEST(FindIATEntry, CasesOfTheTable)
{
    std::map<std::string, std::string> layouts;
    for (const auto& row : ReadTable(NIMBRAVA_TEST_DATA "/hook/find.tsv"))
    {
        if (row[0] == "image")
        {
            layouts[row.at(1)] = row.size() > 2 ? row[2] : "";
            continue;
        }
        SCOPED_TRACE(row[0] + " " + row.at(1) + " " + row.at(2) + " " + row.at(3));
        Image image = LayOutImage(layouts.at(row[0]));
        constexpr std::string_view BufferSize = "buffer=", Slot = "slot ";
        const bool buffer = row[1].starts_with(BufferSize);
        image.Patch(buffer ? "-" : row[1]);
        const std::size_t size = buffer ? Evaluate(row[1].substr(BufferSize.size()), image.Places) : image.Size();
        const std::vector<std::byte> before(image.Data(), image.Data() + image.Size());
        std::string expected = row.at(4);
        if (expected.starts_with(Slot))
            expected = std::string(Slot) + std::to_string(Evaluate(expected.substr(Slot.size()), image.Places));
        std::vector results{FindIATEntry(image.Data(), size, row[2], row[3])};
        if (!buffer)
            results.push_back(FindIATEntry(image.Data(), row[2], row[3]));
        for (const auto& found : results)
        {
            EXPECT_EQ(found ? "slot " + std::to_string(reinterpret_cast<std::byte*>(found.value()) - image.Data())
                            : "code " + std::to_string(found.error().value()),
                      expected);
            EXPECT_TRUE(found || &found.error().category() == &IATSearchErrorContext::Instance());
            EXPECT_EQ(found.has_value(), !found.error()) << "a found slot comes with no error code";
        }
        EXPECT_EQ(std::memcmp(before.data(), image.Data(), before.size()), 0) << "the search changed the image";
    }
    EXPECT_EQ(FindIATEntry(nullptr, "kernel32", "CreateFileA").error(), IATSearchErrorCode::UnexpectedImageHeader);
}
