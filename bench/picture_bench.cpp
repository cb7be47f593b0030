// Loading a 1024 x 768 RGBA PNG and a 1024 x 768 JPEG into GL textures through GxTexture on the
// program's own device (GL, headless): file read, probe, decode, texture, upload. Each case is
// paired in one run with the bare path from the same file: read the bytes, decode them with
// libpng or libjpeg-turbo alone, and one glTexImage2D into a new texture. The engine's load
// should stay within 1.2x of the bare path (counter "ratio"). "Placed" is the picture at the top
// left (scale to fit off), "Stretched" the triangle resample to 1024 x 1024.
#include <benchmark/benchmark.h>

#include <png.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>

#include <EGL/egl.h>
#include <GL/gl.h>

#include <chrono>
#include <fstream>
#include <iterator>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxTexture.h"
#include "tests/support/GxPictureWriter.h"

namespace {

struct BenchPictures
{
    std::string dir;
    std::vector<uint8_t> png;
    std::vector<uint8_t> jpeg;
    std::u16string pngPath;
    std::u16string jpegPath;
    bool ok = false;
    using TexImage2D = void (*)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*);
    using GenTextures = void (*)(GLsizei, GLuint*);
    using BindTexture = void (*)(GLenum, GLuint);
    using PixelStorei = void (*)(GLenum, GLint);
    TexImage2D texImage2D = nullptr;
    GenTextures genTextures = nullptr;
    GenTextures deleteTextures = nullptr;
    BindTexture bindTexture = nullptr;
    PixelStorei pixelStorei = nullptr;

    BenchPictures()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "gx_picture_bench_XXXXXX").string();
        char* made = mkdtemp(tmpl.data());
        dir = made ? made : tmpl;
        const gxtest::TestPicture picture = gxtest::MakeTestPicture(1024, 768, true);
        png = gxtest::WritePngRgba(picture);
        jpeg = gxtest::WriteJpeg(picture, 90);
        gxtest::WriteBytes(dir + "/bg.png", png);
        gxtest::WriteBytes(dir + "/bg.jpg", jpeg);
        pngPath = GxUtf8ToWide(dir + "/bg.png");
        jpegPath = GxUtf8ToWide(dir + "/bg.jpg");

        // The device report and any error go to the temporary folder, not the working folder.
        GxSetErrorLogPath(GxUtf8ToWide(dir + "/error.log"));
        GxSetDebugLogPath(GxUtf8ToWide(dir + "/debug.log"));
        GxSetDeviceLogPath(GxUtf8ToWide(dir + "/device.log"));
        GxGetGraphicsSettings().SetStartupValues();
        setenv("GX_HEADLESS", "1", 0);
        GxGraphics::SetDirect3DFactory(nullptr);  // the program's own: GL
        ok = GxGraphics::Create(nullptr, nullptr, nullptr, nullptr);
        texImage2D = reinterpret_cast<TexImage2D>(eglGetProcAddress("glTexImage2D"));
        genTextures = reinterpret_cast<GenTextures>(eglGetProcAddress("glGenTextures"));
        deleteTextures = reinterpret_cast<GenTextures>(eglGetProcAddress("glDeleteTextures"));
        bindTexture = reinterpret_cast<BindTexture>(eglGetProcAddress("glBindTexture"));
        pixelStorei = reinterpret_cast<PixelStorei>(eglGetProcAddress("glPixelStorei"));
    }
    ~BenchPictures()
    {
        GxGraphics::Release();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

BenchPictures& Pictures()
{
    static BenchPictures pictures;
    return pictures;
}

struct MemoryReader
{
    const uint8_t* data;
    size_t size;
    size_t position;
};

void ReadPng(png_structp png, png_bytep out, size_t length)
{
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > r->size - r->position) png_error(png, "truncated");
    std::memcpy(out, r->data + r->position, length);
    r->position += length;
}

// libpng alone: 8-bit RGBA to blue, green, red, alpha words.
bool BarePngDecode(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& pixels)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    MemoryReader reader{bytes.data(), bytes.size(), 0};
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, ReadPng);
    png_read_info(png, info);
    const uint32_t w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    png_set_bgr(png);
    png_read_update_info(png, info);
    pixels.resize(static_cast<size_t>(w) * h * 4);
    rows.resize(h);
    for (uint32_t y = 0; y < h; ++y) rows[y] = pixels.data() + static_cast<size_t>(y) * w * 4;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// libjpeg-turbo alone, straight to blue, green, red, alpha.
bool BareJpegDecode(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& pixels)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    const size_t stride = static_cast<size_t>(cinfo.output_width) * 4;
    pixels.resize(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels.data() + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

std::vector<uint8_t> ReadFile(const std::u16string& path)
{
    std::ifstream f(GxWideToUtf8(path), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// The bare path: the file's bytes, the library's decode, one upload into a new texture.
bool BareLoad(const std::u16string& path, bool png, uint32_t width, uint32_t height)
{
    BenchPictures& p = Pictures();
    const std::vector<uint8_t> bytes = ReadFile(path);
    std::vector<uint8_t> pixels;
    if (!(png ? BarePngDecode(bytes, pixels) : BareJpegDecode(bytes, pixels))) return false;
    GLuint name = 0;
    p.genTextures(1, &name);
    p.bindTexture(GL_TEXTURE_2D, name);
    p.pixelStorei(GL_UNPACK_ALIGNMENT, 1);
    p.texImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0, GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
    p.bindTexture(GL_TEXTURE_2D, 0);
    p.deleteTextures(1, &name);
    return true;
}

// Engine and bare path alternate in every iteration, so both see the same machine state.
void Paired(benchmark::State& state, bool png, bool stretch)
{
    BenchPictures& p = Pictures();
    if (!p.ok || !p.texImage2D) {
        state.SkipWithError("no GL device");
        return;
    }
    const std::u16string& path = png ? p.pngPath : p.jpegPath;
    using Clock = std::chrono::steady_clock;
    double engine = 0, bare = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        {
            GxTexture t;
            if (!t.CreateFromFile(path, GXFMT_A8R8G8B8, 1, 0, stretch)) state.SkipWithError("load failed");
            benchmark::DoNotOptimize(t.GetD3DTexture());
        }
        const auto t1 = Clock::now();
        if (!BareLoad(path, png, 1024, 768)) state.SkipWithError("bare decode failed");
        const auto t2 = Clock::now();
        engine += std::chrono::duration<double, std::milli>(t1 - t0).count();
        bare += std::chrono::duration<double, std::milli>(t2 - t1).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["engine_ms"] = engine / n;
    state.counters["bare_ms"] = bare / n;
    state.counters["ratio"] = bare > 0 ? engine / bare : 0;
    state.counters["bytes"] = static_cast<double>(png ? p.png.size() : p.jpeg.size());
}

void BM_PngPlaced(benchmark::State& state) { Paired(state, true, false); }
BENCHMARK(BM_PngPlaced)->Unit(benchmark::kMillisecond);
void BM_PngStretched(benchmark::State& state) { Paired(state, true, true); }
BENCHMARK(BM_PngStretched)->Unit(benchmark::kMillisecond);
void BM_JpegPlaced(benchmark::State& state) { Paired(state, false, false); }
BENCHMARK(BM_JpegPlaced)->Unit(benchmark::kMillisecond);
void BM_JpegStretched(benchmark::State& state) { Paired(state, false, true); }
BENCHMARK(BM_JpegStretched)->Unit(benchmark::kMillisecond);

}  // namespace
