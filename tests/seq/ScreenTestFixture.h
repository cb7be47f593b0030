// A started game for the screen tests: the game folder gets its data tables, UI
// layout and pictures before start-up, so the screens are built by the program's own screen
// list from them; frames run the task manager's walks with a test-chosen time, input goes
// through the manager's walks as the window procedure offers it, and the cursor shapes the
// screens ask for are recorded.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/GxCore.h"
#include "app/task/GxTaskManage.h"
#include "core/GxPackFile.h"
#include "core/GxString.h"
#include "layer/GxNcImageSet.h"
#include "platform/GxSdlWindow.h"
#include "ui/GxTaskUIBase.h"
#include "tests/app/core_test_util.h"
#include "tests/game/game_core_fixture.h"
#include "tests/support/GxNcWriter.h"
#include "tests/support/GxPackWriter.h"
#include "tests/support/GxPictureWriter.h"
#include "tests/support/GxRecordingSound.h"

namespace screentest {

// The headless window services, with every cursor shape asked for kept; a test can have them
// refuse full screen, as an X server without a window manager does.
class CursorRecordingWindow : public GxSdlWindowServices
{
public:
    using GxSdlWindowServices::GxSdlWindowServices;
    void SetCursor(GxSystemCursor cursor) override
    {
        cursors.push_back(static_cast<int>(cursor));
        GxSdlWindowServices::SetCursor(cursor);
    }
    bool SetWindowStyle(GxWindowHandle window, uint32_t style) override
    {
        if (refuseFullScreen && !(style & GxWindowStyle::Caption)) return false;
        return GxSdlWindowServices::SetWindowStyle(window, style);
    }
    std::vector<int> cursors;
    bool refuseFullScreen = false;
};

inline bool WriteBytes(const std::filesystem::path& path, std::string_view bytes)
{
    std::filesystem::create_directories(path.parent_path());
    return GxPackWriter::WriteFile(path.string(), bytes);
}
inline bool WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    return GxPackWriter::WriteFile(path.string(), bytes.data(), bytes.size());
}

// A table file: one row per line, cells joined by TABs.
inline std::string TableText(const std::vector<std::vector<std::string>>& rows)
{
    std::string text;
    for (const auto& row : rows) {
        for (size_t i = 0; i < row.size(); ++i) text += (i ? "\t" : "") + row[i];
        text += "\n";
    }
    return text;
}

// One gallery row: pictures ("name" or "name|start|end") in FileName 0.., Count as given.
struct CgRow
{
    int id;
    int group;
    std::string thumbnail;
    std::vector<std::string> files;
    int count = 0;
};

inline std::string CgTable(const std::vector<CgRow>& rows)
{
    std::vector<std::vector<std::string>> lines;
    for (const CgRow& r : rows) {
        std::vector<std::string> cells{std::to_string(r.id), std::to_string(r.group), r.thumbnail};
        for (int j = 0; j < 32; ++j) cells.push_back(j < static_cast<int>(r.files.size()) ? r.files[j] : "");
        cells.push_back(std::to_string(r.count));
        lines.push_back(cells);
    }
    return TableText(lines);
}

// An image set of solid patterns, each image one pattern of its own size, side by side on one
// page picture.
struct SetImage
{
    std::u16string name;
    int32_t width;
    int32_t height;
};

inline bool WriteImageSet(const std::filesystem::path& gameFolder, const std::string& setPath,
                          const std::vector<SetImage>& images)
{
    const std::string stem = setPath.substr(0, setPath.rfind(".gis"));
    const std::string pageName = stem.substr(stem.find_last_of('/') + 1) + "_0.png";
    int32_t width = 1, height = 1;
    for (const SetImage& i : images) {
        width += i.width;
        height = std::max(height, i.height);
    }
    GxNcCrammedImageSet set;
    set.m_CrammedImageArray.resize(1);
    set.m_CrammedImageArray[0].m_FileName = GxUtf8ToWide(pageName);
    set.m_CrammedImageArray[0].m_ImageWidth = width;
    set.m_CrammedImageArray[0].m_ImageHeight = height;
    int32_t x = 0;
    for (const SetImage& i : images) {
        GxNcOriginImage& origin = GxNcAddOriginImage(set, i.name);
        GxNcAddPattern(origin, 0, 0, 0, i.width, i.height, x, 0);
        origin.m_ImageWidth = i.width;
        origin.m_ImageHeight = i.height;
        x += i.width;
    }
    const std::string folder = stem.substr(0, stem.find_last_of('/') + 1);
    return WriteBytes(gameFolder / (folder + pageName),
                      gxtest::WritePngRgba(gxtest::TestPicture(static_cast<uint32_t>(width),
                                                               static_cast<uint32_t>(height), 0xFF808080u))) &&
           GxNcWriteFileBytes((gameFolder / setPath).string(), GxNcImageSetToBytes(set, GxContentForm::Binary));
}

