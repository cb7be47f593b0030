#include "tests/support/GxImageSetFile.h"

#include <algorithm>

#include "core/GxString.h"
#include "tests/support/GxNcWriter.h"
#include "tests/support/GxPictureWriter.h"

namespace gxtest {

bool WriteSolidImageSet(const std::string& folder, const std::string& setPath, const std::vector<UIImageSpec>& images,
                        int32_t maxPageWidth, bool compactPage)
{
    const size_t dot = setPath.rfind(".gis");
    const std::string stem = dot == std::string::npos ? setPath : setPath.substr(0, dot);
    const size_t slash = stem.find_last_of('/');
    const std::string pageName = (slash == std::string::npos ? stem : stem.substr(slash + 1)) + "_0.png";

    // Places every pattern: left to right, a new row when the page width would be passed.
    struct Place
    {
        int32_t x, y;
    };
    std::vector<Place> places;
    int32_t width = 0, height = 1, x = 0, y = 0, rowHeight = 0;
    for (const auto& image : images) {
        for (const auto& p : image.patterns) {
            if (maxPageWidth > 0 && x > 0 && x + p.width > maxPageWidth) {
                x = 0;
                y += rowHeight;
                rowHeight = 0;
            }
            places.push_back({x, y});
            x += p.width;
            rowHeight = std::max(rowHeight, p.height);
            width = std::max(width, x);
            height = std::max(height, y + p.height);
        }
    }
    TestPicture page(static_cast<uint32_t>(std::max(width, 1)), static_cast<uint32_t>(height), 0);
    GxNcCrammedImageSet set;
    set.m_CrammedImageArray.resize(1);
    set.m_CrammedImageArray[0].m_FileName = GxUtf8ToWide(pageName);
    set.m_CrammedImageArray[0].m_ImageWidth = static_cast<int32_t>(page.width);
    set.m_CrammedImageArray[0].m_ImageHeight = static_cast<int32_t>(page.height);
    size_t at = 0;
    for (const auto& image : images) {
        GxNcOriginImage& origin = GxNcAddOriginImage(set, image.name);
        for (const auto& p : image.patterns) {
            const Place place = places[at++];
            // Every pattern's cell starts at the image's origin, so each draws at the widget.
            GxNcAddPattern(origin, 0, 0, 0, p.width, p.height, place.x, place.y);
            const bool picture = p.pixels.size() == size_t(p.width) * size_t(p.height);
            for (int32_t yy = 0; yy < p.height; ++yy)
                for (int32_t xx = 0; xx < p.width; ++xx)
                    page.At(static_cast<uint32_t>(place.x + xx), static_cast<uint32_t>(place.y + yy)) =
                        picture ? p.pixels[size_t(yy) * size_t(p.width) + size_t(xx)] : p.color;
        }
        if (!image.patterns.empty()) {
            origin.m_ImageWidth = image.patterns[0].width;
            origin.m_ImageHeight = image.patterns[0].height;
        }
    }
    const std::string pageFolder = slash == std::string::npos ? std::string() : stem.substr(0, slash + 1);
    const std::vector<uint8_t> png = compactPage ? WritePngCompact(page) : WritePngRgba(page);
    if (!GxNcWriteFileBytes(folder + "/" + pageFolder + pageName, std::string(png.begin(), png.end()))) return false;
    return GxNcWriteFileBytes(folder + "/" + setPath, GxNcImageSetToBytes(set, GxContentForm::Binary));
}

}  // namespace gxtest
