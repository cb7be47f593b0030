#include "layer/GxNcEvaluate.h"

#include "layer/GxNcSnapshot.h"

namespace {

template <typename Key>
int32_t FindKeyIndex(const Key* keys, int32_t n, int32_t t)
{
    int32_t hi = n - 1;
    if (t >= keys[hi].m_Time) return hi;
    int32_t lo = 0;
    while (lo <= hi) {
        const int32_t mid = (lo + hi) / 2;
        if (t < keys[mid].m_Time) {
            hi = mid - 1;
        } else if (t <= keys[mid + 1].m_Time) {
            // mid + 1 < n: t is below the last key's time here.
            return keys[mid + 1].m_Time == t ? mid + 1 : mid;
        } else {
            lo = mid + 1;
        }
    }
    return 0;
}

// Key times shifted by a loop length; stored files may hold any 32-bit time, so the shift
// wraps instead of overflowing.
int32_t ShiftTime(int32_t time, int32_t by)
{
    return static_cast<int32_t>(static_cast<uint32_t>(time) + static_cast<uint32_t>(by));
}

// The loop length that wraps the time (L'), and the wrapped time.
int32_t WrapTime(int32_t t, const GxNcLoopParam& loop, int32_t* wrapLength)
{
    int32_t length = loop.m_LoopLength < 1 ? 1 : loop.m_LoopLength;
    if (loop.m_LoopMode == 2) length = loop.m_LastTime < 1 ? 1 : loop.m_LastTime;
    *wrapLength = length;
    if (loop.m_LoopMode == 0) return t;
    return t % length;  // truncated toward zero: keeps the sign of t
}

inline float Lerp(float a, float b, float g) { return a + (b - a) * g; }
inline GxVector4 Lerp(const GxVector4& a, const GxVector4& b, float g)
{
    return GxVector4(Lerp(a.x, b.x, g), Lerp(a.y, b.y, g), Lerp(a.z, b.z, g), Lerp(a.w, b.w, g));
}

void ApplyCurve(GxNcVector4Key& r, const GxNcVector4Key& a, const GxNcVector4Key& b, float g)
{
    r.m_Value = Lerp(a.m_Value, b.m_Value, g);
}
void ApplyCurve(GxNcFloatKey& r, const GxNcFloatKey& a, const GxNcFloatKey& b, float g)
{
    r.m_Value = Lerp(a.m_Value, b.m_Value, g);
}
void ApplyCurve(GxNcVertexKey& r, const GxNcVertexKey& a, const GxNcVertexKey& b, float g)
{
    for (int k = 0; k < kGxNcVertexCount; ++k) r.m_Value[k] = Lerp(a.m_Value[k], b.m_Value[k], g);
}

template <typename Key>
int32_t EvaluateInterpolated(const GxNcKeyTrack<Key>& track, int32_t t, const GxNcLoopParam& loop, Key* out,
                             const Key& defaultKey)
{
    const int32_t n = static_cast<int32_t>(track.size());
    if (n == 0) {
        *out = defaultKey;
        return -1;
    }
    int32_t wrapLength = 1;
    t = WrapTime(t, loop, &wrapLength);
    const Key* k = track.data();
    const Key* a;
    const Key* b;
    int32_t aTime, bTime, index;
    if (t < k[0].m_Time) {
        if (loop.m_LoopMode == 0) {
            *out = defaultKey;
            return -1;
        }
        a = &k[n - 1];
        b = &k[0];
        aTime = ShiftTime(a->m_Time, -wrapLength);
        bTime = b->m_Time;
        index = n - 1;
    } else if (t > k[n - 1].m_Time) {
        if (loop.m_LoopMode == 0) {
            *out = k[n - 1];
            return n - 1;
        }
        a = &k[n - 1];
        b = &k[0];
        aTime = a->m_Time;
        bTime = ShiftTime(b->m_Time, wrapLength);
        index = n - 1;
    } else {
        index = FindKeyIndex(k, n, t);
        a = &k[index];
        b = &k[(index + 1) % n];
        aTime = a->m_Time;
        bTime = b->m_Time;
        if (bTime < aTime) bTime = ShiftTime(bTime, wrapLength);
    }
    *out = *a;
    out->m_Time = aTime;
    if (a->m_InterMode == NCINTER_STEP || aTime == t || aTime == bTime) return index;
    const float f = static_cast<float>(static_cast<int64_t>(t) - aTime) /
                    static_cast<float>(static_cast<int64_t>(bTime) - aTime);
    float g;
    if (GxNcInterpolateProgress(a->m_InterMode, f, a->m_InterParam0, &g)) ApplyCurve(*out, *a, *b, g);
    return index;
}

template <typename Key>
int32_t EvaluateStepIndex(const GxNcKeyTrack<Key>& track, int32_t t, const GxNcLoopParam& loop)
{
    const int32_t n = static_cast<int32_t>(track.size());
    if (n == 0) return -1;
    int32_t wrapLength = 1;
    t = WrapTime(t, loop, &wrapLength);
    if (t >= track[0].m_Time) return t == track[0].m_Time ? 0 : FindKeyIndex(track.data(), n, t);
    return loop.m_LoopMode == 0 ? -1 : n - 1;
}

template <typename Key>
int32_t EvaluateStep(const GxNcKeyTrack<Key>& track, int32_t t, const GxNcLoopParam& loop, Key* out,
                     const Key& defaultKey)
{
    const int32_t i = EvaluateStepIndex(track, t, loop);
    *out = i < 0 ? defaultKey : track[static_cast<size_t>(i)];
    return i;
}

}  // namespace

