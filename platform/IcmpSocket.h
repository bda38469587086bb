// A raw IPv4 ICMP socket, the host's counterpart of a Windows Sockets raw socket. Opening one
// needs administrator rights (root here). Received datagrams start with their IPv4 header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

class RawIcmpSocket {
public:
    RawIcmpSocket() = default;
    RawIcmpSocket(const RawIcmpSocket&) = delete;
    RawIcmpSocket& operator=(const RawIcmpSocket&) = delete;
    ~RawIcmpSocket();

    // False with LastError() set when the socket cannot be opened.
    bool Open();
    void Close();
    bool IsOpen() const { return m_socket >= 0; }

    // address is an IPv4 address in network byte order.
    bool SendTo(uint32_t address, const void* data, size_t size);
    // 1 when a datagram can be read, 0 after timeoutMs without one, -1 on error.
    int WaitReadable(int timeoutMs);
    // Bytes received (IPv4 header included), or -1.
    long Receive(void* buffer, size_t size);
    int LastError() const { return m_lastError; }

private:
    int m_socket = -1;
    int m_lastError = 0;
};

// A dotted IPv4 address ("127.0.0.2") in network byte order; false for anything else.
bool ParseIpv4Address(std::string_view text, uint32_t* address);
// The first IPv4 address of a host name, in network byte order.
bool ResolveIpv4Address(const std::string& name, uint32_t* address);
// The low 16 bits of the current process id.
uint16_t CurrentProcessIdLow16();

} // namespace platform
