// The command line's table (tools/nimbrava-check/cli/Options.h) against what the checker's texts say
// of options: every option that a finding, a message or a comment below the command line names
// ("give it with --plugins-txt"), and the prose of --help, is one that the table spells so.

#include <fstream>
#include <gmock/gmock.h>
#include <regex>
#include <set>
#include "DataFiles.h"
#include "cli/Options.h"

TEST(Options, EveryOptionTheTextsNameIsOneOfTheTable)
{
    std::set<std::string> spellings;
    for (const auto& option : NimbravaCheck::Cli::Options())
        spellings.insert(std::string(option.Spelling));
    const std::regex named(R"((^|[^A-Za-z0-9_-])(--[a-z][a-z0-9-]*))");
    std::size_t files = 0, names = 0;
    for (const char* layer : {"text", "checks", "commands", "cli"})
        for (const auto& entry :
             std::filesystem::recursive_directory_iterator(std::filesystem::path(NIMBRAVA_CHECK_SOURCE) / layer))
        {
            if (entry.path().extension() != ".cpp" && entry.path().extension() != ".h")
                continue;
            ++files;
            const std::string text = NimbravaTest::ReadFile(entry.path());
            for (std::sregex_iterator it(text.begin(), text.end(), named), end; it != end; ++it, ++names)
                EXPECT_TRUE(spellings.contains((*it)[2].str())) << (*it)[2] << " in " << entry.path();
        }
    EXPECT_GE(files, 50u);
    EXPECT_GE(names, 8u);
}
