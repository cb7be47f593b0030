#include "graphics/GxGraphics.h"

#include <algorithm>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxResourceFactory.h"
#include "graphics/GxSwapChain.h"
#include "platform/gl/GxGLContext.h"

namespace {

GxGraphics::Direct3DFactory& Factory()
{
    static GxGraphics::Direct3DFactory factory;
    return factory;
}

const char16_t kScreenModeNames[SCRMODE_MAX][32] = {
    u"SCRMODE_WINDOW",       u"SCRMODE_WINDOWSIZE",   u"SCRMODE_FULLSCREEN",   u"SCRMODE_FULLSCREENX2",
    u"SCRMODE_FULL320X240",  u"SCRMODE_FULL640X480",  u"SCRMODE_FULL800X600",  u"SCRMODE_FULL1024X576",
    u"SCRMODE_FULL1024X768", u"SCRMODE_FULL1280X720", u"SCRMODE_FULL1280X800", u"SCRMODE_FULL1280X960",
    u"SCRMODE_FULL1280X1024", u"SCRMODE_FULL1920X1080",
};

struct ErrorText
{
    GxResult code;
    const char16_t* text;
};

const ErrorText kErrorTexts[] = {
    {GX_OK, u"エラーは発生していません"},
    {GXERR_FAIL, u"Direct3D サブシステム内で原因不明のエラーが発生しました。"},
    {GXERR_NOINTERFACE, u"利用可能なオブジェクトインターフェイスがありません。"},
    {GXERR_NOTIMPL, u"実装されていません。"},
    {GXERR_OUTOFMEMORY, u"Direct3D が呼び出しを完了するための十分なメモリを割り当てることができませんでした。"},
    {GXERR_OUTOFVIDEOMEMORY, u"Direct3D が処理を行うのに十分なディスプレイメモリがありません。"},
    {GXERR_INVALIDARG, u"無効なパラメータが関数に渡されました。"},
    {GXERR_WRONGTEXTUREFORMAT, u"テクスチャサーフェイスのピクセルフォーマットが無効です。"},
    {GXERR_CONFLICTINGRENDERSTATE, u"現在設定されているレンダリング ステートは同時に使えません。"},
    {GXERR_CONFLICTINGTEXTUREFILTER, u"現在のテクスチャフィルタは同時に使えません。"},
    {GXERR_CONFLICTINGTEXTUREPALETTE, u"現在のテクスチャは同時に使えません。パレットの共有ができません。"},
    {GXERR_DEVICELOST, u"デバイスは消失していますが現在リセットできません。レンダリングは不可能です。"},
    {GXERR_DEVICENOTRESET, u"デバイスは消失していますが、現在リセットできます。"},
    {GXERR_DRIVERINTERNALERROR, u"内部ドライバ エラー。"},
    {GXERR_INVALIDCALL, u"メソッドの呼び出しが無効です。例えばメソッドのパラメータが有効なポインタではありません。"},
    {GXERR_INVALIDDEVICE, u"要求されたデバイスタイプが無効です。"},
    {GXERR_MOREDATA, u"指定されたバッファサイズに保持できる以上のデータが存在します。"},
    {GXERR_NOTAVAILABLE, u"このデバイスは問い合わせたテクニックをサポートしていません。"},
    {GXERR_NOTFOUND, u"要求された項目が見つかりませんでした。"},
    {GXERR_TOOMANYOPERATIONS,
     u"デバイスがサポートしている数より多くのテクスチャフィルタリング処理を、アプリケーションが要求しています。"},
    {GXERR_UNSUPPORTEDALPHAARG,
     u"アルファ チャンネルに対して指定されているテクスチャブレンディング引数を、デバイスがサポートしていません。"},
    {GXERR_UNSUPPORTEDALPHAOPERATION,
     u"アルファ チャンネルに対して指定されているテクスチャブレンディング処理を、デバイスがサポートしていません。"},
    {GXERR_UNSUPPORTEDCOLORARG, u"色値に対して指定されているテクスチャブレンディング引数を、デバイスがサポートしていません。"},
    {GXERR_UNSUPPORTEDCOLOROPERATION,
     u"色値に対して指定されているテクスチャブレンディング処理を、デバイスがサポートしていません。"},
    {GXERR_UNSUPPORTEDFACTORVALUE, u"デバイスが指定されたテクスチャ係数値をサポートしていません。"},
    {GXERR_UNSUPPORTEDTEXTUREFILTER, u"デバイスが指定されたテクスチャフィルタをサポートしていません。"},
    {GXERR_CANNOTMODIFYINDEXBUFFER, u"インデックス バッファを変更できません。"},
    {GXERR_INVALIDMESH, u"メッシュが無効です。"},
    {GXERR_CANNOTATTRSORT, u"最適化テクニックとして、属性のソート (D3DXMESHOPT_ATTRSORT) はサポートされていません。"},
    {GXERR_SKINNINGNOTSUPPORTED, u"スキニングがサポートされていません。"},
    {GXERR_TOOMANYINFLUENCES, u"指定された影響が多すぎます。"},
    {GXERR_INVALIDDATA, u"データが無効です。"},
    {GXERR_LOADEDMESHHASNODATA, u"メッシュにデータが含まれていません。"},
    {GXERR_DUPLICATENAMEDFRAGMENT, u"同じ名前のフラグメントが既に存在しています。"},
    {GXERR_CANNOTREMOVELASTITEM, u"最後の項目が削除できません。"},
};

struct FormatName
{
    GxFormat format;
    const char16_t* name;
};

#define GX_FORMAT_NAME(f) {GXFMT_##f, u"D3DFMT_" #f}
const FormatName kFormatNames[] = {
    GX_FORMAT_NAME(UNKNOWN),      GX_FORMAT_NAME(R8G8B8),        GX_FORMAT_NAME(A8R8G8B8),
    GX_FORMAT_NAME(X8R8G8B8),     GX_FORMAT_NAME(R5G6B5),        GX_FORMAT_NAME(X1R5G5B5),
    GX_FORMAT_NAME(A1R5G5B5),     GX_FORMAT_NAME(A4R4G4B4),      GX_FORMAT_NAME(R3G3B2),
    GX_FORMAT_NAME(A8),           GX_FORMAT_NAME(A8R3G3B2),      GX_FORMAT_NAME(X4R4G4B4),
    GX_FORMAT_NAME(A2B10G10R10),  GX_FORMAT_NAME(A8B8G8R8),      GX_FORMAT_NAME(X8B8G8R8),
    GX_FORMAT_NAME(G16R16),       GX_FORMAT_NAME(A2R10G10B10),   GX_FORMAT_NAME(A16B16G16R16),
    GX_FORMAT_NAME(A8P8),         GX_FORMAT_NAME(P8),            GX_FORMAT_NAME(L8),
    GX_FORMAT_NAME(L16),          GX_FORMAT_NAME(A8L8),          GX_FORMAT_NAME(A4L4),
    GX_FORMAT_NAME(V8U8),         GX_FORMAT_NAME(Q8W8V8U8),      GX_FORMAT_NAME(V16U16),
    GX_FORMAT_NAME(Q16W16V16U16), GX_FORMAT_NAME(CxV8U8),        GX_FORMAT_NAME(L6V5U5),
    GX_FORMAT_NAME(X8L8V8U8),     GX_FORMAT_NAME(A2W10V10U10),   GX_FORMAT_NAME(D16_LOCKABLE),
    GX_FORMAT_NAME(D32),          GX_FORMAT_NAME(D15S1),         GX_FORMAT_NAME(D24S8),
    GX_FORMAT_NAME(D24X8),        GX_FORMAT_NAME(D24X4S4),       GX_FORMAT_NAME(D32F_LOCKABLE),
    GX_FORMAT_NAME(D24FS8),       GX_FORMAT_NAME(D16),           GX_FORMAT_NAME(VERTEXDATA),
    GX_FORMAT_NAME(INDEX16),      GX_FORMAT_NAME(INDEX32),       GX_FORMAT_NAME(R16F),
    GX_FORMAT_NAME(G16R16F),      GX_FORMAT_NAME(A16B16G16R16F), GX_FORMAT_NAME(R32F),
    GX_FORMAT_NAME(G32R32F),      GX_FORMAT_NAME(A32B32G32R32F), GX_FORMAT_NAME(DXT1),
    GX_FORMAT_NAME(YUY2),         GX_FORMAT_NAME(DXT2),          GX_FORMAT_NAME(DXT3),
    GX_FORMAT_NAME(DXT4),         GX_FORMAT_NAME(DXT5),          GX_FORMAT_NAME(UYVY),
    GX_FORMAT_NAME(R8G8_B8G8),    GX_FORMAT_NAME(G8R8_G8B8),
};
#undef GX_FORMAT_NAME
static_assert(sizeof(kFormatNames) / sizeof(kFormatNames[0]) == 59, "59 named formats");

struct TexOpName
{
    uint32_t bit;
    const char16_t* line;
};
const TexOpName kTexOps[GXTEXOPFLAG_COUNT] = {
    {GXTEXOPCAPS_ADD, u"\t・TEXOP_ADD:%u\n"},
    {GXTEXOPCAPS_ADDSIGNED, u"\t・TEXOP_ADDSIGNED:%u\n"},
    {GXTEXOPCAPS_ADDSIGNED2X, u"\t・TEXOP_ADDSIGNED2X:%u\n"},
    {GXTEXOPCAPS_ADDSMOOTH, u"\t・TEXOP_ADDSMOOTH:%u\n"},
    {GXTEXOPCAPS_BLENDCURRENTALPHA, u"\t・TEXOP_BLENDCURRENTALPHA:%u\n"},
    {GXTEXOPCAPS_BLENDDIFFUSEALPHA, u"\t・TEXOP_BLENDDIFFUSEALPHA:%u\n"},
    {GXTEXOPCAPS_BLENDFACTORALPHA, u"\t・TEXOP_BLENDFACTORALPHA:%u\n"},
    {GXTEXOPCAPS_BLENDTEXTUREALPHA, u"\t・TEXOP_BLENDTEXTUREALPHA:%u\n"},
    {GXTEXOPCAPS_BLENDTEXTUREALPHAPM, u"\t・TEXOP_BLENDTEXTUREALPHAPM:%u\n"},
    {GXTEXOPCAPS_BUMPENVMAP, u"\t・TEXOP_BUMPENVMAP:%u\n"},
    {GXTEXOPCAPS_BUMPENVMAPLUMINANCE, u"\t・TEXOP_BUMPENVMAPLUMINANCE:%u\n"},
    {GXTEXOPCAPS_DISABLE, u"\t・TEXOP_DISABLE:%u\n"},
    {GXTEXOPCAPS_DOTPRODUCT3, u"\t・TEXOP_DOTPRODUCT3:%u\n"},
    {GXTEXOPCAPS_LERP, u"\t・TEXOP_LERP:%u\n"},
    {GXTEXOPCAPS_MODULATE, u"\t・TEXOP_MODULATE:%u\n"},
    {GXTEXOPCAPS_MODULATE2X, u"\t・TEXOP_MODULATE2X:%u\n"},
    {GXTEXOPCAPS_MODULATE4X, u"\t・TEXOP_MODULATE4X:%u\n"},
    {GXTEXOPCAPS_MODULATEALPHA_ADDCOLOR, u"\t・TEXOP_MODULATEALPHA_ADDCOLOR:%u\n"},
    {GXTEXOPCAPS_MODULATECOLOR_ADDALPHA, u"\t・TEXOP_MODULATECOLOR_ADDALPHA:%u\n"},
    {GXTEXOPCAPS_MODULATEINVALPHA_ADDCOLOR, u"\t・TEXOP_MODULATEINVALPHA_ADDCOLOR:%u\n"},
    {GXTEXOPCAPS_MODULATEINVCOLOR_ADDALPHA, u"\t・TEXOP_MODULATEINVCOLOR_ADDALPHA:%u\n"},
    {GXTEXOPCAPS_MULTIPLYADD, u"\t・TEXOP_MULTIPLYADD:%u\n"},
    {GXTEXOPCAPS_PREMODULATE, u"\t・TEXOP_PREMODULATE:%u\n"},
    {GXTEXOPCAPS_SELECTARG1, u"\t・TEXOP_SELECTARG1:%u\n"},
    {GXTEXOPCAPS_SELECTARG2, u"\t・TEXOP_SELECTARG2:%u\n"},
    {GXTEXOPCAPS_SUBTRACT, u"\t・TEXOP_SUBTRACT:%u\n"},
};

const char16_t kCannotStart[] = u"起動できません";

uint32_t PresentationInterval(uint32_t count)
{
    switch (count) {
    case 0: return GXPRESENT_INTERVAL_IMMEDIATE;
    case 1: return GXPRESENT_INTERVAL_ONE;
    case 2: return GXPRESENT_INTERVAL_TWO;
    case 3: return GXPRESENT_INTERVAL_THREE;
    case 4: return GXPRESENT_INTERVAL_FOUR;
    default: return GXPRESENT_INTERVAL_DEFAULT;
    }
}

void LogModeLine(const GxDisplayMode& m)
{
    GxPrintDeviceLog(u"\t・%u x %u %uHz (%s)\n", m.Width, m.Height, m.RefreshRate, GxGraphics::GetFormatName(m.Format));
}

// The full-screen mode of the given size: every adapter mode of that size in the format order of
// the back-buffer bits is listed (at most 128 kept), then the refresh-rate preference picks one.
bool SearchFullScreenMode(GxDirect3D* d3d, uint32_t width, uint32_t height, const char16_t* listTitle,
                          const char16_t* foundText, const char16_t* notFoundText, GxDisplayMode* out)
{
    const GxGraphicsSettings& set = GxGetGraphicsSettings();
    static const GxFormat k16[] = {GXFMT_R5G6B5, GXFMT_X1R5G5B5, GXFMT_X8R8G8B8, GXFMT_A2R10G10B10};
    static const GxFormat k32[] = {GXFMT_X8R8G8B8, GXFMT_R5G6B5, GXFMT_X1R5G5B5, GXFMT_A2R10G10B10};
    const GxFormat* formats = set.backBufferBits == 16 ? k16 : k32;
    constexpr size_t kMaxCandidates = 128;
    std::vector<GxDisplayMode> candidates;
    GxPrintDeviceLog(listTitle);
    for (int f = 0; f < 4; ++f) {
        uint32_t count = d3d->GetAdapterModeCount(0, formats[f]);
        for (uint32_t i = 0; i < count; ++i) {
            GxDisplayMode m;
            if (GxFailed(d3d->EnumAdapterModes(0, formats[f], i, &m))) continue;
            if (m.Width != width || m.Height != height || m.Format != formats[f]) continue;
            LogModeLine(m);
            if (candidates.size() < kMaxCandidates) candidates.push_back(m);
        }
    }
    const uint32_t preference[] = {set.refreshRate, 60, 70, 72, 75, 85, 0};
    const GxDisplayMode* chosen = nullptr;
    for (uint32_t rate : preference) {
        for (const auto& c : candidates) {
            if (c.RefreshRate == rate) {
                chosen = &c;
                break;
            }
        }
        if (chosen) break;
    }
    if (!chosen && !candidates.empty()) chosen = &candidates.front();
    if (!chosen) {
        GxPrintDeviceLog(notFoundText);
        return false;
    }
    *out = *chosen;
    GxPrintDeviceLog(foundText);
    LogModeLine(*out);
    return true;
}

}  // namespace

