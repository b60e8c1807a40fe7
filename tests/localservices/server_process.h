// Starts the real qinglan-local-services executable on a free port for a test and stops it again.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace ql::localsvc::testing {

class ServerProcess {
public:
    // Empty store: the server makes (and removes) its own temporary folder.
    explicit ServerProcess(std::vector<std::string> extraArgs = {}) {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) return;
        std::vector<std::string> args = {LOCALSVC_EXE, "--port", "0"};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        pid_ = fork();
        if (pid_ == 0) {
            // The server goes when the test goes, however the test ends.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            dup2(out[1], STDOUT_FILENO);
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        // Wait (bounded) for "listening on 127.0.0.1:PORT".
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd p{out[0], POLLIN, 0};
            if (poll(&p, 1, 200) <= 0) continue;
            char buf[256];
            const ssize_t n = read(out[0], buf, sizeof buf);
            if (n <= 0) break;
            line.append(buf, static_cast<size_t>(n));
        }
        close(out[0]);
        const std::string marker = "listening on 127.0.0.1:";
        const size_t at = line.find(marker);
        if (at != std::string::npos) port_ = std::atoi(line.c_str() + at + marker.size());
    }

    ~ServerProcess() { Stop(); }

    // Stops the server with SIGTERM and gives its exit status (-1 when it died of a signal).
    int Stop() {
        if (pid_ <= 0) return exitStatus_;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return exitStatus_;
    }

    int port() const { return port_; }
    bool running() const { return pid_ > 0 && port_ > 0; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
    int exitStatus_ = -1;
};

}  // namespace ql::localsvc::testing
