// Where the picture goes in a drawable of any size: as large as it fits whole, centred, the rest
// left black (bars above and below, or left and right). The display keeps its own mode in full
// screen, so the drawable there is the desktop's size and shape, not the picture's. On a drawable
// of the picture's own shape the picture fills it exactly, so scaling by the drawable's size and
// mapping through this rectangle agree there.
//
// The mouse maps through the same rectangle: a point of the drawable goes to the picture by its
// offset from the rectangle's corner times picture size / rectangle size.
#pragma once

#include <algorithm>
#include <cstdint>

// The logical screen: the picture the game draws on, whatever the window's or the display's size.
constexpr int32_t kGxLogicalScreenWidth = 1024;
constexpr int32_t kGxLogicalScreenHeight = 768;

struct GxPresentRect
{
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;

    int32_t Right() const { return left + width; }
    int32_t Bottom() const { return top + height; }
    // Whether a drawable pixel shows the picture (false in a bar).
    bool Contains(int32_t x, int32_t y) const { return x >= left && x < Right() && y >= top && y < Bottom(); }
    bool operator==(const GxPresentRect&) const = default;
};

// The rectangle of a pictureWidth x pictureHeight picture in an areaWidth x areaHeight drawable.
// An empty picture or drawable gives the whole drawable (nothing to fit).
inline GxPresentRect GxFitPresentRect(int32_t pictureWidth, int32_t pictureHeight, int32_t areaWidth,
                                      int32_t areaHeight)
{
    const int32_t aw = std::max(areaWidth, 0), ah = std::max(areaHeight, 0);
    if (pictureWidth <= 0 || pictureHeight <= 0 || aw == 0 || ah == 0) return GxPresentRect{0, 0, aw, ah};
    const int64_t pw = pictureWidth, ph = pictureHeight;
    const int64_t across = int64_t{aw} * ph, down = int64_t{ah} * pw;
    if (across == down) return GxPresentRect{0, 0, aw, ah};
    if (across < down) {
        // Narrower than the picture: the full width, bars above and below.
        const int32_t h = static_cast<int32_t>(std::clamp<int64_t>((2 * across + pw) / (2 * pw), 1, ah));
        return GxPresentRect{0, (ah - h) / 2, aw, h};
    }
    const int32_t w = static_cast<int32_t>(std::clamp<int64_t>((2 * down + ph) / (2 * ph), 1, aw));
    return GxPresentRect{(aw - w) / 2, 0, w, ah};
}
