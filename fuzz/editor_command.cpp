// Fuzz target: the texts the editor launcher takes from outside: a desktop-entry file (the
// XDG default application lists and .desktop files), a "TextEditorCommand" template split
// into arguments and expanded with a path, and environment references. Input: the text; its
// first byte picks the line number.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/GxString.h"
#include "moa/GxMoaEditorLaunch.h"
#include "platform/GxProcess.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const int32_t line = static_cast<int32_t>(data[0]) * 1000 - 7;
    (void)GxDesktopEntryValue(text, "Desktop Entry", "Exec");
    (void)GxDesktopEntryValue(text, "Default Applications", "text/plain");
    (void)GxExpandEnvironmentStrings(text);
    const std::u16string wide = GxUtf8ToWide(text);
    for (const std::u16string& arg : GxSplitCommandLine(wide)) {
        // An argument never keeps a separating blank outside quotes it came from, and a path
        // goes in whole.
        const std::u16string expanded = GxExpandTextEditorCommand(arg, u"a \"b\".txt", line);
        if (arg.find(u"%file") != std::u16string::npos && expanded.find(u"a \"b\".txt") == std::u16string::npos)
            abort();
    }
    (void)GxBuildEditorArgumentList(wide, wide, line);
    return 0;
}
