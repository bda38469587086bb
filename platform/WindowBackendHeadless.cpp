// The window backend without a display: a window is a position and a size in memory, input
// arrives only by injection, and presenting a frame shows it nowhere (the window system keeps
// the last frame of each window, which is what tests save and look at). SIGTERM and SIGINT
// become quit events, as they do on a display.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <deque>
#include <map>
#include <mutex>

#include "platform/WindowBackend.h"

namespace platform::detail {
namespace {

constexpr Point kScreen{1024, 768};

// The write end of the open backend's wake pipe, for the signal handler.
std::atomic<int> g_signalPipe{-1};
std::atomic<bool> g_quitSignalled{false};

void OnQuitSignal(int) {
    g_quitSignalled.store(true);
    int fd = g_signalPipe.load();
    if (fd >= 0) {
        char byte = 'q';
        [[maybe_unused]] ssize_t written = write(fd, &byte, 1);
    }
}

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// Takes SIGTERM and SIGINT while it lives, unless the process handles them itself.
class QuitSignals {
public:
    explicit QuitSignals(int pipeWriteEnd) {
        g_quitSignalled.store(false);
        g_signalPipe.store(pipeWriteEnd);
        for (int i = 0; i < 2; ++i) {
            struct sigaction action {};
            action.sa_handler = &OnQuitSignal;
            sigemptyset(&action.sa_mask);
            sigaction(kSignals[i], nullptr, &m_old[i]);
            m_installed[i] =
                m_old[i].sa_handler == SIG_DFL && sigaction(kSignals[i], &action, nullptr) == 0;
        }
    }
    ~QuitSignals() {
        for (int i = 0; i < 2; ++i) {
            if (m_installed[i]) {
                sigaction(kSignals[i], &m_old[i], nullptr);
            }
        }
        g_signalPipe.store(-1);
    }
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

private:
    static constexpr int kSignals[2] = {SIGTERM, SIGINT};
    struct sigaction m_old[2]{};
    bool m_installed[2] = {false, false};
};

struct HeadlessWindow {
    Point position;
    Point size;
};

class HeadlessBackend final : public WindowBackend {
public:
    HeadlessBackend(int readEnd, int writeEnd)
        : m_wakeRead(readEnd), m_wakeWrite(writeEnd), m_signals(writeEnd) {}

    std::string Name() const override { return "headless"; }
    uint32_t Capabilities() const override { return 0; }

    BackendWindowId Create(const BackendWindowParams& params, Point* position) override {
        BackendWindowId id = m_nextId++;
        *position = Point{(kScreen.x - params.width) / 2, (kScreen.y - params.height) / 2};
        m_windows[id] = HeadlessWindow{*position, Point{params.width, params.height}};
        return id;
    }
    void Destroy(BackendWindowId window) override { m_windows.erase(window); }
    void Show(BackendWindowId, BackendShow) override {}
    void Move(BackendWindowId window, int32_t x, int32_t y) override {
        if (auto it = m_windows.find(window); it != m_windows.end()) {
            it->second.position = Point{x, y};
        }
    }
    void Resize(BackendWindowId window, int32_t width, int32_t height) override {
        if (auto it = m_windows.find(window); it != m_windows.end()) {
            it->second.size = Point{width, height};
        }
    }
    void SetTitle(BackendWindowId, const std::string&) override {}
    bool SetIcon(BackendWindowId window, const uint32_t*, int32_t, int32_t) override {
        return m_windows.count(window) != 0;
    }
    void SetModalFor(BackendWindowId, BackendWindowId) override {}
    void Present(BackendWindowId, const Bitmap&) override {}
    uintptr_t NativeX11Window(BackendWindowId) override { return 0; }

    bool WaitEvent(BackendEvent* event, int timeoutMs) override {
        if (PollEvent(event)) {
            return true;
        }
        pollfd wake{m_wakeRead.Get(), POLLIN, 0};
        if (poll(&wake, 1, timeoutMs) > 0) {
            char buffer[64];
            while (read(m_wakeRead.Get(), buffer, sizeof buffer) > 0) {
            }
        }
        return PollEvent(event);
    }
    bool PollEvent(BackendEvent* event) override {
        if (g_quitSignalled.exchange(false)) {
            *event = BackendEvent{};
            event->kind = BackendEventKind::Quit;
            return true;
        }
        {
            std::lock_guard<std::mutex> lock(m_queueLock);
            if (m_queue.empty()) {
                return false;
            }
            *event = std::move(m_queue.front());
            m_queue.pop_front();
        }
        // The pointer's screen position, as the display would report it.
        if (auto it = m_windows.find(event->window); it != m_windows.end()) {
            event->screen = Point{it->second.position.x + event->point.x,
                                  it->second.position.y + event->point.y};
        }
        return true;
    }
    void Wake() override {
        char byte = 'w';
        [[maybe_unused]] ssize_t written = write(m_wakeWrite.Get(), &byte, 1);
    }
    bool Inject(const BackendEvent& event) override {
        {
            std::lock_guard<std::mutex> lock(m_queueLock);
            m_queue.push_back(event);
        }
        Wake();
        return true;
    }

    void CaptureMouse(bool) override {}
    std::string ClipboardText() override { return m_clipboard; }
    void SetClipboardText(const std::string& utf8) override { m_clipboard = utf8; }
    Point ScreenSize() override { return kScreen; }

private:
    Descriptor m_wakeRead;
    Descriptor m_wakeWrite;
    QuitSignals m_signals;
    std::mutex m_queueLock;
    std::deque<BackendEvent> m_queue;
    // Window thread only:
    std::map<BackendWindowId, HeadlessWindow> m_windows;
    BackendWindowId m_nextId = 1;
    std::string m_clipboard;
};

} // namespace

std::unique_ptr<WindowBackend> OpenHeadlessBackend() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return nullptr;
    }
    return std::make_unique<HeadlessBackend>(fds[0], fds[1]);
}

} // namespace platform::detail
