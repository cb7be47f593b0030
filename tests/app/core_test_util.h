// Fixtures of the application-core tests: a temporary game folder with its documents and lock
// folders, the current directory and environment switched to it, message boxes and core steps
// captured, and a task that records the input it receives.
#pragma once

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/GxCoreTrace.h"
#include "app/task/GxTaskBase.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxGraphics.h"
#include "platform/GxDeviceRecording.h"
#include "tests/support/GxMoaPackageBuilder.h"

namespace coretest {

inline void WriteFile(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream f(path, std::ios::binary);
    f << text;
}

inline bool ReadFile(const std::filesystem::path& path, std::string& out)
{
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    out.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return true;
}

inline std::string Utf8(const std::u16string& s) { return GxWideToUtf8(s); }

// A script package without a story: what a game folder needs to start at all (its labels are
// the business of the tests that start one).
inline const std::string& EmptyScriptPackage()
{
    static const std::string bytes = GxMoaPackageBuilder().WritePackage();
    return bytes;
}

// A temporary root holding "game/" (the current directory of a run), "docs/" (the documents
// folder) and "locks/" (the single-instance lock folder). A game folder made with its settings
// holds an empty script package too.
struct TempGame
{
    std::filesystem::path root, game, docs, locks;

    explicit TempGame(const std::string& sysconf = "APP_TITLE=CoreTest\nAPP_SAVEDIR=CoreTest_SAVE\n")
    {
        char tmpl[] = "/tmp/gxcore_XXXXXX";
        root = mkdtemp(tmpl);
        game = root / "game";
        docs = root / "docs";
        locks = root / "locks";
        std::filesystem::create_directories(game);
        std::filesystem::create_directories(docs);
        std::filesystem::create_directories(locks);
        if (!sysconf.empty()) {
            WriteFile(game / "system" / "sysconf.ini", sysconf);
            WriteFile(game / "bincode" / "moacode.mwb", EmptyScriptPackage());
        }
    }
    ~TempGame()
    {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

// Switches the current directory and restores it.
struct ScopedCwd
{
    std::filesystem::path saved;
    explicit ScopedCwd(const std::filesystem::path& to) : saved(std::filesystem::current_path())
    {
        std::filesystem::current_path(to);
    }
    ~ScopedCwd() { std::filesystem::current_path(saved); }
};

struct ScopedEnv
{
    std::string name;
    bool had = false;
    std::string old;
    ScopedEnv(const char* n, const std::string& value) : name(n)
    {
        if (const char* v = getenv(n)) {
            had = true;
            old = v;
        }
        setenv(n, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (had) setenv(name.c_str(), old.c_str(), 1);
        else unsetenv(name.c_str());
    }
};

// Message boxes shown while it lives, as "caption|text".
struct MessageBoxes
{
    static std::vector<std::string>& Lines()
    {
        static std::vector<std::string> lines;
        return lines;
    }
    static void Handler(const std::u16string& caption, const std::u16string& text)
    {
        Lines().push_back(Utf8(caption) + "|" + Utf8(text));
    }
    MessageBoxes()
    {
        Lines().clear();
        GxSetMessageBoxHandler(&Handler);
    }
    ~MessageBoxes() { GxSetMessageBoxHandler(nullptr); }
    const std::vector<std::string>& lines() const { return Lines(); }
};

// The graphics device is the recording one while it lives (no GL in these tests); with fail set,
// the device cannot be made at all.
struct RecordingDevice
{
    explicit RecordingDevice(bool fail = false)
    {
        if (fail) GxGraphics::SetDirect3DFactory([](void*) -> GxDirect3D* { return nullptr; });
        else GxGraphics::SetDirect3DFactory([](void*) { return GxCreateRecordingDirect3D(GxDefaultRecordingAdapter()); });
    }
    ~RecordingDevice() { GxGraphics::SetDirect3DFactory(nullptr); }
};

// The application core's steps while it lives.
struct CoreSteps
{
    std::vector<std::string> steps;
    static void Sink(const char* step, void* context) { static_cast<CoreSteps*>(context)->steps.push_back(step); }
    CoreSteps() { GxSetCoreTraceSink(&Sink, this); }
    ~CoreSteps() { GxSetCoreTraceSink(nullptr, nullptr); }
    // Index of the first occurrence, or -1.
    int IndexOf(const std::string& step) const
    {
        for (size_t i = 0; i < steps.size(); ++i)
            if (steps[i] == step) return static_cast<int>(i);
        return -1;
    }
    int Count(const std::string& step) const
    {
        int n = 0;
        for (const auto& s : steps) n += s == step ? 1 : 0;
        return n;
    }
};

// A task that records the window, mouse and key calls it receives as text, and answers with the
// results it is given.
class InputTask : public GxTaskBase
{
public:
    InputTask(std::vector<std::string>* log, const std::string& label, GxTaskBase* parent)
        : GxTaskBase(nullptr, nullptr, 0, parent), m_Log(log), m_Label(label)
    {
    }

    void MakeSequence() { AddKindFlags(GxTaskKind::Sequence); }

    int consumeKey = 0;        // virtual key whose OnKeyDown answers 1
    int keepOpen = 0;          // OnClose's answer
    int consumeMouseDown = 0;  // answer of the button-down operations

    int OnActivate() override { return Add("Activate"); }
    int OnDeactivate() override { return Add("Deactivate"); }
    int OnClose() override
    {
        Add("Close");
        return keepOpen;
    }
    int OnChangeScreenMode(int32_t from, int32_t to) override
    {
        return Add("ScreenMode " + std::to_string(from) + ">" + std::to_string(to));
    }
    int OnMouseMove(const GxMousePoint& pt, uint32_t ks) override { return Add("Move", pt, ks); }
    int OnMouseWheel(const GxMousePoint& pt, int32_t delta, uint32_t ks) override
    {
        return Add("Wheel " + std::to_string(delta), pt, ks);
    }
    int OnMouseLeftDown(const GxMousePoint& pt, uint32_t ks, bool) override
    {
        Add("LDown", pt, ks);
        return consumeMouseDown;
    }
    int OnMouseLeftUp(const GxMousePoint& pt, uint32_t ks) override { return Add("LUp", pt, ks); }
    int OnMouseRightDown(const GxMousePoint& pt, uint32_t ks, bool) override
    {
        Add("RDown", pt, ks);
        return consumeMouseDown;
    }
    int OnMouseRightUp(const GxMousePoint& pt, uint32_t ks) override { return Add("RUp", pt, ks); }
    int OnMouseMiddleDown(const GxMousePoint& pt, uint32_t ks, bool) override
    {
        Add("MDown", pt, ks);
        return consumeMouseDown;
    }
    int OnMouseMiddleUp(const GxMousePoint& pt, uint32_t ks) override { return Add("MUp", pt, ks); }
    int OnKeyDown(GxWParam vk, GxLParam) override
    {
        Add("KeyDown " + std::to_string(vk));
        return static_cast<int>(vk) == consumeKey ? 1 : 0;
    }
    int OnKeyUp(GxWParam vk, GxLParam) override { return Add("KeyUp " + std::to_string(vk)); }

private:
    int Add(const std::string& what)
    {
        m_Log->push_back(m_Label + ":" + what);
        return 0;
    }
    int Add(const std::string& what, const GxMousePoint& pt, uint32_t ks)
    {
        char buf[96];
        snprintf(buf, sizeof buf, " %.2f,%.2f ks%u", pt.x, pt.y, ks);
        return Add(what + buf);
    }

    std::vector<std::string>* m_Log;
    std::string m_Label;
};

}  // namespace coretest
