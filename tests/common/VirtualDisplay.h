// A virtual X display of a test's own (Xvfb, which picks a free display number and reports it
// through -displayfd, so that tests running side by side never collide), with DISPLAY pointing at
// it, and a compositing manager (xcompmgr -n) started and stopped on it at will. Both go with the
// test however it ends.
#pragma once

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

// Starts argv[0] (looked up on PATH) as a child that is sent SIGTERM when the test ends; -1 when
// it cannot be forked.
inline pid_t SpawnHelper(const std::vector<std::string>& argv) {
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        std::vector<char*> args;
        for (const std::string& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

// Ends a helper and reaps it; pid becomes -1.
inline void StopHelper(pid_t& pid) {
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }
}

class VirtualDisplay {
public:
    // Starts Xvfb with one screen of width x height and 24 bits; IsUp() tells whether it reported
    // its display within ten seconds.
    VirtualDisplay(int width, int height) {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        m_xvfb = SpawnHelper({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                              std::to_string(width) + "x" + std::to_string(height) + "x24",
                              "-nolisten", "tcp"});
        close(fds[1]);
        m_display = ReadDisplayNumber(fds[0]);
        close(fds[0]);
        if (!m_display.empty()) {
            setenv("DISPLAY", m_display.c_str(), 1);
        }
    }
    ~VirtualDisplay() {
        StopCompositor();
        StopHelper(m_xvfb);
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    bool IsUp() const { return !m_display.empty(); }
    // ":<number>", as DISPLAY holds it.
    const std::string& Name() const { return m_display; }

    void StartCompositor() {
        StopCompositor();
        m_compositor = SpawnHelper({"xcompmgr", "-n"});
    }
    void StopCompositor() { StopHelper(m_compositor); }

private:
    // Xvfb writes the number and a line break once it accepts clients; empty when it did not
    // within ten seconds (the bound) or ended first.
    static std::string ReadDisplayNumber(int fd) {
        std::string number;
        char c = 0;
        pollfd ready{fd, POLLIN, 0};
        while (poll(&ready, 1, 10'000) == 1 && read(fd, &c, 1) == 1 && c != '\n') {
            number.push_back(c);
        }
        return c == '\n' && !number.empty() ? ":" + number : std::string();
    }

    pid_t m_xvfb = -1;
    pid_t m_compositor = -1;
    std::string m_display;
};

} // namespace testing_support
