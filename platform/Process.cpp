#include "platform/Process.h"

#include "platform/Descriptor.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

extern char** environ;

namespace platform {
namespace {

constexpr const char* kCommandLineVariable = "KELTO_COMMAND_LINE";

// Exit codes that Terminate asked for, by process id: a child of this program ended through
// another handle then reports the code it was ended with, as on Windows.
std::mutex g_terminatedMutex;
std::map<uint32_t, uint32_t> g_terminatedCodes;

void RememberTermination(uint32_t processId, uint32_t exitCode) {
    std::lock_guard<std::mutex> lock(g_terminatedMutex);
    g_terminatedCodes[processId] = exitCode;
}

bool TakeTermination(uint32_t processId, uint32_t* exitCode) {
    std::lock_guard<std::mutex> lock(g_terminatedMutex);
    auto it = g_terminatedCodes.find(processId);
    if (it == g_terminatedCodes.end()) {
        return false;
    }
    *exitCode = it->second;
    g_terminatedCodes.erase(it);
    return true;
}

int OpenProcessDescriptor(pid_t pid) {
#ifdef SYS_pidfd_open
    long descriptor = syscall(SYS_pidfd_open, pid, 0);
    if (descriptor >= 0) {
        fcntl(static_cast<int>(descriptor), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(descriptor);
    }
#endif
    return -1;
}

// Owns descriptor (closed with the last copy); null for none.
std::shared_ptr<const int> ShareDescriptor(int descriptor) {
    if (descriptor < 0) {
        return nullptr;
    }
    return std::shared_ptr<const int>(new int(descriptor), [](const int* owned) {
        close(*owned);
        delete owned;
    });
}

struct StatFields {
    char state = 0;
    uint32_t parent = 0;
    uint64_t startTime = 0; // clock ticks after boot
    std::string command;
};

// The fields of /proc/<pid>/stat this layer uses; false when the process is gone.
bool ReadStat(uint32_t pid, StatFields* fields) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line)) {
        return false;
    }
    // "pid (comm) S ppid ...": the command may itself hold blanks and parentheses.
    const size_t open = line.find('(');
    const size_t close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close + 4 > line.size()) {
        return false;
    }
    fields->command = line.substr(open + 1, close - open - 1);
    fields->state = line[close + 2];
    std::istringstream rest(line.substr(close + 4));
    rest >> fields->parent;
    // The start time is field 22; the parent was field 4.
    std::string skipped;
    for (int field = 5; field < 22 && rest >> skipped; ++field) {
    }
    rest >> fields->startTime;
    return !rest.fail();
}

bool IsRunning(uint32_t pid) {
    StatFields fields;
    return ReadStat(pid, &fields) && fields.state != 'Z' && fields.state != 'X';
}

std::string ImageFileName(uint32_t pid, const std::string& command) {
    std::string path = ProcessImageHostPath(pid);
    if (path.empty()) {
        return command;
    }
    return std::filesystem::path(path).filename().string();
}

bool HostPathOf(const std::wstring& path, std::filesystem::path* host) {
    if (!path.empty() && path[0] == L'/') {
        *host = std::filesystem::path(WideToNarrow(path));
        return true;
    }
    return ToHostPath(path, host);
}

} // namespace

std::string ProcessImageHostPath(uint32_t processId) {
    char buffer[PATH_MAX + 1] = {};
    std::string link = "/proc/" + std::to_string(processId) + "/exe";
    ssize_t length = readlink(link.c_str(), buffer, PATH_MAX);
    if (length <= 0) {
        return {};
    }
    std::string path(buffer, static_cast<size_t>(length));
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() &&
        path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0) {
        path.resize(path.size() - deleted.size());
    }
    return path;
}

bool SnapshotProcesses(std::vector<ProcessEntry>* entries) {
    entries->clear();
    std::error_code error;
    std::filesystem::directory_iterator it("/proc", error);
    if (error) {
        return false;
    }
    std::vector<uint32_t> ids;
    for (std::filesystem::directory_iterator end; it != end; it.increment(error)) {
        if (error) {
            return false;
        }
        const std::string name = it->path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) {
            continue;
        }
        ids.push_back(static_cast<uint32_t>(std::strtoul(name.c_str(), nullptr, 10)));
    }
    std::sort(ids.begin(), ids.end());
    entries->push_back(ProcessEntry{0, 0, L"[System Process]"});
    for (uint32_t id : ids) {
        // The descriptor before the fields: whatever the fields then say, the descriptor names a
        // process at least as old, and a signal through it never reaches a newer one.
        std::shared_ptr<const int> found = ShareDescriptor(OpenProcessDescriptor(id));
        StatFields fields;
        if (!ReadStat(id, &fields) || fields.state == 'Z' || fields.state == 'X') {
            continue;
        }
        entries->push_back(ProcessEntry{id, fields.parent,
                                        NarrowToWide(ImageFileName(id, fields.command)),
                                        fields.startTime, std::move(found)});
    }
    return true;
}

