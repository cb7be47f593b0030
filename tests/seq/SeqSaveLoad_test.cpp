// The save, load and quick-load screens built by the program's screen list from the UI layout:
// pages and plates, the confirmation through the system screen's user dialog, what a save
// writes (and, when the disk refuses it, does not), the load's way back to the saved screen,
// and the quick load's pause and its refusals.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "app/task/GxTaskManage.h"
#include "core/GxAtomicFile.h"
#include "core/GxString.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "graphics/GxTexture.h"
#include "platform/GxPicture.h"
#include "seq/SeqLoad.h"
#include "seq/SeqQuickLoad.h"
#include "seq/SeqSave.h"
#include "seq/SeqRukoMain.h"
#include "seq/SeqSystem.h"
#include "game/GxKeptData.h"
#include "tests/seq/ScreenTestFixture.h"
#include "tests/graphics/graphics_test_support.h"
#include "tests/support/GxFailingDisk.h"
#include "ui/GxTaskUIBase.h"

namespace {

namespace fs = std::filesystem;
using screentest::LayoutRow;

// The save and load screens' widgets: page toggles b01..b10, eight plates where the screen
// draws them, the "new" mark and the back button; the system screen's dialogs and buttons.
void WriteSaveLoadData(const fs::path& root)
{
    const std::vector<std::vector<std::string>> modules = {
        screentest::ModuleRow(1, 18, "mod_plate", 400, 120),
        screentest::ModuleRow(2, 19, "mod_page", 40, 20),
        screentest::ModuleRow(3, 18, "mod_btn", 60, 40),
        screentest::ModuleRow(4, 15, "mod_tip", 40, 20),
        screentest::ModuleRow(5, 15, "dlg_user", 500, 240),
        screentest::ModuleRow(6, 15, "dlg_shutdown", 400, 200),
        screentest::ModuleRow(7, 18, "btn_yes", 100, 40),
        screentest::ModuleRow(8, 18, "btn_no", 100, 40),
        screentest::ModuleRow(9, 18, "btn_ok", 100, 40),
        screentest::ModuleRow(10, 18, "btn_cancel", 100, 40),
    };
    ASSERT_TRUE(screentest::WriteBytes(root / "data/db_uimodule.txt", screentest::TableText(modules)));
    std::vector<std::vector<std::string>> layout;
    int id = 1;
    for (const std::string ui : {"$UI:SeqSave", "$UI:SeqLoad"}) {
        for (int k = 1; k <= 10; ++k) {
            const std::string name = (k < 10 ? "b0" : "b") + std::to_string(k);
            layout.push_back(LayoutRow(id++, ui, "mod_page", name, 0, 50.0f * k, 20.0f));
        }
        for (int i = 0; i < 8; ++i) {
            const GxVector3 p = SeqSaveLoadBase::PlatePosition(i);
            layout.push_back(LayoutRow(id++, ui, "mod_plate", "btn_fileplate", i, p.x, p.y));
        }
        layout.push_back(LayoutRow(id++, ui, "mod_tip", "tip_new", 0, 0.0f, 0.0f));
        layout.push_back(LayoutRow(id++, ui, "mod_btn", "btn_back", 0, 900.0f, 700.0f));
    }
    ASSERT_TRUE(screentest::WriteBytes(root / "data/db_uilayout.txt", screentest::TableText(layout)));
    ASSERT_TRUE(screentest::WritePicture(root, "cg/ui/bg_save.png", 64, 48));
    ASSERT_TRUE(screentest::WritePicture(root, "cg/ui/bg_load.png", 64, 48));
    ASSERT_TRUE(screentest::WriteImageSet(root, "uigis/ui_saveload.gis", {{u"plate.png", 40, 20}}));
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes beyond limit bytes fail with EFBIG while it lives, as on a full disk (root ignores
// folder permissions, a size limit it does not).
class FullDisk
{
public:
    explicit FullDisk(rlim_t limit)
    {
        m_Handler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_Saved);
        rlimit r = m_Saved;
        r.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &m_Saved);
        std::signal(SIGXFSZ, m_Handler);
    }

private:
    rlimit m_Saved{};
    void (*m_Handler)(int) = nullptr;
};

// The names of the files each atomic write of the save went through, while it lives.
class AtomicWrites
{
public:
    AtomicWrites()
    {
        Names().clear();
        GxSetAtomicWriteHook([](GxAtomicWriteStage stage, int fd) {
            if (stage != GxAtomicWriteStage::DataWritten) return;
            char link[4096] = {};
            const ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), link, sizeof(link) - 1);
            if (n > 0) Names().push_back(fs::path(std::string(link, static_cast<size_t>(n))).filename().string());
        });
    }
    ~AtomicWrites() { GxSetAtomicWriteHook(nullptr); }
    // Whether a temporary file beside that target was written.
    bool Wrote(const std::string& target) const
    {
        for (const std::string& n : Names()) {
            if (n.rfind(target + ".tmp", 0) == 0) return true;
        }
        return false;
    }
    static std::vector<std::string>& Names()
    {
        static std::vector<std::string> names;
        return names;
    }
};

