// Captures the install log's lines through the log listener while the object lives, from every
// thread that writes.
#pragma once

#include "app/Log.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

class LogCapture {
public:
    LogCapture() {
        Clear();
        ILog::Instance().SetListener(&LogCapture::Receive);
    }
    ~LogCapture() { ILog::Instance().SetListener(nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    static void Clear() {
        std::lock_guard lock(Mutex());
        Store().clear();
    }
    static std::vector<std::string> Lines() {
        std::lock_guard lock(Mutex());
        return Store();
    }
    // The lines that begin with prefix.
    static std::vector<std::string> LinesStartingWith(std::string_view prefix) {
        std::lock_guard lock(Mutex());
        std::vector<std::string> result;
        for (const std::string& line : Store()) {
            if (line.starts_with(prefix)) {
                result.push_back(line);
            }
        }
        return result;
    }
    // How many lines contain text.
    static int Count(std::string_view text) {
        std::lock_guard lock(Mutex());
        int count = 0;
        for (const std::string& line : Store()) {
            count += line.find(text) != std::string::npos ? 1 : 0;
        }
        return count;
    }
    // Every line, one after the other.
    static std::string All() {
        std::lock_guard lock(Mutex());
        std::string all;
        for (const std::string& line : Store()) {
            all += line;
        }
        return all;
    }

private:
    static int Receive(const char* text) {
        std::lock_guard lock(Mutex());
        // KELTO_TEST_LOG=1 echoes the log while a test runs, for debugging it.
        if (std::getenv("KELTO_TEST_LOG") != nullptr) {
            std::fprintf(stderr, "log: %s\n", text);
        }
        Store().emplace_back(text);
        return 0;
    }
    static std::mutex& Mutex() {
        static std::mutex mutex;
        return mutex;
    }
    static std::vector<std::string>& Store() {
        static std::vector<std::string> lines;
        return lines;
    }
};

} // namespace testing_support
