// Processes of the emulated machine, from /proc: tool-help style snapshots, opening, ending,
// exit codes, and starting programs (optionally as another user).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct ProcessEntry {
    uint32_t processId = 0;
    uint32_t parentProcessId = 0;
    // The file name of the process's image ("Kelto Clipwave Converter.exe").
    std::wstring exeFile;
    // When the process started (clock ticks after boot): with the id, it names one process.
    uint64_t startTime = 0;
    // A process descriptor opened when the snapshot read the entry: it stays bound to the process
    // that was found, so a later process with the same id is never mistaken for it. Shared by
    // copies of the entry; none when the host cannot open one.
    std::shared_ptr<const int> found;
};

// Every running process, in process-id order, after the idle process (id 0, "[System Process]")
// that always comes first, as on Windows. Processes that have exited but not yet been waited for
// are not listed. False when /proc cannot be read.
bool SnapshotProcesses(std::vector<ProcessEntry>* entries);

// The full host path of a process's image; empty when it cannot be read.
std::string ProcessImageHostPath(uint32_t processId);

inline constexpr uint32_t kStillActive = 259;

// An open process. It refers to the process itself, not to its id, so a process that has ended
// is never confused with a later one that got the same id.
class Process {
public:
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    uint32_t Id() const { return m_processId; }
    // Ends the process at once. Its exit code, as this handle reports it, becomes exitCode.
    bool Terminate(uint32_t exitCode);
    // kStillActive while the process runs; then its exit code (a process ended by a signal that
    // no Terminate sent reports 128 + the signal's number). For a process this program did not
    // start, an exit code that cannot be known is reported as 0.
    bool GetExitCode(uint32_t* exitCode);
    // Waits up to milliseconds for the end; true when it has ended.
    bool Wait(uint32_t milliseconds);

private:
    friend std::unique_ptr<Process> OpenProcess(uint32_t);
    friend std::unique_ptr<Process> OpenProcessAsFound(const ProcessEntry&);
    friend class ProcessStarter;
    Process(uint32_t processId, int descriptor, bool child)
        : m_processId(processId), m_descriptor(descriptor), m_child(child) {}
    bool Reap(bool block);

    uint32_t m_processId;
    int m_descriptor;
    bool m_child;
    bool m_ended = false;
    bool m_terminated = false;
    uint32_t m_exitCode = 0;
};

// Opens a running process (OpenProcess); null when it does not exist or has already ended.
std::unique_ptr<Process> OpenProcess(uint32_t processId);
// Opens the process a snapshot found, and only that one: null when it has ended, even if another
// process has the same id by now.
std::unique_ptr<Process> OpenProcessAsFound(const ProcessEntry& entry);

// Who a started program runs as.
struct UserIdentity {
    uint32_t userId = 0;
    uint32_t groupId = 0;
    std::vector<uint32_t> groups;
    std::string name;
    std::string home;
    std::string shell;
    // The X authority file of the user's session (the desktop process's own XAUTHORITY, when
    // that file belongs to the user); empty when unknown.
    std::string xauthority;
};
// The identity of a host user by user id; false when there is none.
bool LookUpUser(uint32_t userId, UserIdentity* identity);

struct StartRequest {
    // The program's Windows path or host path (a path beginning with '/').
    std::wstring application;
    // The Windows command line; the program receives it split by the Windows rules (argv[0] is
    // the program's own path) and can read it whole through CurrentCommandLine().
    std::wstring commandLine;
    // Windows or host path of the working folder; empty keeps the caller's.
    std::wstring workingFolder;
    // Set: the program runs as that user, with its groups and a fresh environment: HOME, USER,
    // LOGNAME and SHELL from the user database, a standard PATH, DISPLAY and LANG, that user's
    // XDG_RUNTIME_DIR and session X authority file, and this layer's own KELTO_ROOT (the
    // machine) and command line. Nothing else of the caller's environment goes along.
    const UserIdentity* user = nullptr;
};

// Starts a program (CreateProcess). Null when it cannot be started.
std::unique_ptr<Process> StartProcess(const StartRequest& request);

// Splits a Windows command line into arguments the way the C runtime does.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);

// The command line this process was started with (GetCommandLineW): the Windows command line
// when a program of this layer started it, otherwise the arguments joined with blanks.
std::wstring CurrentCommandLine(int argc, char** argv);
uint32_t CurrentUserId();
std::string CurrentUserName();
std::wstring CurrentWorkingFolder(); // a Windows path when inside a drive, else the host path
uint32_t CurrentProcessId();

} // namespace platform
