// The plugin at work, end to end: the real Nimbrava.dll loaded by the real loader, driven by the
// stand-in host ("Yarrin.dll") and the stand-in ENB ("d3d11.dll" beside this program) through the
// play-through scripts in tests/data/playthrough, each in a game folder of its own with real files.

#include <fstream>
#include <gtest/gtest.h>
#include "DataFiles.h"
#include "PluginHost.h"
#include "TempDirectory.h"

TEST(PlayThrough, EveryScriptPlaysAsItSays)
{
    const auto scripts = NimbravaTest::FilesWithExtension(NIMBRAVA_PLAYTHROUGH_DATA, ".play");
    ASSERT_GE(scripts.size(), 11u);
    for (const auto& script : scripts)
    {
        NimbravaTest::TempDirectory root;
        std::ifstream text(script);
        EXPECT_EQ(NimbravaTest::PlayScript(text, script, root / "game", {}, false, false), std::vector<std::string>{})
            << script;
    }
}
