// 1,000 sequential HttpRequestText GETs of a 10 KB page from a loopback server against 1,000 bare libcurl
// easy requests of the same page with a fresh handle each; both open a connection per request. Prints the
// time of each and their ratio. Usage: http_bench [requests] (default 1000).
#include <curl/curl.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

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

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

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
    // Warm both paths.
    for (int i = 0; i < 20; ++i) {
        BareRequest(url);
        RoutineRequest(url);
    }
    // Requests alternate one by one, so that the load of a shared machine falls on both sides alike.
    using Clock = std::chrono::steady_clock;
    Clock::duration bare{}, routine{};
    std::vector<double> bareEach, routineEach;
    int failures = 0;
    auto timed = [&](bool routineSide) {
        const auto t0 = Clock::now();
        failures += routineSide ? !RoutineRequest(url) : !BareRequest(url);
        const auto d = Clock::now() - t0;
        (routineSide ? routine : bare) += d;
        (routineSide ? routineEach : bareEach).push_back(std::chrono::duration<double, std::micro>(d).count());
    };
    for (int i = 0; i < total; ++i) {
        // Which side goes first alternates too, so that neither always follows the other's closing.
        timed(i % 2 == 0);
        timed(i % 2 != 0);
    }
    server.stop();
    thread.join();

    const double r = std::chrono::duration<double>(routine).count();
    const double b = std::chrono::duration<double>(bare).count();
    std::printf("requests: %d each, failures: %d\n", total, failures);
    std::printf("HttpRequestText: %.3f s (%.1f us/request)\n", r, r * 1e6 / total);
    std::printf("bare libcurl:    %.3f s (%.1f us/request)\n", b, b * 1e6 / total);
    std::printf("ratio of totals: %.3f\n", r / b);
    // The median is not moved by the few requests that a busy machine stalls.
    const double mr = Median(routineEach), mb = Median(bareEach);
    std::printf("median per request: %.1f us vs %.1f us, ratio of medians: %.3f\n", mr, mb, mr / mb);
    return failures == 0 ? 0 : 1;
}
