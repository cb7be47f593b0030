// The named factories: one entry per name whatever its letter case, references, the kinds and
// their makers, the warnings of releases that find nothing, ReleaseAll and the shutdown report.
#include <gtest/gtest.h>

#include <cstdio>

#include "core/GxFormat.h"
#include "graphics/GxResourceFactory.h"
#include "graphics/GxTexture.h"
#include "graphics/GxTextureFlex.h"
#include "graphics/GxTextureText.h"
#include "graphics/GxTextureTextEx.h"
#include "present_test_support.h"
#include "tests/support/GxPictureWriter.h"

namespace {

class Factory : public gxtest::RecordingGraphics
{
protected:
    void TearDown() override
    {
        textures.ReleaseAll();
        flexes.ReleaseAll();
        shaders.ReleaseAll();
        GxGetTextureFactory().SetMovieMaker(nullptr);
        GxGetShaderFactory().SetMaker(nullptr);
        gxtest::RecordingGraphics::TearDown();
    }

    std::u16string WritePicture(const char* name, uint32_t w, uint32_t h)
    {
        std::vector<uint8_t> png = gxtest::WritePngRgba(gxtest::MakeTestPicture(w, h, true));
        std::string path = (logs.dir / name).string();
        FILE* f = fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (f) {
            fwrite(png.data(), 1, png.size(), f);
            fclose(f);
        }
        return GxUtf8ToWide(path);
    }

    size_t WarningCount(const std::u16string& line) { return ErrorCount(line); }

    GxTextureFactory textures;
    GxTextureFlexFactory flexes;
    GxShaderFactory shaders;
};

// A stand-in for a shader effect: the factory only keeps and releases it through its resource base.
class FakeEffect : public GxD3DResourceBase
{
public:
    explicit FakeEffect(std::u16string_view name) { m_Name = std::u16string(name); }
    ~FakeEffect() override { ++destroyed; }
    static inline int destroyed = 0;
};

GxShaderEffectRef MakeFakeEffect(std::u16string_view name, bool)
{
    if (name == u"broken.fx") return {};
    auto* e = new FakeEffect(name);
    e->AddRef();
    // The factory never looks inside the effect: the handle only has to be told apart.
    return GxShaderEffectRef{reinterpret_cast<GxShaderEffect*>(e), e};
}

}  // namespace

TEST_F(Factory, NamesInAnyLetterCaseShareOneEntry)
{
    ASSERT_TRUE(Create());
    GxTexture* a = textures.GetTexture(u"cg/Pic", GXTEXKIND_TEXTURE, 64, 32, 1, GXFMT_UNKNOWN, 0, true);
    ASSERT_NE(a, nullptr);
    GxTexture* b = textures.GetTextureA("CG/PIC", GXTEXKIND_TEXTURE, 64, 32, 1, GXFMT_UNKNOWN, 0, true);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->GetRefCount(), 2u);
    EXPECT_EQ(textures.GetCount(), 1);
    EXPECT_EQ(textures.FindTexture(u"Cg/pIc"), a);
    EXPECT_EQ(textures.FindTextureA("cg/other"), nullptr);
    EXPECT_EQ(a->GetRefCount(), 2u);  // Find takes no reference

    // Another kind and size for a known name give the original back, unchanged.
    GxTexture* c = textures.GetTexture(u"CG/pic", GXTEXKIND_RENDERTARGET, 512, 512, 1, GXFMT_UNKNOWN, 0, true);
    EXPECT_EQ(c, a);
    EXPECT_EQ(a->GetObjectType(), OBJTYPE_TEXTURE);
    EXPECT_EQ(a->GetWidth(), 64u);
    EXPECT_EQ(a->GetRefCount(), 3u);

    // Each release drops one reference; the last destroys the entry.
    textures.ReleaseTexture(a);
    textures.ReleaseTexture(u"CG/PIC");
    EXPECT_EQ(textures.GetCount(), 1);
    EXPECT_EQ(a->GetRefCount(), 1u);
    textures.ReleaseTextureA("cg/pic");
    EXPECT_EQ(textures.GetCount(), 0);
    EXPECT_EQ(textures.FindTexture(u"cg/pic"), nullptr);
    EXPECT_FALSE(GxGetD3DResourceManage().IsRegistered(a));

    // The name can be made again.
    GxTexture* again = textures.GetTexture(u"cg/pic", GXTEXKIND_TEXTURE, 8, 8, 1, GXFMT_UNKNOWN, 0, true);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->GetRefCount(), 1u);
}

