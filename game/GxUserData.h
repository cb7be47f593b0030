// The running game's state (current script position, back log, counters, the last dialog
// result). The state itself comes with the game-state subsystem.
#pragma once

#include <cstdint>

class GxCore;

class GxUserData
{
public:
    explicit GxUserData(GxCore* core) : m_Core(core) {}
    virtual ~GxUserData() = default;

    GxCore* GetCore() const { return m_Core; }

    // 1 after yes or OK, 0 after no or cancel of the user dialog.
    int32_t m_LastDialogResult = 0;

private:
    GxCore* m_Core;
};
