// The program's game screens: one ordered list of their constructors, which the game start-up
// creates under the root task, and the program's hooks of the start-up.
#pragma once

#include <cstddef>

#include "game/GxGameStartup.h"

// The fifteen screens in creation order, "SeqSystem" first; a screen that is not built yet has
// no constructor.
const GxGameScreen* GxGetGameScreenList(size_t* count);
// Installs the list and the reset of the main play screen's flags into the game start-up.
void GxInstallGameScreens();
