#include "tests/support/GxDemoGame.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "core/GxString.h"
#include "tests/support/GxDemoGameArt.h"
#include "tests/support/GxDemoGameScreens.h"
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


// Mono sound at 22050 Hz as a small Ogg Vorbis file.
std::string Ogg(const std::vector<int16_t>& samples)
{
    return Bytes(GxEncodeOggVorbis(samples, 1, 22050, GxOggOptions{0.1f, 1, 0}));
}

// A picture reduced by a whole factor, each block averaged (the thumbnails).
TestPicture Reduce(const TestPicture& p, uint32_t factor)
{
    TestPicture out(p.width / factor, p.height / factor);
    for (uint32_t y = 0; y < out.height; ++y)
        for (uint32_t x = 0; x < out.width; ++x) {
            uint32_t sum[4] = {0, 0, 0, 0};
            for (uint32_t yy = 0; yy < factor; ++yy)
                for (uint32_t xx = 0; xx < factor; ++xx) {
                    const uint32_t c = p.At(x * factor + xx, y * factor + yy);
                    for (int k = 0; k < 4; ++k) sum[k] += (c >> (24 - 8 * k)) & 0xFF;
                }
            uint32_t c = 0;
            for (int k = 0; k < 4; ++k) c |= (sum[k] / (factor * factor)) << (24 - 8 * k);
            out.At(x, y) = c;
        }
    return out;
}

// A grid font: the characters from first to last set in white in their cells, perRow to a row.
TestPicture GridFont(char16_t first, char16_t last, uint32_t cellW, uint32_t cellH, uint32_t perRow, int32_t size)
{
    const uint32_t count = uint32_t(last - first) + 1;
    TestPicture p(cellW * perRow, cellH * ((count + perRow - 1) / perRow), 0);
    for (uint32_t i = 0; i < count; ++i) {
        const std::u16string ch(1, char16_t(first + i));
        const int32_t x = int32_t((i % perRow) * cellW), y = int32_t((i / perRow) * cellH);
        TestPicture cell(cellW, cellH, 0);
        DrawLabel(cell, ch, size, (int32_t(cellW) - LabelWidth(ch, size)) / 2, (int32_t(cellH) - size) / 2, 0xFFFFFFFFu);
        for (uint32_t yy = 0; yy < cellH; ++yy)
            for (uint32_t xx = 0; xx < cellW; ++xx) p.At(uint32_t(x) + xx, uint32_t(y) + yy) = cell.At(xx, yy);
    }
    return p;
}

TestPicture TitlePicture()
{
    TestPicture p(1024, 768, kTitleColor);
    FillGradient(p, kTitleColor, 0xFF2050A8u, 150, 330);
    DrawLabelCentred(p, u"gxengine デモ", 56, 512, 210, 0xFFFFFFFFu, 0xC0102040u);
    DrawLabelCentred(p, u"物語ゲームエンジンの見本", 24, 512, 290, 0xFFE0F0FFu, 0xC0102040u);
    return p;
}

TestPicture Meadow()
{
    TestPicture p(1024, 768, kBackgroundColor);
    FillGradient(p, kSkyTopColor, kSkyBottomColor, 0, kHorizon);
    // Clouds, away from the corners the tests look at.
    for (const auto& [x, y] : {std::pair{240, 120}, {700, 80}, {860, 200}}) {
        FillCircle(p, x, y, 36, 0xFFF4F8FCu);
        FillCircle(p, x + 40, y + 8, 30, 0xFFF4F8FCu);
        FillCircle(p, x - 38, y + 10, 26, 0xFFF4F8FCu);
    }
    // A lighter band of grass at the horizon.
    FillRect(p, 0, kHorizon, 1024, kHorizon + 12, 0xFF58A860u);
    return p;
}

TestPicture Town()
{
    TestPicture p(1024, 768, 0xFF282030u);
    FillGradient(p, kTownSkyColor, 0xFFE08850u, 0, 560);
    // Houses on the right half, windows lit.
    const int heights[] = {180, 240, 150, 300, 210, 260, 170};
    for (int i = 0; i < 7; ++i) {
        const int x0 = 560 + i * 66, top = 560 - heights[i];
        FillRect(p, x0, top, x0 + 60, 560, 0xFF302838u);
        for (int wy = top + 20; wy + 14 < 560; wy += 40) FillRect(p, x0 + 22, wy, x0 + 38, wy + 14, 0xFFF0C060u);
    }
    return p;
}

// The wipe's mask: dark on the left, light on the right, so the old picture gives way from the
// left edge to the right one.
TestPicture Mask()
{
    TestPicture p(1024, 768);
    for (uint32_t y = 0; y < 768; ++y)
        for (uint32_t x = 0; x < 1024; ++x) {
            const uint32_t g = x * 255 / 1023;
            p.At(x, y) = 0xFF000000u | g << 16 | g << 8 | g;
        }
    return p;
}

TestPicture EventPicture()
{
    TestPicture p(1024, 768, kEventColor);
    FillCircle(p, 820, 180, 90, 0xFFF8C050u);  // the setting sun
    FillRect(p, 0, 600, 1024, 768, 0xFF302060u);  // the sea
    for (int y = 620; y < 768; y += 24) FillRect(p, 100 + (y % 48) * 4, y, 380 + (y % 48) * 4, y + 4, 0xFF8070C0u);
    return p;
}

