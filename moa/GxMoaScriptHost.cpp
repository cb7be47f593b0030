#include "moa/GxMoaScriptHost.h"

GxMoaEx* g_MoaEx = nullptr;
GxMoaWorkerEx* g_MoaWorkerEx = nullptr;
GxMoaBuiltinEx* g_MoaBuiltinEx = nullptr;

void GxDestroyScriptHost()
{
    delete g_MoaEx;
    g_MoaEx = nullptr;
    delete g_MoaWorkerEx;
    g_MoaWorkerEx = nullptr;
    delete g_MoaBuiltinEx;
    g_MoaBuiltinEx = nullptr;
}
