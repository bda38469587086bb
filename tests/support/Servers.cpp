#include "tests/support/Servers.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace testing_support {

namespace fs = std::filesystem;

namespace {

constexpr fs::perms kReadable = fs::perms::owner_all | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec;

int ConnectTo(const std::string& address, uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_in target = {};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &target.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Whether the server at address:80 is our instance: it answers our token. Another server that
// still holds the address (a test run beside ours) answers something else.
bool AnswersToken(const std::string& address, const std::string& token) {
    const int fd = ConnectTo(address, 80);
    if (fd < 0) {
        return false;
    }
    const timeval limit = {1, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    const std::string request = "GET /kelto-instance-token HTTP/1.0\r\n\r\n";
    std::string answer;
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
        static_cast<ssize_t>(request.size())) {
        char buffer[1024];
        ssize_t got = 0;
        while ((got = recv(fd, buffer, sizeof buffer, 0)) > 0) {
            answer.append(buffer, static_cast<size_t>(got));
        }
    }
    close(fd);
    return answer.find(token) != std::string::npos;
}

bool SendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

} // namespace

ServedFolder::ServedFolder() {
    std::string pattern = (fs::temp_directory_path() / "kelto-served-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    m_path = pattern;
    fs::permissions(m_path, kReadable);
}

ServedFolder::~ServedFolder() {
    std::error_code error;
    fs::remove_all(m_path, error);
}

void ServedFolder::Write(const std::string& relativePath, const std::string& content) const {
    const fs::path file = m_path / relativePath;
    fs::create_directories(file.parent_path());
    for (fs::path folder = file.parent_path(); folder != m_path; folder = folder.parent_path()) {
        fs::permissions(folder, kReadable);
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read);
}

std::string MakePackageBytes(size_t size, uint32_t seed) {
    std::string bytes(size, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = static_cast<char>(state >> 24);
    }
    return bytes;
}

// ---- nginx ----

bool NginxServer::Start(const std::vector<NginxSite>& sites, std::string* error) {
    Stop();
    m_prefix.emplace();
    const fs::path prefix = m_prefix->Path();
    fs::create_directories(prefix / "logs");
    fs::create_directories(prefix / "temp");
    std::ostringstream conf;
    conf << "daemon off;\nmaster_process on;\nworker_processes 1;\nuser nobody nogroup;\n"
         << "pid " << (prefix / "nginx.pid").string() << ";\n"
         << "error_log " << (prefix / "logs/error.log").string() << " warn;\n"
         << "events { worker_connections 512; }\n"
         << "http {\n  access_log off;\n  default_type application/octet-stream;\n"
         << "  sendfile on;\n  keepalive_timeout 5;\n"
         << "  client_body_temp_path " << (prefix / "temp/body").string() << ";\n"
         << "  proxy_temp_path " << (prefix / "temp/proxy").string() << ";\n"
         << "  fastcgi_temp_path " << (prefix / "temp/fastcgi").string() << ";\n"
         << "  uwsgi_temp_path " << (prefix / "temp/uwsgi").string() << ";\n"
         << "  scgi_temp_path " << (prefix / "temp/scgi").string() << ";\n";
    const std::string token =
        "instance-" + std::to_string(getpid()) + "-" +
        std::to_string(reinterpret_cast<uintptr_t>(this)) + "-" +
        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    for (const NginxSite& site : sites) {
        conf << "  server {\n    listen " << site.address << ":80;\n    root " << site.root.string()
             << ";\n    " << site.directives << "\n"
             << "    location = /kelto-instance-token { return 200 \"" << token << "\"; }\n";
        if (site.flag) {
            conf << "    location = /flag.php { default_type text/plain; return 200 \""
                 << *site.flag << "\"; }\n";
        }
        conf << "  }\n";
    }
    conf << "}\n";
    const fs::path confPath = prefix / "nginx.conf";
    std::ofstream(confPath) << conf.str();

    const std::string confText = confPath.string();
    const std::string prefixText = prefix.string() + "/";
    char* argv[] = {const_cast<char*>("nginx"),
                    const_cast<char*>("-c"),
                    const_cast<char*>(confText.c_str()),
                    const_cast<char*>("-p"),
                    const_cast<char*>(prefixText.c_str()),
                    nullptr};
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        if (error != nullptr) {
            *error = "nginx cannot be started";
        }
        return false;
    }
    if (pid == 0) {
        // A test killed by its time-out must not leave its servers holding the addresses.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        setpgid(0, 0); // master and workers in one group, so that Stop reaches them all
        if (getppid() != parent) {
            _exit(1);
        }
        execvp("nginx", argv);
        _exit(127);
    }
    setpgid(pid, pid);
    m_pid = pid;
    // nginx retries a busy address for a few seconds before it gives up.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (const NginxSite& site : sites) {
        while (!AnswersToken(site.address, token)) {
            int status = 0;
            const bool exited = waitpid(m_pid, &status, WNOHANG) == m_pid;
            if (exited || std::chrono::steady_clock::now() > deadline) {
                if (exited) {
                    m_pid = -1;
                }
                if (error != nullptr) {
                    std::ifstream log(prefix / "logs/error.log");
                    *error = "nginx did not come up on " + site.address + ": " +
                             std::string(std::istreambuf_iterator<char>(log), {});
                }
                Stop();
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    return true;
}

void NginxServer::Stop() {
    if (m_pid > 0) {
        kill(-m_pid, SIGTERM);
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (waitpid(m_pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(-m_pid, SIGKILL);
                waitpid(m_pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(-m_pid, SIGKILL); // a worker that outlived its master
        m_pid = -1;
    }
    m_prefix.reset();
}

// ---- fault server ----

bool FaultServer::Start(const std::string& address, uint16_t port, std::string content,
                        FaultPlan plan, std::string flag, std::string* error) {
    Stop();
    m_stop = false;
    m_outageStarted = false;
    m_outageOver = false;
    m_content = std::move(content);
    m_plan = std::move(plan);
    m_flag = std::move(flag);
    m_address = address;
    m_port = port;
    if (!Listen(error)) {
        return false;
    }
    m_acceptor = std::thread([this] { AcceptLoop(); });
    return true;
}

bool FaultServer::Listen(std::string* error) {
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(m_port);
    if (inet_pton(AF_INET, m_address.c_str(), &local.sin_addr) != 1 ||
        (ntohl(local.sin_addr.s_addr) >> 24) != 127 ||
        bind(m_listener, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        listen(m_listener, 64) != 0) {
        if (error != nullptr) {
            *error = "cannot listen on " + m_address + ": " + strerror(errno);
        }
        close(m_listener);
        m_listener = -1;
        return false;
    }
    socklen_t length = sizeof local;
    getsockname(m_listener, reinterpret_cast<sockaddr*>(&local), &length);
    m_port = ntohs(local.sin_port);
    return true;
}

bool FaultServer::Pause(int milliseconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < until) {
        if (m_stop.load()) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return !m_stop.load();
}

void FaultServer::RideOutage() {
    close(m_listener);
    m_listener = -1;
    if (m_plan.outageMilliseconds < 0) {
        while (Pause(50)) {
        }
        return;
    }
    if (Pause(m_plan.outageMilliseconds)) {
        m_outageOver = true;
        Listen(nullptr);
    }
}

void FaultServer::Stop() {
    // The accept loop polls in 50 ms steps and sees the flag; it owns the listener until then.
    m_stop = true;
    if (m_acceptor.joinable()) {
        m_acceptor.join();
    }
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(m_mutex);
        for (int connection : m_connections) {
            shutdown(connection, SHUT_RDWR);
        }
        workers.swap(m_workers);
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    if (m_listener >= 0) {
        close(m_listener);
        m_listener = -1;
    }
}

std::optional<uint64_t> FaultServer::CorruptedRangeStart() const {
    std::lock_guard lock(m_mutex);
    return m_corruptedRangeStart;
}

std::vector<std::string> FaultServer::RangesRequested() const {
    std::lock_guard lock(m_mutex);
    return m_ranges;
}

void FaultServer::AcceptLoop() {
    bool outageRidden = false;
    while (!m_stop.load()) {
        if (m_outageStarted.load() && !outageRidden) {
            outageRidden = true;
            RideOutage();
            if (m_listener < 0) {
                return;
            }
        }
        pollfd entry = {m_listener, POLLIN, 0};
        if (poll(&entry, 1, 50) <= 0) {
            continue;
        }
        const int connection = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) {
            continue;
        }
        ++m_accepted;
        std::lock_guard lock(m_mutex);
        m_connections.push_back(connection);
        m_workers.emplace_back([this, connection] { Serve(connection); });
    }
}

// Keeps a connection open without answering until the peer closes it or the server stops.
bool FaultServer::Hold(int connection) {
    char sink[4096];
    while (!m_stop.load()) {
        pollfd entry = {connection, POLLIN, 0};
        if (poll(&entry, 1, 50) > 0) {
            const ssize_t got = recv(connection, sink, sizeof sink, 0);
            if (got <= 0) {
                return false;
            }
        }
    }
    return false;
}

void FaultServer::Serve(int connection) {
    auto finish = [this, connection] {
        std::lock_guard lock(m_mutex);
        std::erase(m_connections, connection);
        close(connection);
    };
    std::string request;
    char buffer[4096];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (request.find("\r\n\r\n") == std::string::npos && !m_stop.load()) {
        pollfd entry = {connection, POLLIN, 0};
        if (std::chrono::steady_clock::now() > deadline) {
            finish();
            return;
        }
        if (poll(&entry, 1, 50) <= 0) {
            continue;
        }
        const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0) {
            finish();
            return;
        }
        request.append(buffer, static_cast<size_t>(got));
    }
    if (m_plan.kind == FaultPlan::Kind::kNeverAnswer) {
        Hold(connection);
        finish();
        return;
    }
    const bool head = request.rfind("HEAD ", 0) == 0;
    const size_t pathStart = request.find(' ') + 1;
    const std::string path = request.substr(pathStart, request.find(' ', pathStart) - pathStart);
    std::string range;
    std::string lower = request;
    for (char& c : lower) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    const size_t rangeAt = lower.find("\r\nrange: bytes=");
    if (rangeAt != std::string::npos) {
        const size_t valueAt = rangeAt + 15;
        range = request.substr(valueAt, request.find("\r\n", valueAt) - valueAt);
    }

    auto respond = [&](int status, const char* reason, const std::string& body,
                       const std::string& extra) {
        std::string headers =
            "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n" +
            (m_plan.sendLength ? "Content-Length: " + std::to_string(body.size()) + "\r\n"
                               : std::string()) +
            "Connection: close\r\n" + extra + "\r\n";
        SendAll(connection, headers.data(), headers.size());
        if (!head) {
            SendBody(connection, body);
        }
    };
    if (m_plan.kind == FaultPlan::Kind::kEndless) {
        SendEndless(connection, head);
        finish();
        return;
    }
    if (path == "/flag.php") {
        respond(200, "OK", m_flag, "Content-Type: text/plain\r\n");
        finish();
        return;
    }
    if (m_plan.kind == FaultPlan::Kind::kOutage && !head && !m_outageOver.load()) {
        // This body request starts the outage (or came in as it began): reset unanswered.
        m_outageStarted = true;
        const linger reset = {1, 0};
        setsockopt(connection, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        finish();
        return;
    }
    if (m_plan.kind == FaultPlan::Kind::kErrorPage && (!m_plan.headersHealthy || !head)) {
        respond(m_plan.errorStatus, "Error", m_plan.errorBody, "Content-Type: text/html\r\n");
        finish();
        return;
    }
    if (!head) {
        std::lock_guard lock(m_mutex);
        m_ranges.push_back(range);
    }

    uint64_t first = 0;
    uint64_t last = m_content.empty() ? 0 : m_content.size() - 1;
    int status = 200;
    std::string extra = "Accept-Ranges: bytes\r\n";
    if (!range.empty()) {
        const size_t dash = range.find('-');
        first = std::strtoull(range.substr(0, dash).c_str(), nullptr, 10);
        if (dash + 1 < range.size()) {
            last = std::min<uint64_t>(last, std::strtoull(range.c_str() + dash + 1, nullptr, 10));
        }
        if (first >= m_content.size() || first > last) {
            respond(416, "Range Not Satisfiable", "", "");
            finish();
            return;
        }
        status = 206;
        extra += "Content-Range: bytes " + std::to_string(first) + "-" + std::to_string(last) +
                 "/" + std::to_string(m_content.size()) + "\r\n";
    }
    std::string body =
        m_content.empty() ? std::string() : m_content.substr(first, last - first + 1);
    bool corruptThis = m_plan.kind == FaultPlan::Kind::kCorrupt && !head;
    uint64_t shift = 0;
    if (corruptThis && m_plan.corruptFirstRangeOnly) {
        std::lock_guard lock(m_mutex);
        corruptThis = !m_corruptedRangeStart.has_value();
        if (corruptThis) {
            m_corruptedRangeStart = first;
            shift = first;
        }
    }
    if (corruptThis) {
        for (const auto& [relativeFrom, relativeTo] : m_plan.corrupt) {
            const uint64_t from = relativeFrom + shift;
            const uint64_t to = relativeTo + shift;
            for (uint64_t at = std::max(from, first); at <= std::min(to, last); ++at) {
                body[at - first] = static_cast<char>(body[at - first] ^ 0x5A);
            }
        }
    }
    if (m_plan.kind == FaultPlan::Kind::kTrickle && !head) {
        const std::string headers = "HTTP/1.1 " + std::to_string(status) +
                                    (status == 206 ? " Partial Content" : " OK") +
                                    "\r\nContent-Length: " + std::to_string(body.size()) +
                                    "\r\nConnection: close\r\n" + extra + "\r\n";
        SendTrickle(connection, headers, body);
        finish();
        return;
    }
    const bool cut =
        m_plan.kind == FaultPlan::Kind::kStallAfter || m_plan.kind == FaultPlan::Kind::kResetAfter;
    if (head || !cut || body.size() <= m_plan.afterBytes) {
        respond(status, status == 206 ? "Partial Content" : "OK", body, extra);
        finish();
        return;
    }
    std::string headers = "HTTP/1.1 " + std::to_string(status) +
                          (status == 206 ? " Partial Content" : " OK") +
                          "\r\nContent-Length: " + std::to_string(body.size()) +
                          "\r\nConnection: close\r\n" + extra + "\r\n";
    SendAll(connection, headers.data(), headers.size());
    SendAll(connection, body.data(), m_plan.afterBytes);
    if (m_plan.kind == FaultPlan::Kind::kStallAfter) {
        Hold(connection);
    } else {
        const linger reset = {1, 0};
        setsockopt(connection, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    }
    finish();
}

bool FaultServer::SendBody(int connection, const std::string& body) {
    const size_t step = m_plan.rateBytesPerSecond == 0
                            ? body.size()
                            : std::max<size_t>(m_plan.rateBytesPerSecond / 10, 1);
    for (size_t sent = 0; sent < body.size(); sent += step) {
        const size_t piece = std::min(step, body.size() - sent);
        if (!SendAll(connection, body.data() + sent, piece)) {
            return false;
        }
        m_bytesSent += piece;
        if (m_plan.rateBytesPerSecond != 0 && !Pause(100)) {
            return false;
        }
    }
    return true;
}

void FaultServer::SendTrickle(int connection, const std::string& headers, const std::string& body) {
    if (!SendAll(connection, headers.data(), headers.size())) {
        return;
    }
    const size_t step = std::max<uint32_t>(m_plan.trickleBytesPerSecond, 1);
    for (size_t sent = 0; sent < body.size(); sent += step) {
        if (!SendAll(connection, body.data() + sent, std::min(step, body.size() - sent)) ||
            !Pause(1000)) {
            return;
        }
    }
}

void FaultServer::SendEndless(int connection, bool head) {
    const std::string headers = "HTTP/1.1 200 OK\r\nConnection: close\r\n"
                                "Content-Type: text/plain\r\n\r\n";
    if (!SendAll(connection, headers.data(), headers.size()) || head) {
        return;
    }
    const std::string filler(65536, '1');
    while (!m_stop.load() && SendAll(connection, filler.data(), filler.size())) {
    }
}

} // namespace testing_support
