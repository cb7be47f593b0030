// The game's command set: what every command handler receives, the argument helpers the
// handlers share, and the routing of a builtin to its handler by index band and word.
//
// Each family of commands lives in its own file (game/GxCommands*.cpp) and answers the words
// declared in game/GxGameCommandHandlers.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/GxFormat.h"
#include "moa/GxMoaExec.h"
#include "moa/GxMoaWorker.h"

class GxCore;
class GxMoaBuiltin;
class GxMoaScriptEntity;
class GxMoaVariable;

// One call of a game command, as the executor made it.
struct GxGameCommandCall
{
    std::u16string_view name;  // the word as written in the script, e.g. "sp.color"
    GxMoaVariable& args;       // an Array when the call has arguments (may be shorter than read)
    GxMoaWorker& worker;
    GxMoaScriptEntity* entity;  // the calling script, or null
    GxMoaExecStack& execStack;
    GxMoaBuiltin& commands;  // the command set that was called
    GxMoaVariable& result;   // Null on entry; value-returning commands store here
    GxCore* core;            // the application object; null in some tests

    // Argument i. Grows the array with Null elements up to i + 1 first, so a missing argument
    // reads as Null; null when the arguments are no Array at all (then every argument is
    // absent).
    GxMoaVariable* Arg(int32_t i);
    // Present: exists, is not Null and its text is not empty (an empty string is absent).
    bool ArgPresent(int32_t i);
    // The argument's value under the language's conversions; absent reads as 0, 0.0 or "".
    int32_t ArgInt(int32_t i);
    double ArgFloat(int32_t i);
    std::u16string ArgString(int32_t i);

    // The worker's builtin-error report: an error line "name:message" at the calling script
    // and line.
    template <typename... Args>
    void Error(std::u16string_view format, const Args&... a)
    {
        worker.ReportError(name, entity, &execStack, format, a...);
    }
};

using GxGameCommandHandler = bool (*)(GxGameCommandCall& call);

// One command word of a band: indices first..last select the band; inside it the words are
// compared in table order.
struct GxGameCommandWord
{
    int32_t first;
    int32_t last;
    const char16_t* word;
    GxGameCommandHandler handler;
};

// Every command word of the game in comparison order (the package writer gives each word an
// index of its band).
const GxGameCommandWord* GxGetGameCommandWords(size_t* count);

// Routes a call at index 300 and above to the handler of its band and word; false for an
// index outside every band or a word its band does not have.
bool GxDispatchGameCommand(GxGameCommandCall& call, int32_t index);

// Gives the script host the game's side: its command routing (trace and debug-log output, the
// generic builtins below index 300, the game's commands above) and its text lines.
void GxInstallGameScriptHooks();

// The horizontal position of an item of the given width on the 1024 x 768 screen: no
// argument gives the default; a number its value; "L" 0, "M" trunc(1024 - width) * 0.5,
// "R" trunc(1024 - width); any other text the default.
float GxCommandAlignX(const GxMoaVariable* arg, float defaultX, float width);
// The vertical position: no argument 768 - height; a number its value; "T" 0,
// "M" trunc(768 - height) * 0.5, "B" trunc(768 - height); any other text 768 - height.
float GxCommandAlignY(const GxMoaVariable* arg, float height);
