// Pieces of the system and message commands that the text block commands share.
#pragma once

#include <cstdint>
#include <string>

#include "game/GxGameCommand.h"

// Where a message statement is recorded as read: the calling script and its line + 1.
struct GxMessageKey
{
    std::u16string script;
    int32_t bit = 0;
};
GxMessageKey GxCurrentMessageKey(GxGameCommandCall& call);

// Uniform in a..b inclusive (either order) from the engine's generator; a when a == b, without
// drawing. Every 32-bit range, the full one included.
int32_t GxRandomInRange(int32_t a, int32_t b);