int32_t GxNcFindKeyIndexAtTime(const GxNcImageKey* keys, int32_t count, int32_t t) { return FindKeyIndex(keys, count, t); }
int32_t GxNcFindKeyIndexAtTime(const GxNcVector4Key* keys, int32_t count, int32_t t) { return FindKeyIndex(keys, count, t); }
int32_t GxNcFindKeyIndexAtTime(const GxNcVector2Key* keys, int32_t count, int32_t t) { return FindKeyIndex(keys, count, t); }
int32_t GxNcFindKeyIndexAtTime(const GxNcFloatKey* keys, int32_t count, int32_t t) { return FindKeyIndex(keys, count, t); }
int32_t GxNcFindKeyIndexAtTime(const GxNcUIntKey* keys, int32_t count, int32_t t) { return FindKeyIndex(keys, count, t); }
int32_t GxNcFindKeyIndexAtTime(const GxNcVertexKey* keys, int32_t count, int32_t t) { return FindKeyIndex(keys, count, t); }
int32_t GxNcFindKeyIndexAtTime(const GxNcSoundKey* keys, int32_t count, int32_t t) { return FindKeyIndex(keys, count, t); }
int32_t GxNcFindKeyIndexAtTime(const GxNcEventKey* keys, int32_t count, int32_t t) { return FindKeyIndex(keys, count, t); }

bool GxNcInterpolateProgress(uint32_t interMode, float f, float p, float* g)
{
    // With a = 0 and b = 1 the scalar curves give g itself, exactly.
    switch (interMode) {
    case NCINTER_LINEAR: *g = f; return true;
    case NCINTER_POWER: *g = GxInterpolatePowerEase(f, p, 0.0f, 1.0f); return true;
    case NCINTER_SINE: *g = GxInterpolateSineEase(f, p, 0.0f, 1.0f); return true;
    case NCINTER_SINE2: *g = GxInterpolateSine2Ease(f, p, 0.0f, 1.0f); return true;
    default: return false;
    }
}

GxVector4 GxInterpolatePowerEase(float f, float p, const GxVector4& a, const GxVector4& b)
{
    return Lerp(a, b, GxInterpolatePowerEase(f, p, 0.0f, 1.0f));
}
GxVector4 GxInterpolateSineEase(float f, float p, const GxVector4& a, const GxVector4& b)
{
    return Lerp(a, b, GxInterpolateSineEase(f, p, 0.0f, 1.0f));
}
GxVector4 GxInterpolateSine2Ease(float f, float p, const GxVector4& a, const GxVector4& b)
{
    return Lerp(a, b, GxInterpolateSine2Ease(f, p, 0.0f, 1.0f));
}

