// The servers the download tests run on loopback: private nginx instances as the maker's
// download server (127.0.0.1) and as mirrors (127.0.0.2 and up), and a small HTTP server of our
// own for the faults nginx cannot make. Both bind only the loopback addresses they are given
// and stop when their object goes.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// A temporary folder that nginx's unprivileged workers may read.
class ServedFolder {
public:
    ServedFolder();
    ~ServedFolder();
    ServedFolder(const ServedFolder&) = delete;
    ServedFolder& operator=(const ServedFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // Writes a world-readable file below the folder, creating its folders.
    void Write(const std::string& relativePath, const std::string& content) const;

private:
    std::filesystem::path m_path;
};

// Deterministic package bytes of any size.
std::string MakePackageBytes(size_t size, uint32_t seed = 1);

// One nginx server block.
struct NginxSite {
    std::string address;        // a loopback address; port 80
    std::filesystem::path root; // served at "/"
    std::string directives;     // extra server directives: "limit_rate 1m;", "max_ranges 0;"
    std::optional<std::string> flag = "11"; // body of /flag.php; none: not served
};

class NginxServer {
public:
    NginxServer() = default;
    ~NginxServer() { Stop(); }
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    // Starts one private instance for all sites and waits until every address answers.
    bool Start(const std::vector<NginxSite>& sites, std::string* error = nullptr);
    void Stop();

private:
    std::optional<ServedFolder> m_prefix;
    int m_pid = -1;
};

// What the fault server does to the requests for its content. The load probe "/flag.php" is
// always answered with the flag text, except with kNeverAnswer.
struct FaultPlan {
    enum class Kind {
        kNone,        // a well-behaved mirror: lengths, ranges, header-only requests
        kStallAfter,  // each body stops after afterBytes and the connection stays open
        kResetAfter,  // each body is cut after afterBytes by a connection reset
        kCorrupt,     // the bytes in corrupt (file offsets, inclusive) arrive changed
        kNeverAnswer, // connections are accepted and never answered
        kErrorPage,   // every request gets errorStatus with errorBody
        kTrickle,     // each body arrives at trickleBytesPerSecond
        kOutage,      // from the first body request on, the address refuses connections for
                      // outageMilliseconds (for good when negative), then serves normally
        kEndless,     // every body (the probe's too) is endless, sent without a length
    };
    Kind kind = Kind::kNone;
    uint64_t afterBytes = 0;
    std::vector<std::pair<uint64_t, uint64_t>> corrupt;
    // With kCorrupt: the offsets in corrupt count from the start of the first range the server
    // answers, and only that answer is changed, so that the damage lands in the mirror's own
    // first range wherever its rank puts it.
    bool corruptFirstRangeOnly = false;
    int errorStatus = 404;
    std::string errorBody = "<html><body><h1>404 Not Found</h1></body></html>";
    // Faults only the body of GET requests, so that the length query and probe pass.
    bool headersHealthy = true;
    // Without a Content-Length header the end of the connection ends the body.
    bool sendLength = true;
    uint32_t trickleBytesPerSecond = 2;
    // With kNone: bodies are sent at this rate per connection (0: at once).
    uint32_t rateBytesPerSecond = 0;
    int outageMilliseconds = 20000;
};

class FaultServer {
public:
    FaultServer() = default;
    ~FaultServer() { Stop(); }
    FaultServer(const FaultServer&) = delete;
    FaultServer& operator=(const FaultServer&) = delete;

    // Serves content at every path but "/flag.php". port 0 takes a free port.
    bool Start(const std::string& address, uint16_t port, std::string content, FaultPlan plan,
               std::string flag = "11", std::string* error = nullptr);
    void Stop();
    uint16_t Port() const { return m_port; }
    // GET requests for the content so far, and their Range headers ("" without one).
    std::vector<std::string> RangesRequested() const;
    // Body bytes sent so far.
    uint64_t BytesSent() const { return m_bytesSent.load(); }
    // Connections accepted so far.
    int ConnectionsAccepted() const { return m_accepted.load(); }
    // With corruptFirstRangeOnly: the file offset of the range that was changed, if any.
    std::optional<uint64_t> CorruptedRangeStart() const;

private:
    bool Listen(std::string* error);
    void AcceptLoop();
    // With kOutage: closes the listener until the outage ends (or the server stops).
    void RideOutage();
    void Serve(int connection);
    bool Hold(int connection);
    // Waits milliseconds unless the server stops first; false when it stopped.
    bool Pause(int milliseconds);
    void SendTrickle(int connection, const std::string& headers, const std::string& body);
    void SendEndless(int connection, bool head);
    bool SendBody(int connection, const std::string& body);

    std::string m_content;
    FaultPlan m_plan;
    std::string m_flag;
    std::string m_address;
    int m_listener = -1;
    std::atomic<int> m_accepted{0};
    std::atomic<uint64_t> m_bytesSent{0};
    std::atomic<bool> m_outageStarted{false};
    std::atomic<bool> m_outageOver{false};
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_acceptor;
    mutable std::mutex m_mutex;
    std::vector<std::thread> m_workers;
    std::vector<int> m_connections;
    std::vector<std::string> m_ranges;
    std::optional<uint64_t> m_corruptedRangeStart;
};

} // namespace testing_support
