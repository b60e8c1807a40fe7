// A loopback HTTPS server with a freshly made self-signed certificate, for the tests of certificate
// handling. The certificate and key live in a temporary folder that goes with the server.
#pragma once

#include <memory>
#include <string>
#include <thread>

namespace httplib {
class SSLServer;
}

namespace qltest {

class TlsServer {
public:
    // Serves GET /page with `body`; stops when destroyed.
    explicit TlsServer(std::string body);
    ~TlsServer();

    int port() const { return port_; }
    std::string Base() const { return "https://127.0.0.1:" + std::to_string(port_); }

private:
    std::string dir_;
    std::unique_ptr<httplib::SSLServer> server_;
    int port_ = 0;
    std::thread thread_;
};

}  // namespace qltest
