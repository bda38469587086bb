#include "platform/FolderBrowser.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/HostPrograms.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"
#include "platform/Window.h"

extern char** environ;

namespace platform {
namespace {

// What GetLastError reports after each refusal.
constexpr unsigned long kErrorFileNotFound = 2;
constexpr unsigned long kErrorPathNotFound = 3;
constexpr unsigned long kErrorInvalidData = 13;
constexpr unsigned long kErrorTimeout = 1460;
constexpr int kPollMs = 20;
constexpr int kZenityCancelled = 1;

BrowseResult Refused(BrowseOutcome outcome, unsigned long error) {
    BrowseResult result;
    result.outcome = outcome;
    result.lastError = error;
    return result;
}

// A started chooser: its process and the read end of its standard output.
struct Chooser {
    pid_t pid = -1;
    int output = -1;
    ~Chooser() {
        if (output >= 0) {
            close(output);
        }
    }
};

bool StartChooser(const std::string& program, const std::vector<std::string>& arguments,
                  Chooser* chooser) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (error != 0) {
        close(pipeEnds[0]);
        return false;
    }
    fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK);
    chooser->pid = pid;
    chooser->output = pipeEnds[0];
    return true;
}

void DrainOutput(int descriptor, std::string* output) {
    char buffer[4096];
    ssize_t count;
    while ((count = read(descriptor, buffer, sizeof buffer)) > 0) {
        output->append(buffer, static_cast<size_t>(count));
    }
}

enum class WaitEnd { Answered, Abandoned, TimedOut };

void EndChooser(Chooser& chooser, int* status) {
    kill(chooser.pid, SIGTERM);
    waitpid(chooser.pid, status, 0);
}

// Waits for the chooser's end, keeping the window thread's windows served. A chooser that is
// abandoned or outlives the bound is ended.
WaitEnd WaitForChooser(Chooser& chooser, int boundMs, const std::function<bool()>& abandon,
                       int* status, std::string* output) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    while (true) {
        DrainOutput(chooser.output, output);
        const pid_t ended = waitpid(chooser.pid, status, WNOHANG);
        if (ended == chooser.pid) {
            DrainOutput(chooser.output, output);
            return WaitEnd::Answered;
        }
        if (abandon && abandon()) {
            EndChooser(chooser, status);
            return WaitEnd::Abandoned;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            EndChooser(chooser, status);
            return WaitEnd::TimedOut;
        }
        if (IsWindowThread()) {
            PumpMessages(kPollMs);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
        }
    }
}

} // namespace

const char* BrowseOutcomeName(BrowseOutcome outcome) {
    switch (outcome) {
    case BrowseOutcome::Chosen:
        return "chosen";
    case BrowseOutcome::Cancelled:
        return "cancelled";
    case BrowseOutcome::NoChooser:
        return "no folder chooser could be started";
    case BrowseOutcome::OutsideDrives:
        return "the chosen folder lies on no drive";
    case BrowseOutcome::BadAnswer:
        return "the chooser's answer is not one existing folder";
    case BrowseOutcome::TimedOut:
        return "the chooser was ended after its bound";
    }
    return "unknown";
}

BrowseResult MapChooserAnswer(const std::string& answer) {
    std::string text = answer;
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    const bool oneAbsolutePath = !text.empty() && text[0] == '/' &&
                                 text.find('\n') == std::string::npos &&
                                 text.find('\0') == std::string::npos;
    if (!oneAbsolutePath || NarrowToWide(text).find(L'\uFFFD') != std::wstring::npos) {
        return Refused(BrowseOutcome::BadAnswer, kErrorInvalidData);
    }
    std::error_code error;
    if (!std::filesystem::is_directory(text, error)) {
        return Refused(BrowseOutcome::BadAnswer, kErrorInvalidData);
    }
    std::wstring windowsPath = ToWindowsPath(std::filesystem::path(text));
    if (windowsPath.empty()) {
        return Refused(BrowseOutcome::OutsideDrives, kErrorPathNotFound);
    }
    if (windowsPath.size() >= kMaxPath) {
        return Refused(BrowseOutcome::BadAnswer, kErrorInvalidData);
    }
    BrowseResult result;
    result.outcome = BrowseOutcome::Chosen;
    result.path = windowsPath;
    return result;
}

BrowseResult BrowseForFolder(const std::wstring& title, const std::wstring& initialPath,
                             const std::function<bool()>& abandon, int boundMs) {
    const std::string program = FindProgramOnPath(kFolderChooserProgram);
    if (program.empty()) {
        OutputDebugText("BrowseForFolder: zenity is not installed\n");
        return Refused(BrowseOutcome::NoChooser, kErrorFileNotFound);
    }
    std::vector<std::string> arguments = {"--file-selection", "--directory",
                                          "--title=" + WideToNarrow(title)};
    std::filesystem::path initialHost;
    std::error_code error;
    if (ToHostPath(initialPath, &initialHost) &&
        std::filesystem::is_directory(initialHost, error)) {
        // A trailing slash makes the chooser open the folder itself rather than its parent.
        arguments.push_back("--filename=" + initialHost.string() + "/");
    }
    Chooser chooser;
    if (!StartChooser(program, arguments, &chooser)) {
        return Refused(BrowseOutcome::NoChooser, kErrorFileNotFound);
    }
    int status = 0;
    std::string output;
    switch (WaitForChooser(chooser, boundMs, abandon, &status, &output)) {
    case WaitEnd::Abandoned:
        return Refused(BrowseOutcome::Cancelled, 0);
    case WaitEnd::TimedOut:
        OutputDebugText("BrowseForFolder: the chooser did not answer within its bound\n");
        return Refused(BrowseOutcome::TimedOut, kErrorTimeout);
    case WaitEnd::Answered:
        break;
    }
    if (!WIFEXITED(status)) {
        return Refused(BrowseOutcome::NoChooser, kErrorFileNotFound);
    }
    if (WEXITSTATUS(status) == kZenityCancelled) {
        return Refused(BrowseOutcome::Cancelled, 0);
    }
    if (WEXITSTATUS(status) != 0) {
        return Refused(BrowseOutcome::NoChooser, kErrorFileNotFound);
    }
    return MapChooserAnswer(output);
}

} // namespace platform
