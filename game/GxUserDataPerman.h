// The data kept across all plays ("permanent.dat"). The data and its stored form come with the
// game-state subsystem.
#pragma once

#include <string_view>

class GxCore;

class GxUserDataPerman
{
public:
    explicit GxUserDataPerman(GxCore* core) : m_Core(core) {}
    virtual ~GxUserDataPerman() = default;

    GxCore* GetCore() const { return m_Core; }
    // Writes the data to the file at path (the save folder + "permanent.dat").
    bool Save(std::u16string_view path);

private:
    GxCore* m_Core;
};
