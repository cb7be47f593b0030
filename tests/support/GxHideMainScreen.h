// Command tests that stand a recording fake in for the main play screen take the program's own
// screen out of the name lookups first: the fake and its layers use the same task names.
#pragma once

#include <string>

#include "app/task/GxTaskBase.h"
#include "app/task/GxTaskManage.h"

namespace gxtest {

inline void HideTasksNamedForMainScreen(GxTaskBase* task)
{
    for (; task; task = task->GetNextSibling()) {
        const std::u16string& name = task->GetTaskName();
        if (name.ends_with(u":SeqRukoMain")) task->SetTaskName(name + u" (hidden)");
        HideTasksNamedForMainScreen(task->GetFirstChild());
    }
}

// Renames the program's "SeqRukoMain" and every task of its tree named for it; nothing when the
// program has no main play screen.
inline void HideProgramMainScreen(GxTaskManage* tm)
{
    GxTaskBase* main = tm ? tm->FindTaskByName(u"SeqRukoMain") : nullptr;
    if (!main) return;
    main->SetTaskName(u"SeqRukoMain (hidden)");
    HideTasksNamedForMainScreen(main->GetFirstChild());
}

}  // namespace gxtest
