// gxdemo: writes the generated files of the demo game (pictures with their labels, grid fonts,
// image sets, data tables, music, effect, voice and movies) into the given game folder, then its
// package from its "scripts/" folder.
//
//     gxdemo <demo folder>
#include <cstdio>
#include <string>

#include "tests/support/GxDemoGame.h"
#include "tests/support/GxGamePackage.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: gxdemo <demo folder>\n");
        return 2;
    }
    if (!gxdemo::WriteGeneratedFiles(argv[1])) {
        std::fprintf(stderr, "gxdemo: cannot write the files into %s\n", argv[1]);
        return 1;
    }
    std::string errors;
    if (!GxWriteGamePackage(argv[1], errors)) {
        std::fprintf(stderr, "gxdemo: %s", errors.c_str());
        return 1;
    }
    return 0;
}
