// GxGraphics::Create and Release over a recording adapter that each test describes: the mode
// search, the resource formats, the present parameters of the screen modes, the multisample
// choice, the device-type fallbacks, the failures and the "device.log" report.
#include <gtest/gtest.h>

#include <cstdlib>

#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics_test_support.h"
#include "platform/GxDeviceRecording.h"

namespace {

class GraphicsCreate : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GxGetGraphicsSettings().SetStartupValues();
        adapter = GxDefaultRecordingAdapter();
    }
    void TearDown() override
    {
        GxGraphics::Release();
        GxGraphics::SetDirect3DFactory(nullptr);
        GxGetGraphicsSettings().SetStartupValues();
    }

    bool Create()
    {
        GxGraphics::SetDirect3DFactory([this](void*) { return GxCreateRecordingDirect3D(adapter); });
        return GxGraphics::Create(nullptr, nullptr, nullptr, nullptr);
    }

    GxDeviceCore* Device() { return dynamic_cast<GxDeviceCore*>(GxGraphics::GetDevice()); }
    std::vector<std::u16string> DeviceLog() { return gxtest::Lines(logs.Device()); }

    GxGraphicsSettings& settings = GxGetGraphicsSettings();
    gxtest::LogFolder logs;
    GxRecordingAdapter adapter;
};

GxDisplayMode Mode(uint32_t w, uint32_t h, uint32_t hz, GxFormat f = GXFMT_X8R8G8B8) { return {w, h, hz, f}; }

}  // namespace

TEST_F(GraphicsCreate, PresentParametersOfTheFourModes)
{
    adapter.desc.modes = {Mode(1920, 1080, 60), Mode(1024, 768, 60), Mode(2048, 1536, 75)};
    ASSERT_TRUE(Create());
    EXPECT_EQ(GxGraphics::GetScreenMode(), SCRMODE_WINDOW);

    GxPresentParameters w;
    w.BackBufferWidth = 1024;
    w.BackBufferHeight = 768;
    w.BackBufferFormat = GXFMT_X8R8G8B8;
    w.BackBufferCount = 1;
    w.SwapEffect = GXSWAPEFFECT_FLIP;
    w.Windowed = 1;
    w.AutoDepthStencilFormat = GXFMT_D24S8;
    w.PresentationInterval = GXPRESENT_INTERVAL_ONE;
    EXPECT_EQ(GxGraphics::GetPresentParameters(SCRMODE_WINDOW), w);

    GxPresentParameters ws = w;
    ws.BackBufferWidth = 1920;
    ws.BackBufferHeight = 1080;
    EXPECT_EQ(GxGraphics::GetPresentParameters(SCRMODE_WINDOWSIZE), ws);

    GxPresentParameters f = w;
    f.Windowed = 0;
    f.FullScreen_RefreshRateInHz = 60;
    EXPECT_EQ(GxGraphics::GetPresentParameters(SCRMODE_FULLSCREEN), f);

    GxPresentParameters f2 = f;
    f2.BackBufferWidth = 2048;
    f2.BackBufferHeight = 1536;
    f2.FullScreen_RefreshRateInHz = 75;
    EXPECT_EQ(GxGraphics::GetPresentParameters(SCRMODE_FULLSCREENX2), f2);

    // The named modes beyond 3, the spare slot and indices outside the table have none.
    for (int m = SCRMODE_FULL320X240; m <= GX_PRESENT_PARAMETER_SLOTS; ++m)
        EXPECT_EQ(GxGraphics::GetPresentParameters(m), GxPresentParameters()) << m;
    EXPECT_EQ(GxGraphics::GetPresentParameters(-1), GxPresentParameters());

    // The device is made for the window mode with mixed vertex processing.
    ASSERT_NE(Device(), nullptr);
    EXPECT_EQ(Device()->Type(), GXDEVTYPE_HAL);
    EXPECT_EQ(Device()->BehaviorFlags(), 0x86u);
    EXPECT_EQ(Device()->Params(), w);
    EXPECT_EQ(GxGraphics::State().renderTargetStacks.size(), 1u);
    EXPECT_FALSE(GxGraphics::State().softwareVertexProcessing);
    EXPECT_FALSE(GxGraphics::State().referenceDevice);

    GxGraphics::Release();
    EXPECT_EQ(GxGraphics::GetDevice(), nullptr);
    EXPECT_EQ(GxGraphics::GetDirect3D(), nullptr);
}

