// 1,000 sequential HttpRequestText GETs of a 10 KB page from a loopback server against 1,000 bare libcurl
// easy requests of the same page with a fresh handle each; both open a connection per request. Prints the
// time of each and their ratio. Usage: http_bench [requests] (default 1000).
#include <curl/curl.h>
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "web/http_text.h"

namespace {

size_t Collect(char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

bool BareRequest(const std::string& url) {
    CURL* h = curl_easy_init();
    std::string body;
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(h, CURLOPT_PROXY, "");
    const bool ok = curl_easy_perform(h) == CURLE_OK && body.size() == 10240;
    curl_easy_cleanup(h);
    return ok;
}

bool RoutineRequest(const std::string& url) { return ql::HttpRequestText(url).size() == 10240; }

}  // namespace

int main(int argc, char** argv) {
    const int total = argc > 1 ? std::atoi(argv[1]) : 1000;
    std::string page = "<html><head><meta charset=\"gbk\"><title>bench</title></head><body>";
    while (page.size() < 10240 - 14) page += "\xC4\xE3\xBA\xC3 page text ";
    page.resize(10240 - 14, 'x');
    page += "</body></html>";

    httplib::Server server;
    server.Get("/page", [&](const httplib::Request&, httplib::Response& res) { res.set_content(page, "text/html"); });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { server.listen_after_bind(); });
    while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/page";

    curl_global_init(CURL_GLOBAL_DEFAULT);
    // Warm both paths, then alternate rounds so that drift of the machine falls on both alike.
    for (int i = 0; i < 20; ++i) {
        BareRequest(url);
        RoutineRequest(url);
    }
    using Clock = std::chrono::steady_clock;
    Clock::duration bare{}, routine{};
    int failures = 0;
    const int round = 50;
    for (int done = 0; done < total; done += round) {
        const int n = std::min(round, total - done);
        auto t0 = Clock::now();
        for (int i = 0; i < n; ++i) failures += !RoutineRequest(url);
        auto t1 = Clock::now();
        for (int i = 0; i < n; ++i) failures += !BareRequest(url);
        auto t2 = Clock::now();
        routine += t1 - t0;
        bare += t2 - t1;
    }
    server.stop();
    thread.join();

    const double r = std::chrono::duration<double>(routine).count();
    const double b = std::chrono::duration<double>(bare).count();
    std::printf("requests: %d each, failures: %d\n", total, failures);
    std::printf("HttpRequestText: %.3f s (%.1f us/request)\n", r, r * 1e6 / total);
    std::printf("bare libcurl:    %.3f s (%.1f us/request)\n", b, b * 1e6 / total);
    std::printf("ratio: %.3f\n", r / b);
    return failures == 0 ? 0 : 1;
}
