// Helpers of the service tests: a raw loopback recorder, the local services as a child process, and
// controls that record what the pipelines do with them.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "services/config.h"
#include "services/main_controls.h"
#include "web/text.h"

namespace ql {
// Failure messages show texts as UTF-8.
inline void PrintTo(const Text& t, std::ostream* os) { *os << '"' << GbkToUtf8Bytes(t.str()) << '"'; }
}  // namespace ql

namespace qltest {

// Accepts connections on 127.0.0.1, keeps each request's raw bytes and answers every request with
// one fixed response. Stops with the object; every wait is bounded.
class RawRecorder {
public:
    explicit RawRecorder(std::string responseBody, std::string status = "200 OK")
        : body_(std::move(responseBody)), status_(std::move(status)) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd_, 8);
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~RawRecorder() {
        stop_ = true;
        thread_.join();
        ::close(fd_);
    }
    int port() const { return port_; }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }

    std::vector<std::string> requests() {
        std::lock_guard<std::mutex> l(m_);
        return requests_;
    }
    // The first request's head (request line and header lines, without the blank line) and body.
    std::string head(size_t i = 0) {
        const std::string r = At(i);
        const size_t e = r.find("\r\n\r\n");
        return e == std::string::npos ? r : r.substr(0, e);
    }
    std::string body(size_t i = 0) {
        const std::string r = At(i);
        const size_t e = r.find("\r\n\r\n");
        return e == std::string::npos ? std::string() : r.substr(e + 4);
    }
    std::string requestLine(size_t i = 0) {
        const std::string h = head(i);
        return h.substr(0, h.find("\r\n"));
    }
    std::vector<std::string> headerLines(size_t i = 0) {
        std::vector<std::string> lines;
        const std::string h = head(i) + "\r\n";
        size_t p = h.find("\r\n") + 2;
        while (p < h.size()) {
            const size_t e = h.find("\r\n", p);
            lines.push_back(h.substr(p, e - p));
            p = e + 2;
        }
        return lines;
    }

private:
    std::string At(size_t i) {
        std::lock_guard<std::mutex> l(m_);
        return i < requests_.size() ? requests_[i] : std::string();
    }
    static bool WaitReadable(int fd, int ms) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, ms) > 0;
    }
    void Serve() {
        while (!stop_) {
            if (!WaitReadable(fd_, 50)) continue;
            const int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0) continue;
            Handle(c);
            ::close(c);
        }
    }
    void Handle(int c) {
        std::string req;
        size_t headEnd = std::string::npos, need = 0;
        bool continued = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            if (headEnd != std::string::npos && req.size() >= need) break;
            if (!WaitReadable(c, 100)) continue;
            char buf[65536];
            const ssize_t n = ::recv(c, buf, sizeof buf, 0);
            if (n <= 0) break;
            req.append(buf, static_cast<size_t>(n));
            if (headEnd == std::string::npos && (headEnd = req.find("\r\n\r\n")) != std::string::npos) {
                need = headEnd + 4 + ContentLength(req.substr(0, headEnd));
                if (!continued && Lower(req.substr(0, headEnd)).find("expect: 100-continue") != std::string::npos) {
                    continued = true;
                    const std::string cont = "HTTP/1.1 100 Continue\r\n\r\n";
                    ::send(c, cont.data(), cont.size(), MSG_NOSIGNAL);
                }
            }
        }
        {
            std::lock_guard<std::mutex> l(m_);
            requests_.push_back(req);
        }
        const std::string resp = "HTTP/1.1 " + status_ + "\r\nContent-Type: application/json\r\nContent-Length: " +
                                 std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_;
        ::send(c, resp.data(), resp.size(), MSG_NOSIGNAL);
    }
    static std::string Lower(std::string s) {
        for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return s;
    }
    static size_t ContentLength(const std::string& head) {
        const std::string h = Lower(head);
        const size_t p = h.find("\r\ncontent-length:");
        return p == std::string::npos ? 0 : std::strtoul(h.c_str() + p + 17, nullptr, 10);
    }

    std::string body_, status_;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex m_;
    std::vector<std::string> requests_;
};

// A loopback port with nobody listening on it.
inline int ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

