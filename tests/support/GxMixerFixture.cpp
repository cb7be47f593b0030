#include "tests/support/GxMixerFixture.h"

#include "tests/support/GxSoundWriter.h"

std::vector<uint8_t> GxRampPcm(uint32_t frames, int channels, int bits, int step)
{
    std::vector<uint8_t> out;
    out.reserve(size_t(frames) * channels * bits / 8);
    auto put16 = [&](uint32_t v) { out.push_back(uint8_t(v)); out.push_back(uint8_t(v >> 8)); };
    for (uint32_t i = 0; i < frames; ++i) {
        if (bits == 8) {
            for (int c = 0; c < channels; ++c) out.push_back(uint8_t(i));
        } else if (channels == 2) {
            put16(i % 32768);
            put16(i / 32768);
        } else {
            put16(uint32_t(i * step));
        }
    }
    return out;
}

std::vector<uint8_t> GxRampWav(uint32_t frames, int channels, int rate, int bits, int step)
{
    GxWavFields fields;
    fields.channels = uint16_t(channels);
    fields.rate = uint32_t(rate);
    fields.bits = uint16_t(bits);
    return GxWavWriter(fields).Data(GxRampPcm(frames, channels, bits, step)).Build();
}

std::vector<uint8_t> GxConstantWav(uint32_t frames, int channels, int rate, int16_t value)
{
    GxWavFields fields;
    fields.channels = uint16_t(channels);
    fields.rate = uint32_t(rate);
    std::vector<int16_t> samples(size_t(frames) * channels, value);
    return GxWavWriter(fields).Data(GxPcm16Bytes(samples)).Build();
}

GxManualMixerScope::GxManualMixerScope() { GxMixer::Open(GxMixerBackendKind::Manual); }

GxManualMixerScope::~GxManualMixerScope() { GxMixer::Close(); }

std::vector<int16_t> GxManualMixerScope::Render(uint32_t frames)
{
    std::vector<int16_t> out(2 * size_t(frames));
    if (GxMixer* mixer = GxMixer::Get()) mixer->Render(out.data(), frames);
    m_Output.insert(m_Output.end(), out.begin(), out.end());
    return out;
}
