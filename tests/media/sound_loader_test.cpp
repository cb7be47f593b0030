// Sound decoders: the RIFF chunk walk and its refusals, frame seeks and the end flag, Ogg Vorbis
// decoding over the file layer (pack members included), and the memory decoder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/GxFile.h"
#include "core/GxPackFile.h"
#include "media/GxSoundLoader.h"
#include "media/GxWavData.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxPackWriter.h"
#include "tests/support/GxSoundWriter.h"

namespace {

constexpr const char* kRiffMessage = "Error/GxSoundLoaderWav::Open riffヘッダが見つかりません(s.wav)\n";
constexpr const char* kFormatMessage =
    "Error/GxSoundLoaderWav::Open PCMWAVEFORMATヘッダが読み込めませんでした。未対応の形式です(s.wav)\n";
constexpr const char* kDataMessage =
    "Error/GxSoundLoaderWav::Open dataチャンクが見つかりません。ファイルが壊れています(s.wav)\n";
constexpr const char* kOggStreamMessage = "Error/GxSoundLoaderOgg::OpenStream ファイルのオープンに失敗しました\n";

std::vector<uint8_t> Ramp(size_t bytes)
{
    std::vector<uint8_t> out(bytes);
    for (size_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(i * 7 + 1);
    return out;
}

class SoundFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.IsValid());
        GxTestResetFileLayer();
    }
    void TearDown() override { GxTestResetFileLayer(); }

    void Write(const std::string& name, const std::vector<uint8_t>& bytes) { ASSERT_TRUE(m_Folder.Write(name, bytes)); }

    // Reads the whole decoder in pieces of `chunk` bytes, stopping at the end flag.
    static std::vector<uint8_t> ReadAll(GxSoundLoaderBase& loader, uint32_t chunk = 4096)
    {
        std::vector<uint8_t> out;
        std::vector<uint8_t> buf(chunk);
        for (int guard = 0; guard < 100000 && !loader.IsEnd(); ++guard) {
            uint32_t got = 0;
            EXPECT_TRUE(loader.Read(buf.data(), chunk, &got));
            out.insert(out.end(), buf.begin(), buf.begin() + got);
        }
        return out;
    }

    GxTestGameFolder m_Folder;
    GxContentLogCapture m_Log;
};

// ---- WAV ----

struct WavCase
{
    const char* name;
    std::vector<uint8_t> file;
    bool opens;
    const char* message;      // the one line logged, or null
    int64_t frames;           // when it opens
    std::vector<uint8_t> firstBytes;  // the data's first bytes, when it opens
};

GxWavFields Mono16() { return GxWavFields{}; }

