#include "game/GxMainScreen.h"

#include "app/GxCore.h"
#include "app/task/GxTaskManage.h"

GxMainScreen* GxFindMainScreen(GxCore* core)
{
    GxTaskManage* tm = core ? core->GetTaskManage() : nullptr;
    return tm ? dynamic_cast<GxMainScreen*>(tm->FindTaskByName(kGxMainScreenName)) : nullptr;
}
