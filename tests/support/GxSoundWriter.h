// Sound files for tests: RIFF WAVE files assembled chunk by chunk (broken ones on purpose),
// Ogg Vorbis streams encoded with libvorbisenc, and the sine waves they carry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct GxWavFields
{
    uint16_t formatTag = 1;
    uint16_t channels = 1;
    uint32_t rate = 22050;
    uint16_t bits = 16;
    uint16_t blockAlign = 0;        // 0: channels x bits / 8
    uint32_t avgBytesPerSec = 0;    // 0: block x rate
};

class GxWavWriter
{
public:
    // Starts with "RIFF", size, "WAVE" and a fmt chunk of fmtSize bytes (16 or more; the extra
    // bytes are zero) holding the fields.
    explicit GxWavWriter(const GxWavFields& fields, uint32_t fmtSize = 16);
    // Appends a chunk; an odd-sized body gets its pad byte only when pad is set. sizeField
    // overrides the size written in the chunk header (the body stays as given).
    GxWavWriter& Chunk(std::string_view tag, const std::vector<uint8_t>& body, bool pad = true,
                       int64_t sizeField = -1);
    GxWavWriter& Data(const std::vector<uint8_t>& body, bool pad = true) { return Chunk("data", body, pad); }
    // Overwrites bytes at an offset (for broken headers).
    GxWavWriter& Patch(size_t offset, std::string_view bytes);
    // The file; the RIFF size is the length - 8 unless riffSize is given.
    std::vector<uint8_t> Build(int64_t riffSize = -1) const;

private:
    std::vector<uint8_t> m_Bytes;
};

// Little-endian 16-bit samples as bytes.
std::vector<uint8_t> GxPcm16Bytes(const std::vector<int16_t>& samples);

// frames x channels interleaved samples of a sine (channel c at frequency hz x (c + 1)).
std::vector<int16_t> GxSineSamples(uint32_t frames, int channels, int rate, double hz, double amplitude);
double GxSineValue(uint32_t frame, int channel, int rate, double hz, double amplitude);

// Ogg Vorbis pages of the interleaved samples (quality -0.1 .. 1), in order; empty when the
// encoder refuses the parameters. packetsPerPage > 0 ends a page after that many audio packets
// (small pages for tests that drop or cut pages); 0 leaves page sizes to the encoder.
struct GxOggOptions
{
    float quality = 0.5f;
    int serial = 1;
    int packetsPerPage = 0;
};
std::vector<std::vector<uint8_t>> GxEncodeOggVorbisPages(const std::vector<int16_t>& samples, int channels,
                                                         int rate, const GxOggOptions& options = {});
std::vector<uint8_t> GxEncodeOggVorbis(const std::vector<int16_t>& samples, int channels, int rate,
                                       const GxOggOptions& options = {});
std::vector<uint8_t> GxJoinBytes(const std::vector<std::vector<uint8_t>>& parts);
