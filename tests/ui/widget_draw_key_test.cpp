// The draw keys of the widgets a play screen is made of (the panels, the text panels, the toggles
// and the message window): a frame whose key is unchanged is not drawn, so for every input the
// key must change exactly when the recorded drawing does. Each case records a frame, makes one
// change, records again and compares both the calls and the keys.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/GxDrawKey.h"
#include "game/DBUIModule.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxMessageLayout.h"
#include "ui/GxTaskUIWidgets.h"
#include "ui/GxUISettings.h"

namespace drawkeytest {

using gxtest::UIHarness;

// The bytes of a frame's calls: what the device was asked to do.
std::string CallBytes(const std::vector<GxDeviceCall>& calls)
{
    std::string out;
    auto add = [&](const void* p, size_t n) { out.append(static_cast<const char*>(p), n); };
    for (const GxDeviceCall& c : calls) {
        add(&c.op, sizeof(c.op));
        add(c.args, sizeof(c.args));
        add(c.f, sizeof(c.f));
        add(&c.object, sizeof(c.object));
        for (const GxRectL& r : c.rects) add(&r, sizeof(r));
        if (!c.vertices.empty()) add(c.vertices.data(), c.vertices.size() * sizeof(GxScreenVertex));
    }
    return out;
}

template <class W>
struct Change
{
    const char* name;
    std::function<void(W&)> change;
};

class WidgetDrawKeyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(h.IsReady()) << h.Log().Joined();
        GxMessageSystemConfig().SetDefault();
        GxMessageUserConfig().SetDefault();
        h.LoadFonts();
        const char16_t* suffixes[] = {u"_off.png", u"_on.png", u"_over.png", u"_na.png", u"_onover.png", u"_onna.png"};
        std::vector<gxtest::UIImageSpec> set = {
            {u"ok.png", {{40, 30, 0xFF00FF00u}, {20, 10, 0xFF0000FFu}}},
            {u"other.png", {{40, 30, 0xFF00FFFFu}}},
        };
        for (int i = 0; i < 6; ++i)
            set.push_back({std::u16string(u"tg") + suffixes[i], {{40 + i, 20, 0xFF000000u | (0x202020u * (i + 1))}}});
        ASSERT_TRUE(h.WriteImageSet("uigis/common.gis", set)) << h.Log().Joined();
        ASSERT_TRUE(h.WritePicture("cg/box.png", gxtest::TestPicture(100, 50, 0xFFFF0000u)));
        ASSERT_TRUE(h.WritePicture("cg/wide.png", gxtest::TestPicture(120, 50, 0xFF0000FFu)));
    }
    void TearDown() override
    {
        GxMessageSystemConfig().SetDefault();
        GxMessageUserConfig().SetDefault();
    }

    template <class W>
    W* Make(int32_t type, const char16_t* set, const char16_t* image, GxTaskBase* parent = nullptr)
    {
        DBUIModuleData m;
        m.ID = 3;
        m.UIType = type;
        m.ModuleName = u"mod_key";
        m.ImageSetName = set;
        m.ImageName = image;
        m.FontIndex = 2;
        m.ClientWidth = 400;
        m.ClientHeight = 100;
        auto* w = dynamic_cast<W*>(h.CreateFromModule(m, u"w", 0, parent));
        EXPECT_NE(w, nullptr);
        if (w) {
            w->SetPos(GxVector3(100.0f, 120.0f, 0.0f));
            // Made after the screen's enter walk, which loads the pictures of the others.
            w->LoadImages();
        }
        return w;
    }

    // For each change on a fresh widget from make: an unchanged frame keeps the calls and the key;
    // the change alters the calls (so the case means something) and must alter the key.
    template <class W>
    void ExpectKeyFollowsDrawing(const std::function<W*()>& make, const std::vector<Change<W>>& changes)
    {
        for (const Change<W>& c : changes) {
            W* w = make();
            ASSERT_NE(w, nullptr) << c.name;
            // The first frame also sets what the last case's widget left in the device.
            h.Frame(16);
            GxDrawKey key0, key1, key2;
            auto keyInto = [&](GxDrawKey& k) {
                return [&k, w, name = c.name] { EXPECT_TRUE(w->AppendDrawKey(k, 0, 5)) << name; };
            };
            const std::string calls0 = CallBytes(h.Frame(16, keyInto(key0)));
            const std::string calls1 = CallBytes(h.Frame(16, keyInto(key1)));
            EXPECT_TRUE(calls1 == calls0) << c.name << ": a still frame";
            EXPECT_TRUE(key1 == key0) << c.name << ": a still frame";
            c.change(*w);
            const std::string calls2 = CallBytes(h.Frame(16, keyInto(key2)));
            EXPECT_TRUE(calls2 != calls0) << c.name << ": the change shows nothing";
            EXPECT_FALSE(key2 == key0) << c.name << ": the key missed the change";
            w->Kill();
            h.Frame(16);
        }
    }

    // The changes every widget draws from its actor.
    template <class W>
    static std::vector<Change<W>> ActorChanges()
    {
        return {
            {"position", [](W& w) { w.SetPos(GxVector3(101.0f, 120.0f, 0.0f)); }},
            {"alpha", [](W& w) { w.SetAlpha(200); }},
            {"colour 0", [](W& w) { w.SetColor0(GxFColor(1.0f, 0.5f, 0.0f, 1.0f)); }},
            {"scale", [](W& w) { w.SetScale(GxVector3(2.0f, 2.0f, 1.0f)); }},
            {"blend", [](W& w) { w.SetBlendMode(BLENDMODE_ADD); }},
            {"hidden", [](W& w) { w.Hide(); }},
        };
    }

    UIHarness h;
};

