// Value types of the graphics device: results, formats, pools, states, present parameters,
// display modes, capabilities. The numeric values are the ones the engine's messages and stored
// data use (result codes are printed in hexadecimal, formats are stored in picture sets), so they
// keep the values of the Direct3D 9 interface the engine was designed against.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// ---- Results ----------------------------------------------------------------------------------

using GxResult = int32_t;

constexpr GxResult GxMakeDeviceResult(uint32_t code) { return static_cast<GxResult>(0x88760000u | code); }
constexpr bool GxSucceeded(GxResult r) { return r >= 0; }
constexpr bool GxFailed(GxResult r) { return r < 0; }

constexpr GxResult GX_OK = 0;
constexpr GxResult GXERR_NOTIMPL = static_cast<GxResult>(0x80004001u);
constexpr GxResult GXERR_NOINTERFACE = static_cast<GxResult>(0x80004002u);
constexpr GxResult GXERR_FAIL = static_cast<GxResult>(0x80004005u);
constexpr GxResult GXERR_OUTOFMEMORY = static_cast<GxResult>(0x8007000Eu);
constexpr GxResult GXERR_INVALIDARG = static_cast<GxResult>(0x80070057u);

constexpr GxResult GXERR_OUTOFVIDEOMEMORY = GxMakeDeviceResult(380);
constexpr GxResult GXERR_WASSTILLDRAWING = GxMakeDeviceResult(540);
constexpr GxResult GXERR_WRONGTEXTUREFORMAT = GxMakeDeviceResult(2072);
constexpr GxResult GXERR_UNSUPPORTEDCOLOROPERATION = GxMakeDeviceResult(2073);
constexpr GxResult GXERR_UNSUPPORTEDCOLORARG = GxMakeDeviceResult(2074);
constexpr GxResult GXERR_UNSUPPORTEDALPHAOPERATION = GxMakeDeviceResult(2075);
constexpr GxResult GXERR_UNSUPPORTEDALPHAARG = GxMakeDeviceResult(2076);
constexpr GxResult GXERR_TOOMANYOPERATIONS = GxMakeDeviceResult(2077);
constexpr GxResult GXERR_CONFLICTINGTEXTUREFILTER = GxMakeDeviceResult(2078);
constexpr GxResult GXERR_UNSUPPORTEDFACTORVALUE = GxMakeDeviceResult(2079);
constexpr GxResult GXERR_CONFLICTINGRENDERSTATE = GxMakeDeviceResult(2081);
constexpr GxResult GXERR_UNSUPPORTEDTEXTUREFILTER = GxMakeDeviceResult(2082);
constexpr GxResult GXERR_CONFLICTINGTEXTUREPALETTE = GxMakeDeviceResult(2086);
constexpr GxResult GXERR_DRIVERINTERNALERROR = GxMakeDeviceResult(2087);
constexpr GxResult GXERR_NOTFOUND = GxMakeDeviceResult(2150);
constexpr GxResult GXERR_MOREDATA = GxMakeDeviceResult(2151);
constexpr GxResult GXERR_DEVICELOST = GxMakeDeviceResult(2152);
constexpr GxResult GXERR_DEVICENOTRESET = GxMakeDeviceResult(2153);
constexpr GxResult GXERR_NOTAVAILABLE = GxMakeDeviceResult(2154);
constexpr GxResult GXERR_INVALIDDEVICE = GxMakeDeviceResult(2155);
constexpr GxResult GXERR_INVALIDCALL = GxMakeDeviceResult(2156);
// Results of the picture and mesh helpers.
constexpr GxResult GXERR_CANNOTMODIFYINDEXBUFFER = GxMakeDeviceResult(2900);
constexpr GxResult GXERR_INVALIDMESH = GxMakeDeviceResult(2901);
constexpr GxResult GXERR_CANNOTATTRSORT = GxMakeDeviceResult(2902);
constexpr GxResult GXERR_SKINNINGNOTSUPPORTED = GxMakeDeviceResult(2903);
constexpr GxResult GXERR_TOOMANYINFLUENCES = GxMakeDeviceResult(2904);
constexpr GxResult GXERR_INVALIDDATA = GxMakeDeviceResult(2905);
constexpr GxResult GXERR_LOADEDMESHHASNODATA = GxMakeDeviceResult(2906);
constexpr GxResult GXERR_DUPLICATENAMEDFRAGMENT = GxMakeDeviceResult(2907);
constexpr GxResult GXERR_CANNOTREMOVELASTITEM = GxMakeDeviceResult(2908);

