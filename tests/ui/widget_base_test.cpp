// The widget base: fields and defaults, value conversions, report bits, hit edges, the queries
// along the widget chain, centring, the factory with its layout and module rows, render
// registration, event posting, storage, and the standard pointer protocol and update with the
// tip help, driven through the task manager's walks on a headless stage.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "app/task/GxRenderLayer.h"
#include "app/task/GxTaskManage.h"
#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "game/DBUILayout.h"
#include "game/DBUIModule.h"
#include "graphics/GxFontGlobals.h"
#include "seq/SeqSystem.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

using gxtest::UIHarness;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// A base widget with nothing to load: the behaviour under test is the base's own.
class PlainWidget : public GxTaskUIBase
{
public:
    PlainWidget(GxTaskBase* parent, const char16_t* name) : GxTaskUIBase(parent, name, nullptr, 0) {}
    bool LoadImageSet(const std::u16string&) override { return true; }
    bool LoadImages() override
    {
        ++loads;
        return true;
    }
    void ReleaseImages() override {}
    int loads = 0;
};

TEST(WidgetBase, DefaultsOfTheFieldTable)
{
    GxTaskManage manager;
    GxTaskBase* root = new GxTaskBase(&manager);
    PlainWidget w(root, nullptr);
    EXPECT_TRUE(w.IsKindOf(GxTaskKind::UI));
    EXPECT_TRUE(w.IsKindOf(GxTaskKind::Actor));
    EXPECT_TRUE(w.IsEnabled());
    EXPECT_EQ(w.GetValue(), 0.0);
    EXPECT_EQ(w.GetMax(), 0.0);
    EXPECT_EQ(w.GetMin(), 0.0);
    EXPECT_EQ(w.GetChange(), 0.0);
    EXPECT_EQ(w.GetGroupID(), 0);
    EXPECT_EQ(w.GetModuleID(), 0);
    EXPECT_EQ(w.GetAutoHelpTime(), -1);
    EXPECT_EQ(w.GetWidth(), 0);
    EXPECT_EQ(w.GetAnimeSpeed(), 2);
    EXPECT_FALSE(w.GetModalFlag());
    EXPECT_EQ(w.GetModalPriority(), 1);
    EXPECT_FALSE(w.GetTopMostFlag());
    EXPECT_EQ(w.GetImageAlpha(), 255);
    EXPECT_EQ(w.GetEventState(), 0);
    EXPECT_EQ(w.GetHoverCount(), 0);
    EXPECT_EQ(w.GetEventReportFlags(), 0xFFFFFFFFu);
    EXPECT_TRUE(w.GetEventBlockFlag());
    EXPECT_FALSE(w.IsDragging());
}

TEST(WidgetBase, ValueConversionsTruncateAndSaturate)
{
    GxTaskManage manager;
    PlainWidget w(new GxTaskBase(&manager), nullptr);
    struct Case
    {
        double value;
        int32_t asInt;
        bool asBool;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {0.5, 0, false},       {-0.7, 0, false},         {-1.9, -1, true},
        {1.0, 1, true},        {2147483647.9, INT32_MAX, true}, {1e10, INT32_MAX, true},
        {-1e10, INT32_MIN, true}, {inf, INT32_MAX, true}, {-inf, INT32_MIN, true},
        {std::nan(""), 0, false},
    };
    for (const Case& c : cases) {
        w.SetValue(c.value);
        EXPECT_EQ(w.GetValueInt(), c.asInt) << c.value;
        EXPECT_EQ(w.GetValueBool(), c.asBool) << c.value;
    }
    w.SetValueBool(true);
    EXPECT_EQ(w.GetValue(), 1.0);
    w.SetValueInt(-3);
    EXPECT_EQ(w.GetValue(), -3.0);
}

TEST(WidgetBase, ReportBitsOutsideTheWordNameNothing)
{
    GxTaskManage manager;
    PlainWidget w(new GxTaskBase(&manager), nullptr);
    w.ClearEventReportFlag(1);
    w.ClearEventReportFlag(31);
    EXPECT_EQ(w.GetEventReportFlags(), 0x7FFFFFFDu);
    EXPECT_FALSE(w.IsEventReportFlag(31));
    for (int32_t n : {-1, 32, 33, 64, INT32_MIN, INT32_MAX}) {
        w.ClearEventReportFlag(n);
        w.SetEventReportFlag(n);
        EXPECT_FALSE(w.IsEventReportFlag(n)) << n;
    }
    EXPECT_EQ(w.GetEventReportFlags(), 0x7FFFFFFDu);
    w.SetEventReportFlag(31);
    EXPECT_TRUE(w.IsEventReportFlag(31));
}