GxGraphicsCaps GxGraphicsCaps::Defaults()
{
    GxGraphicsCaps c;
    c.MaxVertexW = 1e10f;
    c.MaxTextureWidth = 4096;
    c.MaxTextureHeight = 4096;
    c.MaxTextureRepeat = 8192;
    c.MaxTextureAspectRatio = 8192;
    c.GuardBandLeft = -1e8f;
    c.GuardBandTop = -1e8f;
    c.GuardBandRight = 1e8f;
    c.GuardBandBottom = 1e8f;
    c.MaxPointSize = 8192.0f;
    c.MaxTextureBlendStages = 8;
    c.MaxSimultaneousTextures = 8;
    c.MaxActiveLights = 8;
    c.Pow2 = 1;
    c.MaxVertexIndex = 0xFFFFFF;
    c.MaxStreams = 16;
    c.MaxStreamStride = 255;
    c.NumSimultaneousRTs = 1;
    c.VertexShaderVersion = GxVertexShaderVersion(1, 0);
    c.PixelShaderVersion = GxPixelShaderVersion(1, 0);
    c.MaxVertexShaderConst = 256;
    return c;
}

GxGraphicsState& GxGraphics::State()
{
    static GxGraphicsState state;
    return state;
}

void GxGraphics::SetDirect3DFactory(Direct3DFactory factory) { Factory() = std::move(factory); }