// The interface version the engine asks for when it creates the device object.
constexpr uint32_t GX_DEVICE_SDK_VERSION = 0x80000020u;

// ---- Formats and pools ------------------------------------------------------------------------

constexpr uint32_t GxMakeFourCC(char a, char b, char c, char d)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) | (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}

enum GxFormat : uint32_t {
    GXFMT_UNKNOWN = 0,
    GXFMT_R8G8B8 = 20,
    GXFMT_A8R8G8B8 = 21,
    GXFMT_X8R8G8B8 = 22,
    GXFMT_R5G6B5 = 23,
    GXFMT_X1R5G5B5 = 24,
    GXFMT_A1R5G5B5 = 25,
    GXFMT_A4R4G4B4 = 26,
    GXFMT_R3G3B2 = 27,
    GXFMT_A8 = 28,
    GXFMT_A8R3G3B2 = 29,
    GXFMT_X4R4G4B4 = 30,
    GXFMT_A2B10G10R10 = 31,
    GXFMT_A8B8G8R8 = 32,
    GXFMT_X8B8G8R8 = 33,
    GXFMT_G16R16 = 34,
    GXFMT_A2R10G10B10 = 35,
    GXFMT_A16B16G16R16 = 36,
    GXFMT_A8P8 = 40,
    GXFMT_P8 = 41,
    GXFMT_L8 = 50,
    GXFMT_A8L8 = 51,
    GXFMT_A4L4 = 52,
    GXFMT_V8U8 = 60,
    GXFMT_L6V5U5 = 61,
    GXFMT_X8L8V8U8 = 62,
    GXFMT_Q8W8V8U8 = 63,
    GXFMT_V16U16 = 64,
    GXFMT_A2W10V10U10 = 67,
    GXFMT_D16_LOCKABLE = 70,
    GXFMT_D32 = 71,
    GXFMT_D15S1 = 73,
    GXFMT_D24S8 = 75,
    GXFMT_D24X8 = 77,
    GXFMT_D24X4S4 = 79,
    GXFMT_D16 = 80,
    GXFMT_L16 = 81,
    GXFMT_D32F_LOCKABLE = 82,
    GXFMT_D24FS8 = 83,
    GXFMT_VERTEXDATA = 100,
    GXFMT_INDEX16 = 101,
    GXFMT_INDEX32 = 102,
    GXFMT_Q16W16V16U16 = 110,
    GXFMT_R16F = 111,
    GXFMT_G16R16F = 112,
    GXFMT_A16B16G16R16F = 113,
    GXFMT_R32F = 114,
    GXFMT_G32R32F = 115,
    GXFMT_A32B32G32R32F = 116,
    GXFMT_CxV8U8 = 117,
    GXFMT_UYVY = GxMakeFourCC('U', 'Y', 'V', 'Y'),
    GXFMT_R8G8_B8G8 = GxMakeFourCC('R', 'G', 'B', 'G'),
    GXFMT_YUY2 = GxMakeFourCC('Y', 'U', 'Y', '2'),
    GXFMT_G8R8_G8B8 = GxMakeFourCC('G', 'R', 'G', 'B'),
    GXFMT_DXT1 = GxMakeFourCC('D', 'X', 'T', '1'),
    GXFMT_DXT2 = GxMakeFourCC('D', 'X', 'T', '2'),
    GXFMT_DXT3 = GxMakeFourCC('D', 'X', 'T', '3'),
    GXFMT_DXT4 = GxMakeFourCC('D', 'X', 'T', '4'),
    GXFMT_DXT5 = GxMakeFourCC('D', 'X', 'T', '5'),
};

// Bytes per pixel of the formats the device stores (0 for the others).
constexpr uint32_t GxFormatBytesPerPixel(GxFormat f)
{
    switch (f) {
    case GXFMT_A8R8G8B8: case GXFMT_X8R8G8B8: case GXFMT_D24S8: case GXFMT_D24X8: return 4;
    case GXFMT_A4R4G4B4: case GXFMT_X4R4G4B4: return 2;
    case GXFMT_A8: case GXFMT_L8: return 1;
    default: return 0;
    }
}

