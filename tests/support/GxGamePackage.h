// The game's script package from a folder of scripts in the test syntax of GxMoaPackageBuilder:
// what the package writer tool does, shared with the tests that check it.
#pragma once

#include <string>

class GxMoaPackageBuilder;

// Gives the builder every game command word, each at an index of its band (the first word of
// a band gets the band's first index, the next one the following index, ...), and "endtext" at
// the first index from 300 that no band covers (the text block looks for the name only; a
// call of it reaches no command).
void GxAddGameBuiltins(GxMoaPackageBuilder& builder);
// The index GxAddGameBuiltins gives "endtext".
int GxEndTextBuiltinIndex();

// Every regular file under "<gameFolder>/scripts/" (in name order, sub-folders included) becomes
// the script named by its path below "scripts/" ("main.txt", "ev/a.txt"), UTF-8 with an optional
// signature; the package goes to "<gameFolder>/bincode/moacode.mwb". False, with the reasons in
// errors (one per line), when there is no script, a script does not build or the file cannot
// be written; nothing is written then.
bool GxWriteGamePackage(const std::string& gameFolder, std::string& errors);
