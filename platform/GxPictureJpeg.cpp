// JPEG over libjpeg-turbo from memory. Errors jump back to the set-up point (the functions that
// set it hold only plain values). The library's own end-of-data padding is refused: a truncated
// file is an error, not a grey picture.
#include <cstdio>
#include <cstring>
#include <csetjmp>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/GxPicture.h"

namespace {

struct JpegError
{
    jpeg_error_mgr manager;
    jmp_buf jump;
    bool created = false;
    char message[JMSG_LENGTH_MAX + 8] = {};
};

void OnErrorExit(j_common_ptr c)
{
    auto* e = reinterpret_cast<JpegError*>(c->err);
    char text[JMSG_LENGTH_MAX] = {};
    (*c->err->format_message)(c, text);
    std::snprintf(e->message, sizeof e->message, "JPEG: %s", text);
    std::longjmp(e->jump, 1);
}

void OnEmitMessage(j_common_ptr c, int level)
{
    if (level >= 0) return;
    // Premature end of data: the library would pad the rest with grey.
    if (c->err->msg_code == JWRN_JPEG_EOF) OnErrorExit(c);
    c->err->num_warnings++;
}

void OnOutputMessage(j_common_ptr) {}

// Progressive files may hold any number of scans; a cap keeps a hostile one from running long.
constexpr int kMaxScans = 1000;

void OnProgress(j_common_ptr c)
{
    auto* d = reinterpret_cast<j_decompress_ptr>(c);
    if (d->is_decompressor && d->input_scan_number > kMaxScans) {
        auto* e = reinterpret_cast<JpegError*>(c->err);
        std::snprintf(e->message, sizeof e->message, "JPEG: too many scans");
        std::longjmp(e->jump, 1);
    }
}

void Prepare(jpeg_decompress_struct* cinfo, JpegError* e)
{
    cinfo->err = jpeg_std_error(&e->manager);
    e->manager.error_exit = OnErrorExit;
    e->manager.emit_message = OnEmitMessage;
    e->manager.output_message = OnOutputMessage;
}

bool RunHeader(jpeg_decompress_struct* cinfo, JpegError* e, const uint8_t* data, size_t size)
{
    if (setjmp(e->jump)) return false;
    jpeg_create_decompress(cinfo);
    e->created = true;
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) {
        std::snprintf(e->message, sizeof e->message, "JPEG: no picture");
        return false;
    }
    return true;
}

bool RunDecode(jpeg_decompress_struct* cinfo, JpegError* e, jpeg_progress_mgr* progress, const uint8_t* data,
               size_t size, uint32_t maxSide, const GxPictureRows& rows, uint32_t width, uint32_t height)
{
    if (setjmp(e->jump)) return false;
    jpeg_create_decompress(cinfo);
    e->created = true;
    progress->progress_monitor = OnProgress;
    cinfo->progress = progress;
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) {
        std::snprintf(e->message, sizeof e->message, "JPEG: no picture");
        return false;
    }
    if (cinfo->image_width != width || cinfo->image_height != height || width > maxSide || height > maxSide) {
        std::snprintf(e->message, sizeof e->message, "JPEG: size differs from the header");
        return false;
    }
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_start_decompress(cinfo);
    if (cinfo->output_width != width || cinfo->output_height != height || cinfo->output_components != 4) {
        std::snprintf(e->message, sizeof e->message, "JPEG: unexpected output");
        return false;
    }
    JSAMPROW batch[16];
    while (cinfo->output_scanline < height) {
        JDIMENSION first = cinfo->output_scanline;
        JDIMENSION count = height - first < 16 ? height - first : 16;
        for (JDIMENSION i = 0; i < count; ++i)
            batch[i] = reinterpret_cast<JSAMPROW>(rows.pixels + static_cast<size_t>(first + i) * rows.pitch);
        JDIMENSION got = jpeg_read_scanlines(cinfo, batch, count);
        if (got == 0) {
            std::snprintf(e->message, sizeof e->message, "JPEG: no rows");
            return false;
        }
        if (cmyk) {
            // Adobe files store the inks inverted; others store them plainly.
            const bool inverted = cinfo->saw_Adobe_marker;
            for (JDIMENSION i = 0; i < got; ++i) {
                uint8_t* p = batch[i];
                for (uint32_t x = 0; x < width; ++x, p += 4) {
                    uint32_t c = p[0], m = p[1], y = p[2], k = p[3];
                    if (!inverted) {
                        c = 255 - c;
                        m = 255 - m;
                        y = 255 - y;
                        k = 255 - k;
                    }
                    uint8_t r = static_cast<uint8_t>(c * k / 255), g = static_cast<uint8_t>(m * k / 255),
                            b = static_cast<uint8_t>(y * k / 255);
                    p[0] = b;
                    p[1] = g;
                    p[2] = r;
                    p[3] = 255;
                }
            }
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

void SetError(std::string* error, const char* text)
{
    if (error) *error = text;
}

}  // namespace

bool GxJpegProbe(const uint8_t* data, size_t size, GxPictureInfo* info, std::string* error)
{
    if (size < 3 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF) {
        SetError(error, "JPEG: no signature");
        return false;
    }
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    JpegError e;
    Prepare(&cinfo, &e);
    bool ok = RunHeader(&cinfo, &e, data, size);
    if (ok && (cinfo.image_width == 0 || cinfo.image_height == 0)) {
        std::snprintf(e.message, sizeof e.message, "JPEG: broken header");
        ok = false;
    }
    if (ok) {
        info->width = cinfo.image_width;
        info->height = cinfo.image_height;
        info->depth = 1;
        info->mipLevels = 1;
        info->format = GXFMT_X8R8G8B8;
        info->fileFormat = GXPIC_JPG;
    } else {
        SetError(error, e.message[0] ? e.message : "JPEG: broken header");
    }
    if (e.created) jpeg_destroy_decompress(&cinfo);
    return ok;
}

bool GxJpegDecodeTo(const uint8_t* data, size_t size, uint32_t maxSide, const GxPictureRows& rows, uint32_t width,
                    uint32_t height, std::string* error)
{
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    jpeg_progress_mgr progress;
    std::memset(&progress, 0, sizeof progress);
    JpegError e;
    Prepare(&cinfo, &e);
    bool ok = RunDecode(&cinfo, &e, &progress, data, size, maxSide, rows, width, height);
    if (!ok) SetError(error, e.message[0] ? e.message : "JPEG: cannot decode");
    if (e.created) jpeg_destroy_decompress(&cinfo);
    return ok;
}