const char16_t* GxGraphics::GetScreenModeName(int32_t mode)
{
    if (mode < 0 || mode >= SCRMODE_MAX) return u"";
    return kScreenModeNames[mode];
}

const GxPresentParameters& GxGraphics::GetPresentParameters(int32_t mode)
{
    static const GxPresentParameters none;
    if (mode < 0 || mode >= GX_PRESENT_PARAMETER_SLOTS) return none;
    return State().presentParameters[mode];
}

std::u16string GxGraphics::GetD3DErrorString(GxResult result)
{
    for (const auto& e : kErrorTexts)
        if (e.code == result) return e.text;
    return GxFormatString(u"未知のエラーです。(code:0x%x)", result);
}

std::u16string GxGraphics::GetFormatName(GxFormat format)
{
    for (const auto& f : kFormatNames)
        if (f.format == format) return f.name;
    return u"ERROR";
}

bool GxGraphics::GetAdapterInfo()
{
    GxGraphicsState& s = State();
    GxGraphicsSettings& set = GxGetGraphicsSettings();
    GxDirect3D* d3d = s.direct3D;

    s.adapterCount = d3d->GetAdapterCount();
    GxPrintDeviceLog(u"\t・ビデオカード数:%u\n", s.adapterCount);

    GxAdapterIdentifier id;
    if (GxFailed(d3d->GetAdapterIdentifier(s.adapter, 0, &id))) {
        GxPrintErrorLog(u"GetAdapterIdentifierに失敗。ビデオカード情報が取得できません\n");
        return false;
    }
    s.videoCardName = GxAnsiToWide(id.Description);
    s.driverName = GxAnsiToWide(id.Driver);
    uint64_t v = id.DriverVersion;
    s.driverVersion = GxFormatString(u"%u.%u.%u.%u", static_cast<uint32_t>((v >> 48) & 0xFFFF),
                                     static_cast<uint32_t>((v >> 32) & 0xFFFF),
                                     static_cast<uint32_t>((v >> 16) & 0xFFFF), static_cast<uint32_t>(v & 0xFFFF));
    s.driverVersion = std::u16string(GxCutText(s.driverVersion, 511));
    GxPrintDeviceLog(u"\t・ビデオカード名:%s\n", s.videoCardName);
    GxPrintDeviceLog(u"\t・ドライバ名:%s (%s)\n", s.driverName, s.driverVersion);

    d3d->GetAdapterDisplayMode(s.adapter, &s.windowMode);
    d3d->GetAdapterDisplayMode(s.adapter, &s.desktopMode);
    if (GxSucceeded(d3d->CheckDeviceType(s.adapter, GXDEVTYPE_HAL, s.desktopMode.Format, s.desktopMode.Format, true))) {
        s.modeAvailable[SCRMODE_WINDOW] = true;
        s.modeAvailable[SCRMODE_WINDOWSIZE] = true;
    } else {
        s.forceFullScreen = true;
    }
    s.windowMode.Width = set.backBufferWidth;
    s.windowMode.Height = set.backBufferHeight;

    s.modeAvailable[SCRMODE_FULLSCREEN] = SearchFullScreenMode(
        d3d, set.backBufferWidth, set.backBufferHeight, u"フルスクリーンモードで利用可能な画面モード一覧\n",
        u"\tフルスクリーンモードで利用する画面モードが見つかりました\n",
        u"\tフルスクリーンモードで利用する画面モードが見つかりませんでした\n", &s.fullScreenMode);
    s.modeAvailable[SCRMODE_FULLSCREENX2] = SearchFullScreenMode(
        d3d, set.backBufferWidth * 2, set.backBufferHeight * 2, u"フルスクリーンX2モードで利用可能な画面モード一覧\n",
        u"\tフルスクリーンX2モードで利用する画面モードが見つかりました\n",
        u"\tフルスクリーンX2モードで利用する画面モードが見つかりませんでした\n", &s.fullScreenX2Mode);

    GxPrintDeviceLog(u"使用するリソースのフォーマットを検索します\n");
    GxFormat adapterFormat = s.modeAvailable[SCRMODE_FULLSCREEN] ? s.fullScreenMode.Format : s.desktopMode.Format;
    auto supported = [&](uint32_t usage, GxResourceType type, GxFormat f) {
        return GxSucceeded(d3d->CheckDeviceFormat(s.adapter, GXDEVTYPE_HAL, adapterFormat, usage, type, f));
    };
    if (set.textureBits == 16) {
        s.textureFormat = supported(0, GXRTYPE_TEXTURE, GXFMT_A4R4G4B4)   ? GXFMT_A4R4G4B4
                          : supported(0, GXRTYPE_TEXTURE, GXFMT_A8R8G8B8) ? GXFMT_A8R8G8B8
                                                                          : GXFMT_A4R4G4B4;
    } else {
        s.textureFormat = supported(0, GXRTYPE_TEXTURE, GXFMT_A8R8G8B8)   ? GXFMT_A8R8G8B8
                          : supported(0, GXRTYPE_TEXTURE, GXFMT_A4R4G4B4) ? GXFMT_A4R4G4B4
                                                                          : GXFMT_A8R8G8B8;
    }
    s.renderTargetFormat = supported(GXUSAGE_RENDERTARGET, GXRTYPE_TEXTURE, GXFMT_A8R8G8B8)   ? GXFMT_A8R8G8B8
                           : supported(GXUSAGE_RENDERTARGET, GXRTYPE_TEXTURE, GXFMT_A4R4G4B4) ? GXFMT_A4R4G4B4
                                                                                              : GXFMT_A8R8G8B8;
    static const GxFormat kDepth16[] = {GXFMT_D15S1, GXFMT_D24S8, GXFMT_D24X8, GXFMT_D24X4S4};
    static const GxFormat kDepth24[] = {GXFMT_D24S8, GXFMT_D24X8, GXFMT_D24X4S4, GXFMT_D15S1};
    const GxFormat* depthOrder = set.depthStencilBits == 16 ? kDepth16 : kDepth24;
    s.depthStencilFormat = GXFMT_D24S8;
    for (int i = 0; i < 4; ++i) {
        if (supported(GXUSAGE_DEPTHSTENCIL, GXRTYPE_SURFACE, depthOrder[i])) {
            s.depthStencilFormat = depthOrder[i];
            break;
        }
    }
    GxPrintDeviceLog(u"\t・TextureFormat:%s\n", GetFormatName(s.textureFormat));
    GxPrintDeviceLog(u"\t・RenderTargetFormat:%s\n", GetFormatName(s.renderTargetFormat));
    GxPrintDeviceLog(u"\t・DepthStencilFormat:%s\n", GetFormatName(s.depthStencilFormat));
    return true;
}

