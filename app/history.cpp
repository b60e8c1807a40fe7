#include "app/history.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>

#include "app/app_state.h"

namespace ql {

namespace {

std::mutex g_writerMutex;
HistoryWriter g_writer;

bool ReadWholeFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) return false;
    out = ss.str();
    return true;
}

bool WriteAll(int fd, const std::string& data) {
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::string HistoryLogPath() { return RunDirectory() + "/" + kHistoryLogName; }

Text FileNameOfPath(const Text& path) {
    // "/" is never a trail byte of a GBK character, so a byte search is safe.
    size_t slash = path.str().rfind('/');
    if (slash == std::string::npos) return path;
    return Text(path.str().substr(slash + 1));
}

bool ReplaceFileContent(const std::string& path, const std::string& content) {
    std::string tmpl = path + ".XXXXXX";
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return false;
    // Keep the log's permissions (mkstemp makes the file 0600).
    struct stat st {};
    mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    (void)::fchmod(fd, mode);
    bool ok = WriteAll(fd, content) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(tmpl.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(tmpl.c_str());
    return ok;
}

void SetHistoryWriter(HistoryWriter writer) {
    std::lock_guard<std::mutex> l(g_writerMutex);
    g_writer = std::move(writer);
}

void RecordHistory() {
    AppState& app = App();
    std::string path = HistoryLogPath();
    std::string old;
    if (!ReadWholeFile(path, old)) old.clear();
    // LogSnapshot is a text and ends at a zero byte; the file keeps every old byte all the same.
    Text snapshot(old);
    app.LogSnapshot.set(snapshot);
    Text entry = app.CurrentFileName.get() + "-->" + Text(std::to_string(app.UploadId.get())) + "\r\n";
    app.LogEntry.set(entry);
    std::string content = (app.RunStamp.get() + "|" + entry).str() + old;
    // A log the user made read-only stays as it is (renaming over it would still be allowed).
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0) return;
    HistoryWriter writer;
    {
        std::lock_guard<std::mutex> l(g_writerMutex);
        writer = g_writer;
    }
    if (writer) writer(path, content);
    else ReplaceFileContent(path, content);
}

}  // namespace ql