std::vector<WavCase> WavCases()
{
    const std::vector<uint8_t> pcm = Ramp(200);  // 100 mono 16-bit frames
    const std::vector<uint8_t> head(pcm.begin(), pcm.begin() + 4);
    GxWavFields tag3 = Mono16();
    tag3.formatTag = 3;
    GxWavFields block0 = Mono16();
    block0.blockAlign = 0xFFFF;  // patched to 0 below
    GxWavFields channels3 = Mono16();
    channels3.channels = 3;
    GxWavFields bits24 = Mono16();
    bits24.bits = 24;
    GxWavFields rate0 = Mono16();
    rate0.rate = 0;
    GxWavFields wrongBlock = Mono16();
    wrongBlock.blockAlign = 4;

    std::vector<WavCase> cases;
    cases.push_back({"Plain", GxWavWriter(Mono16()).Data(pcm).Build(), true, nullptr, 100, head});
    cases.push_back({"Fmt18Bytes", GxWavWriter(Mono16(), 18).Data(pcm).Build(), true, nullptr, 100, head});
    cases.push_back({"ListBeforeData", GxWavWriter(Mono16()).Chunk("LIST", Ramp(26)).Data(pcm).Build(), true, nullptr,
                     100, head});
    cases.push_back({"OddChunkWithoutPad", GxWavWriter(Mono16()).Chunk("junk", Ramp(5), false).Data(pcm).Build(),
                     true, nullptr, 100, head});
    cases.push_back({"OddChunkWithPad", GxWavWriter(Mono16()).Chunk("junk", Ramp(5), true).Data(pcm).Build(), true,
                     nullptr, 100, head});
    cases.push_back({"RiffSizeBeyondFile", GxWavWriter(Mono16()).Data(pcm).Build(100000), true, nullptr, 100, head});
    cases.push_back({"DataSizeBeyondFile",
                     GxWavWriter(Mono16()).Chunk("data", Ramp(201), false, 100000).Build(), true, nullptr, 100,
                     std::vector<uint8_t>(pcm.begin(), pcm.begin() + 4)});
    cases.push_back({"FormatTag3", GxWavWriter(tag3).Data(pcm).Build(), false, kFormatMessage, 0, {}});
    cases.push_back({"BlockSize0", GxWavWriter(block0).Data(pcm).Patch(32, std::string_view("\0\0", 2)).Build(),
                     false, kFormatMessage, 0, {}});
    cases.push_back({"BlockNotOneFrame", GxWavWriter(wrongBlock).Data(pcm).Build(), false, kFormatMessage, 0, {}});
    cases.push_back({"ThreeChannels", GxWavWriter(channels3).Data(pcm).Build(), false, kFormatMessage, 0, {}});
    cases.push_back({"Bits24", GxWavWriter(bits24).Data(pcm).Build(), false, kFormatMessage, 0, {}});
    cases.push_back({"Rate0", GxWavWriter(rate0).Data(pcm).Build(), false, kFormatMessage, 0, {}});
    cases.push_back({"FmtUnder16Bytes", GxWavWriter(Mono16()).Data(pcm).Patch(16, std::string_view("\x0e\0\0\0", 4)).Build(),
                     false, kFormatMessage, 0, {}});
    cases.push_back({"NoDataChunk", GxWavWriter(Mono16()).Chunk("LIST", Ramp(40)).Build(), false, kDataMessage, 0, {}});
    cases.push_back({"ChunkRunsPastEnd", GxWavWriter(Mono16()).Chunk("junk", Ramp(8), true, 5000).Data(pcm).Build(),
                     false, kDataMessage, 0, {}});
    cases.push_back({"RiffSizeEndsBeforeData", GxWavWriter(Mono16()).Chunk("LIST", Ramp(40)).Data(pcm).Build(40), false,
                     kDataMessage, 0, {}});
    cases.push_back({"BadRiffTag", GxWavWriter(Mono16()).Data(pcm).Patch(0, "RIFX").Build(), false, kRiffMessage, 0, {}});
    cases.push_back({"BadWaveTag", GxWavWriter(Mono16()).Data(pcm).Patch(8, "WAVX").Build(), false, kRiffMessage, 0, {}});
    cases.push_back({"BadFmtTag", GxWavWriter(Mono16()).Data(pcm).Patch(12, "LIST").Build(), false, kRiffMessage, 0, {}});
    cases.push_back({"ShorterThanHeader", std::vector<uint8_t>{'R', 'I', 'F', 'F', 0, 0}, false, kRiffMessage, 0, {}});
    return cases;
}

class WavOpenTest : public SoundFileTest, public ::testing::WithParamInterface<WavCase>
{
};

