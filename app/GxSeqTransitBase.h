// Screen transitions: the last picture of the screen being left is captured into the global
// render texture and drawn over the new screen, fading from opaque to transparent, while the new
// screen waits in its pre-main phase. GxTransitParam is the timer record behind it (layers use
// it for their own cross-fades too); GxSeqTransitBase is the screen base that owns one.
#pragma once

#include <cstdint>

#include "app/GxSeqBase.h"

class GxContentWriterBase;
class GxContentReaderBase;

class GxTransitParam
{
public:
    GxTransitParam() = default;
    virtual ~GxTransitParam() = default;

    // "m_Transit", "m_TransitTimeLeft", "m_TransitTimeTotal"; true when the stream's error
    // count is 0.
    virtual bool WriteContent(GxContentWriterBase& writer) const;
    virtual bool ReadContent(GxContentReaderBase& reader);

    // 1.0 when idle or when the total is not above 0; otherwise the share of the time that has
    // run, clamped to 0..1.
    float GetProgress() const;
    // Running, with time milliseconds left of time.
    void Start(int32_t time)
    {
        m_Transit = true;
        m_TransitTimeLeft = time;
        m_TransitTimeTotal = time;
    }
    // Nothing left, not running (the total is kept); false when it was not running.
    bool Stop()
    {
        if (!m_Transit) return false;
        m_TransitTimeLeft = 0;
        m_Transit = false;
        return true;
    }

    bool m_Transit = false;
    int32_t m_TransitTimeLeft = 0;   // milliseconds
    int32_t m_TransitTimeTotal = 0;  // milliseconds
};

class GxSeqTransitBase : public GxSeqBase
{
public:
    // Input-mask bits held while the overlay runs: the mouse and key walks skip the screen.
    static constexpr uint32_t kTransitInputMask = (1u << 3) | (1u << 4) | (1u << 5);

    GxSeqTransitBase(const char16_t* taskName, GxTaskBase* parent);
    ~GxSeqTransitBase() override;

    // The screen base's leave step, then ends this screen's own transition, and when the screen
    // changed to can run one, captures the screen and starts it there.
    void OnSequenceLeave() override;
    // Counts the transition down; the main phase starts in the step in which it runs out.
    int UpdatePreMain(int32_t step, int64_t elapsed) override;
    // Layer 0 (the clear) and, while in transit, layer 9 (the overlay).
    int Render(int32_t step, int64_t elapsed) override;
    // Parameter 0 clears the screen, parameter 1 draws the overlay.
    int Draw(int32_t param, int32_t layer) override;
    // The key of this class's Draw; a running transition has none.
    bool AppendTransitDrawKey(GxDrawKey& key, int32_t param);

    virtual bool StartTransit(int32_t time);
    // False when no transition was running.
    virtual bool EndTransit();
    virtual bool IsInTransit() const { return m_TransitParam.m_Transit; }
    // The captured picture over the whole screen with alpha 1 - progress.
    virtual void DrawTransit();

    const GxTransitParam& GetTransitParam() const { return m_TransitParam; }

protected:
    GxTransitParam m_TransitParam;
};
