// Immediate drawing on the GL backend (headless, Mesa's software rasteriser): one frame of ten
// full-screen 1024 x 768 textured quads and 200 sprites with changing textures and blend presets,
// drawn through the engine (GxGraphics::DrawTexture) and, in the same run, by a bare GL loop
// that draws the same quads with the same texture and blend changes from its own minimal program
// and buffer. Both end the frame with glFinish, so the time is the frame's whole cost. The
// engine's CPU time per draw call is measured on the recording backend.
//
// BM_EngineVsBareGL alternates the two and reports their ratio (target: at most 1.25);
// BM_EngineFrameGL and BM_BareGLFrame time each on its own.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/GxLog.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxTexture.h"
#include "bench/bench_bare_gl.h"
#include "platform/GxDeviceRecording.h"
#include "platform/gl/GxGLDevice.h"
#include "platform/gl/GxGLShader.h"

namespace {

constexpr int kScreenW = 1024;
constexpr int kScreenH = 768;
constexpr int kFullScreenQuads = 10;
constexpr int kSprites = 200;
constexpr int kSpriteSize = 64;
constexpr int kSpriteTextures = 4;
const int32_t kSpritePresets[kSpriteTextures] = {BLENDMODE_ALPHA, BLENDMODE_ADD, BLENDMODE_MULTIPLY, BLENDMODE_ALPHA};

// Where sprite i goes: spread over the screen, some partly off its left and top edges.
void SpritePos(int i, float* x, float* y)
{
    *x = static_cast<float>((i * 397) % kScreenW - kSpriteSize / 2);
    *y = static_cast<float>((i * 211) % kScreenH - kSpriteSize / 2);
}

std::vector<uint32_t> Picture(uint32_t w, uint32_t h, uint32_t seed)
{
    std::vector<uint32_t> p(static_cast<size_t>(w) * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            p[static_cast<size_t>(y) * w + x] = 0xC0000000u | ((x * 3 + seed) & 0xFF) << 16 | ((y * 5) & 0xFF) << 8 |
                                                ((x ^ y ^ seed) & 0xFF);
    return p;
}

bool Fill(GxTexture& t, const std::vector<uint32_t>& pixels, uint32_t w, uint32_t h)
{
    void* bits = nullptr;
    int32_t pitch = 0;
    if (!t.LockRect(nullptr, &bits, &pitch, nullptr, nullptr, nullptr, false)) return false;
    for (uint32_t y = 0; y < h; ++y)
        std::memcpy(static_cast<uint8_t*>(bits) + static_cast<size_t>(y) * pitch, &pixels[static_cast<size_t>(y) * w],
                    w * 4);
    return t.UnlockRect();
}

// The engine with its pictures: one screen-size picture and four sprite pictures.
class EngineScene
{
public:
    bool Make(GxGraphics::Direct3DFactory factory)
    {
        GxSetErrorLogPath(u"/dev/null");
        GxSetDebugLogPath(u"/dev/null");
        GxSetDeviceLogPath(u"/dev/null");
        GxGetGraphicsSettings().SetStartupValues();
        GxGraphics::SetDirect3DFactory(std::move(factory));
        if (!GxGraphics::Create(nullptr, nullptr, nullptr, nullptr)) return false;
        if (!screen.CreateTexture(u"screen", kScreenW, kScreenH, GXFMT_A8R8G8B8, 1) ||
            !Fill(screen, Picture(kScreenW, kScreenH, 7), kScreenW, kScreenH))
            return false;
        for (int i = 0; i < kSpriteTextures; ++i)
            if (!sprites[i].CreateTexture(u"sprite", kSpriteSize, kSpriteSize, GXFMT_A8R8G8B8, 1) ||
                !Fill(sprites[i], Picture(kSpriteSize, kSpriteSize, 40u * i), kSpriteSize, kSpriteSize))
                return false;
        return true;
    }
    ~EngineScene()
    {
        screen.ReleaseAll();
        for (auto& s : sprites) s.ReleaseAll();
        GxGraphics::Release();
        GxGraphics::SetDirect3DFactory(nullptr);
    }

    void Frame()
    {
        GxGraphics::BeginScene();
        GxGraphics::SetDefaultRenderState();
        for (int i = 0; i < kFullScreenQuads; ++i)
            GxGraphics::DrawTexture(&screen, 0, 0, GxFRect(0, 0, kScreenW, kScreenH), GxVector2(1, 1), GxVector3(),
                                    GxVector2(), GxVector2(), 0xFFFFFFFFu, 0, BLENDMODE_ALPHA);
        for (int i = 0; i < kSprites; ++i) {
            float x, y;
            SpritePos(i, &x, &y);
            const int k = i % kSpriteTextures;
            GxGraphics::DrawTexture(&sprites[k], x, y, GxFRect(0, 0, kSpriteSize, kSpriteSize), GxVector2(1, 1),
                                    GxVector3(), GxVector2(), GxVector2(), 0xFFFFFFFFu, 0, kSpritePresets[k]);
        }
        GxGraphics::EndScene();
    }

    GxTexture screen;
    GxTexture sprites[kSpriteTextures];
};

GxGLContext* EngineContext()
{
    auto* d3d = dynamic_cast<GxGLDirect3D*>(GxGraphics::GetDirect3D());
    return d3d ? &d3d->Context() : nullptr;
}

void BM_EngineFrameGL(benchmark::State& state)
{
    EngineScene scene;
    if (!scene.Make(nullptr)) {
        state.SkipWithError("no GL device");
        return;
    }
    GxGLContext* context = EngineContext();
    if (!context) {
        state.SkipWithError("not the GL backend");
        return;
    }
    context->MakeCurrent();
    scene.Frame();  // the program and buffers are made on the first draw
    context->GL().glFinish();
    for (auto _ : state) {
        scene.Frame();
        context->GL().glFinish();
    }
    state.counters["draws"] = kFullScreenQuads + kSprites;
}
BENCHMARK(BM_EngineFrameGL)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// ---- The bare loop ----------------------------------------------------------------------------

using benchgl::BareVertex;

class BareScene
{
public:
    bool Make(std::string* error)
    {
        context = GxGLContext::Create(nullptr, error);
        if (!context) return false;
        const char* missing = "";
        if (!d.Load(*context, &missing)) {
            *error = missing;
            return false;
        }
        const GxGLFunctions& gl = context->GL();
        program = benchgl::MakeBareProgram(d, kScreenW, kScreenH);

        gl.glGenTextures(1, &target);
        gl.glBindTexture(GL_TEXTURE_2D, target);
        gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kScreenW, kScreenH, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                        nullptr);
        gl.glGenFramebuffers(1, &framebuffer);
        gl.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        gl.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target, 0);
        gl.glViewport(0, 0, kScreenW, kScreenH);

        // The same texture sizes the engine makes: powers of two.
        screen = Texture(1024, 1024, Picture(1024, 1024, 7));
        for (int i = 0; i < kSpriteTextures; ++i) sprites[i] = Texture(kSpriteSize, kSpriteSize, Picture(64, 64, 40u * i));

        benchgl::MakeBareVertexBuffer(d, kBufferBytes, &vao, &buffer);
        gl.glEnable(GL_BLEND);
        return gl.glGetError() == GL_NO_ERROR;
    }
    ~BareScene()
    {
        if (!context) return;
        context->MakeCurrent();
        const GxGLFunctions& gl = context->GL();
        d.glDeleteBuffers(1, &buffer);
        d.glDeleteVertexArrays(1, &vao);
        gl.glDeleteTextures(1, &screen);
        for (GLuint t : sprites) gl.glDeleteTextures(1, &t);
        gl.glDeleteFramebuffers(1, &framebuffer);
        gl.glDeleteTextures(1, &target);
        d.glDeleteProgram(program);
    }

