// The main play screen's script-facing operations on the screen the program's start-up builds:
// the speaker's name by mode and picture, the message after the script hid the window, the
// choices shown and picked, the background transition with its masked wipe on the recording
// device, the resets, the quick save and the thumbnail.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/GxTaskActor.h"
#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "game/DBRukoChar.h"
#include "game/DBUILayout.h"
#include "game/DBUIModule.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "graphics/GxGlobalRenderTarget.h"
#include "layer/GxLayerContent.h"
#include "layer/GxTaskLayer.h"
#include "moa/GxMoaScriptHost.h"
#include "seq/SeqRukoMain.h"
#include "tests/app/seq_test_services.h"
#include "tests/game/game_core_fixture.h"
#include "tests/support/GxMoaPackageBuilder.h"
#include "tests/support/GxPictureWriter.h"
#include "ui/GxTaskUIMessageWindow.h"
#include "ui/GxTaskUITextWidgets.h"

namespace {

constexpr int32_t kWindowTop = 600;
constexpr int32_t kButtonWidth = 100;
constexpr int32_t kButtonHeight = 30;

class AllLogs : public GxDebugListenerBase
{
public:
    AllLogs() : m_Previous(GxGetDebugListener()) { GxSetDebugListener(this); }
    ~AllLogs() override { GxSetDebugListener(m_Previous); }
    void OnDebugOutput(const std::u16string& text, int) override { all += GxWideToUtf8(text); }
    std::string all;

private:
    GxDebugListenerBase* m_Previous;
};

// The windows, the choice button module and two characters; a name picture for "ruko" only.
void PrepareGame(const std::filesystem::path& game)
{
    DBUIModule& modules = GxGetDBUIModule();
    const std::pair<const char16_t*, int32_t> moduleRows[] = {{u"tip_msgwindow", GxUIModuleType::MessageWindowFx},
                                                              {u"tip_namewindow", GxUIModuleType::TextPanelFx},
                                                              {u"btn_toggle", GxUIModuleType::ToggleButtonIs},
                                                              {u"btn_select0", GxUIModuleType::TextButtonIs}};
    int32_t id = 0;
    for (const auto& [name, type] : moduleRows) {
        DBUIModuleData& m = *modules.GetRow(id++);
        m.ModuleName = name;
        m.UIType = type;
        m.Width = kButtonWidth;
        m.Height = kButtonHeight;
    }
    DBUILayout& layout = GxGetDBUILayout();
    id = 0;
    auto row = [&](const char16_t* parent, const char16_t* module, const char16_t* name, float orderZ) {
        DBUILayoutData& l = *layout.GetRow(id++);
        l.ParentName = parent;
        l.ModuleName = module;
        l.TaskName = name;
        l.TaskIndex = parent[1] == u'U' ? -1 : 0;
        l.Create = 1;
        l.Visible = 1;
        l.Enabled = 1;
        l.Left = 20.0f;
        l.Top = static_cast<float>(kWindowTop);
        l.OrderZ = orderZ;
    };
    row(u"$UI:SeqRukoMain", u"tip_msgwindow", u"$MESWIN:SeqRukoMain", 100.0f);
    row(u"$UI:SeqRukoMain", u"tip_namewindow", u"$NAMEWIN:SeqRukoMain", 200.0f);
    row(u"$MESWIN:SeqRukoMain", u"btn_toggle", u"btn_auto", 0.0f);
    row(u"$MESWIN:SeqRukoMain", u"btn_toggle", u"btn_skip", 0.0f);
    GxGetDBRukoChar().GetRow(1)->CharName = u"ruko";
    GxGetDBRukoChar().GetRow(2)->CharName = u"mio";

    std::filesystem::create_directories(game / "cg" / "name");
    const std::vector<uint8_t> png = gxtest::WritePngRgba(gxtest::TestPicture(8, 4, 0xFF808080u));
    std::ofstream(game / "cg" / "name" / "ruko.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));

    GxMoaPackageBuilder b;
    ASSERT_TRUE(b.AddScript(u"MAIN", R"(
*MAIN
n = 0
n = 1
*PICK
n = 2
)")) << b.GetErrors();
    std::filesystem::create_directories(game / "bincode");
    ASSERT_TRUE(b.WriteFile((game / "bincode" / "moacode.mwb").string()));
}

class SeqRukoMainOpsTest : public ::testing::Test
{
protected:
    SeqRukoMainOpsTest() : app(PrepareGame)
    {
        g_MainScreenFlags = GxMainScreenFlags();
        tm = app.core->GetTaskManage();
        screen = dynamic_cast<SeqRukoMain*>(tm->FindTaskByName(u"SeqRukoMain"));
        data = app.core->GetUserData();
        options = app.core->GetUserConfig();
        config = app.core->GetSystemConfig();
        perman = app.core->GetUserDataPerman();
        mw = screen ? screen->FindMessageWindow() : nullptr;
    }
    ~SeqRukoMainOpsTest() override
    {
        if (g_MoaEx) g_MoaEx->SetErrorStop(false);
        g_MainScreenFlags = GxMainScreenFlags();
    }
    void SetUp() override
    {
        ASSERT_TRUE(app.initialized);
        ASSERT_NE(screen, nullptr);
        ASSERT_EQ(GxFindMainScreen(app.core.get()), static_cast<GxMainScreen*>(screen));
        ASSERT_NE(mw, nullptr);
    }

    template <class T = GxTaskActor>
    T* Task(const char16_t* name)
    {
        return dynamic_cast<T*>(tm->FindTaskByName(name));
    }
    GxTaskLayer* Stand(const char16_t* name)
    {
        return dynamic_cast<GxTaskLayer*>(Task<GxTaskFolder>(u"$STAND:SeqRukoMain")->FindTaskLocal(name, 0));
    }
    GxTaskUITextButtonIs* Choice(int32_t i)
    {
        return dynamic_cast<GxTaskUITextButtonIs*>(Task<GxTaskFolder>(u"$SELECT:SeqRukoMain")->FindTaskLocal(u"btn_select", i));
    }
    GxTaskUIBase* WindowButton(const char16_t* name) { return dynamic_cast<GxTaskUIBase*>(mw->FindTaskLocal(name, 0)); }
    // Items 1..n-1 of the menu, each visible where its flag says so.
    void Menu(const std::vector<bool>& visible)
    {
        data->ClearSelectMenu();
        data->m_SelectHash = u"menu";
        for (size_t i = 1; i < data->m_SelectItems.size(); ++i) {
            GxSelectMenuItem& item = data->m_SelectItems[i];
            item.m_Visible = i - 1 < visible.size() && visible[i - 1];
            item.m_Text = u"choice " + GxUtf8ToWide(std::to_string(i));
            item.m_Enable = i != 3;
        }
    }
    // Writes every pixel of the first global render texture, as if the scene had been drawn.
    void FillScene(uint32_t color)
    {
        GxTexture& t = GxGetGlobalRenderTargets().renderTextures[0];
        void* bits = nullptr;
        int32_t pitch = 0;
        ASSERT_TRUE(t.LockRect(nullptr, &bits, &pitch, nullptr, nullptr, nullptr, false));
        for (uint32_t y = 0; y < t.GetHeight(); ++y)
            for (uint32_t x = 0; x < t.GetWidth(); ++x) static_cast<uint32_t*>(bits)[size_t(y) * (pitch / 4) + x] = color;
        ASSERT_TRUE(t.UnlockRect());
        ASSERT_TRUE(t.UpdateTexture());
    }

    gametest::StartedCore app;
    GxTaskManage* tm = nullptr;
    SeqRukoMain* screen = nullptr;
    GxUserData* data = nullptr;
    GxUserConfig* options = nullptr;
    const GxSystemConfig* config = nullptr;
    GxUserDataPerman* perman = nullptr;
    GxTaskUIMessageWindowFx* mw = nullptr;
};

TEST_F(SeqRukoMainOpsTest, SetNameByModeAndPicture)
{
    struct Case
    {
        const char16_t* name;
        int32_t mode;
        bool window;           // name window shown
        const char16_t* text;  // its text
        bool picture;          // name image shown with the picture
    };
    // Each case starts from "mio" shown as text, so that "nothing" and "cleared" differ.
    const Case cases[] = {
        {u"ruko", 0, false, u"", false},     {u"", 1, false, u"", false},
        {u"ruko", 1, true, u"ruko", false},  {u"ruko", 2, true, u"", true},
        {u"mio", 2, false, u"", false},      {u"ruko", 3, true, u"", true},
        {u"mio", 3, true, u"mio", false},    {u"ruko", 4, true, u"mio", false},
        {u"ruko", -1, true, u"mio", false},
    };
    auto* nameWindow = Task<GxTaskUIBase>(u"$NAMEWIN:SeqRukoMain");
    auto* nameImage = Task<GxTaskLayer>(u"$NAMEIMAGE:SeqRukoMain");
    ASSERT_NE(nameWindow, nullptr);
    ASSERT_NE(nameImage, nullptr);
    for (const Case& c : cases) {
        const std::string label = GxWideToUtf8(c.name) + " mode " + std::to_string(c.mode);
        screen->SetName(u"ruko", 2);  // a picture left from before must go where text shows
        screen->SetName(u"mio", 1);
        screen->SetName(c.name, c.mode);
        EXPECT_EQ(nameWindow->IsVisible(), c.window) << label;
        EXPECT_EQ(nameWindow->GetText(), c.text) << label;
        EXPECT_EQ(nameImage->IsVisible(), c.picture) << label;
        EXPECT_EQ(nameImage->GetCurrentContent()->m_ContentFileName, c.picture ? u"cg/name/ruko.png" : u"") << label;
    }

    // A cleared message takes the name with it.
    screen->SetName(u"ruko", 3);
    screen->ClearMessage();
    EXPECT_FALSE(nameWindow->IsVisible());
    EXPECT_FALSE(nameImage->IsVisible());
}

TEST_F(SeqRukoMainOpsTest, SetMessageShowsTheWindowTheScriptHidAndPassesTheFlags)
{
    data->m_HideWindowByCommandFlag = true;
    ASSERT_FALSE(screen->IsUIVisible(mw));
    options->m_FastShowReadedText = false;
    screen->SetMessage(u"あい", true, true, true);
    EXPECT_FALSE(data->m_HideWindowByCommandFlag);
    EXPECT_TRUE(screen->IsUIVisible(mw));
    EXPECT_EQ(mw->GetText(), u"あい");
    EXPECT_TRUE(mw->IsReaded());
    EXPECT_TRUE(mw->GetLayout().m_IgnoreKinsoku);
    EXPECT_TRUE(mw->GetLayout().m_DisenableAutoNewline);
    mw->FlushMessage(false, false);
    EXPECT_TRUE(mw->IsClickWaiting()) << "the screen's messages end in a click wait";

    screen->SetMessage(u"う", false, false, false);
    EXPECT_FALSE(mw->IsReaded());
    EXPECT_FALSE(mw->GetLayout().m_IgnoreKinsoku);
    EXPECT_FALSE(mw->GetLayout().m_DisenableAutoNewline);
}

TEST_F(SeqRukoMainOpsTest, ClearMessageInATimedWaitLeavesTheScriptFreeToRun)
{
    screen->SetMessage(u"あ%w(5000)い", false, false, false);
    mw->ProcessNextChar();
    mw->ProcessNextChar();
    ASSERT_TRUE(mw->IsWaiting());
    screen->ClearMessage();
    EXPECT_FALSE(mw->IsWaiting());
    EXPECT_EQ(mw->GetRestCharCount(), 0u);
    EXPECT_FALSE(mw->IsClickWaiting());
}

TEST_F(SeqRukoMainOpsTest, StartSelectShowsTheVisibleItemsInConsecutiveRows)
{
    Menu({true, false, true, false, true});
    perman->SetSelectedMenuFlag(u"menu", 3);
    perman->SetSelectedMenuFlag(u"other", 1);
    screen->StartSelect();
    EXPECT_TRUE(data->m_IsSelecting);
    EXPECT_EQ(data->m_LastSelectNum, 0);

    const int32_t h = kButtonHeight + 10;
    const int32_t x = (1024 - kButtonWidth) / 2 - 32;
    int32_t y = (kWindowTop - 3 * h) / 2;
    int32_t delay = 0;
    for (int32_t i = 1; i <= 10; ++i) {
        GxTaskUITextButtonIs* b = Choice(i);
        ASSERT_NE(b, nullptr) << i;
        const bool shown = i == 1 || i == 3 || i == 5;
        EXPECT_EQ(b->IsVisible(), shown) << i;
        if (!shown) continue;
        EXPECT_EQ(b->GetText(), u"choice " + GxUtf8ToWide(std::to_string(i)));
        EXPECT_EQ(b->IsEnabled(), i != 3) << i;
        EXPECT_EQ(b->GetPos().x, static_cast<float>(x)) << i;
        EXPECT_EQ(b->GetPos().y, static_cast<float>(y)) << i;
        EXPECT_EQ(b->GetAlpha(), 0) << i;
        EXPECT_EQ(b->GetTextColor(), i == 3 ? config->m_SelectTextColor1 : config->m_SelectTextColor0) << i;
        const auto& q0List = b->GetActionQueue(0);
        const std::vector<GxActionParam> q0(q0List.begin(), q0List.end());
        const auto& q1List = b->GetActionQueue(1);
        const std::vector<GxActionParam> q1(q1List.begin(), q1List.end());
        ASSERT_EQ(q0.size(), 2u) << i;
        ASSERT_EQ(q1.size(), 2u) << i;
        EXPECT_EQ(q0[0].m_ActionType, ACTIONTYPE_WAIT);
        EXPECT_EQ(q0[0].m_TimeTotal, delay) << i;
        EXPECT_EQ(q1[0].m_TimeTotal, delay) << i;
        EXPECT_EQ(q0[1].m_ActionType, ACTIONTYPE_FADE);
        EXPECT_EQ(q0[1].m_TimeTotal, 200);
        EXPECT_EQ(q0[1].m_End.x, 255.0f);
        EXPECT_EQ(q1[1].m_ActionType, ACTIONTYPE_MOVEBY);
        EXPECT_EQ(q1[1].m_TimeTotal, 200);
        EXPECT_EQ(q1[1].m_End.x, 32.0f);
        y += h;
        delay += 50;
    }
    // The slide ends 32 pixels to the right, at the centre.
    Choice(1)->FinishAction();
    EXPECT_EQ(Choice(1)->GetPos().x, static_cast<float>(x + 32));
    EXPECT_EQ(Choice(1)->GetAlpha(), 255);

    // Without the option every choice takes the first colour.
    options->m_ChangeColorSelectedMenu = false;
    screen->StartSelect();
    EXPECT_EQ(Choice(3)->GetTextColor(), config->m_SelectTextColor0);
}

TEST_F(SeqRukoMainOpsTest, StartSelectWithoutAVisibleItemAnswersZero)
{
    Menu({false, false, false});
    data->m_LastSelectNum = 7;
    screen->StartSelect();
    EXPECT_EQ(data->m_LastSelectNum, 0);
    EXPECT_FALSE(data->m_IsSelecting);
    for (int32_t i = 1; i <= 10; ++i) EXPECT_FALSE(Choice(i)->IsVisible()) << i;
}

TEST_F(SeqRukoMainOpsTest, SelectChoiceTable)
{
    struct Case
    {
        const char16_t* label;
        bool gosub;
        bool keepAuto, keepSkip;
        int32_t stackGrowth;  // exec-stack elements added; -1: not looked at
        bool stop;            // missing label: logged, the script host stopped
    };
    const Case cases[] = {
        {u"PICK", false, false, false, 0, false},  {u"PICK", true, true, false, 1, false},
        {u"", false, false, true, 0, false},       {u"NOPE", false, true, true, -1, true},
        {u"NOPE", true, false, false, -1, true},
    };
    ASSERT_NE(g_MoaWorkerEx, nullptr);
    for (const Case& c : cases) {
        const std::string label = GxWideToUtf8(c.label) + (c.gosub ? " call" : " jump");
        ASSERT_TRUE(g_MoaWorkerEx->StartAtLabel(u"MAIN", nullptr));
        g_MoaEx->SetErrorStop(false);
        const size_t stack = g_MoaWorkerEx->GetExecStack().size();
        const int32_t line = g_MoaWorkerEx->GetLine(nullptr);
        options->m_KeepAutoModeAfterSelect = c.keepAuto;
        options->m_KeepSkipModeAfterSelect = c.keepSkip;
        g_MainScreenFlags.autoMode = g_MainScreenFlags.skipMode = true;
        WindowButton(u"btn_auto")->SetValueBool(true);
        WindowButton(u"btn_skip")->SetValueBool(true);

        Menu({true, true, true});
        data->m_SelectItems[2].m_Label = c.label;
        data->m_SelectItems[2].m_UseGosub = c.gosub;
        screen->StartSelect();
        for (int32_t i = 1; i <= 3; ++i) Choice(i)->FinishAction();
        AllLogs logs;
        screen->SelectChoice(2);

        EXPECT_EQ(data->m_LastSelectNum, 2) << label;
        EXPECT_FALSE(data->m_IsSelecting) << label;
        EXPECT_TRUE(perman->GetSelectedMenuFlag(u"menu", 2)) << label;
        EXPECT_TRUE(data->m_SelectHash.empty() && data->m_SelectItems[2].m_Label.empty()) << label << ": menu emptied";
        EXPECT_EQ(g_MainScreenFlags.autoMode, c.keepAuto) << label;
        EXPECT_EQ(WindowButton(u"btn_auto")->GetValueBool(), c.keepAuto) << label;
        EXPECT_EQ(g_MainScreenFlags.skipMode, c.keepSkip) << label;
        EXPECT_EQ(WindowButton(u"btn_skip")->GetValueBool(), c.keepSkip) << label;
        EXPECT_EQ(g_MoaEx->IsErrorStop(), c.stop) << label;
        EXPECT_EQ(logs.all.find("選択肢[2]番のラベル [NOPE] が見つかりません") != std::string::npos, c.stop) << label;
        if (c.stackGrowth >= 0) {
            EXPECT_EQ(g_MoaWorkerEx->GetExecStack().size(), stack + c.stackGrowth) << label;
            EXPECT_EQ(g_MoaWorkerEx->GetLine(nullptr) != line, !std::u16string(c.label).empty()) << label;
        }

        // The picked button stays 400 ms longer; the others slide while they fade.
        for (int32_t i = 1; i <= 3; ++i) {
            const auto& q0List = Choice(i)->GetActionQueue(0);
            const std::vector<GxActionParam> q0(q0List.begin(), q0List.end());
            const auto& q1List = Choice(i)->GetActionQueue(1);
            const std::vector<GxActionParam> q1(q1List.begin(), q1List.end());
            std::vector<int32_t> types0;
            for (const auto& a : q0) types0.push_back(a.m_ActionType);
            if (i == 2) {
                EXPECT_EQ(types0, (std::vector<int32_t>{ACTIONTYPE_WAIT, ACTIONTYPE_FADE, ACTIONTYPE_HIDE})) << label;
                EXPECT_EQ(q0[0].m_TimeTotal, 400);
                EXPECT_TRUE(q1.empty());
            } else {
                EXPECT_EQ(types0, (std::vector<int32_t>{ACTIONTYPE_FADE, ACTIONTYPE_HIDE})) << label << " " << i;
                ASSERT_EQ(q1.size(), 1u);
                EXPECT_EQ(q1[0].m_ActionType, ACTIONTYPE_MOVEBY);
            }
            EXPECT_EQ(q0.front().m_ActionType == ACTIONTYPE_FADE ? q0.front().m_TimeTotal : q0[1].m_TimeTotal, 200);
            Choice(i)->FinishAction();
            EXPECT_FALSE(Choice(i)->IsVisible()) << i;
        }
    }
}

TEST_F(SeqRukoMainOpsTest, EndBGTransitWhenIdleAnswersFalseAndChangesNothing)
{
    auto* overlay = Task<GxTaskLayer>(u"$BGTRANSIT:SeqRukoMain");
    ASSERT_FALSE(screen->IsBGTransit());
    EXPECT_FALSE(screen->EndBGTransit());
    EXPECT_FALSE(overlay->IsVisible());
    EXPECT_FALSE(screen->IsBGTransit());
}

TEST_F(SeqRukoMainOpsTest, AZeroTransitionEndsAtTheNextUpdateAndClearsStandsWhenAsked)
{
    auto* overlay = Task<GxTaskLayer>(u"$BGTRANSIT:SeqRukoMain");
    auto* bg = Task<GxTaskLayer>(u"$BGLAYER:SeqRukoMain");
    for (bool clearStands : {false, true}) {
        Stand(u"ruko")->LoadSolidColor(0xFF00FF00u, 0);
        ASSERT_TRUE(screen->CaptureScreen());
        ASSERT_TRUE(screen->StartBGTransit(u"cg/bg/none", u"", 0, clearStands));
        EXPECT_TRUE(screen->IsBGTransit());
        EXPECT_TRUE(overlay->IsVisible());
        EXPECT_EQ(bg->GetCurrentContent()->m_ContentFileName, u"cg/bg/none");
        EXPECT_EQ(Stand(u"ruko")->GetCurrentContent()->m_ContentType == CONTENTTYPE_NONE, clearStands);
        screen->Update(1, 0);
        EXPECT_FALSE(screen->IsBGTransit()) << clearStands;
        EXPECT_FALSE(overlay->IsVisible());
        EXPECT_FALSE(screen->EndBGTransit());
    }

    // A running one ends when asked, once.
    ASSERT_TRUE(screen->StartBGTransit(u"cg/bg/none", u"", 1000, false));
    EXPECT_TRUE(screen->EndBGTransit());
    EXPECT_FALSE(overlay->IsVisible());
    EXPECT_EQ(screen->GetBGTransit().m_TransitTimeLeft, 0);
    EXPECT_FALSE(screen->EndBGTransit());
}

TEST_F(SeqRukoMainOpsTest, EachDrawWipesTheOldScreenThroughTheMask)
{
    ASSERT_GT(GxGetGlobalRenderTargets().width, 0u) << "the start-up made the global render targets";
    auto* overlay = Task<GxTaskLayer>(u"$BGTRANSIT:SeqRukoMain");
    ASSERT_TRUE(screen->CaptureScreen());
    FillScene(0xFF112233u);
    ASSERT_TRUE(screen->StartBGTransit(u"cg/bg/none", u"", 1000, false));
    // Mask levels 0, 128 and 255 in the first three columns of the capture surface.
    GxSurface& mask = GxGetGlobalRenderTargets().capture;
    ASSERT_NE(mask.GetD3DSurface(), nullptr);
    GxLockedRect lr;
    ASSERT_EQ(mask.GetD3DSurface()->LockRect(&lr, nullptr, 0), GX_OK);
    const uint32_t levels[] = {0, 128, 255};
    for (uint32_t y = 0; y < mask.GetHeight(); ++y)
        for (uint32_t x = 0; x < 3; ++x) static_cast<uint32_t*>(lr.pBits)[size_t(y) * (lr.Pitch / 4) + x] = levels[x] << 16;
    ASSERT_EQ(mask.GetD3DSurface()->UnlockRect(), GX_OK);

    auto* texture = overlay->GetCurrentContent()->m_pTexture.get();
    ASSERT_NE(texture, nullptr);
    struct Step
    {
        int32_t elapsedMs;  // before the draw
        uint32_t alpha[3];  // clamp(mask - 510 x progress + 255, 0, 255)
    };
    // Progress 0, 0.5 and 0.999 (the transition ends at 1, which hides the overlay).
    const Step steps[] = {{0, {255, 255, 255}}, {500, {0, 128, 255}}, {499, {0, 0, 1}}};
    for (const Step& s : steps) {
        screen->Update(1, int64_t(s.elapsedMs) * 1000);
        ASSERT_TRUE(screen->IsBGTransit());
        screen->Draw(0, 0);
        for (uint32_t x = 0; x < 3; ++x) {
            EXPECT_EQ(texture->GetPixel(x, 10), s.alpha[x] << 24 | 0x112233u) << s.elapsedMs << " mask " << levels[x];
        }
    }
    screen->Update(1, 1000);
    EXPECT_FALSE(screen->IsBGTransit());
    EXPECT_FALSE(overlay->IsVisible());
}

TEST_F(SeqRukoMainOpsTest, ResetVisualsPutsLayersModesAndMessageBack)
{
    auto* visual = Task<GxTaskLayer>(u"$VISUAL:SeqRukoMain");
    auto* bg = Task<GxTaskLayer>(u"$BGLAYER:SeqRukoMain");
    auto* bgw = Task<GxTaskLayer>(u"$BGWLAYER:SeqRukoMain");
    auto* movie = Task<GxTaskLayer>(u"$MOVIELAYER:SeqRukoMain");
    auto* flash = Task<GxTaskLayer>(u"$GLOBALFLASH:SeqRukoMain");
    auto* fade = Task<GxTaskLayer>(u"$GLOBALFADE:SeqRukoMain");
    visual->StartShake(GxVector3(4.0f, 4.0f, 0.0f), -1);
    visual->SetPos(GxVector3(5.0f, 6.0f, 0.0f));
    visual->AddActionFadeOut(1000);
    for (GxTaskLayer* l : {bg, bgw, movie, Stand(u"ruko")}) {
        l->LoadSolidColor(0xFF123456u, 0);
        l->SetPos(GxVector3(7.0f, 8.0f, 0.0f));
        l->SetScale(GxVector3(2.0f, 2.0f, 1.0f));
        l->SetOrderZ(55.0f);
        l->AddActionFadeOut(1000);
    }
    bg->Hide();
    bgw->Show();
    movie->Hide();
    for (GxTaskLayer* l : {flash, fade}) {
        l->SetAlpha(200);
        l->SetOrderZ(3.0f);
        l->Hide();
        l->AddActionFadeIn(1000);
    }
    ASSERT_TRUE(screen->StartBGTransit(u"cg/bg/none", u"", 1000, false));
    g_MainScreenFlags.autoMode = g_MainScreenFlags.skipMode = true;
    WindowButton(u"btn_auto")->SetValueBool(true);
    WindowButton(u"btn_skip")->SetValueBool(true);
    screen->SetMessage(u"あ%w(5000)い", false, false, false);
    mw->ProcessNextChar();
    mw->ProcessNextChar();
    ASSERT_TRUE(mw->IsWaiting());
    data->ResetForBattleMap();  // the program's road to ResetVisuals

    EXPECT_FALSE(visual->IsShaking());
    EXPECT_TRUE(visual->IsActionFinished());
    EXPECT_EQ(visual->GetPos().x, 0.0f);
    struct Expect
    {
        GxTaskLayer* layer;
        float orderZ;
        bool visible;
    };
    for (const Expect& e : {Expect{bg, -100.0f, true}, Expect{bgw, -10.0f, false}, Expect{movie, -20.0f, true}}) {
        const std::string label = GxWideToUtf8(e.layer->GetTaskName());
        EXPECT_EQ(e.layer->GetOrderZ(), e.orderZ) << label;
        EXPECT_EQ(e.layer->IsVisible(), e.visible) << label;
        EXPECT_TRUE(e.layer->IsActionFinished()) << label;
        EXPECT_EQ(e.layer->GetPos().x, 0.0f) << label;
        EXPECT_EQ(e.layer->GetScale().x, 1.0f) << label;
        EXPECT_EQ(e.layer->GetCurrentContent()->m_ContentType, CONTENTTYPE_NONE) << label;
    }
    GxTaskLayer* ruko = Stand(u"ruko");
    EXPECT_EQ(ruko->GetCurrentContent()->m_ContentType, CONTENTTYPE_NONE);
    EXPECT_TRUE(ruko->IsActionFinished());
    EXPECT_EQ(ruko->GetPos().x, 0.0f);
    EXPECT_EQ(flash->GetOrderZ(), 10000.0f);
    EXPECT_EQ(flash->GetBlendMode(), 3) << "the flash keeps its additive blend";
    EXPECT_EQ(fade->GetOrderZ(), 10001.0f);
    EXPECT_EQ(flash->GetAlpha(), 0);
    EXPECT_EQ(fade->GetAlpha(), 0);
    EXPECT_TRUE(flash->IsVisible() && fade->IsVisible());
    EXPECT_TRUE(flash->IsActionFinished() && fade->IsActionFinished());
    EXPECT_FALSE(screen->IsBGTransit());
    EXPECT_FALSE(Task(u"$BGTRANSIT:SeqRukoMain")->IsVisible());
    EXPECT_FALSE(g_MainScreenFlags.autoMode || g_MainScreenFlags.skipMode);
    EXPECT_FALSE(WindowButton(u"btn_auto")->GetValueBool() || WindowButton(u"btn_skip")->GetValueBool());
    EXPECT_TRUE(mw->GetText().empty());
    EXPECT_FALSE(mw->IsWaiting()) << "no reveal wait of the old message holds the script";
}

TEST_F(SeqRukoMainOpsTest, ResetWindowsPutsTheWindowsAndChoicesBack)
{
    auto* nameWindow = Task<GxTaskUIBase>(u"$NAMEWIN:SeqRukoMain");
    auto* nameImage = Task<GxTaskLayer>(u"$NAMEIMAGE:SeqRukoMain");
    auto* bg = Task<GxTaskLayer>(u"$BGLAYER:SeqRukoMain");
    bg->SetOrderZ(5.0f);
    screen->SetMessage(u"あいう", false, false, false);
    screen->SetName(u"ruko", 2);
    for (GxTaskUIBase* w : {static_cast<GxTaskUIBase*>(mw), nameWindow}) {
        w->SetPos(GxVector3(300.0f, 10.0f, 0.0f));
        w->SetOrderZ(9.0f);
        w->SetImageAlpha(3);
        w->AddActionFadeOut(1000);
    }
    nameImage->SetOrderZ(1.0f);
    nameImage->AddActionFadeOut(1000);
    Menu({true, true});
    screen->StartSelect();
    options->m_TextWindowOpacity = 180;

    data->ResetForNewGame(true);  // the program's road to ResetWindows

    EXPECT_EQ(bg->GetOrderZ(), -100.0f) << "the visuals were reset first";
    EXPECT_TRUE(mw->GetText().empty());
    for (GxTaskUIBase* w : {static_cast<GxTaskUIBase*>(mw), nameWindow}) {
        const std::string label = GxWideToUtf8(w->GetTaskName());
        EXPECT_TRUE(w->IsActionFinished()) << label;
        EXPECT_EQ(w->GetPos().x, 20.0f) << label << ": the layout row again";
        EXPECT_EQ(w->GetPos().y, static_cast<float>(kWindowTop)) << label;
        EXPECT_EQ(w->GetImageAlpha(), 180) << label;
    }
    EXPECT_EQ(mw->GetOrderZ(), 100.0f);
    EXPECT_EQ(nameWindow->GetOrderZ(), 200.0f);
    EXPECT_TRUE(mw->IsVisible());
    EXPECT_FALSE(nameWindow->IsVisible());
    EXPECT_TRUE(nameWindow->GetText().empty());
    EXPECT_TRUE(nameImage->IsActionFinished());
    EXPECT_EQ(nameImage->GetOrderZ(), 201.0f);
    EXPECT_FALSE(nameImage->IsVisible());
    for (int32_t i = 1; i <= 10; ++i) {
        EXPECT_FALSE(Choice(i)->IsVisible()) << i;
        EXPECT_TRUE(Choice(i)->IsActionFinished()) << i;
        EXPECT_EQ(Choice(i)->GetOrderZ(), 16000.0f) << i;
    }
}

TEST_F(SeqRukoMainOpsTest, QuickSaveWritesTheQuickSaveFile)
{
    const std::u16string path = app.core->GetSaveFolder() + config->m_QuickSaveFileName;
    data->SetGameDataTitle(u"quick");
    screen->QuickSave();
    GxGameDataHeader header;
    ASSERT_TRUE(GxUserData::LoadGameDataHeader(path, header));
    EXPECT_TRUE(header.valid);
    EXPECT_EQ(header.m_GameDataTitle, u"quick");
}

// The scene capture through the screen services, which sees whether $BGWLAYER shows.
class CaptureRecording : public RecordingSeqServices
{
public:
    bool RenderSceneToGlobalTexture() override
    {
        bgwShown.push_back(bgw && bgw->IsVisible());
        return RecordingSeqServices::RenderSceneToGlobalTexture();
    }
    GxTaskActor* bgw = nullptr;
    std::vector<bool> bgwShown;
};

TEST_F(SeqRukoMainOpsTest, CaptureThumbnailShowsTheWindowLayerOnlyDuringTheCapture)
{
    CaptureRecording services;
    services.bgw = Task(u"$BGWLAYER:SeqRukoMain");
    FillScene(0xFF204060u);
    screen->CaptureThumbnail();
    EXPECT_EQ(services.bgwShown, std::vector<bool>{true});
    EXPECT_FALSE(services.bgw->IsVisible());
    const GxGlobalRenderTargets& g = GxGetGlobalRenderTargets();
    uint32_t pixel = 0;
    std::memcpy(&pixel, g.thumbnail.GetBuffer(), 4);
    EXPECT_EQ(pixel, 0xFF204060u) << "the captured scene reduced into the thumbnail";
}

}  // namespace