class SaveLoadScreens : public ::testing::Test
{
protected:
    SaveLoadScreens()
        : app(WriteSaveLoadData, "APP_TITLE=SaveTest\nAPP_SAVEDIR=SaveTest_SAVE\n")
    {
        data = app.core->GetUserData();
        uc = app.core->GetUserConfig();
        saveFolder = fs::path(GxWideToUtf8(app.core->GetSaveFolder()));
    }
    ~SaveLoadScreens() override
    {
        g_SystemDialogCount = 0;
        SeqSystem::SetUserDialogKey(u"");
    }

    GxTaskManage* Tm() { return app.Tm(); }
    template <class T>
    T* Screen(const char16_t* name)
    {
        return dynamic_cast<T*>(Tm()->FindTaskByName(name));
    }
    GxTaskUIBase* Widget(const char16_t* screen, const std::u16string& name, int32_t index = 0)
    {
        GxTaskBase* ui = Tm()->FindTaskByName((std::u16string(u"$UI:") + screen).c_str());
        for (GxTaskBase* t = ui ? ui->GetFirstChild() : nullptr; t; t = t->GetNextSibling()) {
            if (t->GetTaskLocalName() == name && t->GetTaskLocalIndex() == index) return dynamic_cast<GxTaskUIBase*>(t);
        }
        return nullptr;
    }
    GxTaskUIBase* DialogButton(const char16_t* name, int32_t index = 0)
    {
        GxTaskBase* d = Tm()->FindTaskByName(u"dlg_user");
        for (GxTaskBase* c = d ? d->GetFirstChild() : nullptr; c; c = c->GetNextSibling()) {
            if (c->GetTaskLocalName() == name && c->GetTaskLocalIndex() == index) return dynamic_cast<GxTaskUIBase*>(c);
        }
        return nullptr;
    }
    // A click a few pixels inside the widget, through the window's mouse walks.
    void ClickOn(GxTaskUIBase* w)
    {
        ASSERT_NE(w, nullptr);
        const GxVector3 p = w->GetAbsolutePos();
        app.Click(p.x + 5.0f, p.y + 5.0f);
    }
    void ClickPlate(const char16_t* screen, int32_t plate) { ClickOn(Widget(screen, u"btn_fileplate", plate)); }
    void Answer(const char16_t* button, int32_t index = 0) { ClickOn(DialogButton(button, index)); }
    void ChangeTo(const char16_t* name)
    {
        ASSERT_TRUE(Tm()->ChangeSequenceByName(name, 0));
        app.Frame(16);
        for (int i = 0; i < 100 && !Tm()->IsMainStarted(); ++i) app.Frame(16);
        ASSERT_EQ(Tm()->GetCurrentSequenceName(), name);
    }
    // Stands in the main play screen's save button: a save screen entered from a known screen.
    void EnterFrom(const char16_t* from, const char16_t* screen)
    {
        ChangeTo(from);
        ChangeTo(screen);
    }
    // A saved game of this title that resumes on the screen, written through the game state.
    void WriteSave(const fs::path& file, const std::u16string& title, const std::u16string& screen)
    {
        const std::u16string oldTitle = data->m_GameDataTitle, oldScreen = data->GetRestoreSequence();
        data->SetGameDataTitle(title);
        data->SetRestoreSequence(screen);
        ASSERT_TRUE(data->SaveGameData(GxUtf8ToWide((saveFolder / file).string())));
        data->SetGameDataTitle(oldTitle);
        data->SetRestoreSequence(oldScreen);
    }
    size_t Played(const std::string& file)
    {
        size_t n = 0;
        for (const std::string& c : app.sound.calls) n += c.rfind("PlayOneShot " + file + " ", 0) == 0;
        return n;
    }
    bool UserDialogOpen() { return SeqSystem::IsUserDialogOpen(Tm()->GetPersistentRoot()); }
    std::u16string UserDialogText()
    {
        auto* d = dynamic_cast<GxTaskUIBase*>(Tm()->FindTaskByName(u"dlg_user"));
        return d ? d->GetText() : u"";
    }

