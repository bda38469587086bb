// An owned file descriptor: closed when its owner goes away, never twice.
#pragma once

#include <cstdio>
#include <memory>
#include <utility>

namespace platform {

class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int descriptor) : m_descriptor(descriptor) {}
    ~Descriptor() { Reset(); }
    Descriptor(Descriptor&& other) noexcept : m_descriptor(other.Release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int Get() const { return m_descriptor; }
    explicit operator bool() const { return m_descriptor >= 0; }
    // Gives up ownership; the caller closes the descriptor.
    int Release() { return std::exchange(m_descriptor, -1); }
    void Reset(int descriptor = -1);
    // Closes now; false when the close reported an error (a write that failed late).
    bool Close();

private:
    int m_descriptor = -1;
};

// A C stream that is closed with its owner.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

} // namespace platform