inline bool WritePicture(const std::filesystem::path& gameFolder, const std::string& path, uint32_t w, uint32_t h)
{
    return WriteBytes(gameFolder / path, gxtest::WritePngRgba(gxtest::TestPicture(w, h, 0xFF336699u)));
}

// A row of the UI module table: ID, UIType (e.g. 18 button, 20 radio button), name, image set
// and pattern (none by default), size, and a client rectangle of the same size.
inline std::vector<std::string> ModuleRow(int id, int uiType, const std::string& name, int width, int height,
                                          const std::string& imageSet = "", const std::string& pattern = "")
{
    const std::string w = std::to_string(width), h = std::to_string(height);
    return {std::to_string(id), std::to_string(uiType), name, imageSet, pattern, w, h, "0", "0", w, h, "0", "0", "0"};
}

// A layout row of the UI layout table.
inline std::vector<std::string> LayoutRow(int id, const std::string& parent, const std::string& module,
                                          const std::string& name, int index, float left, float top, int group = 0,
                                          int value = 0)
{
    return {std::to_string(id), parent, "0", module, name, std::to_string(index), "1", "1", "1",
            std::to_string(static_cast<int>(left)), std::to_string(static_cast<int>(top)), "0",
            std::to_string(group), "", "", std::to_string(value), "0", "1", "0", ""};
}

// The quads the pattern drawing hands to the graphics layer while the recorder lives (left,
// top, width and specular of each); they still reach the layer.
struct QuadRecorder
{
    struct Quad
    {
        float x, y, width;
        uint32_t specular;
    };
    QuadRecorder()
    {
        m_Saved = GxNcGetGraphicsHooks();
        GxNcGraphicsHooks hooks = m_Saved;
        Forward() = m_Saved.m_DrawQuad;
        hooks.m_DrawQuad = [](const GxNcQuad& q) {
            Quads().push_back({q.m_Corner[0].x, q.m_Corner[0].y, q.m_Corner[2].x - q.m_Corner[0].x, q.m_Specular});
            if (Forward()) Forward()(q);
        };
        GxNcSetGraphicsHooks(hooks);
        Quads().clear();
    }
    ~QuadRecorder() { GxNcSetGraphicsHooks(m_Saved); }
    static std::vector<Quad>& Quads()
    {
        static std::vector<Quad> quads;
        return quads;
    }
    static GxNcQuadDrawer& Forward()
    {
        static GxNcQuadDrawer forward = nullptr;
        return forward;
    }
    GxNcGraphicsHooks m_Saved;
};

// A paged plate room's plates stand on a 5 by 5 grid.
inline float PlateX(int k) { return 20.0f + static_cast<float>(k % 5) * 120.0f; }
inline float PlateY(int k) { return 100.0f + static_cast<float>(k / 5) * 110.0f; }

// A paged plate room's widgets in "$UI:<screen>": 25 plates (100 by 80) named plateButton at
// PlateX/PlateY, page buttons 1..3 (page 1 on), previous, next and back.
inline void WritePlateRoomLayout(const std::filesystem::path& root, const std::string& screen,
                                 const std::string& plateButton)
{
    const std::vector<std::vector<std::string>> modules = {
        ModuleRow(1, 18, "mod_plate", 100, 80),
        ModuleRow(2, 20, "mod_radio", 40, 20),
        ModuleRow(3, 18, "mod_btn", 60, 40),
    };
    ASSERT_TRUE(WriteBytes(root / "data/db_uimodule.txt", TableText(modules)));
    const std::string ui = "$UI:" + screen;
    std::vector<std::vector<std::string>> layout;
    int id = 1;
    for (int k = 0; k < 25; ++k)
        layout.push_back(LayoutRow(id++, ui, "mod_plate", plateButton, k, PlateX(k), PlateY(k)));
    for (int p = 1; p <= 3; ++p)
        layout.push_back(LayoutRow(id++, ui, "mod_radio", "btn_pageselect", p, 700.0f + 50.0f * p, 20.0f, 1, p == 1));
    layout.push_back(LayoutRow(id++, ui, "mod_btn", "btn_prev", 0, 700.0f, 700.0f));
    layout.push_back(LayoutRow(id++, ui, "mod_btn", "btn_next", 0, 800.0f, 700.0f));
    layout.push_back(LayoutRow(id++, ui, "mod_btn", "btn_back", 0, 900.0f, 700.0f));
    ASSERT_TRUE(WriteBytes(root / "data/db_uilayout.txt", TableText(layout)));
}