    screentest::Game app;
    GxUserData* data = nullptr;
    GxUserConfig* uc = nullptr;
    fs::path saveFolder;
};

TEST_F(SaveLoadScreens, PageButtonShowsItsEightSlotsWithTheirHeaders)
{
    WriteSave("gamedata018.gd", u"第二章", u"SeqRukoMain");
    EnterFrom(u"SeqCGMode", u"SeqSave");
    auto* save = Screen<SeqSave>(u"SeqSave");
    ClickOn(Widget(u"SeqSave", u"b03"));
    EXPECT_EQ(uc->m_GameDataPage, 2);
    for (int k = 1; k <= 10; ++k) {
        const std::u16string name = GxFormatString(u"b%02d", k);
        EXPECT_EQ(Widget(u"SeqSave", name)->GetValueBool(), k == 3) << GxWideToUtf8(name);
    }
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(save->GetPlateSlot(i), 17 + i);
        const GxGameDataHeader& h = save->GetPlateHeader(i);
        EXPECT_EQ(h.valid, i == 1) << i;
        if (i == 1) {
            EXPECT_FALSE(h.m_SaveTime.empty());
            EXPECT_EQ(SeqSaveLoadBase::PlateLine1(h, 18), h.m_SaveTime + u"    No.018");
            EXPECT_EQ(SeqSaveLoadBase::PlateLine2(h), u"第二章");
        } else {
            EXPECT_EQ(SeqSaveLoadBase::PlateLine1(h, 17 + i), GxFormatString(u"データがありません    No.%03d", 17 + i));
            EXPECT_EQ(SeqSaveLoadBase::PlateLine2(h), u"");
        }
    }
    // The page is the player's: the next visit opens on it.
    ClickOn(Widget(u"SeqSave", u"btn_back"));
    app.Frame(16);
    EXPECT_EQ(Tm()->GetCurrentSequenceName(), u"SeqCGMode");
    ChangeTo(u"SeqSave");
    EXPECT_EQ(save->GetPlateSlot(0), 17);
}

