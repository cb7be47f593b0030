// The movie slots: four numbered slots, each empty or holding one movie player. Created at
// start-up, updated once per main-loop pass (slot 0 first), released at shutdown; the layers'
// movie content, the game-state reset and the main play screen address the slots by number.
// Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class GxTextureMovie;
class GxMoviePlayerFile;

// What a slot holds, for the layers' and the tests' sake.
struct GxMovieSlotInfo
{
    bool m_Open = false;  // the slot holds a player (even one whose Open failed)
    bool m_Playing = false;
    std::u16string m_FileName;
    GxTextureMovie* m_pTexture = nullptr;  // not owned
    int32_t m_LoopCount = 0;
    int32_t m_Volume = 0;  // hundredths of a decibel
    double m_Position = 0.0;
    double m_LoopStart = 0.0;
};

class GxMovie
{
public:
    GxMovie() = delete;

    static constexpr int kSlotCount = 4;

    // Empties the four slots. True.
    static bool Create();
    // The player's Update for every slot that holds one, slot 0 first. True.
    static bool Update();
    static void Release();

    // Closes the slot, puts a new player in it and returns the player's Open. The player stays
    // in the slot when opening fails. Slot numbers outside 0..3 are refused with a log line.
    static bool Open(uint32_t slot, std::u16string_view fileName, GxTextureMovie* texture, bool renderAll,
                     bool dynamic);
    static void Close(uint32_t slot);
    // An empty slot gives false, 0 or 0.0 and does nothing.
    static bool Play(uint32_t slot, int32_t loopCount, int32_t volume);
    static bool Stop(uint32_t slot);
    static bool StopAll();
    static bool SetPosition(uint32_t slot, double seconds);
    static void SetLoopStart(uint32_t slot, double seconds);
    static double GetPosition(uint32_t slot);
    static int32_t GetLoop(uint32_t slot);
    static bool IsPlaying(uint32_t slot);
    static GxMovieSlotInfo GetSlotInfo(uint32_t slot);
    // The slot's player, none when empty.
    static GxMoviePlayerFile* GetPlayer(uint32_t slot);
};
