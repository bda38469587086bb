// kelto-fetch <description-url> <output-path>: downloads the package a description names, the
// way the installer does, and reports what the engine does: the ranked mirrors, one progress
// line a second and the outcome. Exits 0 only when the package arrived complete and verified;
// Ctrl-C or SIGTERM stop the engine, keep the partial package (a later run resumes it) and exit
// with 130 or 143. Needs no display. The output path is a host path; the engine sees it as drive K:
// of a private platform root.
#include "app/Log.h"
#include "download/DownloaderCurl.h"
#include "platform/Root.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <pthread.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::mutex g_endMutex;
std::condition_variable g_ended;
int g_endCode = 0;
int g_signal = 0; // the signal that asked us to stop, under g_endMutex

const auto g_start = std::chrono::steady_clock::now();

int PrintLogLine(const char* text) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - g_start);
    fprintf(stderr, "%6lld ms  %s", static_cast<long long>(elapsed.count()), text);
    return 0;
}

int Usage() {
    fprintf(stderr, "usage: kelto-fetch [-v] <description-url> <output-path>\n");
    return 2;
}

// A platform root of our own whose drive K: is the output's folder.
bool MapOutputFolder(const fs::path& folder, fs::path* root) {
    std::string pattern = (fs::temp_directory_path() / "kelto-fetch-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return false;
    }
    *root = pattern;
    std::ofstream(*root / "platform.ini") << "[drives]\nK=" << folder.string() << "\n";
    setenv("KELTO_ROOT", root->c_str(), 1);
    platform::UseRootFolder(*root);
    return true;
}

// SIGINT and SIGTERM are blocked in every thread (the engine's inherit the mask) and taken by
// one thread of our own, which hands them to the main loop like an end of the download. SIGUSR1
// tells that thread to end when we are done.
class StopSignalWatch {
public:
    StopSignalWatch() {
        sigemptyset(&m_signals);
        sigaddset(&m_signals, SIGINT);
        sigaddset(&m_signals, SIGTERM);
        sigaddset(&m_signals, SIGUSR1);
        pthread_sigmask(SIG_BLOCK, &m_signals, nullptr);
        m_thread = std::thread([this] { Watch(); });
    }
    ~StopSignalWatch() {
        pthread_kill(m_thread.native_handle(), SIGUSR1);
        m_thread.join();
    }
    StopSignalWatch(const StopSignalWatch&) = delete;
    StopSignalWatch& operator=(const StopSignalWatch&) = delete;

private:
    void Watch() {
        int received = 0;
        if (sigwait(&m_signals, &received) != 0 || received == SIGUSR1) {
            return;
        }
        {
            std::lock_guard lock(g_endMutex);
            g_signal = received;
        }
        g_ended.notify_all();
    }

    sigset_t m_signals = {};
    std::thread m_thread;
};

} // namespace

int main(int argc, char** argv) {
    int first = 1;
    if (argc > 1 && strcmp(argv[1], "-v") == 0) {
        ILog::Instance().SetListener(&PrintLogLine);
        first = 2;
    }
    if (argc - first != 2) {
        return Usage();
    }
    const char* url = argv[first];
    std::error_code error;
    const fs::path output = fs::absolute(argv[first + 1], error);
    if (error || output.filename().empty()) {
        return Usage();
    }
    fs::create_directories(output.parent_path(), error);
    fs::path root;
    if (!MapOutputFolder(output.parent_path(), &root)) {
        fprintf(stderr, "kelto-fetch: no temporary folder\n");
        return 1;
    }
    const std::string localPath = "K:\\" + output.filename().string();

    StopSignalWatch signals;
    DownloaderCurl engine;
    engine.SetCallback([](int code, unsigned value1, long value2) {
        if (code == 4 || code == 5) {
            {
                std::lock_guard lock(g_endMutex);
                g_endCode = code;
            }
            g_ended.notify_all();
        }
        return 0;
    });
    const auto started = std::chrono::steady_clock::now();
    if (engine.DownloadCfg(url, localPath.c_str()) != 0) {
        fprintf(stderr, "kelto-fetch: the description transfer cannot start\n");
    }
    bool mirrorsShown = false;
    uint32_t lastDownloaded = 0;
    int stopSignal = 0;
    for (bool ended = false; !ended;) {
        {
            // The end callback or a stop signal wakes us at once; otherwise one progress line a
            // second.
            std::unique_lock lock(g_endMutex);
            ended = g_ended.wait_for(lock, std::chrono::seconds(1),
                                     [] { return g_endCode != 0 || g_signal != 0; });
            stopSignal = g_signal;
        }
        if (stopSignal != 0) {
            break;
        }
        for (int i = 0; ended && engine.IsDownloading() && i < 1000; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (!mirrorsShown) {
            const std::vector<UrlCfg> mirrors = engine.RankedMirrors();
            for (size_t i = 0; i < mirrors.size(); ++i) {
                printf("mirror %zu: %s (%u ms)\n", i + 1, mirrors[i].url, mirrors[i].replyTime);
            }
            mirrorsShown = !mirrors.empty();
        }
        DownloadInfo info;
        engine.GetDownloadInfo(&info);
        int running = 0;
        for (const auto& [id, segment] : info.segments) {
            running += segment.handle != nullptr ? 1 : 0;
        }
        const double percent = info.size > 0 ? 100.0 * info.downloaded / info.size : 0.0;
        const uint32_t speed =
            info.downloaded >= lastDownloaded ? info.downloaded - lastDownloaded : 0;
        lastDownloaded = info.downloaded;
        printf("%5.1f%%  %10.2f MiB/s  %d segments running\n", percent, speed / 1048576.0, running);
        fflush(stdout);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const int outcome = engine.GetStatus();
    const EndReason reason = engine.GetEndReason();
    engine.Stop();
    fs::remove(fs::path(output.string() + ".cfg"), error);
    fs::remove_all(root, error);
    if (stopSignal != 0) {
        printf("stopped by %s after %.2f s; the partial package is kept\n",
               stopSignal == SIGINT ? "Ctrl-C" : "SIGTERM", seconds);
        return 128 + stopSignal;
    }
    const PackageStore::DigestCost cost = engine.GetDigestCost();
    printf("verification: %llu bytes digested in %.3f s of processor time\n",
           static_cast<unsigned long long>(cost.bytes), cost.nanoseconds / 1e9);
    printf("outcome %d (%s) after %.2f s\n", outcome, EndReasonText(reason), seconds);
    return outcome == 5 ? 0 : 1;
}
