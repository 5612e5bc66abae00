// The plugin at work, end to end: the real Nimbrava.dll loaded by the real loader, driven by the
// stand-in host ("Yarrin.dll") and the stand-in ENB ("d3d11.dll" beside this program) through the
// play-through scripts in tests/data/playthrough, each in a game folder of its own with real files.

#include <fstream>
#include <gtest/gtest.h>
#include "PluginHost.h"
#include "TempDirectory.h"

TEST(PlayThrough, EveryScriptPlaysAsItSays)
{
    int played = 0;
    for (const std::filesystem::path& script : std::filesystem::directory_iterator(NIMBRAVA_PLAYTHROUGH_DATA))
    {
        if (script.extension() != ".play")
            continue;
        ++played;
        NimbravaTest::TempDirectory root;
        std::ifstream text(script);
        EXPECT_EQ(NimbravaTest::PlayScript(text, script, root / "game"), std::vector<std::string>{}) << script;
    }
    EXPECT_GE(played, 11);
}
