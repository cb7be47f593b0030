// A stand-in for the main play screen in command tests: the recording screen with the screen's
// tree of layers under it by their task names. Every load, transit, clear and shake of those
// layers and every call of the screen lands, in order, in one call log; the layers still do
// their real work.
//
// And a runner that plays a script through the program's own path: a package with every game
// command word, loaded by the script host that start-up created, run by its main worker and
// command set.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "layer/GxTaskLayer.h"
#include "tests/support/GxRecordingMainScreen.h"

namespace gxtest {

// One entry per recorded call, "<layer> <operation> <arguments>" in UTF-8, e.g.
// "$BGLAYER:SeqRukoMain LoadImage cg/bg/a.png 0" or "Ruko StartLocalTransit 800". A layer is
// named by its task name, a stand layer by its local name.
using ScreenCallLog = std::vector<std::string>;

class RecordingLayer : public GxTaskLayer
{
public:
    RecordingLayer(const char16_t* taskName, const char16_t* localName, GxTaskBase* parent, ScreenCallLog* log);

    bool LoadMotion(std::u16string_view file, std::u16string_view imageSetName, std::u16string_view motionGroupName,
                    std::u16string_view motionName, int32_t startFrame, int32_t time) override;
    bool LoadImage(std::u16string_view file, int32_t time) override;
    bool LoadMultiTextureFile(const std::vector<std::u16string>& files, int32_t time) override;
    bool StartLocalTransit(int32_t time) override;
    void Clear() override;
    void StartShake(const GxVector3& amplitude, int32_t time) override;
    void StopShake() override;

    // This layer's entries of the log, without the layer's name.
    std::vector<std::string> Calls() const;

private:
    // What the layer calls on itself while doing a recorded call (a clear stops the shake) is
    // part of that call, not a call of its own.
    struct Nested
    {
        explicit Nested(int& depth) : m_Depth(depth) { ++m_Depth; }
        ~Nested() { --m_Depth; }
        int& m_Depth;
    };
    void Record(const std::string& text);
    int m_Depth = 0;
    std::string m_Name;
    ScreenCallLog* m_Log;
};

// Its own calls are logged as "SeqRukoMain <line of the recording screen>"; capture and
// background transit report success.
class FakeMainScreen : public RecordingMainScreen
{
public:
    // Builds the tree under the screen; one stand layer per name, local name = the name.
    FakeMainScreen(GxTaskBase* parent, const std::vector<std::u16string>& standNames);

    // The log's entries that contain the text.
    std::vector<std::string> Matching(std::string_view text) const;

    ScreenCallLog log;
    GxTaskFolder* root = nullptr;
    RecordingLayer* visual = nullptr;
    RecordingLayer* bg = nullptr;
    RecordingLayer* bgw = nullptr;
    RecordingLayer* movie = nullptr;
    GxTaskFolder* stand = nullptr;
    RecordingLayer* flash = nullptr;
    RecordingLayer* fade = nullptr;
    std::map<std::u16string, RecordingLayer*> stands;

protected:
    void Record(const std::string& text) override { log.push_back("SeqRukoMain " + text); }
};

// Every game command word at the first index of its band, "endstand" as a builtin the command
// set does not answer, then the script "MAIN" from the source (test syntax of
// GxMoaPackageBuilder), written to "bincode/moacode.mwb" of the current folder, loaded by the
// script host, started at label "MAIN" and run until it stops. False when the package cannot be
// built or loaded; *stoppedByError tells whether the script ended in an error stop.
bool RunGameScript(std::string_view utf8Source, bool* stoppedByError = nullptr);

}  // namespace gxtest