TEST_P(WavOpenTest, OpensOrRefusesWithItsMessage)
{
    const WavCase& c = GetParam();
    Write("s.wav", c.file);
    GxSoundLoaderWav wav;
    EXPECT_EQ(wav.Open(u"s.wav"), c.opens);
    EXPECT_EQ(wav.IsOpen(), c.opens);
    if (c.message) {
        ASSERT_EQ(m_Log.Lines().size(), 1u);
        EXPECT_EQ(m_Log.Lines()[0], c.message);
        return;
    }
    EXPECT_TRUE(m_Log.Lines().empty()) << m_Log.Joined();
    EXPECT_EQ(wav.GetTotalSamples(), c.frames);
    EXPECT_EQ(wav.GetDataSize(), static_cast<uint64_t>(c.frames) * 2);
    const std::vector<uint8_t> all = ReadAll(wav, 64);
    ASSERT_EQ(all.size(), static_cast<size_t>(c.frames) * 2);
    EXPECT_TRUE(std::equal(c.firstBytes.begin(), c.firstBytes.end(), all.begin()));
}

INSTANTIATE_TEST_SUITE_P(Files, WavOpenTest, ::testing::ValuesIn(WavCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SoundFileTest, WavThatCannotBeOpenedFailsSilently)
{
    GxSoundLoaderWav wav;
    EXPECT_FALSE(wav.Open(u"missing.wav"));
    EXPECT_TRUE(m_Log.Lines().empty());
    uint32_t got = 5;
    uint8_t buf[4];
    EXPECT_FALSE(wav.Read(buf, sizeof buf, &got));
    EXPECT_EQ(got, 0u);
    EXPECT_FALSE(wav.Seek(0));
}

TEST_F(SoundFileTest, WavSeeksByFramesAndEndsExactlyAtTheTotal)
{
    GxWavFields stereo;
    stereo.channels = 2;
    const std::vector<uint8_t> pcm = Ramp(400);  // 100 frames of 4 bytes
    Write("s.wav", GxWavWriter(stereo).Chunk("LIST", Ramp(3), false).Data(pcm).Build());
    GxSoundLoaderWav wav;
    ASSERT_TRUE(wav.Open(u"s.wav"));
    ASSERT_EQ(wav.GetTotalSamples(), 100);
    EXPECT_EQ(wav.GetLoopLimit(), 100);

    uint8_t buf[8];
    uint32_t got = 0;
    ASSERT_TRUE(wav.Seek(40));
    EXPECT_EQ(wav.Tell(), 40);
    ASSERT_TRUE(wav.Read(buf, sizeof buf, &got));
    ASSERT_EQ(got, 8u);
    EXPECT_TRUE(std::equal(buf, buf + 8, pcm.begin() + 160));
    EXPECT_EQ(wav.Tell(), 42);
    EXPECT_FALSE(wav.IsEnd());

    EXPECT_TRUE(wav.Seek(100));
    EXPECT_TRUE(wav.IsEnd());
    EXPECT_EQ(wav.Tell(), 100);
    EXPECT_TRUE(wav.Read(buf, sizeof buf, &got));  // open: true even with nothing read
    EXPECT_EQ(got, 0u);
    EXPECT_FALSE(wav.Seek(101));
    EXPECT_FALSE(wav.Seek(-1));
    EXPECT_EQ(wav.Tell(), 100);  // a refused seek moves nothing

    ASSERT_TRUE(wav.Seek(0));
    EXPECT_FALSE(wav.IsEnd());
    EXPECT_EQ(ReadAll(wav, 48), pcm);
    EXPECT_TRUE(wav.IsEnd());
}

TEST_F(SoundFileTest, LoopStartBeyondTheLimitReadsAsZero)
{
    Write("s.wav", GxWavWriter(Mono16()).Data(Ramp(200)).Build());
    GxSoundLoaderWav wav;
    ASSERT_TRUE(wav.Open(u"s.wav"));
    wav.SetLoopStart(100);
    EXPECT_EQ(wav.GetLoopStart(), 100);
    wav.SetLoopStart(101);
    EXPECT_EQ(wav.GetLoopStart(), 0);
}

TEST_F(SoundFileTest, LengthOfAnEightBitMonoFile)
{
    GxWavFields fields;
    fields.bits = 8;
    fields.rate = 11025;
    Write("s.wav", GxWavWriter(fields).Data(std::vector<uint8_t>(5000, 128)).Build());
    GxSoundLoaderWav wav;
    ASSERT_TRUE(wav.Open(u"s.wav"));
    EXPECT_EQ(wav.GetWaveFormat().blockAlign, 1);
    EXPECT_EQ(wav.GetTotalSamples(), 5000);
    EXPECT_EQ(wav.GetLengthMs(), 453u);  // 5000 x 1000 / 11025, truncated
    EXPECT_EQ(wav.GetType(), GxSoundLoaderType_Wav);
}

TEST_F(SoundFileTest, ReopeningClosesTheFirstFile)
{
    Write("a.wav", GxWavWriter(Mono16()).Data(Ramp(20)).Build());
    GxWavFields stereo;
    stereo.channels = 2;
    Write("b.wav", GxWavWriter(stereo).Data(Ramp(40)).Build());
    GxSoundLoaderWav wav;
    ASSERT_TRUE(wav.Open(u"a.wav"));
    ASSERT_TRUE(wav.Open(u"B.WAV"));
    EXPECT_EQ(wav.GetWaveFormat().channels, 2);
    EXPECT_EQ(wav.GetTotalSamples(), 10);
    EXPECT_FALSE(wav.Open(u"missing.wav"));
    EXPECT_FALSE(wav.IsOpen());
}

// ---- Ogg Vorbis ----

struct OggShape
{
    int channels;
    int rate;
};

class OggDecodeTest : public SoundFileTest, public ::testing::WithParamInterface<OggShape>
{
};

// Mean distance between decoded frames and the source sine from `first` on.
double MeanError(const std::vector<uint8_t>& pcm, int channels, int rate, uint32_t first)
{
    const size_t frames = pcm.size() / (2 * channels);
    double sum = 0;
    for (size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const size_t at = (i * channels + c) * 2;
            const int16_t v = static_cast<int16_t>(static_cast<uint16_t>(pcm[at] | pcm[at + 1] << 8));
            sum += std::abs(v - GxSineValue(first + static_cast<uint32_t>(i), c, rate, 440.0, 12000.0));
        }
    }
    return frames ? sum / (frames * channels) : 1e9;
}

