// Small helpers of the shell tests: temporary folders and whole-file reads and writes.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace ql::test {

class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "qinglan-shell-XXXXXX").string();
        char* p = ::mkdtemp(tmpl.data());
        path_ = p ? p : "";
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    std::string Sub(const std::string& name) const {
        std::filesystem::create_directories(path_ + "/" + name);
        return path_ + "/" + name;
    }

private:
    std::string path_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline bool WriteFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
    return static_cast<bool>(out);
}

inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

inline void CopyInto(const std::string& file, const std::string& folder, const std::string& name = "VELTO.dll") {
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(file, folder + "/" + name, std::filesystem::copy_options::overwrite_existing);
}

}  // namespace ql::test
