#include "platform/GxGlyphRasterizer.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <unordered_map>
#include <utility>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "platform/GxPosixFile.h"

uint32_t GxGlyphFont::GetGlyphOutlineA(uint32_t code, uint32_t format, GxGlyphMetrics* metrics, uint32_t bufferSize,
                                       void* buffer)
{
    char bytes[2];
    size_t n = 0;
    if (code > 0xFF) bytes[n++] = static_cast<char>((code >> 8) & 0xFF);
    bytes[n++] = static_cast<char>(code & 0xFF);
    std::u16string wide = GxAnsiToWide(std::string_view(bytes, n));
    char16_t ch = wide.empty() ? u'\0' : wide[0];
    return GetGlyphOutlineW(ch, format, metrics, bufferSize, buffer);
}

namespace {

constexpr char32_t kJapaneseProbe = 0x3042;  // HIRAGANA LETTER A
constexpr const char* kFallbackFamily = "IPAGothic";
// The cell height of a font description with height 0.
constexpr int32_t kDefaultCellHeight = 16;

bool g_FcReady = false;

bool EnsureFontconfig()
{
    if (!g_FcReady) {
        g_FcReady = FcInit() == FcTrue;
        // The library's configuration is handed back at exit; no fontconfig object outlives a
        // call here, so nothing refers to it by then.
        if (g_FcReady) std::atexit([] { FcFini(); });
    }
    return g_FcReady;
}

// The best match for a family (and language), with what it covers.
bool MatchFace(const std::string& family, bool japanese, GxGlyphFaceInfo& info, int& index)
{
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    if (!family.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    if (japanese) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;

    bool ok = false;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
        info.file = reinterpret_cast<const char*>(file);
        FcChar8* fam = nullptr;
        info.family = FcPatternGetString(match, FC_FAMILY, 0, &fam) == FcResultMatch && fam
                          ? reinterpret_cast<const char*>(fam)
                          : std::string();
        int idx = 0;
        index = FcPatternGetInteger(match, FC_INDEX, 0, &idx) == FcResultMatch ? idx : 0;
        FcCharSet* charset = nullptr;
        info.coversJapanese = FcPatternGetCharSet(match, FC_CHARSET, 0, &charset) == FcResultMatch && charset &&
                              FcCharSetHasChar(charset, kJapaneseProbe);
        ok = true;
    }
    FcPatternDestroy(match);
    return ok;
}

// The face for a name: fontconfig's match when it covers Japanese, else the IPA Gothic font
// (fontconfig quietly substitutes a Latin font for a name it does not know, such as the
// Windows face names the games ask for).
bool ResolveFace(const std::u16string& faceName, GxGlyphFaceInfo& info, int& index)
{
    if (!EnsureFontconfig()) return false;
    std::string family = GxWideToUtf8(faceName.substr(0, GX_LF_FACESIZE - 1));
    GxGlyphFaceInfo first;
    int firstIndex = 0;
    bool haveFirst = MatchFace(family, true, first, firstIndex);
    if (haveFirst && first.coversJapanese) {
        info = first;
        index = firstIndex;
        return true;
    }
    GxGlyphFaceInfo fallback;
    int fallbackIndex = 0;
    if (MatchFace(kFallbackFamily, true, fallback, fallbackIndex) && fallback.coversJapanese) {
        info = fallback;
        index = fallbackIndex;
        return true;
    }
    if (!haveFirst) return false;
    info = first;
    index = firstIndex;
    return true;
}

// A font file read with pread into FreeType's own buffers. FreeType would map the file
// otherwise, and a mapped file counts whole runs of pages around every glyph it reads as
// resident: a few dozen glyphs of a CJK font held over a megabyte that way.
unsigned long ReadFontFile(FT_Stream stream, unsigned long offset, unsigned char* buffer, unsigned long count)
{
    // A count of zero is a seek, which fails (non-zero) past the end.
    if (count == 0) return offset > stream->size ? 1 : 0;
    // FreeType reads at most the file's size (under 4 GiB) at a time.
    return GxPosixReadAt(static_cast<int>(stream->descriptor.value), buffer, static_cast<uint32_t>(count), offset);
}

void CloseFontFile(FT_Stream stream)
{
    GxPosixClose(static_cast<int>(stream->descriptor.value));
    delete stream;
}

// Opens a face over such a stream; FreeType closes the stream with the face (and when the
// opening fails).
FT_Error OpenFace(FT_Library library, const std::string& path, int index, FT_Face* face)
{
    const int fd = GxPosixOpenNative(path);
    GxPosixFileInfo st;
    if (fd < 0 || !GxPosixFileInfoOf(fd, st) || !st.isRegular || st.size == 0 || st.size > 0xFFFFFFFFull) {
        GxPosixClose(fd);
        return FT_Err_Cannot_Open_Resource;
    }
    auto* stream = new FT_StreamRec{};
    stream->size = static_cast<unsigned long>(st.size);
    stream->descriptor.value = fd;
    stream->read = ReadFontFile;
    stream->close = CloseFontFile;
    FT_Open_Args args{};
    args.flags = FT_OPEN_STREAM;
    args.stream = stream;
    return FT_Open_Face(library, &args, index, face);
}

// One face at one cell height.
struct SizedFace
{
    FT_Face face = nullptr;
    FT_Size size = nullptr;
    GxTextMetric metric;
};

class FreeTypeRasterizer;

class FreeTypeFont final : public GxGlyphFont
{
public:
    FreeTypeFont(SizedFace* primary, SizedFace* fallback) : m_Primary(primary), m_Fallback(fallback) {}

