// Movies on the recording device and the manual mixer: test movies are encoded at test time (every
// frame one colour), the movie clock is the injected sound clock, and the frame a texture shows is
// read back from its front buffer and its device texture.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "media/GxMovie.h"
#include "media/GxMoviePlayerFile.h"
#include "media/GxSoundClock.h"
#include "media/GxTextureMovie.h"
#include "platform/GxDeviceRecording.h"
#include "platform/GxMovieDecoder.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxMixerFixture.h"
#include "tests/support/GxMovieWriter.h"
#include "tests/support/GxPackWriter.h"

namespace {

std::atomic<uint64_t> g_Now{1000};
uint64_t FakeClock() { return g_Now.load(); }

class MovieDeviceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GxGetGraphicsSettings().SetStartupValues();
        m_Adapter = GxDefaultRecordingAdapter();
        g_Now = 1000;
        GxSoundSetClock(FakeClock);
    }
    void TearDown() override
    {
        GxMovie::Release();
        GxSoundSetClock(nullptr);
        GxGraphics::Release();
        GxGraphics::SetDirect3DFactory(nullptr);
        GxGetGraphicsSettings().SetStartupValues();
    }
    void CreateDevice()
    {
        GxGraphics::SetDirect3DFactory([this](void*) { return GxCreateRecordingDirect3D(m_Adapter); });
        ASSERT_TRUE(GxGraphics::Create(nullptr, nullptr, nullptr, nullptr));
    }
    // The colour of the device texture's pixel (what drawing sees), without alpha.
    static uint32_t DevicePixel(GxTextureMovie& t, uint32_t x, uint32_t y) { return t.GetPixel(x, y) & 0xFFFFFF; }

    GxRecordingAdapter m_Adapter;
};

}  // namespace

// ---- Texture ------------------------------------------------------------------------------------

TEST_F(MovieDeviceTest, TextureSizesUVAndMemory)
{
    CreateDevice();
    struct Case
    {
        uint32_t w, h, texW, texH;
    };
    for (const Case& c : {Case{640, 480, 1024, 512}, Case{0, 0, 1, 1}, Case{1, 1, 1, 1}, Case{64, 48, 64, 64}}) {
        GxTextureMovie t;
        ASSERT_TRUE(t.Create(u"movie", c.w, c.h, GXFMT_A8R8G8B8, 0xFF000000u, false)) << c.w;
        EXPECT_EQ(t.GetWidth(), c.texW) << c.w;
        EXPECT_EQ(t.GetHeight(), c.texH) << c.w;
        EXPECT_EQ(t.GetMemorySize(), c.texW * c.texH * 8) << c.w;
    }
    GxTextureMovie t;
    ASSERT_TRUE(t.Create(u"movie", 640, 480, GXFMT_A4R4G4B4, 0xFF000000u, false));
    EXPECT_FLOAT_EQ(t.GetU(640), 0.625f);
    EXPECT_FLOAT_EQ(t.GetV(480), 0.9375f);
    EXPECT_EQ(t.GetMemorySize(), 1024u * 512u * 4u);
}

TEST_F(MovieDeviceTest, SquareOnlyDevicesGetTheLargerSideTwice)
{
    m_Adapter.desc.caps.TextureCaps |= GXPTEXTURECAPS_SQUAREONLY;
    CreateDevice();
    GxTextureMovie t;
    ASSERT_TRUE(t.Create(u"movie", 640, 480, GXFMT_A8R8G8B8, 0xFF000000u, false));
    EXPECT_EQ(t.GetWidth(), 1024u);
    EXPECT_EQ(t.GetHeight(), 1024u);
}

TEST_F(MovieDeviceTest, NoDeviceNoTexture)
{
    GxTextureMovie t;
    EXPECT_FALSE(t.Create(u"movie", 64, 48, GXFMT_A8R8G8B8, 0xFF000000u, false));
    EXPECT_FALSE(t.IsFrameReady());
    EXPECT_FALSE(t.WriteFrame(nullptr, 0, 0, 0));
}

