#include "platform/GxProcess.h"

#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/GxThread.h"

extern char** environ;

namespace {

// Spawns without waiting; every descriptor above 2 is closed in the child, whatever
// close-on-exec state the engine or its libraries left on it.
bool Spawn(const std::string& program, const std::vector<std::string>& args, pid_t& pid)
{
    if (program.empty()) return false;
    std::vector<char*> argv;
    argv.reserve(args.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return false;
    bool ok = posix_spawn_file_actions_addclosefrom_np(&actions, 3) == 0;
    // posix_spawnp reports a program that cannot be executed as an error of the call itself.
    if (ok) ok = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    return ok;
}

int WaitFor(pid_t pid)
{
    int status = 0;
    for (;;) {
        const pid_t r = waitpid(pid, &status, 0);
        if (r == pid) return status;
        if (r < 0 && errno != EINTR) return -1;
    }
}

struct StartedProcesses
{
    std::mutex lock;
    std::condition_variable done;
    int running = 0;
};

StartedProcesses& Started()
{
    // Never destroyed: a reaper thread may still finish after static destructors have run.
    static StartedProcesses* started = new StartedProcesses;
    return *started;
}

}  // namespace

bool GxRunProcessAndWait(const std::string& program, const std::vector<std::string>& args, uint32_t& exitCode)
{
    pid_t pid = 0;
    if (!Spawn(program, args, pid)) return false;
    const int status = WaitFor(pid);
    if (status == -1) return false;
    if (WIFEXITED(status)) {
        exitCode = static_cast<uint32_t>(WEXITSTATUS(status));
    } else if (WIFSIGNALED(status)) {
        exitCode = 128u + static_cast<uint32_t>(WTERMSIG(status));
    } else {
        exitCode = 1;
    }
    return true;
}

bool GxStartProcess(const std::string& program, const std::vector<std::string>& args)
{
    StartedProcesses& s = Started();
    pid_t pid = 0;
    {
        std::lock_guard<std::mutex> guard(s.lock);
        if (!Spawn(program, args, pid)) return false;
        ++s.running;
    }
    auto reaped = [] {
        StartedProcesses& st = Started();
        std::lock_guard<std::mutex> guard(st.lock);
        --st.running;
        st.done.notify_all();
    };
    std::thread reaper;
    if (GxStartThread(reaper, [pid, reaped] {
            WaitFor(pid);
            reaped();
        })) {
        reaper.detach();
    } else {
        // The program runs all the same; only its end goes unheard (nobody waits for it).
        reaped();
    }
    return true;
}

void GxWaitStartedProcesses()
{
    StartedProcesses& s = Started();
    std::unique_lock<std::mutex> guard(s.lock);
    s.done.wait(guard, [&] { return s.running == 0; });
}

namespace {

std::string EnvOr(const char* name, const std::string& fallback)
{
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : fallback;
}

std::string HomeDir() { return EnvOr("HOME", ""); }

// Colon-separated folder list; empty entries are skipped.
std::vector<std::string> SplitDirs(const std::string& list)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) out.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::string Trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
    return s.substr(b, e - b);
}

std::string ReadDesktopKey(const std::string& path, const std::string& section, const std::string& key)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    // Desktop files are small; a huge or unreadable one names no editor.
    constexpr std::streamsize kMaxSize = 1 << 20;
    std::string text(static_cast<size_t>(kMaxSize) + 1, '\0');
    in.read(text.data(), kMaxSize + 1);
    const std::streamsize got = in.gcount();
    if (got > kMaxSize) return {};
    text.resize(static_cast<size_t>(got));
    return GxDesktopEntryValue(text, section, key);
}

std::string XdgDefaultTextEditor()
{
    const std::string home = HomeDir();
    const std::string configHome = EnvOr("XDG_CONFIG_HOME", home.empty() ? "" : home + "/.config");
    const std::string dataHome = EnvOr("XDG_DATA_HOME", home.empty() ? "" : home + "/.local/share");
    std::vector<std::string> configDirs = SplitDirs(EnvOr("XDG_CONFIG_DIRS", "/etc/xdg"));
    std::vector<std::string> dataDirs = SplitDirs(EnvOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share"));

    std::vector<std::string> lists;
    if (!configHome.empty()) lists.push_back(configHome + "/mimeapps.list");
    for (const std::string& d : configDirs) lists.push_back(d + "/mimeapps.list");
    std::vector<std::string> appDirs;
    if (!dataHome.empty()) appDirs.push_back(dataHome + "/applications");
    for (const std::string& d : dataDirs) appDirs.push_back(d + "/applications");
    for (const std::string& d : appDirs) lists.push_back(d + "/mimeapps.list");

    for (const std::string& list : lists) {
        const std::string apps = ReadDesktopKey(list, "Default Applications", "text/plain");
        size_t start = 0;
        while (start < apps.size()) {
            size_t end = apps.find(';', start);
            if (end == std::string::npos) end = apps.size();
            const std::string id = Trim(apps.substr(start, end - start));
            start = end + 1;
            // A desktop id names a file, never a path.
            if (id.empty() || id.find('/') != std::string::npos) continue;
            for (const std::string& d : appDirs) {
                const std::string exec = ReadDesktopKey(d + "/" + id, "Desktop Entry", "Exec");
                if (!exec.empty()) return exec;
            }
        }
    }
    return {};
}

std::string FindInPath(const std::string& name)
{
    for (const std::string& d : SplitDirs(EnvOr("PATH", ""))) {
        const std::string candidate = d + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

}  // namespace

std::string GxFindDefaultTextEditorCommand()
{
    for (const char* var : {"VISUAL", "EDITOR"}) {
        const std::string v = Trim(EnvOr(var, ""));
        if (!v.empty()) return v;
    }
    const std::string exec = XdgDefaultTextEditor();
    if (!exec.empty()) return exec;
    return FindInPath("xdg-open");
}

std::string GxExpandEnvironmentStrings(const std::string& text)
{
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        size_t nameBegin = 0, nameEnd = 0, next = 0;
        if (c == '%') {
            const size_t close = text.find('%', i + 1);
            if (close != std::string::npos && close > i + 1) {
                nameBegin = i + 1;
                nameEnd = close;
                next = close + 1;
            }
        } else if (c == '$' && i + 1 < text.size() && text[i + 1] == '{') {
            const size_t close = text.find('}', i + 2);
            if (close != std::string::npos && close > i + 2) {
                nameBegin = i + 2;
                nameEnd = close;
                next = close + 1;
            }
        } else if (c == '$') {
            size_t e = i + 1;
            while (e < text.size() && IsNameChar(text[e])) ++e;
            if (e > i + 1) {
                nameBegin = i + 1;
                nameEnd = e;
                next = e;
            }
        }
        if (next == 0) {
            out += c;
            ++i;
            continue;
        }
        const std::string name = text.substr(nameBegin, nameEnd - nameBegin);
        const char* value = std::getenv(name.c_str());
        if (value) {
            out += value;
        } else {
            out.append(text, i, next - i);
        }
        i = next;
    }
    return out;
}

std::string GxDesktopEntryValue(const std::string& text, const std::string& section, const std::string& key)
{
    const std::string header = "[" + section + "]";
    bool inSection = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            inSection = line == header;
            continue;
        }
        if (!inSection) continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos || Trim(line.substr(0, eq)) != key) continue;
        return Trim(line.substr(eq + 1));
    }
    return {};
}
