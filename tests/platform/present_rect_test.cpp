// The rectangle the picture is shown in, in drawables of any shape: the whole 4:3 picture, as
// large as it fits, centred, with bars on the two sides it leaves.
#include <gtest/gtest.h>

#include <string>

#include "platform/GxPresentRect.h"

namespace {

struct FitCase
{
    int32_t areaW, areaH;
    GxPresentRect expected;
};

TEST(PresentRect, ThePictureFitsWholeAndCentredWithBars)
{
    const FitCase cases[] = {
        {1024, 768, {0, 0, 1024, 768}},     // the picture's own size
        {2048, 1536, {0, 0, 2048, 1536}},   // 4:3: exactly the client, as plain scaling has it
        {800, 600, {0, 0, 800, 600}},
        {1920, 1080, {240, 0, 1440, 1080}},  // 16:9: bars left and right
        {1280, 1024, {0, 32, 1280, 960}},    // 5:4: bars above and below
        {1366, 768, {171, 0, 1024, 768}},    // an odd bar width: the spare pixel goes right
        {1001, 1000, {0, 124, 1001, 751}},   // 750.75 rows round to 751
        {1, 1000, {0, 499, 1, 1}},           // never less than a pixel
        {0, 768, {0, 0, 0, 768}},            // nothing to fit into
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.areaW) + "x" + std::to_string(c.areaH));
        const GxPresentRect r = GxFitPresentRect(1024, 768, c.areaW, c.areaH);
        EXPECT_EQ(r.left, c.expected.left);
        EXPECT_EQ(r.top, c.expected.top);
        EXPECT_EQ(r.width, c.expected.width);
        EXPECT_EQ(r.height, c.expected.height);
    }
    // Another picture's shape is kept too (a double-size back buffer in a 16:10 drawable).
    EXPECT_EQ(GxFitPresentRect(2048, 1536, 1920, 1200), (GxPresentRect{160, 0, 1600, 1200}));
}

TEST(PresentRect, BarsAreOutsideThePicture)
{
    const GxPresentRect r = GxFitPresentRect(1024, 768, 1920, 1080);
    EXPECT_FALSE(r.Contains(239, 540));
    EXPECT_TRUE(r.Contains(240, 540));
    EXPECT_TRUE(r.Contains(1679, 1079));
    EXPECT_FALSE(r.Contains(1680, 540));
    const GxPresentRect t = GxFitPresentRect(1024, 768, 1280, 1024);
    EXPECT_FALSE(t.Contains(640, 31));
    EXPECT_TRUE(t.Contains(640, 32));
    EXPECT_TRUE(t.Contains(640, 991));
    EXPECT_FALSE(t.Contains(640, 992));
}

}  // namespace
