// The recording backend: a device without a GPU that keeps every call (GxDevice::Recorder) and
// holds its pixels in CPU memory, so that tests can check exactly what the engine asked for.
// Its adapter is described by the test, which makes it the fake adapter of the device tests.
#pragma once

#include <memory>
#include <vector>

#include "platform/GxDeviceCore.h"

// One CheckDeviceFormat question as the recording adapter received it.
struct GxFormatCheck
{
    GxFormat adapterFormat;
    uint32_t usage;
    GxFormat format;
    bool operator==(const GxFormatCheck&) const = default;
};

struct GxRecordingAdapter
{
    GxAdapterDesc desc;
    // CreateDevice fails this many times with createDeviceFailure before it succeeds.
    uint32_t createDeviceFailures = 0;
    GxResult createDeviceFailure = GXERR_NOTAVAILABLE;
    // When set, every CheckDeviceFormat question is appended here.
    std::shared_ptr<std::vector<GxFormatCheck>> formatChecks;
    // When set and not GX_OK, what presenting the device's own chain answers instead of showing
    // the picture (a driver failure).
    std::shared_ptr<GxResult> presentFailure;
};

// A plausible adapter: a 1920 x 1080 desktop at 60 Hz, the modes 1920 x 1080 and 1024 x 768 at
// 60 Hz, the formats and capabilities of the GL backend, no multisampling.
GxRecordingAdapter GxDefaultRecordingAdapter();

GxDirect3D* GxCreateRecordingDirect3D(const GxRecordingAdapter& adapter);