    bool GetTextMetrics(GxTextMetric* metric) override
    {
        if (metric) *metric = m_Primary->metric;
        return true;
    }

    uint32_t GetGlyphOutlineW(uint32_t ch, uint32_t format, GxGlyphMetrics* metrics, uint32_t bufferSize,
                              void* buffer) override;

private:
    SizedFace* m_Primary;
    SizedFace* m_Fallback;
};

class FreeTypeRasterizer final : public GxGlyphRasterizer
{
public:
    ~FreeTypeRasterizer() override
    {
        // Sizes belong to their faces.
        for (auto& [key, face] : m_Faces)
            if (face) FT_Done_Face(face);
        if (m_Library) FT_Done_FreeType(m_Library);
    }

    std::unique_ptr<GxGlyphFont> CreateFont(const GxLogFont& font) override
    {
        if (!EnsureLibrary()) return nullptr;
        const FaceChoice* choice = Choose(font.FaceName);
        if (!choice) return nullptr;
        int32_t height = font.Height == 0 ? kDefaultCellHeight : font.Height;
        SizedFace* primary = GetSized(choice->primary, height);
        if (!primary) return nullptr;
        SizedFace* fallback = choice->hasFallback ? GetSized(choice->fallback, height) : nullptr;
        return std::make_unique<FreeTypeFont>(primary, fallback);
    }

private:
    using FaceKey = std::pair<std::string, int>;

    // The face a name resolves to, and the IPA Gothic face for characters it lacks.
    struct FaceChoice
    {
        FaceKey primary;
        FaceKey fallback;
        bool hasFallback = false;
    };

    bool EnsureLibrary()
    {
        if (m_Library) return true;
        if (m_LibraryFailed) return false;
        if (FT_Init_FreeType(&m_Library) != 0) {
            m_Library = nullptr;
            m_LibraryFailed = true;
            GxPrintErrorLog(u"Error/GxGlyphRasterizer FT_Init_FreeType Failed\n");
            return false;
        }
        return true;
    }

