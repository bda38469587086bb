// Runs the engine the way the install sequence does: a callback that records every code, then
// DownloadCfg and a bounded wait for the end of the download.
#pragma once

#include "app/Log.h"
#include "download/CfgWriter.h"
#include "download/DownloaderCurl.h"
#include "tests/common/LogCapture.h"
#include "tests/common/ScopedRoot.h"
#include "tests/support/Servers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <tuple>
#include <vector>

namespace testing_support {

inline constexpr const char* kCfgPath =
    "setup/converter_Pro_kelto/kelto_clipwave_converter_pro.cfg";
inline constexpr const char* kCfgUrl =
    "http://127.0.0.1/setup/converter_Pro_kelto/kelto_clipwave_converter_pro.cfg";
inline constexpr const char* kPackagePath = "download/KeltoClipwaveConverter_x86.exe";
inline constexpr const char* kLocalPackage = "C:\\Downloads\\Kelto Clipwave Converter\\pkg.exe";

inline std::string MirrorUrl(const std::string& address) {
    return "http://" + address + "/" + kPackagePath;
}

struct Callback {
    int code;
    unsigned value1;
    long value2;
};

class EngineRun {
public:
    EngineRun() {
        m_engine.SetCallback([this](int code, unsigned value1, long value2) {
            if (m_observer) {
                m_observer(code, value1, value2);
            }
            std::lock_guard lock(m_mutex);
            if (code != 3 && code != 7) {
                m_calls.push_back({code, value1, value2});
            }
            if (code == 3) {
                ++m_progress;
            }
            if (code == 4 || code == 5) {
                m_ended = true;
            }
            return 0;
        });
    }

    DownloaderCurl& Engine() { return m_engine; }
    // Also sees every callback, on the engine's thread, before it is recorded. Set it before
    // Run.
    void SetObserver(std::function<void(int, unsigned, long)> observer) {
        m_observer = std::move(observer);
    }

    // DownloadCfg, then wait (at most limit) as the install sequence does.
    long Run(const char* url = kCfgUrl, const char* local = kLocalPackage,
             std::chrono::seconds limit = std::chrono::seconds(60)) {
        const long result = m_engine.DownloadCfg(url, local);
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (!m_engine.IsDownloading() && Ended()) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return result;
    }

    bool Ended() {
        std::lock_guard lock(m_mutex);
        return m_ended;
    }
    std::vector<Callback> Calls() {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }
    int ProgressCalls() {
        std::lock_guard lock(m_mutex);
        return m_progress;
    }
    // The single end callback, as (code, value1, value2).
    std::tuple<int, unsigned, long> End() {
        std::lock_guard lock(m_mutex);
        if (m_calls.size() != 1) {
            return {-static_cast<int>(m_calls.size()), 0, 0};
        }
        return {m_calls[0].code, m_calls[0].value1, m_calls[0].value2};
    }

private:
    std::mutex m_mutex;
    std::vector<Callback> m_calls;
    int m_progress = 0;
    bool m_ended = false;
    std::function<void(int, unsigned, long)> m_observer;
    DownloaderCurl m_engine;
};

} // namespace testing_support
