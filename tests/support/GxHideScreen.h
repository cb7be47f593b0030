// Tests that stand a recording fake in for one of the program's screens (or need the screen to
// be missing) take the program's own screen out of the name lookups first: the fake and its
// tasks use the same names.
#pragma once

#include <string>

#include "app/task/GxTaskBase.h"
#include "app/task/GxTaskManage.h"

namespace gxtest {

inline void HideTasksNamedFor(GxTaskBase* task, const std::u16string& suffix)
{
    for (; task; task = task->GetNextSibling()) {
        const std::u16string& name = task->GetTaskName();
        if (name.ends_with(suffix)) task->SetTaskName(name + u" (hidden)");
        HideTasksNamedFor(task->GetFirstChild(), suffix);
    }
}

// Renames the program's screen of that name and every task of its tree named for it
// ("$...:<screen>"); nothing when the program has no such screen.
inline void HideProgramScreen(GxTaskManage* tm, const std::u16string& screen)
{
    GxTaskBase* task = tm ? tm->FindTaskByName(screen.c_str()) : nullptr;
    if (!task) return;
    task->SetTaskName(screen + u" (hidden)");
    HideTasksNamedFor(task->GetFirstChild(), u":" + screen);
}

inline void HideProgramMainScreen(GxTaskManage* tm) { HideProgramScreen(tm, u"SeqRukoMain"); }

}  // namespace gxtest
