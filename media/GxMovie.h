// The movie slots as the application core drives them: created at start-up, updated once per
// main-loop pass, released at shutdown. Playback comes with the movie subsystem; until then the
// four slots stay empty.
#pragma once

class GxMovie
{
public:
    GxMovie() = delete;

    static constexpr int kSlotCount = 4;

    static bool Create();
    // Updates every non-empty slot.
    static void Update();
    static void Release();
};
