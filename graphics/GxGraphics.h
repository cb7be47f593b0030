// GxGraphics: the graphics layer over the one device of the program. A static class: its state
// lives in one global record (GxGraphics::State) that every drawing part reads through the
// operations. This file covers the device's creation (adapter and mode search, resource formats,
// the capability report in "device.log", the device-type fallbacks), the screen modes with their
// present parameters, the error and format texts, and the release at shutdown.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/GxMath.h"
#include "platform/GxDevice.h"
#include "platform/GxWindowServices.h"

enum GxScreenMode : int32_t {
    SCRMODE_WINDOW = 0,
    SCRMODE_WINDOWSIZE = 1,
    SCRMODE_FULLSCREEN = 2,
    SCRMODE_FULLSCREENX2 = 3,
    SCRMODE_FULL320X240 = 4,
    SCRMODE_FULL640X480 = 5,
    SCRMODE_FULL800X600 = 6,
    SCRMODE_FULL1024X576 = 7,
    SCRMODE_FULL1024X768 = 8,
    SCRMODE_FULL1280X720 = 9,
    SCRMODE_FULL1280X800 = 10,
    SCRMODE_FULL1280X960 = 11,
    SCRMODE_FULL1280X1024 = 12,
    SCRMODE_FULL1920X1080 = 13,
    SCRMODE_MAX = 14,
};
// Present parameters are kept for the 14 modes and one spare; only modes 0 to 3 are ever filled.
constexpr int GX_PRESENT_PARAMETER_SLOTS = 15;

// Told before and after every device reset, with the new and the old screen mode.
class GxGraphicsResetListener
{
public:
    virtual ~GxGraphicsResetListener() = default;
    virtual void OnBeforeReset(int32_t newMode, int32_t oldMode) = 0;
    virtual void OnAfterReset(int32_t newMode, int32_t oldMode) = 0;
};
using GxGraphicsResetCallback = bool (*)(int32_t newMode, int32_t oldMode);

// The texture operations of the capability record, in their report order.
enum GxTexOpFlag : int {
    GXTEXOPFLAG_ADD, GXTEXOPFLAG_ADDSIGNED, GXTEXOPFLAG_ADDSIGNED2X, GXTEXOPFLAG_ADDSMOOTH,
    GXTEXOPFLAG_BLENDCURRENTALPHA, GXTEXOPFLAG_BLENDDIFFUSEALPHA, GXTEXOPFLAG_BLENDFACTORALPHA,
    GXTEXOPFLAG_BLENDTEXTUREALPHA, GXTEXOPFLAG_BLENDTEXTUREALPHAPM, GXTEXOPFLAG_BUMPENVMAP,
    GXTEXOPFLAG_BUMPENVMAPLUMINANCE, GXTEXOPFLAG_DISABLE, GXTEXOPFLAG_DOTPRODUCT3, GXTEXOPFLAG_LERP,
    GXTEXOPFLAG_MODULATE, GXTEXOPFLAG_MODULATE2X, GXTEXOPFLAG_MODULATE4X, GXTEXOPFLAG_MODULATEALPHA_ADDCOLOR,
    GXTEXOPFLAG_MODULATECOLOR_ADDALPHA, GXTEXOPFLAG_MODULATEINVALPHA_ADDCOLOR,
    GXTEXOPFLAG_MODULATEINVCOLOR_ADDALPHA, GXTEXOPFLAG_MULTIPLYADD, GXTEXOPFLAG_PREMODULATE,
    GXTEXOPFLAG_SELECTARG1, GXTEXOPFLAG_SELECTARG2, GXTEXOPFLAG_SUBTRACT, GXTEXOPFLAG_COUNT,
};

