#include "app/GxCoreTrace.h"

namespace {
GxCoreTraceSink g_Sink = nullptr;
void* g_Context = nullptr;
}  // namespace

void GxSetCoreTraceSink(GxCoreTraceSink sink, void* context)
{
    g_Sink = sink;
    g_Context = context;
}

void GxCoreTrace(const char* step)
{
    if (g_Sink) g_Sink(step, g_Context);
}
