// Where the application core hands over to the game: the start-up settings step before the task
// manager exists, the game start-up after the device, input, sound and movie are up, and the
// release of the global fonts at shutdown. The frame is in GxGameFrame.h.
//
// For now the game start-up builds what exists of the game: the data tables, the fonts, the
// permanent data and the player's options, the root task, the persistent system screen and the
// first sequence when those screens are there, the random generators and the file cache. The
// gallery split, image sets, the script and the screens come with their subsystems.
#pragma once

#include <cstdint>

class GxCore;

// The BGM restraint level in percent (100: music at its full volume).
extern int32_t g_GxBgmRestrainPercent;

// Deletes "device.log" (and "debug.log" and "error.log" when CleanErrorLog is on), then sets the
// start-up globals: cursor mode 1, screen mode 0 (window), requested screen size 1024 x 768,
// 60 frames and 60 update steps per second.
void GxInitGameSettings(GxCore* core);
// The start-up's table step: the nine table files into the eight tables, in their order.
void GxLoadGameTables();
// The game start-up; true in every case (failures are logged and start-up goes on).
bool GxLoadGlobalGameData(GxCore* core);
// Clears the glyph atlases and releases the bitmap fonts.
void GxReleaseGlobalFonts();