// One pixel of a stored format as 0xAARRGGBB: four-bit channels n become n x 17, formats
// without alpha read as opaque, L8 is grey.
inline uint32_t GxPixelToArgb(GxFormat f, const void* pixel)
{
    const auto* p = static_cast<const uint8_t*>(pixel);
    switch (f) {
    case GXFMT_A8R8G8B8:
    case GXFMT_X8R8G8B8: {
        uint32_t v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                     (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
        return f == GXFMT_X8R8G8B8 ? (v | 0xFF000000u) : v;
    }
    case GXFMT_A4R4G4B4:
    case GXFMT_X4R4G4B4: {
        uint32_t v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8);
        uint32_t argb = (((v >> 12) & 0xF) * 0x11u) << 24 | (((v >> 8) & 0xF) * 0x11u) << 16 |
                        (((v >> 4) & 0xF) * 0x11u) << 8 | ((v & 0xF) * 0x11u);
        return f == GXFMT_X4R4G4B4 ? (argb | 0xFF000000u) : argb;
    }
    case GXFMT_A8: return static_cast<uint32_t>(p[0]) << 24;
    case GXFMT_L8: return 0xFF000000u | static_cast<uint32_t>(p[0]) * 0x010101u;
    default: return 0;
    }
}

// 0xAARRGGBB stored in a format: the top four bits of each channel for the 16-bit formats,
// the alpha for A8, the luminance (0.299 R + 0.587 G + 0.114 B, rounded) for L8.
inline void GxArgbToPixel(GxFormat f, uint32_t argb, void* pixel)
{
    auto* p = static_cast<uint8_t*>(pixel);
    switch (f) {
    case GXFMT_A8R8G8B8:
    case GXFMT_X8R8G8B8:
        p[0] = static_cast<uint8_t>(argb);
        p[1] = static_cast<uint8_t>(argb >> 8);
        p[2] = static_cast<uint8_t>(argb >> 16);
        p[3] = static_cast<uint8_t>(argb >> 24);
        break;
    case GXFMT_A4R4G4B4:
    case GXFMT_X4R4G4B4: {
        uint32_t v = ((argb >> 16) & 0xF000) | ((argb >> 12) & 0x0F00) | ((argb >> 8) & 0x00F0) | ((argb >> 4) & 0x000F);
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        break;
    }
    case GXFMT_A8: p[0] = static_cast<uint8_t>(argb >> 24); break;
    case GXFMT_L8: {
        uint32_t r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
        p[0] = static_cast<uint8_t>((r * 299 + g * 587 + b * 114 + 500) / 1000);
        break;
    }
    default: break;
    }
}
constexpr bool GxIsDepthFormat(GxFormat f)
{
    return f == GXFMT_D16_LOCKABLE || f == GXFMT_D32 || f == GXFMT_D15S1 || f == GXFMT_D24S8 || f == GXFMT_D24X8 ||
           f == GXFMT_D24X4S4 || f == GXFMT_D16 || f == GXFMT_D32F_LOCKABLE || f == GXFMT_D24FS8;
}

enum GxPool : uint32_t { GXPOOL_DEFAULT = 0, GXPOOL_MANAGED = 1, GXPOOL_SYSTEMMEM = 2, GXPOOL_SCRATCH = 3 };

enum GxResourceType : uint32_t {
    GXRTYPE_SURFACE = 1,
    GXRTYPE_VOLUME = 2,
    GXRTYPE_TEXTURE = 3,
    GXRTYPE_VOLUMETEXTURE = 4,
    GXRTYPE_CUBETEXTURE = 5,
    GXRTYPE_VERTEXBUFFER = 6,
    GXRTYPE_INDEXBUFFER = 7,
};

// Usage bits.
constexpr uint32_t GXUSAGE_RENDERTARGET = 0x1;
constexpr uint32_t GXUSAGE_DEPTHSTENCIL = 0x2;
constexpr uint32_t GXUSAGE_DYNAMIC = 0x200;
constexpr uint32_t GXUSAGE_AUTOGENMIPMAP = 0x400;

// Lock flags.
constexpr uint32_t GXLOCK_READONLY = 0x10;
constexpr uint32_t GXLOCK_DISCARD = 0x2000;
constexpr uint32_t GXLOCK_NOSYSLOCK = 0x800;

// ---- Device creation -------------------------------------------------------------------------

enum GxDeviceType : uint32_t { GXDEVTYPE_HAL = 1, GXDEVTYPE_REF = 2, GXDEVTYPE_SW = 3, GXDEVTYPE_NULLREF = 4 };

constexpr uint32_t GXCREATE_FPU_PRESERVE = 0x2;
constexpr uint32_t GXCREATE_MULTITHREADED = 0x4;
constexpr uint32_t GXCREATE_PUREDEVICE = 0x10;
constexpr uint32_t GXCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
constexpr uint32_t GXCREATE_HARDWARE_VERTEXPROCESSING = 0x40;
constexpr uint32_t GXCREATE_MIXED_VERTEXPROCESSING = 0x80;

