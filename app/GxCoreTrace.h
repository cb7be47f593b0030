// The steps of start-up, the main loop and shutdown, named as the application core takes them
// ("GxSound::Create", "Present", ...). Tests watch their order through a sink; without a sink
// nothing is recorded.
#pragma once

using GxCoreTraceSink = void (*)(const char* step, void* context);

void GxSetCoreTraceSink(GxCoreTraceSink sink, void* context);
void GxCoreTrace(const char* step);