// The device capabilities the engine keeps (flags as bytes).
struct GxGraphicsCaps
{
    uint8_t PureDevice = 0;
    uint8_t HwTransformAndLight = 0;
    uint8_t HwRasterization = 0;
    uint8_t Dither = 0;
    uint8_t DepthBias = 0;
    uint8_t WBuffer = 0;
    uint8_t CanAutoGenMipmap = 0;
    uint8_t DynamicTextures = 0;
    uint8_t CubeMap = 0;
    uint8_t MipMap = 0;
    uint8_t Perspective = 0;
    uint8_t Pow2 = 0;
    uint8_t SquareOnly = 0;
    uint8_t NonPow2Conditional = 0;
    uint8_t AnisotropicMin = 0;
    uint8_t AnisotropicMag = 0;
    uint8_t TexOp[GXTEXOPFLAG_COUNT] = {};

    uint32_t MaxTextureWidth = 0;
    uint32_t MaxTextureHeight = 0;
    uint32_t MaxTextureRepeat = 0;
    uint32_t MaxTextureAspectRatio = 0;
    uint32_t MaxAnisotropy = 0;
    uint32_t MaxVertexBlendMatrices = 0;
    uint32_t MaxVertexBlendMatrixIndex = 0;
    uint32_t StretchRectFilterCaps = 0;
    float MaxVertexW = 0;
    float GuardBandLeft = 0;
    float GuardBandTop = 0;
    float GuardBandRight = 0;
    float GuardBandBottom = 0;
    float MaxPointSize = 0;
    uint32_t MaxVertexIndex = 0;
    uint32_t MaxStreams = 0;
    uint32_t MaxStreamStride = 0;
    uint32_t NumSimultaneousRTs = 0;
    uint32_t MaxTextureBlendStages = 0;
    uint32_t MaxSimultaneousTextures = 0;
    uint32_t MaxActiveLights = 0;
    uint32_t VertexShaderVersion = 0;
    uint32_t PixelShaderVersion = 0;
    uint32_t MaxVertexShaderConst = 0;
    float PixelShader1xMaxValue = 0;
    int32_t DynamicFlowControlDepth = 0;
    int32_t StaticFlowControlDepth = 0;
    uint32_t MaxVShaderInstructionsExecuted = 0;
    uint32_t MaxPShaderInstructionsExecuted = 0;

    // The record used when the capabilities cannot be read.
    static GxGraphicsCaps Defaults();
};

// An entry of a render-target stack: the target, an optional depth stencil and a rectangle
// (all zero: the whole target). The objects are the texture and surface classes.
class GxSurfaceBase;
struct GxRenderTargetEntry
{
    GxSurfaceBase* target = nullptr;
    GxSurfaceBase* depthStencil = nullptr;
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

class GxSwapChain;
class GxTexture;
class GxTextureFlex;
class GxFontData;
class GxGDIFontMap;
struct GxGlyphRecord;

// One entry of the render-state and texture-stage caches: the last value sent, and whether one was.
struct GxStateCacheEntry
{
    uint32_t value = 0;
    bool valid = false;
};

struct GxGraphicsState
{
    GxDirect3D* direct3D = nullptr;
    GxDevice* device = nullptr;
    uint32_t adapter = 0;
    void* focusWindow = nullptr;
    GxGraphicsResetListener* resetListener = nullptr;
    GxGraphicsResetCallback beforeReset = nullptr;
    GxGraphicsResetCallback afterReset = nullptr;

    GxDisplayMode windowMode;        // requested back-buffer size, desktop refresh rate and format
    GxDisplayMode desktopMode;
    GxDisplayMode fullScreenMode;
    GxDisplayMode fullScreenX2Mode;
    bool modeAvailable[4] = {false, false, false, false};
    bool forceFullScreen = false;

    GxFormat textureFormat = GXFMT_UNKNOWN;
    GxFormat renderTargetFormat = GXFMT_UNKNOWN;
    GxFormat depthStencilFormat = GXFMT_UNKNOWN;
    GxPresentParameters presentParameters[GX_PRESENT_PARAMETER_SLOTS];
    uint32_t multiSampleQualityFull[GXMULTISAMPLE_MAX + 1] = {};
    uint32_t multiSampleQualityWindow[GXMULTISAMPLE_MAX + 1] = {};
    GxGraphicsCaps caps;
    bool softwareVertexProcessing = false;
    bool referenceDevice = false;
    std::u16string videoCardName;
    std::u16string driverName;
    std::u16string driverVersion;
    uint32_t adapterCount = 0;