TEST(WidgetBase, HitEdgesAreHalfOpenAndNaNNeverHits)
{
    GxTaskManage manager;
    PlainWidget w(new GxTaskBase(&manager), nullptr);
    w.SetWidth(100);
    w.SetHeight(50);
    w.SetClientRect(10, 5, 30, 20);
    const GxVector3 o(200.0f, 100.0f, 0.0f);
    struct Case
    {
        float x, y;
        bool client, rect;
    };
    const Case cases[] = {
        {210.0f, 105.0f, true, true},    // client top-left corner
        {239.99f, 124.99f, true, true},  // just inside the client's far corner
        {240.0f, 110.0f, false, true},   // client right edge
        {220.0f, 125.0f, false, true},   // client bottom edge
        {209.99f, 110.0f, false, true},  // left of the client
        {200.0f, 100.0f, false, true},   // the rectangle's top-left
        {300.0f, 120.0f, false, false},  // the rectangle's right edge
        {250.0f, 150.0f, false, false},  // the rectangle's bottom edge
        {kNaN, 110.0f, false, false},
        {220.0f, kNaN, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(w.IsHit(o, c.x, c.y), c.client) << c.x << "," << c.y;
        EXPECT_EQ(w.IsHitRect(o, c.x, c.y), c.rect) << c.x << "," << c.y;
    }
    EXPECT_FALSE(w.IsHitRect(GxVector3(kNaN, 0.0f, 0.0f), 0.0f, 0.0f));
}

TEST(WidgetBase, ChainQueriesStopAtTheFirstTaskThatIsNoWidget)
{
    GxTaskManage manager;
    GxTaskBase* root = new GxTaskBase(&manager);
    auto* top = new PlainWidget(root, nullptr);
    auto* folder = new GxTaskFolder(nullptr, nullptr, 0, top);  // breaks the chain
    auto* panel = new PlainWidget(folder, nullptr);
    auto* child = new PlainWidget(panel, nullptr);
    auto* leaf = new PlainWidget(child, nullptr);

    // Under a non-widget: only the widget itself counts.
    top->SetModalFlag(true);
    top->SetModalPriority(9);
    top->SetTopMostFlag(true);
    top->SetAlpha(10);
    top->Hide();
    top->SetEnabled(false);
    EXPECT_TRUE(panel->IsVisibleAll());
    EXPECT_TRUE(panel->IsEnabledAll());
    EXPECT_EQ(panel->GetModalPriorityAll(), 0);
    EXPECT_FALSE(panel->IsTopMostAll());
    EXPECT_EQ(panel->GetAlphaAll(), 255);

    panel->SetModalFlag(true);
    panel->SetModalPriority(3);
    EXPECT_EQ(leaf->GetModalPriorityAll(), 3);
    child->SetModalFlag(true);
    child->SetModalPriority(2);  // a lower priority further down does not win
    EXPECT_EQ(leaf->GetModalPriorityAll(), 3);
    child->SetModalPriority(5);
    EXPECT_EQ(leaf->GetModalPriorityAll(), 5);
    child->SetModalFlag(false);  // the priority counts only with the flag
    EXPECT_EQ(leaf->GetModalPriorityAll(), 3);

    panel->SetAlpha(128);
    child->SetAlpha(128);
    EXPECT_EQ(leaf->GetAlphaAll(), 64);  // 255 x 128 / 255 x 128 / 255 = 64.25
    leaf->SetAlpha(0);
    EXPECT_EQ(leaf->GetAlphaAll(), 0);

    EXPECT_FALSE(leaf->IsTopMostAll());
    panel->SetTopMostFlag(true);
    EXPECT_TRUE(leaf->IsTopMostAll());

    child->Hide();
    EXPECT_FALSE(leaf->IsVisibleAll());
    EXPECT_TRUE(panel->IsVisibleAll());
    panel->SetEnabled(false);
    EXPECT_FALSE(leaf->IsEnabledAll());
}

TEST(WidgetBase, CentringInTheScreenAndInAParent)
{
    GxTaskManage manager;
    GxTaskBase* root = new GxTaskBase(&manager);
    auto* w = new PlainWidget(root, nullptr);
    struct Case
    {
        int32_t width, offset;
        float x;
    };
    for (const Case& c : {Case{101, 0, 461.0f}, Case{1101, 0, -38.0f}, Case{100, 7, 469.0f}}) {
        w->SetWidth(c.width);
        w->CenterInParentX(c.offset);
        EXPECT_EQ(w->GetPos().x, c.x) << c.width;
    }
    w->SetHeight(201);
    w->CenterInParentY(-120);
    EXPECT_EQ(w->GetPos().y, 163.0f);  // (768 - 201) / 2 - 120

    auto* parent = new PlainWidget(root, nullptr);
    parent->SetWidth(300);
    parent->SetHeight(0);
    auto* child = new PlainWidget(parent, nullptr);
    child->SetWidth(101);
    child->SetHeight(11);
    child->CenterInParentX(0);
    child->CenterInParentY(0);
    EXPECT_EQ(child->GetPos().x, 99.0f);
    EXPECT_EQ(child->GetPos().y, -5.0f);  // toward zero
}

TEST(WidgetBase, HideAndShowForgetThePointer)
{
    GxTaskManage manager;
    PlainWidget w(new GxTaskBase(&manager), nullptr);
    for (int hide = 0; hide < 2; ++hide) {
        w.SetHoverCount(1);
        w.SetEventState(7);
        if (hide) w.Hide();
        else w.Show();
        EXPECT_EQ(w.GetHoverCount(), 0);
        EXPECT_EQ(w.GetEventState(), 0);
        EXPECT_EQ(w.IsVisible(), hide == 0);
    }
    w.SetEventState(1);
    w.OnSequenceEnter();
    EXPECT_EQ(w.loads, 1);
    EXPECT_EQ(w.GetEventState(), 0);
}

// ---- the factory ----

DBUIModuleData Module(int32_t id, int32_t type, const char16_t* name)
{
    DBUIModuleData m;
    m.ID = id;
    m.UIType = type;
    m.ModuleName = name;
    return m;
}

TEST(WidgetFactory, LayoutThenModuleRowsFillTheWidget)
{
    UIHarness h;
    ASSERT_TRUE(h.IsReady());
    DBUIModuleData m = Module(12, GxUIModuleType::Null, u"mod_null");
    m.Width = 120;
    m.Height = 40;
    m.ClientLeft = 4;
    m.ClientTop = 3;
    m.ClientWidth = 100;
    m.ClientHeight = 30;
    m.ShapeType = 6;
    m.AnimeSpeed = 5;
    DBUILayoutData l;
    l.ModuleName = u"mod_null";
    l.Visible = 0;
    l.Enabled = 1;
    l.Left = 12.5f;
    l.Top = 30.0f;
    l.OrderZ = 7.0f;
    l.GroupID = 2;
    l.Text = u"文";
    l.Label = u"label";
    l.Value = 4;
    l.Min = 1;
    l.Max = 9;
    l.AutoHelpTime = 500;
    l.Descript = u"help";
    GxTaskUIBase* w = h.CreateFromLayout(m, l, u"w", 0);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(h.Screen()->FindTaskLocal(u"w", 0), w);
    EXPECT_FALSE(w->IsVisible());
    EXPECT_TRUE(w->IsEnabled());
    EXPECT_EQ(w->GetPos().x, 12.5f);
    EXPECT_EQ(w->GetPos().y, 30.0f);
    EXPECT_EQ(w->GetOrderZ(), 7.0f);
    EXPECT_EQ(w->GetGroupID(), 2);
    EXPECT_EQ(w->GetText(), u"文");
    EXPECT_EQ(w->GetLabel(), u"label");
    EXPECT_EQ(w->GetValue(), 4.0);
    EXPECT_EQ(w->GetMin(), 1.0);
    EXPECT_EQ(w->GetMax(), 9.0);
    EXPECT_EQ(w->GetAutoHelpTime(), 500);
    EXPECT_EQ(w->GetDescript(), u"help");
    EXPECT_EQ(w->GetModuleID(), 12);
    EXPECT_EQ(w->GetWidth(), 120);
    EXPECT_EQ(w->GetHeight(), 40);
    EXPECT_EQ(w->GetClientLeft(), 4);
    EXPECT_EQ(w->GetClientTop(), 3);
    EXPECT_EQ(w->GetClientWidth(), 100);
    EXPECT_EQ(w->GetClientHeight(), 30);
    EXPECT_EQ(w->GetShapeType(), 6);
    EXPECT_EQ(w->GetAnimeSpeed(), 5);

    // Codes without a class build nothing and apply nothing.
    const int32_t children = h.Screen()->GetChildCount();
    for (int32_t type : {2, 12, 60}) {
        EXPECT_EQ(h.CreateFromModule(Module(1, type, u"x"), u"x", type), nullptr) << type;
        EXPECT_EQ(h.CreateFromLayout(Module(1, type, u"x"), DBUILayoutData{.ModuleName = u"x"}, u"x", type), nullptr)
            << type;
    }
    EXPECT_EQ(h.Screen()->GetChildCount(), children);
}

TEST(WidgetRender, RegistersInLayerFiveOrSevenByOrderZ)
{
    UIHarness h;
    ASSERT_TRUE(h.IsReady());
    auto* a = new PlainWidget(h.Screen(), u"a");
    auto* b = new PlainWidget(h.Screen(), u"b");
    auto* c = new PlainWidget(b, u"c");
    auto* d = new PlainWidget(h.Screen(), u"d");
    a->SetOrderZ(20.0f);
    b->SetOrderZ(10.0f);
    d->SetOrderZ(20.0f);  // equal keys keep registration order
    c->SetOrderZ(1.0f);
    h.EnterScreen();
    h.Frame(16);
    auto order = [&](int32_t layer) {
        std::vector<GxTaskBase*> out;
        for (const auto& e : h.Manager().GetRenderList(layer)->GetEntries())
            if (e.task != h.Screen() && e.task != h.System() && e.task != h.TipHelp()) out.push_back(e.task);
        return out;
    };
    EXPECT_EQ(order(GxRenderLayer::Main), (std::vector<GxTaskBase*>{c, b, a, d}));
    EXPECT_TRUE(order(GxRenderLayer::TopMost).empty());

    b->SetTopMostFlag(true);  // inherited by c
    h.Frame(16);
    EXPECT_EQ(order(GxRenderLayer::Main), (std::vector<GxTaskBase*>{a, d}));
    EXPECT_EQ(order(GxRenderLayer::TopMost), (std::vector<GxTaskBase*>{c, b}));
}

TEST(WidgetEvents, RaiseSendsABareRecordToTheCurrentScreen)
{
    UIHarness h;
    ASSERT_TRUE(h.IsReady());
    auto* w = new PlainWidget(h.Screen(), u"w");
    w->SetPos(GxVector3(5.0f, 6.0f, 0.0f));
    // No current screen yet: lost.
    EXPECT_FALSE(w->RaiseUIEvent(GxUIEventType::ValueChange));
    h.EnterScreen();
    w->ClearEventReportFlag(GxUIEventType::ValueChange);  // Raise does not test the bit
    EXPECT_TRUE(w->RaiseUIEvent(GxUIEventType::ValueChange));
    h.Frame(16);
    ASSERT_EQ(h.Events().size(), 1u);
    EXPECT_EQ(h.Events()[0].sender, w);
    EXPECT_EQ(h.Events()[0].type, GxUIEventType::ValueChange);
    for (float f : h.Events()[0].param.m_Values) EXPECT_EQ(f, 0.0f);

    h.Screen()->Pause();
    EXPECT_FALSE(w->RaiseUIEvent(GxUIEventType::ValueChange));
    h.Screen()->Resume();
    h.Screen()->SetUIEventEnabled(false);
    EXPECT_FALSE(w->RaiseUIEvent(GxUIEventType::ValueChange));
}

TEST(WidgetHarness, FontsComeFromTheFakeRasteriser)
{
    UIHarness h;
    ASSERT_TRUE(h.IsReady());
    h.LoadFonts();
    GxGDIFontMap* atlas = GxGetGDIFontMap(3);
    ASSERT_NE(atlas, nullptr);
    EXPECT_EQ(atlas->GetFontSize(), 24);
    const GxGlyphRecord g = atlas->GetGlyph(u'あ');
    EXPECT_NE(g.texture, nullptr);
    EXPECT_EQ(g.width, 24);
    EXPECT_EQ(g.widthClass, 2);
    EXPECT_FALSE(h.Glyphs().outlines.empty());
}

// ---- storage ----

std::string Save(GxTaskUIBase& w, GxContentForm form)
{
    return GxContentWriteToString(form, [&](GxContentWriterBase& out) { EXPECT_TRUE(w.WriteContent(out)); });
}

std::unique_ptr<GxContentReaderBase> Reader(const GxBinBuffer& buffer, GxContentForm form)
{
    if (form == GxContentForm::Text) return std::make_unique<GxContentTextReader>(buffer);
    return std::make_unique<GxContentBinaryReader>(buffer);
}

class WidgetStorage : public ::testing::TestWithParam<GxContentForm>
{
};

TEST_P(WidgetStorage, RoundTripKeepsEveryStoredField)
{
    GxContentLogCapture log;
    GxTaskManage manager;
    GxTaskBase* root = new GxTaskBase(&manager);
    PlainWidget a(root, nullptr);
    a.SetEnabled(false);
    a.SetValue(2.5);
    a.SetMax(10.0);
    a.SetMin(-1.0);
    a.SetGroupID(3);
    a.SetText(u"テキスト");
    a.SetLabel(u"lab");
    a.SetAutoHelpTime(700);
    a.SetDescript(u"説明");
    a.SetWidth(11);
    a.SetHeight(12);
    a.SetClientRect(1, 2, 3, 4);
    a.SetAnimeSpeed(9);
    a.SetModalFlag(true);
    a.SetModalPriority(4);
    a.SetTopMostFlag(true);
    a.SetImageAlpha(77);
    a.SetEventState(7);
    a.SetHoverCount(1);
    a.ClearEventReportFlag(8);
    a.SetEventBlockFlag(false);
    a.SetPos(GxVector3(3.0f, 4.0f, 0.0f));
    const std::string bytes = Save(a, GetParam());

    PlainWidget b(root, nullptr);
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, bytes);
    auto r = Reader(buffer, GetParam());
    ASSERT_TRUE(b.ReadContent(*r)) << log.Joined();
    EXPECT_TRUE(r->IsEnd());
    EXPECT_FALSE(b.IsEnabled());
    EXPECT_EQ(b.GetValue(), 2.5);
    EXPECT_EQ(b.GetMax(), 10.0);
    EXPECT_EQ(b.GetMin(), -1.0);
    EXPECT_EQ(b.GetGroupID(), 3);
    EXPECT_EQ(b.GetText(), u"テキスト");
    EXPECT_EQ(b.GetLabel(), u"lab");
    EXPECT_EQ(b.GetAutoHelpTime(), 700);
    EXPECT_EQ(b.GetDescript(), u"説明");
    EXPECT_EQ(b.GetWidth(), 11);
    EXPECT_EQ(b.GetHeight(), 12);
    EXPECT_EQ(b.GetClientLeft(), 1);
    EXPECT_EQ(b.GetClientHeight(), 4);
    EXPECT_EQ(b.GetAnimeSpeed(), 9);
    EXPECT_TRUE(b.GetModalFlag());
    EXPECT_EQ(b.GetModalPriority(), 4);
    EXPECT_TRUE(b.GetTopMostFlag());
    EXPECT_EQ(b.GetImageAlpha(), 77);
    EXPECT_EQ(b.GetEventState(), 7);
    EXPECT_EQ(b.GetHoverCount(), 1);
    EXPECT_EQ(b.GetHoverTime(), 0);
    EXPECT_EQ(b.GetEventReportFlags(), 0xFFFFFEFFu);
    EXPECT_FALSE(b.GetEventBlockFlag());
    EXPECT_EQ(b.GetPos().x, 3.0f);
    // Written again, the same bytes.
    EXPECT_EQ(Save(b, GetParam()), bytes);
}