Process::~Process() {
    if (m_child && !m_ended) {
        Reap(false);
    }
    if (m_descriptor >= 0) {
        close(m_descriptor);
    }
}

bool Process::Terminate(uint32_t exitCode) {
    if (m_ended) {
        return false;
    }
    int result = -1;
#ifdef SYS_pidfd_send_signal
    if (m_descriptor >= 0) {
        result =
            static_cast<int>(syscall(SYS_pidfd_send_signal, m_descriptor, SIGKILL, nullptr, 0));
    }
#endif
    if (m_descriptor < 0) {
        result = kill(static_cast<pid_t>(m_processId), SIGKILL);
    }
    if (result != 0) {
        return false;
    }
    m_terminated = true;
    m_exitCode = exitCode;
    RememberTermination(m_processId, exitCode);
    return true;
}

bool Process::Reap(bool block) {
    if (m_ended) {
        return true;
    }
    int status = 0;
    pid_t result;
    do {
        result = waitpid(static_cast<pid_t>(m_processId), &status, block ? 0 : WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result != static_cast<pid_t>(m_processId)) {
        return false;
    }
    m_ended = true;
    uint32_t requested = 0;
    const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    if (killed && TakeTermination(m_processId, &requested)) {
        m_exitCode = requested;
        return true;
    }
    if (!m_terminated) {
        m_exitCode = WIFEXITED(status)     ? static_cast<uint32_t>(WEXITSTATUS(status))
                     : WIFSIGNALED(status) ? 128u + static_cast<uint32_t>(WTERMSIG(status))
                                           : 0u;
    }
    return true;
}

bool Process::GetExitCode(uint32_t* exitCode) {
    if (!exitCode) {
        return false;
    }
    if (m_child) {
        Reap(false);
    } else if (!m_ended && !IsRunning(m_processId)) {
        m_ended = true;
    } else if (!m_ended && m_descriptor >= 0) {
        pollfd ready{m_descriptor, POLLIN, 0};
        if (poll(&ready, 1, 0) > 0) {
            m_ended = true;
        }
    }
    *exitCode = m_ended ? m_exitCode : kStillActive;
    return true;
}

bool Process::Wait(uint32_t milliseconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (true) {
        uint32_t code = 0;
        GetExitCode(&code);
        if (m_ended) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::unique_ptr<Process> OpenProcess(uint32_t processId) {
    if (processId == 0 || processId > static_cast<uint32_t>(INT_MAX) || !IsRunning(processId)) {
        return nullptr;
    }
    int descriptor = OpenProcessDescriptor(static_cast<pid_t>(processId));
    // The id may have been reused between the check and the open: check again through the
    // descriptor's process.
    if (!IsRunning(processId)) {
        if (descriptor >= 0) {
            close(descriptor);
        }
        return nullptr;
    }
    return std::unique_ptr<Process>(new Process(processId, descriptor, false));
}

std::unique_ptr<Process> OpenProcessAsFound(const ProcessEntry& entry) {
    if (entry.processId == 0 || entry.processId > static_cast<uint32_t>(INT_MAX)) {
        return nullptr;
    }
    // The snapshot's own descriptor is bound to the process it found; a copy of it outlives the
    // entry. Without one, a descriptor opened now names whichever process holds the id, and the
    // start time must match. Either way a signal sent through it never reaches a later process.
    const int descriptor = entry.found ? fcntl(*entry.found, F_DUPFD_CLOEXEC, 0)
                                       : OpenProcessDescriptor(static_cast<pid_t>(entry.processId));
    if (descriptor < 0) {
        return nullptr;
    }
    StatFields fields;
    if (!ReadStat(entry.processId, &fields) || fields.state == 'Z' || fields.state == 'X' ||
        fields.startTime != entry.startTime) {
        close(descriptor);
        return nullptr;
    }
    return std::unique_ptr<Process>(new Process(entry.processId, descriptor, false));
}

bool LookUpUser(uint32_t userId, UserIdentity* identity) {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(static_cast<uid_t>(userId), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        !found) {
        return false;
    }
    identity->userId = userId;
    identity->groupId = entry.pw_gid;
    identity->name = entry.pw_name ? entry.pw_name : "";
    identity->home = entry.pw_dir ? entry.pw_dir : "";
    identity->shell = entry.pw_shell ? entry.pw_shell : "";
    int count = 64;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    if (getgrouplist(entry.pw_name, entry.pw_gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<size_t>(count));
        getgrouplist(entry.pw_name, entry.pw_gid, groups.data(), &count);
    }
    groups.resize(static_cast<size_t>(std::max(count, 0)));
    identity->groups.assign(groups.begin(), groups.end());
    return true;
}

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// The program name at i: up to the next blank, or quoted without any escape rules.
std::wstring ReadProgramName(const std::wstring& line, size_t* i) {
    std::wstring program;
    const size_t n = line.size();
    if (line[*i] == L'"') {
        ++*i;
        while (*i < n && line[*i] != L'"') {
            program += line[(*i)++];
        }
        if (*i < n) {
            ++*i;
        }
        return program;
    }
    while (*i < n && !IsBlank(line[*i])) {
        program += line[(*i)++];
    }
    return program;
}

// One argument at i: backslashes before a quote escape in pairs; quotes toggle, and "" inside
// quotes is a literal quote.
std::wstring ReadArgument(const std::wstring& line, size_t* i) {
    std::wstring argument;
    const size_t n = line.size();
    bool quoted = false;
    while (*i < n && (quoted || !IsBlank(line[*i]))) {
        size_t backslashes = 0;
        while (*i < n && line[*i] == L'\\') {
            ++backslashes;
            ++*i;
        }
        if (*i < n && line[*i] == L'"') {
            argument.append(backslashes / 2, L'\\');
            if (backslashes % 2 == 1) {
                argument += L'"';
                ++*i;
            } else if (quoted && *i + 1 < n && line[*i + 1] == L'"') {
                argument += L'"';
                *i += 2;
            } else {
                quoted = !quoted;
                ++*i;
            }
            continue;
        }
        argument.append(backslashes, L'\\');
        if (*i < n && (quoted || !IsBlank(line[*i]))) {
            argument += line[(*i)++];
        }
    }
    return argument;
}

} // namespace

std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
    std::vector<std::wstring> arguments;
    size_t i = 0;
    bool first = true;
    while (true) {
        while (i < commandLine.size() && IsBlank(commandLine[i])) {
            ++i;
        }
        if (i >= commandLine.size()) {
            return arguments;
        }
        arguments.push_back(first ? ReadProgramName(commandLine, &i)
                                  : ReadArgument(commandLine, &i));
        first = false;
    }
}

class ProcessStarter {
public:
    static std::unique_ptr<Process> Start(const StartRequest& request);
};

namespace {

constexpr const char* kStandardPath = "/usr/local/bin:/usr/bin:/bin";

void AddFromCaller(std::vector<std::string>* environment, const char* name,
                   const char* fallback = nullptr) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        value = fallback;
    }
    if (value != nullptr) {
        environment->push_back(std::string(name) + "=" + value);
    }
}