TEST_F(GraphicsCreate, PresentFlagsFollowTheSettings)
{
    struct Case
    {
        uint32_t vsync;
        uint32_t interval;
    };
    const Case cases[] = {{0, GXPRESENT_INTERVAL_IMMEDIATE}, {1, GXPRESENT_INTERVAL_ONE}, {2, GXPRESENT_INTERVAL_TWO},
                          {3, GXPRESENT_INTERVAL_THREE},     {4, GXPRESENT_INTERVAL_FOUR}, {5, GXPRESENT_INTERVAL_DEFAULT}};
    for (const Case& c : cases) {
        settings.SetStartupValues();
        settings.vsyncInterval = c.vsync;
        settings.lockableBackBuffer = c.vsync == 2;
        settings.swapEffect = GXSWAPEFFECT_COPY;
        ASSERT_TRUE(Create()) << c.vsync;
        for (int m = 0; m < 3; ++m) {
            const GxPresentParameters& p = GxGraphics::GetPresentParameters(m);
            EXPECT_EQ(p.PresentationInterval, c.interval) << c.vsync;
            EXPECT_EQ(p.Flags, c.vsync == 2 ? GXPRESENTFLAG_LOCKABLE_BACKBUFFER : 0u);
            EXPECT_EQ(p.SwapEffect, static_cast<uint32_t>(GXSWAPEFFECT_COPY));
        }
        GxGraphics::Release();
    }
}

TEST_F(GraphicsCreate, RefreshRatePreference)
{
    struct Case
    {
        const char* what;
        std::vector<uint32_t> rates;
        uint32_t requested;
        uint32_t chosen;
    };
    const Case cases[] = {
        {"the requested rate wins", {85, 75, 60}, 75, 75},
        {"60 comes before 75 when the requested rate is absent", {75, 60}, 50, 60},
        {"the list's order decides among the preferences", {85, 72, 70}, 100, 70},
        {"no preferred rate: the first candidate", {120, 100}, 60, 120},
        {"rate 0 is the last preference", {0, 144}, 60, 0},
    };
    for (const Case& c : cases) {
        settings.SetStartupValues();
        settings.refreshRate = c.requested;
        adapter.desc.modes = {Mode(1920, 1080, 60)};
        for (uint32_t r : c.rates) adapter.desc.modes.push_back(Mode(1024, 768, r));
        ASSERT_TRUE(Create()) << c.what;
        EXPECT_EQ(GxGraphics::State().fullScreenMode, Mode(1024, 768, c.chosen)) << c.what;
        EXPECT_EQ(GxGraphics::GetPresentParameters(SCRMODE_FULLSCREEN).FullScreen_RefreshRateInHz, c.chosen) << c.what;
        GxGraphics::Release();
    }
}

TEST_F(GraphicsCreate, FormatOrderFollowsTheBackBufferBits)
{
    adapter.desc.modes = {Mode(1024, 768, 60, GXFMT_R5G6B5), Mode(1024, 768, 60, GXFMT_X8R8G8B8),
                          Mode(1024, 768, 60, GXFMT_A8R8G8B8)};
    ASSERT_TRUE(Create());
    EXPECT_EQ(GxGraphics::State().fullScreenMode.Format, GXFMT_X8R8G8B8);
    GxGraphics::Release();

    settings.backBufferBits = 16;
    ASSERT_TRUE(Create());
    EXPECT_EQ(GxGraphics::State().fullScreenMode.Format, GXFMT_R5G6B5);
    // Every matching mode is listed, in the order of the formats tried; other formats are not.
    EXPECT_TRUE(gxtest::InOrder(DeviceLog(), {u"フルスクリーンモードで利用可能な画面モード一覧",
                                              u"\t・1024 x 768 60Hz (D3DFMT_R5G6B5)",
                                              u"\t・1024 x 768 60Hz (D3DFMT_X8R8G8B8)",
                                              u"\tフルスクリーンモードで利用する画面モードが見つかりました",
                                              u"\t・1024 x 768 60Hz (D3DFMT_R5G6B5)"}));
    EXPECT_EQ(logs.Device().find(u"D3DFMT_A8R8G8B8)"), std::u16string::npos);
}

