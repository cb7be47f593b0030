// One frame of the main play screen as a game leaves it mid-scene, against a bare GL loop that
// draws the very same quads. The screen (SeqRukoMain with its tree) runs headless on GL: a
// full-screen background, 10 full-screen stand layers (8 pictures, one key-frame motion, one
// solid colour at half alpha), 200 sprites from image-set patterns at mixed alpha and scale,
// and the message window revealing a full page of 17 lines of 29 full-width characters with
// rubies (16 lines out, the last one revealing at the window's own pace, then the page again;
// every glyph already in the atlas, as the page before left it). Each measured frame is split as the main loop splits it: update (the update and
// render walks), draw (the render layers) and present (the device's present, then glFinish, so
// the software rasteriser's work lands in the frame that made it). Every measured frame is drawn,
// also one that repeats the last (which the engine otherwise leaves undrawn): the cost compared
// is that of drawing the scene.
//
// The bare loop replays the engine's own draw calls of a steady frame (recorded once on the
// device, from the device's render states at the frame's start): the same quads in the same
// order, the same blend functions and equations, the same point or linear filtering, textures
// of the same sizes (all 8-bit RGBA), through one plain program and one streamed buffer, then
// glFlush and glFinish. The two alternate frame by frame so that a loaded machine slows both
// alike.
//
// Printed: median and 99th percentile of each phase over the measured frames, the bare loop's,
// the ratios (targets: median <= 1.1, p99 <= 1.25) and the files opened during the measured
// frames (target: 0). Run: build/bench_main_frame_bench
#undef _FORTIFY_SOURCE
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/task/GxRenderLayer.h"
#include "app/task/GxTaskFolder.h"
#include "app/task/GxTaskManage.h"
#include "game/DBRukoChar.h"
#include "game/DBUILayout.h"
#include "game/DBUIModule.h"
#include "graphics/GxGraphics.h"
#include "layer/GxTaskLayer.h"
#include "bench/bench_bare_gl.h"
#include "bench/bench_page_text.h"
#include "bench/bench_series.h"
#include "platform/GxDevice.h"
#include "platform/gl/GxGLDevice.h"
#include "platform/gl/GxGLDraw.h"
#include "platform/gl/GxGLShader.h"
#include "seq/SeqRukoMain.h"
#include "tests/support/GxNcWriter.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIMessageWindow.h"

// ---- File opens -------------------------------------------------------------------------------
// Every open in the process goes through these while the counter is armed: the engine's file
// layer, its logs and whatever a library opens behind it.

namespace {
std::atomic<bool> g_CountOpens{false};
std::atomic<int> g_Opens{0};
void NoteOpen()
{
    if (g_CountOpens.load(std::memory_order_relaxed)) g_Opens.fetch_add(1, std::memory_order_relaxed);
}
template <typename F>
F Next(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}
}  // namespace

extern "C" {
int open(const char* path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    const unsigned mode = va_arg(ap, unsigned);
    va_end(ap);
    NoteOpen();
    static auto real = Next<int (*)(const char*, int, ...)>("open");
    return real(path, flags, mode);
}
int open64(const char* path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    const unsigned mode = va_arg(ap, unsigned);
    va_end(ap);
    NoteOpen();
    static auto real = Next<int (*)(const char*, int, ...)>("open64");
    return real(path, flags, mode);
}
int openat(int dir, const char* path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    const unsigned mode = va_arg(ap, unsigned);
    va_end(ap);
    NoteOpen();
    static auto real = Next<int (*)(int, const char*, int, ...)>("openat");
    return real(dir, path, flags, mode);
}
FILE* fopen(const char* path, const char* mode)
{
    NoteOpen();
    static auto real = Next<FILE* (*)(const char*, const char*)>("fopen");
    return real(path, mode);
}
FILE* fopen64(const char* path, const char* mode)
{
    NoteOpen();
    static auto real = Next<FILE* (*)(const char*, const char*)>("fopen64");
    return real(path, mode);
}
}