TEST(MovieTexturePixels, ConversionTable)
{
    struct Case
    {
        GxFormat f;
        uint8_t b, g, r;
        uint32_t expect;  // 32-bit word or 16-bit value
        bool converts;
    };
    const Case cases[] = {
        {GXFMT_A8R8G8B8, 0x12, 0x34, 0x56, 0xFF563412u, true},
        {GXFMT_X8R8G8B8, 0xFF, 0x00, 0x80, 0xFF8000FFu, true},
        {GXFMT_A1R5G5B5, 0xFF, 0xFF, 0xFF, 0xFFFFu, true},
        {GXFMT_A1R5G5B5, 0x08, 0x10, 0xF8, 0x8000u | 0x7C00u | (0x10u << 2) | 0x01u, true},
        {GXFMT_A4R4G4B4, 0x1F, 0x2F, 0x3F, 0xF321u, true},
        {GXFMT_X4R4G4B4, 0x00, 0x00, 0x00, 0xF000u, true},
        {GXFMT_A8, 1, 2, 3, 0xEEEEEEEEu, false},
    };
    for (const Case& c : cases) {
        uint8_t out[4];
        std::memset(out, 0xEE, sizeof out);
        EXPECT_EQ(GxTextureMovie::ConvertPixel(c.f, c.b, c.g, c.r, out), c.converts) << int(c.f);
        uint32_t word = 0;
        if (GxIs32BitFormat(c.f) || !c.converts) std::memcpy(&word, out, 4);
        else {
            uint16_t v;
            std::memcpy(&v, out, 2);
            word = v;
        }
        EXPECT_EQ(word, c.expect) << int(c.f);
    }
}

TEST_F(MovieDeviceTest, FramesGoToTheBackBufferAndPresentSwaps)
{
    CreateDevice();
    GxTextureMovie t;
    ASSERT_TRUE(t.Create(u"movie", 4, 2, GXFMT_A8R8G8B8, 0xFF102030u, false));
    EXPECT_EQ(t.GetFrontIndex(), 0u);
    EXPECT_FALSE(t.IsFrameReady());
    EXPECT_EQ(t.GetBufferPixel(0, 3, 1), 0xFF102030u);
    EXPECT_EQ(DevicePixel(t, 0, 0), 0x102030u);
    // The fill is no frame, even once uploaded.
    EXPECT_TRUE(t.Fill(0, 0xFF405060u));
    EXPECT_TRUE(t.UploadFrame());
    EXPECT_FALSE(t.HasFrame());
    // A 6 x 3 frame is cut to the 4 x 2 texture; rows stay top first.
    std::vector<uint8_t> frame(6 * 3 * 3);
    for (size_t i = 0; i < 6 * 3; ++i) {
        frame[i * 3] = 0x01;                                    // B
        frame[i * 3 + 1] = 0x02;                                // G
        frame[i * 3 + 2] = static_cast<uint8_t>(i / 6 * 0x40);  // R tells the row
    }
    ASSERT_TRUE(t.WriteFrame(frame.data(), 6, 3, 18));
    EXPECT_EQ(t.GetFrontIndex(), 1u);
    EXPECT_EQ(t.GetBufferPixel(1, 3, 0), 0xFF000201u);
    EXPECT_EQ(t.GetBufferPixel(1, 3, 1), 0xFF400201u);
    EXPECT_FALSE(t.HasFrame()) << "a frame counts once it is in the device texture";
    // The back buffer (the old front) was marked ready when it was presented.
    EXPECT_FALSE(t.IsFrameReady());
    EXPECT_EQ(t.Present(), 1u);
    EXPECT_TRUE(t.IsFrameReady());
    EXPECT_EQ(t.GetFrontIndex(), 0u);
    // Upload happens only on the main thread's call, once per new frame.
    EXPECT_TRUE(t.UploadFrame());
    EXPECT_TRUE(t.HasFrame());
    EXPECT_FALSE(t.UploadFrame());
    // Made again, it holds only its fill.
    ASSERT_TRUE(t.Create(u"movie", 4, 2, GXFMT_A8R8G8B8, 0xFF102030u, false));
    EXPECT_FALSE(t.HasFrame());
}

TEST_F(MovieDeviceTest, LockRectRefusesASecondLockWithTheMessage)
{
    CreateDevice();
    GxContentLogCapture log;
    GxTextureMovie t;
    ASSERT_TRUE(t.Create(u"movie", 8, 8, GXFMT_A8R8G8B8, 0xFF000000u, false));
    void* bits = nullptr;
    int32_t pitch = 0;
    ASSERT_TRUE(t.LockRect(1, &bits, &pitch));
    EXPECT_EQ(pitch, 32);
    EXPECT_FALSE(t.LockRect(0, &bits, &pitch));
    EXPECT_NE(log.Joined().find("Error/Texture LockRect Failed(Name:\"movie\" Size:8,8 Texture Already Locked)"),
              std::string::npos)
        << log.Joined();
    EXPECT_TRUE(t.UnlockRect(1));
    EXPECT_TRUE(t.Fill(1, 0xFFFF0000u));
    EXPECT_EQ(t.GetBufferPixel(1, 7, 7), 0xFFFF0000u);
}