TEST_F(GraphicsCreate, NoLogicalScreenModeLeavesFullScreenUnusable)
{
    adapter.desc.desktop = Mode(1280, 720, 59);
    adapter.desc.modes = {Mode(1280, 720, 59), Mode(800, 600, 60)};
    adapter.formatChecks = std::make_shared<std::vector<GxFormatCheck>>();
    ASSERT_TRUE(Create());
    EXPECT_FALSE(GxGraphics::State().modeAvailable[SCRMODE_FULLSCREEN]);
    EXPECT_FALSE(GxGraphics::State().modeAvailable[SCRMODE_FULLSCREENX2]);
    EXPECT_EQ(GxGraphics::GetPresentParameters(SCRMODE_FULLSCREEN).BackBufferHeight, 0u);
    EXPECT_EQ(GxGraphics::GetPresentParameters(SCRMODE_FULLSCREENX2).BackBufferHeight, 0u);
    // The window mode takes the requested size with the desktop's rate and format.
    EXPECT_EQ(GxGraphics::State().windowMode, Mode(1024, 768, 59));
    EXPECT_TRUE(gxtest::InOrder(DeviceLog(), {u"\tフルスクリーンモードで利用する画面モードが見つかりませんでした",
                                              u"\tフルスクリーンX2モードで利用する画面モードが見つかりませんでした"}));
    // Every format question was asked against the desktop format.
    ASSERT_FALSE(adapter.formatChecks->empty());
    for (const GxFormatCheck& c : *adapter.formatChecks) EXPECT_EQ(c.adapterFormat, GXFMT_X8R8G8B8);

    // With a full-screen mode, the questions use its format.
    GxGraphics::Release();
    adapter.formatChecks->clear();
    adapter.desc.modes.push_back(Mode(1024, 768, 60, GXFMT_R5G6B5));
    ASSERT_TRUE(Create());
    ASSERT_FALSE(adapter.formatChecks->empty());
    for (const GxFormatCheck& c : *adapter.formatChecks) EXPECT_EQ(c.adapterFormat, GXFMT_R5G6B5);
}

TEST_F(GraphicsCreate, ResourceFormatChoice)
{
    struct Case
    {
        const char* what;
        uint32_t textureBits, depthBits;
        std::vector<GxFormat> textures, targets, depths;
        GxFormat texture, target, depth;
    };
    const Case cases[] = {
        {"32-bit, everything there", 32, 24, {GXFMT_A8R8G8B8, GXFMT_A4R4G4B4}, {GXFMT_A8R8G8B8}, {GXFMT_D24S8, GXFMT_D15S1},
         GXFMT_A8R8G8B8, GXFMT_A8R8G8B8, GXFMT_D24S8},
        {"16-bit textures prefer A4R4G4B4", 16, 16, {GXFMT_A8R8G8B8, GXFMT_A4R4G4B4}, {GXFMT_A8R8G8B8},
         {GXFMT_D24S8, GXFMT_D15S1}, GXFMT_A4R4G4B4, GXFMT_A8R8G8B8, GXFMT_D15S1},
        {"second choices", 32, 24, {GXFMT_A4R4G4B4}, {GXFMT_A4R4G4B4}, {GXFMT_D24X4S4}, GXFMT_A4R4G4B4,
         GXFMT_A4R4G4B4, GXFMT_D24X4S4},
        {"16-bit texture falls back to A8R8G8B8", 16, 24, {GXFMT_A8R8G8B8}, {GXFMT_A8R8G8B8}, {GXFMT_D24X8},
         GXFMT_A8R8G8B8, GXFMT_A8R8G8B8, GXFMT_D24X8},
        {"nothing supported", 32, 24, {}, {}, {}, GXFMT_A8R8G8B8, GXFMT_A8R8G8B8, GXFMT_D24S8},
        {"nothing supported, 16-bit", 16, 16, {}, {}, {}, GXFMT_A4R4G4B4, GXFMT_A8R8G8B8, GXFMT_D24S8},
    };
    for (const Case& c : cases) {
        settings.SetStartupValues();
        settings.textureBits = c.textureBits;
        settings.depthStencilBits = c.depthBits;
        adapter.desc.textureFormats = c.textures;
        adapter.desc.renderTargetFormats = c.targets;
        adapter.desc.depthStencilFormats = c.depths;
        ASSERT_TRUE(Create()) << c.what;
        EXPECT_EQ(GxGraphics::GetTextureFormat(), c.texture) << c.what;
        EXPECT_EQ(GxGraphics::GetRenderTargetFormat(), c.target) << c.what;
        EXPECT_EQ(GxGraphics::GetDepthStencilFormat(), c.depth) << c.what;
        EXPECT_EQ(GxGraphics::GetPresentParameters(SCRMODE_WINDOW).AutoDepthStencilFormat, c.depth) << c.what;
        GxGraphics::Release();
    }
}

