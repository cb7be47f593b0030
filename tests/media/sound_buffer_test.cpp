// Sound buffers on the manual mixer: the stream ring's geometry, creation refusals, the 3D
// choice and the 3D values, and the teardown of the refill thread.
#include <gtest/gtest.h>

#include <vector>

#include "core/GxFile.h"
#include "media/GxSoundBuffer.h"
#include "media/GxSoundLoader.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxMixerFixture.h"
#include "tests/support/GxPackWriter.h"

namespace {

class SoundBufferTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.IsValid());
        GxTestResetFileLayer();
        ASSERT_TRUE(m_Mixer.IsOpen());
    }
    void TearDown() override { GxTestResetFileLayer(); }

    void Write(const std::string& name, const std::vector<uint8_t>& bytes) { ASSERT_TRUE(m_Folder.Write(name, bytes)); }

    GxTestGameFolder m_Folder;
    GxContentLogCapture m_Log;
    GxManualMixerScope m_Mixer;
};

struct GeometryCase
{
    const char* name;
    int channels, rate, bits;
    uint32_t segment;
};

class StreamGeometryTest : public SoundBufferTest, public ::testing::WithParamInterface<GeometryCase> {};

TEST_P(StreamGeometryTest, QuarterSecondSegmentsWithNotificationsAtTheirMiddles)
{
    const GeometryCase& c = GetParam();
    Write("g.wav", GxRampWav(1000, c.channels, c.rate, c.bits));
    GxSoundLoaderWav decoder;
    ASSERT_TRUE(decoder.Open(u"g.wav"));
    GxSoundBufferStream buffer;
    ASSERT_TRUE(buffer.Create(&decoder, false));
    EXPECT_EQ(buffer.GetSegmentSize(), c.segment);
    EXPECT_EQ(buffer.GetBufferSize(), 16 * c.segment);
    EXPECT_EQ(buffer.GetDataSize(), 1000u * c.channels * c.bits / 8);
    std::vector<uint32_t> expected;
    for (uint32_t k = 0; k < 16; ++k) expected.push_back(c.segment / 2 + k * c.segment);
    EXPECT_EQ(buffer.GetNotificationOffsets(), expected);
    EXPECT_TRUE(buffer.HasThread());
}

