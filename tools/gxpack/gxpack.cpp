// gxpack: writes a game folder's "bincode/moacode.mwb" from its "scripts/" folder, whose files
// are written in the test syntax of tests/support/GxMoaPackageBuilder.h (a tool for the demo
// game and tests, not the script language).
//
//     gxpack <game folder>
#include <cstdio>
#include <string>

#include "tests/support/GxGamePackage.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: gxpack <game folder>\n");
        return 2;
    }
    std::string errors;
    if (!GxWriteGamePackage(argv[1], errors)) {
        std::fprintf(stderr, "gxpack: %s", errors.c_str());
        return 1;
    }
    return 0;
}
