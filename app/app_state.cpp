// The process-wide application state and the run directory.
#include "app/app_state.h"

#include <unistd.h>

#include <climits>

namespace ql {

void AppState::Clear() {
    CurrentFileName.set(Text());
    UploadId.set(0);
    LogSnapshot.set(Text());
    LogEntry.set(Text());
    RunStamp.set(Text());
    AccessToken.set(Text());
    ImageUrl.set(Text());
    OcrAnswer.set(Text());
    SkinLibraryPath.set(Text());
    GdiplusToken.set(0);
}

AppState& App() {
    // Never destroyed: detached workers and the exit routine may still reach it while statics go away.
    static AppState* state = new AppState;
    return *state;
}

namespace {
Guarded<std::string>& RunDir() {
    static auto* dir = new Guarded<std::string>;
    return *dir;
}
}  // namespace

std::string RunDirectory() { return RunDir().get(); }

void SetRunDirectory(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    RunDir().set(std::move(dir));
}

std::string ExecutableDirectory() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string path(buf, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace ql