TEST_F(SaveLoadScreens, ConfirmedSaveWritesGameThumbnailAndMarksTheSlotNew)
{
    data->SetGameDataTitle(u"序章");
    EnterFrom(u"SeqCGMode", u"SeqSave");
    auto* save = Screen<SeqSave>(u"SeqSave");
    ClickOn(Widget(u"SeqSave", u"b02"));
    ClickPlate(u"SeqSave", 3);
    ASSERT_TRUE(UserDialogOpen());
    EXPECT_EQ(SeqSystem::GetUserDialogKey(), u"SAVECONFIRM");
    EXPECT_EQ(UserDialogText(), u"セーブしますか？");
    EXPECT_EQ(save->GetPendingSlot(), 12);
    {
        // Every file of the save replaces its old one whole.
        AtomicWrites writes;
        Answer(u"btn_dlguser_yes");
        for (const char* file : {"gamedata012.gd", "thumb012.png", "userconf.dat", "permanent.dat"})
            EXPECT_TRUE(writes.Wrote(file)) << file;
    }

    EXPECT_FALSE(UserDialogOpen());
    EXPECT_EQ(Tm()->GetCurrentSequenceName(), u"SeqSave");  // the player leaves it himself
    GxGameDataHeader header;
    ASSERT_TRUE(GxUserData::LoadGameDataHeader(GxUtf8ToWide((saveFolder / "gamedata012.gd").string()), header));
    EXPECT_EQ(header.m_GameDataTitle, u"序章");
    EXPECT_TRUE(save->GetPlateHeader(3).valid);
    EXPECT_EQ(save->GetPlateHeader(3).m_GameDataTitle, u"序章");

    // The thumbnail is the captured eighth of the screen, and the plate shows it.
    const std::string png = ReadAll(saveFolder / "thumb012.png");
    GxPictureInfo info;
    std::string error;
    ASSERT_TRUE(GxPictureProbe(png.data(), png.size(), &info, &error)) << error;
    EXPECT_EQ(info.width, 128u);
    EXPECT_EQ(info.height, 96u);
    ASSERT_NE(save->GetPlateThumbnail(3), nullptr);
    EXPECT_EQ(save->GetPlateThumbnail(3)->GetImageWidth(), 128u);
    EXPECT_FALSE(fs::exists(saveFolder / "thumb012.png.part"));

    EXPECT_EQ(uc->m_LastGameDataFileNum, 12);
    EXPECT_TRUE(fs::exists(saveFolder / "permanent.dat"));
    GxUserConfig reread;
    ASSERT_TRUE(reread.Load(app.core.get()));
    EXPECT_EQ(reread.m_LastGameDataFileNum, 12);
    EXPECT_EQ(reread.m_GameDataPage, 1);

    GxTaskUIBase* mark = Widget(u"SeqSave", u"tip_new");
    const GxVector3 at = SeqSaveLoadBase::NewMarkPosition(3);
    EXPECT_TRUE(mark->IsVisible());
    EXPECT_EQ(mark->GetPos().x, at.x);
    EXPECT_EQ(mark->GetPos().y, at.y);
    EXPECT_EQ(at.x, 446.0f);
    EXPECT_EQ(at.y, 544.0f);
    ClickOn(Widget(u"SeqSave", u"b01"));
    EXPECT_FALSE(mark->IsVisible());
    ClickOn(Widget(u"SeqSave", u"b02"));
    EXPECT_TRUE(mark->IsVisible());
}

TEST_F(SaveLoadScreens, NoWritesNothingAndAPlateWhileTheDialogIsOpenIsIgnored)
{
    EnterFrom(u"SeqCGMode", u"SeqSave");
    auto* save = Screen<SeqSave>(u"SeqSave");
    const int32_t last = uc->m_LastGameDataFileNum;
    ClickPlate(u"SeqSave", 0);
    ASSERT_TRUE(UserDialogOpen());
    // The dialog holds the input; even an event that reaches the screen does not move the slot.
    Widget(u"SeqSave", u"btn_fileplate", 5)->RaiseUIEvent(GxUIEventType::LeftDown);
    app.Frame(16);
    EXPECT_EQ(save->GetPendingSlot(), 1);
    Answer(u"btn_dlguser_no");
    EXPECT_FALSE(UserDialogOpen());
    EXPECT_EQ(save->GetPendingSlot(), -1);
    EXPECT_EQ(Tm()->GetCurrentSequenceName(), u"SeqSave");
    EXPECT_FALSE(fs::exists(saveFolder / "gamedata001.gd"));
    EXPECT_FALSE(fs::exists(saveFolder / "gamedata006.gd"));
    EXPECT_FALSE(fs::exists(saveFolder / "thumb001.png"));
    EXPECT_EQ(uc->m_LastGameDataFileNum, last);
}