    void Quad(float x, float y, float w, float h, float u1, float v1)
    {
        x -= 0.5f;
        y -= 0.5f;
        const BareVertex q[4] = {{x, y, 0, 0, 0xFFFFFFFFu}, {x, y + h, 0, v1, 0xFFFFFFFFu},
                                 {x + w, y + h, u1, v1, 0xFFFFFFFFu}, {x + w, y, u1, 0, 0xFFFFFFFFu}};
        GLbitfield access = GL_MAP_WRITE_BIT | GL_MAP_UNSYNCHRONIZED_BIT | GL_MAP_INVALIDATE_RANGE_BIT;
        if (used + sizeof q > kBufferBytes) {
            used = 0;
            access |= GL_MAP_INVALIDATE_BUFFER_BIT;
        }
        void* p = d.glMapBufferRange(GL_ARRAY_BUFFER, used, sizeof q, access);
        std::memcpy(p, q, sizeof q);
        d.glUnmapBuffer(GL_ARRAY_BUFFER);
        d.glDrawArrays(GL_TRIANGLE_FAN, static_cast<GLint>(used / sizeof(BareVertex)), 4);
        used += sizeof q;
    }

    void Blend(int32_t preset)
    {
        switch (preset) {
        case BLENDMODE_ADD: d.glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE, GL_ONE, GL_ONE); break;
        case BLENDMODE_MULTIPLY: d.glBlendFuncSeparate(GL_ZERO, GL_SRC_COLOR, GL_ONE, GL_ONE); break;
        default: d.glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE); break;
        }
    }

    void Frame()
    {
        const GxGLFunctions& gl = context->GL();
        d.glBlendEquationSeparate(GL_FUNC_ADD, GL_MAX);
        Blend(BLENDMODE_ALPHA);
        gl.glBindTexture(GL_TEXTURE_2D, screen);
        for (int i = 0; i < kFullScreenQuads; ++i) Quad(0, 0, kScreenW, kScreenH, 1.0f, 0.75f);
        for (int i = 0; i < kSprites; ++i) {
            float x, y;
            SpritePos(i, &x, &y);
            const int k = i % kSpriteTextures;
            Blend(kSpritePresets[k]);
            gl.glBindTexture(GL_TEXTURE_2D, sprites[k]);
            Quad(x, y, kSpriteSize, kSpriteSize, 1.0f, 1.0f);
        }
        gl.glFinish();
    }

    std::unique_ptr<GxGLContext> context;

