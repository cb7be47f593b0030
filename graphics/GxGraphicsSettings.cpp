#include "graphics/GxGraphicsSettings.h"

GxGraphicsSettings& GxGetGraphicsSettings()
{
    static GxGraphicsSettings settings;
    return settings;
}
