// The process-wide application state. Every field is read and written whole under its own lock,
// so workers and the window thread may touch it at once; the later write wins.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

#include "web/text.h"

namespace ql {

template <class T>
class Guarded {
public:
    T get() const { std::lock_guard<std::mutex> l(m_); return v_; }
    void set(T v) { std::lock_guard<std::mutex> l(m_); v_ = std::move(v); }
private:
    mutable std::mutex m_;
    T v_{};
};

struct AppState {
    Guarded<Text> CurrentFileName;
    Guarded<int32_t> UploadId;
    Guarded<Text> LogSnapshot;
    Guarded<Text> LogEntry;
    Guarded<Text> RunStamp;
    Guarded<Text> AccessToken;
    Guarded<Text> ImageUrl;
    Guarded<Text> OcrAnswer;
    Guarded<Text> SkinLibraryPath;
    Guarded<uintptr_t> GdiplusToken;

    void Clear();  // back to empty texts and zero numbers (ExitCleanup)
};

AppState& App();

// Folder of the executable, no trailing slash, in the file system's encoding (UTF-8).
std::string RunDirectory();
void SetRunDirectory(std::string dir);  // start-up sets it from the executable; tests point it elsewhere
// The folder of the running executable (from /proc/self/exe), no trailing slash.
std::string ExecutableDirectory();

// Random integer in [min, max] from the 15-bit generator, reseeded from the tick count before each draw.
int RandomInRange(int min, int max);

}  // namespace ql
