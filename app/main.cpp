// Program entry: the game folder is the current directory.
#include "core/GxLog.h"

int main()
{
    GxPrintDebugLog(u"gxplay: start\n");
    return 0;
}
