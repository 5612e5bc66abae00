// The enbseries directory is the working directory of the process at load, joined with "enbseries".
// CTest runs this program from two different working directories.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <gtest/gtest.h>
#include "EnbseriesDirectory.h"

TEST(EnbseriesDirectory, IsTheWorkingDirectoryAtLoad)
{
    const char* expected = std::getenv("NIMBRAVA_EXPECTED_WORKDIR");
    ASSERT_NE(expected, nullptr);
    const auto& directory = Nimbrava::EnbseriesDirectory();
    EXPECT_EQ(directory.filename(), "enbseries");
    EXPECT_EQ(directory.parent_path().filename().string(), expected);
    EXPECT_EQ(directory, std::filesystem::current_path() / "enbseries");
}

TEST(EnbseriesDirectory, DoesNotFollowLaterChanges)
{
    const auto before = Nimbrava::EnbseriesDirectory();
    const auto working = std::filesystem::current_path();
    std::filesystem::current_path(working.parent_path());
    EXPECT_EQ(Nimbrava::EnbseriesDirectory(), before);
    std::filesystem::current_path(working);
}
