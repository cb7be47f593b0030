// Lock types shared by the engine: a recursive lock and its scoped guard.
#pragma once

#include <mutex>

class GxObjectNotCopyable
{
public:
    GxObjectNotCopyable() = default;
    virtual ~GxObjectNotCopyable() = default;
    GxObjectNotCopyable(const GxObjectNotCopyable&) = delete;
    GxObjectNotCopyable& operator=(const GxObjectNotCopyable&) = delete;
};

// Recursive, like the critical section it stands for: the holder may lock it again.
class GxMutex : public GxObjectNotCopyable
{
public:
    void Lock() { m_Mutex.lock(); }
    void Unlock() { m_Mutex.unlock(); }

private:
    std::recursive_mutex m_Mutex;
};

class GxMutexScopedLock : public GxObjectNotCopyable
{
public:
    explicit GxMutexScopedLock(GxMutex* mutex) : m_Mutex(mutex)
    {
        if (m_Mutex) m_Mutex->Lock();
    }
    ~GxMutexScopedLock() override
    {
        if (m_Mutex) m_Mutex->Unlock();
    }

private:
    GxMutex* m_Mutex;
};