namespace {

constexpr int kScreenW = 1024;
constexpr int kScreenH = 768;
constexpr int kFullLayers = 10;
constexpr int kSprites = 200;
constexpr int kWarmFrames = 60;
constexpr int kMeasuredFrames = 600;
constexpr int kFrameMs = 16;
constexpr uint32_t kPrePlacedChars = 16 * 29;
constexpr double kMedianTarget = 1.1;
constexpr double kP99Target = 1.25;

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

using benchtext::PageText;

// ---- The engine's scene -----------------------------------------------------------------------

void FillTables()
{
    DBUIModuleData& m = *GxGetDBUIModule().GetRow(0);
    m.ID = 0;
    m.ModuleName = u"tip_msgwindow";
    m.UIType = GxUIModuleType::MessageWindowFx;
    m.FontIndex = 2;
    m.Width = 900;
    m.Height = 660;
    m.ClientWidth = 800;
    m.ClientHeight = 620;
    DBUILayoutData& l = *GxGetDBUILayout().GetRow(0);
    l.ParentName = u"$UI:SeqRukoMain";
    l.ModuleName = u"tip_msgwindow";
    l.TaskName = u"$MESWIN:SeqRukoMain";
    l.TaskIndex = -1;
    l.Create = 1;
    l.Visible = 1;
    l.Enabled = 1;
    l.Left = 60.0f;
    l.Top = 50.0f;
    l.OrderZ = 100.0f;
    DBRukoChar& chars = GxGetDBRukoChar();
    for (int i = 0; i < kFullLayers; ++i) chars.GetRow(i)->CharName = u"full" + std::u16string(1, char16_t(u'0' + i));
}

// The image set of the sprites and of the motion: four sprite images of two patterns each and
// one full-screen image.
bool WriteAssets(gxtest::UIHarness& h)
{
    std::vector<gxtest::UIImageSpec> images;
    const uint32_t colours[4] = {0xC0FF4020u, 0x8020C0FFu, 0xFF40FF40u, 0x60FFFFFFu};
    for (int i = 0; i < 4; ++i) {
        const int32_t size = 48 + 16 * i;
        images.push_back({u"sprite" + std::u16string(1, char16_t(u'0' + i)) + u".png",
                          {{size, size, colours[i]}, {size / 2 + 8, size, colours[(i + 1) % 4]}}});
    }
    images.push_back({u"full.png", {{kScreenW, kScreenH, 0x80404080u}}});
    if (!h.WriteImageSet("gnc/sprites.gis", images)) return false;

    for (int i = 0; i <= 8; ++i) {
        const std::string name = "bg/pic" + std::to_string(i) + ".png";
        if (!h.WritePicture(name, gxtest::MakeTestPicture(kScreenW, kScreenH, i != 0, 11u + i))) return false;
    }

    GxNcProject p;
    GxNcMotion& motion = GxNcAddMotion(GxNcAddMotionGroup(p, u"main"), u"drift", 120);
    GxNcLayer& layer = GxNcAddLayer(motion, u"full");
    layer.m_EditVisible = 1;
    layer.m_LoopMode = 1;
    GxNcImageKey key;
    key.m_ImageSetName = u"sprites.gis";
    key.m_ImageFileName = u"full.png";
    layer.m_ImageTrack = {key};
    GxNcVector4Key a, b;
    a.m_Time = 0;
    b.m_Time = 120;
    b.m_Value = GxVector4(24, 12, 0, 0);
    layer.m_PositionTrack = {a, b};
    GxNcAddTreeNode(motion, nullptr, u"full");
    return GxNcWriteFileBytes(h.Folder().Path() + "/gnc/drift.gnc", GxNcProjectToBytes(p, GxContentForm::Binary));
}

class EngineScene
{
public:
    EngineScene() : h(gxtest::UIDevice::GL) {}

