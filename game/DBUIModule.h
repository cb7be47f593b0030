// Moved to the task level with the screen base and the widgets that read it.
#pragma once

#include "app/DBUIModule.h"
