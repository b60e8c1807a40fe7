// qinglan-local-services: the offline stand-in for the OCR, image-hosting and translation services.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

#include "localservices/server.h"

namespace {

constexpr int kDefaultPort = 17650;

void Usage(FILE* to) {
    std::fprintf(to,
                 "usage: qinglan-local-services [--port N] [--store DIR] [--tessdata DIR] [--lang L]\n"
                 "                             [--ocr-engines N] [--psm N]\n"
                 "  --port N         port on 127.0.0.1 (default %d; 0 picks a free one)\n"
                 "  --store DIR      photo store folder (default: a new temporary folder, removed at exit)\n"
                 "  --tessdata DIR   Tesseract data folder (default: Tesseract's own)\n"
                 "  --lang L         Tesseract languages (default chi_sim+eng)\n"
                 "  --ocr-engines N  OCR engines working at once (default 2)\n"
                 "  --psm N          Tesseract page segmentation mode (default 4: a column of lines; 3 automatic, 6 one block)\n"
                 "Prints \"listening on 127.0.0.1:PORT\" once it serves; one line per request on stderr.\n"
                 "Keys: the program's defaults, or QINGLAN_OCR_API_KEY, QINGLAN_OCR_SECRET_KEY,\n"
                 "QINGLAN_TRANSLATE_APP_ID, QINGLAN_TRANSLATE_SIGN_KEY when set.\n",
                 kDefaultPort);
}

bool ParseInt(const char* s, long lo, long hi, long& out) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(s, &end, 10);
    if (errno != 0 || end == s || *end != '\0' || v < lo || v > hi) return false;
    out = v;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    ql::localsvc::LimitOcrThreads(argv);
    long port = kDefaultPort;
    std::string store, tessdata, languages = "chi_sim+eng";
    long engines = 2, psm = 4;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            return 0;
        } else if (arg == "--port" && hasValue) {
            if (!ParseInt(argv[++i], 0, 65535, port)) {
                std::fprintf(stderr, "qinglan-local-services: bad port %s\n", argv[i]);
                return 2;
            }
        } else if (arg == "--store" && hasValue) {
            store = argv[++i];
        } else if (arg == "--lang" && hasValue) {
            languages = argv[++i];
        } else if (arg == "--tessdata" && hasValue) {
            tessdata = argv[++i];
        } else if (arg == "--ocr-engines" && hasValue) {
            if (!ParseInt(argv[++i], 1, 16, engines)) {
                std::fprintf(stderr, "qinglan-local-services: --ocr-engines takes 1 to 16\n");
                return 2;
            }
        } else if (arg == "--psm" && hasValue) {
            if (!ParseInt(argv[++i], 0, 13, psm)) {
                std::fprintf(stderr, "qinglan-local-services: --psm takes 0 to 13\n");
                return 2;
            }
        } else {
            Usage(stderr);
            return 2;
        }
    }

    bool temporaryStore = false;
    std::error_code ec;
    if (store.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/qinglan-local-services-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::fprintf(stderr, "qinglan-local-services: cannot create a temporary store: %s\n", std::strerror(errno));
            return 1;
        }
        store = pattern;
        temporaryStore = true;
    } else {
        std::filesystem::create_directories(store, ec);
        if (!std::filesystem::is_directory(store)) {
            std::fprintf(stderr, "qinglan-local-services: %s is not a folder\n", store.c_str());
            return 1;
        }
    }

    // Signals are taken by one thread, which stops the server; every other thread has them blocked.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    ql::localsvc::ServiceConfig config;
    config.keys = ql::localsvc::ServiceKeys::FromEnvironment();
    config.store = store;
    config.ocr.tessdata = tessdata;
    config.ocr.languages = languages;
    config.ocr.maxEngines = static_cast<int>(engines);
    config.ocr.pageSegMode = static_cast<int>(psm);

    int status = 0;
    {
        ql::localsvc::LocalServer server(config);
        const int bound = server.Bind(static_cast<int>(port));
        if (bound < 0) {
            std::fprintf(stderr, "qinglan-local-services: cannot listen on 127.0.0.1:%ld\n", port);
            status = 1;
        } else {
            std::atomic<bool> done{false};
            std::thread watcher([&] {
                int sig = 0;
                sigwait(&stopSignals, &sig);
                // Until the serving loop has returned: a stop that comes before it runs would be lost.
                while (!done.load()) {
                    server.Stop();
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                }
            });
            std::printf("listening on 127.0.0.1:%d\n", bound);
            std::fflush(stdout);
            std::fprintf(stderr, "qinglan-local-services: store %s\n", store.c_str());
            if (!server.Run()) status = 1;
            done.store(true);
            if (status != 0) pthread_kill(watcher.native_handle(), SIGTERM);
            watcher.join();
        }
    }
    if (temporaryStore) std::filesystem::remove_all(store, ec);
    return status;
}