class Game : public gametest::BasicStartedCore<CursorRecordingWindow>
{
public:
    explicit Game(const std::function<void(const std::filesystem::path&)>& prepare,
                  const std::string& sysconf = "APP_TITLE=GalleryTest\nAPP_SAVEDIR=GalleryTest_SAVE\n")
        : BasicStartedCore(prepare, sysconf)
    {
    }

    GxTaskManage* Tm() const { return core->GetTaskManage(); }
    // The widget of that local name and index in the screen's widget folder "$UI:<screen>".
    GxTaskUIBase* Widget(std::u16string_view screen, const char16_t* name, int index) const
    {
        auto* ui = dynamic_cast<GxTaskFolder*>(Tm()->FindTaskByNameStr(u"$UI:" + std::u16string(screen)));
        return ui ? dynamic_cast<GxTaskUIBase*>(ui->FindTaskLocal(name, index)) : nullptr;
    }

    // One update step of ms milliseconds over the current screen and the persistent root, then
    // their render walks and the draws of every render layer.
    void Frame(int32_t ms)
    {
        const int64_t us = static_cast<int64_t>(ms) * 1000;  // the walks count microseconds
        GxTaskManage* tm = Tm();
        tm->ExecuteChangeSequence();
        core->ClearRenderLayers();
        tm->ClearStepFlags();
        GxTaskBase* current = tm->GetCurrentSequence();
        GxTaskBase* persistent = tm->GetPersistentRoot();
        if (current) {
            if (!tm->IsMainStarted()) tm->UpdatePreMainTasks(current, 0, us);
            tm->UpdateTasks(current, 0, us);
        }
        if (persistent) tm->UpdateTasks(persistent, 0, us);
        Draw();
    }
    // The render walks and the draws alone, with no time passing.
    void Draw()
    {
        GxTaskManage* tm = Tm();
        core->ClearRenderLayers();
        if (tm->GetCurrentSequence()) tm->RenderTasks(tm->GetCurrentSequence(), 0, 0);
        if (tm->GetPersistentRoot()) tm->RenderTasks(tm->GetPersistentRoot(), 0, 0);
        core->DrawRenderLayers();
    }
    // Changes to the screen and runs frames until its main phase has started.
    void Enter(const char16_t* name, int32_t param)
    {
        ASSERT_TRUE(Tm()->ChangeSequenceByName(name, param));
        Frame(0);
        for (int i = 0; i < 100 && !Tm()->IsMainStarted(); ++i) Frame(16);
        ASSERT_TRUE(Tm()->IsMainStarted());
        ASSERT_EQ(Tm()->GetCurrentSequenceName(), name);
    }

    void Move(float x, float y) { Tm()->OnMouseMove(GxMousePoint{x, y}, 0); }
    void Down(float x, float y)
    {
        GxTaskManage* tm = Tm();
        const GxMousePoint pt{x, y};
        if (tm->GetPersistentRoot() && tm->WalkMouseLeftDown(tm->GetPersistentRoot(), pt, 0)) return;
        if (tm->GetCurrentSequence()) tm->WalkMouseLeftDown(tm->GetCurrentSequence(), pt, 0);
    }
    void Up(float x, float y) { Tm()->OnMouseLeftUp(GxMousePoint{x, y}, 0); }
    void RightDown(float x, float y)
    {
        GxTaskManage* tm = Tm();
        if (tm->GetCurrentSequence()) tm->WalkMouseRightDown(tm->GetCurrentSequence(), GxMousePoint{x, y}, 0);
    }
    // A click and the frame that delivers its events.
    void Click(float x, float y)
    {
        Move(x, y);
        Down(x, y);
        Up(x, y);
        Frame(16);
    }
    void Key(GxWParam key)
    {
        Tm()->OnKeyDown(key, 0);
        Frame(16);
    }
};

}  // namespace screentest