TEST_F(SaveLoadScreens, SaveTheDiskRefusesLeavesTheOldSaveAndTellsThePlayer)
{
    WriteSave("gamedata001.gd", u"古いセーブ", u"SeqRukoMain");
    const std::string before = ReadAll(saveFolder / "gamedata001.gd");
    const int32_t last = uc->m_LastGameDataFileNum;
    data->SetGameDataTitle(u"新しいセーブ");
    for (int i = 0; i < 200; ++i) data->AppendMessageLog(u"名", u"長いログの行です。", false, false);
    EnterFrom(u"SeqCGMode", u"SeqSave");
    auto* save = Screen<SeqSave>(u"SeqSave");
    ClickPlate(u"SeqSave", 0);
    {
        FullDisk disk(before.size() / 2);
        Answer(u"btn_dlguser_yes");
    }
    EXPECT_EQ(ReadAll(saveFolder / "gamedata001.gd"), before);
    EXPECT_FALSE(fs::exists(saveFolder / "thumb001.png"));
    EXPECT_EQ(uc->m_LastGameDataFileNum, last);
    EXPECT_EQ(save->GetPlateHeader(0).m_GameDataTitle, u"古いセーブ");
    EXPECT_FALSE(Widget(u"SeqSave", u"tip_new")->IsVisible());
    ASSERT_TRUE(UserDialogOpen());
    EXPECT_EQ(UserDialogText(), u"セーブに失敗しました");
    EXPECT_TRUE(DialogButton(u"btn_dlguser_ok", 1)->IsVisible());
    Answer(u"btn_dlguser_ok", 1);
    EXPECT_FALSE(UserDialogOpen());
    EXPECT_EQ(Tm()->GetCurrentSequenceName(), u"SeqSave");
    // With room again the same plate saves.
    ClickPlate(u"SeqSave", 0);
    Answer(u"btn_dlguser_yes");
    EXPECT_EQ(save->GetPlateHeader(0).m_GameDataTitle, u"新しいセーブ");
    EXPECT_EQ(uc->m_LastGameDataFileNum, 1);
}

// The slot's picture is written before its game, so a save cut short between the two never
// pairs the new game with the old picture; a game the disk refuses puts the old picture back.
TEST_F(SaveLoadScreens, TheThumbnailGoesFirstAndComesBackWhenTheGameIsRefused)
{
    WriteSave("gamedata001.gd", u"古いセーブ", u"SeqRukoMain");
    ASSERT_TRUE(screentest::WriteBytes(saveFolder / "thumb001.png",
                                       gxtest::WritePngRgba(gxtest::TestPicture(128, 96, 0xFF112233u))));
    const std::string before = ReadAll(saveFolder / "thumb001.png");
    const std::string game = ReadAll(saveFolder / "gamedata001.gd");
    data->SetGameDataTitle(u"新しいセーブ");
    EnterFrom(u"SeqCGMode", u"SeqSave");
    auto* save = Screen<SeqSave>(u"SeqSave");
    ClickPlate(u"SeqSave", 0);
    {
        gxtest::FailingDisk disk(gxtest::GxDiskFault::Full, {"gamedata001.gd"});
        AtomicWrites writes;
        Answer(u"btn_dlguser_yes");
        const std::vector<std::string>& names = AtomicWrites::Names();
        ASSERT_GE(names.size(), 2u);
        EXPECT_EQ(names[0].rfind("thumb001.png.tmp", 0), 0u) << names[0];
        EXPECT_EQ(names[1].rfind("gamedata001.gd.tmp", 0), 0u) << names[1];
    }
    EXPECT_EQ(ReadAll(saveFolder / "gamedata001.gd"), game);
    EXPECT_EQ(ReadAll(saveFolder / "thumb001.png"), before) << "the old picture is back";
    ASSERT_TRUE(UserDialogOpen());
    EXPECT_EQ(UserDialogText(), u"セーブに失敗しました");
    Answer(u"btn_dlguser_ok", 1);

    // A picture the disk refuses while the game is written: the plate shows none rather than
    // the old one beside the new game.
    ClickPlate(u"SeqSave", 0);
    {
        gxtest::FailingDisk disk(gxtest::GxDiskFault::ReadOnly, {"thumb001.png"});
        Answer(u"btn_dlguser_yes");
    }
    EXPECT_FALSE(UserDialogOpen());
    EXPECT_EQ(save->GetPlateHeader(0).m_GameDataTitle, u"新しいセーブ");
    EXPECT_FALSE(fs::exists(saveFolder / "thumb001.png"));
    EXPECT_EQ(save->GetPlateThumbnail(0), nullptr);
}