    int32_t screenMode = SCRMODE_WINDOW;
    uint8_t textureCreateOption = 0;
    int32_t sceneCount = 0;
    std::vector<std::deque<GxRenderTargetEntry>> renderTargetStacks;

    // Presenting, targets and caches (GxGraphicsPresent.cpp).
    GxSwapChain* currentSwapChain = nullptr;
    GxViewport viewport;
    GxStateCacheEntry renderStates[GX_RENDERSTATE_COUNT];
    GxStateCacheEntry textureStageStates[GX_TEXTURESTAGE_COUNT][GX_TEXTURESTAGESTATE_COUNT];
    // Set when Present met a driver internal error: the device is unusable and the application
    // core ends the program in order with a failure status.
    bool driverInternalError = false;
};

class GxGraphics
{
public:
    GxGraphics() = delete;

    // Makes the adapter object and the device for the focus window (none when headless).
    static bool Create(void* window, GxGraphicsResetListener* listener, GxGraphicsResetCallback beforeReset,
                       GxGraphicsResetCallback afterReset);
    static void Release();

    // The steps of Create.
    static bool GetAdapterInfo();
    static bool LogDeviceCaps();
    static bool LogMultiSampleTypes(GxFormat renderTargetFormat, GxFormat depthFormat, bool withDepthBuffer);
    static void BuildPresentParameters();

    static GxFormat GetTextureFormat() { return State().textureFormat; }
    static GxFormat GetRenderTargetFormat() { return State().renderTargetFormat; }
    static GxFormat GetDepthStencilFormat() { return State().depthStencilFormat; }

    // The message for a device result, "未知のエラーです。(code:0x%x)" for one without an entry.
    static std::u16string GetD3DErrorString(GxResult result);
    // The format's own name ("D3DFMT_A8R8G8B8"), "ERROR" for one without an entry.
    static std::u16string GetFormatName(GxFormat format);
    // "SCRMODE_WINDOW" and so on; empty for an index outside the table.
    static const char16_t* GetScreenModeName(int32_t mode);

    static GxDevice* GetDevice() { return State().device; }
    static GxDirect3D* GetDirect3D() { return State().direct3D; }
    static int32_t GetScreenMode() { return State().screenMode; }
    // The present parameters of a mode; all zero for a mode outside the table.
    static const GxPresentParameters& GetPresentParameters(int32_t mode);
    static const GxGraphicsCaps& GetCaps() { return State().caps; }

    // Where the adapter object comes from: by default the GL backend. Tests give a recording
    // adapter here; a factory returning none stands for a failed creation.
    using Direct3DFactory = std::function<GxDirect3D*(void* window)>;
    static void SetDirect3DFactory(Direct3DFactory factory);

    static GxGraphicsState& State();

    // ---- Presenting, device reset and render targets (GxGraphicsPresent.cpp) ----

    // Presents the current swap chain. Refused (false, logged) while a scene is open. A lost
    // device naps and returns true until it can be reset, then is reset once. A driver internal
    // error is logged and returns false with IsDriverInternalError set.
    static bool Present(const GxRectL* source, const GxRectL* dest, void* destWindow);
    // The next present draws and shows its frame even when it asks for what the last shown
    // frame asked (which the device otherwise leaves on the screen without drawing it again):
    // for screenshots and captures.
    static void ForceFrame();
    // In place of drawing and presenting a frame that would make the very calls of the last
    // shown one: whether the device took it for presented (GxDevice::RepeatShownFrame). Never
    // inside a scene or with a render target pushed.
    static bool RepeatShownFrame();
    // Drops every registered resource's default-pool objects, resets the device with the present
    // parameters of the current mode, makes them again and restores targets and cached states.
    // Not forced, a device that is not lost is left alone.
    static bool Reset(bool force, int32_t newMode, int32_t oldMode);
    // Resets the device for another mode and restyles the window. A mode without present
    // parameters is refused; a failed reset, or a window the window system does not make full
    // screen, returns to the old mode (logged), so mode, window and the player's option agree.
    static bool ChangeScreenMode(int32_t mode);
    // Styles and places the main window; false when the window system did not make it full
    // screen (it is then still a window). True without a main window: nothing to style.
    static bool SetWindowStyle(bool windowed);
    // The window SetWindowStyle styles (none: nothing is styled) and its services.
    static void SetMainWindow(GxWindowServices* services, GxWindowHandle window);