enum GxSwapEffect : uint32_t { GXSWAPEFFECT_DISCARD = 1, GXSWAPEFFECT_FLIP = 2, GXSWAPEFFECT_COPY = 3 };

constexpr uint32_t GXPRESENT_INTERVAL_DEFAULT = 0x0;
constexpr uint32_t GXPRESENT_INTERVAL_ONE = 0x1;
constexpr uint32_t GXPRESENT_INTERVAL_TWO = 0x2;
constexpr uint32_t GXPRESENT_INTERVAL_THREE = 0x4;
constexpr uint32_t GXPRESENT_INTERVAL_FOUR = 0x8;
constexpr uint32_t GXPRESENT_INTERVAL_IMMEDIATE = 0x80000000u;

constexpr uint32_t GXPRESENTFLAG_LOCKABLE_BACKBUFFER = 0x1;

// Multisample types 0 (none), 1 (non-maskable) and 2..16 samples.
using GxMultiSampleType = uint32_t;
constexpr GxMultiSampleType GXMULTISAMPLE_NONE = 0;
constexpr GxMultiSampleType GXMULTISAMPLE_NONMASKABLE = 1;
constexpr GxMultiSampleType GXMULTISAMPLE_MAX = 16;

// The fourteen fields of the presentation description, in their usual order.
struct GxPresentParameters
{
    uint32_t BackBufferWidth = 0;
    uint32_t BackBufferHeight = 0;
    GxFormat BackBufferFormat = GXFMT_UNKNOWN;
    uint32_t BackBufferCount = 0;
    GxMultiSampleType MultiSampleType = GXMULTISAMPLE_NONE;
    uint32_t MultiSampleQuality = 0;
    uint32_t SwapEffect = 0;
    void* hDeviceWindow = nullptr;  // the native window (an SDL window), none when headless
    int32_t Windowed = 0;
    int32_t EnableAutoDepthStencil = 0;
    GxFormat AutoDepthStencilFormat = GXFMT_UNKNOWN;
    uint32_t Flags = 0;
    uint32_t FullScreen_RefreshRateInHz = 0;
    uint32_t PresentationInterval = 0;

    bool operator==(const GxPresentParameters&) const = default;
};

struct GxDisplayMode
{
    uint32_t Width = 0;
    uint32_t Height = 0;
    uint32_t RefreshRate = 0;
    GxFormat Format = GXFMT_UNKNOWN;

    bool operator==(const GxDisplayMode&) const = default;
};

// The adapter's names are narrow text in the ANSI code page.
struct GxAdapterIdentifier
{
    std::string Driver;
    std::string Description;
    std::string DeviceName;
    uint64_t DriverVersion = 0;  // four 16-bit parts, the most significant first
    uint32_t VendorId = 0;
    uint32_t DeviceId = 0;
    uint32_t SubSysId = 0;
    uint32_t Revision = 0;
};

// ---- Capabilities ----------------------------------------------------------------------------

