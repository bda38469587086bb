#include "app/JFile.h"

#include "app/DiskPathsCore.h"
#include "platform/FileSystem.h"

#include <string>
#include <vector>

namespace {

// The C runtime's mode text for a flag combination, or empty when the runtime would refuse it
// (a mode must start with r, w or a; text and byte mode exclude each other; no letter twice).
std::string ModeFor(unsigned flags) {
    std::string mode;
    if (flags & JFile::kWrite) {
        mode += 'w';
    }
    if (flags & JFile::kRead) {
        mode += 'r';
    }
    if (flags & JFile::kText) {
        mode += 't';
    }
    if (flags & JFile::kBinary) {
        mode += 'b';
    }
    if (mode == "wrt") {
        return "at";
    }
    if (mode.empty() || (mode.size() > 1 && (mode[1] == 'r' || mode[1] == 'w'))) {
        return {};
    }
    if (mode.find('t') != std::string::npos && mode.find('b') != std::string::npos) {
        return {};
    }
    return mode;
}

} // namespace

JFile::~JFile() {
    Close();
}

bool JFile::Open(const std::wstring& path, unsigned flags) {
    Close();
    const std::string mode = ModeFor(flags);
    if (mode.empty()) {
        return false;
    }
    if ((flags & kWrite) != 0 && !platform::PathExists(path)) {
        // Make every missing parent folder: the folder before each backslash.
        const auto lastSlash = path.rfind(L'\\');
        if (lastSlash != std::wstring::npos) {
            CreateDirectoryTree(path.substr(0, lastSlash + 1));
        }
    }
    m_file = platform::OpenFile(path, mode.c_str());
    m_text = mode.find('t') != std::string::npos;
    return m_file != nullptr;
}

long JFile::Read(void* buffer, long count) {
    if (m_file == nullptr || buffer == nullptr || count < 0) {
        return -1;
    }
    if (!m_text) {
        return static_cast<long>(std::fread(buffer, 1, static_cast<size_t>(count), m_file.get()));
    }
    // Text mode turns each stored CR LF back into one line break.
    auto* out = static_cast<char*>(buffer);
    long produced = 0;
    while (produced < count) {
        const int c = std::fgetc(m_file.get());
        if (c == EOF) {
            break;
        }
        if (c == '\r') {
            const int next = std::fgetc(m_file.get());
            if (next == '\n') {
                out[produced++] = '\n';
                continue;
            }
            if (next != EOF) {
                std::ungetc(next, m_file.get());
            }
        }
        out[produced++] = static_cast<char>(c);
    }
    return produced;
}

long JFile::Write(const void* buffer, long count) {
    if (m_file == nullptr || buffer == nullptr || count < 0) {
        return -1;
    }
    if (!m_text) {
        return static_cast<long>(std::fwrite(buffer, 1, static_cast<size_t>(count), m_file.get()));
    }
    // Text mode stores each line break as CR LF.
    const auto* in = static_cast<const char*>(buffer);
    std::vector<char> expanded;
    expanded.reserve(static_cast<size_t>(count) + 16);
    for (long i = 0; i < count; ++i) {
        if (in[i] == '\n') {
            expanded.push_back('\r');
        }
        expanded.push_back(in[i]);
    }
    const size_t written = std::fwrite(expanded.data(), 1, expanded.size(), m_file.get());
    return written == expanded.size() ? count : static_cast<long>(written);
}

int JFile::Seek(long offset) {
    if (m_file == nullptr) {
        return -1;
    }
    return std::fseek(m_file.get(), offset, SEEK_SET) == 0 ? 0 : -1;
}

int JFile::SeekEnd() {
    if (m_file == nullptr) {
        return -1;
    }
    return std::fseek(m_file.get(), 0, SEEK_END) == 0 ? 0 : -1;
}

long JFile::Length() {
    if (m_file == nullptr) {
        return -1;
    }
    const long position = std::ftell(m_file.get());
    if (position < 0 || std::fseek(m_file.get(), 0, SEEK_END) != 0) {
        return -1;
    }
    const long length = std::ftell(m_file.get());
    std::fseek(m_file.get(), position, SEEK_SET);
    return length;
}

void JFile::Close() {
    m_file.reset();
    m_text = false;
}
