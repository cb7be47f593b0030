// The buttons on the headless stage: the picture fallbacks of push and toggle buttons, the
// picture chosen by presses, hovers and the press countdown, presses on the frame and with the
// press unreported, toggles and radio groups, the drawn picture of disabled and hidden buttons,
// the image alpha, and the stored form.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "game/DBUIModule.h"
#include "layer/GxNcImageSet.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

using gxtest::UIHarness;

// Each state picture has a width of its own, so a drawn quad tells which one was drawn.
constexpr int32_t kWidthOf[6] = {40, 41, 42, 43, 44, 45};
constexpr const char16_t* kSuffix[6] = {u"_off.png", u"_on.png", u"_over.png", u"_na.png", u"_onover.png", u"_onna.png"};

// The state pictures of base name base that exist, by slot.
std::vector<gxtest::UIImageSpec> Pictures(const std::u16string& base, std::initializer_list<int> slots)
{
    std::vector<gxtest::UIImageSpec> out;
    for (int s : slots) out.push_back({base + kSuffix[s], {{kWidthOf[s], 20, 0xFF000000u | (0x202020u * (s + 1))}}});
    return out;
}

DBUIModuleData Module(int32_t type, const char16_t* image)
{
    DBUIModuleData m;
    m.ID = 2;
    m.UIType = type;
    m.ModuleName = u"mod_btn";
    m.ImageSetName = u"btn";
    m.ImageName = image;
    m.ClientLeft = 4;
    m.ClientTop = 4;
    return m;
}

// Widths of the textured quads of a frame, in draw order.
std::vector<int32_t> DrawnWidths(const std::vector<GxDeviceCall>& calls)
{
    std::vector<int32_t> out;
    for (const auto& c : calls) {
        if (c.op != GxDeviceOp::DrawPrimitiveUP || c.vertices.empty()) continue;
        float lo = c.vertices[0].x, hi = lo;
        for (const auto& v : c.vertices) {
            lo = std::min(lo, v.x);
            hi = std::max(hi, v.x);
        }
        out.push_back(static_cast<int32_t>(hi - lo + 0.5f));
    }
    return out;
}

std::vector<uint32_t> DrawnDiffuse(const std::vector<GxDeviceCall>& calls)
{
    std::vector<uint32_t> out;
    for (const auto& c : calls)
        if (c.op == GxDeviceOp::DrawPrimitiveUP && !c.vertices.empty()) out.push_back(c.vertices[0].diffuse);
    return out;
}

class ButtonTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(h.IsReady());
        std::vector<gxtest::UIImageSpec> set;
        auto add = [&](const std::u16string& base, std::initializer_list<int> slots) {
            for (auto& spec : Pictures(base, slots)) set.push_back(spec);
        };
        add(u"all", {0, 1, 2, 3, 4, 5});
        add(u"off", {0});
        add(u"offover", {0, 2});
        add(u"offon", {0, 1});
        add(u"four", {0, 1, 2, 3});
        add(u"nooff", {1, 2, 3});
        ASSERT_TRUE(h.WriteImageSet("uigis/btn.gis", set)) << h.Log().Joined();
    }

    template <class T>
    T* Make(int32_t type, const char16_t* image, float x = 100.0f, float y = 100.0f, GxTaskBase* parent = nullptr)
    {
        auto* w = dynamic_cast<T*>(h.CreateFromModule(Module(type, image), u"btn", 0, parent));
        if (w) {
            w->SetPos(GxVector3(x, y, 0.0f));
            w->SetOrderZ(static_cast<float>(++order));  // drawn in the order made
        }
        return w;
    }

    UIHarness h;
    int32_t order = 0;
};