// DevCaps
constexpr uint32_t GXDEVCAPS_DRAWPRIMTLVERTEX = 0x400;
constexpr uint32_t GXDEVCAPS_CANRENDERAFTERFLIP = 0x800;
constexpr uint32_t GXDEVCAPS_HWTRANSFORMANDLIGHT = 0x10000;
constexpr uint32_t GXDEVCAPS_HWRASTERIZATION = 0x80000;
constexpr uint32_t GXDEVCAPS_PUREDEVICE = 0x100000;
// RasterCaps
constexpr uint32_t GXPRASTERCAPS_DITHER = 0x1;
constexpr uint32_t GXPRASTERCAPS_ZTEST = 0x10;
constexpr uint32_t GXPRASTERCAPS_ANISOTROPY = 0x20000;
constexpr uint32_t GXPRASTERCAPS_WBUFFER = 0x40000;
constexpr uint32_t GXPRASTERCAPS_SCISSORTEST = 0x1000000;
constexpr uint32_t GXPRASTERCAPS_SLOPESCALEDEPTHBIAS = 0x2000000;
constexpr uint32_t GXPRASTERCAPS_DEPTHBIAS = 0x4000000;
// Caps2
constexpr uint32_t GXCAPS2_DYNAMICTEXTURES = 0x20000000;
constexpr uint32_t GXCAPS2_CANAUTOGENMIPMAP = 0x40000000;
// Caps3
constexpr uint32_t GXCAPS3_ALPHA_FULLSCREEN_FLIP_OR_DISCARD = 0x20;
constexpr uint32_t GXCAPS3_COPY_TO_VIDMEM = 0x100;
constexpr uint32_t GXCAPS3_COPY_TO_SYSTEMMEM = 0x200;
// TextureCaps
constexpr uint32_t GXPTEXTURECAPS_PERSPECTIVE = 0x1;
constexpr uint32_t GXPTEXTURECAPS_POW2 = 0x2;
constexpr uint32_t GXPTEXTURECAPS_ALPHA = 0x4;
constexpr uint32_t GXPTEXTURECAPS_SQUAREONLY = 0x20;
constexpr uint32_t GXPTEXTURECAPS_NONPOW2CONDITIONAL = 0x100;
constexpr uint32_t GXPTEXTURECAPS_CUBEMAP = 0x800;
constexpr uint32_t GXPTEXTURECAPS_MIPMAP = 0x4000;
// Filter caps (texture filters and StretchRect)
constexpr uint32_t GXPTFILTERCAPS_MINFPOINT = 0x100;
constexpr uint32_t GXPTFILTERCAPS_MINFLINEAR = 0x200;
constexpr uint32_t GXPTFILTERCAPS_MINFANISOTROPIC = 0x400;
constexpr uint32_t GXPTFILTERCAPS_MIPFPOINT = 0x10000;
constexpr uint32_t GXPTFILTERCAPS_MIPFLINEAR = 0x20000;
constexpr uint32_t GXPTFILTERCAPS_MAGFPOINT = 0x1000000;
constexpr uint32_t GXPTFILTERCAPS_MAGFLINEAR = 0x2000000;
constexpr uint32_t GXPTFILTERCAPS_MAGFANISOTROPIC = 0x4000000;
// TextureOpCaps
constexpr uint32_t GXTEXOPCAPS_DISABLE = 0x1;
constexpr uint32_t GXTEXOPCAPS_SELECTARG1 = 0x2;
constexpr uint32_t GXTEXOPCAPS_SELECTARG2 = 0x4;
constexpr uint32_t GXTEXOPCAPS_MODULATE = 0x8;
constexpr uint32_t GXTEXOPCAPS_MODULATE2X = 0x10;
constexpr uint32_t GXTEXOPCAPS_MODULATE4X = 0x20;
constexpr uint32_t GXTEXOPCAPS_ADD = 0x40;
constexpr uint32_t GXTEXOPCAPS_ADDSIGNED = 0x80;
constexpr uint32_t GXTEXOPCAPS_ADDSIGNED2X = 0x100;
constexpr uint32_t GXTEXOPCAPS_SUBTRACT = 0x200;
constexpr uint32_t GXTEXOPCAPS_ADDSMOOTH = 0x400;
constexpr uint32_t GXTEXOPCAPS_BLENDDIFFUSEALPHA = 0x800;
constexpr uint32_t GXTEXOPCAPS_BLENDTEXTUREALPHA = 0x1000;
constexpr uint32_t GXTEXOPCAPS_BLENDFACTORALPHA = 0x2000;
constexpr uint32_t GXTEXOPCAPS_BLENDTEXTUREALPHAPM = 0x4000;
constexpr uint32_t GXTEXOPCAPS_BLENDCURRENTALPHA = 0x8000;
constexpr uint32_t GXTEXOPCAPS_PREMODULATE = 0x10000;
constexpr uint32_t GXTEXOPCAPS_MODULATEALPHA_ADDCOLOR = 0x20000;
constexpr uint32_t GXTEXOPCAPS_MODULATECOLOR_ADDALPHA = 0x40000;
constexpr uint32_t GXTEXOPCAPS_MODULATEINVALPHA_ADDCOLOR = 0x80000;
constexpr uint32_t GXTEXOPCAPS_MODULATEINVCOLOR_ADDALPHA = 0x100000;
constexpr uint32_t GXTEXOPCAPS_BUMPENVMAP = 0x200000;
constexpr uint32_t GXTEXOPCAPS_BUMPENVMAPLUMINANCE = 0x400000;
constexpr uint32_t GXTEXOPCAPS_DOTPRODUCT3 = 0x800000;
constexpr uint32_t GXTEXOPCAPS_MULTIPLYADD = 0x1000000;
constexpr uint32_t GXTEXOPCAPS_LERP = 0x2000000;