INSTANTIATE_TEST_SUITE_P(Formats, StreamGeometryTest,
                         ::testing::Values(GeometryCase{"stereo16at44100", 2, 44100, 16, 44100},
                                           GeometryCase{"mono8at22050", 1, 22050, 8, 5512},
                                           GeometryCase{"mono16at11025", 1, 11025, 16, 5512}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SoundBufferTest, EightBitSilenceIsTheCentreValue)
{
    // After a short 8-bit sound the ring is filled with 128, which mixes to 0, not full negative.
    Write("s.wav", GxRampWav(3000, 1, 22050, 8));
    GxSoundLoaderWav decoder;
    ASSERT_TRUE(decoder.Open(u"s.wav"));
    GxSoundBufferStream buffer;
    ASSERT_TRUE(buffer.Create(&decoder, false));
    ASSERT_TRUE(buffer.Play(0, 0, 0, 0));
    EXPECT_TRUE(buffer.IsEnded());
    const std::vector<int16_t> out = m_Mixer.Render(20000);
    EXPECT_EQ(out[2 * 2], (1 - 128) * 256);  // source frame 1 at 22050 Hz
    for (size_t i = 2 * 6002; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
    EXPECT_FALSE(buffer.IsPlaying());
}

TEST_F(SoundBufferTest, NothingWorksWithoutTheMixerOrAnOpenDecoder)
{
    Write("a.wav", GxRampWav(100, 2, 44100, 16));
    GxSoundLoaderWav closed;
    GxSoundBufferStatic staticBuffer;
    GxSoundBufferStream stream;
    EXPECT_FALSE(staticBuffer.Create(&closed, false));
    EXPECT_FALSE(stream.Create(&closed, false));
    EXPECT_FALSE(stream.Play(0, 0, 0, 0));

    GxSoundLoaderWav decoder;
    ASSERT_TRUE(decoder.Open(u"a.wav"));
    GxMixer::Close();
    EXPECT_FALSE(staticBuffer.Create(&decoder, false));
    EXPECT_FALSE(stream.Create(&decoder, false));
    EXPECT_FALSE(staticBuffer.Play(0, 0, 0));
    EXPECT_FALSE(staticBuffer.SetVolume(0));
    EXPECT_TRUE(m_Log.Lines().empty()) << m_Log.Joined();
    GxMixer::Open(GxMixerBackendKind::Manual);
}

// The 3D operations of both buffers on a mono sound created with 3D and on a stereo sound asked
// for 3D (which gets the plain buffer): only the position and the cone orientation are refused
// on a plain sound; distances and cone angles are kept, and the cone angles are checked, on both.
struct ThreeDCase
{
    const char* name;
    bool stream;
    int channels;
    bool is3D;  // what the buffer becomes
};

class SoundBuffer3DTest : public SoundBufferTest, public ::testing::WithParamInterface<ThreeDCase>
{
protected:
    template <typename Buffer>
    void Run(Buffer& buffer, const char* coneAnglesLine)
    {
        const ThreeDCase& c = GetParam();
        Write("s.wav", GxRampWav(100, c.channels, 22050, 16));
        GxSoundLoaderWav decoder;
        ASSERT_TRUE(decoder.Open(u"s.wav"));
        ASSERT_TRUE(buffer.Create(&decoder, true));
        EXPECT_EQ(buffer.Is3D(), c.is3D);
        EXPECT_FLOAT_EQ(buffer.Get3DParams().minDistance, c.is3D ? 100.0f : 1.0f);
        EXPECT_FLOAT_EQ(buffer.Get3DParams().maxDistance, c.is3D ? 500.0f : 1.0e9f);

        const float pos[3] = {1, 2, 3}, dir[3] = {0, 1, 0};
        EXPECT_EQ(buffer.Set3DPosition(pos), c.is3D);
        EXPECT_EQ(buffer.SetConeOrientation(dir), c.is3D);
        float back[3] = {};
        EXPECT_EQ(buffer.Get3DPosition(back), c.is3D);
        EXPECT_EQ(back[2], c.is3D ? 3.0f : 0.0f);

        EXPECT_TRUE(buffer.SetMinDistance(150.0f));
        EXPECT_TRUE(buffer.SetMaxDistance(900.0f));
        EXPECT_FLOAT_EQ(buffer.Get3DParams().minDistance, 150.0f);
        EXPECT_FLOAT_EQ(buffer.Get3DParams().maxDistance, 900.0f);

        EXPECT_FALSE(buffer.SetConeAngles(90, 45)) << "checked whether or not the sound is 3D";
        EXPECT_EQ(buffer.Get3DParams().insideConeAngle, 360u);
        EXPECT_TRUE(buffer.SetConeAngles(45, 90));
        EXPECT_TRUE(buffer.SetConeAngles(60, 60));
        EXPECT_EQ(buffer.Get3DParams().insideConeAngle, 60u);
        EXPECT_EQ(buffer.Get3DParams().outsideConeAngle, 60u);

        // These only say whether the sound is 3D.
        float d = -1.0f;
        EXPECT_EQ(buffer.GetMinDistance(&d), c.is3D);
        EXPECT_EQ(buffer.GetMaxDistance(&d), c.is3D);
        EXPECT_EQ(d, -1.0f);
        EXPECT_EQ(m_Log.Lines(), std::vector<std::string>{coneAnglesLine});
    }
};

TEST_P(SoundBuffer3DTest, OnlyPositionAndOrientationNeedA3DSound)
{
    if (GetParam().stream) {
        GxSoundBufferStream buffer;
        Run(buffer, "Error/GxSoundBufferStream::SetConeAngle OutAngleはInAngle以上である必要があります\n");
    } else {
        GxSoundBufferStatic buffer;
        Run(buffer, "Error/GxSoundBufferStatic::::SetConeAngle OutAngleはInAngle以上である必要があります\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Buffers, SoundBuffer3DTest,
                         ::testing::Values(ThreeDCase{"staticMono", false, 1, true},
                                           ThreeDCase{"staticStereo", false, 2, false},
                                           ThreeDCase{"streamMono", true, 1, true},
                                           ThreeDCase{"streamStereo", true, 2, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SoundBufferTest, StaticBufferPlaysOnceOrLoopsAndCopiesTheWholeSound)
{
    Write("r.wav", GxRampWav(1000, 2, 44100, 16));
    GxSoundLoaderWav decoder;
    ASSERT_TRUE(decoder.Open(u"r.wav"));
    GxSoundBufferStatic buffer;
    ASSERT_TRUE(buffer.Create(&decoder, false));
    decoder.Close();  // the buffer holds its own copy
    EXPECT_EQ(buffer.GetDataSize(), 4000u);
    EXPECT_EQ(buffer.GetBufferSize(), 4000u);

    ASSERT_TRUE(buffer.Play(3, 0, 900));
    EXPECT_EQ(buffer.GetLoopCount(), 3);
    std::vector<int16_t> out = m_Mixer.Render(200);
    EXPECT_EQ(GxRampIndex(&out[0]), 900);
    EXPECT_EQ(GxRampIndex(&out[2 * 99]), 999);
    EXPECT_EQ(out[2 * 100], 0) << "any count but -1 plays once";
    EXPECT_FALSE(buffer.IsPlaying());

    ASSERT_TRUE(buffer.Play(-1, 0, 900));
    out = m_Mixer.Render(200);
    EXPECT_EQ(GxRampIndex(&out[2 * 100]), 0);
    EXPECT_EQ(GxRampIndex(&out[2 * 150]), 50);
    EXPECT_TRUE(buffer.IsPlaying());
    EXPECT_FALSE(buffer.Play(0, 0, 1000)) << "a start past the data";
    EXPECT_EQ(m_Log.Lines(), std::vector<std::string>{"Error/GxSoundBufferStatic::Play 失敗 80070057\n"});
}

TEST_F(SoundBufferTest, ReusedOrTornDownStreamEndsItsThreadFirst)
{
    Write("r.wav", GxRampWav(100000, 2, 44100, 16));
    GxSoundLoaderWav decoder;
    ASSERT_TRUE(decoder.Open(u"r.wav"));
    GxSoundBufferStream buffer;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(buffer.Create(&decoder, false));
        ASSERT_TRUE(buffer.Play(-1, 0, 0, 0));
        m_Mixer.Render(30000);  // the thread has refilled
        // The refill reads the cursor where the chunk that crossed frame 27562 ended (27 x 1024).
        EXPECT_EQ(buffer.GetBytesPlayed(), 27648u * 4);
    }
    const size_t voices = GxMixer::Get()->GetVoiceCount();
    EXPECT_EQ(voices, 1u) << "re-creation released the old ring";
    buffer.TearDown();
    EXPECT_FALSE(buffer.HasThread());
    EXPECT_EQ(buffer.GetBufferSize(), 0u);
    EXPECT_EQ(GxMixer::Get()->GetVoiceCount(), 0u);
    EXPECT_FALSE(buffer.Play(0, 0, 0, 0)) << "the decoder is forgotten";
}

// A decoder whose reads fail: the only way a fill can fail once the ring exists.
class FailingDecoder : public GxSoundLoaderBase
{
public:
    FailingDecoder() { m_Format = GxWaveFormat{1, 2, 44100, 176400, 4, 16}; }
    bool IsOpen() const override { return true; }
    bool Read(void*, uint32_t, uint32_t*) override { return false; }
    bool Seek(int64_t) override { return true; }
    int64_t GetTotalSamples() const override { return 44100; }
    uint64_t GetDataSize() const override { return 44100 * 4; }
};

TEST_F(SoundBufferTest, AFailedFirstFillTearsTheStreamDown)
{
    FailingDecoder decoder;
    GxSoundBufferStream buffer;
    ASSERT_TRUE(buffer.Create(&decoder, false));
    EXPECT_TRUE(buffer.HasThread());
    EXPECT_FALSE(buffer.Play(0, 0, 0, 0));
    EXPECT_FALSE(buffer.HasThread());
    EXPECT_EQ(GxMixer::Get()->GetVoiceCount(), 0u);
    EXPECT_EQ(m_Log.Lines(), (std::vector<std::string>{"Error/GxSoundBufferStream::FillBuffer Readに失敗\n",
                                                       "Error/GxSoundBufferStream::Play FillBuffer失敗\n"}));
}

}  // namespace