TEST_P(OggDecodeTest, DecodesTheSourceSineToTheEndAndSeeksBack)
{
    const OggShape shape = GetParam();
    const uint32_t frames = static_cast<uint32_t>(shape.rate) * 3 / 2;
    Write("se/tone.ogg", GxEncodeOggVorbis(GxSineSamples(frames, shape.channels, shape.rate, 440.0, 12000.0),
                                           shape.channels, shape.rate));
    GxSoundLoaderOgg ogg;
    ASSERT_TRUE(ogg.Open(u"SE/Tone.OGG"));
    const GxWaveFormat f = ogg.GetWaveFormat();
    EXPECT_EQ(f.formatTag, kGxWaveFormatPcm);
    EXPECT_EQ(f.channels, shape.channels);
    EXPECT_EQ(f.samplesPerSec, static_cast<uint32_t>(shape.rate));
    EXPECT_EQ(f.bitsPerSample, 16);
    EXPECT_EQ(f.blockAlign, shape.channels * 2);
    EXPECT_EQ(f.avgBytesPerSec, static_cast<uint32_t>(shape.channels * 2 * shape.rate));
    EXPECT_EQ(ogg.GetTotalSamples(), frames);
    EXPECT_EQ(ogg.GetDataSize(), uint64_t{frames} * shape.channels * 2);
    EXPECT_EQ(ogg.GetLengthMs(), 1500u);
    EXPECT_EQ(ogg.GetType(), GxSoundLoaderType_Ogg);

    // An odd request size: the decoder hands out whole frames and keeps going.
    const std::vector<uint8_t> all = ReadAll(ogg, 1001);
    EXPECT_TRUE(ogg.IsEnd());
    ASSERT_EQ(all.size(), ogg.GetDataSize());
    EXPECT_LT(MeanError(all, shape.channels, shape.rate, 0), 600.0);
    uint8_t buf[64];
    uint32_t got = 7;
    EXPECT_TRUE(ogg.Read(buf, sizeof buf, &got));
    EXPECT_EQ(got, 0u);

    ASSERT_TRUE(ogg.Seek(0));
    EXPECT_FALSE(ogg.IsEnd());
    EXPECT_EQ(ogg.Tell(), 0);
    EXPECT_EQ(ReadAll(ogg), all);

    const int64_t middle = frames / 2;
    ASSERT_TRUE(ogg.Seek(middle));
    EXPECT_EQ(ogg.Tell(), middle);
    const std::vector<uint8_t> rest = ReadAll(ogg);
    EXPECT_EQ(rest.size(), (frames - middle) * shape.channels * 2u);
    EXPECT_LT(MeanError(rest, shape.channels, shape.rate, static_cast<uint32_t>(middle)), 600.0);
    EXPECT_FALSE(ogg.Seek(frames + 1));
    EXPECT_TRUE(m_Log.Lines().empty()) << m_Log.Joined();
}

