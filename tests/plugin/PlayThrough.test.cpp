// The plugin at work, end to end: the real Nimbrava.dll loaded by the real loader, driven by the
// stand-in host ("Yarrin.dll") and the stand-in ENB ("d3d11.dll" beside this program) through the
// play-through scripts in tests/data/playthrough, each in a game folder of its own with real files.

#include <fstream>
#include <set>
#include <gtest/gtest.h>
#include "PluginHost.h"
#include "TempDirectory.h"

TEST(PlayThrough, EveryScriptPlaysAsItSays)
{
    // In name order, so that every run plays the same: two-d3d11.play leaves a second d3d11.dll loaded
    // for the scripts after it.
    std::set<std::filesystem::path> scripts;
    for (const std::filesystem::path& file : std::filesystem::directory_iterator(NIMBRAVA_PLAYTHROUGH_DATA))
        if (file.extension() == ".play")
            scripts.insert(file);
    ASSERT_GE(scripts.size(), 11u);
    for (const auto& script : scripts)
    {
        NimbravaTest::TempDirectory root;
        std::ifstream text(script);
        EXPECT_EQ(NimbravaTest::PlayScript(text, script, root / "game"), std::vector<std::string>{}) << script;
    }
}
