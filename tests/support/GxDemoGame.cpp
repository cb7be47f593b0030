#include "tests/support/GxDemoGame.h"
#include "tests/support/GxDemoGameScreens.h"

#include <filesystem>
#include <vector>

#include "core/GxString.h"
#include "tests/support/GxImageSetFile.h"
#include "tests/support/GxMovieWriter.h"
#include "tests/support/GxNcWriter.h"
#include "tests/support/GxPictureWriter.h"
#include "tests/support/GxSoundWriter.h"

namespace gxdemo {

namespace {

using gxtest::TestPicture;
using gxtest::UIImageSpec;

std::string Bytes(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string Png(const TestPicture& picture)
{
    const std::vector<uint8_t> bytes = gxtest::WritePngRgba(picture);
    return std::string(bytes.begin(), bytes.end());
}

TestPicture Solid(uint32_t w, uint32_t h, uint32_t argb) { return TestPicture(w, h, argb); }

// A panel: its fill with a one-pixel lighter frame, so that its edges show.
TestPicture Framed(uint32_t w, uint32_t h, uint32_t fill, uint32_t frame)
{
    TestPicture p(w, h, fill);
    for (uint32_t x = 0; x < w; ++x) p.At(x, 0) = p.At(x, h - 1) = frame;
    for (uint32_t y = 0; y < h; ++y) p.At(0, y) = p.At(w - 1, y) = frame;
    return p;
}

// A grid font: every cell from the first character on holds an outlined box whose height grows
// with the character, so that each glyph differs and all stay inside their cells.
TestPicture GridFont(uint32_t first, uint32_t last, uint32_t cellW, uint32_t cellH, uint32_t perRow)
{
    const uint32_t count = last - first + 1;
    const uint32_t rows = (count + perRow - 1) / perRow;
    TestPicture p(cellW * perRow, cellH * rows, 0);
    for (uint32_t i = 0; i < count; ++i) {
        if (first + i == 0x20) continue;  // the space stays empty
        const uint32_t x0 = (i % perRow) * cellW + 1, y1 = (i / perRow + 1) * cellH - 2;
        const uint32_t h = 3 + i % (cellH - 4);
        const uint32_t x1 = x0 + cellW - 3, y0 = y1 - h;
        for (uint32_t x = x0; x <= x1; ++x) p.At(x, y0) = p.At(x, y1) = 0xFFFFFFFFu;
        for (uint32_t y = y0; y <= y1; ++y) p.At(x0, y) = p.At(x1, y) = 0xFFFFFFFFu;
    }
    return p;
}

// The four state pictures of a push button: off, on (pressed), over and not available.
void AddButton(std::vector<UIImageSpec>& images, const std::u16string& base, int32_t w, int32_t h, uint32_t off,
               uint32_t on, uint32_t over, uint32_t na)
{
    images.push_back({base + u"_off.png", {{w, h, off}}});
    images.push_back({base + u"_on.png", {{w, h, on}}});
    images.push_back({base + u"_over.png", {{w, h, over}}});
    images.push_back({base + u"_na.png", {{w, h, na}}});
}

bool ReadBack(const std::filesystem::path& file, std::string& out)
{
    FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return false;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return true;
}

}  // namespace

std::map<std::string, std::string> GeneratedFiles()
{
    std::map<std::string, std::string> files;
    files["cg/ui/bg_title.png"] = Png(Solid(1024, 768, kTitleColor));
    files["cg/error.png"] = Png(Framed(64, 64, 0xFFFF00FFu, 0xFFFFFFFFu));
    files["cg/bg/黒.png"] = Png(Solid(1024, 768, 0xFF000000u));
    files["cg/ui/meswin.png"] = Png(Framed(960, 200, 0xC0102040u, 0xFFA0C0FFu));
    files["cg/ui/namewin.png"] = Png(Framed(240, 48, 0xC0102040u, 0xFFA0C0FFu));
    files["cg/bg/sky.png"] = Png(Solid(1024, 768, kBackgroundColor));
    files["cg/stand/ruko/normal.png"] = Png(Solid(kStandWidth, kStandHeight, kStandColor));
    files["cg/ev/ev_demo.png"] = Png(Solid(1024, 768, kEventColor));
    files["cg/ui/bg_cgmode.png"] = Png(Solid(1024, 768, 0xFF202040u));
    // Two seconds of a quiet tone, looped by the story as its music.
    files["bgms/demo_theme.ogg"] = Bytes(GxEncodeOggVorbis(GxSineSamples(44100, 1, 22050, kToneHz, 8000.0), 1, 22050,
                                                           GxOggOptions{0.1f, 1, 0}));
    {
        GxMovieSpec movie;
        movie.width = 1024;  // the movie layer shows frames unscaled
        movie.height = 768;
        movie.colors.assign(25, kMovieColor & 0xFFFFFFu);  // one second at 25 frames
        movie.sound = false;
        files["movies/demo.mpg"] = Bytes(GxWriteTestMovie(movie));
    }
    files["fonts/FONT16SYS.png"] = Png(GridFont(0x20, 0x7E, 8, 16, 16));
    files["fonts/FONT8NUM.png"] = Png(GridFont(0x20, 0x39, 8, 16, 7));
    files["fonts/FONT22NUM.png"] = Png(GridFont(0x30, 0x39, 22, 32, 5));

    // The image sets go through a scratch folder: their writer writes files.
    std::vector<std::pair<std::string, std::vector<UIImageSpec>>> sets;
    {
        std::vector<UIImageSpec> title;
        AddButton(title, u"btn_title_start", kStartWidth, kStartHeight, 0xFFE0E0E0u, 0xFFFFFFFFu, 0xFFFFF0A0u,
                  0xFF808080u);
        AddButton(title, u"btn_title_visual", kStartWidth, kStartHeight, 0xFFD0D0F0u, 0xFFFFFFFFu, 0xFFFFF0A0u,
                  0xFF808080u);
        sets.emplace_back("uigis/ui_title.gis", title);
    }
    {
        std::vector<UIImageSpec> common;
        common.push_back({u"dlg.png", {{480, 200, 0xE0202020u}}});
        common.push_back({u"tip.png", {{200, 40, 0xF0FFFFE0u}}});
        for (const char16_t* b : {u"btn_yes", u"btn_no", u"btn_ok", u"btn_cancel"})
            AddButton(common, b, 120, 40, 0xFFC0C0C0u, 0xFFFFFFFFu, 0xFFFFF0A0u, 0xFF606060u);
        sets.emplace_back("uigis/ui_common.gis", common);
    }
    {
        std::vector<UIImageSpec> main;
        AddButton(main, u"btn_mes", 64, 24, 0xFF406080u, 0xFF80A0C0u, 0xFF6080A0u, 0xFF303030u);
        AddButton(main, u"btn_select", 600, 40, 0xE0304060u, 0xE0506080u, 0xE0405070u, 0xE0202020u);
        main.push_back({u"icon_wait.png", {{16, 16, 0xFFFFFFFFu}}});
        sets.emplace_back("uigis/ui_rukomain.gis", main);
    }
    {
        std::vector<UIImageSpec> extra;
        extra.push_back({u"tip_cgplate.png", {{kSlotWidth, kSlotHeight, kPlateColor}}});
        AddButton(extra, u"btn_cgselect", kSlotWidth, kSlotHeight, 0xFF404040u, 0xFF606060u, 0xFF505050u,
                  0xFF303030u);
        AddButton(extra, u"btn_back", 120, 40, 0xFFC0C0C0u, 0xFFFFFFFFu, 0xFFFFF0A0u, 0xFF606060u);
        sets.emplace_back("uigis/ui_extra.gis", extra);
        sets.emplace_back("uigis/th_cgmode.gis",
                          std::vector<UIImageSpec>{{u"th_demo.png", {{kSlotWidth, kSlotHeight, kThumbnailColor}}}});
    }
    sets.emplace_back("uigis/ui_iconpool.gis", std::vector<UIImageSpec>{{u"icon.png", {{16, 16, 0xFFFFFF00u}}}});
    AddScreenFiles(files, sets);

    char tmpl[] = "/tmp/gxdemo_XXXXXX";
    if (const char* scratch = mkdtemp(tmpl)) {
        for (const auto& [path, images] : sets) {
            if (!gxtest::WriteSolidImageSet(scratch, path, images)) continue;
            const std::string page = path.substr(0, path.size() - 4) + "_0.png";
            ReadBack(std::filesystem::path(scratch) / path, files[path]);
            ReadBack(std::filesystem::path(scratch) / page, files[page]);
        }
        std::error_code ec;
        std::filesystem::remove_all(scratch, ec);
    }
    return files;
}

bool WriteGeneratedFiles(const std::string& folder)
{
    bool ok = true;
    for (const auto& [path, bytes] : GeneratedFiles())
        ok = GxNcWriteFileBytes((std::filesystem::path(folder) / std::filesystem::u8path(path)).string(), bytes) && ok;
    return ok;
}

}  // namespace gxdemo
