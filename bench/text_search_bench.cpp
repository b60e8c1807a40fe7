// SearchText against std::string::find on the same 10 MB of mixed GBK and ASCII text, in one run:
//   1. one search for a marker that sits only at the very end;
//   2. the scan that cuts every value out of a service answer: prefix, then suffix, then on (SearchText
//      in a loop, as AllTextsBetween does), with and without regard to letter case;
//   3. a one-letter needle that also occurs as the second byte of two-byte characters.
// Prints each time and the ratio SearchText / find (best of several rounds).
//   text_search_bench [megabytes]     (default 10)
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "web/text.h"

using namespace ql;

namespace {

std::string MakeText(size_t bytes) {
    std::mt19937 rng(42);
    std::string s;
    s.reserve(bytes + 64);
    const std::string prefix = "{\"words\": \"";
    const std::string suffix = "\"}";
    while (s.size() < bytes) {
        const unsigned k = rng() % 100;
        if (k < 45) {  // a Chinese character; some with an ASCII-range second byte
            s.push_back(static_cast<char>(0xB0 + rng() % 0x40));
            s.push_back(static_cast<char>(rng() % 5 == 0 ? 0x40 + rng() % 0x3F : 0xA1 + rng() % 0x5E));
        } else if (k < 90) {
            s.push_back(static_cast<char>('a' + rng() % 26));
        } else if (k < 98) {
            s.push_back(' ');
        } else if (k < 99) {
            s += ", ";
        } else if (rng() % 20 == 0) {  // a recognised line now and then
            s += prefix;
            for (int i = 0; i < 12; ++i) {
                s.push_back(static_cast<char>(0xC0 + rng() % 0x20));
                s.push_back(static_cast<char>(0xA1 + rng() % 0x5E));
            }
            s += suffix;
        }
    }
    s += "#END-MARKER#";
    return s;
}

template <class F>
double BestSeconds(int rounds, F f) {
    double best = 1e9;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (s < best) best = s;
    }
    return best;
}

volatile long g_sink;

void Report(const char* what, double ours, double find, long oursCount, long findCount) {
    std::printf("%-38s SearchText %8.3f ms   find %8.3f ms   ratio %5.2f   (%ld / %ld found)\n", what,
                ours * 1e3, find * 1e3, ours / find, oursCount, findCount);
}

}  // namespace

int main(int argc, char** argv) {
    const double mb = argc > 1 ? std::atof(argv[1]) : 10.0;
    const std::string raw = MakeText(static_cast<size_t>(mb * 1024 * 1024));
    const Text text(raw);
    std::printf("text: %d bytes of mixed GBK and ASCII\n", text.size());
    const int rounds = 7;

    {   // 1. one search, found at the end
        const Text marker("#END-MARKER#");
        long a = 0, b = 0;
        const double ours = BestSeconds(rounds, [&] { a = SearchText(text, marker); g_sink = a; });
        const double find = BestSeconds(rounds, [&] { b = static_cast<long>(raw.find("#END-MARKER#")) + 1; g_sink = b; });
        Report("single search to the end", ours, find, a, b);
    }
    {   // 2. every value between a prefix and a suffix
        const std::string pre = "{\"words\": \"", suf = "\"}";
        const Text tpre(pre), tsuf(suf);
        long a = 0, b = 0;
        const double ours = BestSeconds(rounds, [&] {
            long n = 0;
            int pos = 1;
            for (;;) {
                const int p = SearchText(text, tpre, pos);
                if (p < 1) break;
                const int e = SearchText(text, tsuf, p + tpre.size());
                if (e < 1) break;
                ++n;
                pos = e + tsuf.size();
            }
            a = n;
            g_sink = n;
        });
        const double find = BestSeconds(rounds, [&] {
            long n = 0;
            size_t pos = 0;
            for (;;) {
                const size_t p = raw.find(pre, pos);
                if (p == std::string::npos) break;
                const size_t e = raw.find(suf, p + pre.size());
                if (e == std::string::npos) break;
                ++n;
                pos = e + suf.size();
            }
            b = n;
            g_sink = n;
        });
        Report("values between markers (loop)", ours, find, a, b);
    }
    {   // 2b. the same scan without regard to ASCII letter case (as AllTextsBetween matches), against a
        //     case-insensitive std::search over the same bytes
        const std::string pre = "{\"WORDS\": \"", suf = "\"}";
        const Text tpre(pre), tsuf(suf);
        long a = 0, b = 0;
        const double ours = BestSeconds(rounds, [&] {
            long n = 0;
            int pos = 1;
            for (;;) {
                const int p = SearchText(text, tpre, pos, true);
                if (p < 1) break;
                const int e = SearchText(text, tsuf, p + tpre.size(), true);
                if (e < 1) break;
                ++n;
                pos = e + tsuf.size();
            }
            a = n;
            g_sink = n;
        });
        auto eqi = [](char x, char y) { return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y)); };
        const double find = BestSeconds(rounds, [&] {
            long n = 0;
            auto pos = raw.begin();
            for (;;) {
                const auto p = std::search(pos, raw.end(), pre.begin(), pre.end(), eqi);
                if (p == raw.end()) break;
                const auto e = std::search(p + static_cast<long>(pre.size()), raw.end(), suf.begin(), suf.end(), eqi);
                if (e == raw.end()) break;
                ++n;
                pos = e + static_cast<long>(suf.size());
            }
            b = n;
            g_sink = n;
        });
        Report("same, case-insensitive (std::search)", ours, find, a, b);
    }
    {   // 3. a letter that is also a second byte; find counts those too, SearchText must not
        const Text q("q");
        long a = 0, b = 0;
        const double ours = BestSeconds(rounds, [&] {
            long n = 0;
            for (int p = SearchText(text, q); p > 0; p = SearchText(text, q, p + 1)) ++n;
            a = n;
            g_sink = n;
        });
        const double find = BestSeconds(rounds, [&] {
            long n = 0;
            for (size_t p = raw.find('q'); p != std::string::npos; p = raw.find('q', p + 1)) ++n;
            b = n;
            g_sink = n;
        });
        Report("every \"q\" (one-letter needle)", ours, find, a, b);
    }
    return 0;
}
