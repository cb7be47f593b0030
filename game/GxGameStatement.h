// The game's text lines. The main worker's statement step (GxMoaWorkerEx::Run) hands every text
// line of the script here: the line becomes the message of the main play screen, with the
// speaker's name split off by the name mode of the running game, goes to the back log and is
// recorded as read.
#pragma once

#include <string_view>

class GxCore;
class GxMoaWorker;

// The worker's top block stands on the line. Each part of the core that is missing (the
// screen, the game state, the permanent data, the settings) is passed over; without the settings
// there are no name separators and the whole line is the message.
void GxShowScriptTextLine(GxCore* core, GxMoaWorker& worker, std::u16string_view text);