    bool Make(std::string* error)
    {
        if (!h.IsReady()) return Fail(error, "no GL device");
        h.LoadFonts();
        FillTables();
        if (!WriteAssets(h)) return Fail(error, "could not write the game files");
        GxTaskManage& tm = h.Manager();
        screen = new SeqRukoMain(tm.GetRootTask());
        tm.ChangeSequence(screen, 0);
        tm.ExecuteChangeSequence();
        tm.UpdatePreMainTasks(screen, 0, 0);
        if (!tm.IsMainStarted()) return Fail(error, "the main play screen did not start");

        auto* bg = dynamic_cast<GxTaskLayer*>(tm.FindTaskByName(u"$BGLAYER:SeqRukoMain"));
        auto* stand = dynamic_cast<GxTaskFolder*>(tm.FindTaskByName(u"$STAND:SeqRukoMain"));
        if (!bg || !stand || !bg->LoadImage(u"bg/pic0.png", 0)) return Fail(error, "no background");
        for (int i = 0; i < kFullLayers; ++i) {
            auto* layer = dynamic_cast<GxTaskLayer*>(stand->FindTaskLocalByString(u"full" + std::u16string(1, char16_t(u'0' + i)), 0));
            if (!layer) return Fail(error, "no stand layer");
            bool ok;
            if (i == 4) ok = layer->LoadMotion(u"gnc/drift.gnc", u"gnc/", u"", u"drift", 0, 0);
            else if (i == 7) {
                ok = layer->LoadSolidColor(0xFF204060u, 0);
                layer->SetAlpha(128);
            } else ok = layer->LoadImage(u"bg/pic" + std::u16string(1, char16_t(u'1' + (i > 7 ? i - 2 : i > 4 ? i - 1 : i))) + u".png", 0);
            if (!ok) return Fail(error, "a full-screen layer did not load");
            layer->SetOrderZ(static_cast<float>(i));
        }
        for (int i = 0; i < kSprites; ++i) {
            auto* s = new GxTaskLayer(nullptr, u"sprite", i, stand);
            const int image = i % 4;
            if (!s->LoadImageSetImage(u"gnc/sprites.gis", u"sprite" + std::u16string(1, char16_t(u'0' + image)) + u".png",
                                      (i / 4) % 2, 0))
                return Fail(error, "a sprite did not load");
            s->SetPos(GxVector3(static_cast<float>((i * 397) % kScreenW - 32), static_cast<float>((i * 211) % kScreenH - 32), 0));
            s->SetAlpha(64 + (i * 37) % 192);
            const float scale = 0.5f + 0.25f * static_cast<float>(i % 5);
            s->SetScale(GxVector3(scale, scale, 1));
            s->SetOrderZ(20.0f + static_cast<float>(i) * 0.01f);
            s->SetBlendMode(i % 7 == 3 ? 3 : 2);
        }
        window = screen->FindMessageWindow();
        if (!window) return Fail(error, "no message window");
        // Every glyph of the page once into the atlas, as the page before this one left it.
        window->SetMessage(PageText(), true, false, false, false);
        window->FlushMessage(true, false);

        return true;
    }

    // The page anew with its first 16 lines out: the last line reveals during the frames.
    void StartPage()
    {
        window->SetMessage(PageText(), true, false, false, false);
        // The window's own pace, at one character wait per call, so that no wait piles up.
        for (uint32_t guard = 0; guard < 4 * kPrePlacedChars && window->GetShowCharCount() < kPrePlacedChars &&
                            window->GetRestCharCount() > 0 && !window->IsClickWaiting();
             ++guard)
            window->Update(0, 60 * 1000);
    }

