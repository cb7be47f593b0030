// Key-frame evaluation of Nc motion layers: the key search shared by every track kind, the
// interpolated and step tracks with their loop modes, and the vector forms of the easing curves.
//
// Pure computation on the project data: nothing here allocates, since it runs for every layer of
// every shown motion in every frame.
#pragma once

#include <cstdint>

#include "core/GxMath.h"
#include "core/GxInterpolate.h"
#include "layer/GxNcProject.h"

class GxNcLayerSnapShotEx;

// Interpolation modes of a key, applied between it and the next key.
enum GxNcInterMode : uint32_t
{
    NCINTER_STEP = 0,
    NCINTER_LINEAR = 1,
    NCINTER_POWER = 2,
    NCINTER_SINE = 3,
    NCINTER_SINE2 = 4,
};

// Index of the last key whose time is <= t in keys sorted by time (n >= 1); 0 when t lies before
// the first key. Among equal times any of them may be found, but a key exactly at t wins over its
// predecessor.
int32_t GxNcFindKeyIndexAtTime(const GxNcImageKey* keys, int32_t count, int32_t t);
int32_t GxNcFindKeyIndexAtTime(const GxNcVector4Key* keys, int32_t count, int32_t t);
int32_t GxNcFindKeyIndexAtTime(const GxNcVector2Key* keys, int32_t count, int32_t t);
int32_t GxNcFindKeyIndexAtTime(const GxNcFloatKey* keys, int32_t count, int32_t t);
int32_t GxNcFindKeyIndexAtTime(const GxNcUIntKey* keys, int32_t count, int32_t t);
int32_t GxNcFindKeyIndexAtTime(const GxNcVertexKey* keys, int32_t count, int32_t t);
int32_t GxNcFindKeyIndexAtTime(const GxNcSoundKey* keys, int32_t count, int32_t t);
int32_t GxNcFindKeyIndexAtTime(const GxNcEventKey* keys, int32_t count, int32_t t);

// The curves of modes 2, 3 and 4 on four components at once.
GxVector4 GxInterpolatePowerEase(float f, float p, const GxVector4& a, const GxVector4& b);
GxVector4 GxInterpolateSineEase(float f, float p, const GxVector4& a, const GxVector4& b);
GxVector4 GxInterpolateSine2Ease(float f, float p, const GxVector4& a, const GxVector4& b);

// The progress curve g(f) of an interpolation mode (modes outside 1..4 give none: false).
bool GxNcInterpolateProgress(uint32_t interMode, float f, float p, float* g);

// Track evaluators. Each writes its result record and returns the index of the key used (-1 for
// the default record). loopLength is the motion's length (>= 1); loopMode and lastTime are the
// layer's.
struct GxNcLoopParam
{
    int32_t m_LoopLength = 1;
    uint32_t m_LoopMode = 0;
    int32_t m_LastTime = 0;
};
int32_t GxNcEvaluateTrack(const GxNcKeyTrack<GxNcVector4Key>& track, int32_t t, const GxNcLoopParam& loop,
                          GxNcVector4Key* out, const GxNcVector4Key& defaultKey);
int32_t GxNcEvaluateTrack(const GxNcKeyTrack<GxNcFloatKey>& track, int32_t t, const GxNcLoopParam& loop,
                          GxNcFloatKey* out, const GxNcFloatKey& defaultKey);
int32_t GxNcEvaluateTrack(const GxNcKeyTrack<GxNcVertexKey>& track, int32_t t, const GxNcLoopParam& loop,
                          GxNcVertexKey* out, const GxNcVertexKey& defaultKey);
// Step tracks. The image result is the key itself (image keys are never changed by evaluation).
int32_t GxNcEvaluateStepTrack(const GxNcKeyTrack<GxNcImageKey>& track, int32_t t, const GxNcLoopParam& loop,
                              const GxNcImageKey** out, const GxNcImageKey* defaultKey);
int32_t GxNcEvaluateStepTrack(const GxNcKeyTrack<GxNcVector2Key>& track, int32_t t, const GxNcLoopParam& loop,
                              GxNcVector2Key* out, const GxNcVector2Key& defaultKey);
int32_t GxNcEvaluateStepTrack(const GxNcKeyTrack<GxNcUIntKey>& track, int32_t t, const GxNcLoopParam& loop,
                              GxNcUIntKey* out, const GxNcUIntKey& defaultKey);

// Stores t, the loop length and the layer into the snapshot and evaluates the layer's ten
// tracks into it (the UV-offset track is not evaluated).
void GxNcEvaluateLayerTracks(GxNcLayerSnapShotEx& snapshot, const GxNcLayer* layer, int32_t t, int32_t loopLength,
                             uint32_t loopMode);
