#include "download/IcmpPinger.h"

#include "platform/IcmpSocket.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

uint32_t SumWords(const uint8_t* data, size_t size) {
    uint32_t sum = 0;
    for (size_t i = 0; i < size; i += 2) {
        uint16_t word;
        memcpy(&word, data + i, 2);
        sum += word;
    }
    sum = (sum >> 16) + (sum & 0xFFFF);
    return sum + (sum >> 16);
}

TEST(Icmp, EchoRequestSumsToAllOnes) {
    for (uint16_t id : {0, 1, 0x1234, 0xFFFF}) {
        for (uint32_t stamp : {0u, 77u, 0xFFFFFFFFu}) {
            EchoRequest request;
            IcmpPinger::BuildEchoRequest(id, static_cast<uint16_t>(id + 1), stamp, &request);
            EXPECT_EQ(request[0], 8);
            EXPECT_EQ(request[1], 0);
            EXPECT_EQ(SumWords(request.data(), request.size()), 0xFFFFu);
            for (size_t i = 12; i < request.size(); ++i) {
                EXPECT_EQ(request[i], 0);
            }
        }
    }
}

// A datagram as the raw socket delivers it: a 20-byte IPv4 header, then the ICMP message.
std::vector<uint8_t> Datagram(uint8_t type, uint16_t id, uint16_t sequence, uint32_t stamp) {
    std::vector<uint8_t> datagram(20 + kEchoRequestSize, 0);
    datagram[0] = 0x45;
    datagram[8] = 64;
    EchoRequest message;
    IcmpPinger::BuildEchoRequest(id, sequence, stamp, &message);
    message[0] = type;
    memcpy(datagram.data() + 20, message.data(), message.size());
    return datagram;
}

TEST(Icmp, OnlyTheReplyToTheLastEchoMatches) {
    EchoReply reply;
    auto own = Datagram(8, 7, 2, 1000); // our own request, looped back
    EXPECT_FALSE(IcmpPinger::MatchEchoReply(own.data(), own.size(), 7, 2, 1150, &reply));
    auto late = Datagram(0, 7, 1, 1000); // an answer to the previous echo
    EXPECT_FALSE(IcmpPinger::MatchEchoReply(late.data(), late.size(), 7, 2, 1150, &reply));
    auto foreign = Datagram(0, 8, 2, 1000);
    EXPECT_FALSE(IcmpPinger::MatchEchoReply(foreign.data(), foreign.size(), 7, 2, 1150, &reply));
    EXPECT_FALSE(IcmpPinger::MatchEchoReply(late.data(), 25, 7, 1, 1150, &reply));
    auto match = Datagram(0, 7, 2, 1000);
    ASSERT_TRUE(IcmpPinger::MatchEchoReply(match.data(), match.size(), 7, 2, 1150, &reply));
    EXPECT_EQ(reply.replyTime, 150u);
    EXPECT_EQ(reply.sequence, 2);
    EXPECT_EQ(reply.dataLength, 32);
    EXPECT_EQ(reply.timeToLive, 64);
}

TEST(Icmp, MirrorHost) {
    EXPECT_EQ(MirrorHost("http://127.0.0.2/download/p.exe"), "127.0.0.2");
    EXPECT_EQ(MirrorHost("http://mirror.example/x/download/p"), "mirror.example/x");
    EXPECT_EQ(MirrorHost("http://127.0.0.2/files/p.exe"), std::nullopt);
    EXPECT_EQ(MirrorHost("/download/http://h/p"), std::nullopt);
    EXPECT_EQ(MirrorHost("https://h/download/p"), std::nullopt);
}

// Raw sockets need root, which the installer and these tests have.
TEST(Icmp, LoopbackAnswersWithConsecutiveSequences) {
    IcmpPinger pinger;
    pinger.Init();
    ASSERT_TRUE(pinger.IsReady()) << "raw ICMP sockets need root";
    uint32_t address = 0;
    ASSERT_TRUE(platform::ParseIpv4Address("127.0.0.3", &address));
    const uint16_t first = NextEchoSequenceForTesting();
    EchoReply reply;
    ASSERT_EQ(pinger.PingHost(address, &reply), 1);
    EXPECT_EQ(reply.sequence, first);
    EXPECT_LT(reply.replyTime, 100u);
    ASSERT_EQ(pinger.PingHost(address, &reply), 1);
    EXPECT_EQ(reply.sequence, static_cast<uint16_t>(first + 1));
    pinger.Close();
    EXPECT_EQ(pinger.PingHost(address, &reply), 0);

    uint32_t time = 12345;
    EXPECT_TRUE(PingMirror("http://127.0.0.4/download/p", &time));
    EXPECT_LT(time, 100u);
    EXPECT_TRUE(PingMirror("http://localhost/download/p", &time));
    time = 999;
    EXPECT_FALSE(PingMirror("http://127.0.0.4/elsewhere/p", &time));
    EXPECT_EQ(time, 999u);
}

} // namespace