TEST_F(GraphicsCreate, DesktopThatCannotBeDrawnInAWindowStartsFullScreen)
{
    adapter.desc.windowedFormats = {};
    ASSERT_TRUE(Create());
    EXPECT_TRUE(GxGraphics::State().forceFullScreen);
    EXPECT_EQ(GxGraphics::GetScreenMode(), SCRMODE_FULLSCREEN);
    EXPECT_EQ(GxGraphics::GetPresentParameters(SCRMODE_WINDOW).BackBufferHeight, 0u);
    EXPECT_EQ(GxGraphics::GetPresentParameters(SCRMODE_WINDOWSIZE).BackBufferHeight, 0u);
    EXPECT_EQ(Device()->Params().Windowed, 0);
    EXPECT_TRUE(gxtest::InOrder(
        DeviceLog(), {u"起動画面モード", u"\t・画面モード:SCRMODE_FULLSCREEN", u"\t・RefreshRate:60",
                      u"\t・ウインドウモードではアクセラレーションが効きません(強制的にフルスクリーンモードにします)"}));

    // A requested mode other than the window mode is kept as it is.
    GxGraphics::Release();
    settings.screenMode = SCRMODE_WINDOWSIZE;
    EXPECT_FALSE(Create());
}

TEST_F(GraphicsCreate, MultisampleChoice)
{
    struct Case
    {
        uint32_t setting;
        uint32_t full, window;  // quality counts the adapter offers for the setting's type
        uint32_t type, quality, settingAfter;
    };
    const Case cases[] = {
        {2, 0, 0, 0, 0, 0},  // not supported: the setting is turned off
        {2, 1, 0, 0, 0, 0},  // supported in one of the two only
        {2, 2, 3, 2, 2, 2},  // quality is the windowed count minus one
        {4, 1, 1, 4, 0, 4},
        {3, 5, 5, 0, 0, 3},  // only 2 and 4 are settings; others are left alone
    };
    for (const Case& c : cases) {
        settings.SetStartupValues();
        settings.multiSampleMode = c.setting;
        adapter = GxDefaultRecordingAdapter();
        adapter.desc.multiSampleQuality[0][c.setting] = c.full;
        adapter.desc.multiSampleQuality[1][c.setting] = c.window;
        ASSERT_TRUE(Create()) << c.setting;
        for (int m = 0; m < 3; ++m) {
            EXPECT_EQ(GxGraphics::GetPresentParameters(m).MultiSampleType, c.type) << c.setting;
            EXPECT_EQ(GxGraphics::GetPresentParameters(m).MultiSampleQuality, c.quality) << c.setting;
        }
        EXPECT_EQ(settings.multiSampleMode, c.settingAfter);
        EXPECT_EQ(GxGraphics::State().multiSampleQualityFull[c.setting], c.full);
        EXPECT_EQ(GxGraphics::State().multiSampleQualityWindow[c.setting], c.window);
        GxGraphics::Release();
    }
    std::u16string log = logs.Device();
    EXPECT_NE(log.find(u"\t・02 x 02\t2\t3\n"), std::u16string::npos);
    EXPECT_NE(log.find(u"\t・NONE   \t1\t1\n\t・NONMASK\t0\t0\n"), std::u16string::npos);
}

