// Loading a 1024 x 768 RGBA PNG and a 1024 x 768 JPEG into textures through GxTexture on the
// recording device (file read, probe, decode, texture), beside the bare libpng and libjpeg decode
// of the same bytes into a fresh buffer. The engine's load should stay within 1.2x of the bare
// decode. "Placed" is the picture at the top left (scale to fit off), "Stretched" the triangle
// resample to 1024 x 1024.
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

#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxTexture.h"
#include "platform/GxDeviceRecording.h"
#include "tests/support/GxPictureWriter.h"

namespace {

struct BenchPictures
{
    std::string dir;
    std::vector<uint8_t> png;
    std::vector<uint8_t> jpeg;
    std::u16string pngPath;
    std::u16string jpegPath;

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
        GxGraphics::SetDirect3DFactory([](void*) { return GxCreateRecordingDirect3D(GxDefaultRecordingAdapter()); });
        GxGraphics::Create(nullptr, nullptr, nullptr, nullptr);
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

void BM_PngBareDecode(benchmark::State& state)
{
    BenchPictures& p = Pictures();
    for (auto _ : state) {
        std::vector<uint8_t> pixels;
        if (!BarePngDecode(p.png, pixels)) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["bytes"] = static_cast<double>(p.png.size());
}
BENCHMARK(BM_PngBareDecode)->Unit(benchmark::kMillisecond);

void EngineLoad(benchmark::State& state, const std::u16string& path, bool stretch)
{
    Pictures();
    for (auto _ : state) {
        GxTexture t;
        if (!t.CreateFromFile(path, GXFMT_A8R8G8B8, 1, 0, stretch)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(t.GetD3DTexture());
    }
}

void BM_PngEngineLoadPlaced(benchmark::State& state) { EngineLoad(state, Pictures().pngPath, false); }
BENCHMARK(BM_PngEngineLoadPlaced)->Unit(benchmark::kMillisecond);

void BM_PngEngineLoadStretched(benchmark::State& state) { EngineLoad(state, Pictures().pngPath, true); }
BENCHMARK(BM_PngEngineLoadStretched)->Unit(benchmark::kMillisecond);

void BM_JpegBareDecode(benchmark::State& state)
{
    BenchPictures& p = Pictures();
    for (auto _ : state) {
        std::vector<uint8_t> pixels;
        BareJpegDecode(p.jpeg, pixels);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["bytes"] = static_cast<double>(p.jpeg.size());
}
BENCHMARK(BM_JpegBareDecode)->Unit(benchmark::kMillisecond);

void BM_JpegEngineLoadPlaced(benchmark::State& state) { EngineLoad(state, Pictures().jpegPath, false); }
BENCHMARK(BM_JpegEngineLoadPlaced)->Unit(benchmark::kMillisecond);

void BM_JpegEngineLoadStretched(benchmark::State& state) { EngineLoad(state, Pictures().jpegPath, true); }
BENCHMARK(BM_JpegEngineLoadStretched)->Unit(benchmark::kMillisecond);

}  // namespace
