// The HTTP face of the local services: cpp-httplib on 127.0.0.1, one log line per request on stderr.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "localservices/services.h"

namespace ql::localsvc {

// Request bodies past this size are refused with 413 before they are read whole.
inline constexpr size_t kMaxBodyBytes = 20u * 1024u * 1024u;

class LocalServer {
public:
    explicit LocalServer(ServiceConfig config, bool logRequests = true);
    ~LocalServer();
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    // Binds 127.0.0.1:port (0 picks a free port); returns the bound port, or -1.
    int Bind(int port);
    // Serves until Stop(); returns false when it could not serve at all.
    bool Run();
    void Stop();

    LocalServices& Services();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ql::localsvc