TEST_F(ButtonTest, PictureFallbacksOfPushAndToggleButtons)
{
    struct Case
    {
        int32_t type;
        const char16_t* image;
        int slots[6];  // the picture each slot ends with, by its own slot number; -1 none
    };
    const Case cases[] = {
        {18, u"all", {0, 1, 2, 3, -1, -1}},  // the push button looks up four
        {18, u"off", {0, -1, -1, 0, -1, -1}},
        {18, u"offover", {0, 2, 2, 0, -1, -1}},
        {19, u"all", {0, 1, 2, 3, 4, 5}},
        {19, u"off", {0, -1, 0, 0, -1, 0}},
        // Without an on picture: on shows over, over shows off.
        {19, u"offover", {0, 2, 0, 0, 2, 0}},
        {19, u"offon", {0, 1, -1, 0, 1, 0}},
        {19, u"four", {0, 1, 2, 3, 1, 3}},
        {20, u"offover", {0, 2, 0, 0, 2, 0}},
        {21, u"offover", {0, 2, 2, 0, -1, -1}},
    };
    for (const Case& c : cases) {
        auto* w = Make<GxTaskUIButtonIs>(c.type, c.image);
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(w->LoadImages()) << h.Log().Joined();
        for (int slot = 0; slot < 6; ++slot) {
            const GxNcOriginImage* got = w->GetImage(slot);
            const std::u16string want = c.slots[slot] < 0 ? u"" : c.image + std::u16string(kSuffix[c.slots[slot]]);
            EXPECT_EQ(got ? got->m_FileName : u"", want) << c.type << " slot " << slot;
        }
        // Size from the off picture, client rectangle inset by the client offset on each side.
        EXPECT_EQ(w->GetWidth(), 40);
        EXPECT_EQ(w->GetHeight(), 20);
        EXPECT_EQ(w->GetClientWidth(), 32);
        EXPECT_EQ(w->GetClientHeight(), 12);
        w->Kill();
        h.Frame(16);
    }
}

TEST_F(ButtonTest, MissingSetOrOffPictureIsLoggedAndLeavesTheModuleSize)
{
    struct Case
    {
        int32_t type;
        const char16_t* set;
        const char16_t* image;
        const char* log;
    };
    const Case cases[] = {
        {18, u"none", u"all", "GxTaskUIButtonIs/ImageSet wasn't Loaded:uigis/none.gis [/btn[0]:18]"},
        {18, u"btn", u"nooff", "GxTaskUIButtonIs/Image not found:nooff_off.png [/btn[0]:18]"},
        {19, u"none", u"all", "GxTaskUIToggleButtonIs/ImageSet wasn't Loaded:uigis/none.gis [/btn[0]:19]"},
        {20, u"btn", u"nooff", "GxTaskUIToggleButtonIs/Image not found:nooff_off.png [/btn[0]:20]"},
    };
    h.EnterScreen();
    for (const Case& c : cases) {
        DBUIModuleData m = Module(c.type, c.image);
        m.ImageSetName = c.set;
        m.Width = 50;
        auto* w = dynamic_cast<GxTaskUIButtonIs*>(h.CreateFromModule(m, u"btn", 0));
        ASSERT_NE(w, nullptr);
        EXPECT_FALSE(w->LoadImages());
        EXPECT_TRUE(h.Logged(c.log)) << c.log << "\n" << h.Log().Joined();
        for (int slot = 0; slot < 6; ++slot) EXPECT_EQ(w->GetImage(slot), nullptr);
        EXPECT_EQ(w->GetWidth(), 50);
        EXPECT_EQ(w->GetClientWidth(), 0);  // no default: no pointer area
        EXPECT_TRUE(DrawnWidths(h.Frame(16)).empty());
        w->Kill();
        h.Frame(16);
    }
}

TEST_F(ButtonTest, PictureOfEachUpdateAndThePressCountdown)
{
    auto* w = Make<GxTaskUIButtonIs>(18, u"four");
    h.EnterScreen();
    // Client rectangle (104, 104)-(136, 116) inside the 40 x 20 button at (100, 100).
    struct Step
    {
        const char* what;
        char op;  // 'm' move, 'd' press, 'p' pointer only, '-' nothing
        float x, y;
        int32_t index;       // m_ImageIndex after the frame's update
        int32_t drawnWidth;  // the picture drawn in that frame
    };
    const Step steps[] = {
        {"idle", '-', 0, 0, 0, 40},
        {"hover on the frame only", 'm', 101, 101, 0, 40},
        {"hover", 'm', 110, 110, 2, 42},
        {"press", 'd', 110, 110, 1, 41},
        {"leave while pressed", 'p', 0, 0, 1, 41},
    };
    for (const Step& s : steps) {
        if (s.op == 'm') h.Move(s.x, s.y);
        if (s.op == 'd') EXPECT_EQ(h.Down(s.x, s.y), 1) << s.what;
        if (s.op == 'p') h.SetPointer(s.x, s.y);
        const auto widths = DrawnWidths(h.Frame(16));
        EXPECT_EQ(w->GetImageIndex(), s.index) << s.what;
        EXPECT_EQ(widths, std::vector<int32_t>{s.drawnWidth}) << s.what;
        EXPECT_EQ(w->GetEventState(), 0) << s.what;
    }
    // The press showed for the frame of the press and the one after: 13 more updates of it.
    for (int i = 0; i < 13; ++i) {
        h.Frame(16);
        EXPECT_EQ(w->GetImageIndex(), 1) << i;
    }
    h.Frame(16);
    EXPECT_EQ(w->GetImageIndex(), 0);
    EXPECT_EQ(w->GetPressCount(), 0);

    std::vector<int32_t> types;
    for (const auto& e : h.Events()) types.push_back(e.type);
    EXPECT_EQ(types, (std::vector<int32_t>{7, 1, 8}));
}

