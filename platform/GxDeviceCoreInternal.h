// File-local checks that several parts of the shared device use: the adapter's format lists, the
// texture and copy rectangles.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/GxDeviceTypes.h"

namespace GxDeviceCoreInternal {

inline bool Contains(const std::vector<GxFormat>& v, GxFormat f)
{
    return std::find(v.begin(), v.end(), f) != v.end();
}

inline bool RectInside(const GxRectL& r, uint32_t width, uint32_t height)
{
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
           static_cast<uint32_t>(r.right) <= width && static_cast<uint32_t>(r.bottom) <= height;
}

}  // namespace GxDeviceCoreInternal
