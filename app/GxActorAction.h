// Timed actions of actors: one record per fade, move, scale, rotation, shake or delayed state
// change. An actor runs two queues of them side by side (GxTaskActor); this file holds the
// record, its codes and its stored form. The evaluation lives with the actor.
#pragma once

#include <cstdint>

#include "core/GxMath.h"

class GxContentWriterBase;
class GxContentReaderBase;

// What an action changes. Any other value only takes time, like a wait.
enum GxActionType : int32_t {
    ACTIONTYPE_WAIT = 0,
    ACTIONTYPE_FADE = 1,          // alpha from its value at the start to m_End.x
    ACTIONTYPE_MOVETO = 2,
    ACTIONTYPE_SCALETO = 3,
    ACTIONTYPE_ROTATETO = 4,
    ACTIONTYPE_MOVEBY = 5,        // m_End is an offset until the action starts
    ACTIONTYPE_SCALEBY = 6,
    ACTIONTYPE_ROTATEBY = 7,
    ACTIONTYPE_SHOW = 8,          // the delayed changes take effect when the time runs out
    ACTIONTYPE_HIDE = 9,
    ACTIONTYPE_SHAKE = 10,        // m_End.x and m_End.y are the amplitudes
    ACTIONTYPE_SETALPHA = 11,
    ACTIONTYPE_SETCOLOR0 = 12,
    ACTIONTYPE_SETCOLOR1 = 13,
    ACTIONTYPE_SETBLENDMODE = 14,
};

// How the linear progress p becomes the eased progress f. Any other value is linear.
enum GxActionInterMode : uint32_t {
    ACTIONINTER_LINEAR = 1,
    ACTIONINTER_EASEOUT = 2,  // 1 - (1 - p)^2.6
    ACTIONINTER_EASEIN = 3,   // p^2.6
    ACTIONINTER_SINE = 4,     // p - sin(2 pi p) / (2 pi)
};

// The eased progress of a mode; maps 0 to 0 and 1 to 1 in every mode.
float GxActionEase(uint32_t mode, float p);

class GxActionParam
{
public:
    GxActionParam() = default;
    // Copies keep every field but zero the fourth components of the start and end values.
    GxActionParam(const GxActionParam& other);
    GxActionParam& operator=(const GxActionParam& other);
    virtual ~GxActionParam() = default;

    // "m_ActionType", "m_TimeLeft", "m_TimeTotal", "m_Start", "m_End", "m_InterMode",
    // "m_InterParam", "m_InitCompleted"; true when the stream's error count is 0.
    virtual bool WriteContent(GxContentWriterBase& writer) const;
    virtual bool ReadContent(GxContentReaderBase& reader);

    int32_t m_ActionType = ACTIONTYPE_WAIT;
    int32_t m_TimeLeft = 0;   // milliseconds still to run
    int32_t m_TimeTotal = 0;  // milliseconds
    GxVector3 m_Start;        // taken from the actor when the action first runs
    GxVector3 m_End;
    uint32_t m_InterMode = ACTIONINTER_LINEAR;
    int32_t m_InterParam = 0;  // kept with the action; the curves do not read it
    bool m_InitCompleted = false;
};
