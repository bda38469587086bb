// How close a mirror is: one ICMP echo request to its host over a raw socket, timed by the
// reply. Ranking the mirrors uses it once per mirror, on the description transfer thread.
#pragma once

#include "platform/IcmpSocket.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

inline constexpr size_t kEchoRequestSize = 44;
inline constexpr uint32_t kEchoWaitMilliseconds = 2000;
inline constexpr int kEchoPollMilliseconds = 100;

struct EchoReply {
    uint16_t sequence = 0;
    uint32_t replyTime = 0; // milliseconds
    int dataLength = 0;     // received bytes - IP header - 12
    int timeToLive = 0;
};

using EchoRequest = std::array<uint8_t, kEchoRequestSize>;

class IcmpPinger {
public:
    // Opens the raw socket; the pinger stays not ready when that fails (no administrator
    // rights).
    void Init();
    bool IsReady() const { return m_ready; }
    // address in network byte order. 1 when the matching reply arrived within two seconds (or,
    // without a reply record, when the request was sent), else 0. cancel, when given, is asked
    // every poll interval and ends the wait.
    int PingHost(uint32_t address, EchoReply* reply, const std::function<bool()>& cancel = {});
    // Closes the socket.
    void Close();

    // The internet checksum (RFC 1071) over data, as stored into the checksum field.
    static uint16_t Checksum(const uint8_t* data, size_t size);
    // Fills the 44 bytes of an echo request: type 8, code 0, identifier, sequence, time stamp,
    // 32 zero bytes, and the checksum over all of it.
    static void BuildEchoRequest(uint16_t identifier, uint16_t sequence, uint32_t timeStamp,
                                 EchoRequest* request);
    // Reads one received datagram (IPv4 header first). True only for an echo reply (type 0) to
    // identifier and sequence; our own request and late answers to earlier ones do not match.
    static bool MatchEchoReply(const uint8_t* datagram, size_t size, uint16_t identifier,
                               uint16_t sequence, uint32_t receivedAt, EchoReply* reply);

private:
    platform::RawIcmpSocket m_socket;
    uint16_t m_identifier = 0;
    EchoRequest m_buffer = {};
    bool m_ready = false;
};

// The text between the first "http://" and the first "/download/" of url, when both occur in
// that order.
std::optional<std::string> MirrorHost(std::string_view url);
// Echoes the mirror's host (its address, or else its name) and returns the reply time.
bool PingMirror(const char* url, uint32_t* replyTime, const std::function<bool()>& cancel = {});
// Milliseconds of the local clock, continued from the tick count of the first call.
uint32_t NowMs();
// The sequence number the next echo of this process carries.
uint16_t NextEchoSequenceForTesting();