    const FaceChoice* Choose(const std::u16string& faceName)
    {
        auto it = m_Choices.find(faceName);
        if (it != m_Choices.end()) return it->second.has_value() ? &*it->second : nullptr;
        std::optional<FaceChoice> choice;
        GxGlyphFaceInfo info;
        int index = 0;
        if (ResolveFace(faceName, info, index)) {
            FaceChoice c;
            c.primary = {info.file, index};
            GxGlyphFaceInfo fb;
            int fbIndex = 0;
            if (MatchFace(kFallbackFamily, true, fb, fbIndex) && fb.coversJapanese &&
                FaceKey(fb.file, fbIndex) != c.primary) {
                c.fallback = {fb.file, fbIndex};
                c.hasFallback = true;
            }
            choice = c;
        } else {
            GxPrintErrorLog(u"Error/GxGlyphRasterizer No font found(Name:\"%s\")\n", faceName);
        }
        auto [pos, inserted] = m_Choices.emplace(faceName, choice);
        return pos->second.has_value() ? &*pos->second : nullptr;
    }

    FT_Face GetFace(const FaceKey& key)
    {
        auto it = m_Faces.find(key);
        if (it != m_Faces.end()) return it->second;
        FT_Face face = nullptr;
        if (OpenFace(m_Library, key.first, key.second, &face) != 0) {
            face = nullptr;
            GxPrintErrorLog(u"Error/GxGlyphRasterizer FT_New_Face Failed(File:\"%s\")\n", GxUtf8ToWide(key.first));
        }
        m_Faces.emplace(key, face);
        return face;
    }

    // The face scaled by GDI's rule for a font height: a positive height is the cell height
    // (the font's Windows ascent plus descent), a negative one the em size.
    SizedFace* GetSized(const FaceKey& key, int32_t height)
    {
        auto sizeKey = std::make_pair(key, height);
        auto it = m_Sizes.find(sizeKey);
        if (it != m_Sizes.end()) return it->second.get();
        auto sized = std::make_unique<SizedFace>();
        FT_Face face = GetFace(key);
        bool ok = face != nullptr && FT_IS_SCALABLE(face);
        if (ok) ok = FT_New_Size(face, &sized->size) == 0;
        if (ok) {
            FT_Activate_Size(sized->size);
            double upem = face->units_per_EM ? face->units_per_EM : 2048;
            double ascUnits = face->ascender;
            double descUnits = -static_cast<double>(face->descender);
            auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
            if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
                ascUnits = os2->usWinAscent;
                descUnits = os2->usWinDescent;
            }
            if (ascUnits + descUnits <= 0) {
                ascUnits = upem * 0.88;
                descUnits = upem * 0.12;
            }
            double ppem;
            GxTextMetric& m = sized->metric;
            if (height > 0) {
                ppem = height * upem / (ascUnits + descUnits);
                m.Height = height;
                m.Ascent = static_cast<int32_t>(std::lround(height * ascUnits / (ascUnits + descUnits)));
                m.Descent = height - m.Ascent;
            } else {
                ppem = -static_cast<double>(height);
                m.Ascent = static_cast<int32_t>(std::lround(ascUnits * ppem / upem));
                m.Descent = static_cast<int32_t>(std::lround(descUnits * ppem / upem));
                m.Height = m.Ascent + m.Descent;
            }
            m.InternalLeading = m.Height - static_cast<int32_t>(std::lround(ppem));
            auto charSize = static_cast<FT_F26Dot6>(std::lround(ppem * 64.0));
            if (charSize < 64) charSize = 64;
            ok = FT_Set_Char_Size(face, charSize, charSize, 72, 72) == 0;
            if (ok) {
                m.MaxCharWidth = static_cast<int32_t>(face->size->metrics.max_advance >> 6);
                m.AveCharWidth = static_cast<int32_t>(std::lround(ppem / 2));
            }
            sized->face = face;
        }
        if (!ok) {
            if (sized->size) FT_Done_Size(sized->size);
            GxPrintErrorLog(u"Error/GxGlyphRasterizer CreateFont Failed(File:\"%s\" Height:%d)\n", GxUtf8ToWide(key.first),
                            height);
            m_Sizes.emplace(sizeKey, nullptr);
            return nullptr;
        }
        SizedFace* result = sized.get();
        m_Sizes.emplace(sizeKey, std::move(sized));
        return result;
    }