TEST_F(Factory, ReleasesThatFindNothingWarn)
{
    ASSERT_TRUE(Create());
    GxTexture* t = textures.GetTexture(u"once", GXTEXKIND_TEXTURE, 4, 4, 1, GXFMT_UNKNOWN, 0, true);
    ASSERT_NE(t, nullptr);
    textures.ReleaseTexture(t);
    EXPECT_EQ(textures.GetCount(), 0);
    const void* gone = t;
    textures.ReleaseTexture(t);  // the pointer is only compared
    std::u16string byObject =
        GxFormatString(u"Warning/GxTextureFactory You tried to release the texture does not exist(0x%x)", gone);
    EXPECT_EQ(WarningCount(byObject), 1u);
    textures.ReleaseTexture(u"Nothing");
    EXPECT_EQ(WarningCount(u"Warning/GxTextureFactory You tried to release the texture does not exist(Nothing)"), 1u);

    GxTextureFlex* f = flexes.GetTexture(u"flex", GXFLEXKIND_TEXTURE, 200, 100, GXFMT_UNKNOWN);
    ASSERT_NE(f, nullptr);
    flexes.ReleaseTexture(f);
    const void* flexGone = f;
    flexes.ReleaseTexture(f);
    EXPECT_EQ(WarningCount(GxFormatString(
                  u"Warning/GxTextureFlexFactory You tried to release the texture does not exist(0x%x)", flexGone)),
              1u);
    flexes.ReleaseTextureA("none");
    EXPECT_EQ(WarningCount(u"Warning/GxTextureFlexFactory You tried to release the texture does not exist(none)"), 1u);

    shaders.ReleaseShader(u"none.fx");
    EXPECT_EQ(WarningCount(u"Warning/GxShaderFactory You tried to release the shader does not exist(none.fx)"), 1u);
    shaders.ReleaseShader(static_cast<GxShaderEffect*>(nullptr));
    EXPECT_EQ(WarningCount(u"Warning/GxShaderFactory You tried to release the shader does not exist(0x0)"), 1u);

    // The warnings are lesser errors: the setting silences them.
    GxSetSkipSlightError(true);
    textures.ReleaseTexture(u"Nothing");
    GxSetSkipSlightError(false);
    EXPECT_EQ(WarningCount(u"Warning/GxTextureFactory You tried to release the texture does not exist(Nothing)"), 1u);
}

TEST_F(Factory, KindsOfTheTextureFactory)
{
    ASSERT_TRUE(Create());
    std::u16string file = WritePicture("Pic.png", 300, 200);

    GxTexture* fromFile = textures.GetTexture(file, GXTEXKIND_FILE, 0, 0, 1, GXFMT_UNKNOWN, 0, false);
    ASSERT_NE(fromFile, nullptr);
    EXPECT_EQ(fromFile->GetImageWidth(), 300u);
    EXPECT_EQ(fromFile->GetWidth(), 512u);
    EXPECT_FALSE(fromFile->GetScaleToFit());  // the load flag

    GxTexture* target = textures.GetTexture(u"rt", GXTEXKIND_RENDERTARGET, 64, 64, 1, GXFMT_UNKNOWN, 0, true);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->GetObjectType(), OBJTYPE_RENDERTARGET);
    EXPECT_EQ(textures.GetCount(), 2);

    GxTexture* text = textures.GetTexture(u"text", GXTEXKIND_TEXT, 100, 20, 1, GXFMT_UNKNOWN, 0, true);
    ASSERT_NE(text, nullptr);
    EXPECT_NE(dynamic_cast<GxTextureText*>(text), nullptr);
    EXPECT_EQ(dynamic_cast<GxTextureTextEx*>(text), nullptr);
    EXPECT_EQ(text->GetImageWidth(), 100u);
    EXPECT_EQ(text->GetWidth(), 128u);
    GxTexture* layout = textures.GetTexture(u"layout", GXTEXKIND_TEXTEX, 100, 20, 1, GXFMT_UNKNOWN, 0, true);
    ASSERT_NE(layout, nullptr);
    EXPECT_NE(dynamic_cast<GxTextureTextEx*>(layout), nullptr);
    EXPECT_EQ(textures.GetCount(), 4);
    textures.ReleaseTexture(text);
    textures.ReleaseTexture(layout);

    // Kind 4, kinds outside the table and movies without their maker make nothing.
    for (int32_t kind : std::initializer_list<int32_t>{0, GXTEXKIND_NONE, GXTEXKIND_MOVIE, 8, -1})
        EXPECT_EQ(textures.GetTexture(u"k", kind, 4, 4, 1, GXFMT_UNKNOWN, 0, true), nullptr) << kind;
    EXPECT_EQ(textures.GetCount(), 2);

    // A failed creation gives none and keeps no entry; the texture logged its own error.
    EXPECT_EQ(textures.GetTexture(u"missing.png", GXTEXKIND_FILE, 0, 0, 1, GXFMT_UNKNOWN, 0, true), nullptr);
    EXPECT_EQ(textures.GetTexture(u"dxt", GXTEXKIND_TEXTURE, 4, 4, 1, GXFMT_DXT1, 0, true), nullptr);
    EXPECT_EQ(textures.GetCount(), 2);
    EXPECT_FALSE(ErrorLines().empty());
}