bool GxGraphics::LogDeviceCaps()
{
    GxGraphicsState& s = State();
    GxDeviceCaps d;
    if (GxFailed(s.direct3D->GetDeviceCaps(s.adapter, GXDEVTYPE_HAL, &d))) {
        GxPrintDeviceLog(u"ビデオデバイス情報が取得できませんでした\n");
        s.caps = GxGraphicsCaps::Defaults();
        return false;
    }
    GxGraphicsCaps& c = s.caps;
    c = GxGraphicsCaps();
    auto bit = [](uint32_t word, uint32_t mask) -> uint8_t { return (word & mask) ? 1 : 0; };
    c.PureDevice = bit(d.DevCaps, GXDEVCAPS_PUREDEVICE);
    c.HwTransformAndLight = bit(d.DevCaps, GXDEVCAPS_HWTRANSFORMANDLIGHT);
    c.HwRasterization = bit(d.DevCaps, GXDEVCAPS_HWRASTERIZATION);
    c.Dither = bit(d.RasterCaps, GXPRASTERCAPS_DITHER);
    c.DepthBias = bit(d.RasterCaps, GXPRASTERCAPS_DEPTHBIAS);
    c.WBuffer = bit(d.RasterCaps, GXPRASTERCAPS_WBUFFER);
    c.CanAutoGenMipmap = bit(d.Caps2, GXCAPS2_CANAUTOGENMIPMAP);
    c.DynamicTextures = bit(d.Caps2, GXCAPS2_DYNAMICTEXTURES);
    c.CubeMap = bit(d.TextureCaps, GXPTEXTURECAPS_CUBEMAP);
    c.MipMap = bit(d.TextureCaps, GXPTEXTURECAPS_MIPMAP);
    c.Perspective = bit(d.TextureCaps, GXPTEXTURECAPS_PERSPECTIVE);
    c.Pow2 = bit(d.TextureCaps, GXPTEXTURECAPS_POW2);
    c.SquareOnly = bit(d.TextureCaps, GXPTEXTURECAPS_SQUAREONLY);
    c.NonPow2Conditional = bit(d.TextureCaps, GXPTEXTURECAPS_NONPOW2CONDITIONAL);
    c.AnisotropicMin = bit(d.TextureFilterCaps, GXPTFILTERCAPS_MINFANISOTROPIC);
    c.AnisotropicMag = bit(d.TextureFilterCaps, GXPTFILTERCAPS_MAGFANISOTROPIC);
    for (int i = 0; i < GXTEXOPFLAG_COUNT; ++i) c.TexOp[i] = bit(d.TextureOpCaps, kTexOps[i].bit);
    c.MaxTextureWidth = d.MaxTextureWidth;
    c.MaxTextureHeight = d.MaxTextureHeight;
    c.MaxTextureRepeat = d.MaxTextureRepeat;
    c.MaxTextureAspectRatio = d.MaxTextureAspectRatio;
    c.MaxAnisotropy = d.MaxAnisotropy;
    c.MaxVertexBlendMatrices = d.MaxVertexBlendMatrices;
    c.MaxVertexBlendMatrixIndex = d.MaxVertexBlendMatrixIndex;
    c.StretchRectFilterCaps = d.StretchRectFilterCaps;
    c.MaxVertexW = d.MaxVertexW;
    c.GuardBandLeft = d.GuardBandLeft;
    c.GuardBandTop = d.GuardBandTop;
    c.GuardBandRight = d.GuardBandRight;
    c.GuardBandBottom = d.GuardBandBottom;
    c.MaxPointSize = d.MaxPointSize;
    c.MaxVertexIndex = d.MaxVertexIndex;
    c.MaxStreams = d.MaxStreams;
    c.MaxStreamStride = d.MaxStreamStride;
    c.NumSimultaneousRTs = d.NumSimultaneousRTs;
    c.MaxTextureBlendStages = d.MaxTextureBlendStages;
    c.MaxSimultaneousTextures = d.MaxSimultaneousTextures;
    c.MaxActiveLights = d.MaxActiveLights;
    c.VertexShaderVersion = d.VertexShaderVersion;
    c.PixelShaderVersion = d.PixelShaderVersion;
    c.MaxVertexShaderConst = d.MaxVertexShaderConst;
    c.PixelShader1xMaxValue = d.PixelShader1xMaxValue;
    c.DynamicFlowControlDepth = d.VS20DynamicFlowControlDepth;
    c.StaticFlowControlDepth = d.VS20StaticFlowControlDepth;
    c.MaxVShaderInstructionsExecuted = d.MaxVShaderInstructionsExecuted;
    c.MaxPShaderInstructionsExecuted = d.MaxPShaderInstructionsExecuted;

    GxPrintDeviceLog(u"ビデオデバイスの能力情報\n");
    GxPrintDeviceLog(u"\t・Caps:0x%08X\n", d.Caps);
    GxPrintDeviceLog(u"\t・Caps2:0x%08X\n", d.Caps2);
    GxPrintDeviceLog(u"\t・Caps3:0x%08X\n", d.Caps3);
    GxPrintDeviceLog(u"\t・DevCaps:0x%08X\n", d.DevCaps);
    GxPrintDeviceLog(u"\t・RasterCaps:0x%08X\n", d.RasterCaps);
    GxPrintDeviceLog(u"\t・ZCmpCaps:0x%08X\n", d.ZCmpCaps);
    GxPrintDeviceLog(u"\t・SrcBlendCaps:0x%08X\n", d.SrcBlendCaps);
    GxPrintDeviceLog(u"\t・DestBlendCaps:0x%08X\n", d.DestBlendCaps);
    GxPrintDeviceLog(u"\t・AlphaCmpCaps:0x%08X\n", d.AlphaCmpCaps);
    GxPrintDeviceLog(u"\t・ShadeCaps:0x%08X\n", d.ShadeCaps);
    GxPrintDeviceLog(u"\t・TextureCaps:0x%08X\n", d.TextureCaps);
    GxPrintDeviceLog(u"\t・TextureOpCaps:0x%08X\n", d.TextureOpCaps);

    GxPrintDeviceLog(u"ビデオデバイスの能力情報(概要)\n");
    GxPrintDeviceLog(u"\t・D3DDEVCAPS_PUREDEVICE:%d\n", c.PureDevice);
    GxPrintDeviceLog(u"\t・D3DDEVCAPS_HWTRANSFORMANDLIGHT:%d\n", c.HwTransformAndLight);
    GxPrintDeviceLog(u"\t・D3DDEVCAPS_HWRASTERIZATION:%d\n", c.HwRasterization);
    GxPrintDeviceLog(u"\t・D3DPRASTERCAPS_DITHER:%d\n", c.Dither);
    GxPrintDeviceLog(u"\t・D3DPRASTERCAPS_DEPTHBIAS:%d\n", c.DepthBias);
    GxPrintDeviceLog(u"\t・D3DPRASTERCAPS_WBUFFER:%d\n", c.WBuffer);
    GxPrintDeviceLog(u"\t・D3DCAPS2_CANAUTOGENMIPMAP:%d\n", c.CanAutoGenMipmap);
    GxPrintDeviceLog(u"\t・D3DCAPS2_DYNAMICTEXTURES:%d\n", c.DynamicTextures);
    GxPrintDeviceLog(u"\t・D3DPTEXTURECAPS_CUBEMAP:%d\n", c.CubeMap);
    GxPrintDeviceLog(u"\t・D3DPTEXTURECAPS_MIPMAP:%d\n", c.MipMap);
    GxPrintDeviceLog(u"\t・D3DPTEXTURECAPS_PERSPECTIVE:%d\n", c.Perspective);
    GxPrintDeviceLog(u"\t・D3DPTEXTURECAPS_POW2:%d\n", c.Pow2);
    GxPrintDeviceLog(u"\t・D3DPTEXTURECAPS_SQUAREONLY:%d\n", c.SquareOnly);
    GxPrintDeviceLog(u"\t・D3DPTEXTURECAPS_NONPOW2CONDITIONAL:%d\n", c.NonPow2Conditional);

    GxPrintDeviceLog(u"\t・MaxTextureWidth:%u\n", c.MaxTextureWidth);
    GxPrintDeviceLog(u"\t・MaxTextureHeight:%u\n", c.MaxTextureHeight);
    GxPrintDeviceLog(u"\t・MaxTextureRepeat:%u\n", c.MaxTextureRepeat);
    GxPrintDeviceLog(u"\t・MaxTextureAspectRatio:%u\n", c.MaxTextureAspectRatio);
    GxPrintDeviceLog(u"\t・MaxAnisotropy:%u\n", c.MaxAnisotropy);
    GxPrintDeviceLog(u"\t・MaxVertexBlendMatrices:%u\n", c.MaxVertexBlendMatrices);
    GxPrintDeviceLog(u"\t・MaxVertexBlendMatrixIndex:%u\n", c.MaxVertexBlendMatrixIndex);
    GxPrintDeviceLog(u"\t・StretchRectFilterCaps:0x%X\n", c.StretchRectFilterCaps);
    if (c.StretchRectFilterCaps & GXPTFILTERCAPS_MINFPOINT) GxPrintDeviceLog(u"\t\t・D3DPTFILTERCAPS_MINFPOINT\n");
    if (c.StretchRectFilterCaps & GXPTFILTERCAPS_MAGFPOINT) GxPrintDeviceLog(u"\t\t・D3DPTFILTERCAPS_MAGFPOINT\n");
    if (c.StretchRectFilterCaps & GXPTFILTERCAPS_MINFLINEAR) GxPrintDeviceLog(u"\t\t・D3DPTFILTERCAPS_MINFLINEAR\n");
    if (c.StretchRectFilterCaps & GXPTFILTERCAPS_MAGFLINEAR) GxPrintDeviceLog(u"\t\t・D3DPTFILTERCAPS_MAGFLINEAR\n");
    GxPrintDeviceLog(u"\t・MaxVertexW:%.4lf\n", c.MaxVertexW);
    GxPrintDeviceLog(u"\t・GuardBandLeft:%.4lf\n", c.GuardBandLeft);
    GxPrintDeviceLog(u"\t・GuardBandTop:%.4lf\n", c.GuardBandTop);
    GxPrintDeviceLog(u"\t・GuardBandRight:%.4lf\n", c.GuardBandRight);
    GxPrintDeviceLog(u"\t・GuardBandBottom:%.4lf\n", c.GuardBandBottom);
    GxPrintDeviceLog(u"\t・MaxPointSize:%.4lf\n", c.MaxPointSize);
    GxPrintDeviceLog(u"\t・MaxVertexIndex:%u\n", c.MaxVertexIndex);
    GxPrintDeviceLog(u"\t・MaxStreams:%u\n", c.MaxStreams);
    GxPrintDeviceLog(u"\t・MaxStreamStride:%u\n", c.MaxStreamStride);
    GxPrintDeviceLog(u"\t・MaxRenderTarget:%u\n", c.NumSimultaneousRTs);
    GxPrintDeviceLog(u"\t・MaxTextureBlendStages:%u\n", c.MaxTextureBlendStages);
    GxPrintDeviceLog(u"\t・MaxSimultaneousTextures:%u\n", c.MaxSimultaneousTextures);
    GxPrintDeviceLog(u"\t・MaxActiveLights:%u\n", c.MaxActiveLights);
    GxPrintDeviceLog(u"\t・VertexShaderVersion:%u.%u\n", GxShaderVersionMajor(c.VertexShaderVersion),
                     GxShaderVersionMinor(c.VertexShaderVersion));
    GxPrintDeviceLog(u"\t・PixelShaderVersion:%u.%u\n", GxShaderVersionMajor(c.PixelShaderVersion),
                     GxShaderVersionMinor(c.PixelShaderVersion));
    GxPrintDeviceLog(u"\t・MaxVertexShaderConst:%u\n", c.MaxVertexShaderConst);
    GxPrintDeviceLog(u"\t・PixelShader1xMaxValue:%f\n", c.PixelShader1xMaxValue);
    GxPrintDeviceLog(u"\t・DynamicFlowControlDepth:%u\n", c.DynamicFlowControlDepth);
    GxPrintDeviceLog(u"\t・StaticFlowControlDepth:%u\n", c.StaticFlowControlDepth);
    GxPrintDeviceLog(u"\t・MaxVShaderInstructionsExecuted:%u\n", c.MaxVShaderInstructionsExecuted);
    GxPrintDeviceLog(u"\t・MaxPShaderInstructionsExecuted:%u\n", c.MaxPShaderInstructionsExecuted);

    GxPrintDeviceLog(u"有効なテクスチャオペレーション\n");
    for (int i = 0; i < GXTEXOPFLAG_COUNT; ++i) GxPrintDeviceLog(kTexOps[i].line, c.TexOp[i]);
    return true;
}

