#include "core/GxThreadManage.h"

#include <chrono>
#include <thread>

void GxThreadManage::RequestStop()
{
    GxMutexScopedLock l(&m_Mutex);
    m_Stop = true;
}

bool GxThreadManage::IsStopRequested()
{
    GxMutexScopedLock l(&m_Mutex);
    return m_Stop;
}

int32_t GxThreadManage::WaitForThreads()
{
    int32_t n = GetRunningCount();
    while (n > 0) {
        if (m_Sleep) m_Sleep(20);
        else std::this_thread::sleep_for(std::chrono::milliseconds(20));
        n = GetRunningCount();
    }
    return n;
}

void GxThreadManage::DispatchMessages()
{
    GxMutexScopedLock l(&m_Mutex);
    while (!m_Queue.empty()) {
        Record r = std::move(m_Queue.front());
        m_Queue.pop_front();
        GxThreadListenerBase* listener = nullptr;
        if (r.thread) {
            GxMutexScopedLock tl(&r.thread->GetMutex());
            if (r.kind == kComplete) r.thread->SetDone(r.value1);
            listener = r.thread->GetListener();
        }
        if (!listener) listener = m_DefaultListener;
        if (!listener) continue;
        if (r.kind == kMessage) listener->OnThreadMessage(r.text, r.thread, r.value1, r.value2);
        else if (r.kind == kComplete) listener->OnThreadComplete(r.text, r.thread, r.value1, r.value2);
    }
}

void GxThreadManage::Post(int32_t kind, std::u16string text, GxThreadObject* thread, int32_t value1, int32_t value2)
{
    GxMutexScopedLock l(&m_Mutex);
    m_Queue.push_back(Record{kind, std::move(text), thread, value1, value2});
}

void GxThreadManage::AddRunning(int32_t delta)
{
    GxMutexScopedLock l(&m_Mutex);
    m_Running += delta;
}

int32_t GxThreadManage::GetRunningCount()
{
    GxMutexScopedLock l(&m_Mutex);
    return m_Running;
}

size_t GxThreadManage::GetQueueSize()
{
    GxMutexScopedLock l(&m_Mutex);
    return m_Queue.size();
}
