#include "moa/GxMoaScriptHost.h"

#include "core/GxBinBuffer.h"
#include "core/GxContentReader.h"
#include "core/GxFile.h"
#include "moa/GxMoaRun.h"

GxMoaEx* g_MoaEx = nullptr;
GxMoaWorkerEx* g_MoaWorkerEx = nullptr;
GxMoaBuiltinEx* g_MoaBuiltinEx = nullptr;

bool GxMoaWorkerEx::Run(GxMoaBuiltin* builtins) { return GxMoaRunStatement(*this, builtins); }

void GxCreateScriptHost(GxCore* core)
{
    GxDestroyScriptHost();
    g_MoaEx = new GxMoaEx();
    g_MoaWorkerEx = new GxMoaWorkerEx(g_MoaEx, core);
    g_MoaBuiltinEx = new GxMoaBuiltinEx(core);
}

bool GxLoadCompiledScript()
{
    if (!g_MoaEx || !g_MoaWorkerEx) return false;
    GxBinBuffer buffer;
    if (!GxFileLoadToBinBuffer(buffer, u"bincode/moacode.mwb", false, false)) return false;
    if (buffer.GetSize() == 0) return false;
    bool ok = false;
    {
        GxContentBinaryReader reader(buffer);
        ok = g_MoaEx->ReadProgram(reader);
    }
    if (ok) {
        g_MoaEx->InitExternVariables();
        g_MoaWorkerEx->CreateScriptEntities();
    }
    return ok;
}

void GxDestroyScriptHost()
{
    // The worker and the command set refer to the instance, so it goes last.
    delete g_MoaBuiltinEx;
    g_MoaBuiltinEx = nullptr;
    delete g_MoaWorkerEx;
    g_MoaWorkerEx = nullptr;
    delete g_MoaEx;
    g_MoaEx = nullptr;
}
