#include "platform/IcmpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace platform {

RawIcmpSocket::~RawIcmpSocket() {
    Close();
}

bool RawIcmpSocket::Open() {
    Close();
    m_socket = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (m_socket < 0) {
        m_lastError = errno;
        return false;
    }
    m_lastError = 0;
    return true;
}

void RawIcmpSocket::Close() {
    if (m_socket >= 0) {
        close(m_socket);
        m_socket = -1;
    }
}

bool RawIcmpSocket::SendTo(uint32_t address, const void* data, size_t size) {
    if (m_socket < 0) {
        return false;
    }
    sockaddr_in destination = {};
    destination.sin_family = AF_INET;
    destination.sin_port = 0;
    destination.sin_addr.s_addr = address;
    const ssize_t sent =
        sendto(m_socket, data, size, 0, reinterpret_cast<const sockaddr*>(&destination),
               sizeof destination);
    if (sent != static_cast<ssize_t>(size)) {
        m_lastError = errno;
        return false;
    }
    return true;
}

int RawIcmpSocket::WaitReadable(int timeoutMs) {
    if (m_socket < 0) {
        return -1;
    }
    pollfd entry = {m_socket, POLLIN, 0};
    const int ready = poll(&entry, 1, timeoutMs);
    if (ready < 0) {
        m_lastError = errno;
        return errno == EINTR ? 0 : -1;
    }
    return ready > 0 && (entry.revents & POLLIN) != 0 ? 1 : 0;
}

long RawIcmpSocket::Receive(void* buffer, size_t size) {
    if (m_socket < 0) {
        return -1;
    }
    const ssize_t received = recv(m_socket, buffer, size, MSG_DONTWAIT);
    if (received < 0) {
        m_lastError = errno;
        return -1;
    }
    return static_cast<long>(received);
}

bool ParseIpv4Address(std::string_view text, uint32_t* address) {
    if (text.empty() || text.size() > 15) {
        return false;
    }
    char buffer[16] = {};
    memcpy(buffer, text.data(), text.size());
    in_addr parsed = {};
    if (inet_pton(AF_INET, buffer, &parsed) != 1) {
        return false;
    }
    *address = parsed.s_addr;
    return true;
}

bool ResolveIpv4Address(const std::string& name, uint32_t* address) {
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return false;
    }
    *address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return true;
}

uint16_t CurrentProcessIdLow16() {
    return static_cast<uint16_t>(getpid() & 0xFFFF);
}

} // namespace platform
