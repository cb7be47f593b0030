#include "tests/support/GxFakeMainScreen.h"

#include <filesystem>

#include "core/GxString.h"
#include "game/GxGameCommand.h"
#include "moa/GxMoaScriptHost.h"
#include "tests/support/GxMoaPackageBuilder.h"

namespace gxtest {

namespace {

std::string U8(std::u16string_view s) { return GxWideToUtf8(std::u16string(s)); }

std::string Num(float v)
{
    std::string s = std::to_string(v);
    s.erase(s.find_last_not_of('0') + 1);
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

}  // namespace

RecordingLayer::RecordingLayer(const char16_t* taskName, const char16_t* localName, GxTaskBase* parent,
                               ScreenCallLog* log)
    : GxTaskLayer(taskName, localName, 0, parent), m_Name(U8(taskName ? taskName : localName)), m_Log(log)
{
}

void RecordingLayer::Record(const std::string& text)
{
    if (m_Depth == 0) m_Log->push_back(m_Name + " " + text);
}

std::vector<std::string> RecordingLayer::Calls() const
{
    std::vector<std::string> out;
    const std::string prefix = m_Name + " ";
    for (const std::string& e : *m_Log)
        if (e.compare(0, prefix.size(), prefix) == 0) out.push_back(e.substr(prefix.size()));
    return out;
}

bool RecordingLayer::LoadMotion(std::u16string_view file, std::u16string_view imageSetName,
                                std::u16string_view motionGroupName, std::u16string_view motionName,
                                int32_t startFrame, int32_t time)
{
    Record("LoadMotion " + U8(file) + " " + U8(imageSetName) + " [" + U8(motionGroupName) + "] " + U8(motionName) +
           " " + std::to_string(startFrame) + " " + std::to_string(time));
    Nested n(m_Depth);
    return GxTaskLayer::LoadMotion(file, imageSetName, motionGroupName, motionName, startFrame, time);
}

bool RecordingLayer::LoadImage(std::u16string_view file, int32_t time)
{
    Record("LoadImage " + U8(file) + " " + std::to_string(time));
    Nested n(m_Depth);
    return GxTaskLayer::LoadImage(file, time);
}

bool RecordingLayer::LoadMultiTextureFile(const std::vector<std::u16string>& files, int32_t time)
{
    std::string list;
    for (const std::u16string& f : files) list += (list.empty() ? "" : ",") + U8(f);
    Record("LoadMultiTextureFile " + list + " " + std::to_string(time));
    Nested n(m_Depth);
    return GxTaskLayer::LoadMultiTextureFile(files, time);
}

bool RecordingLayer::StartLocalTransit(int32_t time)
{
    Record("StartLocalTransit " + std::to_string(time));
    Nested n(m_Depth);
    return GxTaskLayer::StartLocalTransit(time);
}

void RecordingLayer::Clear()
{
    Record("Clear");
    Nested n(m_Depth);
    GxTaskLayer::Clear();
}

void RecordingLayer::StartShake(const GxVector3& amplitude, int32_t time)
{
    Record("StartShake " + Num(amplitude.x) + " " + Num(amplitude.y) + " " + Num(amplitude.z) + " " +
           Num(amplitude.w) + " " + std::to_string(time));
    Nested n(m_Depth);
    GxTaskLayer::StartShake(amplitude, time);
}

void RecordingLayer::StopShake()
{
    Record("StopShake");
    Nested n(m_Depth);
    GxTaskLayer::StopShake();
}

FakeMainScreen::FakeMainScreen(GxTaskBase* parent, const std::vector<std::u16string>& standNames)
    : RecordingMainScreen(parent, nullptr, true)
{
    root = new GxTaskFolder(u"$ROOT:SeqRukoMain", nullptr, 0, this);
    visual = new RecordingLayer(u"$VISUAL:SeqRukoMain", nullptr, root, &log);
    bg = new RecordingLayer(u"$BGLAYER:SeqRukoMain", nullptr, visual, &log);
    bg->SetOrderZ(-100.0f);
    bgw = new RecordingLayer(u"$BGWLAYER:SeqRukoMain", nullptr, bg, &log);
    bgw->SetOrderZ(-10.0f);
    bgw->Hide();
    movie = new RecordingLayer(u"$MOVIELAYER:SeqRukoMain", nullptr, visual, &log);
    // The stand folder has later siblings, as it may in the screen: walks over its layers must
    // not reach them.
    stand = new GxTaskFolder(u"$STAND:SeqRukoMain", nullptr, 0, visual);
    for (const std::u16string& name : standNames) stands[name] = new RecordingLayer(nullptr, name.c_str(), stand, &log);
    flash = new RecordingLayer(u"$GLOBALFLASH:SeqRukoMain", nullptr, visual, &log);
    flash->SetOrderZ(10000.0f);
    flash->LoadSolidColor(0xFFFFFFFFu, 0);
    flash->SetAlpha(0);
    flash->SetBlendMode(3);
    fade = new RecordingLayer(u"$GLOBALFADE:SeqRukoMain", nullptr, visual, &log);
    fade->SetOrderZ(10001.0f);
    fade->LoadSolidColor(0xFF000000u, 0);
    fade->SetAlpha(0);
}

std::vector<std::string> FakeMainScreen::Matching(std::string_view text) const
{
    std::vector<std::string> out;
    for (const std::string& e : log)
        if (e.find(text) != std::string::npos) out.push_back(e);
    return out;
}

bool RunGameScript(std::string_view utf8Source, bool* stoppedByError)
{
    if (!g_MoaEx || !g_MoaWorkerEx || !g_MoaBuiltinEx) return false;
    GxMoaPackageBuilder b;
    size_t count = 0;
    const GxGameCommandWord* words = GxGetGameCommandWords(&count);
    for (size_t i = 0; i < count; ++i) b.AddBuiltin(words[i].word, words[i].first);
    b.AddBuiltin(u"endstand", 1099);
    if (!b.AddScript(u"MAIN", utf8Source)) return false;
    std::filesystem::create_directories("bincode");
    if (!b.WriteFile("bincode/moacode.mwb")) return false;
    g_MoaEx->ResetRunState();
    if (!GxLoadCompiledScript() || !g_MoaWorkerEx->StartAtLabel(u"MAIN", nullptr)) return false;
    for (int steps = 0; steps < 10000 && g_MoaWorkerEx->Run(g_MoaBuiltinEx); ++steps) {
    }
    if (stoppedByError) *stoppedByError = g_MoaEx->IsErrorStop();
    return true;
}

}  // namespace gxtest
