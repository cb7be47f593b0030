// The harness's input script (GX_INPUT_SCRIPT) parsed from bytes: every event it keeps is in
// frame order, from frame 1, and a screenshot names a file.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/GxHeadless.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<GxInputScriptEvent> events;
    std::string error;
    const bool ok = GxParseInputScript(std::string_view(reinterpret_cast<const char*>(data), size), events, error);
    if (!ok && (!events.empty() || error.empty())) abort();
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].frame == 0) abort();
        if (i > 0 && events[i].frame < events[i - 1].frame) abort();
        if (events[i].kind == GxInputScriptEvent::Kind::Screenshot && events[i].path.empty()) abort();
        if (events[i].path.size() > size) abort();
    }
    return 0;
}
