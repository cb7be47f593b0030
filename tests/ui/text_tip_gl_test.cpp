// A real frame on the GL device: a text button with its caption over a two-colour picture, and
// the tool-tip balloon tiled from a frame picture whose 16 x 16 cells each have a colour of their
// own, read back at every kind of tile, outside, and inside the caption's glyph boxes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/GxString.h"
#include "game/DBUIModule.h"
#include "layer/GxNcFactory.h"
#include "layer/GxNcImageSet.h"
#include "seq/SeqSystem.h"
#include "tests/support/GxNcWriter.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

// Cell (column, row) of the frame picture.
uint32_t CellColour(uint32_t column, uint32_t row)
{
    if (column == 2 || row == 2) return 0xFFFFFFFFu;  // never used
    return 0xFF000000u | ((column * 60u + 20u) << 16) | ((row * 60u + 20u) << 8) | 0x40u;
}

// "uigis/gl.gis": "frame.png" (64 x 64, 4 x 4 cells) and "cap_off.png" (120 x 40, red left half,
// blue right half) packed side by side on one page. Pages are a power of two wide, as packers
// make them: the page texture's coordinates count its surface.
bool WriteSet(gxtest::UIHarness& h)
{
    gxtest::TestPicture page(256, 64, 0);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x) page.At(x, y) = CellColour(x / 16, y / 16);
    for (uint32_t y = 0; y < 40; ++y)
        for (uint32_t x = 0; x < 120; ++x) page.At(64 + x, y) = x < 60 ? 0xFFFF0000u : 0xFF0000FFu;
    GxNcCrammedImageSet set;
    set.m_CrammedImageArray.resize(1);
    set.m_CrammedImageArray[0].m_FileName = u"gl_0.png";
    set.m_CrammedImageArray[0].m_ImageWidth = 256;
    set.m_CrammedImageArray[0].m_ImageHeight = 64;
    GxNcOriginImage& frame = GxNcAddOriginImage(set, u"frame.png");
    GxNcAddPattern(frame, 0, 0, 0, 64, 64, 0, 0);
    frame.m_ImageWidth = frame.m_ImageHeight = 64;
    GxNcOriginImage& cap = GxNcAddOriginImage(set, u"cap_off.png");
    GxNcAddPattern(cap, 0, 0, 0, 120, 40, 64, 0);
    cap.m_ImageWidth = 120;
    cap.m_ImageHeight = 40;
    if (!h.WritePicture("uigis/gl_0.png", page)) return false;
    if (!GxNcWriteFileBytes(h.Folder().Path() + "/uigis/gl.gis", GxNcImageSetToBytes(set, GxContentForm::Binary)))
        return false;
    return GxNcImageSetPool::Add(u"uigis/gl.gis");
}

TEST(TextAndTipGL, CaptionOverTwoColoursAndTheBalloonsCells)
{
    gxtest::UIHarness h(gxtest::UIDevice::GL);
    ASSERT_TRUE(h.IsReady()) << h.Log().Joined();
    h.LoadFonts();
    ASSERT_TRUE(WriteSet(h)) << h.Log().Joined();

    DBUIModuleData m;
    m.ID = 7;
    m.UIType = GxUIModuleType::TextButtonIs;
    m.ImageSetName = u"gl";
    m.ImageName = u"cap";
    m.FontIndex = 3;  // 24 pixels
    auto* button = dynamic_cast<GxTaskUITextButtonIs*>(h.CreateFromModule(m, u"btn_cap", 0));
    ASSERT_NE(button, nullptr);
    button->SetPos(GxVector3(100.0f, 100.0f, 0.0f));
    button->SetText(u"あ");
    button->SetTextColor(0xFF00FF00u);

    auto* tip = dynamic_cast<GxTaskUITipHelpIs*>(h.TipHelp());
    ASSERT_NE(tip, nullptr);
    ASSERT_TRUE(tip->LoadImageSet(u"uigis/gl/frame"));
    h.EnterScreen();
    ASSERT_TRUE(tip->LoadImages()) << h.Log().Joined();
    // Three lines: 48 x 64, so 3 x 4 tiles, placed at (500, 400).
    SeqSystem::ShowTipHelp(h.Screen(), u"a|b|c", GxVector3(524.0f, 376.0f, 0.0f));
    ASSERT_EQ(tip->GetWidth(), 48);
    ASSERT_EQ(tip->GetHeight(), 64);
    ASSERT_EQ(tip->GetPos().x, 500.0f);
    ASSERT_EQ(tip->GetPos().y, 400.0f);
    tip->SetTextColor(0xFFFFFF00u);

    h.Frame(16);
    const GxPixelImage img = h.ReadBack();
    ASSERT_EQ(img.width, 1024u);
    struct Probe
    {
        const char* what;
        uint32_t x, y;
        uint32_t rgb;
    };
    auto cell = [](uint32_t c, uint32_t r) { return CellColour(c, r) & 0xFFFFFFu; };
    const Probe probes[] = {
        // The caption "あ" is centred: (120 - 24) / 2 = 48 from the left, its box 24 wide.
        {"picture, red half", 110, 130, 0xFF0000u},
        {"picture, blue half", 210, 130, 0x0000FFu},
        {"caption over red", 152, 108, 0x00FF00u},
        {"caption over blue", 168, 108, 0x00FF00u},
        {"outside the button", 99, 120, 0x000000u},
        {"top-left corner", 502, 402, cell(0, 0)},
        {"top edge", 520, 402, cell(1, 0)},
        {"top-right corner", 540, 402, cell(3, 0)},
        {"left edge", 502, 420, cell(0, 1)},
        {"inside", 520, 420, cell(1, 1)},
        {"inside, next row", 520, 436, cell(1, 1)},
        {"right edge", 540, 436, cell(3, 1)},
        {"bottom-left corner", 502, 458, cell(0, 3)},
        {"bottom edge", 520, 458, cell(1, 3)},
        {"bottom-right corner", 545, 461, cell(3, 3)},
        {"tip text", 511, 413, 0xFFFF00u},
        {"left of the balloon", 499, 420, 0x000000u},
        {"right of the balloon", 548, 420, 0x000000u},
        {"below the balloon", 520, 464, 0x000000u},
    };
    for (const Probe& p : probes) {
        const uint32_t got = img.At(p.x, p.y) & 0xFFFFFFu;
        for (int shift = 0; shift < 24; shift += 8) {
            const int g = static_cast<int>((got >> shift) & 0xFF), w = static_cast<int>((p.rgb >> shift) & 0xFF);
            EXPECT_LE(std::abs(g - w), 1) << p.what << std::hex << ": got 0x" << got << " want 0x" << p.rgb;
        }
    }
}

}  // namespace
