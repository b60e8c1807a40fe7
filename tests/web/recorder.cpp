#include "tests/web/recorder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace qltest {

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

int ListenLoopback(int* port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket");
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0) {
        ::close(fd);
        throw std::runtime_error("bind");
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    *port = ntohs(addr.sin_port);
    return fd;
}

}  // namespace

std::string RecordedRequest::Header(const std::string& name) const {
    const std::string key = Lower(name) + ":";
    for (const std::string& h : headers) {
        if (Lower(h.substr(0, key.size())) == key) {
            size_t b = key.size();
            while (b < h.size() && h[b] == ' ') ++b;
            return h.substr(b);
        }
    }
    return "";
}

int RecordedRequest::Count(const std::string& name) const {
    const std::string key = Lower(name) + ":";
    int n = 0;
    for (const std::string& h : headers)
        if (Lower(h.substr(0, key.size())) == key) ++n;
    return n;
}

std::string HttpResponse(int code, const std::string& reason, const std::vector<std::string>& headers,
                         const std::string& body) {
    std::string out = "HTTP/1.1 " + std::to_string(code) + " " + reason + "\r\n";
    for (const std::string& h : headers) out += h + "\r\n";
    out += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
    return out + body;
}

RecordingServer::RecordingServer(Handler handler, std::chrono::seconds lifetime)
    : handler_(std::move(handler)), deadline_(std::chrono::steady_clock::now() + lifetime) {
    listenFd_ = ListenLoopback(&port_);
    thread_ = std::thread([this] { Run(); });
}

RecordingServer::~RecordingServer() {
    stop_ = true;
    thread_.join();
    ::close(listenFd_);
}

std::vector<RecordedRequest> RecordingServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

RecordedRequest RecordingServer::Last() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.empty() ? RecordedRequest{} : requests_.back();
}

void RecordingServer::Run() {
    while (!stop_ && std::chrono::steady_clock::now() < deadline_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        Serve(fd);
        ::close(fd);
    }
}

// Reads one request, records it, answers it. False when the client went away or time ran out.
bool RecordingServer::Serve(int fd) {
    std::string data;
    auto fill = [&]() {
        while (!stop_ && std::chrono::steady_clock::now() < deadline_) {
            pollfd p{fd, POLLIN, 0};
            const int r = ::poll(&p, 1, 50);
            if (r == 0) continue;
            if (r < 0) return false;
            char buf[8192];
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0) return false;
            data.append(buf, static_cast<size_t>(n));
            return true;
        }
        return false;
    };
    size_t headEnd;
    while ((headEnd = data.find("\r\n\r\n")) == std::string::npos)
        if (!fill()) return false;

    RecordedRequest req;
    size_t pos = 0;
    bool first = true;
    while (pos < headEnd) {
        size_t e = data.find("\r\n", pos);
        const std::string line = data.substr(pos, e - pos);
        if (first)
            req.requestLine = line;
        else
            req.headers.push_back(line);
        first = false;
        pos = e + 2;
    }
    const std::string length = req.Header("Content-Length");
    const size_t bodyLength = length.empty() ? 0 : std::stoul(length);
    while (data.size() < headEnd + 4 + bodyLength)
        if (!fill()) break;
    req.body = data.substr(headEnd + 4, bodyLength);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(req);
    }
    const Reply reply = handler_(req);
    if (reply.hang) {
        // Wait until the client gives up (it closes) or the server stops.
        while (fill()) {
        }
        return false;
    }
    size_t sent = 0;
    while (sent < reply.bytes.size()) {
        const ssize_t n = ::send(fd, reply.bytes.data() + sent, reply.bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    ::shutdown(fd, SHUT_WR);
    // Let the client read everything before the socket closes.
    while (fill()) {
    }
    return true;
}

int RefusedPort() {
    int port = 0;
    const int fd = ListenLoopback(&port);
    ::close(fd);
    return port;
}

}  // namespace qltest
