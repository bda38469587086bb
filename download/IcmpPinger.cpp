#include "download/IcmpPinger.h"

#include "platform/SystemInfo.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

std::atomic<uint16_t> g_echoSequence{0};

// Days since 1970-01-01 of a civil date (proleptic Gregorian calendar).
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

int64_t LocalMilliseconds() {
    platform::LocalTime now;
    platform::GetLocalTime(&now);
    const int64_t days = DaysFromCivil(now.year, now.month, now.day);
    return ((days * 24 + now.hour) * 60 + now.minute) * 60000 + now.second * 1000 +
           now.milliseconds;
}

uint16_t Load16(const uint8_t* data) {
    uint16_t value;
    memcpy(&value, data, sizeof value);
    return value;
}

uint32_t Load32(const uint8_t* data) {
    uint32_t value;
    memcpy(&value, data, sizeof value);
    return value;
}

} // namespace

uint32_t NowMs() {
    struct Base {
        int64_t firstLocal = LocalMilliseconds();
        uint32_t tick = platform::GetTickCount();
    };
    static const Base base;
    return static_cast<uint32_t>(base.tick + (LocalMilliseconds() - base.firstLocal));
}

uint16_t NextEchoSequenceForTesting() {
    return static_cast<uint16_t>(g_echoSequence.load() + 1);
}

uint16_t IcmpPinger::Checksum(const uint8_t* data, size_t size) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < size; i += 2) {
        sum += Load16(data + i);
    }
    if (size % 2 != 0) {
        sum += data[size - 1];
    }
    sum = (sum >> 16) + (sum & 0xFFFF);
    sum += sum >> 16;
    return static_cast<uint16_t>(~sum & 0xFFFF);
}

void IcmpPinger::BuildEchoRequest(uint16_t identifier, uint16_t sequence, uint32_t timeStamp,
                                  EchoRequest* request) {
    request->fill(0);
    uint8_t* data = request->data();
    data[0] = 8; // echo request
    data[1] = 0;
    memcpy(data + 4, &identifier, sizeof identifier);
    memcpy(data + 6, &sequence, sizeof sequence);
    memcpy(data + 8, &timeStamp, sizeof timeStamp);
    const uint16_t checksum = Checksum(data, request->size());
    memcpy(data + 2, &checksum, sizeof checksum);
}

bool IcmpPinger::MatchEchoReply(const uint8_t* datagram, size_t size, uint16_t identifier,
                                uint16_t sequence, uint32_t receivedAt, EchoReply* reply) {
    if (size < 20) {
        return false;
    }
    const size_t headerLength = (datagram[0] & 0x0F) * 4u;
    if (headerLength < 20 || size < headerLength + 12) {
        return false;
    }
    const uint8_t* icmp = datagram + headerLength;
    if (icmp[0] != 0 || Load16(icmp + 4) != identifier || Load16(icmp + 6) != sequence) {
        return false;
    }
    if (reply != nullptr) {
        reply->sequence = sequence;
        reply->replyTime = receivedAt - Load32(icmp + 8);
        reply->dataLength = static_cast<int>(size - headerLength - 12);
        reply->timeToLive = datagram[8];
    }
    return true;
}

void IcmpPinger::Init() {
    m_ready = false;
    m_identifier = platform::CurrentProcessIdLow16();
    if (!m_socket.Open()) {
        fprintf(stderr, "WSASocket() failed:%d\n", m_socket.LastError());
        return;
    }
    m_ready = true;
}

void IcmpPinger::Close() {
    m_socket.Close();
    m_ready = false;
}

int IcmpPinger::PingHost(uint32_t address, EchoReply* reply, const std::function<bool()>& cancel) {
    if (!m_ready) {
        return 0;
    }
    const uint32_t sentAt = NowMs();
    const uint16_t sequence = ++g_echoSequence;
    BuildEchoRequest(m_identifier, sequence, sentAt, &m_buffer);
    if (!m_socket.SendTo(address, m_buffer.data(), m_buffer.size())) {
        return 0;
    }
    if (reply == nullptr) {
        return 1;
    }
    uint8_t received[256];
    while (NowMs() - sentAt < kEchoWaitMilliseconds) {
        if (cancel && cancel()) {
            return 0;
        }
        const int ready = m_socket.WaitReadable(kEchoPollMilliseconds);
        if (ready < 0) {
            return 0;
        }
        if (ready == 0) {
            continue;
        }
        const uint32_t receivedAt = NowMs();
        const long size = m_socket.Receive(received, sizeof received);
        if (size > 0 && MatchEchoReply(received, static_cast<size_t>(size), m_identifier, sequence,
                                       receivedAt, reply)) {
            return 1;
        }
    }
    return 0;
}

std::optional<std::string> MirrorHost(std::string_view url) {
    const size_t scheme = url.find("http://");
    const size_t download = url.find("/download/");
    if (scheme == std::string_view::npos || download == std::string_view::npos) {
        return std::nullopt;
    }
    const size_t hostStart = scheme + 7;
    if (download < hostStart) {
        return std::nullopt;
    }
    return std::string(url.substr(hostStart, download - hostStart));
}

bool PingMirror(const char* url, uint32_t* replyTime, const std::function<bool()>& cancel) {
    if (url == nullptr) {
        return false;
    }
    const std::optional<std::string> host = MirrorHost(url);
    if (!host) {
        return false;
    }
    IcmpPinger pinger;
    pinger.Init();
    EchoReply reply;
    bool answered = false;
    uint32_t address = 0;
    if (platform::ParseIpv4Address(*host, &address)) {
        answered = pinger.PingHost(address, &reply, cancel) == 1;
    }
    if (!answered && !(cancel && cancel()) && platform::ResolveIpv4Address(*host, &address)) {
        answered = pinger.PingHost(address, &reply, cancel) == 1;
    }
    pinger.Close();
    if (answered && replyTime != nullptr) {
        *replyTime = reply.replyTime;
    }
    return answered;
}