TEST_P(WidgetStorage, ATruncatedStreamCountsErrorsAndClearsTheEventState)
{
    GxContentLogCapture log;
    GxTaskManage manager;
    GxTaskBase* root = new GxTaskBase(&manager);
    PlainWidget a(root, nullptr);
    a.SetEventState(7);
    a.SetText(u"abc");
    const std::string bytes = Save(a, GetParam());
    // Cut inside the stored text, well before the event state.
    const size_t at = bytes.find(GetParam() == GxContentForm::Text ? "m_Text" : "a");
    ASSERT_NE(at, std::string::npos);
    const std::string cut = bytes.substr(0, GetParam() == GxContentForm::Text ? at : bytes.size() / 2);

    PlainWidget b(root, nullptr);
    b.SetEventState(1);
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, cut);
    auto r = Reader(buffer, GetParam());
    EXPECT_FALSE(b.ReadContent(*r));
    EXPECT_GT(r->GetErrorCount(), 0);
    EXPECT_EQ(b.GetEventState(), 0);
}

INSTANTIATE_TEST_SUITE_P(Forms, WidgetStorage, ::testing::Values(GxContentForm::Binary, GxContentForm::Text),
                         [](const auto& info) { return info.param == GxContentForm::Text ? "Text" : "Binary"; });

}  // namespace