    // The phases of one main-loop frame of one update step, in ms.
    void Frame(double* update, double* draw, double* present)
    {
        GxTaskManage& tm = h.Manager();
        GxRenderLayerBanks& banks = *tm.GetRenderLayers();
        const int64_t elapsed = kFrameMs * 1000;
        const auto t0 = Clock::now();
        banks.ClearRenderLayers();
        if (tm.GetRootTask()) tm.DeleteDeadTasks(tm.GetRootTask());
        tm.ClearStepFlags();
        GxTaskBase* current = tm.GetCurrentSequence();
        GxTaskBase* persistent = tm.GetPersistentRoot();
        if (current) tm.UpdateTasks(current, 0, elapsed);
        if (persistent) tm.UpdateTasks(persistent, 0, elapsed);
        if (current) tm.RenderTasks(current, 0, elapsed);
        if (persistent) tm.RenderTasks(persistent, 0, elapsed);
        const auto t1 = Clock::now();
        banks.DrawRenderLayers(tm.IsMainStarted());
        const auto t2 = Clock::now();
        // Frames that repeat the last shown one are not drawn; most frames of a reveal at its own
        // pace repeat. The bare loop draws every frame, and so does this one.
        GxGraphics::ForceFrame();
        GxGraphics::Present(nullptr, nullptr, nullptr);
        Context()->GL().glFinish();
        const auto t3 = Clock::now();
        *update = Ms(t0, t1);
        *draw = Ms(t1, t2);
        *present = Ms(t2, t3);
        // The page reveals again once it is all out, so that frames keep placing characters.
        if (window->IsClickWaiting() || window->GetRestCharCount() == 0) StartPage();
    }

    GxGLContext* Context()
    {
        auto* d3d = dynamic_cast<GxGLDirect3D*>(GxGraphics::GetDirect3D());
        return d3d ? &d3d->Context() : nullptr;
    }

    gxtest::UIHarness h;
    SeqRukoMain* screen = nullptr;
    GxTaskUIMessageWindowFx* window = nullptr;

private:
    static bool Fail(std::string* error, const char* what)
    {
        *error = what;
        return false;
    }
};

// ---- The bare loop ----------------------------------------------------------------------------

using benchgl::BareVertex;

// One recorded draw: its vertices, its texture (index into the bare textures, -1 none) and
// the blend functions it ran with.
struct BareDraw
{
    GLenum mode = GL_TRIANGLE_FAN;
    std::vector<BareVertex> vertices;
    int texture = -1;
    bool linear = false;  // the filter: point or linear, as the sampler state was
    bool blend = false;
    GLenum src = GL_ONE, dst = GL_ZERO, srcAlpha = GL_ONE, dstAlpha = GL_ZERO;
    GLenum equation = GL_FUNC_ADD, equationAlpha = GL_FUNC_ADD;
};

// The frame's draws from the device's record of it.
struct RecordedFrame
{
    std::vector<BareDraw> draws;
    std::vector<std::pair<uint32_t, uint32_t>> textureSizes;
    int targetChanges = 0;
};

// The device's render states and filter as the frame begins; the record holds only changes.
struct DeviceStates
{
    uint32_t renderStates[GX_RENDERSTATE_COUNT] = {};
    bool linear = false;

