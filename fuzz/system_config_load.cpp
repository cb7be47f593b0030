// The game's settings over untrusted files: the input is both "system/sysconf.ini" and
// "setting.ini" (their keys differ), read into GxSystemConfig as start-up does, with the pack
// files the settings name opened and closed again; then the font sizes go to the glyph atlases
// and the colours, sizes and lists are read back.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/GxPackFile.h"
#include "fuzz/input_file_fuzz.h"
#include "game/GxSystemConfig.h"
#include "graphics/GxFontGlobals.h"
#include "graphics/GxGDIFontMap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!gxfuzz::WriteInputFile("setting.ini", data, size)) return 0;
    static const bool folder = [] {
        mkdir("system", 0700);
        std::atexit([] {
            std::remove("system/sysconf.ini");
            rmdir("system");
        });
        return true;
    }();
    (void)folder;
    FILE* f = std::fopen("system/sysconf.ini", "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);

    GxSystemConfig sc;
    if (!sc.LoadSysConf() || !sc.LoadSetting()) abort();
    GxFileCloseAllPacks();
    for (const std::u16string* text : {&sc.m_AppTitle, &sc.m_AppSaveDir, &sc.m_MeswinTextBuiltinFontName,
                                       &sc.m_TextEditorCommand, &sc.m_FileCgError, &sc.m_BgmNameTitle}) {
        if (text->size() > size + 64) abort();
    }
    for (int k = 0; k < GX_GDIFONTMAP_COUNT; ++k) {
        GxGDIFontMap* map = GxGetGDIFontMap(k);
        if (!map) abort();
        map->SetFont(sc.m_FontSize[k], nullptr);
        (void)map->GetGlyph(u'あ');
        (void)map->GetGlyph(u'A');
        map->Clear();
    }
    return 0;
}
