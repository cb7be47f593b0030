// Program entry: the game folder is the current directory.
#include "app/GxEntry.h"

int main()
{
    return GxEntryMain();
}
