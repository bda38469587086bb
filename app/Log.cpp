#include "app/Log.h"

#include "app/JFile.h"
#include "platform/SystemInfo.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr unsigned kAppendText = JFile::kRead | JFile::kWrite | JFile::kText;
constexpr char kRunHeader[] = "\n\n----------------------------------------\n"
                              "00:00:00 : Init Log OK.\n";
constexpr size_t kFormatBufferSize = 13000;

} // namespace

ILog::~ILog() = default;

ILog& ILog::Instance() {
    // Never destroyed: threads that outlive main may still write their last lines.
    static ILog* instance = new ILog();
    return *instance;
}

int ILog::Init(const std::wstring& path) {
    std::lock_guard lock(m_fileMutex);
    m_path = path;
    m_startTick = platform::GetTickCount();
    JFile file;
    if (file.Open(m_path, kAppendText)) {
        file.Write(kRunHeader, static_cast<long>(sizeof kRunHeader - 1));
    }
    return 1;
}

void ILog::SetListener(LogListener listener) {
    m_listener = listener;
}

int ILog::Write(const char* text) {
    if (text == nullptr) {
        text = "";
    }
    {
        std::lock_guard lock(m_fileMutex);
        JFile file;
        if (!m_path.empty() && file.Open(m_path, kAppendText)) {
            file.SeekEnd();
            const uint32_t seconds = (platform::GetTickCount() - m_startTick) / 1000;
            char stamp[32];
            const int length = std::snprintf(
                stamp, sizeof stamp, "%02d:%02d:%02d : ", static_cast<int>(seconds / 3600),
                static_cast<int>((seconds % 3600) / 60), static_cast<int>(seconds % 60));
            file.Write(stamp, length);
            file.Write(text, static_cast<long>(std::strlen(text)));
            file.Write("\n", 1);
        }
    }
    const LogListener listener = m_listener.load();
    return listener != nullptr ? listener(text) : 0;
}

void ILog::ShiftStartForTesting(uint32_t milliseconds) {
    std::lock_guard lock(m_fileMutex);
    m_startTick -= milliseconds;
}

int LogFormat(const char* format, ...) {
    char buffer[kFormatBufferSize] = {};
    va_list arguments;
    va_start(arguments, format);
    // Longer messages are cut to the buffer's size minus the terminating zero.
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    return ILog::Instance().Write(buffer);
}
