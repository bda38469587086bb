// The install log: one plain-text file in the user's Documents folder that every step of the
// installer appends a time-stamped line to, so that support can read afterwards what happened.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

// Receives every message after it has been written; runs on the writing thread.
using LogListener = int (*)(const char* text);

class ILog {
public:
    virtual ~ILog();

    // The process-wide log, created on the first call.
    static ILog& Instance();

    // Remembers the file and the start tick, and appends the run header. Always 1.
    int Init(const std::wstring& path);
    // Replaces the listener; null removes it.
    void SetListener(LogListener listener);
    // Appends "hh:mm:ss : " + text + "\n", then hands the text to the listener. Returns the
    // listener's result, 0 without one.
    int Write(const char* text);

    // Moves the start tick back, as if the run had started that much earlier.
    void ShiftStartForTesting(uint32_t milliseconds);

private:
    ILog() = default;

    std::wstring m_path;
    uint32_t m_startTick = 0;
    std::atomic<LogListener> m_listener{nullptr};
    // Serialises whole lines between threads; the file is opened and closed per line.
    std::mutex m_fileMutex;
};

// Formats one message (printf-style, at most 12 999 bytes; longer messages are cut) and writes it
// to the log. The only way the rest of the system writes to the log.
int LogFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
