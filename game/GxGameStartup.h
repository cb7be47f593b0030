// Where the application core hands over to the game: the start-up settings step before the task
// manager exists, the game start-up after the device, input, sound and movie are up, and the
// release of the global fonts at shutdown. The frame is in GxGameFrame.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "graphics/GxFontGlobals.h"

class GxCore;
class GxTaskBase;

// The BGM restraint level in percent (100: music at its full volume).
extern int32_t g_GxBgmRestrainPercent;

// Deletes "device.log" (and "debug.log" and "error.log" when CleanErrorLog is on), then sets the
// start-up globals: cursor mode 1, screen mode 0 (window), requested screen size 1024 x 768,
// 60 frames and 60 update steps per second.
void GxInitGameSettings(GxCore* core);
// The start-up's table step: the nine table files into the eight tables, in their order, with
// the gallery cells split after the first files and before the battle-map files join.
void GxLoadGameTables();
// The game start-up. Failures are logged and start-up goes on, except for a script package
// that does not read (missing, empty, damaged or unreadable, after the compiler ran when
// AutoCompile asks for it): that is shown in a message box naming the file and the result is
// false (the program must not run).
bool GxLoadGlobalGameData(GxCore* core);
// Clears the glyph atlases and releases the bitmap fonts.
void GxReleaseGlobalFonts();

// A screen the start-up creates under the root task: its task name and its constructor (none
// while the screen is not built yet).
struct GxGameScreen
{
    const char16_t* taskName;
    GxTaskBase* (*create)(GxTaskBase* parent);
};
// The screens in creation order; the first is the persistent system screen "SeqSystem". The
// program installs its list before the start-up (the list is not owned).
void GxSetGameScreens(const GxGameScreen* screens, size_t count);

// What the game start-up calls of the rest of the engine, in the order it calls them. The
// defaults are the engine's own; a test replaces entries to log the calls.
struct GxGameStartupServices
{
    void (*setSkipSlightError)(bool skip);
    void (*setDebugListener)();
    uint32_t (*launchScriptCompiler)();
    void (*showArrowCursor)(GxCore* core);
    // The main play screen's process-wide flags and counters back to 0 (installed by the program;
    // none: nothing to clear).
    void (*resetMainScreenFlags)();
    void (*releaseImageSets)();
    void (*createRenderTargets)();
    void (*loadTables)();
    void (*loadFonts)(const std::u16string& folder, const int32_t (&sizes)[GX_GDIFONTMAP_COUNT],
                      const std::u16string& messageFontName);
    void (*createScriptHost)(GxCore* core);
    bool (*loadCompiledScript)();
    bool (*addImageSet)(const std::u16string& path);
    bool (*loadAllEffects)(const std::u16string& motionFolder, const std::u16string& imageSetFolder);
    bool (*loadPermanentData)(GxCore* core);
    bool (*loadOptions)(GxCore* core);
    bool (*changeScreenMode)(int32_t mode);
    // Seconds of the calendar clock plus milliseconds of the monotonic clock.
    uint32_t (*seedClock)();
    void (*seedRuntimeRandom)(uint32_t seed);
    void (*seedEngineRandom)(uint32_t seed);
    void (*setFileCache)(bool enabled);
};
GxGameStartupServices& GxGetGameStartupServices();
// The engine's own services.
GxGameStartupServices GxDefaultGameStartupServices();