// A fresh environment for a user: nothing of the caller's but the display, the language and this
// layer's own machine folder.
std::vector<std::string> UserEnvironment(const UserIdentity& user) {
    std::vector<std::string> environment = {
        "HOME=" + user.home,
        "USER=" + user.name,
        "LOGNAME=" + user.name,
        "SHELL=" + (user.shell.empty() ? std::string("/bin/sh") : user.shell),
        std::string("PATH=") + kStandardPath,
    };
    AddFromCaller(&environment, "DISPLAY");
    AddFromCaller(&environment, "LANG", "C.UTF-8");
    AddFromCaller(&environment, "KELTO_ROOT");
    // The user's own runtime folder, when the session has made one.
    const std::string runtime = "/run/user/" + std::to_string(user.userId);
    struct stat status {};
    if (stat(runtime.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
        status.st_uid == user.userId) {
        environment.push_back("XDG_RUNTIME_DIR=" + runtime);
    }
    if (!user.xauthority.empty()) {
        environment.push_back("XAUTHORITY=" + user.xauthority);
    }
    return environment;
}

std::vector<std::string> EnvironmentOf(const StartRequest& request) {
    std::vector<std::string> environment;
    if (request.user) {
        environment = UserEnvironment(*request.user);
    } else {
        const std::string own = std::string(kCommandLineVariable) + "=";
        for (char** entry = environ; entry && *entry; ++entry) {
            if (std::strncmp(*entry, own.c_str(), own.size()) != 0) {
                environment.emplace_back(*entry);
            }
        }
    }
    environment.push_back(std::string(kCommandLineVariable) + "=" +
                          WideToNarrow(request.commandLine));
    return environment;
}

std::vector<char*> PointersOf(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// In the child, between fork and exec: every descriptor above 2 is closed except keep (the
// report pipe, itself closed by the exec). Nothing the caller has open reaches the program.
void CloseInheritedDescriptors(int keep) {
    const auto closeRange = [](unsigned first, unsigned last) {
        if (first <= last && syscall(SYS_close_range, first, last, 0) != 0) {
            for (unsigned fd = first; fd <= last && fd < 65536; ++fd) {
                close(static_cast<int>(fd));
            }
        }
    };
    closeRange(3, static_cast<unsigned>(keep) - 1);
    closeRange(static_cast<unsigned>(keep) + 1, ~0u);
}

// Runs in the child after fork: only system calls from here on. Does not return.
[[noreturn]] void RunChild(const StartRequest& request, const std::vector<gid_t>& groups,
                           const std::string& programPath, const std::string& folderPath,
                           char* const* argv, char* const* envp, int report) {
    CloseInheritedDescriptors(report);
    int failure = 0;
    if (request.user && (setgroups(groups.size(), groups.data()) != 0 ||
                         setgid(static_cast<gid_t>(request.user->groupId)) != 0 ||
                         setuid(static_cast<uid_t>(request.user->userId)) != 0)) {
        failure = errno;
    } else if (!folderPath.empty() && chdir(folderPath.c_str()) != 0) {
        failure = errno;
    } else {
        execve(programPath.c_str(), argv, envp);
        failure = errno;
    }
    ssize_t ignored = write(report, &failure, sizeof failure);
    (void)ignored;
    _exit(127);
}

} // namespace

std::unique_ptr<Process> ProcessStarter::Start(const StartRequest& request) {
    std::filesystem::path program;
    if (!HostPathOf(request.application, &program)) {
        return nullptr;
    }
    std::filesystem::path folder;
    if (!request.workingFolder.empty() && !HostPathOf(request.workingFolder, &folder)) {
        return nullptr;
    }
    // Everything the child needs is prepared before the fork: after it only system calls run.
    std::vector<std::string> arguments;
    for (const std::wstring& argument : SplitCommandLine(request.commandLine)) {
        arguments.push_back(WideToNarrow(argument));
    }
    if (arguments.empty()) {
        arguments.push_back(program.string());
    }
    std::vector<std::string> environment = EnvironmentOf(request);
    std::vector<char*> argv = PointersOf(arguments);
    std::vector<char*> envp = PointersOf(environment);
    std::vector<gid_t> groups;
    if (request.user) {
        groups.assign(request.user->groups.begin(), request.user->groups.end());
    }
    const std::string programPath = program.string();
    const std::string folderPath = folder.string();

    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return nullptr;
    }
    Descriptor reportRead(ends[0]);
    Descriptor reportWrite(ends[1]);
    const pid_t pid = fork();
    if (pid < 0) {
        return nullptr;
    }
    if (pid == 0) {
        RunChild(request, groups, programPath, folderPath, argv.data(), envp.data(),
                 reportWrite.Get());
    }
    reportWrite.Reset();
    int failure = 0;
    ssize_t got;
    do {
        got = read(reportRead.Get(), &failure, sizeof failure);
    } while (got < 0 && errno == EINTR);
    auto started = std::unique_ptr<Process>(
        new Process(static_cast<uint32_t>(pid), OpenProcessDescriptor(pid), true));
    if (got > 0) {
        started->Reap(true);
        return nullptr;
    }
    return started;
}

std::unique_ptr<Process> StartProcess(const StartRequest& request) {
    return ProcessStarter::Start(request);
}

std::wstring CurrentCommandLine(int argc, char** argv) {
    if (const char* line = std::getenv(kCommandLineVariable); line != nullptr) {
        return NarrowToWide(line);
    }
    std::wstring line;
    for (int i = 0; i < argc; ++i) {
        std::wstring argument = NarrowToWide(argv[i]);
        if (i > 0) {
            line += L' ';
        }
        if (argument.find(L' ') != std::wstring::npos) {
            line += L'"' + argument + L'"';
        } else {
            line += argument;
        }
    }
    return line;
}

uint32_t CurrentUserId() {
    return static_cast<uint32_t>(getuid());
}

std::string CurrentUserName() {
    UserIdentity identity;
    if (LookUpUser(CurrentUserId(), &identity)) {
        return identity.name;
    }
    return std::to_string(CurrentUserId());
}

std::wstring CurrentWorkingFolder() {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::current_path(error);
    std::wstring windows = ToWindowsPath(folder);
    return windows.empty() ? NarrowToWide(folder.string()) : windows;
}

uint32_t CurrentProcessId() {
    return static_cast<uint32_t>(getpid());
}

} // namespace platform