private:
    static constexpr uint32_t kBufferBytes = 4u << 20;

    GLuint Texture(uint32_t w, uint32_t h, const std::vector<uint32_t>& pixels)
    {
        const GxGLFunctions& gl = context->GL();
        GLuint t = 0;
        gl.glGenTextures(1, &t);
        gl.glBindTexture(GL_TEXTURE_2D, t);
        gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(w), static_cast<GLsizei>(h), 0, GL_BGRA,
                        GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        return t;
    }

    GxGLDrawFunctions d;
    GLuint program = 0, target = 0, framebuffer = 0, screen = 0, vao = 0, buffer = 0;
    GLuint sprites[kSpriteTextures] = {};
    uint32_t used = 0;
};

void BM_BareGLFrame(benchmark::State& state)
{
    BareScene scene;
    std::string error;
    if (!scene.Make(&error)) {
        state.SkipWithError(("no GL context: " + error).c_str());
        return;
    }
    scene.Frame();
    for (auto _ : state) scene.Frame();
    state.counters["draws"] = kFullScreenQuads + kSprites;
}
BENCHMARK(BM_BareGLFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The two in turns, frame by frame, so that a loaded machine slows both alike: the counters
// give each one's mean frame time and the engine's ratio to the bare loop.
void BM_EngineVsBareGL(benchmark::State& state)
{
    EngineScene engine;
    BareScene bare;
    std::string error;
    if (!engine.Make(nullptr) || !EngineContext() || !bare.Make(&error)) {
        state.SkipWithError("no GL device");
        return;
    }
    GxGLContext* context = EngineContext();
    using Clock = std::chrono::steady_clock;
    auto engineFrame = [&] {
        context->MakeCurrent();
        engine.Frame();
        context->GL().glFinish();
    };
    auto bareFrame = [&] {
        bare.context->MakeCurrent();
        bare.Frame();
    };
    engineFrame();
    bareFrame();
    double engineSeconds = 0, bareSeconds = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        engineFrame();
        auto t1 = Clock::now();
        bareFrame();
        auto t2 = Clock::now();
        engineSeconds += std::chrono::duration<double>(t1 - t0).count();
        bareSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["engine_ms"] = engineSeconds / n * 1e3;
    state.counters["bare_ms"] = bareSeconds / n * 1e3;
    state.counters["ratio"] = bareSeconds > 0 ? engineSeconds / bareSeconds : 0.0;
}
BENCHMARK(BM_EngineVsBareGL)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(4.0);

// ---- CPU cost per draw call on the recording backend ---------------------------------------------

void BM_EngineDrawCallRecording(benchmark::State& state)
{
    EngineScene scene;
    if (!scene.Make([](void*) { return GxCreateRecordingDirect3D(GxDefaultRecordingAdapter()); })) {
        state.SkipWithError("no recording device");
        return;
    }
    // Keeping every call would measure the record's growth, not the engine.
    GxGraphics::GetDevice()->Recorder().enabled = false;
    GxGraphics::BeginScene();
    int i = 0;
    for (auto _ : state) {
        float x, y;
        SpritePos(i, &x, &y);
        const int k = i % kSpriteTextures;
        GxGraphics::DrawTexture(&scene.sprites[k], x, y, GxFRect(0, 0, kSpriteSize, kSpriteSize), GxVector2(1, 1),
                                GxVector3(), GxVector2(), GxVector2(), 0xFFFFFFFFu, 0, kSpritePresets[k]);
        i = (i + 1) % kSprites;
    }
    GxGraphics::EndScene();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EngineDrawCallRecording)->Unit(benchmark::kNanosecond);

}  // namespace
