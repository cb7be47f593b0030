// The script host: the three global objects through which the game reaches the script runtime
// (the program instance, its main worker "MAIN_WORKER" and the game's command set), their
// creation and destruction, and the load of the compiled package "bincode/moacode.mwb".
//
// Start-up runs the compiler first when asked to (moa/GxMoaCompilerLaunch.h), then
// GxCreateScriptHost and GxLoadCompiledScript; shutdown calls GxDestroyScriptHost.
#pragma once

#include "moa/GxMoaBuiltinDefault.h"
#include "moa/GxMoaEx.h"
#include "moa/GxMoaWorker.h"

class GxCore;

// The game's worker. Its statement loop has the language's dispatch; the game's own treatment
// of command statements and text lines belongs to the game's layer on top of it.
class GxMoaWorkerEx : public GxMoaWorker
{
public:
    GxMoaWorkerEx(GxMoa* owner, GxCore* core) : GxMoaWorker(owner), m_pCore(core) {}
    ~GxMoaWorkerEx() override = default;

    bool Run(GxMoaBuiltin* builtins) override;

    GxCore* GetCore() const { return m_pCore; }

private:
    GxCore* m_pCore;
};

// The game's command set. The game's commands live above index 299; every index it does not
// take over goes to the generic builtins. Its routing and commands are the game's
// (game/GxGameCommand.h), reached through GxMoaGameHooks.
class GxMoaBuiltinEx : public GxMoaBuiltinDefault
{
public:
    explicit GxMoaBuiltinEx(GxCore* core) : m_pCore(core) {}

    bool CallBuiltin(std::u16string_view name, int32_t index, GxMoaVariable& args, GxMoaWorker& worker,
                     GxMoaScriptEntity* entity, GxMoaExecStack& execStack, GxMoaVariable& result) override;

    GxCore* GetCore() const { return m_pCore; }

private:
    GxCore* m_pCore;
};

// The game's side of the host: its routing of the command indices it takes over and its treatment
// of a script's text lines. The game installs them as the program starts (game/GxGameCommand.cpp);
// until then every command goes to the generic builtins and a text line shows nothing.
struct GxMoaGameHooks
{
    bool (*callCommand)(GxMoaBuiltinEx& builtins, std::u16string_view name, int32_t index, GxMoaVariable& args,
                        GxMoaWorker& worker, GxMoaScriptEntity* entity, GxMoaExecStack& execStack,
                        GxMoaVariable& result) = nullptr;
    void (*showTextLine)(GxCore* core, GxMoaWorker& worker, std::u16string_view text) = nullptr;
};
void GxSetMoaGameHooks(const GxMoaGameHooks& hooks);

// The script host globals; null while no script host exists.
extern GxMoaEx* g_MoaEx;
extern GxMoaWorkerEx* g_MoaWorkerEx;
extern GxMoaBuiltinEx* g_MoaBuiltinEx;

// Replaces any host that exists with a new one: an empty program instance, its main worker and
// the command set, all keeping the application object (which may be null in tests).
void GxCreateScriptHost(GxCore* core);

// Loads "bincode/moacode.mwb" through the file layer (loose file or pack member, no cache) into
// the program instance; when it reads whole, creates the EXTERN variables and the worker's
// script entities. False when there is no host, the file is missing or empty (the file layer
// logs it) or the package is damaged (what was read stays, nothing is created).
bool GxLoadCompiledScript();

// Deletes the command set, the main worker and the program instance, each when present, and
// sets the three globals to null.
void GxDestroyScriptHost();