TEST_F(WidgetDrawKeyTest, ThePanelsKeysFollowTheirDrawing)
{
    h.EnterScreen();
    auto fxChanges = ActorChanges<GxTaskUIPanelFx>();
    fxChanges.push_back({"image alpha", [](GxTaskUIPanelFx& w) { w.SetImageAlpha(100); }});
    fxChanges.push_back(
        {"colour 1", [](GxTaskUIPanelFx& w) { w.GetVisualParam().m_Color1 = GxFColor(0.2f, 0.4f, 0.6f, 1.0f); }});
    fxChanges.push_back({"rotation", [](GxTaskUIPanelFx& w) { w.SetRot(GxVector3(0.0f, 0.0f, 30.0f)); }});
    fxChanges.push_back({"centre", [](GxTaskUIPanelFx& w) {
                             w.SetRot(GxVector3(0.0f, 0.0f, 30.0f));
                             w.SetCenterPos(GxVector3(50.0f, 25.0f, 0.0f));
                         }});
    fxChanges.push_back({"another picture", [](GxTaskUIPanelFx& w) {
                             ASSERT_TRUE(w.LoadImageSet(u"cg/wide.png"));
                             ASSERT_TRUE(w.LoadImages());
                         }});
    ExpectKeyFollowsDrawing<GxTaskUIPanelFx>(
        [&] { return Make<GxTaskUIPanelFx>(GxUIModuleType::PanelFx, u"cg/", u"box"); }, fxChanges);

    auto isChanges = ActorChanges<GxTaskUIPanelIs>();
    isChanges.push_back({"pattern", [](GxTaskUIPanelIs& w) { w.SetPatternIndex(1); }});
    isChanges.push_back({"rotation", [](GxTaskUIPanelIs& w) { w.SetRot(GxVector3(0.0f, 0.0f, 30.0f)); }});
    isChanges.push_back({"another picture", [](GxTaskUIPanelIs& w) {
                             ASSERT_TRUE(w.LoadImageSet(u"uigis/common/other"));
                             ASSERT_TRUE(w.LoadImages());
                         }});
    ExpectKeyFollowsDrawing<GxTaskUIPanelIs>(
        [&] { return Make<GxTaskUIPanelIs>(GxUIModuleType::PanelIs, u"common", u"ok"); }, isChanges);

    // A parent's move moves the panel.
    auto* parent = Make<GxTaskUIPanelIs>(GxUIModuleType::PanelIs, u"common", u"");
    ExpectKeyFollowsDrawing<GxTaskUIPanelIs>(
        [&] { return Make<GxTaskUIPanelIs>(GxUIModuleType::PanelIs, u"common", u"ok", parent); },
        {{"the parent's move", [&](GxTaskUIPanelIs&) { parent->SetPos(GxVector3(5.0f, 0.0f, 0.0f)); }}});
}