TEST_F(Factory, MoviesComeFromTheirMaker)
{
    ASSERT_TRUE(Create());
    std::vector<GxTextureRequest> seen;
    std::vector<std::u16string> names;
    textures.SetMovieMaker([&](const GxTextureRequest& r) -> GxTexture* {
        seen.push_back(r);
        names.emplace_back(r.name);
        auto* t = new GxTexture;
        if (!t->CreateTexture(r.name, r.width, r.height, r.format, 1)) {
            delete t;
            return nullptr;
        }
        return t;
    });
    GxTexture* movie = textures.GetTexture(u"movies/op.mpg", GXTEXKIND_MOVIE, 640, 480, 1, GXFMT_X8R8G8B8, 0, true);
    ASSERT_NE(movie, nullptr);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(names[0], u"movies/op.mpg");
    EXPECT_EQ(seen[0].kind, GXTEXKIND_MOVIE);
    EXPECT_EQ(seen[0].width, 640u);
    EXPECT_EQ(seen[0].height, 480u);
    EXPECT_EQ(seen[0].format, GXFMT_X8R8G8B8);
    EXPECT_EQ(textures.GetTexture(u"MOVIES/OP.MPG", GXTEXKIND_MOVIE, 1, 1, 1, GXFMT_UNKNOWN, 0, true), movie);
    EXPECT_EQ(seen.size(), 1u);
    // A maker that fails leaves no entry.
    EXPECT_EQ(textures.GetTexture(u"bad", GXTEXKIND_MOVIE, 0, 0, 1, GXFMT_DXT1, 0, true), nullptr);
    EXPECT_EQ(textures.GetCount(), 1);
}

TEST_F(Factory, FlexibleTexturesByKind)
{
    ASSERT_TRUE(Create());
    std::u16string file = WritePicture("wide.png", 300, 130);
    GxTextureFlex* pic = flexes.GetTexture(file, GXFLEXKIND_FILE, 0, 0, GXFMT_UNKNOWN);
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(pic->GetWidth(), 300u);
    EXPECT_EQ(pic->GetColumns(), 3u);
    EXPECT_EQ(pic->GetRows(), 2u);
    GxTextureFlex* empty = flexes.GetTextureA("Empty", GXFLEXKIND_TEXTURE, 129, 1, GXFMT_UNKNOWN);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(flexes.GetTexture(u"EMPTY", GXFLEXKIND_FILE, 0, 0, GXFMT_UNKNOWN), empty);
    EXPECT_EQ(empty->GetRefCount(), 2u);
    EXPECT_EQ(flexes.GetTexture(u"other", 3, 4, 4, GXFMT_UNKNOWN), nullptr);
    EXPECT_EQ(flexes.GetTexture(u"missing.png", GXFLEXKIND_FILE, 0, 0, GXFMT_UNKNOWN), nullptr);
    EXPECT_EQ(flexes.GetCount(), 2);
    EXPECT_EQ(flexes.FindTextureA("empty"), empty);
}