constexpr uint32_t GxVertexShaderVersion(uint32_t major, uint32_t minor) { return 0xFFFE0000u | (major << 8) | minor; }
constexpr uint32_t GxPixelShaderVersion(uint32_t major, uint32_t minor) { return 0xFFFF0000u | (major << 8) | minor; }
constexpr uint32_t GxShaderVersionMajor(uint32_t v) { return (v >> 8) & 0xFF; }
constexpr uint32_t GxShaderVersionMinor(uint32_t v) { return v & 0xFF; }

// The capability words and limits the engine reads.
struct GxDeviceCaps
{
    GxDeviceType DeviceType = GXDEVTYPE_HAL;
    uint32_t AdapterOrdinal = 0;
    uint32_t Caps = 0;
    uint32_t Caps2 = 0;
    uint32_t Caps3 = 0;
    uint32_t PresentationIntervals = 0;
    uint32_t DevCaps = 0;
    uint32_t RasterCaps = 0;
    uint32_t ZCmpCaps = 0;
    uint32_t SrcBlendCaps = 0;
    uint32_t DestBlendCaps = 0;
    uint32_t AlphaCmpCaps = 0;
    uint32_t ShadeCaps = 0;
    uint32_t TextureCaps = 0;
    uint32_t TextureFilterCaps = 0;
    uint32_t TextureOpCaps = 0;
    uint32_t MaxTextureWidth = 0;
    uint32_t MaxTextureHeight = 0;
    uint32_t MaxTextureRepeat = 0;
    uint32_t MaxTextureAspectRatio = 0;
    uint32_t MaxAnisotropy = 0;
    float MaxVertexW = 0;
    float GuardBandLeft = 0;
    float GuardBandTop = 0;
    float GuardBandRight = 0;
    float GuardBandBottom = 0;
    uint32_t MaxTextureBlendStages = 0;
    uint32_t MaxSimultaneousTextures = 0;
    uint32_t MaxActiveLights = 0;
    uint32_t MaxVertexBlendMatrices = 0;
    uint32_t MaxVertexBlendMatrixIndex = 0;
    float MaxPointSize = 0;
    uint32_t MaxPrimitiveCount = 0;
    uint32_t MaxVertexIndex = 0;
    uint32_t MaxStreams = 0;
    uint32_t MaxStreamStride = 0;
    uint32_t VertexShaderVersion = 0;
    uint32_t MaxVertexShaderConst = 0;
    uint32_t PixelShaderVersion = 0;
    float PixelShader1xMaxValue = 0;
    uint32_t NumSimultaneousRTs = 0;
    uint32_t StretchRectFilterCaps = 0;
    int32_t VS20DynamicFlowControlDepth = 0;
    int32_t VS20StaticFlowControlDepth = 0;
    uint32_t MaxVShaderInstructionsExecuted = 0;
    uint32_t MaxPShaderInstructionsExecuted = 0;
};

// ---- Drawing state ----------------------------------------------------------------------------

// Rectangles are (left, top, right, bottom) in pixels.
struct GxRectL
{
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool operator==(const GxRectL&) const = default;
};

struct GxViewport
{
    uint32_t X = 0;
    uint32_t Y = 0;
    uint32_t Width = 0;
    uint32_t Height = 0;
    float MinZ = 0.0f;
    float MaxZ = 1.0f;

    bool operator==(const GxViewport&) const = default;
};

// Packed 0xAARRGGBB colour.
using GxColor = uint32_t;

constexpr uint32_t GXCLEAR_TARGET = 0x1;
constexpr uint32_t GXCLEAR_ZBUFFER = 0x2;
constexpr uint32_t GXCLEAR_STENCIL = 0x4;

