// Ending the program on SIGTERM and SIGINT at any point. The handlers only set a flag (nothing
// else is safe inside a signal handler); the main loop and the wait of a message box watch it,
// and the program then ends through its ordinary quit path.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

// Installs the handlers of SIGTERM and SIGINT and keeps SDL from installing its own (SDL would
// turn them into a close request, which the game may answer with its quit dialog).
void GxInstallTerminationHandlers();
// True once SIGTERM or SIGINT has arrived, or GxRequestTermination was called.
bool GxIsTerminationRequested();
// What the handlers do; tests call it in place of a signal.
void GxRequestTermination();
// Forgets a request (tests).
void GxClearTerminationRequest();

// Watches for a termination request while the calling thread shows a message box. SDL shows a
// box from a process of its own and waits for that process whatever signal comes; on a request
// the watch kills every child process that was started after the watch began (the box's), so
// the box call returns. Children that existed before are left alone.
class GxMessageBoxWatch
{
public:
    GxMessageBoxWatch();
    ~GxMessageBoxWatch();
    GxMessageBoxWatch(const GxMessageBoxWatch&) = delete;
    GxMessageBoxWatch& operator=(const GxMessageBoxWatch&) = delete;

    // True when a termination request came while the watch lived.
    bool Ended() const { return m_Ended.load(); }

private:
    void Watch();

    std::vector<int> m_ChildrenBefore;
    std::mutex m_Mutex;
    std::condition_variable m_Wake;
    bool m_Done = false;
    std::atomic<bool> m_Ended{false};
    std::thread m_Thread;
};

// The ids of the processes whose parent is the given process (from /proc), ascending.
std::vector<int> GxListChildProcesses(int parent);
