// PNG over libpng: reading from memory and writing a file. libpng reports errors by jumping
// back to the set-up point; the functions that set it hold only plain values, and what they
// allocate lives in a state record that the caller frees, so nothing is skipped by the jump.
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/GxPicture.h"

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

uint32_t BigEndian32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

struct PngState
{
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t position = 0;
    FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_bytep* rows = nullptr;
    char message[160] = {};
};

void OnError(png_structp png, png_const_charp message)
{
    auto* s = static_cast<PngState*>(png_get_error_ptr(png));
    std::snprintf(s->message, sizeof s->message, "PNG: %s", message ? message : "error");
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// A read past the end is an error: a truncated file never decodes to garbage.
void ReadFromMemory(png_structp png, png_bytep out, size_t length)
{
    auto* s = static_cast<PngState*>(png_get_io_ptr(png));
    if (length > s->size - s->position) png_error(png, "truncated data");
    std::memcpy(out, s->data + s->position, length);
    s->position += length;
}

bool RunDecode(PngState* s, uint32_t maxSide, const GxPictureRows& rows, uint32_t width, uint32_t height)
{
    s->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, s, OnError, OnWarning);
    if (!s->png) return false;
    s->info = png_create_info_struct(s->png);
    if (!s->info) return false;
    if (setjmp(png_jmpbuf(s->png))) return false;

    png_set_read_fn(s->png, s, ReadFromMemory);
    png_set_user_limits(s->png, maxSide, maxSide);
    png_read_info(s->png, s->info);
    png_uint_32 w = 0, h = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(s->png, s->info, &w, &h, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    if (w != width || h != height) png_error(s->png, "size differs from the header");

    // Every picture becomes 8-bit blue, green, red, alpha.
    if (png_get_valid(s->png, s->info, PNG_INFO_tRNS)) png_set_expand(s->png);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_expand(s->png);
    if ((colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) && bitDepth < 8)
        png_set_expand(s->png);
    if (bitDepth > 8) png_set_strip_16(s->png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(s->png);
    if (!(colorType & PNG_COLOR_MASK_ALPHA)) png_set_filler(s->png, 255, PNG_FILLER_AFTER);
    png_set_bgr(s->png);
    png_set_interlace_handling(s->png);
    png_read_update_info(s->png, s->info);
    if (png_get_rowbytes(s->png, s->info) != static_cast<size_t>(w) * 4) png_error(s->png, "unexpected row layout");

    s->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * h));
    if (!s->rows) png_error(s->png, "out of memory");
    for (png_uint_32 y = 0; y < h; ++y) s->rows[y] = reinterpret_cast<png_bytep>(rows.pixels + y * rows.pitch);
    png_read_image(s->png, s->rows);
    png_read_end(s->png, nullptr);
    return true;
}

bool RunWrite(PngState* s, uint32_t width, uint32_t height, const uint32_t* pixels, size_t pitch)
{
    s->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, s, OnError, OnWarning);
    if (!s->png) return false;
    s->info = png_create_info_struct(s->png);
    if (!s->info) return false;
    if (setjmp(png_jmpbuf(s->png))) return false;

    png_init_io(s->png, s->file);
    png_set_compression_level(s->png, Z_DEFAULT_COMPRESSION);
    png_set_compression_mem_level(s->png, 9);
    png_set_IHDR(s->png, s->info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color_8 bits;
    bits.red = 8;
    bits.green = 8;
    bits.blue = 8;
    bits.gray = 0;
    bits.alpha = 8;
    png_set_sBIT(s->png, s->info, &bits);
    png_write_info(s->png, s->info);
    png_set_bgr(s->png);
    s->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
    if (!s->rows) png_error(s->png, "out of memory");
    for (uint32_t y = 0; y < height; ++y)
        s->rows[y] = reinterpret_cast<png_bytep>(const_cast<uint32_t*>(pixels + y * pitch));
    png_write_image(s->png, s->rows);
    png_write_end(s->png, s->info);
    return true;
}

void SetError(std::string* error, const char* text)
{
    if (error) *error = text;
}

}  // namespace

bool GxPngProbe(const uint8_t* data, size_t size, GxPictureInfo* info, std::string* error)
{
    // Signature, then the IHDR chunk: length 13, type, width, height, depth, colour type.
    if (size < 33 || std::memcmp(data, kSignature, 8) != 0) {
        SetError(error, "PNG: no signature");
        return false;
    }
    if (BigEndian32(data + 8) != 13 || std::memcmp(data + 12, "IHDR", 4) != 0) {
        SetError(error, "PNG: no header chunk");
        return false;
    }
    uint32_t w = BigEndian32(data + 16), h = BigEndian32(data + 20);
    uint8_t depth = data[24], colorType = data[25];
    bool validDepth = false;
    switch (colorType) {
    case 0: validDepth = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16; break;
    case 3: validDepth = depth == 1 || depth == 2 || depth == 4 || depth == 8; break;
    case 2:
    case 4:
    case 6: validDepth = depth == 8 || depth == 16; break;
    default: break;
    }
    if (w == 0 || h == 0 || w > 0x7FFFFFFFu || h > 0x7FFFFFFFu || !validDepth) {
        SetError(error, "PNG: broken header");
        return false;
    }
    info->width = w;
    info->height = h;
    info->depth = 1;
    info->mipLevels = 1;
    info->format = (colorType & 4) || colorType == 3 ? GXFMT_A8R8G8B8 : GXFMT_X8R8G8B8;
    info->fileFormat = GXPIC_PNG;
    return true;
}

bool GxPngDecodeTo(const uint8_t* data, size_t size, uint32_t maxSide, const GxPictureRows& rows, uint32_t width,
                   uint32_t height, std::string* error)
{
    PngState s;
    s.data = data;
    s.size = size;
    bool ok = RunDecode(&s, maxSide, rows, width, height);
    if (!ok) SetError(error, s.message[0] ? s.message : "PNG: cannot start the decoder");
    std::free(s.rows);
    png_destroy_read_struct(&s.png, s.info ? &s.info : nullptr, nullptr);
    return ok;
}

bool GxPngWrite(const std::string& nativePath, uint32_t width, uint32_t height, const uint32_t* pixels, size_t pitch,
                std::string* error)
{
    if (width == 0 || height == 0 || !pixels || pitch < width) {
        SetError(error, "PNG: nothing to write");
        return false;
    }
    PngState s;
    s.file = std::fopen(nativePath.c_str(), "wb");
    if (!s.file) {
        SetError(error, "PNG: cannot open the file");
        return false;
    }
    bool ok = RunWrite(&s, width, height, pixels, pitch);
    if (!ok) SetError(error, s.message[0] ? s.message : "PNG: cannot start the encoder");
    std::free(s.rows);
    png_destroy_write_struct(&s.png, s.info ? &s.info : nullptr);
    // The data is only written once it reached the file whole.
    if (std::fflush(s.file) != 0 || std::ferror(s.file)) {
        if (ok) SetError(error, "PNG: write error");
        ok = false;
    }
    if (std::fclose(s.file) != 0) {
        if (ok) SetError(error, "PNG: write error");
        ok = false;
    }
    if (!ok) std::remove(nativePath.c_str());
    return ok;
}