// The project's local services, started on a free port; stopped with the object (and with the test
// process, should that die first).
class LocalServices {
public:
    LocalServices() {
        const std::string exe = std::string(QINGLAN_BIN_DIR) + "/qinglan-local-services";
        int out[2];
        if (::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::dup2(out[1], 1);
            ::close(out[0]);
            ::close(out[1]);
            ::execl(exe.c_str(), exe.c_str(), "--port", "0", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        // The server's first line names its address: "... 127.0.0.1:PORT".
        std::string line;
        pollfd p{out[0], POLLIN, 0};
        while (line.find('\n') == std::string::npos && ::poll(&p, 1, 20000) > 0) {
            char ch[256];
            const ssize_t n = ::read(out[0], ch, sizeof ch);
            if (n <= 0) break;
            line.append(ch, static_cast<size_t>(n));
        }
        out_ = out[0];
        line = line.substr(0, line.find('\n'));
        const size_t colon = line.rfind(':');
        const size_t d = line.find_first_of("0123456789", colon == std::string::npos ? 0 : colon);
        if (d != std::string::npos) port_ = std::atoi(line.c_str() + d);
    }
    ~LocalServices() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) ::close(out_);
    }
    int port() const { return port_; }
    pid_t pid() const { return pid_; }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int port_ = 0;
};

// Every service of the configuration at one base address, the compiled-in keys kept.
inline void PointServicesAt(const std::string& base) {
    ql::ServiceConfig c = ql::CurrentServiceConfig();
    c.OcrServiceBase = c.ImageHostBase = c.TranslateServiceBase = ql::Text(base);
    ql::SetServiceConfig(c);
}

// Controls that keep what the pipelines write, in order.
class RecordingControls : public ql::MainControls {
public:
    ql::Text ImagePath() override {
        std::lock_guard<std::mutex> l(m_);
        return path_;
    }
    ql::Text ResultText() override {
        std::lock_guard<std::mutex> l(m_);
        return result_;
    }
    void SetResultText(const ql::Text& text) override {
        std::lock_guard<std::mutex> l(m_);
        result_ = text;
        log_.push_back("set:" + text.str());
    }
    void AppendResultText(const ql::Text& text) override {
        std::lock_guard<std::mutex> l(m_);
        result_ += text;
        log_.push_back("append:" + text.str());
    }
    void SetBusyLabelText(const ql::Text& text) override {
        std::lock_guard<std::mutex> l(m_);
        label_ = text;
        log_.push_back("label:" + text.str());
    }
    void SetBusyPictureVisible(bool visible) override {
        std::lock_guard<std::mutex> l(m_);
        pictureVisible_ = visible;
        log_.push_back(visible ? "picture:show" : "picture:hide");
        if (!visible) ++hides_;
        cv_.notify_all();
    }
    void SetBusyLabelVisible(bool visible) override {
        std::lock_guard<std::mutex> l(m_);
        labelVisible_ = visible;
        log_.push_back(visible ? "label:show" : "label:hide");
        cv_.notify_all();
    }

    void SetImagePath(const ql::Text& p) {
        std::lock_guard<std::mutex> l(m_);
        path_ = p;
    }
    void PresetResult(const ql::Text& t) {
        std::lock_guard<std::mutex> l(m_);
        result_ = t;
    }
    std::vector<std::string> log() {
        std::lock_guard<std::mutex> l(m_);
        return log_;
    }
    bool pictureVisible() {
        std::lock_guard<std::mutex> l(m_);
        return pictureVisible_;
    }
    bool labelVisible() {
        std::lock_guard<std::mutex> l(m_);
        return labelVisible_;
    }
    ql::Text label() {
        std::lock_guard<std::mutex> l(m_);
        return label_;
    }
    // Waits until the busy indicator has been hidden `count` times in all; false after the bound.
    bool WaitForHides(int count, std::chrono::seconds bound = std::chrono::seconds(120)) {
        std::unique_lock<std::mutex> l(m_);
        return cv_.wait_for(l, bound, [&] { return hides_ >= count && !labelVisible_; });
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    ql::Text path_, result_, label_;
    bool pictureVisible_ = false, labelVisible_ = false;
    int hides_ = 0;
    std::vector<std::string> log_;
};

}  // namespace qltest