TEST_F(ButtonTest, PressOnTheFrameOrUnreported)
{
    auto* push = Make<GxTaskUIButtonIs>(18, u"four", 100.0f, 100.0f);
    auto* toggle = Make<GxTaskUIToggleButtonIs>(19, u"four", 300.0f, 100.0f);
    h.EnterScreen();

    // Inside the button but outside its client rectangle: no press.
    EXPECT_EQ(h.Down(101, 101), 0);
    EXPECT_EQ(h.Down(301, 118), 0);
    EXPECT_EQ(push->GetPressCount(), 0);
    EXPECT_EQ(push->GetEventState(), 0);
    EXPECT_FALSE(toggle->GetValueBool());
    h.Frame(16);
    EXPECT_TRUE(h.Events().empty());

    // Bit 1 unreported: the pressed picture and the flip still happen, nothing is posted or taken.
    push->ClearEventReportFlag(GxUIEventType::LeftDown);
    toggle->ClearEventReportFlag(GxUIEventType::LeftDown);
    EXPECT_EQ(h.Down(110, 110), 0);
    EXPECT_EQ(push->GetPressCount(), GxTaskUIButtonIs::kPressUpdates);
    EXPECT_EQ(h.Down(310, 110), 0);
    EXPECT_TRUE(toggle->GetValueBool());
    EXPECT_EQ(toggle->GetPressCount(), 0);  // toggles have no countdown
    h.Frame(16);
    EXPECT_EQ(push->GetImageIndex(), 1);
    EXPECT_TRUE(h.Events().empty());

    // Reported, not blocking: posted but not taken.
    push->SetEventReportFlag(GxUIEventType::LeftDown);
    push->SetEventBlockFlag(false);
    EXPECT_EQ(h.Down(110, 110), 0);
    h.Frame(16);
    ASSERT_EQ(h.Events().size(), 1u);
    EXPECT_EQ(h.Events()[0].sender, push);
    EXPECT_EQ(h.Events()[0].type, 1);
}

TEST_F(ButtonTest, ToggleFlipsBeforePostingUnlessAutoToggleIsOff)
{
    auto* toggle = Make<GxTaskUIToggleButtonIs>(19, u"all");
    h.EnterScreen();
    EXPECT_TRUE(toggle->GetAutoToggleFlag());
    EXPECT_EQ(h.Down(110, 110), 1);
    EXPECT_TRUE(toggle->GetValueBool());  // already flipped when the press is queued
    EXPECT_EQ(h.Down(110, 110), 1);
    EXPECT_FALSE(toggle->GetValueBool());

    toggle->SetAutoToggleFlag(false);
    EXPECT_EQ(h.Down(110, 110), 1);
    EXPECT_FALSE(toggle->GetValueBool());
    h.Frame(16);
    EXPECT_EQ(h.Events().size(), 3u);

    // A radio button with it off posts without selecting.
    auto* radio = Make<GxTaskUIRadioButtonIs>(20, u"all", 300.0f, 100.0f);
    ASSERT_TRUE(radio->LoadImages());
    radio->SetAutoToggleFlag(false);
    EXPECT_EQ(h.Down(310, 110), 1);
    EXPECT_FALSE(radio->GetValueBool());
}

