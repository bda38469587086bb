#include "platform/HostDialog.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/Descriptor.h"
#include "platform/HostPrograms.h"
#include "platform/SystemInfo.h"
#include "platform/Window.h"

extern char** environ;

namespace platform {
namespace {

constexpr int kPollMs = 20;

// A started dialog: its process and the read end of its standard output. A dialog still running
// when this goes (the caller gave up, or the bound fired) is ended and reaped.
class Dialog {
public:
    Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    ~Dialog() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
        }
    }

    bool Start(const std::string& program, const std::vector<std::string>& arguments);
    // Reads what the dialog wrote so far; true once it has ended (its status in *status).
    bool Ended(std::string* output, int* status);

private:
    pid_t m_pid = -1;
    Descriptor m_output;
};

bool Dialog::Start(const std::string& program, const std::vector<std::string>& arguments) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return false;
    }
    Descriptor readEnd(pipeEnds[0]);
    Descriptor writeEnd(pipeEnds[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.Get(), STDOUT_FILENO);
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
    if (error != 0) {
        return false;
    }
    fcntl(readEnd.Get(), F_SETFL, O_NONBLOCK);
    m_pid = pid;
    m_output = std::move(readEnd);
    return true;
}

bool Dialog::Ended(std::string* output, int* status) {
    char buffer[4096];
    ssize_t count;
    while ((count = read(m_output.Get(), buffer, sizeof buffer)) > 0) {
        output->append(buffer, static_cast<size_t>(count));
    }
    if (waitpid(m_pid, status, WNOHANG) != m_pid) {
        return false;
    }
    m_pid = -1;
    while ((count = read(m_output.Get(), buffer, sizeof buffer)) > 0) {
        output->append(buffer, static_cast<size_t>(count));
    }
    return true;
}

} // namespace

HostDialogResult RunHostDialog(const std::vector<std::string>& arguments, int boundMs,
                               const std::function<bool()>& abandon) {
    HostDialogResult result;
    const std::string program = FindProgramOnPath(kHostDialogProgram);
    Dialog dialog;
    if (program.empty() || !dialog.Start(program, arguments)) {
        OutputDebugText("RunHostDialog: zenity is not installed or could not be started\n");
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    int status = 0;
    while (!dialog.Ended(&result.output, &status)) {
        if (abandon && abandon()) {
            result.end = HostDialogEnd::Abandoned;
            return result;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            char text[128];
            std::snprintf(text, sizeof text,
                          "RunHostDialog: nobody answered within %d s; the dialog is ended\n",
                          boundMs / 1000);
            OutputDebugText(text);
            result.end = HostDialogEnd::TimedOut;
            return result;
        }
        if (IsWindowThread()) {
            PumpMessages(kPollMs);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
        }
    }
    result.end = HostDialogEnd::Answered;
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace platform