// Render-state types (0 to 209 are valid indices of the state tables).
enum GxRenderStateType : uint32_t {
    GXRS_ZENABLE = 7,
    GXRS_FILLMODE = 8,
    GXRS_SHADEMODE = 9,
    GXRS_ZWRITEENABLE = 14,
    GXRS_ALPHATESTENABLE = 15,
    GXRS_LASTPIXEL = 16,
    GXRS_SRCBLEND = 19,
    GXRS_DESTBLEND = 20,
    GXRS_CULLMODE = 22,
    GXRS_ZFUNC = 23,
    GXRS_ALPHAREF = 24,
    GXRS_ALPHAFUNC = 25,
    GXRS_DITHERENABLE = 26,
    GXRS_ALPHABLENDENABLE = 27,
    GXRS_FOGENABLE = 28,
    GXRS_SPECULARENABLE = 29,
    GXRS_FOGCOLOR = 34,
    GXRS_STENCILENABLE = 52,
    GXRS_TEXTUREFACTOR = 60,
    GXRS_LIGHTING = 137,
    GXRS_AMBIENT = 139,
    GXRS_COLORVERTEX = 141,
    GXRS_NORMALIZENORMALS = 143,
    GXRS_DIFFUSEMATERIALSOURCE = 145,
    GXRS_SPECULARMATERIALSOURCE = 146,
    GXRS_AMBIENTMATERIALSOURCE = 147,
    GXRS_EMISSIVEMATERIALSOURCE = 148,
    GXRS_MULTISAMPLEANTIALIAS = 161,
    GXRS_MULTISAMPLEMASK = 162,
    GXRS_COLORWRITEENABLE = 168,
    GXRS_BLENDOP = 171,
    GXRS_SCISSORTESTENABLE = 174,
    GXRS_BLENDFACTOR = 193,
    GXRS_SEPARATEALPHABLENDENABLE = 206,
    GXRS_SRCBLENDALPHA = 207,
    GXRS_DESTBLENDALPHA = 208,
    GXRS_BLENDOPALPHA = 209,
};
constexpr uint32_t GX_RENDERSTATE_COUNT = 210;

enum GxTextureStageStateType : uint32_t {
    GXTSS_COLOROP = 1,
    GXTSS_COLORARG1 = 2,
    GXTSS_COLORARG2 = 3,
    GXTSS_ALPHAOP = 4,
    GXTSS_ALPHAARG1 = 5,
    GXTSS_ALPHAARG2 = 6,
    GXTSS_TEXCOORDINDEX = 11,
    GXTSS_TEXTURETRANSFORMFLAGS = 24,
    GXTSS_COLORARG0 = 26,
    GXTSS_ALPHAARG0 = 27,
    GXTSS_RESULTARG = 28,
    GXTSS_CONSTANT = 32,
};
constexpr uint32_t GX_TEXTURESTAGE_COUNT = 8;
constexpr uint32_t GX_TEXTURESTAGESTATE_COUNT = 33;

enum GxSamplerStateType : uint32_t {
    GXSAMP_ADDRESSU = 1,
    GXSAMP_ADDRESSV = 2,
    GXSAMP_ADDRESSW = 3,
    GXSAMP_BORDERCOLOR = 4,
    GXSAMP_MAGFILTER = 5,
    GXSAMP_MINFILTER = 6,
    GXSAMP_MIPFILTER = 7,
    GXSAMP_MIPMAPLODBIAS = 8,
    GXSAMP_MAXMIPLEVEL = 9,
    GXSAMP_MAXANISOTROPY = 10,
};
constexpr uint32_t GX_SAMPLER_COUNT = 16;
constexpr uint32_t GX_SAMPLERSTATE_COUNT = 14;

// Texture-stage operations and arguments.
enum GxTextureOp : uint32_t {
    GXTOP_DISABLE = 1,
    GXTOP_SELECTARG1 = 2,
    GXTOP_SELECTARG2 = 3,
    GXTOP_MODULATE = 4,
    GXTOP_MODULATE2X = 5,
    GXTOP_MODULATE4X = 6,
    GXTOP_ADD = 7,
    GXTOP_ADDSIGNED = 8,
    GXTOP_ADDSIGNED2X = 9,
    GXTOP_SUBTRACT = 10,
};
constexpr uint32_t GXTA_DIFFUSE = 0;
constexpr uint32_t GXTA_CURRENT = 1;
constexpr uint32_t GXTA_TEXTURE = 2;
constexpr uint32_t GXTA_TFACTOR = 3;
constexpr uint32_t GXTA_SPECULAR = 4;

