// The program's own time per recognition against the local services: the whole chain (upload, OCR
// request, display) is timed on the wall clock, and the CPU time of this process (every client
// step: building the body, the HTTP exchanges, conversions, parsing, the controls) is taken from
// getrusage. The services' CPU time is read from /proc for comparison.
//   pipeline_bench [runs]     (default 20)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/app_state.h"
#include "services/config.h"
#include "services/recognition.h"
#include "services/requests.h"
#include "services/workers.h"
#include "tests/services/test_support.h"

using namespace ql;

namespace {

double ProcessCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// utime + stime of another process, in seconds.
double ChildCpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = all.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(all.substr(close + 2));
    std::string f;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> f; ++i) {
        if (i == 14) utime = std::stoull(f);
        if (i == 15) stime = std::stoull(f);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    qltest::LocalServices services;
    if (services.port() <= 0) {
        std::fprintf(stderr, "local services did not start (%s/qinglan-local-services)\n", QINGLAN_BIN_DIR);
        return 1;
    }
    qltest::PointServicesAt(services.base());
    App().AccessToken.set(FetchAccessToken());
    qltest::RecordingControls controls;
    SetMainControls(&controls);
    const Text picture = QINGLAN_SOURCE_DIR "/tests/services/data/ocr_lines.png";

    // One warm-up run: the services' OCR engine initialises on first use.
    UploadAndRecognize(picture, 100000);
    controls.WaitForHides(1);
    WaitForWorkers(std::chrono::seconds(60));
    const Text expected = controls.ResultText();

    double wall = 0, cpu = 0;
    const double serverBefore = ChildCpuSeconds(services.pid());
    int ok = 0;
    for (int i = 0; i < runs; ++i) {
        const double c0 = ProcessCpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        UploadAndRecognize(picture, 100001 + i);
        controls.WaitForHides(i + 2);
        WaitForWorkers(std::chrono::seconds(60));
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        cpu += ProcessCpuSeconds() - c0;
        ok += controls.ResultText() == expected && !expected.empty();
    }
    const double server = ChildCpuSeconds(services.pid()) - serverBefore;
    SetMainControls(nullptr);

    // The two requests alone, for the breakdown.
    double upload = 0, ocr = 0;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        UploadImage(200000 + i, picture);
        const auto t1 = std::chrono::steady_clock::now();
        RequestOcr(App().AccessToken.get(), HostedImageAddress(200000 + i));
        const auto t2 = std::chrono::steady_clock::now();
        upload += std::chrono::duration<double>(t1 - t0).count();
        ocr += std::chrono::duration<double>(t2 - t1).count();
    }

    std::printf("recognitions: %d (%d with the expected text)\n", runs, ok);
    std::printf("wall time per recognition:           %8.2f ms\n", 1e3 * wall / runs);
    std::printf("program's own CPU per recognition:   %8.2f ms\n", 1e3 * cpu / runs);
    std::printf("services' CPU per recognition:       %8.2f ms\n", 1e3 * server / runs);
    std::printf("upload request alone (wall):         %8.2f ms\n", 1e3 * upload / runs);
    std::printf("OCR request alone (wall):            %8.2f ms\n", 1e3 * ocr / runs);
    return ok == runs ? 0 : 1;
}
