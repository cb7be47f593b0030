// GxGraphics's capability report: what the device says it can do, kept in the caps and written
// to the device log, the multisample types it offers, and the caps assumed when it says nothing.
#include <algorithm>
#include <iterator>

#include "core/GxLog.h"
#include "graphics/GxGraphics.h"

namespace {

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
