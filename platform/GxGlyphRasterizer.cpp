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
#include <unordered_map>
#include <utility>
#include <vector>

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
// A face's line is taken to span between half an em and two ems; outside that its metrics are
// not a line height (a math font's Windows extent makes room for its tallest operators: over
// four ems).
constexpr double kMinLineEms = 0.5;
constexpr double kMaxLineEms = 2.0;

using FaceKey = std::pair<std::string, int>;

bool g_FcReady = false;

bool EnsureFontconfig()
{
    if (!g_FcReady) {
        g_FcReady = FcInit() == FcTrue;
        // The library's configuration is handed back at exit. What the rasteriser keeps of
        // fontconfig (the fallback faces' character sets) are its own copies, so nothing refers
        // to the library's data by then.
        if (g_FcReady) std::atexit([] { FcFini(); });
    }
    return g_FcReady;
}

// What a face is matched for.
enum class FaceFor {
    Japanese,    // the family, for Japanese text
    Kana,        // the best face that has kana at all, before any family
    FixedPitch,  // the family, else a fixed-pitch face, for the user's language (no lang asked)
};

// A pattern for a family, substituted as fontconfig's own matching expects.
FcPattern* MakePattern(const std::string& family, FaceFor use)
{
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return nullptr;
    auto addString = [pattern](const char* object, const char* value) {
        FcPatternAddString(pattern, object, reinterpret_cast<const FcChar8*>(value));
    };
    if (!family.empty()) addString(FC_FAMILY, family.c_str());
    if (use == FaceFor::FixedPitch) {
        // The engine sets half-width characters half an em apart, as its Windows face has them:
        // a proportional face's wide letters would be cut.
        // (Asking for the spacing itself would not help: a face that does not state its spacing
        // matches any, and the match would then claim the spacing asked for.)
        addString(FC_FAMILY, "monospace");
    } else {
        addString(FC_LANG, "ja");
    }
    if (use == FaceFor::Kana) {
        if (FcCharSet* kana = FcCharSetCreate()) {
            FcCharSetAddChar(kana, kJapaneseProbe);
            FcPatternAddCharSet(pattern, FC_CHARSET, kana);
            FcCharSetDestroy(kana);
        }
    }
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    return pattern;
}

// A face's file, index, family and whether it covers Japanese.
bool ReadFaceInfo(FcPattern* font, GxGlyphFaceInfo& info, int& index)
{
    FcChar8* file = nullptr;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch || !file) return false;
    info.file = reinterpret_cast<const char*>(file);
    FcChar8* fam = nullptr;
    info.family = FcPatternGetString(font, FC_FAMILY, 0, &fam) == FcResultMatch && fam
                      ? reinterpret_cast<const char*>(fam)
                      : std::string();
    int idx = 0;
    index = FcPatternGetInteger(font, FC_INDEX, 0, &idx) == FcResultMatch ? idx : 0;
    FcCharSet* charset = nullptr;
    info.coversJapanese = FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) == FcResultMatch && charset &&
                          FcCharSetHasChar(charset, kJapaneseProbe);
    return true;
}

bool MatchFace(const std::string& family, FaceFor use, GxGlyphFaceInfo& info, int& index)
{
    FcPattern* pattern = MakePattern(family, use);
    if (!pattern) return false;
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    bool ok = ReadFaceInfo(match, info, index);
    FcPatternDestroy(match);
    return ok;
}

// The face is of the family (one of its names) or has fixed pitch.
bool IsFamilyOrFixedPitch(FcPattern* font, const std::string& family)
{
    int spacing = FC_PROPORTIONAL;
    if (FcPatternGetInteger(font, FC_SPACING, 0, &spacing) == FcResultMatch && spacing != FC_PROPORTIONAL) return true;
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &name) == FcResultMatch; ++i)
        if (name && FcStrCmpIgnoreCase(name, reinterpret_cast<const FcChar8*>(family.c_str())) == 0) return true;
    return false;
}

