// Settings files ("system/sysconf.ini", "setting.ini") parsed from bytes and queried.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/GxINIFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    GxINIFile ini;
    ini.LoadFromMemory(data, size);
    if (ini.GetCount() > size) abort();
    for (const char16_t* key : {u"", u"APP_TITLE", u"FONTSIZE_0", u"DebugModeFlag", u"A"}) {
        std::u16string value = ini.GetString(key, u"\x1");
        if (value != u"\x1" && value.size() > size) abort();
        ini.GetInt(key, 7);
        ini.GetInt64(key, 7);
        ini.GetBool(key, true);
    }
    return 0;
}
