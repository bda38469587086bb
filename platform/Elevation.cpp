#include "platform/Elevation.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/HostPrograms.h"
#include "platform/WindowBackend.h"

extern char** environ;

namespace platform {
namespace {

// pkexec's own exit codes: the user dismissed the prompt or is not allowed (126), or the
// authentication failed or no agent could ask (127).
constexpr int kPkexecNotAuthorised = 126;
constexpr int kPkexecAuthenticationFailed = 127;

constexpr const char* kPassedVariables[] = {
    "DISPLAY", "WAYLAND_DISPLAY", "LANG", "LC_ALL", "LC_MESSAGES", "BROWSER",
};

bool IsProgramSetting(const char* entry) {
    return std::strncmp(entry, "KELTO_", 6) == 0;
}

void PassIfSet(const char* name, std::vector<std::string>* variables) {
    if (const char* value = std::getenv(name); value != nullptr && *value) {
        variables->push_back(std::string(name) + "=" + value);
    }
}

} // namespace

std::vector<std::string> ElevatedEnvironment() {
    std::vector<std::string> variables;
    for (const char* name : kPassedVariables) {
        PassIfSet(name, &variables);
    }
    for (const std::string& name : detail::DisplayBackendVariables()) {
        PassIfSet(name.c_str(), &variables);
    }
    if (const char* authority = std::getenv("XAUTHORITY"); authority != nullptr && *authority) {
        variables.push_back(std::string("XAUTHORITY=") + authority);
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home) {
        const std::string file = std::string(home) + "/.Xauthority";
        if (access(file.c_str(), R_OK) == 0) {
            variables.push_back("XAUTHORITY=" + file);
        }
    }
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        if (IsProgramSetting(*entry)) {
            variables.emplace_back(*entry);
        }
    }
    return variables;
}

std::string CurrentExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) {
        return {};
    }
    return std::string(buffer, static_cast<size_t>(length));
}

ElevationResult RunElevatedCopy(const std::string& exePath,
                                const std::vector<std::string>& arguments) {
    ElevationResult result;
    const std::string pkexec = FindProgramOnPath(kElevationProgram);
    if (pkexec.empty()) {
        result.outcome = ElevationOutcome::NoPrompt;
        result.why = "pkexec is not installed";
        return result;
    }
    // pkexec clears the environment; env puts the variables back in front of the program.
    std::vector<std::string> words = {pkexec, "/usr/bin/env"};
    for (std::string& variable : ElevatedEnvironment()) {
        words.push_back(std::move(variable));
    }
    words.push_back(exePath);
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (const int error = posix_spawn(&pid, pkexec.c_str(), nullptr, nullptr, argv.data(), environ);
        error != 0) {
        result.why = std::string("pkexec could not be started: ") + std::strerror(error);
        return result;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status)) {
        result.why = "pkexec ended by signal " + std::to_string(WTERMSIG(status));
        return result;
    }
    const int code = WEXITSTATUS(status);
    if (code == kPkexecNotAuthorised || code == kPkexecAuthenticationFailed) {
        result.outcome = ElevationOutcome::Refused;
        result.why = "pkexec refused the rights (exit code " + std::to_string(code) + ")";
        return result;
    }
    result.outcome = ElevationOutcome::Ran;
    result.exitCode = code;
    return result;
}

} // namespace platform