TEST_F(WidgetDrawKeyTest, TheTextPanelsKeysFollowTheirTextAndPicture)
{
    h.EnterScreen();
    auto fxChanges = ActorChanges<GxTaskUITextPanelFx>();
    fxChanges.push_back({"text", [](GxTaskUITextPanelFx& w) { w.SetText(u"あいうお"); }});
    fxChanges.push_back({"text colour", [](GxTaskUITextPanelFx& w) { w.SetTextColor(0xFF00FF01u); }});
    fxChanges.push_back({"font", [](GxTaskUITextPanelFx& w) { w.SetTextFontIndex(0); }});
    fxChanges.push_back({"image alpha", [](GxTaskUITextPanelFx& w) { w.SetImageAlpha(100); }});
    ExpectKeyFollowsDrawing<GxTaskUITextPanelFx>(
        [&] {
            auto* w = Make<GxTaskUITextPanelFx>(GxUIModuleType::TextPanelFx, u"cg/", u"box");
            if (w) w->SetText(u"あいうえ");
            return w;
        },
        fxChanges);
    // Text alone, without a picture.
    ExpectKeyFollowsDrawing<GxTaskUITextPanelFx>(
        [&] {
            auto* w = Make<GxTaskUITextPanelFx>(GxUIModuleType::TextPanelFx, u"", u"");
            if (w) w->SetText(u"あいうえ");
            return w;
        },
        {{"text", [](GxTaskUITextPanelFx& w) { w.SetText(u"あい"); }},
         {"position", [](GxTaskUITextPanelFx& w) { w.SetPos(GxVector3(100.0f, 121.0f, 0.0f)); }}});

    auto isChanges = ActorChanges<GxTaskUITextPanelIs>();
    isChanges.push_back({"text", [](GxTaskUITextPanelIs& w) { w.SetText(u"あいうお"); }});
    isChanges.push_back({"pattern", [](GxTaskUITextPanelIs& w) { w.SetPatternIndex(1); }});
    ExpectKeyFollowsDrawing<GxTaskUITextPanelIs>(
        [&] {
            auto* w = Make<GxTaskUITextPanelIs>(GxUIModuleType::TextPanelIs, u"common", u"ok");
            if (w) w->SetText(u"あいうえ");
            return w;
        },
        isChanges);
}

TEST_F(WidgetDrawKeyTest, TheTogglesKeysFollowValueHoverAndState)
{
    // Made before the screen is entered, as its widgets are: they take the pointer.
    auto* toggle = Make<GxTaskUIToggleButtonIs>(GxUIModuleType::ToggleButtonIs, u"common", u"tg");
    auto* radio = Make<GxTaskUIRadioButtonIs>(GxUIModuleType::RadioButtonIs, u"common", u"tg");
    ASSERT_TRUE(toggle && radio);
    radio->SetPos(GxVector3(100.0f, 400.0f, 0.0f));
    h.EnterScreen();
    for (GxTaskUIToggleButtonIs* w : {toggle, static_cast<GxTaskUIToggleButtonIs*>(radio)}) {
        const float y = w == toggle ? 125.0f : 405.0f;
        struct Step
        {
            const char* name;
            std::function<void()> change;
        };
        const Step steps[] = {
            {"on", [&] { w->SetValueBool(true); }},
            {"hovered while on", [&] { h.Move(110.0f, y); }},
            {"hovered while off", [&] { w->SetValueBool(false); }},
            {"left", [&] { h.Move(700.0f, 700.0f); }},
            {"not available", [&] { w->SetEnabled(false); }},
            {"not available while on", [&] { w->SetValueBool(true); }},
            {"alpha", [&] { w->SetAlpha(100); }},
        };
        h.Frame(16);
        GxDrawKey key;
        auto keyInto = [&](GxDrawKey& k) { return [&k, w] { EXPECT_TRUE(w->AppendDrawKey(k, 0, 5)); }; };
        std::string calls = CallBytes(h.Frame(16, keyInto(key)));
        for (const Step& s : steps) {
            s.change();
            GxDrawKey next;
            const std::string now = CallBytes(h.Frame(16, keyInto(next)));
            EXPECT_TRUE(now != calls) << s.name << ": the change shows nothing";
            EXPECT_FALSE(next == key) << s.name;
            calls = now;
            key.Swap(next);
        }
    }
}