bool GxGraphics::LogMultiSampleTypes(GxFormat renderTargetFormat, GxFormat depthFormat, bool withDepthBuffer)
{
    GxGraphicsState& s = State();
    std::fill(std::begin(s.multiSampleQualityFull), std::end(s.multiSampleQualityFull), 0u);
    std::fill(std::begin(s.multiSampleQualityWindow), std::end(s.multiSampleQualityWindow), 0u);
    GxPrintDeviceLog(withDepthBuffer ? u"有効なアンチエイリアス処理(深度バッファあり)\n"
                                     : u"有効なアンチエイリアス処理(深度バッファ無し)\n");
    for (uint32_t type = 0; type <= GXMULTISAMPLE_MAX; ++type) {
        for (int windowed = 0; windowed < 2; ++windowed) {
            uint32_t quality = 0;
            bool ok = GxSucceeded(s.direct3D->CheckDeviceMultiSampleType(s.adapter, GXDEVTYPE_HAL, renderTargetFormat,
                                                                         windowed != 0, type, &quality));
            if (ok && withDepthBuffer)
                ok = GxSucceeded(s.direct3D->CheckDeviceMultiSampleType(s.adapter, GXDEVTYPE_HAL, depthFormat,
                                                                        windowed != 0, type, &quality));
            if (ok) (windowed ? s.multiSampleQualityWindow : s.multiSampleQualityFull)[type] = quality;
        }
    }
    GxPrintDeviceLog(u"\t・SAMPLES\tFUL\tWIN\n");
    for (uint32_t type = 0; type <= GXMULTISAMPLE_MAX; ++type) {
        uint32_t full = s.multiSampleQualityFull[type], win = s.multiSampleQualityWindow[type];
        if (type == 0) GxPrintDeviceLog(u"\t・NONE   \t%u\t%u\n", full, win);
        else if (type == 1) GxPrintDeviceLog(u"\t・NONMASK\t%u\t%u\n", full, win);
        else GxPrintDeviceLog(u"\t・%02u x %02u\t%u\t%u\n", type, type, full, win);
    }
    return true;
}