// The options and the permanent data that a saved game writes after it: a refusal is shown
// once the game is saved, in one message naming what failed; its OK closes it.
TEST_F(SaveLoadScreens, OptionsOrPermanentDataTheDiskRefusesAreShownAfterTheSave)
{
    const struct { std::set<std::string> files; const char16_t* text; } cases[] = {
        {{"userconf.dat"}, u"設定の保存に失敗しました"},
        {{"permanent.dat"}, u"システムデータの保存に失敗しました"},
        {{"userconf.dat", "permanent.dat"}, u"設定とシステムデータの保存に失敗しました"},
    };
    EnterFrom(u"SeqCGMode", u"SeqSave");
    auto* save = Screen<SeqSave>(u"SeqSave");
    int32_t plate = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(GxWideToUtf8(c.text));
        ClickPlate(u"SeqSave", plate);
        {
            gxtest::FailingDisk disk(gxtest::GxDiskFault::Full, c.files);
            Answer(u"btn_dlguser_yes");
        }
        EXPECT_TRUE(save->GetPlateHeader(plate).valid) << "the game is saved";
        ASSERT_TRUE(UserDialogOpen());
        EXPECT_EQ(SeqSystem::GetUserDialogKey(), GxSeqBase::kNoticeKey);
        EXPECT_EQ(UserDialogText(), c.text);
        Answer(u"btn_dlguser_ok", 1);
        EXPECT_FALSE(UserDialogOpen());
        EXPECT_EQ(g_SystemDialogCount, 0);
        ++plate;
    }
    const std::u16string log = gxtest::ReadLog(saveFolder / "error.log");
    EXPECT_NE(log.find(u"userconf.dat: No space left on device)"), std::u16string::npos) << GxWideToUtf8(log);
    EXPECT_NE(log.find(u"permanent.dat: No space left on device)"), std::u16string::npos);
}

// A file whose header does not read shows no data and no picture, whatever thumbnail lies
// beside it.
TEST_F(SaveLoadScreens, APlateOfAGarbageSaveShowsNoThumbnail)
{
    WriteSave("gamedata002.gd", u"まとも", u"SeqRukoMain");
    ASSERT_TRUE(screentest::WriteBytes(saveFolder / "gamedata003.gd", std::string("garbage, not a save")));
    for (const char* thumb : {"thumb002.png", "thumb003.png", "thumb004.png"})
        ASSERT_TRUE(screentest::WriteBytes(saveFolder / thumb, gxtest::WritePngRgba(gxtest::TestPicture(128, 96, 0xFF445566u))));
    for (const char16_t* name : {u"SeqSave", u"SeqLoad"}) {
        SCOPED_TRACE(GxWideToUtf8(name));
        EnterFrom(u"SeqCGMode", name);
        auto* screen = Screen<SeqSaveLoadBase>(name);
        EXPECT_NE(screen->GetPlateThumbnail(1), nullptr);
        EXPECT_FALSE(screen->GetPlateHeader(2).valid);
        EXPECT_EQ(screen->GetPlateThumbnail(2), nullptr) << "a plate without data beside an old picture";
        EXPECT_EQ(screen->GetPlateThumbnail(3), nullptr) << "a picture without any save";
    }
}

TEST_F(SaveLoadScreens, LoadScreenOffersOnlySlotsWithSavesAndReturnsToTheSavedScreen)
{
    WriteSave("gamedata005.gd", u"ギャラリーで保存", u"SeqCGMode");
    data->SetGameDataTitle(u"今のゲーム");
    data->SetRestoreSequence(u"SeqRukoMain");
    EnterFrom(u"SeqRukoMain", u"SeqLoad");
    for (int i = 0; i < 8; ++i) EXPECT_EQ(Widget(u"SeqLoad", u"btn_fileplate", i)->IsEnabled(), i == 4) << i;
    // A plate without a save does not react.
    ClickPlate(u"SeqLoad", 0);
    EXPECT_FALSE(UserDialogOpen());

    const size_t closes = Played("sounds/sys/close.wav");
    ClickPlate(u"SeqLoad", 4);
    ASSERT_TRUE(UserDialogOpen());
    EXPECT_EQ(SeqSystem::GetUserDialogKey(), u"LOADCONFIRM");
    EXPECT_EQ(UserDialogText(), u"ロードしますか？");
    Answer(u"btn_dlguser_yes");
    app.Frame(16);
    EXPECT_EQ(Tm()->GetCurrentSequenceName(), u"SeqCGMode");
    EXPECT_EQ(data->m_GameDataTitle, u"ギャラリーで保存");
    EXPECT_EQ(data->GetRestoreSequence(), u"SeqCGMode");
    // The dialog's closing sound and the load's own.
    EXPECT_EQ(Played("sounds/sys/close.wav"), closes + 2);
}

