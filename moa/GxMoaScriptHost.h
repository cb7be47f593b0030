// The script host as the application core sees it: the global script program, its main worker
// and the game's command set, and their destruction at shutdown. The script runtime fills these
// classes in; until then they are empty shells that start-up does not create.
#pragma once

class GxMoaEx
{
public:
    virtual ~GxMoaEx() = default;
    // Set when a script error has stopped the main worker.
    bool m_StoppedOnError = false;
};

class GxMoaWorkerEx
{
public:
    virtual ~GxMoaWorkerEx() = default;
    bool IsRunning() const { return false; }
};

class GxMoaBuiltinEx
{
public:
    virtual ~GxMoaBuiltinEx() = default;
};

// The script host globals; null while no script host exists.
extern GxMoaEx* g_MoaEx;
extern GxMoaWorkerEx* g_MoaWorkerEx;
extern GxMoaBuiltinEx* g_MoaBuiltinEx;

// Deletes the program object, the main worker and the command set, each when present, and sets
// the three globals to null.
void GxDestroyScriptHost();
