#include "app/skin.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <map>
#include <mutex>

#include "app/app_state.h"

#ifndef QINGLAN_SYSTEM_FOLDER
#define QINGLAN_SYSTEM_FOLDER "/usr/local/lib/qinglan/"
#endif

namespace ql::embedded {
extern const unsigned char skin_qss[];
extern const std::size_t skin_qss_size;
}  // namespace ql::embedded

namespace ql {

namespace {

std::mutex g_mutex;
std::string g_systemFolder = QINGLAN_SYSTEM_FOLDER;
// SkinLibraryPath is a GBK text; the path it was made from is kept in the file system's encoding, so a
// folder name without a GBK form still opens.
Text g_pathText;
std::string g_pathFs;
std::map<std::string, void*> g_loaded;  // full path -> handle; never closed

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// The current SkinLibraryPath in the file system's encoding.
std::string CurrentPathFs() {
    Text current = App().SkinLibraryPath.get();
    std::lock_guard<std::mutex> l(g_mutex);
    if (current == g_pathText) return g_pathFs;
    return GbkToUtf8Bytes(current.str());
}

void SetPath(const std::string& fs) {
    Text text(Utf8ToGbkBytes(fs));
    {
        std::lock_guard<std::mutex> l(g_mutex);
        g_pathText = text;
        g_pathFs = fs;
    }
    App().SkinLibraryPath.set(text);
}

std::string TrimSpaceBytes(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return s.substr(b, e - b);
}

void* LoadOnce(const std::string& path) {
    std::lock_guard<std::mutex> l(g_mutex);
    auto it = g_loaded.find(path);
    if (it != g_loaded.end()) return it->second;
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (h != nullptr) g_loaded.emplace(path, h);  // a failed load is tried again next time
    return h;
}

using AttachFn = int (*)(const unsigned char*, int, const char*, int, int, int);

}  // namespace

const unsigned char* EmbeddedSkin() { return embedded::skin_qss; }
int EmbeddedSkinSize() { return static_cast<int>(embedded::skin_qss_size); }

std::string SystemFolder() {
    std::lock_guard<std::mutex> l(g_mutex);
    return g_systemFolder;
}

void SetSystemFolder(std::string folder) {
    std::lock_guard<std::mutex> l(g_mutex);
    g_systemFolder = WithSlash(std::move(folder));
}

std::string RunDirectorySkinLibrary() { return RunDirectory() + "/" + kSkinLibraryName; }

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void LocateSkinLibraryPath(const std::string& candidate) {
    std::string path = TrimSpaceBytes(candidate);
    if (!FileExists(path)) {
        std::string inRun = RunDirectorySkinLibrary();
        if (FileExists(inRun)) path = inRun;
        std::string inSystem = SystemFolder() + kSkinLibraryName;
        if (FileExists(inSystem)) path = inSystem;
    }
    SetPath(path);
}

void LocateSkinLibrary(const Text& candidate) { LocateSkinLibraryPath(GbkToUtf8Bytes(candidate.str())); }

bool SkinFunctionAvailable(const Text& name) {
    std::string path = CurrentPathFs();
    if (!FileExists(path)) return false;
    void* h = LoadOnce(path);
    return h != nullptr && dlsym(h, name.c_str()) != nullptr;
}

bool ApplySkin() {
    if (!SkinFunctionAvailable("SkinH_AttachRes")) return false;
    auto fn = reinterpret_cast<AttachFn>(dlsym(LoadOnce(CurrentPathFs()), "SkinH_AttachRes"));
    if (fn == nullptr) return false;
    return fn(EmbeddedSkin(), EmbeddedSkinSize(), nullptr, 0, 0, 0) == 0;
}

}  // namespace ql
