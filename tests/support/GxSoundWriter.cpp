#include "tests/support/GxSoundWriter.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

void PutLe16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutTag(std::vector<uint8_t>& out, std::string_view tag)
{
    for (size_t i = 0; i < 4; ++i) out.push_back(i < tag.size() ? static_cast<uint8_t>(tag[i]) : ' ');
}

void AppendPage(std::vector<std::vector<uint8_t>>& pages, const ogg_page& page)
{
    std::vector<uint8_t> bytes(page.header, page.header + page.header_len);
    bytes.insert(bytes.end(), page.body, page.body + page.body_len);
    pages.push_back(std::move(bytes));
}

}  // namespace

GxWavWriter::GxWavWriter(const GxWavFields& f, uint32_t fmtSize)
{
    PutTag(m_Bytes, "RIFF");
    PutLe32(m_Bytes, 0);
    PutTag(m_Bytes, "WAVE");
    PutTag(m_Bytes, "fmt ");
    PutLe32(m_Bytes, fmtSize);
    const uint16_t block = f.blockAlign ? f.blockAlign : static_cast<uint16_t>(f.channels * f.bits / 8);
    PutLe16(m_Bytes, f.formatTag);
    PutLe16(m_Bytes, f.channels);
    PutLe32(m_Bytes, f.rate);
    PutLe32(m_Bytes, f.avgBytesPerSec ? f.avgBytesPerSec : block * f.rate);
    PutLe16(m_Bytes, block);
    PutLe16(m_Bytes, f.bits);
    for (uint32_t i = 16; i < fmtSize; ++i) m_Bytes.push_back(0);
    if (fmtSize & 1u) m_Bytes.push_back(0);
}

GxWavWriter& GxWavWriter::Chunk(std::string_view tag, const std::vector<uint8_t>& body, bool pad, int64_t sizeField)
{
    PutTag(m_Bytes, tag);
    PutLe32(m_Bytes, sizeField >= 0 ? static_cast<uint32_t>(sizeField) : static_cast<uint32_t>(body.size()));
    m_Bytes.insert(m_Bytes.end(), body.begin(), body.end());
    if (pad && (body.size() & 1u)) m_Bytes.push_back(0);
    return *this;
}

GxWavWriter& GxWavWriter::Patch(size_t offset, std::string_view bytes)
{
    for (size_t i = 0; i < bytes.size() && offset + i < m_Bytes.size(); ++i) {
        m_Bytes[offset + i] = static_cast<uint8_t>(bytes[i]);
    }
    return *this;
}

std::vector<uint8_t> GxWavWriter::Build(int64_t riffSize) const
{
    std::vector<uint8_t> out = m_Bytes;
    const uint32_t size = riffSize >= 0 ? static_cast<uint32_t>(riffSize) : static_cast<uint32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(size >> (8 * i));
    return out;
}

std::vector<uint8_t> GxPcm16Bytes(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> out;
    out.reserve(samples.size() * 2);
    for (int16_t s : samples) PutLe16(out, static_cast<uint16_t>(s));
    return out;
}

double GxSineValue(uint32_t frame, int channel, int rate, double hz, double amplitude)
{
    return amplitude * std::sin(2.0 * std::numbers::pi * hz * (channel + 1) * frame / rate);
}

std::vector<int16_t> GxSineSamples(uint32_t frames, int channels, int rate, double hz, double amplitude)
{
    std::vector<int16_t> out;
    out.reserve(size_t{frames} * channels);
    for (uint32_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            out.push_back(static_cast<int16_t>(std::lround(GxSineValue(i, c, rate, hz, amplitude))));
        }
    }
    return out;
}

std::vector<std::vector<uint8_t>> GxEncodeOggVorbisPages(const std::vector<int16_t>& samples, int channels,
                                                         int rate, const GxOggOptions& options)
{
    std::vector<std::vector<uint8_t>> pages;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (channels < 1 || vorbis_encode_init_vbr(&vi, channels, rate, options.quality) != 0) {
        vorbis_info_clear(&vi);
        return pages;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, options.serial);

    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    ogg_page page;
    while (ogg_stream_flush(&os, &page) != 0) AppendPage(pages, page);

    const size_t frames = samples.size() / channels;
    size_t done = 0;
    bool eos = false;
    int packetsInPage = 0;
    while (!eos) {
        const size_t n = std::min<size_t>(frames - done, 1024);
        if (n == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i) {
                for (int c = 0; c < channels; ++c) buffer[c][i] = samples[(done + i) * channels + c] / 32768.0f;
            }
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet)) {
                ogg_stream_packetin(&os, &packet);
                const bool flush = options.packetsPerPage > 0 && ++packetsInPage >= options.packetsPerPage;
                if (flush) packetsInPage = 0;
                while ((flush ? ogg_stream_flush(&os, &page) : ogg_stream_pageout(&os, &page)) != 0) {
                    AppendPage(pages, page);
                    if (ogg_page_eos(&page)) eos = true;
                }
            }
        }
        if (n == 0 && !eos) {
            while (ogg_stream_flush(&os, &page) != 0) AppendPage(pages, page);
            eos = true;
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return pages;
}

std::vector<uint8_t> GxEncodeOggVorbis(const std::vector<int16_t>& samples, int channels, int rate,
                                       const GxOggOptions& options)
{
    return GxJoinBytes(GxEncodeOggVorbisPages(samples, channels, rate, options));
}

std::vector<uint8_t> GxJoinBytes(const std::vector<std::vector<uint8_t>>& parts)
{
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