// The face of that name when it is installed, else the best fixed-pitch face, else the best
// face. Configurations name a "monospace" face; without one, fontconfig's own order has to be
// searched, as the spacing that a face does not state is no worse a match to it.
bool MatchTextFace(const std::string& family, GxGlyphFaceInfo& info, int& index)
{
    FcPattern* pattern = MakePattern(family, FaceFor::FixedPitch);
    if (!pattern) return false;
    FcResult result = FcResultNoMatch;
    bool ok = false;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
        ok = IsFamilyOrFixedPitch(match, family) && ReadFaceInfo(match, info, index);
        FcPatternDestroy(match);
    }
    if (!ok) {
        if (FcFontSet* set = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result)) {
            int pick = -1;
            for (int i = 0; i < set->nfont && pick < 0; ++i)
                if (IsFamilyOrFixedPitch(set->fonts[i], family)) pick = i;
            if (set->nfont > 0) ok = ReadFaceInfo(set->fonts[pick < 0 ? 0 : pick], info, index);
            FcFontSetDestroy(set);
        }
    }
    FcPatternDestroy(pattern);
    return ok;
}

// The face for a name: fontconfig's match when it covers Japanese, else the IPA Gothic font or,
// without it, the best face that has kana (fontconfig quietly substitutes a Latin font for a
// name it does not know, such as the Windows face names the games ask for). With no such face
// at all, the name's own match for the user's language, fixed pitch where the name is not
// installed: a text face for the Latin, where the match for Japanese would be whichever face
// happens to hold the most of it (a math face, with no configuration to say otherwise).
bool ResolveFace(const std::u16string& faceName, GxGlyphFaceInfo& info, int& index)
{
    if (!EnsureFontconfig()) return false;
    std::string family = GxWideToUtf8(faceName.substr(0, GX_LF_FACESIZE - 1));
    if (!MatchFace(family, FaceFor::Japanese, info, index)) return false;
    if (info.coversJapanese) return true;
    GxGlyphFaceInfo other;
    int otherIndex = 0;
    if (MatchFace(kFallbackFamily, FaceFor::Kana, other, otherIndex) && other.coversJapanese) {
        info = other;
        index = otherIndex;
        return true;
    }
    if (MatchTextFace(family, other, otherIndex)) {
        info = other;
        index = otherIndex;
    }
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

// One face at one size.
struct SizedFace
{
    FT_Face face = nullptr;
    FT_Size size = nullptr;
    FT_F26Dot6 charSize = 0;  // the em, 26.6 pixels
    GxTextMetric metric;
};

// The faces a name draws with: its own face, and for a character that face lacks, the first
// face of fontconfig's sorted list for the name that has it. The list is read at the first
// such character and each character's face is looked up once, so a face that has every
// character costs nothing more.
struct FaceChoice
{
    // A face of the list, with its own copy of the characters it has.
    struct Candidate
    {
        FaceKey key;
        FcCharSet* chars = nullptr;
    };

    FaceKey primary;
    std::string family;  // the name as fontconfig is asked for it
    bool listRead = false;
    std::vector<Candidate> candidates;
    std::unordered_map<uint32_t, int32_t> faceOf;  // character -> candidate, -1 for none
};

class FreeTypeRasterizer;

class FreeTypeFont final : public GxGlyphFont
{
public:
    FreeTypeFont(FreeTypeRasterizer* owner, FaceChoice* choice, SizedFace* primary)
        : m_Owner(owner), m_Choice(choice), m_Primary(primary)
    {
    }

    bool GetTextMetrics(GxTextMetric* metric) override
    {
        if (metric) *metric = m_Primary->metric;
        return true;
    }

    uint32_t GetGlyphOutlineW(uint32_t ch, uint32_t format, GxGlyphMetrics* metrics, uint32_t bufferSize,
                              void* buffer) override;

private:
    FreeTypeRasterizer* m_Owner;
    FaceChoice* m_Choice;
    SizedFace* m_Primary;
};

class FreeTypeRasterizer final : public GxGlyphRasterizer
{
public:
    ~FreeTypeRasterizer() override
    {
        for (auto& [name, choice] : m_Choices)
            if (choice)
                for (FaceChoice::Candidate& c : choice->candidates) FcCharSetDestroy(c.chars);
        // Sizes belong to their faces.
        for (auto& [key, face] : m_Faces)
            if (face) FT_Done_Face(face);
        if (m_Library) FT_Done_FreeType(m_Library);
    }

    std::unique_ptr<GxGlyphFont> CreateFont(const GxLogFont& font) override
    {
        if (!EnsureLibrary()) return nullptr;
        FaceChoice* choice = Choose(font.FaceName);
        if (!choice) return nullptr;
        int32_t height = font.Height == 0 ? kDefaultCellHeight : font.Height;
        SizedFace* primary = GetSized(choice->primary, height);
        if (!primary) return nullptr;
        return std::make_unique<FreeTypeFont>(this, choice, primary);
    }

    // The face that draws a character the primary face lacks, at the primary's em so that the
    // faces of one line match in size; none when no face has it.
    SizedFace* FallbackFor(FaceChoice& choice, uint32_t ch, FT_F26Dot6 charSize)
    {
        // Half a surrogate pair is no character of any face.
        if (ch >= 0xD800 && ch <= 0xDFFF) return nullptr;
        auto it = choice.faceOf.find(ch);
        int32_t found = it != choice.faceOf.end() ? it->second : FindCandidate(choice, ch);
        if (it == choice.faceOf.end()) choice.faceOf.emplace(ch, found);
        return found < 0 ? nullptr : GetAtEm(choice.candidates[static_cast<size_t>(found)].key, charSize);
    }

private:
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

    FaceChoice* Choose(const std::u16string& faceName)
    {
        auto it = m_Choices.find(faceName);
        if (it != m_Choices.end()) return it->second.get();
        std::unique_ptr<FaceChoice> choice;
        GxGlyphFaceInfo info;
        int index = 0;
        if (ResolveFace(faceName, info, index)) {
            choice = std::make_unique<FaceChoice>();
            choice->primary = {info.file, index};
            choice->family = GxWideToUtf8(faceName.substr(0, GX_LF_FACESIZE - 1));
            // Said once per name: without it a story shows boxes, and nothing else tells why.
            if (!info.coversJapanese)
                GxPrintErrorLog(u"Warning/GxGlyphRasterizer No Japanese font(Name:\"%s\" Used:\"%s\")\n", faceName,
                                GxUtf8ToWide(info.family));
        } else {
            GxPrintErrorLog(u"Error/GxGlyphRasterizer No font found(Name:\"%s\")\n", faceName);
        }
        auto [pos, inserted] = m_Choices.emplace(faceName, std::move(choice));
        return pos->second.get();
    }

    // fontconfig's faces for the name in its order of preference for Japanese text, cut to the
    // outline faces that add characters to those before them. (fontconfig's own cut would count
    // the characters of faces that are not drawn from.)
    void ReadCandidates(FaceChoice& choice)
    {
        choice.listRead = true;
        FcPattern* pattern = MakePattern(choice.family, FaceFor::Japanese);
        if (!pattern) return;
        FcResult result = FcResultNoMatch;
        FcFontSet* set = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
        FcPatternDestroy(pattern);
        FcCharSet* seen = set ? FcCharSetCreate() : nullptr;
        for (int i = 0; seen && i < set->nfont; ++i) {
            FcPattern* font = set->fonts[i];
            FcChar8* file = nullptr;
            FcCharSet* chars = nullptr;
            FcBool scalable = FcFalse, color = FcFalse;
            int idx = 0;
            if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch || !file) continue;
            if (FcPatternGetCharSet(font, FC_CHARSET, 0, &chars) != FcResultMatch || !chars) continue;
            // Only outlines are drawn: bitmap and colour faces have nothing to give.
            if (FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) != FcResultMatch || !scalable) continue;
            if (FcPatternGetBool(font, FC_COLOR, 0, &color) == FcResultMatch && color) continue;
            FcBool added = FcFalse;
            if (!FcCharSetMerge(seen, chars, &added) || !added) continue;
            FaceKey key(reinterpret_cast<const char*>(file),
                        FcPatternGetInteger(font, FC_INDEX, 0, &idx) == FcResultMatch ? idx : 0);
            if (key == choice.primary) continue;
            FcCharSet* own = FcCharSetCreate();
            if (own && FcCharSetMerge(own, chars, nullptr))
                choice.candidates.push_back({std::move(key), own});
            else if (own)
                FcCharSetDestroy(own);
        }
        if (seen) FcCharSetDestroy(seen);
        if (set) FcFontSetDestroy(set);
    }

    int32_t FindCandidate(FaceChoice& choice, uint32_t ch)
    {
        if (!choice.listRead) ReadCandidates(choice);
        for (size_t i = 0; i < choice.candidates.size(); ++i) {
            const FaceChoice::Candidate& c = choice.candidates[i];
            if (!FcCharSetHasChar(c.chars, ch)) continue;
            // The face's own map decides: it is what draws.
            FT_Face face = GetFace(c.key);
            if (face && FT_IS_SCALABLE(face) && FT_Get_Char_Index(face, ch) != 0) return static_cast<int32_t>(i);
        }
        return -1;
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

    // A new size of a face at an em of charSize (26.6 pixels); false when FreeType refuses it.
    static bool NewSize(FT_Face face, FT_F26Dot6 charSize, SizedFace& sized)
    {
        if (FT_New_Size(face, &sized.size) != 0) {
            sized.size = nullptr;
            return false;
        }
        FT_Activate_Size(sized.size);
        if (FT_Set_Char_Size(face, charSize, charSize, 72, 72) != 0) {
            FT_Done_Size(sized.size);
            sized.size = nullptr;
            return false;
        }
        sized.face = face;
        sized.charSize = charSize;
        return true;
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
        if (ok) {
            double upem = face->units_per_EM ? face->units_per_EM : 2048;
            auto isLine = [upem](double asc, double desc) {
                return asc > 0 && desc >= 0 && asc + desc >= kMinLineEms * upem && asc + desc <= kMaxLineEms * upem;
            };
            // The Windows extent as GDI takes it; a face whose extent is no line height (a math
            // face's would draw text at a fifth of its size) by its typographic line instead.
            double ascUnits = upem * 0.88;
            double descUnits = upem * 0.12;
            auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
            if (os2 && os2->version != 0xFFFF && isLine(os2->usWinAscent, os2->usWinDescent)) {
                ascUnits = os2->usWinAscent;
                descUnits = os2->usWinDescent;
            } else if (isLine(face->ascender, -static_cast<double>(face->descender))) {
                ascUnits = face->ascender;
                descUnits = -static_cast<double>(face->descender);
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
            ok = NewSize(face, charSize, *sized);
            if (ok) {
                m.MaxCharWidth = static_cast<int32_t>(face->size->metrics.max_advance >> 6);
                m.AveCharWidth = static_cast<int32_t>(std::lround(ppem / 2));
            }
        }
        if (!ok) {
            GxPrintErrorLog(u"Error/GxGlyphRasterizer CreateFont Failed(File:\"%s\" Height:%d)\n", GxUtf8ToWide(key.first),
                            height);
            m_Sizes.emplace(sizeKey, nullptr);
            return nullptr;
        }
        SizedFace* result = sized.get();
        m_Sizes.emplace(sizeKey, std::move(sized));
        return result;
    }

    // A fallback face at an em; its cell metrics are the primary face's.
    SizedFace* GetAtEm(const FaceKey& key, FT_F26Dot6 charSize)
    {
        auto sizeKey = std::make_pair(key, charSize);
        auto it = m_EmSizes.find(sizeKey);
        if (it != m_EmSizes.end()) return it->second.get();
        auto sized = std::make_unique<SizedFace>();
        FT_Face face = GetFace(key);
        if (!face || !NewSize(face, charSize, *sized)) {
            GxPrintErrorLog(u"Error/GxGlyphRasterizer CreateFont Failed(File:\"%s\" Em:%d)\n", GxUtf8ToWide(key.first),
                            static_cast<int32_t>(charSize >> 6));
            sized.reset();
        }
        SizedFace* result = sized.get();
        m_EmSizes.emplace(sizeKey, std::move(sized));
        return result;
    }

    FT_Library m_Library = nullptr;
    bool m_LibraryFailed = false;
    std::unordered_map<std::u16string, std::unique_ptr<FaceChoice>> m_Choices;
    std::map<FaceKey, FT_Face> m_Faces;
    std::map<std::pair<FaceKey, int32_t>, std::unique_ptr<SizedFace>> m_Sizes;
    std::map<std::pair<FaceKey, FT_F26Dot6>, std::unique_ptr<SizedFace>> m_EmSizes;
};

uint32_t FreeTypeFont::GetGlyphOutlineW(uint32_t ch, uint32_t format, GxGlyphMetrics* metrics, uint32_t bufferSize,
                                        void* buffer)
{
    if (format != GX_GGO_GRAY8_BITMAP) return GX_GDI_ERROR;
    SizedFace* sized = m_Primary;
    FT_UInt index = FT_Get_Char_Index(sized->face, ch);
    if (index == 0) {
        // Another face that has it; with none, the primary face's missing-glyph box at the
        // text's size.
        if (SizedFace* other = m_Owner->FallbackFor(*m_Choice, ch, m_Primary->charSize)) {
            sized = other;
            index = FT_Get_Char_Index(other->face, ch);
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