TestPicture FlowersPicture()
{
    TestPicture p(1024, 768, kFlowersColor);
    const uint32_t petals[] = {0xFFF080A0u, 0xFFFFF0A0u, 0xFFA0C0FFu};
    for (int i = 0; i < 40; ++i) {
        const int x = (i * 211) % 1024, y = 420 + (i * 97) % 340;
        if (x > 380 && x < 640 && y < 520) continue;  // the middle stays plain
        FillCircle(p, x, y, 14, petals[i % 3]);
        FillCircle(p, x, y, 5, 0xFFFFD040u);
    }
    return p;
}

}  // namespace

uint32_t OpeningFrameColor(int32_t frame)
{
    // From night blue through the dawn to the title's blue, each colour held a fifth of the
    // movie (held frames cost the encoder next to nothing).
    const uint32_t keys[] = {0x101830, 0x402060, 0xC05040, 0xF0C060, 0x3060C0};
    return keys[std::clamp(frame * 5 / kOpeningFrames, 0, 4)];
}

std::map<std::string, std::string> GeneratedFiles()
{
    std::map<std::string, std::string> files;
    files["cg/ui/bg_title.png"] = PngFile(TitlePicture());
    files["cg/error.png"] = PngFile(Plate(64, 64, 0xFFFF00FFu, 0xFFFFFFFFu));
    files["cg/bg/黒.png"] = PngFile(TestPicture(1024, 768, 0xFF000000u));
    files["cg/ui/meswin.png"] = PngFile(Plate(960, 200, 0xC0102040u, 0xFFA0C0FFu));
    files["cg/ui/namewin.png"] = PngFile(Plate(240, 48, 0xC0102040u, 0xFFA0C0FFu));
    const TestPicture meadow = Meadow();
    files["cg/bg/sky.png"] = PngFile(meadow);
    files["cg/bg/town.png"] = PngFile(Town());
    files["cg/tr/mask.png"] = PngFile(Mask());
    for (const char* expression : {"normal", "smile"})
        files[std::string("cg/stand/ruko/") + expression + ".png"] =
            PngFile(StandPicture(expression, kStandWidth, kStandHeight, kStandColor));
    const TestPicture event = EventPicture(), flowers = FlowersPicture();
    files["cg/ev/ev_demo.png"] = PngFile(event);
    files["cg/ev/ev_flowers.png"] = PngFile(flowers);

    // Music: three looped tunes over their drones; an effect; a voice.
    files["bgms/demo_theme.ogg"] =
        Ogg(Melody(22050, {523.25, 659.25, 783.99, 659.25, 587.33, 698.46, 880.0, 698.46}, 0.5, kThemeDroneHz, 9000));
    files["bgms/demo_night.ogg"] =
        Ogg(Melody(22050, {440.0, 523.25, 659.25, 523.25, 392.0, 493.88, 587.33, 493.88}, 0.5, kNightDroneHz, 9000));
    files["bgms/demo_room.ogg"] =
        Ogg(Melody(22050, {587.33, 739.99, 880.0, 739.99, 659.25, 783.99, 987.77, 783.99}, 0.5, kRoomDroneHz, 9000));
    files["sounds/se/chime.ogg"] = Ogg(Chime(22050, 1.2, kChimeHz, 14000));
    files["voices/ruko/ruko_hello.ogg"] = Ogg(VoicePhrase(22050, 9, 0.16, kVoiceHz, 12000));

    {
        GxMovieSpec movie;
        movie.width = 1024;  // the movie layer shows frames unscaled
        movie.height = 768;
        movie.colors.assign(25, kMovieColor & 0xFFFFFFu);  // one second at 25 frames
        movie.sound = false;
        movie.gop = 25;
        movie.videoBitRate = 64000;
        files["movies/demo.mpg"] = Bytes(GxWriteTestMovie(movie));
        for (int32_t i = 0; i < kOpeningFrames; ++i) movie.colors.push_back(OpeningFrameColor(i));
        movie.colors.erase(movie.colors.begin(), movie.colors.begin() + 25);
        movie.sound = true;
        movie.gop = kOpeningFrames;
        files["movies/opening.mpg"] = Bytes(GxWriteTestMovie(movie));
    }
    files["fonts/FONT16SYS.png"] = PngFile(GridFont(0x20, 0x7E, 8, 16, 16, 14));
    files["fonts/FONT8NUM.png"] = PngFile(GridFont(0x20, 0x39, 8, 16, 7, 14));
    files["fonts/FONT22NUM.png"] = PngFile(GridFont(0x30, 0x39, 22, 32, 5, 28));

    // The image sets go through a scratch folder: their writer writes files.
    std::vector<std::pair<std::string, std::vector<UIImageSpec>>> sets;
    sets.emplace_back("uigis/th_cgmode.gis", std::vector<UIImageSpec>{ImageOf(u"th_demo.png", Reduce(event, 8)),
                                                                      ImageOf(u"th_flowers.png", Reduce(flowers, 8))});
    sets.emplace_back("uigis/th_rpmode.gis", std::vector<UIImageSpec>{ImageOf(u"th_scene1.png", Reduce(meadow, 8))});
    sets.emplace_back("uigis/ui_iconpool.gis",
                      std::vector<UIImageSpec>{ImageOf(u"icon.png", TestPicture(16, 16, 0xFFFFFF00u))});
    AddScreenFiles(files, sets);

    char tmpl[] = "/tmp/gxdemo_XXXXXX";
    if (const char* scratch = mkdtemp(tmpl)) {
        for (const auto& [path, images] : sets) {
            if (!gxtest::WriteSolidImageSet(scratch, path, images, 2048, true)) continue;
            const std::string page = path.substr(0, path.size() - 4) + "_0.png";
            for (const std::string& file : {path, page}) {
                const std::vector<uint8_t> bytes = gxtest::ReadBytes((std::filesystem::path(scratch) / file).string());
                files[file] = Bytes(bytes);
            }
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