void GxGraphics::BuildPresentParameters()
{
    GxGraphicsState& s = State();
    GxGraphicsSettings& set = GxGetGraphicsSettings();
    const GxDisplayMode* modes[4] = {&s.windowMode, &s.desktopMode, &s.fullScreenMode, &s.fullScreenX2Mode};
    for (int mode = 0; mode < 4; ++mode) {
        GxPresentParameters& p = s.presentParameters[mode];
        p = GxPresentParameters();
        // A mode that cannot be used keeps all-zero parameters, which refuses it later.
        if (!s.modeAvailable[mode]) continue;
        const GxDisplayMode& m = *modes[mode];
        bool windowed = mode < SCRMODE_FULLSCREEN;
        p.BackBufferWidth = m.Width;
        p.BackBufferHeight = m.Height;
        p.BackBufferFormat = m.Format;
        p.BackBufferCount = 1;
        p.SwapEffect = set.swapEffect;
        p.hDeviceWindow = s.focusWindow;
        p.Windowed = windowed ? 1 : 0;
        p.EnableAutoDepthStencil = 0;
        p.AutoDepthStencilFormat = s.depthStencilFormat;
        p.Flags = set.lockableBackBuffer ? GXPRESENTFLAG_LOCKABLE_BACKBUFFER : 0;
        p.FullScreen_RefreshRateInHz = windowed ? 0 : m.RefreshRate;
        p.PresentationInterval = PresentationInterval(set.vsyncInterval);
        p.MultiSampleType = GXMULTISAMPLE_NONE;
        p.MultiSampleQuality = 0;
        uint32_t ms = set.multiSampleMode;
        if (ms == 2 || ms == 4) {
            if (s.multiSampleQualityFull[ms] != 0 && s.multiSampleQualityWindow[ms] != 0) {
                p.MultiSampleType = ms;
                p.MultiSampleQuality = s.multiSampleQualityWindow[ms] - 1;
            } else {
                set.multiSampleMode = 0;
            }
        }
    }
}

