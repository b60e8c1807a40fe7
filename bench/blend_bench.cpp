// Full-screen blends of the overlay's redraw, against memcpy of the same bytes in the same run:
// the bright layer at alpha 255 (a copy) and the dim layer at alpha 128, both without per-pixel alpha,
// onto a layered-window canvas of 1920 x 1080 and 3840 x 2160.
//   blend_bench [rounds]     (default 15; each figure is the median over the rounds, the ratios the
//                             median of the per-round ratios)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include <QApplication>
#include <QWidget>

#include "graphics/graphics_objects.h"
#include "graphics/layered_canvas.h"

using namespace ql;

namespace {

double Seconds(const std::function<void()>& work) {
    const auto t0 = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    QApplication app(argc, argv);
    std::printf("%-11s %10s %10s %10s %8s %8s\n", "size", "memcpy ms", "a255 ms", "a128 ms", "a255/mc", "a128/mc");
    for (auto [w, h] : {std::pair{1920, 1080}, std::pair{3840, 2160}}) {
        QWidget window;
        window.resize(w, h);
        LayeredWindowCanvas canvas;
        canvas.Attach(&window);
        Surface bright, dim;
        bright.Create(w, h);
        dim.Create(w, h);
        SolidBrushObject brush;
        brush.Create(0xFF000000);
        dim.FillRectangle(brush, 0, 0, static_cast<float>(w), static_cast<float>(h));
        // A picture with varied bytes, so the blend works on realistic data.
        uint8_t* b = bright.DeviceContext()->bits();
        for (size_t i = 0; i < size_t(w) * h * 4; ++i) b[i] = (i & 3) == 3 ? 255 : static_cast<uint8_t>(i * 2654435761u >> 24);

        const size_t bytes = size_t(w) * h * 4;
        std::vector<uint8_t> from(bytes, 1), to(bytes, 2);
        auto copy = [&] {
            std::memcpy(to.data(), from.data(), bytes);
            asm volatile("" : : "r"(to.data()) : "memory");
        };
        auto blend255 = [&] { canvas.Blend(bright.DeviceContext(), 0, 0, w, h, 0, 0, w, h, 255, false); };
        auto blend128 = [&] { canvas.Blend(dim.DeviceContext(), 0, 0, w, h, 0, 0, w, h, 128, false); };
        copy(), blend255(), blend128();  // warm-up: every page touched
        // The three run back to back in every round, so each ratio compares like with like on a busy machine.
        std::vector<double> tm, t255, t128, r255, r128;
        for (int i = 0; i < rounds; ++i) {
            tm.push_back(Seconds(copy));
            t255.push_back(Seconds(blend255));
            t128.push_back(Seconds(blend128));
            r255.push_back(t255.back() / tm.back());
            r128.push_back(t128.back() / tm.back());
        }
        const double mc = Median(tm), a255 = Median(t255), a128 = Median(t128);
        char label[32];
        std::snprintf(label, sizeof label, "%dx%d", w, h);
        std::printf("%-11s %10.3f %10.3f %10.3f %8.2f %8.2f\n", label, mc * 1e3, a255 * 1e3, a128 * 1e3, Median(r255),
                    Median(r128));
    }
    return 0;
}
