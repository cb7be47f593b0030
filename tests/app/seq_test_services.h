// A screen-services double that records what the screens ask of the device and the window.
#pragma once

#include <string>
#include <vector>

#include "app/GxSeqBase.h"

class RecordingSeqServices : public GxSeqServices
{
public:
    struct DrawCall
    {
        float x, y;
        GxFRect source;
        uint32_t diffuse, specular;
        int32_t blend;
    };
    struct ClearCall
    {
        uint32_t flags, color;
        float z;
        uint32_t stencil;
    };
    struct Message
    {
        uint32_t message;
        GxWParam wParam;
        GxLParam lParam;
    };

    RecordingSeqServices() { GxSetSeqServices(this); }
    ~RecordingSeqServices() override { GxSetSeqServices(nullptr); }

    uint32_t GetBackgroundColor() override { return backgroundColor; }
    int32_t GetTransitTime() override { return transitTime; }
    bool Clear(uint32_t flags, uint32_t color, float z, uint32_t stencil) override
    {
        calls.push_back("Clear");
        clears.push_back({flags, color, z, stencil});
        return true;
    }
    bool BeginScene() override
    {
        calls.push_back("BeginScene");
        return true;
    }
    void SetDefaultRenderState() override { calls.push_back("SetDefaultRenderState"); }
    bool EndScene() override
    {
        calls.push_back("EndScene");
        return true;
    }
    bool DrawGlobalRenderTexture(float x, float y, const GxFRect& source, uint32_t diffuse, uint32_t specular,
                                 int32_t blend) override
    {
        calls.push_back("DrawGlobalRenderTexture");
        draws.push_back({x, y, source, diffuse, specular, blend});
        return true;
    }
    bool RenderSceneToGlobalTexture() override
    {
        calls.push_back("RenderSceneToGlobalTexture");
        return true;
    }
    void PostMainWindowMessage(uint32_t message, GxWParam wParam, GxLParam lParam) override
    {
        messages.push_back({message, wParam, lParam});
    }
    void SetLastDialogResult(int32_t result) override { dialogResults.push_back(result); }

    uint32_t backgroundColor = 0xFF000000u;
    int32_t transitTime = 400;
    std::vector<std::string> calls;
    std::vector<ClearCall> clears;
    std::vector<DrawCall> draws;
    std::vector<Message> messages;
    std::vector<int32_t> dialogResults;
};