    // Makes the chain current (none = the default), empties every render-target stack and makes
    // its back buffer the target, with that viewport (none = the chain's client rectangle).
    static bool SetSwapChain(GxSwapChain* swapChain, const GxRectL* viewport);
    static GxSwapChain* GetSwapChain() { return State().currentSwapChain; }
    static GxSwapChain* GetDefaultSwapChain();

    // The stacks of render targets, one per index. rect none or all zero: the whole target.
    static bool PushRenderTarget(uint32_t index, GxSurfaceBase* target, GxSurfaceBase* depthStencil,
                                 const GxRectL* rect);
    static bool PopRenderTarget(uint32_t index);
    static bool SetRenderTarget(uint32_t index, const GxRenderTargetEntry* entry);
    static bool SetDepthStencil(const GxRenderTargetEntry* entry);
    static void ReapplyRenderTargets();
    static size_t GetRenderTargetDepth(uint32_t index);

    // Scenes nest; the device sees the outermost pair only.
    static bool BeginScene();
    static bool EndScene();
    static int32_t GetSceneCount() { return State().sceneCount; }

    static bool Clear(uint32_t flags, GxColor color, float z, uint32_t stencil, const GxRectL* rect);
    // rect none = the whole back buffer of the current mode.
    static void SetViewport(const GxRectL* rect);
    static void GetViewport(GxRectL* rect);

    // Cached state setters: a value equal to the one last sent makes no device call.
    static bool SetRenderState(GxRenderStateType state, uint32_t value);
    static bool SetTextureStageState(uint32_t stage, GxTextureStageStateType type, uint32_t value);
    static bool ReapplyStateCache();
    // Software vertex processing where the device cannot run vertex shaders of that version.
    static void SetSoftwareVertexProcessing(uint32_t major, uint32_t minor);

    // The nap of a lost device; tests replace it so that nothing sleeps.
    using SleepFunction = void (*)(uint32_t milliseconds);
    static void SetSleepFunction(SleepFunction sleep);
    static bool IsDriverInternalError() { return State().driverInternalError; }

    // ---- Render-state helpers and blend presets (GxRenderState.cpp) ----

    // Sets a blend preset (GxBlendMode) on a stage through the caches; 0 repeats the stage's
    // last preset. Whether the last state (the destination blend) was set.
    static bool SetBlendMode(uint32_t stage, int32_t preset);
    // Magnification and minification filter of sampler 0, sent to the device every time.
    static bool SetTextureFilter(uint32_t filter);
    static bool SetZEnable(bool enable);
    static bool SetZWriteEnable(bool enable);
    // On: the test passes alphas at or above the reference. Off: only the switch is sent.
    static bool SetAlphaTest(bool enable, uint32_t reference);
    static bool SetMultiSampleAntiAlias(bool enable);
    static bool SetSpecularEnable(bool enable);
    static bool SetCullMode(uint32_t cull);
    static bool SetFillMode(uint32_t fill);
    static bool SetLightEnable(bool enable);
    static bool SetFogEnable(bool enable);
    static bool SetAmbient(const GxFColor& color);
    static bool SetFogColor(const GxFColor& color);
    // Not cached: the device's own binding.
    static bool SetTexture(uint32_t stage, GxDeviceTexture* texture);
    // Enables point lights 1 .. count (at most 4); nothing is disabled.
    static void SetPointLightCount(uint32_t count);
    // Point light index 0..3 is device light index + 1.
    static bool SetPointLight(uint32_t index, const GxFColor& color, const GxVector3& position, float range);
    static bool SetDirectionalLight(const GxVector3& direction, const GxFColor& color);
    // The matrix every immediate draw applies; callers may change it.
    static GxMatrix& GetDrawMatrix();
    // The state every task's drawing starts from.
    static void SetDefaultRenderState();
    // The device-wide state set once after the device is made.
    static void InitRenderState();