    FT_Library m_Library = nullptr;
    bool m_LibraryFailed = false;
    std::unordered_map<std::u16string, std::optional<FaceChoice>> m_Choices;
    std::map<FaceKey, FT_Face> m_Faces;
    std::map<std::pair<FaceKey, int32_t>, std::unique_ptr<SizedFace>> m_Sizes;
};

uint32_t FreeTypeFont::GetGlyphOutlineW(uint32_t ch, uint32_t format, GxGlyphMetrics* metrics, uint32_t bufferSize,
                                        void* buffer)
{
    if (format != GX_GGO_GRAY8_BITMAP) return GX_GDI_ERROR;
    SizedFace* sized = m_Primary;
    FT_UInt index = FT_Get_Char_Index(sized->face, ch);
    if (index == 0 && m_Fallback) {
        FT_UInt other = FT_Get_Char_Index(m_Fallback->face, ch);
        if (other != 0) {
            sized = m_Fallback;
            index = other;
        }
    }
    FT_Face face = sized->face;
    FT_Activate_Size(sized->size);
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL) != 0)
        return GX_GDI_ERROR;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
        return GX_GDI_ERROR;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.rows != 0 && bitmap.width != 0) return GX_GDI_ERROR;

    GxGlyphMetrics gm;
    bool empty = bitmap.rows == 0 || bitmap.width == 0;
    gm.BlackBoxX = empty ? 0 : bitmap.width;
    gm.BlackBoxY = empty ? 0 : bitmap.rows;
    gm.GlyphOriginX = empty ? 0 : slot->bitmap_left;
    gm.GlyphOriginY = empty ? 0 : slot->bitmap_top;
    gm.CellIncX = static_cast<int16_t>((slot->advance.x + 32) >> 6);
    gm.CellIncY = 0;
    if (metrics) *metrics = gm;

    uint32_t pitch = GxGray8Pitch(gm.BlackBoxX);
    uint32_t needed = pitch * gm.BlackBoxY;
    if (!buffer || bufferSize == 0 || needed == 0) return needed;
    if (bufferSize < needed) return GX_GDI_ERROR;

    // 256 coverage levels to the 65 of the outline format.
    auto* out = static_cast<uint8_t*>(buffer);
    int levels = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
    for (uint32_t y = 0; y < gm.BlackBoxY; ++y) {
        const uint8_t* src = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
        uint8_t* dst = out + static_cast<size_t>(y) * pitch;
        for (uint32_t x = 0; x < gm.BlackBoxX; ++x)
            dst[x] = static_cast<uint8_t>((src[x] * GX_GRAY8_MAX_LEVEL + levels / 2) / levels);
        for (uint32_t x = gm.BlackBoxX; x < pitch; ++x) dst[x] = 0;
    }
    return needed;
}

GxGlyphRasterizer* g_Installed = nullptr;

GxGlyphRasterizer& DefaultRasterizer()
{
    static std::unique_ptr<GxGlyphRasterizer> instance = GxCreateFreeTypeRasterizer();
    return *instance;
}

}  // namespace

std::unique_ptr<GxGlyphRasterizer> GxCreateFreeTypeRasterizer()
{
    return std::make_unique<FreeTypeRasterizer>();
}

GxGlyphRasterizer& GxGetGlyphRasterizer()
{
    return g_Installed ? *g_Installed : DefaultRasterizer();
}

void GxSetGlyphRasterizer(GxGlyphRasterizer* rasterizer)
{
    g_Installed = rasterizer;
}

bool GxResolveGlyphFace(const std::u16string& faceName, GxGlyphFaceInfo& info)
{
    int index = 0;
    return ResolveFace(faceName, info, index);
}