bool GxGraphics::Create(void* window, GxGraphicsResetListener* listener, GxGraphicsResetCallback beforeReset,
                        GxGraphicsResetCallback afterReset)
{
    // A second creation must not lose the first device.
    if (State().device || State().direct3D) Release();
    GxGraphicsState& s = State();
    GxGraphicsSettings& set = GxGetGraphicsSettings();
    s = GxGraphicsState();
    s.focusWindow = window;
    s.resetListener = listener;
    s.beforeReset = beforeReset;
    s.afterReset = afterReset;
    s.textureCreateOption = set.textureCreateOption;
    GxPrintDeviceLog(u"Direct3D9の初期化を開始します\n");

    // Headless runs draw without a window.
    if (!window && !GxGLIsHeadless()) {
        GxPrintErrorLog(u"Direct3DCreate9 Failed m_hWnd is NULL\n");
        GxShowMessageBoxText(kCannotStart, u"ウインドウハンドルが取得できません");
        return false;
    }

    if (Factory()) {
        s.direct3D = Factory()(window);
    } else {
        GxDirect3DCreateParams params;
        params.sdkVersion = GX_DEVICE_SDK_VERSION;
        params.window = window;
        params.extraMode = GxDisplayMode{set.backBufferWidth, set.backBufferHeight, set.refreshRate, GXFMT_X8R8G8B8};
        s.direct3D = GxCreateGLDirect3D(params);
    }
    if (!s.direct3D) {
        GxPrintErrorLog(u"Direct3DCreate9 Failed\n");
        GxShowMessageBoxText(kCannotStart,
                             u"Direct3Dの初期化に失敗しました\n1.DirectX9.0c August "
                             u"2009以降の最新版をインストールして下さい\n2.ビデオカードが推奨環境を満たしているか確認して下さい");
        return false;
    }

    if (!GetAdapterInfo()) {
        GxPrintErrorLog(u"D3D9 GetAdapterInfo Failed\n");
        GxSafeRelease(s.direct3D);
        return false;
    }

    if (!LogDeviceCaps()) {
        GxShowMessageBoxText(u"ビデオデバイス情報が取得できません",
                             u"デフォルト設定で起動しますが正常に動作しない可能性があります");
        s.modeAvailable[SCRMODE_WINDOW] = true;
        s.modeAvailable[SCRMODE_WINDOWSIZE] = true;
        s.forceFullScreen = false;
    }

    LogMultiSampleTypes(s.renderTargetFormat, s.depthStencilFormat, true);
    BuildPresentParameters();

    GxPrintDeviceLog(u"要求された画面モード\n");
    GxPrintDeviceLog(u"\t・画面モード:%s\n", GetScreenModeName(set.screenMode));
    GxPrintDeviceLog(u"\t・VSYNCインターバル回数:%u\n", set.vsyncInterval);
    GxPrintDeviceLog(u"\t・ロック可能なバックバッファ:%u\n", set.lockableBackBuffer ? 1u : 0u);
    GxPrintDeviceLog(u"\t・BackBufferWidth:%u\n", set.backBufferWidth);
    GxPrintDeviceLog(u"\t・BackBufferHeight:%u\n", set.backBufferHeight);
    GxPrintDeviceLog(u"\t・RefreshRate:%u\n", set.refreshRate);
    GxPrintDeviceLog(u"\t・TextureBits:%u\n", set.textureBits);
    GxPrintDeviceLog(u"\t・BackBufferBits:%u\n", set.backBufferBits);
    GxPrintDeviceLog(u"\t・DepthStencilBits:%u\n", set.depthStencilBits);
    GxPrintDeviceLog(u"\t・MultiSampleMode:%u\n", set.multiSampleMode);

    s.screenMode = (s.forceFullScreen && set.screenMode == SCRMODE_WINDOW) ? SCRMODE_FULLSCREEN : set.screenMode;

    GxPrintDeviceLog(u"起動前画面モード\n");
    GxPrintDeviceLog(u"\t・BackBufferWidth:%u\n", s.desktopMode.Width);
    GxPrintDeviceLog(u"\t・BackBufferHeight:%u\n", s.desktopMode.Height);
    GxPrintDeviceLog(u"\t・RefreshRate:%u\n", s.desktopMode.RefreshRate);
    GxPrintDeviceLog(u"\t・BackBufferFormat:%s\n", GetFormatName(s.desktopMode.Format));
    const GxPresentParameters& current = GetPresentParameters(s.screenMode);
    GxPrintDeviceLog(u"起動画面モード\n");
    GxPrintDeviceLog(u"\t・画面モード:%s\n", GetScreenModeName(s.screenMode));
    GxPrintDeviceLog(u"\t・VSYNCインターバル回数:%u\n", set.vsyncInterval);
    GxPrintDeviceLog(u"\t・ロック可能なバックバッファ:%u\n", set.lockableBackBuffer ? 1u : 0u);
    GxPrintDeviceLog(u"\t・BackBufferWidth:%u\n", current.BackBufferWidth);
    GxPrintDeviceLog(u"\t・BackBufferHeight:%u\n", current.BackBufferHeight);
    GxPrintDeviceLog(u"\t・RefreshRate:%u\n", current.FullScreen_RefreshRateInHz);
    GxPrintDeviceLog(u"\t・TextureFormat:%s\n", GetFormatName(s.textureFormat));
    GxPrintDeviceLog(u"\t・BackBufferFormat:%s\n", GetFormatName(current.BackBufferFormat));
    GxPrintDeviceLog(u"\t・RenderTargetFormat:%s\n", GetFormatName(s.renderTargetFormat));
    GxPrintDeviceLog(u"\t・DepthStencilFormat:%s\n", GetFormatName(s.depthStencilFormat));
    GxPrintDeviceLog(u"\t・MultiSampleMode:%u\n", set.multiSampleMode);
    if (s.modeAvailable[SCRMODE_WINDOW])
        GxPrintDeviceLog(u"\t・ウインドウモードで起動が可能です\n");
    else
        GxPrintDeviceLog(u"\t・ウインドウモードではアクセラレーションが効きません(強制的にフルスクリーンモードにします)\n");

    struct Attempt
    {
        GxDeviceType type;
        uint32_t vertexProcessing;
        const char16_t* line;
    };
    static const Attempt kAttempts[] = {
        {GXDEVTYPE_HAL, GXCREATE_MIXED_VERTEXPROCESSING,
         u"\t・Direct3Dを D3DDEVTYPE_HAL - D3DCREATE_MIXED_VERTEXPROCESSING で初期化しました\n"},
        {GXDEVTYPE_HAL, GXCREATE_SOFTWARE_VERTEXPROCESSING,
         u"\t・Direct3Dを D3DDEVTYPE_HAL - D3DCREATE_SOFTWARE_VERTEXPROCESSING で初期化しました\n"},
        {GXDEVTYPE_REF, GXCREATE_MIXED_VERTEXPROCESSING,
         u"\t・Direct3Dを D3DDEVTYPE_REF - D3DCREATE_MIXED_VERTEXPROCESSING で初期化しました\n"},
        {GXDEVTYPE_REF, GXCREATE_SOFTWARE_VERTEXPROCESSING,
         u"\t・Direct3Dを D3DDEVTYPE_REF - D3DCREATE_SOFTWARE_VERTEXPROCESSING で初期化しました\n"},
    };
    GxResult result = GXERR_FAIL;
    for (int i = 0; i < 4; ++i) {
        const Attempt& a = kAttempts[i];
        GxPresentParameters p = current;
        result = s.direct3D->CreateDevice(s.adapter, a.type, window,
                                          a.vertexProcessing | GXCREATE_MULTITHREADED | GXCREATE_FPU_PRESERVE, &p,
                                          &s.device);
        if (GxFailed(result)) continue;
        if (i == 1) {
            s.device->SetSoftwareVertexProcessing(true);
            s.softwareVertexProcessing = true;
        } else if (i >= 2) {
            GxPrintDeviceLog(u"\t注意：このモードでは正常に表示されません\n");
            s.device->SetSoftwareVertexProcessing(true);
            s.referenceDevice = true;
            s.softwareVertexProcessing = true;
        }
        GxPrintDeviceLog(a.line);
        break;
    }
    if (!s.device) {
        GxPrintErrorLog(u"D3D9 CreateDevice Failed(Code:0x%x %s)\n", result, GetD3DErrorString(result));
        GxShowMessageBox(kCannotStart,
                         u"Direct3Dデバイスの作成に失敗しました(Code:0x%x)\n1.最新のDirectX(August "
                         u"2009以降)をインストールして下さい\n2.ビデオカードが推奨環境を満たしているか確認して下さい",
                         result);
        GxSafeRelease(s.direct3D);
        return false;
    }

    GxPrintDeviceLog(u"\t・VRAM残量:%uMByte\n", s.device->GetAvailableTextureMem() >> 20);

    // One render-target stack per target the device can draw to at once, then the default swap
    // chain over the device's own chain, made current, and the initial render state.
    s.currentSwapChain = nullptr;
    s.renderTargetStacks.assign(std::max<uint32_t>(1, s.caps.NumSimultaneousRTs), {});
    GetDefaultSwapChain()->CreateDefaultSwapChain(nullptr);
    SetSwapChain(nullptr, nullptr);
    InitRenderState();
    return true;
}

void GxGraphics::Release()
{
    GxReleaseDefaultMaterial();
    GxGraphicsState& s = State();
    GetDefaultSwapChain()->ReleaseAll();
    s.currentSwapChain = nullptr;
    s.renderTargetStacks.clear();
    if (int32_t n = GxGetTextureFactory().GetCount(); n != 0)
        GxPrintSlightErrorLog(u"Warning/GxTextureFactory is not Released(count=%d)\n", n);
    if (int32_t n = GxGetTextureFlexFactory().GetCount(); n != 0)
        GxPrintSlightErrorLog(u"Warning/GxTextureFlexFactory is not Released(count=%d)\n", n);
    if (int32_t n = GxGetShaderFactory().GetCount(); n != 0)
        GxPrintSlightErrorLog(u"Warning/GxShaderFactory is not Released(count=%d)\n", n);
    GxGetTextureFactory().ReleaseAll();
    GxGetTextureFlexFactory().ReleaseAll();
    GxGetShaderFactory().ReleaseAll();
    GxSafeRelease(s.device);
    GxSafeRelease(s.direct3D);
}