TEST_F(GraphicsCreate, DeviceTypeFallbacks)
{
    struct Case
    {
        uint32_t failures;
        bool ref;
        GxDeviceType type;
        uint32_t flags;
        bool software, reference;
        const char16_t* line;
    };
    const Case cases[] = {
        {0, true, GXDEVTYPE_HAL, 0x86, false, false,
         u"\t・Direct3Dを D3DDEVTYPE_HAL - D3DCREATE_MIXED_VERTEXPROCESSING で初期化しました"},
        {1, true, GXDEVTYPE_HAL, 0x26, true, false,
         u"\t・Direct3Dを D3DDEVTYPE_HAL - D3DCREATE_SOFTWARE_VERTEXPROCESSING で初期化しました"},
        {2, true, GXDEVTYPE_REF, 0x86, true, true,
         u"\t・Direct3Dを D3DDEVTYPE_REF - D3DCREATE_MIXED_VERTEXPROCESSING で初期化しました"},
        {3, true, GXDEVTYPE_REF, 0x26, true, true,
         u"\t・Direct3Dを D3DDEVTYPE_REF - D3DCREATE_SOFTWARE_VERTEXPROCESSING で初期化しました"},
    };
    for (const Case& c : cases) {
        gxtest::LogFolder caseLogs;
        adapter = GxDefaultRecordingAdapter();
        adapter.createDeviceFailures = c.failures;
        adapter.desc.refAvailable = c.ref;
        ASSERT_TRUE(Create()) << c.failures;
        ASSERT_NE(Device(), nullptr);
        EXPECT_EQ(Device()->Type(), c.type);
        EXPECT_EQ(Device()->BehaviorFlags(), c.flags);
        EXPECT_EQ(Device()->GetSoftwareVertexProcessing(), c.software);
        EXPECT_EQ(GxGraphics::State().softwareVertexProcessing, c.software);
        EXPECT_EQ(GxGraphics::State().referenceDevice, c.reference);
        // Switching to software processing is a recorded device call.
        EXPECT_EQ(Device()->Recorder().Count(GxDeviceOp::SetSoftwareVertexProcessing), c.software ? 1u : 0u);
        auto lines = gxtest::Lines(caseLogs.Device());
        if (c.reference)
            EXPECT_TRUE(gxtest::InOrder(lines, {u"\t注意：このモードでは正常に表示されません", c.line, u"\t・VRAM残量:512MByte"}));
        else
            EXPECT_TRUE(gxtest::InOrder(lines, {c.line, u"\t・VRAM残量:512MByte"}));
        if (!c.reference) {
            EXPECT_EQ(caseLogs.Device().find(u"注意"), std::u16string::npos);
        }
        GxGraphics::Release();
    }
}

TEST_F(GraphicsCreate, AllDeviceTypesFail)
{
    // Without a reference rasteriser the last answer is "not available".
    adapter.createDeviceFailures = 2;
    adapter.createDeviceFailure = GXERR_OUTOFVIDEOMEMORY;
    EXPECT_FALSE(Create());
    EXPECT_EQ(GxGraphics::GetDevice(), nullptr);
    EXPECT_EQ(GxGraphics::GetDirect3D(), nullptr);
    EXPECT_EQ(logs.Error(), u"D3D9 CreateDevice Failed(Code:0x8876086a "
                            u"このデバイスは問い合わせたテクニックをサポートしていません。)\n");
    ASSERT_EQ(gxtest::MessageBoxes().size(), 1u);
    EXPECT_EQ(gxtest::MessageBoxes()[0].first, u"起動できません");
    EXPECT_EQ(gxtest::MessageBoxes()[0].second,
              u"Direct3Dデバイスの作成に失敗しました(Code:0x8876086a)\n1.最新のDirectX(August "
              u"2009以降)をインストールして下さい\n2.ビデオカードが推奨環境を満たしているか確認して下さい");
}

TEST_F(GraphicsCreate, CapabilitiesThatCannotBeReadFallBackToDefaults)
{
    adapter.desc.capsAvailable = false;
    adapter.desc.windowedFormats = {};  // would force full screen; the caps failure clears that
    ASSERT_TRUE(Create());
    EXPECT_EQ(GxGraphics::GetScreenMode(), SCRMODE_WINDOW);
    EXPECT_FALSE(GxGraphics::State().forceFullScreen);
    EXPECT_EQ(GxGraphics::GetPresentParameters(SCRMODE_WINDOW).BackBufferWidth, 1024u);
    const GxGraphicsCaps& c = GxGraphics::GetCaps();
    EXPECT_EQ(c.MaxTextureWidth, 4096u);
    EXPECT_EQ(c.MaxTextureHeight, 4096u);
    EXPECT_EQ(c.MaxTextureRepeat, 8192u);
    EXPECT_EQ(c.MaxTextureAspectRatio, 8192u);
    EXPECT_EQ(c.MaxVertexW, 1e10f);
    EXPECT_EQ(c.GuardBandLeft, -1e8f);
    EXPECT_EQ(c.GuardBandBottom, 1e8f);
    EXPECT_EQ(c.MaxPointSize, 8192.0f);
    EXPECT_EQ(c.Pow2, 1);
    EXPECT_EQ(c.SquareOnly, 0);
    EXPECT_EQ(c.HwTransformAndLight, 0);
    EXPECT_EQ(c.MaxVertexIndex, 0xFFFFFFu);
    EXPECT_EQ(c.MaxStreams, 16u);
    EXPECT_EQ(c.MaxStreamStride, 255u);
    EXPECT_EQ(c.NumSimultaneousRTs, 1u);
    EXPECT_EQ(c.MaxTextureBlendStages, 8u);
    EXPECT_EQ(c.MaxActiveLights, 8u);
    EXPECT_EQ(c.VertexShaderVersion, GxVertexShaderVersion(1, 0));
    EXPECT_EQ(c.MaxVertexShaderConst, 256u);
    ASSERT_EQ(gxtest::MessageBoxes().size(), 1u);
    EXPECT_EQ(gxtest::MessageBoxes()[0].first, u"ビデオデバイス情報が取得できません");
    EXPECT_EQ(gxtest::MessageBoxes()[0].second, u"デフォルト設定で起動しますが正常に動作しない可能性があります");
    auto lines = DeviceLog();
    EXPECT_TRUE(gxtest::InOrder(lines, {u"ビデオデバイス情報が取得できませんでした", u"有効なアンチエイリアス処理(深度バッファあり)"}));
    EXPECT_EQ(logs.Device().find(u"ビデオデバイスの能力情報"), std::u16string::npos);
}