    void Read(GxDevice& device)
    {
        for (uint32_t i = 0; i < GX_RENDERSTATE_COUNT; ++i)
            device.GetRenderState(static_cast<GxRenderStateType>(i), &renderStates[i]);
        uint32_t mag = 0;
        device.GetSamplerState(0, GXSAMP_MAGFILTER, &mag);
        linear = mag == GXTEXF_LINEAR;
    }
};

RecordedFrame ReadRecord(const std::vector<GxDeviceCall>& calls, const DeviceStates& start)
{
    RecordedFrame f;
    std::map<const void*, int> textures;
    uint32_t rs[GX_RENDERSTATE_COUNT];
    std::copy(std::begin(start.renderStates), std::end(start.renderStates), rs);
    bool linear = start.linear;
    int texture = -1;
    for (const GxDeviceCall& c : calls) {
        switch (c.op) {
        case GxDeviceOp::SetRenderState:
            if (c.args[0] < GX_RENDERSTATE_COUNT) rs[c.args[0]] = c.args[1];
            break;
        case GxDeviceOp::SetRenderTarget: ++f.targetChanges; break;
        case GxDeviceOp::SetSamplerState:
            if (c.args[0] == 0 && c.args[1] == GXSAMP_MAGFILTER) linear = c.args[2] == GXTEXF_LINEAR;
            break;
        case GxDeviceOp::SetTexture: {
            if (c.args[0] != 0) break;
            texture = -1;
            auto* t = static_cast<GxDeviceTexture*>(const_cast<void*>(c.object));
            if (!t) break;
            auto [it, fresh] = textures.emplace(c.object, static_cast<int>(f.textureSizes.size()));
            if (fresh) {
                GxSurfaceDesc desc{};
                t->GetLevelDesc(0, &desc);
                f.textureSizes.push_back({std::max(desc.Width, 1u), std::max(desc.Height, 1u)});
            }
            texture = it->second;
            break;
        }
        case GxDeviceOp::DrawPrimitiveUP: {
            BareDraw d;
            d.mode = c.args[0] == GXPT_TRIANGLELIST ? GL_TRIANGLES
                     : c.args[0] == GXPT_TRIANGLESTRIP ? GL_TRIANGLE_STRIP
                                                        : GL_TRIANGLE_FAN;
            for (const GxScreenVertex& v : c.vertices) d.vertices.push_back({v.x, v.y, v.u, v.v, v.diffuse});
            d.texture = texture;
            d.linear = linear;
            d.blend = rs[GXRS_ALPHABLENDENABLE] != 0;
            d.src = GxGLBlendFactor(rs[GXRS_SRCBLEND], true);
            d.dst = GxGLBlendFactor(rs[GXRS_DESTBLEND], false);
            d.srcAlpha = rs[GXRS_SEPARATEALPHABLENDENABLE] ? GxGLBlendFactor(rs[GXRS_SRCBLENDALPHA], true) : d.src;
            d.dstAlpha = rs[GXRS_SEPARATEALPHABLENDENABLE] ? GxGLBlendFactor(rs[GXRS_DESTBLENDALPHA], false) : d.dst;
            d.equation = GxGLBlendEquation(rs[GXRS_BLENDOP]);
            d.equationAlpha = rs[GXRS_SEPARATEALPHABLENDENABLE] ? GxGLBlendEquation(rs[GXRS_BLENDOPALPHA]) : d.equation;
            f.draws.push_back(std::move(d));
            break;
        }
        default: break;
        }
    }
    return f;
}

class BareScene
{
public:
    bool Make(const RecordedFrame& frame, std::string* error)
    {
        context = GxGLContext::Create(nullptr, error);
        if (!context) return false;
        const char* missing = "";
        if (!d.Load(*context, &missing)) {
            *error = missing;
            return false;
        }
        m_Frame = frame;
        const GxGLFunctions& gl = context->GL();
        program = benchgl::MakeBareProgram(d, kScreenW, kScreenH);

        gl.glGenTextures(1, &target);
        gl.glBindTexture(GL_TEXTURE_2D, target);
        gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kScreenW, kScreenH, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
        gl.glGenFramebuffers(1, &framebuffer);
        gl.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        gl.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target, 0);
        gl.glViewport(0, 0, kScreenW, kScreenH);