INSTANTIATE_TEST_SUITE_P(Shapes, OggDecodeTest, ::testing::Values(OggShape{1, 22050}, OggShape{2, 44100}),
                         [](const auto& info) {
                             return std::to_string(info.param.channels) + "ch" + std::to_string(info.param.rate);
                         });

TEST_F(SoundFileTest, OggPlaysFromAPackMember)
{
    const std::vector<uint8_t> ogg = GxEncodeOggVorbis(GxSineSamples(8000, 1, 16000, 440.0, 12000.0), 1, 16000);
    GxPackWriter pack;
    pack.AddMember(u"voice/v001.ogg", ogg);
    ASSERT_TRUE(pack.Write("voice.pak"));
    ASSERT_TRUE(GxFileOpenPack(u"voice.pak"));
    ASSERT_EQ(GxFileExists(u"voice/v001.ogg"), 2);

    GxSoundLoaderOgg loader;
    ASSERT_TRUE(loader.Open(u"voice/v001.ogg"));
    EXPECT_EQ(loader.GetTotalSamples(), 8000);
    const std::vector<uint8_t> all = ReadAll(loader);
    ASSERT_EQ(all.size(), 16000u);
    EXPECT_LT(MeanError(all, 1, 16000, 0), 600.0);
}

TEST_F(SoundFileTest, OggSkipsAGapInsteadOfEndingThere)
{
    const int rate = 22050;
    const uint32_t frames = rate * 2;
    auto pages = GxEncodeOggVorbisPages(GxSineSamples(frames, 1, rate, 440.0, 12000.0), 1, rate, {0.5f, 1, 16});
    ASSERT_GE(pages.size(), 6u);
    // Drop a page from the middle; its granule position is the last frame it completed.
    const size_t dropped = pages.size() / 2;
    const auto& p = pages[dropped];
    int64_t granule = 0;
    for (int i = 7; i >= 0; --i) granule = granule << 8 | p[6 + i];
    pages.erase(pages.begin() + static_cast<long>(dropped));
    Write("gap.ogg", GxJoinBytes(pages));

    GxSoundLoaderOgg ogg;
    ASSERT_TRUE(ogg.Open(u"gap.ogg"));
    const std::vector<uint8_t> all = ReadAll(ogg);
    EXPECT_TRUE(ogg.IsEnd());
    EXPECT_GT(all.size() / 2, static_cast<size_t>(granule));
}