int32_t GxNcEvaluateTrack(const GxNcKeyTrack<GxNcVector4Key>& track, int32_t t, const GxNcLoopParam& loop,
                          GxNcVector4Key* out, const GxNcVector4Key& defaultKey)
{
    return EvaluateInterpolated(track, t, loop, out, defaultKey);
}
int32_t GxNcEvaluateTrack(const GxNcKeyTrack<GxNcFloatKey>& track, int32_t t, const GxNcLoopParam& loop,
                          GxNcFloatKey* out, const GxNcFloatKey& defaultKey)
{
    return EvaluateInterpolated(track, t, loop, out, defaultKey);
}
int32_t GxNcEvaluateTrack(const GxNcKeyTrack<GxNcVertexKey>& track, int32_t t, const GxNcLoopParam& loop,
                          GxNcVertexKey* out, const GxNcVertexKey& defaultKey)
{
    return EvaluateInterpolated(track, t, loop, out, defaultKey);
}

int32_t GxNcEvaluateStepTrack(const GxNcKeyTrack<GxNcImageKey>& track, int32_t t, const GxNcLoopParam& loop,
                              const GxNcImageKey** out, const GxNcImageKey* defaultKey)
{
    const int32_t i = EvaluateStepIndex(track, t, loop);
    *out = i < 0 ? defaultKey : &track[static_cast<size_t>(i)];
    return i;
}
int32_t GxNcEvaluateStepTrack(const GxNcKeyTrack<GxNcVector2Key>& track, int32_t t, const GxNcLoopParam& loop,
                              GxNcVector2Key* out, const GxNcVector2Key& defaultKey)
{
    return EvaluateStep(track, t, loop, out, defaultKey);
}
int32_t GxNcEvaluateStepTrack(const GxNcKeyTrack<GxNcUIntKey>& track, int32_t t, const GxNcLoopParam& loop,
                              GxNcUIntKey* out, const GxNcUIntKey& defaultKey)
{
    return EvaluateStep(track, t, loop, out, defaultKey);
}

void GxNcEvaluateLayerTracks(GxNcLayerSnapShotEx& s, const GxNcLayer* layer, int32_t t, int32_t loopLength,
                             uint32_t loopMode)
{
    s.m_Time = t;
    s.m_LoopLength = loopLength;
    s.m_pLayer = layer;
    if (!layer) return;
    static const GxNcVector4Key kVector4 = GxNcDefaultVector4Key();
    static const GxNcVector2Key kScale2D = GxNcDefaultScale2DKey();
    static const GxNcFloatKey kAlpha = GxNcDefaultAlphaKey();
    static const GxNcUIntKey kVisible = GxNcDefaultVisibleKey();
    static const GxNcVertexKey kVertex = GxNcDefaultVertexKey();
    GxNcLoopParam loop;
    loop.m_LoopLength = loopLength;
    loop.m_LoopMode = loopMode;
    loop.m_LastTime = layer->m_LastTime;
    GxNcEvaluateStepTrack(layer->m_ImageTrack, t, loop, &s.m_pImageKey, &GxNcDefaultImageKey());
    GxNcEvaluateTrack(layer->m_PositionTrack, t, loop, &s.m_Position, kVector4);
    GxNcEvaluateTrack(layer->m_ScaleTrack, t, loop, &s.m_Scale, kVector4);
    GxNcEvaluateTrack(layer->m_RotationTrack, t, loop, &s.m_Rotation, kVector4);
    GxNcEvaluateTrack(layer->m_CenterTrack, t, loop, &s.m_Center, kVector4);
    GxNcEvaluateStepTrack(layer->m_Scale2DTrack, t, loop, &s.m_Scale2D, kScale2D);
    GxNcEvaluateTrack(layer->m_AlphaTrack, t, loop, &s.m_Alpha, kAlpha);
    GxNcEvaluateStepTrack(layer->m_VisibleTrack, t, loop, &s.m_Visible, kVisible);
    GxNcEvaluateTrack(layer->m_VertexOffsetTrack, t, loop, &s.m_VertexOffset, kVertex);
    GxNcEvaluateTrack(layer->m_VertexColorTrack, t, loop, &s.m_VertexColor, kVertex);
}
