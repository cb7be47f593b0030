#include "platform/GxTermination.h"

#include <SDL2/SDL.h>
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/GxThread.h"

namespace {

// Read from every thread and written by the handlers: a lock-free atomic is safe in both.
std::atomic<int> g_TerminationRequested{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnTerminationSignal(int)
{
    g_TerminationRequested.store(1);
}

// How often a waiting box looks at the flag: the program ends within about this time.
constexpr std::chrono::milliseconds kWatchInterval{25};

// The parent id in the text of /proc/<pid>/stat: the fourth field, counted after the command
// name, which is in parentheses and may itself hold blanks and parentheses.
int ParentOf(const char* stat)
{
    const char* close = strrchr(stat, ')');
    if (!close) return -1;
    char state = 0;
    int parent = -1;
    if (sscanf(close + 1, " %c %d", &state, &parent) != 2) return -1;
    return parent;
}

}  // namespace

void GxInstallTerminationHandlers()
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    struct sigaction action{};
    action.sa_handler = &OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted calls go on: the loops that must react look at the flag themselves.
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

bool GxIsTerminationRequested() { return g_TerminationRequested.load() != 0; }

void GxRequestTermination() { g_TerminationRequested.store(1); }

void GxClearTerminationRequest() { g_TerminationRequested.store(0); }

std::vector<int> GxListChildProcesses(int parent)
{
    std::vector<int> children;
    DIR* proc = opendir("/proc");
    if (!proc) return children;
    while (dirent* entry = readdir(proc)) {
        char* end = nullptr;
        const long pid = strtol(entry->d_name, &end, 10);
        if (pid <= 0 || !end || *end != '\0') continue;
        const std::string path = std::string("/proc/") + entry->d_name + "/stat";
        FILE* f = fopen(path.c_str(), "re");
        if (!f) continue;  // ended meanwhile
        char stat[512];
        const size_t n = fread(stat, 1, sizeof(stat) - 1, f);
        fclose(f);
        stat[n] = '\0';
        if (ParentOf(stat) == parent) children.push_back(static_cast<int>(pid));
    }
    closedir(proc);
    std::sort(children.begin(), children.end());
    return children;
}

GxMessageBoxWatch::GxMessageBoxWatch() : m_ChildrenBefore(GxListChildProcesses(static_cast<int>(getpid())))
{
    // A watch whose thread cannot start does not watch: the box is shown all the same.
    GxStartThread(m_Thread, [this] { Watch(); });
}

GxMessageBoxWatch::~GxMessageBoxWatch()
{
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Done = true;
    }
    m_Wake.notify_all();
    if (m_Thread.joinable()) m_Thread.join();
}

void GxMessageBoxWatch::Watch()
{
    std::unique_lock<std::mutex> lock(m_Mutex);
    while (!m_Done) {
        if (GxIsTerminationRequested()) {
            m_Ended = true;
            // Looked at again each time: the box's process may not have existed at the first look.
            for (int pid : GxListChildProcesses(static_cast<int>(getpid()))) {
                if (!std::binary_search(m_ChildrenBefore.begin(), m_ChildrenBefore.end(), pid)) kill(pid, SIGKILL);
            }
        }
        m_Wake.wait_for(lock, kWatchInterval);
    }
}
