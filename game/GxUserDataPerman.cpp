#include "game/GxUserDataPerman.h"

bool GxUserDataPerman::Save(std::u16string_view path)
{
    // The stored form comes with the data itself.
    (void)path;
    return true;
}