enum GxBlend : uint32_t {
    GXBLEND_ZERO = 1,
    GXBLEND_ONE = 2,
    GXBLEND_SRCCOLOR = 3,
    GXBLEND_INVSRCCOLOR = 4,
    GXBLEND_SRCALPHA = 5,
    GXBLEND_INVSRCALPHA = 6,
    GXBLEND_DESTALPHA = 7,
    GXBLEND_INVDESTALPHA = 8,
    GXBLEND_DESTCOLOR = 9,
    GXBLEND_INVDESTCOLOR = 10,
    GXBLEND_SRCALPHASAT = 11,
    GXBLEND_BLENDFACTOR = 14,
    GXBLEND_INVBLENDFACTOR = 15,
};
enum GxBlendOp : uint32_t {
    GXBLENDOP_ADD = 1,
    GXBLENDOP_SUBTRACT = 2,
    GXBLENDOP_REVSUBTRACT = 3,
    GXBLENDOP_MIN = 4,
    GXBLENDOP_MAX = 5,
};
enum GxCmpFunc : uint32_t {
    GXCMP_NEVER = 1,
    GXCMP_LESS = 2,
    GXCMP_EQUAL = 3,
    GXCMP_LESSEQUAL = 4,
    GXCMP_GREATER = 5,
    GXCMP_NOTEQUAL = 6,
    GXCMP_GREATEREQUAL = 7,
    GXCMP_ALWAYS = 8,
};
enum GxCull : uint32_t { GXCULL_NONE = 1, GXCULL_CW = 2, GXCULL_CCW = 3 };
enum GxFillMode : uint32_t { GXFILL_POINT = 1, GXFILL_WIREFRAME = 2, GXFILL_SOLID = 3 };
enum GxShadeMode : uint32_t { GXSHADE_FLAT = 1, GXSHADE_GOURAUD = 2 };
enum GxTextureFilter : uint32_t {
    GXTEXF_NONE = 0,
    GXTEXF_POINT = 1,
    GXTEXF_LINEAR = 2,
    GXTEXF_ANISOTROPIC = 3,
};
enum GxTextureAddress : uint32_t { GXTADDRESS_WRAP = 1, GXTADDRESS_MIRROR = 2, GXTADDRESS_CLAMP = 3 };
enum GxMaterialColorSource : uint32_t { GXMCS_MATERIAL = 0, GXMCS_COLOR1 = 1, GXMCS_COLOR2 = 2 };

enum GxPrimitiveType : uint32_t {
    GXPT_POINTLIST = 1,
    GXPT_LINELIST = 2,
    GXPT_LINESTRIP = 3,
    GXPT_TRIANGLELIST = 4,
    GXPT_TRIANGLESTRIP = 5,
    GXPT_TRIANGLEFAN = 6,
};

// Vertex format bits. The engine draws one format only: pre-transformed, diffuse, specular and
// one texture coordinate pair (0x1C4), 32 bytes per vertex.
constexpr uint32_t GXFVF_XYZRHW = 0x004;
constexpr uint32_t GXFVF_DIFFUSE = 0x040;
constexpr uint32_t GXFVF_SPECULAR = 0x080;
constexpr uint32_t GXFVF_TEX1 = 0x100;
constexpr uint32_t GXFVF_SCREENVERTEX = GXFVF_XYZRHW | GXFVF_DIFFUSE | GXFVF_SPECULAR | GXFVF_TEX1;

struct GxScreenVertex
{
    float x, y, z, rhw;
    uint32_t diffuse;
    uint32_t specular;
    float u, v;
};
static_assert(sizeof(GxScreenVertex) == 32, "the screen vertex is 32 bytes");

struct GxColorValue
{
    float r = 0, g = 0, b = 0, a = 0;
    bool operator==(const GxColorValue&) const = default;
};
struct GxVector3f
{
    float x = 0, y = 0, z = 0;
    bool operator==(const GxVector3f&) const = default;
};

enum GxLightType : uint32_t { GXLIGHT_POINT = 1, GXLIGHT_SPOT = 2, GXLIGHT_DIRECTIONAL = 3 };

struct GxLight
{
    GxLightType Type = GXLIGHT_DIRECTIONAL;
    GxColorValue Diffuse;
    GxColorValue Specular;
    GxColorValue Ambient;
    GxVector3f Position;
    GxVector3f Direction;
    float Range = 0;
    float Falloff = 0;
    float Attenuation0 = 0;
    float Attenuation1 = 0;
    float Attenuation2 = 0;
    float Theta = 0;
    float Phi = 0;
    bool operator==(const GxLight&) const = default;
};

// ---- Resources --------------------------------------------------------------------------------

struct GxSurfaceDesc
{
    GxFormat Format = GXFMT_UNKNOWN;
    GxResourceType Type = GXRTYPE_SURFACE;
    uint32_t Usage = 0;
    GxPool Pool = GXPOOL_DEFAULT;
    GxMultiSampleType MultiSampleType = GXMULTISAMPLE_NONE;
    uint32_t MultiSampleQuality = 0;
    uint32_t Width = 0;
    uint32_t Height = 0;
};

struct GxLockedRect
{
    int32_t Pitch = 0;
    void* pBits = nullptr;
};

// A CPU picture read back from the device: 0xAARRGGBB words, top row first.
struct GxPixelImage
{
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(uint32_t x, uint32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
