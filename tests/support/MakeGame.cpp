// nimbrava-make-game DESCRIPTION FOLDER: writes the synthetic game folder that DESCRIPTION describes
// (GameDescription.h) into FOLDER, for tests that run a program over a whole game folder. Exit codes:
// 0 written, 2 bad usage, an unreadable description or an unwritable folder.

#include <cstdio>
#include <exception>
#include "GameDescription.h"

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: nimbrava-make-game DESCRIPTION FOLDER\n");
        return 2;
    }
    try
    {
        const auto files = NimbravaTest::WriteGame(std::filesystem::path(argv[1]));
        NimbravaTest::WriteGameFolder(files, argv[2]);
        std::printf("%zu files written into %s\n", files.Files.size(), argv[2]);
        return 0;
    }
    catch (const std::exception& e)
    {
        std::fprintf(stderr, "nimbrava-make-game: %s\n", e.what());
        return 2;
    }
}
