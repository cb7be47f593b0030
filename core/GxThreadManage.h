// Carries message records from worker threads to listener objects on the main thread, once per
// update step.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "core/GxMutex.h"

class GxThreadObject;

class GxThreadListenerBase
{
public:
    virtual ~GxThreadListenerBase() = default;
    virtual int OnThreadMessage(const std::u16string& text, GxThreadObject* thread, int32_t value1, int32_t value2)
    {
        (void)text; (void)thread; (void)value1; (void)value2;
        return 0;
    }
    virtual int OnThreadComplete(const std::u16string& text, GxThreadObject* thread, int32_t value1, int32_t value2)
    {
        (void)text; (void)thread; (void)value1; (void)value2;
        return 0;
    }
};

// The posting side as the manager sees it.
class GxThreadObject : public GxObjectNotCopyable
{
public:
    explicit GxThreadObject(GxThreadListenerBase* listener = nullptr) : m_Listener(listener) {}
    GxMutex& GetMutex() { return m_Mutex; }
    GxThreadListenerBase* GetListener() { GxMutexScopedLock l(&m_Mutex); return m_Listener; }
    void SetListener(GxThreadListenerBase* listener) { GxMutexScopedLock l(&m_Mutex); m_Listener = listener; }
    bool IsDone() { GxMutexScopedLock l(&m_Mutex); return m_Done; }
    int32_t GetResult() { GxMutexScopedLock l(&m_Mutex); return m_Result; }
    void SetDone(int32_t result) { GxMutexScopedLock l(&m_Mutex); m_Done = true; m_Result = result; }

private:
    GxMutex m_Mutex;
    GxThreadListenerBase* m_Listener;
    bool m_Done = false;
    int32_t m_Result = 0;
};

class GxThreadManage : public GxObjectNotCopyable
{
public:
    enum { kMessage = 1, kComplete = 2 };
    struct Record
    {
        int32_t kind = 0;
        std::u16string text;
        GxThreadObject* thread = nullptr;
        int32_t value1 = 0;
        int32_t value2 = 0;
    };

    explicit GxThreadManage(GxThreadListenerBase* defaultListener = nullptr) : m_DefaultListener(defaultListener) {}
    ~GxThreadManage() override = default;

    void RequestStop();
    bool IsStopRequested();
    // Reads the running count; while it is above 0, sleeps 20 ms (through the sleep hook) and
    // reads it again. Returns the last count read.
    int32_t WaitForThreads();
    void DispatchMessages();

    // Posting side: a worker appends a record and counts itself while it runs.
    void Post(int32_t kind, std::u16string text, GxThreadObject* thread, int32_t value1, int32_t value2);
    void AddRunning(int32_t delta);
    int32_t GetRunningCount();
    size_t GetQueueSize();

    // Replaces the real sleep of WaitForThreads (tests count and steer the waits).
    using SleepHook = std::function<void(uint32_t ms)>;
    void SetSleepHook(SleepHook hook) { m_Sleep = std::move(hook); }

private:
    GxMutex m_Mutex;
    std::deque<Record> m_Queue;
    int32_t m_Running = 0;
    bool m_Stop = false;
    GxThreadListenerBase* m_DefaultListener;
    SleepHook m_Sleep = nullptr;
};