        for (auto [w, h] : frame.textureSizes) {
            std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
            for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0xC0000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
            GLuint t = 0;
            gl.glGenTextures(1, &t);
            gl.glBindTexture(GL_TEXTURE_2D, t);
            gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(w), static_cast<GLsizei>(h), 0, GL_BGRA,
                            GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
            gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
            textures.push_back(t);
        }
        // Draws without a texture sample a white one, as a plain GL program would.
        const uint32_t white = 0xFFFFFFFFu;
        gl.glGenTextures(1, &whiteTexture);
        gl.glBindTexture(GL_TEXTURE_2D, whiteTexture);
        gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &white);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);

        d.glGenSamplers(2, samplers);
        for (int i = 0; i < 2; ++i) {
            const GLint filter = i ? GL_LINEAR : GL_NEAREST;
            d.glSamplerParameteri(samplers[i], GL_TEXTURE_MIN_FILTER, filter);
            d.glSamplerParameteri(samplers[i], GL_TEXTURE_MAG_FILTER, filter);
        }

        benchgl::MakeBareVertexBuffer(d, kBufferBytes, &vao, &buffer);
        return gl.glGetError() == GL_NO_ERROR;
    }
    ~BareScene()
    {
        if (!context) return;
        context->MakeCurrent();
        const GxGLFunctions& gl = context->GL();
        d.glDeleteBuffers(1, &buffer);
        d.glDeleteVertexArrays(1, &vao);
        d.glDeleteSamplers(2, samplers);
        for (GLuint t : textures) gl.glDeleteTextures(1, &t);
        gl.glDeleteTextures(1, &whiteTexture);
        gl.glDeleteFramebuffers(1, &framebuffer);
        gl.glDeleteTextures(1, &target);
        d.glDeleteProgram(program);
    }

    void Frame(double* draw, double* present)
    {
        const GxGLFunctions& gl = context->GL();
        const auto t0 = Clock::now();
        gl.glClearColor(0, 0, 0, 1);
        gl.glClear(GL_COLOR_BUFFER_BIT);
        int bound = -2;
        int sampler = -1;
        bool blend = false;
        gl.glDisable(GL_BLEND);
        for (const BareDraw& x : m_Frame.draws) {
            if (x.blend != blend) {
                if (x.blend) gl.glEnable(GL_BLEND);
                else gl.glDisable(GL_BLEND);
                blend = x.blend;
            }
            if (x.blend) {
                d.glBlendEquationSeparate(x.equation, x.equationAlpha);
                d.glBlendFuncSeparate(x.src, x.dst, x.srcAlpha, x.dstAlpha);
            }
            if (static_cast<int>(x.linear) != sampler) {
                sampler = x.linear;
                d.glBindSampler(0, samplers[sampler]);
            }
            if (x.texture != bound) {
                gl.glBindTexture(GL_TEXTURE_2D, x.texture < 0 ? whiteTexture : textures[static_cast<size_t>(x.texture)]);
                bound = x.texture;
            }
            const uint32_t bytes = static_cast<uint32_t>(x.vertices.size() * sizeof(BareVertex));
            GLbitfield access = GL_MAP_WRITE_BIT | GL_MAP_UNSYNCHRONIZED_BIT | GL_MAP_INVALIDATE_RANGE_BIT;
            if (used + bytes > kBufferBytes) {
                used = 0;
                access |= GL_MAP_INVALIDATE_BUFFER_BIT;
            }
            void* p = d.glMapBufferRange(GL_ARRAY_BUFFER, used, bytes, access);
            std::memcpy(p, x.vertices.data(), bytes);
            d.glUnmapBuffer(GL_ARRAY_BUFFER);
            d.glDrawArrays(x.mode, static_cast<GLint>(used / sizeof(BareVertex)), static_cast<GLsizei>(x.vertices.size()));
            used += bytes;
        }
        const auto t1 = Clock::now();
        gl.glFlush();
        gl.glFinish();
        const auto t2 = Clock::now();
        *draw = Ms(t0, t1);
        *present = Ms(t1, t2);
    }

    std::unique_ptr<GxGLContext> context;

private:
    static constexpr uint32_t kBufferBytes = 4u << 20;


    RecordedFrame m_Frame;
    GxGLDrawFunctions d;
    GLuint program = 0, target = 0, framebuffer = 0, vao = 0, buffer = 0, whiteTexture = 0;
    GLuint samplers[2] = {};
    std::vector<GLuint> textures;
    uint32_t used = 0;
};

// ---- The run ----------------------------------------------------------------------------------

using benchstats::Series;

