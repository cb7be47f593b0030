// Auto-reset events for the sound threads: a mutex, a condition and a flag. Events made on one
// hub can be waited on together (a refill thread waits for "refill" or "stop").
//
// Each Set hands out a ticket. The thread that handles the event calls Done when it has finished
// its work, and WaitDone lets the setter wait for that: the manual mixer backend uses it so that a
// rendered chunk which crossed a notification only returns once that refill has been written.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

class GxEventHub
{
public:
    std::mutex mutex;
    std::condition_variable cond;
};

class GxEvent
{
public:
    explicit GxEvent(std::shared_ptr<GxEventHub> hub = nullptr);
    GxEvent(const GxEvent&) = delete;
    GxEvent& operator=(const GxEvent&) = delete;

    // Signals the event; returns its ticket (0 once the event is closed).
    uint64_t Set();
    // Waits until the event is signalled and resets it; false on time-out (milliseconds, -1 for
    // none) or when the event is closed.
    bool Wait(int64_t timeoutMs = -1);
    // Waits until one of the events (all on one hub) is signalled; resets it and returns its
    // index (the lowest when several are), -1 on time-out.
    static int WaitAny(GxEvent* const* events, int count, int64_t timeoutMs = -1);

    // The waiter has finished handling every Set up to its last wake.
    void Done();
    // Until the ticket's Set has been handled or the event is closed; false on time-out.
    bool WaitDone(uint64_t ticket, int64_t timeoutMs);
    // Nobody handles this event any more: every WaitDone returns at once.
    void Close();

private:
    std::shared_ptr<GxEventHub> m_Hub;
    bool m_Flag = false;
    bool m_Closed = false;
    uint64_t m_SetCount = 0;
    uint64_t m_Consumed = 0;  // the set count at the last wake
    uint64_t m_DoneCount = 0;
};
