#include "platform/gl/GxGLDevice.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>

#include "core/GxLog.h"

namespace {

constexpr GLenum kMaxAnisotropy = 0x84FF;          // GL_MAX_TEXTURE_MAX_ANISOTROPY
constexpr GLenum kNvxAvailableVidmem = 0x9049;     // GL_GPU_MEMORY_INFO_CURRENT_AVAILABLE_VIDMEM_NVX (KiB)
constexpr GLenum kAtiTextureFreeMemory = 0x87FC;   // GL_TEXTURE_FREE_MEMORY_ATI (KiB, first of four)

// "4.5 (Core Profile) Mesa 22.3.6" -> 22.3.6.0: the last dotted number of the version text is
// the driver's own version on the usual drivers; four 16-bit parts, the most significant first.
uint64_t ParseDriverVersion(const std::string& version)
{
    std::string best;
    size_t i = 0;
    while (i < version.size()) {
        while (i < version.size() && version[i] == ' ') ++i;
        size_t j = i;
        while (j < version.size() && version[j] != ' ') ++j;
        std::string token = version.substr(i, j - i);
        if (!token.empty() && std::isdigit(static_cast<unsigned char>(token[0])) &&
            token.find('.') != std::string::npos)
            best = token;
        i = j;
    }
    uint64_t parts[4] = {0, 0, 0, 0};
    int n = 0;
    size_t k = 0;
    while (n < 4 && k < best.size()) {
        uint64_t v = 0;
        bool any = false;
        while (k < best.size() && std::isdigit(static_cast<unsigned char>(best[k]))) {
            v = std::min<uint64_t>(v * 10 + static_cast<uint64_t>(best[k] - '0'), 0xFFFF);
            ++k;
            any = true;
        }
        if (!any) break;
        parts[n++] = v;
        if (k < best.size() && best[k] == '.') ++k;
        else break;
    }
    return (parts[0] << 48) | (parts[1] << 32) | (parts[2] << 16) | parts[3];
}

GxDisplayMode DesktopMode(void* window, const GxDisplayMode& fallback)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return fallback;
    int index = window ? SDL_GetWindowDisplayIndex(static_cast<SDL_Window*>(window)) : 0;
    SDL_DisplayMode m;
    if (SDL_GetDesktopDisplayMode(index < 0 ? 0 : index, &m) != 0 || m.w <= 0 || m.h <= 0) return fallback;
    return GxDisplayMode{static_cast<uint32_t>(m.w), static_cast<uint32_t>(m.h),
                         m.refresh_rate > 0 ? static_cast<uint32_t>(m.refresh_rate) : 60u, GXFMT_X8R8G8B8};
}

}  // namespace

// ---- Adapter ------------------------------------------------------------------------------------

GxGLDirect3D::GxGLDirect3D(const GxAdapterDesc& desc, std::unique_ptr<GxGLContext> context)
    : GxDirect3DCore(desc), m_Context(std::move(context))
{
}

GxGLDirect3D::~GxGLDirect3D() = default;

GxAdapterDesc GxGLDirect3D::Describe(GxGLContext& context, const GxDisplayMode& desktop, const GxDisplayMode& extra)
{
    const GxGLFunctions& gl = context.GL();
    GxAdapterDesc d;
    d.identifier.Description = context.Renderer();
    d.identifier.Driver = context.Vendor();
    d.identifier.DriverVersion = ParseDriverVersion(context.Version());
    d.desktop = desktop;
    d.modes.push_back(desktop);
    if (!(extra == desktop)) d.modes.push_back(extra);
    d.windowedFormats = {GXFMT_X8R8G8B8};
    d.backBufferFormats = {GXFMT_A8R8G8B8, GXFMT_X8R8G8B8};
    d.textureFormats = {GXFMT_A8R8G8B8, GXFMT_X8R8G8B8, GXFMT_A4R4G4B4, GXFMT_X4R4G4B4};
    d.renderTargetFormats = {GXFMT_A8R8G8B8, GXFMT_X8R8G8B8};
    d.depthStencilFormats = {GXFMT_D24S8, GXFMT_D24X8};

    GLint maxTexture = 0;
    gl.glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    GLfloat anisotropy = 1.0f;
    if (context.HasExtension("GL_EXT_texture_filter_anisotropic") ||
        context.HasExtension("GL_ARB_texture_filter_anisotropic"))
        gl.glGetFloatv(kMaxAnisotropy, &anisotropy);
    GLfloat pointRange[2] = {1.0f, 1.0f};
    gl.glGetFloatv(GL_POINT_SIZE_RANGE, pointRange);
    d.caps = GxMakeGLDeviceCaps(static_cast<uint32_t>(std::max(maxTexture, 64)),
                                static_cast<uint32_t>(std::max(anisotropy, 1.0f)), pointRange[1]);

    GLint maxSamples = 0;
    gl.glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    for (uint32_t t = 2; t <= GXMULTISAMPLE_MAX; ++t) {
        uint32_t q = static_cast<GLint>(t) <= maxSamples ? 1 : 0;
        d.multiSampleQuality[0][t] = q;
        d.multiSampleQuality[1][t] = q;
    }

    GLint kib[4] = {0, 0, 0, 0};
    if (context.HasExtension("GL_NVX_gpu_memory_info")) gl.glGetIntegerv(kNvxAvailableVidmem, kib);
    else if (context.HasExtension("GL_ATI_meminfo")) gl.glGetIntegerv(kAtiTextureFreeMemory, kib);
    if (kib[0] > 0) d.availableTextureMem = static_cast<uint32_t>(std::min<int64_t>(int64_t{kib[0]} * 1024, 0xFFFFFFFF));
    while (gl.glGetError() != GL_NO_ERROR) {
    }
    return d;
}

GxResult GxGLDirect3D::MakeDevice(GxDeviceType type, void* focusWindow, uint32_t behaviorFlags,
                                  const GxPresentParameters& params, GxDeviceCore** device)
{
    if (!m_Context->MakeCurrent()) return GXERR_DRIVERINTERNALERROR;
    *device = new GxGLDevice(this, type, focusWindow, behaviorFlags, params);
    return GX_OK;
}

bool GxGLDirect3D::WindowSize(void*, uint32_t* width, uint32_t* height)
{
    if (m_Context->DrawableSize(width, height)) return true;
    return m_Context->WindowSize(width, height);
}

GxDirect3D* GxCreateGLDirect3D(const GxDirect3DCreateParams& params)
{
    if (params.sdkVersion != GX_DEVICE_SDK_VERSION) {
        GxPrintErrorLog(u"Error/GLDevice Create Failed(SDK version 0x%x)\n", params.sdkVersion);
        return nullptr;
    }
    std::string error;
    std::unique_ptr<GxGLContext> context = GxGLContext::Create(params.window, &error);
    if (!context) {
        GxPrintErrorLog(u"Error/GLDevice Create Failed(%S)\n", error);
        return nullptr;
    }
    GxDisplayMode desktop = DesktopMode(params.window, params.extraMode);
    GxAdapterDesc desc = GxGLDirect3D::Describe(*context, desktop, params.extraMode);
    return new GxGLDirect3D(desc, std::move(context));
}