TEST_F(Factory, ShadersComeFromTheEffectMaker)
{
    ASSERT_TRUE(Create());
    EXPECT_EQ(shaders.GetShader(u"fx/toon.fx", false), nullptr);  // no maker yet
    shaders.SetMaker(&MakeFakeEffect);
    FakeEffect::destroyed = 0;
    GxShaderEffect* toon = shaders.GetShader(u"fx/toon.fx", false);
    ASSERT_NE(toon, nullptr);
    EXPECT_EQ(shaders.GetShaderA("FX/TOON.FX", true), toon);
    EXPECT_EQ(shaders.FindShader(u"fx/Toon.fx"), toon);
    EXPECT_EQ(shaders.GetShader(u"broken.fx", false), nullptr);
    EXPECT_EQ(shaders.GetCount(), 1);
    shaders.ReleaseShader(toon);
    EXPECT_EQ(FakeEffect::destroyed, 0);
    shaders.ReleaseShaderA("fx/toon.fx");
    EXPECT_EQ(FakeEffect::destroyed, 1);
    EXPECT_EQ(shaders.GetCount(), 0);
}

TEST_F(Factory, ReleaseAllDestroysWhateverIsHeld)
{
    ASSERT_TRUE(Create());
    GxTexture* t = textures.GetTexture(u"held", GXTEXKIND_TEXTURE, 4, 4, 1, GXFMT_UNKNOWN, 0, true);
    ASSERT_NE(t, nullptr);
    textures.GetTexture(u"held", GXTEXKIND_TEXTURE, 4, 4, 1, GXFMT_UNKNOWN, 0, true);
    ASSERT_TRUE(GxGetD3DResourceManage().IsRegistered(t));
    textures.ReleaseAll();
    EXPECT_EQ(textures.GetCount(), 0);
    EXPECT_FALSE(GxGetD3DResourceManage().IsRegistered(t));
    EXPECT_EQ(textures.FindTexture(u"held"), nullptr);
}

TEST_F(Factory, ShutdownReportsWhatIsLeftAndDestroysIt)
{
    ASSERT_TRUE(Create());
    GxGetShaderFactory().SetMaker(&MakeFakeEffect);
    GxTexture* t = GxGetTextureFactory().GetTexture(u"left", GXTEXKIND_TEXTURE, 4, 4, 1, GXFMT_UNKNOWN, 0, true);
    ASSERT_NE(t, nullptr);
    ASSERT_NE(GxGetTextureFlexFactory().GetTexture(u"f1", GXFLEXKIND_TEXTURE, 4, 4, GXFMT_UNKNOWN), nullptr);
    ASSERT_NE(GxGetTextureFlexFactory().GetTexture(u"f2", GXFLEXKIND_TEXTURE, 4, 4, GXFMT_UNKNOWN), nullptr);
    GxTexture* released = GxGetTextureFactory().GetTexture(u"given back", GXTEXKIND_TEXTURE, 4, 4, 1, GXFMT_UNKNOWN, 0,
                                                           true);
    GxGetTextureFactory().ReleaseTexture(released);

    GxGraphics::Release();
    EXPECT_TRUE(gxtest::InOrder(ErrorLines(), {u"Warning/GxTextureFactory is not Released(count=1)",
                                               u"Warning/GxTextureFlexFactory is not Released(count=2)"}));
    EXPECT_EQ(ErrorCount(u"Warning/GxShaderFactory is not Released(count=0)"), 0u);
    for (const auto& l : ErrorLines()) EXPECT_EQ(l.find(u"GxShaderFactory is not Released"), std::u16string::npos);
    EXPECT_EQ(GxGetTextureFactory().GetCount(), 0);
    EXPECT_EQ(GxGetTextureFlexFactory().GetCount(), 0);
    EXPECT_FALSE(GxGetD3DResourceManage().IsRegistered(t));

    // A shader left behind is reported by its own factory.
    ASSERT_TRUE(Create());
    ASSERT_NE(GxGetShaderFactory().GetShader(u"left.fx", false), nullptr);
    GxGraphics::Release();
    EXPECT_EQ(ErrorCount(u"Warning/GxShaderFactory is not Released(count=1)"), 1u);
    EXPECT_EQ(GxGetShaderFactory().GetCount(), 0);
}
