// The movie slots: created at start-up, updated once per main-loop pass, released at shutdown,
// and opened, played, stopped and sought by number. Decoding comes with the movie subsystem;
// until then a slot only keeps what it was asked for (file, texture, loop, volume, position),
// so that layers can open, save and restore movies.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class GxTextureMovie;

// What a slot holds; readable for the layers' and the tests' sake.
struct GxMovieSlotInfo
{
    bool m_Open = false;
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

    static bool Create();
    // Updates every non-empty slot.
    static void Update();
    static void Release();

    // Closes the slot, then opens the file into the texture. False for a slot number out of
    // range, an empty name or no texture.
    static bool Open(uint32_t slot, std::u16string_view fileName, GxTextureMovie* texture, int32_t flag,
                     int32_t reserved);
    static void Close(uint32_t slot);
    // False for an empty slot.
    static bool Play(uint32_t slot, int32_t loopCount, int32_t volume);
    static void Stop(uint32_t slot);
    // Stop on every slot that holds a movie. True.
    static bool StopAll();
    static void SetPosition(uint32_t slot, double seconds);
    static void SetLoopStart(uint32_t slot, double seconds);
    static double GetPosition(uint32_t slot);
    static int32_t GetLoop(uint32_t slot);
    static bool IsPlaying(uint32_t slot);
    // An empty record for a slot number out of range.
    static GxMovieSlotInfo GetSlotInfo(uint32_t slot);
};