// A saved game that cannot be loaded. With a readable header its plate can still be pressed and
// the load is refused; without one the plate shows no data and, as an empty slot, offers nothing.
struct DamagedCase
{
    const char* name;
    bool headerReadable;
    std::string (*damage)(const std::string& whole);
};

class DamagedLoad : public SaveLoadScreens, public ::testing::WithParamInterface<DamagedCase>
{
};

TEST_P(DamagedLoad, ChangesNothingAndKeepsTheScreenWithTheFailureDialog)
{
    WriteSave("gamedata002.gd", u"壊れる", u"SeqCGMode");
    const std::string whole = ReadAll(saveFolder / "gamedata002.gd");
    ASSERT_TRUE(screentest::WriteBytes(saveFolder / "gamedata002.gd", GetParam().damage(whole)));
    data->SetGameDataTitle(u"今のゲーム");
    data->SetRestoreSequence(u"SeqRukoMain");
    data->AppendMessageLog(u"", u"残るログ", false, false);
    const size_t logSize = data->m_MessageLog.size();
    EnterFrom(u"SeqRukoMain", u"SeqLoad");
    auto* load = Screen<SeqLoad>(u"SeqLoad");
    EXPECT_EQ(load->GetPlateHeader(1).valid, GetParam().headerReadable);
    EXPECT_EQ(Widget(u"SeqLoad", u"btn_fileplate", 1)->IsEnabled(), GetParam().headerReadable);
    ClickPlate(u"SeqLoad", 1);
    if (!GetParam().headerReadable) {
        app.Frame(16);
        EXPECT_FALSE(UserDialogOpen()) << "a plate that shows no data asked to load it";
        EXPECT_EQ(load->GetPendingSlot(), -1);
        EXPECT_EQ(Tm()->GetCurrentSequenceName(), u"SeqLoad");
        EXPECT_EQ(data->m_GameDataTitle, u"今のゲーム");
        return;
    }
    Answer(u"btn_dlguser_yes");
    app.Frame(16);
    EXPECT_EQ(Tm()->GetCurrentSequenceName(), u"SeqLoad");
    EXPECT_EQ(data->m_GameDataTitle, u"今のゲーム");
    EXPECT_EQ(data->GetRestoreSequence(), u"SeqRukoMain");
    EXPECT_EQ(data->m_MessageLog.size(), logSize);
    ASSERT_TRUE(UserDialogOpen());
    EXPECT_EQ(SeqSystem::GetUserDialogKey(), u"LOADERROR");
    EXPECT_EQ(UserDialogText(), u"ロードに失敗しました");
    Answer(u"btn_dlguser_ok", 1);
    EXPECT_FALSE(UserDialogOpen());
    EXPECT_EQ(Tm()->GetCurrentSequenceName(), u"SeqLoad");
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedLoad,
    ::testing::Values(
        DamagedCase{"TruncatedAfterTheHeader", true,
                    [](const std::string& whole) { return whole.substr(0, whole.size() * 2 / 3); }},
        DamagedCase{"ForeignTag", false, [](const std::string& whole) { return "XYZ" + whole.substr(3); }}),
    [](const ::testing::TestParamInfo<DamagedCase>& i) { return std::string(i.param.name); });