TEST_F(ButtonTest, RadioSelectTouchesItsGroupUnderItsParentOnly)
{
    DBUIModuleData panelModule;
    panelModule.UIType = GxUIModuleType::PanelIs;
    GxTaskUIBase* a = h.CreateFromModule(panelModule, u"a", 0);
    GxTaskUIBase* b = h.CreateFromModule(panelModule, u"b", 0);
    auto radio = [&](GxTaskBase* parent, int32_t group, float x) {
        auto* r = Make<GxTaskUIRadioButtonIs>(20, u"all", x, 100.0f, parent);
        r->SetGroupID(group);
        r->SetValueBool(true);
        return r;
    };
    GxTaskUIRadioButtonIs* g2[3] = {radio(a, 2, 100.0f), radio(a, 2, 200.0f), radio(a, 2, 300.0f)};
    GxTaskUIRadioButtonIs* g3 = radio(a, 3, 400.0f);
    GxTaskUIRadioButtonIs* elsewhere = radio(b, 2, 500.0f);
    // A toggle of the same group is no radio button.
    auto* toggle = Make<GxTaskUIToggleButtonIs>(19, u"all", 600.0f, 100.0f, a);
    toggle->SetGroupID(2);
    toggle->SetValueBool(true);
    h.EnterScreen();

    for (int press = 0; press < 2; ++press) {
        EXPECT_EQ(h.Down(210, 110), 1);
        EXPECT_FALSE(g2[0]->GetValueBool()) << press;
        EXPECT_TRUE(g2[1]->GetValueBool()) << press;
        EXPECT_FALSE(g2[2]->GetValueBool()) << press;
        EXPECT_TRUE(g3->GetValueBool()) << press;
        EXPECT_TRUE(elsewhere->GetValueBool()) << press;
        EXPECT_TRUE(toggle->GetValueBool()) << press;
    }
    // A screen selects without a click.
    g2[2]->Select();
    EXPECT_FALSE(g2[1]->GetValueBool());
    EXPECT_TRUE(g2[2]->GetValueBool());
}

TEST_F(ButtonTest, DisabledHiddenAndToggledPictures)
{
    auto* push = Make<GxTaskUIButtonIs>(18, u"all", 100.0f, 100.0f);
    auto* toggle = Make<GxTaskUIToggleButtonIs>(19, u"all", 300.0f, 100.0f);
    h.EnterScreen();
    auto drawn = [&] { return DrawnWidths(h.Frame(16)); };

    // The toggle's picture follows value and hover.
    EXPECT_EQ(drawn(), (std::vector<int32_t>{40, 40}));
    h.Move(310, 110);
    EXPECT_EQ(drawn(), (std::vector<int32_t>{40, 42}));
    toggle->SetValueBool(true);
    EXPECT_EQ(drawn(), (std::vector<int32_t>{40, 44}));
    h.Move(0, 0);
    EXPECT_EQ(drawn(), (std::vector<int32_t>{40, 41}));

    // Disabled: not available even while hovered, on-not-available for a toggle that is on.
    push->SetEnabled(false);
    toggle->SetEnabled(false);
    h.SetPointer(110, 110);
    push->SetHoverCount(1);
    EXPECT_EQ(drawn(), (std::vector<int32_t>{43, 45}));
    toggle->SetValueBool(false);
    EXPECT_EQ(drawn(), (std::vector<int32_t>{43, 43}));
    push->SetEnabled(true);
    toggle->SetEnabled(true);

    // A disabled ancestor closes the input gate but leaves the own picture.
    DBUIModuleData panelModule;
    panelModule.UIType = GxUIModuleType::PanelIs;
    GxTaskUIBase* parent = h.CreateFromModule(panelModule, u"p", 0);
    auto* child = Make<GxTaskUIButtonIs>(18, u"all", 500.0f, 100.0f, parent);
    ASSERT_TRUE(child->LoadImages());
    parent->SetEnabled(false);
    EXPECT_EQ(h.Down(510, 110), 0);
    EXPECT_EQ(drawn(), (std::vector<int32_t>{40, 40, 40}));
    child->Kill();

    // Hide and Show forget a hover: the off picture until the pointer moves over again.
    h.Move(110, 110);
    EXPECT_EQ(drawn(), (std::vector<int32_t>{42, 40}));
    push->Hide();
    push->Show();
    EXPECT_EQ(push->GetHoverCount(), 0);
    EXPECT_EQ(drawn(), (std::vector<int32_t>{40, 40}));
    h.Move(111, 110);
    EXPECT_EQ(drawn(), (std::vector<int32_t>{42, 40}));
}