TEST_F(GraphicsCreate, FailuresBeforeTheDevice)
{
    // The device object cannot be made.
    GxGraphics::SetDirect3DFactory([](void*) -> GxDirect3D* { return nullptr; });
    EXPECT_FALSE(GxGraphics::Create(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(logs.Error(), u"Direct3DCreate9 Failed\n");
    ASSERT_EQ(gxtest::MessageBoxes().size(), 1u);
    EXPECT_EQ(gxtest::MessageBoxes()[0].second,
              u"Direct3Dの初期化に失敗しました\n1.DirectX9.0c August 2009以降の最新版をインストールして下さい\n"
              u"2.ビデオカードが推奨環境を満たしているか確認して下さい");

    // The adapter cannot name itself.
    gxtest::LogFolder second;
    adapter.desc.identifierAvailable = false;
    EXPECT_FALSE(Create());
    EXPECT_EQ(second.Error(), u"GetAdapterIdentifierに失敗。ビデオカード情報が取得できません\nD3D9 GetAdapterInfo Failed\n");
    EXPECT_EQ(GxGraphics::GetDirect3D(), nullptr);

    // With a display, a missing window is refused before anything is made.
    gxtest::LogFolder third;
    const char* display = getenv("DISPLAY");
    std::string savedDisplay = display ? display : "";
    const char* headless = getenv("GX_HEADLESS");
    std::string savedHeadless = headless ? headless : "";
    setenv("DISPLAY", ":0", 1);
    setenv("GX_HEADLESS", "0", 1);
    bool made = Create();
    if (display) setenv("DISPLAY", savedDisplay.c_str(), 1);
    else unsetenv("DISPLAY");
    if (headless) setenv("GX_HEADLESS", savedHeadless.c_str(), 1);
    else unsetenv("GX_HEADLESS");
    EXPECT_FALSE(made);
    EXPECT_EQ(third.Error(), u"Direct3DCreate9 Failed m_hWnd is NULL\n");
    ASSERT_EQ(gxtest::MessageBoxes().size(), 1u);
    EXPECT_EQ(gxtest::MessageBoxes()[0].first, u"起動できません");
    EXPECT_EQ(gxtest::MessageBoxes()[0].second, u"ウインドウハンドルが取得できません");
    EXPECT_EQ(third.Device(), u"Direct3D9の初期化を開始します\n");
}

TEST_F(GraphicsCreate, DeviceLogReportsInOrder)
{
    adapter.desc.identifier.Description = "\x83\x65\x83\x58\x83\x67 GPU";  // CP932
    adapter.desc.identifier.Driver = "gxdrv";
    adapter.desc.identifier.DriverVersion = 0x0001000200030004ull;
    adapter.desc.modes = {Mode(1920, 1080, 60), Mode(1024, 768, 75), Mode(1024, 768, 60)};
    ASSERT_TRUE(Create());
    auto lines = DeviceLog();

    // The section headings, exactly and in order.
    std::vector<std::u16string> headings;
    for (const auto& l : lines)
        if (!l.empty() && l[0] != u'\t') headings.push_back(l);
    std::vector<std::u16string> want = {
        u"Direct3D9の初期化を開始します",
        u"フルスクリーンモードで利用可能な画面モード一覧",
        u"フルスクリーンX2モードで利用可能な画面モード一覧",
        u"使用するリソースのフォーマットを検索します",
        u"ビデオデバイスの能力情報",
        u"ビデオデバイスの能力情報(概要)",
        u"有効なテクスチャオペレーション",
        u"有効なアンチエイリアス処理(深度バッファあり)",
        u"要求された画面モード",
        u"起動前画面モード",
        u"起動画面モード",
    };
    EXPECT_EQ(headings, want);

    EXPECT_TRUE(gxtest::InOrder(
        lines,
        {u"\t・ビデオカード数:1", u"\t・ビデオカード名:テスト GPU", u"\t・ドライバ名:gxdrv (1.2.3.4)",
         u"フルスクリーンモードで利用可能な画面モード一覧", u"\t・1024 x 768 75Hz (D3DFMT_X8R8G8B8)",
         u"\t・1024 x 768 60Hz (D3DFMT_X8R8G8B8)", u"\tフルスクリーンモードで利用する画面モードが見つかりました",
         u"\t・1024 x 768 60Hz (D3DFMT_X8R8G8B8)",
         u"\tフルスクリーンX2モードで利用する画面モードが見つかりませんでした", u"\t・TextureFormat:D3DFMT_A8R8G8B8",
         u"\t・RenderTargetFormat:D3DFMT_A8R8G8B8", u"\t・DepthStencilFormat:D3DFMT_D24S8", u"\t・Caps:0x00000000",
         u"\t・Caps2:0x60000000", u"\t・TextureOpCaps:0x0000027F", u"\t・D3DDEVCAPS_PUREDEVICE:0",
         u"\t・D3DDEVCAPS_HWTRANSFORMANDLIGHT:1", u"\t・D3DPTEXTURECAPS_POW2:1", u"\t・D3DPTEXTURECAPS_SQUAREONLY:0",
         u"\t・D3DPTEXTURECAPS_NONPOW2CONDITIONAL:0", u"\t・MaxTextureWidth:8192",
         u"\t・StretchRectFilterCaps:0x3000300", u"\t\t・D3DPTFILTERCAPS_MINFPOINT",
         u"\t\t・D3DPTFILTERCAPS_MAGFPOINT", u"\t\t・D3DPTFILTERCAPS_MINFLINEAR", u"\t\t・D3DPTFILTERCAPS_MAGFLINEAR",
         u"\t・MaxVertexW:10000000000.0000", u"\t・GuardBandLeft:-100000000.0000", u"\t・MaxPointSize:256.0000",
         u"\t・MaxRenderTarget:1", u"\t・VertexShaderVersion:3.0", u"\t・PixelShader1xMaxValue:65504.000000",
         u"\t・TEXOP_ADD:1", u"\t・TEXOP_LERP:0", u"\t・TEXOP_SUBTRACT:1", u"\t・SAMPLES\tFUL\tWIN",
         u"\t・NONE   \t1\t1", u"\t・16 x 16\t0\t0", u"要求された画面モード", u"\t・画面モード:SCRMODE_WINDOW",
         u"\t・VSYNCインターバル回数:1", u"\t・ロック可能なバックバッファ:0", u"\t・BackBufferWidth:1024",
         u"\t・BackBufferHeight:768", u"\t・RefreshRate:60", u"\t・TextureBits:32", u"\t・BackBufferBits:32",
         u"\t・DepthStencilBits:24", u"\t・MultiSampleMode:0", u"起動前画面モード", u"\t・BackBufferWidth:1920",
         u"\t・BackBufferHeight:1080", u"\t・RefreshRate:60", u"\t・BackBufferFormat:D3DFMT_X8R8G8B8",
         u"起動画面モード", u"\t・画面モード:SCRMODE_WINDOW", u"\t・BackBufferWidth:1024", u"\t・RefreshRate:0",
         u"\t・TextureFormat:D3DFMT_A8R8G8B8", u"\t・BackBufferFormat:D3DFMT_X8R8G8B8",
         u"\t・RenderTargetFormat:D3DFMT_A8R8G8B8", u"\t・DepthStencilFormat:D3DFMT_D24S8", u"\t・MultiSampleMode:0",
         u"\t・ウインドウモードで起動が可能です",
         u"\t・Direct3Dを D3DDEVTYPE_HAL - D3DCREATE_MIXED_VERTEXPROCESSING で初期化しました",
         u"\t・VRAM残量:512MByte"}));
    EXPECT_EQ(lines.back(), u"\t・VRAM残量:512MByte");
    // 26 texture operations, one line each; 17 multisample rows.
    size_t texops = 0, samples = 0;
    for (const auto& l : lines) {
        texops += l.rfind(u"\t・TEXOP_", 0) == 0 ? 1 : 0;
        samples += (l.size() > 3 && l[0] == u'\t' && (l.find(u" x ") == 4 || l.rfind(u"\t・NON", 0) == 0)) ? 1 : 0;
    }
    EXPECT_EQ(texops, 26u);
    EXPECT_EQ(samples, 17u);
    EXPECT_EQ(logs.Error(), u"");
}

TEST(GraphicsTexts, ErrorStrings)
{
    struct Case
    {
        GxResult code;
        const char16_t* text;
    };
    const Case cases[] = {
        {GX_OK, u"エラーは発生していません"},
        {static_cast<GxResult>(0x80004005u), u"Direct3D サブシステム内で原因不明のエラーが発生しました。"},
        {static_cast<GxResult>(0x8007000Eu),
         u"Direct3D が呼び出しを完了するための十分なメモリを割り当てることができませんでした。"},
        {static_cast<GxResult>(0x88760868u), u"デバイスは消失していますが現在リセットできません。レンダリングは不可能です。"},
        {static_cast<GxResult>(0x88760869u), u"デバイスは消失していますが、現在リセットできます。"},
        {static_cast<GxResult>(0x8876086Cu),
         u"メソッドの呼び出しが無効です。例えばメソッドのパラメータが有効なポインタではありません。"},
        {static_cast<GxResult>(0x8876017Cu), u"Direct3D が処理を行うのに十分なディスプレイメモリがありません。"},
        {static_cast<GxResult>(0x88760B59u), u"データが無効です。"},
        {static_cast<GxResult>(0x88760B5Cu), u"最後の項目が削除できません。"},
        // Codes without an entry print their value in lower-case hexadecimal.
        {static_cast<GxResult>(0x8000FFFFu), u"未知のエラーです。(code:0x8000ffff)"},
        {static_cast<GxResult>(0x1234ABCDu), u"未知のエラーです。(code:0x1234abcd)"},
        {static_cast<GxResult>(0x8876086Du), u"未知のエラーです。(code:0x8876086d)"},
        {1, u"未知のエラーです。(code:0x1)"},
    };
    for (const Case& c : cases) EXPECT_EQ(GxGraphics::GetD3DErrorString(c.code), c.text) << std::hex << c.code;
}

TEST(GraphicsTexts, FormatAndModeNames)
{
    EXPECT_EQ(GxGraphics::GetFormatName(GXFMT_UNKNOWN), u"D3DFMT_UNKNOWN");
    EXPECT_EQ(GxGraphics::GetFormatName(GXFMT_A8R8G8B8), u"D3DFMT_A8R8G8B8");
    EXPECT_EQ(GxGraphics::GetFormatName(static_cast<GxFormat>(30)), u"D3DFMT_X4R4G4B4");
    EXPECT_EQ(GxGraphics::GetFormatName(GXFMT_CxV8U8), u"D3DFMT_CxV8U8");
    EXPECT_EQ(GxGraphics::GetFormatName(GXFMT_D24S8), u"D3DFMT_D24S8");
    EXPECT_EQ(GxGraphics::GetFormatName(static_cast<GxFormat>(0x35545844)), u"D3DFMT_DXT5");
    EXPECT_EQ(GxGraphics::GetFormatName(GXFMT_G8R8_G8B8), u"D3DFMT_G8R8_G8B8");
    EXPECT_EQ(GxGraphics::GetFormatName(static_cast<GxFormat>(1)), u"ERROR");
    EXPECT_EQ(GxGraphics::GetFormatName(static_cast<GxFormat>(0x12345678)), u"ERROR");
    // Two names in one message stay two names.
    EXPECT_EQ(GxFormatString(u"%s/%s", GxGraphics::GetFormatName(GXFMT_A8R8G8B8), GxGraphics::GetFormatName(GXFMT_D16)),
              u"D3DFMT_A8R8G8B8/D3DFMT_D16");

    EXPECT_EQ(std::u16string(GxGraphics::GetScreenModeName(SCRMODE_WINDOW)), u"SCRMODE_WINDOW");
    EXPECT_EQ(std::u16string(GxGraphics::GetScreenModeName(SCRMODE_FULLSCREENX2)), u"SCRMODE_FULLSCREENX2");
    EXPECT_EQ(std::u16string(GxGraphics::GetScreenModeName(SCRMODE_FULL1920X1080)), u"SCRMODE_FULL1920X1080");
    EXPECT_EQ(std::u16string(GxGraphics::GetScreenModeName(SCRMODE_MAX)), u"");
    EXPECT_EQ(std::u16string(GxGraphics::GetScreenModeName(-1)), u"");
}