// The quick save button's save that does not reach the disk: the old quick save stays and the
// player is told as on the save screen; OK closes the message and the story goes on.
TEST_F(SaveLoadScreens, QuickSaveTheDiskRefusesKeepsTheOldFileAndTellsThePlayer)
{
    WriteSave("gamedata_quick.gd", u"古いクイック", u"SeqRukoMain");
    const std::string before = ReadAll(saveFolder / "gamedata_quick.gd");
    for (int i = 0; i < 200; ++i) data->AppendMessageLog(u"名", u"長いログの行です。", false, false);
    ChangeTo(u"SeqRukoMain");
    auto* main = Screen<SeqRukoMain>(u"SeqRukoMain");
    ASSERT_NE(main, nullptr);
    {
        FullDisk disk(before.size() / 2);
        main->QuickSave();
    }
    EXPECT_EQ(ReadAll(saveFolder / "gamedata_quick.gd"), before);
    ASSERT_TRUE(UserDialogOpen());
    EXPECT_EQ(SeqSystem::GetUserDialogKey(), u"SAVEERROR");
    EXPECT_EQ(UserDialogText(), u"セーブに失敗しました");
    Answer(u"btn_dlguser_ok", 1);
    app.Frame(16);
    EXPECT_FALSE(UserDialogOpen());
    EXPECT_EQ(g_SystemDialogCount, 0);
    EXPECT_EQ(Tm()->GetCurrentSequenceName(), u"SeqRukoMain");

    // With room again the quick save is written and says nothing.
    main->QuickSave();
    EXPECT_FALSE(UserDialogOpen());
    EXPECT_NE(ReadAll(saveFolder / "gamedata_quick.gd"), before);
}

TEST_F(SaveLoadScreens, RightClickActsAsTheBackButton)
{
    // Back goes to whichever screen opened it.
    const std::pair<const char16_t*, const char16_t*> visits[] = {{u"SeqCGMode", u"SeqSave"},
                                                                   {u"SeqRukoMain", u"SeqLoad"}};
    for (const auto& [from, screen] : visits) {
        EnterFrom(from, screen);
        app.RightDown(500.0f, 20.0f);
        app.Frame(16);
        app.Frame(16);
        EXPECT_EQ(Tm()->GetCurrentSequenceName(), from) << GxWideToUtf8(screen);
    }
}

// The quick load waits 31 updates, loads on the 32nd and then goes to the restore screen.
struct QuickCase
{
    const char* name;
    int file;  // 0 none, 1 a good quick save, 2 a truncated one
    bool loads;
};

class QuickLoad : public SaveLoadScreens, public ::testing::WithParamInterface<QuickCase>
{
};

TEST_P(QuickLoad, LoadsOnTheThirtySecondUpdateOrLeavesTheGameAsItWas)
{
    const QuickCase& c = GetParam();
    if (c.file != 0) {
        WriteSave("gamedata_quick.gd", u"クイック", u"SeqCGMode");
        if (c.file == 2) {
            const std::string whole = ReadAll(saveFolder / "gamedata_quick.gd");
            ASSERT_TRUE(screentest::WriteBytes(saveFolder / "gamedata_quick.gd", whole.substr(0, whole.size() / 2)));
        }
    }
    data->SetGameDataTitle(u"今のゲーム");
    data->SetRestoreSequence(u"SeqRukoMain");
    data->AppendMessageLog(u"", u"残るログ", false, false);
    EnterFrom(u"SeqRukoMain", u"SeqQuickLoad");
    auto* quick = Screen<SeqQuickLoad>(u"SeqQuickLoad");
    for (int i = 0; i < 200 && quick->GetQuickUpdateCount() < 31; ++i) app.Frame(16);
    ASSERT_EQ(quick->GetQuickUpdateCount(), 31);
    EXPECT_EQ(data->m_GameDataTitle, u"今のゲーム");
    app.Frame(16);
    EXPECT_EQ(data->m_GameDataTitle, c.loads ? u"クイック" : u"今のゲーム");
    EXPECT_EQ(data->m_MessageLog.empty(), c.loads);
    app.Frame(16);
    EXPECT_EQ(Tm()->GetCurrentSequenceName(), c.loads ? u"SeqCGMode" : u"SeqRukoMain");
}

INSTANTIATE_TEST_SUITE_P(Files, QuickLoad,
                         ::testing::Values(QuickCase{"NoQuickSave", 0, false}, QuickCase{"Good", 1, true},
                                           QuickCase{"Truncated", 2, false}),
                         [](const ::testing::TestParamInfo<QuickCase>& i) { return std::string(i.param.name); });

}  // namespace
