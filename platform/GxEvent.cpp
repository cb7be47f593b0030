#include "platform/GxEvent.h"

#include <chrono>

GxEvent::GxEvent(std::shared_ptr<GxEventHub> hub) : m_Hub(hub ? std::move(hub) : std::make_shared<GxEventHub>()) {}

uint64_t GxEvent::Set()
{
    std::lock_guard<std::mutex> lock(m_Hub->mutex);
    if (m_Closed) return 0;
    m_Flag = true;
    const uint64_t ticket = ++m_SetCount;
    m_Hub->cond.notify_all();
    return ticket;
}

bool GxEvent::Wait(int64_t timeoutMs)
{
    GxEvent* self = this;
    return WaitAny(&self, 1, timeoutMs) == 0;
}

int GxEvent::WaitAny(GxEvent* const* events, int count, int64_t timeoutMs)
{
    if (count <= 0) return -1;
    GxEventHub& hub = *events[0]->m_Hub;
    std::unique_lock<std::mutex> lock(hub.mutex);
    int found = -1;
    const auto ready = [&] {
        for (int i = 0; i < count; ++i) {
            if (events[i]->m_Flag) {
                found = i;
                return true;
            }
        }
        return false;
    };
    if (timeoutMs < 0) {
        hub.cond.wait(lock, ready);
    } else if (!hub.cond.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
        return -1;
    }
    GxEvent* event = events[found];
    event->m_Flag = false;
    event->m_Consumed = event->m_SetCount;
    return found;
}

void GxEvent::Done()
{
    std::lock_guard<std::mutex> lock(m_Hub->mutex);
    m_DoneCount = m_Consumed;
    m_Hub->cond.notify_all();
}

bool GxEvent::WaitDone(uint64_t ticket, int64_t timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_Hub->mutex);
    return m_Hub->cond.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [&] { return m_Closed || m_DoneCount >= ticket; });
}

void GxEvent::Close()
{
    std::lock_guard<std::mutex> lock(m_Hub->mutex);
    m_Closed = true;
    m_Flag = false;
    m_Hub->cond.notify_all();
}