TEST_F(WidgetDrawKeyTest, TheMessageWindowsKeyFollowsEveryCharacterAndSetting)
{
    h.EnterScreen();
    auto make = [&] {
        auto* w = Make<GxTaskUIMessageWindowFx>(GxUIModuleType::MessageWindowFx, u"cg/", u"box");
        if (w) {
            w->SetMessage(u"≪漢字／かんじ≫あい%cうえお", true, false, false, false);
            w->FlushMessage(false, false);
        }
        return w;
    };
    auto changes = ActorChanges<GxTaskUIMessageWindowFx>();
    const std::vector<Change<GxTaskUIMessageWindowFx>> own = {
        {"the click and the next character",
         [](GxTaskUIMessageWindowFx& w) {
             EXPECT_FALSE(w.ProcessClick());
             w.ProcessNextChar();
         }},
        {"the rest of the text", [](GxTaskUIMessageWindowFx& w) { w.FlushMessage(true, false); }},
        {"another message of as many characters",
         [](GxTaskUIMessageWindowFx& w) {
             w.SetMessage(u"≪漢字／かんじ≫あか%cうえお", true, false, false, false);
             w.FlushMessage(false, false);
         }},
        {"another reading",
         [](GxTaskUIMessageWindowFx& w) {
             w.SetMessage(u"≪漢字／かんし≫あい%cうえお", true, false, false, false);
             w.FlushMessage(false, false);
         }},
        {"a colour command",
         [](GxTaskUIMessageWindowFx& w) {
             w.SetMessage(u"≪漢字／かんじ≫あ%a(0xFF0000)い%cうえお", true, false, false, false);
             w.FlushMessage(false, false);
         }},
        {"read before, shown in the read colour",
         [](GxTaskUIMessageWindowFx& w) {
             GxMessageUserConfig().m_ChangeColorReadedText = true;
             GxMessageSystemConfig().m_MeswinTextColor1 = 0xFF808080u;
             w.SetMessage(u"≪漢字／かんじ≫あい%cうえお", true, true, false, false);
             w.FlushMessage(false, false);
         }},
        {"the text colour of the settings",
         [](GxTaskUIMessageWindowFx&) { GxMessageSystemConfig().m_MeswinTextColor0 = 0xFFFFFF00u; }},
        {"text hidden", [](GxTaskUIMessageWindowFx& w) { w.HideText(); }},
        {"the text region", [](GxTaskUIMessageWindowFx& w) { w.SetTextRegion(10, 10, 400, 100); }},
        {"the text font",
         [](GxTaskUIMessageWindowFx& w) {
             w.SetTextFont(3);
             w.SetMessage(u"≪漢字／かんじ≫あい%cうえお", true, false, false, false);
             w.FlushMessage(false, false);
         }},
        {"the image alpha of the panel", [](GxTaskUIMessageWindowFx& w) { w.SetImageAlpha(100); }},
    };
    changes.insert(changes.end(), own.begin(), own.end());
    ExpectKeyFollowsDrawing<GxTaskUIMessageWindowFx>(make, changes);
    GxMessageSystemConfig().SetDefault();
    GxMessageUserConfig().SetDefault();

    // The colour of the read text follows the player's option while the window rests.
    auto* w = make();
    ASSERT_NE(w, nullptr);
    w->SetMessage(u"あい%cうえお", true, true, false, false);
    w->FlushMessage(false, false);
    GxMessageSystemConfig().m_MeswinTextColor1 = 0xFF808080u;
    const std::string before = CallBytes(h.Frame(16));
    GxDrawKey off, on;
    ASSERT_TRUE(w->AppendDrawKey(off, 0, 5));
    GxMessageUserConfig().m_ChangeColorReadedText = !GxMessageUserConfig().m_ChangeColorReadedText;
    EXPECT_TRUE(CallBytes(h.Frame(16)) != before);
    ASSERT_TRUE(w->AppendDrawKey(on, 0, 5));
    EXPECT_FALSE(on == off) << "the read-text option";
}

// A class derived from a keyed one may draw otherwise: it has no key of its parent's.
class OwnMessageWindow : public GxTaskUIMessageWindowFx
{
public:
    using GxTaskUIMessageWindowFx::GxTaskUIMessageWindowFx;
};

TEST_F(WidgetDrawKeyTest, ClassesThatDrawByThemselvesHaveNoKey)
{
    h.EnterScreen();
    GxDrawKey none;
    // The animated panel steps its pattern by itself.
    EXPECT_FALSE(Make<GxTaskUIAnimePanelIs>(GxUIModuleType::AnimePanelIs, u"common", u"ok")->AppendDrawKey(none, 0, 5));
    auto* own = new OwnMessageWindow(h.Screen(), u"own", u"own", 0);
    EXPECT_FALSE(own->AppendDrawKey(none, 0, 5));
}

}  // namespace drawkeytest