    // ---- Immediate drawing (GxDraw.cpp) ----
    //
    // Pre-transformed 32-byte vertices: pixel positions after all transforms, z 0, rhw 1,
    // diffuse and specular colours, one (u, v). A quad's corners run top-left, bottom-left,
    // bottom-right, top-right; five-point arrays add the centre. Every position passes the global
    // draw matrix; the textured draws move by (-0.5, -0.5) so that texel centres meet pixel
    // centres, and draw nothing when wholly outside the viewport. Rotations are radians, pivots
    // fractions of the drawn size, colours 0xAARRGGBB, blend a GxBlendMode preset.

    // A sub-rectangle (pixels) of a texture, scaled and rotated about its pivot, the pivot placed
    // at (x, y).
    static void DrawTexture(GxTexture* texture, float x, float y, const GxFRect& source, const GxVector2& scale,
                            const GxVector3& rotation, const GxVector2& pivot, const GxVector2& uvOffset,
                            GxColor diffuse, GxColor specular, int32_t blend);
    // A texture (or none) on four free corners with a UV rectangle (u0, v0, u1, v1).
    static void DrawTextureQuad(const GxVector2 corners[4], const GxFRect& uv, GxTexture* texture,
                                const GxColor diffuse[4], const GxColor specular[4], int32_t blend);
    // Five placed points (corners, then the centre) as two fans around the centre; uvs, diffuse
    // and specular may be none (UV 0, white, no specular).
    static void DrawTextureFivePoint(GxTexture* texture, const GxVector3 points[5], const GxVector2* uvs,
                                     const GxVector2& uvOffset, const GxColor* diffuse, const GxColor* specular,
                                     int32_t blend);
    // A tiled texture as one transformed block, tile by tile.
    static void DrawTextureFlex(GxTextureFlex* texture, float x, float y, const GxVector2& scale,
                                const GxVector3& rotation, const GxVector2& pivot, GxColor diffuse, GxColor specular,
                                int32_t blend);
    // An untextured rectangle with a colour per corner and one for the centre; no shift, no
    // rejection.
    static void DrawColorRect(const GxFRect& rect, const GxColor diffuse[5], const GxColor specular[5], int32_t blend);
    static void DrawSolidRect(const GxFRect& rect, GxColor diffuse, GxColor specular, int32_t blend);
    // A string in a bitmap font, as one transformed block.
    static void DrawTextFontData(GxFontData* font, std::u16string_view text, float x, float y, const GxVector2& scale,
                                 const GxVector3& rotation, const GxVector2& pivot, GxColor diffuse,
                                 GxColor specular, int32_t blend);
    // A string from a glyph atlas, glyph by glyph; a line feed starts a new line.
    static void DrawTextGDIFontMap(GxGDIFontMap* fontMap, std::u16string_view text, float x, float y,
                                   const GxVector2& scale, GxColor diffuse, GxColor specular, int32_t blend);
    // One glyph of an atlas at (x, y); DrawGlyphEdge draws it at the four diagonal offsets.
    static void DrawGlyph(const GxGlyphRecord& glyph, float x, float y, const GxVector2& scale, GxColor diffuse,
                          GxColor specular, int32_t blend);
    static void DrawGlyphEdge(const GxGlyphRecord& glyph, float x, float y, float offset, const GxVector2& scale,
                              GxColor diffuse, GxColor specular, int32_t blend);
};
