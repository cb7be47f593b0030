#include "core/GxInterpolate.h"  // moved to core/; the tests still include this path