TEST_F(ButtonTest, ImageAlphaTimesAlpha)
{
    auto* push = Make<GxTaskUIButtonIs>(18, u"all");
    h.EnterScreen();
    struct Case
    {
        int32_t alpha, imageAlpha;
        uint32_t diffuse;
    };
    const Case cases[] = {
        {255, 255, 0xFFFFFFFFu}, {255, 0, 0x00FFFFFFu}, {128, 255, 0x80FFFFFFu}, {128, 128, 0x40FFFFFFu},
    };
    for (const Case& c : cases) {
        push->SetAlpha(c.alpha);
        push->SetImageAlpha(c.imageAlpha);
        EXPECT_EQ(DrawnDiffuse(h.Frame(16)), std::vector<uint32_t>{c.diffuse}) << c.alpha << "/" << c.imageAlpha;
    }
}

std::unique_ptr<GxContentReaderBase> Reader(GxContentForm form, GxBinBuffer& buffer, const std::string& bytes)
{
    GxContentFillBuffer(buffer, bytes);
    if (form == GxContentForm::Text) return std::make_unique<GxContentTextReader>(buffer);
    return std::make_unique<GxContentBinaryReader>(buffer);
}

TEST_F(ButtonTest, StoredFormEndsWithTheAutoToggleFlag)
{
    for (GxContentForm form : {GxContentForm::Binary, GxContentForm::Text}) {
        auto* a = Make<GxTaskUIToggleButtonIs>(19, u"all");
        ASSERT_TRUE(a->LoadImages());
        a->SetAutoToggleFlag(false);
        a->SetValueBool(true);
        a->SetHoverCount(1);
        const std::string bytes =
            GxContentWriteToString(form, [&](GxContentWriterBase& w) { EXPECT_TRUE(a->WriteContent(w)); });
        if (form == GxContentForm::Text) {
            const size_t keys[] = {bytes.find("\tm_EventBlockFlag\t"), bytes.find("\tm_ImageName\t"),
                                   bytes.find("\tm_ImageSetName\t"),   bytes.find("\tm_ImageIndex\t"),
                                   bytes.find("\tm_PatternIndex\t"),   bytes.find("\tm_AutoToggleFlag\t")};
            for (size_t i = 1; i < std::size(keys); ++i) {
                ASSERT_NE(keys[i], std::string::npos) << i;
                EXPECT_LT(keys[i - 1], keys[i]) << i;
            }
        }

        auto* b = Make<GxTaskUIToggleButtonIs>(19, u"off");
        ASSERT_TRUE(b->LoadImages());
        GxBinBuffer buffer;
        auto r = Reader(form, buffer, bytes);
        ASSERT_TRUE(b->ReadContent(*r)) << h.Log().Joined();
        EXPECT_TRUE(r->IsEnd());
        EXPECT_EQ(b->GetImageName(), u"all");
        EXPECT_EQ(b->GetImageSetName(), u"uigis/btn.gis");
        EXPECT_FALSE(b->GetAutoToggleFlag());
        EXPECT_TRUE(b->GetValueBool());
        EXPECT_EQ(b->GetImage(0), nullptr);  // found again by the next load
        EXPECT_EQ(b->GetHoverCount(), 0);
        EXPECT_EQ(b->GetImageIndex(), 0);
        ASSERT_TRUE(b->LoadImages());
        EXPECT_EQ(b->GetImage(5), a->GetImage(5));
        a->Kill();
        b->Kill();
        h.Frame(16);
    }
}

TEST_F(ButtonTest, PathNamesTheSetAndTheBaseName)
{
    auto* w = Make<GxTaskUIButtonIs>(18, u"none");
    EXPECT_EQ(w->GetImageSetName(), u"uigis/btn.gis");
    ASSERT_TRUE(w->LoadImageSet(u"uigis/btn/offover"));
    EXPECT_EQ(w->GetImageSetName(), u"uigis/btn.gis");
    EXPECT_EQ(w->GetImageName(), u"offover");
    ASSERT_TRUE(w->LoadImages());
    EXPECT_TRUE(w->IsKindOf(GxTaskKind::Button));
}

}  // namespace