TEST_F(SoundFileTest, OggRefusals)
{
    const auto mono = GxEncodeOggVorbis(GxSineSamples(4000, 1, 22050, 440.0, 9000.0), 1, 22050, {0.5f, 1, 8});
    const auto stereo = GxEncodeOggVorbis(GxSineSamples(4000, 2, 22050, 440.0, 9000.0), 2, 22050, {0.5f, 2, 8});
    const auto surround = GxEncodeOggVorbis(GxSineSamples(4000, 3, 22050, 440.0, 9000.0), 3, 22050);
    ASSERT_FALSE(surround.empty());
    Write("three.ogg", surround);
    Write("chained.ogg", GxJoinBytes({mono, stereo}));
    Write("notogg.ogg", GxWavWriter(Mono16()).Data(Ramp(200)).Build());

    struct Case
    {
        const char16_t* file;
        std::string message;
    };
    const Case cases[] = {
        {u"three.ogg", kOggStreamMessage},
        {u"chained.ogg", kOggStreamMessage},
        {u"notogg.ogg", kOggStreamMessage},
        {u"missing.ogg", "Error/GxSoundLoaderOgg::Open ファイルのオープンに失敗しました(missing.ogg)\n"},
    };
    for (const Case& c : cases) {
        m_Log.Clear();
        GxSoundLoaderOgg ogg;
        EXPECT_FALSE(ogg.Open(c.file));
        EXPECT_FALSE(ogg.IsOpen());
        ASSERT_EQ(m_Log.Lines().size(), 1u);
        EXPECT_EQ(m_Log.Lines()[0], c.message);
    }
}

TEST_F(SoundFileTest, ChainedOggOfOneFormatPlaysThrough)
{
    // Links of several pages: vorbisfile skips a first link whose audio fits in one page.
    const auto a = GxEncodeOggVorbis(GxSineSamples(20000, 1, 22050, 440.0, 9000.0), 1, 22050, {0.5f, 1, 2});
    const auto b = GxEncodeOggVorbis(GxSineSamples(30000, 1, 22050, 440.0, 9000.0), 1, 22050, {0.5f, 2, 2});
    Write("chain.ogg", GxJoinBytes({a, b}));
    GxSoundLoaderOgg ogg;
    ASSERT_TRUE(ogg.Open(u"chain.ogg"));
    EXPECT_EQ(ogg.GetTotalSamples(), 50000);
    EXPECT_EQ(ReadAll(ogg).size(), 100000u);
}

// ---- memory ----

TEST_F(SoundFileTest, MemoryDecoderReadsAndSeeksADecodedSound)
{
    GxWavFields stereo;
    stereo.channels = 2;
    const std::vector<uint8_t> pcm = Ramp(400);
    Write("s.wav", GxWavWriter(stereo).Data(pcm).Build());
    GxWavData data;
    ASSERT_TRUE(data.Create(u"s.wav"));

    GxSoundLoaderMemory mem;
    EXPECT_FALSE(mem.Open(nullptr));
    GxWavData empty;
    EXPECT_FALSE(mem.Open(&empty));
    ASSERT_TRUE(mem.Open(&data));
    EXPECT_EQ(mem.GetType(), GxSoundLoaderType_Memory);
    EXPECT_EQ(mem.GetWaveFormat(), data.GetFormat());
    EXPECT_EQ(mem.GetTotalSamples(), 100);
    EXPECT_EQ(mem.GetDataSize(), 400u);
    EXPECT_EQ(ReadAll(mem, 48), pcm);
    EXPECT_TRUE(mem.IsEnd());
    EXPECT_EQ(mem.Tell(), 100);

    ASSERT_TRUE(mem.Seek(99));
    uint8_t buf[16];
    uint32_t got = 0;
    ASSERT_TRUE(mem.Read(buf, sizeof buf, &got));
    ASSERT_EQ(got, 4u);
    EXPECT_TRUE(std::equal(buf, buf + 4, pcm.begin() + 396));
    EXPECT_TRUE(mem.Seek(100));
    EXPECT_FALSE(mem.Seek(101));

    mem.Close();
    EXPECT_FALSE(mem.IsOpen());
    EXPECT_FALSE(mem.Read(buf, sizeof buf, &got));
}

}  // namespace