void BM_MainFrameVsBareGL(benchmark::State& state)
{
    EngineScene engine;
    std::string error;
    // Counted during the set-up too, which loads every picture: proof that the counter sees
    // the engine's opens.
    g_CountOpens = true;
    const bool made = engine.Make(&error);
    g_CountOpens = false;
    const int setupOpens = g_Opens.exchange(0);
    if (!made || !engine.Context()) {
        state.SkipWithError(("engine scene: " + error).c_str());
        return;
    }
    GxGLContext* engineContext = engine.Context();
    double u, dr, pr;
    engineContext->MakeCurrent();
    for (int i = 0; i < kWarmFrames; ++i) engine.Frame(&u, &dr, &pr);
    engine.StartPage();
    for (int i = 0; i < kWarmFrames; ++i) engine.Frame(&u, &dr, &pr);

    // The bare loop draws what a steady frame of the engine draws.
    GxDevice* device = GxGraphics::GetDevice();
    DeviceStates start;
    start.Read(*device);
    device->Recorder().Clear();
    device->Recorder().enabled = true;
    engine.Frame(&u, &dr, &pr);
    device->Recorder().enabled = false;
    const RecordedFrame recorded = ReadRecord(device->Recorder().calls, start);
    device->Recorder().Clear();

    BareScene bare;
    if (!bare.Make(recorded, &error)) {
        state.SkipWithError(("bare GL: " + error).c_str());
        return;
    }
    const std::string renderer = reinterpret_cast<const char*>(bare.context->GL().glGetString(GL_RENDERER));
    double bd, bp;
    for (int i = 0; i < kWarmFrames; ++i) bare.Frame(&bd, &bp);

    Series update, draw, present, whole, bareDraw, barePresent, bareWhole;
    for (auto _ : state) {
        g_Opens = 0;
        for (int i = 0; i < kMeasuredFrames; ++i) {
            engineContext->MakeCurrent();
            g_CountOpens = true;
            engine.Frame(&u, &dr, &pr);
            g_CountOpens = false;
            update.v.push_back(u);
            draw.v.push_back(dr);
            present.v.push_back(pr);
            whole.v.push_back(u + dr + pr);
            bare.context->MakeCurrent();
            bare.Frame(&bd, &bp);
            bareDraw.v.push_back(bd);
            barePresent.v.push_back(bp);
            bareWhole.v.push_back(bd + bp);
        }
    }
    const double ratioMedian = whole.Quantile(0.5) / std::max(bareWhole.Quantile(0.5), 1e-9);
    const double ratioP99 = whole.Quantile(0.99) / std::max(bareWhole.Quantile(0.99), 1e-9);
    std::printf("\nGL renderer: %s\n", renderer.c_str());
    std::printf("frames measured: %d (after %d warm-up), draws per frame: %zu, textures: %zu, render-target changes: %d\n",
                kMeasuredFrames, kWarmFrames, recorded.draws.size(), recorded.textureSizes.size(), recorded.targetChanges);
    std::printf("%-16s %10s %10s\n", "ms", "median", "p99");
    auto row = [](const char* name, const Series& s) { std::printf("%-16s %10.3f %10.3f\n", name, s.Quantile(0.5), s.Quantile(0.99)); };
    row("engine update", update);
    row("engine draw", draw);
    row("engine present", present);
    row("engine frame", whole);
    row("bare draw", bareDraw);
    row("bare present", barePresent);
    row("bare frame", bareWhole);
    std::printf("ratio engine/bare: median %.3f (target <= %.2f: %s), p99 %.3f (target <= %.2f: %s)\n", ratioMedian,
                kMedianTarget, ratioMedian <= kMedianTarget ? "met" : "MISSED", ratioP99, kP99Target,
                ratioP99 <= kP99Target ? "met" : "MISSED");
    std::printf("files opened during measured engine frames: %d (target 0: %s; during the set-up: %d)\n\n",
                g_Opens.load(), g_Opens.load() == 0 ? "met" : "MISSED", setupOpens);
    state.counters["engine_median_ms"] = whole.Quantile(0.5);
    state.counters["engine_p99_ms"] = whole.Quantile(0.99);
    state.counters["bare_median_ms"] = bareWhole.Quantile(0.5);
    state.counters["bare_p99_ms"] = bareWhole.Quantile(0.99);
    state.counters["ratio_median"] = ratioMedian;
    state.counters["ratio_p99"] = ratioP99;
    state.counters["file_opens"] = g_Opens.load();
    state.counters["draws"] = static_cast<double>(recorded.draws.size());
}
BENCHMARK(BM_MainFrameVsBareGL)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
