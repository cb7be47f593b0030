// The UI module table's columns over untrusted files, and what reads them: the look-up by module
// name and the widget factory, which builds the widget class of each row's UIType and gives it
// the row's sizes, client rectangle, shape, pictures, font and animation speed. The widgets then
// run a few frames (no image set is pooled, so their pictures fail to load and log).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/GxSeqBase.h"
#include "app/task/GxTaskManage.h"
#include "core/GxString.h"
#include "fuzz/db_table_fuzz.h"
#include "fuzz/input_file_fuzz.h"
#include "game/DBUIModule.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxUIWidgetTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!gxfuzz::WriteInputFile("table.txt", data, size)) return 0;
    const std::u16string widePath = GxUtf8ToWide(gxfuzz::InputFolder() + "/table.txt");

    // The program's start-up fills the widget factory; nothing of ui/ is linked otherwise.
    GxRegisterUIWidgets();
    DBUIModule& table = GxGetDBUIModule();
    gxfuzz::LoadTableTwice(table, widePath);

    GxTaskManage manager;
    GxTaskBase* root = new GxTaskBase(&manager);
    auto* screen = new GxSeqBase(u"SeqFuzz", root);
    for (int32_t id = 0; id <= table.GetMaxID(); ++id) {
        const DBUIModuleData& row = *table.GetRow(id);
        if (row.ModuleName.empty()) continue;
        const DBUIModuleData* found = GxFindUIModuleData(row.ModuleName);
        if (!found || found->ModuleName != row.ModuleName || found->ID > id) abort();
        GxTaskUIBase* widget = screen->CreateUIFromModule(screen, row, u"w", id);
        if (!widget) continue;
        widget->LoadImages();
        (void)widget->GetAbsolutePos();
    }
    for (int i = 0; i < 3; ++i) manager.UpdateTasks(screen, 0, 16000);
    return 0;
}
