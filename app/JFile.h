// A small file class over the C runtime, on Windows paths.
#pragma once

#include "platform/Descriptor.h"

#include <cstdio>
#include <string>

class JFile {
public:
    enum : unsigned {
        kRead = 0x1,
        kWrite = 0x2,
        kText = 0x100,
        kBinary = 0x200,
    };

    JFile() = default;
    JFile(const JFile&) = delete;
    JFile& operator=(const JFile&) = delete;
    virtual ~JFile();

    // Opens a file. Flags: 1 read "r", 2 write "w", 0x100 text "t", 0x200 bytes "b"; read, write
    // and text together mean append ("at"). A missing file is created with its missing parent
    // folders when the write bit is set, and fails to open otherwise. An open file is closed
    // first.
    bool Open(const std::wstring& path, unsigned flags);
    bool IsOpen() const { return m_file != nullptr; }

    // Bytes read or written, or -1 without an open file.
    long Read(void* buffer, long count);
    long Write(const void* buffer, long count);
    // Moves to an offset from the start; 0 on success, -1 without an open file or on failure.
    int Seek(long offset);
    int SeekEnd();
    // The length in bytes, keeping the position; -1 without an open file.
    long Length();
    void Close();

private:
    platform::FilePtr m_file;
    // Text mode stores each line break as CR LF and reads CR LF back as one line break.
    bool m_text = false;
};