TEST_F(MovieDeviceTest, DynamicTexturesComeBackInTheFillColourAfterAReset)
{
    CreateDevice();
    GxTextureMovie t;
    ASSERT_TRUE(t.Create(u"movie", 2, 2, GXFMT_A8R8G8B8, 0xFF000000u, true));
    const uint8_t white[2 * 2 * 3] = {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255};
    ASSERT_TRUE(t.WriteFrame(white, 2, 2, 6));
    t.UploadFrame();
    EXPECT_EQ(DevicePixel(t, 1, 1), 0xFFFFFFu);
    t.OnLostDevice();
    EXPECT_FALSE(t.IsFrameReady());
    t.OnResetDevice();
    EXPECT_EQ(t.GetPixel(1, 1), 0xFF000000u);
    EXPECT_EQ(t.GetBufferPixel(t.GetFrontIndex(), 1, 1), 0xFF000000u);
}

// ---- Decoder --------------------------------------------------------------------------------------

namespace {

struct MemoryFile
{
    std::vector<uint8_t> bytes;
    int64_t pos = 0;
    static int32_t Read(void* o, uint8_t* b, int32_t n)
    {
        auto* f = static_cast<MemoryFile*>(o);
        const int64_t k = std::min<int64_t>(n, static_cast<int64_t>(f->bytes.size()) - f->pos);
        if (k <= 0) return 0;
        std::memcpy(b, f->bytes.data() + f->pos, static_cast<size_t>(k));
        f->pos += k;
        return static_cast<int32_t>(k);
    }
    static int64_t Seek(void* o, int64_t off, int whence)
    {
        auto* f = static_cast<MemoryFile*>(o);
        const int64_t size = static_cast<int64_t>(f->bytes.size());
        const int64_t t = (whence == 0 ? 0 : whence == 1 ? f->pos : size) + off;
        if (t < 0 || t > size) return -1;
        return f->pos = t;
    }
    static int64_t Size(void* o) { return static_cast<int64_t>(static_cast<MemoryFile*>(o)->bytes.size()); }
};

}  // namespace

TEST(MovieDecoder, ASizeChangeMidStreamGetsANewScalerAndFramesOfTheNewSize)
{
    // Two program streams back to back: the second one's pictures are smaller.
    MemoryFile f;
    f.bytes = GxWriteTestMovie(GxMovieSpec{64, 48, 25, {0xFF0000, 0xFF0000, 0xFF0000}, false});
    const std::vector<uint8_t> second = GxWriteTestMovie(GxMovieSpec{32, 16, 25, {0x0000FF, 0x0000FF, 0x0000FF}, false});
    ASSERT_FALSE(f.bytes.empty());
    ASSERT_FALSE(second.empty());
    f.bytes.insert(f.bytes.end(), second.begin(), second.end());
    GxMovieDecoder d;
    uint32_t code = 1;
    ASSERT_TRUE(d.Open(GxMovieIo{&f, MemoryFile::Read, MemoryFile::Seek, MemoryFile::Size}, true, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(d.GetWidth(), 64u);
    GxMovieVideoFrame v;
    int big = 0, small = 0;
    double last = -1.0;
    for (int i = 0; i < 100; ++i) {
        const GxMovieDecoder::Result r = d.NextVideo(v);
        if (r == GxMovieDecoder::Result::End) break;
        ASSERT_EQ(r, GxMovieDecoder::Result::Video);
        ASSERT_EQ(v.bgr.size(), size_t(v.width) * v.height * 3);
        EXPECT_GT(v.time, last);  // times keep rising even where the second stream starts again
        last = v.time;
        if (v.width == 64 && v.height == 48) ++big;
        if (v.width == 32 && v.height == 16) {
            ++small;
            EXPECT_GT(v.bgr[0], 200);  // blue
            EXPECT_LT(v.bgr[2], 60);
        }
    }
    // The MPEG-1 decoder drops the picture it still held when the new sequence begins.
    EXPECT_GE(big, 2);
    EXPECT_EQ(small, 3);
}

TEST(MovieDecoder, GarbageAndEmptyInputsAreRefusedWithAReason)
{
    for (const std::vector<uint8_t>& bytes : {std::vector<uint8_t>{}, std::vector<uint8_t>(5000, 0x47)}) {
        MemoryFile f;
        f.bytes = bytes;
        GxMovieDecoder d;
        uint32_t code = 0;
        EXPECT_FALSE(d.Open(GxMovieIo{&f, MemoryFile::Read, MemoryFile::Seek, MemoryFile::Size}, true, &code));
        EXPECT_NE(code, 0u);
        GxMovieVideoFrame v;
        GxMovieAudioChunk a;
        EXPECT_EQ(d.NextVideo(v), GxMovieDecoder::Result::Error);
        EXPECT_EQ(d.NextAudio(a), GxMovieDecoder::Result::Error);
    }
}
