// A loopback HTTP listener for tests that records each request exactly as it arrived (request line, every
// header line in order, body bytes) and answers with whatever raw bytes the test hands it. It serves one
// connection at a time on 127.0.0.1 and stops by itself when destroyed or when its lifetime runs out.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qltest {

struct RecordedRequest {
    std::string requestLine;
    std::vector<std::string> headers;  // each line without its CR LF, in arrival order
    std::string body;

    // The value of the first header with this name (ASCII case ignored), or "" when absent.
    std::string Header(const std::string& name) const;
    int Count(const std::string& name) const;
};

struct Reply {
    std::string bytes;    // written as they are
    bool hang = false;    // never answer; keep the connection open until the client leaves
};

// A complete HTTP/1.1 answer with Content-Length and "Connection: close".
std::string HttpResponse(int code, const std::string& reason, const std::vector<std::string>& headers,
                         const std::string& body);

class RecordingServer {
public:
    using Handler = std::function<Reply(const RecordedRequest&)>;
    explicit RecordingServer(Handler handler, std::chrono::seconds lifetime = std::chrono::seconds(60));
    ~RecordingServer();
    RecordingServer(const RecordingServer&) = delete;
    RecordingServer& operator=(const RecordingServer&) = delete;

    int port() const { return port_; }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::vector<RecordedRequest> Requests() const;
    RecordedRequest Last() const;

private:
    void Run();
    bool Serve(int fd);

    Handler handler_;
    int listenFd_ = -1;
    int port_ = 0;
    std::chrono::steady_clock::time_point deadline_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<RecordedRequest> requests_;
    std::thread thread_;
};

// A loopback port on which nothing listens (connections to it are refused).
int RefusedPort();

}  // namespace qltest
